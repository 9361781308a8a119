#pragma once
// The run header: counts of sites, the frequency-pair flag, bootstrap iterations and seed number,
// and the limits the program accepts.

#include <cstdint>
#include <optional>
#include <string>

namespace kelvaro {

struct Header {
  std::int32_t t1 = 0;       // sites/occasions of Sample 1 (made positive)
  std::int32_t t2 = 0;       // sites/occasions of Sample 2
  std::int32_t pair = 0;     // frequency-pair flag, 0 or 1
  std::int32_t nreps = 50;   // bootstrap iterations; negative asks for detail lines
  std::int32_t ix = 400;     // seed number; 0 takes the seed from the clock
  std::int32_t swtch = 1;    // range adjustment of the summary; 0 when t1 was given negative
  std::int64_t line = 1;     // input line where the header record starts
};

inline constexpr std::int32_t kMaxSites = 98;      // the bootstrap uses x(1..t+2) of 100
inline constexpr std::int32_t kMaxPairSites = 49;  // f and f'(1..t+1) side by side in x(100)
inline constexpr std::int32_t kMaxReplicates = 10000;  // rows of the bootstrap store

// Makes t1 positive (clearing swtch when it was negative) and any non-zero pair 1.
void normalise(Header& h);

// The reason a header is refused ("t1 = 120 is outside the allowed range 1..98"), if it is.
std::optional<std::string> refusal(const Header& h);

}  // namespace kelvaro

#pragma once
// The run header as typed values: the numbers of sites, the frequency-pair flag and the run's
// Options (the limits they must keep are public: kMaxSampleSites, kMaxReplicates). The
// free-form text gives two of the flags as signs; decode_text_header turns them into values, so
// nothing past the reader sees a sign.

#include <cstdint>
#include <optional>
#include <string>

#include "kelvaro/kelvaro.h"

namespace kelvaro {

struct Header {
  std::int32_t sites1 = 0;      // t1: sites/occasions of Sample 1
  std::int32_t sites2 = 0;      // t2: sites/occasions of Sample 2
  bool frequency_pair = false;  // every block has f' and is estimated from it
  Options options;
  std::int64_t line = 1;  // input line where the header record starts (1 for structured data)
};

// The text header "t1 t2 pair nreps seed" as values:
//   "-12 8 0 50 400"  -> sites1 12, range adjustment off (a negative t1 turns it off)
//   "12 8 3 -20 400"  -> frequency pair (any pair but 0), 20 replicates with the detail listing
// t1 = -2147483648 has no positive counterpart and stays negative (and is refused); nreps is
// taken by magnitude here and its range is the text's to check (text_replicates_refusal).
Header decode_text_header(std::int32_t t1, std::int32_t t2, std::int32_t pair, std::int32_t nreps,
                          std::int32_t seed);

// Why the text's nreps cannot be taken ("nreps = -10001 is outside the allowed range
// -10000..10000"), if it cannot.
std::optional<std::string> text_replicates_refusal(std::int32_t nreps);

// Why the numbers of sites cannot be taken ("t1 = 1200 is outside the allowed range 1..1000"), if
// they cannot. The range is the same with the frequency pair.
std::optional<std::string> sites_refusal(const Header& h);

}  // namespace kelvaro

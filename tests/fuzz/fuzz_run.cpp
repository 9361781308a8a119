// Fuzz target over the run's entry point: any bytes as the input text.
//
// What it skips, and why: the bootstrap's work is |nreps| times the community sizes it draws,
// and input can make an estimate as large as 2^31. Such runs are not wrong, only long, and one of
// them would stall the fuzzer. So each input is first run with nreps = 0 (cheap: no draws); when
// |nreps| times the sum of the rounded estimates and observed counts of the four blocks exceeds
// kMaxDraws, the full run is skipped. Each replicate also costs a jackknife with its power sums, so
// runs asking for more than kMaxReplicates replicates are skipped too. Every input still gets the
// nreps = 0 run.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "kelvaro/kelvaro.h"
#include "textio/list_reader.h"

namespace {

constexpr double kMaxDraws = 2.0e6;
constexpr std::int32_t kMaxReplicates = 300;

// An output stream that swallows everything.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// The header as written and the text after the header's line(s), or false when it cannot be read.
bool split_header(std::string_view input, std::int32_t (&h)[5], std::string_view& rest) {
  kelvaro::textio::ListReader reader(input);
  try {
    reader.read(std::vector<kelvaro::textio::Target>{h[0], h[1], h[2], h[3], h[4]});
  } catch (const kelvaro::textio::ReadError&) {
    return false;
  }
  // The next statement starts at the beginning of line reader.line().
  std::size_t pos = 0;
  for (int line = 1; line < reader.line() && pos != std::string_view::npos; ++line) {
    pos = input.find('\n', pos);
    if (pos != std::string_view::npos) ++pos;
  }
  rest = pos == std::string_view::npos ? std::string_view{} : input.substr(pos);
  return true;
}

// Draws a run of the blocks estimated in `dry` would make with nreps replicates (an upper bound).
double planned_draws(const kelvaro::RunResult& dry, std::int32_t nreps) {
  double per_replicate = 0.0;
  for (const kelvaro::BlockResult& b : dry.blocks) {
    const double e = std::fabs(static_cast<double>(b.estimate)) + 1.0;
    if (!std::isfinite(e)) return std::numeric_limits<double>::infinity();
    per_replicate += e + std::fabs(static_cast<double>(b.observed)) + 300.0;
  }
  return std::fabs(static_cast<double>(nreps)) * per_replicate;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  NullBuffer sink;
  std::ostream out(&sink);

  std::int32_t h[5] = {0, 0, 0, 50, 400};
  std::string_view rest;
  if (!split_header(input, h, rest)) {
    kelvaro::run_text(input, {}, &out);  // a header that cannot be read: fails at once
    return 0;
  }
  std::string dry = std::to_string(h[0]) + " " + std::to_string(h[1]) + " " + std::to_string(h[2]) +
                    " 0 " + std::to_string(h[4]) + "\n";
  dry.append(rest);
  const kelvaro::RunResult dry_run = kelvaro::run_text(dry, {}, &out);
  const bool modest = h[3] >= -kMaxReplicates && h[3] <= kMaxReplicates;
  if (h[3] != 0 && modest && planned_draws(dry_run, h[3]) <= kMaxDraws) {
    kelvaro::run_text(input, {}, &out);
  }
  return 0;
}

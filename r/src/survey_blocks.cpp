#include "survey_blocks.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

// A frequency as the library holds it, in single precision. Values beyond float's range become
// infinite here (the bare conversion of such a value is undefined behaviour).
float as_frequency(double v) {
  constexpr double kLargest = std::numeric_limits<float>::max();
  if (v > kLargest) return std::numeric_limits<float>::infinity();
  if (v < -kLargest) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}

// Requires: block holds `f` (numeric) and `n` (integer, no NA), as the R code checks.
kelvaro::BlockData block_data(const Rcpp::List& block) {
  const Rcpp::NumericVector f = block["f"];
  const Rcpp::IntegerVector n = block["n"];
  kelvaro::BlockData d;
  d.f.reserve(static_cast<std::size_t>(f.size()));
  for (const double v : f) d.f.push_back(as_frequency(v));
  d.n.assign(n.begin(), n.end());
  return d;
}

// A vector's length as a number of sites: lengths beyond 32 bits stay beyond the library's limit
// (which refuses them with its own message) instead of wrapping into it.
std::int32_t sites_of(const kelvaro::BlockData& block) {
  constexpr std::size_t kMax = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::min(block.f.size(), kMax));
}

}  // namespace

kelvaro::Survey survey_of(const Rcpp::List& blocks) {
  kelvaro::Survey s;
  s.sample1 = block_data(blocks["sample1"]);
  s.sites1 = sites_of(s.sample1);
  s.sites2 = s.sites1;
  if (blocks.containsElementNamed("sample2")) {
    s.sample2 = block_data(blocks["sample2"]);
    s.sites2 = sites_of(*s.sample2);
    s.subset_a = block_data(blocks["subset_a"]);
    s.subset_b = block_data(blocks["subset_b"]);
  }
  return s;
}

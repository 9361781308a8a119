#pragma once
// The bootstrap store of a run: row = replicate, columns 1-4 the replicate estimates of the four
// blocks, 5-12 the community-dynamics parameters derived from them (5 PHI, 6 GAMMA, 7 LAMBDA,
// 8 altLAMBDA, 9 B, 10 unused, 11 p(1), 12 p(2)); and the species detected per replicate of
// Samples 1 and 2. Everything starts at 0, so a block without replicates leaves zeros.

#include <cassert>
#include <cstdint>
#include <vector>

namespace kelvaro {

inline constexpr int kParameterColumns = 12;

class ReplicateTable {
 public:
  // Requires: 0 <= replicates <= 10000.
  explicit ReplicateTable(std::int32_t replicates)
      : n_(replicates),
        values_(static_cast<std::size_t>(replicates) * kParameterColumns, 0.0f),
        detected_(static_cast<std::size_t>(replicates) * 2, 0) {}

  std::int32_t replicates() const { return n_; }

  // Row i (1..n), column k (1..12).
  float& value(std::int32_t i, int k) { return values_[index(i, k)]; }
  float value(std::int32_t i, int k) const { return values_[index(i, k)]; }
  // Rows 1..n of column k, contiguous.
  float* column(int k) { return values_.data() + index(1, k); }

  // Species detected in row i of Sample 1 (sample 1) or Sample 2 (sample 2).
  std::int32_t& detected(std::int32_t i, int sample) {
    assert(i >= 1 && i <= n_ && (sample == 1 || sample == 2) && "no such replicate count");
    return detected_[static_cast<std::size_t>(sample - 1) * static_cast<std::size_t>(n_) +
                     static_cast<std::size_t>(i - 1)];
  }
  std::int32_t detected(std::int32_t i, int sample) const {
    return const_cast<ReplicateTable*>(this)->detected(i, sample);
  }

 private:
  std::size_t index(std::int32_t i, int k) const {
    assert(i >= 1 && i <= n_ && k >= 1 && k <= kParameterColumns && "no such replicate cell");
    return static_cast<std::size_t>(k - 1) * static_cast<std::size_t>(n_) +
           static_cast<std::size_t>(i - 1);
  }

  std::int32_t n_;
  std::vector<float> values_;           // column by column
  std::vector<std::int32_t> detected_;  // Sample 1's column, then Sample 2's
};

}  // namespace kelvaro

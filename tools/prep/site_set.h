#pragma once
// The sites of one sample at which a species was detected, as a set of site indices
// 0..kMaxSites-1 in two machine words: a million species take 16 MB, and counting a set's sites
// or walking them costs a few instructions.
//
//   add(0); add(2); add(0)  ->  count() == 2,  for_each visits 0 then 2

#include <bit>
#include <cstdint>

namespace kelvaro::prep {

// kelvaro keeps a block's frequency classes in 100 elements and its bootstrap uses t + 2 of
// them, so a sample may have at most 98 sites.
inline constexpr int kMaxSites = 98;

class SiteSet {
 public:
  // Requires: 0 <= site < kMaxSites.
  void add(int site) { words_[site / 64] |= std::uint64_t{1} << (site % 64); }
  bool contains(int site) const { return (words_[site / 64] >> (site % 64)) & 1u; }
  int count() const { return std::popcount(words_[0]) + std::popcount(words_[1]); }
  bool empty() const { return (words_[0] | words_[1]) == 0; }
  // Calls visit(site) for every site of the set, in increasing order.
  template <class Visit>
  void for_each(Visit visit) const {
    for (int w = 0; w < 2; ++w) {
      for (std::uint64_t bits = words_[w]; bits != 0; bits &= bits - 1) {
        visit(w * 64 + std::countr_zero(bits));
      }
    }
  }

 private:
  std::uint64_t words_[2] = {0, 0};
};

}  // namespace kelvaro::prep

#include "dynamics/replicate_sort.h"

#include <cassert>
#include <cstdint>
#include <vector>

#include "kelvaro/compat.h"

namespace kelvaro {

namespace {

// Ranges of more than this many positions past their first are partitioned; shorter ones wait
// for straight insertion (ranges of up to 11 values).
constexpr int kInsertionSpan = 10;

// Deferred ranges: the smaller part is always taken next, so the range in hand at least halves
// for every range that waits; 16 entries cover far more than the 10000 replicates.
constexpr int kStackSize = 16;

enum class Step { kRangeTest, kPartition, kSizeTest, kNextRange };

// One-based view of the caller's array.
struct Column {
  float* base;
  float& operator()(int p) const { return base[p - 1]; }
};

// Orders a(i), a(ij), a(j) so that the middle one becomes the pivot t, held in a(ij).
// The tests are "t >= a(i)" and "a(j) >= t" taking the branch that leaves values in place.
float median_of_three(const Column& a, int i, int ij, int j) {
  float t = a(ij);
  if (!(t >= a(i))) {
    a(ij) = a(i);
    a(i) = t;
    t = a(ij);
  }
  if (!(a(j) >= t)) {
    a(ij) = a(j);
    a(j) = t;
    t = a(ij);
    if (!(t >= a(i))) {
      a(ij) = a(i);
      a(i) = t;
      t = a(ij);
    }
  }
  return t;
}

// Straight insertion over a(i..j). A value moves down while the value below it is greater;
// it may pass below i (the values there are normally no greater), never below position 1.
void insertion(const Column& a, int i, int j) {
  for (int p = i; p < j; ++p) {
    const float t = a(p + 1);
    if (t >= a(p)) continue;
    int q = p;
    a(q + 1) = a(q);
    --q;
    while (q >= 1 && a(q) > t) {
      a(q + 1) = a(q);
      --q;
    }
    a(q + 1) = t;
  }
}

// The bits of v as an unsigned key that orders as v does (for values other than NaN): negative
// values have their bits inverted, others their sign bit set.
std::uint32_t ordered_key(float v) {
  const auto bits = compat::bit_cast<std::uint32_t>(v);
  return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}

// Ascending least-significant-digit radix sort of the keys, four passes of eight bits.
void radix_sort(float* a, int n) {
  std::vector<std::uint32_t> keys(static_cast<std::size_t>(n));
  std::vector<std::uint32_t> spare(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) keys[static_cast<std::size_t>(i)] = ordered_key(a[i]);
  for (int shift = 0; shift < 32; shift += 8) {
    std::size_t start[257] = {};
    for (const std::uint32_t k : keys) ++start[((k >> shift) & 0xFFu) + 1];
    for (int b = 0; b < 256; ++b) start[b + 1] += start[b];
    for (const std::uint32_t k : keys) spare[start[(k >> shift) & 0xFFu]++] = k;
    keys.swap(spare);
  }
  for (int i = 0; i < n; ++i) {
    const std::uint32_t k = keys[static_cast<std::size_t>(i)];
    a[i] = compat::bit_cast<float>((k & 0x80000000u) != 0 ? k & 0x7FFFFFFFu : ~k);
  }
}

}  // namespace

void sort_replicates(float* a, int n) {
  bool plain = true;  // no NaN and no -0.0
  for (int i = 0; i < n && plain; ++i) {
    plain = a[i] == a[i] && compat::bit_cast<std::uint32_t>(a[i]) != 0x80000000u;
  }
  if (plain) {
    radix_sort(a, n);
  } else {
    sort_replicates_by_partition(a, n);
  }
}

void sort_replicates_by_partition(float* base, int n) {
  assert(n <= 10000 && "sort_replicates: more values than the replicate table holds");
  const Column a{base};
  int deferred_lower[kStackSize];  // the ranges waiting, lower and upper ends
  int deferred_upper[kStackSize];
  int depth = 0;
  int i = 1;
  int j = n;
  Step step = Step::kRangeTest;
  for (;;) {
    switch (step) {
      case Step::kRangeTest:
        step = (i >= j) ? Step::kNextRange : Step::kPartition;
        break;

      case Step::kPartition: {
        int k = i;
        const int ij = (i + j) / 2;
        const float t = median_of_three(a, i, ij, j);
        int l = j;
        for (;;) {
          // a(i) > t and a(j) < t are both false after the median of three, so the scans stop
          // inside i..j.
          do {
            --l;
            assert(l >= i);
          } while (a(l) > t);
          const float tt = a(l);
          do {
            ++k;
            assert(k <= j);
          } while (a(k) < t);
          if (k > l) break;
          a(l) = a(k);
          a(k) = tt;
        }
        assert(depth < kStackSize);
        if (l - i > j - k) {
          deferred_lower[depth] = i;
          deferred_upper[depth] = l;
          i = k;
        } else {
          deferred_lower[depth] = k;
          deferred_upper[depth] = j;
          j = l;
        }
        ++depth;
        step = Step::kSizeTest;
        break;
      }

      case Step::kSizeTest:
        if (j - i > kInsertionSpan) {
          step = Step::kPartition;
        } else if (i == 1) {
          // A short range at the very start has no smaller value below it to stop the
          // insertion scan, so it is partitioned further instead.
          step = Step::kRangeTest;
        } else {
          insertion(a, i, j);
          step = Step::kNextRange;
        }
        break;

      case Step::kNextRange:
        if (depth == 0) return;
        --depth;
        i = deferred_lower[depth];
        j = deferred_upper[depth];
        step = Step::kSizeTest;
        break;
    }
  }
}

}  // namespace kelvaro

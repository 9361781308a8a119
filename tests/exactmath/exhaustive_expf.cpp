// Checks expf against MPFR for every float argument in its non-trivial range: every finite x
// with 2^-30 <= |x| <= 104 (beyond -103.98 the result is 0, beyond 88.73 infinity, and within
// 2^-25 of zero it is 1: the unit test checks those thresholds). Not run by CTest: about ten
// minutes; `make exhaustive` runs it. Prints the count, the mismatches (none expected) and exits
// with status 1 if there were any.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "exactmath/expf.h"
#include "exactmath/mpfr_reference.h"

int main() {
  std::uint64_t checked = 0;
  std::uint64_t wrong = 0;
  for (std::uint32_t sign : {0U, 0x80000000U}) {
    // Non-negative floats are ordered as their bit patterns: walk from 2^-30 up to 104.
    const std::uint32_t first = std::bit_cast<std::uint32_t>(0x1p-30f);
    const std::uint32_t last = std::bit_cast<std::uint32_t>(104.0f);
    for (std::uint32_t bits = first; bits <= last; ++bits) {
      const float x = std::bit_cast<float>(bits | sign);
      const float got = kelvaro::exactmath::expf(x);
      const float want = kelvaro::testing::reference_expf(x);
      ++checked;
      if (std::bit_cast<std::uint32_t>(got) != std::bit_cast<std::uint32_t>(want)) {
        if (++wrong <= 20) std::printf("expf(%a) = %a, want %a\n", x, got, want);
      }
      if ((bits & 0x3fffff) == 0) {
        std::fprintf(stderr, "\r%s%a ...", sign ? "-" : "", std::fabs(x));
      }
    }
  }
  std::printf("\nexpf: %llu arguments checked, %llu wrong\n",
              static_cast<unsigned long long>(checked), static_cast<unsigned long long>(wrong));
  return wrong == 0 ? 0 : 1;
}

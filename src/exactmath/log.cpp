// Fast path after Tang's table-driven method: x = 2^e m with m in [0.75, 1.5), c = j/128 the
// nearest multiple of 1/128 to m and inv a 26-bit approximation of 1/c; then
// log x = e ln2 - log(inv) + log(1 + z), z = m inv - 1 computed exactly, |z| < 2^-7.57, and
// log(1 + z) from its Taylor polynomial; about 2^-67.3 relative error, proven below. When the
// result is too close to a rounding boundary for that bound, the accurate phase decides.
#include "exactmath/log.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "exactmath/accurate.h"
#include "exactmath/error_free.h"
#include "exactmath/rounding_check.h"
#include "exactmath/tables.h"
#include "kelvaro/compat.h"

namespace kelvaro::exactmath {

namespace {

constexpr std::uint64_t kFractionMask = 0x000fffffffffffffULL;
// The bound given to the rounding test, relative: the proven 2^-67.3 (see below) plus more than
// the 2^-104 of slack the test needs.
constexpr double kRelativeBound = 0x1p-66;
// 2^54, to bring a subnormal argument into the normal range.
constexpr double kSubnormalScale = 0x1p54;

}  // namespace

double log(double x) {
  if (std::isnan(x)) return x + x;
  if (x < 0.0) return std::numeric_limits<double>::quiet_NaN();
  if (x == 0.0) return -HUGE_VAL;
  if (x == HUGE_VAL) return x;
  if (x == 1.0) return 0.0;

  // x = 2^e (1 + f), f the 52-bit fraction field; subnormals are scaled up by 2^54 first.
  int e = 0;
  std::uint64_t bits = compat::bit_cast<std::uint64_t>(x);
  if ((bits >> 52) == 0) {
    bits = compat::bit_cast<std::uint64_t>(x * kSubnormalScale);
    e = -54;
  }
  e += static_cast<int>(bits >> 52) - 1023;
  const std::uint64_t fraction = bits & kFractionMask;

  // m = 1 + f in [1, 1.5), or (1 + f)/2 in [0.75, 1) with e + 1; j = round(128 m) in 96..192.
  int j = 0;
  std::uint64_t m_bits = 0;
  if (fraction < (1ULL << 51)) {
    j = 128 + static_cast<int>(((fraction >> 44) + 1) >> 1);
    m_bits = (1023ULL << 52) | fraction;
  } else {
    j = 64 + static_cast<int>(((fraction >> 45) + 1) >> 1);
    m_bits = (1022ULL << 52) | fraction;
    e += 1;
  }
  const tables::LogEntry& entry = tables::kLog[j - 96];

  // z = m inv - 1 exactly as zh + zl: m = mh + ml with mh its leading 26 bits; mh inv (52 bits)
  // and ml inv (53 bits) are exact, mh inv - 1 is exact by Sterbenz (mh inv within 2^-7 of 1).
  // |m - c| <= 1/256, c >= 0.75 and inv within 2^-26 relative of 1/c give |z| < 1/192 + 2^-25
  // < 2^-7.57; |z| <= 2^-8 and zl = 0 when j = 128 (inv = 1).
  const double m = compat::bit_cast<double>(m_bits);
  const double mh = compat::bit_cast<double>(m_bits & ~((1ULL << 27) - 1));
  const double ml = m - mh;
  const DoubleSum z = two_sum(mh * entry.inv - 1.0, ml * entry.inv);
  const double zh = z.hi;
  const double zl = z.lo;

  // log(1 + z) = z - z^2/2 + zh^3 P(zh) + zh^2 zl + (the rest): z^2/2 = zh^2/2 + zh zl + ...
  // with zh^2 exact by Dekker's product; P the Taylor polynomial up to degree 9 (the rest below
  // |z|^10/10 and 2^-53 |z|^4: 2^-79 absolute, 2^-71 relative to the result).
  const DoubleSum square = two_prod(zh, zh);
  const DoubleSum u = two_sum(zh, -0.5 * square.hi);
  const double cubic =
      zh * square.hi *
      (1.0 / 3.0 +
       zh * (-0.25 +
             zh * (0.2 + zh * (-1.0 / 6.0 + zh * (1.0 / 7.0 + zh * (-0.125 + zh * (1.0 / 9.0)))))));

  // e ln2 - log(inv) = e L2h + hi + (e L2l + lo): e L2h is exact (|e| < 2^11, L2h of 42 bits).
  const auto ef = static_cast<double>(e);
  const DoubleSum h = two_sum(ef * tables::kLogLn2Hi, entry.neg_log_hi);
  const DoubleSum s = two_sum(h.hi, u.hi);
  const double small = (((((s.lo + u.lo) + h.lo) + zl) - 0.5 * square.lo) - zh * zl) +
                       (zh * zh * zl + (ef * tables::kLogLn2Lo + entry.neg_log_lo));
  const DoubleSum y = fast_two_sum(s.hi, small + cubic);
  // Error bound, relative to |log x|, which is at least 2^-8.03 unless e = 0 and j = 128, where
  // log x ~ z: the cubic term (below |z|^3/3 <= 2^-16 |log x|) has a relative error of 6 2^-53
  // (2^-68); adding it to `small` (below 2^-50 |log x|) rounds by 2^-70.5; the series' rest
  // 2^-71; the ln2 split and the table, 2^-84. Together below 2^-67.3.

  if (rounds_to_hi(y.hi, y.lo, std::fabs(y.hi) * kRelativeBound)) return y.hi;
  return accurate_log(x);
}

}  // namespace kelvaro::exactmath

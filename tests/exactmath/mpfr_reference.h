#pragma once
// Correctly rounded references from GNU MPFR: exp and log rounded to nearest double, exp to
// nearest float, with the formats' subnormal ranges (MPFR's exponent range is set per call).

#include <mpfr.h>

namespace kelvaro::testing {

// f(x) rounded to nearest in a format of `precision` bits whose least subnormal is 2^emin_sub.
inline double mpfr_reference(int (*f)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t), double x, int precision,
                             int emin_sub, int emax) {
  // MPFR's significands lie in [1/2, 1): the least subnormal 2^emin_sub has MPFR exponent
  // emin_sub + 1, and the largest finite number 2^emax (1 - 2^-precision) exponent emax.
  mpfr_set_emin(emin_sub + 1);
  mpfr_set_emax(emax);
  mpfr_t y;
  mpfr_init2(y, precision);
  mpfr_t xx;
  mpfr_init2(xx, 53);
  mpfr_set_d(xx, x, MPFR_RNDN);  // exact: x has at most 53 bits
  const int inexact = f(y, xx, MPFR_RNDN);
  mpfr_subnormalize(y, inexact, MPFR_RNDN);
  const double r = mpfr_get_d(y, MPFR_RNDN);
  mpfr_clear(y);
  mpfr_clear(xx);
  mpfr_set_emin(mpfr_get_emin_min());
  mpfr_set_emax(mpfr_get_emax_max());
  return r;
}

inline double reference_exp(double x) { return mpfr_reference(mpfr_exp, x, 53, -1074, 1024); }
inline double reference_log(double x) { return mpfr_reference(mpfr_log, x, 53, -1074, 1024); }
inline float reference_expf(float x) {
  return static_cast<float>(mpfr_reference(mpfr_exp, x, 24, -149, 128));
}

}  // namespace kelvaro::testing

// Jackknife coefficient table.
//
// Evaluation order, every operation a single-precision product, quotient, sum or difference,
// rounded as it is formed:
//   T1..T5 = T-1 .. T-5;  TT = T*T;  TTT = TT*T;
//   D2 = T*T1;  D3 = T2*D2;  D4 = D3*T3;  D5 = D4*T4;
//   powers of y by square-and-multiply: y^2 = y*y, y^3 = y*(y*y), y^4 = (y*y)*(y*y),
//   y^5 = y*((y*y)*(y*y));
//   polynomials left to right with each term's product first, e.g.
//   3T^2 - 15T + 19 = ((3*TT) - (15*T)) + 19 and
//   4T^3 - 42T^2 + 148T - 175 = (((4*TTT) - (42*TT)) + (148*T)) - 175;
//   a coefficient is 1 plus or minus (numerator / denominator), the quotient rounded first.
#include "jackknife/coefficients.h"

namespace kelvaro {

namespace {

constexpr int kOrders = 5;
constexpr int kTableClasses = kLastTableClass;

float square(float y) { return y * y; }
float cube(float y) { return y * (y * y); }
float fourth(float y) { return (y * y) * (y * y); }
float fifth(float y) { return y * ((y * y) * (y * y)); }

void set_row(CoefficientTable& a, int k, float a1, float a2, float a3, float a4, float a5) {
  a(k, 1) = a1;
  a(k, 2) = a2;
  a(k, 3) = a3;
  a(k, 4) = a4;
  a(k, 5) = a5;
}

void store_limits(CoefficientTable& a) {
  set_row(a, 1, 2.0f, 1.0f, 1.0f, 1.0f, 1.0f);
  set_row(a, 2, 3.0f, 0.0f, 1.0f, 1.0f, 1.0f);
  set_row(a, 3, 4.0f, -2.0f, 2.0f, 1.0f, 1.0f);
  set_row(a, 4, 5.0f, -5.0f, 5.0f, 0.0f, 1.0f);
  set_row(a, 5, 6.0f, -9.0f, 11.0f, -4.0f, 2.0f);
}

}  // namespace

void fill_coefficients(CoefficientTable& a, std::int32_t t) {
  for (int j = 1; j <= kTableClasses; ++j) {
    for (int k = 1; k <= kOrders; ++k) a(k, j) = 1.0f;
  }
  if (t == kLastTableClass) {
    store_limits(a);
    return;
  }
  if (t < 1) return;

  const float T = static_cast<float>(t);
  const float T1 = T - 1.0f;
  const float T2 = T - 2.0f;
  const float T3 = T - 3.0f;
  const float T4 = T - 4.0f;
  const float T5 = T - 5.0f;
  const float TT = T * T;
  const float TTT = TT * T;
  const float D2 = T * T1;
  const float D3 = T2 * D2;
  const float D4 = D3 * T3;
  const float D5 = D4 * T4;

  a(1, 1) = 1.0f + T1 / T;
  if (t == 1) return;

  a(2, 1) = 1.0f + ((2.0f * T) - 3.0f) / T;
  a(2, 2) = 1.0f - square(T2) / D2;
  if (t == 2) return;

  a(3, 1) = 1.0f + (3.0f * T2) / T;
  a(3, 2) = 1.0f - (((3.0f * TT) - (15.0f * T)) + 19.0f) / D2;
  a(3, 3) = 1.0f + cube(T3) / D3;
  if (t == 3) return;

  a(4, 1) = 1.0f + ((4.0f * T) - 10.0f) / T;
  a(4, 2) = 1.0f - (((6.0f * TT) - (36.0f * T)) + 55.0f) / D2;
  a(4, 3) = 1.0f + ((((4.0f * TTT) - (42.0f * TT)) + (148.0f * T)) - 175.0f) / D3;
  a(4, 4) = 1.0f - fourth(T4) / D4;
  if (t == 4) return;

  a(5, 1) = 1.0f + ((5.0f * T) - 15.0f) / T;
  a(5, 2) = 1.0f - (((10.0f * TT) - (70.0f * T)) + 125.0f) / D2;
  a(5, 3) = 1.0f + ((((10.0f * TTT) - (120.0f * TT)) + (485.0f * T)) - 660.0f) / D3;
  a(5, 4) = 1.0f - (fifth(T4) - fifth(T5)) / D4;
  a(5, 5) = 1.0f + fifth(T5) / D5;
}

}  // namespace kelvaro

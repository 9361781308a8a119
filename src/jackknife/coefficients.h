#pragma once
// Jackknife coefficients a(k, j) of orders k = 1..5 for t occasions: the order-k estimate is
// N(k) = sum over j of a(k, j) f(j). Every coefficient of a class above the order is 1, so an
// animal seen more than k times counts once.
//
//   t = 2:  a(1,1) = 1.5, a(2,1) = 1.5, a(2,2) = 1.0; orders 3..5 all 1.0
//   t = 5:  a(5,4) = 1 - 1/120, a(5,5) = 1.0
//   t = 31: the limiting table (t without bound), e.g. a(1,1) = 2.0, a(5,3) = 11.0

#include <algorithm>
#include <cstdint>

#include "numeric/one_based.h"

namespace kelvaro {

// Classes above 31 share the coefficients of class 31. A t of exactly 31 stands for "a great many
// occasions": the table then holds the limits of the coefficients as t grows without bound.
inline constexpr std::int32_t kLastTableClass = 31;

// Only classes 1..5 have coefficients other than 1 (for any t); from class 6 on every order's
// coefficient is 1.
inline constexpr std::int32_t kCorrectedClasses = 5;

// The table column that class j reads: min(j, 31).
inline std::int32_t table_column(std::int32_t j) { return std::min(j, kLastTableClass); }

// coef(k, j), k = 1..5, j = 1..31 (classes above 31 read column 31, whatever t is).
using CoefficientTable = Array2<float, 5, kLastTableClass>;

// Fills the table for t occasions: 1.0 everywhere, then the corrections of classes 1..5 for
// orders 1..min(t, 5) in single precision with T = real(t) (the limiting table when t = 31).
// A t below 1 leaves the whole table at 1.0.
// Requires: nothing; any t is accepted.
void fill_coefficients(CoefficientTable& coef, std::int32_t t);

}  // namespace kelvaro

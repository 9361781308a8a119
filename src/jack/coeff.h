#pragma once
// Jackknife coefficients a(k, j) of orders k = 1..5 for the current number of occasions t:
// the order-k estimate is N(k) = sum over j of a(k, j) f(j). Every coefficient of a class above
// the order is 1, so an animal seen more than k times counts once.
//
//   t = 2:  a(1,1) = 1.5, a(2,1) = 1.5, a(2,2) = 1.0; orders 3..5 all 1.0
//   t = 5:  a(5,4) = 1 - 1/120, a(5,5) = 1.0
//   t = 31: the limiting table (t without bound), e.g. a(1,1) = 2.0, a(5,3) = 11.0

namespace kelvaro {

// Makes work02.coef(1..5, 1..101) the table of the current t: 1.0 everywhere, then the
// corrections of classes 1..5 for orders 1..min(t, 5) in single precision (the limiting table when
// t = 31). Reads minsuf.ntrap (which orders, and t = 31) and minsuf.treal (the T of the formulas);
// a t below 1 leaves the whole table at 1.0. The table depends on these two alone, so it is
// rebuilt only when either differs from the last call's, after reset_coeff_cache(), or when
// work02 has been cleared since (coef(5, 101), 1.0 in every table, reads 0); otherwise the table
// already in work02.coef is the one wanted.
// Requires: nothing but coeff writes work02.coef; readj keeps treal == real(ntrap).
void coeff();

// Forgets the table kept in work02.coef, so that the next coeff() rebuilds it. Called at the
// start of every run. No shared storage.
void reset_coeff_cache();

}  // namespace kelvaro

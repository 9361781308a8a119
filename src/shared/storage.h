#pragma once
// The shared storage areas of a run: plain structs, one static instance each, zero at start.
// Routines exchange data through them instead of through return values. reset_storage() puts
// every area back to zero, as at program start (the run's entry point calls it).

#include <cstdint>

#include "shared/array.h"

namespace kelvaro {

// The block in hand.
struct Work01 {
  Array1<float, 100> x;  // frequency vector f(1..t); with the pair, f'(1..t+1) right behind it
  std::int32_t t;        // number of frequency classes (driver, compn)
  float est;             // jackknife estimate (jack; rounded in place by compn)
  float se;              // its standard error (jack)
};

// The jackknife's tables, used only inside the estimator.
struct Work02 {
  Array2<float, 5, 101> coef;  // coef(k, j): coefficient of f(j) in the order-k estimate (coeff)
  Array1<float, 5> nk;         // N(k) (jack)
  Array1<float, 5> sek;        // SE(k) (jack)
  Array1<float, 5> chisq;      // statistic of the test of N(k+1) against N(k) (jack)
  bool weights_unbalanced;     // a skipped test (zero variance) left weights not summing to 1
  bool fell_back;              // the estimate fell back on N(1) as ill-conditioned (interp)
};

// Results carried across blocks.
struct Work03 {
  Array1<std::int32_t, 4> nobs;    // R, species observed per block (driver)
  Array1<float, 4> nest;           // unrounded estimate per block (compn)
  Array1<std::int32_t, 100> nsite;  // the block's n(i) (driver)
  Array1<std::int32_t, 100> fint;   // the block's f(i) truncated to integers (driver)
};

// The bootstrap store: row = replicate.
struct Work04 {
  Array2<float, 10000, 12> boot;          // cols 1-4 block estimates (compn), 5-12 parameters (compavg)
  Array2<std::int32_t, 10000, 2> nobsb;   // species detected per replicate of Samples 1 and 2 (compn)
};

// The jackknife's prepared data, written only by readj.
struct Minsuf {
  Array1<std::int32_t, 100> f;  // f(i) = trunc(x(i)), 0 above t
  Array1<std::int32_t, 101> M;  // all 0 but M(t+1) = f(1) + ... + f(t)
  std::int32_t ntrap;           // t; the driver hands it to testp
  float treal;                  // real(t)
  float mreal;                  // real(M(t+1))
};

extern Work01 work01;
extern Work02 work02;
extern Work03 work03;
extern Work04 work04;
extern Minsuf minsuf;

// Zero every shared storage area.
void reset_storage();

}  // namespace kelvaro

// Checks exp, log and expf against MPFR on a few million random arguments of the kinds the
// program uses (seeded, so every run checks the same ones). Not run by CTest; `make exhaustive`
// runs it. Prints one line per kind and exits with status 1 on any mismatch.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>

#include "exactmath/exp.h"
#include "exactmath/expf.h"
#include "exactmath/log.h"
#include "exactmath/mpfr_reference.h"

namespace {

using kelvaro::testing::reference_exp;
using kelvaro::testing::reference_expf;
using kelvaro::testing::reference_log;

constexpr int kPerKind = 1000000;
std::mt19937_64 generator(20261207);

double uniform(double low, double high) {
  return std::uniform_real_distribution<double>(low, high)(generator);
}

// Counts and prints the mismatches of one kind of argument.
template <typename Draw, typename Mine, typename Reference>
int check(const char* kind, Draw draw, Mine mine, Reference reference) {
  int wrong = 0;
  for (int i = 0; i < kPerKind; ++i) {
    const auto x = draw();
    const auto got = mine(x);
    const auto want = reference(x);
    if (!(got == want || (std::isnan(got) && std::isnan(want)))) {
      if (++wrong <= 10) std::printf("  %s: f(%a) = %a, want %a\n", kind, x, got, want);
    }
  }
  std::printf("%-44s %d arguments, %d wrong\n", kind, kPerKind, wrong);
  return wrong;
}

}  // namespace

int main() {
  namespace em = kelvaro::exactmath;
  const auto exp = [](double x) { return em::exp(x); };
  const auto log = [](double x) { return em::log(x); };
  int wrong = 0;
  wrong += check(
      "exp(-lambda/2), lambda in [0, 700]", [] { return -uniform(0.0, 700.0) / 2.0; }, exp,
      reference_exp);
  wrong += check(
      "exp(w), w in [-88, 88]", [] { return uniform(-88.0, 88.0); }, exp, reference_exp);
  wrong += check(
      "exp(-z^2/2), z in [0, 38]",
      [] {
        const double z = uniform(0.0, 38.0);
        return -z * z / 2.0;
      },
      exp, reference_exp);
  wrong += check(
      "exp over [-746, 710]", [] { return uniform(-746.0, 710.0); }, exp, reference_exp);
  wrong += check(
      "log(h), h = x/2 in (0, 50]", [] { return uniform(0.0, 100.0) / 2.0; }, log, reference_log);
  wrong += check(
      "log of series sums / Gamma, 2^-110..2^100",
      [] { return std::ldexp(1.0 + uniform(0.0, 1.0), static_cast<int>(uniform(-110, 100))); }, log,
      reference_log);
  wrong += check(
      "log near 1, 1 + [-2^-10, 2^-10]", [] { return 1.0 + uniform(-0x1p-10, 0x1p-10); }, log,
      reference_log);
  wrong += check(
      "log of every kind of positive double",
      [] { return std::bit_cast<double>(generator() % 0x7ff0000000000000ULL); }, log,
      reference_log);
  wrong += check(
      "expf(-m), m in [0, 104]", [] { return -static_cast<float>(uniform(0.0, 104.0)); },
      [](float x) { return em::expf(x); }, reference_expf);
  return wrong == 0 ? 0 : 1;
}

// Power of the chi-square test against a non-central alternative.
#include "jack/cpower.h"

#include <cmath>
#include <cstdint>

#include "exactmath/exp.h"
#include "probability/cdtr.h"

namespace kelvaro {

namespace {
// 3.8416 = 1.96^2, the 5 percent point of chi-square with 1 d.f.
constexpr double kCritical = 3.8416;
// The Poisson weights are summed until they cover all but 1e-5 of the total.
constexpr double kCovered = 0.99999;
// exp(-350) is still far from underflow; beyond this non-centrality the power is taken as 1.
constexpr double kCertain = 700.0;
// cdtr gives -1.0e25 for an invalid argument; any p below this is a failure.
constexpr double kFailed = -0.9;

// The terms' probabilities F(n) = cdtr(3.8416, n), n = 1, 3, 5, ..., depend on n alone, so they are
// worked out once, by cdtr itself, as the sums first reach them: entry i holds F(2i + 1), entry 0
// as cdtr returns it and the others rounded to single precision, as the sum uses them. Terms past
// the table (lambda below 700 needs about 450) call cdtr directly.
constexpr std::int32_t kTabulatedTerms = 4096;
double tabulated[kTabulatedTerms];
std::int32_t tabulated_count = 0;  // entries 0 .. tabulated_count - 1 are filled

double fresh_term_probability(std::int32_t i) {
  double p = 0.0;
  std::int32_t status = 0;
  cdtr(kCritical, 2 * i + 1, p, status);
  return i == 0 ? p : static_cast<double>(static_cast<float>(p));
}

// Fills the table up to entry i (when i is inside it) and returns F(2i + 1).
double extend_table(std::int32_t i) {
  if (i >= kTabulatedTerms) return fresh_term_probability(i);
  while (tabulated_count <= i) {
    tabulated[tabulated_count] = fresh_term_probability(tabulated_count);
    ++tabulated_count;
  }
  return tabulated[i];
}

// F(2i + 1) as the sum uses it. Requires: i >= 0.
inline double term_probability(std::int32_t i) {
  return i < tabulated_count ? tabulated[i] : extend_table(i);
}
}  // namespace

void reset_cpower_terms() {
  for (double& p : tabulated) p = 0.0;
  tabulated_count = 0;
}

void cpower(float level, double lambda, float& power) {
  power = -1.0f;
  if (level < 0.0f || level > 1.0f || lambda < 0.0) return;

  double e = 1.0;  // Poisson(0; lambda/2)
  if (lambda > 0.0) {
    if (!(lambda < kCertain)) {
      power = 1.0f;
      return;
    }
    e = exactmath::exp(-lambda / 2.0);
  }

  double p = term_probability(0);
  if (p < kFailed) {
    power = -2.0f;
    return;
  }
  float sum = static_cast<float>(e * p);  // accumulated here, stored into power at the end
  double s = e;

  if (s < kCovered) {
    double i = 1.0;
    std::int32_t term = 0;  // the term's index: its degrees of freedom are 2 * term + 1
    do {
      e = ((lambda / 2.0) * e) / i;  // Poisson(i; lambda/2) from Poisson(i-1; lambda/2)
      s = s + e;
      term = term + 1;
      i = i + 1.0;
      p = term_probability(term);
      if (p < kFailed) {
        power = -2.0f;
        return;
      }
      sum = sum + static_cast<float>(e * p);
    } while (!(s > kCovered));
  }
  power = 1.0f - sum;
}

}  // namespace kelvaro

#include "compn/bootstrap.h"

#include <array>
#include <cassert>

#include "compn/binoml.h"
#include "jack/readj.h"
#include "ran/kiss.h"
#include "shared/numeric.h"
#include "shared/storage.h"
#include "textio/report.h"

namespace kelvaro {

std::int32_t draw_class(const float* c, std::int32_t t, float u) {
  // The comparison is strict: a draw equal to c(k) stays in class k.
  for (std::int32_t k = t; k >= 1; --k) {
    if (u > c[k - 1]) return k + 1;
  }
  return 1;
}

namespace {

// One record of the detail listing: counts of classes 1..7 (whatever t is), their sum over
// classes 1..6, and the replicate estimate.
void print_replicate(float estimate) {
  auto& x = work01.x;
  std::int32_t sum = 0;
  for (int i = 1; i <= 6; ++i) sum = wrap_add(sum, trunc_to_int(x(i)));
  textio::write_formatted("(1x,8i6,f12.4)",
                          {trunc_to_int(x(1)), trunc_to_int(x(2)), trunc_to_int(x(3)),
                           trunc_to_int(x(4)), trunc_to_int(x(5)), trunc_to_int(x(6)),
                           trunc_to_int(x(7)), sum, estimate});
}

}  // namespace

void bootstrap(std::int32_t nreps, std::int32_t block) {
  auto& x = work01.x;
  const std::int32_t t = work01.t;
  assert(t >= 1 && t <= 98 && "bootstrap needs 1 <= t <= 98");
  const std::int32_t nb = wrap_abs(nreps);
  assert(nb >= 0 && nb <= 10000 && "at most 10000 replicates");
  const float e = work01.est;
  std::int32_t n = trunc_to_int(e + 0.5f);

  // Subsets: the community size is a binomial draw over the parent sample's observed species.
  std::int32_t r0 = 0;
  float q = 0.0f;
  if (block >= 3) {
    r0 = work03.nobs(block == 3 ? 1 : 2);
    q = e / static_cast<float>(r0);
  }

  // Cumulative class probabilities; class t+1 (not detected) takes what is left.
  Array1<float, 100> c{};
  c(1) = x(1) / e;
  for (std::int32_t i = 2; i <= t; ++i) c(i) = c(i - 1) + x(i) / e;

  Array1<float, 100> a{};  // accumulated replicate frequencies
  if (nreps < 0) textio::write_list({"  "});

  for (std::int32_t iteration = 1; iteration <= nb; ++iteration) {
    for (std::int32_t i = 1; i <= t + 2; ++i) x(i) = 0.0f;
    if (block >= 3) {
      n = binoml(r0, q);
      if (n > r0) n = r0;
    }
    for (std::int32_t s = 1; s <= n; ++s) {
      float u = 0.0f;
      random_r4(u);
      x(draw_class(c.data(), t, u)) += 1.0f;
    }
    for (std::int32_t i = 1; i <= t; ++i) a(i) = a(i) + x(i);
    if (block <= 2) {
      work04.nobsb(iteration, block) = trunc_to_int(static_cast<float>(n) - x(t + 1));
    }
    x(t + 1) = 0.0f;
    readj();
    work04.boot(iteration, block) = work01.est;
    if (nreps < 0) print_replicate(work01.est);
  }

  if (nreps < 0) {
    textio::write_list({" "});
    const float fnb = static_cast<float>(nb);
    textio::write_formatted("(6f9.2)", {a(1) / fnb, a(2) / fnb, a(3) / fnb, a(4) / fnb,
                                        a(5) / fnb, a(6) / fnb});
  }
}

}  // namespace kelvaro

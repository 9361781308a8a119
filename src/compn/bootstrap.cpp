#include "compn/bootstrap.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <limits>

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

// The first slice whose lower end s / kClassIndexSlices exceeds v (kClassIndexSlices when none
// does): the smallest whole s above v * kClassIndexSlices, which is exact, a power of two.
std::int32_t first_slice_above(float v) {
  const float scaled = v * static_cast<float>(kClassIndexSlices);
  if (!(scaled < static_cast<float>(kClassIndexSlices))) return kClassIndexSlices;
  if (scaled < 0.0f) return 0;
  return static_cast<std::int32_t>(scaled) + 1;  // truncation is floor here: 0 <= scaled
}

}  // namespace

void build_class_index(ClassIndex& index, const float* c, std::int32_t t) {
  assert(t >= 1 && t <= kClassIndexMaxClasses && "class index needs 1 <= t <= 254");
  index.t = t;
  for (std::int32_t k = 1; k <= t; ++k) index.bound[k - 1] = c[k - 1];
  index.bound[t] = std::numeric_limits<float>::infinity();
  // Non-decreasing and free of NaN: -inf <= c(1) <= c(2) <= ... <= c(t), every comparison true.
  index.non_decreasing = true;
  float previous = -std::numeric_limits<float>::infinity();
  for (std::int32_t k = 1; k <= t; ++k) {
    if (!(previous <= c[k - 1])) index.non_decreasing = false;
    previous = c[k - 1];
  }
  if (!index.non_decreasing) return;
  // start[s] = k for the slices from the first whose lower end exceeds c(k-1) up to the last
  // whose lower end does not exceed c(k) (none when c(k-1) = c(k)); t + 1 above c(t).
  std::int32_t from = 0;
  for (std::int32_t k = 1; k <= t; ++k) {
    const std::int32_t above = first_slice_above(c[k - 1]);
    for (std::int32_t s = from; s < above; ++s) index.start[s] = static_cast<std::uint8_t>(k);
    from = above;  // never falls, as c does not
  }
  for (std::int32_t s = from; s < kClassIndexSlices; ++s) {
    index.start[s] = static_cast<std::uint8_t>(t + 1);
  }
}

namespace {

thread_local BootstrapObserver* g_observer = nullptr;

// Up to this many classes the draws go straight to the plain rule (measured: no gain below 5).
constexpr std::int32_t kPlainScanClasses = 4;

// Draws the classes of n species, one uniform draw each, and counts them in work01.x. With an
// observer, tells it after every kProgressDraws draws (draws_done counts the block's draws).
template <typename Classify>
void draw_species(std::int32_t n, Classify classify, std::int32_t block, std::int32_t done,
                  double& draws_done) {
  std::int32_t s = 1;
  while (s <= n) {
    const std::int32_t last = g_observer != nullptr && n - s >= kProgressDraws
                                  ? s + (kProgressDraws - 1)
                                  : n;
    for (; s <= last; ++s) {
      float u = 0.0f;
      random_r4(u);
      work01.x(classify(u)) += 1.0f;
    }
    if (g_observer != nullptr && s <= n) {
      g_observer->progress(block, done, draws_done + static_cast<double>(s - 1));
    }
  }
  draws_done += static_cast<double>(n > 0 ? n : 0);
}

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

void set_bootstrap_observer(BootstrapObserver* observer) { g_observer = observer; }

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

  // A table of a few classes is scanned as fast as it is looked up.
  const bool indexed = t > kPlainScanClasses;
  ClassIndex classes;
  if (indexed) build_class_index(classes, c.data(), t);

  Array1<float, 100> a{};  // accumulated replicate frequencies
  if (nreps < 0) textio::write_list({"  "});

  double draws_done = 0.0;
  if (g_observer != nullptr) {
    // A subset's community is binomial with mean about its estimate, at most the parent's count.
    const double community = block >= 3 ? std::min(static_cast<double>(e), static_cast<double>(r0))
                                        : static_cast<double>(n);
    g_observer->started(block, nb, std::max(community, 0.0) * static_cast<double>(nb));
  }

  for (std::int32_t iteration = 1; iteration <= nb; ++iteration) {
    for (std::int32_t i = 1; i <= t + 2; ++i) x(i) = 0.0f;
    if (block >= 3) {
      n = binoml(r0, q);
      if (n > r0) n = r0;
    }
    if (indexed) {
      draw_species(n, [&classes](float u) { return find_class(classes, u); }, block,
                   iteration - 1, draws_done);
    } else {
      draw_species(n, [&c, t](float u) { return draw_class(c.data(), t, u); }, block,
                   iteration - 1, draws_done);
    }
    for (std::int32_t i = 1; i <= t; ++i) a(i) = a(i) + x(i);
    if (block <= 2) {
      work04.nobsb(iteration, block) = trunc_to_int(static_cast<float>(n) - x(t + 1));
    }
    x(t + 1) = 0.0f;
    readj();
    work04.boot(iteration, block) = work01.est;
    if (nreps < 0) print_replicate(work01.est);
    if (g_observer != nullptr) g_observer->progress(block, iteration, draws_done);
  }
  if (g_observer != nullptr) g_observer->finished(block);

  if (nreps < 0) {
    textio::write_list({" "});
    const float fnb = static_cast<float>(nb);
    textio::write_formatted("(6f9.2)", {a(1) / fnb, a(2) / fnb, a(3) / fnb, a(4) / fnb,
                                        a(5) / fnb, a(6) / fnb});
  }
}

}  // namespace kelvaro

#include "bootstrap/replicates.h"

#include <algorithm>
#include <cassert>

#include "bootstrap/binomial.h"
#include "bootstrap/class_index.h"
#include "numeric/conversions.h"
#include "numeric/one_based.h"

namespace kelvaro {

namespace {

// Up to this many classes the draws go straight to the plain rule (measured: no gain below 5).
constexpr std::int32_t kPlainScanClasses = 4;

// Draws the classes of n species, one uniform draw each, and counts them in x. With an observer,
// tells it after every kProgressDraws draws (draws_done counts the block's draws).
template <typename Classify>
void draw_species(std::int32_t n, Classify classify, Array1<float, 100>& x,
                  UniformGenerator& generator, Observer* observer, std::int32_t block,
                  std::int32_t done, double& draws_done) {
  std::int32_t s = 1;
  while (s <= n) {
    const std::int32_t last =
        observer != nullptr && n - s >= kProgressDraws ? s + (kProgressDraws - 1) : n;
    for (; s <= last; ++s) x(classify(generator.draw())) += 1.0f;
    if (observer != nullptr && s <= n) {
      observer->bootstrap_progress(block, done, draws_done + static_cast<double>(s - 1));
    }
  }
  draws_done += static_cast<double>(n > 0 ? n : 0);
}

// A line of the detail listing: slots 1..7 (above t+2 the vector's earlier contents), the sum of
// slots 1..6 and the replicate estimate.
ReplicateDetail detail_row(const Array1<float, 100>& x, float estimate) {
  ReplicateDetail d{};
  for (int i = 1; i <= 7; ++i) d.counts[static_cast<std::size_t>(i - 1)] = trunc_to_int(x(i));
  d.sum = 0;
  for (int i = 0; i < 6; ++i) d.sum = wrap_add(d.sum, d.counts[static_cast<std::size_t>(i)]);
  d.estimate = estimate;
  return d;
}

}  // namespace

BootstrapResult bootstrap_block(const BootstrapPlan& plan, const float* source,
                                UniformGenerator& generator, JackknifeEstimator& estimator,
                                Observer* observer) {
  const std::int32_t t = plan.t;
  const std::int32_t nb = plan.replicates;
  const std::int32_t block = plan.block;
  assert(t >= 1 && t <= 98 && "bootstrap needs 1 <= t <= 98");
  assert(nb >= 0 && nb <= 10000 && "at most 10000 replicates");
  const float e = plan.estimate;
  std::int32_t n = trunc_to_int(e + 0.5f);

  // The frequency vector as the replicates see it: the block's data, then its counts.
  Array1<float, 100> x{};
  for (std::int32_t i = 1; i <= std::max<std::int32_t>(t, 7); ++i) x(i) = source[i - 1];

  // Subsets: the community size is a binomial draw over the parent sample's observed species.
  const std::int32_t r0 = plan.parent_observed;
  float q = 0.0f;
  if (block >= 3) q = e / static_cast<float>(r0);

  // Cumulative class probabilities; class t+1 (not detected) takes what is left.
  Array1<float, 100> c{};
  c(1) = x(1) / e;
  for (std::int32_t i = 2; i <= t; ++i) c(i) = c(i - 1) + x(i) / e;

  // A table of a few classes is scanned as fast as it is looked up.
  const bool indexed = t > kPlainScanClasses;
  ClassIndex classes;
  if (indexed) build_class_index(classes, c.data(), t);

  BootstrapResult r;
  r.estimates.reserve(static_cast<std::size_t>(nb));
  if (block <= 2) r.detected.reserve(static_cast<std::size_t>(nb));
  Array1<float, 100> a{};  // accumulated replicate frequencies

  double draws_done = 0.0;
  if (observer != nullptr) {
    // A subset's community is binomial with mean about its estimate, at most the parent's count.
    const double community = block >= 3 ? std::min(static_cast<double>(e), static_cast<double>(r0))
                                        : static_cast<double>(n);
    observer->bootstrap_started(block, nb, std::max(community, 0.0) * static_cast<double>(nb));
  }

  for (std::int32_t iteration = 1; iteration <= nb; ++iteration) {
    for (std::int32_t i = 1; i <= t + 2; ++i) x(i) = 0.0f;
    if (block >= 3) {
      n = binomial_count(r0, q, generator);
      if (n > r0) n = r0;
    }
    if (indexed) {
      draw_species(n, [&classes](float u) { return find_class(classes, u); }, x, generator,
                   observer, block, iteration - 1, draws_done);
    } else {
      draw_species(n, [&c, t](float u) { return draw_class(c.data(), t, u); }, x, generator,
                   observer, block, iteration - 1, draws_done);
    }
    for (std::int32_t i = 1; i <= t; ++i) a(i) = a(i) + x(i);
    if (block <= 2) r.detected.push_back(trunc_to_int(static_cast<float>(n) - x(t + 1)));
    x(t + 1) = 0.0f;
    const float estimate = estimator.estimate(x.data(), t).estimate;
    r.estimates.push_back(estimate);
    if (plan.detail) r.detail.push_back(detail_row(x, estimate));
    if (observer != nullptr) observer->bootstrap_progress(block, iteration, draws_done);
  }
  if (observer != nullptr) observer->bootstrap_finished(block);

  const float fnb = static_cast<float>(nb);
  for (std::size_t i = 0; nb > 0 && i < r.mean_frequencies.size(); ++i) {
    r.mean_frequencies[i] = a(static_cast<std::int32_t>(i) + 1) / fnb;
  }
  for (std::int32_t i = 1; i <= t + 2; ++i) r.last_counts[static_cast<std::size_t>(i - 1)] = x(i);
  return r;
}

}  // namespace kelvaro

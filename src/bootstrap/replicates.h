#pragma once
// The parametric bootstrap of one block: the rounded estimate is taken as the community size, each
// species falls into an observed frequency class or the not-detected class with the probabilities
// seen in the data, and every replicate is re-estimated by the jackknife. For the two subsets the
// community size is itself a binomial draw over the species observed in the parent sample.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "jackknife/estimator.h"
#include "kelvaro/kelvaro.h"
#include "kelvaro/ordered_pool.h"
#include "random/uniform_generator.h"

namespace kelvaro {

// The observer hears of a block's progress after every replicate and, within a replicate, after
// every kProgressDraws species draws.
inline constexpr std::int32_t kProgressDraws = 1 << 22;

// Below this many species draws a block's bootstrap stays on one thread (starting threads would
// cost more than they save).
inline constexpr double kThreadedDraws = 1 << 20;

struct BootstrapPlan {
  BlockNumber block = kSample1;      // a sample, or a subset (binomial community)
  std::int32_t t = 1;                // frequency classes
  float estimate = 0.0f;             // the block's rounded estimate E, the community size
  std::int32_t replicates = 0;       // 0..10000
  std::int32_t parent_observed = 0;  // R0, species observed in the parent sample (blocks 3, 4)
  bool detail = false;               // keep each replicate's detail row
  // Threads that may draw replicates at once (1: this thread alone). A block uses them only when
  // it has work enough to gain (kThreadedDraws species draws); the result never depends on them.
  int threads = 1;
  std::int32_t chunk = 0;                  // replicates a thread takes at a time; 0 picks a size
  double threaded_draws = kThreadedDraws;  // the least work (species draws) worth threads
  ThreadFactory thread_factory{};          // empty: start_thread
};

struct BootstrapResult {
  std::vector<float> estimates;             // per replicate, not rounded
  std::vector<std::int32_t> detected;       // per replicate, species detected (blocks 1 and 2 only)
  std::vector<ReplicateDetail> detail;      // when the plan asks for it
  std::array<float, 6> mean_frequencies{};  // a(i) / replicates, classes 1..6 (0 above t; all 0
                                            // without replicates)
  std::vector<float> last_counts;           // x(1..t+2) after the last replicate, x(t+1) = 0
  // Threads that drew the replicates: plan.threads, fewer when some could not be started (the
  // result is the same), 1 when the block stayed on the calling thread.
  int threads_used = 1;
  bool short_of_threads = false;  // threads_used < plan.threads on a block that wanted them
};

// Draws the plan's replicates from the generator: per replicate, for a subset first the binomial
// community size N = min(binomial(R0, E / R0), R0), then one draw per species of the community
// (class j = 1 + the largest k with u > c(k), c(1..t) the cumulative frequencies x(i)/E; class
// t+1 holds the species not detected), then the jackknife of classes 1..t.
// With threads, replicate r's species draws start exactly where the stream stands after the draws
// of the replicates before it (found by jump-ahead; for a subset by a pass that makes each
// binomial draw and jumps over the species draws), so every replicate draws what it draws alone,
// and the results are gathered in replicate order: every single-precision sum keeps its order.
// The generator is left where the sequential bootstrap leaves it.
// x holds the block's frequency vector x(1..); slots t+3..7 of it are only read, for the detail
// rows (which print seven slots whatever t is). The bootstrap's storage grows with t.
// Requires: 1 <= plan.t <= 65534, 0 <= plan.replicates <= 10000,
// x.size() >= max(t, 7).
BootstrapResult bootstrap_block(const BootstrapPlan& plan, std::span<const float> x,
                                UniformGenerator& generator, JackknifeEstimator& estimator,
                                Observer* observer);

}  // namespace kelvaro

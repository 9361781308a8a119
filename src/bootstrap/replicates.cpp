#include "bootstrap/replicates.h"

#include <algorithm>
#include <cassert>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "bootstrap/binomial.h"
#include "bootstrap/class_index.h"
#include "bootstrap/lanes.h"
#include "numeric/conversions.h"
#include "numeric/one_based.h"
#include "random/jump_ahead.h"

namespace kelvaro {

namespace {

// A float counter that is only ever incremented by 1.0f stops at 2^24: 2^24 + 1 rounds back to
// 2^24 (ties to even). So a class count kept as an integer gives the same float as such a counter
// once held to 2^24.
constexpr std::uint32_t kFloatCountLimit = 1u << 24;

// Four banks of class counters, each bank's class j (1..t+1) in bank[j]: species that fall into
// one class one after another go to different banks and do not wait for each other's increment.
// Banks are kNarrowStride counters apart when the classes fit (the stride is then known when
// compiling, and each bank's counters are reached at a fixed offset), t + 2 apart otherwise.
constexpr std::size_t kNarrowStride = 256;
class SpeciesBanks {
 public:
  // Zeroed banks for classes 1..t+1.
  void clear(std::int32_t t) {
    const auto used = static_cast<std::size_t>(t) + 2;
    stride_ = used <= kNarrowStride ? kNarrowStride : used;
    if (counters_.size() < 4 * stride_) counters_.resize(4 * stride_);
    for (int b = 0; b < 4; ++b) std::fill(bank(b), bank(b) + used, 0u);
  }
  std::size_t stride() const { return stride_; }
  std::uint32_t* bank(int b) { return counters_.data() + static_cast<std::size_t>(b) * stride_; }
  // The four banks' count of class j.
  std::uint32_t count(std::int32_t j) const {
    const auto at = static_cast<std::size_t>(j);
    return counters_[at] + counters_[stride_ + at] + counters_[2 * stride_ + at] +
           counters_[3 * stride_ + at];
  }

 private:
  std::size_t stride_ = 0;
  std::vector<std::uint32_t> counters_;
};

// Counts the classes of n species drawn from `words` (one kernel step each) into the banks, whose
// stride is kStride (0: the banks' own).
template <std::size_t kStride>
void count_by_table(std::int64_t n, const ClassIndex& index, KissWords& words,
                    SpeciesBanks& banks) {
  KissWords w = words;  // in registers for the whole loop
  const std::size_t stride = kStride != 0 ? kStride : banks.stride();
  std::uint32_t* const bank = banks.bank(0);
  std::int64_t i = 0;
  for (; i + 4 <= n; i += 4) {
    ++bank[table_class(index, w.next())];
    ++bank[stride + static_cast<std::size_t>(table_class(index, w.next()))];
    ++bank[2 * stride + static_cast<std::size_t>(table_class(index, w.next()))];
    ++bank[3 * stride + static_cast<std::size_t>(table_class(index, w.next()))];
  }
  for (; i < n; ++i) ++bank[table_class(index, w.next())];
  words = w;
}

// Draws the classes of n species into x(1..t+1) (x points at x(1); the caller has zeroed them),
// advancing `words` n steps: by the word table when the cumulative probabilities are
// non-decreasing, else by the plain rule on the float draw. With an observer, tells it after
// every kProgressDraws draws.
void draw_species(std::int32_t n, const ClassIndex& index, KissWords& words, float* x,
                  SpeciesBanks& banks, Observer* observer, BlockNumber block, std::int32_t done,
                  double draws_before) {
  const std::int32_t t = index.t;
  if (!index.non_decreasing) {
    KissWords w = words;
    for (std::int32_t s = 1; s <= n; ++s) {
      x[draw_class(index.bound.data(), t, w.next_uniform()) - 1] += 1.0f;
    }
    words = w;
    return;
  }
  banks.clear(t);
  std::int64_t drawn = 0;
  while (drawn < n) {
    const std::int64_t chunk =
        observer != nullptr ? std::min<std::int64_t>(n - drawn, kProgressDraws) : n - drawn;
    if (banks.stride() == kNarrowStride) {
      count_by_table<kNarrowStride>(chunk, index, words, banks);
    } else {
      count_by_table<0>(chunk, index, words, banks);
    }
    drawn += chunk;
    if (observer != nullptr && drawn < n) {
      observer->bootstrap_progress(block, done, draws_before + static_cast<double>(drawn));
    }
  }
  for (std::int32_t j = 1; j <= t + 1; ++j) {
    x[j - 1] = static_cast<float>(std::min(banks.count(j), kFloatCountLimit));
  }
}

// Whether a sample block's replicates go to the lane kernel: a vector path, the word table, and
// replicates short enough that the observer needs no word within one.
bool lanes_take(Isa isa, const ClassIndex& index, std::int32_t n) {
  return isa != Isa::scalar && index.non_decreasing && index.t + 1 <= kLaneMaxClasses && n >= 0 &&
         n < kProgressDraws;
}

// The class counts x(1..t+1) of a replicate as the lane kernel counted them (row: t+1 counts; x
// points at x(1)).
void counts_to_floats(const std::uint32_t* row, std::int32_t t, float* x) {
  for (std::int32_t j = 1; j <= t + 1; ++j) {
    x[j - 1] = static_cast<float>(std::min(row[j - 1], kFloatCountLimit));
  }
}

// A line of the detail listing: slots 1..7 (above t+2 the vector's earlier contents), the sum of
// slots 1..6 and the replicate estimate.
ReplicateDetail detail_row(const Vector1<float>& x, float estimate) {
  ReplicateDetail d{};
  for (int i = 1; i <= 7; ++i) d.counts[static_cast<std::size_t>(i - 1)] = trunc_to_int(x(i));
  d.sum = 0;
  for (int i = 0; i < 6; ++i) d.sum = wrap_add(d.sum, d.counts[static_cast<std::size_t>(i)]);
  d.estimate = estimate;
  return d;
}

// Where a block's replicates are drawn on the ordered pool: a chunk of consecutive replicates
// per task, in a ring of `window` slots (task k in slot k % window; the pool claims no task
// before the one `window` places earlier is delivered). Claiming a task makes its replicates'
// community sizes and, for a subset, their binomial draws and where each one's species draws
// start (claims come in task order, so the pass over the stream is the sequential one; a
// chunk's binomial draws and jumps take some tens of microseconds under the pool's lock); a
// worker draws the species and works out each replicate's estimate with its own estimator; the
// calling thread gathers the chunk in replicate order.
class ThreadedDraws {
 public:
  struct Source {
    const ClassIndex& index;
    const LaneTable& table;  // filled when the lanes take the block's replicates
    Isa isa;                 // the lane kernel's path
    std::int32_t replicates;
    // Task k draws the replicates first[k] .. first[k + 1] - 1 (first[0] = 0, the last entry is
    // the number of replicates).
    std::vector<std::size_t> first;
    // A sample: every replicate draws `community` species, the first from `origin`. A subset:
    // each draws min(binomial(r0, q), r0) from where the generator stands after the one before.
    bool subset;
    std::int32_t community;
    KissWords origin;
    std::int32_t r0;
    float q;
  };

  // Gathers a delivered chunk, in replicate order: the replicates first + 1 .. first + count,
  // their community sizes, counts x(1..t+1) (rows `stride` apart) and estimates.
  using Gather =
      std::function<void(std::int32_t first, std::size_t count, const std::int32_t* sizes,
                         const float* counts, std::size_t stride, const float* estimates)>;

  ThreadedDraws(const Source& source, std::size_t window)
      : s_(source),
        window_(window),
        capacity_(largest_chunk(source.first)),
        stride_(row_stride(source.index.t)),
        counts_(window * capacity_ * stride_),
        estimates_(window * capacity_),
        sizes_(window * capacity_),
        starts_(source.subset ? window * capacity_ : 0) {}

  // Runs the pool; for a subset the generator makes the binomial draws and is left after the
  // last replicate's species draws. Returns the species draws the replicates made.
  std::uint64_t run(OrderedPool& pool, UniformGenerator& generator, const Gather& gather) {
    std::uint64_t species_draws = 0;
    OrderedWork work;
    work.window = window_;
    work.caller_computes = true;
    work.claim = [&](std::size_t k) {
      if (k + 1 >= s_.first.size()) return false;
      const std::size_t count = chunk_size(k);
      std::int32_t* sizes = sizes_.data() + slot(k) * capacity_;
      for (std::size_t i = 0; i < count; ++i) {
        std::int32_t size = s_.community;
        if (s_.subset) {
          size = std::min(binomial_count(s_.r0, s_.q, generator), s_.r0);
          KissWords& words = generator.stream();
          starts_[slot(k) * capacity_ + i] = words;
          words = jump_ahead(words, static_cast<std::uint64_t>(std::max(size, 0)));
        }
        sizes[i] = size;
        species_draws += static_cast<std::uint64_t>(std::max(size, 0));
      }
      return true;
    };
    work.make_worker = [this]() -> std::function<void(std::size_t)> {
      auto worker = std::make_shared<Worker>();
      worker->counts.resize(capacity_ * static_cast<std::size_t>(s_.index.t + 1));
      worker->x.resize(static_cast<std::size_t>(s_.index.t + 1));
      return [this, worker](std::size_t k) { draw_chunk(k, *worker); };
    };
    work.deliver = [&](std::size_t k) {
      const std::size_t base = slot(k) * capacity_;
      gather(static_cast<std::int32_t>(s_.first[k]), chunk_size(k), sizes_.data() + base,
             counts_.data() + base * stride_, stride_, estimates_.data() + base);
    };
    pool.run(work);
    if (!s_.subset) {
      species_draws = static_cast<std::uint64_t>(std::max(s_.community, 0)) *
                      static_cast<std::uint64_t>(s_.replicates);
    }
    return species_draws;
  }

 private:
  // What a thread keeps from task to task: its estimator, the lane kernel's counts, and a
  // replicate's classes x(1..t+1) with the banks that count them.
  struct Worker {
    JackknifeEstimator estimator;
    std::vector<std::uint32_t> counts;
    std::vector<float> x;
    SpeciesBanks banks;
  };

  // Floats per replicate row: t + 1 rounded up to 16 (64 bytes, a cache line).
  static std::size_t row_stride(std::int32_t t) {
    return (static_cast<std::size_t>(t + 1) + 15) / 16 * 16;
  }
  std::size_t slot(std::size_t k) const { return k % window_; }
  std::size_t chunk_size(std::size_t k) const { return s_.first[k + 1] - s_.first[k]; }
  // Replicates in the largest chunk.
  static std::size_t largest_chunk(const std::vector<std::size_t>& first) {
    std::size_t largest = 0;
    for (std::size_t k = 0; k + 1 < first.size(); ++k) {
      largest = std::max(largest, first[k + 1] - first[k]);
    }
    return largest;
  }

  void draw_chunk(std::size_t k, Worker& worker) {
    const std::int32_t t = s_.index.t;
    const std::size_t count = chunk_size(k);
    const std::size_t base = slot(k) * capacity_;
    const std::int32_t* sizes = sizes_.data() + base;
    const KissWords* starts = s_.subset ? starts_.data() + base : nullptr;
    KissWords words{};
    if (!s_.subset) {
      words = jump_ahead(s_.origin, static_cast<std::uint64_t>(std::max(s_.community, 0)) *
                                        static_cast<std::uint64_t>(s_.first[k]));
    }
    const bool lanes =
        !s_.table.entry.empty() && std::all_of(sizes, sizes + count, [&](std::int32_t size) {
          return lanes_take(s_.isa, s_.index, size);
        });
    if (lanes) {
      if (s_.subset) {
        count_replicates_from(s_.isa, s_.index, s_.table, starts, sizes,
                              static_cast<std::int32_t>(count), worker.counts.data());
      } else {
        count_replicates(s_.isa, s_.index, s_.table, words, sizes[0],
                         static_cast<std::int32_t>(count), worker.counts.data());
      }
    }
    float* const x = worker.x.data();
    for (std::size_t i = 0; i < count; ++i) {
      if (lanes) {
        counts_to_floats(worker.counts.data() + i * static_cast<std::size_t>(t + 1), t, x);
      } else {
        std::fill(worker.x.begin(), worker.x.end(), 0.0f);
        if (s_.subset) words = starts[i];
        draw_species(sizes[i], s_.index, words, x, worker.banks, nullptr, kSample1, 0, 0.0);
      }
      std::copy(x, x + t + 1, counts_.data() + (base + i) * stride_);
    }
    worker.estimator.estimate_replicates(counts_.data() + base * stride_, stride_,
                                         static_cast<std::int32_t>(count), t,
                                         estimates_.data() + base);
  }

  const Source s_;
  const std::size_t window_;
  const std::size_t capacity_;  // replicates a slot holds
  const std::size_t stride_;
  std::vector<float> counts_;  // per slot, chunk rows of x(1..t+1), stride_ apart
  std::vector<float> estimates_;
  std::vector<std::int32_t> sizes_;
  std::vector<KissWords> starts_;  // subsets: where each replicate's species draws start
};

}  // namespace

BootstrapResult bootstrap_block(const BootstrapPlan& plan, std::span<const float> source,
                                UniformGenerator& generator, JackknifeEstimator& estimator,
                                Observer* observer) {
  const std::int32_t t = plan.t;
  const std::int32_t nb = plan.replicates;
  const BlockNumber block = plan.block;
  assert(t >= 1 && t <= kClassIndexMaxClasses && "bootstrap needs 1 <= t <= 65534");
  assert(nb >= 0 && nb <= 10000 && "at most 10000 replicates");
  const float e = plan.estimate;
  const std::int32_t n = trunc_to_int(e + 0.5f);

  // The frequency vector as the replicates see it: the block's data, then its counts x(1..t+2);
  // the detail rows show x(1..7) whatever t is.
  const std::int32_t read = std::max<std::int32_t>(t, 7);
  assert(source.size() >= static_cast<std::size_t>(read) && "bootstrap reads x(1..max(t, 7))");
  Vector1<float> x(std::max<std::int32_t>(t + 2, 7));
  for (std::int32_t i = 1; i <= read; ++i) x(i) = source[static_cast<std::size_t>(i - 1)];

  // Subsets: the community size is a binomial draw over the parent sample's observed species.
  const bool subset = block >= kSubsetA;
  const std::int32_t r0 = plan.parent_observed;
  float q = 0.0f;
  if (subset) q = e / static_cast<float>(r0);

  // Cumulative class probabilities; class t+1 (not detected) takes what is left.
  Vector1<float> c(t);
  c(1) = x(1) / e;
  for (std::int32_t i = 2; i <= t; ++i) c(i) = c(i - 1) + x(i) / e;
  ClassIndex index;
  build_class_index(index, c.data(), t);

  BootstrapResult r;
  r.estimates.reserve(static_cast<std::size_t>(nb));
  if (!subset) r.detected.reserve(static_cast<std::size_t>(nb));
  // Accumulated replicate frequencies; classes 1..6 are reported, 0 above t.
  Vector1<float> a(std::max<std::int32_t>(t, 6));

  // A subset's community is binomial with mean about its estimate, at most the parent's count.
  const double community =
      subset ? std::min(static_cast<double>(e), static_cast<double>(r0)) : static_cast<double>(n);
  const double planned = std::max(community, 0.0) * static_cast<double>(nb);
  if (observer != nullptr) observer->bootstrap_started(block, nb, planned);

  // Gathers the next replicate, in replicate order: its counts are in x(1..t+1).
  const auto gather = [&](std::int32_t size, float estimate) {
    for (std::int32_t i = 1; i <= t; ++i) a(i) = a(i) + x(i);
    if (!subset) r.detected.push_back(trunc_to_int(static_cast<float>(size) - x(t + 1)));
    x(t + 1) = 0.0f;
    r.estimates.push_back(estimate);
    if (plan.detail) r.detail.push_back(detail_row(x, estimate));
  };

  const int threads =
      plan.threads > 1 && nb > 1 && planned >= plan.threaded_draws ? plan.threads : 1;
  const Isa isa = active_isa();
  // A subset's replicates hold at most r0 species each. Each one's start costs a jump-ahead
  // (a few hundred nanoseconds), which only communities of some hundreds of species repay.
  constexpr double kLaneSubsetSpecies = 512.0;
  const bool lanes =
      lanes_take(isa, index, subset ? r0 : n) && (!subset || community >= kLaneSubsetSpecies);
  LaneTable table;
  if (lanes) build_lane_table(index, table);
  if (threads == 1 && nb > 1 && lanes) {
    // Batches of replicates on the lane kernel, then their estimates (four at a time), then each
    // replicate gathered in order. For a subset, each batch starts with a pass over the stream
    // that makes each replicate's community size and jumps over its species draws (as the
    // threads do). A batch holds at most 1024 replicates and about a megabyte of counts (the
    // wide tables of many sites take fewer replicates a batch rather than fresh pages).
    const std::int32_t batch_limit = std::clamp<std::int32_t>((1 << 18) / (t + 1), 16, 1024);
    const auto batch = static_cast<std::size_t>(std::min(nb, batch_limit));
    std::vector<std::uint32_t> counts(batch * static_cast<std::size_t>(t + 1));
    // The batch's counts as frequencies x(1..t+1), a row each, and their estimates.
    std::vector<float> rows(batch * static_cast<std::size_t>(t + 1));
    std::vector<float> estimates(batch);
    std::vector<std::int32_t> sizes(batch, n);
    std::vector<KissWords> starts(subset ? batch : 0);
    double draws_done = 0.0;
    for (std::int32_t first = 0; first < nb; first += batch_limit) {
      const std::int32_t count = std::min(batch_limit, nb - first);
      if (subset) {
        for (std::int32_t k = 0; k < count; ++k) {
          const std::int32_t size = std::min(binomial_count(r0, q, generator), r0);
          const auto drawn = static_cast<std::uint64_t>(std::max(size, 0));
          sizes[static_cast<std::size_t>(k)] = size;
          starts[static_cast<std::size_t>(k)] = generator.stream();
          generator.stream() = jump_ahead(generator.stream(), drawn);
          generator.counted(drawn);
        }
        count_replicates_from(isa, index, table, starts.data(), sizes.data(), count, counts.data());
      } else {
        count_replicates(isa, index, table, generator.stream(), std::max(n, 0), count,
                         counts.data());
        generator.counted(static_cast<std::uint64_t>(std::max(n, 0)) *
                          static_cast<std::uint64_t>(count));
      }
      const auto row_size = static_cast<std::size_t>(t + 1);
      for (std::int32_t k = 0; k < count; ++k) {
        const auto at = static_cast<std::size_t>(k) * row_size;
        counts_to_floats(counts.data() + at, t, rows.data() + at);
      }
      estimator.estimate_replicates(rows.data(), row_size, count, t, estimates.data());
      for (std::int32_t k = 0; k < count; ++k) {
        const std::int32_t size = sizes[static_cast<std::size_t>(k)];
        for (std::int32_t i = 1; i <= t + 2; ++i) x(i) = 0.0f;
        const float* row = rows.data() + static_cast<std::size_t>(k) * row_size;
        std::copy(row, row + row_size, x.data());
        draws_done += static_cast<double>(std::max(size, 0));
        gather(size, estimates[static_cast<std::size_t>(k)]);
        if (observer != nullptr) observer->bootstrap_progress(block, first + k + 1, draws_done);
      }
    }
  } else if (threads == 1) {
    double draws_done = 0.0;
    SpeciesBanks banks;
    for (std::int32_t iteration = 1; iteration <= nb; ++iteration) {
      for (std::int32_t i = 1; i <= t + 2; ++i) x(i) = 0.0f;
      std::int32_t size = n;
      if (subset) size = std::min(binomial_count(r0, q, generator), r0);
      draw_species(size, index, generator.stream(), x.data(), banks, observer, block, iteration - 1,
                   draws_done);
      const auto drawn = static_cast<std::uint64_t>(std::max(size, 0));
      generator.counted(drawn);
      draws_done += static_cast<double>(drawn);
      // The estimate reads classes 1..t only.
      const float estimate = estimator.estimate_only(x.data(), t);
      gather(size, estimate);
      if (observer != nullptr) observer->bootstrap_progress(block, iteration, draws_done);
    }
  } else {
    // Chunks of plan.chunk replicates; by default a 16th of a thread's share, less towards the
    // end (a quarter of a thread's share of what is left, at least one round of the lanes), so
    // that the threads finish a block close together.
    const std::int32_t width = lanes ? isa_lanes(isa) : 1;
    const auto whole_rounds = [&](std::int32_t size) { return (size + width - 1) / width * width; };
    const std::int32_t most = whole_rounds(std::max<std::int32_t>(1, nb / (threads * 16)));
    std::vector<std::size_t> first{0};
    for (std::int32_t done = 0; done < nb;) {
      const std::int32_t left = nb - done;
      const std::int32_t size =
          plan.chunk > 0 ? plan.chunk
                         : std::min(most, whole_rounds(std::max(1, left / (threads * 4))));
      done += std::min(size, left);
      first.push_back(static_cast<std::size_t>(done));
    }
    const ThreadedDraws::Source source{
        index, table, isa, nb, std::move(first), subset, n, generator.stream(), r0, q};
    // Room for every thread to hold a chunk while the next ones wait for their turn.
    ThreadedDraws draws(source, static_cast<std::size_t>(2 * threads + 2));
    double draws_done = 0.0;
    // As gather() does, replicate by replicate; x is only formed where it is read (a detail row,
    // and after the chunk's last replicate).
    const auto deliver = [&](std::int32_t first, std::size_t count, const std::int32_t* sizes,
                             const float* counts, std::size_t stride, const float* estimates) {
      const auto set_x = [&](const float* row) {
        for (std::int32_t i = 1; i <= t + 2; ++i) x(i) = 0.0f;
        for (std::int32_t i = 1; i <= t; ++i) x(i) = row[i - 1];
      };
      for (std::size_t k = 0; k < count; ++k) {
        const float* row = counts + k * stride;
        for (std::int32_t i = 1; i <= t; ++i) a(i) = a(i) + row[i - 1];
        if (!subset) r.detected.push_back(trunc_to_int(static_cast<float>(sizes[k]) - row[t]));
        r.estimates.push_back(estimates[k]);
        draws_done += static_cast<double>(std::max(sizes[k], 0));
        if (plan.detail) {
          set_x(row);
          r.detail.push_back(detail_row(x, estimates[k]));
        }
      }
      if (count > 0) set_x(counts + (count - 1) * stride);
      // As on one thread, the observer hears of the last replicate too.
      if (observer != nullptr) {
        observer->bootstrap_progress(block, first + static_cast<std::int32_t>(count), draws_done);
      }
    };
    // The calling thread draws too, between its deliveries: threads - 1 workers beside it.
    OrderedPool pool(threads - 1, plan.thread_factory ? plan.thread_factory : start_thread);
    const std::uint64_t species_draws = draws.run(pool, generator, deliver);
    if (!subset) generator.stream() = jump_ahead(generator.stream(), species_draws);
    generator.counted(species_draws);
    r.threads_used = pool.threads_used();
    r.short_of_threads = r.threads_used < threads;
  }
  if (observer != nullptr) observer->bootstrap_finished(block);

  const float fnb = static_cast<float>(nb);
  for (std::size_t i = 0; nb > 0 && i < r.mean_frequencies.size(); ++i) {
    r.mean_frequencies[i] = a(static_cast<std::int32_t>(i) + 1) / fnb;
  }
  r.last_counts.assign(x.data(), x.data() + t + 2);
  return r;
}

}  // namespace kelvaro

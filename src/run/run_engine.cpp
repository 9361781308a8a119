#include "run/run_engine.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <span>
#include <vector>

#include "dynamics/dynamics_summary.h"
#include "dynamics/replicate_table.h"
#include "equal_detection/sample_comparison.h"
#include "goodness_of_fit/site_count_spread.h"
#include "jackknife/observed_total.h"
#include "numeric/conversions.h"
#include "random/seeding.h"
#include "run/fit_warning.h"
#include "run/input_checks.h"
#include "textio/fields.h"

namespace kelvaro {

namespace {

// The number of uniform draws the run discards after seeding, before the first bootstrap.
constexpr int kWarmUpDraws = 11;

// The two lines of a read error, after one in plain words ("kelvaro: line 2, value 4: \"x\" is
// not a number").
std::string diagnostic_of(const textio::ReadError& e, const std::string& name) {
  const std::string words = e.words().empty() ? "" : "kelvaro: " + e.words() + "\n";
  return words + "At line " + std::to_string(e.line()) + " of file kelvaro (unit = 5, file = '" +
         name + "')\n" + e.reason() + "\n";
}

// A value as the parameter table prints it, without the field's leading blanks.
std::string as_printed(float v, int decimals) {
  std::string field;
  textio::append_fixed(field, v, 20, decimals);
  return field.substr(field.find_first_not_of(' '));
}

template <std::size_t N>
std::array<float, N> to_array(const Array1<float, static_cast<int>(N)>& a) {
  std::array<float, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = a(static_cast<int>(i) + 1);
  return out;
}

// The bootstrap store of the summary, filled from the blocks' replicates (a block without
// replicates leaves its columns at 0).
ReplicateTable replicate_table(const std::vector<BlockResult>& blocks, std::int32_t replicates) {
  ReplicateTable table(replicates);
  for (const BlockResult& b : blocks) {
    for (std::size_t i = 0; i < b.replicate_estimates.size(); ++i) {
      table.value(static_cast<std::int32_t>(i) + 1, b.block) = b.replicate_estimates[i];
    }
    for (std::size_t i = 0; i < b.replicate_detected.size(); ++i) {
      table.detected(static_cast<std::int32_t>(i) + 1, b.block) = b.replicate_detected[i];
    }
  }
  return table;
}

}  // namespace

RunEngine::RunEngine(const Settings& settings, std::ostream* report)
    : settings_(settings),
      report_(settings.check_only ? nullptr : report),
      log_(settings.observer),
      threads_(settings.threads) {}

RunResult RunEngine::run(RecordSource& source) {
  try {
    try {
      drive(source);
    } catch (const textio::ReadError& e) {
      result_.status = RunStatus::kInputRefused;
      result_.diagnostic = diagnostic_of(e, settings_.input_name);
      result_.failed_block = block_in_hand_;
    } catch (const InputUnreadable& e) {
      result_.status = RunStatus::kInputRefused;
      result_.diagnostic = std::string("kelvaro: cannot read the input: ") + e.what() + "\n";
      result_.failed_block = block_in_hand_;
    }
    report_.write_new(result_);
  } catch (const textio::OutputFailure&) {
    result_.status = RunStatus::kReportFailed;
  }
  result_.warnings = log_.take();
  result_.uniform_draws = generator_.draws();
  return std::move(result_);
}

void RunEngine::begin(const Header& h) {
  header_ = h;
  result_.header_accepted = true;
  result_.sites1 = h.sites1;
  result_.sites2 = h.sites2;
  result_.frequency_pair = h.frequency_pair;
  result_.options = h.options;
  if (h.options.seed == 0 && !settings_.clock_seed) {
    log_.add(WarningKind::kClockSeed, "header", h.line,
             "seed 0 takes the seed from the clock, so this run cannot be repeated; give a seed "
             "such as 400 to make it repeatable");
  }
  // The clock is read whatever the seed number; seeded_generator takes it only for seed 0.
  const std::int64_t clock_ms = clock_milliseconds();
  const std::int32_t clock = clock_seed_of(settings_.clock_seed ? *settings_.clock_seed : clock_ms);
  if (h.options.seed == 0) result_.clock_seed = clock;
  generator_ = seeded_generator(h.options.seed, clock);
  report_.write_new(result_);
  for (int i = 0; i < kWarmUpDraws; ++i) generator_.draw();
}

std::optional<BlockRecords> RunEngine::read_block(RecordSource& source, BlockNumber block,
                                                  std::int32_t t, bool may_end) {
  block_in_hand_ = block;
  const bool pair = header_.frequency_pair;
  std::optional<BlockRecords> records = source.block(block, t, pair, carried_, may_end);
  if (!records) return std::nullopt;
  block_lines_[block - 1] = records->line;
  const auto size = static_cast<std::size_t>(t);
  const std::span<const float> f(records->x.data(), size);
  const std::span<const std::int32_t> n(records->n.data(), size);
  const std::span<const float> f_pair =
      pair ? std::span<const float>(records->x.data() + size, size + 1) : std::span<const float>();
  species_seen_[block - 1] = check_block(log_, block_name(block), records->line, f, n, f_pair);
  if (block == kSample1 || block == kSample2) {
    check_sample(log_, block_name(block), records->line, n, species_seen_[block - 1]);
  }
  BlockValues& values = block_values_[block - 1];
  values.x.assign(f.begin(), f.end());
  values.x.insert(values.x.end(), f_pair.begin(), f_pair.end());
  values.n.assign(n.begin(), n.end());
  values.line = records->line;
  values.species = species_seen_[block - 1];
  observed_[block - 1] = observed_in_double(records->x.data(), t);
  return records;
}

void RunEngine::warn_about_estimate(BlockNumber block, const JackknifeResult& jk) {
  if (jk.weights_unbalanced) {
    log_.add(WarningKind::kOrderTestSkipped, block_name(block), 0,
             "a test between jackknife orders was skipped for zero variance, so the order weights "
             "do not sum to 1 and the standard error is formed with them as they are (it may be "
             "far too large); read it with care");
  }
  if (jk.fell_back) {
    log_.add(WarningKind::kIllConditioned, block_name(block), 0,
             "the interpolated estimate fell below the species observed, so the order-1 estimate "
             "is used instead (ill-conditioned data)");
  }
  if (!fits_int(jk.estimate + 0.5f)) {
    log_.add(WarningKind::kCountWraps, block_name(block), 0,
             "the richness estimate is too large (or not a number) for a 32-bit whole number, so "
             "the printed estimate wraps and the bootstrap of this block is meaningless");
  }
}

// One block: the estimate from f(1..t0) (from f'(1..t0+1) with the pair, moved down into
// x(1..t0+1)), its bootstrap and its M(h) test, with the plain f(i) and the block's own t0.
CarryOver RunEngine::estimate_block(BlockNumber block, std::int32_t t0,
                                    const BlockRecords& records) {
  const bool pair = header_.frequency_pair;
  Vector1<float> x = records.x;
  std::int32_t t = t0;
  if (pair) {
    // Going upward in i is safe: every source element lies above its destination.
    t = t0 + 1;
    for (std::int32_t i = 1; i <= t0; ++i) x(i) = x(t0 + i);
    x(t0 + 1) = x(2 * t0 + 1);
  }
  // What the block leaves: the classes estimated, below them with a bootstrap the last
  // replicate's counts x(1..t+2), and below those with the pair f(1..t0) put back.
  CarryOver left{x, records.n};

  BlockResult b;
  b.block = block;
  b.sites = t0;
  b.classes = t;
  b.observed = observed_in_single(x.data(), t);
  for (std::int32_t i = 1; i <= t; ++i) b.frequencies.push_back(trunc_to_int(x(i)));
  b.standard = standard_estimates(b.frequencies);
  std::int32_t sites = 0;
  for (std::int32_t i = 1; i <= t0; ++i) sites = wrap_add(sites, records.n(i));

  const JackknifeResult jk = estimator_.estimate(x.data(), t);
  warn_about_estimate(block, jk);
  b.estimate = jk.estimate;
  b.rounded_estimate = static_cast<float>(trunc_to_int(jk.estimate + 0.5f));
  b.standard_error = jk.standard_error;
  b.order_estimates = to_array<5>(jk.orders.estimates);
  b.order_errors = to_array<5>(jk.orders.errors);
  b.test_statistics = to_array<5>(jk.orders.statistics);
  b.weights = to_array<5>(jk.weight);
  b.powers = to_array<5>(jk.power);

  if (b.observed > 0) {
    BootstrapPlan plan;
    plan.block = block;
    plan.t = t;
    plan.estimate = b.rounded_estimate;
    plan.replicates = header_.options.replicates;
    plan.parent_observed = block >= kSubsetA ? observed_[block == kSubsetA ? 0 : 1] : 0;
    plan.detail = header_.options.replicate_detail;
    plan.threads = threads_;
    plan.thread_factory = settings_.thread_factory;
    plan.chunk = chunk_;
    plan.threaded_draws = threaded_draws_;
    BootstrapResult boot = bootstrap_block(plan, std::span<const float>(x.data(), x.size()),
                                           generator_, estimator_, settings_.observer);
    if (boot.short_of_threads) short_of_threads(boot.threads_used);
    if (plan.replicates > 0) {
      for (std::int32_t i = 1; i <= t + 2; ++i) {
        left.x(i) = boot.last_counts[static_cast<std::size_t>(i - 1)];
      }
    }
    if (pair) {
      for (std::int32_t i = 1; i <= t0; ++i) left.x(i) = records.x(i);
    }
    b.bootstrapped = true;
    b.replicate_estimates = std::move(boot.estimates);
    b.replicate_detected = std::move(boot.detected);
    b.replicate_detail = std::move(boot.detail);
    b.mean_frequencies = boot.mean_frequencies;
    if (sites > 0) {
      std::vector<std::int32_t> whole_f;
      for (std::int32_t i = 1; i <= t0; ++i) whole_f.push_back(trunc_to_int(records.x(i)));
      const std::span<const std::int32_t> n(records.n.data(), static_cast<std::size_t>(t0));
      b.goodness_of_fit = goodness_of_fit_test(n, whole_f);
      warn_if_model_rejected(log_, block_name(block), *b.goodness_of_fit);
      warn_if_test_failed(log_, block_name(block), *b.goodness_of_fit);
    }
  }
  result_.blocks.push_back(std::move(b));
  return left;
}

void RunEngine::short_of_threads(int used) {
  threads_ = used;  // the later blocks ask no more than the system gave
  if (told_short_of_threads_) return;
  told_short_of_threads_ = true;
  if (settings_.observer != nullptr) settings_.observer->threads_short(settings_.threads, used);
}

void RunEngine::summarise() {
  const ObservedCounts observed{observed_[0], observed_[1]};
  Array1<float, 4> estimates{};  // unrounded, per block
  for (const BlockResult& b : result_.blocks) estimates(b.block) = b.estimate;
  const Options& o = header_.options;
  const bool keep = settings_.keep_replicates || o.replicate_detail;
  ReplicateTable table = replicate_table(result_.blocks, o.replicates);
  DynamicsSummary s = summarise_dynamics(table, estimates, observed, o.range_adjustment, keep);
  for (const SummaryParameter& rp : kParameterTable) {
    const int k = rp.column;
    result_.parameters.push_back(
        {rp.name, s.data(k), s.average(k), s.error(k), s.lower(k), s.upper(k)});
  }
  result_.replicates = std::move(s.rows);

  const std::int32_t n = s.replicates;
  if (n == 0) {
    log_.add(WarningKind::kFewReplicates, "parameters", header_.line,
             "no bootstrap replicates (nreps 0): every average, standard error and interval is "
             "NaN");
  } else if (n < 20) {
    log_.add(WarningKind::kFewReplicates, "parameters", header_.line,
             "the percentile intervals rest on " + std::to_string(n) +
                 " bootstrap replicates (fewer than 20), so each lower limit is the smallest "
                 "replicate value and each upper the largest; use at least 20 replicates (1000 "
                 "for stable limits)");
  }
  for (int i = 0; i < kParameterCount; ++i) {
    const Parameter& p = result_.parameters[static_cast<std::size_t>(i)];
    if (n > 0 && (p.estimate < p.lower || p.estimate > p.upper)) {
      const int d = kParameterTable[static_cast<std::size_t>(i)].decimals;
      log_.add(WarningKind::kOutsideInterval, p.name, 0,
               "the estimate " + as_printed(p.estimate, d) + " lies outside its own bootstrap " +
                   "interval " + as_printed(p.lower, d) + " - " + as_printed(p.upper, d) +
                   ": the replicates do not centre on it, so the interval says little about it");
    }
  }
}

void RunEngine::drive(RecordSource& source) {
  const Header h = source.header();
  if (const std::optional<std::string> why = header_refusal(source, h)) {
    result_.status = RunStatus::kInputRefused;
    result_.diagnostic = "kelvaro: " + *why + "\n";
    return;
  }
  begin(h);
  carried_ = CarryOver(slot_counts(std::max(h.sites1, h.sites2), h.frequency_pair));
  // A block's records, read over what the block before left, and what this one leaves.
  const auto take = [this](BlockNumber block, std::int32_t t, const BlockRecords& records) {
    if (settings_.check_only) {
      carried_ = CarryOver{records.x, records.n};
    } else {
      carried_ = estimate_block(block, t, records);
    }
  };

  take(kSample1, h.sites1, *read_block(source, kSample1, h.sites1, false));
  report_.write_new(result_);

  // Sample 2: its absence, an unreadable first record or no species ends the run quietly.
  const std::optional<BlockRecords> sample2 = read_block(source, kSample2, h.sites2, true);
  if (!sample2 || observed_[1] <= 0) return;
  take(kSample2, h.sites2, *sample2);
  if (!settings_.check_only && h.sites1 == h.sites2) {
    // The classes the estimates were made from: t2, one more with the pair.
    result_.equal_detection =
        equal_detection_test(result_.blocks[0].frequencies, result_.blocks[1].frequencies);
  }
  report_.write_new(result_);

  // Species observed in both samples: Sample 2's data, then Sample 1's.
  for (const BlockNumber block : {kSubsetA, kSubsetB}) {
    const std::int32_t t = block == kSubsetA ? h.sites2 : h.sites1;
    take(block, t, *read_block(source, block, t, false));
    report_.write_new(result_);
  }
  check_subsets(log_, block_lines_[2], block_lines_[3], species_seen_[0], species_seen_[1],
                species_seen_[2], species_seen_[3]);
  check_sample_pair(log_, block_values_);
  if (!settings_.check_only) summarise();
  report_.write_new(result_);
}

}  // namespace kelvaro

#include "run/run_engine.h"

#include <cmath>
#include <ostream>

#include "dynamics/dynamics_summary.h"
#include "goodness_of_fit/goodness_of_fit_test.h"
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
  return words + "At line " + std::to_string(e.line()) + " of file kelvaro (unit = 5, file = '" + name +
         "')\n" + e.reason() + "\n";
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

}  // namespace

RunEngine::RunEngine(const Settings& settings, std::ostream* report)
    : settings_(settings),
      report_(settings.check_only ? nullptr : report),
      log_(settings.observer) {}

RunResult RunEngine::run(RecordSource& source) {
  try {
    try {
      drive(source);
    } catch (const textio::ReadError& e) {
      result_.status = 2;
      result_.diagnostic = diagnostic_of(e, settings_.input_name);
      result_.failed_block = block_in_hand_;
    } catch (const InputUnreadable& e) {
      result_.status = 2;
      result_.diagnostic = std::string("kelvaro: cannot read the input: ") + e.what() + "\n";
      result_.failed_block = block_in_hand_;
    }
  } catch (const textio::OutputFailure&) {
    result_.status = 1;
  }
  result_.warnings = log_.take();
  result_.uniform_draws = generator_.draws();
  return std::move(result_);
}

void RunEngine::begin(const Header& h) {
  header_ = h;
  result_.header_accepted = true;
  result_.sites1 = h.t1;
  result_.sites2 = h.t2;
  result_.frequency_pair = h.pair != 0;
  result_.nreps = h.nreps;
  result_.seed = h.ix;
  result_.range_adjustment = h.swtch != 0;
  if (h.ix == 0) {
    log_.add(WarningKind::kClockSeed, "header", h.line,
             "seed 0 takes the seed from the clock, so this run cannot be repeated; give a seed "
             "such as 400 to make it repeatable");
  }
  replicates_ = std::make_unique<ReplicateTable>(wrap_abs(h.nreps));
  // The clock is read whatever the seed number, as the seeding always has.
  generator_ = seeded_generator(h.ix, clock_milliseconds());
  report_.banner(result_);
  for (int i = 0; i < kWarmUpDraws; ++i) generator_.draw();
}

bool RunEngine::read_block(RecordSource& source, int block, std::int32_t t, bool may_end) {
  block_in_hand_ = block;
  const bool pair = header_.pair != 0;
  if (source.block(block, t, pair, buffer_, may_end) != textio::ReadStatus::Ok) return false;
  const std::int64_t line = source.block_line();
  block_lines_[block - 1] = line;
  const auto size = static_cast<std::size_t>(t);
  const std::span<const float> f(buffer_.x.data(), size);
  const std::span<const std::int32_t> n(buffer_.n.data(), size);
  const std::span<const float> f_pair =
      pair ? std::span<const float>(buffer_.x.data() + size, size + 1) : std::span<const float>();
  species_seen_[block - 1] = check_block(log_, block_name(block), line, f, n, f_pair);
  return true;
}

std::int32_t RunEngine::take_frequencies(std::int32_t t) {
  const auto& x = buffer_.x;
  std::int32_t r = 0;
  for (std::int32_t i = 1; i <= t; ++i) {
    whole_f_(i) = trunc_to_int(x(i));
    // R truncated after every addition, the sum formed in double.
    r = trunc_to_int(static_cast<double>(r) + static_cast<double>(x(i)));
  }
  return r;
}

void RunEngine::warn_about_estimate(int block, const JackknifeResult& jk) {
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
// x(1..t0+1) for the estimate and put back after the bootstrap), its bootstrap and its M(h) test.
void RunEngine::estimate_block(int block, std::int32_t t0) {
  auto& x = buffer_.x;
  const bool pair = header_.pair != 0;
  std::int32_t t = t0;
  Array1<float, 100> kept{};
  if (pair) {
    // Going upward in i is safe: every source element lies above its destination.
    t = t0 + 1;
    for (std::int32_t i = 1; i <= t0; ++i) {
      kept(i) = x(i);
      x(i) = x(t0 + i);
    }
    x(t0 + 1) = x(2 * t0 + 1);
  }

  BlockResult b;
  b.block = block;
  b.sites = t0;
  b.classes = t;
  // R is truncated after every addition, the sum taken in single precision.
  std::int32_t r = 0;
  for (std::int32_t i = 1; i <= t; ++i) r = trunc_to_int(static_cast<float>(r) + x(i));
  b.observed = r;
  for (std::int32_t i = 1; i <= t; ++i) b.frequencies.push_back(trunc_to_int(x(i)));
  std::int32_t sites = 0;
  for (std::int32_t i = 1; i <= t0; ++i) sites = wrap_add(sites, buffer_.n(i));

  const JackknifeResult jk = estimator_.estimate(x.data(), t);
  warn_about_estimate(block, jk);
  b.estimate = jk.estimate;
  b.rounded_estimate = static_cast<float>(trunc_to_int(jk.estimate + 0.5f));
  b.standard_error = jk.standard_error;
  b.order_estimates = to_array<5>(jk.orders.nk);
  b.order_errors = to_array<5>(jk.orders.sek);
  b.test_statistics = to_array<5>(jk.orders.chisq);
  b.weights = to_array<5>(jk.weight);
  b.powers = to_array<5>(jk.power);

  if (r > 0) {
    BootstrapPlan plan;
    plan.block = block;
    plan.t = t;
    plan.estimate = b.rounded_estimate;
    plan.replicates = replicates_->replicates();
    plan.parent_observed = block >= kSubsetA ? observed_(block == kSubsetA ? 1 : 2) : 0;
    plan.detail = header_.nreps < 0;
    plan.threads = settings_.threads;
    plan.chunk = chunk_;
    plan.threaded_draws = threaded_draws_;
    BootstrapResult boot =
        bootstrap_block(plan, x.data(), generator_, estimator_, settings_.observer);
    for (std::int32_t i = 1; i <= plan.replicates; ++i) {
      replicates_->value(i, block) = boot.estimates[static_cast<std::size_t>(i - 1)];
      if (block <= kSample2) {
        replicates_->detected(i, block) = boot.detected[static_cast<std::size_t>(i - 1)];
      }
    }
    // The frequency vector is left holding the last replicate's counts.
    if (plan.replicates > 0) {
      for (std::int32_t i = 1; i <= t + 2; ++i) x(i) = boot.last_counts[static_cast<std::size_t>(i - 1)];
    }
    b.bootstrapped = true;
    b.replicate_estimates = std::move(boot.estimates);
    b.replicate_detected = std::move(boot.detected);
    b.replicate_detail = std::move(boot.detail);
    b.mean_frequencies = boot.mean_frequencies;
    if (pair) {
      for (std::int32_t i = 1; i <= t0; ++i) x(i) = kept(i);
    }
    // The M(h) test always uses the plain f(i) and the block's own number of sites.
    if (sites > 0) {
      b.goodness_of_fit = goodness_of_fit_test(t0, buffer_.n, whole_f_);
      warn_if_model_rejected(log_, block_name(block), *b.goodness_of_fit);
    }
  }
  report_.block_section(result_, b);
  result_.blocks.push_back(std::move(b));
}

void RunEngine::summarise() {
  const ObservedCounts observed{observed_(1), observed_(2)};
  Array1<float, 4> estimates{};  // unrounded, per block
  for (const BlockResult& b : result_.blocks) estimates(b.block) = b.estimate;
  const bool keep = settings_.keep_replicates || header_.nreps < 0;
  DynamicsSummary s =
      summarise_dynamics(*replicates_, estimates, observed, header_.swtch != 0, keep);
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
  report_.dynamics(result_);
}

void RunEngine::drive(RecordSource& source) {
  block_in_hand_ = 0;
  Header h = source.header();
  normalise(h);
  std::optional<std::string> why = refusal(h);
  if (!why) why = source.refusal(h);
  if (why) {
    result_.status = 2;
    result_.diagnostic = "kelvaro: " + *why + "\n";
    return;
  }
  begin(h);
  const bool analyse = !settings_.check_only;

  // Sample 1.
  report_.block_title(kSample1);
  read_block(source, kSample1, h.t1, false);
  observed_(1) = take_frequencies(h.t1);
  if (analyse) estimate_block(kSample1, h.t1);

  // Sample 2: its absence, an unreadable first record or no species ends the run quietly.
  if (!read_block(source, kSample2, h.t2, true)) {
    block_in_hand_ = 0;
    return;
  }
  const std::int32_t r2 = take_frequencies(h.t2);
  if (r2 <= 0) return;
  observed_(2) = r2;
  if (analyse) {
    report_.block_title(kSample2);
    estimate_block(kSample2, h.t2);
    if (h.t1 == h.t2) {
      // The classes the estimates were made from: t2, one more with the pair.
      result_.equal_detection =
          equal_detection_test(result_.blocks[0].frequencies, result_.blocks[1].frequencies);
      report_.equal_detection(*result_.equal_detection);
    } else {
      report_.unequal_sites_notice();
    }
  }

  // Species observed in both samples: Sample 2's data, then Sample 1's.
  for (const int block : {kSubsetA, kSubsetB}) {
    const std::int32_t t = block == kSubsetA ? h.t2 : h.t1;
    report_.block_title(block);
    read_block(source, block, t, false);
    observed_(block) = take_frequencies(t);
    if (analyse) estimate_block(block, t);
  }
  block_in_hand_ = 0;
  check_subsets(log_, block_lines_[2], block_lines_[3], species_seen_[0], species_seen_[1],
                species_seen_[2], species_seen_[3]);
  if (analyse) summarise();
}

}  // namespace kelvaro

// The curves of blocks with their bootstrap intervals, and the two samples compared at equal
// effort and at equal coverage (kelvaro/curves.h).

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

#include "curves/assemblage.h"
#include "curves/incidence_model.h"
#include "kelvaro/curves.h"
#include "random/jump_ahead.h"
#include "random/seeding.h"

namespace kelvaro {
namespace {

using curves::IncidenceModel;
using curves::Interpolation;

// 1.96: the 97.5% point of the standard normal distribution, for a 95% interval.
constexpr double kNormal975 = 1.96;
// Each block draws from its own stretch of the seeded stream, 2^50 draws apart (by block number),
// far beyond what a block's replicates draw.
constexpr std::uint64_t kBlockStreamSpacing = std::uint64_t{1} << 50;
// The most sites a block's curve is made for, so that its default endpoint 2T is allowed.
constexpr std::int32_t kMaxBlockSites = kMaxCurveSites / 2;

// The replicates' values at one point, as they come: mean and sum of squared deviations
// (Welford's updates).
class Spread {
 public:
  void add(double x) {
    ++n_;
    const double d = x - mean_;
    mean_ += d / n_;
    squares_ += d * (x - mean_);
  }
  // Their standard deviation, divisor n - 1. Requires: at least 2 values.
  double deviation() const { return std::sqrt(squares_ / (n_ - 1)); }

 private:
  std::int64_t n_ = 0;
  double mean_ = 0.0;
  double squares_ = 0.0;
};

// What the comparison holds fixed, decided before any replicate.
struct Targets {
  std::optional<std::int32_t> effort;
  std::optional<double> coverage;
};

// A block in the making: its data's curve and what its replicates must give.
struct BlockWork {
  BlockNumber block;
  IncidenceModel model;
  Interpolation curve;
  std::int32_t endpoint;
  bool compared = false;  // one of the two samples compared
};

struct Replicates {
  bool drawn = false;
  std::vector<Spread> points;  // t = 1..endpoint
  Spread effort, coverage;
};

class CurveMaker {
 public:
  CurveMaker(const CurveSettings& settings, ResultCurves& out) : settings_(settings), out_(out) {}
  ResultCurves& make(const std::vector<Incidence>& blocks);

 private:
  void warn(CurveWarningKind kind, const std::string& block, const std::string& text) {
    out_.warnings.push_back({kind, block, text});
  }
  std::optional<IncidenceModel> model_of(const Incidence& data);
  void warn_degenerate(const BlockWork& w);
  std::int32_t endpoint_of(std::int32_t sites) const;
  Targets targets(const BlockWork* first, const BlockWork* second);
  Replicates draw_replicates(const BlockWork& w, const Targets& targets);
  BlockCurve curve_of(const BlockWork& w, const Replicates& r) const;
  void compare(const BlockWork& w, const Targets& targets, const Replicates& r);

  const CurveSettings& settings_;
  ResultCurves& out_;
  std::int32_t clock_ = 0;
};

CurveKind kind_at(double sites, std::int32_t t_max) {
  if (sites < t_max) return CurveKind::kInterpolated;
  return sites == t_max ? CurveKind::kObserved : CurveKind::kExtrapolated;
}

void set_interval(double estimate, const Replicates& r, const Spread& s,
                  std::optional<double>& lower, std::optional<double>& upper) {
  if (!r.drawn) return;
  const double half = kNormal975 * s.deviation();
  lower = std::max(0.0, estimate - half);
  upper = estimate + half;
}

std::string sites_text(std::int32_t sites) {
  return std::to_string(sites) + (sites == 1 ? " site" : " sites");
}

ResultCurves& CurveMaker::make(const std::vector<Incidence>& blocks) {
  const bool clock_seeded = settings_.seed == 0;
  if (clock_seeded) clock_ = settings_.clock_seed.value_or(read_clock_seed());
  out_.clock_seed = clock_;
  if (settings_.endpoint && (*settings_.endpoint < 1 || *settings_.endpoint > kMaxCurveSites)) {
    warn(CurveWarningKind::kSettingRefused, "curves",
         "the endpoint " + std::to_string(*settings_.endpoint) + " is outside 1.." +
             std::to_string(kMaxCurveSites) + ", so each curve ends at twice its sites");
  }
  std::vector<BlockWork> work;
  for (const Incidence& data : blocks) {
    std::optional<IncidenceModel> model = model_of(data);
    if (!model) continue;
    Interpolation curve = model->interpolate();
    work.push_back({data.block, std::move(*model), std::move(curve), endpoint_of(data.sites)});
    warn_degenerate(work.back());
  }
  BlockWork* first = nullptr;
  BlockWork* second = nullptr;
  for (BlockWork& w : work) {
    if (w.block == kSample1 && first == nullptr) first = &w;
    if (w.block == kSample2 && second == nullptr) second = &w;
  }
  const bool comparing = first != nullptr && second != nullptr;
  const Targets fixed = comparing ? targets(first, second) : Targets{};
  if (comparing) first->compared = second->compared = true;
  std::vector<Replicates> replicates;
  for (const BlockWork& w : work) {
    replicates.push_back(draw_replicates(w, fixed));
    out_.blocks.push_back(curve_of(w, replicates.back()));
  }
  if (comparing) {
    const Replicates& r1 = replicates[static_cast<std::size_t>(first - work.data())];
    const Replicates& r2 = replicates[static_cast<std::size_t>(second - work.data())];
    for (const bool effort : {true, false}) {
      Targets one = effort ? Targets{fixed.effort, {}} : Targets{{}, fixed.coverage};
      compare(*first, one, r1);
      compare(*second, one, r2);
    }
  }
  return out_;
}

std::optional<IncidenceModel> CurveMaker::model_of(const Incidence& data) {
  std::string problem;
  if (data.sites < 1 || data.sites > kMaxBlockSites) {
    problem = "it has " + sites_text(data.sites) + ", outside 1.." + std::to_string(kMaxBlockSites);
  }
  for (std::size_t k = 1; k <= data.frequencies.size() && problem.empty(); ++k) {
    const std::int32_t q = data.frequencies[k - 1];
    const std::string f = "f(" + std::to_string(k) + ") = " + std::to_string(q);
    if (q < 0) problem = f + " is negative";
    if (q != 0 && k > static_cast<std::size_t>(data.sites)) {
      problem = f + " counts species at more sites than the block's " + sites_text(data.sites);
    }
  }
  if (!problem.empty()) {
    warn(CurveWarningKind::kInvalidData, block_name(data.block),
         "no curve is made: " + problem +
             " (a curve takes the block's sites and its f(1..T), whole numbers 0 or more)");
    return std::nullopt;
  }
  const std::size_t classes = std::min(data.frequencies.size(), std::size_t(data.sites));
  return IncidenceModel(data.sites, std::vector<double>(data.frequencies.begin(),
                                                        data.frequencies.begin() + classes));
}

void CurveMaker::warn_degenerate(const BlockWork& w) {
  const IncidenceModel& m = w.model;
  const std::string name = block_name(w.block);
  if (!m.has_species()) {
    warn(CurveWarningKind::kNoSpecies, name,
         "no species observed: the curve is 0 at every number of sites, without coverage or "
         "intervals");
  } else if (m.sites() == 1) {
    warn(CurveWarningKind::kOneSite, name,
         "one site: nothing is known of undetected species, so the curve stays at the species "
         "observed beyond it, its coverage is 1 and its intervals have no width");
  } else if (m.counts().back() == m.observed()) {
    warn(CurveWarningKind::kEverySiteEverySpecies, name,
         "every species was detected at every site: the curve is flat at the species observed, "
         "its coverage is 1 and its intervals have no width");
  }
  if (w.endpoint > 2 * m.sites()) {
    warn(CurveWarningKind::kBeyondDoubleEffort, name,
         "the curve is extrapolated to " + sites_text(w.endpoint) + ", beyond twice the block's " +
             sites_text(m.sites()) + ": extrapolation that far is unreliable");
  }
}

std::int32_t CurveMaker::endpoint_of(std::int32_t sites) const {
  const std::optional<std::int32_t>& e = settings_.endpoint;
  return e && *e >= 1 && *e <= kMaxCurveSites ? *e : 2 * sites;
}

Targets CurveMaker::targets(const BlockWork* first, const BlockWork* second) {
  Targets t;
  const BlockWork* samples[] = {first, second};
  if (!settings_.effort) {
    t.effort = std::min(first->model.sites(), second->model.sites());
  } else if (*settings_.effort >= 1) {
    t.effort = settings_.effort;
  } else {
    warn(CurveWarningKind::kSettingRefused, "comparison",
         "the effort " + std::to_string(*settings_.effort) +
             " is below 1 site: the samples are not compared at equal effort");
  }
  if (t.effort) {
    for (const BlockWork* w : samples) {
      if (*t.effort > 2 * w->model.sites()) {
        warn(CurveWarningKind::kBeyondDoubleEffort, block_name(w->block),
             "compared at " + sites_text(*t.effort) + ", beyond twice the sample's " +
                 sites_text(w->model.sites()) + ": extrapolation that far is unreliable");
      }
    }
  }
  for (const BlockWork* w : samples) {
    if (!w->model.has_species()) {
      warn(CurveWarningKind::kComparisonSkipped, block_name(w->block),
           "no species observed, so no coverage: the samples are not compared at equal coverage");
      return t;
    }
  }
  if (!settings_.coverage) {
    t.coverage = std::min(first->model.extrapolated_coverage(first->model.sites()),
                          second->model.extrapolated_coverage(second->model.sites()));
  } else if (*settings_.coverage > 0 && *settings_.coverage <= 1) {
    t.coverage = settings_.coverage;
  } else {
    warn(CurveWarningKind::kSettingRefused, "comparison",
         "the coverage " + std::to_string(*settings_.coverage) +
             " is outside (0, 1]: the samples are not compared at equal coverage");
  }
  return t;
}

Replicates CurveMaker::draw_replicates(const BlockWork& w, const Targets& targets) {
  Replicates r;
  const IncidenceModel& m = w.model;
  if (!m.has_species()) return r;
  const std::string name = block_name(w.block);
  if (settings_.replicates < 2) {
    warn(CurveWarningKind::kNoIntervals, name,
         std::to_string(std::max(settings_.replicates, 0)) +
             " bootstrap replicates: the curve has no intervals (they take 2 or more)");
    return r;
  }
  if (!curves::assemblage_drawable(m)) {
    warn(CurveWarningKind::kNoIntervals, name,
         "the estimated assemblage is too large to draw: the curve has no intervals");
    return r;
  }
  UniformGenerator generator = seeded_generator(settings_.seed, clock_);
  generator.stream() =
      jump_ahead(generator.stream(), static_cast<std::uint64_t>(w.block) * kBlockStreamSpacing);
  const curves::AssemblageSampler sampler(curves::estimated_assemblage(m), m.sites());
  r.drawn = true;
  r.points.resize(static_cast<std::size_t>(w.endpoint));
  std::vector<double> counts;
  for (std::int32_t b = 0; b < settings_.replicates; ++b) {
    sampler.draw(generator, counts);
    const IncidenceModel replicate(m.sites(), counts);
    const Interpolation curve = replicate.interpolate();
    for (std::int32_t t = 1; t <= w.endpoint; ++t) {
      r.points[t - 1].add(replicate.richness_at(curve, t));
    }
    if (!w.compared) continue;
    if (targets.effort) r.effort.add(replicate.richness_at(curve, *targets.effort));
    if (targets.coverage) {
      // A replicate without species has richness 0 at any coverage.
      r.coverage.add(
          replicate.has_species() ? replicate.at_coverage(curve, *targets.coverage).richness : 0.0);
    }
  }
  return r;
}

BlockCurve CurveMaker::curve_of(const BlockWork& w, const Replicates& r) const {
  const IncidenceModel& m = w.model;
  BlockCurve c;
  c.block = w.block;
  c.sites = m.sites();
  c.observed = m.observed();
  c.undetected = m.undetected();
  c.replicates = r.drawn ? settings_.replicates : 0;
  for (std::int32_t t = 1; t <= w.endpoint; ++t) {
    CurvePoint p;
    p.sites = t;
    p.kind = kind_at(t, m.sites());
    p.richness = m.richness_at(w.curve, t);
    if (m.has_species()) p.coverage = m.coverage_at(w.curve, t);
    if (r.drawn) set_interval(p.richness, r, r.points[t - 1], p.lower, p.upper);
    c.points.push_back(p);
  }
  return c;
}

void CurveMaker::compare(const BlockWork& w, const Targets& targets, const Replicates& r) {
  const IncidenceModel& m = w.model;
  StandardisedRichness s;
  s.block = w.block;
  if (targets.effort) {
    const std::int32_t t = *targets.effort;
    s.standard = Standard::kEffort;
    s.sites = t;
    s.kind = kind_at(t, m.sites());
    s.richness = m.richness_at(w.curve, t);
    if (m.has_species()) s.coverage = m.coverage_at(w.curve, t);
    set_interval(s.richness, r, r.effort, s.lower, s.upper);
  } else if (targets.coverage) {
    const curves::CoveragePoint p = m.at_coverage(w.curve, *targets.coverage);
    s.standard = Standard::kCoverage;
    s.kind = p.infinite ? CurveKind::kExtrapolated : kind_at(p.sites, m.sites());
    if (!p.infinite) s.sites = p.sites;
    s.richness = p.richness;
    s.coverage = targets.coverage;
    set_interval(s.richness, r, r.coverage, s.lower, s.upper);
    const std::string name = block_name(w.block);
    if (p.infinite) {
      warn(CurveWarningKind::kInfiniteEffort, name,
           "coverage 1 is reached only at infinite effort: the richness compared is the "
           "asymptote, the species observed and the undetected ones estimated");
    } else if (p.sites > 2.0 * m.sites()) {
      warn(CurveWarningKind::kBeyondDoubleEffort, name,
           "the coverage compared is reached beyond twice the sample's " + sites_text(m.sites()) +
               ": extrapolation that far is unreliable");
    }
  } else {
    return;
  }
  out_.standardised.push_back(s);
}

}  // namespace

ResultCurves estimate_curves(const std::vector<Incidence>& blocks, const CurveSettings& settings) {
  ResultCurves out;
  CurveMaker(settings, out).make(blocks);
  return out;
}

}  // namespace kelvaro

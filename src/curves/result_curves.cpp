// The curves of a run's result, and the names the tables print (kelvaro/curves.h).

#include "kelvaro/curves.h"

namespace kelvaro {

const char* curve_kind_name(CurveKind kind) {
  switch (kind) {
    case CurveKind::kInterpolated:
      return "interpolated";
    case CurveKind::kObserved:
      return "observed";
    case CurveKind::kExtrapolated:
      return "extrapolated";
  }
  return "";
}

const char* standard_name(Standard standard) {
  return standard == Standard::kEffort ? "effort" : "coverage";
}

const char* curve_warning_kind_name(CurveWarningKind kind) {
  switch (kind) {
    case CurveWarningKind::kInvalidData:
      return "invalid_data";
    case CurveWarningKind::kNoIncidence:
      return "no_incidence";
    case CurveWarningKind::kNoSpecies:
      return "no_species";
    case CurveWarningKind::kOneSite:
      return "one_site";
    case CurveWarningKind::kEverySiteEverySpecies:
      return "every_site_every_species";
    case CurveWarningKind::kNoIntervals:
      return "no_intervals";
    case CurveWarningKind::kBeyondDoubleEffort:
      return "beyond_double_effort";
    case CurveWarningKind::kSettingRefused:
      return "setting_refused";
    case CurveWarningKind::kComparisonSkipped:
      return "comparison_skipped";
    case CurveWarningKind::kInfiniteEffort:
      return "infinite_effort";
  }
  return "";
}

std::string format_warning(const CurveWarning& w) {
  return "kelvaro: warning: " + w.block + ": " + w.text;
}

CurveSettings curve_settings(const RunResult& result) {
  CurveSettings s;
  s.replicates = result.options.replicates;
  s.seed = result.options.seed;
  s.clock_seed = result.clock_seed;
  return s;
}

RunIncidence run_incidence(const RunResult& result) {
  RunIncidence out;
  for (const BlockResult& b : result.blocks) {
    if (b.block != kSample1 && b.block != kSample2) continue;
    if (b.classes == b.sites) {
      out.samples.push_back({b.block, b.sites, b.frequencies});
    } else if (b.goodness_of_fit) {  // the frequency pair: the plain f(i) are the M(h) test's
      out.samples.push_back({b.block, b.sites, b.goodness_of_fit->f});
    } else {
      out.left_out.push_back({CurveWarningKind::kNoIncidence, block_name(b.block),
                              "the run estimated from f'(i) and kept no f(i) of this block (it "
                              "has no species or no site data): no curve is made"});
    }
  }
  return out;
}

ResultCurves result_curves(const RunResult& result, const CurveSettings& settings) {
  const RunIncidence incidence = run_incidence(result);
  ResultCurves out = estimate_curves(incidence.samples, settings);
  out.warnings.insert(out.warnings.begin(), incidence.left_out.begin(), incidence.left_out.end());
  return out;
}

}  // namespace kelvaro

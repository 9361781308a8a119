#include "run/warning_log.h"

namespace kelvaro {

std::string format_warning(const Warning& w) {
  std::string s = "kelvaro: warning: ";
  if (w.line > 0) s += "line " + std::to_string(w.line) + ": ";
  return s + w.block + ": " + w.text;
}

const char* warning_kind_name(WarningKind kind) {
  switch (kind) {
    case WarningKind::kExtraNumbers:
      return "extra_numbers";
    case WarningKind::kKeptValue:
      return "kept_value";
    case WarningKind::kNegativeValue:
      return "negative_value";
    case WarningKind::kFractionalValue:
      return "fractional_value";
    case WarningKind::kCountWraps:
      return "count_wraps";
    case WarningKind::kDetectionsDisagree:
      return "detections_disagree";
    case WarningKind::kSiteAboveObserved:
      return "site_above_observed";
    case WarningKind::kSubsetSize:
      return "subset_size";
    case WarningKind::kOrderTestSkipped:
      return "order_test_skipped";
    case WarningKind::kIllConditioned:
      return "ill_conditioned";
    case WarningKind::kOutsideInterval:
      return "outside_interval";
    case WarningKind::kFewReplicates:
      return "few_replicates";
    case WarningKind::kClockSeed:
      return "clock_seed";
    case WarningKind::kModelDoesNotFit:
      return "model_does_not_fit";
    case WarningKind::kFitTestFailed:
      return "fit_test_failed";
    case WarningKind::kNoCommonSpecies:
      return "no_common_species";
    case WarningKind::kIdenticalSamples:
      return "identical_samples";
    case WarningKind::kSingleSpecies:
      return "single_species";
    case WarningKind::kSitesWithoutDetection:
      return "sites_without_detection";
  }
  return "warning";
}

void WarningLog::add(WarningKind kind, std::string block, std::int64_t line, std::string text) {
  warnings_.push_back({kind, std::move(block), line, std::move(text)});
  if (observer_ != nullptr) observer_->warning(warnings_.back());
}

}  // namespace kelvaro

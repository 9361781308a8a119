#include <cstdlib>
#include <string>

#include "kelvaro/report_reader.h"

namespace kelvaro::tidy {
namespace {

std::int32_t whole(std::string_view text) {
  return static_cast<std::int32_t>(std::strtol(std::string(text).c_str(), nullptr, 10));
}

}  // namespace

ResultCurves report_curves(const Report& report) {
  CurveSettings settings;
  if (!report.run.empty()) {
    settings.replicates = std::abs(whole(report.run.cell(0, 0)));  // negative: detail lines
    settings.seed = whole(report.run.cell(0, 1));
  }
  ResultCurves out = estimate_curves(report.incidences, settings);
  std::vector<CurveWarning> left_out;
  for (std::size_t row = 0; row < report.blocks.size(); ++row) {
    const std::string_view name = report.blocks.cell(row, 0);
    if (name != block_name(kSample1) && name != block_name(kSample2)) continue;
    bool found = false;
    for (const Incidence& i : report.incidences) found = found || block_name(i.block) == name;
    if (!found) {
      left_out.push_back({CurveWarningKind::kNoIncidence, std::string(name),
                          "the run estimated from f'(i) and kept no f(i) of this block (it has "
                          "no species or no site data): no curve is made"});
    }
  }
  out.warnings.insert(out.warnings.begin(), left_out.begin(), left_out.end());
  return out;
}

std::vector<std::string> curve_table_names() { return {"curves", "standardised"}; }

}  // namespace kelvaro::tidy

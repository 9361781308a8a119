#include "dynamics/dynamics_summary.h"

#include "dynamics/percentile_interval.h"
#include "dynamics/replicate_statistics.h"

namespace kelvaro {

DynamicsSummary summarise_dynamics(ReplicateTable& table, const Array1<float, 4>& estimates,
                                   ObservedCounts observed, bool range_adjust, bool keep_rows) {
  DynamicsSummary s;
  const std::int32_t n = table.replicates();
  s.replicates = n;
  if (keep_rows) s.rows.reserve(static_cast<std::size_t>(n));
  for (std::int32_t i = 1; i <= n; ++i) {
    derive_replicate_parameters(table, i, range_adjust, observed);
    if (keep_rows) {
      ReplicateRow row;
      for (std::size_t p = 0; p < kReportedParameters.size(); ++p) {
        row.values[p] = table.value(i, kReportedParameters[p]);
      }
      row.detected1 = table.detected(i, 1);
      row.detected2 = table.detected(i, 2);
      s.rows.push_back(row);
    }
  }
  for (int k : kReportedParameters) {
    float* column = n > 0 ? table.column(k) : nullptr;
    s.average(k) = replicate_average(column, n);
    s.error(k) = replicate_error(column, n, s.average(k));
    const PercentileInterval interval = percentile_interval(column, n);
    s.lower(k) = interval.lower;
    s.upper(k) = interval.upper;
  }
  s.data = data_parameters(estimates, observed);
  return s;
}

}  // namespace kelvaro

#pragma once
// The community-dynamics summary of a run: the parameters of every bootstrap replicate and of the
// data, and for each parameter its bootstrap average, standard error and percentile interval.

#include <array>
#include <cstdint>
#include <vector>

#include "dynamics/parameter_table.h"
#include "dynamics/parameters.h"
#include "dynamics/replicate_table.h"
#include "kelvaro/kelvaro.h"

namespace kelvaro {

// The replicate-table columns of the eleven parameters the summary reports, in their order.
inline constexpr std::array<int, kParameterCount> kReportedParameters = [] {
  std::array<int, kParameterCount> columns{};
  for (std::size_t i = 0; i < columns.size(); ++i) columns[i] = kParameterTable[i].column;
  return columns;
}();

struct DynamicsSummary {
  std::int32_t replicates = 0;
  ParameterValues data{};     // the data's values (estimates not rounded)
  ParameterValues average{};  // bootstrap averages
  ParameterValues error{};    // bootstrap standard errors
  ParameterValues lower{};    // percentile interval
  ParameterValues upper{};
  // Every replicate's derived row (the reported parameters in order), in replicate order, if kept.
  std::vector<ReplicateRow> rows;
};

// Derives every replicate row in order (range_adjust holds replicate values to their natural
// ranges), then for each reported parameter the average and standard error over the replicate
// order and the interval, which leaves that column of the table sorted; the data values come from
// the four unrounded estimates and the observed counts, independent of the range adjustment.
// keep_rows: the derived rows are kept (before any sorting).
DynamicsSummary summarise_dynamics(ReplicateTable& table, const Array1<float, 4>& estimates,
                                   ObservedCounts observed, bool range_adjust, bool keep_rows);

}  // namespace kelvaro

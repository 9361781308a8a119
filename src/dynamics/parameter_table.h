#pragma once
// The eleven parameters a run reports, in the order of its summary: each with its name, the label
// the report's parameter table prints, the replicate-table column it comes from and the decimals
// it is printed with (2 for numbers of species, 4 for proportions and rates).

#include <array>

#include "kelvaro/kelvaro.h"

namespace kelvaro {

struct SummaryParameter {
  const char* name;   // as RunResult::parameters names it
  const char* label;  // as the report's parameter table prints it
  int column;         // in the replicate table (column 10 is unused)
  int decimals;
};

// The names and decimals are the public kParameterDefinitions; the labels and columns are the
// report's and the replicate table's.
inline constexpr std::array<SummaryParameter, kParameterCount> kParameterTable = [] {
  constexpr const char* kLabels[kParameterCount] = {
      "    N(1)", "    N(2)",  "  M2(R1)", "  M1(R2)", "PHI",    "GAMMA",
      "LAMBDA",   "altLAMBDA", "B",        "  p(1)",   "  p(2)",
  };
  constexpr int kColumns[kParameterCount] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12};
  std::array<SummaryParameter, kParameterCount> table{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    const ParameterDefinition& d = kParameterDefinitions[i];
    table[i] = {d.name, kLabels[i], kColumns[i], d.decimals};
  }
  return table;
}();

}  // namespace kelvaro

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

inline constexpr std::array<SummaryParameter, kParameterCount> kParameterTable = {{
    {"N(1)", "    N(1)", 1, 2},
    {"N(2)", "    N(2)", 2, 2},
    {"M2(R1)", "  M2(R1)", 3, 2},
    {"M1(R2)", "  M1(R2)", 4, 2},
    {"PHI", "PHI", 5, 4},
    {"GAMMA", "GAMMA", 6, 4},
    {"LAMBDA", "LAMBDA", 7, 4},
    {"altLAMBDA", "altLAMBDA", 8, 4},
    {"B", "B", 9, 2},
    {"p(1)", "  p(1)", 11, 4},
    {"p(2)", "  p(2)", 12, 4},
}};

}  // namespace kelvaro

#pragma once
// What a cell of a detection table says about one species at one site (or a count column about
// one record): detected or not. The vocabulary is what spreadsheets of field data hold:
//
//   detected:      a number above 0 ("3", "0.5", "1e-3"), x, TRUE, yes, present
//   not detected:  empty, a number of 0 or below, FALSE, no, absent
//   refused:       NA, NaN (a missing value: fill it in, or take it as absent with na_absent),
//                  and anything else
//
// Words in any case, blanks around the value ignored; with a decimal comma "0,5" is a half.

#include <optional>
#include <string>
#include <string_view>

namespace kelvaro::csv {

struct CellRules {
  bool decimal_comma = false;  // numbers may be written "0,5" (semicolon-separated files)
  bool na_absent = false;      // NA and NaN mean "not detected" instead of being refused
};

// True or false as above; nullopt for a refused cell.
std::optional<bool> detected(std::string_view cell, const CellRules& rules);

// Why `cell` is refused, and what is accepted instead.
// Requires: detected(cell, rules) is nullopt.
std::string cell_refusal(std::string_view cell, const CellRules& rules);

}  // namespace kelvaro::csv

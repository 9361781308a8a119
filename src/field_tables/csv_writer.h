#pragma once
// RFC 4180 CSV output: a field is quoted only when it holds a comma, a quote, CR or LF, or begins
// with '#' (which readers told to skip comment lines would otherwise take for one); quotes
// inside are doubled; rows end in CR LF.
//
//   {"a", "b,c", "x\"y", "#1"}  ->  a,"b,c","x""y","#1"\r\n

#include <string>
#include <string_view>

namespace kelvaro::csv {

// The field as it appears in a CSV row.
std::string csv_field(std::string_view text);

// Appends one row and its CR LF to `out`. `fields`: any range of strings or string views; an
// empty range gives an empty line.
template <class Fields>
void append_csv_row(std::string& out, const Fields& fields) {
  bool first = true;
  for (const auto& field : fields) {
    if (!first) out += ',';
    first = false;
    out += csv_field(field);
  }
  out += "\r\n";
}

}  // namespace kelvaro::csv

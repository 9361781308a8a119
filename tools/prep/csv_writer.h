#pragma once
// RFC 4180 CSV output: a field is quoted only when it holds a comma, a quote, CR or LF (quotes
// inside are doubled); rows end in CR LF.
//
//   {"a", "b,c", "x\"y"}  ->  a,"b,c","x""y"\r\n

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace kelvaro::prep {

// The field as it appears in a CSV row.
std::string csv_field(std::string_view text);

// Writes one row and its CR LF. An empty vector writes an empty line.
void write_csv_row(std::ostream& out, const std::vector<std::string>& fields);

}  // namespace kelvaro::prep

#pragma once
// The CSV dialects of field data: comma-separated (RFC 4180), semicolon-separated with decimal
// commas (what spreadsheets write where the comma is the decimal mark), and tab-separated. The
// separator is found in the header row: the one of the three that occurs most often outside
// quotes; ties go to comma, then semicolon; a header with none of them is one comma column.
//
//   site,a,b            -> ','      site;Genus, sp.;b -> ';'      "a;b",c -> ','
//   site<TAB>a;b<TAB>c  -> '\t'     site              -> ','

#include <optional>
#include <string>
#include <string_view>

namespace kelvaro::csv {

// "comma", "semicolon" or "tab". Requires: separator is one of ',', ';', '\t'.
std::string separator_name(char separator);

// True where numbers are written with a decimal comma ("0,5"): with the semicolon.
inline bool decimal_comma(char separator) { return separator == ';'; }

// The separator of a header row given without its line end.
char detect_separator(std::string_view header);

// The separator an option names: ",", ";", a tab character, or the words comma, semicolon, tab
// (any case). Degenerate input: anything else gives nullopt.
std::optional<char> separator_from_option(std::string_view text);

// The --sep option of the programs: sets `separator` to what `text` names (left as it is when
// `text` is empty) and returns nullopt, or returns the message for text that names none:
// "--sep 'x': give comma, semicolon or tab (or the character , or ;)".
std::optional<std::string> read_separator_option(std::string_view text,
                                                 std::optional<char>& separator);

}  // namespace kelvaro::csv

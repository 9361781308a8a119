#include "report_reader/input_kind.h"

#include <charconv>

namespace kelvaro::tidy {
namespace {

bool is_separator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; }

// The first two values of the line are integers, as in kelvaro's header record t1 t2 ...
bool starts_with_two_integers(std::string_view line) {
  int found = 0;
  while (found < 2) {
    while (!line.empty() && is_separator(line.front())) line.remove_prefix(1);
    std::size_t end = 0;
    while (end < line.size() && !is_separator(line[end])) ++end;
    std::string_view token = line.substr(0, end);
    if (!token.empty() && (token.front() == '-' || token.front() == '+')) token.remove_prefix(1);
    long value = 0;
    const auto [stop, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (token.empty() || ec != std::errc() || stop != token.data() + token.size()) return false;
    line.remove_prefix(end);
    ++found;
  }
  return true;
}

}  // namespace

std::optional<std::string> other_file_kind(std::string_view first_line) {
  if (starts_with_two_integers(first_line)) {
    return "this looks like kelvaro's input, not its report (run kelvaro on it first)";
  }
  if (first_line.find_first_of(",;\t") != std::string_view::npos) {
    return "this looks like a CSV table, not a kelvaro report (kelvaro-tidy reads the report "
           "that kelvaro writes; kelvaro-prep turns detection tables into kelvaro's input)";
  }
  return std::nullopt;
}

}  // namespace kelvaro::tidy

#include <algorithm>
#include <array>
#include <cctype>

#include "kelvaro/field_tables.h"

namespace kelvaro::csv {

std::string separator_name(char separator) {
  return separator == ';' ? "semicolon" : separator == '\t' ? "tab" : "comma";
}

char detect_separator(std::string_view header) {
  constexpr std::array<char, 3> kCandidates = {',', ';', '\t'};  // in order of preference
  std::array<long, 3> counts = {0, 0, 0};
  bool quoted = false;
  for (char c : header) {
    if (c == '"') quoted = !quoted;  // a doubled quote toggles twice: no net change
    if (quoted) continue;
    for (std::size_t i = 0; i < kCandidates.size(); ++i) counts[i] += c == kCandidates[i];
  }
  const auto best = std::max_element(counts.begin(), counts.end());  // the first of equals
  return kCandidates[static_cast<std::size_t>(best - counts.begin())];
}

std::optional<char> separator_from_option(std::string_view text) {
  std::string word;
  for (char c : text) word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (word == "," || word == "comma") return ',';
  if (word == ";" || word == "semicolon") return ';';
  if (word == "\t" || word == "tab" || word == "\\t") return '\t';
  return std::nullopt;
}

std::optional<std::string> read_separator_option(std::string_view text,
                                                 std::optional<char>& separator) {
  if (text.empty()) return std::nullopt;
  separator = separator_from_option(text);
  if (separator) return std::nullopt;
  return "--sep " + tools::quoted_excerpt(text) +
         ": give comma, semicolon or tab (or the character , or ;)";
}

}  // namespace kelvaro::csv

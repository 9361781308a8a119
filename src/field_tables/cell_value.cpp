#include "field_tables/cell_value.h"

#include <array>
#include <charconv>
#include <cmath>

#include "kelvaro/compat.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::csv {
namespace {

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool same_word(std::string_view s, std::string_view lower_word) {
  if (s.size() != lower_word.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i] >= 'A' && s[i] <= 'Z' ? static_cast<char>(s[i] - 'A' + 'a') : s[i];
    if (c != lower_word[i]) return false;
  }
  return true;
}

bool is_missing_value(std::string_view s) { return same_word(s, "na") || same_word(s, "nan"); }

std::optional<bool> word_value(std::string_view s) {
  for (std::string_view word : {"x", "true", "yes", "present"}) {
    if (same_word(s, word)) return true;
  }
  for (std::string_view word : {"false", "no", "absent"}) {
    if (same_word(s, word)) return false;
  }
  return std::nullopt;
}

std::optional<double> number_value(std::string_view s, bool decimal_comma) {
  std::string text(s);
  if (decimal_comma) {
    const std::size_t comma = text.find(',');
    if (comma != std::string::npos && text.find_first_of(",.", comma + 1) == std::string::npos &&
        text.find('.') == std::string::npos) {
      text[comma] = '.';
    }
  }
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double v = 0.0;
  const auto [end, ec] = compat::from_chars(digits.data(), digits.data() + digits.size(), v);
  // An infinity is refused as a number too large to hold is ("inf" as "1e999").
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
      std::isnan(v) || std::isinf(v)) {
    return std::nullopt;
  }
  return v;
}

// A count written as plain digits ("0", "3", "012"): above 0 when a digit is not 0. Only up to
// 15 digits, which every double holds exactly, so that the answer is the one number_value's
// reading would give; longer texts take that path. Nearly every count column is of this form,
// and a table of millions of records reads faster for it.
std::optional<bool> plain_count(std::string_view s) {
  constexpr std::size_t kExactDigits = 15;
  if (s.empty() || s.size() > kExactDigits) return std::nullopt;
  bool above_zero = false;
  for (const char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    above_zero |= c != '0';
  }
  return above_zero;
}

}  // namespace

std::optional<bool> detected(std::string_view cell, const CellRules& rules) {
  if (const auto count = plain_count(cell)) return count;
  const std::string_view s = trimmed(cell);
  if (s.empty()) return false;
  if (is_missing_value(s)) return rules.na_absent ? std::optional<bool>(false) : std::nullopt;
  if (const auto word = word_value(s)) return word;
  if (const auto number = number_value(s, rules.decimal_comma)) return *number > 0.0;
  return std::nullopt;
}

std::string cell_refusal(std::string_view cell, const CellRules& rules) {
  std::string reason = tools::quoted_excerpt(cell) +
                       " is not a detection value: a cell must be a number (above 0: detected" +
                       (rules.decimal_comma ? ", decimal comma allowed" : "") +
                       "), empty (not detected), x, TRUE/FALSE, yes/no or present/absent";
  if (is_missing_value(trimmed(cell))) {
    reason += "; NA marks a missing value: fill it in, or give --na-absent to take it as absent";
  }
  return reason;
}

}  // namespace kelvaro::csv

#include "darwin_core/event_date.h"

#include "darwin_core/term_names.h"

namespace kelvaro::dwc {
namespace {

bool digits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// "05" -> "5"; nullopt outside [1, most].
std::optional<std::string> number_in(std::string_view text, int most) {
  if (text.size() != 2 || !digits(text)) return std::nullopt;
  const int value = (text[0] - '0') * 10 + (text[1] - '0');
  if (value < 1 || value > most) return std::nullopt;
  return std::to_string(value);
}

}  // namespace

std::optional<DateParts> date_parts(std::string_view event_date) {
  std::string_view start = trimmed(event_date);
  start = start.substr(0, start.find('/'));
  start = start.substr(0, start.find_first_of("Tt "));
  DateParts parts;
  if (start.size() == 8 && digits(start)) {  // the basic format, 20190503
    parts.year = std::string(start.substr(0, 4));
    const auto month = number_in(start.substr(4, 2), 12);
    const auto day = number_in(start.substr(6, 2), 31);
    if (!month || !day) return std::nullopt;
    parts.month = *month;
    parts.day = *day;
    return parts;
  }
  if (start.size() < 4 || !digits(start.substr(0, 4))) return std::nullopt;
  parts.year = std::string(start.substr(0, 4));
  if (start.size() == 4) return parts;
  if (start[4] != '-') return std::nullopt;
  const auto month = number_in(start.substr(5, 2), 12);
  if (!month) return std::nullopt;
  parts.month = *month;
  if (start.size() == 7) return parts;
  if (start.size() != 10 || start[7] != '-') return std::nullopt;
  const auto day = number_in(start.substr(8, 2), 31);
  if (!day) return std::nullopt;
  parts.day = *day;
  return parts;
}

}  // namespace kelvaro::dwc

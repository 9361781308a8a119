// JSON renderings of the tables' rows (kelvaro/tables.h).

#include <algorithm>

#include "kelvaro/tables.h"

namespace kelvaro {

std::optional<std::string> json_number(std::string_view printed) {
  if (printed.empty() || printed.find_first_of("*NI") != std::string_view::npos) {
    return std::nullopt;  // asterisks, NaN, Inf, Infinity
  }
  std::string out;
  if (printed.front() == '-') out += '-';
  if (printed.front() == '-' || printed.front() == '+') printed.remove_prefix(1);
  const std::size_t e = printed.find('E');
  const std::string_view mantissa = printed.substr(0, e);
  const std::string_view exponent = e == std::string_view::npos ? "" : printed.substr(e);
  const std::size_t dot = std::min(mantissa.find('.'), mantissa.size());
  std::string_view whole = mantissa.substr(0, dot);
  const std::string_view fraction = dot < mantissa.size() ? mantissa.substr(dot + 1) : "";
  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);  // JSON: no "05"
  out += whole.empty() ? std::string_view("0") : whole;
  if (!fraction.empty()) {
    out += '.';
    out += fraction;
  }
  out += exponent;
  return out;
}

std::string json_string(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out(1, '"');
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += ch;
    }
  }
  out += '"';
  return out;
}

std::string json_row(const Table& table, std::size_t row) {
  std::string out = "{";
  for (std::size_t c = 0; c < table.columns().size(); ++c) {
    const Column& column = table.columns()[c];
    const std::string_view value = table.cell(row, c);
    if (c > 0) out += ", ";
    out += json_string(column.name);
    out += ": ";
    if (column.label) {
      out += json_string(value);
    } else if (value.empty()) {
      out += "null";
    } else if (const auto number = json_number(value)) {
      out += *number;
    } else {
      std::string text_name(column.name);
      text_name += "_text";
      out += "null, ";
      out += json_string(text_name);
      out += ": ";
      out += json_string(value);
    }
  }
  out += '}';
  return out;
}

}  // namespace kelvaro

#include "tidy/json_writer.h"

#include <algorithm>

namespace kelvaro::tidy {
namespace {

// A row as one JSON object on one line.
std::string row_object(const Table& table, std::size_t row) {
  std::string out = "{";
  for (std::size_t c = 0; c < table.columns().size(); ++c) {
    const Column& column = table.columns()[c];
    const std::string_view value = table.cell(row, c);
    if (c > 0) out += ", ";
    out += json_string(column.name) + ": ";
    if (column.label) {
      out += json_string(value);
    } else if (value.empty()) {
      out += "null";
    } else if (const auto number = json_number(value)) {
      out += *number;
    } else {
      out += "null, " + json_string(std::string(column.name) + "_text") + ": " + json_string(value);
    }
  }
  return out + "}";
}

void write_table(tools::Output& out, const Table& table) {
  out.write("  " + json_string(table.name()) + ": ");
  const bool single = table.kind() == TableKind::kRun || table.kind() == TableKind::kTest;
  if (single) {
    out.write(table.empty() ? std::string("null") : row_object(table, 0));
    return;
  }
  if (table.empty()) {
    out.write("[]");
    return;
  }
  out.write("[\n");
  for (std::size_t r = 0; r < table.size(); ++r) {
    out.write("    " + row_object(table, r) + (r + 1 < table.size() ? ",\n" : "\n"));
  }
  out.write("  ]");
}

}  // namespace

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
  out += whole.empty() ? "0" : std::string(whole);
  if (!fraction.empty()) out += "." + std::string(fraction);
  out += exponent;
  return out;
}

std::string json_string(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
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
  return out + "\"";
}

void write_json(tools::Output& out, const Report& report, bool with_replicates) {
  out.write("{\n");
  const std::vector<const Table*> tables = tables_of(report, with_replicates);
  for (std::size_t i = 0; i < tables.size(); ++i) {
    write_table(out, *tables[i]);
    out.write(i + 1 < tables.size() ? ",\n" : "\n");
  }
  out.write("}\n");
}

}  // namespace kelvaro::tidy

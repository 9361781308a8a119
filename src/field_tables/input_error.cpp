#include "kelvaro/field_tables.h"

namespace kelvaro::csv {
namespace {

std::string place(const std::string& file, long line, long column, char separator, LineUnit unit) {
  std::string text = file;
  if (separator != 0) text += " (" + separator_name(separator) + "-separated)";
  if (line > 0) {
    text += (unit == LineUnit::kRow ? ", row " : ", line ") + std::to_string(line) + ", column " +
            std::to_string(column);
  }
  return text;
}

}  // namespace

InputError::InputError(std::string file, long line, long column, const std::string& reason,
                       char separator, LineUnit unit)
    : std::runtime_error(place(file, line, column, separator, unit) + ": " + reason),
      file_(std::move(file)),
      line_(line),
      column_(column),
      reason_(reason),
      unit_(unit) {}

}  // namespace kelvaro::csv

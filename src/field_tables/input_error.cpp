#include "kelvaro/field_tables.h"

namespace kelvaro::csv {
namespace {

std::string place(const std::string& file, long line, long column, char separator) {
  std::string text = file;
  if (separator != 0) text += " (" + separator_name(separator) + "-separated)";
  if (line > 0) text += ", line " + std::to_string(line) + ", column " + std::to_string(column);
  return text;
}

}  // namespace

InputError::InputError(std::string file, long line, long column, const std::string& reason,
                       char separator)
    : std::runtime_error(place(file, line, column, separator) + ": " + reason),
      file_(std::move(file)),
      line_(line),
      column_(column),
      reason_(reason) {}

}  // namespace kelvaro::csv

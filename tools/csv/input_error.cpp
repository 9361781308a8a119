#include "csv/input_error.h"

namespace kelvaro::csv {
namespace {

std::string place(const std::string& file, long line, long column) {
  std::string text = file;
  if (line > 0) text += ", line " + std::to_string(line) + ", column " + std::to_string(column);
  return text;
}

}  // namespace

InputError::InputError(std::string file, long line, long column, const std::string& reason)
    : std::runtime_error(place(file, line, column) + ": " + reason),
      file_(std::move(file)),
      line_(line),
      column_(column),
      reason_(reason) {}

}  // namespace kelvaro::csv

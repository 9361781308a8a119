#include "prep/input_error.h"

namespace kelvaro::prep {

InputError::InputError(std::string file, long line, long column, const std::string& reason)
    : std::runtime_error(line > 0 ? file + ", line " + std::to_string(line) + ", column " +
                                        std::to_string(column) + ": " + reason
                                  : file + ": " + reason),
      file_(std::move(file)),
      line_(line),
      column_(column),
      reason_(reason) {}

}  // namespace kelvaro::prep

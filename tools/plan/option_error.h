#pragma once
// A command-line value kelvaro-plan refuses; what() says what is wrong and how to put it right,
// without the program's name.

#include <stdexcept>
#include <string>

namespace kelvaro::plan {

class OptionError : public std::runtime_error {
 public:
  explicit OptionError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kelvaro::plan

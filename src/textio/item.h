#pragma once
// One item of a write statement: a 32-bit integer, a single- or double-precision real, or text.
// Text is copied as it stands, trailing blanks included.

#include <cstdint>
#include <string_view>

namespace kelvaro::textio {

struct Item {
  enum class Kind { Integer, Real, Double, Text };
  Kind kind;
  std::int32_t i = 0;
  float r = 0.0f;
  double d = 0.0;
  std::string_view s;

  Item(std::int32_t v) : kind(Kind::Integer), i(v) {}
  Item(float v) : kind(Kind::Real), r(v) {}
  Item(double v) : kind(Kind::Double), d(v) {}
  Item(std::string_view v) : kind(Kind::Text), s(v) {}
  Item(const char* v) : kind(Kind::Text), s(v) {}
};

}  // namespace kelvaro::textio

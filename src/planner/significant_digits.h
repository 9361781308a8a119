#pragma once
// A number as kelvaro-plan prints it, with a given count of significant digits (printf's %.*g):
//   (0.123456789, 6) -> "0.123457"   (1234567.0, 6) -> "1.23457e+06"   (0.0, 3) -> "0"
//   (0.1, 3) -> "0.1"   (9.9951, 3) -> "10"
// NaN and the infinities come out as printf writes them: callers print them their own way.

#include <cstdio>
#include <string>

namespace kelvaro::plan {

// Requires: 1 <= digits <= 17.
inline std::string significant_digits(double v, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*g", digits, v);
  return text;
}

}  // namespace kelvaro::plan

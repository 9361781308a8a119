#pragma once
// Standard-library pieces that one of the compilers the project builds with lacks. Debian's
// emscripten (clang 14 with the libc++ of its time), which builds the web page, has no
// std::bit_cast (clang 14 has the builtin that implements it) and no std::from_chars or
// std::to_chars for floating-point numbers. One source serves both compilers.

#include <bit>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>
#include <version>

namespace kelvaro::compat {

#if defined(__cpp_lib_bit_cast)
using std::bit_cast;
#else
// The object representation of `from` as a To (std::bit_cast).
template <class To, class From>
constexpr To bit_cast(const From& from) noexcept {
  static_assert(sizeof(To) == sizeof(From), "bit_cast needs types of one size");
  return __builtin_bit_cast(To, from);
}
#endif

// std::from_chars of a double (chars_format::general) through strtod in the C locale, for a
// library without it: no leading blanks or '+', no hexadecimal form ("0x1p3" reads as 0,
// stopping at 'x'); a value beyond the range of doubles is result_out_of_range and leaves `value`
// as it was (a subnormal value is read). Defined everywhere, so that a test can hold it to the
// standard one.
//   "2.5e3"  -> 2500, all read          "12ab" -> 12, stops at 'a'
//   " 1", "+1", "", "-" -> invalid_argument          "1e999" -> result_out_of_range
inline std::from_chars_result from_chars_by_strtod(const char* first, const char* last,
                                                   double& value) {
  const std::string text(first, last);
  const char* s = text.c_str();
  const std::size_t sign = !text.empty() && text[0] == '-' ? 1 : 0;
  if (text.size() == sign || text[sign] == '+' || text[sign] == '-' ||
      std::isspace(static_cast<unsigned char>(text[sign])) != 0) {
    return {first, std::errc::invalid_argument};
  }
  const bool hexadecimal = text.size() > sign + 1 && text[sign] == '0' &&
                           (text[sign + 1] == 'x' || text[sign + 1] == 'X');
  if (hexadecimal) {
    value = sign != 0 ? -0.0 : 0.0;
    return {first + sign + 1, std::errc()};
  }
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(s, &end);
  if (end == s) return {first, std::errc::invalid_argument};
  const char* stop = first + (end - s);
  // strtod also says ERANGE for a subnormal result, which from_chars returns as it is.
  if (errno == ERANGE && (std::isinf(v) || v == 0.0)) {
    return {stop, std::errc::result_out_of_range};
  }
  value = v;
  return {stop, std::errc()};
}

#if defined(__cpp_lib_to_chars)
using std::from_chars;
#else
using std::from_chars;  // the integer overloads
inline std::from_chars_result from_chars(const char* first, const char* last, double& value) {
  return from_chars_by_strtod(first, last, value);
}
#endif

// std::to_chars of a finite double in its shortest form (no format given) through snprintf and
// strtod: the fewest significant digits that read back as `value`, correctly rounded, written in
// fixed or scientific style, whichever is shorter (fixed on a tie); a fixed integer is the
// double's exact value. Defined everywhere, so that a test can hold it to the standard one.
//   17.9 -> "17.9"   1.5e20 -> "1.5e+20"   123000 -> "123000"   1e-7 -> "1e-07"   -0.0 -> "-0"
// Requires: `value` is finite; [first, last) holds at least 25 characters.
inline std::to_chars_result to_chars_shortest_by_printf(char* first, char* last, double value) {
  char buffer[40];
  int precision = 1;  // significant digits
  for (; precision < 17; ++precision) {
    std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, value);
    if (std::strtod(buffer, nullptr) == value) break;
  }
  std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, value);
  const std::string scientific(buffer);
  const std::size_t sign = scientific[0] == '-' ? 1 : 0;
  const std::size_t e = scientific.find('e');
  std::string digits = scientific.substr(sign, 1);
  if (precision > 1) digits += scientific.substr(sign + 2, e - sign - 2);
  const int exponent = std::atoi(scientific.c_str() + e + 1);
  const int count = static_cast<int>(digits.size());
  std::string fixed = sign != 0 ? "-" : "";
  if (exponent >= count - 1) {  // an integer: its exact value
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
    fixed = buffer;
  } else if (exponent >= 0) {
    fixed += digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
  } else {
    fixed += "0." + std::string(-exponent - 1, '0') + digits;
  }
  const std::string& text = fixed.size() <= scientific.size() ? fixed : scientific;
  if (static_cast<std::size_t>(last - first) < text.size()) {
    return {last, std::errc::value_too_large};
  }
  for (const char c : text) *first++ = c;
  return {first, std::errc()};
}

#if defined(__cpp_lib_to_chars)
inline std::to_chars_result to_chars_shortest(char* first, char* last, double value) {
  return std::to_chars(first, last, value);
}
#else
inline std::to_chars_result to_chars_shortest(char* first, char* last, double value) {
  return to_chars_shortest_by_printf(first, last, value);
}
#endif

}  // namespace kelvaro::compat

#pragma once
// Standard-library pieces that one of the compilers the project builds with lacks. Debian's
// emscripten (clang 14 with the libc++ of its time), which builds the web page, has no
// std::bit_cast (clang 14 has the builtin that implements it) and no std::from_chars for
// floating-point numbers. One source serves both compilers.

#include <bit>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <charconv>
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

}  // namespace kelvaro::compat

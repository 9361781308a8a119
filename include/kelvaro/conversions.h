#pragma once
// Conversions and integer arithmetic with defined results for every input.
// Float-to-integer conversion truncates toward zero; NaN and values whose integer part does not
// fit in 32 bits give -2147483648, the value x86 processors give for an invalid conversion.
// Integer sums and products wrap modulo 2^32 (two's complement), without undefined behaviour.

#include <cstdint>

namespace kelvaro {

inline constexpr std::int32_t kInvalidInt = INT32_MIN;

// trunc(v) toward zero as a 32-bit integer; -2147483648 when NaN or out of range.
inline std::int32_t trunc_to_int(float v) {
  // 2147483648.0f = 2^31 is exact; every float in [-2^31, 2^31) truncates into range.
  if (v >= -2147483648.0f && v < 2147483648.0f) return static_cast<std::int32_t>(v);
  return kInvalidInt;
}

inline std::int32_t trunc_to_int(double v) {
  if (v > -2147483649.0 && v < 2147483648.0) return static_cast<std::int32_t>(v);
  return kInvalidInt;
}

// trunc(v) toward zero as a 64-bit integer; -2^63 when NaN or out of range.
inline std::int64_t trunc_to_int64(double v) {
  // 2^63 = 9223372036854775808.0 is exact; every double in [-2^63, 2^63) truncates into range.
  if (v >= -9223372036854775808.0 && v < 9223372036854775808.0) return static_cast<std::int64_t>(v);
  return INT64_MIN;
}

// True when trunc(v) is representable as a 32-bit integer (NaN and infinities are not).
inline bool fits_int(float v) { return v >= -2147483648.0f && v < 2147483648.0f; }

inline std::int32_t wrap_add(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

inline std::int32_t wrap_sub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

inline std::int32_t wrap_mul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

inline std::int32_t wrap_neg(std::int32_t a) { return wrap_sub(0, a); }

// |a| modulo 2^32: -2147483648 stays -2147483648.
inline std::int32_t wrap_abs(std::int32_t a) { return a < 0 ? wrap_neg(a) : a; }

}  // namespace kelvaro

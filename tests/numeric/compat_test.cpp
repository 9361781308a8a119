// The standard-library fallbacks of numeric/compat.h held to the standard functions they stand in
// for, where this compiler has them.

#include "numeric/compat.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace kelvaro {
namespace {

TEST(Compat, BitCastGivesTheRepresentation) {
  EXPECT_EQ(compat::bit_cast<std::uint64_t>(1.0), 0x3FF0000000000000u);
  EXPECT_EQ(compat::bit_cast<std::uint32_t>(-0.0f), 0x80000000u);
  EXPECT_EQ(compat::bit_cast<float>(0x7F800000u), INFINITY);
}

// Every case: what the strtod fallback reads is what std::from_chars reads (value, the end of
// what was consumed, the error), including the header's worked examples.
TEST(Compat, FromCharsByStrtodAgreesWithTheStandardOne) {
  const char* cases[] = {
      "2.5e3", "12ab", "0", "-0", "3.", ".5", "-.5", "1e-5", "007", "1.7976931348623157e308",
      "4.9e-324", "2.2e-310", "1e-400", "-1e-400", "0e-400", "1e999", "-1e999", "inf",
      "-Infinity", "nan", "NaN(123)", "0x1p3", "-0x10",
      "1e", "1e+", "1.5e+2x", " 1", "+1", "", "-", "--1", "abc", ".", "e5", "1,5", "0.1",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(std::string("\"") + text + "\"");
    const std::string s(text);
    double expected = 42.0;
    double actual = 42.0;
    const auto want = std::from_chars(s.data(), s.data() + s.size(), expected);
    const auto got = compat::from_chars_by_strtod(s.data(), s.data() + s.size(), actual);
    EXPECT_EQ(got.ec, want.ec);
    EXPECT_EQ(got.ptr - s.data(), want.ptr - s.data());
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(actual));
    } else {
      EXPECT_EQ(compat::bit_cast<std::uint64_t>(actual), compat::bit_cast<std::uint64_t>(expected));
    }
  }
}

}  // namespace
}  // namespace kelvaro

// The standard-library fallbacks of kelvaro/compat.h held to the standard functions they stand in
// for, where this compiler has them.

#include "kelvaro/compat.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

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
      "2.5e3",    "12ab",     "0",      "-0",        "3.",
      ".5",       "-.5",      "1e-5",   "007",       "1.7976931348623157e308",
      "4.9e-324", "2.2e-310", "1e-400", "-1e-400",   "0e-400",
      "1e999",    "-1e999",   "inf",    "-Infinity", "nan",
      "NaN(123)", "0x1p3",    "-0x10",  "1e",        "1e+",
      "1.5e+2x",  " 1",       "+1",     "",          "-",
      "--1",      "abc",      ".",      "e5",        "1,5",
      "0.1",
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

// The printf fallback of the shortest std::to_chars gives the standard one's characters: the
// header's examples, edge values, the estimators' kind of values (sums of fractions) and doubles
// of every magnitude from fixed random bit patterns.
TEST(Compat, ShortestToCharsByPrintfAgreesWithTheStandardOne) {
  std::vector<double> values = {17.9,
                                1.5e20,
                                123000,
                                1e-7,
                                -0.0,
                                0.0,
                                1.0,
                                -2.5,
                                0.1,
                                1.0 / 3,
                                5e-324,
                                2.2250738585072014e-308,
                                1.7976931348623157e308,
                                123456789012345680.0,
                                1.2345678901234567e21,
                                1e21,
                                1e22,
                                1e23,
                                9007199254740993.0,
                                0.000123,
                                0.0001,
                                1e16,
                                1e15,
                                99999.5};
  for (int i = 1; i < 2000; ++i) values.push_back(i / 7.0 + i * 0.001);
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  for (int i = 0; i < 5000; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    const double v = compat::bit_cast<double>(state);
    if (std::isfinite(v)) values.push_back(v);
  }
  for (const double v : values) {
    char want[64];
    char got[64];
    const auto w = std::to_chars(want, want + sizeof want, v);
    const auto g = compat::to_chars_shortest_by_printf(got, got + sizeof got, v);
    ASSERT_EQ(g.ec, std::errc());
    ASSERT_EQ(std::string(got, g.ptr), std::string(want, w.ptr))
        << "bits " << std::hex << compat::bit_cast<std::uint64_t>(v);
  }
}

}  // namespace
}  // namespace kelvaro

// Inputs at and beyond the edges of the data model: each runs to its end with exit status 0 (and,
// in the sanitizer build, without any report).

#include <gtest/gtest.h>

#include <string>

#include "support/run_helpers.h"

namespace kelvaro {
namespace {

// Sample 1 with the given frequencies and site counts; the other blocks ordinary.
std::string odd_sample1(const std::string& header, const std::string& f, const std::string& n) {
  return header + "\n" + f + "\n" + n + "\n4 2 1\n5 4 3\n3 1 1\n4 3 2\n3 1 1\n4 3 2\n";
}

// Four blocks of t classes with the same frequencies and site counts.
std::string four_blocks(const std::string& header, const std::string& f, const std::string& n,
                        const std::string& pair_line = "") {
  std::string s = header + "\n";
  for (int b = 0; b < 4; ++b)
    s += f + "\n" + n + "\n" + pair_line + (pair_line.empty() ? "" : "\n");
  return s;
}

TEST(Hardening, EdgeInputsRunToTheirEnd) {
  struct {
    const char* what;
    std::string input;
  } cases[] = {
      {"huge frequency", odd_sample1("3 3 0 5 400", "3000000000 2 1", "5 4 3")},
      {"frequency far above any count", odd_sample1("3 3 0 5 400", "1e30 2 1", "5 4 3")},
      {"NaN frequency", odd_sample1("3 3 0 5 400", "NaN 2 1", "5 4 3")},
      {"infinite frequency", odd_sample1("3 3 0 5 400", "4 -Inf 1", "5 4 3")},
      {"negative frequencies and site counts", four_blocks("3 3 0 5 400", "6 -2 1", "-5 4 -3")},
      {"site counts at the integer limits",
       four_blocks("3 3 0 5 400", "4 2 1", "2147483647 2147483647 -2147483648")},
      {"lowest seed number", four_blocks("3 3 0 5 -2147483648", "4 2 1", "5 4 3")},
      {"most iterations", four_blocks("3 3 0 10000 400", "4 2 1", "5 4 3")},
      {"most iterations with detail lines", four_blocks("3 3 0 -10000 400", "4 2 1", "5 4 3")},
      {"98 classes", four_blocks("98 98 0 20 400", "10 5 3 2 94*0 1", "98*1")},
      {"49 classes with the pair",
       four_blocks("49 49 1 20 400", "10 5 3 2 45*0", "49*1", "12 6 4 48*0")},
      {"31 classes", four_blocks("31 31 0 20 400", "8 4 2 1 27*0", "31*1")},
      {"no species anywhere but Sample 2",
       "3 3 0 5 400\n0 0 0\n0 0 0\n4 2 1\n5 4 3\n0 0 0\n0 0 0\n0 0 0\n0 0 0\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto r = testing::run_text(c.input);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(" Parameter estimates\r\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace kelvaro

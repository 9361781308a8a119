// The three precisions of species observed, on the examples of the header.
#include "jackknife/observed_total.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelvaro {
namespace {

TEST(SpeciesObserved, ThePrecisionsPartWhereTheHeaderSays) {
  const struct {
    const char* what;
    std::vector<float> x;
    std::int32_t in_double, in_single, wrapping;
  } cases[] = {
      {"whole counts", {20, 8, 3, 1, 0}, 32, 32, 32},
      {"a negative fraction", {3, -0.5f}, 2, 2, 3},
      {"beyond 2^24", {16777216, 1}, 16777217, 16777216, 16777217},
      {"beyond 2^31", {2147483520.0f, 256}, -2147483648, -2147483648, -2147483520},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto t = static_cast<std::int32_t>(c.x.size());
    EXPECT_EQ(observed_in_double(c.x.data(), t), c.in_double);
    EXPECT_EQ(observed_in_single(c.x.data(), t), c.in_single);
    EXPECT_EQ(captured_wrapping(c.x.data(), t), c.wrapping);
  }
}

}  // namespace
}  // namespace kelvaro

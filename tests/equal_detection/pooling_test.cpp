#include "equal_detection/pooling.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelvaro {
namespace {

// Expected values of the table (s1, s2) as the test forms them.
CellTable expected_of(const std::vector<float>& s1, const std::vector<float>& s2) {
  const auto t = static_cast<std::int32_t>(s1.size());
  Array1<float, 2> row{};
  Vector1<float> col(t);
  float tot = 0.0f;
  for (std::size_t i = 0; i < s1.size(); ++i) {
    const int c = static_cast<int>(i) + 1;
    row(1) = row(1) + s1[i];
    row(2) = row(2) + s2[i];
    col(c) = s1[i] + s2[i];
    tot = tot + s1[i] + s2[i];
  }
  CellTable E(t);
  expected_values(row, col, tot, t, E);
  return E;
}

// The whole pooling is checked through the printed tables; these are the choices of one pass.
TEST(Pooling, ChoosesSecondAgainstRunningFirst) {
  struct {
    const char* name;
    std::vector<float> s1, s2;
    std::int32_t first, second;
  } cases[] = {
      // E = (0.968, 1.032), (5.81, 6.19), (0.484, 0.516), (7.74, 8.26): class 1 was scanned as the
      // running first class, so the second is class 2 although class 1 holds the smaller cells.
      {"earlier running first excluded", {1, 6, 0, 8}, {1, 6, 1, 8}, 3, 2},
      // E(1, 2) = E(4, 2) = 0.1: the earlier cell stays first, the later becomes second.
      {"tie keeps the earlier cell", {1, 5, 3, 0}, {0, 0, 0, 1}, 1, 4},
      // E = (3.333, 1.667), (2.667, 1.333): class 2 becomes second by 2.667, then first by 1.333;
      // second is then taken afresh as class 1.
      {"second turned first", {3, 3}, {2, 1}, 2, 1},
      {"only one positive class", {0, 3}, {0, 1}, 2, 0},
      {"all-zero table: NaN cells ignored", {0, 0}, {0, 0}, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PoolChoice got =
        choose_pool_classes(expected_of(c.s1, c.s2), static_cast<std::int32_t>(c.s1.size()));
    EXPECT_EQ(got.first, c.first);
    EXPECT_EQ(got.second, c.second);
  }
}

}  // namespace
}  // namespace kelvaro

#pragma once
// The arithmetic of the test for unequal p's: expected values of the two-row table, pooling of
// classes whose expected values are small, and the chi-square sum over the pooled table.
// Cells are (class i, sample j) in single precision; only the chi-square sum is double.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "numeric/one_based.h"

namespace kelvaro {

// Cells (i, j) for classes i = 1..classes() and samples j = 1, 2, stored column by column;
// zero when made.
class CellTable {
 public:
  explicit CellTable(std::int32_t classes)
      : classes_(classes), cells_(2 * static_cast<std::size_t>(classes)) {}
  float& operator()(std::int32_t i, int j) { return cells_[at(i, j)]; }
  float operator()(std::int32_t i, int j) const { return cells_[at(i, j)]; }
  std::int32_t classes() const { return classes_; }

 private:
  std::size_t at(std::int32_t i, int j) const {
    assert(i >= 1 && i <= classes_ && (j == 1 || j == 2) && "CellTable index out of range");
    return static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(classes_) +
           static_cast<std::size_t>(i - 1);
  }

  std::int32_t classes_;
  std::vector<float> cells_;
};

// Number of classes that may be indexed for a class count t: t, none when t < 0.
std::int32_t usable_classes(std::int32_t t);

// E(i, j) = (row(j) * col(i)) / tot for i = 1..t, each operation rounded to single precision.
// Degenerate input: tot = 0 gives NaN (or infinite) expected values; they pool nothing and add
// nothing to the chi-square sum. Requires: 0 <= t <= the tables' classes.
void expected_values(const Array1<float, 2>& row, const Vector1<float>& col, float tot,
                     std::int32_t t, CellTable& E);

// One pooling pass's choice over classes 1..t, cells scanned i = 1..t, j = 1 then 2, strict
// comparisons, cells with E of 0 or less (or NaN) ignored. first is the class of the smallest cell
// and m1 its value (9999 and first = 0 when no cell is positive or all are 9999 or more); second
// is chosen against the running first class. When the scan ends with second = first, second is
// taken afresh as the class other than first with the smallest positive cell. 0 means not found.
// Requires: 0 <= t <= the tables' classes.
struct PoolChoice {
  std::int32_t first;
  std::int32_t second;
  float m1;
};
PoolChoice choose_pool_classes(const CellTable& E, std::int32_t t);

// Pools classes while E(1, 1) < 1 to begin with and then while the last pass found a cell below 2,
// at most t passes. A pass with a first and a second class adds both cells of first into second
// (O and E alike), zeroes first and lowers df by 1. Returns the degrees of freedom after pooling.
// Requires: 0 <= t <= the tables' classes.
std::int32_t pool_classes(CellTable& O, CellTable& E, std::int32_t t, std::int32_t df);

// Sum over classes 1..t and both samples of (O - E)^2 / E for cells with E > 0; each term is
// formed in single precision (difference, square and quotient each rounded) and added to a
// double sum. Requires: 0 <= t <= the tables' classes.
double chi_square_sum(const CellTable& O, const CellTable& E, std::int32_t t);

}  // namespace kelvaro

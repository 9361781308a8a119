// The test for unequal p's: totals, pooling, chi-square and its report.

#include "testp/testp.h"

#include <vector>

#include "probability/cdtr.h"
#include "shared/numeric.h"
#include "testp/pooling.h"
#include "textio/report.h"

namespace kelvaro {

namespace {

// Saved statics: sample totals, class totals, grand total, degrees of freedom.
Array1<float, 2> row{};
Array1<float, 100> col{};
float tot = 0.0f;
std::int32_t df = 0;

std::vector<textio::Item> integer_items(const FreqTable& F, int j, std::int32_t t) {
  std::vector<textio::Item> items;
  for (std::int32_t i = 1; i <= t; ++i) items.emplace_back(F(i, j));
  return items;
}

// One "(10f8.3)" write of column j of a cell table: ten values per record.
void write_cells(const CellTable& cells, int j, std::int32_t t) {
  std::vector<textio::Item> items;
  for (std::int32_t i = 1; i <= t; ++i) items.emplace_back(cells(i, j));
  textio::write_formatted("(10f8.3)", items);
}

}  // namespace

void reset_testp() {
  row = {};
  col = {};
  tot = 0.0f;
  df = 0;
}

void testp(const FreqTable& F, std::int32_t t) {
  const std::int32_t n = usable_classes(t);
  textio::write_list({" "});
  textio::write_list({"Test for unequal p's"});
  textio::write_list({"===================="});
  df = wrap_sub(t, 1);
  textio::write_list({"Observed frequencies, f(i):"});
  textio::write_list(integer_items(F, 1, n));
  textio::write_list(integer_items(F, 2, n));
  textio::write_list({" "});
  textio::write_list({"After pooling:"});

  CellTable O{};
  CellTable E{};
  for (int j = 1; j <= 2; ++j) {
    for (std::int32_t i = 1; i <= n; ++i) {
      const float cell = static_cast<float>(F(i, j));
      O(i, j) = cell;
      row(j) = row(j) + cell;
      col(i) = col(i) + cell;
      tot = tot + cell;
    }
  }
  expected_values(row, col, tot, n, E);
  df = pool_classes(O, E, n, df);
  const double chisq = chi_square_sum(O, E, n);

  textio::write_list({"Observed frequencies, f(i):"});
  write_cells(O, 1, n);
  write_cells(O, 2, n);
  textio::write_list({"Expected values:"});
  write_cells(E, 1, n);
  write_cells(E, 2, n);
  textio::write_list({" "});
  textio::write_list({"Total Chi-square:", chisq});
  textio::write_list({"Degrees of freedom:", df});

  double p = 0.0;
  std::int32_t status = 0;
  cdtr(chisq, df, p, status);
  // A result a hair above 1 comes back flagged with a sentinel; it is a probability of 1.
  if (status == 1) p = 1.0;
  textio::write_list({"Probability       :", 1.0 - p});
}

}  // namespace kelvaro

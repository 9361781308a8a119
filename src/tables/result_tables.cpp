// The tables filled from a run's result, each value laid out by the report's own field and its
// blanks trimmed (kelvaro/tables.h).

#include <charconv>
#include <cmath>
#include <utility>

#include "dynamics/parameter_table.h"
#include "kelvaro/compat.h"
#include "kelvaro/tables.h"
#include "tables/shortest_double.h"
#include "textio/fields.h"

namespace kelvaro {
namespace {

// The bootstrap line: "('  bootstrap iterations:',i6,'  seed number:',i9)".
constexpr int kReplicatesWidth = 6, kSeedWidth = 9;
// The parameter table's fields: "(1x,a10,3f10.d,4x,f10.d,' - ',f10.d)" with d the parameter's
// decimals.
constexpr int kParameterWidth = 10;
// The M(h) line: "(' M(h) GOF test: Chi-square = ',f8.3,' df = ',i3,' Prob = ',f8.4)".
constexpr int kStatisticWidth = 8, kStatisticDecimals = 3;
constexpr int kDfWidth = 3;
constexpr int kProbabilityWidth = 8, kProbabilityDecimals = 4;

// The field that `lay_out` writes, without its blanks.
template <class LayOut>
std::string trimmed(LayOut lay_out) {
  std::string field;
  lay_out(field);
  const std::size_t begin = field.find_first_not_of(' ');
  if (begin == std::string::npos) return "";
  return field.substr(begin, field.find_last_not_of(' ') + 1 - begin);
}

std::string fixed(double v, int w, int d) {
  return trimmed([&](std::string& f) { textio::append_fixed(f, v, w, d); });
}
std::string integer(std::int32_t v, int w) {
  return trimmed([&](std::string& f) { textio::append_integer(f, v, w); });
}
std::string list_integer(std::int32_t v) {
  return trimmed([&](std::string& f) { textio::append_list_integer(f, v); });
}
std::string list_real(float v) {
  return trimmed([&](std::string& f) { textio::append_list_real(f, v); });
}
std::string list_double(double v) {
  return trimmed([&](std::string& f) { textio::append_list_double(f, v); });
}

}  // namespace

std::string shortest_double(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "+Infinity" : "-Infinity";
  char buffer[32];  // the longest shortest form, "-2.2250738585072014e-308", takes 24
  std::string text(buffer, compat::to_chars_shortest(buffer, buffer + sizeof buffer, v).ptr);
  for (char& c : text) c = c == 'e' ? 'E' : c;
  return text;
}

Table run_table(const RunResult& result) {
  Table table(TableKind::kRun);
  table.add_row({integer(printed_replicates(result.options), kReplicatesWidth),
                 integer(result.options.seed, kSeedWidth)});
  return table;
}

Table blocks_table(const RunResult& result) {
  Table table(TableKind::kBlocks);
  for (const BlockResult& b : result.blocks) {
    std::vector<std::string> row = {block_name(b.block),
                                    list_integer(b.observed),
                                    list_real(b.rounded_estimate),
                                    list_real(b.standard_error),
                                    "",
                                    "",
                                    ""};
    if (b.goodness_of_fit) {  // made with the bootstrap, as the report prints it
      const GoodnessOfFitTest& g = *b.goodness_of_fit;
      row[4] = fixed(g.statistic, kStatisticWidth, kStatisticDecimals);
      row[5] = integer(g.df, kDfWidth);
      row[6] = fixed(g.probability, kProbabilityWidth, kProbabilityDecimals);
    }
    table.add_row(row);
  }
  return table;
}

Table test_table(const RunResult& result) {
  Table table(TableKind::kTest);
  if (const auto& t = result.equal_detection) {
    table.add_row({list_double(t->chi_square), list_integer(t->df), list_double(t->probability)});
  }
  return table;
}

Table parameters_table(const RunResult& result) {
  Table table(TableKind::kParameters);
  if (result.parameters.size() != kParameterCount) return table;
  for (std::size_t k = 0; k < kParameterTable.size(); ++k) {
    const Parameter& p = result.parameters[k];
    std::vector<std::string> row = {p.name};
    for (const float v : {p.estimate, p.bootstrap_average, p.standard_error, p.lower, p.upper}) {
      row.push_back(fixed(v, kParameterWidth, kParameterTable[k].decimals));
    }
    table.add_row(row);
  }
  return table;
}

Table estimators_table(const RunResult& result) {
  Table table(TableKind::kEstimators);
  for (const BlockResult& b : result.blocks) {
    add_estimator_rows(table, block_name(b.block), b.standard, list_real(b.rounded_estimate),
                       list_real(b.standard_error));
  }
  return table;
}

void add_estimator_rows(Table& estimators, std::string_view block,
                        const StandardEstimates& standard, std::string_view estimate,
                        std::string_view standard_error) {
  const std::string name(block);
  estimators.add_row({name, "chao2", shortest_double(standard.chao2),
                      shortest_double(standard.chao2_se), shortest_double(standard.chao2_lower),
                      shortest_double(standard.chao2_upper)});
  const std::pair<const char*, double> point_estimates[] = {
      {"jack1", standard.jack1}, {"jack2", standard.jack2}, {"bootstrap", standard.bootstrap}};
  for (const auto& [estimator, value] : point_estimates) {
    estimators.add_row({name, estimator, shortest_double(value), "", "", ""});
  }
  estimators.add_row({name, "kelvaro", std::string(estimate), std::string(standard_error), "", ""});
}

}  // namespace kelvaro

#include "batch/result_rows.h"

#include "csv/csv_writer.h"
#include "dynamics/parameter_table.h"
#include "textio/fields.h"

namespace kelvaro::batch {
namespace {

// The parameter table's fields: "(1x,a10,3f10.d,4x,f10.d,' - ',f10.d)" with d the parameter's
// decimals.
constexpr int kParameterWidth = 10;
// The M(h) line: "(' M(h) GOF test: Chi-square = ',f8.3,' df = ',i3,' Prob = ',f8.4)".
constexpr int kStatisticWidth = 8, kStatisticDecimals = 3;
constexpr int kDfWidth = 3;
constexpr int kProbabilityWidth = 8, kProbabilityDecimals = 4;

// Appends a comma and the field that `lay_out` writes, without its blanks.
template <class LayOut>
void add(std::string& out, LayOut lay_out) {
  out += ',';
  std::string field;
  lay_out(field);
  const std::size_t begin = field.find_first_not_of(' ');
  if (begin == std::string::npos) return;
  out.append(field, begin, field.find_last_not_of(' ') + 1 - begin);
}

void add_fixed(std::string& out, double v, int w, int d) {
  add(out, [&](std::string& f) { textio::append_fixed(f, v, w, d); });
}

void add_real(std::string& out, float v) {
  add(out, [&](std::string& f) { textio::append_list_real(f, v); });
}

void add_double(std::string& out, double v) {
  add(out, [&](std::string& f) { textio::append_list_double(f, v); });
}

void add_integer(std::string& out, std::int32_t v) {
  add(out, [&](std::string& f) { textio::append_list_integer(f, v); });
}

}  // namespace

std::string pair_key(std::string_view group, std::string_view sample1, std::string_view sample2) {
  return csv::csv_field(group) + ',' + csv::csv_field(sample1) + ',' + csv::csv_field(sample2);
}

void append_parameter_rows(std::string& out, std::string_view key, const RunResult& result) {
  for (std::size_t k = 0; k < kParameterTable.size(); ++k) {
    const Parameter& p = result.parameters[k];
    const int d = kParameterTable[k].decimals;
    out += key;
    out += ',';
    out += p.name;
    for (const float v : {p.estimate, p.bootstrap_average, p.standard_error, p.lower, p.upper}) {
      add_fixed(out, v, kParameterWidth, d);
    }
    out += "\r\n";
  }
}

void append_block_rows(std::string& out, std::string_view key, const RunResult& result) {
  for (const BlockResult& b : result.blocks) {
    out += key;
    out += ',';
    out += block_name(b.block);
    add_integer(out, b.observed);
    add_real(out, b.rounded_estimate);
    add_real(out, b.standard_error);
    if (b.goodness_of_fit) {  // made with the bootstrap, as the report prints it
      const GoodnessOfFitTest& g = *b.goodness_of_fit;
      add_fixed(out, g.statistic, kStatisticWidth, kStatisticDecimals);
      add(out, [&](std::string& f) { textio::append_integer(f, g.df, kDfWidth); });
      add_fixed(out, g.probability, kProbabilityWidth, kProbabilityDecimals);
    } else {
      out += ",,,";
    }
    out += "\r\n";
  }
}

void append_test_row(std::string& out, std::string_view key, const RunResult& result) {
  if (!result.equal_detection) return;
  const EqualDetectionTest& t = *result.equal_detection;
  out += key;
  add_double(out, t.chi_square);
  add_integer(out, t.df);
  add_double(out, t.probability);
  out += "\r\n";
}

}  // namespace kelvaro::batch

#include "tidy/tables.h"

namespace kelvaro::tidy {
namespace {

const std::vector<std::string> kParameterColumns = {
    "N1", "N2", "M2R1", "M1R2", "PHI", "GAMMA", "LAMBDA", "altLAMBDA", "B", "p1", "p2"};

// Columns from names; the first `labels` of them are labels.
std::vector<Column> columns(const std::vector<std::string>& names, std::size_t labels = 0) {
  std::vector<Column> out;
  for (std::size_t i = 0; i < names.size(); ++i) out.push_back({names[i], i < labels});
  return out;
}

std::vector<std::string> joined(std::vector<std::string> head,
                                const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

}  // namespace

std::string_view Table::cell(std::size_t row, std::size_t column) const {
  const std::size_t i = row * columns_.size() + column;
  const std::uint32_t begin = i == 0 ? 0 : ends_[i - 1];
  return std::string_view(text_).substr(begin, ends_[i] - begin);
}

void Table::add_row(const std::vector<std::string>& cells) {
  for (const std::string& c : cells) {
    text_ += c;
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
  }
}

std::vector<std::vector<std::string>> Table::rows() const {
  std::vector<std::vector<std::string>> out(size());
  for (std::size_t r = 0; r < size(); ++r) {
    for (std::size_t c = 0; c < columns_.size(); ++c) out[r].emplace_back(cell(r, c));
  }
  return out;
}

Report empty_report() {
  Report r;
  r.run = {"run", columns({"nreps", "seed"})};
  r.blocks = {
      "blocks",
      columns({"block", "R", "estimate", "SE", "mh_chi_square", "mh_df", "mh_probability"}, 1)};
  r.test = {"test", columns({"chi_square", "df", "probability"})};
  r.parameters = {"parameters", columns({"parameter", "estimate", "bootstrap_average",
                                         "standard_error", "lower", "upper"},
                                        1)};
  r.replicates = {"replicates",
                  columns(joined(joined({"replicate"}, kParameterColumns), {"R1", "R2"}))};
  r.replicate_summary = {"replicate_summary", columns(joined({"statistic"}, kParameterColumns), 1)};
  r.block_replicates = {"block_replicates", columns({"block", "replicate", "f1", "f2", "f3", "f4",
                                                     "f5", "f6", "f7", "f1_to_f6", "estimate"},
                                                    1)};
  r.mean_frequencies = {"mean_frequencies",
                        columns({"block", "f1", "f2", "f3", "f4", "f5", "f6"}, 1)};
  return r;
}

std::vector<const Table*> tables_of(const Report& report, bool with_replicates) {
  std::vector<const Table*> tables = {&report.run, &report.blocks, &report.test,
                                      &report.parameters};
  if (with_replicates) {
    tables.insert(tables.end(), {&report.replicates, &report.replicate_summary,
                                 &report.block_replicates, &report.mean_frequencies});
  }
  return tables;
}

std::vector<std::string> table_names(bool with_replicates) {
  static const Report kEmpty = empty_report();
  std::vector<std::string> names;
  for (const Table* t : tables_of(kEmpty, with_replicates)) names.push_back(t->name());
  return names;
}

const Table* find_table(const Report& report, const std::string& name) {
  for (const Table* t : tables_of(report, true)) {
    if (t->name() == name) return t;
  }
  return nullptr;
}

}  // namespace kelvaro::tidy

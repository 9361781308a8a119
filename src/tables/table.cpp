// The tables' names and columns, and the compact table itself (kelvaro/tables.h).

#include <cassert>
#include <initializer_list>

#include "kelvaro/tables.h"

namespace kelvaro {
namespace {

// The replicate table's parameter columns: the parameters' names without parentheses.
constexpr std::string_view kParameterColumns[] = {
    "N1", "N2", "M2R1", "M1R2", "PHI", "GAMMA", "LAMBDA", "altLAMBDA", "B", "p1", "p2"};

// Columns from names; the first `labels` of them are labels.
std::vector<Column> columns(std::initializer_list<std::string_view> names, std::size_t labels = 0) {
  std::vector<Column> out;
  for (const std::string_view name : names) out.push_back({name, out.size() < labels});
  return out;
}

std::vector<Column> with_parameters(std::vector<Column> head,
                                    std::initializer_list<std::string_view> tail = {}) {
  for (const std::string_view name : kParameterColumns) head.push_back({name});
  for (const std::string_view name : tail) head.push_back({name});
  return head;
}

}  // namespace

std::string_view table_name(TableKind kind) {
  switch (kind) {
    case TableKind::kRun:
      return "run";
    case TableKind::kBlocks:
      return "blocks";
    case TableKind::kTest:
      return "test";
    case TableKind::kParameters:
      return "parameters";
    case TableKind::kEstimators:
      return "estimators";
    case TableKind::kReplicates:
      return "replicates";
    case TableKind::kReplicateSummary:
      return "replicate_summary";
    case TableKind::kBlockReplicates:
      return "block_replicates";
    case TableKind::kMeanFrequencies:
      return "mean_frequencies";
    case TableKind::kCurves:
      return "curves";
    case TableKind::kStandardised:
      return "standardised";
  }
  return "";
}

std::vector<Column> table_columns(TableKind kind) {
  switch (kind) {
    case TableKind::kRun:
      return columns({"nreps", "seed"});
    case TableKind::kBlocks:
      return columns({"block", "R", "estimate", "SE", "mh_chi_square", "mh_df", "mh_probability"},
                     1);
    case TableKind::kTest:
      return columns({"chi_square", "df", "probability"});
    case TableKind::kParameters:
      return columns(
          {"parameter", "estimate", "bootstrap_average", "standard_error", "lower", "upper"}, 1);
    case TableKind::kEstimators:
      return columns({"block", "estimator", "estimate", "standard_error", "lower", "upper"}, 2);
    case TableKind::kReplicates:
      return with_parameters(columns({"replicate"}), {"R1", "R2"});
    case TableKind::kReplicateSummary:
      return with_parameters(columns({"statistic"}, 1));
    case TableKind::kBlockReplicates:
      return columns(
          {"block", "replicate", "f1", "f2", "f3", "f4", "f5", "f6", "f7", "f1_to_f6", "estimate"},
          1);
    case TableKind::kMeanFrequencies:
      return columns({"block", "f1", "f2", "f3", "f4", "f5", "f6"}, 1);
    case TableKind::kCurves:
      return {{"block", true}, {"sites"}, {"kind", true}, {"richness"},
              {"lower"},       {"upper"}, {"coverage"}};
    case TableKind::kStandardised:
      return {{"standard", true}, {"block", true}, {"sites"}, {"kind", true},
              {"richness"},       {"lower"},       {"upper"}, {"coverage"}};
  }
  return {};
}

Table::Table(TableKind kind) : kind_(kind), columns_(table_columns(kind)) {}

std::string_view Table::cell(std::size_t row, std::size_t column) const {
  const std::size_t i = row * columns_.size() + column;
  const std::uint32_t begin = i == 0 ? 0 : ends_[i - 1];
  return std::string_view(text_).substr(begin, ends_[i] - begin);
}

void Table::add_row(const std::vector<std::string>& cells) {
  assert(cells.size() == columns_.size() && "a row has one cell per column");
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

}  // namespace kelvaro

#include "tidy/tables.h"

namespace kelvaro::tidy {
namespace {

const std::vector<std::string> kParameterColumns = {
    "N1", "N2", "M2R1", "M1R2", "PHI", "GAMMA", "LAMBDA", "altLAMBDA", "B", "p1", "p2"};

std::vector<std::string> joined(std::vector<std::string> head,
                                const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

}  // namespace

Report empty_report() {
  Report r;
  r.run = {"run", {"nreps", "seed"}, {}};
  r.blocks = {
      "blocks", {"block", "R", "estimate", "SE", "mh_chi_square", "mh_df", "mh_probability"}, {}};
  r.test = {"test", {"chi_square", "df", "probability"}, {}};
  r.parameters = {
      "parameters",
      {"parameter", "estimate", "bootstrap_average", "standard_error", "lower", "upper"},
      {}};
  r.replicates = {"replicates", joined(joined({"replicate"}, kParameterColumns), {"R1", "R2"}), {}};
  r.replicate_summary = {"replicate_summary", joined({"statistic"}, kParameterColumns), {}};
  r.block_replicates = {
      "block_replicates",
      {"block", "replicate", "f1", "f2", "f3", "f4", "f5", "f6", "f7", "f1_to_f6", "estimate"},
      {}};
  r.mean_frequencies = {"mean_frequencies", {"block", "f1", "f2", "f3", "f4", "f5", "f6"}, {}};
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

const Table* find_table(const Report& report, const std::string& name) {
  for (const Table* t : tables_of(report, true)) {
    if (t->name == name) return t;
  }
  return nullptr;
}

}  // namespace kelvaro::tidy

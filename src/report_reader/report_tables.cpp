#include "kelvaro/report_reader.h"

namespace kelvaro::tidy {

std::vector<const Table*> tables_of(const Report& report, bool with_replicates) {
  std::vector<const Table*> tables = {&report.run, &report.blocks, &report.test, &report.parameters,
                                      &report.estimators};
  if (with_replicates) {
    tables.insert(tables.end(), {&report.replicates, &report.replicate_summary,
                                 &report.block_replicates, &report.mean_frequencies});
  }
  return tables;
}

std::vector<std::string> table_names(bool with_replicates) {
  const Report empty;
  std::vector<std::string> names;
  for (const Table* t : tables_of(empty, with_replicates)) names.emplace_back(t->name());
  return names;
}

const Table* find_table(const Report& report, const std::string& name) {
  for (const Table* t : tables_of(report, true)) {
    if (t->name() == name) return t;
  }
  return nullptr;
}

}  // namespace kelvaro::tidy

// kelvaro-prep's two samples from an archive's long table.

#include "kelvaro/darwin_core.h"

namespace kelvaro::prep {

Survey load_darwin_core(const dwc::DarwinCoreTable& table, const TableOptions& options,
                        const std::optional<std::string>& first,
                        const std::optional<std::string>& second) {
  dwc::LongTableSource source(table);
  csv::LongTableColumns columns = dwc::long_table_options(options.fold_case).columns;
  columns.group.clear();  // kelvaro-prep takes the samples of every group together
  TableOptions table_options = options;
  table_options.separator = ',';
  table_options.na_absent = false;
  Survey survey = load_long(source, table_options, columns, first, second);
  const dwc::ColumnTerms& terms = table.terms();
  std::string counts;
  for (const std::string& term : terms.count) counts += (counts.empty() ? "" : ", ") + term;
  const std::string how = " of " + table.description() + "; sample " + terms.sample + ", site " +
                          terms.site + ", species " + terms.species + ", detection from " + counts;
  survey.sources = {"Sample 1: " + tools::quoted_excerpt(survey.sample1.label) + how,
                    "Sample 2: " + tools::quoted_excerpt(survey.sample2.label) + how};
  if (const std::string line = dwc::citation_line(table.citation()); !line.empty()) {
    survey.sources.push_back(line);
  }
  survey.count_column.reset();
  for (const dwc::ArchiveWarning& w : table.warnings()) {
    if (w.kind == "no_location") continue;  // the samples of every group are taken together
    survey.table_warnings.push_back(table.archive() + ": " + w.message);
  }
  return survey;
}

}  // namespace kelvaro::prep

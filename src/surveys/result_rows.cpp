#include "surveys/result_rows.h"

#include <vector>

#include "field_tables/csv_writer.h"

namespace kelvaro::batch {

std::string pair_key(std::string_view group, std::string_view sample1, std::string_view sample2) {
  return csv::csv_field(group) + ',' + csv::csv_field(sample1) + ',' + csv::csv_field(sample2);
}

std::string table_header(TableKind kind) {
  std::vector<std::string_view> names = {"group", "sample1", "sample2"};
  for (const Column& c : table_columns(kind)) names.push_back(c.name);
  std::string out;
  csv::append_csv_row(out, names);
  return out;
}

void append_rows(std::string& out, std::string_view key, const Table& table) {
  std::vector<std::string_view> cells(table.columns().size());
  for (std::size_t r = 0; r < table.size(); ++r) {
    for (std::size_t c = 0; c < cells.size(); ++c) cells[c] = table.cell(r, c);
    out += key;
    out += ',';
    csv::append_csv_row(out, cells);
  }
}

}  // namespace kelvaro::batch

#include "tidy/table_writer.h"

#include <ostream>

#include "prep/csv_writer.h"

namespace kelvaro::tidy {
namespace {

nlohmann::ordered_json row_object(const Table& table, const std::vector<std::string>& row) {
  nlohmann::ordered_json object = nlohmann::ordered_json::object();
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    object[table.columns[i]] =
        row[i].empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(row[i]);
  }
  return object;
}

}  // namespace

void write_csv(std::ostream& out, const Table& table) {
  prep::write_csv_row(out, table.columns);
  for (const auto& row : table.rows) prep::write_csv_row(out, row);
}

nlohmann::ordered_json to_json(const Report& report, bool with_replicates) {
  nlohmann::ordered_json doc = nlohmann::ordered_json::object();
  for (const Table* table : tables_of(report, with_replicates)) {
    const bool single = table == &report.run || table == &report.test;
    if (single) {
      doc[table->name] =
          table->rows.empty() ? nlohmann::ordered_json() : row_object(*table, table->rows[0]);
      continue;
    }
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const auto& row : table->rows) rows.push_back(row_object(*table, row));
    doc[table->name] = rows;
  }
  return doc;
}

}  // namespace kelvaro::tidy

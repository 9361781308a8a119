#include "kelvaro/report_reader.h"

namespace kelvaro::tidy {
namespace {

void write_table(tools::Output& out, const Table& table) {
  out.write("  " + json_string(table.name()) + ": ");
  const bool single = table.kind() == TableKind::kRun || table.kind() == TableKind::kTest;
  if (single) {
    out.write(table.empty() ? std::string("null") : json_row(table, 0));
    return;
  }
  if (table.empty()) {
    out.write("[]");
    return;
  }
  out.write("[\n");
  for (std::size_t r = 0; r < table.size(); ++r) {
    out.write("    " + json_row(table, r) + (r + 1 < table.size() ? ",\n" : "\n"));
  }
  out.write("  ]");
}

}  // namespace

void write_json(tools::Output& out, const Report& report, bool with_replicates) {
  out.write("{\n");
  const std::vector<const Table*> tables = tables_of(report, with_replicates);
  for (std::size_t i = 0; i < tables.size(); ++i) {
    write_table(out, *tables[i]);
    out.write(i + 1 < tables.size() ? ",\n" : "\n");
  }
  out.write("}\n");
}

}  // namespace kelvaro::tidy

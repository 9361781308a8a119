#include "field_tables/csv_writer.h"
#include "kelvaro/report_reader.h"

namespace kelvaro::tidy {

void write_csv(tools::Output& out, const Table& table) {
  std::string text;
  std::vector<std::string_view> cells;
  for (const Column& c : table.columns()) cells.push_back(c.name);
  csv::append_csv_row(text, cells);
  for (std::size_t r = 0; r < table.size(); ++r) {
    for (std::size_t c = 0; c < cells.size(); ++c) cells[c] = table.cell(r, c);
    csv::append_csv_row(text, cells);
    if (text.size() >= 64 * 1024) {  // written out in pieces: memory stays small
      out.write(text);
      text.clear();
    }
  }
  out.write(text);
}

}  // namespace kelvaro::tidy

#include <algorithm>

#include "field_tables/csv_writer.h"
#include "kelvaro/darwin_core.h"

namespace kelvaro::dwc {
namespace {

constexpr std::string_view kHeader = "group,sample,site,species,count\r\n";

void append_row(std::string& out, const LongRow& row) {
  for (const std::string_view field : {row.group, row.sample, row.site, row.species}) {
    out += csv::csv_field(field);
    out += ',';
  }
  out += row.detected ? "1\r\n" : "0\r\n";
}

}  // namespace

LongTableSource::LongTableSource(const DarwinCoreTable& table)
    : table_(table), name_(table.archive() + " as a long table") {}

std::size_t LongTableSource::read(char* buffer, std::size_t capacity) {
  while (pending_.size() < capacity) {
    if (!header_done_) {
      pending_ += kHeader;
      header_done_ = true;
    } else if (next_row_ < table_.size()) {
      append_row(pending_, table_.row(next_row_++));
    } else {
      break;
    }
  }
  const std::size_t n = std::min(capacity, pending_.size());
  pending_.copy(buffer, n);
  pending_.erase(0, n);
  return n;
}

csv::LongTableOptions long_table_options(bool fold_case) {
  csv::LongTableOptions o;
  o.columns = {"group", "sample", "site", "species", "count"};
  o.separator = ',';
  o.fold_case = fold_case;
  return o;
}

std::string long_table_text(const DarwinCoreTable& table) {
  std::string text(kHeader);
  for (std::size_t i = 0; i < table.size(); ++i) append_row(text, table.row(i));
  return text;
}

}  // namespace kelvaro::dwc

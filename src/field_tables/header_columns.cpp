#include "field_tables/header_columns.h"

#include "kelvaro/field_tables.h"
#include "kelvaro/labels.h"

namespace kelvaro::csv {

std::optional<std::size_t> find_column(const CsvRow& header, std::string_view name,
                                       const CsvReader& reader) {
  const std::string wanted = folded_name(name);
  std::optional<std::size_t> found;
  for (std::size_t j = 0; j < header.size(); ++j) {
    if (folded_name(header[j]) != wanted) continue;
    if (found) {
      throw reader.error(header.line(), static_cast<long>(j) + 1,
                         "two columns are called " + tools::quoted_excerpt(name) + " (columns " +
                             std::to_string(*found + 1) + " and " + std::to_string(j + 1) +
                             "): rename one of them");
    }
    found = j;
  }
  return found;
}

std::string header_excerpt(const CsvRow& header) {
  constexpr std::size_t kShown = 6;  // enough to recognise a table by its header
  std::string text;
  for (std::size_t j = 0; j < header.size() && j < kShown; ++j) {
    if (j > 0) text += ", ";
    text += tools::quoted_excerpt(header[j]);
  }
  if (header.size() > kShown) text += ", ...";
  return text;
}

std::vector<std::string> header_names(tools::ByteSource& source, std::optional<char> separator) {
  CsvReader reader(source, separator);
  CsvRow row;
  while (reader.next(row)) {
    if (!row.blank()) return row.fields();
  }
  return {};
}

}  // namespace kelvaro::csv

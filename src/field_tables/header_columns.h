#pragma once
// Columns of a header row found by name, as people name them: ASCII case and blanks around the
// name ignored ("Species", " species" and "SPECIES" are the column species).
//
//   header "Sample,Site,SPECIES,note":  find_column(.., "species") -> 2,  "count" -> nullopt

#include <optional>
#include <string>
#include <string_view>

#include "field_tables/csv_reader.h"

namespace kelvaro::csv {

// The index (from 0) of the column called `name`, or nullopt. Throws InputError (from `reader`)
// when two columns are called `name`.
std::optional<std::size_t> find_column(const CsvRow& header, std::string_view name,
                                       const CsvReader& reader);

// The header's first names, quoted and joined ("a", "b", "c", ...), to show what a file holds.
std::string header_excerpt(const CsvRow& header);

}  // namespace kelvaro::csv

#pragma once
// What an archive's tables are, found in meta.xml (meta_layout.h) or in the files' header rows
// (header_layout.h): for each table its row type, its files, the column of its id, the columns
// (or constants) of its terms and its text format. The reader of the archive works from this
// alone.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "darwin_core/text_table.h"

namespace kelvaro::dwc {

// One term of a table: read from column `index`, or the constant `fallback` for every row
// (no index), or the column with the constant where the cell is empty (both).
struct TermColumn {
  std::string term;  // the term's name (term_names.h), as written
  std::optional<std::size_t> index;
  std::string fallback;
};

enum class RowType { kEvent, kOccurrence, kOther };

struct TableLayout {
  RowType type = RowType::kOther;
  std::string row_type;            // the rowType's name: "Event", "Occurrence", "Multimedia"
  std::vector<std::string> files;  // one table in several files, read one after another
  std::optional<std::size_t> id;   // the core's id, an extension's core id
  std::vector<TermColumn> terms;
  TextFormat format;
  bool core = false;
  // The term whose column holds the id (header rows: eventID), for messages.
  std::string id_term;
  bool lf_said = false;  // meta.xml says the lines end in LF alone

  // The term named `name` (ASCII case ignored), or nullptr.
  const TermColumn* find(std::string_view name) const;
};

struct ArchiveLayout {
  bool from_meta = false;           // described by meta.xml (else by header rows)
  std::string base;                 // the folder of meta.xml or of the tables, "" or ending in '/'
  std::string metadata_file;        // the metadata file meta.xml names (with base), or ""
  std::vector<TableLayout> tables;  // the core first
};

}  // namespace kelvaro::dwc

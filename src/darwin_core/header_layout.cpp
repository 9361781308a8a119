#include "darwin_core/header_layout.h"

#include <algorithm>

#include "darwin_core/term_names.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::dwc {
namespace {

struct HeaderTable {
  std::string file;
  TableLayout layout;
  std::vector<std::string> keys;  // the header's terms, as keys
};

bool ends_with_xml(const std::string& name) {
  return name.size() >= 4 && same_word(std::string_view(name).substr(name.size() - 4), ".xml");
}

// The file's header as a table, or nullopt when it is no table of the archive.
std::optional<HeaderTable> header_table(ArchiveFiles& files, const std::string& name) {
  TextFormat format;
  format.separator = 0;  // found in the header row
  TextTableReader reader(files.open(name), format);
  TextRow header;
  if (!reader.next(header)) return std::nullopt;
  HeaderTable t{name, {}, {}};
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (header[i].find('\0') != std::string_view::npos) return std::nullopt;  // not text
    const std::string term = term_name(header[i]);
    t.keys.push_back(term_key(term));
    if (!term.empty() && t.layout.find(term) == nullptr) t.layout.terms.push_back({term, i, ""});
  }
  const TermColumn* event = t.layout.find("eventID");
  const bool taxon = t.layout.find("scientificName") || t.layout.find("taxonID");
  if (event == nullptr) return std::nullopt;
  t.layout.type = taxon ? RowType::kOccurrence : RowType::kEvent;
  t.layout.row_type = taxon ? "Occurrence" : "Event";
  t.layout.id = event->index;
  t.layout.id_term = event->term;
  t.layout.format = reader.format();
  t.layout.format.header_rows = 1;
  t.layout.files = {name};
  return t;
}

std::string listed(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < 10; ++i) {
    text += (i == 0 ? "" : ", ") + names[i];
  }
  if (names.size() > 10) text += ", ... (" + std::to_string(names.size()) + " files)";
  return names.empty() ? "no file" : text;
}

// The one table of `type` made of `found` (same header in each file), or nullopt for none.
std::optional<TableLayout> one_table(std::vector<HeaderTable>& found, RowType type,
                                     const std::string& archive) {
  std::optional<TableLayout> table;
  std::vector<std::string> keys;
  std::string first;
  for (HeaderTable& t : found) {
    if (t.layout.type != type) continue;
    if (!table) {
      table = t.layout;
      keys = t.keys;
      first = t.file;
      continue;
    }
    if (t.keys != keys) {
      throw ArchiveError(archive, std::string("two ") +
                                      (type == RowType::kEvent ? "event" : "occurrence") +
                                      " tables with different columns, " + first + " and " +
                                      t.file + ": keep one, or give them the same header row");
    }
    table->files.push_back(t.file);
  }
  return table;
}

}  // namespace

ArchiveLayout header_layout(ArchiveFiles& files, const std::vector<std::string>& names) {
  std::vector<HeaderTable> found;
  std::size_t looked = 0;
  for (const std::string& name : names) {
    if (ends_with_xml(name) || looked == kMaxFilesLooked) continue;
    ++looked;
    if (auto t = header_table(files, name)) found.push_back(std::move(*t));
  }
  std::optional<TableLayout> events = one_table(found, RowType::kEvent, files.name());
  std::optional<TableLayout> occurrences = one_table(found, RowType::kOccurrence, files.name());
  if (!occurrences) {
    throw ArchiveError(
        files.name(),
        std::string("this is no Darwin Core archive that kelvaro reads: it has no meta.xml, and "
                    "no table whose header row names eventID and scientificName or taxonID (") +
            (events ? "an event table, " + events->files[0] + ", but no occurrence table; " : "") +
            "it holds " + listed(names) + ")");
  }
  ArchiveLayout layout;
  if (events) {
    events->core = true;
    layout.tables.push_back(std::move(*events));
    occurrences->core = false;
  } else {
    occurrences->core = true;
  }
  layout.tables.push_back(std::move(*occurrences));
  return layout;
}

}  // namespace kelvaro::dwc

#include "darwin_core/warning_counts.h"

#include "kelvaro/field_tables.h"

namespace kelvaro::dwc {
namespace {

struct KindText {
  WarningKind kind;
  const char* name;
};

constexpr KindText kKinds[] = {
    {WarningKind::kAboveSpeciesRank, "above_species_rank"},
    {WarningKind::kNaCells, "na_cells"},
    {WarningKind::kTermBlanks, "term_blanks"},
    {WarningKind::kByteOrderMark, "byte_order_mark"},
    {WarningKind::kLineEnds, "line_ends"},
    {WarningKind::kIdForCoreId, "id_for_coreid"},
    {WarningKind::kFileNameCase, "file_name_case"},
    {WarningKind::kEncoding, "encoding"},
    {WarningKind::kShortRows, "short_rows"},
    {WarningKind::kHeaderRow, "header_row"},
    {WarningKind::kUnknownParent, "unknown_parent"},
    {WarningKind::kContainerRecords, "container_records"},
    {WarningKind::kCountNotNumber, "count_not_number"},
    {WarningKind::kNoLocation, "no_location"},
    {WarningKind::kLeftOutEntries, "left_out_entries"},
    {WarningKind::kMetadata, "metadata"},
    {WarningKind::kOtherTables, "other_tables"},
};

constexpr std::size_t kNamesKept = 3;

std::string n_of(std::uint64_t n, const std::string& what) {
  return std::to_string(n) + " " + what;
}

std::string sentence(WarningKind kind, std::uint64_t n, const std::string& example,
                     const std::string& names, std::uint64_t distinct, bool rank_only) {
  const std::string such = example.empty() ? "" : " (" + example + ")";
  switch (kind) {
    case WarningKind::kAboveSpeciesRank:
      return n_of(n, "record(s) of ") + std::to_string(distinct) +
             " taxa above species rank, such as " + names +
             (rank_only ? ", were left out (--species-rank-only); their visits still count"
                        : ", count as species; give --species-rank-only to leave them out");
    case WarningKind::kNaCells:
      return n_of(n, "cell(s) hold NA") + such + " and were read as empty";
    case WarningKind::kTermBlanks:
      return n_of(n, "term(s) in meta.xml have blanks or TABs around them") + such +
             ", which were dropped";
    case WarningKind::kByteOrderMark:
      return n_of(n, "table file(s) begin with a UTF-8 byte-order mark") + such +
             ", which was dropped";
    case WarningKind::kLineEnds:
      return n_of(n, "table file(s) end their lines with CR LF where meta.xml says LF") + such +
             "; read as lines all the same";
    case WarningKind::kIdForCoreId:
      return n_of(n, "table(s) of meta.xml give <id> where <coreid> was meant, or the reverse") +
             such + "; read as meant";
    case WarningKind::kFileNameCase:
      return n_of(n, "file(s) that meta.xml names were found under another case") + such;
    case WarningKind::kEncoding:
      return n_of(n, "cell(s) are not UTF-8") + such +
             " and were read as Windows-1252 (Latin-1); say encoding=\"ISO-8859-1\" in meta.xml "
             "if the whole table is";
    case WarningKind::kShortRows:
      return n_of(n, "row(s) have fewer fields than the table's terms") + such +
             "; the missing ones were read as empty";
    case WarningKind::kHeaderRow:
      return n_of(n,
                  "table(s) begin with a row of term names that meta.xml does not announce "
                  "(ignoreHeaderLines)") +
             such + "; the row was skipped";
    case WarningKind::kUnknownParent:
      return n_of(n, "event(s) name a parentEventID that is no event of the archive") + such +
             "; they were taken as roots of the hierarchy";
    case WarningKind::kContainerRecords:
      return n_of(n, "occurrence(s) are attached to events that have child events") + such +
             "; they count as records of those events";
    case WarningKind::kCountNotNumber:
      return n_of(n, "count(s) are not numbers") + such +
             " and were taken as present; name the count term with --count to read them "
             "otherwise";
    case WarningKind::kNoLocation:
      return "the archive has no locationID: every record is in one group \"all\"; name the "
             "group's term with --group (such as locality or verbatimLocality)";
    case WarningKind::kLeftOutEntries:
      return n_of(n, "entries of the zip have names that reach outside it") + such +
             " and were left out";
    case WarningKind::kMetadata:
      return "the metadata file could not be read" + such + "; the citation may be incomplete";
    case WarningKind::kOtherTables:
      return n_of(n, "table(s) hold no events or occurrences and were not read") + such;
  }
  return "";
}

}  // namespace

void WarningCounts::add(WarningKind kind, std::string example, std::uint64_t count) {
  Tally& t = tallies_[kind];
  if (t.count == 0) t.example = std::move(example);
  t.count += count;
}

void WarningCounts::add_distinct(WarningKind kind, const std::string& name) {
  Tally& t = tallies_[kind];
  if (t.names.size() < kNamesKept) t.names.push_back(name);
  ++t.distinct;
}

std::uint64_t WarningCounts::count(WarningKind kind) const {
  const auto found = tallies_.find(kind);
  return found == tallies_.end() ? 0 : found->second.count;
}

std::vector<ArchiveWarning> WarningCounts::warnings(bool species_rank_only) const {
  std::vector<ArchiveWarning> out;
  for (const KindText& k : kKinds) {
    const auto found = tallies_.find(k.kind);
    if (found == tallies_.end() || found->second.count == 0) continue;
    const Tally& t = found->second;
    std::string names;
    for (const std::string& name : t.names) {
      names += (names.empty() ? "" : ", ") + tools::quoted_excerpt(name);
    }
    out.push_back({k.name, t.count,
                   sentence(k.kind, t.count, t.example, names, t.distinct, species_rank_only)});
  }
  return out;
}

}  // namespace kelvaro::dwc

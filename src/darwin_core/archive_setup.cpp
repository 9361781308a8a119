// The archive's tables found and checked, the options' terms chosen, the metadata read
// (ArchiveReader's constructor).

#include <algorithm>

#include "darwin_core/archive_reader.h"
#include "darwin_core/data_citation.h"
#include "darwin_core/header_layout.h"
#include "darwin_core/meta_layout.h"
#include "darwin_core/term_names.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::dwc {
namespace {

constexpr const char* kFixedTerms[kFixedSlots] = {
    "eventID",         "parentEventID",    "year",      "month",          "day",
    "eventDate",       "occurrenceStatus", "taxonRank", "scientificName", "individualCount",
    "organismQuantity"};

// The file called `name` at the top of the archive, or in its one folder; "" when none.
std::string find_top_file(const std::vector<std::string>& names, std::string_view name) {
  std::string in_folder;
  int folders = 0;
  for (const std::string& file : names) {
    const std::size_t slash = file.rfind('/');
    const std::string_view last = std::string_view(file).substr(slash + 1);
    if (!same_word(last, name)) continue;
    if (slash == std::string::npos) return file;
    if (file.find('/') == slash) {
      in_folder = file;
      ++folders;
    }
  }
  return folders == 1 ? in_folder : "";
}

std::string whole_text(ArchiveFiles& files, const std::string& name) {
  std::unique_ptr<tools::ByteSource> source = files.open(name);
  std::string text;
  char chunk[65536];
  for (std::size_t n; (n = source->read(chunk, sizeof chunk)) > 0;) {
    if (text.size() + n > kMaxXmlBytes) {
      throw ArchiveError(files.name(), name + " is larger than " +
                                           std::to_string(kMaxXmlBytes >> 20) +
                                           " MiB, more than any archive's XML needs");
    }
    text.append(chunk, n);
  }
  return text;
}

}  // namespace

ArchiveReader::ArchiveReader(const ArchiveInput& input, const ArchiveOptions& options)
    : files_(*input.files), input_(input), options_(options), archive_(input.files->name()) {
  values_.intern("");  // kEmpty
  const std::vector<std::string> names = files_.list();
  if (const std::vector<std::string> left = files_.left_out(); !left.empty()) {
    warnings_.add(WarningKind::kLeftOutEntries, tools::quoted_excerpt(left[0]), left.size());
  }
  find_layout(names);
  for (TableLayout& t : layout_.tables) {
    for (std::string& file : t.files) file = resolved_file(file, names);
  }
  check_tables();
  choose_terms();
  read_metadata(names);
}

const XmlElement* ArchiveReader::xml_tree(const std::string& name, XmlElement& parsed,
                                          bool required) {
  if (const auto given = input_.trees.find(name); given != input_.trees.end()) {
    return &given->second;
  }
  if (!input_.parse_xml) {
    if (!required) return nullptr;
    throw ArchiveError(archive_, name + " was given neither parsed nor with a parser to read it");
  }
  parsed = input_.parse_xml(whole_text(files_, name), archive_ + "/" + name);
  return &parsed;
}

void ArchiveReader::find_layout(const std::vector<std::string>& names) {
  std::string meta = find_top_file(names, "meta.xml");
  if (meta.empty() && input_.trees.count("meta.xml") > 0) meta = "meta.xml";
  if (meta.empty()) {
    layout_ = header_layout(files_, names);
    return;
  }
  XmlElement parsed;
  const XmlElement* root = xml_tree(meta, parsed, true);
  layout_ = meta_layout(*root, archive_, meta.substr(0, meta.rfind('/') + 1), warnings_);
}

std::string ArchiveReader::resolved_file(const std::string& name,
                                         const std::vector<std::string>& names) {
  if (std::find(names.begin(), names.end(), name) != names.end()) return name;
  for (const std::string& file : names) {
    if (same_word(file, name)) {
      warnings_.add(WarningKind::kFileNameCase, name + " as " + file);
      return file;
    }
  }
  std::string held;
  for (std::size_t i = 0; i < names.size() && i < 10; ++i) held += (i ? ", " : "") + names[i];
  throw ArchiveError(archive_, "meta.xml names the file " + tools::quoted_excerpt(name) +
                                   ", which the archive does not hold (it holds " +
                                   (held.empty() ? std::string("nothing") : held) +
                                   (names.size() > 10 ? ", ..." : "") + ")");
}

void ArchiveReader::check_tables() {
  const TableLayout& core = layout_.tables.front();
  if (core.type == RowType::kOther) {
    throw ArchiveError(archive_, "the archive's core is a table of " +
                                     tools::quoted_excerpt(core.row_type) +
                                     " rows; kelvaro reads sampling events and their "
                                     "occurrences (an Event or Occurrence core)");
  }
  bool occurrences = core.type == RowType::kOccurrence;
  for (TableLayout& t : layout_.tables) {
    const bool read = t.core || (core.type == RowType::kEvent && t.type == RowType::kOccurrence);
    if (!read) {
      warnings_.add(WarningKind::kOtherTables, t.files.front() + " (" + t.row_type + ")");
      t.type = RowType::kOther;
      continue;
    }
    occurrences = occurrences || t.type == RowType::kOccurrence;
    if (!t.id && (t.core ? core.type == RowType::kEvent : true)) {
      const TermColumn* event_id = t.find("eventID");
      if (event_id == nullptr || !event_id->index) {
        throw ArchiveError(archive_, std::string("meta.xml gives ") +
                                         (t.core ? "the core" : "the extension") + " " +
                                         t.files.front() + " no " + (t.core ? "<id>" : "<coreid>") +
                                         " and it has no eventID column to join its rows by");
      }
      t.id = event_id->index;
    }
    if (t.id_term.empty()) {
      t.id_term = t.core ? "id" : "coreid";
      for (const TermColumn& c : t.terms) {
        if (c.index == t.id) t.id_term = c.term;
      }
    }
  }
  if (!occurrences) {
    throw ArchiveError(archive_,
                       "the archive's events have no Occurrence extension: kelvaro reads which "
                       "species were detected from occurrences (an archive of measurements or "
                       "abundances in another extension cannot be read yet)");
  }
  if (core.type == RowType::kEvent) event_layout_ = &layout_.tables.front();
}

bool ArchiveReader::available(const std::string& term) const {
  for (const TableLayout& t : layout_.tables) {
    if (t.type == RowType::kOther) continue;
    if (t.find(term) != nullptr) return true;
    if (t.core && t.type == RowType::kEvent && same_word(term, "eventID")) return true;
  }
  for (const char* date_part : {"year", "month", "day"}) {
    if (same_word(term, date_part)) return available("eventDate");
  }
  return false;
}

std::vector<std::string> ArchiveReader::table_terms() const {
  std::vector<std::string> listed;
  for (const TableLayout& t : layout_.tables) {
    if (t.type == RowType::kOther) continue;
    for (const TermColumn& c : t.terms) {
      const bool seen = std::any_of(listed.begin(), listed.end(),
                                    [&](const std::string& s) { return same_word(s, c.term); });
      if (!seen) listed.push_back(c.term);
    }
  }
  return listed;
}

std::vector<std::string> ArchiveReader::held_terms() const {
  std::vector<std::string> held = table_terms();
  // Terms read without a column of their own: the event core's id, the parts of eventDate.
  for (const char* implied : {"eventID", "year", "month", "day"}) {
    const bool seen = std::any_of(held.begin(), held.end(),
                                  [&](const std::string& s) { return same_word(s, implied); });
    if (!seen && available(implied)) held.emplace_back(implied);
  }
  return held;
}

std::string ArchiveReader::terms_listed() const {
  std::string text;
  for (const std::string& term : table_terms()) text += (text.empty() ? "" : ", ") + term;
  return text;
}

std::size_t ArchiveReader::slot_of(const std::string& term) {
  for (std::size_t s = 0; s < slot_terms_.size(); ++s) {
    if (same_word(slot_terms_[s], term)) return s;
  }
  slot_terms_.push_back(term);
  return slot_terms_.size() - 1;
}

// The term of a column: the one `given`, else `fallback`; "" when neither is in the archive and
// the column may go without.
std::string ArchiveReader::term_for(const std::string& given, const char* role,
                                    const std::string& fallback, bool required) {
  const std::string term = given.empty() ? fallback : term_name(given);
  if (available(term)) {
    for (const TableLayout& t : layout_.tables) {  // the archive's spelling
      if (const TermColumn* c = t.type == RowType::kOther ? nullptr : t.find(term)) return c->term;
    }
    return term;
  }
  if (given.empty() && !required) return "";
  const std::string option = std::string("--") + role;
  throw ArchiveError(
      archive_, (given.empty() ? "no term " + tools::quoted_excerpt(term) + " for the " + role +
                                     " (the default); name the " + role + "'s term with " + option
                               : option + " " + tools::quoted_excerpt(given) +
                                     ": the archive has no such term") +
                    " (its terms: " + terms_listed() + ")");
}

void ArchiveReader::choose_terms() {
  for (const char* fixed : kFixedTerms) slot_terms_.emplace_back(fixed);
  terms_.group = term_for(options_.group, "group", "locationID", false);
  if (terms_.group.empty()) {
    warnings_.add(WarningKind::kNoLocation, "");
    all_group_ = values_.intern("all").id;
  } else {
    group_slot_ = slot_of(terms_.group);
  }
  terms_.sample = term_for(options_.sample, "sample", "year", true);
  sample_slot_ = slot_of(terms_.sample);
  terms_.site = term_for(options_.site, "site", "eventID", true);
  site_slot_ = slot_of(terms_.site);
  terms_.species =
      term_for(options_.species, "species", options_.taxon_id ? "taxonID" : "scientificName", true);
  species_slot_ = slot_of(terms_.species);
  count_named_ = !options_.count.empty();
  if (count_named_) {
    terms_.count = {term_for(options_.count, "count", "", true)};
    count_slots_ = {slot_of(terms_.count[0])};
    return;
  }
  for (const char* term : {"individualCount", "organismQuantity"}) {
    if (available(term)) {
      terms_.count.push_back(term);
      count_slots_.push_back(slot_of(term));
    }
  }
  terms_.count.push_back("occurrenceStatus");
}

void ArchiveReader::read_metadata(const std::vector<std::string>& names) {
  std::string file = layout_.metadata_file;
  if (!file.empty() && std::find(names.begin(), names.end(), file) == names.end() &&
      input_.trees.count(file) == 0) {
    warnings_.add(WarningKind::kMetadata, "meta.xml names " + file + ", which is missing");
    return;
  }
  for (const char* usual : {"eml.xml", "metadata.xml"}) {
    if (file.empty()) file = find_top_file(names, usual);
    if (file.empty() && input_.trees.count(usual) > 0) file = usual;
  }
  if (file.empty()) return;
  try {
    XmlElement parsed;
    if (const XmlElement* root = xml_tree(file, parsed, false)) {
      citation_ = citation_from_metadata(*root, file);
    } else {
      warnings_.add(WarningKind::kMetadata, file + ": no XML parser given");
    }
  } catch (const std::runtime_error& e) {  // ArchiveError, ReadError: the data can still be read
    warnings_.add(WarningKind::kMetadata, e.what());
  }
}

void ArchiveReader::note_dataset_terms(const TableReading& table, const TextRow& row) {
  if (dataset_terms_noted_) return;
  dataset_terms_noted_ = true;
  const auto term = [&](const char* name) -> std::string {
    const TermColumn* c = table.layout->find(name);
    if (c == nullptr) return "";
    return std::string(values_.label(cell(table, row, *c)));
  };
  if (citation_.title.empty()) citation_.title = term("datasetName");
  if (citation_.creators.empty()) {
    if (std::string holder = term("rightsHolder"); !holder.empty()) {
      citation_.creators.push_back(std::move(holder));
    }
  }
  if (citation_.licence.empty()) {
    citation_.licence = term("license");
    if (citation_.licence.empty()) citation_.licence = term("rights");
    if (citation_.licence.rfind("http", 0) == 0) citation_.licence_url = citation_.licence;
  }
  if (citation_.identifier.empty()) citation_.identifier = term("datasetID");
  if (citation_.text.empty()) citation_.text = term("bibliographicCitation");
  complete_citation_text(citation_);
}

std::string ArchiveReader::description() const {
  std::string text = archive_ + (layout_.from_meta ? " (Darwin Core archive: "
                                                   : " (Darwin Core tables without meta.xml: ");
  bool first = true;
  for (const TableLayout& t : layout_.tables) {
    if (t.type == RowType::kOther) continue;
    text += std::string(first ? "" : ", ") + t.row_type + (t.core ? " core " : " extension ");
    for (std::size_t i = 0; i < t.files.size(); ++i) text += (i ? " + " : "") + t.files[i];
    first = false;
  }
  return text + ")";
}

}  // namespace kelvaro::dwc

// The occurrences read and joined to their events, each made a row of the long table, and the
// rows put in the event table's order with a row for every leaf event that gave none.

#include <charconv>

#include "darwin_core/archive_reader.h"
#include "darwin_core/data_citation.h"
#include "darwin_core/taxon_rank.h"
#include "darwin_core/term_names.h"
#include "field_tables/cell_value.h"
#include "kelvaro/compat.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::dwc {
namespace {

// A count as a number: "3", "0.5", "+2", "1e3"; nullopt for anything else.
std::optional<double> count_number(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = compat::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value != value) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

bool ArchiveReader::read(const DarwinCoreTable::GoOn& go_on) {
  if (event_layout_ != nullptr && !read_events(go_on)) return false;
  if (!read_occurrences(go_on)) return false;
  order_rows();
  complete_citation_text(citation_);
  pending_ = {};
  return true;
}

bool ArchiveReader::read_occurrences(const DarwinCoreTable::GoOn& go_on) {
  for (const TableLayout& layout : layout_.tables) {
    if (layout.type != RowType::kOccurrence) continue;
    TableReading table = reading_of(layout);
    const bool whole =
        each_row(table, go_on, [&](const TextRow& row) { take_occurrence(table, row); });
    if (!whole) return false;
  }
  return true;
}

void ArchiveReader::take_occurrence(const TableReading& table, const TextRow& row) {
  const TableLayout& layout = *table.layout;
  if (layout.core) note_dataset_terms(table, row);
  const std::size_t slots = slot_terms_.size();
  std::vector<std::uint32_t>& values = scratch_;
  values.resize(slots);
  own_values(table, row, values.data());
  derive_dates(values.data());
  const long column = layout.id ? static_cast<long>(*layout.id) + 1 : 1;
  const csv::InputError at(table.file, row.line(), column, "", table.separator);
  std::uint32_t event = kNone;
  if (event_layout_ != nullptr) {
    const std::uint32_t key = cell(table, row, {layout.id_term, layout.id, ""});
    const auto found = event_by_key_.find(key);
    if (found == event_by_key_.end()) {
      throw csv::InputError(
          table.file, row.line(), column,
          "the occurrence's " + layout.id_term + " " + tools::quoted_excerpt(values_.label(key)) +
              " names no event of " + event_layout_->files.front() +
              " (every occurrence belongs to an event of the core: is this the column of the "
              "event's id?)",
          table.separator);
    }
    event = found->second;
    const std::uint32_t* inherited = &event_values_[event * slots];
    for (std::size_t s = 0; s < slots; ++s) {
      if (values[s] == kEmpty) values[s] = inherited[s];
    }
  }
  Row r = row_of(values.data(), "this occurrence", at);
  r.detected = detected(table, row, values.data());
  if (r.species == kEmpty && r.detected) {
    throw csv::InputError(at.file(), at.line(), at.column(),
                          "a detection without a " + terms_.species +
                              " (give every occurrence one, or mark it absent)",
                          table.separator);
  }
  if (r.species != kEmpty && above_species_rank(values_.label(values[kTaxonRank]),
                                                values_.label(values[kScientificName]))) {
    if (higher_taxa_.insert(r.species).second) {
      warnings_.add_distinct(WarningKind::kAboveSpeciesRank, std::string(values_.label(r.species)));
    }
    warnings_.add(WarningKind::kAboveSpeciesRank, "");
    if (options_.species_rank_only) {
      r.species = kEmpty;
      r.detected = false;
    }
  }
  pending_.push_back({event, r});
}

bool ArchiveReader::detected(const TableReading& table, const TextRow& row,
                             const std::uint32_t* values) {
  if (same_word(trimmed(values_.label(values[kOccurrenceStatus])), "absent")) return false;
  if (count_named_) {
    const std::string_view text = values_.label(values[count_slots_[0]]);
    const csv::CellRules rules;
    const std::optional<bool> value = csv::detected(text, rules);
    if (!value) {
      const TermColumn* c = table.columns[count_slots_[0]];
      const long column = c != nullptr && c->index ? static_cast<long>(*c->index) + 1 : 1;
      throw csv::InputError(table.file, row.line(), column, csv::cell_refusal(text, rules),
                            table.separator);
    }
    return *value;
  }
  for (const std::size_t slot : count_slots_) {
    const std::string_view text = trimmed(values_.label(values[slot]));
    if (text.empty()) continue;
    if (const std::optional<double> number = count_number(text)) return *number > 0;
    warnings_.add(WarningKind::kCountNotNumber,
                  table.file + ", line " + std::to_string(row.line()) + ": " + slot_terms_[slot] +
                      " " + tools::quoted_excerpt(text));
    return true;
  }
  return true;
}

ArchiveReader::Row ArchiveReader::row_of(const std::uint32_t* values, const std::string& what,
                                         const csv::InputError& at) {
  const auto refuse = [&](const std::string& term, const char* role) {
    std::string reason = "no " + term + " (the " + role + "'s term) on " + what +
                         (event_layout_ != nullptr ? ", its event or the events above it" : "");
    const std::string_view date = values_.label(values[kEventDate]);
    if ((same_word(term, "year") || same_word(term, "month") || same_word(term, "day")) &&
        !date.empty()) {
      reason += ", and its eventDate " + tools::quoted_excerpt(date) +
                " is no ISO 8601 date that gives it (2019-05-03)";
    }
    throw csv::InputError(
        at.file(), at.line(), at.column(),
        reason + "; give each a " + term + ", or name another term with --" + role, 0);
  };
  Row r{all_group_, values[sample_slot_], values[site_slot_], values[species_slot_], false};
  if (group_slot_ != kNone) {
    r.group = values[group_slot_];
    if (r.group == kEmpty) refuse(terms_.group, "group");
  }
  if (r.sample == kEmpty) refuse(terms_.sample, "sample");
  if (r.site == kEmpty) refuse(terms_.site, "site");
  return r;
}

void ArchiveReader::order_rows() {
  if (event_layout_ == nullptr) {  // an occurrence core: the occurrences' order
    rows_.reserve(pending_.size());
    for (const PendingRow& p : pending_) rows_.push_back(p.row);
    return;
  }
  const std::size_t events = event_keys_.size();
  std::vector<std::size_t> starts(events + 1, 0);
  for (const PendingRow& p : pending_) ++starts[p.event + 1];
  for (std::size_t e = 0; e < events; ++e) starts[e + 1] += starts[e];
  std::vector<Row> sorted(pending_.size());
  {
    std::vector<std::size_t> next(starts.begin(), starts.end() - 1);
    for (const PendingRow& p : pending_) sorted[next[p.event]++] = p.row;
  }
  pending_ = {};
  const std::size_t slots = slot_terms_.size();
  rows_.reserve(sorted.size());
  for (std::size_t e = 0; e < events; ++e) {
    const std::size_t n = starts[e + 1] - starts[e];
    rows_.insert(rows_.end(), sorted.begin() + static_cast<std::ptrdiff_t>(starts[e]),
                 sorted.begin() + static_cast<std::ptrdiff_t>(starts[e + 1]));
    const Place& place = event_places_[e];
    const std::string where = files_read_[place.file] + ", line " + std::to_string(place.line);
    if (has_children_[e]) {
      if (n > 0) warnings_.add(WarningKind::kContainerRecords, where, n);
      continue;
    }
    if (n > 0) continue;
    const csv::InputError at(files_read_[place.file], place.line,
                             static_cast<long>(*event_layout_->id) + 1, "");
    Row r = row_of(&event_values_[e * slots], "this event", at);
    r.species = kEmpty;
    rows_.push_back(r);
  }
}

LongRow ArchiveReader::row(std::size_t i) const {
  const Row& r = rows_[i];
  return {values_.label(r.group), values_.label(r.sample), values_.label(r.site),
          values_.label(r.species), r.detected};
}

}  // namespace kelvaro::dwc

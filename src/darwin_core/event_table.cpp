// Rows read and their cells interned; the event table read, its hierarchy linked and each
// event's terms resolved from its own row, its eventDate and its parents.

#include <algorithm>

#include "darwin_core/archive_reader.h"
#include "darwin_core/event_date.h"
#include "darwin_core/term_names.h"
#include "darwin_core/text_encoding.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::dwc {
namespace {

// Rows between two calls of the go-on hook: a millisecond or so of reading.
constexpr std::uint64_t kGoOnInterval = 8192;

// True when `row` is a header row: at least two of the table's columns, and half of them, hold
// their own term's name.
bool names_terms(const TableLayout& layout, const TextRow& row) {
  std::size_t columns = 0, named = 0;
  for (const TermColumn& c : layout.terms) {
    if (!c.index) continue;
    ++columns;
    if (same_word(term_name(row[*c.index]), c.term)) ++named;
  }
  return named >= 2 && 2 * named >= columns;
}

}  // namespace

TableReading ArchiveReader::reading_of(const TableLayout& layout) {
  TableReading t;
  t.layout = &layout;
  for (const std::string& term : slot_terms_) t.columns.push_back(layout.find(term));
  const char s = layout.format.separator;
  t.separator = s == ',' || s == ';' || s == '\t' ? s : 0;
  return t;
}

std::uint32_t ArchiveReader::cell(const TableReading& table, const TextRow& row,
                                  const TermColumn& column) {
  std::string_view text = column.index ? row[*column.index] : std::string_view();
  if (text == "NA") {
    warnings_.add(WarningKind::kNaCells, table.file + ", line " + std::to_string(row.line()));
    text = {};
  }
  if (text.empty()) return column.fallback.empty() ? kEmpty : values_.intern(column.fallback).id;
  if (table.layout->format.encoding == TextEncoding::kWindows1252) {
    return values_.intern(windows_1252_to_utf8(text)).id;
  }
  if (!is_utf8(text)) {
    warnings_.add(WarningKind::kEncoding, table.file + ", line " + std::to_string(row.line()));
    return values_.intern(windows_1252_to_utf8(text)).id;
  }
  return values_.intern(text).id;
}

void ArchiveReader::own_values(const TableReading& table, const TextRow& row,
                               std::uint32_t* values) {
  for (std::size_t s = 0; s < table.columns.size(); ++s) {
    values[s] = table.columns[s] == nullptr ? kEmpty : cell(table, row, *table.columns[s]);
  }
}

void ArchiveReader::derive_dates(std::uint32_t* values) {
  if (values[kEventDate] == kEmpty ||
      (values[kYear] != kEmpty && values[kMonth] != kEmpty && values[kDay] != kEmpty)) {
    return;
  }
  const std::optional<DateParts> parts = date_parts(values_.label(values[kEventDate]));
  if (!parts) return;
  const std::pair<Slot, const std::string*> derived[] = {
      {kYear, &parts->year}, {kMonth, &parts->month}, {kDay, &parts->day}};
  for (const auto& [slot, text] : derived) {
    if (values[slot] == kEmpty && !text->empty()) values[slot] = values_.intern(*text).id;
  }
}

bool ArchiveReader::each_row(TableReading& table, const DarwinCoreTable::GoOn& go_on,
                             const std::function<void(const TextRow&)>& take) {
  const TableLayout& layout = *table.layout;
  std::size_t widest = layout.id.value_or(0);
  for (const TermColumn* c : table.columns) {
    if (c != nullptr && c->index) widest = std::max(widest, *c->index);
  }
  for (const std::string& file : layout.files) {
    table.file = archive_ + "/" + file;
    files_read_.push_back(table.file);
    TextTableReader reader(files_.open(file), layout.format);
    if (reader.byte_order_mark()) warnings_.add(WarningKind::kByteOrderMark, file);
    TextRow row;
    for (bool first = true; reader.next(row); first = false) {
      if (first && layout.format.header_rows == 0 && names_terms(layout, row)) {
        warnings_.add(WarningKind::kHeaderRow, file);
        continue;
      }
      if (row.size() <= widest) {
        warnings_.add(WarningKind::kShortRows, file + ", line " + std::to_string(row.line()));
      }
      take(row);
      if (++rows_read_ % kGoOnInterval == 0 && go_on && !go_on(rows_read_)) return false;
    }
    if (reader.crlf() && layout.lf_said) warnings_.add(WarningKind::kLineEnds, file);
  }
  return true;
}

bool ArchiveReader::read_events(const DarwinCoreTable::GoOn& go_on) {
  TableReading table = reading_of(*event_layout_);
  const std::size_t slots = slot_terms_.size();
  const TermColumn id{event_layout_->id_term, event_layout_->id, ""};
  const bool whole = each_row(table, go_on, [&](const TextRow& row) {
    note_dataset_terms(table, row);
    const auto event = static_cast<std::uint32_t>(event_keys_.size());
    event_values_.resize(event_values_.size() + slots);
    std::uint32_t* values = &event_values_[event * slots];
    own_values(table, row, values);
    const std::uint32_t key = cell(table, row, id);
    const long column = static_cast<long>(*event_layout_->id) + 1;
    if (key == kEmpty) {
      throw csv::InputError(table.file, row.line(), column,
                            "an event without its id (" + id.term + ")", table.separator);
    }
    if (const auto [it, added] = event_by_key_.emplace(key, event); !added) {
      const Place& first = event_places_[it->second];
      throw csv::InputError(table.file, row.line(), column,
                            "the event " + tools::quoted_excerpt(values_.label(key)) +
                                " again (first on line " + std::to_string(first.line) +
                                "): an event is one row",
                            table.separator);
    }
    if (values[kEventId] == kEmpty) values[kEventId] = key;  // the core id is the eventID
    event_by_id_.emplace(values[kEventId], event);
    event_keys_.push_back(key);
    event_places_.push_back({static_cast<std::uint32_t>(files_read_.size() - 1), row.line()});
  });
  if (!whole) return false;
  link_events();
  resolve_events();
  return true;
}

void ArchiveReader::link_events() {
  const std::size_t slots = slot_terms_.size();
  const std::size_t events = event_keys_.size();
  parents_.assign(events, kNone);
  has_children_.assign(events, false);
  for (std::size_t e = 0; e < events; ++e) {
    const std::uint32_t parent = event_values_[e * slots + kParentEventId];
    if (parent == kEmpty) continue;
    const auto found = event_by_id_.find(parent);
    if (found == event_by_id_.end() || found->second == e) {
      warnings_.add(WarningKind::kUnknownParent, files_read_[event_places_[e].file] + ", line " +
                                                     std::to_string(event_places_[e].line) + ": " +
                                                     tools::quoted_excerpt(values_.label(parent)));
      continue;
    }
    parents_[e] = found->second;
    has_children_[found->second] = true;
  }
}

void ArchiveReader::resolve_events() {
  enum : std::uint8_t { kWaiting, kOnPath, kResolved };
  std::vector<std::uint8_t> state(event_keys_.size(), kWaiting);
  std::vector<std::uint32_t> path;
  for (std::uint32_t e = 0; e < event_keys_.size(); ++e) {
    // Up the hierarchy to a resolved event or the root, then down again resolving each.
    for (std::uint32_t at = e; at != kNone && state[at] != kResolved; at = parents_[at]) {
      if (state[at] == kOnPath) {
        std::string loop;
        for (const std::uint32_t p : path)
          loop += std::string(values_.label(event_keys_[p])) + " > ";
        const Place& place = event_places_[e];
        throw csv::InputError(files_read_[place.file], place.line,
                              static_cast<long>(*event_layout_->id) + 1,
                              "the events' parentEventIDs go round in a loop: " + loop +
                                  std::string(values_.label(event_keys_[at])));
      }
      state[at] = kOnPath;
      path.push_back(at);
    }
    for (auto p = path.rbegin(); p != path.rend(); ++p) {
      resolve_event(*p);
      state[*p] = kResolved;
    }
    path.clear();
  }
}

void ArchiveReader::resolve_event(std::uint32_t event) {
  const std::size_t slots = slot_terms_.size();
  std::uint32_t* values = &event_values_[event * slots];
  derive_dates(values);
  if (parents_[event] == kNone) return;
  const std::uint32_t* parent = &event_values_[parents_[event] * slots];
  for (std::size_t s = 0; s < slots; ++s) {
    if (s == kEventId || s == kParentEventId) continue;
    if (values[s] == kEmpty) values[s] = parent[s];
  }
}

}  // namespace kelvaro::dwc

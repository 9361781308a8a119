#pragma once
// The reading of an archive behind DarwinCoreTable (kelvaro/darwin_core.h, which states the
// rules): the tables found and checked (archive_setup.cpp), the events read and their hierarchy
// resolved (event_table.cpp), the occurrences joined and made into rows (occurrence_rows.cpp).
//
// Every value read is interned once in one pool; an event keeps the value id of each term used
// (its "slots"), first its own, then, once resolved, with what it inherits; a row keeps the ids
// of its group, sample, site and species.

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "darwin_core/archive_layout.h"
#include "darwin_core/warning_counts.h"
#include "kelvaro/darwin_core.h"
#include "kelvaro/labels.h"

namespace kelvaro::dwc {

// The terms a row's values are kept for, by slot. The fixed ones come first; the options' terms
// that are none of them follow.
enum Slot : std::size_t {
  kEventId,
  kParentEventId,
  kYear,
  kMonth,
  kDay,
  kEventDate,
  kOccurrenceStatus,
  kTaxonRank,
  kScientificName,
  kIndividualCount,
  kOrganismQuantity,
  kFixedSlots
};

inline constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
inline constexpr std::uint32_t kEmpty = 0;  // the value id of the empty text

// A table being read: its layout and, by slot, the column (or constant) of the slot's term.
struct TableReading {
  const TableLayout* layout = nullptr;
  std::vector<const TermColumn*> columns;  // by slot; nullptr: the table lacks the term
  std::string file;                        // the file being read, "<archive>/<name>"
  char separator = ',';
};

class ArchiveReader {
 public:
  ArchiveReader(const ArchiveInput& input, const ArchiveOptions& options);
  bool read(const DarwinCoreTable::GoOn& go_on);

  std::size_t size() const { return rows_.size(); }
  LongRow row(std::size_t i) const;
  std::string description() const;
  const std::string& archive() const { return archive_; }
  const ColumnTerms& terms() const { return terms_; }
  std::vector<std::string> held_terms() const;
  const Citation& citation() const { return citation_; }
  std::vector<ArchiveWarning> warnings() const {
    return warnings_.warnings(options_.species_rank_only);
  }

 private:
  struct Row {
    std::uint32_t group, sample, site, species;  // value ids (species kEmpty: none)
    bool detected;
  };
  // A row on its way: the event it belongs to (its index, or kNone in an occurrence core).
  struct PendingRow {
    std::uint32_t event;
    Row row;
  };
  struct Place {
    std::uint32_t file;  // into files_read_
    long line;
  };

  // archive_setup.cpp
  void find_layout(const std::vector<std::string>& names);
  std::string resolved_file(const std::string& name, const std::vector<std::string>& names);
  const XmlElement* xml_tree(const std::string& name, XmlElement& parsed, bool required);
  void check_tables();
  void choose_terms();
  std::string term_for(const std::string& given, const char* role, const std::string& fallback,
                       bool required);
  bool available(const std::string& term) const;
  std::vector<std::string> table_terms() const;
  std::string terms_listed() const;
  std::size_t slot_of(const std::string& term);
  void read_metadata(const std::vector<std::string>& names);
  void note_dataset_terms(const TableReading& table, const TextRow& row);

  // event_table.cpp
  TableReading reading_of(const TableLayout& layout);
  std::uint32_t cell(const TableReading& table, const TextRow& row, const TermColumn& column);
  void own_values(const TableReading& table, const TextRow& row, std::uint32_t* values);
  void derive_dates(std::uint32_t* values);
  bool read_events(const DarwinCoreTable::GoOn& go_on);
  void link_events();
  void resolve_events();
  void resolve_event(std::uint32_t event);
  // Opens the table's files one after another and calls take(row) for every row; false when
  // go_on stopped it.
  bool each_row(TableReading& table, const DarwinCoreTable::GoOn& go_on,
                const std::function<void(const TextRow&)>& take);

  // occurrence_rows.cpp
  bool read_occurrences(const DarwinCoreTable::GoOn& go_on);
  void take_occurrence(const TableReading& table, const TextRow& row);
  bool detected(const TableReading& table, const TextRow& row, const std::uint32_t* values);
  // The row's group, sample, site and species (not detected). Throws csv::InputError at `at`'s
  // place for an empty group, sample or site; `what` is "this occurrence" or "this event".
  Row row_of(const std::uint32_t* values, const std::string& what, const csv::InputError& at);
  void order_rows();

  ArchiveFiles& files_;
  ArchiveInput input_;
  ArchiveOptions options_;
  std::string archive_;
  ArchiveLayout layout_;
  WarningCounts warnings_;
  ColumnTerms terms_;
  Citation citation_;
  bool dataset_terms_noted_ = false;

  // Slots: the terms read, by slot; and those of the long table's columns.
  std::vector<std::string> slot_terms_;
  std::size_t group_slot_ = kNone, sample_slot_ = 0, site_slot_ = 0, species_slot_ = 0;
  std::vector<std::size_t> count_slots_;
  bool count_named_ = false;
  std::uint32_t all_group_ = kEmpty;  // the one group when there is no group term

  tools::LabelPool values_;
  std::vector<std::string> files_read_;  // for places
  std::uint64_t rows_read_ = 0;

  // Events (an event core): slots per event, their keys, places and hierarchy.
  const TableLayout* event_layout_ = nullptr;
  std::vector<std::uint32_t> event_values_;  // events x slot count
  std::vector<std::uint32_t> event_keys_;    // the core id's value
  std::vector<Place> event_places_;
  std::vector<std::uint32_t> parents_;  // event index, or kNone
  std::vector<bool> has_children_;
  std::unordered_map<std::uint32_t, std::uint32_t> event_by_key_, event_by_id_;

  std::vector<PendingRow> pending_;
  std::vector<std::uint32_t> scratch_;             // an occurrence's values
  std::unordered_set<std::uint32_t> higher_taxa_;  // species value ids above species rank
  std::vector<Row> rows_;
};

}  // namespace kelvaro::dwc

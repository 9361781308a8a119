#pragma once
// A long table of detection records, read as a stream: one row per record, columns found by name
// in the header (any order, ASCII case ignored, names configurable, other columns ignored),
// labels interned as small integers. This is the one reader of long tables: kelvaro-prep reads
// its two samples with it, and a program that analyses many groups and samples reads them the
// same way, with the same checks and messages.
//
//   sample,site,species,count          record (line 2): sample 0 "2019", site 0 "s1",
//   2019,s1,Sp.A,2                                       species 0 "Sp.A", detected
//   2019,s2,,0                         record (line 3): sample 0, site 1 "s2", no species,
//                                                       not detected (s2 was visited)
//
// A count column (the option, or else whichever of count, detected, abundance the header has)
// says per record whether the species was detected (cell_value.h: 0, empty, FALSE... are not);
// a record that is not a detection still makes its site a visited site of its sample, and may
// leave the species empty. Without a count column every record is a detection. Memory: the
// current row and the interned labels, whatever the table's length.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "field_tables/cell_value.h"
#include "field_tables/csv_reader.h"
#include "kelvaro/byte_source.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/labels.h"

namespace kelvaro::csv {

// The species of a record that names none (allowed only when it is not a detection).
inline constexpr std::uint32_t kNoSpecies = std::numeric_limits<std::uint32_t>::max();

struct LongRecord {
  long line = 0;            // the file line on which the row begins
  std::uint32_t group = 0;  // ids in the reader's pools, in order of first appearance
  std::uint32_t sample = 0;
  std::uint32_t site = 0;
  std::uint32_t species = 0;  // or kNoSpecies
  bool detected = true;       // false: the site was visited and this species not found
};

// The records of a long table one by one, with the pools their ids index: a file's
// (LongTableReader) or a table's held in memory (ColumnRecords, column_records.h). Without a
// group column every record is in group 0, labelled "".
class LongRecords {
 public:
  virtual ~LongRecords() = default;
  // The next record; false at the end of the table. Throws InputError for a refused record.
  virtual bool next(LongRecord& record) = 0;
  virtual const tools::LabelPool& groups() const = 0;
  virtual const tools::LabelPool& samples() const = 0;
  virtual const NamePool& sites() const = 0;
  virtual const NamePool& species() const = 0;
};

// Why a record's `role` field may not be empty (a species may be, on a record that is not a
// detection).
std::string empty_field_reason(LongColumn role);

class LongTableReader final : public LongRecords {
 public:
  // Reads up to the header row (the first row that is not blank) and finds the columns.
  // Throws MissingColumn, InputError (no header; a name given to two columns; two count
  // columns and no option to choose), ReadError.
  LongTableReader(tools::ByteSource& source, const LongTableOptions& options);
  // A reader of a part of the table of `layout` that starts at a row on line `first_line`
  // (after the header): its columns, separator and rules, and pools of its own, which keep
  // every spelling apart (adopt() folds them as `layout` does).
  LongTableReader(const LongTableReader& layout, tools::ByteSource& part, long first_line);

  // Where a part's label ids go in this reader's pools.
  struct LabelMaps {
    std::vector<std::uint32_t> groups, samples, sites, species;
  };
  // Interns the labels of `part` (read from a later part of the same file) that `maps` does not
  // hold yet, in its order of first appearance, as if its records had been read here, and adds
  // their new ids to `maps`. Called as the part's reading goes on, it maps each label once.
  void adopt(const LongTableReader& part, LabelMaps& maps);

  // The id of `text` in the pool of `role` (not kCount), read on line `line`: what next() gives
  // a record whose field it is. Readers of parts of the table intern their labels through it.
  std::uint32_t intern(LongColumn role, std::string_view text, long line);

  // The next record; false at the end of the table. Blank rows are skipped. Throws InputError
  // (a row whose number of fields is not the header's; an empty group, sample or site; an empty
  // species on a detection; a count cell that is not a value), ReadError.
  bool next(LongRecord& record) override;

  // Without a group column, the one group "" (id 0).
  const tools::LabelPool& groups() const override { return groups_; }
  const tools::LabelPool& samples() const override { return samples_; }
  const NamePool& sites() const override { return sites_; }
  const NamePool& species() const override { return species_; }
  NamePool& species() { return species_; }

  char separator() const { return csv_.separator(); }
  // The header's number of fields, the index of a role's column, the count cells' rules.
  std::size_t field_count() const { return header_.size(); }
  std::optional<std::size_t> column_index(LongColumn role) const { return index(role); }
  const CellRules& rules() const { return rules_; }
  const std::string& file() const { return csv_.file(); }
  long header_line() const { return header_.line(); }
  // The offset in the source of the next byte not read, and its line (CsvReader::row_offset).
  std::uint64_t byte_offset() const { return csv_.row_offset(); }
  long next_line() const { return csv_.line(); }
  // The column's name as the header writes it, or nullopt (no group or count column).
  std::optional<std::string> column_name(LongColumn role) const;
  // A refusal at a record's field, for the limits a caller checks (sites per sample...).
  // Requires: the table has a column for `role`.
  InputError error_at(long line, LongColumn role, const std::string& reason) const;

 private:
  std::optional<std::size_t>& index(LongColumn role) { return columns_[static_cast<int>(role)]; }
  const std::optional<std::size_t>& index(LongColumn role) const {
    return columns_[static_cast<int>(role)];
  }
  void find_columns(const LongTableColumns& names);
  // Every column `names` names that the header lacks (MissingColumn::missing).
  std::vector<LongColumn> missing_columns(const LongTableColumns& names) const;
  void find_count_column(const std::string& name);
  std::string_view field(LongColumn role, bool may_be_empty) const;
  template <class Intern>
  std::uint32_t cached(LongColumn role, std::string_view text, Intern intern);

  CsvReader csv_;
  CsvRow header_;
  CsvRow row_;
  CellRules rules_;
  std::optional<std::size_t> columns_[5];
  std::uint32_t file_index_ = 0;
  tools::LabelPool groups_, samples_;
  NamePool sites_, species_;
  // The last label read in each column and its id: tables sorted by group, sample and site
  // repeat them row after row, and a comparison costs less than a hash lookup.
  struct LastLabel {
    std::string text;
    std::uint32_t id = 0;
    bool valid = false;
  };
  LastLabel last_[5];
};

}  // namespace kelvaro::csv

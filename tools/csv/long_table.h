#pragma once
// A long table of detection records, read as a stream: one row per record, columns found by name
// in the header (any order, names configurable, other columns ignored), labels interned as small
// integers. This is the one reader of long tables: kelvaro-prep reads its two samples with it,
// and a program that analyses many groups and samples reads them the same way, with the same
// checks and messages.
//
//   sample,site,species          record (line 2): sample 0 "2019", site 0 "s1", species 0 "Sp.A"
//   2019,s1,Sp.A                 record (line 3): sample 0, site 1 "s2", species 0
//   2019,s2,Sp.A
//
// Memory: the current row and the interned labels, whatever the table's length.

#include <cstdint>
#include <optional>
#include <string>

#include "common/byte_source.h"
#include "common/label_pool.h"
#include "csv/csv_reader.h"
#include "csv/input_error.h"

namespace kelvaro::csv {

// The roles of a long table's columns.
enum class LongColumn { kGroup, kSample, kSite, kSpecies };

struct LongTableColumns {
  std::string group;              // empty: no group column (every record is in group 0)
  std::string sample = "sample";
  std::string site = "site";
  std::string species = "species";
};

struct LongTableOptions {
  LongTableColumns columns;
};

struct LongRecord {
  long line = 0;               // the file line on which the row begins
  std::uint32_t group = 0;     // ids in the reader's pools, in order of first appearance
  std::uint32_t sample = 0;
  std::uint32_t site = 0;
  std::uint32_t species = 0;
};

class LongTableReader {
 public:
  // Reads up to the header row (the first row that is not blank) and finds the columns.
  // Throws InputError (no header; a missing column; a name given to two columns), ReadError.
  LongTableReader(tools::ByteSource& source, const LongTableOptions& options);

  // The next record; false at the end of the table. Blank rows are skipped. Throws InputError
  // (a row whose number of fields is not the header's; an empty group, sample, site or
  // species), ReadError.
  bool next(LongRecord& record);

  const tools::LabelPool& groups() const { return groups_; }
  const tools::LabelPool& samples() const { return samples_; }
  const tools::LabelPool& sites() const { return sites_; }
  const tools::LabelPool& species() const { return species_; }
  tools::LabelPool& species() { return species_; }

  const std::string& file() const { return csv_.file(); }
  long header_line() const { return header_.line(); }
  // A refusal at a record's field, for the limits a caller checks (sites per sample...).
  // Requires: the table has a column for `role`.
  InputError error_at(long line, LongColumn role, const std::string& reason) const;

 private:
  std::optional<std::size_t>& index(LongColumn role) { return columns_[static_cast<int>(role)]; }
  const std::optional<std::size_t>& index(LongColumn role) const {
    return columns_[static_cast<int>(role)];
  }
  void find_columns(const LongTableColumns& names);
  std::string_view field(LongColumn role) const;
  template <class Intern>
  std::uint32_t cached(LongColumn role, std::string_view text, Intern intern);

  CsvReader csv_;
  CsvRow header_;
  CsvRow row_;
  std::optional<std::size_t> columns_[4];
  tools::LabelPool groups_, samples_, sites_, species_;
  // The last label read in each column and its id: tables sorted by group, sample and site
  // repeat them row after row, and a comparison costs less than a hash lookup.
  struct LastLabel {
    std::string text;
    std::uint32_t id = 0;
    bool valid = false;
  };
  LastLabel last_[4];
};

// The text of a column role in messages: "group", "sample", "site", "species".
std::string role_name(LongColumn role);

}  // namespace kelvaro::csv

#pragma once
// The records of a long table held in memory as columns (kelvaro/field_tables.h ColumnTable),
// read as LongTableReader reads a file's rows: the same records, checks and messages, at rows
// instead of lines. Each code's label is interned once, when a record first uses it, so that ids
// come in order of first appearance as a file's do.

#include <cstdint>
#include <optional>
#include <vector>

#include "field_tables/cell_value.h"
#include "field_tables/long_table.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/labels.h"

namespace kelvaro::csv {

class ColumnRecords final : public LongRecords {
 public:
  // Checks the columns' shape: every column as long as the sample column and every code below
  // its number of labels; throws std::invalid_argument otherwise (a program's fault, not the
  // data's). Takes na_absent and fold_case from `options` (the columns and separator are the
  // table's own). Requires: `table` outlives the reader.
  ColumnRecords(const ColumnTable& table, const LongTableOptions& options);

  bool next(LongRecord& record) override;

  const tools::LabelPool& groups() const override { return groups_; }
  const tools::LabelPool& samples() const override { return samples_; }
  const NamePool& sites() const override { return sites_; }
  const NamePool& species() const override { return species_; }

 private:
  static constexpr std::uint32_t kNew = 0xFFFFFFFFu;
  // The id of record `row`'s label in `column` (`ids` by code), interned at its first use.
  // Throws InputError for an empty label unless `may_be_empty` (then kNoSpecies).
  template <class Intern>
  std::uint32_t id_of(const CodedColumn& column, std::vector<std::uint32_t>& ids, LongColumn role,
                      bool may_be_empty, Intern intern);
  InputError error_at(const CodedColumn& column, const std::string& reason) const;

  const ColumnTable& table_;
  CellRules rules_;
  std::size_t row_ = 0;                                                         // the next record
  std::vector<std::uint32_t> group_ids_, sample_ids_, site_ids_, species_ids_;  // by code
  std::vector<std::optional<bool>> detected_;  // by count code, once known
  std::vector<bool> judged_;
  std::uint32_t file_ = 0;
  tools::LabelPool groups_, samples_;
  NamePool sites_, species_;
};

}  // namespace kelvaro::csv

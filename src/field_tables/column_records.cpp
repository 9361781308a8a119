#include "field_tables/column_records.h"

#include <stdexcept>
#include <string>

namespace kelvaro::csv {
namespace {

void check_column(const CodedColumn& column, std::size_t records) {
  if (column.codes.size() != records) {
    throw std::invalid_argument("column " + column.name + " holds " +
                                std::to_string(column.codes.size()) + " values for " +
                                std::to_string(records) + " records");
  }
  for (const std::uint32_t code : column.codes) {
    if (code >= column.labels.size()) {
      throw std::invalid_argument("column " + column.name + " has a code beyond its labels");
    }
  }
}

}  // namespace

ColumnRecords::ColumnRecords(const ColumnTable& table, const LongTableOptions& options)
    : table_(table),
      rules_{false, options.na_absent},
      sites_("site", options.fold_case),
      species_("species", options.fold_case) {
  const std::size_t n = table.records();
  for (const CodedColumn* c : {&table.sample, &table.site, &table.species}) check_column(*c, n);
  if (table.group) check_column(*table.group, n);
  if (table.count) check_column(*table.count, n);
  const auto by_code = [](const std::optional<CodedColumn>& c) {
    return std::vector<std::uint32_t>(c ? c->labels.size() : 0, kNew);
  };
  group_ids_ = by_code(table.group);
  sample_ids_ = by_code(table.sample);
  site_ids_ = by_code(table.site);
  species_ids_ = by_code(table.species);
  if (table.count) {
    detected_.resize(table.count->labels.size());
    judged_.resize(table.count->labels.size());
  }
  if (!table.group) groups_.intern("");  // every record's group 0
  file_ = sites_.add_file(table.name, LineUnit::kRow);
  species_.add_file(table.name, LineUnit::kRow);
}

InputError ColumnRecords::error_at(const CodedColumn& column, const std::string& reason) const {
  return InputError(table_.name, static_cast<long>(row_) + 1, column.position, reason, 0,
                    LineUnit::kRow);
}

template <class Intern>
std::uint32_t ColumnRecords::id_of(const CodedColumn& column, std::vector<std::uint32_t>& ids,
                                   LongColumn role, bool may_be_empty, Intern intern) {
  const std::uint32_t code = column.codes[row_];
  std::uint32_t& id = ids[code];
  if (id != kNew) return id;
  const std::string& label = column.labels[code];
  if (label.empty()) {
    if (may_be_empty) return kNoSpecies;
    throw error_at(column, empty_field_reason(role));
  }
  id = intern(label, NamePlace{file_, static_cast<long>(row_) + 1, column.position});
  return id;
}

bool ColumnRecords::next(LongRecord& record) {
  if (row_ == table_.records()) return false;
  record.line = static_cast<long>(row_) + 1;
  record.detected = true;
  if (table_.count) {
    const std::uint32_t code = table_.count->codes[row_];
    if (!judged_[code]) {
      detected_[code] = detected(table_.count->labels[code], rules_);
      judged_[code] = true;
    }
    if (!detected_[code]) {
      throw error_at(*table_.count, cell_refusal(table_.count->labels[code], rules_));
    }
    record.detected = *detected_[code];
  }
  const auto label = [this](std::string_view text, const NamePlace&) {
    return groups_.intern(text).id;
  };
  record.group = 0;
  if (table_.group)
    record.group = id_of(*table_.group, group_ids_, LongColumn::kGroup, false, label);
  record.sample =
      id_of(table_.sample, sample_ids_, LongColumn::kSample, false,
            [this](std::string_view text, const NamePlace&) { return samples_.intern(text).id; });
  record.site = id_of(
      table_.site, site_ids_, LongColumn::kSite, false,
      [this](std::string_view text, const NamePlace& place) { return sites_.intern(text, place); });
  record.species = id_of(table_.species, species_ids_, LongColumn::kSpecies, !record.detected,
                         [this](std::string_view text, const NamePlace& place) {
                           return species_.intern(text, place);
                         });
  ++row_;
  return true;
}

}  // namespace kelvaro::csv

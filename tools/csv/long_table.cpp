#include "csv/long_table.h"

#include <algorithm>

#include "common/message_text.h"
#include "csv/header_columns.h"

namespace kelvaro::csv {

std::string role_name(LongColumn role) {
  switch (role) {
    case LongColumn::kGroup: return "group";
    case LongColumn::kSample: return "sample";
    case LongColumn::kSite: return "site";
    case LongColumn::kSpecies: return "species";
  }
  return "";
}

LongTableReader::LongTableReader(tools::ByteSource& source, const LongTableOptions& options)
    : csv_(source) {
  bool found = false;
  while ((found = csv_.next(header_)) && header_.blank()) {
  }
  if (!found) {
    throw csv_.error(1, 1,
                     "the file is empty: no header row (a long table starts with a header such "
                     "as sample,site,species)");
  }
  find_columns(options.columns);
}

void LongTableReader::find_columns(const LongTableColumns& names) {
  const std::pair<LongColumn, const std::string*> required[] = {
      {LongColumn::kGroup, &names.group},
      {LongColumn::kSample, &names.sample},
      {LongColumn::kSite, &names.site},
      {LongColumn::kSpecies, &names.species}};
  for (const auto& [role, name] : required) {
    if (role == LongColumn::kGroup && name->empty()) continue;
    index(role) = find_column(header_, *name, csv_);
    if (!index(role)) {
      throw csv_.error(header_.line(), 1,
                       "the header has no column " + tools::quoted_excerpt(*name) + " for the " +
                           role_name(role) + " (it has " + header_excerpt(header_) +
                           "; a long table needs the columns sample, site and species, in any "
                           "order)");
    }
  }
}

InputError LongTableReader::error_at(long line, LongColumn role, const std::string& reason) const {
  return csv_.error(line, static_cast<long>(*index(role)) + 1, reason);
}

std::string_view LongTableReader::field(LongColumn role) const {
  const std::string_view text = row_[*index(role)];
  if (text.empty()) {
    throw error_at(row_.line(), role,
                   "empty " + role_name(role) + ": every row needs a sample, a site and a species");
  }
  return text;
}

template <class Intern>
std::uint32_t LongTableReader::cached(LongColumn role, std::string_view text, Intern intern) {
  LastLabel& last = last_[static_cast<int>(role)];
  if (!last.valid || last.text != text) {
    last.id = intern(text);
    last.text = text;
    last.valid = true;
  }
  return last.id;
}

bool LongTableReader::next(LongRecord& record) {
  do {
    if (!csv_.next(row_)) return false;
  } while (row_.blank());
  if (row_.size() != header_.size()) {
    throw csv_.error(row_.line(), static_cast<long>(std::min(row_.size(), header_.size())) + 1,
                     "the row has " + std::to_string(row_.size()) + " fields, the header has " +
                         std::to_string(header_.size()) +
                         " (a name that holds a comma must be in quotes)");
  }
  record.line = row_.line();
  const auto intern_in = [](tools::LabelPool& pool) {
    return [&pool](std::string_view text) { return pool.intern(text).id; };
  };
  record.group = 0;
  if (index(LongColumn::kGroup)) {
    record.group = cached(LongColumn::kGroup, field(LongColumn::kGroup), intern_in(groups_));
  }
  record.sample = cached(LongColumn::kSample, field(LongColumn::kSample), intern_in(samples_));
  record.site = cached(LongColumn::kSite, field(LongColumn::kSite), intern_in(sites_));
  record.species = species_.intern(field(LongColumn::kSpecies)).id;
  return true;
}

}  // namespace kelvaro::csv

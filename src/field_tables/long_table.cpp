#include "field_tables/long_table.h"

#include <algorithm>
#include <vector>

#include "field_tables/header_columns.h"
#include "field_tables/short_text.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::csv {
namespace {

// The count columns found without --count, in order of preference.
constexpr std::string_view kCountNames[] = {"count", "detected", "abundance"};

}  // namespace

std::string role_name(LongColumn role) {
  switch (role) {
    case LongColumn::kGroup:
      return "group";
    case LongColumn::kSample:
      return "sample";
    case LongColumn::kSite:
      return "site";
    case LongColumn::kSpecies:
      return "species";
    case LongColumn::kCount:
      return "count";
  }
  return "";
}

LongTableReader::LongTableReader(tools::ByteSource& source, const LongTableOptions& options)
    : csv_(source, options.separator),
      sites_("site", options.fold_case),
      species_("species", options.fold_case) {
  rules_ = {decimal_comma(csv_.separator()), options.na_absent};
  bool found = false;
  while ((found = csv_.next(header_)) && header_.blank()) {
  }
  if (!found) {
    throw csv_.error(1, 1,
                     "the file is empty: no header row (a long table starts with a header such "
                     "as sample,site,species)");
  }
  find_columns(options.columns);
  if (!index(LongColumn::kGroup)) groups_.intern("");  // every record's group 0
  file_index_ = sites_.add_file(file());
  species_.add_file(file());
}

LongTableReader::LongTableReader(const LongTableReader& layout, tools::ByteSource& part,
                                 long first_line)
    : csv_(part, layout.separator(), first_line),
      header_(layout.header_),
      rules_(layout.rules_),
      sites_("site", false),
      species_("species", false) {
  std::copy(std::begin(layout.columns_), std::end(layout.columns_), std::begin(columns_));
  if (!index(LongColumn::kGroup)) groups_.intern("");
  file_index_ = sites_.add_file(file());
  species_.add_file(file());
}

void LongTableReader::adopt(const LongTableReader& part, LabelMaps& maps) {
  for (auto i = static_cast<std::uint32_t>(maps.groups.size()); i < part.groups_.size(); ++i) {
    maps.groups.push_back(groups_.intern(part.groups_.label(i)).id);
  }
  for (auto i = static_cast<std::uint32_t>(maps.samples.size()); i < part.samples_.size(); ++i) {
    maps.samples.push_back(samples_.intern(part.samples_.label(i)).id);
  }
  for (auto i = static_cast<std::uint32_t>(maps.sites.size()); i < part.sites_.size(); ++i) {
    maps.sites.push_back(sites_.intern(part.sites_.label(i), part.sites_.place(i)));
  }
  for (auto i = static_cast<std::uint32_t>(maps.species.size()); i < part.species_.size(); ++i) {
    maps.species.push_back(species_.intern(part.species_.label(i), part.species_.place(i)));
  }
}

std::uint32_t LongTableReader::intern(LongColumn role, std::string_view text, long line) {
  const NamePlace place{file_index_, line, static_cast<long>(*index(role)) + 1};
  switch (role) {
    case LongColumn::kGroup:
      return groups_.intern(text).id;
    case LongColumn::kSample:
      return samples_.intern(text).id;
    case LongColumn::kSite:
      return sites_.intern(text, place);
    case LongColumn::kSpecies:
    case LongColumn::kCount:
      break;
  }
  return species_.intern(text, place);
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
      throw MissingColumn(
          csv_.error(header_.line(), 1,
                     "the header has no column " + tools::quoted_excerpt(*name) + " for the " +
                         role_name(role) + " (it has " + header_excerpt(header_) +
                         "; a long table needs the columns sample, site and species, in any "
                         "order; name a column called otherwise with --" +
                         role_name(role) + ")"),
          role, missing_columns(names));
    }
  }
  find_count_column(names.count);
  // A table without a group column is one group, whose label is empty.
  if (!index(LongColumn::kGroup)) groups_.intern("");
}

std::vector<LongColumn> LongTableReader::missing_columns(const LongTableColumns& names) const {
  const std::pair<LongColumn, const std::string*> named[] = {{LongColumn::kGroup, &names.group},
                                                             {LongColumn::kSample, &names.sample},
                                                             {LongColumn::kSite, &names.site},
                                                             {LongColumn::kSpecies, &names.species},
                                                             {LongColumn::kCount, &names.count}};
  std::vector<LongColumn> missing;
  for (const auto& [role, name] : named) {
    if (name->empty()) continue;
    const std::string wanted = folded_name(*name);
    bool found = false;
    for (std::size_t j = 0; j < header_.size() && !found; ++j) {
      found = folded_name(header_[j]) == wanted;
    }
    if (!found) missing.push_back(role);
  }
  return missing;
}

void LongTableReader::find_count_column(const std::string& name) {
  if (!name.empty()) {
    index(LongColumn::kCount) = find_column(header_, name, csv_);
    if (!index(LongColumn::kCount)) {
      throw MissingColumn(
          csv_.error(header_.line(), 1,
                     "the header has no column " + tools::quoted_excerpt(name) +
                         " (named with --count; the header has " + header_excerpt(header_) + ")"),
          LongColumn::kCount);
    }
    return;
  }
  std::vector<std::size_t> found;
  for (std::string_view candidate : kCountNames) {
    if (const auto j = find_column(header_, candidate, csv_)) found.push_back(*j);
  }
  if (found.size() > 1) {
    throw csv_.error(header_.line(), static_cast<long>(found[1]) + 1,
                     "the header has two columns that may say whether a species was detected, " +
                         tools::quoted_excerpt(header_[found[0]]) + " and " +
                         tools::quoted_excerpt(header_[found[1]]) +
                         ": name the one to use with --count");
  }
  if (!found.empty()) index(LongColumn::kCount) = found[0];
}

std::optional<std::string> LongTableReader::column_name(LongColumn role) const {
  if (!index(role)) return std::nullopt;
  return std::string(header_[*index(role)]);
}

InputError LongTableReader::error_at(long line, LongColumn role, const std::string& reason) const {
  return csv_.error(line, static_cast<long>(*index(role)) + 1, reason);
}

std::string empty_field_reason(LongColumn role) {
  return "empty " + role_name(role) +
         ": every row needs a sample, a site and a species (a row without a species is taken "
         "only as a visit where nothing was found, with a count of 0)";
}

std::string_view LongTableReader::field(LongColumn role, bool may_be_empty) const {
  const std::string_view text = row_[*index(role)];
  if (text.empty() && !may_be_empty) throw error_at(row_.line(), role, empty_field_reason(role));
  return text;
}

template <class Intern>
std::uint32_t LongTableReader::cached(LongColumn role, std::string_view text, Intern intern) {
  LastLabel& last = last_[static_cast<int>(role)];
  if (!last.valid || !tools::same_text(last.text, text)) {
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
                         " (a name that holds the separator must be in quotes)");
  }
  record.line = row_.line();
  record.detected = true;
  if (index(LongColumn::kCount)) {
    const std::string_view cell = row_[*index(LongColumn::kCount)];
    const std::optional<bool> value = detected(cell, rules_);
    if (!value) throw error_at(record.line, LongColumn::kCount, cell_refusal(cell, rules_));
    record.detected = *value;
  }
  const auto place = [&](LongColumn role) {
    return NamePlace{file_index_, record.line, static_cast<long>(*index(role)) + 1};
  };
  record.group = 0;
  if (index(LongColumn::kGroup)) {
    record.group = cached(LongColumn::kGroup, field(LongColumn::kGroup, false),
                          [&](std::string_view text) { return groups_.intern(text).id; });
  }
  record.sample = cached(LongColumn::kSample, field(LongColumn::kSample, false),
                         [&](std::string_view text) { return samples_.intern(text).id; });
  record.site =
      cached(LongColumn::kSite, field(LongColumn::kSite, false),
             [&](std::string_view text) { return sites_.intern(text, place(LongColumn::kSite)); });
  const std::string_view species = field(LongColumn::kSpecies, !record.detected);
  record.species =
      species.empty() ? kNoSpecies : species_.intern(species, place(LongColumn::kSpecies));
  return true;
}

}  // namespace kelvaro::csv

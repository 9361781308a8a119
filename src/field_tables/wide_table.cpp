#include <unordered_map>

#include "field_tables/cell_value.h"
#include "field_tables/csv_reader.h"
#include "field_tables/transposed.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::prep {
namespace {

long column_of(std::size_t index) { return static_cast<long>(index) + 1; }

// One table being read: its reader, header and what the header's columns are.
class WideReader {
 public:
  WideReader(tools::ByteSource& source, const TableOptions& options, Survey& survey, Sample& sample,
             std::string role)
      : role_(std::move(role)),
        csv_(source, options.separator),
        rules_{csv::decimal_comma(csv_.separator()), options.na_absent},
        survey_(survey),
        sample_(sample),
        sites_("site", options.fold_case) {}

  void read();

 private:
  void read_header();
  void add_site_row(const csv::CsvRow& row);
  int site_index(const csv::CsvRow& row);
  std::vector<std::string> species_columns() const;
  std::string too_many_sites() const;

  std::string role_;
  csv::CsvReader csv_;
  csv::CellRules rules_;
  Survey& survey_;
  Sample& sample_;
  csv::NamePool sites_;
  csv::CsvRow header_;
  std::vector<std::uint32_t> column_species_;  // species id of each column after the first
  std::unordered_map<std::string, long> site_lines_;
};

void WideReader::read_header() {
  bool found = false;
  while ((found = csv_.next(header_)) && header_.blank()) {
  }
  if (!found) {
    throw csv_.error(1, 1,
                     "no header row (the file is empty; a site-by-species table starts with a "
                     "header: a title for the site column, then one species name per column)");
  }
  if (header_.size() < 2) {
    throw csv_.error(header_.line(), 2,
                     "no species columns in the header (it should hold a title for the site "
                     "column, then one species name per column; is the separator right?)");
  }
  const std::uint32_t file = survey_.species.add_file(csv_.file());
  std::unordered_map<std::string_view, std::size_t> columns;
  for (std::size_t j = 1; j < header_.size(); ++j) {
    const std::string_view name = header_[j];
    if (name.empty()) {
      throw csv_.error(header_.line(), column_of(j),
                       "empty species name (every column after the first needs the name of its "
                       "species)");
    }
    if (const auto [it, added] = columns.emplace(name, j); !added) {
      throw csv_.error(header_.line(), column_of(j),
                       "duplicate species name " + tools::quoted_excerpt(name) +
                           " (also in column " + std::to_string(column_of(it->second)) +
                           "): each species needs one column; merge the two");
    }
    const std::uint32_t id = survey_.species.intern(name, {file, header_.line(), column_of(j)});
    column_species_.push_back(id);
    sample_.name(id);
  }
}

std::vector<std::string> WideReader::species_columns() const {
  std::vector<std::string> names;
  for (std::size_t j = 1; j < header_.size(); ++j) names.emplace_back(header_[j]);
  return names;
}

std::string WideReader::too_many_sites() const {
  std::string reason = "more than " + std::to_string(kMaxSites) +
                       " sites in one sample (kelvaro takes at most " + std::to_string(kMaxSites) +
                       "; merge sites or split the survey)";
  if (const auto hint = transposed_hint(species_columns(), sample_.sites)) reason += "; " + *hint;
  return reason;
}

// The index of the row's site in the sample, a new one when the name is new.
int WideReader::site_index(const csv::CsvRow& row) {
  const std::string_view site = row[0];
  if (site.empty()) {
    throw csv_.error(row.line(), 1, "empty site name (every row needs the name of its site)");
  }
  if (const auto [it, added] = site_lines_.emplace(site, row.line()); !added) {
    throw csv_.error(row.line(), 1,
                     "duplicate site name " + tools::quoted_excerpt(site) + " (also on line " +
                         std::to_string(it->second) + "): each site needs one row; merge the two");
  }
  const std::uint32_t id = sites_.intern(site, {0, row.line(), 1});
  if (id < sample_.sites.size()) return static_cast<int>(id);  // a spelling merged by folding
  if (sample_.sites.size() == kMaxSites) throw csv_.error(row.line(), 1, too_many_sites());
  sample_.sites.emplace_back(site);
  return static_cast<int>(id);
}

void WideReader::add_site_row(const csv::CsvRow& row) {
  const std::size_t width = header_.size();
  if (row.size() != width) {
    throw csv_.error(row.line(), column_of(std::min(row.size(), width)),
                     "the row has " + std::to_string(row.size()) + " fields, the header has " +
                         std::to_string(width) +
                         " (a name that holds the separator must be in "
                         "quotes)");
  }
  const int site = site_index(row);
  for (std::size_t j = 1; j < width; ++j) {
    const std::optional<bool> value = csv::detected(row[j], rules_);
    if (!value) throw csv_.error(row.line(), column_of(j), csv::cell_refusal(row[j], rules_));
    if (*value) sample_.detect(column_species_[j - 1], site);
  }
}

void WideReader::read() {
  sample_.label = csv_.file();
  survey_.sources.push_back(role_ + ": " + csv_.file() + " (" + source_dialect(csv_.separator()) +
                            ")");
  sites_.add_file(csv_.file());
  read_header();
  for (csv::CsvRow row; csv_.next(row);) {
    if (!row.blank()) add_site_row(row);
  }
  if (!sample_.has_detection()) {
    throw csv_.error(header_.line(), 1,
                     "the sample has no detection (no cell above 0, x, TRUE, yes or present): "
                     "is this the right file?");
  }
  survey_.site_variants.insert(survey_.site_variants.end(), sites_.variants().begin(),
                               sites_.variants().end());
  if (const auto hint = transposed_hint(species_columns(), sample_.sites)) {
    survey_.table_warnings.push_back(csv_.file() + ": " + *hint);
  }
}

}  // namespace

std::string source_dialect(char separator) {
  return csv::separator_name(separator) + "-separated" +
         (csv::decimal_comma(separator) ? ", decimal comma" : "");
}

void load_wide(tools::ByteSource& source, const TableOptions& options, Survey& survey,
               Sample& sample, const std::string& role) {
  WideReader(source, options, survey, sample, role).read();
}

Survey load_wide_pair(tools::ByteSource& first, tools::ByteSource& second,
                      const TableOptions& options) {
  Survey survey(options.fold_case);
  survey.na_absent = options.na_absent;
  load_wide(first, options, survey, survey.sample1, "Sample 1");
  load_wide(second, options, survey, survey.sample2, "Sample 2");
  return survey;
}

}  // namespace kelvaro::prep

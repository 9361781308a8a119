#include <charconv>
#include <cmath>
#include <unordered_map>

#include "common/message_text.h"
#include "csv/csv_reader.h"
#include "prep/tables.h"

namespace kelvaro::prep {
namespace {

long column_of(std::size_t index) { return static_cast<long>(index) + 1; }

// A cell of a site-by-species table as a number; nullopt when it is not one (or is NaN).
std::optional<double> cell_value(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0.0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty() || std::isnan(v)) {
    return std::nullopt;
  }
  return v;
}

// One table being read: its reader, header and what the header's columns are.
class WideReader {
 public:
  WideReader(tools::ByteSource& source, Survey& survey, Sample& sample)
      : csv_(source), survey_(survey), sample_(sample) {}

  void read();

 private:
  void read_header();
  void add_site_row(const csv::CsvRow& row);
  int site_index(const csv::CsvRow& row);

  csv::CsvReader csv_;
  Survey& survey_;
  Sample& sample_;
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
                     "column, then one species name per column)");
  }
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
                       "duplicate species name " + tools::quoted_excerpt(name) + " (also in column " +
                           std::to_string(column_of(it->second)) +
                           "): each species needs one column; merge the two");
    }
    const std::uint32_t id = survey_.species.intern(name).id;
    column_species_.push_back(id);
    sample_.name(id);
  }
}

// The index of the row's site in the sample.
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
  if (sample_.sites.size() == kMaxSites) {
    throw csv_.error(row.line(), 1,
                     "more than " + std::to_string(kMaxSites) +
                         " sites in one sample (kelvaro takes at most " +
                         std::to_string(kMaxSites) + "; merge sites or split the survey)");
  }
  sample_.sites.emplace_back(site);
  return static_cast<int>(sample_.sites.size() - 1);
}

void WideReader::add_site_row(const csv::CsvRow& row) {
  const std::size_t width = header_.size();
  if (row.size() != width) {
    throw csv_.error(row.line(), column_of(std::min(row.size(), width)),
                     "the row has " + std::to_string(row.size()) + " fields, the header has " +
                         std::to_string(width) + " (a name that holds a comma must be in quotes)");
  }
  const int site = site_index(row);
  for (std::size_t j = 1; j < width; ++j) {
    const std::optional<double> value = cell_value(row[j]);
    if (!value) {
      throw csv_.error(row.line(), column_of(j),
                       tools::quoted_excerpt(row[j]) +
                           " is not a number (a cell holds a count or 0/1; above 0 means "
                           "detected)");
    }
    if (*value > 0.0) sample_.detect(column_species_[j - 1], site);
  }
}

void WideReader::read() {
  sample_.label = csv_.file();
  read_header();
  for (csv::CsvRow row; csv_.next(row);) {
    if (!row.blank()) add_site_row(row);
  }
  if (!sample_.has_detection()) {
    throw csv_.error(header_.line(), 1,
                     "the sample has no detection (no cell above 0): is this the right file?");
  }
}

}  // namespace

void load_wide(tools::ByteSource& source, Survey& survey, Sample& sample) {
  WideReader(source, survey, sample).read();
}

Survey load_wide_pair(tools::ByteSource& first, tools::ByteSource& second) {
  Survey survey;
  load_wide(first, survey, survey.sample1);
  load_wide(second, survey, survey.sample2);
  return survey;
}

}  // namespace kelvaro::prep

#include "prep/detections.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "prep/input_error.h"

namespace kelvaro::prep {
namespace {

long column_of(std::size_t index) { return static_cast<long>(index) + 1; }

// A cell of a site-by-species table as a number; nullopt when it is not one (or is NaN).
std::optional<double> cell_value(const std::string& text) {
  std::string_view s = text;
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0.0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty() || std::isnan(v)) {
    return std::nullopt;
  }
  return v;
}

// Species names of the header row, refusing empty and repeated names.
std::vector<std::string> header_species(const CsvRow& header, const std::string& file) {
  std::vector<std::string> species;
  std::map<std::string, std::size_t> seen;
  for (std::size_t j = 1; j < header.fields.size(); ++j) {
    const std::string& name = header.fields[j];
    if (name.empty()) throw InputError(file, header.line, column_of(j), "empty species name");
    if (const auto it = seen.find(name); it != seen.end()) {
      throw InputError(file, header.line, column_of(j),
                       "duplicate species name \"" + name + "\" (also in column " +
                           std::to_string(column_of(it->second)) + ")");
    }
    seen.emplace(name, j);
    species.push_back(name);
  }
  if (species.empty()) throw InputError(file, header.line, 2, "no species columns in the header");
  return species;
}

// Adds one site row of a site-by-species table to the sample.
void add_site_row(Sample& sample, const CsvRow& row, std::size_t width, const std::string& file,
                  std::map<std::string, long>& site_lines) {
  if (row.fields.size() != width) {
    throw InputError(file, row.line, column_of(std::min(row.fields.size(), width)),
                     "the row has " + std::to_string(row.fields.size()) +
                         " fields, the header has " + std::to_string(width));
  }
  const std::string& site = row.fields[0];
  if (site.empty()) throw InputError(file, row.line, 1, "empty site name");
  if (const auto it = site_lines.find(site); it != site_lines.end()) {
    throw InputError(
        file, row.line, 1,
        "duplicate site name \"" + site + "\" (also on line " + std::to_string(it->second) + ")");
  }
  if (sample.sites.size() == kMaxSites) {
    throw InputError(file, row.line, 1,
                     "more than " + std::to_string(kMaxSites) + " sites in one sample");
  }
  site_lines.emplace(site, row.line);
  const int site_index = static_cast<int>(sample.sites.size());
  sample.sites.push_back(site);
  for (std::size_t j = 1; j < width; ++j) {
    const std::optional<double> v = cell_value(row.fields[j]);
    if (!v) {
      throw InputError(file, row.line, column_of(j), "\"" + row.fields[j] + "\" is not a number");
    }
    if (*v > 0.0) sample.sites_of[j - 1].push_back(site_index);
  }
}

bool has_detection(const Sample& sample) {
  for (const auto& sites : sample.sites_of) {
    if (!sites.empty()) return true;
  }
  return false;
}

// Column index of `name` in the long table's header; throws when absent.
std::size_t long_column(const CsvRow& header, const std::string& name, const std::string& file) {
  for (std::size_t j = 0; j < header.fields.size(); ++j) {
    if (header.fields[j] == name) return j;
  }
  throw InputError(
      file, header.line, 1,
      "the header has no column \"" + name + "\" (a long table needs sample,site,species)");
}

// Builder of one sample of a long table: sites and species in order of first appearance.
struct LongSample {
  Sample sample;
  std::map<std::string, int> site_index;
  std::map<std::string, int> species_index;
};

void add_detection(LongSample& s, const std::string& site, const std::string& species,
                   const CsvRow& row, std::size_t site_column, const std::string& file) {
  auto site_it = s.site_index.find(site);
  if (site_it == s.site_index.end()) {
    if (s.sample.sites.size() == kMaxSites) {
      throw InputError(
          file, row.line, column_of(site_column),
          "more than " + std::to_string(kMaxSites) + " sites in sample \"" + s.sample.label + "\"");
    }
    site_it = s.site_index.emplace(site, static_cast<int>(s.sample.sites.size())).first;
    s.sample.sites.push_back(site);
  }
  auto species_it = s.species_index.find(species);
  if (species_it == s.species_index.end()) {
    species_it = s.species_index.emplace(species, static_cast<int>(s.sample.species.size())).first;
    s.sample.species.push_back(species);
    s.sample.sites_of.emplace_back();
  }
  std::vector<int>& sites = s.sample.sites_of[static_cast<std::size_t>(species_it->second)];
  if (std::find(sites.begin(), sites.end(), site_it->second) == sites.end()) {
    sites.insert(std::upper_bound(sites.begin(), sites.end(), site_it->second), site_it->second);
  }
}

}  // namespace

int find_species(const Sample& sample, const std::string& name) {
  for (std::size_t i = 0; i < sample.species.size(); ++i) {
    if (sample.species[i] == name) return static_cast<int>(i);
  }
  return -1;
}

int detections_of(const Sample& sample, const std::string& name) {
  const int i = find_species(sample, name);
  return i < 0 ? 0 : static_cast<int>(sample.sites_of[static_cast<std::size_t>(i)].size());
}

Sample load_wide(const std::vector<CsvRow>& rows, const std::string& file) {
  std::size_t r = 0;
  while (r < rows.size() && is_blank_row(rows[r])) ++r;
  if (r == rows.size()) throw InputError(file, 1, 1, "no header row (the file is empty)");
  const CsvRow& header = rows[r];
  Sample sample;
  sample.label = file;
  sample.species = header_species(header, file);
  sample.sites_of.resize(sample.species.size());
  std::map<std::string, long> site_lines;
  for (++r; r < rows.size(); ++r) {
    if (!is_blank_row(rows[r]))
      add_site_row(sample, rows[r], header.fields.size(), file, site_lines);
  }
  if (!has_detection(sample)) {
    throw InputError(file, header.line, 1, "the sample has no detection (no cell above 0)");
  }
  return sample;
}

std::pair<Sample, Sample> load_long(const std::vector<CsvRow>& rows, const std::string& file,
                                    const std::optional<std::string>& first) {
  std::size_t r = 0;
  while (r < rows.size() && is_blank_row(rows[r])) ++r;
  if (r == rows.size()) throw InputError(file, 1, 1, "no header row (the file is empty)");
  const CsvRow& header = rows[r];
  const std::size_t cols[3] = {long_column(header, "sample", file),
                               long_column(header, "site", file),
                               long_column(header, "species", file)};
  std::vector<LongSample> samples;
  for (++r; r < rows.size(); ++r) {
    const CsvRow& row = rows[r];
    if (is_blank_row(row)) continue;
    if (row.fields.size() != header.fields.size()) {
      throw InputError(file, row.line, column_of(std::min(row.fields.size(), header.fields.size())),
                       "the row has " + std::to_string(row.fields.size()) +
                           " fields, the header has " + std::to_string(header.fields.size()));
    }
    for (std::size_t c : cols) {
      if (row.fields[c].empty()) {
        throw InputError(file, row.line, column_of(c), "empty " + header.fields[c]);
      }
    }
    const std::string& label = row.fields[cols[0]];
    auto it = std::find_if(samples.begin(), samples.end(),
                           [&](const LongSample& s) { return s.sample.label == label; });
    if (it == samples.end()) {
      if (samples.size() == 2) {
        throw InputError(file, row.line, column_of(cols[0]),
                         "a third sample \"" + label + "\" (a long table holds exactly two)");
      }
      samples.emplace_back();
      samples.back().sample.label = label;
      it = samples.end() - 1;
    }
    add_detection(*it, row.fields[cols[1]], row.fields[cols[2]], row, cols[1], file);
  }
  if (samples.size() != 2) {
    throw InputError(file, header.line, column_of(cols[0]),
                     "the table holds " + std::to_string(samples.size()) +
                         " sample(s); it must hold exactly two");
  }
  if (first && *first != samples[0].sample.label) {
    if (*first != samples[1].sample.label) {
      throw InputError(file, header.line, column_of(cols[0]),
                       "--first \"" + *first + "\" is not a sample of the table (they are \"" +
                           samples[0].sample.label + "\" and \"" + samples[1].sample.label + "\")");
    }
    std::swap(samples[0], samples[1]);
  }
  return {std::move(samples[0].sample), std::move(samples[1].sample)};
}

}  // namespace kelvaro::prep

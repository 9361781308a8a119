#pragma once
// One sample's detections: its sites in input order, the species named for it, and for each
// species the sites at which it was detected. Loaded from a site-by-species table (one file
// per sample) or from a long table of `sample,site,species` records (both samples in one file).
// Loading refuses anything kelvaro could not take: a sample without detections, more than
// kMaxSites sites, duplicate site or species names, cells that are not numbers.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "prep/csv_reader.h"

namespace kelvaro::prep {

// kelvaro keeps a block's frequency classes in 100 elements and its bootstrap uses t + 2 of
// them, so a sample may have at most 98 sites.
inline constexpr int kMaxSites = 98;

struct Sample {
  std::string label;                       // sample label (long table) or file name (wide)
  std::vector<std::string> sites;          // site names, in input order
  std::vector<std::string> species;        // species named for this sample, in input order
  std::vector<std::vector<int>> sites_of;  // per species: indices into `sites`, increasing
};

// Index of `name` in sample.species, or -1.
int find_species(const Sample& sample, const std::string& name);

// Number of sites at which species `name` was detected in the sample (0 when not named).
int detections_of(const Sample& sample, const std::string& name);

// A site-by-species table: header row = (site column title, species names...), then one row
// per site = (site name, cells...). A cell above 0 means detected.
// Throws InputError for: no header, an empty or duplicate species name, a row whose number of
// fields differs from the header's (at the first missing or extra column), an empty or duplicate
// site name, a cell that is not a number (or is NaN), more than kMaxSites sites, no detection at
// all. Rows whose fields are all empty are skipped.
Sample load_wide(const std::vector<CsvRow>& rows, const std::string& file);

// A long table with (at least) the columns `sample`, `site`, `species`, in any order, one row per
// detection; a detection given twice counts once. Sample 1 is `first` when given, else the label
// that appears first. Throws InputError for: missing columns, an empty value, other than two
// sample labels, `first` not among the labels, more than kMaxSites sites in a sample.
// Returns (Sample 1, Sample 2).
std::pair<Sample, Sample> load_long(const std::vector<CsvRow>& rows, const std::string& file,
                                    const std::optional<std::string>& first);

}  // namespace kelvaro::prep

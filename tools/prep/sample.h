#pragma once
// What kelvaro-prep reads from its tables: two samples, each with its sites in input order, the
// species named for it and the sites at which each was detected, and the species names shared
// by both (so that a species is the same integer in either sample). Plus what the audit file and
// the warnings report about how the tables were read.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "csv/name_pool.h"
#include "prep/site_set.h"

namespace kelvaro::prep {

class Sample {
 public:
  std::string label;               // sample label (long table) or file name (wide)
  std::vector<std::string> sites;  // site names, in input order (at most kMaxSites)

  // Names species `id` for this sample (a header column, a record); again: no change.
  void name(std::uint32_t id);
  // Records a detection of species `id` at site index `site` (naming it too).
  // Requires: 0 <= site < kMaxSites.
  void detect(std::uint32_t id, int site);

  // The species named for the sample, in order of first naming.
  const std::vector<std::uint32_t>& species() const { return species_; }
  bool names(std::uint32_t id) const { return id < named_.size() && named_[id]; }
  // The sites at which species `id` was detected (empty when never).
  const SiteSet& detected_at(std::uint32_t id) const {
    static const SiteSet kNone;
    return id < detections_.size() ? detections_[id] : kNone;
  }
  bool has_detection() const { return detected_species_ > 0; }

 private:
  std::vector<std::uint32_t> species_;
  std::vector<bool> named_;          // by species id
  std::vector<SiteSet> detections_;  // by species id
  std::size_t detected_species_ = 0;
};

struct Survey {
  explicit Survey(bool fold_case) : species("species", fold_case) {}

  csv::NamePool species;  // the species names of both samples
  Sample sample1, sample2;

  // How the tables were read, for the audit file.
  std::vector<std::string> sources;             // "Sample 1: a.csv (comma-separated)"
  std::optional<std::string> count_column;      // long table: the count column's name
  bool na_absent = false;                       // NA and NaN taken as absent
  std::vector<csv::NameVariant> site_variants;  // sites named two ways (merged when folding)
  std::vector<std::string> table_warnings;      // "a.csv: the table looks transposed: ..."
};

}  // namespace kelvaro::prep

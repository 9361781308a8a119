#pragma once
// The page's long table, read as kelvaro-batch reads it (kelvaro/surveys.h): its groups, and each
// group's samples in kelvaro-batch's order. A table without a group column (the group column's
// name left empty) is one group whose label is empty:
//
//   sample,site,species       group "": samples "2019" (sites s1, s2) and "2020" (site s1)
//   2019,s1,Sp.A
//   2019,s2,Sp.B
//   2020,s1,Sp.A

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kelvaro/byte_source.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/surveys.h"

namespace kelvaro::web {

class LongSurvey {
 public:
  // Reads the whole table. Throws csv::MissingColumn (with every column missing),
  // csv::InputError and tools::ReadError as kelvaro-batch's reader does.
  LongSurvey(std::string text, const std::string& name, const csv::LongTableOptions& options);

  const batch::SurveyLabels& labels() const { return labels_; }
  std::uint64_t records() const { return table_->records(); }
  // The groups' ids in kelvaro-batch's order.
  std::vector<std::uint32_t> ordered_groups() const;
  // The samples' label ids of a group, in kelvaro-batch's order.
  std::vector<std::uint32_t> ordered_samples(std::uint32_t group) const;
  // The sample of a group, or nullptr when the table has no record of it.
  const batch::GroupSample* find(std::uint32_t group, std::uint32_t sample) const {
    return table_->find(group, sample);
  }
  // Every consecutive pair of every group, sorted as kelvaro-batch sorts them.
  std::vector<batch::SamplePair> consecutive_pairs() const;

 private:
  batch::SurveyLabels labels_;
  tools::TextSource source_;
  std::optional<batch::DetectionTable> table_;  // emplaced once the source is in place
  batch::LabelRanks ranks_;
};

}  // namespace kelvaro::web

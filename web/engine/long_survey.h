#pragma once
// The page's long table, read as kelvaro-batch reads it: its groups, and each group's samples in
// kelvaro-batch's order. A table without a group column (the group column's name left empty) is
// one group whose label is empty:
//
//   sample,site,species       group "": samples "2019" (sites s1, s2) and "2020" (site s1)
//   2019,s1,Sp.A
//   2019,s2,Sp.B
//   2020,s1,Sp.A
//
// A header that lacks columns the options name is refused with every one of them at once.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "batch/detection_table.h"
#include "batch/pairing.h"
#include "common/byte_source.h"
#include "csv/long_table.h"

namespace kelvaro::web {

// The columns the options name that the header lacks ("group", "sample", "site", "species",
// "count"), and the header's names, so that a user can pick others.
class MissingColumns : public std::runtime_error {
 public:
  MissingColumns(const std::string& message, std::vector<std::string> roles,
                 std::vector<std::string> header)
      : std::runtime_error(message), roles_(std::move(roles)), header_(std::move(header)) {}
  const std::vector<std::string>& roles() const { return roles_; }
  const std::vector<std::string>& header() const { return header_; }

 private:
  std::vector<std::string> roles_;
  std::vector<std::string> header_;
};

class LongSurvey {
 public:
  // Reads the whole table. Throws MissingColumns (its message: kelvaro-batch's, about the first
  // column missing), csv::InputError and tools::ReadError as kelvaro-batch's reader does.
  LongSurvey(std::string text, const std::string& name, const csv::LongTableOptions& options);
  ~LongSurvey();

  const batch::SurveyLabels& labels() const { return labels_; }
  // The names of the header row's columns.
  const std::vector<std::string>& header() const { return header_; }
  std::uint64_t records() const;
  // The groups' ids in kelvaro-batch's order.
  std::vector<std::uint32_t> ordered_groups() const;
  // The samples' label ids of a group, in kelvaro-batch's order.
  std::vector<std::uint32_t> ordered_samples(std::uint32_t group) const;
  // The sample of a group, or nullptr when the table has no record of it.
  const batch::GroupSample* find(std::uint32_t group, std::uint32_t sample) const;
  // Every consecutive pair of every group, sorted as kelvaro-batch sorts them.
  std::vector<batch::SamplePair> consecutive_pairs() const;

 private:
  class OneGroup;  // the table without a group column

  batch::SurveyLabels labels_;
  tools::TextSource source_;
  std::vector<std::string> header_;
  batch::LabelRanks ranks_;
  std::optional<batch::DetectionTable> table_;
  std::unique_ptr<OneGroup> one_group_;
};

}  // namespace kelvaro::web

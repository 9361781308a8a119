#pragma once
// The audit table of kelvaro-prep: one row per species named in either sample, with its number
// of detections (sites) in each sample and the blocks it counts in, so that a user can check
// which species went where. Species come in Sample 1's order, then Sample 2's new names. RFC 4180
// CSV with CR LF line ends.
//
//   species,detections_1,detections_2,sample_1,sample_2,subset_a,subset_b
//   Simve,3,0,1,0,0,0

#include <string>
#include <string_view>
#include <vector>

#include "common/output.h"
#include "prep/sample.h"

namespace kelvaro::prep {

struct AuditRow {
  std::string_view species;
  int detections1 = 0;  // sites with a detection in Sample 1
  int detections2 = 0;  // sites with a detection in Sample 2
  bool sample1 = false, sample2 = false, subset_a = false, subset_b = false;
};

std::vector<AuditRow> audit_rows(const Survey& survey);

// Writes the header and the rows. Throws WriteError.
void write_audit(tools::Output& out, const Survey& survey);

}  // namespace kelvaro::prep

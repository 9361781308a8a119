#pragma once
// The audit table of kelvaro-prep: one row per species named in either sample, with its number
// of detections (sites) in each sample and the blocks it counts in, so that a user can check
// which species went where. Species come in Sample 1's order, then Sample 2's new names.
//
//   species,detections_1,detections_2,sample_1,sample_2,subset_a,subset_b
//   Simve,3,0,1,0,0,0

#include <iosfwd>
#include <string>
#include <vector>

#include "prep/detections.h"

namespace kelvaro::prep {

struct AuditRow {
  std::string species;
  int detections1 = 0;  // sites with a detection in Sample 1
  int detections2 = 0;  // sites with a detection in Sample 2
  bool sample1 = false, sample2 = false, subset_a = false, subset_b = false;
};

std::vector<AuditRow> audit_rows(const Sample& s1, const Sample& s2);

// Writes the header and the rows as RFC 4180 CSV with CR LF line ends.
void write_audit(std::ostream& out, const std::vector<AuditRow>& rows);

}  // namespace kelvaro::prep

#pragma once
// The audit file of kelvaro-prep: how the tables were read, then one row per species named in
// either sample with its number of detections (sites) in each sample and the blocks it counts
// in, so that a user can check which species went where. Species come in Sample 1's order, then
// Sample 2's new names. The notes are comment lines starting with '#' (read.csv(comment.char =
// "#") in R, pandas.read_csv(comment="#")); the table is RFC 4180 CSV with CR LF line ends.
//
//   # kelvaro-prep audit
//   # Sample 1: a.csv (comma-separated)
//   # Sample 2: b.csv (semicolon-separated, decimal comma)
//   species,detections_1,detections_2,sample_1,sample_2,subset_a,subset_b
//   Simve,3,0,1,0,0,0

#include <string>
#include <string_view>
#include <vector>

#include "kelvaro/checked_output.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::prep {

struct AuditRow {
  std::string_view species;
  int detections1 = 0;  // sites with a detection in Sample 1
  int detections2 = 0;  // sites with a detection in Sample 2
  bool sample1 = false, sample2 = false, subset_a = false, subset_b = false;
};

std::vector<AuditRow> audit_rows(const Survey& survey);

// The note lines, each without its "# " and line end: the sources, the count column, the
// reading of NA, and the names that differ only in case or blanks (merged or kept apart).
std::vector<std::string> audit_notes(const Survey& survey);

// Writes the notes, the header and the rows. Throws WriteError.
void write_audit(tools::Output& out, const Survey& survey);

}  // namespace kelvaro::prep

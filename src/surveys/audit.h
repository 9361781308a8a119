#pragma once
// The rows and notes of kelvaro-prep's audit file (kelvaro/surveys.h write_audit).

#include <string>
#include <string_view>
#include <vector>

#include "kelvaro/field_tables.h"
#include "kelvaro/surveys.h"

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

}  // namespace kelvaro::prep

#include "prep/audit.h"

#include <ostream>

#include "prep/csv_writer.h"

namespace kelvaro::prep {
namespace {

AuditRow audit_row(const std::string& name, const Sample& s1, const Sample& s2) {
  AuditRow row;
  row.species = name;
  row.detections1 = detections_of(s1, name);
  row.detections2 = detections_of(s2, name);
  row.sample1 = row.detections1 > 0;
  row.sample2 = row.detections2 > 0;
  row.subset_a = row.subset_b = row.sample1 && row.sample2;
  return row;
}

std::string flag(bool b) { return b ? "1" : "0"; }

}  // namespace

std::vector<AuditRow> audit_rows(const Sample& s1, const Sample& s2) {
  std::vector<AuditRow> rows;
  for (const std::string& name : s1.species) rows.push_back(audit_row(name, s1, s2));
  for (const std::string& name : s2.species) {
    if (find_species(s1, name) < 0) rows.push_back(audit_row(name, s1, s2));
  }
  return rows;
}

void write_audit(std::ostream& out, const std::vector<AuditRow>& rows) {
  write_csv_row(out, {"species", "detections_1", "detections_2", "sample_1", "sample_2", "subset_a",
                      "subset_b"});
  for (const AuditRow& r : rows) {
    write_csv_row(out, {r.species, std::to_string(r.detections1), std::to_string(r.detections2),
                        flag(r.sample1), flag(r.sample2), flag(r.subset_a), flag(r.subset_b)});
  }
}

}  // namespace kelvaro::prep

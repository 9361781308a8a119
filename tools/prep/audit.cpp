#include "prep/audit.h"

#include "csv/csv_writer.h"

namespace kelvaro::prep {
namespace {

AuditRow audit_row(const Survey& survey, std::uint32_t id) {
  AuditRow row;
  row.species = survey.species.label(id);
  row.detections1 = survey.sample1.detected_at(id).count();
  row.detections2 = survey.sample2.detected_at(id).count();
  row.sample1 = row.detections1 > 0;
  row.sample2 = row.detections2 > 0;
  row.subset_a = row.subset_b = row.sample1 && row.sample2;
  return row;
}

std::string_view flag(bool b) { return b ? "1" : "0"; }

}  // namespace

std::vector<AuditRow> audit_rows(const Survey& survey) {
  std::vector<AuditRow> rows;
  for (std::uint32_t id : survey.sample1.species()) rows.push_back(audit_row(survey, id));
  for (std::uint32_t id : survey.sample2.species()) {
    if (!survey.sample1.names(id)) rows.push_back(audit_row(survey, id));
  }
  return rows;
}

void write_audit(tools::Output& out, const Survey& survey) {
  std::string text;
  csv::append_csv_row(text, std::vector<std::string_view>{"species", "detections_1",
                                                          "detections_2", "sample_1", "sample_2",
                                                          "subset_a", "subset_b"});
  for (const AuditRow& r : audit_rows(survey)) {
    const std::string d1 = std::to_string(r.detections1), d2 = std::to_string(r.detections2);
    csv::append_csv_row(text, std::vector<std::string_view>{r.species, d1, d2, flag(r.sample1),
                                                            flag(r.sample2), flag(r.subset_a),
                                                            flag(r.subset_b)});
    if (text.size() >= 64 * 1024) {  // written out in pieces: memory stays small
      out.write(text);
      text.clear();
    }
  }
  out.write(text);
}

}  // namespace kelvaro::prep

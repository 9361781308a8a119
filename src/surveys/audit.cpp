#include "surveys/audit.h"

#include "field_tables/csv_writer.h"
#include "kelvaro/field_tables.h"

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

void add_variant_notes(std::vector<std::string>& notes,
                       const std::vector<csv::NameVariant>& variants, const std::string& kind,
                       bool merged) {
  for (const csv::NameVariant& v : variants) {
    const std::string first = tools::quoted_excerpt(v.first) + " (" + v.first_place + ")";
    const std::string other = tools::quoted_excerpt(v.other) + " (" + v.other_place + ")";
    notes.push_back(merged ? "  " + kind + " " + other + " counted as " + first
                           : "  " + kind + " " + first + " and " + other);
  }
}

}  // namespace

std::vector<AuditRow> audit_rows(const Survey& survey) {
  std::vector<AuditRow> rows;
  for (std::uint32_t id : survey.sample1.species()) rows.push_back(audit_row(survey, id));
  for (std::uint32_t id : survey.sample2.species()) {
    if (!survey.sample1.names(id)) rows.push_back(audit_row(survey, id));
  }
  return rows;
}

std::vector<std::string> audit_notes(const Survey& survey) {
  std::vector<std::string> notes = {"kelvaro-prep audit"};
  notes.insert(notes.end(), survey.sources.begin(), survey.sources.end());
  if (survey.count_column) {
    notes.push_back("count column: " + tools::quoted_excerpt(*survey.count_column) +
                    " (rows of 0, empty or FALSE are visits without a detection)");
  }
  if (survey.na_absent) notes.push_back("NA and NaN taken as absent (--na-absent)");
  const auto& species = survey.species.variants();
  if (species.empty() && survey.site_variants.empty()) return notes;
  const bool merged = survey.species.folds();
  notes.push_back(merged ? "names that differ only in case or blanks around them, merged "
                           "(--fold-case):"
                         : "names that differ only in case or blanks around them, kept apart "
                           "(--fold-case merges them):");
  add_variant_notes(notes, species, "species", merged);
  add_variant_notes(notes, survey.site_variants, "site", merged);
  return notes;
}

void write_audit(const TextSink& write, const Survey& survey) {
  std::string text;
  for (const std::string& note : audit_notes(survey)) text += "# " + note + "\r\n";
  csv::append_csv_row(
      text, std::vector<std::string_view>{"species", "detections_1", "detections_2", "sample_1",
                                          "sample_2", "subset_a", "subset_b"});
  for (const AuditRow& r : audit_rows(survey)) {
    const std::string d1 = std::to_string(r.detections1), d2 = std::to_string(r.detections2);
    csv::append_csv_row(
        text, std::vector<std::string_view>{r.species, d1, d2, flag(r.sample1), flag(r.sample2),
                                            flag(r.subset_a), flag(r.subset_b)});
    if (text.size() >= 64 * 1024) {  // written out in pieces: memory stays small
      write(text);
      text.clear();
    }
  }
  write(text);
}

}  // namespace kelvaro::prep

// The public entry points: runs on free-form text or on structured data, and the input sources.

#include "kelvaro/kelvaro.h"
#include "run/record_source.h"
#include "run/run_engine.h"

namespace kelvaro {

const char* block_name(int block) {
  switch (block) {
    case kSample1: return "Sample 1";
    case kSample2: return "Sample 2";
    case kSubsetA: return "Subset A";
    case kSubsetB: return "Subset B";
    default: return "block";
  }
}

RunResult run_text(TextSource& input, const Settings& settings, std::ostream* report) {
  RunEngine engine(settings, report);
  TextRecords records(input, engine.warnings());
  RunResult r = engine.run(records);
  if (report != nullptr) report->flush();
  return r;
}

RunResult run_text(std::string_view text, const Settings& settings, std::ostream* report) {
  StringSource source(text);
  return run_text(source, settings, report);
}

RunResult run_survey(const Survey& survey, const Options& options, const Settings& settings,
                     std::ostream* report) {
  RunEngine engine(settings, report);
  SurveyRecords records(survey, options);
  RunResult r = engine.run(records, [&survey](const Header& h) { return survey_mismatch(survey, h); });
  if (report != nullptr) report->flush();
  return r;
}

}  // namespace kelvaro

// The public entry points: runs on free-form text or on structured data, and the input sources.

#include "kelvaro/kelvaro.h"

#include <ostream>

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

namespace {

// A run on the records make(engine's warning log) returns, the report flushed after it.
template <typename MakeRecords>
RunResult run_records(const Settings& settings, std::ostream* report, MakeRecords make) {
  RunEngine engine(settings, report);
  auto records = make(engine.warnings());
  RunResult r = engine.run(records);
  if (report != nullptr) report->flush();
  return r;
}

}  // namespace

RunResult run_text(TextSource& input, const Settings& settings, std::ostream* report) {
  return run_records(settings, report,
                     [&input](WarningLog& log) { return TextRecords(input, log); });
}

RunResult run_text(std::string_view text, const Settings& settings, std::ostream* report) {
  StringSource source(text);
  return run_text(source, settings, report);
}

RunResult run_survey(const Survey& survey, const Options& options, const Settings& settings,
                     std::ostream* report) {
  return run_records(settings, report,
                     [&](WarningLog&) { return SurveyRecords(survey, options); });
}

}  // namespace kelvaro

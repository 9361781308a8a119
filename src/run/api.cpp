// The public entry points: runs on free-form text or on structured data, and the input sources.

#include <ostream>

#include "kelvaro/kelvaro.h"
#include "run/record_source.h"
#include "run/run_engine.h"

namespace kelvaro {

const char* block_name(BlockNumber block) {
  switch (block) {
    case kSample1:
      return "Sample 1";
    case kSample2:
      return "Sample 2";
    case kSubsetA:
      return "Subset A";
    case kSubsetB:
      return "Subset B";
    default:
      return "block";
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

BlockData read_sample1(TextSource& input) {
  WarningLog log;
  TextRecords records(input, log);
  try {
    const Header h = records.header();
    if (const std::optional<std::string> why = header_refusal(records, h)) {
      throw InputRefused(0, *why);
    }
    const CarryOver empty(slot_counts(h.sites1, h.frequency_pair));
    const BlockRecords r = *records.block(kSample1, h.sites1, h.frequency_pair, empty, false);
    BlockData sample1;
    for (std::int32_t i = 1; i <= h.sites1; ++i) {
      sample1.f.push_back(r.x(i));
      sample1.n.push_back(r.n(i));
    }
    if (h.frequency_pair) {
      for (std::int32_t i = h.sites1 + 1; i <= 2 * h.sites1 + 1; ++i)
        sample1.f_pair.push_back(r.x(i));
    }
    return sample1;
  } catch (const textio::ReadError& e) {
    throw InputRefused(e.line(), e.reason());
  }
}

RunResult run_survey(const Survey& survey, const Options& options, const Settings& settings,
                     std::ostream* report) {
  return run_records(settings, report, [&](WarningLog&) { return SurveyRecords(survey, options); });
}

}  // namespace kelvaro

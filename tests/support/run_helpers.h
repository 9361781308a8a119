#pragma once
// Runs whole reports in-process, as the command would: the report, what goes to standard error
// (the diagnostic, warnings left out as with --quiet), and the exit status.

#include <sstream>
#include <string>
#include <string_view>

#include "kelvaro/kelvaro.h"
#include "support/report_records.h"

namespace kelvaro::testing {

struct TextRun {
  int status;
  std::string out;
  std::string err;
};

inline TextRun run_text(std::string_view input) {
  std::ostringstream out;
  const RunResult r = kelvaro::run_text(input, Settings{}, &out);
  return {exit_status(r.status), out.str(), r.diagnostic};
}

}  // namespace kelvaro::testing

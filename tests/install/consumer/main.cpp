// A program built against the installed library alone: the README's pipe, kelvaro-prep A B |
// kelvaro | kelvaro-tidy, in one process (the parameter table as CSV on standard output), and a
// call into the planner and the batch, so that every layer is linked.

#include <iostream>
#include <sstream>
#include <string>

#include "kelvaro/batch.h"
#include "kelvaro/byte_source.h"
#include "kelvaro/checked_output.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/kelvaro.h"
#include "kelvaro/planner.h"
#include "kelvaro/report_reader.h"
#include "kelvaro/surveys.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: consumer SAMPLE1.csv SAMPLE2.csv\n";
    return 2;
  }
  kelvaro::tools::FileSource first(argv[1]), second(argv[2]);
  const kelvaro::prep::Survey survey = kelvaro::prep::load_wide_pair(first, second, {});
  const std::string input = kelvaro::prep::kelvaro_input(kelvaro::prep::derive_blocks(survey), {});
  std::ostringstream report;
  if (kelvaro::run_text(input, {}, &report).status != kelvaro::RunStatus::kComplete) return 1;
  const kelvaro::tidy::Report tables = kelvaro::tidy::parse_report(report.str());
  kelvaro::tools::StandardOutput out("the parameter table");
  kelvaro::tidy::write_csv(out, tables.parameters);
  out.finish();

  // A plan without N is refused; a batch writes five tables.
  try {
    kelvaro::plan::check_request({}, kelvaro::plan::OptionStyle::kArgument);
    return 1;
  } catch (const kelvaro::plan::OptionError&) {
  }
  return kelvaro::batch::batch_table_paths("out").size() == 5 ? 0 : 1;
}

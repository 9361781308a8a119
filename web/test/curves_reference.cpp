// The richness curves of a kelvaro input's run as the library makes them natively (kelvaro/curves.h
// with the run's replicates and seed, kelvaro/tables.h, kelvaro-tidy's CSV writer), for `make
// web-test` to compare with what the page computes in WebAssembly and offers for download.
//
//   kelvaro-curves-reference < input.txt
//
// writes the curves table's CSV, a line "--", the standardised table's CSV, a line "--", and
// the curves' warnings, one per line. Exit status 2 when the run did not complete.

#include <iostream>
#include <iterator>
#include <string>

#include "kelvaro/checked_output.h"
#include "kelvaro/curves.h"
#include "kelvaro/kelvaro.h"
#include "kelvaro/report_reader.h"
#include "kelvaro/tables.h"

int main() {
  using namespace kelvaro;
  const std::string input{std::istreambuf_iterator<char>(std::cin), {}};
  const RunResult result = run_text(std::string_view(input));
  if (result.status != RunStatus::kComplete) {
    std::cerr << "kelvaro-curves-reference: the run did not complete: " << result.diagnostic
              << "\n";
    return 2;
  }
  const ResultCurves curves = result_curves(result, curve_settings(result));
  tools::StringOutput out;
  tidy::write_csv(out, curves_table(curves));
  std::cout << out.text() << "--\n";
  tools::StringOutput standardised;
  tidy::write_csv(standardised, standardised_table(curves));
  std::cout << standardised.text() << "--\n";
  for (const CurveWarning& w : curves.warnings) std::cout << format_warning(w) << "\n";
  return 0;
}

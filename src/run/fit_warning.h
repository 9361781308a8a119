#pragma once
// The warning that a block's data reject model M(h): the jackknife estimate and its bootstrap
// interval rest on that model, so a test that rejects it says they may be biased. The report
// itself prints the test and nothing more.

#include <string>

#include "kelvaro/kelvaro.h"
#include "run/warning_log.h"

namespace kelvaro {

// Below this goodness-of-fit probability the data are taken not to fit M(h) (a 1% test).
inline constexpr double kModelFitLevel = 0.01;

// The probability as the report's "Prob =" field shows it (F8.4), without its leading blanks;
// one that shows as 0.0000 is "below 0.0001":
//   0.0043 -> "0.0043"    0.00005 -> "below 0.0001"    0.0 -> "below 0.0001"
std::string fit_probability_text(double probability);

// Adds a kModelDoesNotFit warning for `block` when the test's probability is below
// kModelFitLevel:
//   "the data do not fit model M(h) (goodness-of-fit probability below 0.0001): the estimate and
//    its interval may be biased"
// A degenerate test (no statistic) adds nothing.
void warn_if_model_rejected(WarningLog& log, const std::string& block,
                            const GoodnessOfFitTest& test);

// Adds a kFitTestFailed warning for `block` when the test could not be computed (the report
// prints "** error in gof routine **" and a statistic of 0): a block of one site, or one whose
// species were each detected at every site.
void warn_if_test_failed(WarningLog& log, const std::string& block, const GoodnessOfFitTest& test);

}  // namespace kelvaro

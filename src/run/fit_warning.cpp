#include "run/fit_warning.h"

#include "textio/fields.h"

namespace kelvaro {

std::string fit_probability_text(double probability) {
  std::string field;
  textio::append_fixed(field, probability, 8, 4);  // the report's Prob = field, F8.4
  field.erase(0, field.find_first_not_of(' '));
  if (field == "0.0000" || field == ".0000") return "below 0.0001";
  return field;
}

void warn_if_model_rejected(WarningLog& log, const std::string& block,
                            const GoodnessOfFitTest& test) {
  if (test.degenerate || !(test.probability < kModelFitLevel)) return;
  log.add(WarningKind::kModelDoesNotFit, block, 0,
          "the data do not fit model M(h) (goodness-of-fit probability " +
              fit_probability_text(test.probability) +
              "): the estimate and its interval may be biased");
}

void warn_if_test_failed(WarningLog& log, const std::string& block, const GoodnessOfFitTest& test) {
  if (!test.degenerate) return;
  log.add(WarningKind::kFitTestFailed, block, 0,
          std::string("the M(h) goodness-of-fit test cannot be computed (the report prints "
                      "\"** error in gof routine **\"): ") +
              (test.t <= 1 ? "a block of one site leaves it no degrees of freedom"
                           : "every species was detected at every site, so detection does not "
                             "vary between species") +
              "; how well the model fits is unknown");
}

}  // namespace kelvaro

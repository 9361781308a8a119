#include "planner/targets.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "kelvaro/planner.h"
#include "kelvaro/real_text.h"
#include "planner/significant_digits.h"

namespace kelvaro::plan {
namespace {

// The reported parameters' names, in their order (truth.h).
constexpr const char* kParameterNames[kReportedCount] = {"N(1)",  "N(2)",   "PHI",
                                                         "GAMMA", "LAMBDA", "B"};

struct CriterionName {
  const char* name;
  Criterion criterion;
  const char* comparison;  // the one it takes
};
constexpr CriterionName kCriteria[] = {{"bias", Criterion::kBias, "<="},
                                       {"rmse", Criterion::kRmse, "<="},
                                       {"coverage", Criterion::kCoverage, ">="},
                                       {"width", Criterion::kWidth, "<="}};

constexpr const char* kHowTo =
    "write a target as PARAMETER:CRITERION,... as in 'N(1):bias<=0.10,coverage>=0.90' "
    "(parameters N(1), N(2), PHI, GAMMA, LAMBDA, B; criteria bias<=X, rmse<=X, width<=X, "
    "coverage>=X)";

bool same_name(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

Requirement requirement_of(const std::string& item, const std::string& where) {
  const std::size_t at = item.find_first_of("<>=");
  const std::string name = trimmed(item.substr(0, at));
  const CriterionName* found = nullptr;
  for (const CriterionName& c : kCriteria) {
    if (same_name(name, c.name)) found = &c;
  }
  if (found == nullptr || at == std::string::npos) {
    throw OptionError(where + ": '" + item + "' is not a criterion; " + kHowTo);
  }
  if (item.compare(at, 2, found->comparison) != 0) {
    throw OptionError(where + ": '" + item + "': " + found->name + " takes " + found->comparison +
                      ", as in " + found->name + found->comparison +
                      (found->criterion == Criterion::kCoverage ? "0.90" : "0.10"));
  }
  const std::string bound_text = trimmed(item.substr(at + 2));
  const numeric::RealText read = numeric::read_real(bound_text);
  const double bound = read.value;
  const bool coverage = found->criterion == Criterion::kCoverage;
  if (read.problem != numeric::RealTextProblem::kNone || bound < 0.0 || (coverage && bound > 1.0)) {
    std::string why = where + ": '" + item + "': the bound must be a number ";
    why += coverage ? "from 0 to 1 (a share of surveys)" : "of 0 or more";
    if (read.problem == numeric::RealTextProblem::kTooSmall) {
      why += ", not one too close to 0 to be held (write 0)";
    } else if (read.problem == numeric::RealTextProblem::kTooLarge) {
      why += ", not one too large to be held";
    }
    throw OptionError(why);
  }
  return {found->criterion, bound};
}

const char* criterion_name(Criterion c) {
  for (const CriterionName& n : kCriteria) {
    if (n.criterion == c) return n.name;
  }
  return "";
}

const char* comparison(Criterion c) { return c == Criterion::kCoverage ? ">=" : "<="; }

std::int32_t total_sites(const DesignSummary& d) { return d.design.sites1 + d.design.sites2; }

}  // namespace

std::string short_design_text(Design d) {
  if (d.sites1 == d.sites2) return std::to_string(d.sites1) + " sites";
  return std::to_string(d.sites1) + " and " + std::to_string(d.sites2) + " sites";
}

std::string design_text(Design d) {
  return short_design_text(d) + " (sites1 = " + std::to_string(d.sites1) +
         ", sites2 = " + std::to_string(d.sites2) + ")";
}

std::string check_text(int parameter, const Requirement& r, const CriterionCheck& c) {
  return std::string(kParameterNames[parameter]) + " " + criterion_name(r.criterion) + " " +
         significant_digits(c.value, 3) + " (standard error " +
         significant_digits(c.standard_error, 3) + ") against " + comparison(r.criterion) + " " +
         significant_digits(r.bound, 3);
}

double largest_shortfall(const DesignSummary& d, const std::vector<Target>& targets) {
  double largest = 0.0;
  each_check(d, targets, [&](int, const Requirement& r, const CriterionCheck& c) {
    if (c.met) return;
    const double shortfall = std::isnan(c.margin) ? std::numeric_limits<double>::infinity()
                                                  : -c.margin / (r.bound > 0.0 ? r.bound : 1.0);
    if (shortfall > largest) largest = shortfall;
  });
  return largest;
}

namespace {

// "; uncertain: ..." for the criteria of design d within two standard errors, or nothing.
std::string uncertainty_text(const DesignSummary& d, const std::vector<Target>& targets) {
  std::string text;
  each_check(d, targets, [&](int parameter, const Requirement& r, const CriterionCheck& c) {
    if (!c.uncertain) return;
    text += (text.empty() ? "; uncertain, within two standard errors: " : ", ") +
            check_text(parameter, r, c);
  });
  return text;
}

}  // namespace

Target parse_target(const std::string& text, const std::string& option) {
  const std::string where = option + " '" + text + "'";
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) throw OptionError(where + ": " + kHowTo);
  Target target;
  const std::string name = trimmed(text.substr(0, colon));
  target.parameter = -1;
  for (int k = 0; k < kReportedCount; ++k) {
    if (same_name(name, kParameterNames[k])) target.parameter = k;
  }
  if (target.parameter < 0) {
    throw OptionError(where + ": '" + name + "' is not a parameter kelvaro-plan reports; " +
                      kHowTo);
  }
  std::size_t start = colon + 1;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    target.requirements.push_back(requirement_of(text.substr(start, comma - start), where));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return target;
}

CriterionCheck check_criterion(const ParameterSummary& p, const Requirement& r) {
  CriterionCheck c;
  switch (r.criterion) {
    case Criterion::kBias:
      c = {std::fabs(p.relative_bias), p.relative_bias_se};
      break;
    case Criterion::kRmse:
      c = {p.rmse, p.rmse_se};
      break;
    case Criterion::kCoverage:
      c = {p.coverage, p.coverage_se};
      break;
    case Criterion::kWidth:
      c = {p.mean_width, p.mean_width_se};
      break;
  }
  c.margin = r.criterion == Criterion::kCoverage ? c.value - r.bound : r.bound - c.value;
  c.met = c.margin >= 0.0;  // false for NaN
  if (std::isnan(c.value)) {
    c.decided = true;  // no survey gave a value: not met, however many more are simulated
  } else if (r.criterion == Criterion::kCoverage) {
    c.decided = r.bound < p.coverage_lower || r.bound > p.coverage_upper;
  } else {
    c.decided = c.standard_error == 0.0 || std::fabs(c.margin) > 2.0 * c.standard_error;
  }
  c.uncertain = !c.decided;
  return c;
}

std::optional<bool> meets_targets(const DesignSummary& d, int k,
                                  const std::vector<Target>& targets) {
  std::optional<bool> meets;
  for (const Target& t : targets) {
    if (t.parameter != k) continue;
    bool all = true;
    for (const Requirement& r : t.requirements) {
      all = all && check_criterion(d.parameters[static_cast<std::size_t>(k)], r).met;
    }
    meets = meets.value_or(true) && all;
  }
  return meets;
}

bool meets_every_target(const DesignSummary& d, const std::vector<Target>& targets) {
  bool all = true;
  each_check(d, targets,
             [&all](int, const Requirement&, const CriterionCheck& c) { all = all && c.met; });
  return all;
}

std::optional<std::size_t> smallest_meeting(const std::vector<DesignSummary>& designs,
                                            const std::vector<Target>& targets) {
  std::optional<std::size_t> best;
  for (std::size_t i = 0; i < designs.size(); ++i) {
    if (!meets_every_target(designs[i], targets)) continue;
    if (!best || total_sites(designs[i]) < total_sites(designs[*best])) best = i;
  }
  return best;
}

std::string target_answer(const std::vector<DesignSummary>& designs,
                          const std::vector<Target>& targets) {
  if (const auto best = smallest_meeting(designs, targets)) {
    const DesignSummary& d = designs[*best];
    return "the smallest design that meets every target: " + design_text(d.design) +
           uncertainty_text(d, targets);
  }
  std::size_t closest = 0;
  double closest_shortfall = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < designs.size(); ++i) {
    const double shortfall = largest_shortfall(designs[i], targets);
    const bool fewer_sites = total_sites(designs[i]) < total_sites(designs[closest]);
    if (shortfall < closest_shortfall || (shortfall == closest_shortfall && fewer_sites)) {
      closest = i;
      closest_shortfall = shortfall;
    }
  }
  const DesignSummary& d = designs[closest];
  std::string failed;
  bool all_uncertain = true;
  each_check(d, targets, [&](int parameter, const Requirement& r, const CriterionCheck& c) {
    if (c.met) return;
    failed += (failed.empty() ? "" : ", ") + check_text(parameter, r, c);
    all_uncertain = all_uncertain && c.uncertain;
  });
  return "no design in the grid meets every target; the closest: " + design_text(d.design) +
         ", where " + failed +
         (all_uncertain ? "; uncertain: within two standard errors of meeting it" : "");
}

}  // namespace kelvaro::plan

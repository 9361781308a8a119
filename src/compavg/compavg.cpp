#include "compavg/compavg.h"

#include <array>
#include <cstddef>
#include <span>
#include <string>

#include "compavg/cnfint.h"
#include "compavg/parameters.h"
#include "compavg/summary.h"
#include "shared/numeric.h"
#include "shared/storage.h"
#include "shared/warnings.h"
#include "textio/fields.h"
#include "textio/report.h"

namespace kelvaro {

namespace {

// The replicate table has this many rows; a larger request is held to it.
constexpr std::int32_t kMaxReplicates = 10000;

// The eleven reported parameters, by column of work04.boot (column 10 is spare).
constexpr std::array<int, 11> kParameters = {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12};

// Replicate detail line: N1 N2 M2 M1 (no decimals), PHI GAMMA LAMBDA altLAMBDA, B, p(1) p(2),
// then the replicate's observed counts of Samples 1 and 2.
constexpr const char* kDetailLayout = "(4f5.0,4f7.4,f8.3,2f7.4,2i6)";

constexpr const char* kTwoDecimals = "(1x,a10,3f10.2,4x,f10.2,' - ',f10.2)";
constexpr const char* kFourDecimals = "(1x,a10,3f10.4,4x,f10.4,' - ',f10.4)";

struct Summary {
  ParameterValues average;
  ParameterValues error;
  ParameterValues lower;
  ParameterValues upper;
};

struct TableRow {
  int k;
  const char* label;
  const char* layout;
};

// clang-format off
constexpr TableRow kTable[] = {
    {1, "    N(1)", kTwoDecimals},
    {2, "    N(2)", kTwoDecimals},
    {3, "  M2(R1)", kTwoDecimals},
    {4, "  M1(R2)", kTwoDecimals},
    {5, "PHI", kFourDecimals},
    {6, "GAMMA", kFourDecimals},
    {7, "LAMBDA", kFourDecimals},
    {8, "altLAMBDA", kFourDecimals},
    {9, "B", kTwoDecimals},
    {11, "  p(1)", kFourDecimals},
    {12, "  p(2)", kFourDecimals},
};
// clang-format on

// Each definition is one "(a,a,a)" record of up to three text items, joined as they stand.
struct Definition {
  const char* part[3];
};

constexpr Definition kDefinitions[] = {
    {{"R(1)     : Number of species observed in Sample 1"}},
    {{"R(2)     : Number of species observed in Sample 2"}},
    {{"f(i)     : Observed frequencies - number of species",
      " observed at exactly i sites/occasions"}},
    {{"f'(i)    : Observed frequencies - number of species",
      " observed at i sites where sites are in groups of 10"}},
    {{"n(i)     : Observed species- number of species", " observed at the ith site/occasion"}},
    {{"N(1)     : Estimated number of species present", " in Sample 1"}},
    {{"N(2)     : Estimated number of species present", " in Sample 2"}},
    {{"M2(R1)   : Estimated number of species present",
      " in Sample 2 which were observed in Sample 1"}},
    {{"M1(R2)   : Estimated number of species present",
      "in Sample 1 which were observed in Sample 2"}},
    {{"PHI      : Estimated complement of extinction", " probability -",
      " proportion of Sample 1 species still present in Sample 2"}},
    {{"GAMMA    : Estimated complement of species turnover -",
      " proportion of Sample 2 species present in Sample 1"}},
    {{"LAMBDA   : Estimated rate of change of", " species richness estimated as N(2)/N(1)"}},
    {{"altLAMBDA: Estimated rate of change of",
      " species richness estimated using alternate method,R(2)/R(1)"}},
    {{"B        : Estimated local colonizing species -",
      " number of species not present in Sample 1, but", " present in Sample 2"}},
    {{"p(1)     : Estimated species detection probability", " in Sample 1"}},
    {{"p(2)     : Estimated species detection probability", " in Sample 2"}},
};

void print_replicate(int i) {
  const auto& boot = work04.boot;
  textio::write_formatted(
      kDetailLayout,
      {boot(i, 1), boot(i, 2), boot(i, 3), boot(i, 4), boot(i, 5), boot(i, 6), boot(i, 7),
       boot(i, 8), boot(i, 9), boot(i, 11), boot(i, 12), work04.nobsb(i, 1), work04.nobsb(i, 2)});
}

// The eleven values of one summary row under the fields of the replicate lines.
void print_parameter_row(const ParameterValues& v) {
  textio::write_formatted(kDetailLayout,
                          {v(1), v(2), v(3), v(4), v(5), v(6), v(7), v(8), v(9), v(11), v(12)});
}

void summarise(int n, Summary& s) {
  for (int k : kParameters) {
    s.average(k) = boot_average(k, n);
    s.error(k) = boot_error(k, n, s.average(k));
    cnfint(k, n, s.lower(k), s.upper(k));
  }
}

void print_detail_summary(const Summary& s) {
  textio::write_formatted(kDetailLayout, {});
  textio::write_list({"averages:"});
  print_parameter_row(s.average);
  textio::write_list({"standard errors:"});
  print_parameter_row(s.error);
  textio::write_list({" "});
}

// A value as the parameter table prints it, without the field's leading blanks.
std::string as_printed(float v, const char* layout) {
  std::string field;
  textio::append_fixed(field, v, 20, layout == kTwoDecimals ? 2 : 4);
  return field.substr(field.find_first_not_of(' '));
}

void warn_about_intervals(int n, const Summary& s, const ParameterValues& data,
                          std::int64_t header_line) {
  if (n == 0) {
    warn(WarningKind::kFewReplicates, "parameters", header_line,
         "no bootstrap replicates (nreps 0): every average, standard error and interval is NaN");
    return;
  }
  if (n < 20) {
    warn(WarningKind::kFewReplicates, "parameters", header_line,
         "the percentile intervals rest on " + std::to_string(n) +
             " bootstrap replicates (fewer than 20), so each lower limit is the smallest "
             "replicate value and each upper the largest; use at least 20 replicates (1000 "
             "for stable limits)");
  }
  for (const TableRow& row : kTable) {
    const float v = data(row.k);
    if (v < s.lower(row.k) || v > s.upper(row.k)) {
      std::string label = row.label;
      label = label.substr(label.find_first_not_of(' '));
      warn(WarningKind::kOutsideInterval, label, 0,
           "the estimate " + as_printed(v, row.layout) + " lies outside its own bootstrap " +
               "interval " + as_printed(s.lower(row.k), row.layout) + " - " +
               as_printed(s.upper(row.k), row.layout) +
               ": the replicates do not centre on it, so the interval says little about it");
    }
  }
}

void print_table(const Summary& s, const ParameterValues& data) {
  textio::write_list({"Parameter estimates"});
  textio::write_list({"==================="});
  textio::write_list({"               data    bootstrap  standard  95% confidencinterval"});
  textio::write_list({" parameter   estimate   average     error         lower       upper"});
  textio::write_list({" ------------------------------------------------------------------"});
  for (const TableRow& row : kTable) {
    const int k = row.k;
    textio::write_formatted(row.layout,
                            {row.label, data(k), s.average(k), s.error(k), s.lower(k), s.upper(k)});
  }
}

void print_definitions() {
  textio::write_list({" "});
  textio::write_list({"Definitions:"});
  textio::write_list({"============"});
  for (const Definition& d : kDefinitions) {
    // Only the parts present are passed; the layout ends where the items run out.
    textio::Item items[3] = {d.part[0], d.part[1] ? d.part[1] : "", d.part[2] ? d.part[2] : ""};
    const std::size_t count = d.part[2] ? 3 : d.part[1] ? 2 : 1;
    textio::write_formatted("(a,a,a)", std::span<const textio::Item>(items, count));
  }
  textio::write_list({" "});
  textio::write_formatted("(a,a,a)", {"95% confidence interval computed by ordering",
                                      " bootstrap replicate estimates and using the values",
                                      " ranked at 2.5% and 97.5%."});
}

}  // namespace

void compavg(std::int32_t nreps, std::int32_t swtch, std::int64_t header_line) {
  std::int32_t n = wrap_abs(nreps);
  if (n < 0 || n > kMaxReplicates) n = kMaxReplicates;
  const bool detail = nreps < 0;

  if (detail) {
    textio::write_list({"  N1   N2   M2   M1   PHI    IHP     LAM  altLAM", "   B     P1    P2"});
  }
  for (int i = 1; i <= n; ++i) {
    replicate_parameters(i, swtch);
    if (detail) print_replicate(i);
  }
  Summary summary{};
  summarise(n, summary);
  ParameterValues data;
  data_parameters(data);
  warn_about_intervals(n, summary, data, header_line);
  if (detail) print_detail_summary(summary);
  print_table(summary, data);
  print_definitions();
}

}  // namespace kelvaro

#include "report/report_writer.h"

#include <array>
#include <ostream>
#include <sstream>
#include <string_view>
#include <vector>

#include "dynamics/parameter_table.h"
#include "textio/layout.h"

namespace kelvaro {

namespace {

using textio::Item;

constexpr std::string_view kStars = "*******************************************************";
constexpr std::string_view kRule31 = "===============================";
constexpr std::string_view kRule47 = "===============================================";

constexpr textio::Layout kBootstrapLine = textio::compile_layout(
    "('  bootstrap iterations:',i6,                               '  seed number:',i9)");
constexpr textio::Layout kReplicateLine = textio::compile_layout("(1x,8i6,f12.4)");
constexpr textio::Layout kMeanFrequencies = textio::compile_layout("(6f9.2)");
constexpr textio::Layout kTenCells = textio::compile_layout("(10f8.3)");
constexpr textio::Layout kGoodnessOfFitLine = textio::compile_layout(
    "(' M(h) GOF test: Chi-square = ',f8.3,                       ' df = ',i3,' Prob = ',f8.4)");
// Replicate detail line: N1 N2 M2 M1 (no decimals), PHI GAMMA LAMBDA altLAMBDA, B, p(1) p(2),
// then the replicate's observed counts of Samples 1 and 2.
constexpr textio::Layout kDetailLine = textio::compile_layout("(4f5.0,4f7.4,f8.3,2f7.4,2i6)");
constexpr textio::Layout kTwoDecimals =
    textio::compile_layout("(1x,a10,3f10.2,4x,f10.2,' - ',f10.2)");
constexpr textio::Layout kFourDecimals =
    textio::compile_layout("(1x,a10,3f10.4,4x,f10.4,' - ',f10.4)");
constexpr textio::Layout kJoinedTexts = textio::compile_layout("(a,a,a)");

struct BlockLabels {
  std::string_view title;
  std::string_view source;  // subsets: where their data come from
  std::string_view observed;
  std::string_view estimate;
};

constexpr BlockLabels kBlocks[] = {
    {"Sample 1:", "", "R(1)  ", "N(1)  "},
    {"Sample 2:", "", "R(2)  ", "N(2)  "},
    {"Subset A:Subset of species observed both samples,",
     "         f(i) and n(i) data come from Sample 2", "m2(R1)", "M2(R1)"},
    {"Subset B:Subset of species observed both samples",
     "         f(i) and n(i) data come from Sample 1", "m1(R2)", "M1(R2)"},
};

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

template <typename T>
std::vector<Item> items_of(std::string_view label, const std::vector<T>& values) {
  std::vector<Item> items;
  items.reserve(values.size() + 1);
  if (!label.empty()) items.emplace_back(label);
  for (const T& v : values) items.emplace_back(v);
  return items;
}

// The eleven values of a parameter row under the fields of the replicate lines.
std::vector<Item> parameter_items(const std::array<float, kParameterCount>& v) {
  return std::vector<Item>(v.begin(), v.end());
}

}  // namespace

void ReportWriter::banner(const RunResult& r) {
  out_.list({" "});
  out_.list({kStars});
  out_.list({"Kelvaro/Muntavelo - Tessaroven Calimbrant/Oduvanti Prel"});
  out_.list({"               <130607.1554>"});
  out_.list({kStars});
  // The count as the text header gives it: negative when the replicates are listed.
  const Options& o = r.options;
  out_.formatted(kBootstrapLine, {printed_replicates(o), o.seed});
  out_.list({"seed=", o.seed});
}

void ReportWriter::block_title(BlockNumber block) {
  const BlockLabels& l = kBlocks[block - 1];
  out_.list({" "});
  out_.list({l.title});
  if (block <= kSample2) {
    out_.list({kRule31});
  } else {
    out_.list({l.source});
    out_.list({kRule47});
  }
}

void ReportWriter::block_section(const RunResult& r, const BlockResult& b) {
  const BlockLabels& l = kBlocks[b.block - 1];
  out_.list({"Total species observed, ", l.observed, " = ", b.observed});
  out_.list(items_of(
      r.frequency_pair ? "Observed frequencies, f'(i) = " : "Observed frequencies, f(i) = ",
      b.frequencies));
  out_.list({" "});
  out_.list({"Species richness estimate, ", l.estimate, " = ", b.rounded_estimate, ", SE(",
             l.estimate, ") = ", b.standard_error});
  out_.list({" "});
  if (!b.bootstrapped) return;
  if (r.options.replicate_detail) {
    out_.list({"  "});
    for (const ReplicateDetail& d : b.replicate_detail) {
      out_.formatted(kReplicateLine, {d.counts[0], d.counts[1], d.counts[2], d.counts[3],
                                      d.counts[4], d.counts[5], d.counts[6], d.sum, d.estimate});
    }
    out_.list({" "});
    const auto& m = b.mean_frequencies;
    out_.formatted(kMeanFrequencies, {m[0], m[1], m[2], m[3], m[4], m[5]});
  }
  out_.list({" "});
  if (b.goodness_of_fit) goodness_of_fit(*b.goodness_of_fit);
}

void ReportWriter::goodness_of_fit(const GoodnessOfFitTest& g) {
  out_.list({"M(h) GOF test:"});
  out_.list({"=============="});
  out_.list(items_of("Observed species,     n(i) = ", g.n));
  out_.list(items_of("Observed frequencies, f(i) = ", g.f));
  if (g.degenerate) {
    out_.list({"**************************"});
    out_.list({"** error in gof routine **"});
    out_.list({"**************************"});
  }
  out_.formatted(kGoodnessOfFitLine, {g.statistic, g.df, g.probability});
}

void ReportWriter::equal_detection(const EqualDetectionTest& test) {
  out_.list({" "});
  out_.list({"Test for unequal p's"});
  out_.list({"===================="});
  out_.list({"Observed frequencies, f(i):"});
  out_.list(items_of("", test.observed[0]));
  out_.list(items_of("", test.observed[1]));
  out_.list({" "});
  out_.list({"After pooling:"});
  out_.list({"Observed frequencies, f(i):"});
  out_.formatted(kTenCells, items_of("", test.pooled[0]));
  out_.formatted(kTenCells, items_of("", test.pooled[1]));
  out_.list({"Expected values:"});
  out_.formatted(kTenCells, items_of("", test.expected[0]));
  out_.formatted(kTenCells, items_of("", test.expected[1]));
  out_.list({" "});
  out_.list({"Total Chi-square:", test.chi_square});
  out_.list({"Degrees of freedom:", test.df});
  out_.list({"Probability       :", test.probability});
}

void ReportWriter::unequal_sites_notice() {
  out_.list({"Test for unequal p'"});
  out_.list({" *** Number of sites/occasions must be "});
  out_.list({"*** equal to perform this test"});
}

void ReportWriter::dynamics(const RunResult& r) {
  const bool detail = r.options.replicate_detail;
  std::array<float, kParameterCount> average{};
  std::array<float, kParameterCount> error{};
  for (int k = 0; k < kParameterCount; ++k) {
    average[static_cast<std::size_t>(k)] =
        r.parameters[static_cast<std::size_t>(k)].bootstrap_average;
    error[static_cast<std::size_t>(k)] = r.parameters[static_cast<std::size_t>(k)].standard_error;
  }
  if (detail) {
    out_.list({"  N1   N2   M2   M1   PHI    IHP     LAM  altLAM", "   B     P1    P2"});
    for (const ReplicateRow& row : r.replicates) {
      std::vector<Item> items = parameter_items(row.values);
      items.emplace_back(row.detected1);
      items.emplace_back(row.detected2);
      out_.formatted(kDetailLine, items);
    }
    out_.formatted(kDetailLine, std::span<const Item>());
    out_.list({"averages:"});
    out_.formatted(kDetailLine, parameter_items(average));
    out_.list({"standard errors:"});
    out_.formatted(kDetailLine, parameter_items(error));
    out_.list({" "});
  }
  out_.list({"Parameter estimates"});
  out_.list({"==================="});
  out_.list({"               data    bootstrap  standard  95% confidencinterval"});
  out_.list({" parameter   estimate   average     error         lower       upper"});
  out_.list({" ------------------------------------------------------------------"});
  for (int k = 0; k < kParameterCount; ++k) {
    const Parameter& p = r.parameters[static_cast<std::size_t>(k)];
    const SummaryParameter& row = kParameterTable[static_cast<std::size_t>(k)];
    const textio::Layout& layout = row.decimals == 2 ? kTwoDecimals : kFourDecimals;
    out_.formatted(
        layout, {row.label, p.estimate, p.bootstrap_average, p.standard_error, p.lower, p.upper});
  }
  out_.list({" "});
  out_.list({"Definitions:"});
  out_.list({"============"});
  for (const Definition& d : kDefinitions) {
    // Only the parts present are passed; the layout ends where the items run out.
    const Item items[3] = {d.part[0], d.part[1] ? d.part[1] : "", d.part[2] ? d.part[2] : ""};
    const std::size_t count = d.part[2] ? 3 : d.part[1] ? 2 : 1;
    out_.formatted(kJoinedTexts, std::span<const Item>(items, count));
  }
  out_.list({" "});
  out_.formatted(kJoinedTexts, {"95% confidence interval computed by ordering",
                                " bootstrap replicate estimates and using the values",
                                " ranked at 2.5% and 97.5%."});
}

void ReportWriter::write_new(const RunResult& r) {
  if (!r.header_accepted) return;
  if (!banner_written_) {
    banner(r);
    banner_written_ = true;
  }
  const auto is_block = [](int block) { return block >= kSample1 && block <= kSubsetB; };
  for (; blocks_written_ < r.blocks.size(); ++blocks_written_) {
    const BlockResult& b = r.blocks[blocks_written_];
    if (!is_block(b.block)) continue;  // not a block of a run
    block_title(b.block);
    block_section(r, b);
    if (b.block == kSample2) {
      if (r.equal_detection) {
        equal_detection(*r.equal_detection);
      } else {
        unequal_sites_notice();
      }
    }
  }
  if (!failed_title_written_ && r.failed_block && is_block(*r.failed_block) &&
      *r.failed_block != kSample2) {
    block_title(*r.failed_block);
    failed_title_written_ = true;
  }
  if (!summary_written_ && r.parameters.size() == static_cast<std::size_t>(kParameterCount)) {
    dynamics(r);
    summary_written_ = true;
  }
}

void write_report(const RunResult& r, std::ostream& out) { ReportWriter(&out).write_new(r); }

std::string report_text(const RunResult& r) {
  std::ostringstream out;
  write_report(r, out);
  return out.str();
}

}  // namespace kelvaro

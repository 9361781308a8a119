#include <charconv>
#include <cstdlib>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "kelvaro/field_tables.h"
#include "kelvaro/report_reader.h"
#include "report_reader/input_kind.h"
#include "report_reader/line_cursor.h"
#include "report_reader/report_layout.h"
#include "report_reader/report_lines.h"

namespace kelvaro::tidy {
namespace {

constexpr NumberKind kInt = NumberKind::kInteger;
constexpr NumberKind kReal = NumberKind::kReal;

// The banner's rules: a blank and 55 '*'.
constexpr std::string_view kStars55 = " *******************************************************";
// "(a,a,a)" of three texts: the last line of a complete two-sample report.
constexpr std::string_view kClosingNote =
    "95% confidence interval computed by ordering bootstrap replicate estimates and using the "
    "values ranked at 2.5% and 97.5%.";

constexpr auto kIncomplete = ReportError::Kind::kIncomplete;

std::string quoted(std::string_view s) { return tools::quoted_excerpt(s); }

// What was found instead of a line expected: the line quoted, or "a blank line".
std::string found(std::string_view line) {
  return ", found " + (trim_right(line).empty() ? std::string("a blank line") : quoted(line));
}

long to_long(const std::string& printed) {
  long v = 0;
  std::from_chars(printed.data(), printed.data() + printed.size(), v);
  return v;
}

// A printed frequency, which kelvaro prints from a 32-bit count.
std::int32_t frequency(const std::string& printed, long line) {
  std::int32_t v = 0;
  const char* begin = printed.data() + (printed.front() == '+' ? 1 : 0);
  const auto [end, error] = std::from_chars(begin, printed.data() + printed.size(), v);
  if (error != std::errc() || end != printed.data() + printed.size()) {
    throw ReportError(line, "the frequency " + printed + " is beyond a 32-bit count");
  }
  return v;
}

class Parser {
 public:
  explicit Parser(ReportLines& lines) : lines_(lines) {}
  Report parse();

 private:
  long line_number() const { return lines_.next_number(); }
  bool finished() { return lines_.only_blank_lines_remain(); }
  std::string_view take(const std::string& what);
  std::string_view peek();
  void expect_line(std::string_view text);
  void banner_line(std::string_view text);
  LineCursor cursor(const std::string& what) {
    const std::string_view line = take(what);  // before line_number(), which take() advances
    return LineCursor(line, line_number() - 1);
  }
  std::vector<std::string> fields(std::string_view line, std::span<const Field> layout,
                                  std::size_t count);
  std::vector<std::string> fixed_line(std::span<const Field> layout, std::size_t count,
                                      const std::string& what);
  std::vector<std::string> integers_after(std::string_view prefix);

  void header();
  bool block(const BlockSection& section);
  void block_replicates(const BlockSection& section);
  // Fills the test's columns of `row`; returns the test's f(1..t).
  std::vector<std::int32_t> goodness_of_fit(std::vector<std::string>& row);
  void unequal_p_test();
  void pooled_rows(std::size_t t, const std::string& what);
  void summary();
  void summary_details();
  void parameter_table();
  void definitions();

  ReportLines& lines_;
  Report report_;
  long nreps_ = 0;
  // The part of the report being read, for a report that ends there: "Sample 1's frequencies".
  std::string place_ = "the banner";
};

std::string_view Parser::take(const std::string& what) {
  const auto line = lines_.take();
  if (!line) {
    throw ReportError(line_number(),
                      "the report ends after line " + std::to_string(line_number() - 1) +
                          ", inside " + place_ + ", where " + what + " should follow",
                      kIncomplete);
  }
  return *line;
}

std::string_view Parser::peek() {
  const auto line = lines_.peek();
  return line ? trim_right(*line) : std::string_view();
}

void Parser::expect_line(std::string_view text) {
  const std::string what =
      trim_right(text).empty() ? "a blank line" : "\"" + std::string(trim_right(text)) + "\"";
  const std::string_view line = trim_right(take(what));
  if (line != trim_right(text)) {
    throw ReportError(line_number() - 1, "expected " + what + found(line));
  }
}

// A line of the banner: where another kind of file differs from a report, says which it is.
void Parser::banner_line(std::string_view text) {
  const auto next = lines_.peek();
  if (next && trim_right(*next) != trim_right(text)) {
    if (const auto kind = other_file_kind(*next)) {
      throw ReportError(line_number(), *kind, ReportError::Kind::kOtherFile);
    }
  }
  expect_line(text);
}

std::vector<std::string> Parser::fields(std::string_view line, std::span<const Field> layout,
                                        std::size_t count) {
  const long number = line_number() - 1;
  const Field& last = layout[count - 1];
  line = trim_right(line);
  if (line.size() > last.start + last.width) {
    throw ReportError(number, "unexpected text after column " +
                                  std::to_string(last.start + last.width) + " of " + quoted(line));
  }
  std::vector<std::string> values;
  for (std::size_t i = 0; i < count; ++i) {
    values.push_back(fixed_number(line, layout[i].start, layout[i].width, layout[i].kind, number));
  }
  return values;
}

std::vector<std::string> Parser::fixed_line(std::span<const Field> layout, std::size_t count,
                                            const std::string& what) {
  const std::string_view line = take(what);
  if (layout[0].start > 0 && !line.empty() && line[0] != ' ') {
    throw ReportError(line_number() - 1, "expected " + what + found(trim_right(line)));
  }
  return fields(line, layout, count);
}

std::vector<std::string> Parser::integers_after(std::string_view prefix) {
  LineCursor c = cursor("\"" + std::string(prefix) + "\"");
  c.expect(prefix);
  std::vector<std::string> values;
  while (!c.at_end()) values.push_back(c.number(kInt));
  if (values.empty()) throw ReportError(c.line_number(), "expected integers after the text");
  return values;
}

void Parser::header() {
  banner_line("");
  banner_line(kStars55);
  expect_line(" Kelvaro/Muntavelo - Tessaroven Calimbrant/Oduvanti Prel");
  expect_line("                <130607.1554>");
  expect_line(kStars55);
  // "('  bootstrap iterations:',i6,'  seed number:',i9)"
  const std::string_view raw = take("the bootstrap line");
  LineCursor b(raw, line_number() - 1);
  b.expect("  bootstrap iterations:");
  const std::string_view line = trim_right(raw);
  const std::string nreps = fixed_number(line, 23, 6, kInt, b.line_number());
  if (columns(line, 29, 14) != "  seed number:" || line.size() > 52) {
    throw ReportError(b.line_number(), "expected \"  seed number:\" and the seed at column 30");
  }
  const std::string seed = fixed_number(line, 43, 9, kInt, b.line_number());
  if (nreps.front() == '*') {
    throw ReportError(b.line_number(), "the number of bootstrap iterations is not printed");
  }
  nreps_ = to_long(nreps);
  LineCursor s = cursor("the seed line");
  s.expect(" seed=");
  s.number(kInt);
  s.expect_end();
  report_.run.add_row({nreps, seed});
}

// Returns whether the section ends with the M(h) test.
bool Parser::block(const BlockSection& section) {
  const std::string name(section.name);
  place_ = name + "'s heading";
  for (const std::string_view t : section.title) expect_line(t);
  place_ = name + "'s frequency table";
  LineCursor r = cursor("the observed-count line");
  r.expect(" Total species observed, ");
  r.expect(section.observed_label);
  r.expect(" =");
  const std::string observed = r.number(kInt);
  r.expect_end();
  LineCursor f = cursor("the frequency line");
  f.expect(" Observed frequencies, ");
  const bool plain = f.accept("f(i) =");  // else f'(i): the frequency pair
  if (!plain) f.expect("f'(i) =");
  std::vector<std::int32_t> frequencies;
  do frequencies.push_back(frequency(f.number(kInt), f.line_number()));
  while (!f.at_end());
  expect_line("");
  place_ = name + "'s estimate";
  LineCursor e = cursor("the estimate line");
  e.expect(" Species richness estimate, ");
  e.expect(section.estimate_label);
  e.expect(" =");
  const std::string estimate = e.number(kReal);
  e.skip_blanks();
  e.expect(", SE(");
  e.expect(section.estimate_label);
  e.expect(") =");
  const std::string se = e.number(kReal);
  e.expect_end();
  expect_line("");
  std::vector<std::string> row = {name, observed, estimate, se, "", "", ""};
  const StandardEstimates estimated = standard_estimates(frequencies);
  bool tested = false;
  std::vector<std::int32_t> tested_f;
  if (to_long(observed) > 0) {
    if (nreps_ < 0) block_replicates(section);
    place_ = name + "'s section";
    expect_line("");
    tested = peek() == " M(h) GOF test:";
    place_ = name + "'s M(h) test";
    if (tested) tested_f = goodness_of_fit(row);
  }
  if (section.name == kSample1.name || section.name == kSample2.name) {
    const BlockNumber number =
        section.name == kSample1.name ? BlockNumber::kSample1 : BlockNumber::kSample2;
    // T and f(1..T): the block's own f(i), or with the frequency pair its M(h) test's.
    if (!plain) frequencies = std::move(tested_f);
    if (!frequencies.empty()) {
      const auto sites = static_cast<std::int32_t>(frequencies.size());
      report_.incidences.push_back({number, sites, std::move(frequencies)});
      frequencies.clear();
    }
  }
  report_.blocks.add_row(row);
  add_estimator_rows(report_.estimators, section.name, estimated, row[2], row[3]);
  return tested;
}

void Parser::block_replicates(const BlockSection& section) {
  place_ = std::string(section.name) + "'s bootstrap detail";
  expect_line("");
  const long n = std::labs(nreps_);
  for (long i = 1; i <= n; ++i) {
    std::vector<std::string> row = {std::string(section.name), std::to_string(i)};
    for (std::string& v : fixed_line(kBlockReplicateFields, std::size(kBlockReplicateFields),
                                     "a bootstrap detail line of " + std::string(section.name))) {
      row.push_back(std::move(v));
    }
    report_.block_replicates.add_row(row);
  }
  expect_line("");
  std::vector<std::string> means = {std::string(section.name)};
  for (std::string& v : fixed_line(kMeanFrequencyFields, std::size(kMeanFrequencyFields),
                                   "the mean frequencies of " + std::string(section.name))) {
    means.push_back(std::move(v));
  }
  report_.mean_frequencies.add_row(means);
}

std::vector<std::int32_t> Parser::goodness_of_fit(std::vector<std::string>& row) {
  expect_line(" M(h) GOF test:");
  expect_line(" ==============");
  integers_after(" Observed species,     n(i) =");
  std::vector<std::int32_t> f;
  for (const std::string& value : integers_after(" Observed frequencies, f(i) =")) {
    f.push_back(frequency(value, line_number() - 1));
  }
  const std::string box(26, '*');
  if (peek() == " " + box) {
    expect_line(" " + box);
    expect_line(" ** error in gof routine **");
    expect_line(" " + box);
  }
  // "(' M(h) GOF test: Chi-square = ',f8.3,' df = ',i3,' Prob = ',f8.4)"
  const std::string_view line = trim_right(take("the M(h) test result"));
  const long number = line_number() - 1;
  if (columns(line, 0, 29) != " M(h) GOF test: Chi-square = " || columns(line, 37, 6) != " df = " ||
      columns(line, 46, 8) != " Prob = " || line.size() > 62) {
    throw ReportError(number, "expected the M(h) test result" + found(line));
  }
  row[4] = fixed_number(line, 29, 8, kReal, number);
  row[5] = fixed_number(line, 43, 3, kInt, number);
  row[6] = fixed_number(line, 54, 8, kReal, number);
  return f;
}

void Parser::pooled_rows(std::size_t t, const std::string& what) {
  const std::size_t per_line = std::size(kPooledFields);
  for (std::size_t done = 0; done < t; done += per_line) {
    fixed_line(kPooledFields, std::min(per_line, t - done), what);
  }
}

void Parser::unequal_p_test() {
  place_ = "the test for unequal p's";
  if (peek() == " Test for unequal p'") {
    expect_line(" Test for unequal p'");
    expect_line("  *** Number of sites/occasions must be ");
    expect_line(" *** equal to perform this test");
    return;
  }
  expect_line("");
  expect_line(" Test for unequal p's");
  expect_line(" ====================");
  expect_line(" Observed frequencies, f(i):");
  const std::size_t t = integers_after(" ").size();
  if (integers_after(" ").size() != t) {
    throw ReportError(line_number() - 1, "the two rows of observed frequencies differ in length");
  }
  expect_line("");
  expect_line(" After pooling:");
  expect_line(" Observed frequencies, f(i):");
  pooled_rows(t, "pooled frequencies of Sample 1");
  pooled_rows(t, "pooled frequencies of Sample 2");
  expect_line(" Expected values:");
  pooled_rows(t, "expected values of Sample 1");
  pooled_rows(t, "expected values of Sample 2");
  expect_line("");
  LineCursor c = cursor("the chi-square line");
  c.expect(" Total Chi-square:");
  const std::string chi = c.number(kReal);
  c.expect_end();
  LineCursor d = cursor("the degrees-of-freedom line");
  d.expect(" Degrees of freedom:");
  const std::string df = d.number(kInt);
  d.expect_end();
  LineCursor p = cursor("the probability line");
  p.expect(" Probability       :");
  const std::string prob = p.number(kReal);
  p.expect_end();
  report_.test.add_row({chi, df, prob});
}

void Parser::summary_details() {
  place_ = "the table of bootstrap replicates";
  expect_line("   N1   N2   M2   M1   PHI    IHP     LAM  altLAM   B     P1    P2");
  const long n = std::labs(nreps_);
  for (long i = 1; i <= n; ++i) {
    std::vector<std::string> row = {std::to_string(i)};
    for (std::string& v :
         fixed_line(kReplicateFields, std::size(kReplicateFields), "a replicate line")) {
      row.push_back(std::move(v));
    }
    report_.replicates.add_row(row);
  }
  expect_line("");
  for (const char* statistic : {"average", "standard_error"}) {
    expect_line(std::string(statistic) == "average" ? " averages:" : " standard errors:");
    std::vector<std::string> row = {statistic};
    for (std::string& v : fixed_line(kReplicateFields, kParameterCount,
                                     "the line of " + std::string(statistic) + "s")) {
      row.push_back(std::move(v));
    }
    report_.replicate_summary.add_row(row);
  }
  expect_line("");
}

void Parser::parameter_table() {
  place_ = "the parameter table";
  expect_line(" Parameter estimates");
  expect_line(" ===================");
  expect_line("                data    bootstrap  standard  95% confidencinterval");
  expect_line("  parameter   estimate   average     error         lower       upper");
  expect_line("  " + std::string(66, '-'));
  for (const std::string_view label : kParameterLabels) {
    const std::string what = "the parameter line of " + std::string(label);
    const std::string_view line = take(what);
    std::string_view printed = columns(line, 0, 11);
    while (!printed.empty() && printed.front() == ' ') printed.remove_prefix(1);
    if (line.size() < 11 || printed != label || columns(line, 41, 4) != "    " ||
        columns(line, 55, 3) != " - ") {
      throw ReportError(line_number() - 1, "expected " + what + found(trim_right(line)));
    }
    std::vector<std::string> row = {std::string(label)};
    for (std::string& v : fields(line, kParameterFields, std::size(kParameterFields)))
      row.push_back(std::move(v));
    report_.parameters.add_row(row);
  }
}

void Parser::definitions() {
  place_ = "the definitions";
  expect_line("");
  expect_line(" Definitions:");
  expect_line(" ============");
  for (const std::string_view start : kDefinitionStarts) {
    const std::string what = "the definition of " + std::string(start.substr(0, start.find(' ')));
    const std::string_view line = take(what);
    if (columns(line, 0, start.size()) != start) {
      throw ReportError(line_number() - 1, "expected " + what + found(trim_right(line)));
    }
  }
  expect_line("");
  const std::string_view note = take("the note on the intervals");
  if (trim_right(note) != kClosingNote) {
    throw ReportError(line_number() - 1,
                      "expected the note on the intervals" + found(trim_right(note)));
  }
}

void Parser::summary() {
  if (nreps_ < 0) summary_details();
  parameter_table();
  definitions();
}

Report Parser::parse() {
  if (!lines_.peek()) throw ReportError(1, "it is empty", kIncomplete);
  header();
  const bool tested = block(kSample1);
  if (!lines_.peek()) {  // a single-sample run, if Sample 1 is complete
    if (!tested && to_long(std::string(report_.blocks.cell(0, 1))) > 0) {
      throw ReportError(line_number(), "Sample 1 stops before its M(h) test", kIncomplete);
    }
    // Its last line is a number field: without its line end it may have lost digits.
    if (!lines_.last_taken_ended()) {
      throw ReportError(line_number() - 1, "its last line has no line end", kIncomplete);
    }
  } else if (finished()) {  // kelvaro ends a single-sample run right after Sample 1
    while (lines_.take()) {
    }
    throw ReportError(line_number(), "Sample 2 begins, then the report stops", kIncomplete);
  } else {
    block(kSample2);
    unequal_p_test();
    block(kSubsetA);
    block(kSubsetB);
    summary();
    if (!finished()) {
      while (peek().empty()) take("");
      throw ReportError(line_number(), "unexpected text after the end of the report");
    }
  }
  return report_;
}

}  // namespace

Report parse_report(tools::ByteSource& source) {
  ReportLines lines(source);
  try {
    return Parser(lines).parse();
  } catch (const ReportError& e) {
    // A line that does not fit, at an input that stops inside it: cut, not garbled.
    const bool cut = !lines.last_taken_ended() && e.line() == lines.next_number() - 1;
    if (e.kind() != ReportError::Kind::kUnexpected || !cut) throw;
    throw ReportError(e.line(), "it stops inside this line (" + e.reason() + ")", kIncomplete);
  }
}

Report parse_report(std::string_view text) {
  tools::TextSource source{std::string(text), "report"};
  return parse_report(source);
}

}  // namespace kelvaro::tidy

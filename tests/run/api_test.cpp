// The public interface: structured data and free-form text give the same run, a result renders
// the report the run wrote, and runs on several threads at once give the reports of runs one
// after another.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kelvaro/conversions.h"
#include "kelvaro/kelvaro.h"
#include "support/golden_inputs.h"
#include "support/process.h"

namespace kelvaro {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = KELVARO_SOURCE_DIR;

std::vector<std::string> golden_texts() {
  std::vector<std::string> texts;
  for (const auto& p : testing::golden_inputs()) texts.push_back(testing::slurp(p.string()));
  return texts;
}

// A plain input (numbers, repeat counts r*c and blanks only, one record per line) as structured
// data; nothing for inputs that use the free-form syntax beyond that.
std::optional<std::pair<Survey, Options>> as_survey(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::vector<double>> lines;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::vector<double> v;
    for (std::string w; words >> w;) {
      if (w.find_first_not_of("0123456789-.*") != std::string::npos) return std::nullopt;
      const std::size_t star = w.find('*');
      if (star == 0 || star + 1 >= w.size()) return std::nullopt;  // null values
      const int repeats = star == std::string::npos ? 1 : std::stoi(w.substr(0, star));
      const double value = std::stod(star == std::string::npos ? w : w.substr(star + 1));
      v.insert(v.end(), static_cast<std::size_t>(repeats), value);
    }
    if (!v.empty()) lines.push_back(v);
  }
  if (lines.empty() || lines[0].size() != 5) return std::nullopt;
  const auto& h = lines[0];
  Survey s;
  Options o;
  s.sites1 = static_cast<std::int32_t>(std::abs(h[0]));
  s.sites2 = static_cast<std::int32_t>(h[1]);
  s.frequency_pair = h[2] != 0;
  o.range_adjustment = h[0] > 0;
  o.replicates = static_cast<std::int32_t>(std::abs(h[3]));
  o.replicate_detail = h[3] < 0;
  o.seed = static_cast<std::int32_t>(h[4]);
  const std::size_t per_block = s.frequency_pair ? 3 : 2;
  if (lines.size() != 1 + per_block && lines.size() != 1 + 4 * per_block) return std::nullopt;
  std::vector<BlockData> blocks;
  for (std::size_t b = 0; 1 + (b + 1) * per_block <= lines.size(); ++b) {
    BlockData d;
    const auto& f = lines[1 + b * per_block];
    const auto& n = lines[2 + b * per_block];
    d.f.assign(f.begin(), f.end());
    for (double v : n) d.n.push_back(trunc_to_int(v));  // out of range: refused as negative
    if (s.frequency_pair) {
      const auto& fp = lines[3 + b * per_block];
      d.f_pair.assign(fp.begin(), fp.end());
    }
    blocks.push_back(d);
  }
  s.sample1 = blocks[0];
  if (blocks.size() == 4) {
    s.sample2 = blocks[1];
    s.subset_a = blocks[2];
    s.subset_b = blocks[3];
  }
  return std::make_pair(s, o);
}

TEST(Api, AResultRendersTheReportItsRunWrote) {
  for (const std::string& text : golden_texts()) {
    SCOPED_TRACE(text.substr(0, 40));
    std::ostringstream streamed;
    const RunResult r = run_text(text, Settings{}, &streamed);
    EXPECT_EQ(report_text(r), streamed.str());
  }
}

TEST(Api, StructuredDataGivesTheRunOfItsText) {
  int compared = 0;
  for (const std::string& text : golden_texts()) {
    const auto survey = as_survey(text);
    if (!survey) continue;
    SCOPED_TRACE(text.substr(0, 40));
    std::ostringstream from_text, from_data;
    const RunResult t = run_text(text, Settings{}, &from_text);
    if (t.status != RunStatus::kComplete)
      continue;  // values the text cannot hold (a read error) have no twin
    const RunResult d = run_survey(survey->first, survey->second, Settings{}, &from_data);
    EXPECT_EQ(from_data.str(), from_text.str());
    EXPECT_EQ(d.status, t.status);
    ++compared;
  }
  EXPECT_GE(compared, 10);
}

TEST(Api, KeptReplicatesAndRefusedSurveys) {
  const std::string example = testing::slurp((kSource / "examples" / "two-samples.txt").string());
  Settings keep;
  keep.keep_replicates = true;
  const RunResult r = run_text(example, keep);
  ASSERT_EQ(r.parameters.size(), static_cast<std::size_t>(kParameterCount));
  EXPECT_EQ(r.replicates.size(), 50u);
  EXPECT_EQ(r.parameters[4].name, "PHI");
  EXPECT_TRUE(run_text(example).replicates.empty());

  auto survey = as_survey(example);
  ASSERT_TRUE(survey);
  survey->first.subset_b.f.pop_back();
  std::ostringstream out;
  const RunResult refused = run_survey(survey->first, survey->second, Settings{}, &out);
  EXPECT_EQ(refused.status, RunStatus::kInputRefused);
  EXPECT_EQ(refused.diagnostic, "kelvaro: Subset B: f holds 9 values, but t1 = 10 asks for 10\n");
  EXPECT_EQ(out.str(), "");

  // The sites' limit is the text's, with or without the frequency pair.
  for (const bool pair : {false, true}) {
    Survey wide = survey->first;
    wide.frequency_pair = pair;
    wide.sites2 = 1001;
    const RunResult r = run_survey(wide, survey->second);
    EXPECT_EQ(r.diagnostic, "kelvaro: t2 = 1001 is outside the allowed range 1..1000\n");
  }

  // Structured options carry no signs: a negative count is refused, not read as a flag.
  for (const std::int32_t replicates : {-1, 10001}) {
    SCOPED_TRACE(replicates);
    Options o = survey->second;
    o.replicates = replicates;
    const RunResult r = run_survey(survey->first, o);
    EXPECT_EQ(r.status, RunStatus::kInputRefused);
    EXPECT_EQ(r.diagnostic, "kelvaro: replicates = " + std::to_string(replicates) +
                                " is outside the allowed range 0..10000\n");
  }
}

TEST(Api, Sample1ReadAloneIsWhatTheRunReadsAndRefusesWhatItRefuses) {
  // Every golden input whose Sample 1 a run estimates: read alone, it holds the classes the
  // run's estimate was made from (f, or f' with the frequency pair).
  int compared = 0;
  for (const std::string& text : golden_texts()) {
    const RunResult run = run_text(text);
    if (run.blocks.empty()) continue;
    StringSource input(text);
    const BlockData sample1 = read_sample1(input);
    const std::vector<float>& classes = run.frequency_pair ? sample1.f_pair : sample1.f;
    std::vector<std::int32_t> whole;
    for (const float v : classes) whole.push_back(trunc_to_int(v));
    EXPECT_EQ(whole, run.blocks[0].frequencies) << text.substr(0, 40);
    EXPECT_EQ(sample1.n.size(), static_cast<std::size_t>(run.sites1));
    ++compared;
  }
  EXPECT_GE(compared, 10);

  const struct {
    const char* text;
    std::int64_t line;  // 0: the header's values refused, as a run refuses them
    const char* reason;
  } refused[] = {
      {"1200 4 0 10 400\n3 3\n", 0, "t1 = 1200 is outside the allowed range 1..1000"},
      {"4 4 0 10001 400\n3 3 2 2\n7 7 6 3\n", 0,
       "nreps = 10001 is outside the allowed range -10000..10000"},
      {"4 4 0 10 400\n3 x 2 2\n7 7 6 3\n", 2, "Bad real number in item 2 of list input"},
      {"4 4 0 10 400\n3 3 2 2\n", 2, "End of file"},
      {"4 4 3 10 400\n3 3 2 2\n7 7 6 3\n", 3, "End of file"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.text);
    StringSource input(c.text);
    try {
      read_sample1(input);
      ADD_FAILURE() << "read";
    } catch (const InputRefused& e) {
      EXPECT_EQ(e.line(), c.line);
      EXPECT_EQ(e.reason(), c.reason);
      if (c.line == 0) {
        EXPECT_EQ(run_text(c.text).diagnostic, "kelvaro: " + e.reason() + "\n");
      }
    }
  }
}

// Seed 0 records the clock value it seeded from; handing it back repeats the replicates and the
// report (whose seed line shows the 0 as given), without the warning that the run cannot be
// repeated. A seed number records none, and ignores a clock value given.
TEST(Api, ClockSeedIsRecordedAndRepeatsTheRun) {
  std::string example = testing::slurp((kSource / "examples" / "two-samples.txt").string());
  ASSERT_EQ(example.compare(0, 15, "10 10 0 50 400\n"), 0);
  const std::string clocked = "10 10 0 50 0\n" + example.substr(15);
  Settings keep;
  keep.keep_replicates = true;
  const RunResult first = run_text(clocked, keep);
  ASSERT_EQ(first.status, RunStatus::kComplete);
  ASSERT_TRUE(first.clock_seed);
  EXPECT_GE(*first.clock_seed, 0);
  EXPECT_EQ(first.options.seed, 0);
  EXPECT_EQ(first.warnings.front().kind, WarningKind::kClockSeed);

  Settings repeat = keep;
  repeat.clock_seed = first.clock_seed;
  const RunResult again = run_text(clocked, repeat);
  EXPECT_EQ(again.clock_seed, first.clock_seed);
  EXPECT_EQ(report_text(again), report_text(first));
  EXPECT_NE(report_text(first).find(" seed=           0"), std::string::npos);
  ASSERT_EQ(again.replicates.size(), first.replicates.size());
  for (std::size_t i = 0; i < first.replicates.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(again.replicates[i].values, first.replicates[i].values);
  }
  for (const Warning& w : again.warnings) EXPECT_NE(w.kind, WarningKind::kClockSeed);

  // Another clock value draws other replicates; a seed number records no clock value.
  repeat.clock_seed = *first.clock_seed ^ 1;
  EXPECT_NE(run_text(clocked, repeat).parameters[4].bootstrap_average,
            first.parameters[4].bootstrap_average);
  const RunResult numbered = run_text(example, repeat);
  EXPECT_FALSE(numbered.clock_seed);
  EXPECT_EQ(report_text(numbered), report_text(run_text(example)));
}

TEST(Api, RunsOnSeveralThreadsAtOnceGiveTheirSequentialReports) {
  std::vector<std::string> texts = golden_texts();
  for (const auto& p : testing::source_files("bench/inputs", ".txt")) {
    if (p.filename() != "heavy.txt") texts.push_back(testing::slurp(p.string()));
  }
  std::vector<std::string> expected;
  for (const std::string& t : texts) expected.push_back(report_text(run_text(t)));

  constexpr int kThreads = 4;
  constexpr int kRounds = 3;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int k = 0; k < kThreads; ++k) {
    threads.emplace_back([&, k] {
      for (int round = 0; round < kRounds; ++round) {
        // Each thread takes the inputs in its own order, so different runs overlap.
        for (std::size_t i = 0; i < texts.size(); ++i) {
          const std::size_t j = (i * (k + 1) + round) % texts.size();
          std::ostringstream out;
          run_text(texts[j], Settings{}, &out);
          if (out.str() != expected[j]) ++mismatches[static_cast<std::size_t>(k)];
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int k = 0; k < kThreads; ++k) EXPECT_EQ(mismatches[static_cast<std::size_t>(k)], 0) << k;
}

}  // namespace
}  // namespace kelvaro

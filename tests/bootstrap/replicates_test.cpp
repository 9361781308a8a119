#include "bootstrap/replicates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "bootstrap/class_index.h"
#include "bootstrap/isa.h"
#include "jackknife/estimator.h"
#include "random/uniform_generator.h"
#include "report/report_writer.h"
#include "support/report_records.h"

namespace kelvaro {
namespace {

// Block data x(1..t) followed by zeros up to the seven slots the detail rows read.
std::vector<float> block_data(std::vector<float> x) {
  x.resize(std::max<std::size_t>(x.size(), 7), 0.0f);
  return x;
}

BootstrapResult run_plan(const BootstrapPlan& plan, const std::vector<float>& x,
                         UniformGenerator& generator) {
  JackknifeEstimator estimator;
  return bootstrap_block(plan, block_data(x), generator, estimator, nullptr);
}

std::vector<float> cumulative(const std::vector<float>& x, float e) {
  std::vector<float> c;
  float sum = 0.0f;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sum = i == 0 ? x[0] / e : sum + x[i] / e;
    c.push_back(sum);
  }
  return c;
}

TEST(BootstrapBlock, ReplicateFollowsTheDrawsInOrder) {
  // Block 1, estimate 20: each of the 20 species takes one draw; the species detected are N less
  // the not-detected class. Replay the same draws by hand from a copy of the stream.
  UniformGenerator generator;
  generator.stream() = KissWords{0x00900090u, 0x00900090u, 0x00900090u, 0x00900090u};
  KissWords replay = generator.stream();
  const auto c = cumulative({5, 3, 2}, 20.0f);
  const BootstrapResult r = run_plan(
      {.block = kSample1, .t = 3, .estimate = 20.0f, .replicates = 1}, {5, 3, 2}, generator);

  std::vector<float> counts(5, 0.0f);
  for (int s = 0; s < 20; ++s) {
    counts[static_cast<std::size_t>(draw_class(c.data(), 3, replay.next_uniform()))] += 1.0f;
  }
  ASSERT_EQ(r.detected.size(), 1u);
  EXPECT_EQ(r.detected[0], 20 - static_cast<std::int32_t>(counts[4]));
  EXPECT_EQ(r.last_counts[0], counts[1]);
  EXPECT_EQ(r.last_counts[1], counts[2]);
  EXPECT_EQ(r.last_counts[2], counts[3]);
  EXPECT_EQ(r.last_counts[3], 0.0f);  // the not-detected class is cleared before the estimate
  EXPECT_EQ(generator.stream(), replay);
  ASSERT_EQ(r.estimates.size(), 1u);
  EXPECT_EQ(r.estimates[0], JackknifeEstimator().estimate(r.last_counts.data(), 3).estimate);
}

TEST(BootstrapBlock, ReplicateCountsFollowThePlainRuleForAnyNumberOfClasses) {
  // Short tables are scanned, longer ones looked up; either way each species' class is the plain
  // rule's. Falling tables (negative frequencies) and one class above 1 included, and the most
  // classes a run estimates from (1000 sites with the frequency pair).
  std::vector<float> many(1001, 0.0f);
  for (std::size_t i = 0; i < many.size(); i += 3) many[i] = static_cast<float>(1 + i % 5);
  std::vector<float> many_falling = many;
  for (std::size_t i = 1; i < many.size(); i += 50) many_falling[i] = -2.0f;
  struct {
    const char* what;
    std::vector<float> x;
    float estimate;
    int replicates = 2;
  } cases[] = {
      {"1001 classes", many, 1600.0f},
      {"1001 classes, falling table", many_falling, 1500.0f},
      {"three classes", {5, 3, 2}, 20.0f},
      {"five classes", {6, 0, 0, 2, 1}, 15.0f},
      {"many classes, equal entries", {9, 4, 0, 0, 3, 0, 2, 0, 0, 1, 1, 0, 0, 0, 1, 2}, 40.0f},
      {"falling table", {6, -2, 3, 1, -1, 2, 4, 0}, 25.0f},
      {"estimate below the count", {10, 6, 3, 2, 1, 1, 2}, 20.0f},
      // About 17 million species in class 1: a float counter stops at 2^24, and so must the count.
      {"a class beyond 2^24 species", {17000000}, 18000000.0f, 1},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    UniformGenerator generator;
    KissWords replay = generator.stream();
    const auto t = static_cast<std::int32_t>(k.x.size());
    const auto c = cumulative(k.x, k.estimate);
    const BootstrapResult r =
        run_plan({.block = kSample1, .t = t, .estimate = k.estimate, .replicates = k.replicates},
                 k.x, generator);
    std::vector<float> counts(static_cast<std::size_t>(t) + 2, 0.0f);
    for (int rep = 0; rep < k.replicates; ++rep) {
      std::fill(counts.begin(), counts.end(), 0.0f);
      for (int s = 0; s < static_cast<int>(k.estimate); ++s) {
        counts[static_cast<std::size_t>(draw_class(c.data(), t, replay.next_uniform()))] += 1.0f;
      }
    }
    // The second replicate's counts are the last; the not-detected class shows in detected.
    for (std::size_t i = 1; i < counts.size() - 1; ++i) {
      EXPECT_EQ(r.last_counts[i - 1], counts[i]) << i;
    }
    ASSERT_EQ(r.detected.size(), static_cast<std::size_t>(k.replicates));
    // N - x(t+1) in single precision (above 2^24 it rounds to an even number).
    EXPECT_EQ(r.detected.back(), static_cast<std::int32_t>(k.estimate - counts.back()));
  }
}

TEST(BootstrapBlock, NoReplicatesDrawNothing) {
  UniformGenerator generator;
  const auto before = generator.words();
  const BootstrapResult r = run_plan(
      {.block = kSample1, .t = 3, .estimate = 14.0f, .replicates = 0}, {5, 3, 2}, generator);
  EXPECT_EQ(generator.words(), before);
  EXPECT_TRUE(r.estimates.empty());
}

TEST(BootstrapBlock, DetailRecordsOfTheReport) {
  UniformGenerator generator;
  const BootstrapResult boot =
      run_plan({.block = kSample2, .t = 3, .estimate = 14.0f, .replicates = 3, .detail = true},
               {5, 3, 2}, generator);
  RunResult run;
  run.options.replicates = 3;
  run.options.replicate_detail = true;
  BlockResult block;
  block.block = kSample2;
  block.bootstrapped = true;
  block.replicate_detail = boot.detail;
  block.mean_frequencies = boot.mean_frequencies;
  std::ostringstream out;
  ReportWriter(&out).block_section(run, block);
  // After the block's observed count, frequencies and estimate (5 records); one blank after.
  const std::vector<std::string> all = testing::records(out.str());
  ASSERT_EQ(all.size(), 12u);
  const std::vector<std::string> lines(all.begin() + 5, all.end() - 1);
  EXPECT_EQ(lines[0], "   ");  // the text item of two blanks after the record's own blank
  for (int i = 1; i <= 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(lines[static_cast<std::size_t>(i)].size(), 1u + 8 * 6 + 12);
    // Slots 4 and 5 (t + 1, t + 2) are cleared, 6 and 7 hold the data's zeros: all print 0.
    EXPECT_EQ(lines[static_cast<std::size_t>(i)].substr(19, 24), "     0     0     0     0");
  }
  EXPECT_EQ(lines[4], "  ");
  EXPECT_EQ(lines[5].size(), 6u * 9);
  EXPECT_EQ(lines[5].substr(27), "     0.00     0.00     0.00");
  // The last replicate's values are what the detail line shows.
  EXPECT_EQ(boot.last_counts[0] + boot.last_counts[1] + boot.last_counts[2],
            static_cast<float>(std::stoi(lines[3].substr(43, 6))));
}

TEST(BootstrapBlock, SubsetCommunityIsBoundedByTheParentCount) {
  // Estimate 30 over a parent of 20 observed species: q > 1, so N = 20 without a binomial draw.
  UniformGenerator generator;
  KissWords replay = generator.stream();
  const BootstrapResult r = run_plan(
      {.block = kSubsetA, .t = 3, .estimate = 30.0f, .replicates = 1, .parent_observed = 20},
      {6, 4, 2}, generator);
  for (int s = 0; s < 20; ++s) replay.next();
  EXPECT_EQ(generator.stream(), replay);
  EXPECT_TRUE(r.detected.empty());  // subsets count no species detected
}

TEST(BootstrapBlock, ThreadsGiveTheOneThreadResult) {
  // Threads forced on however little work a block holds, with the default chunks (smaller towards
  // the end of the block) and with small fixed ones: every replicate, detail row, mean, the last
  // counts and where the stream is left must be the one thread's. Samples and subsets, counts of
  // replicates that are and are not whole rounds of the lanes, communities on and off the lanes.
  struct Case {
    BlockNumber block;
    float estimate;
    std::int32_t replicates;
    std::int32_t parent;
  };
  const Case cases[] = {{kSample1, 700.0f, 1000, 0},   {kSample2, 90.0f, 37, 0},
                        {kSubsetA, 600.0f, 1000, 650}, {kSubsetB, 60.0f, 333, 80},
                        {kSample1, 2500.0f, 2, 0},     {kSubsetA, 900.0f, 17, 1000}};
  std::vector<float> x;
  for (int i = 1; i <= 30; ++i) x.push_back(static_cast<float>(60 / i));
  // 600 classes: the wide lanes' layout.
  std::vector<float> wide;
  for (int i = 1; i <= 600; ++i) wide.push_back(static_cast<float>(i % 7 == 0 ? 1 : 0));
  for (const Case& c : cases) {
    for (const int threads : {2, 3}) {
      for (const std::int32_t chunk : {0, 3}) {
        const bool on_wide = chunk == 3 && threads == 2;
        const std::vector<float>& data = on_wide ? wide : x;
        SCOPED_TRACE(::testing::Message()
                     << "block " << c.block << ", " << c.replicates << " replicates, " << threads
                     << " threads, chunk " << chunk << ", " << data.size() << " classes");
        BootstrapPlan plan{.block = c.block,
                           .t = static_cast<std::int32_t>(data.size()),
                           .estimate = c.estimate,
                           .replicates = c.replicates,
                           .parent_observed = c.parent,
                           .detail = true};
        UniformGenerator alone;
        const BootstrapResult one = run_plan(plan, data, alone);
        plan.threads = threads;
        plan.chunk = chunk;
        plan.threaded_draws = 0.0;
        UniformGenerator shared;
        const BootstrapResult many = run_plan(plan, data, shared);
        EXPECT_EQ(many.threads_used, threads);
        EXPECT_EQ(many.estimates, one.estimates);
        EXPECT_EQ(many.detected, one.detected);
        ASSERT_EQ(many.detail.size(), one.detail.size());
        for (std::size_t i = 0; i < one.detail.size(); ++i) {
          EXPECT_EQ(many.detail[i].counts, one.detail[i].counts) << "replicate " << i + 1;
          EXPECT_EQ(many.detail[i].estimate, one.detail[i].estimate) << "replicate " << i + 1;
        }
        EXPECT_EQ(many.mean_frequencies, one.mean_frequencies);
        EXPECT_EQ(many.last_counts, one.last_counts);
        EXPECT_EQ(shared.stream(), alone.stream());
        EXPECT_EQ(shared.draws(), alone.draws());
      }
    }
  }
}

TEST(BootstrapBlock, EveryPathGivesThePlainPathsResult) {
  // One thread, each vector path this processor has against the plain one (KELVARO_ISA): the lanes
  // draw batches of replicates (fewer to a batch for many classes) and estimate them four at a
  // time, the plain path one by one. Replicates over several batches, on the narrow and the wide
  // layout, a sample and a subset on the lanes.
  struct Case {
    BlockNumber block;
    float estimate;
    std::int32_t replicates;
    std::int32_t parent;
    std::int32_t classes;
  };
  const Case cases[] = {{kSample1, 700.0f, 1100, 0, 30},
                        {kSubsetA, 600.0f, 1030, 650, 30},
                        {kSample2, 650.0f, 1000, 0, 600},
                        {kSubsetB, 620.0f, 900, 640, 600}};
  for (const Case& c : cases) {
    std::vector<float> x;
    for (int i = 1; i <= c.classes; ++i) {
      x.push_back(static_cast<float>(c.classes == 30 ? 90 / i : (i % 7 == 0 ? 1 : 0)));
    }
    const BootstrapPlan plan{.block = c.block,
                             .t = c.classes,
                             .estimate = c.estimate,
                             .replicates = c.replicates,
                             .parent_observed = c.parent};
    setenv("KELVARO_ISA", "scalar", 1);
    UniformGenerator plain_generator;
    const BootstrapResult plain = run_plan(plan, x, plain_generator);
    for (const char* isa : {"avx2", "avx512", "neon"}) {
      std::string warning;
      if (std::string(isa_name(choose_isa(isa, warning))) != isa) continue;  // not here
      SCOPED_TRACE(::testing::Message()
                   << isa << ", block " << c.block << ", " << c.classes << " classes");
      setenv("KELVARO_ISA", isa, 1);
      UniformGenerator generator;
      const BootstrapResult lanes = run_plan(plan, x, generator);
      EXPECT_EQ(lanes.estimates, plain.estimates);
      EXPECT_EQ(lanes.detected, plain.detected);
      EXPECT_EQ(lanes.mean_frequencies, plain.mean_frequencies);
      EXPECT_EQ(lanes.last_counts, plain.last_counts);
      EXPECT_EQ(generator.stream(), plain_generator.stream());
    }
  }
  unsetenv("KELVARO_ISA");
}

}  // namespace
}  // namespace kelvaro

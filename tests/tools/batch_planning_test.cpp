// kelvaro-batch's pieces: the order of labels, the pairs of a group, shards, file names, and a
// table read group by group while its groups are analysed.

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "batch/batch_output.h"
#include "batch/detection_table.h"
#include "batch/label_order.h"
#include "batch/pairing.h"
#include "batch/progress_meter.h"
#include "csv/input_error.h"

namespace kelvaro::batch {
namespace {

TEST(LabelOrder, ByValueWhenEveryLabelIsANumberElseByBytes) {
  const struct {
    std::vector<std::string> labels;  // in order of first appearance
    std::vector<std::string> sorted;
  } cases[] = {
      // The examples of the header comment.
      {{"10", "9", "2019.5"}, {"9", "10", "2019.5"}},
      {{"10", "9", "B"}, {"10", "9", "B"}},
      {{"1.0", "1", "01"}, {"01", "1", "1.0"}},
      {{"2021", "-3", "1e3"}, {"-3", "1e3", "2021"}},
      {{"10", " 9"}, {" 9", "10"}},  // " 9" is no number: bytes, and ' ' comes before '1'
      {{"10", "+9"}, {"+9", "10"}},  // nor "+9"
      {{"10", "inf"}, {"10", "inf"}},
      {{"b", "\xC3\xA9", "a"}, {"a", "b", "\xC3\xA9"}},  // bytes above 127 after ASCII
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.labels[0] + " " + c.labels[1]);
    tools::LabelPool pool;
    for (const std::string& l : c.labels) pool.intern(l);
    const std::vector<std::uint32_t> ranks = label_ranks(pool);
    std::vector<std::string> sorted(c.labels.size());
    for (std::uint32_t id = 0; id < ranks.size(); ++id) sorted[ranks[id]] = c.labels[id];
    EXPECT_EQ(sorted, c.sorted);
  }
}

TEST(Pairing, RulesWithinAGroup) {
  const std::vector<std::uint32_t> four = {7, 8, 9, 10};  // sample ids in label order
  using P = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
  const struct {
    PairRule rule;
    std::vector<std::uint32_t> samples;
    P expected;
  } cases[] = {
      {PairRule::kConsecutive, four, {{7, 8}, {8, 9}, {9, 10}}},
      {PairRule::kAll, four, {{7, 8}, {7, 9}, {7, 10}, {8, 9}, {8, 10}, {9, 10}}},
      {PairRule::kFirst, four, {{7, 8}, {7, 9}, {7, 10}}},
      {PairRule::kAll, {7}, {}},
      {PairRule::kConsecutive, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.rule));
    P got;
    for (const SamplePair& p : pairs_of_group(3, c.samples, c.rule)) {
      EXPECT_EQ(p.group, 3u);
      got.emplace_back(p.sample1, p.sample2);
    }
    EXPECT_EQ(got, c.expected);
  }
}

TEST(Pairing, ShardsAreContiguousNearEqualSlicesOfTheGroups) {
  EXPECT_EQ(shard_slice(10, {0, 4}), std::make_pair(0u, 2u));  // the header's example
  EXPECT_EQ(shard_slice(10, {1, 4}), std::make_pair(2u, 5u));
  EXPECT_EQ(shard_slice(10, {3, 4}), std::make_pair(7u, 10u));
  for (const std::uint32_t groups : {0u, 1u, 3u, 10u, 2001u}) {
    for (const std::uint32_t count : {1u, 2u, 3u, 7u, 50u}) {
      SCOPED_TRACE(std::to_string(groups) + " groups in " + std::to_string(count));
      std::uint32_t next = 0, smallest = groups, largest = 0;
      for (std::uint32_t k = 0; k < count; ++k) {
        const auto [first, last] = shard_slice(groups, {k, count});
        EXPECT_EQ(first, next);
        next = last;
        smallest = std::min(smallest, last - first);
        largest = std::max(largest, last - first);
      }
      EXPECT_EQ(next, groups);
      EXPECT_LE(largest - smallest, 1u);
    }
  }
  const struct {
    const char* text;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> shard;
  } texts[] = {{"0/4", {{0, 4}}}, {"3/4", {{3, 4}}}, {"4/4", {}},  {"0/0", {}},
               {"1", {}},         {"-1/4", {}},      {"1/4x", {}}, {" 1/4", {}}};
  for (const auto& t : texts) {
    SCOPED_TRACE(t.text);
    const std::optional<Shard> got = parse_shard(t.text);
    ASSERT_EQ(got.has_value(), t.shard.has_value());
    if (got) {
      EXPECT_EQ(std::make_pair(got->index, got->count), *t.shard);
    }
  }
}

TEST(Pairing, PairsFileRowsAndRefusals) {
  SurveyLabels labels;
  labels.groups.intern("R1");  // known before: the file's labels join the same ids
  tools::TextSource good("Sample2;note;GROUP;sample1\nb;x;R2;a\n\n;;;\na;;R1;c\n", "p.csv", 5);
  const std::vector<SamplePair> pairs = read_pairs_file(good, std::nullopt, labels);
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(labels.groups.label(pairs[0].group), "R2");
  EXPECT_EQ(labels.samples.label(pairs[0].sample1), "a");
  EXPECT_EQ(labels.samples.label(pairs[0].sample2), "b");
  EXPECT_EQ(pairs[1].group, 0u);
  EXPECT_EQ(labels.samples.label(pairs[1].sample1), "c");
  EXPECT_EQ(pairs[1].sample2, pairs[0].sample1);

  const struct {
    const char* name;
    const char* text;
    long line, column;
    const char* reason;
  } refused[] = {
      {"no sample2 column", "group,sample1\nR,a\n", 1, 1, "no column \"sample2\""},
      {"short row", "group,sample1,sample2\nR,a\n", 2, 3, "the row has 2 fields"},
      {"empty group", "group,sample1,sample2\nR,a,b\n,a,b\n", 3, 1, "empty group"},
      {"paired with itself", "sample2,group,sample1\nx,R,x\n", 2, 1, "paired with itself"},
      {"empty file", "", 1, 1, "the pairs file is empty"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.name);
    tools::TextSource source(r.text, "p.csv");
    try {
      read_pairs_file(source, std::nullopt, labels);
      ADD_FAILURE() << "accepted";
    } catch (const csv::InputError& e) {
      EXPECT_EQ(e.line(), r.line);
      EXPECT_EQ(e.column(), r.column);
      EXPECT_NE(e.reason().find(r.reason), std::string::npos) << e.reason();
    }
  }
  // Sorted by labels, not ids, and a pair listed twice kept once.
  std::vector<SamplePair> twice = {pairs[0], pairs[1], pairs[0]};
  sort_pairs(twice, ranks_of(labels));
  EXPECT_EQ(twice, (std::vector<SamplePair>{pairs[1], pairs[0]}));
}

TEST(BatchOutput, LabelsBecomeDistinctSafeFileNames) {
  const struct {
    std::string label, name;
  } cases[] = {
      // The examples of the header comment.
      {"Route 7/a", "Route%207%2Fa"},
      {"2019-1", "2019%2D1"},
      {"..", "%2E."},
      {"R_12.b", "R_12.b"},
      {"\xC3\xA9t\xC3\xA9", "%C3%A9t%C3%A9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(file_name_part(c.label), c.name);
  }
  // Long labels are cut with a hash of the whole: still distinct, and short enough.
  const std::string a(300, 'a'), b = a + "b";
  EXPECT_EQ(file_name_part(a).size(), kMaxNamePart);
  EXPECT_NE(file_name_part(a), file_name_part(b));
  EXPECT_EQ(file_name_part(a).substr(0, 103), file_name_part(b).substr(0, 103));
}

TEST(ProgressMeter, LinesSayPairsRateAndTimeLeft) {
  EXPECT_EQ(progress_text(3200, 8000, 8.0, false),
            "kelvaro-batch: 3200 of 8000 pairs, 400 pairs/s, about 12 s left");
  EXPECT_EQ(progress_text(2000, 8000, 4.0, true),
            "kelvaro-batch: [#####...............] 2000/8000 pairs, 500 pairs/s, about 12 s left");
  EXPECT_EQ(progress_text(0, 10, 0.0, false), "kelvaro-batch: 0 of 10 pairs");
  // No rate from less than a second of work.
  EXPECT_EQ(progress_text(5, 10, 0.999, false), "kelvaro-batch: 5 of 10 pairs");
  EXPECT_EQ(progress_text(5, 10, 1.0, false),
            "kelvaro-batch: 5 of 10 pairs, 5.0 pairs/s, about 1.0 s left");
  EXPECT_EQ(rough_duration(0.44), "0.4 s");
  EXPECT_EQ(rough_duration(240.0), "4 min");
  EXPECT_EQ(rough_duration(9000.0), "2.5 h");
}

// The samples of a table as comparable values.
std::vector<std::tuple<std::uint32_t, std::uint32_t, std::vector<std::uint32_t>,
                       std::vector<std::uint32_t>, std::vector<std::uint8_t>, long>>
contents(const DetectionTable& table, const SurveyLabels& labels) {
  std::vector<std::tuple<std::uint32_t, std::uint32_t, std::vector<std::uint32_t>,
                         std::vector<std::uint32_t>, std::vector<std::uint8_t>, long>>
      out;
  for (std::uint32_t g = 0; g < labels.groups.size(); ++g) {
    for (const GroupSample* s : table.samples_of(g)) {
      out.emplace_back(s->group, s->sample, s->sites, s->species, s->site_indices,
                       s->beyond_limit ? s->beyond_limit->line : 0);
    }
  }
  return out;
}

TEST(DetectionTable, GroupsHandedOutEarlyEndAsIfReadInOneGo) {
  // A, B and C are handed out as the records leave them (lines 4, 6, 7); A comes back on line 7
  // (reopened: its samples change after it was handed out), and from then on nothing more is
  // handed out or offered (D, left on line 107), whether A was handed out or not; B comes back
  // too, and its records from then on are grouped in a batch. Sample 2 of A reaches a 99th site on
  // line 105: its line and name are kept, its detections dropped.
  std::string text = "group,sample,site,species,count\n";
  text += "A,1,s1,x,1\nA,1,s2,y,1\nB,1,s1,x,1\nB,2,s1,y,1\nC,1,s1,z,1\n";  // lines 2-6
  for (int site = 1; site <= 99; ++site) {
    text += "A,2,t" + std::to_string(site) + ",x,1\n";  // lines 7-105
  }
  text += "D,1,s1,x,1\nB,2,s2,x,1\nB,2,s3,,0\nB,3,s1,x,1\n";  // lines 106-109
  struct Read {
    std::unique_ptr<SurveyLabels> labels = std::make_unique<SurveyLabels>();
    std::unique_ptr<DetectionTable> table;
    std::vector<std::string> closed;
  };
  const auto read = [&](bool hand_out) {
    Read r;
    tools::TextSource source(text, "t.csv", 7);  // chunks of 7 bytes: rows across chunks
    csv::LongTableOptions options;
    options.columns.group = "group";
    r.table = std::make_unique<DetectionTable>(source, options, *r.labels);
    EXPECT_TRUE(r.table->read(
        [&](std::uint32_t g) {
          r.closed.emplace_back(r.labels->groups.label(g));
          return hand_out;
        },
        {}));
    r.table->merge_set_aside();
    return r;
  };
  const Read early = read(true), plain = read(false);
  EXPECT_EQ(contents(*early.table, *early.labels), contents(*plain.table, *plain.labels));
  EXPECT_EQ(early.closed, (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(plain.closed, (std::vector<std::string>{"A", "B", "C"}));
  const auto group = [&](const char* label) { return *early.labels->groups.find(label); };
  const struct {
    const char* group;
    bool reopened;
  } groups[] = {{"A", true}, {"B", true}, {"C", false}, {"D", false}};
  for (const auto& g : groups) {
    SCOPED_TRACE(g.group);
    EXPECT_EQ(early.table->reopened(group(g.group)), g.reopened);
    EXPECT_FALSE(plain.table->reopened(*plain.labels->groups.find(g.group)));
  }
  const GroupSample* beyond = early.table->find(group("A"), *early.labels->samples.find("2"));
  ASSERT_TRUE(beyond->beyond_limit);
  EXPECT_EQ(beyond->beyond_limit->line, 105);
  EXPECT_EQ(beyond->beyond_limit->site, "t99");
  EXPECT_FALSE(beyond->has_detection());
  const GroupSample* b2 = early.table->find(group("B"), *early.labels->samples.find("2"));
  EXPECT_EQ(b2->sites.size(), 3u) << "s1, s2, and s3 visited with nothing found";
  EXPECT_EQ(b2->species.size(), 2u);
  EXPECT_EQ(early.table->records(), 108u);
}

}  // namespace
}  // namespace kelvaro::batch

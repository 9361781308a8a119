// Which pairs of a survey are analysed, and in what order: the order of labels, the pairs of a
// group, shards, pairs files.

#include "surveys/pairing.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <tuple>

#include "kelvaro/byte_source.h"
#include "kelvaro/field_tables.h"
#include "surveys/detection_table.h"
#include "surveys/label_order.h"

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

TEST(Pairing, SamplesInNaturalOrderOrTheFilesAndGroupsAsBefore) {
  // Weeks out of order in the file; groups "r10" and "r9" keep their order by bytes.
  const std::string text =
      "group,sample,site,species\n"
      "r9,week 12,s1,a\nr9,week 8,s1,a\nr10,week 10,s1,b\nr9,week 10,s1,b\nr10,week 8,s1,a\n";
  using P = std::vector<std::tuple<std::string, std::string, std::string>>;
  const struct {
    tools::SampleOrder order;
    P expected;
  } cases[] = {
      {tools::SampleOrder::kNatural,
       {{"r10", "week 8", "week 10"}, {"r9", "week 8", "week 10"}, {"r9", "week 10", "week 12"}}},
      {tools::SampleOrder::kFile,
       // The order of first appearance in the whole table: week 12, week 8, week 10.
       {{"r10", "week 8", "week 10"}, {"r9", "week 12", "week 8"}, {"r9", "week 8", "week 10"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(tools::sample_order_name(c.order));
    SurveyLabels labels;
    tools::TextSource source(text, "t.csv");
    csv::LongTableOptions options;
    options.columns.group = "group";
    DetectionTable table(source, options, labels);
    ASSERT_TRUE(table.read({}));
    PairSequence sequence(table, labels, PairRule::kConsecutive, std::nullopt, c.order);
    P got;
    for (SamplePair p; sequence.next(p);) {
      got.emplace_back(labels.groups.label(p.group), labels.samples.label(p.sample1),
                       labels.samples.label(p.sample2));
    }
    EXPECT_EQ(got, c.expected);
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

TEST(Pairing, SequenceMakesThePairsOneByOneInTheirFinalOrder) {
  // Groups and samples out of order, a group of one sample, one of five: the sequence gives,
  // one pair at a time, what the rule's pairs sorted (and a shard's slice) are.
  const std::string text =
      "group,sample,site,species,count\n"
      "g2,2019,s1,a,1\ng10,2021,s1,a,1\ng2,2017,s1,b,1\ng1,2020,s1,a,1\ng10,2019,s1,a,1\n"
      "g10,2020,s1,b,1\ng10,2018,s1,c,1\ng10,2022,s1,a,1\ng2,2018,s1,a,1\n";
  SurveyLabels labels;
  tools::TextSource source(text, "t.csv", 64);
  csv::LongTableOptions options;
  options.columns.group = "group";
  DetectionTable table(source, options, labels);
  ASSERT_TRUE(table.read({}));
  const LabelRanks ranks = ranks_of(labels);
  for (const PairRule rule : {PairRule::kConsecutive, PairRule::kAll, PairRule::kFirst}) {
    for (const std::optional<Shard> shard :
         {std::optional<Shard>(), std::optional<Shard>({0, 2}), std::optional<Shard>({1, 2})}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(rule)) + (shard ? " shard" : ""));
      std::vector<SamplePair> expected = pairs_by_rule(table, labels, rule, ranks);
      sort_pairs(expected, ranks);
      if (shard) expected = pairs_of_shard(expected, ranks, *shard);
      for (PairSequence sequence :
           {PairSequence(table, labels, rule, shard),
            PairSequence(pairs_by_rule(table, labels, rule, ranks), labels, shard)}) {
        EXPECT_EQ(sequence.count(), expected.size());
        std::vector<SamplePair> got;
        for (SamplePair p; sequence.next(p);) got.push_back(p);
        EXPECT_EQ(got, expected);
      }
    }
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

}  // namespace
}  // namespace kelvaro::batch

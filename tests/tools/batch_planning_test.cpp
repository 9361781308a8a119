// kelvaro-batch's pieces: the order of labels, the pairs of a group, shards, file names, and a
// table read group by group while its groups are analysed.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <tuple>

#include "batch/batch_output.h"
#include "batch/detection_table.h"
#include "batch/label_order.h"
#include "batch/pairing.h"
#include "batch/progress_meter.h"
#include "kelvaro/byte_source.h"
#include "kelvaro/field_tables.h"

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

TEST(DetectionTable, SamplesInAnyRecordOrderAndTheSiteLimit) {
  // Groups come back after others (A on line 7, B on line 107). Sample 2 of A reaches a 99th
  // site on line 105: its line and name are kept, its detections dropped.
  std::string text = "group,sample,site,species,count\n";
  text += "A,1,s1,x,1\nA,1,s2,y,1\nB,1,s1,x,1\nB,2,s1,y,1\nC,1,s1,z,1\n";  // lines 2-6
  for (int site = 1; site <= 99; ++site) {
    text += "A,2,t" + std::to_string(site) + ",x,1\n";  // lines 7-105
  }
  text += "D,1,s1,x,1\nB,2,s2,x,1\nB,2,s3,,0\nB,3,s1,x,1\n";  // lines 106-109
  SurveyLabels labels;
  tools::TextSource source(text, "t.csv", 7);  // chunks of 7 bytes: rows across chunks
  csv::LongTableOptions options;
  options.columns.group = "group";
  DetectionTable table(source, options, labels);
  ASSERT_TRUE(table.read({}));
  const auto group = [&](const char* label) { return *labels.groups.find(label); };
  const GroupSample* beyond = table.find(group("A"), *labels.samples.find("2"));
  ASSERT_TRUE(beyond->beyond_limit);
  EXPECT_EQ(beyond->beyond_limit->line, 105);
  EXPECT_EQ(beyond->beyond_limit->site, "t99");
  EXPECT_FALSE(beyond->has_detection());
  const GroupSample* b2 = table.find(group("B"), *labels.samples.find("2"));
  EXPECT_EQ(b2->sites.size(), 3u) << "s1, s2, and s3 visited with nothing found";
  EXPECT_EQ(b2->species.size(), 2u);
  EXPECT_EQ(table.samples_of(group("B")).size(), 3u);
  EXPECT_EQ(table.records(), 108u);
}

// A source that gives its bytes only in chunks, as a pipe does.
class PipeSource : public tools::ByteSource {
 public:
  explicit PipeSource(std::string text) : text_(std::move(text)) {}
  std::size_t read(char* buffer, std::size_t capacity) override {
    const std::size_t n = std::min({capacity, text_.size() - next_, std::size_t{5}});
    std::copy_n(text_.data() + next_, n, buffer);
    next_ += n;
    return n;
  }
  const std::string& name() const override { return name_; }

 private:
  std::string text_, name_ = "t.csv";
  std::size_t next_ = 0;
};

TEST(DetectionTable, ShuffledRecordsMakeTheSamplesOfOneReadingInFileOrder) {
  // 40 groups of 1 to 24 samples (beyond a short list of them), records in random order, sites
  // and species repeated, visits with nothing found; one sample reaches a 99th site.
  std::mt19937 random(33);
  struct Row {
    int group, sample, site, species;  // species -1: none, a count of 0
  };
  std::vector<Row> rows;
  for (int g = 0; g < 40; ++g) {
    const int samples = 1 + g % 24;
    for (int i = 0; i < 30 * samples; ++i) {
      const int species = static_cast<int>(random() % 60) - 5;
      rows.push_back({g, static_cast<int>(random() % samples), static_cast<int>(random() % 40),
                      std::max(species, -1)});
    }
  }
  for (int site = 0; site < 100; ++site) rows.push_back({7, 0, 100 + site, 1});
  std::shuffle(rows.begin(), rows.end(), random);
  std::string text = "group,sample,site,species,count\n";
  for (const Row& r : rows) {
    text += "g" + std::to_string(r.group) + "," + std::to_string(2000 + r.sample) + ",s" +
            std::to_string(r.site) + "," +
            (r.species < 0 ? ",0" : "sp" + std::to_string(r.species) + ",1") + "\n";
  }
  // What reading the records one by one gives: the reader's ids in order of first appearance,
  // each sample's sites in order of first appearance and its detections.
  struct Expected {
    std::vector<std::uint32_t> sites, species;
    std::vector<std::uint8_t> site_indices;
    std::optional<long> beyond;
  };
  std::map<std::pair<int, int>, Expected> expected;
  std::map<int, std::uint32_t> site_ids, species_ids;
  long line = 1;
  for (const Row& r : rows) {
    ++line;
    const std::uint32_t site = site_ids.try_emplace(r.site, site_ids.size()).first->second;
    Expected& e = expected[{r.group, r.sample}];
    if (r.species >= 0) species_ids.try_emplace(r.species, species_ids.size());
    if (e.beyond) continue;
    auto at = std::find(e.sites.begin(), e.sites.end(), site);
    if (at == e.sites.end()) {
      if (e.sites.size() == 98) {
        e.beyond = line;
        e.species.clear();
        e.site_indices.clear();
        continue;
      }
      at = e.sites.insert(e.sites.end(), site);
    }
    if (r.species < 0) continue;
    e.species.push_back(species_ids[r.species]);
    e.site_indices.push_back(static_cast<std::uint8_t>(at - e.sites.begin()));
  }
  // As one part and one batch; in parts of a few rows, grouped a thousand records at a time; and
  // grouped a hundred at a time, fewer than the samples (sorted by ranges of samples).
  const ReadingSizes sizes[] = {{}, {4096, 1000}, {512, 100}};
  for (const unsigned threads : {0u, 1u, 3u}) {  // 0: a pipe, read as a stream
    for (const ReadingSizes& size : sizes) {
      SCOPED_TRACE(std::to_string(threads) + " threads, parts of " +
                   std::to_string(size.part_bytes) + " bytes, batches of " +
                   std::to_string(size.batch_records));
      SurveyLabels labels;
      tools::TextSource file(text, "t.csv");
      PipeSource pipe(text);
      csv::LongTableOptions options;
      options.columns.group = "group";
      DetectionTable table(threads == 0 ? static_cast<tools::ByteSource&>(pipe) : file, options,
                           labels, std::max(threads, 1u), start_thread, size);
      ASSERT_TRUE(table.read({}));
      EXPECT_EQ(table.records(), rows.size());
      for (const auto& [key, e] : expected) {
        SCOPED_TRACE("g" + std::to_string(key.first) + " " + std::to_string(2000 + key.second));
        const GroupSample* s = table.find(*labels.groups.find("g" + std::to_string(key.first)),
                                          *labels.samples.find(std::to_string(2000 + key.second)));
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->sites, e.sites);
        EXPECT_EQ(s->species, e.species);
        EXPECT_EQ(s->site_indices, e.site_indices);
        EXPECT_EQ(s->beyond_limit ? std::optional<long>(s->beyond_limit->line) : std::nullopt,
                  e.beyond);
      }
    }
  }
}

}  // namespace
}  // namespace kelvaro::batch

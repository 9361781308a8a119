// A survey's long table read into samples: records in any order, the site limit, the same samples
// however the table is read (in parts, on threads, grouped in batches).

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <memory>
#include <random>
#include <tuple>

#include "kelvaro/byte_source.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/surveys.h"

namespace kelvaro::batch {
namespace {

TEST(DetectionTable, SamplesInAnyRecordOrderAndTheSiteLimit) {
  // Groups come back after others (A on line 7, B on line 1009). Sample 2 of A reaches a 1001st
  // site on line 1007: its line and name are kept, its detections dropped.
  std::string text = "group,sample,site,species,count\n";
  text += "A,1,s1,x,1\nA,1,s2,y,1\nB,1,s1,x,1\nB,2,s1,y,1\nC,1,s1,z,1\n";  // lines 2-6
  for (int site = 1; site <= 1001; ++site) {
    text += "A,2,t" + std::to_string(site) + ",x,1\n";  // lines 7-1007
  }
  text += "D,1,s1,x,1\nB,2,s2,x,1\nB,2,s3,,0\nB,3,s1,x,1\n";  // lines 1008-1011
  SurveyLabels labels;
  tools::TextSource source(text, "t.csv", 7);  // chunks of 7 bytes: rows across chunks
  csv::LongTableOptions options;
  options.columns.group = "group";
  DetectionTable table(source, options, labels);
  ASSERT_TRUE(table.read({}));
  const auto group = [&](const char* label) { return *labels.groups.find(label); };
  const GroupSample* beyond = table.find(group("A"), *labels.samples.find("2"));
  ASSERT_TRUE(beyond->beyond_limit);
  EXPECT_EQ(beyond->beyond_limit->line, 1007);
  EXPECT_EQ(beyond->beyond_limit->site, "t1001");
  EXPECT_FALSE(beyond->has_detection());
  const GroupSample* b2 = table.find(group("B"), *labels.samples.find("2"));
  EXPECT_EQ(b2->sites.size(), 3u) << "s1, s2, and s3 visited with nothing found";
  EXPECT_EQ(b2->species.size(), 2u);
  EXPECT_EQ(table.samples_of(group("B")).size(), 3u);
  EXPECT_EQ(table.records(), 1010u);
}

TEST(DetectionTable, ATableWithoutAGroupColumnIsOneGroup) {
  // Read whole and in parts of a few rows on three threads: one group, labelled "".
  const std::string text = "sample,site,species\n2019,s1,a\n2019,s2,b\n2020,s1,a\n2020,s3,c\n";
  for (const std::size_t part : {csv::kPartBytes, std::size_t{16}}) {
    SCOPED_TRACE(part);
    SurveyLabels labels;
    tools::TextSource source(text, "t.csv");
    DetectionTable table(source, {}, labels, 3, start_thread, {part, 2});
    ASSERT_TRUE(table.read({}));
    ASSERT_EQ(labels.groups.size(), 1u);
    EXPECT_EQ(labels.groups.label(0), "");
    const std::vector<const GroupSample*> samples = table.samples_of(0);
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[1]->sites.size(), 2u);
    EXPECT_EQ(samples[1]->species.size(), 2u);
  }
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

struct Row {
  int group, sample, site, species;  // species -1: none, a count of 0
};

// The same records as columns in memory, coded at random (codes need no order).
csv::ColumnTable columns_of(const std::vector<Row>& rows, std::mt19937& random) {
  csv::ColumnTable columns;
  columns.group.emplace();
  columns.count.emplace();
  const auto code = [&](csv::CodedColumn& c, const std::string& label) {
    const auto at = std::find(c.labels.begin(), c.labels.end(), label);
    if (at == c.labels.end()) {
      c.labels.insert(c.labels.begin() + static_cast<long>(random() % (c.labels.size() + 1)),
                      label);
    }
    c.codes.push_back(0);
  };
  std::vector<std::array<std::string, 5>> cells;
  for (const Row& r : rows) {
    cells.push_back({"g" + std::to_string(r.group), std::to_string(2000 + r.sample),
                     "s" + std::to_string(r.site),
                     r.species < 0 ? "" : "sp" + std::to_string(r.species),
                     r.species < 0 ? "0" : "1"});
  }
  csv::CodedColumn* const roles[] = {&*columns.group, &columns.sample, &columns.site,
                                     &columns.species, &*columns.count};
  for (int k = 0; k < 5; ++k) {
    for (const auto& row : cells) code(*roles[k], row[k]);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const auto& labels = roles[k]->labels;
      roles[k]->codes[i] = static_cast<std::uint32_t>(
          std::find(labels.begin(), labels.end(), cells[i][k]) - labels.begin());
    }
  }
  return columns;
}

// What reading the records one by one gives: the reader's ids in order of first appearance,
// each sample's sites in order of first appearance and its detections.
struct Expected {
  std::vector<std::uint32_t> sites, species;
  std::vector<std::uint16_t> site_indices;
  std::optional<long> beyond;
};

std::map<std::pair<int, int>, Expected> read_one_by_one(const std::vector<Row>& rows) {
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
      if (e.sites.size() == static_cast<std::size_t>(prep::kMaxSites)) {
        e.beyond = line;
        e.species.clear();
        e.site_indices.clear();
        continue;
      }
      at = e.sites.insert(e.sites.end(), site);
    }
    if (r.species < 0) continue;
    e.species.push_back(species_ids[r.species]);
    e.site_indices.push_back(static_cast<std::uint16_t>(at - e.sites.begin()));
  }
  return expected;
}

TEST(DetectionTable, ShuffledRecordsMakeTheSamplesOfOneReadingInFileOrder) {
  // 40 groups of 1 to 24 samples (beyond a short list of them) of up to 40 sites, and one
  // sample of 700 sites (beyond kSearchedSites: found by the marks) and one that reaches a
  // 1001st site; sites and species repeated, visits with nothing found. The records in random
  // order (read in batches), and the same grouped by group, in random order within each
  // (read as they come).
  std::mt19937 random(33);
  std::vector<Row> rows;
  for (int g = 0; g < 40; ++g) {
    const int samples = 1 + g % 24;
    for (int i = 0; i < 30 * samples; ++i) {
      const int species = static_cast<int>(random() % 60) - 5;
      rows.push_back({g, static_cast<int>(random() % samples), static_cast<int>(random() % 40),
                      std::max(species, -1)});
    }
  }
  for (int site = 0; site < 1040; ++site) rows.push_back({7, 0, 100 + site, 1});
  for (int i = 0; i < 3000; ++i) {
    rows.push_back({9, 1, 100 + static_cast<int>(random() % 700), static_cast<int>(random() % 9)});
  }
  std::shuffle(rows.begin(), rows.end(), random);
  std::vector<Row> grouped = rows;
  std::stable_sort(grouped.begin(), grouped.end(),
                   [](const Row& a, const Row& b) { return a.group < b.group; });
  for (const std::vector<Row>* order : {&rows, &grouped}) {
    SCOPED_TRACE(order == &rows ? "shuffled" : "grouped by group");
    std::string text = "group,sample,site,species,count\n";
    for (const Row& r : *order) {
      text += "g" + std::to_string(r.group) + "," + std::to_string(2000 + r.sample) + ",s" +
              std::to_string(r.site) + "," +
              (r.species < 0 ? ",0" : "sp" + std::to_string(r.species) + ",1") + "\n";
    }
    const std::map<std::pair<int, int>, Expected> expected = read_one_by_one(*order);
    ASSERT_GE(expected.at({9, 1}).sites.size(), 700u);
    const csv::ColumnTable columns = columns_of(*order, random);
    // As one part and one batch; in parts of a few rows, grouped a thousand records at a time;
    // and grouped a hundred at a time, fewer than the samples (sorted by ranges of samples).
    const ReadingSizes sizes[] = {{}, {4096, 1000}, {512, 100}};
    // Or the columns in memory (threads 4 here), whose places are rows, one less than lines.
    for (const unsigned threads : {0u, 1u, 3u, 4u}) {  // 0: a pipe, read as a stream
      for (const ReadingSizes& size : sizes) {
        SCOPED_TRACE(std::to_string(threads) + " threads, parts of " +
                     std::to_string(size.part_bytes) + " bytes, batches of " +
                     std::to_string(size.batch_records));
        SurveyLabels labels;
        tools::TextSource file(text, "t.csv");
        PipeSource pipe(text);
        csv::LongTableOptions options;
        options.columns.group = "group";
        const long shift = threads == 4 ? 1 : 0;
        std::optional<DetectionTable> read;
        if (threads == 4) {
          read.emplace(columns, options, labels, size);
        } else {
          read.emplace(threads == 0 ? static_cast<tools::ByteSource&>(pipe) : file, options, labels,
                       std::max(threads, 1u), start_thread, size);
        }
        DetectionTable& table = *read;
        ASSERT_TRUE(table.read({}));
        EXPECT_EQ(table.records(), order->size());
        for (const auto& [key, e] : expected) {
          SCOPED_TRACE("g" + std::to_string(key.first) + " " + std::to_string(2000 + key.second));
          const GroupSample* s =
              table.find(*labels.groups.find("g" + std::to_string(key.first)),
                         *labels.samples.find(std::to_string(2000 + key.second)));
          ASSERT_NE(s, nullptr);
          EXPECT_EQ(s->sites, e.sites);
          EXPECT_EQ(s->species, e.species);
          EXPECT_EQ(s->site_indices, e.site_indices);
          EXPECT_EQ(
              s->beyond_limit ? std::optional<long>(s->beyond_limit->line + shift) : std::nullopt,
              e.beyond);
        }
      }
    }
  }
}

TEST(DetectionTable, ASampleMarkedAfterItsFirstSitesWereFoundBySearch) {
  // g1 takes sites s0..s39 (its later ones found by the marks); g2 first takes 32 new sites,
  // found by search, then an old one (s0) and one of its own again: the marks must then cover
  // the ids of g2's first sites too (they once ran past them).
  std::vector<Row> rows;
  for (int site = 0; site < 40; ++site) rows.push_back({1, 0, site, 1});
  for (int site = 40; site < 72; ++site) rows.push_back({2, 0, site, 2});
  rows.push_back({2, 0, 0, 3});
  rows.push_back({2, 0, 41, 4});
  std::string text = "group,sample,site,species\n";
  for (const Row& r : rows) {
    text += "g" + std::to_string(r.group) + ",2000,s" + std::to_string(r.site) + ",sp" +
            std::to_string(r.species) + "\n";
  }
  const std::map<std::pair<int, int>, Expected> expected = read_one_by_one(rows);
  for (const unsigned threads : {1u, 2u}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    SurveyLabels labels;
    tools::TextSource file(text, "t.csv");
    csv::LongTableOptions options;
    options.columns.group = "group";
    DetectionTable table(file, options, labels, threads, start_thread, ReadingSizes{});
    ASSERT_TRUE(table.read({}));
    for (const auto& [key, e] : expected) {
      const GroupSample* s = table.find(*labels.groups.find("g" + std::to_string(key.first)),
                                        *labels.samples.find("2000"));
      ASSERT_NE(s, nullptr);
      EXPECT_EQ(s->sites, e.sites);
      EXPECT_EQ(s->site_indices, e.site_indices);
    }
  }
}

}  // namespace
}  // namespace kelvaro::batch

// kelvaro-batch as a process: each pair's rows are what kelvaro-prep, kelvaro and kelvaro-tidy
// make of that pair; the output is the same for every thread count and shard split; pairs that
// cannot be analysed go to problems.csv; refusals.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bootstrap/isa.h"
#include "field_tables/csv_reader.h"
#include "kelvaro/batch.h"
#include "kelvaro/byte_source.h"
#include "support/failing_threads.h"
#include "support/run_program.h"

namespace kelvaro::tools_test {
namespace {

const std::string kBatch = quoted(KELVARO_BATCH_BINARY);
const std::string kPrep = quoted(KELVARO_PREP_BINARY);
const std::string kTidy = quoted(KELVARO_TIDY_BINARY);
const std::string kKelvaro = quoted(KELVARO_BINARY);
const char* const kTables[] = {"parameters.csv", "blocks.csv", "tests.csv", "estimators.csv",
                               "problems.csv"};

struct Record {
  const char *group, *sample, *site, *species, *count;
};

// Three groups whose labels are all numbers (so 9 < 10 < 300, not "10" < "300" < "9"). Group
// 300's rows come in two runs, with group 10's between them. Hand derivation of the species
// observed (R) of each block:
//   9, 2019-2020: 2019 (s1..s3): a at s1 s2, b at s1, c at s3: R = 3; 2020 (s1..s3): a at s1
//      s3, b at s2, d at s2: R = 3; both: a, b: R = 2 and 2. Both have 3 sites: a test row.
//   9, 2020-2021: 2021 has 4 sites (s4 visited, nothing found; a not detected at s3): d at s1
//      s2, e at s3: R = 2; both: d: R = 1 and 1. 3 and 4 sites: no test row.
//   10: 2020 has no detection: both of its pairs go to problems.csv.
//   300, 2019-2020: 2019 (p1..p3): a at p1 p3 (listed twice at p3), b at p2: R = 2; 2020
//      (p1..p3): a at p1, c at p2, b at p3: R = 3; both: a, b: R = 2 and 2.
const std::vector<Record> kRecords = {
    {"9", "2019", "s1", "a", "1"},   {"9", "2019", "s1", "b", "2"},
    {"9", "2019", "s2", "a", "1"},   {"9", "2019", "s3", "c", "1"},
    {"9", "2020", "s1", "a", "1"},   {"9", "2020", "s2", "b", "1"},
    {"9", "2020", "s2", "d", "3"},   {"9", "2020", "s3", "a", "1"},
    {"9", "2021", "s1", "d", "1"},   {"9", "2021", "s2", "d", "1"},
    {"9", "2021", "s3", "e", "1"},   {"9", "2021", "s3", "a", "0"},
    {"9", "2021", "s4", "", "0"},    {"300", "2019", "p1", "a", "1"},
    {"300", "2019", "p2", "b", "1"}, {"300", "2019", "p3", "a", "1"},
    {"300", "2019", "p3", "a", "1"}, {"300", "2020", "p1", "a", "1"},
    {"300", "2020", "p2", "c", "1"}, {"10", "2019", "s1", "x", "1"},
    {"10", "2019", "s2", "y", "1"},  {"10", "2020", "s1", "", "0"},
    {"10", "2020", "s2", "x", "0"},  {"10", "2021", "s1", "x", "1"},
    {"10", "2021", "s2", "z", "1"},  {"300", "2020", "p3", "b", "1"},
};

struct Pair {
  const char *group, *sample1, *sample2;
  bool analysed;
};

// Species names sp0 .. sp59.
const std::vector<std::string> kSpeciesTexts = [] {
  std::vector<std::string> names;
  for (int k = 0; k < 60; ++k) names.push_back("sp" + std::to_string(k));
  return names;
}();
const std::vector<const char*> kSpeciesNames = [] {
  std::vector<const char*> names;
  for (const std::string& n : kSpeciesTexts) names.push_back(n.c_str());
  return names;
}();
// In output order.
const Pair kPairs[] = {{"9", "2019", "2020", true},
                       {"9", "2020", "2021", true},
                       {"10", "2019", "2020", false},
                       {"10", "2020", "2021", false},
                       {"300", "2019", "2020", true}};

std::string table_of(const std::vector<Record>& records) {
  std::string text = "group,sample,site,species,count\n";
  for (const Record& r : records) {
    text += std::string(r.group) + "," + r.sample + "," + r.site + "," + r.species + "," + r.count +
            "\n";
  }
  return text;
}

// The rows of a CSV text after its header.
std::vector<std::string> rows_of(const std::string& csv) {
  std::vector<std::string> rows;
  for (std::size_t start = csv.find("\r\n") + 2; start < csv.size();) {
    const std::size_t end = csv.find("\r\n", start);
    rows.push_back(csv.substr(start, end - start));
    start = end + 2;
  }
  return rows;
}

std::string header_of(const std::string& csv) { return csv.substr(0, csv.find("\r\n") + 2); }

// Every output file of a batch directory, by name relative to it.
std::vector<std::pair<std::string, std::string>> files_of(const std::string& dir) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) {
      files.emplace_back(std::filesystem::relative(e.path(), dir).string(),
                         read_file(e.path().string()));
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// kelvaro's warnings ("kelvaro: warning: line 4: Sample 1: text") as problems messages.
std::vector<std::string> warnings_of(const std::string& err) {
  const std::string prefix = "kelvaro: warning: ";
  std::vector<std::string> out;
  for (std::size_t at = 0; (at = err.find(prefix, at)) != std::string::npos;) {
    at += prefix.size();
    std::string w = err.substr(at, err.find('\n', at) - at);
    if (w.rfind("line ", 0) == 0) w = w.substr(w.find(": ") + 2);
    out.push_back(w);
  }
  return out;
}

// What kelvaro-prep, kelvaro and kelvaro-tidy make of each pair: the rows of parameters, blocks,
// tests and estimators, and the problems (a warning's kind left empty: kelvaro prints none).
// Checks each pair's report in the batch's out/reports.
struct ExpectedTables {
  std::string rows[4];
  std::vector<std::vector<std::string>> problems;
};

ExpectedTables expected_of(const std::vector<Record>& records, const std::vector<Pair>& pairs,
                           const ScratchDir& dir, const std::string& out) {
  ExpectedTables expected;
  const char* const tidy_tables[] = {"parameters.csv", "blocks.csv", "test.csv", "estimators.csv"};
  for (const Pair& p : pairs) {
    SCOPED_TRACE(std::string(p.group) + " " + p.sample1 + "-" + p.sample2);
    const std::string key = std::string(p.group) + "," + p.sample1 + "," + p.sample2 + ",";
    if (!p.analysed) {
      expected.problems.push_back({p.group, p.sample1, p.sample2, "no_detection",
                                   "sample \"2020\" has no detection (every record of it says "
                                   "not detected)"});
      continue;
    }
    std::vector<Record> rows;
    for (const Record& r : records) {
      if (r.group == std::string(p.group) &&
          (r.sample == std::string(p.sample1) || r.sample == std::string(p.sample2))) {
        rows.push_back(r);
      }
    }
    const std::string pair_table = dir.write("pair.csv", table_of(rows));
    const RunResult input =
        run(kPrep + " --nreps 10 --first " + p.sample1 + " " + quoted(pair_table));
    EXPECT_EQ(input.status, 0) << input.err;
    const RunResult report = run(kKelvaro, input.out);
    EXPECT_EQ(report.status, 0) << report.err;
    EXPECT_EQ(read_file(out + "reports/" + p.group + "/" + p.sample1 + "-" + p.sample2 + ".txt"),
              report.out);
    const std::string tidy_dir = dir.path(std::string("tidy-") + p.group + "-" + p.sample1);
    EXPECT_EQ(run(kTidy + " --dir " + quoted(tidy_dir), report.out).status, 0);
    for (int t = 0; t < 4; ++t) {
      for (const std::string& row : rows_of(read_file(tidy_dir + "/" + tidy_tables[t]))) {
        expected.rows[t] += key + row + "\r\n";
      }
    }
    for (const std::string& w : warnings_of(report.err)) {
      expected.problems.push_back({p.group, p.sample1, p.sample2, "", w});
    }
  }
  return expected;
}

// The batch's tables in `out` are `expected`'s.
void expect_tables(const std::string& out, const ExpectedTables& expected) {
  for (int t = 0; t < 4; ++t) {
    const std::string got = read_file(out + kTables[t]);
    EXPECT_EQ(got.substr(header_of(got).size()), expected.rows[t]) << kTables[t];
  }
  const std::vector<csv::CsvRow> problems =
      csv::parse_csv(read_file(out + "problems.csv"), "problems.csv");
  ASSERT_EQ(problems.size(), expected.problems.size() + 1) << read_file(out + "problems.csv");
  for (std::size_t i = 0; i < expected.problems.size(); ++i) {
    std::vector<std::string> got = problems[i + 1].fields();
    if (expected.problems[i][3].empty()) got[3] = "";  // a warning's kind: kelvaro prints none
    EXPECT_EQ(got, expected.problems[i]);
  }
}

TEST(BatchProgram, EveryPairIsWhatPrepKelvaroAndTidyMakeOfIt) {
  const ScratchDir dir;
  const std::string records = dir.write("records.csv", table_of(kRecords));
  // 10 replicates: every run warns of its few replicates, some of estimates outside intervals.
  const RunResult batch = run(kBatch + " --threads 2 --nreps 10 --reports -o " +
                              quoted(dir.path("out")) + " " + quoted(records));
  ASSERT_EQ(batch.status, 0) << batch.err;
  const std::string out = dir.path("out/");
  const ExpectedTables expected =
      expected_of(kRecords, std::vector<Pair>(std::begin(kPairs), std::end(kPairs)), dir, out);
  expect_tables(out, expected);
  // The species observed by hand (see kRecords), among the rows compared above.
  for (const char* r :
       {"9,2019,2020,Sample 1,3,", "9,2019,2020,Subset B,2,", "9,2020,2021,Sample 2,2,",
        "9,2020,2021,Subset A,1,", "300,2019,2020,Sample 2,3,", "300,2019,2020,Subset A,2,"}) {
    EXPECT_NE(expected.rows[1].find(r), std::string::npos) << r;
  }
  EXPECT_EQ(rows_of(expected.rows[2]).size(), 1u) << "a test row for 9, 2019-2020 only";
  EXPECT_GT(expected.problems.size(), 3u) << "warnings as well as the two pairs not analysed";
}

TEST(BatchProgram, SamplesOfUpTo1000SitesAsPrepKelvaroAndTidyMakeThem) {
  // Samples of 150, 1000 and 98 sites (each side of the old limit of 98, and the new limit):
  // every detection of species k (of 60) at each site with chance 1 / (k + 2).
  std::mt19937 random(42);
  std::vector<std::string> names;  // Record holds pointers: the texts live here
  names.reserve(2000);
  std::vector<Record> records;
  const std::pair<const char*, int> samples[] = {{"2019", 150}, {"2020", 1000}, {"2021", 98}};
  for (const auto& [sample, sites] : samples) {
    for (int site = 1; site <= sites; ++site) {
      names.push_back("s" + std::to_string(site));
      records.push_back({"big", sample, names.back().c_str(), "", "0"});  // a visit
      for (int k = 0; k < 60; ++k) {
        if (random() % static_cast<unsigned>(k + 2) == 0) {
          records.push_back({"big", sample, names.back().c_str(), kSpeciesNames[k], "1"});
        }
      }
    }
  }
  const ScratchDir dir;
  const RunResult batch =
      run(kBatch + " -q --threads 2 --nreps 10 --reports -o " + quoted(dir.path("out")) + " " +
          quoted(dir.write("records.csv", table_of(records))));
  ASSERT_EQ(batch.status, 0) << batch.err;
  const std::string out = dir.path("out/");
  const ExpectedTables expected = expected_of(
      records, {{"big", "2019", "2020", true}, {"big", "2020", "2021", true}}, dir, out);
  expect_tables(out, expected);
  // Sample 1 of 2020-2021 has its 1000 sites: the M(h) test's 999 degrees of freedom.
  EXPECT_NE(read_file(out + "reports/big/2020-2021.txt").find(" df = 999 Prob = "),
            std::string::npos);
}

TEST(BatchProgram, CurvesAreWhatTidyMakesOfEachPairsReport) {
  // With --curves, curves.csv holds each analysed pair's curves as kelvaro-tidy --table curves
  // makes them of the pair's report; without it, no curves.csv.
  const ScratchDir dir;
  const std::string records = dir.write("records.csv", table_of(kRecords));
  const RunResult plain =
      run(kBatch + " -q --nreps 10 -o " + quoted(dir.path("plain")) + " " + quoted(records));
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_FALSE(std::filesystem::exists(dir.path("plain/curves.csv")));
  const RunResult batch = run(kBatch + " -q --nreps 10 --curves --reports -o " +
                              quoted(dir.path("out")) + " " + quoted(records));
  ASSERT_EQ(batch.status, 0) << batch.err;
  const std::string out = dir.path("out/");
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(read_file(out + kTables[t]), read_file(dir.path("plain/") + kTables[t]));
  }
  std::string expected, standardised;
  for (const Pair& p : kPairs) {
    if (!p.analysed) continue;
    const std::string report =
        out + "reports/" + p.group + "/" + p.sample1 + "-" + p.sample2 + ".txt";
    const RunResult curves = run(kTidy + " --table curves " + quoted(report));
    ASSERT_EQ(curves.status, 0) << curves.err;
    for (const std::string& row : rows_of(curves.out)) {
      expected += std::string(p.group) + "," + p.sample1 + "," + p.sample2 + "," + row + "\r\n";
    }
    const RunResult compared = run(kTidy + " --table standardised " + quoted(report));
    ASSERT_EQ(compared.status, 0) << compared.err;
    standardised += compared.out;
  }
  const std::string got = read_file(out + "curves.csv");
  EXPECT_EQ(header_of(got),
            "group,sample1,sample2,block,sites,kind,richness,lower,upper,coverage\r\n");
  EXPECT_EQ(got.substr(header_of(got).size()), expected);
  EXPECT_NE(expected.find(",observed,"), std::string::npos);
  EXPECT_NE(expected.find(",extrapolated,"), std::string::npos);
  EXPECT_NE(standardised.find("effort,Sample 1,"), std::string::npos) << standardised;
}

TEST(BatchProgram, SameBytesForEveryThreadCountAndShardSplit) {
  const ScratchDir dir;
  const std::string records = " " + quoted(dir.write("records.csv", table_of(kRecords)));
  const auto batch = [&](const std::string& options, const std::string& out) {
    const RunResult r =
        run(kBatch + " --reports -q " + options + " -o " + quoted(dir.path(out)) + records);
    EXPECT_EQ(r.status, 0) << options << ": " << r.err;
    EXPECT_EQ(r.err, "") << options;
    return files_of(dir.path(out));
  };
  const auto one = batch("--threads 1", "one");
  EXPECT_EQ(one.size(), 5u + 3u + 3u)
      << "five tables, three reports, and the marks of reports/ and its two group folders";
  EXPECT_EQ(batch("--threads 4", "four"), one);

  // Groups 9, 10, 300: shard 0/2 holds 9, shard 1/2 holds 10 and 300.
  const auto first = batch("--threads 2 --shard 0/2", "shard0");
  const auto second = batch("--threads 2 --shard 1/2", "shard1");
  for (const char* table : kTables) {
    SCOPED_TRACE(table);
    const std::string a = read_file(dir.path("shard0/") + table);
    const std::string b = read_file(dir.path("shard1/") + table);
    EXPECT_EQ(header_of(a), header_of(b));
    EXPECT_EQ(a + b.substr(header_of(b).size()), read_file(dir.path("one/") + table));
  }
  EXPECT_TRUE(std::filesystem::exists(dir.path("shard0/reports/9/2019-2020.txt")));
  EXPECT_FALSE(std::filesystem::exists(dir.path("shard0/reports/300")));
}

// A table in another order, with CR LF line ends and quoted labels: its rows are read in
// parts on several threads, with the same tables as one thread.
TEST(BatchProgram, ShuffledTableSameBytesOnOneAndThreeThreads) {
  const ScratchDir dir;
  std::vector<Record> shuffled = kRecords;
  std::reverse(shuffled.begin() + 3, shuffled.end());
  std::rotate(shuffled.begin(), shuffled.begin() + 11, shuffled.end());
  std::string text = "\"group\",sample,site,species,count\r\n";
  for (int copy = 0; copy < 3; ++copy) {  // each record three times: a detection counts once
    for (const Record& r : shuffled) {
      text += std::string(r.group) + "," + r.sample + ",\"" + r.site + "\"," + r.species + "," +
              r.count + "\r\n";
    }
  }
  const std::string records = " " + quoted(dir.write("records.csv", text));
  const auto batch = [&](const std::string& threads) {
    const RunResult r = run(kBatch + " --reports -q --threads " + threads + " -o " +
                            quoted(dir.path(threads)) + records);
    EXPECT_EQ(r.status, 0) << r.err;
    return files_of(dir.path(threads));
  };
  const auto one = batch("1");
  std::size_t reports = 0;
  for (const auto& [path, bytes] : one) reports += path.ends_with(".txt");
  EXPECT_EQ(reports, 3u) << "three reports";
  EXPECT_EQ(batch("3"), one);
}

TEST(BatchProgram, NamedColumnsAndTheirCountColumn) {
  // The records of kRecords under other names, in another column order, with a column to
  // ignore; and the same without the count column and its rows of 0: then s4 of group 9's 2021
  // is never visited, so that pair's Sample 2 has 3 sites (f has 3 classes), not 4.
  std::string named = "Total,Stop,RouteID,Observer,AOU,Year\n";
  std::string detections = "group,sample,site,species\n";
  for (const Record& r : kRecords) {
    named += std::string(r.count) + "," + r.site + "," + r.group + ",JS," + r.species + "," +
             r.sample + "\n";
    if (std::string(r.count) != "0") {
      detections += std::string(r.group) + "," + r.sample + "," + r.site + "," + r.species + "\n";
    }
  }
  const ScratchDir dir;
  const auto blocks = [&](const std::string& options, const std::string& name,
                          const std::string& text) {
    const RunResult r = run(kBatch + " -q " + options + " -o " + quoted(dir.path(name)) + " " +
                            quoted(dir.write(name + ".csv", text)));
    EXPECT_EQ(r.status, 0) << r.err;
    return read_file(dir.path(name) + "/blocks.csv");
  };
  const std::string standard = blocks("", "standard", table_of(kRecords));
  EXPECT_EQ(blocks("--group RouteID --sample Year --site Stop --species aou --count total", "named",
                   named),
            standard);
  const std::string without = blocks("", "without", detections);
  EXPECT_NE(without, standard);
  const auto classes = [](const std::string& table) {  // of 9, 2020-2021, Sample 2, by its R
    return table.substr(table.find("9,2020,2021,Sample 2,"), 30);
  };
  EXPECT_EQ(classes(without), classes(standard)) << "the same species; only t differs";
  const RunResult t4 = run(kBatch + " -q --reports -o " + quoted(dir.path("t")) + " " +
                           quoted(dir.path("standard.csv")));
  EXPECT_NE(
      read_file(dir.path("t/reports/9/2020-2021.txt"))
          .find(" Observed frequencies, f(i) =            1           1           0           0"),
      std::string::npos);
}

TEST(BatchProgram, ATableWithoutAGroupColumnIsOneGroup) {
  // Group 9's records without the group column, read with --group '': group 9's rows with an
  // empty group and its reports under reports/(none)/; a second batch replaces the first.
  std::string text = "sample,site,species,count\n";
  std::vector<Record> group9;
  for (const Record& r : kRecords) {
    if (std::string(r.group) != "9") continue;
    group9.push_back(r);
    text += std::string(r.sample) + "," + r.site + "," + r.species + "," + r.count + "\n";
  }
  const ScratchDir dir;
  const RunResult grouped = run(kBatch + " -q --reports -o " + quoted(dir.path("grouped")) + " " +
                                quoted(dir.write("grouped.csv", table_of(group9))));
  ASSERT_EQ(grouped.status, 0) << grouped.err;
  for (int time = 0; time < 2; ++time) {
    const RunResult one = run(kBatch + " -q --reports --group '' -o " + quoted(dir.path("one")) +
                              " " + quoted(dir.write("one.csv", text)));
    ASSERT_EQ(one.status, 0) << one.err;
  }
  for (const char* table : {"parameters.csv", "blocks.csv", "problems.csv"}) {
    SCOPED_TRACE(table);
    std::string expected = read_file(dir.path("grouped") + "/" + table);
    for (std::size_t at = 0; (at = expected.find("\r\n9,", at)) != std::string::npos;) {
      expected.erase(at += 2, 1);
    }
    EXPECT_EQ(read_file(dir.path("one") + "/" + table), expected);
  }
  EXPECT_EQ(read_file(dir.path("one") + "/reports/(none)/2019-2020.txt"),
            read_file(dir.path("grouped") + "/reports/9/2019-2020.txt"));
}

TEST(BatchProgram, PairsFromAFileAndSamplesThatCannotBeAnalysed) {
  // Group 9 of kRecords (lines 2-14), and group 5 whose 2019 has 1001 sites (the 1001st on line
  // 15 + 1000 = 1015).
  std::vector<Record> records(kRecords.begin(), kRecords.begin() + 13);
  std::vector<std::string> sites;
  for (int i = 1; i <= 1001; ++i) sites.push_back("s" + std::to_string(i));
  for (const std::string& site : sites) records.push_back({"5", "2019", site.c_str(), "a", "1"});
  records.push_back({"5", "2020", "s1", "a", "1"});
  const ScratchDir dir;
  const std::string pairs = dir.write("pairs.csv",
                                      "group,sample1,sample2\n"
                                      "9,2021,2019\n"  // Sample 1 as the file says: 2021
                                      "9,2019,2020\n"
                                      "9,2021,2019\n"   // twice: once
                                      "9,2019,1999\n"   // a sample group 9 does not have
                                      "77,2019,2020\n"  // a group the table does not have
                                      "5,2020,2019\n");
  const RunResult r =
      run(kBatch + " -q --pairs " + quoted(pairs) + " -o " + quoted(dir.path("out")) + " " +
          quoted(dir.write("records.csv", table_of(records))));
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> analysed;  // the pairs of blocks.csv, a row per block
  for (const std::string& row : rows_of(read_file(dir.path("out/blocks.csv")))) {
    analysed.push_back(row.substr(0, row.find(",Sample ") == std::string::npos
                                         ? row.find(",Subset ")
                                         : row.find(",Sample ")));
  }
  analysed.erase(std::unique(analysed.begin(), analysed.end()), analysed.end());
  EXPECT_EQ(analysed, (std::vector<std::string>{"9,2019,2020", "9,2021,2019"}));
  // The pairs that cannot be analysed (the warnings of the pairs analysed aside), in label order:
  // groups 5, 9, 77.
  std::vector<csv::CsvRow> problems;
  for (csv::CsvRow& row : csv::parse_csv(read_file(dir.path("out/problems.csv")), "problems.csv")) {
    const std::string kind = row.fields().size() > 3 ? row.fields()[3] : "";
    if (problems.empty() || kind == "too_many_sites" || kind == "missing_sample") {
      problems.push_back(std::move(row));
    }
  }
  const std::vector<std::vector<std::string>> expected = {
      {"5", "2020", "2019", "too_many_sites",
       "sample \"2019\" has more than 1000 sites (the next, \"s1001\", is on line 1015; kelvaro "
       "takes at most 1000"},
      {"9", "2019", "1999", "missing_sample", "the table holds no record of sample \"1999\""},
      {"77", "2019", "2020", "missing_sample", "the table holds no record of sample \"2019\""}};
  ASSERT_EQ(problems.size(), expected.size() + 1);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    std::vector<std::string> f = problems[i + 1].fields();
    f[4] = f[4].substr(0, expected[i][4].size());
    EXPECT_EQ(f, expected[i]);
  }
}

TEST(BatchProgram, RefusalsLeaveNothingBehind) {
  const ScratchDir dir;
  const std::string records = dir.write("records.csv", table_of(kRecords));
  dir.write("pairs.csv", "group,sample1\n9,2019\n");
  dir.write("a-file", "");
  dir.write("no-group.csv", "sample,site,species\n2019,s1,a\n");
  dir.write("empty-species.csv", "group,sample,site,species\n9,2019,s1,\n");
  std::filesystem::create_directories(dir.path("same"));
  const std::string same = dir.write("same/parameters.csv", table_of(kRecords));
  const struct {
    const char* name;
    std::string arguments;
    int status;
    const char* message;
  } cases[] = {
      {"seed 0", "--seed 0 -o out RECORDS", 2, "--seed 0 would take"},
      {"no output", "RECORDS", 2, "kelvaro-batch: give the output directory with -o DIR"},
      {"bad shard", "--shard 2/2 -o out RECORDS", 2, "--shard \"2/2\": give K/N"},
      {"no threads", "--threads 0 -o out RECORDS", 2, "--threads"},
      {"too many replicates", "--nreps 10001 -o out RECORDS", 2, "--nreps"},
      {"bad separator", "--sep pipe -o out RECORDS", 2, "--sep \"pipe\""},
      {"missing pairs file", "--pairs nothing.csv -o out RECORDS", 2,
       "nothing.csv: No such file or directory"},
      {"pairs file column", "--pairs pairs.csv -o out RECORDS", 2,
       "pairs.csv (comma-separated), line 1, column 1: the pairs file has no column \"sample2\""},
      {"no group column", "-o out no-group.csv", 2,
       "no-group.csv (comma-separated), line 1, column 1: the header has no column \"group\""},
      {"empty species", "-o out empty-species.csv", 2,
       "empty-species.csv (comma-separated), line 2, column 4: empty species"},
      {"output over the input", "-o same same/parameters.csv", 2,
       "same/parameters.csv is the input file"},
      {"output is a file", "-o a-file RECORDS", 1, "cannot write the output directory a-file"},
      {"too many pairs", "--max-pairs 4 -o out RECORDS", 2,
       "the batch has 5 pairs, more than --max-pairs 4: give --max-pairs 5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string arguments = c.arguments;
    const std::size_t at = arguments.find("RECORDS");
    if (at != std::string::npos) arguments.replace(at, 7, quoted(records));
    const RunResult r = run("cd " + quoted(dir.path("")) + " && " + kBatch + " " + arguments);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir.path("out/parameters.csv")));
    EXPECT_EQ(read_file(same), table_of(kRecords));
  }
  // Input refused part-way through: no directory made for it stays, and an earlier one keeps
  // its files and gains no others (not even temporary ones).
  std::filesystem::create_directories(dir.path("earlier"));
  dir.write("earlier/parameters.csv", "old");
  for (const char* out : {"made", "earlier"}) {
    SCOPED_TRACE(out);
    const RunResult r = run("cd " + quoted(dir.path("")) + " && " + kBatch + " --reports -o " +
                            out + " empty-species.csv");
    EXPECT_EQ(r.status, 2);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path("made")));
  EXPECT_EQ(files_of(dir.path("earlier")),
            (std::vector<std::pair<std::string, std::string>>{{"parameters.csv", "old"}}));
}

TEST(BatchProgram, ThreadsThatCannotStartGiveTheSameTables) {
  // 4 threads are the calling thread and 3 workers. The system refuses threads after `limit`
  // of the workers: the batch goes on with half of those it started and the calling thread (the
  // calling thread alone for 0), says so once, and writes the same bytes.
  const ScratchDir dir;
  const std::string records = table_of(kRecords);
  const auto tables = [&](int threads, int limit, const std::string& out) {
    batch::BatchRequest request;
    request.output = dir.path(out);
    request.table.columns.group = "group";
    request.rule = batch::PairRule::kAll;
    request.analysis.reports = true;
    request.threads = threads;
    request.thread_factory = testing::threads_failing_after(limit);
    std::vector<std::pair<int, int>> told;
    batch::BatchProgress progress;
    progress.threads_short = [&](int asked, int used) { told.emplace_back(asked, used); };
    tools::TextSource source(records, "records.csv");
    const std::atomic<bool> stop{false};
    EXPECT_TRUE(batch::run_batch(source, request, progress, stop).complete);
    using Told = std::vector<std::pair<int, int>>;
    const Told expected =
        threads == 1 || limit >= threads - 1 ? Told() : Told{{4, 1 + limit - limit / 2}};
    EXPECT_EQ(told, expected);
    return files_of(request.output);
  };
  const auto one = tables(1, 0, "one");
  for (const int limit : {0, 1, 2, 3}) {
    SCOPED_TRACE(limit);
    EXPECT_EQ(tables(4, limit, "limit" + std::to_string(limit)), one);
  }
}

TEST(BatchProgram, TheFolderDescribesOneRun) {
  // An earlier batch's reports go (replaced, or removed without --reports); a file the batch did
  // not write under reports/ is never deleted: the batch is refused and the folder stays.
  const ScratchDir dir;
  const std::string records = quoted(dir.write("records.csv", table_of(kRecords)));
  const std::string out = dir.path("out");
  const auto batch = [&](const std::string& options) {
    return run(kBatch + " -q " + options + " -o " + quoted(out) + " " + records);
  };
  ASSERT_EQ(batch("--reports --nreps 5").status, 0);
  ASSERT_TRUE(std::filesystem::exists(out + "/reports/9/2019-2020.txt"));
  const auto with_reports = files_of(out);
  ASSERT_EQ(batch("--reports").status, 0);  // other replicates: every report replaced
  EXPECT_EQ(files_of(out).size(), with_reports.size());
  EXPECT_NE(files_of(out), with_reports);
  ASSERT_EQ(batch("").status, 0);
  EXPECT_FALSE(std::filesystem::exists(out + "/reports"));

  const struct {
    const char* name;
    const char* foreign;  // relative to out/reports
  } cases[] = {{"a folder of one's own", "keep/mine.txt"},
               {"a file in a group folder", "9/notes.txt"},
               {"a file beside the group folders", "README"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(batch("--reports").status, 0);
    std::filesystem::create_directories(
        std::filesystem::path(out + "/reports/" + c.foreign).parent_path());
    dir.write(std::string("out/reports/") + c.foreign, "mine");
    const auto before = files_of(out);
    for (const char* options : {"", "--reports"}) {
      SCOPED_TRACE(options);
      const RunResult r = batch(options);
      EXPECT_EQ(r.status, 2);
      EXPECT_NE(r.err.find(out + "/reports/" + c.foreign + " was not written by kelvaro-batch"),
                std::string::npos)
          << r.err;
      EXPECT_EQ(files_of(out), before);
    }
    std::filesystem::remove_all(out + "/reports");
  }
}

// The path KELVARO_ISA=name asks for (a known name).
Isa path_named(const std::string& name) {
  for (Isa isa : {Isa::scalar, Isa::avx2, Isa::avx512, Isa::neon}) {
    if (name == isa_name(isa)) return isa;
  }
  return Isa::scalar;
}

// The warning kelvaro gives for a KELVARO_ISA the processor cannot take, here under the batch's
// name (and none with -q); and the same tables from every path.
TEST(BatchProgram, EveryVectorPathGivesTheSameTables) {
  const ScratchDir dir;
  const std::string records = dir.write("records.csv", table_of(kRecords));
  const std::string best = isa_name(best_isa());
  std::vector<std::pair<std::string, std::string>> first;
  for (const std::string isa : {"scalar", "avx2", "avx512", "neon", "sse"}) {
    SCOPED_TRACE(isa);
    const std::string out = dir.path("out-" + isa);
    const RunResult r = run("KELVARO_ISA=" + isa + " " + kBatch + " --nreps 40 --reports -o " +
                            quoted(out) + " " + quoted(records));
    ASSERT_EQ(r.status, 0) << r.err;
    const RunResult quiet = run("KELVARO_ISA=" + isa + " " + kBatch + " -q --nreps 40 -o " +
                                quoted(out + "-quiet") + " " + quoted(records));
    EXPECT_EQ(quiet.err, "");
    std::string expected_err;
    if (isa == "sse") {
      expected_err =
          "kelvaro-batch: KELVARO_ISA=sse is not a path (scalar, avx2, avx512 or neon); using " +
          best + "\n";
    } else if (!isa_supported(path_named(isa))) {
      expected_err = "kelvaro-batch: KELVARO_ISA=" + isa +
                     ": this processor (or this build) lacks it; using " + best + "\n";
    }
    EXPECT_EQ(r.err.substr(0, expected_err.size()), expected_err);
    if (expected_err.empty()) {
      EXPECT_EQ(r.err.find("KELVARO_ISA"), std::string::npos) << r.err;
    }
    const auto files = files_of(out);
    if (first.empty()) {
      first = files;
    } else {
      EXPECT_EQ(files, first);
    }
  }
}

}  // namespace
}  // namespace kelvaro::tools_test

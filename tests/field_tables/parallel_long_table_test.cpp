#include "field_tables/parallel_long_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "support/failing_threads.h"
#include "support/run_program.h"

namespace kelvaro::csv {
namespace {

// What a reading gives: every record, every pool's labels, the variants, or the error.
struct Reading {
  std::vector<std::tuple<long, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, bool>>
      records;
  std::vector<std::string> labels;  // "g:..", "s:..", "site:..", "sp:.." in id order
  std::vector<std::string> variants;
  std::string error;
  bool grouped = true;  // by sample: every part's records so grouped (see grouped_by_sample)
  friend bool operator==(const Reading&, const Reading&) = default;
};

// Whether a part's records are grouped by sample: each (group, sample) once, its records in file
// order, the pairs in the order they first appear in the file.
bool grouped_by_sample(const std::vector<LongRecord>& part) {
  std::set<std::pair<std::uint32_t, std::uint32_t>> seen;
  long last_start = -1;
  for (std::size_t k = 0; k < part.size(); ++k) {
    const bool same =
        k > 0 && part[k].group == part[k - 1].group && part[k].sample == part[k - 1].sample;
    if (same && part[k].line <= part[k - 1].line) return false;
    if (same) continue;
    if (!seen.insert({part[k].group, part[k].sample}).second || part[k].line <= last_start) {
      return false;
    }
    last_start = part[k].line;
  }
  return true;
}

// The records stably sorted by group and sample: what grouping by sample keeps of file order.
Reading sample_order(Reading r) {
  std::stable_sort(r.records.begin(), r.records.end(), [](const auto& a, const auto& b) {
    return std::tie(std::get<1>(a), std::get<2>(a)) < std::tie(std::get<1>(b), std::get<2>(b));
  });
  return r;
}

void note_labels(const LongTableReader& reader, Reading& out) {
  for (std::uint32_t i = 0; i < reader.groups().size(); ++i)
    out.labels.push_back("g:" + std::string(reader.groups().label(i)));
  for (std::uint32_t i = 0; i < reader.samples().size(); ++i)
    out.labels.push_back("s:" + std::string(reader.samples().label(i)));
  for (std::uint32_t i = 0; i < reader.sites().size(); ++i)
    out.labels.push_back("site:" + std::string(reader.sites().label(i)) + "@" +
                         reader.sites().place_text(i));
  for (std::uint32_t i = 0; i < reader.species().size(); ++i)
    out.labels.push_back("sp:" + std::string(reader.species().label(i)) + "@" +
                         reader.species().place_text(i));
  for (const NameVariant& v : reader.species().variants())
    out.variants.push_back(v.first + "|" + v.other + "|" + v.other_place);
}

void note(const LongRecord& r, Reading& out) {
  out.records.emplace_back(r.line, r.group, r.sample, r.site, r.species, r.detected);
}

Reading serial(const std::string& text, const LongTableOptions& options) {
  Reading out;
  tools::TextSource source(text, "t.csv");
  try {
    LongTableReader reader(source, options);
    for (LongRecord r; reader.next(r);) note(r, out);
    note_labels(reader, out);
  } catch (const InputError& e) {
    out = Reading{};
    out.error = e.what();
  }
  return out;
}

Reading parallel(const std::string& text, const LongTableOptions& options, unsigned threads,
                 std::size_t part_bytes, const ThreadFactory& factory = start_thread,
                 bool by_sample = false) {
  Reading out;
  tools::ViewSource source(text, "t.csv");
  try {
    const std::uint64_t size = *source.size();
    LongTableReader reader(source, options);
    ParallelLongTable table(reader, source, size, threads, part_bytes, factory);
    if (by_sample) table.by_sample();
    table.read([&](std::vector<LongRecord>& part) {
      out.grouped = out.grouped && (!by_sample || grouped_by_sample(part));
      for (const LongRecord& r : part) note(r, out);
      return true;
    });
    note_labels(reader, out);
  } catch (const InputError& e) {
    out = Reading{};
    out.error = e.what();
  }
  return out;
}

// A table of `rows` records in random order whose names hold separators, doubled quotes and line
// ends in quotes, in case variants, with blank lines and blank rows, the given line end and
// separator.
std::string generated_table(std::mt19937& random, int rows, const std::string& eol,
                            char separator = ',') {
  const std::string s(1, separator);
  const std::string sites[] = {
      "s1",   "\"s,2\"",         "\"s" + eol + "3\"",      "\"s\"\"4\"\"\"",
      " s5 ", "\"s" + s + "6\"", "a-much-longer-site-name"};
  const std::string species[] = {"Sp.A", "sp.a", "\"Sp, B\"", "\"x" + eol + "y\"", "C", ""};
  std::string text = "group" + s + "sample" + s + "site" + s + "species" + s + "count" + eol;
  for (int i = 0; i < rows; ++i) {
    const std::string& sp = species[random() % 6];
    text += std::to_string(random() % 4) + s + std::to_string(2015 + random() % 3) + s +
            sites[random() % 7] + s + sp + s + (sp.empty() ? "0" : "1") + eol;
    if (random() % 17 == 0) text += eol;
    if (random() % 23 == 0) text += s + s + " " + s + s + eol;  // a blank row
  }
  return text;
}

TEST(ParallelLongTable, SameAsOneReaderWhereverThePartsAreCut) {
  std::mt19937 random(20261208);
  const struct {
    const char* name;
    std::string eol;
    std::string start;
    bool fold;
    char separator;
  } cases[] = {{"LF", "\n", "", false, ','},
               {"CR LF", "\r\n", "", true, ','},
               {"CR", "\r", "", false, ','},
               {"byte-order mark", "\n", "\xEF\xBB\xBF", false, ','},
               {"byte-order mark, CR LF, folded", "\r\n", "\xEF\xBB\xBF", true, ','},
               {"semicolons", "\n", "", false, ';'},
               {"tabs, CR LF", "\r\n", "", false, '\t'}};
  for (const auto& c : cases) {
    const std::string text = c.start + generated_table(random, 300, c.eol, c.separator);
    LongTableOptions options;
    options.columns.group = "group";
    options.fold_case = c.fold;
    const Reading expected = serial(text, options);
    ASSERT_EQ(expected.error, "") << c.name;
    ASSERT_EQ(expected.records.size(), 300u);
    for (unsigned threads : {1u, 2u, 3u}) {
      for (std::size_t part : {1u, 7u, 64u, 1000u, 1u << 20}) {
        SCOPED_TRACE(std::string(c.name) + ", threads " + std::to_string(threads) + ", part " +
                     std::to_string(part));
        EXPECT_EQ(parallel(text, options, threads, part), expected);
        EXPECT_EQ(sample_order(parallel(text, options, threads, part, start_thread, true)),
                  sample_order(expected));
      }
    }
    // Threads that cannot start (none, or one of the two more asked for): the parts are read
    // on the calling thread instead.
    for (const int limit : {0, 1}) {
      SCOPED_TRACE(std::string(c.name) + ", threads failing after " + std::to_string(limit));
      EXPECT_EQ(parallel(text, options, 3, 64, testing::threads_failing_after(limit)), expected);
    }
  }
}

TEST(ParallelLongTable, FirstErrorInFileOrderAtTheLineAndColumnOfOneReader) {
  std::mt19937 random(7);
  const std::string good = generated_table(random, 200, "\r\n");
  const struct {
    const char* name;
    std::string late_row;  // put in after about two thirds of the rows
    std::string end;       // the table's last text
  } cases[] = {
      {"quote in an unquoted field", "1,2015,s\"1,C,1\r\n", ""},
      {"text after a closing quote", "1,2015,\"s1\"x,C,1\r\n", ""},
      {"row too short", "1,2015,s1,C\r\n", ""},
      {"count refused", "1,2015,s1,C,maybe\r\n", ""},
      {"empty species on a detection", "1,2015,s1,,1\r\n", ""},
      {"quote left open: the rest is one field", "1,2015,\"s1,C,1\r\n", ""},
      {"quote left open at the end", "", "1,2015,\"s1,C,1\r\n2,2016,s2,C,1\r\n"},
      {"a later error after an earlier one", "1,2015,s1,C\r\n", "1,2015,s1,C,maybe\r\n"},
  };
  for (const auto& c : cases) {
    std::string text = good;
    std::size_t at = text.size() * 2 / 3;
    at = text.find("\r\n0,", at) + 2;  // a row of group 0: not within a quoted name
    text.insert(at, c.late_row);
    text += c.end;
    LongTableOptions options;
    options.columns.group = "group";
    const Reading expected = serial(text, options);
    ASSERT_NE(expected.error, "") << c.name;
    for (unsigned threads : {2u, 3u}) {
      for (std::size_t part : {5u, 300u, 4096u}) {
        SCOPED_TRACE(std::string(c.name) + ", threads " + std::to_string(threads) + ", part " +
                     std::to_string(part));
        EXPECT_EQ(parallel(text, options, threads, part).error, expected.error);
      }
    }
  }
}

// A file of `size` bytes that holds a header and then NUL bytes (a sparse file), or rows, made
// as they are read, that counts the bytes read.
class MadeFile : public tools::ByteSource {
 public:
  MadeFile(std::string head, std::uint64_t size, std::string row)
      : head_(std::move(head)), size_(size), row_(std::move(row)) {}
  std::size_t read(char*, std::size_t) override { return 0; }
  const std::string& name() const override { return name_; }
  std::optional<std::uint64_t> size() override { return size_; }
  void read_at(std::uint64_t offset, char* buffer, std::size_t count) override {
    bytes_read += count;
    for (std::size_t k = 0; k < count; ++k) buffer[k] = at(offset + k);
  }
  std::atomic<std::uint64_t> bytes_read{0};

 private:
  char at(std::uint64_t i) const {
    if (i < head_.size()) return head_[i];
    return row_.empty() ? '\0' : row_[(i - head_.size()) % row_.size()];
  }
  std::string head_, name_ = "made.csv";
  std::uint64_t size_;
  std::string row_;
};

TEST(ParallelLongTable, ARowWithoutEndIsRefusedAfterTheBytesAReaderOfStandardInputTakes) {
  // 4 GB of NUL bytes after the header: one row that never ends, refused as standard input
  // refuses it, after reading a few times the longest row, never the whole file.
  for (const unsigned threads : {1u, 2u}) {
    SCOPED_TRACE(threads);
    MadeFile file("sample,site,species\n", std::uint64_t{4} << 30, "");
    LongTableOptions options;
    try {
      const std::uint64_t size = *file.size();
      tools::ViewSource header("sample,site,species\n", "made.csv");
      LongTableReader reader(header, options);
      ParallelLongTable(reader, file, size, threads).read([](auto&) { return true; });
      ADD_FAILURE() << "read";
    } catch (const InputError& e) {
      EXPECT_NE(std::string(e.what()).find("line 2, column 1: the row is longer than 16777216"),
                std::string::npos)
          << e.what();
    }
    EXPECT_LT(file.bytes_read, std::uint64_t{100} << 20);
  }
}

TEST(ParallelLongTable, RowsLongerThanThePartsAreReadOnAndHandedOverInBatches) {
  // A valid row of 9 MiB (longer than the splitter takes: one reader reads it) among 300,000
  // short ones: the same records as one reader, handed over in batches as they are read, never
  // the rest of the table at once.
  std::string text = "sample,site,species\n";
  for (int i = 0; i < 1000; ++i) text += "1,s" + std::to_string(i % 50) + ",a\n";
  text += "1,s1," + std::string(9 << 20, 'x') + "\n";
  for (int i = 0; i < 300000; ++i)
    text += std::to_string(i % 3) + ",s" + std::to_string(i % 50) + ",b\n";
  LongTableOptions options;
  const Reading expected = serial(text, options);
  ASSERT_EQ(expected.records.size(), 301001u);
  for (const unsigned threads : {1u, 2u}) {
    SCOPED_TRACE(threads);
    tools::ViewSource source(text, "t.csv");
    const std::uint64_t size = *source.size();
    LongTableReader reader(source, options);
    ParallelLongTable table(reader, source, size, threads, 1 << 18);
    Reading got;
    std::size_t largest = 0;
    table.read([&](std::vector<LongRecord>& part) {
      largest = std::max(largest, part.size());
      for (const LongRecord& r : part) note(r, got);
      return true;
    });
    note_labels(reader, got);
    EXPECT_EQ(got, expected);
    EXPECT_LE(largest, std::size_t{1} << 16);
  }
}

TEST(ParallelLongTable, AFileCutShortOrRewrittenWhileItIsReadIsAReadError) {
  // The file changes after its size was taken: cut short before its parts are read, or written
  // to (same size) while they are, which only the check at the end can see.
  const tools_test::ScratchDir dir;
  std::string text = "sample,site,species\n";
  for (int i = 0; i < 20000; ++i) text += std::to_string(i % 7) + ",s" + std::to_string(i) + ",a\n";
  const struct {
    const char* name;
    bool cut;
    const char* reason;
  } cases[] = {{"cut short", true, "the file changed while it was read (it became shorter)"},
               {"written to", false, "the file changed while it was read (it was written to)"}};
  for (const auto& c : cases) {
    for (const unsigned threads : {1u, 2u}) {
      SCOPED_TRACE(std::string(c.name) + ", threads " + std::to_string(threads));
      const std::string path = dir.write("t.csv", text);
      tools::FileSource source(path);
      const std::uint64_t size = *source.size();
      LongTableReader reader(source, LongTableOptions());
      ParallelLongTable table(reader, source, size, threads, 4096);
      bool changed = false;
      const auto change = [&] {
        if (changed) return;
        changed = true;
        if (c.cut) {
          std::filesystem::resize_file(path, text.size() / 2);
        } else {  // the same size, a later time of modification
          std::filesystem::last_write_time(
              path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
        }
      };
      try {
        table.read([&](std::vector<LongRecord>&) {
          change();
          return true;
        });
        ADD_FAILURE() << "read whole";
      } catch (const tools::ReadError& e) {
        EXPECT_EQ(e.file(), path);
        EXPECT_EQ(e.reason(), c.reason);
      }
    }
  }
}

}  // namespace
}  // namespace kelvaro::csv

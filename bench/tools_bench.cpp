// Time of kelvaro-prep's reading on large tables, in process: the hash path that keeps it linear.
// The inputs are generated here with a fixed seed (nothing large is committed):
//   long_1M      a long table of 1,000,000 records: 2 samples x 98 sites, 200,000 species
//                (about 30 MB);
//   wide_100k    two site-by-species tables of 100,000 species x 12 sites, 10% of cells 1;
//   wide_100k_audit  the same and the audit rows written (to memory);
//   csv_rows     the CSV reader alone over the long table's text.
// Each case runs the library as kelvaro-prep does: read, derive the blocks, write the input.
// `tools_bench --write-inputs DIR` writes the three tables as files instead (long.csv,
// wide1.csv, wide2.csv), to time the programs themselves and measure their memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "field_tables/csv_reader.h"
#include "kelvaro/byte_source.h"
#include "kelvaro/checked_output.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/surveys.h"
#include "surveys/audit.h"

namespace {

namespace prep = kelvaro::prep;
namespace tools = kelvaro::tools;

constexpr int kLongRecords = 1000000;
constexpr int kLongSpecies = 200000;
constexpr int kWideSpecies = 100000;
constexpr int kWideSites = 12;
constexpr unsigned kSeed = 20261207;  // fixed: the inputs never change

std::string species_name(int i) { return "Genus species-" + std::to_string(i); }

const std::string& long_table() {
  static const std::string text = [] {
    std::mt19937 rng(kSeed);
    std::string t = "sample,site,species\n";
    t.reserve(32u * kLongRecords);
    for (int r = 0; r < kLongRecords; ++r) {
      const unsigned draw = rng();
      t += (draw & 1) ? "B,site " : "A,site ";
      t += std::to_string((draw >> 1) % 98) + "," +
           species_name(static_cast<int>(rng() % kLongSpecies)) + "\n";
    }
    return t;
  }();
  return text;
}

std::string wide_table(unsigned seed, bool reversed) {
  std::mt19937 rng(seed);
  std::string t = "site";
  for (int i = 0; i < kWideSpecies; ++i)
    t += "," + species_name(reversed ? kWideSpecies - 1 - i : i);
  t += "\n";
  for (int s = 0; s < kWideSites; ++s) {
    t += "ditch" + std::to_string(s + 1);
    for (int i = 0; i < kWideSpecies; ++i) t += rng() % 10 == 0 ? ",1" : ",0";
    t += "\n";
  }
  return t;
}

const std::string& wide1() {
  static const std::string text = wide_table(kSeed, false);
  return text;
}
const std::string& wide2() {
  static const std::string text = wide_table(kSeed + 1, true);
  return text;
}

void BM_LongTable(benchmark::State& state) {
  const std::string& text = long_table();
  for (auto _ : state) {
    tools::TextSource source(text, "long.csv");
    const prep::Survey survey = prep::load_long(source, {}, {}, std::nullopt);
    benchmark::DoNotOptimize(prep::kelvaro_input(prep::derive_blocks(survey), {}));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_WideTables(benchmark::State& state, bool audit) {
  for (auto _ : state) {
    tools::TextSource first(wide1(), "wide1.csv"), second(wide2(), "wide2.csv");
    const prep::Survey survey = prep::load_wide_pair(first, second, {});
    benchmark::DoNotOptimize(prep::kelvaro_input(prep::derive_blocks(survey), {}));
    if (audit) {
      tools::StringOutput out;
      prep::write_audit([&](std::string_view text) { out.write(text); }, survey);
      benchmark::DoNotOptimize(out.text().size());
    }
  }
  state.SetBytesProcessed(
      static_cast<std::int64_t>(state.iterations() * (wide1().size() + wide2().size())));
}

void BM_CsvRows(benchmark::State& state) {
  const std::string& text = long_table();
  for (auto _ : state) {
    tools::TextSource source(text, "long.csv");
    kelvaro::csv::CsvReader reader(source, ',');
    std::size_t fields = 0;
    for (kelvaro::csv::CsvRow row; reader.next(row);) fields += row.size();
    benchmark::DoNotOptimize(fields);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

BENCHMARK(BM_LongTable)->Name("long_1M")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WideTables, plain, false)->Name("wide_100k")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WideTables, audit, true)
    ->Name("wide_100k_audit")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CsvRows)->Name("csv_rows")->Unit(benchmark::kMillisecond);

int write_inputs(const std::string& dir) {
  const std::pair<const char*, const std::string*> files[] = {
      {"long.csv", &long_table()}, {"wide1.csv", &wide1()}, {"wide2.csv", &wide2()}};
  for (const auto& [name, text] : files) {
    std::ofstream out(dir + "/" + name, std::ios::binary);
    out << *text;
    if (!out.flush()) {
      std::fprintf(stderr, "tools_bench: cannot write %s/%s\n", dir.c_str(), name);
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-inputs") == 0) return write_inputs(argv[2]);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

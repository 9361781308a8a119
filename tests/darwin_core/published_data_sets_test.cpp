// The two published data sets of examples/darwin-core read by the library: as folders on disk, and
// as a face hands them over (files in memory, meta.xml parsed by the face).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "darwin_core/archive_helpers.h"

namespace kelvaro::dwc {
namespace {

const std::string kExamples = std::string(KELVARO_SOURCE_DIR) + "/examples/darwin-core/";

struct Summary {
  std::size_t rows = 0, detected = 0, sites = 0, species = 0;
  std::vector<std::string> samples;
};

Summary summary_of(const DarwinCoreTable& table) {
  Summary s;
  std::vector<std::string> sites, species;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const LongRow r = table.row(i);
    ++s.rows;
    s.detected += r.detected ? 1 : 0;
    sites.emplace_back(r.site);
    if (r.detected) species.emplace_back(r.species);
    if (std::find(s.samples.begin(), s.samples.end(), r.sample) == s.samples.end()) {
      s.samples.emplace_back(r.sample);
    }
  }
  for (auto* v : {&sites, &species}) {
    std::sort(v->begin(), v->end());
    v->erase(std::unique(v->begin(), v->end()), v->end());
  }
  s.sites = sites.size();
  s.species = species.size();
  return s;
}

// The data set's files as a face reads them into memory.
FileMap in_memory(const std::string& folder) {
  FileMap map(folder);
  for (const auto& entry : std::filesystem::directory_iterator(kExamples + folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    map.add(entry.path().filename().string(), std::string(std::istreambuf_iterator<char>(in), {}));
  }
  return map;
}

TEST(PublishedDataSets, ReadAsTheirPublishersDescribeThem) {
  ArchiveOptions by_date;
  by_date.sample = "eventDate";
  ArchiveOptions rank_only;
  rank_only.species_rank_only = true;
  const struct {
    const char* folder;
    ArchiveOptions options;
    std::size_t rows, detected, sites, species, samples;
    std::vector<std::string> kinds;
    const char* description;
    const char* title;
  } cases[] = {
      // 256 trap checks, each with 7 target species: 1,792 occurrences, 35 of them present.
      {"anb-crayfish",
       {},
       1792,
       35,
       256,
       3,
       1,
       {"no_location"},
       "(Darwin Core tables without meta.xml: Event core event.csv, Occurrence extension "
       "occurrence.csv)",
       "Monitoring of invasive alien crayfishes in the Flemish part of the LIFE RIPARIAS areas"},
      {"anb-crayfish", by_date, 1792, 35, 256, 3, 11, {"no_location"}, "", ""},
      // 29 camera observations (sequences under deployments), taxa above species kept or not.
      {"camtrapdp-mica",
       {},
       29,
       29,
       0,
       9,
       2,
       {"above_species_rank", "other_tables"},
       "(Darwin Core archive: Occurrence core occurrence.csv)",
       "Sample from: MICA - Muskrat and coypu camera trap observations in Belgium, the "
       "Netherlands and Germany"},
      {"camtrapdp-mica", rank_only, 0, 25, 0, 7, 2, {"above_species_rank", "other_tables"}, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    FolderFiles folder(kExamples + c.folder);
    DarwinCoreTable table(native_input(folder), c.options);
    ASSERT_TRUE(table.read());
    const Summary s = summary_of(table);
    if (c.rows > 0) {
      EXPECT_EQ(s.rows, c.rows);
    }
    EXPECT_EQ(s.detected, c.detected);
    if (c.sites > 0) {
      EXPECT_EQ(s.sites, c.sites);
    }
    EXPECT_EQ(s.species, c.species);
    EXPECT_EQ(s.samples.size(), c.samples);
    EXPECT_EQ(kinds_of(table), c.kinds);
    EXPECT_NE(table.description().find(c.description), std::string::npos) << table.description();
    EXPECT_EQ(table.citation().title.find(c.title), 0u) << table.citation().title;

    // A face: the files in memory, meta.xml parsed by the face and handed over as a tree.
    FileMap files = in_memory(c.folder);
    ArchiveInput face;
    face.files = &files;
    if (std::filesystem::exists(kExamples + c.folder + "/meta.xml")) {
      std::ifstream in(kExamples + c.folder + "/meta.xml", std::ios::binary);
      face.trees.emplace(
          "meta.xml", parse_xml(std::string(std::istreambuf_iterator<char>(in), {}), "meta.xml"));
    }
    DarwinCoreTable from_face(face, c.options);
    ASSERT_TRUE(from_face.read());
    EXPECT_EQ(rows_of(from_face), rows_of(table));
    EXPECT_EQ(long_table_text(from_face), long_table_text(table));
  }
}

}  // namespace
}  // namespace kelvaro::dwc

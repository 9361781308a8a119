// Archives made by the tests read into the long table's rows: the hierarchy of events, absences
// and empty walks, the defaults and the count, occurrence cores, tables without meta.xml,
// sloppy files that are read with a warning, trees handed in by a face, and the long table's text.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "darwin_core/archive_helpers.h"
#include "kelvaro/surveys.h"

namespace kelvaro::dwc {
namespace {

using Rows = std::vector<std::string>;
using Kinds = std::vector<std::string>;

// darwin_core.h's worked example.
const Files kWalks = {
    {"meta.xml", event_meta({"eventID", "parentEventID", "locationID", "eventDate"},
                            {"eventID", "scientificName", "occurrenceStatus"})},
    {"event.txt",
     "eventID,parentEventID,locationID,eventDate\n"
     "walk1,,R7,2019-05-03\n"
     "walk1-a,walk1,,\n"
     "walk1-b,walk1,,\n"},
    {"occurrence.txt",
     "eventID,scientificName,occurrenceStatus\n"
     "walk1-a,Parus major,present\n"
     "walk1-a,Sitta europaea,absent\n"}};

TEST(ArchiveRows, HeaderExampleChildEventsInheritTheWalk) {
  const DarwinCoreTable table = read_files(kWalks);
  EXPECT_EQ(rows_of(table), (Rows{"R7|2019|walk1-a|Parus major|1",
                                  "R7|2019|walk1-a|Sitta europaea|0", "R7|2019|walk1-b||0"}));
  EXPECT_EQ(table.terms().group, "locationID");
  EXPECT_EQ(table.terms().sample, "year");
  EXPECT_EQ(table.terms().site, "eventID");
  EXPECT_EQ(table.terms().species, "scientificName");
  EXPECT_EQ(table.terms().count, (std::vector<std::string>{"occurrenceStatus"}));
  EXPECT_EQ(kinds_of(table), Kinds{});
  EXPECT_EQ(table.description(),
            "a.zip (Darwin Core archive: Event core event.txt, Occurrence extension "
            "occurrence.txt)");
}

// A survey S (year 2020) with visits V1 (plots P1, P2) and V2 (an empty walk), and V3 dated in
// 2021 by its own eventDate; occurrences listed out of the events' order, with every kind of
// count.
const Files kSurvey = {
    {"meta.xml", event_meta({"eventID", "parentEventID", "locationID", "year", "eventDate"},
                            {"eventID", "scientificName", "individualCount", "organismQuantity",
                             "occurrenceStatus", "locality"})},
    {"event.txt",
     "eventID,parentEventID,locationID,year,eventDate\n"
     "S,,L1,2020,\n"
     "V1,S,,,2020-06-01\n"
     "P1,V1,,,\n"
     "P2,V1,,,\n"
     "V2,S,,,2020-07-01\n"
     "V3,S,,,2021-01-05/2021-01-06\n"},
    {"occurrence.txt",
     "eventID,scientificName,individualCount,organismQuantity,occurrenceStatus,locality\n"
     "P2,Sp a,0,,,\n"              // a count of 0: not detected
     "P1,Sp b,,3,,\n"              // organismQuantity 3: detected
     "P1,Sp c,,r,,\n"              // not a number: present, with a warning
     "P2,Sp d,2,,ABSENT ,\n"       // absent wins over the count
     "P2,Sp e,,,,\n"               // nothing said: present
     "V3,Sp f,1,,present,L9\n"}};  // its own locationID is empty, its locality is not used

TEST(ArchiveRows, HierarchyCountsAndEmptyWalksInEventOrder) {
  const DarwinCoreTable table = read_files(kSurvey);
  EXPECT_EQ(rows_of(table),
            (Rows{"L1|2020|P1|Sp b|1", "L1|2020|P1|Sp c|1", "L1|2020|P2|Sp a|0",
                  "L1|2020|P2|Sp d|0", "L1|2020|P2|Sp e|1", "L1|2020|V2||0", "L1|2021|V3|Sp f|1"}));
  EXPECT_EQ(table.terms().count,
            (std::vector<std::string>{"individualCount", "organismQuantity", "occurrenceStatus"}));
  EXPECT_EQ(kinds_of(table), Kinds{"count_not_number"});
}

TEST(ArchiveRows, OptionsNameTerms) {
  ArchiveOptions sites;
  sites.site = "http://rs.tdwg.org/dwc/terms/locationID";  // the URI is read as its term
  sites.sample = "EVENTDATE";                              // case ignored
  sites.group = "year";
  sites.count = "individualCount";  // empty counts are not detections, as in a long table
  const DarwinCoreTable table = read_files(kSurvey, sites);
  EXPECT_EQ(rows_of(table), (Rows{"2020|2020-06-01|L1|Sp b|0", "2020|2020-06-01|L1|Sp c|0",
                                  "2020|2020-06-01|L1|Sp a|0", "2020|2020-06-01|L1|Sp d|0",
                                  "2020|2020-06-01|L1|Sp e|0", "2020|2020-07-01|L1||0",
                                  "2021|2021-01-05/2021-01-06|L1|Sp f|1"}));
  EXPECT_EQ(table.terms().sample, "eventDate");
  EXPECT_EQ(table.terms().count, (std::vector<std::string>{"individualCount"}));
}

// An occurrence core with its id in the third column, no header row, camera sequences as events
// under deployments, taxa above species rank.
const Files kCameras = {
    {"meta.xml",
     "<archive><core rowType='http://rs.tdwg.org/dwc/terms/Occurrence'><files>"
     "<location>occurrence.csv</location></files><id index='2'/>"
     "<field index='0' term='http://rs.tdwg.org/dwc/terms/eventID'/>"
     "<field index='1' term='http://rs.tdwg.org/dwc/terms/parentEventID'/>"
     "<field index='2' term='http://rs.tdwg.org/dwc/terms/occurrenceID'/>"
     "<field index='3' term='http://rs.tdwg.org/dwc/terms/eventDate'/>"
     "<field index='4' term='http://rs.tdwg.org/dwc/terms/locationID'/>"
     "<field index='5' term='http://rs.tdwg.org/dwc/terms/scientificName'/>"
     "<field index='6' term='http://rs.tdwg.org/dwc/terms/individualCount'/>"
     "</core></archive>"},
    {"occurrence.csv",
     "q1,d1,o1,2020-05-30T02:57:37Z/2020-05-30T02:57:44Z,cam1,Anas platyrhynchos,1\n"
     "q2,d1,o2,2020-05-31T04:05:10Z,cam1,Aves,2\n"
     "q3,d2,o3,2021-01-02,cam2,Ardea,1\n"
     "q3,d2,o4,2021-01-02,cam2,Ardea cinerea,1\n"}};

TEST(ArchiveRows, OccurrenceCoreAndTaxaAboveSpecies) {
  DarwinCoreTable kept = read_files(kCameras);
  EXPECT_EQ(rows_of(kept), (Rows{"cam1|2020|q1|Anas platyrhynchos|1", "cam1|2020|q2|Aves|1",
                                 "cam2|2021|q3|Ardea|1", "cam2|2021|q3|Ardea cinerea|1"}));
  ASSERT_EQ(kept.warnings().size(), 1u);
  EXPECT_EQ(kept.warnings()[0].kind, "above_species_rank");
  EXPECT_EQ(kept.warnings()[0].count, 2u);
  EXPECT_NE(kept.warnings()[0].message.find("\"Aves\", \"Ardea\""), std::string::npos);
  // The terms an option may name: the columns', then year, month and day from eventDate.
  EXPECT_EQ(kept.held_terms(),
            (std::vector<std::string>{"eventID", "parentEventID", "occurrenceID", "eventDate",
                                      "locationID", "scientificName", "individualCount", "year",
                                      "month", "day"}));
  ArchiveOptions only;
  only.species_rank_only = true;
  only.site = "parentEventID";
  EXPECT_EQ(rows_of(read_files(kCameras, only)),
            (Rows{"cam1|2020|d1|Anas platyrhynchos|1", "cam1|2020|d1||0", "cam2|2021|d2||0",
                  "cam2|2021|d2|Ardea cinerea|1"}));
}

TEST(ArchiveRows, TablesFoundByTheirHeaderRows) {
  const Files files = {
      {"dwca/readme.txt", "Monitoring data, see occurences-*.csv\n"},
      {"dwca/events.csv", "eventID;locationID;eventDate\ne1;L;2019-05-03\ne2;L;2019-06-01\n"},
      {"dwca/occurences-1.csv", "eventID,scientificName\ne1,Parus major\n"},
      {"dwca/occurences-2.csv", "eventID,scientificName\ne1,Sitta europaea\n"},
      {"dwca/media.csv", "occurrenceID,accessURI\nx,http://a\n"}};
  const DarwinCoreTable table = read_files(files);
  EXPECT_EQ(rows_of(table),
            (Rows{"L|2019|e1|Parus major|1", "L|2019|e1|Sitta europaea|1", "L|2019|e2||0"}));
  EXPECT_EQ(table.description(),
            "a.zip (Darwin Core tables without meta.xml: Event core dwca/events.csv, Occurrence "
            "extension dwca/occurences-1.csv + dwca/occurences-2.csv)");
}

// The archive of SloppyFilesReadWithAWarning, each case changing it a little.
const std::vector<std::string> kCoreTerms = {"eventID", "locationID", "eventDate"};
const std::vector<std::string> kExtensionTerms = {"eventID", "scientificName", "individualCount"};
const std::string kEvents = "eventID,locationID,eventDate\ne1,L,2019-05-03\ne2,L,2019-06-01\n";
const std::string kOccurrences = "eventID,scientificName,individualCount\ne1,Parus major,2\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string all_replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string utf16(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (const char c : ascii) out += std::string{c, '\0'};
  return out;
}

TEST(ArchiveRows, SloppyFilesReadWithAWarning) {
  const std::string meta = event_meta(kCoreTerms, kExtensionTerms);
  const Rows plain = {"L|2019|e1|Parus major|1", "L|2019|e2||0"};
  const Rows latin = {"L\xC3\xB8v|2019|e1|Parus major|1", "L\xC3\xB8v|2019|e2||0"};
  const struct {
    const char* name;
    std::string meta, events, occurrences;
    Kinds kinds;
    Rows rows;
  } cases[] = {
      {"nothing sloppy", meta, kEvents, kOccurrences, {}, plain},
      {"byte-order mark", meta, "\xEF\xBB\xBF" + kEvents, kOccurrences, {"byte_order_mark"}, plain},
      {"CR LF", meta, all_replaced(kEvents, "\n", "\r\n"), kOccurrences, {"line_ends"}, plain},
      {"CR LF said",
       replaced(meta, "ignoreHeaderLines=\"1\" >",
                "linesTerminatedBy='\\r\\n' "
                "ignoreHeaderLines=\"1\">"),
       all_replaced(kEvents, "\n", "\r\n"),
       kOccurrences,
       {},
       plain},
      {"Latin-1 said",
       replaced(meta, "ignoreHeaderLines=\"1\" >",
                "encoding='ISO-8859-1' ignoreHeaderLines=\"1\">"),
       all_replaced(kEvents, ",L,", ",L\xF8v,"),
       kOccurrences,
       {},
       latin},
      {"Latin-1 unsaid",
       meta,
       all_replaced(kEvents, ",L,", ",L\xF8v,"),
       kOccurrences,
       {"encoding"},
       latin},
      {"UTF-16", meta, utf16(kEvents), kOccurrences, {}, plain},
      {"NA", meta, kEvents, replaced(kOccurrences, ",2\n", ",NA\n"), {"na_cells"}, plain},
      {"<id> for <coreid>",
       replaced(meta, "<coreid index=\"0\"/>", "<id index=\"0\"/>"),
       kEvents,
       kOccurrences,
       {"id_for_coreid"},
       plain},
      {"blanks around a term",
       replaced(meta, "terms/locationID\"", "terms/locationID\t \""),
       kEvents,
       kOccurrences,
       {"term_blanks"},
       plain},
      {"header row not said",
       replaced(meta, "ignoreHeaderLines=\"1\" >", ">"),
       kEvents,
       kOccurrences,
       {"header_row"},
       plain},
      {"file name case",
       replaced(meta, ">event.txt<", ">Event.TXT<"),
       kEvents,
       kOccurrences,
       {"file_name_case"},
       plain},
      {"short row", meta, kEvents, replaced(kOccurrences, ",2\n", "\n"), {"short_rows"}, plain},
      {"unknown parent",
       event_meta({"eventID", "parentEventID", "locationID", "eventDate"}, kExtensionTerms),
       "eventID,parentEventID,locationID,eventDate\ne1,zz,L,2019-05-03\ne2,e2,L,2019-06-01\n",
       kOccurrences,
       {"unknown_parent"},
       plain},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const DarwinCoreTable table = read_files(
        {{"meta.xml", c.meta}, {"event.txt", c.events}, {"occurrence.txt", c.occurrences}});
    EXPECT_EQ(kinds_of(table), c.kinds);
    EXPECT_EQ(rows_of(table), c.rows);
  }
}

// meta.xml's layouts: tab-separated without quoting, the id in the last column, constants for
// every row (<field default> without index) and defaults for empty cells (with an index).
TEST(ArchiveRows, MetaXmlTabsDefaultsAndConstants) {
  const Files files = {
      {"meta.xml",
       "<archive xmlns='http://rs.tdwg.org/dwc/text/'>"
       "<core rowType='http://rs.tdwg.org/dwc/terms/Event' fieldsTerminatedBy='\\t' "
       "fieldsEnclosedBy='' ignoreHeaderLines='1'><files><location>e.tab</location></files>"
       "<id index='2'/>"
       "<field index='0' term='http://rs.tdwg.org/dwc/terms/eventDate'/>"
       "<field index='1' term='http://rs.tdwg.org/dwc/terms/locationID' default='R0'/>"
       "<field index='2' term='http://rs.tdwg.org/dwc/terms/eventID'/>"
       "<field term='http://rs.tdwg.org/dwc/terms/samplingProtocol' default='walk'/></core>"
       "<extension rowType='http://rs.tdwg.org/dwc/terms/Occurrence' fieldsTerminatedBy='\\t' "
       "fieldsEnclosedBy='' ignoreHeaderLines='1'><files><location>o.tab</location></files>"
       "<coreid index='1'/>"
       "<field index='0' term='http://rs.tdwg.org/dwc/terms/scientificName'/></extension>"
       "</archive>"},
      {"e.tab", "date\tloc\tid\n2019-05-03\t\"R1\"\te1\n2020-05-03\t\te2\n"},
      {"o.tab", "name\tid\nParus \"major\"\te1\n"}};
  EXPECT_EQ(rows_of(read_files(files)),
            (Rows{"\"R1\"|2019|e1|Parus \"major\"|1", "R0|2020|e2||0"}));
  ArchiveOptions by_protocol;
  by_protocol.group = "samplingProtocol";
  EXPECT_EQ(rows_of(read_files(files, by_protocol)),
            (Rows{"walk|2019|e1|Parus \"major\"|1", "walk|2020|e2||0"}));
}

// Files, kept until destroyed.
class ScratchFolder {
 public:
  ScratchFolder() : path_(std::filesystem::temp_directory_path() / "kelvaro-dwc-XXXXXX") {
    std::string pattern = path_.string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchFolder() { std::filesystem::remove_all(path_); }
  std::string write(const Files& files) const {
    for (const auto& [name, text] : files) {
      const std::filesystem::path file = path_ / "archive" / name;
      std::filesystem::create_directories(file.parent_path());
      std::ofstream(file, std::ios::binary) << text;
    }
    return (path_ / "archive").string();
  }

 private:
  std::filesystem::path path_;
};

TEST(ArchiveRows, FolderAndTreesGiveTheSameRows) {
  const Rows expected = rows_of(read_files(kSurvey));
  ScratchFolder scratch;
  FolderFiles folder(scratch.write(kSurvey));
  DarwinCoreTable from_folder(native_input(folder), {});
  from_folder.read();
  EXPECT_EQ(rows_of(from_folder), expected);

  // A face that parsed meta.xml itself hands its tree over, and no parser.
  FileMap map = file_map(kSurvey);
  ArchiveInput input;
  input.files = &map;
  input.trees.emplace("meta.xml", parse_xml(kSurvey[0].second, "meta.xml"));
  DarwinCoreTable from_tree(input, {});
  from_tree.read();
  EXPECT_EQ(rows_of(from_tree), expected);
  input.trees.clear();
  EXPECT_THROW(DarwinCoreTable(input, {}), ArchiveError);
}

TEST(ArchiveRows, CitationFromMetadataOrTheTablesTerms) {
  Files files = kWalks;
  files[0].second = event_meta({"eventID", "parentEventID", "locationID", "eventDate"},
                               {"eventID", "scientificName", "occurrenceStatus"}, "", "eml.xml");
  files.push_back({"eml.xml",
                   "<eml><dataset><title>Walks</title><creator><organizationName>INBO"
                   "</organizationName></creator><pubDate>2021</pubDate><intellectualRights>"
                   "CC0</intellectualRights></dataset></eml>"});
  const DarwinCoreTable table = read_files(files);
  EXPECT_EQ(citation_line(table.citation()),
            "data: Walks by INBO (2021); licence: CC0; cite as: INBO (2021). Walks.");
  const std::string json = source_json(table);
  for (const char* part :
       {"\"title\": \"Walks\"", "\"creators\": [\"INBO\"]",
        "\"terms\": {\"group\": \"locationID\", \"sample\": \"year\"", "\"records\": 3",
        "\"warnings\": []", "\"metadata_file\": \"eml.xml\""}) {
    EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
  }
  // Without metadata, from the tables' datasetName, rightsHolder and license.
  const Files plain = {{"e.csv",
                        "eventID,datasetName,rightsHolder,license,eventDate\n"
                        "e1,Ditches,ANB,CC0-1.0,2019-05-03\n"},
                       {"o.csv", "eventID,scientificName\ne1,a\n"}};
  ArchiveOptions one_group;
  one_group.group = "rightsHolder";
  EXPECT_EQ(citation_line(read_files(plain, one_group).citation()),
            "data: Ditches by ANB; licence: CC0-1.0; cite as: ANB. Ditches.");
  EXPECT_EQ(citation_line(read_files(kWalks).citation()), "");  // nothing to cite
}

TEST(ArchiveRows, LongTableAsAScriptWouldWriteIt) {
  const DarwinCoreTable table = read_files(kWalks);
  const std::string expected =
      "group,sample,site,species,count\r\n"
      "R7,2019,walk1-a,Parus major,1\r\n"
      "R7,2019,walk1-a,Sitta europaea,0\r\n"
      "R7,2019,walk1-b,,0\r\n";
  EXPECT_EQ(long_table_text(table), expected);
  LongTableSource source(table);
  std::string streamed;
  char buffer[5];
  for (std::size_t n; (n = source.read(buffer, sizeof buffer)) > 0;) streamed.append(buffer, n);
  EXPECT_EQ(streamed, expected);
  EXPECT_EQ(source.name(), "a.zip as a long table");

  // The samples kelvaro-batch groups from it are those of the script's table.
  const auto samples = [](tools::ByteSource& records) {
    batch::SurveyLabels labels;
    batch::DetectionTable detections(records, long_table_options(false), labels);
    detections.read({});
    const batch::GroupSample* s = detections.find(0, 0);
    return std::make_tuple(s->sites, s->species, s->site_indices);
  };
  LongTableSource archive(table);
  tools::TextSource script(expected, "script.csv");
  EXPECT_EQ(samples(archive), samples(script));
}

}  // namespace
}  // namespace kelvaro::dwc

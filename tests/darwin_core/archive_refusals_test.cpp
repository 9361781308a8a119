// Archives refused, each with a message that says what is wrong and where: malformed meta.xml,
// missing files, occurrences without their event, unknown terms, hierarchies that cannot be
// read, records without what the long table needs.

#include <gtest/gtest.h>

#include "darwin_core/archive_helpers.h"

namespace kelvaro::dwc {
namespace {

const std::string kEvents = "eventID,locationID,eventDate\ne1,L,2019-05-03\n";
const std::string kOccurrences = "eventID,scientificName\ne1,Parus major\n";

std::string meta_with(const std::string& core_attributes = "",
                      const std::vector<std::string>& core = {"eventID", "locationID",
                                                              "eventDate"}) {
  return event_meta(core, {"eventID", "scientificName"}, core_attributes);
}

std::string refusal(const Files& files, const ArchiveOptions& options = {}) {
  try {
    read_files(files, options);
  } catch (const std::runtime_error& e) {  // ArchiveError, csv::InputError
    return e.what();
  }
  return "(read)";
}

std::string with(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(ArchiveRefusals, SayWhatIsWrongAndWhere) {
  const std::string meta = meta_with();
  ArchiveOptions habitat;
  habitat.group = "habitat";
  const struct {
    const char* name;
    Files files;
    ArchiveOptions options;
    const char* message;
  } cases[] = {
      {"malformed XML",
       {{"meta.xml", "<archive><core></archive>"}},
       {},
       "a.zip/meta.xml: not well-formed XML at byte"},
      {"not an archive's meta.xml",
       {{"meta.xml", "<html/>"}},
       {},
       "a.zip: meta.xml: its root element is <html>, not <archive>"},
      {"no core", {{"meta.xml", "<archive/>"}}, {}, "meta.xml: it has no <core>"},
      {"index not a number",
       {{"meta.xml", with(meta, "index=\"1\"", "index=\"one\"")}},
       {},
       "the core \"Event\", field locationID: index=\"one\" is not a column number"},
      {"separator of two characters",
       {{"meta.xml", meta_with("fieldsTerminatedBy=\"||\"")}},
       {},
       "fieldsTerminatedBy=\"||\" is not one character"},
      {"unknown encoding",
       {{"meta.xml", meta_with("encoding=\"EBCDIC\"")}},
       {},
       "encoding=\"EBCDIC\" is not one that kelvaro reads"},
      {"location on the web",
       {{"meta.xml", with(meta, ">event.txt<", ">http://x.org/event.txt<")}},
       {},
       "is on the web"},
      {"location outside",
       {{"meta.xml", with(meta, ">event.txt<", ">../event.txt<")}},
       {},
       "reaches outside the archive"},
      {"missing core file",
       {{"meta.xml", meta}, {"occurrence.txt", kOccurrences}},
       {},
       "meta.xml names the file \"event.txt\", which the archive does not hold (it holds "
       "meta.xml, occurrence.txt)"},
      {"a checklist",
       {{"meta.xml", with(meta, "terms/Event\"", "terms/Taxon\"")},
        {"event.txt", kEvents},
        {"occurrence.txt", kOccurrences}},
       {},
       "the archive's core is a table of \"Taxon\" rows"},
      {"events without occurrences",
       {{"meta.xml", with(meta, "terms/Occurrence\"", "terms/MeasurementOrFact\"")},
        {"event.txt", kEvents},
        {"occurrence.txt", kOccurrences}},
       {},
       "the archive's events have no Occurrence extension"},
      {"no tables",
       {{"a.csv", "x,y\n1,2\n"}, {"notes.txt", "hello\n"}},
       {},
       "a.zip: this is no Darwin Core archive that kelvaro reads: it has no meta.xml, and no "
       "table whose header row names eventID and scientificName or taxonID (it holds a.csv, "
       "notes.txt)"},
      {"two event tables",
       {{"e1.csv", "eventID,year\ne1,2019\n"},
        {"e2.csv", "eventID,eventDate\ne2,2019\n"},
        {"o.csv", kOccurrences}},
       {},
       "two event tables with different columns, e1.csv and e2.csv"},
      {"occurrence without its event",
       {{"meta.xml", meta}, {"event.txt", kEvents}, {"occurrence.txt", kOccurrences + "e9,x y\n"}},
       {},
       "a.zip/occurrence.txt (comma-separated), line 3, column 1: the occurrence's eventID "
       "\"e9\" names no event of event.txt"},
      {"unknown term",
       {{"meta.xml", meta}, {"event.txt", kEvents}, {"occurrence.txt", kOccurrences}},
       habitat,
       "a.zip: --group \"habitat\": the archive has no such term (its terms: eventID, "
       "locationID, eventDate, scientificName)"},
      {"no year and no eventDate",
       {{"meta.xml", meta_with("", {"eventID", "locationID"})},
        {"event.txt", "eventID,locationID\ne1,L\n"},
        {"occurrence.txt", kOccurrences}},
       {},
       "no term \"year\" for the sample (the default); name the sample's term with --sample"},
      {"an event twice",
       {{"meta.xml", meta},
        {"event.txt", kEvents + "e1,M,2019-05-04\n"},
        {"occurrence.txt", kOccurrences}},
       {},
       "event.txt (comma-separated), line 3, column 1: the event \"e1\" again (first on line 2)"},
      {"a loop of parents",
       {{"meta.xml", meta_with("", {"eventID", "parentEventID", "eventDate"})},
        {"event.txt", "eventID,parentEventID,eventDate\na,b,2019\nb,a,2019\nc,a,2019\n"},
        {"occurrence.txt", "eventID,scientificName\nc,Parus major\n"}},
       {},
       "the events' parentEventIDs go round in a loop: a > b > a"},
      {"a date that gives no year",
       {{"meta.xml", meta},
        {"event.txt", "eventID,locationID,eventDate\ne1,L,03/05/2019\n"},
        {"occurrence.txt", kOccurrences}},
       {},
       "line 2, column 1: no year (the sample's term) on this occurrence, its event or the events "
       "above it, and its eventDate \"03/05/2019\" is no ISO 8601 date that gives it"},
      {"an empty walk without its site's term",
       {{"meta.xml", meta},
        {"event.txt", kEvents + "e2,,2019-05-04\n"},
        {"occurrence.txt", kOccurrences}},
       {},
       "event.txt, line 3, column 1: no locationID (the group's term) on this event"},
      {"a detection without a species",
       {{"meta.xml", meta}, {"event.txt", kEvents}, {"occurrence.txt", kOccurrences + "e1,\n"}},
       {},
       "line 3, column 1: a detection without a scientificName"},
      {"a quote never closed",
       {{"meta.xml", meta},
        {"event.txt", kEvents + "e2,\"L,2019\n"},
        {"occurrence.txt", kOccurrences}},
       {},
       "line 3, column 2: a quoted field is not closed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string message = refusal(c.files, c.options);
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
  }
}

TEST(ArchiveRefusals, CountCellsAsALongTableReadsThem) {
  ArchiveOptions count;
  count.count = "individualCount";
  const Files files = {{"e.csv", kEvents},
                       {"o.csv", "eventID,scientificName,individualCount\ne1,Parus major,many\n"}};
  EXPECT_NE(refusal(files, count).find("o.csv (comma-separated), line 2, column 3: \"many\""),
            std::string::npos)
      << refusal(files, count);
  EXPECT_EQ(refusal(files), "(read)");  // the default count: present, with a warning
}

}  // namespace
}  // namespace kelvaro::dwc

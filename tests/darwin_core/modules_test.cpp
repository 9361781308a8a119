// The worked examples of the Darwin Core modules' headers: terms, eventDates, encodings, text
// tables, taxon ranks, file names, meta.xml's attributes and the metadata's citation.

#include <gtest/gtest.h>

#include "darwin_core/data_citation.h"
#include "darwin_core/event_date.h"
#include "darwin_core/meta_layout.h"
#include "darwin_core/taxon_rank.h"
#include "darwin_core/term_names.h"
#include "darwin_core/text_encoding.h"
#include "darwin_core/text_table.h"
#include "kelvaro/darwin_core_files.h"

namespace kelvaro::dwc {
namespace {

TEST(TermNames, LastSegmentOfWhatIsWritten) {
  const struct {
    const char* written;
    const char* name;
  } cases[] = {{"http://rs.tdwg.org/dwc/terms/eventID", "eventID"},
               {" dwc:eventID\t", "eventID"},
               {"eventID", "eventID"},
               {"http://purl.org/dc/terms/license/", "license"},
               {"http://example.org/terms#taxonRank", "taxonRank"},
               {"", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    EXPECT_EQ(term_name(c.written), c.name);
  }
  EXPECT_EQ(term_key("EventID"), "eventid");
}

TEST(EventDate, StartOfDatesDateTimesAndIntervals) {
  const struct {
    const char* date;
    const char *year, *month, *day;
  } cases[] = {{"2019-05-03", "2019", "5", "3"},
               {"2019-05-03T10:05:00+02:00", "2019", "5", "3"},
               {"2019-05-03/2019-05-10", "2019", "5", "3"},
               {"2020-05-30T02:57:37Z/2020-05-30T02:57:44Z", "2020", "5", "30"},
               {"2019-05", "2019", "5", ""},
               {"2019", "2019", "", ""},
               {"20190503", "2019", "5", "3"},
               {" 2019-12-31 ", "2019", "12", "31"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.date);
    const std::optional<DateParts> parts = date_parts(c.date);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->year, c.year);
    EXPECT_EQ(parts->month, c.month);
    EXPECT_EQ(parts->day, c.day);
  }
  for (const char* bad : {"03/05/2019", "May 2019", "2019-13-01", "2019-00", "2019-05-32",
                          "19-05-03", "", "2019-5-3", "20191303"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(date_parts(bad));
  }
}

TEST(TextEncoding, Windows1252AndUtf8) {
  EXPECT_EQ(windows_1252_to_utf8("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(windows_1252_to_utf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(windows_1252_to_utf8("\x81"), "\xC2\x81");  // undefined in Windows-1252: Latin-1's
  EXPECT_TRUE(is_utf8("caf\xC3\xA9"));
  EXPECT_FALSE(is_utf8("caf\xE9"));
  for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}) {
    EXPECT_FALSE(is_utf8(bad));  // overlong, surrogate, beyond U+10FFFF, cut short
  }
  EXPECT_EQ(encoding_named("ISO-8859-1"), TextEncoding::kWindows1252);
  EXPECT_EQ(encoding_named("utf8"), TextEncoding::kUtf8);
  EXPECT_EQ(encoding_named("UTF-16LE"), TextEncoding::kUtf16);
  EXPECT_FALSE(encoding_named("EBCDIC"));
}

std::string utf16_read(const std::string& bytes, std::size_t chunk) {
  auto source = utf16_as_utf8(std::make_unique<tools::TextSource>(bytes, "u", chunk));
  std::string out;
  char buffer[7];
  for (std::size_t n; (n = source->read(buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  return out;
}

TEST(TextEncoding, Utf16AcrossChunksBothEndians) {
  // "é€😀" and an odd last byte, little-endian with its mark, then big-endian.
  const std::string little("\xFF\xFE\xE9\x00\xAC\x20\x3D\xD8\x00\xDE!", 11);
  const std::string big("\xFE\xFF\x00\xE9\x20\xAC\xD8\x3D\xDE\x00", 10);
  for (std::size_t chunk : {1, 3, 64}) {
    SCOPED_TRACE(chunk);
    EXPECT_EQ(utf16_read(little, chunk), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD");
    EXPECT_EQ(utf16_read(big, chunk), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  }
}

std::vector<std::vector<std::string>> rows(const std::string& text, TextFormat format,
                                           std::vector<long>* lines = nullptr) {
  TextTableReader reader(std::make_unique<tools::TextSource>(text, "t.txt", 3), format);
  std::vector<std::vector<std::string>> out;
  for (TextRow row; reader.next(row);) {
    out.emplace_back();
    for (std::size_t i = 0; i < row.size(); ++i) out.back().emplace_back(row[i]);
    if (lines) lines->push_back(row.line());
  }
  return out;
}

TEST(TextTable, SeparatorsQuotesAndLineEnds) {
  using Rows = std::vector<std::vector<std::string>>;
  TextFormat comma;
  std::vector<long> lines;
  EXPECT_EQ(rows("a,\"b,\"\"c\"\"\"\r\n\r\nx , y\rz", comma, &lines),
            (Rows{{"a", "b,\"c\""}, {"x", "y"}, {"z"}}));
  EXPECT_EQ(lines, (std::vector<long>{1, 3, 4}));
  TextFormat tab{'\t', std::nullopt, TextEncoding::kUtf8, 1};
  EXPECT_EQ(rows("id\tsize\n5\" long\tx\n", tab), (Rows{{"5\" long", "x"}}));
  TextFormat semicolon{0, '"', TextEncoding::kUtf8, 0};  // found in the header row
  EXPECT_EQ(rows("\xEF\xBB\xBFid;name\n1;\"a;b\"x\n", semicolon),
            (Rows{{"id", "name"}, {"1", "a;bx"}}));
  EXPECT_THROW(rows("a,\"open\n", comma), csv::InputError);
}

TEST(TaxonRank, AboveSpeciesByRankOrName) {
  const struct {
    const char *rank, *name;
    bool above;
  } cases[] = {{"genus", "Ardea cinerea", true},
               {"", "Ardea", true},
               {"species", "Ardea", false},
               {"", "Ardea cinerea", false},
               {"", "Salmonidae sp.", true},
               {"", "Ardea Linnaeus, 1758", true},
               {"", "Parus major major", false},
               {"", "", false},
               {"FAMILY", "", true},
               {"subspecies", "Parus major major", false},
               {"", "Carex spp.", true},
               {"", "Anas platyrhynchos Linnaeus", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.rank) + "/" + c.name);
    EXPECT_EQ(above_species_rank(c.rank, c.name), c.above);
  }
}

TEST(FileNames, PlainNamesInsideTheArchive) {
  EXPECT_EQ(plain_file_name("data\\event.txt"), "data/event.txt");
  EXPECT_EQ(plain_file_name("./a//b.txt "), "a/b.txt");
  for (const char* outside : {"../x", "a/../../x", "/etc/passwd", "C:\\x", "", "./"}) {
    SCOPED_TRACE(outside);
    EXPECT_FALSE(plain_file_name(outside));
  }
}

TEST(MetaLayout, FormatAttributesAndFields) {
  const XmlElement root = parse_xml(
      "<archive metadata='eml.xml'><core rowType='http://rs.tdwg.org/dwc/terms/Event' "
      "fieldsTerminatedBy='\\t' fieldsEnclosedBy='' ignoreHeaderLines='1' "
      "encoding='ISO-8859-1' linesTerminatedBy='\\r\\n'>"
      "<files><location>event.txt</location><location> more/event2.txt</location></files>"
      "<id index='0'/><field index='3' term='http://rs.tdwg.org/dwc/terms/locationID'/>"
      "<field term='http://rs.tdwg.org/dwc/terms/countryCode' default='BE'/>"
      "<field index='4' term=' http://rs.tdwg.org/dwc/terms/year\t' default='2019'/>"
      "</core></archive>",
      "meta.xml");
  WarningCounts warnings;
  const ArchiveLayout layout = meta_layout(root, "a.zip", "dwca/", warnings);
  ASSERT_EQ(layout.tables.size(), 1u);
  const TableLayout& t = layout.tables[0];
  EXPECT_EQ(layout.metadata_file, "dwca/eml.xml");
  EXPECT_EQ(t.type, RowType::kEvent);
  EXPECT_EQ(t.files, (std::vector<std::string>{"dwca/event.txt", "dwca/more/event2.txt"}));
  EXPECT_EQ(t.format.separator, '\t');
  EXPECT_FALSE(t.format.quote);
  EXPECT_EQ(t.format.encoding, TextEncoding::kWindows1252);
  EXPECT_EQ(t.format.header_rows, 1);
  EXPECT_FALSE(t.lf_said);
  EXPECT_EQ(t.id, 0u);
  ASSERT_NE(t.find("locationid"), nullptr);
  EXPECT_EQ(t.find("locationID")->index, 3u);
  EXPECT_EQ(t.find("countryCode")->fallback, "BE");
  EXPECT_FALSE(t.find("countryCode")->index);
  EXPECT_EQ(t.find("year")->index, 4u);
  EXPECT_EQ(warnings.count(WarningKind::kTermBlanks), 1u);
}

TEST(DataCitation, FromMetadataAsGbifWritesIt) {
  const XmlElement eml = parse_xml(
      "<eml:eml xmlns:eml='eml://ecoinformatics.org/eml-2.1.1' packageId='x'><dataset>"
      "<alternateIdentifier>2a5c</alternateIdentifier>"
      "<alternateIdentifier>https://doi.org/10.15468/c2kc7t</alternateIdentifier>"
      "<title xml:lang='eng'>Grouse\n   line transects</title>"
      "<creator><individualName><givenName>Ann</givenName><surName>Berg</surName>"
      "</individualName></creator><creator><organizationName>INBO</organizationName></creator>"
      "<pubDate>2022-11-01</pubDate><intellectualRights><para>Licensed under <ulink "
      "url='http://creativecommons.org/licenses/by/4.0/'><citetitle>CC-BY 4.0</citetitle>"
      "</ulink>.</para></intellectualRights></dataset></eml:eml>",
      "eml.xml");
  Citation c = citation_from_metadata(eml, "eml.xml");
  EXPECT_EQ(c.title, "Grouse line transects");
  EXPECT_EQ(c.creators, (std::vector<std::string>{"Ann Berg", "INBO"}));
  EXPECT_EQ(c.published, "2022-11-01");
  EXPECT_EQ(c.licence, "Licensed under CC-BY 4.0.");
  EXPECT_EQ(c.licence_url, "http://creativecommons.org/licenses/by/4.0/");
  EXPECT_EQ(c.identifier, "https://doi.org/10.15468/c2kc7t");
  EXPECT_EQ(c.text, "");
  complete_citation_text(c);
  EXPECT_EQ(c.text,
            "Ann Berg, INBO (2022). Grouse line transects. https://doi.org/10.15468/c2kc7t");
  EXPECT_EQ(citation_line(c),
            "data: Grouse line transects by Ann Berg, INBO (2022-11-01); licence: Licensed under "
            "CC-BY 4.0.; cite as: " +
                c.text);
}

}  // namespace
}  // namespace kelvaro::dwc

// Zip files and XML as the programs read them: archives made by the tests with minizip, hostile
// zips (names reaching outside, encryption, unknown methods, bombs, forged checksums, damage), and
// XML parsed into element trees.

#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <stdlib.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "darwin_core/archive_helpers.h"

namespace kelvaro::dwc {
namespace {

namespace fs = std::filesystem;

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Entry {
  std::string name, bytes;
  const char* password = nullptr;
  int method = Z_DEFLATED;
};

class ZipFolder {
 public:
  ZipFolder() {
    std::string pattern = (fs::temp_directory_path() / "kelvaro-zip-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ZipFolder() { fs::remove_all(path_); }
  std::string path(const std::string& name) const { return (path_ / name).string(); }

  // A zip of `entries` at `name`, written by minizip. An entry of another method than stored or
  // deflate is stored, and its method written into its headers afterwards (minizip writes no
  // other method).
  std::string zip(const std::string& name, const std::vector<Entry>& entries) const {
    const std::string file = path(name);
    zipFile z = zipOpen64(file.c_str(), APPEND_STATUS_CREATE);
    for (const Entry& e : entries) {
      const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(e.bytes.data()),
                              static_cast<uInt>(e.bytes.size()));
      const int method = e.method == Z_DEFLATED ? Z_DEFLATED : 0;
      EXPECT_EQ(zipOpenNewFileInZip3_64(z, e.name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr,
                                        method, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                        Z_DEFAULT_STRATEGY, e.password, crc, 0),
                ZIP_OK)
          << e.name;
      zipWriteInFileInZip(z, e.bytes.data(), static_cast<unsigned>(e.bytes.size()));
      zipCloseFileInZip(z);
    }
    zipClose(z, nullptr);
    std::string bytes = file_bytes(file);
    for (const Entry& e : entries) {
      if (e.method == Z_DEFLATED || e.method == 0) continue;
      // Local headers hold the method at byte 8 and the name at 30; central ones at 10 and 46.
      for (const auto& [header, method_at, name_at] :
           {std::tuple{std::string("PK\x03\x04"), 8, 30}, {std::string("PK\x01\x02"), 10, 46}}) {
        for (std::size_t at = 0; (at = bytes.find(header, at)) != std::string::npos; ++at) {
          if (bytes.compare(at + name_at, e.name.size(), e.name) != 0) continue;
          bytes[at + method_at] = static_cast<char>(e.method);
          bytes[at + method_at + 1] = 0;
        }
      }
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    return file;
  }

 private:
  fs::path path_;
};

std::string whole(tools::ByteSource& source, std::size_t chunk = 4096) {
  std::string text;
  std::string buffer(chunk, '\0');
  for (std::size_t n; (n = source.read(buffer.data(), chunk)) > 0;) text.append(buffer, 0, n);
  return text;
}

const Files kArchive = {
    {"meta.xml", event_meta({"eventID", "locationID", "eventDate"},
                            {"eventID", "scientificName", "individualCount"})},
    {"event.txt", "eventID,locationID,eventDate\ne1,L,2019-05-03\ne2,L,2020-06-01\n"},
    {"occurrence.txt", "eventID,scientificName,individualCount\ne1,Parus major,2\n"}};

TEST(ZipFiles, ArchiveInAZipAsInMemory) {
  ZipFolder folder;
  std::vector<Entry> entries = {{"dwca/", ""}};
  for (const auto& [name, text] : kArchive) entries.push_back({"dwca/" + name, text});
  entries.push_back({"../evil.txt", "x"});
  entries.push_back({"/etc/passwd", "x"});
  const std::string path = folder.zip("a.zip", entries);
  EXPECT_TRUE(is_archive_path(path));
  const std::unique_ptr<ArchiveFiles> zip = open_archive(path);
  EXPECT_EQ(zip->list(),
            (std::vector<std::string>{"dwca/event.txt", "dwca/meta.xml", "dwca/occurrence.txt"}));
  EXPECT_EQ(zip->left_out(), (std::vector<std::string>{"../evil.txt", "/etc/passwd"}));
  DarwinCoreTable table(native_input(*zip), {});
  table.read();
  EXPECT_EQ(rows_of(table), rows_of(read_files(kArchive)));
  EXPECT_EQ(kinds_of(table), std::vector<std::string>{"left_out_entries"});
  EXPECT_EQ(table.description(),
            path +
                " (Darwin Core archive: Event core dwca/event.txt, Occurrence extension "
                "dwca/occurrence.txt)");
}

TEST(ZipFiles, WhatIsAnArchivePath) {
  ZipFolder folder;
  std::ofstream(folder.path("t.csv")) << "group,sample,site,species\n";
  std::ofstream(folder.path("pk.csv")) << "PK";
  fs::create_directory(folder.path("dwca"));
  EXPECT_TRUE(is_archive_path(folder.path("dwca")));
  EXPECT_TRUE(is_archive_path(folder.zip("empty.zip", {})));
  for (const char* table : {"t.csv", "pk.csv", "missing.zip"}) {
    EXPECT_FALSE(is_archive_path(folder.path(table))) << table;
  }
  EXPECT_FALSE(is_archive_path("-"));
  EXPECT_THROW(open_zip("-"), ArchiveError);
}

TEST(ZipFiles, HostileEntriesRefusedWhenOpened) {
  ZipFolder folder;
  const std::string zeros(1 << 20, '\0');
  const std::string path = folder.zip("h.zip", {{"secret.txt", "eventID\n", "password"},
                                                {"odd.txt", "xxxx", nullptr, 12},
                                                {"zeros.txt", zeros},
                                                {"plain.txt", "abc"}});
  const std::unique_ptr<ArchiveFiles> zip = open_zip(path);
  const auto refusal = [&](const std::string& name) -> std::string {
    try {
      auto source = zip->open(name);
      whole(*source);
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return "(read)";
  };
  EXPECT_NE(refusal("secret.txt").find("secret.txt is encrypted"), std::string::npos);
  EXPECT_NE(refusal("odd.txt").find("compressed by method 12"), std::string::npos);
  EXPECT_EQ(refusal("zeros.txt"), "(read)");
  EXPECT_EQ(refusal("missing.txt"), path + ": it holds no file missing.txt");

  // A ratio no deflate stream reaches is refused before inflating...
  const std::unique_ptr<ArchiveFiles> strict = open_zip(path, {10, 0});
  EXPECT_THROW(strict->open("zeros.txt"), ArchiveError);
  // ... and the same entry read again and again is bounded by the zip's size.
  const std::unique_ptr<ArchiveFiles> again = open_zip(path, {2000, 0});
  const auto read_again = [&] {
    for (int i = 0; i < 100; ++i) {
      auto source = again->open("zeros.txt");
      whole(*source);
    }
  };
  EXPECT_THROW(read_again(), ArchiveError);

  // One entry open at a time: an earlier one's source says so.
  const std::unique_ptr<ArchiveFiles> fresh = open_zip(path);
  auto first = fresh->open("plain.txt");
  auto second = fresh->open("zeros.txt");
  char c;
  EXPECT_THROW(first->read(&c, 1), tools::ReadError);
  EXPECT_EQ(whole(*second).size(), zeros.size());
}

TEST(ZipFiles, DamagedZipsRefused) {
  ZipFolder folder;
  const std::string good = file_bytes(folder.zip("g.zip", {{"event.txt", "eventID\ne1\n"}}));
  // The checksum changed where the entry and the central directory give it.
  std::string forged = good;
  forged[14] ^= 1;
  forged[forged.find("PK\x01\x02") + 16] ^= 1;
  const std::unique_ptr<ArchiveFiles> zip = open_zip_bytes(forged, "forged.zip");
  auto source = zip->open("event.txt");
  try {
    whole(*source);
    ADD_FAILURE() << "read";
  } catch (const tools::ReadError& e) {
    EXPECT_EQ(std::string(e.what()),
              "forged.zip/event.txt: the entry is damaged (its length or checksum is wrong)");
  }
  for (const std::string& bad :
       {good.substr(0, good.size() - 10), std::string("PK\x03\x04junk"), std::string()}) {
    EXPECT_THROW(open_zip_bytes(bad, "bad.zip"), ArchiveError);
  }
}

TEST(XmlParser, LocalNamesTextContentAndEntities) {
  const XmlElement root = parse_xml(
      "<?xml version='1.0'?><eml:eml xmlns:eml='x' xml:lang='en'><para>A &amp; <b>B</b>"
      "<![CDATA[<C>]]></para><empty/></eml:eml>",
      "eml.xml");
  EXPECT_EQ(root.name, "eml");
  ASSERT_NE(root.attribute("LANG"), nullptr);
  EXPECT_EQ(*root.attribute("lang"), "en");
  ASSERT_EQ(root.children.size(), 2u);
  EXPECT_EQ(root.children[0].text, "A & B<C>");
  EXPECT_EQ(root.children[0].children[0].name, "b");
  EXPECT_EQ(root.text, "A & B<C>");
  EXPECT_EQ(root.children[1].text, "");
}

TEST(XmlParser, EncodingsAndRefusals) {
  EXPECT_EQ(parse_xml("<?xml version='1.0' encoding='ISO-8859-1'?><t>caf\xE9</t>", "m").text,
            "caf\xC3\xA9");
  EXPECT_EQ(parse_xml(std::string("\xFF\xFE<\0t\0>\0\xE9\0<\0/\0t\0>\0", 18), "m").text,
            "\xC3\xA9");
  // A document type is not expanded: its entities stay unknown.
  EXPECT_EQ(parse_xml("<!DOCTYPE t [<!ENTITY e \"boom\">]><t>&e;</t>", "m").text, "&e;");
  try {
    parse_xml("<archive><core></archive>", "meta.xml");
    ADD_FAILURE() << "parsed";
  } catch (const ArchiveError& e) {
    EXPECT_NE(std::string(e.what()).find("meta.xml: not well-formed XML at byte 17"),
              std::string::npos)
        << e.what();
  }
  std::string deep;
  for (int i = 0; i < kMaxXmlDepth + 1; ++i) deep += "<a>";
  for (int i = 0; i < kMaxXmlDepth + 1; ++i) deep += "</a>";
  EXPECT_THROW(parse_xml(deep, "deep.xml"), ArchiveError);
  EXPECT_THROW(parse_xml("just text", "t.xml"), ArchiveError);
}

}  // namespace
}  // namespace kelvaro::dwc

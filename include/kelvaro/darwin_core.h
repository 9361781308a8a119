#pragma once
// Darwin Core archives read as a long table of detection records (library kelvaro_darwin_core):
// the sampling-event and occurrence data that monitoring schemes publish (GBIF, OBIS, national
// portals), turned into the rows group, sample, site, species, count that kelvaro-prep and
// kelvaro-batch read from a long table, so that every rule of the long table (label order, sites
// of a sample, rows that are not detections, problems) applies unchanged. The data set's
// citation comes with the rows.
//
// An archive is a set of named files (ArchiveFiles): a folder, a zip (kelvaro/darwin_core_files.h
// opens both from disk), or files held in memory (FileMap: what a web page, R or Python hands
// over). Its tables are described by meta.xml when it has one, as the Darwin Core text guide
// defines it; without meta.xml, by their header rows: an event table (a header naming eventID and
// no taxon) and an occurrence table (eventID and scientificName or taxonID), whatever the files
// are called. XML is read through a parser the caller supplies, or given already parsed as
// element trees (XmlElement), so that this library holds the Darwin Core rules and no XML or zip
// code of its own.
//
// How an archive becomes records:
//   - Terms are matched on the last segment of their URI, ASCII case ignored:
//     http://rs.tdwg.org/dwc/terms/eventID is eventID.
//   - Occurrences join their event by the core id (meta.xml's <coreid>; without meta.xml the
//     occurrence's eventID). A term empty on an event is taken from its parent event, following
//     parentEventID to the root; a term empty on an occurrence is taken from its event. So a
//     child observation event inherits its walk's locationID and date. eventID and parentEventID
//     themselves are never inherited.
//   - year, month and day empty are taken from the eventDate of the same row before anything is
//     inherited (ISO 8601: 2019-05-03, 2019-05-03T10:05, 2019-05, 2019, 20190503, or an interval
//     2019-05-03/2019-05-10, whose start counts), written without leading zeros for month and
//     day: eventDate 2019-05-03 gives year 2019, month 5, day 3.
//   - An occurrence is a detection unless its occurrenceStatus is absent or its count is 0. The
//     count is the --count term when one is named (read as a long table's count cell: a number
//     above 0, x, TRUE, yes, present are detections; 0, empty, FALSE, no, absent are not), else
//     individualCount, else organismQuantity, else the occurrence is present; a count that is not
//     a number (organismQuantity "r", "+") counts as present, with a warning.
//   - Every event without child events (a leaf of the hierarchy) is one visit of its site: with
//     no occurrence, or only absences, it is a site surveyed where nothing was found (a row that
//     is not a detection). Events with child events are containers: they give their terms to
//     their children and add no site of their own (an occurrence attached to one is kept, with a
//     warning). In an occurrence-core archive the events are the occurrences' eventIDs.
//   - The long table's columns are terms: group locationID (one group "all" when the archive has
//     no locationID), sample year, site eventID, species scientificName (taxonID with
//     taxon_id). Sites are the distinct values of the site term within a sample: several events
//     with the same locationID are one site when the site term is locationID.
//   - Records whose taxon is above species rank (taxonRank genus, family, ...; without taxonRank,
//     a scientificName of one word or ending in "sp." or "spp.") are kept and counted in the
//     warning above_species_rank, or left out with species_rank_only (their visit still counts).
//   - Rows come in the event table's order: each event's occurrences in the occurrence table's
//     order, then, for a leaf event that gave no record, one row that is not a detection. In an
//     occurrence-core archive, the occurrences' order.
//
//   event.txt (core, id eventID)                 occurrence.txt (extension, coreid eventID)
//   eventID,parentEventID,locationID,eventDate   eventID,scientificName,occurrenceStatus
//   walk1,,R7,2019-05-03                         walk1-a,Parus major,present
//   walk1-a,walk1,,                              walk1-a,Sitta europaea,absent
//   walk1-b,walk1,,
//
//   rows:  group R7, sample 2019, site walk1-a, species Parus major, detected
//          group R7, sample 2019, site walk1-a, species Sitta europaea, not detected
//          group R7, sample 2019, site walk1-b, no species, not detected  (surveyed, nothing found)
//
// Refused (ArchiveError naming the archive, csv::InputError naming file, line and column): a
// malformed meta.xml (no <archive>, no core, a field index that is not a number, a separator or
// quote of more than one character, an encoding other than UTF-8, UTF-16, Latin-1 or
// Windows-1252), a file meta.xml names and the archive lacks, a core that holds neither events nor
// occurrences, an event core without an occurrence extension, an occurrence whose core id names
// no event, an event given twice, parentEventID going round in a loop, a term given to an option
// that no table holds (the message lists those it holds), and a record whose group, sample or site
// is empty (with its own row's terms and its events') or a detection without a species. Liberal
// where published archives are sloppy, each with a warning: blanks or TABs around a term URI, a
// UTF-8 byte-order mark, CR LF line ends where meta.xml says LF, <id> where <coreid> was meant,
// literal NA cells (read as empty), a file name in another case than meta.xml writes it, cells
// that are not UTF-8 in a UTF-8 file (read as Windows-1252), rows shorter than the fields,
// a parentEventID that names no event (the event is a root), a header row that meta.xml does
// not announce.
//
// Memory: the event table (the terms used, each distinct value once) and four integers per
// occurrence; the occurrence table is read as a stream. Thread safety: every function is
// reentrant; an ArchiveFiles, a DarwinCoreTable and a LongTableSource are used by one thread at a
// time. The caller owns the files it hands in; a table keeps no reference to them once read.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kelvaro/byte_source.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::dwc {

// An archive refused as a whole: "survey.zip: meta.xml names the core file event.txt, which the
// archive does not hold (it holds meta.xml, occurrence.txt)". The programs print it after their
// name and exit with status 2.
class ArchiveError : public std::runtime_error {
 public:
  ArchiveError(std::string archive, std::string reason)
      : std::runtime_error(archive + ": " + reason),
        archive_(std::move(archive)),
        reason_(std::move(reason)) {}
  const std::string& archive() const { return archive_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string archive_;
  std::string reason_;
};

// The files of an archive by name: relative paths with '/' between folders ("meta.xml",
// "data/event.txt"). At most one file is open at a time.
class ArchiveFiles {
 public:
  virtual ~ArchiveFiles() = default;
  // What messages call the archive: its path, or the name a face gave it.
  virtual const std::string& name() const = 0;
  // Every file, in name order (byte order).
  virtual std::vector<std::string> list() = 0;
  // Opens a file of list() for reading; its ByteSource names it "<archive>/<file>". Throws
  // ArchiveError (an entry that cannot be read: encrypted, compressed by an unknown method, larger
  // than the limits against zip bombs) and tools::ReadError.
  virtual std::unique_ptr<tools::ByteSource> open(const std::string& file) = 0;
  // Names the container left out because they would reach outside it ("../x", "/etc/passwd").
  virtual std::vector<std::string> left_out() const { return {}; }
};

// Files held in memory, as a face hands them over (the entries of a zip unpacked by the browser,
// by R or by Python). Names are taken as zip entries are: backslashes become '/', a leading "./"
// goes; a name that would reach outside the archive (an absolute path, a ".." part) is left out.
// A name given twice keeps its last bytes.
class FileMap : public ArchiveFiles {
 public:
  explicit FileMap(std::string name) : name_(std::move(name)) {}
  void add(std::string file, std::string bytes);
  const std::string& name() const override { return name_; }
  std::vector<std::string> list() override;
  std::unique_ptr<tools::ByteSource> open(const std::string& file) override;
  std::vector<std::string> left_out() const override { return left_out_; }

 private:
  std::string name_;
  std::map<std::string, std::string> files_;
  std::vector<std::string> left_out_;
};

// A folder on disk, its files listed down to three folders deep (at most 10,000 of them). Throws
// ArchiveError when `path` is not a folder that can be read.
class FolderFiles : public ArchiveFiles {
 public:
  explicit FolderFiles(std::string path);
  const std::string& name() const override { return path_; }
  std::vector<std::string> list() override { return files_; }
  std::unique_ptr<tools::ByteSource> open(const std::string& file) override;

 private:
  std::string path_;
  std::vector<std::string> files_;
};

// An XML element as a parser gives it: what meta.xml and eml.xml are read from. Names are local
// (the namespace prefix dropped: "eml:eml" is "eml", "xml:lang" is "lang"); attribute values and
// text have their entities and character references replaced.
//
//   <field index="3" term="http://rs.tdwg.org/dwc/terms/eventID"/>
//     -> {"field", {{"index", "3"}, {"term", "http://rs.tdwg.org/dwc/terms/eventID"}}, {}, ""}
//   <para>Licensed <ulink url="u"><citetitle>CC BY</citetitle></ulink>.</para>
//     -> text "Licensed CC BY."  (as the DOM's textContent, and R's xml2::xml_text)
struct XmlElement {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::vector<XmlElement> children;  // child elements, in document order
  std::string text;                  // all character data inside, descendants' too, in order

  // The value of the attribute `local_name` (ASCII case ignored), or nullptr.
  const std::string* attribute(std::string_view local_name) const;
};

// Parses a whole XML document, its root element returned. Throws ArchiveError for a document that
// is not well-formed (naming `file` and the place).
using XmlParser = std::function<XmlElement(std::string_view bytes, const std::string& file)>;

// Elements nested deeper than this are refused by parsers (no archive's XML comes near it), so
// that a hostile document cannot exhaust the stack of code that walks a tree.
inline constexpr int kMaxXmlDepth = 64;
// meta.xml and eml.xml are read whole; larger ones are refused (meta.xml) or passed over with a
// warning (eml.xml).
inline constexpr std::size_t kMaxXmlBytes = std::size_t{8} << 20;

// What a face hands over: the files, and the XML either parsed here by `parse_xml` or already
// parsed by the face (`trees`, by file name: a web page's DOMParser, R's xml2). A tree given for a
// file is used instead of parsing it; an XML file needed with neither is an ArchiveError.
struct ArchiveInput {
  ArchiveFiles* files = nullptr;  // required; borrowed until the table is read
  XmlParser parse_xml;
  std::map<std::string, XmlElement> trees;
};

// The long table's columns as terms; an empty term takes the default.
struct ArchiveOptions {
  std::string group;               // default locationID (one group "all" when the archive has none)
  std::string sample;              // default year
  std::string site;                // default eventID
  std::string species;             // default scientificName, or taxonID with taxon_id
  std::string count;               // default individualCount, then organismQuantity, then presence
  bool taxon_id = false;           // the species are taxonIDs, not scientificNames
  bool species_rank_only = false;  // records of taxa above species rank are left out
};

// The data set's citation, from the metadata file (eml.xml: dataset/title, creator,
// intellectualRights, pubDate, alternateIdentifier, and GBIF's additionalMetadata citation), and
// where that is missing from the tables' own terms (datasetName, rightsHolder, license,
// datasetID, bibliographicCitation). Every field may be empty.
struct Citation {
  std::string metadata_file;  // "eml.xml"; empty when the archive has no metadata file
  std::string title;
  std::vector<std::string> creators;  // "Given Surname", or an organisation
  std::string licence;                // the licence as written ("CC-BY 4.0", a URL)
  std::string licence_url;            // its first link, when it has one
  std::string published;              // pubDate
  std::string identifier;             // a DOI or URL of the data set
  // The citation the publisher gives, or one made from creators, year, title and identifier:
  // "Smith J, Doe A (2022). Grouse line transects. https://doi.org/10.15468/abc".
  std::string text;
  bool empty() const { return title.empty() && text.empty() && licence.empty(); }
};

// A warning about how the archive was read: its kind (below), how many cells, rows or records it
// concerns, and a sentence that says what was done and what to do.
//   above_species_rank  records of taxa above species rank kept (or left out)
//   na_cells            literal NA cells read as empty
//   term_blanks         blanks or TABs around a term URI in meta.xml
//   byte_order_mark     a UTF-8 byte-order mark at the start of a table
//   line_ends           CR LF line ends where meta.xml says LF
//   id_for_coreid       <id> where <coreid> was meant (or the reverse)
//   file_name_case      a file found under another case than meta.xml writes it
//   encoding            cells that are not UTF-8 in a UTF-8 table, read as Windows-1252
//   short_rows          rows with fewer fields than the table's fields (the rest read as empty)
//   header_row          a first row of term names that meta.xml does not announce, skipped
//   unknown_parent      a parentEventID that names no event (the event taken as a root)
//   container_records   occurrences attached to events that have child events
//   count_not_number    counts that are not numbers, taken as present
//   no_location         no locationID in the archive: every record in one group "all"
//   left_out_entries    entries of a zip whose names reach outside it
//   metadata            the metadata file could not be read (the citation is incomplete)
//   other_tables        files or extensions that are not read (multimedia, measurements...)
struct ArchiveWarning {
  std::string kind;
  std::uint64_t count = 1;
  std::string message;
};

// One row of the long table. The views stay valid as long as the table.
struct LongRow {
  std::string_view group, sample, site;
  std::string_view species;  // empty on a row that is not a detection and names no species
  bool detected = true;
};

// The terms each column of the long table was read from, for messages and source.json.
struct ColumnTerms {
  std::string group;  // "locationID", or empty for the one group "all"
  std::string sample, site, species;
  std::vector<std::string> count;  // in order of use: {"individualCount", "organismQuantity",
                                   // "occurrenceStatus"}, or the one named
};

class ArchiveReader;  // internal

// An archive read as a long table.
class DarwinCoreTable {
 public:
  // Finds the tables (meta.xml, or the header rows of the files), reads meta.xml and the metadata
  // file, and checks the options' terms against the tables. Throws ArchiveError, csv::InputError,
  // tools::ReadError. Requires: input.files is set and outlives read().
  DarwinCoreTable(const ArchiveInput& input, const ArchiveOptions& options);
  ~DarwinCoreTable();
  DarwinCoreTable(DarwinCoreTable&&) noexcept;
  DarwinCoreTable& operator=(DarwinCoreTable&&) noexcept;

  // Called every few thousand rows read with the number read so far; returns false to stop.
  using GoOn = std::function<bool(std::uint64_t rows)>;

  // Reads the events and occurrences into rows. Returns false when `go_on` (if given) stopped
  // it. Throws ArchiveError, csv::InputError (the first refused row), tools::ReadError.
  bool read(const GoOn& go_on = {});

  // The rows, once read() returned true.
  std::size_t size() const;
  // Requires: i < size().
  LongRow row(std::size_t i) const;

  // "survey.zip (Darwin Core archive: Event core event.txt, Occurrence extension
  // occurrence.txt)".
  std::string description() const;
  const std::string& archive() const;
  const ColumnTerms& terms() const;
  // The terms the event and occurrence tables hold, each once (ASCII case ignored) in the order
  // of their columns, then year, month and day when eventDate gives them: what the options may
  // name (a face offers them to pick from).
  std::vector<std::string> held_terms() const;
  const Citation& citation() const;
  // In the order of the kinds above; complete once read() returned true.
  std::vector<ArchiveWarning> warnings() const;

 private:
  std::unique_ptr<ArchiveReader> reader_;
};

// The long table of a read archive as CSV, for the readers of long tables
// (kelvaro/surveys.h DetectionTable, prep::load_long): a header row group,sample,site,species,count
// and one row per record, count 1 or 0, CR LF line ends, fields quoted where needed. Made as it is
// read, a row at a time. Its name (for messages) is "<archive> as a long table".
//
//   group,sample,site,species,count
//   R7,2019,walk1-a,Parus major,1
//   R7,2019,walk1-b,,0
class LongTableSource : public tools::ByteSource {
 public:
  // Requires: the table was read, and outlives the source.
  explicit LongTableSource(const DarwinCoreTable& table);
  std::size_t read(char* buffer, std::size_t capacity) override;
  const std::string& name() const override { return name_; }

 private:
  const DarwinCoreTable& table_;
  std::string name_;
  std::string pending_;  // the part of a row not yet handed out
  std::size_t next_row_ = 0;
  bool header_done_ = false;
};

// The columns of LongTableSource's table, with the options of a long table.
csv::LongTableOptions long_table_options(bool fold_case);

// The whole long table as one text (LongTableSource's bytes).
std::string long_table_text(const DarwinCoreTable& table);

// The citation in one line, for standard error: "data: <title> by <creators> (<published>),
// licence <licence>; cite as: <text>". Empty fields are left out; empty for an empty citation.
std::string citation_line(const Citation& citation);

// source.json: the archive, how it was read (tables, terms, records, warnings) and its citation,
// as a JSON object, written beside the results so that whoever publishes them can cite the data.
std::string source_json(const DarwinCoreTable& table);

}  // namespace kelvaro::dwc

namespace kelvaro::prep {

// Two samples from an archive's long table, as load_long takes them from a long table (its
// group column ignored): the table must hold exactly two samples, or `first` and `second` name
// the two to take (rows of other samples are left out). The survey's sources say where the
// samples come from and the data set's citation, for the audit file. Throws as load_long.
Survey load_darwin_core(const dwc::DarwinCoreTable& table, const TableOptions& options,
                        const std::optional<std::string>& first,
                        const std::optional<std::string>& second);

}  // namespace kelvaro::prep

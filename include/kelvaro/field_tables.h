#pragma once
// Detection tables of field data, read (library kelvaro_field_tables): the CSV dialects that
// spreadsheets write, refusals that name the file, line and column and say how to put them
// right, the columns of a long table of records, and two samples read from two site-by-species
// tables or from one long table into a Survey of kelvaro-prep's (the blocks of a kelvaro input
// are made from it: kelvaro/surveys.h). Tables are read as streams: memory holds the current row
// and the labels, whatever the table's length.
//
// Every function here is reentrant; a Survey or reader is used by one thread at a time. The
// caller owns the sources it reads (kelvaro/byte_source.h) and the surveys it is given back.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kelvaro/byte_source.h"
#include "kelvaro/labels.h"
#include "kelvaro/natural_order.h"

namespace kelvaro::csv {

// The refusal of a table: input that cannot become a kelvaro input, located by file, separator,
// line and column (the CSV column, counted from 1), with a reason that says what to do. The
// programs print it after their name and exit with status 2.
//
//   {"plots.csv", ';', 4, 2, "..."}  ->  "plots.csv (semicolon-separated), line 4, column 2: ..."
//   {"plots.csv", 0, 0, 0, "..."}    ->  "plots.csv: ..."   (no line: the file as a whole)
//   {"records", 0, 4, 2, "...", kRow} ->  "records, row 4, column 2: ..."   (a table in memory,
//                                                                          LineUnit of labels.h)

class InputError : public std::runtime_error {
 public:
  // `separator` 0: not known or not relevant (left out of the message).
  InputError(std::string file, long line, long column, const std::string& reason,
             char separator = 0, LineUnit unit = LineUnit::kFileLine);

  const std::string& file() const { return file_; }
  long line() const { return line_; }
  long column() const { return column_; }
  const std::string& reason() const { return reason_; }
  LineUnit unit() const { return unit_; }

 private:
  std::string file_;
  long line_;
  long column_;
  std::string reason_;
  LineUnit unit_;
};

// The CSV dialects of field data: comma-separated (RFC 4180), semicolon-separated with decimal
// commas (what spreadsheets write where the comma is the decimal mark), and tab-separated. The
// separator is found in the header row: the one of the three that occurs most often outside
// quotes; ties go to comma, then semicolon; a header with none of them is one comma column.
//
//   site,a,b            -> ','      site;Genus, sp.;b -> ';'      "a;b",c -> ','
//   site<TAB>a;b<TAB>c  -> '\t'     site              -> ','

// "comma", "semicolon" or "tab". Requires: separator is one of ',', ';', '\t'.
std::string separator_name(char separator);

// True where numbers are written with a decimal comma ("0,5"): with the semicolon.
inline bool decimal_comma(char separator) { return separator == ';'; }

// The separator of a header row given without its line end.
char detect_separator(std::string_view header);

// The separator an option names: ",", ";", a tab character, or the words comma, semicolon, tab
// (any case). Degenerate input: anything else gives nullopt.
std::optional<char> separator_from_option(std::string_view text);

// The --sep option of the programs: sets `separator` to what `text` names (left as it is when
// `text` is empty) and returns nullopt, or returns the message for text that names none:
// "--sep 'x': give comma, semicolon or tab (or the character , or ;)".
std::optional<std::string> read_separator_option(std::string_view text,
                                                 std::optional<char>& separator);

// The columns of a long table (one row per record: sample, site, species and, optionally, group
// and count), found by name in its header (ASCII case and blanks around names ignored); other
// columns are ignored. A count column says per record whether the species was detected (0,
// empty, FALSE... are not: a record that is not a detection still makes its site a visited site
// of its sample); without one every record is a detection.
//
//   sample,site,species,count          record (line 2): sample "2019", site "s1", species "Sp.A",
//   2019,s1,Sp.A,2                                      detected
//   2019,s2,,0                         record (line 3): site "s2" visited, nothing detected
enum class LongColumn { kGroup, kSample, kSite, kSpecies, kCount };

struct LongTableColumns {
  std::string group;  // empty: no group column (every record is in one group, labelled "")
  std::string sample = "sample";
  std::string site = "site";
  std::string species = "species";
  std::string count;  // empty: count, detected or abundance if the header has one
};

struct LongTableOptions {
  LongTableColumns columns;
  std::optional<char> separator;  // nullopt: found in the header row
  bool na_absent = false;         // NA or NaN in the count column: not detected (else refused)
  bool fold_case = false;         // site and species names that differ only in case or blanks
                                  // around them are one name (else: separate, with a variant)
};

// A required column (or the named count column) that the header lacks. The message is about
// role(), the first lacking in the order group, sample, site, species, count; missing() lists
// every column the options name that the header lacks, in that order, so that a user can be
// shown them all at once (a page, a dialog) rather than one per attempt.
//
//   header "Year,Stop,AOU", options sample/site/species:  role() sample,
//   missing() {sample, site, species}
class MissingColumn : public InputError {
 public:
  MissingColumn(const InputError& error, LongColumn role, std::vector<LongColumn> missing = {})
      : InputError(error), role_(role), missing_(std::move(missing)) {
    if (missing_.empty()) missing_.push_back(role);
  }
  LongColumn role() const { return role_; }
  const std::vector<LongColumn>& missing() const { return missing_; }

 private:
  LongColumn role_;
  std::vector<LongColumn> missing_;
};

// The names of a table's header row (its first row that is not blank) as written, read with the
// separator given or found as the readers here find it; empty for a file without a row. Lets a
// user pick a long table's columns by name. Throws InputError (a header row the CSV rules
// refuse), ReadError.
std::vector<std::string> header_names(tools::ByteSource& source, std::optional<char> separator);

// The text of a column role in messages: "group", "sample", "site", "species", "count".
std::string role_name(LongColumn role);

// A long table that can be read at any offset (a regular file) is read in parts of this many
// bytes, on the threads of the ordered pool: about a millisecond of reading, records of a few
// MiB, so that the parts in hand (a few per thread) cost little beside what is read, while each
// part's fixed work stays small beside its rows (256 KiB parts took 10-15% longer in all).
inline constexpr std::size_t kPartBytes = std::size_t{512} << 10;

// A long table held in memory as columns, for a program that holds its records already (a data
// frame of R or Python): one value per record in each column, each column coded as a factor is,
// record i's value being labels[codes[i]]. The records mean what the rows of a long table file
// mean (above), and are read with the same checks and messages, record i (from 0) being row
// i + 1 of the table: an empty group, sample or site, an empty species on a detection, and a
// count value that is not a detection value (the cells of kelvaro/field_tables.h, as text:
// "0", "2.5", "TRUE", "NA" ...) are refused at their row and column. A program gives a missing
// value as a label: "" in a column of labels (refused there, but for the species of a record
// that is not a detection), "NA" in the count column.
//
//   sample: codes {0, 0, 1}, labels {"2019", "2020"}      records: ("2019", "s1", "Sp.A"),
//   site:   codes {0, 1, 0}, labels {"s1", "s2"}                   ("2019", "s2", "Sp.B"),
//   species: codes {0, 1, 0}, labels {"Sp.A", "Sp.B"}              ("2020", "s1", "Sp.A")
struct CodedColumn {
  std::string name;                  // the column's name, for messages
  long position = 0;                 // its place in the program's table (from 1), for messages
  std::vector<std::uint32_t> codes;  // one per record: an index into labels
  std::vector<std::string> labels;
};

struct ColumnTable {
  std::string name = "table";        // the table's name in messages
  std::optional<CodedColumn> group;  // none: every record in one group, labelled ""
  CodedColumn sample, site, species;
  std::optional<CodedColumn> count;  // none: every record is a detection

  // The number of records: the sample column's length.
  std::size_t records() const { return sample.codes.size(); }
};

}  // namespace kelvaro::csv

namespace kelvaro::tools {

// Input text as messages show it: in double quotes, with control bytes escaped so that a NUL
// cannot cut a message short nor a line end break it, and cut after kExcerptCharacters
// characters so that one huge cell cannot make a huge message. UTF-8 characters stay whole.
//
//   sp. a              ->  "sp. a"
//   a<TAB>b<NUL>"c\    ->  "a\tb\x00\"c\\"
//   500 x 'a'          ->  "aaa...a"... (500 bytes)      (60 a's inside the quotes)

// About one terminal line's worth: enough to recognise a name, short enough to read.
inline constexpr std::size_t kExcerptCharacters = 60;

std::string quoted_excerpt(std::string_view text);

}  // namespace kelvaro::tools

namespace kelvaro::prep {

// The most sites a sample may have: kelvaro's limit (kelvaro::kMaxSampleSites in kelvaro.h). A
// block's storage grows with its sites; the limit keeps a typing slip (a transposed table of
// 50,000 species as sites) from asking for a run that could never be read. Earlier versions took
// at most 98, because kelvaro kept a block's frequency classes in 100 elements.
inline constexpr int kMaxSites = 1000;

// The sites of one sample at which a species was detected, as a set of site indices
// 0..kMaxSites-1: two machine words in the set itself for sites 0..127, and the words of sites
// 128 and above in a block of 112 bytes allocated with the first of them. A million species of
// samples up to 128 sites take 24 MB, and counting a set's sites or walking them costs a few
// instructions per 64 sites.
//
//   add(0); add(2); add(0); add(700)  ->  count() == 3,  for_each visits 0, 2, then 700

class SiteSet {
 public:
  SiteSet() = default;
  SiteSet(const SiteSet& other) { *this = other; }
  SiteSet& operator=(const SiteSet& other);
  SiteSet(SiteSet&&) noexcept = default;
  SiteSet& operator=(SiteSet&&) noexcept = default;

  // Requires: 0 <= site < kMaxSites.
  void add(int site) { word(site / 64) |= std::uint64_t{1} << (site % 64); }
  bool contains(int site) const { return (word_at(site / 64) >> (site % 64)) & 1u; }
  int count() const;
  bool empty() const;
  // Calls visit(site) for every site of the set, in increasing order.
  template <class Visit>
  void for_each(Visit visit) const {
    const int words = more_ ? kWords : kInlineWords;
    for (int w = 0; w < words; ++w) {
      for (std::uint64_t bits = word_at(w); bits != 0; bits &= bits - 1) {
        visit(w * 64 + std::countr_zero(bits));
      }
    }
  }

 private:
  static constexpr int kInlineWords = 2;
  static constexpr int kWords = (kMaxSites + 63) / 64;

  std::uint64_t word_at(int w) const {
    if (w < kInlineWords) return small_[w];
    return more_ ? more_[w - kInlineWords] : 0;
  }
  std::uint64_t& word(int w);

  std::uint64_t small_[kInlineWords] = {0, 0};  // sites 0..127
  std::unique_ptr<std::uint64_t[]> more_;       // sites 128..: kWords - 2 words, or none
};

// What kelvaro-prep reads from its tables: two samples, each with its sites in input order, the
// species named for it and the sites at which each was detected, and the species names shared
// by both (so that a species is the same integer in either sample). Plus what the audit file and
// the warnings report about how the tables were read.

class Sample {
 public:
  std::string label;               // sample label (long table) or file name (wide)
  std::vector<std::string> sites;  // site names, in input order (at most kMaxSites)

  // Names species `id` for this sample (a header column, a record); again: no change.
  void name(std::uint32_t id);
  // Records a detection of species `id` at site index `site` (naming it too).
  // Requires: 0 <= site < kMaxSites.
  void detect(std::uint32_t id, int site);

  // The species named for the sample, in order of first naming.
  const std::vector<std::uint32_t>& species() const { return species_; }
  bool names(std::uint32_t id) const { return id < named_.size() && named_[id]; }
  // The sites at which species `id` was detected (empty when never).
  const SiteSet& detected_at(std::uint32_t id) const {
    return id < detections_.size() ? detections_[id] : none_;
  }
  bool has_detection() const { return detected_species_ > 0; }

 private:
  std::vector<std::uint32_t> species_;
  std::vector<bool> named_;          // by species id
  std::vector<SiteSet> detections_;  // by species id
  std::size_t detected_species_ = 0;
  SiteSet none_;  // the sites of a species never detected (a member: no shared static object)
};

struct Survey {
  explicit Survey(bool fold_case) : species("species", fold_case) {}

  csv::NamePool species;  // the species names of both samples
  Sample sample1, sample2;

  // How the tables were read, for the audit file.
  std::vector<std::string> sources;             // "Sample 1: a.csv (comma-separated)"
  std::optional<std::string> count_column;      // long table: the count column's name
  bool na_absent = false;                       // NA and NaN taken as absent
  std::vector<csv::NameVariant> site_variants;  // sites named two ways (merged when folding)
  std::vector<std::string> table_warnings;      // "a.csv: the table looks transposed: ..."
};

// Reading kelvaro-prep's input tables into a Survey: two site-by-species tables (one per
// sample), or one long table of records holding both samples. Both are read as streams and stop
// at the first refusal (a site beyond kMaxSites is refused as soon as it is read). Every refusal
// names the file, its separator, the line and the column, and says how to put it right.

struct TableOptions {
  std::optional<char> separator;  // nullopt: found in each file's header row
  bool na_absent = false;         // NA and NaN cells are absent (else refused)
  bool fold_case = false;         // names differing only in case or blanks around them are one
  // A long table without `first`: Sample 1 is the label that appears first (kFile), or the one
  // that comes first in natural order (kNatural: "week 8" before "week 12"; natural_order.h).
  tools::SampleOrder sample_order = tools::SampleOrder::kFile;
};

// A refusal of the command as a whole (the message is a full sentence naming the program).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a cell of a detection table (or a long table's count cell) says about one species at one
// site, in the words spreadsheets of field data hold (any case, blanks around ignored; with a
// decimal comma "0,5" is a half):
//   detected:      a number above 0 ("3", "0.5", "1e-3"), x, TRUE, yes, present
//   not detected:  empty, a number of 0 or below, FALSE, no, absent
//   refused:       NA, NaN (a missing value: fill it in, or take it as absent with na_absent),
//                  and anything else

// A site-by-species table: header row = (site column title, species names...), then one row per
// site = (site name, cells...), each cell as above. Names the species in `survey.species` and
// fills `sample` (whose label becomes the file name); `role` ("Sample 1")
// heads the file's line in survey.sources; a table that looks transposed adds a warning to
// survey.table_warnings (and a refusal for too many sites says so). Throws InputError for: no
// header, no species column, an empty or repeated species name, a row whose number of fields
// differs from the header's (at the first missing or extra column), an empty or repeated site
// name, a refused cell, more than kMaxSites sites, no detection at all; ReadError. Rows whose
// fields are all empty are skipped.
void load_wide(tools::ByteSource& source, const TableOptions& options, Survey& survey,
               Sample& sample, const std::string& role);

// Both samples from their site-by-species tables, Sample 1 first. Throws as load_wide.
Survey load_wide_pair(tools::ByteSource& first, tools::ByteSource& second,
                      const TableOptions& options);

// How a file's dialect is described in the audit file: "semicolon-separated, decimal comma".
std::string source_dialect(char separator);

// A long table (above) holding exactly two samples, one row per record; a record
// given twice counts once. Sample 1 is `first` when given, else the label that appears first or
// comes first in natural order (options.sample_order). With `first` and `second` both given, the
// table may hold other samples: their rows are left out. Throws UsageError when the table has no
// sample column (a wide table given alone), InputError for: other missing columns, other than two
// sample labels, `first` or `second` not among them, more than kMaxSites sites in a sample, a
// sample without detection; ReadError.
Survey load_long(tools::ByteSource& source, const TableOptions& options,
                 const csv::LongTableColumns& columns, const std::optional<std::string>& first,
                 const std::optional<std::string>& second = std::nullopt);

}  // namespace kelvaro::prep

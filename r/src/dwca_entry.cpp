// Runs on a Darwin Core archive (kelvaro_dwca()): the archive read by the library's Darwin Core
// reader (kelvaro/darwin_core.h) into a long table and that table read as kelvaro-batch reads
// it, into the survey whose pairs long_entry.cpp makes and analyses. The R code hands over a
// folder's path or a zip's entries (unpacked by R), and parses XML with the xml2 package when
// the reader asks for a file's element tree.

#include <Rcpp.h>

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "entry_guard.h"
#include "kelvaro/darwin_core.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/surveys.h"
#include "long_survey.h"

namespace {

namespace dwc = kelvaro::dwc;
namespace batch = kelvaro::batch;
using Rcpp::_;

// An element tree as the R code builds it: list(name, attributes (a named character vector),
// children (a list of such lists), text). Requires: no deeper than kMaxXmlDepth (the R code
// refuses deeper ones).
dwc::XmlElement element_of(const Rcpp::List& tree, int depth) {
  if (depth > dwc::kMaxXmlDepth) throw std::invalid_argument("an element tree nested too deep");
  dwc::XmlElement e;
  e.name = Rcpp::as<std::string>(tree["name"]);
  const Rcpp::CharacterVector values = tree["attributes"];
  if (values.size() > 0) {
    const Rcpp::CharacterVector names = values.names();
    for (R_xlen_t i = 0; i < values.size(); ++i) {
      e.attributes.emplace_back(Rcpp::as<std::string>(names[i]), Rcpp::as<std::string>(values[i]));
    }
  }
  const Rcpp::List children = tree["children"];
  for (R_xlen_t i = 0; i < children.size(); ++i) {
    e.children.push_back(element_of(children[i], depth + 1));
  }
  e.text = Rcpp::as<std::string>(tree["text"]);
  return e;
}

// The reader's XML parser: the R function `parse`, which gives an element tree for a file's
// bytes, or list(error = <why not>) for one it refuses (a document that is not well-formed, xml2
// missing), which becomes an ArchiveError naming the file, as the programs' parser refuses it.
dwc::XmlParser r_parser(const Rcpp::Function& parse) {
  return [parse](std::string_view bytes, const std::string& file) {
    Rcpp::RawVector raw(bytes.size());
    std::copy(bytes.begin(), bytes.end(), raw.begin());
    const Rcpp::List tree = parse(raw);
    if (tree.containsElementNamed("error")) {
      throw dwc::ArchiveError(file, Rcpp::as<std::string>(tree["error"]));
    }
    return element_of(tree, 1);
  };
}

dwc::ArchiveOptions options_of(const Rcpp::List& o) {
  dwc::ArchiveOptions options;
  options.group = Rcpp::as<std::string>(o["group"]);
  options.sample = Rcpp::as<std::string>(o["sample"]);
  options.site = Rcpp::as<std::string>(o["site"]);
  options.species = Rcpp::as<std::string>(o["species"]);
  options.count = Rcpp::as<std::string>(o["count"]);
  options.taxon_id = Rcpp::as<bool>(o["taxon_id"]);
  options.species_rank_only = Rcpp::as<bool>(o["species_rank_only"]);
  return options;
}

// The files of the archive: the folder at `folder`, or the zip entries `entries` (raw vectors
// named by their entry names), called `name` in messages.
std::unique_ptr<dwc::ArchiveFiles> files_of(const std::string& name, SEXP folder,
                                            const Rcpp::List& entries) {
  if (!Rf_isNull(folder)) return std::make_unique<dwc::FolderFiles>(Rcpp::as<std::string>(folder));
  auto files = std::make_unique<dwc::FileMap>(name);
  if (entries.size() == 0) return files;
  const Rcpp::CharacterVector names = entries.names();
  for (R_xlen_t i = 0; i < entries.size(); ++i) {
    const Rcpp::RawVector bytes = entries[i];
    files->add(Rcpp::as<std::string>(names[i]),
               std::string(reinterpret_cast<const char*>(RAW(bytes)),
                           static_cast<std::size_t>(bytes.size())));
  }
  return files;
}

Rcpp::List citation_list(const dwc::Citation& c) {
  return Rcpp::List::create(_["metadata_file"] = c.metadata_file, _["title"] = c.title,
                            _["creators"] = Rcpp::wrap(c.creators), _["licence"] = c.licence,
                            _["licence_url"] = c.licence_url, _["published"] = c.published,
                            _["identifier"] = c.identifier, _["text"] = c.text);
}

// What kelvaro_dwca() keeps of how the archive was read (its $source).
Rcpp::List source_list(const dwc::DarwinCoreTable& table) {
  const dwc::ColumnTerms& t = table.terms();
  Rcpp::CharacterVector kind, message;
  Rcpp::NumericVector count;
  for (const dwc::ArchiveWarning& w : table.warnings()) {
    kind.push_back(w.kind);
    count.push_back(static_cast<double>(w.count));
    message.push_back(w.message);
  }
  return Rcpp::List::create(_["archive"] = table.archive(), _["description"] = table.description(),
                            _["records"] = static_cast<double>(table.size()),
                            _["terms"] = Rcpp::List::create(
                                _["group"] = t.group, _["sample"] = t.sample, _["site"] = t.site,
                                _["species"] = t.species, _["count"] = Rcpp::wrap(t.count)),
                            _["citation"] = citation_list(table.citation()),
                            _["citation_line"] = dwc::citation_line(table.citation()),
                            _["warnings"] = Rcpp::DataFrame::create(
                                _["kind"] = kind, _["count"] = count, _["message"] = message,
                                _["stringsAsFactors"] = false),
                            _["json"] = dwc::source_json(table));
}

}  // namespace

// name: the archive as messages call it (the path given). folder: the folder's path, or NULL
// for a zip whose entries are `entries`. parse: the R function that parses an XML file's bytes
// into an element tree. options: list(group, sample, site, species, count (terms, "" for the
// defaults), taxon_id, species_rank_only).
// Returns read_survey_list()'s list with `source` (source_list above), or list(status 2, message)
// for an archive or a record refused.
// [[Rcpp::export(.read_dwca, rng = false)]]
Rcpp::List read_dwca_entry(std::string name, SEXP folder, Rcpp::List entries, Rcpp::Function parse,
                           Rcpp::List options, bool fold_case) {
  return guarded("kelvaro_dwca", [&]() -> Rcpp::List {
    auto survey = std::make_unique<LongSurvey>();
    try {
      const std::unique_ptr<dwc::ArchiveFiles> files = files_of(name, folder, entries);
      dwc::ArchiveInput input;
      input.files = files.get();
      input.parse_xml = r_parser(parse);
      survey->archive.emplace(input, options_of(options));
      if (!survey->archive->read([](std::uint64_t) { return not_interrupted(); })) {
        throw Rcpp::internal::InterruptedException();
      }
      survey->source = std::make_unique<dwc::LongTableSource>(*survey->archive);
      survey->table = std::make_unique<batch::DetectionTable>(
          *survey->source, dwc::long_table_options(fold_case), survey->labels);
      if (!survey->table->read([](std::uint64_t) { return not_interrupted(); })) {
        throw Rcpp::internal::InterruptedException();
      }
    } catch (const std::bad_alloc&) {
      return Rcpp::List::create(
          _["status"] = 2,
          _["message"] = name +
                         ": its events and occurrences do not fit in memory; read it on a "
                         "machine with more memory, or split the archive by years or regions");
    } catch (const std::runtime_error& e) {  // ArchiveError, csv::InputError, tools::ReadError
      return Rcpp::List::create(_["status"] = 2, _["message"] = std::string(e.what()));
    }
    const Rcpp::List source = source_list(*survey->archive);
    Rcpp::List out = read_survey_list(std::move(survey));
    out["source"] = source;
    return out;
  });
}

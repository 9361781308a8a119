// kelvaro.read_dwca: a Darwin Core archive (a zip or a folder) read as kelvaro-batch reads one,
// into the long table its batch analyses (group, sample, site, species, count), with the archive's
// warnings and citation.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "interrupt.h"
#include "kelvaro/darwin_core.h"
#include "kelvaro/darwin_core_files.h"
#include "sources.h"

namespace py = pybind11;
namespace dwc = kelvaro::dwc;

// options: the terms by column name (group, sample, site, species, count; empty: the archive's
// defaults), taxon_id and species_rank_only. progress: None or a callable taking one line of text.
py::dict read_archive(const std::string& path, const py::dict& options,
                      const py::object& progress) {
  dwc::ArchiveOptions o;
  o.group = options["group"].cast<std::string>();
  o.sample = options["sample"].cast<std::string>();
  o.site = options["site"].cast<std::string>();
  o.species = options["species"].cast<std::string>();
  o.count = options["count"].cast<std::string>();
  o.taxon_id = options["taxon_id"].cast<bool>();
  o.species_rank_only = options["species_rank_only"].cast<bool>();

  Interrupt interrupt(progress);
  std::optional<dwc::DarwinCoreTable> table;
  std::string text;
  bool complete = false;
  {
    py::gil_scoped_release release;
    try {
      const std::unique_ptr<dwc::ArchiveFiles> files = dwc::open_archive(path);
      table.emplace(dwc::native_input(*files), o);
      complete = table->read([&](std::uint64_t rows) {
        return !interrupt.requested([&] { return std::to_string(rows) + " records read"; });
      });
      if (complete) text = dwc::long_table_text(*table);
    } catch (const std::bad_alloc&) {
      throw dwc::ArchiveError(path,
                              "its events and occurrences do not fit in memory; read it on a "
                              "machine with more memory, or split the archive by years or "
                              "regions");
    }
  }
  interrupt.rethrow();
  if (!complete) throw std::runtime_error(path + ": the archive's reading stopped");
  py::dict out;
  out["csv"] = text_of(text);
  out["name"] = table->archive() + " as a long table";
  out["description"] = table->description();
  py::list warnings;
  for (const dwc::ArchiveWarning& w : table->warnings()) {
    warnings.append(py::make_tuple(w.kind, w.count, w.message));
  }
  out["warnings"] = warnings;
  const dwc::ColumnTerms& t = table->terms();
  py::dict terms;
  terms["group"] = t.group;
  terms["sample"] = t.sample;
  terms["site"] = t.site;
  terms["species"] = t.species;
  terms["count"] = t.count;
  out["terms"] = terms;
  const dwc::Citation& c = table->citation();
  py::dict citation;
  citation["title"] = c.title;
  citation["creators"] = c.creators;
  citation["licence"] = c.licence;
  citation["licence_url"] = c.licence_url;
  citation["published"] = c.published;
  citation["identifier"] = c.identifier;
  citation["text"] = c.text;
  out["citation"] = citation;
  out["citation_line"] = dwc::citation_line(c);
  out["source_json"] = dwc::source_json(*table);
  return out;
}

// The page's Darwin Core archives (kelvaro/darwin_core.h): the files the page unzipped, with the
// XML the page parsed (DOMParser has no place in a worker, so the trees come ready-made), read
// into the long table that kelvaro-batch makes of an archive, with the archive's terms, warnings,
// citation and source.json. The page then analyses that table as any long table.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "kelvaro/darwin_core.h"

namespace kelvaro::web {
namespace {

using emscripten::val;

val string_array(const std::vector<std::string>& items) {
  val a = val::array();
  for (const std::string& s : items) a.call<void>("push", s);
  return a;
}

std::string text_or_empty(const val& v) { return v.isString() ? v.as<std::string>() : ""; }

// A tree as the page gives it: {name, attributes: [[name, value], ...], children: [...], text}.
// Deeper than kMaxXmlDepth is refused, as the programs' parser refuses it.
dwc::XmlElement element_of(const val& node, const std::string& archive, const std::string& file,
                           int depth) {
  if (depth > dwc::kMaxXmlDepth) {
    throw dwc::ArchiveError(archive, file + ": elements nested more than " +
                                         std::to_string(dwc::kMaxXmlDepth) + " deep");
  }
  dwc::XmlElement e;
  e.name = node["name"].as<std::string>();
  e.text = node["text"].as<std::string>();
  const val attributes = node["attributes"];
  const unsigned n_attributes = attributes["length"].as<unsigned>();
  for (unsigned i = 0; i < n_attributes; ++i) {
    const val pair = attributes[i];
    e.attributes.emplace_back(pair[0].as<std::string>(), pair[1].as<std::string>());
  }
  const val children = node["children"];
  const unsigned n_children = children["length"].as<unsigned>();
  for (unsigned i = 0; i < n_children; ++i) {
    e.children.push_back(element_of(children[i], archive, file, depth + 1));
  }
  return e;
}

dwc::ArchiveOptions archive_options(const val& terms) {
  dwc::ArchiveOptions o;
  o.group = text_or_empty(terms["group"]);
  o.sample = text_or_empty(terms["sample"]);
  o.site = text_or_empty(terms["site"]);
  o.species = text_or_empty(terms["species"]);
  o.count = text_or_empty(terms["count"]);
  o.taxon_id = terms["taxonId"].as<bool>();
  o.species_rank_only = terms["speciesRankOnly"].as<bool>();
  return o;
}

val citation_object(const dwc::Citation& c) {
  val o = val::object();
  o.set("title", c.title);
  o.set("creators", string_array(c.creators));
  o.set("licence", c.licence);
  o.set("licenceUrl", c.licence_url);
  o.set("published", c.published);
  o.set("identifier", c.identifier);
  o.set("text", c.text);
  o.set("metadataFile", c.metadata_file);
  return o;
}

val refused(const std::string& text) {
  val out = val::object();
  out.set("status", 2);
  out.set("message", "kelvaro-batch: " + text);
  out.set("text", text);
  return out;
}

// An archive read as kelvaro-batch reads one. `files`: [{name, bytes}] as the zip or the files
// chosen hold them; `trees`: {file: tree} of the XML files DOMParser read; `xml_errors`: {file:
// message} of those it could not (a file needed then is refused with that message); `terms`: the
// long table's columns as terms (empty: the archive's defaults), taxonId, speciesRankOnly.
// Gives the long table (kelvaro-batch's records, named "<archive> as a long table"), the terms
// read and held, the warnings as kelvaro-batch prints them, the citation and source.json; or
// kelvaro-batch's refusal.
val read_archive(std::string name, val files, val trees, val xml_errors, val terms,
                 val /*progress*/) {
  try {
    dwc::FileMap map(name);
    const unsigned n_files = files["length"].as<unsigned>();
    for (unsigned i = 0; i < n_files; ++i) {
      map.add(files[i]["name"].as<std::string>(), files[i]["bytes"].as<std::string>());
    }
    dwc::ArchiveInput input;
    input.files = &map;
    const val tree_names = val::global("Object").call<val>("keys", trees);
    for (unsigned i = 0; i < tree_names["length"].as<unsigned>(); ++i) {
      const std::string file = tree_names[i].as<std::string>();
      input.trees.emplace(file, element_of(trees[file], name, file, 1));
    }
    std::map<std::string, std::string> errors;
    const val error_names = val::global("Object").call<val>("keys", xml_errors);
    for (unsigned i = 0; i < error_names["length"].as<unsigned>(); ++i) {
      const std::string file = error_names[i].as<std::string>();
      errors.emplace(file, xml_errors[file].as<std::string>());
    }
    // An XML file the page could not parse: refused in the words DOMParser gave.
    input.parse_xml = [&](std::string_view, const std::string& path) -> dwc::XmlElement {
      const std::string file = path.substr(name.size() + 1);
      const auto found = errors.find(file);
      throw dwc::ArchiveError(
          path, found != errors.end() ? found->second : std::string("not well-formed XML"));
    };
    dwc::DarwinCoreTable table(input, archive_options(terms));
    table.read();
    val out = val::object();
    out.set("status", 0);
    out.set("archive", table.archive());
    out.set("name", table.archive() + " as a long table");
    out.set("description", table.description());
    out.set("table", dwc::long_table_text(table));
    out.set("records", static_cast<double>(table.size()));
    const dwc::ColumnTerms& t = table.terms();
    val read = val::object();
    read.set("group", t.group);
    read.set("sample", t.sample);
    read.set("site", t.site);
    read.set("species", t.species);
    read.set("count", string_array(t.count));
    out.set("terms", read);
    out.set("held", string_array(table.held_terms()));
    val warnings = val::array();
    for (const dwc::ArchiveWarning& w : table.warnings()) {
      val o = val::object();
      o.set("kind", w.kind);
      o.set("count", static_cast<double>(w.count));
      o.set("text", table.archive() + ": " + w.message);
      o.set("message", "kelvaro-batch: warning: " + table.archive() + ": " + w.message);
      warnings.call<void>("push", o);
    }
    out.set("warnings", warnings);
    out.set("citation", citation_object(table.citation()));
    out.set("citationLine", dwc::citation_line(table.citation()));
    out.set("source", dwc::source_json(table));
    return out;
  } catch (const std::bad_alloc&) {
    return refused(name +
                   ": its events and occurrences do not fit in memory; read it on a machine with "
                   "more memory, or split the archive by years or regions");
  } catch (const std::runtime_error& e) {  // ArchiveError, InputError, ReadError
    return refused(e.what());
  }
}

}  // namespace
}  // namespace kelvaro::web

EMSCRIPTEN_BINDINGS(kelvaro_darwin_core) {
  emscripten::function("readArchive", &kelvaro::web::read_archive);
}

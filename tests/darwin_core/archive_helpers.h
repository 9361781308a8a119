#pragma once
// Test helper: small archives made in memory, read into rows written "group|sample|site|species|1"
// (the last field 1 for a detection, 0 for a row that is not one).

#include <string>
#include <utility>
#include <vector>

#include "kelvaro/darwin_core.h"
#include "kelvaro/darwin_core_files.h"

namespace kelvaro::dwc {

using Files = std::vector<std::pair<std::string, std::string>>;

inline FileMap file_map(const Files& files, const std::string& name = "a.zip") {
  FileMap map(name);
  for (const auto& [file, text] : files) map.add(file, text);
  return map;
}

inline std::vector<std::string> rows_of(const DarwinCoreTable& table) {
  std::vector<std::string> rows;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const LongRow r = table.row(i);
    rows.push_back(std::string(r.group) + "|" + std::string(r.sample) + "|" + std::string(r.site) +
                   "|" + std::string(r.species) + "|" + (r.detected ? "1" : "0"));
  }
  return rows;
}

// The archive read with pugixml as its parser.
inline DarwinCoreTable read_files(const Files& files, const ArchiveOptions& options = {}) {
  FileMap map = file_map(files);
  DarwinCoreTable table(native_input(map), options);
  table.read();
  return table;
}

inline std::vector<std::string> kinds_of(const DarwinCoreTable& table) {
  std::vector<std::string> kinds;
  for (const ArchiveWarning& w : table.warnings()) kinds.push_back(w.kind);
  return kinds;
}

// meta.xml of an Event core event.txt and an Occurrence extension occurrence.txt, comma-separated
// with one header row; `core_fields` and `extension_fields` are the <field> elements (terms of
// http://rs.tdwg.org/dwc/terms/ by name, index in order), `core_attributes` go on <core>.
inline std::string event_meta(const std::vector<std::string>& core_fields,
                              const std::vector<std::string>& extension_fields,
                              const std::string& core_attributes = "",
                              const std::string& metadata = "") {
  const auto fields = [](const std::vector<std::string>& terms) {
    std::string text;
    for (std::size_t i = 0; i < terms.size(); ++i) {
      text += "<field index=\"" + std::to_string(i) + "\" term=\"http://rs.tdwg.org/dwc/terms/" +
              terms[i] + "\"/>";
    }
    return text;
  };
  return "<?xml version=\"1.0\"?>\n<archive xmlns=\"http://rs.tdwg.org/dwc/text/\"" +
         (metadata.empty() ? std::string() : " metadata=\"" + metadata + "\"") +
         ">\n<core rowType=\"http://rs.tdwg.org/dwc/terms/Event\" ignoreHeaderLines=\"1\" " +
         core_attributes + "><files><location>event.txt</location></files><id index=\"0\"/>" +
         fields(core_fields) +
         "</core>\n<extension rowType=\"http://rs.tdwg.org/dwc/terms/Occurrence\" "
         "ignoreHeaderLines=\"1\"><files><location>occurrence.txt</location></files>"
         "<coreid index=\"0\"/>" +
         fields(extension_fields) + "</extension>\n</archive>\n";
}

}  // namespace kelvaro::dwc

// The data set's citation for standard error and source.json.

#include "kelvaro/darwin_core.h"
#include "kelvaro/tables.h"

namespace kelvaro::dwc {
namespace {

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

std::string json_list(const std::vector<std::string>& items) {
  std::string text = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    text += (i ? ", " : "") + json_string(items[i]);
  }
  return text + "]";
}

}  // namespace

std::string citation_line(const Citation& c) {
  if (c.empty()) return "";
  std::string text = "data:";
  if (!c.title.empty()) text += " " + c.title;
  if (!c.creators.empty()) text += " by " + joined(c.creators);
  if (!c.published.empty()) text += " (" + c.published + ")";
  if (!c.licence.empty()) text += "; licence: " + c.licence;
  if (!c.text.empty()) text += "; cite as: " + c.text;
  return text;
}

std::string source_json(const DarwinCoreTable& table) {
  const Citation& c = table.citation();
  const ColumnTerms& t = table.terms();
  std::string text = "{\n";
  const auto member = [&](const char* name, const std::string& value, bool last = false) {
    text += std::string("  ") + json_string(name) + ": " + value + (last ? "\n" : ",\n");
  };
  member("about", json_string("the data set these results were computed from: cite it with them"));
  member("archive", json_string(table.archive()));
  member("read_as", json_string(table.description()));
  member("title", json_string(c.title));
  member("creators", json_list(c.creators));
  member("published", json_string(c.published));
  member("licence", json_string(c.licence));
  member("licence_url", json_string(c.licence_url));
  member("identifier", json_string(c.identifier));
  member("citation", json_string(c.text));
  member("metadata_file", json_string(c.metadata_file));
  text += "  \"terms\": {\"group\": " + json_string(t.group) +
          ", \"sample\": " + json_string(t.sample) + ", \"site\": " + json_string(t.site) +
          ", \"species\": " + json_string(t.species) + ", \"count\": " + json_list(t.count) +
          "},\n";
  member("records", std::to_string(table.size()));
  std::string warnings = "[";
  const std::vector<ArchiveWarning> all = table.warnings();
  for (std::size_t i = 0; i < all.size(); ++i) {
    warnings += std::string(i ? ",\n" : "\n") + "    {\"kind\": " + json_string(all[i].kind) +
                ", \"count\": " + std::to_string(all[i].count) +
                ", \"message\": " + json_string(all[i].message) + "}";
  }
  member("warnings", warnings + (all.empty() ? "]" : "\n  ]"), true);
  return text + "}\n";
}

}  // namespace kelvaro::dwc

#include "darwin_core/data_citation.h"

#include "darwin_core/xml_tree.h"

namespace kelvaro::dwc {
namespace {

// How deep the elements read are found below dataset or additionalMetadata.
constexpr int kSearchDepth = 6;

std::string creator_name(const XmlElement& creator) {
  if (const XmlElement* person = child(creator, "individualName")) {
    std::string name;
    for (const XmlElement* given : children(*person, "givenName")) {
      name += (name.empty() ? "" : " ") + plain_text(*given);
    }
    if (const XmlElement* surname = child(*person, "surName")) {
      name += (name.empty() ? "" : " ") + plain_text(*surname);
    }
    if (!name.empty()) return name;
  }
  for (const char* other : {"organizationName", "positionName"}) {
    if (const XmlElement* e = child(creator, other)) {
      if (std::string name = plain_text(*e); !name.empty()) return name;
    }
  }
  return "";
}

bool looks_like_link(const std::string& text) {
  return text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0 ||
         text.rfind("doi:", 0) == 0 || text.rfind("10.", 0) == 0;
}

}  // namespace

Citation citation_from_metadata(const XmlElement& root, const std::string& file) {
  Citation c;
  c.metadata_file = file;
  const XmlElement* dataset = child(root, "dataset");
  if (dataset == nullptr) dataset = descendant(root, "dataset", kSearchDepth);
  if (dataset != nullptr) {
    if (const XmlElement* title = child(*dataset, "title")) c.title = plain_text(*title);
    for (const XmlElement* creator : children(*dataset, "creator")) {
      if (std::string name = creator_name(*creator); !name.empty()) {
        c.creators.push_back(std::move(name));
      }
    }
    if (const XmlElement* date = child(*dataset, "pubDate")) c.published = plain_text(*date);
    if (const XmlElement* rights = child(*dataset, "intellectualRights")) {
      c.licence = plain_text(*rights);
      if (const XmlElement* link = descendant(*rights, "ulink", kSearchDepth)) {
        if (const std::string* url = link->attribute("url")) c.licence_url = *url;
      }
      if (c.licence_url.empty() && looks_like_link(c.licence)) c.licence_url = c.licence;
    }
    for (const XmlElement* id : children(*dataset, "alternateIdentifier")) {
      if (std::string text = plain_text(*id); looks_like_link(text)) {
        c.identifier = std::move(text);
        break;
      }
    }
  }
  if (const XmlElement* extra = child(root, "additionalMetadata")) {
    if (const XmlElement* citation = descendant(*extra, "citation", kSearchDepth)) {
      c.text = plain_text(*citation);
      if (const std::string* id = citation->attribute("identifier");
          id != nullptr && c.identifier.empty() && looks_like_link(*id)) {
        c.identifier = *id;
      }
    }
  }
  return c;
}

void complete_citation_text(Citation& c) {
  if (!c.text.empty() || c.title.empty()) return;
  std::string text;
  for (const std::string& name : c.creators) text += (text.empty() ? "" : ", ") + name;
  if (c.published.size() >= 4) text += (text.empty() ? "(" : " (") + c.published.substr(0, 4) + ")";
  text += (text.empty() ? "" : ". ") + c.title + ".";
  if (!c.identifier.empty()) text += " " + c.identifier;
  c.text = text;
}

}  // namespace kelvaro::dwc

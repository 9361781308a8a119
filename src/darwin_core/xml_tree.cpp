#include "darwin_core/xml_tree.h"

#include "darwin_core/term_names.h"

namespace kelvaro::dwc {

const std::string* XmlElement::attribute(std::string_view local_name) const {
  for (const auto& [key, value] : attributes) {
    if (same_word(key, local_name)) return &value;
  }
  return nullptr;
}

const XmlElement* child(const XmlElement& parent, std::string_view name) {
  for (const XmlElement& c : parent.children) {
    if (same_word(c.name, name)) return &c;
  }
  return nullptr;
}

std::vector<const XmlElement*> children(const XmlElement& parent, std::string_view name) {
  std::vector<const XmlElement*> out;
  for (const XmlElement& c : parent.children) {
    if (same_word(c.name, name)) out.push_back(&c);
  }
  return out;
}

const XmlElement* descendant(const XmlElement& parent, std::string_view name, int depth) {
  if (depth <= 0) return nullptr;
  for (const XmlElement& c : parent.children) {
    if (same_word(c.name, name)) return &c;
    if (const XmlElement* found = descendant(c, name, depth - 1)) return found;
  }
  return nullptr;
}

std::string plain_text(const XmlElement& element) {
  std::string out;
  bool space = false;
  for (const char c : element.text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += c;
  }
  return out;
}

}  // namespace kelvaro::dwc

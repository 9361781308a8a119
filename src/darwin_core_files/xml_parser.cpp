// XML parsed by pugixml into kelvaro/darwin_core.h's element trees.

#include <pugixml.hpp>

#include "darwin_core/text_encoding.h"
#include "kelvaro/darwin_core_files.h"

namespace kelvaro::dwc {
namespace {

std::string local_name(const char* name) {
  const std::string text(name);
  const std::size_t colon = text.find(':');
  return colon == std::string::npos ? text : text.substr(colon + 1);
}

// The encoding a declaration names (<?xml version="1.0" encoding="ISO-8859-1"?>), or "".
std::string declared_encoding(std::string_view bytes) {
  if (bytes.substr(0, 5) != "<?xml") return "";
  const std::string_view declaration = bytes.substr(0, bytes.find("?>"));
  const std::size_t at = declaration.find("encoding");
  if (at == std::string_view::npos) return "";
  const std::size_t open = declaration.find_first_of("\"'", at);
  if (open == std::string_view::npos) return "";
  const std::size_t close = declaration.find(declaration[open], open + 1);
  if (close == std::string_view::npos) return "";
  return std::string(declaration.substr(open + 1, close - open - 1));
}

class TreeBuilder {
 public:
  TreeBuilder(const std::string& file, std::size_t budget) : file_(file), budget_(budget) {}

  // The element and everything below it.
  XmlElement element(const pugi::xml_node& node, int depth) {
    if (depth > kMaxXmlDepth) {
      throw ArchiveError(file_, "elements nested more than " + std::to_string(kMaxXmlDepth) +
                                    " deep; no archive's XML is");
    }
    XmlElement e;
    e.name = local_name(node.name());
    for (const pugi::xml_attribute& a : node.attributes()) {
      e.attributes.emplace_back(local_name(a.name()), a.value());
    }
    for (const pugi::xml_node& c : node.children()) {
      if (c.type() == pugi::node_element) {
        e.children.push_back(element(c, depth + 1));
        add_text(e, e.children.back().text);
      } else if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
        add_text(e, c.value());
      }
    }
    return e;
  }

 private:
  // Text copied into every element above it: bounded, so that text nested deep in a large
  // document cannot take many times its size.
  void add_text(XmlElement& e, std::string_view text) {
    if (text.size() > budget_) {
      throw ArchiveError(file_, "its text nested in many elements takes too much memory");
    }
    budget_ -= text.size();
    e.text += text;
  }

  const std::string& file_;
  std::size_t budget_;
};

}  // namespace

XmlElement parse_xml(std::string_view bytes, const std::string& file) {
  if (bytes.size() > kMaxXmlBytes) {
    throw ArchiveError(file, "larger than " + std::to_string(kMaxXmlBytes >> 20) +
                                 " MiB, more than any archive's XML");
  }
  std::string text(bytes);
  pugi::xml_encoding encoding = pugi::encoding_auto;
  const bool marked = starts_as_utf16(text) || text.rfind("\xEF\xBB\xBF", 0) == 0;
  if (!marked) {
    const std::optional<TextEncoding> declared = encoding_named(declared_encoding(text));
    if ((declared && *declared == TextEncoding::kWindows1252) || !is_utf8(text)) {
      text = windows_1252_to_utf8(text);
    }
    encoding = pugi::encoding_utf8;
  }
  pugi::xml_document document;
  const pugi::xml_parse_result result =
      document.load_buffer(text.data(), text.size(), pugi::parse_default, encoding);
  if (!result) {
    throw ArchiveError(file, std::string("not well-formed XML at byte ") +
                                 std::to_string(result.offset) + ": " + result.description());
  }
  const pugi::xml_node root = document.document_element();
  if (!root) throw ArchiveError(file, "the XML document has no element");
  TreeBuilder builder(file, 16 * text.size() + (std::size_t{1} << 20));
  return builder.element(root, 1);
}

ArchiveInput native_input(ArchiveFiles& files) {
  ArchiveInput input;
  input.files = &files;
  input.parse_xml = parse_xml;
  return input;
}

}  // namespace kelvaro::dwc

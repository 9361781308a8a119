#include "darwin_core/meta_layout.h"

#include <charconv>

#include "darwin_core/term_names.h"
#include "darwin_core/xml_tree.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::dwc {
namespace {

// More columns than any table has: an index beyond is a typing slip (and would make rows huge).
constexpr std::size_t kMaxIndex = 100000;

class MetaReader {
 public:
  MetaReader(const std::string& archive, const std::string& base, WarningCounts& warnings)
      : archive_(archive), base_(base), warnings_(warnings) {}
  TableLayout table(const XmlElement& element, bool core);

  [[noreturn]] void refuse(const std::string& reason) const {
    throw ArchiveError(archive_, "meta.xml: " + reason);
  }

 private:
  std::string what(const XmlElement& element, bool core) const;
  TextFormat format(const XmlElement& element, const std::string& what) const;
  std::string unescaped(const std::string& text) const;
  std::optional<std::size_t> index(const XmlElement& element, const std::string& what) const;
  std::vector<std::string> files(const XmlElement& element, const std::string& what) const;
  void terms(const XmlElement& element, TableLayout& table, const std::string& what);

  const std::string& archive_;
  const std::string& base_;
  WarningCounts& warnings_;
};

std::string MetaReader::unescaped(const std::string& text) const {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

std::optional<std::size_t> MetaReader::index(const XmlElement& element,
                                             const std::string& what) const {
  const std::string* written = element.attribute("index");
  if (written == nullptr) return std::nullopt;
  const std::string_view text = trimmed(*written);
  std::size_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      value > kMaxIndex) {
    refuse(what + ": index=" + tools::quoted_excerpt(*written) +
           " is not a column number (0 for the first column)");
  }
  return value;
}

TextFormat MetaReader::format(const XmlElement& element, const std::string& what) const {
  TextFormat f;
  const auto attribute = [&](std::string_view name, std::string fallback) {
    const std::string* value = element.attribute(name);
    return value == nullptr ? fallback : unescaped(*value);
  };
  const std::string separator = attribute("fieldsTerminatedBy", ",");
  if (separator.size() != 1 || separator == "\n" || separator == "\r") {
    refuse(what + ": fieldsTerminatedBy=" + tools::quoted_excerpt(separator) +
           " is not one character (write \\t for a TAB)");
  }
  f.separator = separator[0];
  const std::string quote = attribute("fieldsEnclosedBy", "\"");
  if (quote.size() > 1 || quote == std::string(1, f.separator)) {
    refuse(what + ": fieldsEnclosedBy=" + tools::quoted_excerpt(quote) +
           " is not one character other than the separator, nor empty (no quotes)");
  }
  f.quote = quote.empty() ? std::nullopt : std::optional<char>(quote[0]);
  const std::string lines = attribute("linesTerminatedBy", "\n");
  if (lines != "\n" && lines != "\r\n" && lines != "\r") {
    refuse(what + ": linesTerminatedBy=" + tools::quoted_excerpt(lines) +
           " is not a line end (\\n, \\r\\n or \\r)");
  }
  const std::string encoding = attribute("encoding", "UTF-8");
  const std::optional<TextEncoding> known = encoding_named(trimmed(encoding));
  if (!known) {
    refuse(what + ": encoding=" + tools::quoted_excerpt(encoding) +
           " is not one that kelvaro reads (UTF-8, UTF-16, ISO-8859-1 or windows-1252): save "
           "the table as UTF-8");
  }
  f.encoding = *known;
  const std::string skip = std::string(trimmed(attribute("ignoreHeaderLines", "0")));
  long rows = 0;
  const auto [end, error] = std::from_chars(skip.data(), skip.data() + skip.size(), rows);
  if (skip.empty() || error != std::errc() || end != skip.data() + skip.size() || rows < 0) {
    refuse(what + ": ignoreHeaderLines=" + tools::quoted_excerpt(skip) +
           " is not a number of lines (0 or 1)");
  }
  f.header_rows = rows;
  return f;
}

std::vector<std::string> MetaReader::files(const XmlElement& element,
                                           const std::string& what) const {
  std::vector<std::string> out;
  if (const XmlElement* list = child(element, "files")) {
    for (const XmlElement* location : children(*list, "location")) {
      const std::string written(trimmed(location->text));
      if (written.find("://") != std::string::npos) {
        refuse(what + ": the location " + tools::quoted_excerpt(written) +
               " is on the web; kelvaro reads the files of the archive itself (download the "
               "file into it and name it in meta.xml)");
      }
      const std::optional<std::string> name = plain_file_name(written);
      if (!name) {
        refuse(what + ": the location " + tools::quoted_excerpt(written) +
               " is not a file of the archive (it is empty, or reaches outside the archive)");
      }
      out.push_back(base_ + *name);
    }
  }
  if (out.empty()) refuse(what + " names no file (<files><location>...</location></files>)");
  return out;
}

void MetaReader::terms(const XmlElement& element, TableLayout& table, const std::string& what) {
  for (const XmlElement* field : children(element, "field")) {
    const std::string* term = field->attribute("term");
    if (term == nullptr) continue;
    if (trimmed(*term).size() != term->size()) {
      warnings_.add(WarningKind::kTermBlanks, "meta.xml: " + tools::quoted_excerpt(*term));
    }
    TermColumn column{term_name(*term), index(*field, what + ", field " + term_name(*term)), ""};
    if (const std::string* fallback = field->attribute("default")) column.fallback = *fallback;
    if (column.term.empty() || (!column.index && column.fallback.empty())) continue;
    if (table.find(column.term) == nullptr) table.terms.push_back(std::move(column));
  }
}

std::string MetaReader::what(const XmlElement& element, bool core) const {
  const std::string* type = element.attribute("rowType");
  return std::string(core ? "the core" : "the extension") +
         (type ? " " + tools::quoted_excerpt(term_name(*type)) : "");
}

TableLayout MetaReader::table(const XmlElement& element, bool core) {
  const std::string label = what(element, core);
  TableLayout t;
  t.core = core;
  const std::string* type = element.attribute("rowType");
  if (type == nullptr || trimmed(*type).empty()) {
    refuse(label + " has no rowType (such as http://rs.tdwg.org/dwc/terms/Event)");
  }
  t.row_type = term_name(*type);
  t.type = same_word(t.row_type, "Event")        ? RowType::kEvent
           : same_word(t.row_type, "Occurrence") ? RowType::kOccurrence
                                                 : RowType::kOther;
  t.files = files(element, label);
  t.format = format(element, label);
  const std::string* lines = element.attribute("linesTerminatedBy");
  t.lf_said = lines == nullptr || unescaped(*lines) == "\n";
  const XmlElement* id = child(element, core ? "id" : "coreid");
  if (id == nullptr) {
    id = child(element, core ? "coreid" : "id");
    if (id != nullptr) warnings_.add(WarningKind::kIdForCoreId, "meta.xml, " + label);
  }
  if (id != nullptr) t.id = index(*id, label + ", <" + id->name + ">");
  terms(element, t, label);
  return t;
}

}  // namespace

std::optional<std::string> plain_file_name(std::string_view name) {
  std::string text(trimmed(name));
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  if (text.empty() || text[0] == '/' || (text.size() > 1 && text[1] == ':')) return std::nullopt;
  std::string out;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    const std::string_view part(text.data() + start, end - start);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") out += (out.empty() ? "" : "/") + std::string(part);
    start = end + 1;
  }
  if (out.empty() || text.find('\0') != std::string::npos) return std::nullopt;
  return out;
}

const TermColumn* TableLayout::find(std::string_view name) const {
  for (const TermColumn& t : terms) {
    if (same_word(t.term, name)) return &t;
  }
  return nullptr;
}

ArchiveLayout meta_layout(const XmlElement& root, const std::string& archive,
                          const std::string& base, WarningCounts& warnings) {
  MetaReader reader(archive, base, warnings);
  if (!same_word(root.name, "archive")) {
    reader.refuse("its root element is <" + root.name +
                  ">, not <archive> (is this the meta.xml of a Darwin Core archive?)");
  }
  ArchiveLayout layout;
  layout.from_meta = true;
  layout.base = base;
  if (const std::string* metadata = root.attribute("metadata")) {
    if (const std::optional<std::string> name = plain_file_name(*metadata)) {
      layout.metadata_file = base + *name;
    }
  }
  const std::vector<const XmlElement*> cores = children(root, "core");
  if (cores.size() != 1) {
    reader.refuse(cores.empty() ? "it has no <core> (the table every row of the others refers to)"
                                : "it has " + std::to_string(cores.size()) +
                                      " <core> elements; an archive has one");
  }
  layout.tables.push_back(reader.table(*cores[0], true));
  for (const XmlElement* extension : children(root, "extension")) {
    layout.tables.push_back(reader.table(*extension, false));
  }
  return layout;
}

}  // namespace kelvaro::dwc

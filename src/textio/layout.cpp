// Parsing of layout strings (cached) and the formatted-write record builder.
#include "textio/layout.h"

#include <cassert>
#include <cctype>
#include <functional>
#include <string>
#include <unordered_map>

#include "textio/fields.h"

namespace kelvaro::textio {
namespace {

using Descriptors = std::vector<Descriptor>;

struct Parser {
  std::string_view s;  // the layout without blanks outside quotes
  std::size_t pos = 0;

  bool at_end() const { return pos >= s.size(); }
  char peek() const { return at_end() ? '\0' : s[pos]; }
  char upper() const { return static_cast<char>(std::toupper(static_cast<unsigned char>(peek()))); }

  // Digits at pos as a number; -1 when there are none.
  int number() {
    int n = -1;
    while (std::isdigit(static_cast<unsigned char>(peek())) != 0) {
      n = (n < 0 ? 0 : n * 10) + (s[pos++] - '0');
      assert(n < 100000 && "layout number too large");
    }
    return n;
  }

  std::string quoted() {
    const char quote = s[pos++];
    std::string text;
    for (;;) {
      assert(!at_end() && "unterminated text in layout");
      char c = s[pos++];
      if (c == quote) {
        if (peek() != quote) break;
        ++pos;  // a doubled quote stands for one
      }
      text.push_back(c);
    }
    return text;
  }

  // One descriptor (with its repeat count) appended to out.
  void descriptor(Descriptors& out) {
    if (peek() == '\'' || peek() == '"') {
      out.push_back({Descriptor::Kind::Literal, -1, 0, quoted()});
      return;
    }
    const int count = number();
    const char letter = upper();
    ++pos;
    Descriptor d{Descriptor::Kind::Blanks, -1, 0, {}};
    switch (letter) {
      case 'X':
        d.width = count < 0 ? 1 : count;
        out.push_back(d);
        return;
      case 'I':
        d.kind = Descriptor::Kind::Integer;
        d.width = number();
        assert(d.width >= 1 && "I needs a width");
        break;
      case 'F':
        d.kind = Descriptor::Kind::Fixed;
        d.width = number();
        assert(d.width >= 1 && peek() == '.' && "F needs w.d");
        ++pos;
        d.decimals = number();
        assert(d.decimals >= 0 && "F needs w.d");
        break;
      case 'A':
        d.kind = Descriptor::Kind::Text;
        d.width = number();
        break;
      default:
        assert(false && "unknown edit descriptor in layout");
        return;
    }
    for (int i = 0; i < (count < 0 ? 1 : count); ++i) out.push_back(d);
  }

  Descriptors parse() {
    Descriptors out;
    assert(!s.empty() && s.front() == '(' && s.back() == ')' && "layout must be parenthesised");
    ++pos;
    while (!at_end() && peek() != ')') {
      descriptor(out);
      assert((peek() == ',' || peek() == ')') && "descriptors are separated by commas");
      if (peek() == ',') ++pos;
    }
    return out;
  }
};

std::string without_blanks(std::string_view layout) {
  std::string s;
  char quote = '\0';
  for (char c : layout) {
    if (quote != '\0') {
      if (c == quote) quote = '\0';  // a doubled quote reopens at once: same result
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ' ' || c == '\t') {
      continue;
    }
    s.push_back(c);
  }
  return s;
}

struct StringHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// Writes one item by a data descriptor.
void write_item(std::string& out, const Descriptor& d, const Item& item) {
  switch (d.kind) {
    case Descriptor::Kind::Integer:
      assert(item.kind == Item::Kind::Integer && "I needs an integer item");
      append_integer(out, item.i, d.width);
      break;
    case Descriptor::Kind::Fixed:
      assert((item.kind == Item::Kind::Real || item.kind == Item::Kind::Double) &&
             "F needs a real item");
      append_fixed(out, item.kind == Item::Kind::Real ? static_cast<double>(item.r) : item.d,
                   d.width, d.decimals);
      break;
    default:
      assert(item.kind == Item::Kind::Text && "A needs a text item");
      append_text(out, item.s, d.width);
      break;
  }
}

}  // namespace

const std::vector<Descriptor>& parse_layout(std::string_view layout) {
  static std::unordered_map<std::string, Descriptors, StringHash, std::equal_to<>> cache;
  auto it = cache.find(layout);
  if (it != cache.end()) return it->second;
  std::string stripped = without_blanks(layout);
  Parser parser{stripped};
  return cache.emplace(std::string(layout), parser.parse()).first->second;
}

std::vector<std::string> apply_layout(std::string_view layout, std::span<const Item> items) {
  const Descriptors& ds = parse_layout(layout);
  std::vector<std::string> records(1);
  std::size_t next = 0;
  for (;;) {
    std::string& rec = records.back();
    int pending = 0;  // X blanks not yet written
    bool any_data = false;
    for (const Descriptor& d : ds) {
      if (d.kind == Descriptor::Kind::Blanks) {
        pending += d.width;
        continue;
      }
      if (d.is_data()) {
        if (next == items.size()) return records;
        any_data = true;
      }
      rec.append(static_cast<std::size_t>(pending), ' ');
      pending = 0;
      if (d.is_data()) {
        write_item(rec, d, items[next++]);
      } else {
        rec.append(d.text);
      }
    }
    // End of the layout: the record ends; with items left, a new one starts from the beginning.
    if (next == items.size()) return records;
    assert(any_data && "items left for a layout without data descriptors");
    if (!any_data) return records;
    records.emplace_back();
  }
}

}  // namespace kelvaro::textio

#pragma once
// Layout strings of formatted writes: a parenthesised, comma-separated list of Iw, Fw.d, A, Aw,
// nX and 'text', with repeat counts before data descriptors (3f10.4). Blanks outside quotes are
// ignored and letters may be of either case. X blanks wait until something else is written in
// the same record; when the items run out, texts and X up to the next data descriptor are still
// carried out; at the end of the layout with items left, a new record starts from the beginning.
// A layout is parsed and checked once, at compile time where it is a constant:
//   constexpr Layout kLine = compile_layout("(1x,8i6,f12.4)");   // malformed: does not compile
//
//   "('  bootstrap iterations:',i6,   '  seed number:',i9)" with 50, 400
//       -> "  bootstrap iterations:    50  seed number:      400"
//   "(1x,a10,3f10.2,4x,f10.2,' - ',f10.2)" with "PHI", 0.5f, 0.25f, 1.0f
//       -> "        PHI      0.50      0.25      1.00"
//          (the 4x before the missing value is dropped)
//   "(10f8.3)" with 12 values -> two records, 10 and 2 fields
//   "(4f5.0,4f7.4,f8.3,2f7.4,2i6)" with no items -> one empty record

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "textio/item.h"

namespace kelvaro::textio {

// One edit descriptor after repeat counts have been expanded.
struct Descriptor {
  enum class Kind { Integer, Fixed, Text, Blanks, Literal };
  Kind kind = Kind::Blanks;
  int width = -1;         // I, F, Aw: field width (A without width: -1); X: number of blanks
  int decimals = 0;       // F: decimals
  std::string_view text;  // Literal: the text between the quotes (a doubled quote stands for one)
  constexpr bool is_data() const {
    return kind == Kind::Integer || kind == Kind::Fixed || kind == Kind::Text;
  }
};

// A parsed layout: its descriptors in order, repeat counts expanded. Literal texts point into
// the layout string, which must outlive the layout (string literals do).
struct Layout {
  static constexpr std::size_t kCapacity = 32;
  std::array<Descriptor, kCapacity> descriptors{};
  std::size_t size = 0;
};

namespace detail {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Reads a layout string, skipping blanks outside quotes.
struct LayoutParser {
  std::string_view s;
  std::size_t pos = 0;

  constexpr void skip_blanks() {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
  }
  constexpr char peek() {
    skip_blanks();
    return pos < s.size() ? s[pos] : '\0';
  }
  // Digits as a number; -1 when there are none.
  constexpr int number() {
    int n = -1;
    while (is_digit(peek())) {
      n = (n < 0 ? 0 : n * 10) + (s[pos++] - '0');
      if (n > 100000) return -2;
    }
    return n;
  }
  constexpr bool add(Layout& l, const Descriptor& d, int count) {
    for (int i = 0; i < count; ++i) {
      if (l.size == Layout::kCapacity) return false;
      l.descriptors[l.size++] = d;
    }
    return true;
  }
  // The text of a quoted literal, up to its closing quote (doubled quotes kept as they stand).
  constexpr bool literal(Layout& l) {
    const char quote = s[pos++];
    const std::size_t start = pos;
    for (;;) {
      if (pos >= s.size()) return false;
      if (s[pos] == quote) {
        if (pos + 1 < s.size() && s[pos + 1] == quote) {
          pos += 2;
          continue;
        }
        break;
      }
      ++pos;
    }
    Descriptor d{Descriptor::Kind::Literal, -1, 0, s.substr(start, pos - start)};
    ++pos;
    return add(l, d, 1);
  }
  constexpr bool descriptor(Layout& l) {
    if (peek() == '\'' || peek() == '"') return literal(l);
    const int count = number();
    if (count == 0 || count < -1) return false;
    const char letter = upper(peek());
    ++pos;
    Descriptor d;
    switch (letter) {
      case 'X':
        d.kind = Descriptor::Kind::Blanks;
        d.width = count < 0 ? 1 : count;
        return add(l, d, 1);
      case 'I':
        d.kind = Descriptor::Kind::Integer;
        d.width = number();
        if (d.width < 1) return false;
        break;
      case 'F':
        d.kind = Descriptor::Kind::Fixed;
        d.width = number();
        if (d.width < 1 || peek() != '.') return false;
        ++pos;
        d.decimals = number();
        if (d.decimals < 0) return false;
        break;
      case 'A':
        d.kind = Descriptor::Kind::Text;
        d.width = number();
        if (d.width == 0 || d.width < -1) return false;
        break;
      default:
        return false;
    }
    return add(l, d, count < 0 ? 1 : count);
  }
};

}  // namespace detail

// The layout of a string, or nothing when it is malformed (not parenthesised, an unknown
// descriptor, a missing width, an unterminated text, more than Layout::kCapacity descriptors).
constexpr std::optional<Layout> parse_layout(std::string_view s) {
  detail::LayoutParser p{s};
  Layout l;
  if (p.peek() != '(') return std::nullopt;
  ++p.pos;
  while (p.peek() != ')') {
    if (p.peek() == '\0' || !p.descriptor(l)) return std::nullopt;
    const char c = p.peek();
    if (c != ',' && c != ')') return std::nullopt;
    if (c == ',') ++p.pos;
  }
  ++p.pos;
  if (p.peek() != '\0') return std::nullopt;
  return l;
}

// The layout of a constant string, checked when the program is compiled.
consteval Layout compile_layout(std::string_view s) {
  const std::optional<Layout> l = parse_layout(s);
  if (!l) throw "malformed layout string";
  return *l;
}

// Lays out items by the layout; returns the records without their line ends. With no items the
// result is one record (the layout's text up to its first data descriptor).
// Requires: each item has the kind its descriptor needs (I: integer, F: real or double, A: text).
std::vector<std::string> apply_layout(const Layout& layout, std::span<const Item> items);

}  // namespace kelvaro::textio

#include "kelvaro/field_tables.h"

namespace kelvaro::tools {
namespace {

bool is_continuation_byte(unsigned char c) { return (c & 0xC0) == 0x80; }

void append_escaped(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789abcdef";
  switch (c) {
    case '\t':
      out += "\\t";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    default:
      break;
  }
  if (c < 0x20 || c == 0x7F) {
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
  } else {
    out += static_cast<char>(c);
  }
}

}  // namespace

std::string quoted_excerpt(std::string_view text) {
  std::string out = "\"";
  std::size_t characters = 0, i = 0;
  for (; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!is_continuation_byte(c) && characters++ == kExcerptCharacters) break;
    append_escaped(out, c);
  }
  out += '"';
  if (i < text.size()) out += "... (" + std::to_string(text.size()) + " bytes)";
  return out;
}

}  // namespace kelvaro::tools

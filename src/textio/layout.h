#pragma once
// Layout strings of formatted writes: a parenthesised, comma-separated list of Iw, Fw.d, A, Aw,
// nX and 'text', with repeat counts before data descriptors (3f10.4). Blanks outside quotes are
// ignored and letters may be of either case. X blanks wait until something else is written in
// the same record; when the items run out, texts and X up to the next data descriptor are still
// carried out; at the end of the layout with items left, a new record starts from the beginning.
//
//   "('  bootstrap iterations:',i6,   '  seed number:',i9)" with 50, 400
//       -> "  bootstrap iterations:    50  seed number:      400"
//   "(1x,a10,3f10.2,4x,f10.2,' - ',f10.2)" with "PHI", 0.5f, 0.25f, 1.0f
//       -> "        PHI      0.50      0.25      1.00"
//          (the 4x before the missing value is dropped)
//   "(10f8.3)" with 12 values -> two records, 10 and 2 fields
//   "(4f5.0,4f7.4,f8.3,2f7.4,2i6)" with no items -> one empty record

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "textio/item.h"

namespace kelvaro::textio {

// One edit descriptor after repeat counts have been expanded.
struct Descriptor {
  enum class Kind { Integer, Fixed, Text, Blanks, Literal };
  Kind kind;
  int width = -1;          // I, F, Aw: field width (A without width: -1); X: number of blanks
  int decimals = 0;        // F: decimals
  std::string text;        // Literal: the quoted text (a doubled quote stands for one)
  bool is_data() const {
    return kind == Kind::Integer || kind == Kind::Fixed || kind == Kind::Text;
  }
};

// The parsed form of a layout string. Parsed once per distinct string content and kept for the
// rest of the run; the returned reference stays valid.
// Requires: layout is well formed (a malformed layout is a programming error and asserts).
const std::vector<Descriptor>& parse_layout(std::string_view layout);

// Lays out items by the layout; returns the records without their line ends. With no items the
// result is one record (the layout's text up to its first data descriptor).
// Requires: each item has the kind its descriptor needs (I: integer, F: real or double, A: text).
std::vector<std::string> apply_layout(std::string_view layout, std::span<const Item> items);

}  // namespace kelvaro::textio

#pragma once
// Equality of two short texts (labels of a few bytes, read row after row) without a call into the
// C library: for texts this short the call costs more than the comparison.
//
//   same_text("4660", "4660") -> true    same_text("4660", "466") -> false

#include <cstring>
#include <string_view>

namespace kelvaro::tools {

inline bool same_text(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a.size() > 16) return std::memcmp(a.data(), b.data(), a.size()) == 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace kelvaro::tools

#include "darwin_core/term_names.h"

namespace kelvaro::dwc {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string term_name(std::string_view written) {
  std::string_view name = trimmed(written);
  while (!name.empty() && (name.back() == '/' || name.back() == '#')) name.remove_suffix(1);
  const std::size_t cut = name.find_last_of("/#:");
  if (cut != std::string_view::npos) name.remove_prefix(cut + 1);
  return std::string(trimmed(name));
}

std::string term_key(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = lower(c);
  return key;
}

bool same_word(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace kelvaro::dwc

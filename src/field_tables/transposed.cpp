#include "field_tables/transposed.h"

#include <algorithm>

#include "kelvaro/field_tables.h"

namespace kelvaro::prep {
namespace {

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return is_upper(c) || is_lower(c); }

// At least 80% of the first names (at most kLooked) pass `test`, and there are two or more.
template <class Test>
bool mostly(const std::vector<std::string>& names, Test test) {
  constexpr std::size_t kLooked = 200;  // enough for a verdict, bounded work on wide tables
  const std::size_t n = std::min(names.size(), kLooked);
  if (n < 2) return false;
  const auto passing = std::count_if(names.begin(), names.begin() + static_cast<long>(n),
                                     [&](const std::string& s) { return test(s); });
  return static_cast<std::size_t>(passing) * 5 >= n * 4;
}

std::string first_two(const std::vector<std::string>& names) {
  return tools::quoted_excerpt(names[0]) + ", " + tools::quoted_excerpt(names[1]) + ", ...";
}

}  // namespace

bool looks_like_site_label(std::string_view name) {
  constexpr std::size_t kMaxWord = 16;  // "transect", "station_", "plot-": short words
  std::size_t i = 0;
  while (i < name.size() && (is_letter(name[i]) || name[i] == ' ' || name[i] == '_' ||
                             name[i] == '-' || name[i] == '.')) {
    ++i;
  }
  if (i > kMaxWord) return false;
  const std::size_t digits = i;
  while (i < name.size() && is_digit(name[i])) ++i;
  if (i == digits) return false;
  if (i < name.size() && is_letter(name[i])) ++i;  // "12b"
  return i == name.size();
}

bool looks_like_species_name(std::string_view name) {
  constexpr std::size_t kMinGenus =
      3;  // the shortest genus names ("Poa", "Zea") have three letters
  std::size_t i = 0;
  if (name.empty() || !is_upper(name[0])) return false;
  for (i = 1; i < name.size() && is_lower(name[i]); ++i) {
  }
  if (i < kMinGenus || i + 2 > name.size()) return false;
  if (name[i] != ' ' && name[i] != '.' && name[i] != '_') return false;
  return is_lower(name[i + 1]);
}

std::optional<std::string> transposed_hint(const std::vector<std::string>& species_columns,
                                           const std::vector<std::string>& first_column) {
  const auto site_like = [](const std::string& s) {
    return looks_like_site_label(s) && !looks_like_species_name(s);
  };
  if (!mostly(species_columns, site_like) ||
      !mostly(first_column, [](const std::string& s) { return looks_like_species_name(s); })) {
    return std::nullopt;
  }
  return "the table looks transposed: its header names look like site labels (" +
         first_two(species_columns) + ") and its first column like species names (" +
         first_two(first_column) +
         "); kelvaro-prep wants one row per site, with the site names in the first column, and "
         "one column per species: transpose the table";
}

}  // namespace kelvaro::prep

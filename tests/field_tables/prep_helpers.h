#pragma once
// Test helpers: kelvaro-prep's readers on tables held in memory.

#include <optional>
#include <string>

#include "kelvaro/byte_source.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/surveys.h"

namespace kelvaro::prep {

inline Survey wide_pair(const std::string& first, const std::string& second,
                        const TableOptions& options = {}) {
  tools::TextSource a(first, "a.csv"), b(second, "b.csv");
  return load_wide_pair(a, b, options);
}

inline Survey long_table(const std::string& text, const TableOptions& options = {},
                         const std::optional<std::string>& first = std::nullopt,
                         const csv::LongTableColumns& columns = {}) {
  tools::TextSource source(text, "l.csv");
  return load_long(source, options, columns, first);
}

// The kelvaro input text of a survey with the default run settings.
inline std::string input_of(const Survey& survey) {
  return kelvaro_input(derive_blocks(survey), RunSettings{});
}

}  // namespace kelvaro::prep

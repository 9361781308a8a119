#include <cctype>

#include "kelvaro/byte_source.h"
#include "kelvaro/conversions.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/kelvaro.h"
#include "kelvaro/planner.h"

namespace kelvaro::plan {
namespace {

std::string whole_file(const std::string& path) {
  tools::FileSource source(path);
  std::string text;
  char buffer[65536];
  for (std::size_t n; (n = source.read(buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  return text;
}

// A kelvaro input starts with its header's numbers; a table with its header row's titles.
bool looks_like_kelvaro_input(const std::string& text) {
  for (const char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    return std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+';
  }
  return false;
}

DetectionFrequencies from_table(const std::string& text, const std::string& path) {
  tools::TextSource source(text, path);
  prep::Survey survey(false);
  prep::load_wide(source, {}, survey, survey.sample1, "Sample 1");
  DetectionFrequencies pilot;
  pilot.sites = static_cast<std::int32_t>(survey.sample1.sites.size());
  pilot.f.assign(static_cast<std::size_t>(pilot.sites), 0);
  for (const std::uint32_t id : survey.sample1.species()) {
    const int sites = survey.sample1.detected_at(id).count();
    if (sites > 0) ++pilot.f[static_cast<std::size_t>(sites - 1)];
  }
  return pilot;
}

DetectionFrequencies from_kelvaro_input(const std::string& text, const std::string& path) {
  StringSource input(text);
  BlockData sample1;
  try {
    sample1 = read_sample1(input);
  } catch (const InputRefused& e) {
    if (e.line() == 0) throw OptionError(path + ": " + e.reason());
    throw OptionError(path + ": line " + std::to_string(e.line()) +
                      ": cannot read a kelvaro input's Sample 1: " + e.reason());
  }
  DetectionFrequencies pilot;
  pilot.sites = static_cast<std::int32_t>(sample1.f.size());
  for (std::size_t i = 0; i < sample1.f.size(); ++i) {
    const std::int32_t f = trunc_to_int(sample1.f[i]);
    if (f < 0) {
      throw OptionError(path + ": Sample 1's f(" + std::to_string(i + 1) +
                        ") is not a count of species");
    }
    pilot.f.push_back(f);
  }
  return pilot;
}

}  // namespace

DetectionFrequencies pilot_from_text(const std::string& text, const std::string& name) {
  if (looks_like_kelvaro_input(text)) return from_kelvaro_input(text, name);
  try {
    return from_table(text, name);
  } catch (const std::runtime_error& e) {  // csv::InputError
    throw OptionError(e.what());
  }
}

DetectionFrequencies read_pilot(const std::string& path, const std::string& option) {
  try {
    return pilot_from_text(whole_file(path), path);
  } catch (const std::runtime_error& e) {  // OptionError, tools::ReadError
    throw OptionError(option + ": " + e.what());
  }
}

}  // namespace kelvaro::plan

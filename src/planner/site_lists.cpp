#include "planner/site_lists.h"

#include <algorithm>
#include <charconv>

#include "kelvaro/kelvaro.h"
#include "kelvaro/planner.h"

namespace kelvaro::plan {
namespace {

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

std::int32_t whole_number(const std::string& text, const std::string& option,
                          const std::string& item) {
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
    throw OptionError(option + ": '" + item +
                      "' is not a number of sites; give whole numbers or ranges such as 5:50:5");
  }
  return value;
}

void add_item(const std::string& item, const std::string& option, std::vector<std::int32_t>& out) {
  const std::vector<std::string> parts = split(item, ':');
  if (parts.size() > 3) {
    throw OptionError(option + ": '" + item + "': a range is FIRST:LAST or FIRST:LAST:STEP");
  }
  std::vector<std::int32_t> numbers;
  for (const std::string& part : parts) numbers.push_back(whole_number(part, option, item));
  const std::int32_t first = numbers[0];
  const std::int32_t last = numbers.size() > 1 ? numbers[1] : first;
  const std::int32_t step = numbers.size() > 2 ? numbers[2] : 1;
  if (step < 1 || last < first) {
    throw OptionError(option + ": '" + item +
                      "': a range runs upwards with a positive step, as in 5:50:5");
  }
  for (const std::int32_t t : {first, last}) {
    if (t < 1 || t > kMaxSampleSites) {
      throw OptionError(option + ": " + std::to_string(t) + " sites: kelvaro takes 1 to " +
                        std::to_string(kMaxSampleSites) + " sites per sample");
    }
  }
  for (std::int64_t t = first; t <= last; t += step) out.push_back(static_cast<std::int32_t>(t));
}

void add_design(Design d, std::vector<Design>& designs) {
  if (std::find(designs.begin(), designs.end(), d) == designs.end()) designs.push_back(d);
}

}  // namespace

std::vector<std::int32_t> parse_site_list(const std::string& text, const std::string& option) {
  std::vector<std::int32_t> sites;
  for (const std::string& item : split(text, ',')) add_item(item, option, sites);
  return sites;
}

std::vector<Design> equal_designs(const std::vector<std::int32_t>& sites) {
  std::vector<Design> designs;
  for (std::int32_t t : sites) add_design({t, t}, designs);
  return designs;
}

std::vector<Design> crossed_designs(const std::vector<std::int32_t>& sites1,
                                    const std::vector<std::int32_t>& sites2) {
  std::vector<Design> designs;
  for (std::int32_t t1 : sites1) {
    for (std::int32_t t2 : sites2) add_design({t1, t2}, designs);
  }
  return designs;
}

}  // namespace kelvaro::plan

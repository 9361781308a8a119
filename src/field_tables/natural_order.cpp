#include "kelvaro/natural_order.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "kelvaro/compat.h"

namespace kelvaro::tools {
namespace {

bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

// The digit run of `text` from `i`, without its leading zeros, and where it ends.
std::string_view digit_run(std::string_view text, std::size_t& i) {
  const std::size_t begin = i;
  while (i < text.size() && is_digit(static_cast<unsigned char>(text[i]))) ++i;
  std::size_t first = begin;
  while (first + 1 < i && text[first] == '0') ++first;
  return text.substr(first, i - first);
}

// <0, 0, >0 as a is before, level with or after b by runs (ties not yet broken by bytes).
int compare_runs(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[j]);
    if (is_digit(x) && is_digit(y)) {
      const std::string_view m = digit_run(a, i), n = digit_run(b, j);
      if (m.size() != n.size()) return m.size() < n.size() ? -1 : 1;
      if (const int c = m.compare(n); c != 0) return c;
      continue;
    }
    if (x != y) return x < y ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

template <class Label>
std::vector<std::size_t> order_of(const std::vector<Label>& labels) {
  std::vector<double> values;
  bool numbers = true;
  for (const Label& label : labels) {
    const auto value = label_number(label);
    if (!value) {
      numbers = false;
      break;
    }
    values.push_back(*value);
  }
  std::vector<std::size_t> order(labels.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (numbers) {
      if (values[a] != values[b]) return values[a] < values[b];
      return std::string_view(labels[a]) < std::string_view(labels[b]);
    }
    return natural_less(labels[a], labels[b]);
  });
  return order;
}

}  // namespace

const char* sample_order_name(SampleOrder order) {
  return order == SampleOrder::kNatural ? "natural" : "file";
}

bool natural_less(std::string_view a, std::string_view b) {
  if (const int c = compare_runs(a, b); c != 0) return c < 0;
  return a < b;  // string_view compares bytes as unsigned char
}

std::optional<double> label_number(std::string_view label) {
  double value = 0.0;
  const char* end = label.data() + label.size();
  const auto [ptr, error] = compat::from_chars(label.data(), end, value);
  if (error != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::vector<std::size_t> natural_order(const std::vector<std::string>& labels) {
  return order_of(labels);
}

std::vector<std::size_t> natural_order(const std::vector<std::string_view>& labels) {
  return order_of(labels);
}

}  // namespace kelvaro::tools

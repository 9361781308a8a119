#include "surveys/label_order.h"

#include <algorithm>
#include <numeric>

namespace kelvaro::batch {

std::vector<std::uint32_t> label_ranks(const tools::LabelPool& labels) {
  const auto count = static_cast<std::uint32_t>(labels.size());
  std::vector<double> values;
  bool numeric = true;
  for (std::uint32_t id = 0; id < count && numeric; ++id) {
    const auto value = tools::label_number(labels.label(id));
    numeric = value.has_value();
    if (numeric) values.push_back(*value);
  }
  std::vector<std::uint32_t> order(count);
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    if (numeric && values[a] != values[b]) return values[a] < values[b];
    return labels.label(a) < labels.label(b);
  });
  std::vector<std::uint32_t> ranks(count);
  for (std::uint32_t r = 0; r < count; ++r) ranks[order[r]] = r;
  return ranks;
}

std::vector<std::uint32_t> label_ranks(const tools::LabelPool& labels, tools::SampleOrder order) {
  const auto count = static_cast<std::uint32_t>(labels.size());
  std::vector<std::uint32_t> ranks(count);
  if (order == tools::SampleOrder::kFile) {
    std::iota(ranks.begin(), ranks.end(), 0u);  // ids count in order of first appearance
    return ranks;
  }
  std::vector<std::string_view> texts;
  texts.reserve(count);
  for (std::uint32_t id = 0; id < count; ++id) texts.push_back(labels.label(id));
  const std::vector<std::size_t> sorted = tools::natural_order(texts);
  for (std::uint32_t r = 0; r < count; ++r) ranks[sorted[r]] = r;
  return ranks;
}

}  // namespace kelvaro::batch

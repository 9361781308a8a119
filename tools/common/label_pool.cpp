#include "common/label_pool.h"

namespace kelvaro::tools {

LabelPool::Interned LabelPool::intern(std::string_view label) {
  if (const auto it = ids_.find(label); it != ids_.end()) return {it->second, false};
  const auto id = static_cast<std::uint32_t>(labels_.size());
  labels_.emplace_back(label);
  ids_.emplace(labels_.back(), id);
  return {id, true};
}

std::optional<std::uint32_t> LabelPool::find(std::string_view label) const {
  const auto it = ids_.find(label);
  if (it == ids_.end()) return std::nullopt;
  return it->second;
}

}  // namespace kelvaro::tools

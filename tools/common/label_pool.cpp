#include "common/label_pool.h"

#include <functional>

namespace kelvaro::tools {
namespace {

constexpr std::size_t kFirstSlots = 64;

std::size_t hash_of(std::string_view label) { return std::hash<std::string_view>()(label); }

}  // namespace

std::size_t LabelPool::slot_of(std::string_view label, std::size_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {  // linear probing
    const Slot& s = slots_[i];
    if (s.id == kFree || (s.hash == hash && labels_[s.id] == label)) return i;
  }
}

void LabelPool::grow() {
  std::vector<Slot> old(slots_.empty() ? kFirstSlots : 2 * slots_.size());
  old.swap(slots_);
  for (const Slot& s : old) {
    if (s.id != kFree) slots_[slot_of(labels_[s.id], s.hash)] = s;
  }
}

LabelPool::Interned LabelPool::intern(std::string_view label) {
  if (2 * (labels_.size() + 1) > slots_.size()) grow();
  const std::size_t hash = hash_of(label);
  Slot& s = slots_[slot_of(label, hash)];
  if (s.id != kFree) return {s.id, false};
  s = {hash, static_cast<std::uint32_t>(labels_.size())};
  labels_.emplace_back(label);
  return {s.id, true};
}

std::optional<std::uint32_t> LabelPool::find(std::string_view label) const {
  if (slots_.empty()) return std::nullopt;
  const Slot& s = slots_[slot_of(label, hash_of(label))];
  if (s.id == kFree) return std::nullopt;
  return s.id;
}

}  // namespace kelvaro::tools

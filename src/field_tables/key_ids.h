#pragma once
// Ids of 64-bit keys (two 32-bit ids side by side, say), numbered 0, 1, ... in order of first
// appearance: open addressing in one array at most half full, a multiplicative hash's high bits
// choosing the slot, so that a lookup touches one or two slots where a node-based map would miss
// the cache.
//
//   id(7 << 32 | 2) -> {0, added}   id(9) -> {1, added}   id(7 << 32 | 2) -> {0, not added}

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kelvaro::tools {

class KeyIds {
 public:
  struct Found {
    std::uint32_t id;
    bool added;  // true when the key was new
  };

  // The id of `key`, the next number when it is new.
  Found id(std::uint64_t key) {
    if (2 * (static_cast<std::size_t>(size_) + 1) > slots_.size()) grow();
    Slot& s = slots_[slot_of(key)];
    if (s.id != kFree) return {s.id, false};
    s = {key, size_++};
    return {s.id, true};
  }
  std::optional<std::uint32_t> find(std::uint64_t key) const {
    if (slots_.empty()) return std::nullopt;
    const Slot& s = slots_[slot_of(key)];
    if (s.id == kFree) return std::nullopt;
    return s.id;
  }
  std::uint32_t size() const { return size_; }
  // No keys, the memory kept for the next ones.
  void clear() {
    std::fill(slots_.begin(), slots_.end(), Slot{});
    size_ = 0;
  }

 private:
  static constexpr std::uint32_t kFree = 0xFFFFFFFFu;
  struct Slot {
    std::uint64_t key = 0;
    std::uint32_t id = kFree;
  };
  // The slot holding `key`, or the free one where it would go. Requires: slots_ not empty.
  std::size_t slot_of(std::uint64_t key) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = (key * 0x9E3779B97F4A7C15ULL) >> (64 - std::countr_zero(slots_.size()));
    while (slots_[i].id != kFree && slots_[i].key != key) i = (i + 1) & mask;
    return i;
  }
  void grow() {
    std::vector<Slot> old(slots_.empty() ? 1024 : 2 * slots_.size());
    old.swap(slots_);
    for (const Slot& s : old) {
      if (s.id != kFree) slots_[slot_of(s.key)] = s;
    }
  }

  std::vector<Slot> slots_;  // a power of two in size
  std::uint32_t size_ = 0;
};

}  // namespace kelvaro::tools

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "field_tables/short_text.h"
#include "kelvaro/compat.h"
#include "kelvaro/labels.h"

namespace kelvaro::tools {
namespace {

constexpr std::size_t kFirstSlots = 64;

// A hash of short labels (most are a few bytes) in a handful of multiplications: the bytes taken
// eight at a time, each word mixed in by a multiply and a rotation, the length folded in, and a
// final avalanche so that the low bits the table uses depend on every byte. Not for adversarial
// input: a table of crafted labels only makes its own lookups slower.
std::uint64_t hash_of(std::string_view label) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
  std::uint64_t h = label.size() * kMultiplier;
  const char* p = label.data();
  std::size_t left = label.size();
  for (; left >= 8; p += 8, left -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    h = ((h ^ word) * kMultiplier);
    h = (h << 29) | (h >> 35);
  }
  if (left > 0) {  // the last bytes gathered in a register (a copy through memory would stall)
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < left; ++i) {
      word |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
    }
    h = (h ^ word) * kMultiplier;
  }
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ULL;
  h ^= h >> 32;
  return h;
}

}  // namespace

std::size_t LabelPool::slot_of(std::string_view label, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {  // linear probing
    const Slot& s = slots_[i];
    if (s.id == kFree || (s.hash == hash && same_text(views_[s.id], label))) return i;
  }
}

void LabelPool::grow() {
  std::vector<Slot> old(slots_.empty() ? kFirstSlots : 2 * slots_.size());
  old.swap(slots_);
  for (const Slot& s : old) {
    if (s.id != kFree) slots_[slot_of(views_[s.id], s.hash)] = s;
  }
}

LabelPool::Interned LabelPool::intern(std::string_view label) {
  if (2 * (labels_.size() + 1) > slots_.size()) grow();
  const std::uint64_t hash = hash_of(label);
  Slot& s = slots_[slot_of(label, hash)];
  if (s.id != kFree) return {s.id, false};
  s = {hash, static_cast<std::uint32_t>(labels_.size())};
  views_.push_back(labels_.emplace_back(label));
  return {s.id, true};
}

std::optional<std::uint32_t> LabelPool::find(std::string_view label) const {
  if (slots_.empty()) return std::nullopt;
  const Slot& s = slots_[slot_of(label, hash_of(label))];
  if (s.id == kFree) return std::nullopt;
  return s.id;
}

std::vector<std::pair<std::string, std::string>> same_number_labels(const LabelPool& labels) {
  std::vector<std::pair<double, std::uint32_t>> numbers;  // (value, id) of the labels that are
  for (std::uint32_t id = 0; id < labels.size(); ++id) {
    const std::string_view label = labels.label(id);
    double value = 0.0;
    const auto [end, error] = compat::from_chars(label.data(), label.data() + label.size(), value);
    if (error == std::errc() && end == label.data() + label.size() && std::isfinite(value)) {
      numbers.emplace_back(value, id);
    }
  }
  std::sort(numbers.begin(), numbers.end());
  std::vector<std::pair<std::string, std::string>> same;
  std::size_t first = 0;  // the first label of the current value
  for (std::size_t i = 1; i < numbers.size(); ++i) {
    if (numbers[i].first != numbers[first].first) {
      first = i;
      continue;
    }
    same.emplace_back(labels.label(numbers[first].second), labels.label(numbers[i].second));
  }
  return same;
}

}  // namespace kelvaro::tools

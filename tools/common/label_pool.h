#pragma once
// Labels (names of groups, samples, sites, species) interned as small integers: equal text gets
// the same id, and ids count from 0 in order of first appearance, so that a table of a million
// rows is kept as integers and each label's text once. Lookups are hash lookups (constant time
// on average), never searches along a list: open addressing in a table at most half full, each
// slot holding a label's id and full hash, so that a lookup touches one or two slots and
// compares text only when the hashes agree.
//
//   intern("Sp.A") -> {0, added}   intern("Sp.B") -> {1, added}   intern("Sp.A") -> {0, not added}

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvaro::tools {

class LabelPool {
 public:
  struct Interned {
    std::uint32_t id;
    bool added;  // true when the label was new
  };

  LabelPool() = default;
  // Copies and moves point the views at the new pool's own strings.
  LabelPool(const LabelPool& other) : labels_(other.labels_), slots_(other.slots_) { view(); }
  LabelPool(LabelPool&& other) noexcept
      : labels_(std::move(other.labels_)), slots_(std::move(other.slots_)) {
    view();
    other.views_.clear();
  }
  LabelPool& operator=(LabelPool other) noexcept {
    labels_.swap(other.labels_);
    slots_.swap(other.slots_);
    view();
    return *this;
  }

  Interned intern(std::string_view label);
  // The id of `label`, or nullopt when it was never interned.
  std::optional<std::uint32_t> find(std::string_view label) const;
  // Requires: id < size().
  std::string_view label(std::uint32_t id) const { return views_[id]; }
  std::size_t size() const { return labels_.size(); }

 private:
  static constexpr std::uint32_t kFree = 0xFFFFFFFFu;
  struct Slot {
    std::uint64_t hash = 0;
    std::uint32_t id = kFree;
  };
  // The slot holding `label`, or the free slot where it would go.
  std::size_t slot_of(std::string_view label, std::uint64_t hash) const;
  void grow();
  void view() { views_.assign(labels_.begin(), labels_.end()); }

  std::deque<std::string> labels_;       // a deque never moves its elements ...
  std::vector<std::string_view> views_;  // ... so views of them stay valid: by id, contiguous
  std::vector<Slot> slots_;              // a power of two in size, at most half of them used
};

// Pairs of different labels of `labels` that are the same number written differently, in order
// of value (each label with the first of its value): {"2015", "2015.0"}, {"7", "07"}, {"1e3",
// "1000"}. A number is a text std::from_chars reads whole as a finite double. Such labels are
// distinct labels (two samples), which is rarely what was meant.
std::vector<std::pair<std::string, std::string>> same_number_labels(const LabelPool& labels);

}  // namespace kelvaro::tools

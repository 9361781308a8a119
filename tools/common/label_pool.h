#pragma once
// Labels (names of groups, samples, sites, species) interned as small integers: equal text gets
// the same id, and ids count from 0 in order of first appearance, so that a table of a million
// rows is kept as integers and each label's text once. Lookups are hash lookups (constant time
// on average), never searches along a list.
//
//   intern("Sp.A") -> {0, added}   intern("Sp.B") -> {1, added}   intern("Sp.A") -> {0, not added}

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kelvaro::tools {

class LabelPool {
 public:
  struct Interned {
    std::uint32_t id;
    bool added;  // true when the label was new
  };

  Interned intern(std::string_view label);
  // The id of `label`, or nullopt when it was never interned.
  std::optional<std::uint32_t> find(std::string_view label) const;
  // Requires: id < size().
  std::string_view label(std::uint32_t id) const { return labels_[id]; }
  std::size_t size() const { return labels_.size(); }

 private:
  std::deque<std::string> labels_;  // a deque never moves its elements: the keys below stay valid
  std::unordered_map<std::string_view, std::uint32_t> ids_;
};

}  // namespace kelvaro::tools

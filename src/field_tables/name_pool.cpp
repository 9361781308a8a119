#include "kelvaro/labels.h"

namespace kelvaro::csv {

std::string folded_name(std::string_view name) {
  while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
  std::string key(name);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

std::uint32_t NamePool::add_file(std::string name, LineUnit unit) {
  files_.push_back(std::move(name));
  units_.push_back(unit);
  return static_cast<std::uint32_t>(files_.size() - 1);
}

std::string NamePool::place_text(const NamePlace& place) const {
  return files_[place.file] + (units_[place.file] == LineUnit::kRow ? ", row " : ", line ") +
         std::to_string(place.line) + ", column " + std::to_string(place.column);
}

void NamePool::add_variant(std::uint32_t id, std::string_view other, const NamePlace& place) {
  variants_.push_back(
      {std::string(label(id)), std::string(other), place_text(id), place_text(place)});
}

std::uint32_t NamePool::intern(std::string_view name, const NamePlace& place) {
  if (!fold_) {
    if (const auto known = labels_.find(name)) return *known;
  }
  const auto next = static_cast<std::uint32_t>(labels_.size());
  const auto [it, added] = folded_.try_emplace(folded_name(name), next);
  if (fold_ && !added) {
    if (name != label(it->second) && recorded_.emplace(name).second) {
      add_variant(it->second, name, place);
    }
    return it->second;
  }
  labels_.intern(name);
  places_.push_back(place);
  if (!added) add_variant(it->second, name, place);
  return next;
}

}  // namespace kelvaro::csv

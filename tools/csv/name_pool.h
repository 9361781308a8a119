#pragma once
// Names of sites or species as tables spell them, interned as small integers (LabelPool), with
// an eye for names that differ only in the case of ASCII letters or in blanks around them
// ("Sp.E", "sp.e", " SP.E "): most often one species typed two ways. Without folding they stay
// separate names and each such pair is recorded as a variant (for a warning); with folding they
// are one name, spelt as first seen, and each further spelling is recorded (for the audit).
//
//   no folding:  intern("Sp.E") -> 0, intern("sp.e") -> 1, variants: {"Sp.E", "sp.e"}
//   folding:     intern("Sp.E") -> 0, intern("sp.e") -> 0, variants: {"Sp.E", "sp.e"}

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/label_pool.h"

namespace kelvaro::csv {

// Where a name was read: an index from NamePool::add_file, a line and a column (from 1).
struct NamePlace {
  std::uint32_t file = 0;
  long line = 0;
  long column = 0;
};

struct NameVariant {
  std::string first, other;              // the first spelling, another one
  std::string first_place, other_place;  // "a.csv, line 1, column 5"
};

class NamePool {
 public:
  // `kind`: "species" or "site", for messages. `fold`: whether variants are one name.
  NamePool(std::string kind, bool fold) : kind_(std::move(kind)), fold_(fold) {}

  // Registers a file name for NamePlace::file.
  std::uint32_t add_file(std::string name);
  // The id of `name`, read at `place`.
  std::uint32_t intern(std::string_view name, const NamePlace& place);

  std::string_view label(std::uint32_t id) const { return labels_.label(id); }
  std::size_t size() const { return labels_.size(); }
  // Where the name `id` was first read, as text: "a.csv, line 1, column 5".
  std::string place_text(std::uint32_t id) const { return place_text(places_[id]); }
  std::string place_text(const NamePlace& place) const;
  const NamePlace& place(std::uint32_t id) const { return places_[id]; }
  const std::string& kind() const { return kind_; }
  bool folds() const { return fold_; }
  const std::vector<NameVariant>& variants() const { return variants_; }

 private:
  void add_variant(std::uint32_t id, std::string_view other, const NamePlace& place);

  std::string kind_;
  bool fold_;
  std::vector<std::string> files_;
  tools::LabelPool labels_;                                // first spellings
  std::vector<NamePlace> places_;                          // by id
  std::unordered_map<std::string, std::uint32_t> folded_;  // folded spelling -> id
  std::unordered_set<std::string> recorded_;               // other spellings already recorded
  std::vector<NameVariant> variants_;
};

// The spelling that variants share: ASCII letters in lower case, blanks and tabs around removed.
std::string folded_name(std::string_view name);

}  // namespace kelvaro::csv

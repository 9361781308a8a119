#pragma once
// Labels and names as tables give them (library kelvaro_field_tables). A pool is a plain value,
// used by one thread at a time; it owns the text of its labels, and the views it hands out stay
// valid as long as it does (copies and moves included: each pool views its own text).
//
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
#include <unordered_map>
#include <unordered_set>
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

namespace kelvaro::csv {

// Names of sites or species as tables spell them, interned as small integers (LabelPool), with
// an eye for names that differ only in the case of ASCII letters or in blanks around them
// ("Sp.E", "sp.e", " SP.E "): most often one species typed two ways. Without folding they stay
// separate names and each such pair is recorded as a variant (for a warning); with folding they
// are one name, spelt as first seen, and each further spelling is recorded (for the audit).
//
//   no folding:  intern("Sp.E") -> 0, intern("sp.e") -> 1, variants: {"Sp.E", "sp.e"}
//   folding:     intern("Sp.E") -> 0, intern("sp.e") -> 0, variants: {"Sp.E", "sp.e"}

// What the line of a place counts: the lines of a file, or the records (rows) of a table held in
// memory (kelvaro/field_tables.h ColumnTable), which messages call rows:
// "records.csv, line 2, column 3"; "records, row 1, column 3".
enum class LineUnit { kFileLine, kRow };

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

  // Registers a file name for NamePlace::file, whose lines are file lines or rows.
  std::uint32_t add_file(std::string name, LineUnit unit = LineUnit::kFileLine);
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
  std::vector<LineUnit> units_;                            // by file
  tools::LabelPool labels_;                                // first spellings
  std::vector<NamePlace> places_;                          // by id
  std::unordered_map<std::string, std::uint32_t> folded_;  // folded spelling -> id
  std::unordered_set<std::string> recorded_;               // other spellings already recorded
  std::vector<NameVariant> variants_;
};

// The spelling that variants share: ASCII letters in lower case, blanks and tabs around removed.
std::string folded_name(std::string_view name);

}  // namespace kelvaro::csv

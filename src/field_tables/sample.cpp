#include <algorithm>

#include "kelvaro/field_tables.h"

namespace kelvaro::prep {

SiteSet& SiteSet::operator=(const SiteSet& other) {
  if (this == &other) return *this;
  std::copy(std::begin(other.small_), std::end(other.small_), std::begin(small_));
  if (!other.more_) {
    more_.reset();
  } else {
    if (!more_) more_ = std::make_unique<std::uint64_t[]>(kWords - kInlineWords);
    std::copy(other.more_.get(), other.more_.get() + (kWords - kInlineWords), more_.get());
  }
  return *this;
}

std::uint64_t& SiteSet::word(int w) {
  if (w < kInlineWords) return small_[w];
  if (!more_) more_ = std::make_unique<std::uint64_t[]>(kWords - kInlineWords);  // zeros
  return more_[w - kInlineWords];
}

int SiteSet::count() const {
  int n = std::popcount(small_[0]) + std::popcount(small_[1]);
  if (more_) {
    for (int w = 0; w < kWords - kInlineWords; ++w) n += std::popcount(more_[w]);
  }
  return n;
}

bool SiteSet::empty() const {
  if ((small_[0] | small_[1]) != 0) return false;
  if (!more_) return true;
  return std::all_of(more_.get(), more_.get() + (kWords - kInlineWords),
                     [](std::uint64_t w) { return w == 0; });
}

void Sample::name(std::uint32_t id) {
  if (id >= named_.size()) named_.resize(id + 1, false);
  if (named_[id]) return;
  named_[id] = true;
  species_.push_back(id);
}

void Sample::detect(std::uint32_t id, int site) {
  name(id);
  if (id >= detections_.size()) detections_.resize(id + 1);
  if (detections_[id].empty()) ++detected_species_;
  detections_[id].add(site);
}

}  // namespace kelvaro::prep

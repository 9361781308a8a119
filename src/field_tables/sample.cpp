#include "kelvaro/field_tables.h"

namespace kelvaro::prep {

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

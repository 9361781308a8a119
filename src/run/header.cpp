#include "run/header.h"

#include "numeric/conversions.h"

namespace kelvaro {

void normalise(Header& h) {
  if (h.t1 < 0) {
    h.t1 = wrap_neg(h.t1);  // -2147483648 stays negative and is refused below
    h.swtch = 0;
  }
  if (h.pair != 0) h.pair = 1;
}

std::optional<std::string> refusal(const Header& h) {
  const std::int32_t max_sites = h.pair != 0 ? kMaxPairSites : kMaxSites;
  const std::string sites_range = "1.." + std::to_string(max_sites) +
                                  (h.pair != 0 ? " (with the frequency pair)" : "");
  if (h.t1 < 1 || h.t1 > max_sites) {
    return "t1 = " + std::to_string(h.t1) + " is outside the allowed range " + sites_range;
  }
  if (h.t2 < 1 || h.t2 > max_sites) {
    return "t2 = " + std::to_string(h.t2) + " is outside the allowed range " + sites_range;
  }
  if (h.nreps < -kMaxReplicates || h.nreps > kMaxReplicates) {
    return "nreps = " + std::to_string(h.nreps) + " is outside the allowed range -10000..10000";
  }
  return std::nullopt;
}

}  // namespace kelvaro

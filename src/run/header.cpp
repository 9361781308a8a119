#include "run/header.h"

#include "numeric/conversions.h"

namespace kelvaro {

Header decode_text_header(std::int32_t t1, std::int32_t t2, std::int32_t pair, std::int32_t nreps,
                          std::int32_t seed) {
  Header h;
  h.sites1 = wrap_abs(t1);  // -2147483648 stays negative and is refused
  h.sites2 = t2;
  h.frequency_pair = pair != 0;
  h.options.replicates = wrap_abs(nreps);
  h.options.replicate_detail = nreps < 0;
  h.options.seed = seed;
  h.options.range_adjustment = t1 >= 0;
  return h;
}

std::optional<std::string> text_replicates_refusal(std::int32_t nreps) {
  if (nreps >= -kMaxReplicates && nreps <= kMaxReplicates) return std::nullopt;
  return "nreps = " + std::to_string(nreps) + " is outside the allowed range -10000..10000";
}

std::optional<std::string> sites_refusal(const Header& h) {
  const std::string range = " is outside the allowed range 1.." + std::to_string(kMaxSampleSites);
  if (h.sites1 < 1 || h.sites1 > kMaxSampleSites) return "t1 = " + std::to_string(h.sites1) + range;
  if (h.sites2 < 1 || h.sites2 > kMaxSampleSites) return "t2 = " + std::to_string(h.sites2) + range;
  return std::nullopt;
}

}  // namespace kelvaro

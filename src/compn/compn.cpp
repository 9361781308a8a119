#include "compn/compn.h"

#include <vector>

#include "compn/bootstrap.h"
#include "jack/readj.h"
#include "shared/warnings.h"
#include "mhgof/mhgof.h"
#include "shared/numeric.h"
#include "shared/storage.h"
#include "textio/report.h"

namespace kelvaro {

namespace {

// Moves f'(1..t0+1) from x(t0+1..2t0+1) down into x(1..t0+1), keeping f(1..t0) in `kept`.
// Going upward in i is safe: every source element lies above its destination.
void bring_pair_down(std::int32_t t0, Array1<float, 100>& kept) {
  auto& x = work01.x;
  work01.t = t0 + 1;
  for (std::int32_t i = 1; i <= t0; ++i) {
    kept(i) = x(i);
    x(i) = x(t0 + i);
  }
  x(t0 + 1) = x(2 * t0 + 1);
}

void print_frequencies(std::int32_t pair) {
  std::vector<textio::Item> items;
  items.reserve(101);
  items.emplace_back(pair != 0 ? "Observed frequencies, f'(i) = " : "Observed frequencies, f(i) = ");
  for (std::int32_t i = 1; i <= work01.t; ++i) items.emplace_back(trunc_to_int(work01.x(i)));
  textio::write_list(items);
}

const char* block_name(std::int32_t block) {
  static constexpr const char* kNames[] = {"Sample 1", "Sample 2", "Subset A", "Subset B"};
  return block >= 1 && block <= 4 ? kNames[block - 1] : "block";
}

// Caveats of the block's own estimate, just made by the jackknife.
void warn_about_estimate(std::int32_t block) {
  if (work02.weights_unbalanced) {
    warn(WarningKind::kOrderTestSkipped, block_name(block), 0,
         "a test between jackknife orders was skipped for zero variance, so the order weights do "
         "not sum to 1 and the standard error is formed with them as they are (it may be far too "
         "large); read it with care");
  }
  if (work02.fell_back) {
    warn(WarningKind::kIllConditioned, block_name(block), 0,
         "the interpolated estimate fell below the species observed, so the order-1 estimate is "
         "used instead (ill-conditioned data)");
  }
  if (!fits_int(work01.est + 0.5f)) {
    warn(WarningKind::kCountWraps, block_name(block), 0,
         "the richness estimate is too large (or not a number) for a 32-bit whole number, so the "
         "printed estimate wraps and the bootstrap of this block is meaningless");
  }
}

}  // namespace

void compn(std::int32_t nreps, std::int32_t block, std::string_view observed_label,
           std::string_view estimate_label, std::int32_t pair) {
  const std::int32_t t0 = work01.t;
  Array1<float, 100> kept{};
  if (pair != 0) bring_pair_down(t0, kept);

  // R is truncated after every addition, the sum taken in single precision.
  std::int32_t r = 0;
  for (std::int32_t i = 1; i <= work01.t; ++i) {
    r = trunc_to_int(static_cast<float>(r) + work01.x(i));
  }
  std::int32_t sites = 0;
  for (std::int32_t i = 1; i <= t0; ++i) sites = wrap_add(sites, work03.nsite(i));

  textio::write_list({"Total species observed, ", observed_label, " = ", r});
  print_frequencies(pair);

  readj();
  warn_about_estimate(block);
  work03.nest(block) = work01.est;
  work01.est = static_cast<float>(trunc_to_int(work01.est + 0.5f));

  textio::write_list({" "});
  textio::write_list({"Species richness estimate, ", estimate_label, " = ", work01.est, ", SE(",
                      estimate_label, ") = ", work01.se});
  textio::write_list({" "});
  if (r <= 0) return;

  bootstrap(nreps, block);
  textio::write_list({" "});

  if (pair != 0) {
    work01.t = t0;
    for (std::int32_t i = 1; i <= t0; ++i) work01.x(i) = kept(i);
  }
  if (sites > 0) mhgof(t0, work03.nsite, work03.fint);
}

}  // namespace kelvaro

// The curves and standardised tables (kelvaro/tables.h), from curves made by kelvaro/curves.h.

#include <optional>
#include <string>

#include "kelvaro/tables.h"
#include "tables/shortest_double.h"

namespace kelvaro {
namespace {

// A value that may not exist: empty when it does not.
std::string optional_double(const std::optional<double>& v) { return v ? shortest_double(*v) : ""; }

}  // namespace

Table curves_table(const ResultCurves& curves) {
  Table table(TableKind::kCurves);
  for (const BlockCurve& c : curves.blocks) {
    for (const CurvePoint& p : c.points) {
      table.add_row({block_name(c.block), std::to_string(p.sites), curve_kind_name(p.kind),
                     shortest_double(p.richness), optional_double(p.lower),
                     optional_double(p.upper), optional_double(p.coverage)});
    }
  }
  return table;
}

Table standardised_table(const ResultCurves& curves) {
  Table table(TableKind::kStandardised);
  for (const StandardisedRichness& s : curves.standardised) {
    table.add_row({standard_name(s.standard), block_name(s.block), optional_double(s.sites),
                   curve_kind_name(s.kind), shortest_double(s.richness), optional_double(s.lower),
                   optional_double(s.upper), optional_double(s.coverage)});
  }
  return table;
}

}  // namespace kelvaro

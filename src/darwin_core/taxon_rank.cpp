#include "darwin_core/taxon_rank.h"

#include "darwin_core/term_names.h"

namespace kelvaro::dwc {
namespace {

// The ranks above species, as taxonRank writes them (GBIF's and the Catalogue of Life's
// vocabularies).
constexpr std::string_view kHigherRanks[] = {
    "domain",    "kingdom",      "subkingdom",   "infrakingdom",   "superphylum", "phylum",
    "subphylum", "infraphylum",  "division",     "subdivision",    "superclass",  "class",
    "subclass",  "infraclass",   "superorder",   "order",          "suborder",    "infraorder",
    "parvorder", "superfamily",  "family",       "subfamily",      "supertribe",  "tribe",
    "subtribe",  "genus",        "subgenus",     "section",        "subsection",  "series",
    "subseries", "infrageneric", "suprageneric", "unranked higher"};

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

bool above_species_rank(std::string_view taxon_rank, std::string_view scientific_name) {
  const std::string_view rank = trimmed(taxon_rank);
  if (!rank.empty()) {
    for (const std::string_view higher : kHigherRanks) {
      if (same_word(rank, higher)) return true;
    }
    return false;
  }
  const std::string_view name = trimmed(scientific_name);
  if (name.empty()) return false;
  const std::size_t gap = name.find(' ');
  if (gap == std::string_view::npos) return true;
  std::string_view second = trimmed(name.substr(gap + 1));
  second = second.substr(0, second.find(' '));
  for (const std::string_view mark : {"sp", "sp.", "spp", "spp.", "indet", "indet."}) {
    if (same_word(second, mark)) return true;
  }
  // An authorship after a genus: "Ardea Linnaeus, 1758", "Ardea (Linnaeus)".
  return !second.empty() && (is_upper(second[0]) || second[0] == '(');
}

}  // namespace kelvaro::dwc

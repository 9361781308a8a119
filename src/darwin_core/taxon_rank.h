#pragma once
// Whether a record's taxon is above species rank: a genus, a family, a class... Its taxonRank
// says so when it has one; without, its scientificName of one word (a genus or higher:
// "Aves", "Ardea", "Ardea Linnaeus, 1758") or ending in sp./spp. does ("Salmonidae sp.").
// Species and the ranks below (subspecies, variety, form...) are not above species rank, nor is
// an empty taxon.
//
//   ("genus", "Ardea cinerea")   -> true      ("", "Ardea")                  -> true
//   ("species", "Ardea")         -> false     ("", "Ardea cinerea")          -> false
//   ("", "Salmonidae sp.")       -> true      ("", "Ardea Linnaeus, 1758")   -> true
//   ("", "Parus major major")    -> false     ("", "")                       -> false

#include <string_view>

namespace kelvaro::dwc {

bool above_species_rank(std::string_view taxon_rank, std::string_view scientific_name);

}  // namespace kelvaro::dwc

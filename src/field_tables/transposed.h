#pragma once
// A guess at a site-by-species table given the other way round (species as rows, sites as
// columns), a common slip when exporting from a spreadsheet: most header names look like site
// labels and most first-column names like species names.
//
//   site label:    "plot1", "S12", "3", "site_04", "A-12b"   (a short word, then a number)
//   species name:  "Abarema macradenia", "Inga.nobilis", "Carex_nigra"   (Genus epithet)
//
//   header "species,plot1,plot2", first column "Inga nobilis", "Carex nigra"  -> a warning text

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvaro::prep {

bool looks_like_site_label(std::string_view name);
bool looks_like_species_name(std::string_view name);

// The explanation to show when `species_columns` (the header after its first column) look like
// site labels and `first_column` (the row names) like species names, each for at least 80% of at
// least two names; nullopt otherwise.
std::optional<std::string> transposed_hint(const std::vector<std::string>& species_columns,
                                           const std::vector<std::string>& first_column);

}  // namespace kelvaro::prep

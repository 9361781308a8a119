#pragma once
// A pilot survey read from a file, reduced to its detection frequencies f(1..t). The file is
// either one site-by-species CSV table, read as kelvaro-prep reads a sample's table (a value
// above 0 is a detection), or a kelvaro input, whose Sample 1 is taken (its first item is a
// number: t1 of the header). A table with 3 sites whose species were detected at 1, 1 and 3 sites
// gives t = 3, f = (2, 0, 1).

#include <string>

#include "plan/pilot_fit.h"

namespace kelvaro::plan {

// Reads the pilot at `path`. Throws OptionError whose message starts with `option` and names the
// file, the line and what is wrong (a table kelvaro-prep refuses, a kelvaro input kelvaro
// refuses, a file that cannot be read).
DetectionFrequencies read_pilot(const std::string& path, const std::string& option);

}  // namespace kelvaro::plan

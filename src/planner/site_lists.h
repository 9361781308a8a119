#pragma once
// Lists of numbers of sites as the command line gives them, and the designs they make.
// A list is comma-separated values, each a number or a range FIRST:LAST[:STEP] (STEP 1 when left
// out; LAST is included when the steps reach it):
//   "5,10,20"   -> 5 10 20
//   "5:20:5"    -> 5 10 15 20
//   "2:7:2,40"  -> 2 4 6 40
// Every number of sites must be 1 to kMaxSampleSites (1000), the most kelvaro takes.

#include <cstdint>
#include <string>
#include <vector>

#include "kelvaro/survey_simulation.h"

namespace kelvaro::plan {

// The numbers of the list in the order given. Throws OptionError naming `option` and the bad
// item: not a number, a range without a positive step or running backwards, a value
// outside 1..1000, an empty list or item.
std::vector<std::int32_t> parse_site_list(const std::string& text, const std::string& option);

// Equal numbers of sites: (t, t) for each t. Every pair of t1 from sites1 and t2 from sites2,
// t1 the outer loop. Either way a design given twice is kept once, where it first appears.
std::vector<Design> equal_designs(const std::vector<std::int32_t>& sites);
std::vector<Design> crossed_designs(const std::vector<std::int32_t>& sites1,
                                    const std::vector<std::int32_t>& sites2);

}  // namespace kelvaro::plan

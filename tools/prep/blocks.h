#pragma once
// The four data blocks of a kelvaro input, derived from two samples' detections.
// f(i) = number of species detected at exactly i sites, n(i) = number of species detected at
// the i-th site, both for i = 1..t (t = the sample's number of sites). Subset A holds the species
// detected in both samples with Sample 2's data; Subset B the same species with Sample 1's data.
// One pass over the species: time linear in their number.
//
//   Sample with sites s1..s3; species a at {s1}, b at {s1, s3}, c at {}:
//   f = (1, 1, 0), n = (2, 0, 1)

#include <cstdint>
#include <vector>

#include "kelvaro/field_tables.h"

namespace kelvaro::prep {

struct Block {
  std::vector<std::int32_t> f;  // f(1..t)
  std::vector<std::int32_t> n;  // n(1..t)
};

struct KelvaroBlocks {
  Block sample1;
  Block sample2;
  Block subset_a;  // species detected in both samples, Sample 2's data (t2 classes)
  Block subset_b;  // the same species, Sample 1's data (t1 classes)
};

// All four blocks. Degenerate input: no common species gives subsets of zeros.
KelvaroBlocks derive_blocks(const Survey& survey);

// The same from two samples whose species ids count from 0 to species_count - 1 (ids beyond are
// not looked at): a program that analyses many pairs gives each pair compact ids, so that the
// pass costs the pair's species, not the whole survey's.
KelvaroBlocks derive_blocks(const Sample& sample1, const Sample& sample2,
                            std::uint32_t species_count);

}  // namespace kelvaro::prep

#pragma once
// The four data blocks of a kelvaro input, derived from two samples' detections.
// f(i) = number of species detected at exactly i sites, n(i) = number of species detected at
// the i-th site, both for i = 1..t (t = the sample's number of sites). Subset A holds the species
// detected in both samples with Sample 2's data; Subset B the same species with Sample 1's data.
//
//   Sample with sites s1..s3; species a at {s1}, b at {s1, s3}, c at {}:
//   f = (1, 1, 0), n = (2, 0, 1)

#include <cstdint>
#include <string>
#include <vector>

#include "prep/detections.h"

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

// Names of the species with at least one detection in the sample, in the sample's order.
std::vector<std::string> detected_species(const Sample& sample);

// Names of the species detected in both samples, in Sample 1's order.
std::vector<std::string> common_species(const Sample& s1, const Sample& s2);

// f and n over the named species on the sample's sites; names without detections add nothing.
// Degenerate input: no names gives t zeros in both vectors.
Block make_block(const Sample& sample, const std::vector<std::string>& species);

// All four blocks. Requires: both samples have at least one site.
KelvaroBlocks derive_blocks(const Sample& s1, const Sample& s2);

}  // namespace kelvaro::prep

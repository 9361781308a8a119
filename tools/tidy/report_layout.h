#pragma once
// Where kelvaro's report puts what kelvaro-tidy reads: the titles and labels of the four block
// sections, the fields of the formatted records (start column from 0, width, kind), the parameter
// labels and the first characters of the definition lines.
//
//   "(1x,8i6,f12.4)"  ->  {1, 6, int} {7, 6, int} ... {43, 6, int} {49, 12, real}

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "tidy/line_cursor.h"

namespace kelvaro::tidy {

// What tells the four block sections apart: their title lines and the labels of their lines.
struct BlockSection {
  const char* name;                // the block's name in the tables: "Sample 1" ... "Subset B"
  std::vector<std::string> title;  // the section's title lines, the leading blank record first
  const char* observed_label;      // 6 characters, trailing blanks included
  const char* estimate_label;
};

extern const BlockSection kSample1, kSample2, kSubsetA, kSubsetB;

struct Field {
  std::size_t start, width;
  NumberKind kind;
};

// "(1x,8i6,f12.4)": a block's replicate frequencies 1..7, their sum over 1..6, the estimate.
extern const std::vector<Field> kBlockReplicateFields;
// "(6f9.2)": a block's mean replicate frequencies 1..6.
extern const std::vector<Field> kMeanFrequencyFields;
// "(4f5.0,4f7.4,f8.3,2f7.4,2i6)": N1 N2 M2 M1, PHI GAMMA LAMBDA altLAMBDA, B, p1 p2, R1 R2.
extern const std::vector<Field> kReplicateFields;
// "(1x,a10,3f10.d,4x,f10.d,' - ',f10.d)": data estimate, average, error, lower, upper.
extern const std::vector<Field> kParameterFields;
// "(10f8.3)": one line of the pooled tables of the test for unequal p's.
extern const std::vector<Field> kPooledFields;

inline constexpr std::size_t kParameterCount = 11;  // the replicate fields before the two counts

// The parameter table's labels as the report prints them, in its order.
extern const std::array<const char*, kParameterCount> kParameterLabels;

// The first characters of the sixteen definition lines.
extern const std::array<const char*, 16> kDefinitionStarts;

}  // namespace kelvaro::tidy

#pragma once
// Where kelvaro's report puts what the report reader reads: the titles and labels of the four
// block sections, the fields of the formatted records (start column from 0, width, kind), the
// parameter labels and the first characters of the definition lines. Constants only.
//
//   "(1x,8i6,f12.4)"  ->  {1, 6, int} {7, 6, int} ... {43, 6, int} {49, 12, real}

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "report_reader/line_cursor.h"

namespace kelvaro::tidy {

// What tells the four block sections apart: their title lines and the labels of their lines.
struct BlockSection {
  std::string_view name;                    // the block's name in the tables: "Sample 1" ...
  std::span<const std::string_view> title;  // the title lines, the leading blank record first
  std::string_view observed_label;          // 6 characters, trailing blanks included
  std::string_view estimate_label;
};

// The rules under the titles: 31 and 47 '='.
inline constexpr std::string_view kSampleTitles[][3] = {
    {"", " Sample 1:", " ==============================="},
    {"", " Sample 2:", " ==============================="}};
inline constexpr std::string_view kSubsetTitles[][4] = {
    {"", " Subset A:Subset of species observed both samples,",
     "          f(i) and n(i) data come from Sample 2",
     " ==============================================="},
    {"", " Subset B:Subset of species observed both samples",
     "          f(i) and n(i) data come from Sample 1",
     " ==============================================="}};

inline constexpr BlockSection kSample1{"Sample 1", kSampleTitles[0], "R(1)  ", "N(1)  "};
inline constexpr BlockSection kSample2{"Sample 2", kSampleTitles[1], "R(2)  ", "N(2)  "};
inline constexpr BlockSection kSubsetA{"Subset A", kSubsetTitles[0], "m2(R1)", "M2(R1)"};
inline constexpr BlockSection kSubsetB{"Subset B", kSubsetTitles[1], "m1(R2)", "M1(R2)"};

struct Field {
  std::size_t start, width;
  NumberKind kind;
};

inline constexpr NumberKind kIntegerField = NumberKind::kInteger;
inline constexpr NumberKind kRealField = NumberKind::kReal;

// "(1x,8i6,f12.4)": a block's replicate frequencies 1..7, their sum over 1..6, the estimate.
inline constexpr Field kBlockReplicateFields[] = {
    {1, 6, kIntegerField},  {7, 6, kIntegerField},  {13, 6, kIntegerField},
    {19, 6, kIntegerField}, {25, 6, kIntegerField}, {31, 6, kIntegerField},
    {37, 6, kIntegerField}, {43, 6, kIntegerField}, {49, 12, kRealField}};
// "(6f9.2)": a block's mean replicate frequencies 1..6.
inline constexpr Field kMeanFrequencyFields[] = {{0, 9, kRealField},  {9, 9, kRealField},
                                                 {18, 9, kRealField}, {27, 9, kRealField},
                                                 {36, 9, kRealField}, {45, 9, kRealField}};
// "(4f5.0,4f7.4,f8.3,2f7.4,2i6)": N1 N2 M2 M1, PHI GAMMA LAMBDA altLAMBDA, B, p1 p2, R1 R2.
inline constexpr Field kReplicateFields[] = {
    {0, 5, kRealField},    {5, 5, kRealField},  {10, 5, kRealField}, {15, 5, kRealField},
    {20, 7, kRealField},   {27, 7, kRealField}, {34, 7, kRealField}, {41, 7, kRealField},
    {48, 8, kRealField},   {56, 7, kRealField}, {63, 7, kRealField}, {70, 6, kIntegerField},
    {76, 6, kIntegerField}};
// "(1x,a10,3f10.d,4x,f10.d,' - ',f10.d)": data estimate, average, error, lower, upper.
inline constexpr Field kParameterFields[] = {{11, 10, kRealField},
                                             {21, 10, kRealField},
                                             {31, 10, kRealField},
                                             {45, 10, kRealField},
                                             {58, 10, kRealField}};
// "(10f8.3)": one line of the pooled tables of the test for unequal p's.
inline constexpr Field kPooledFields[] = {
    {0, 8, kRealField},  {8, 8, kRealField},  {16, 8, kRealField}, {24, 8, kRealField},
    {32, 8, kRealField}, {40, 8, kRealField}, {48, 8, kRealField}, {56, 8, kRealField},
    {64, 8, kRealField}, {72, 8, kRealField}};

inline constexpr std::size_t kParameterCount = 11;  // the replicate fields before the two counts

// The parameter table's labels as the report prints them, in its order.
inline constexpr std::array<std::string_view, kParameterCount> kParameterLabels = {
    "N(1)", "N(2)", "M2(R1)", "M1(R2)", "PHI", "GAMMA", "LAMBDA", "altLAMBDA", "B", "p(1)", "p(2)"};

// The first characters of the sixteen definition lines.
inline constexpr std::array<std::string_view, 16> kDefinitionStarts = {
    "R(1)     : ", "R(2)     : ", "f(i)     : ", "f'(i)    : ", "n(i)     : ", "N(1)     : ",
    "N(2)     : ", "M2(R1)   : ", "M1(R2)   : ", "PHI      : ", "GAMMA    : ", "LAMBDA   : ",
    "altLAMBDA: ", "B        : ", "p(1)     : ", "p(2)     : "};

}  // namespace kelvaro::tidy

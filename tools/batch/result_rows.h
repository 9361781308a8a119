#pragma once
// The rows kelvaro-batch writes for one analysed pair: a run's results as the report prints
// them, blanks trimmed, which is the text kelvaro-tidy takes from the report ("52.000000",
// "0.9809", "NaN", "**********"). Each value is laid out by the report's own field:
//
//   parameters  the parameter table's F10.2 (N(1), N(2), M2(R1), M1(R2), B) or F10.4 (PHI,
//               GAMMA, LAMBDA, altLAMBDA, p(1), p(2)):      110.961 -> "110.96"
//   blocks      R: free-form integer; estimate (the rounded one) and SE: free-form reals;
//               the M(h) test: F8.3, I3, F8.4, empty when the report has no test (a block
//               without species):                           31.0f -> "31.000000"
//   tests       chi-square and probability: free-form doubles; df: free-form integer. No row
//               when the test was not made (the samples' numbers of sites differ).
//
// Every row starts with the pair's key (group, sample1, sample2 as CSV fields) and ends in
// CR LF; within a pair, rows come in the report's order.

#include <string>
#include <string_view>

#include "kelvaro/kelvaro.h"

namespace kelvaro::batch {

inline constexpr std::string_view kParametersHeader =
    "group,sample1,sample2,parameter,estimate,bootstrap_average,standard_error,lower,upper\r\n";
inline constexpr std::string_view kBlocksHeader =
    "group,sample1,sample2,block,R,estimate,SE,mh_chi_square,mh_df,mh_probability\r\n";
inline constexpr std::string_view kTestsHeader =
    "group,sample1,sample2,chi_square,df,probability\r\n";

// "g,s1,s2", each label a CSV field ("a,b" quoted).
std::string pair_key(std::string_view group, std::string_view sample1, std::string_view sample2);

// Requires: the result holds the summary (kParameterCount parameters).
void append_parameter_rows(std::string& out, std::string_view key, const RunResult& result);
void append_block_rows(std::string& out, std::string_view key, const RunResult& result);
void append_test_row(std::string& out, std::string_view key, const RunResult& result);

}  // namespace kelvaro::batch

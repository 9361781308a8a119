#pragma once
// The rows kelvaro-batch writes for one analysed pair: kelvaro's result tables of the run
// (kelvaro/tables.h: parameters, blocks, test, estimators), each row after the pair's key
// (group, sample1, sample2 as CSV fields) and ending in CR LF; within a pair, rows come in the
// report's order. The header of each file is the key's columns and the table's.
//
//   group,sample1,sample2,block,R,estimate,SE,mh_chi_square,mh_df,mh_probability\r\n
//   g,2019,2020,Sample 1,45,52.000000,5.1234560,3.210,4,0.5231\r\n

#include <string>
#include <string_view>

#include "kelvaro/tables.h"

namespace kelvaro::batch {

// "g,s1,s2", each label a CSV field ("a,b" quoted).
std::string pair_key(std::string_view group, std::string_view sample1, std::string_view sample2);

// "group,sample1,sample2," and the table's columns, then CR LF.
std::string table_header(TableKind kind);

// Appends every row of the table after `key`.
void append_rows(std::string& out, std::string_view key, const Table& table);

}  // namespace kelvaro::batch

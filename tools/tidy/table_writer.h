#pragma once
// Writes one of kelvaro-tidy's tables as RFC 4180 CSV: the header row first, then the rows;
// values as the report prints them ("52.000000", "NaN", "**********"), a value the report does
// not print as an empty field; CR LF line ends.
//
//   block,R,estimate,SE,mh_chi_square,mh_df,mh_probability\r\n
//   Subset A,0,0.0000000,NaN,,,\r\n

#include "kelvaro/checked_output.h"
#include "tidy/tables.h"

namespace kelvaro::tidy {

// Throws WriteError.
void write_csv(tools::Output& out, const Table& table);

}  // namespace kelvaro::tidy

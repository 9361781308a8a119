#pragma once
// A pair's rows of kelvaro-batch's tables (kelvaro/surveys.h: pair_key, table_header).

#include <string>
#include <string_view>

#include "kelvaro/surveys.h"
#include "kelvaro/tables.h"

namespace kelvaro::batch {

// Appends every row of the table after `key`.
void append_rows(std::string& out, std::string_view key, const Table& table);

}  // namespace kelvaro::batch

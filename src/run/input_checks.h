#pragma once
// Checks of the input that find probable slips: values a count cannot take, totals that wrap,
// records that disagree with each other. Each adds warnings to a WarningLog; none changes a value.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "run/warning_log.h"
#include "textio/list_reader.h"

namespace kelvaro {

// What one read statement met besides its values: a null value or slash that kept earlier values,
// and numbers beyond the record's last item. record: "f(i)", "n(i)", "f'(i)" or "header";
// items: how many values the record takes.
void check_statement(WarningLog& log, const std::string& block, const std::string& record,
                     std::int64_t items, const textio::StatementFacts& facts);

// One block's records as read: f(1..t), n(1..t) and, with the pair, f'(1..t+1) (empty without).
// Finds negative and fractional frequencies, negative site counts, values and totals beyond a
// 32-bit count, detections counted two ways that disagree (sum of i f(i) against sum of n(i)), and
// an n(i) above the species observed. Returns the species observed (sum of trunc f(i)), or
// nothing when a value or total lies beyond a 32-bit count.
std::optional<std::int64_t> check_block(WarningLog& log, const std::string& block,
                                        std::int64_t line, std::span<const float> f,
                                        std::span<const std::int32_t> n,
                                        std::span<const float> f_pair);

// The two subsets against each other and against their parent samples: Subset A (Sample 2's data)
// and Subset B (Sample 1's data) hold the species observed in both samples.
// Species counts that are unknown (beyond 32 bits) are not compared.
void check_subsets(WarningLog& log, std::int64_t line_a, std::int64_t line_b,
                   std::optional<std::int64_t> r1, std::optional<std::int64_t> r2,
                   std::optional<std::int64_t> subset_a, std::optional<std::int64_t> subset_b);

}  // namespace kelvaro

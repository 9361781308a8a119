#pragma once
// Checks of the input that find probable slips: values a count cannot take, totals that wrap,
// records that disagree with each other. Each adds warnings to a WarningLog; none changes a value.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

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

// Sample 1 or Sample 2 with `observed` species (nothing is said of a sample without any, or of
// unknown size): a single species (kSingleSpecies), and sites without a detection, n(i) = 0
// (kSitesWithoutDetection: they count as sites where every species was missed).
//   n = (3, 0, 2, 0), 4 species -> "2 of 4 sites have no detection (n(2) = 0, n(4) = 0): ..."
void check_sample(WarningLog& log, const std::string& block, std::int64_t line,
                  std::span<const std::int32_t> n, std::optional<std::int64_t> observed);

// A block's records as read: x (f(1..t), then f'(1..t+1) with the pair), n(1..t), the line where
// they start, and its species observed (nothing when unknown).
struct BlockValues {
  std::vector<float> x;
  std::vector<std::int32_t> n;
  std::int64_t line = 0;
  std::optional<std::int64_t> species;
};

// The two samples against each other, once the four blocks (Sample 1, Sample 2, Subset A,
// Subset B) are read: no species in common, both subsets empty while each sample has species
// (kNoCommonSpecies); and the same data given twice, Sample 2's records the same as Sample 1's
// and each subset the same as its parent sample (kIdenticalSamples).
void check_sample_pair(WarningLog& log, std::span<const BlockValues, 4> blocks);

}  // namespace kelvaro

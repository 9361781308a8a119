#pragma once
// One pair's analysis: what kelvaro-prep and kelvaro would make of the pair's two samples, with
// kelvaro's structured input built directly (run_survey), and the pair's rows of every output
// table. The samples are taken as kelvaro-prep takes a long table: sites in order of first
// appearance, a detection listed twice counted once. A pair that cannot be analysed gives one
// problems row and nothing else; each warning of a run gives a problems row.
//
//   problems kinds, pair not analysed:  missing_sample  the table holds no record of a sample
//                                       no_detection    a sample has no detection
//                                       too_many_sites  a sample has more than 98 sites
//                                       refused         kelvaro refused the input
//   warnings of an analysed pair:       outside_interval, few_replicates, ill_conditioned, ...
//                                       (kelvaro.h warning_kind_name)
//
// Thread safety: a PairAnalyst is used by one thread; any number of them may read one table.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "batch/detection_table.h"
#include "batch/pairing.h"
#include "kelvaro/kelvaro.h"
#include "prep/blocks.h"

namespace kelvaro::batch {

struct AnalysisSettings {
  std::int32_t replicates = 50;  // bootstrap replicates, 0..10000
  std::int32_t seed = 400;       // the same for every pair; never 0 (not repeatable)
  bool range_adjustment = true;
  bool reports = false;  // keep each pair's report text
  // Keep the pair's whole result, its replicates included (PairOutcome::result), and tell
  // `observer` of the run's progress: a front end that shows one pair (the web page).
  bool keep_result = false;
  Observer* observer = nullptr;
};

// A pair's part of every output: rows in CR LF, ready to append.
struct PairOutcome {
  std::string parameters, blocks, tests, estimators, problems;
  std::string report;  // with AnalysisSettings::reports; empty when the pair was not analysed
  bool analysed = false;
  std::uint32_t warnings = 0;  // problems rows from the run's warnings
  RunResult result;            // with AnalysisSettings::keep_result, once the run was made
};

// How often a thread that waits for the workers' analyses looks at the stop flag.
inline constexpr std::chrono::milliseconds kStopCheck{100};

inline constexpr std::string_view kProblemsHeader = "group,sample1,sample2,kind,message\r\n";

// What a worker needs to analyse a pair, made on the thread that owns the table: the labels as
// text, and the two samples, which the table leaves unchanged while the pair is analysed.
struct PairInput {
  std::string key;  // the rows' first fields (result_rows.h pair_key)
  std::string group, sample1, sample2;
  const GroupSample* first = nullptr;  // nullptr: the table holds no record of the sample
  const GroupSample* second = nullptr;
};

class PairAnalyst {
 public:
  // Requires: settings outlive the analyst.
  explicit PairAnalyst(const AnalysisSettings& settings) : settings_(settings) {}

  PairOutcome analyse(const PairInput& pair);

  // kelvaro's input for two samples, as analyse() builds it.
  // Requires: both samples can be analysed (they have detections and at most 98 sites).
  Survey survey(const GroupSample& first, const GroupSample& second);

 private:
  prep::Sample prep_sample(const GroupSample& sample);

  const AnalysisSettings& settings_;
  // The pair's own species ids (from 0, in order of first use) by table species id; kUnused for
  // species not in the pair. Reset after each pair, touching only the ids used.
  std::vector<std::uint32_t> pair_ids_;
  std::vector<std::uint32_t> used_;
};

}  // namespace kelvaro::batch

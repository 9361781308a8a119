#include "batch/batch_run.h"

#include <unordered_map>

#include "batch/batch_output.h"
#include "batch/detection_table.h"
#include "batch/early_analyses.h"
#include "batch/label_order.h"
#include "batch/pair_runner.h"
#include "batch/result_rows.h"

namespace kelvaro::batch {
namespace {

PairInput input_of(const SamplePair& p, const SurveyLabels& labels, const DetectionTable& table) {
  const std::string_view group = labels.groups.label(p.group);
  PairInput in;
  in.sample1 = labels.samples.label(p.sample1);
  in.sample2 = labels.samples.label(p.sample2);
  in.key = pair_key(group, in.sample1, in.sample2);
  in.first = table.find(p.group, p.sample1);
  in.second = table.find(p.group, p.sample2);
  return in;
}

// Hands groups to the early analyses as the table closes them, in the pairs known then.
class EarlyPlanner {
 public:
  EarlyPlanner(const BatchRequest& request, const SurveyLabels& labels,
               const std::vector<SamplePair>& file_pairs, EarlyAnalyses& early)
      : request_(request), labels_(labels), early_(early) {
    for (const SamplePair& p : file_pairs) file_pairs_[p.group].push_back(p);
  }

  // DetectionTable::GroupClosed.
  bool closed(const DetectionTable& table, std::uint32_t group) {
    const std::vector<SamplePair> pairs = pairs_of(table, group);
    for (const SamplePair& p : pairs) early_.add(p, input_of(p, labels_, table));
    return !pairs.empty();
  }

 private:
  std::vector<SamplePair> pairs_of(const DetectionTable& table, std::uint32_t group) {
    if (!request_.rule) {
      const auto it = file_pairs_.find(group);
      return it == file_pairs_.end() ? std::vector<SamplePair>() : it->second;
    }
    const bool by_value = all_numbers_so_far();
    return pairs_of_group(table, group, *request_.rule, [&](std::uint32_t a, std::uint32_t b) {
      return label_less(labels_.samples.label(a), labels_.samples.label(b), by_value);
    });
  }

  // Whether every sample label read so far is a number (looking only at the new ones).
  bool all_numbers_so_far() {
    for (; checked_ < labels_.samples.size(); ++checked_) {
      all_numbers_ = all_numbers_ && is_number(labels_.samples.label(checked_));
    }
    return all_numbers_;
  }

  const BatchRequest& request_;
  const SurveyLabels& labels_;
  EarlyAnalyses& early_;
  std::unordered_map<std::uint32_t, std::vector<SamplePair>> file_pairs_;
  std::uint32_t checked_ = 0;
  bool all_numbers_ = true;
};

std::vector<SamplePair> final_pairs(const BatchRequest& request, const SurveyLabels& labels,
                                    const DetectionTable& table,
                                    std::vector<SamplePair> file_pairs) {
  const LabelRanks ranks = ranks_of(labels);
  std::vector<SamplePair> pairs =
      request.rule ? pairs_by_rule(table, labels, *request.rule, ranks) : std::move(file_pairs);
  sort_pairs(pairs, ranks);
  if (request.shard) pairs = pairs_of_shard(pairs, ranks, *request.shard);
  return pairs;
}

}  // namespace

BatchSummary run_batch(tools::ByteSource& records, const BatchRequest& request,
                       const BatchProgress& progress, const std::atomic<bool>& stop) {
  BatchSummary summary;
  SurveyLabels labels;
  std::vector<SamplePair> file_pairs;
  if (!request.rule) {
    tools::FileSource file(request.pairs_file);
    file_pairs = read_pairs_file(file, request.table.separator, labels);
  }
  DetectionTable table(records, request.table, labels, request.threads);
  // Made before the long read, so that an output directory that cannot be written stops the
  // batch at once.
  BatchOutput output(request.output, request.analysis.reports);

  const bool overlap = request.threads > 1 && !request.shard;
  std::optional<EarlyOutcomes> early_outcomes;
  {
    EarlyAnalyses early(request.analysis, overlap ? request.threads - 1 : 0);
    EarlyPlanner planner(request, labels, file_pairs, early);
    DetectionTable::GroupClosed closed;
    if (overlap) closed = [&](std::uint32_t group) { return planner.closed(table, group); };
    const auto go_on = [&](std::uint64_t records) {
      if (progress.reading) progress.reading(records);
      return !stop;
    };
    if (!table.read(closed, go_on)) return summary;
    early_outcomes = early.finish(stop);
    if (!early_outcomes) return summary;
  }
  table.merge_set_aside();
  summary.variants = table.variants();
  summary.same_number_samples = tools::same_number_labels(labels.samples);

  const std::vector<SamplePair> pairs = final_pairs(request, labels, table, std::move(file_pairs));
  std::vector<PairInput> inputs(pairs.size());  // left empty for the pairs already done
  std::vector<std::optional<PairOutcome>> done(pairs.size());
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    const auto it = early_outcomes->find(pairs[i]);
    if (it != early_outcomes->end() && !table.reopened(pairs[i].group)) {
      done[i] = std::move(it->second);
      ++summary.early;
    } else {
      inputs[i] = input_of(pairs[i], labels, table);
    }
  }
  early_outcomes.reset();
  summary.pairs = pairs.size();
  const auto deliver = [&](std::size_t i, PairOutcome& r) {
    const SamplePair& p = pairs[i];
    output.add(r, labels.groups.label(p.group), labels.samples.label(p.sample1),
               labels.samples.label(p.sample2));
    (r.analysed ? summary.analysed : summary.not_analysed) += 1;
    summary.warnings += r.warnings;
    if (progress.writing) progress.writing(i + 1, pairs.size());
  };
  // A stop asked for after the last check (while the table's end was awaited, or with no pair
  // to analyse) still stops the batch: nothing is put in place.
  if (!analyse_pairs(inputs, done, request.analysis, request.threads, deliver, stop) || stop) {
    return summary;
  }
  output.commit();
  summary.complete = true;
  return summary;
}

}  // namespace kelvaro::batch

#include <new>

#include "batch/batch_output.h"
#include "batch/pair_runner.h"
#include "kelvaro/batch.h"
#include "surveys/detection_table.h"
#include "surveys/pairing.h"
#include "surveys/result_rows.h"

namespace kelvaro::batch {
namespace {

PairInput input_of(const SamplePair& p, const SurveyLabels& labels, const DetectionTable& table) {
  const std::string_view group = labels.groups.label(p.group);
  PairInput in;
  in.group = group;
  in.sample1 = labels.samples.label(p.sample1);
  in.sample2 = labels.samples.label(p.sample2);
  in.key = pair_key(group, in.sample1, in.sample2);
  in.first = table.find(p.group, p.sample1);
  in.second = table.find(p.group, p.sample2);
  return in;
}

PairSequence sequence_of(const BatchRequest& request, const SurveyLabels& labels,
                         const DetectionTable& table, std::vector<SamplePair> file_pairs) {
  if (request.rule) {
    return PairSequence(table, labels, *request.rule, request.shard, request.sample_order);
  }
  return PairSequence(std::move(file_pairs), labels, request.shard, request.sample_order);
}

BatchSummary run(tools::ByteSource& records, const BatchRequest& request,
                 const BatchProgress& progress, const std::atomic<bool>& stop,
                 BatchSummary& summary) {
  SurveyLabels labels;
  std::vector<SamplePair> file_pairs;
  if (!request.rule) {
    tools::FileSource file(request.pairs_file);
    file_pairs = read_pairs_file(file, request.table.separator, labels);
  }
  DetectionTable table(records, request.table, labels, static_cast<unsigned>(request.threads));
  // Made before the long read, so that an output directory that cannot be written (or holds
  // files the batch did not write) stops the batch at once.
  BatchOutput output(request.output, request.analysis.reports, request.analysis.curves);
  const auto go_on = [&](std::uint64_t records) {
    if (progress.reading) progress.reading(records);
    return !stop;
  };
  if (!table.read(go_on)) return summary;
  summary.variants = table.variants();
  summary.same_number_samples = tools::same_number_labels(labels.samples);

  PairSequence sequence = sequence_of(request, labels, table, std::move(file_pairs));
  summary.pairs = sequence.count();
  if (summary.pairs > request.max_pairs) throw TooManyPairs(summary.pairs, request.max_pairs);
  PairWork work;
  work.next = [&](PairInput& input) {
    SamplePair pair;
    if (!sequence.next(pair)) return false;
    input = input_of(pair, labels, table);
    return true;
  };
  work.deliver = [&](const PairInput& in, PairOutcome& r) {
    output.add(r, in.group, in.sample1, in.sample2);
    (r.analysed ? summary.analysed : summary.not_analysed) += 1;
    summary.warnings += r.warnings;
    if (progress.writing) progress.writing(summary.analysed + summary.not_analysed, summary.pairs);
  };
  work.started = [&](int used) {
    if (used < request.threads && progress.threads_short) {
      progress.threads_short(request.threads, used);
    }
  };
  // A stop asked for after the last check (while the table's end was awaited, or with no pair
  // to analyse) still stops the batch: nothing is put in place.
  if (!analyse_pairs(work, request.analysis, request.threads, stop, request.thread_factory) ||
      stop) {
    return summary;
  }
  output.commit();
  summary.complete = true;
  return summary;
}

}  // namespace

TooManyPairs::TooManyPairs(std::uint64_t pairs, std::uint64_t max_pairs)
    : std::runtime_error("the batch has " + std::to_string(pairs) + " pairs, more than " +
                         "--max-pairs " + std::to_string(max_pairs) + ": give --max-pairs " +
                         std::to_string(pairs) +
                         " to analyse them all, or choose fewer pairs (--pairs, --shard)") {}

BatchSummary run_batch(tools::ByteSource& records, const BatchRequest& request,
                       const BatchProgress& progress, const std::atomic<bool>& stop) {
  BatchSummary summary;
  try {
    return run(records, request, progress, stop, summary);
  } catch (const std::bad_alloc&) {
    // What the batch wrote is gone (its output removed itself on the way here).
    throw OutOfMemory(summary.analysed + summary.not_analysed);
  }
}

}  // namespace kelvaro::batch

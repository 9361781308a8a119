#include <functional>
#include <memory>
#include <new>
#include <string_view>

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

// A batch's tables kept in memory, as BatchOutput writes them to files, put into `into` at the
// commit.
class TableTexts {
 public:
  explicit TableTexts(BatchTables& into) : into_(into) {
    texts_[0] = table_header(TableKind::kParameters);
    texts_[1] = table_header(TableKind::kBlocks);
    texts_[2] = table_header(TableKind::kTest);
    texts_[3] = table_header(TableKind::kEstimators);
    texts_[4] = kProblemsHeader;
  }
  void add(const PairOutcome& r, std::string_view, std::string_view, std::string_view) {
    const std::string* rows[] = {&r.parameters, &r.blocks, &r.tests, &r.estimators, &r.problems};
    for (std::size_t i = 0; i < 5; ++i) texts_[i] += *rows[i];
  }
  void commit() {
    std::string* tables[] = {&into_.parameters, &into_.blocks, &into_.tests, &into_.estimators,
                             &into_.problems};
    for (std::size_t i = 0; i < 5; ++i) *tables[i] = std::move(texts_[i]);
  }

 private:
  BatchTables& into_;
  std::string texts_[5];  // parameters, blocks, tests, estimators, problems
};

// The batch, its rows handed to the output that `open` makes (BatchOutput or TableTexts), which
// it commits when every pair is done. `pairs`: the pairs file's bytes, or nullptr (the file
// request.pairs_file is read when the request has no rule).
template <class Output>
void run(tools::ByteSource& records, tools::ByteSource* pairs, const BatchRequest& request,
         const BatchProgress& progress, const std::atomic<bool>& stop, BatchSummary& summary,
         const std::function<std::unique_ptr<Output>()>& open) {
  SurveyLabels labels;
  std::vector<SamplePair> file_pairs;
  if (!request.rule) {
    if (pairs != nullptr) {
      file_pairs = read_pairs_file(*pairs, request.table.separator, labels);
    } else {
      tools::FileSource file(request.pairs_file);
      file_pairs = read_pairs_file(file, request.table.separator, labels);
    }
  }
  for (const std::string& group : request.survey_groups) labels.groups.intern(group);
  for (const std::string& sample : request.survey_samples) labels.samples.intern(sample);
  DetectionTable table(records, request.table, labels, static_cast<unsigned>(request.threads));
  // Made before the long read, so that an output directory that cannot be written (or holds
  // files the batch did not write) stops the batch at once.
  const std::unique_ptr<Output> output = open();
  const auto go_on = [&](std::uint64_t records) {
    if (progress.reading) progress.reading(records);
    return !stop;
  };
  if (!table.read(go_on)) return;
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
    output->add(r, in.group, in.sample1, in.sample2);
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
    return;
  }
  output->commit();
  summary.complete = true;
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
  const std::function<std::unique_ptr<BatchOutput>()> open = [&] {
    return std::make_unique<BatchOutput>(request.output, request.analysis.reports, request.source,
                                         request.analysis.curves);
  };
  try {
    run(records, nullptr, request, progress, stop, summary, open);
    return summary;
  } catch (const std::bad_alloc&) {
    // What the batch wrote is gone (its output removed itself on the way here).
    throw OutOfMemory(summary.analysed + summary.not_analysed);
  }
}

BatchTables run_batch_tables(tools::ByteSource& records, const BatchRequest& request,
                             const BatchProgress& progress, const std::atomic<bool>& stop,
                             tools::ByteSource* pairs) {
  BatchTables tables;
  const std::function<std::unique_ptr<TableTexts>()> open = [&] {
    return std::make_unique<TableTexts>(tables);
  };
  BatchRequest in_memory = request;
  in_memory.analysis.reports = false;  // nowhere to put them
  try {
    run(records, pairs, in_memory, progress, stop, tables.summary, open);
  } catch (const std::bad_alloc&) {
    throw OutOfMemory(tables.summary.analysed + tables.summary.not_analysed);
  }
  return tables;
}

}  // namespace kelvaro::batch

// kelvaro.batch: a survey's long table analysed pair by pair as kelvaro-batch analyses it, its
// five tables kept in memory (kelvaro/batch.h run_batch_tables) instead of written to a folder.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "interrupt.h"
#include "kelvaro/batch.h"
#include "kelvaro/surveys.h"
#include "kelvaro/tables.h"
#include "sources.h"
#include "tables.h"

namespace py = pybind11;
namespace batch = kelvaro::batch;

namespace {

std::optional<batch::PairRule> rule_of(const std::string& name) {
  if (name == "consecutive") return batch::PairRule::kConsecutive;
  if (name == "all") return batch::PairRule::kAll;
  if (name == "first") return batch::PairRule::kFirst;
  return std::nullopt;
}

const std::vector<std::string> kKey = {"group", "sample1", "sample2"};

}  // namespace

// records: a table_source() spec. pairs: "consecutive", "all", "first", or a table_source() spec
// of a pairs file. columns: group (empty: none), sample, site, species, count (empty: found by
// name). survey_groups, survey_samples: BatchRequest's. progress: None or a callable taking one
// line of text.
py::dict batch_tables(const py::tuple& records, const py::object& pairs,
                      const std::vector<std::string>& columns, int nreps, int seed,
                      bool range_adjust, int threads, std::vector<std::string> survey_groups,
                      std::vector<std::string> survey_samples, const py::object& progress) {
  const TableSource table = table_source(records);
  std::optional<TableSource> pairs_table;
  batch::BatchRequest request;
  if (py::isinstance<py::str>(pairs)) {
    request.rule = rule_of(pairs.cast<std::string>());
    if (!request.rule) throw py::value_error("pairs: give consecutive, all, first or a table");
  } else {
    pairs_table = table_source(pairs);
    request.pairs_file = pairs_table->name;
  }
  kelvaro::csv::LongTableColumns& c = request.table.columns;
  c.group = columns.at(0);
  c.sample = columns.at(1);
  c.site = columns.at(2);
  c.species = columns.at(3);
  c.count = columns.at(4);
  request.analysis.replicates = nreps;
  request.analysis.seed = seed;
  request.analysis.range_adjustment = range_adjust;
  request.threads =
      threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  request.survey_groups = std::move(survey_groups);
  request.survey_samples = std::move(survey_samples);

  Interrupt interrupt(progress);
  std::atomic<bool> stop{false};
  batch::BatchProgress hooks;
  hooks.reading = [&](std::uint64_t n) {
    if (interrupt.requested([&] { return std::to_string(n) + " records read"; })) stop = true;
  };
  hooks.writing = [&](std::uint64_t done, std::uint64_t total) {
    const auto text = [&] {
      return std::to_string(done) + " of " + std::to_string(total) + " pairs analysed";
    };
    if (interrupt.requested(text)) stop = true;
  };
  batch::BatchTables tables;
  {
    py::gil_scoped_release release;
    const auto source = open_source(table);
    std::unique_ptr<kelvaro::tools::ByteSource> pairs_source;
    if (pairs_table && !pairs_table->is_path) pairs_source = open_source(*pairs_table);
    tables = batch::run_batch_tables(*source, request, hooks, stop, pairs_source.get());
  }
  interrupt.rethrow();
  const batch::BatchSummary& s = tables.summary;
  py::dict out;
  using kelvaro::TableKind;
  py::dict t;
  t["parameters"] = table_dict(tables.parameters, label_columns(TableKind::kParameters, kKey));
  t["blocks"] = table_dict(tables.blocks, label_columns(TableKind::kBlocks, kKey));
  t["tests"] = table_dict(tables.tests, label_columns(TableKind::kTest, kKey));
  t["estimators"] = table_dict(tables.estimators, label_columns(TableKind::kEstimators, kKey));
  std::vector<std::string> problem_labels = kKey;
  problem_labels.insert(problem_labels.end(), {"kind", "message"});
  t["problems"] = table_dict(tables.problems, problem_labels);
  out["tables"] = t;
  out["complete"] = s.complete;
  out["pairs"] = s.pairs;
  out["analysed"] = s.analysed;
  out["not_analysed"] = s.not_analysed;
  out["warnings"] = s.warnings;
  py::list variants;
  for (const auto& [kind, v] : s.variants) {
    variants.append(py::make_tuple(kind, kelvaro::tools::quoted_excerpt(v.first), v.first_place,
                                   kelvaro::tools::quoted_excerpt(v.other), v.other_place));
  }
  out["variants"] = variants;
  py::list same;
  for (const auto& [a, b] : s.same_number_samples) {
    same.append(
        py::make_tuple(kelvaro::tools::quoted_excerpt(a), kelvaro::tools::quoted_excerpt(b)));
  }
  out["same_number_samples"] = same;
  return out;
}

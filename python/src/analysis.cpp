// kelvaro.analyse: two site-by-species tables read as kelvaro-prep reads them, made into
// kelvaro's blocks as kelvaro-prep makes them, and run as kelvaro runs them (one table: Sample 1
// alone, the single-sample run); the report, kelvaro-tidy's tables, the curves table and the
// warnings.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <thread>

#include "errors.h"
#include "interrupt.h"
#include "kelvaro/curves.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/kelvaro.h"
#include "kelvaro/surveys.h"
#include "kelvaro/tables.h"
#include "sources.h"
#include "tables.h"

namespace py = pybind11;
namespace prep = kelvaro::prep;
namespace tools = kelvaro::tools;

namespace {

// Stops a run's bootstrap at Ctrl-C (interrupt.h): told after every replicate.
class InterruptObserver final : public kelvaro::Observer {
 public:
  explicit InterruptObserver(Interrupt& interrupt) : interrupt_(interrupt) {}
  void bootstrap_progress(kelvaro::BlockNumber, std::int32_t, double) override {
    if (interrupt_.requested()) throw Interrupted{};
  }

 private:
  Interrupt& interrupt_;
};

// A block of kelvaro-prep's as kelvaro's structured input takes it (counts below 2^24 are exact
// as floats).
kelvaro::BlockData block_data(const prep::Block& block) {
  kelvaro::BlockData d;
  d.f.assign(block.f.begin(), block.f.end());
  d.n = block.n;
  return d;
}

// What kelvaro-prep's input text holds for these blocks, as structured data; without a second
// sample, Sample 1 alone (t2 given t1's value so that the header is valid: the run ends after
// Sample 1).
kelvaro::Survey survey_of(const prep::KelvaroBlocks& blocks, bool two_samples) {
  kelvaro::Survey s;
  s.sites1 = static_cast<std::int32_t>(blocks.sample1.f.size());
  s.sites2 = two_samples ? static_cast<std::int32_t>(blocks.sample2.f.size()) : s.sites1;
  s.sample1 = block_data(blocks.sample1);
  if (two_samples) {
    s.sample2 = block_data(blocks.sample2);
    s.subset_a = block_data(blocks.subset_a);
    s.subset_b = block_data(blocks.subset_b);
  }
  return s;
}

struct Analysis {
  prep::Survey survey{false};
  kelvaro::RunResult result;
  kelvaro::ResultCurves curves;
};

// Names spelt two ways, as kelvaro-prep warns about them.
py::list variant_warnings(const prep::Survey& survey) {
  py::list out;
  const auto add = [&](const std::string& kind, const kelvaro::csv::NameVariant& v) {
    out.append(py::make_tuple("name_variant", kind,
                              tools::quoted_excerpt(v.first) + " (" + v.first_place + ") and " +
                                  tools::quoted_excerpt(v.other) + " (" + v.other_place +
                                  ") differ only in case or blanks around them and count as two " +
                                  kind + " names; write them alike if they are one"));
  };
  for (const auto& v : survey.species.variants()) add("species", v);
  for (const auto& v : survey.site_variants) add("site", v);
  for (const std::string& w : survey.table_warnings) {
    out.append(py::make_tuple("table_layout", "table", w));
  }
  return out;
}

}  // namespace

// sample1, sample2: table_source() specs (sample2 None: Sample 1 alone). clock: with seed 0, the
// clock value of an earlier run to repeat (None: the clock).
py::dict analyse_tables(const py::tuple& sample1, const py::object& sample2, int nreps, int seed,
                        std::optional<int> clock, bool range_adjust, int threads) {
  const TableSource first = table_source(sample1);
  const std::optional<TableSource> second =
      sample2.is_none() ? std::nullopt : std::optional<TableSource>(table_source(sample2));
  Interrupt interrupt;
  InterruptObserver observer(interrupt);
  Analysis a;
  try {
    py::gil_scoped_release release;
    prep::TableOptions options;
    const auto source1 = open_source(first);
    prep::load_wide(*source1, options, a.survey, a.survey.sample1, "Sample 1");
    if (second) {
      const auto source2 = open_source(*second);
      prep::load_wide(*source2, options, a.survey, a.survey.sample2, "Sample 2");
    }
    kelvaro::Options o;
    o.replicates = nreps;
    o.seed = seed;
    o.range_adjustment = range_adjust;
    kelvaro::Settings settings;
    settings.threads =
        threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    settings.observer = &observer;
    if (clock) settings.clock_seed = *clock;
    a.result = kelvaro::run_survey(survey_of(prep::derive_blocks(a.survey), second.has_value()), o,
                                   settings);
    if (a.result.status == kelvaro::RunStatus::kComplete) {
      a.curves = kelvaro::result_curves(a.result, kelvaro::curve_settings(a.result));
    }
  } catch (const Interrupted&) {
  }
  interrupt.rethrow();
  if (a.result.status != kelvaro::RunStatus::kComplete) {
    std::string why = a.result.diagnostic;
    if (why.rfind("kelvaro: ", 0) == 0) why.erase(0, 9);
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r')) why.pop_back();
    raise_input_error(why, std::nullopt, std::nullopt, std::nullopt, why);
  }
  const kelvaro::RunResult& r = a.result;
  py::dict tables;
  tables["parameters"] = table_dict(kelvaro::parameters_table(r));
  tables["blocks"] = table_dict(kelvaro::blocks_table(r));
  tables["tests"] = table_dict(kelvaro::test_table(r));
  tables["estimators"] = table_dict(kelvaro::estimators_table(r));
  tables["curves"] = table_dict(kelvaro::curves_table(a.curves));
  py::list warnings = variant_warnings(a.survey);
  for (const kelvaro::Warning& w : r.warnings) {
    warnings.append(py::make_tuple(kelvaro::warning_kind_name(w.kind), w.block, w.text));
  }
  for (const kelvaro::CurveWarning& w : a.curves.warnings) {
    warnings.append(py::make_tuple(kelvaro::curve_warning_kind_name(w.kind), w.block, w.text));
  }
  py::dict out;
  out["report"] = py::str(kelvaro::report_text(r));
  out["tables"] = tables;
  out["warnings"] = warnings;
  out["seed"] = r.options.seed;
  out["clock_seed"] = r.clock_seed ? py::object(py::int_(*r.clock_seed)) : py::none();
  return out;
}

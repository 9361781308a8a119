// The web page's engine, compiled to WebAssembly: kelvaro-prep's reading of site-by-species and
// long tables, the run itself, its result tables (with kelvaro-tidy's CSV and JSON) and
// kelvaro-batch's pairs, handed to JavaScript as plain objects. Each call is one run on the
// caller's thread (the page calls from a Web Worker); a `progress` callback, when given, is told
// how far the bootstrap has come.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "kelvaro/byte_source.h"
#include "kelvaro/curves.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/kelvaro.h"
#include "kelvaro/surveys.h"
#include "long_survey.h"
#include "result_tables.h"

namespace kelvaro::web {
namespace {

using emscripten::val;

// Tells JavaScript of the bootstrap's progress, at most once per percent of a block.
class ProgressObserver : public Observer {
 public:
  explicit ProgressObserver(val callback) : callback_(std::move(callback)) {}
  void bootstrap_started(BlockNumber block, std::int32_t replicates, double) override {
    replicates_ = replicates;
    last_ = -1;
    tell(block, 0);
  }
  void bootstrap_progress(BlockNumber block, std::int32_t done, double) override {
    tell(block, done);
  }

 private:
  void tell(int block, std::int32_t done) {
    if (!callback_.isUndefined() && !callback_.isNull() && replicates_ > 0) {
      const int percent = static_cast<int>(100LL * done / replicates_);
      if (percent == last_) return;
      last_ = percent;
      callback_(val("bootstrap"), block, done, replicates_);
    }
  }
  val callback_;
  std::int32_t replicates_ = 0;
  int last_ = -1;
};

val strings(const std::vector<std::string>& items) {
  val a = val::array();
  for (const std::string& s : items) a.call<void>("push", s);
  return a;
}

val floats(const std::vector<float>& items) {
  val a = val::array();
  for (float x : items) a.call<void>("push", static_cast<double>(x));
  return a;
}

val warning_object(const std::string& kind, const std::string& block, std::int64_t line,
                   const std::string& text, const std::string& message) {
  val w = val::object();
  w.set("kind", kind);
  w.set("block", block);
  w.set("line", static_cast<double>(line));
  w.set("text", text);
  w.set("message", message);
  return w;
}

val tables_object(const ResultTables& tables) {
  val out = val::object();
  for (const ResultTable& t : tables.tables) {
    val table = val::object();
    table.set("columns", strings(t.columns));
    val rows = val::array();
    for (const auto& row : t.rows) rows.call<void>("push", strings(row));
    table.set("rows", rows);
    table.set("csv", t.csv);
    out.set(t.name, table);
  }
  out.set("json", tables.json);
  return out;
}

// What the charts draw: each block's estimate, interval and bootstrap replicates, and each
// parameter's estimate, interval and replicate values.
val chart_data(const RunResult& r) {
  val blocks = val::array();
  for (const BlockResult& b : r.blocks) {
    val o = val::object();
    o.set("block", std::string(block_name(b.block)));
    o.set("observed", b.observed);
    o.set("estimate", static_cast<double>(b.estimate));
    o.set("rounded", static_cast<double>(b.rounded_estimate));
    o.set("standardError", static_cast<double>(b.standard_error));
    o.set("replicates", floats(b.replicate_estimates));
    val standard = val::object();  // the standard estimators, beside kelvaro's estimate
    standard.set("chao2", b.standard.chao2);
    standard.set("chao2Lower", b.standard.chao2_lower);
    standard.set("chao2Upper", b.standard.chao2_upper);
    standard.set("jack1", b.standard.jack1);
    standard.set("jack2", b.standard.jack2);
    standard.set("bootstrap", b.standard.bootstrap);
    o.set("standard", standard);
    blocks.call<void>("push", o);
  }
  val parameters = val::array();
  for (std::size_t i = 0; i < r.parameters.size(); ++i) {
    const Parameter& p = r.parameters[i];
    val o = val::object();
    o.set("name", p.name);
    o.set("estimate", static_cast<double>(p.estimate));
    o.set("average", static_cast<double>(p.bootstrap_average));
    o.set("standardError", static_cast<double>(p.standard_error));
    o.set("lower", static_cast<double>(p.lower));
    o.set("upper", static_cast<double>(p.upper));
    std::vector<float> values;
    for (const ReplicateRow& row : r.replicates) values.push_back(row.values[i]);
    o.set("replicates", floats(values));
    parameters.call<void>("push", o);
  }
  val charts = val::object();
  charts.set("blocks", blocks);
  charts.set("parameters", parameters);
  return charts;
}

val optional_number(const std::optional<double>& x) { return x ? val(*x) : val::null(); }

// What the curves chart draws: each sample's points with their intervals and coverage, the two
// samples compared at equal effort and at equal coverage, and the curves' warnings.
val curve_data(const ResultCurves& curves) {
  val blocks = val::array();
  for (const BlockCurve& c : curves.blocks) {
    val points = val::array();
    for (const CurvePoint& p : c.points) {
      val o = val::object();
      o.set("sites", p.sites);
      o.set("kind", std::string(curve_kind_name(p.kind)));
      o.set("richness", p.richness);
      o.set("lower", optional_number(p.lower));
      o.set("upper", optional_number(p.upper));
      o.set("coverage", optional_number(p.coverage));
      points.call<void>("push", o);
    }
    val o = val::object();
    o.set("block", std::string(block_name(c.block)));
    o.set("sites", c.sites);
    o.set("observed", c.observed);
    o.set("replicates", c.replicates);
    o.set("points", points);
    blocks.call<void>("push", o);
  }
  val standardised = val::array();
  for (const StandardisedRichness& s : curves.standardised) {
    val o = val::object();
    o.set("standard", std::string(standard_name(s.standard)));
    o.set("block", std::string(block_name(s.block)));
    o.set("sites", optional_number(s.sites));
    o.set("kind", std::string(curve_kind_name(s.kind)));
    o.set("richness", s.richness);
    o.set("lower", optional_number(s.lower));
    o.set("upper", optional_number(s.upper));
    o.set("coverage", optional_number(s.coverage));
    standardised.call<void>("push", o);
  }
  val warnings = val::array();
  for (const CurveWarning& w : curves.warnings) {
    warnings.call<void>("push", warning_object(curve_warning_kind_name(w.kind), w.block, 0, w.text,
                                               format_warning(w)));
  }
  val out = val::object();
  out.set("blocks", blocks);
  out.set("standardised", standardised);
  out.set("warnings", warnings);
  return out;
}

// The tables and charts of a run, when it completed, with its richness curves.
void add_results(val& out, const RunResult& r) {
  if (r.status != RunStatus::kComplete) return;
  const ResultCurves curves = result_curves(r, curve_settings(r));
  out.set("tables", tables_object(result_tables(r, curves)));
  val charts = chart_data(r);
  charts.set("curves", curve_data(curves));
  out.set("charts", charts);
}

// A refusal: `message` as the command prints it, and its `text` without the program's name
// ("kelvaro-prep: " ...), which the page words for its own controls.
val refusal(const std::string& message, const std::string& text) {
  val out = val::object();
  out.set("status", 2);
  out.set("message", message);
  out.set("text", text);
  out.set("report", std::string());
  out.set("warnings", val::array());
  return out;
}

val refusal(const std::string& message) { return refusal(message, message); }

// A run on kelvaro's input text, with everything the page shows and takes away.
val run_input(const std::string& input, val progress, val warnings) {
  ProgressObserver observer(progress);
  Settings settings;
  settings.keep_replicates = true;
  settings.observer = &observer;
  std::ostringstream report;
  const RunResult r = run_text(std::string_view(input), settings, &report);
  val out = val::object();
  out.set("status", exit_status(r.status));
  out.set("message", r.diagnostic);
  out.set("report", report.str());
  out.set("input", input);
  for (const Warning& w : r.warnings) {
    warnings.call<void>("push", warning_object(warning_kind_name(w.kind), w.block, w.line, w.text,
                                               format_warning(w)));
  }
  out.set("warnings", warnings);
  add_results(out, r);
  return out;
}

// kelvaro-prep's warnings about how the tables were read, as it prints them.
void table_warnings(const prep::Survey& survey, val& warnings) {
  auto add = [&](const std::string& text) {
    warnings.call<void>(
        "push", warning_object("input", "input", 0, text, "kelvaro-prep: warning: " + text));
  };
  if (!survey.species.folds()) {
    std::vector<std::pair<std::string, const csv::NameVariant*>> variants;
    for (const auto& v : survey.species.variants()) variants.emplace_back("species", &v);
    for (const auto& v : survey.site_variants) variants.emplace_back("site", &v);
    for (const auto& [kind, v] : variants) {
      add(kind + " " + tools::quoted_excerpt(v->first) + " (" + v->first_place + ") and " +
          tools::quoted_excerpt(v->other) + " (" + v->other_place +
          ") differ only in case or blanks around them and count as two; tick \"one name "
          "whatever the case\" to take them as one");
    }
  }
  for (const std::string& w : survey.table_warnings) add(w);
}

struct ReadOptions {
  prep::TableOptions table;
  prep::RunSettings run;
};

std::optional<char> separator_of(const val& options) {
  const std::string sep =
      options["separator"].isString() ? options["separator"].as<std::string>() : std::string();
  if (sep == "comma") return ',';
  if (sep == "semicolon") return ';';
  if (sep == "tab") return '\t';
  return std::nullopt;
}

ReadOptions read_options(const val& options) {
  ReadOptions o;
  o.table.separator = separator_of(options);
  o.table.na_absent = options["naAbsent"].as<bool>();
  o.table.fold_case = options["foldCase"].as<bool>();
  o.run.nreps = options["nreps"].as<int>();
  o.run.seed = options["seed"].as<int>();
  o.run.range_adjust = options["rangeAdjustment"].as<bool>();
  return o;
}

// Two site-by-species tables, as `kelvaro-prep A.csv B.csv | kelvaro` analyses them.
val analyse_wide(std::string first, std::string first_name, std::string second,
                 std::string second_name, val options, val progress) {
  const ReadOptions o = read_options(options);
  std::optional<prep::Survey> survey;
  try {
    tools::TextSource a(std::move(first), first_name), b(std::move(second), second_name);
    survey.emplace(prep::load_wide_pair(a, b, o.table));
  } catch (const prep::UsageError& e) {
    return refusal(e.what());
  } catch (const std::runtime_error& e) {  // InputError, ReadError
    return refusal(std::string("kelvaro-prep: ") + e.what(), e.what());
  }
  val warnings = val::array();
  table_warnings(*survey, warnings);
  const std::string input = prep::kelvaro_input(prep::derive_blocks(*survey), o.run);
  return run_input(input, progress, warnings);
}

// kelvaro's own input text (a file made by kelvaro-prep or by hand).
val analyse_text(std::string input, val progress) {
  return run_input(input, progress, val::array());
}

csv::LongTableOptions long_options(const val& options) {
  csv::LongTableOptions o;
  const val columns = options["columns"];
  o.columns.group = columns["group"].as<std::string>();
  o.columns.sample = columns["sample"].as<std::string>();
  o.columns.site = columns["site"].as<std::string>();
  o.columns.species = columns["species"].as<std::string>();
  o.columns.count = columns["count"].as<std::string>();
  o.separator = separator_of(options);
  o.na_absent = options["naAbsent"].as<bool>();
  o.fold_case = options["foldCase"].as<bool>();
  return o;
}

// The names of a table's header row, so that a user can pick its columns from them; none when
// the table has no row the CSV rules accept (its reader then says why).
std::vector<std::string> header_of(const std::string& text, const std::string& name,
                                   const csv::LongTableOptions& options) {
  try {
    tools::ViewSource source(text, name);
    return csv::header_names(source, options.separator);
  } catch (const std::runtime_error&) {
    return {};
  }
}

// kelvaro-batch's refusal of a table, with every column missing and the header's names when
// columns are missing.
val long_refusal(const std::exception& e, const std::vector<std::string>& header) {
  val out = refusal(std::string("kelvaro-batch: ") + e.what(), e.what());
  if (const auto* missing = dynamic_cast<const csv::MissingColumn*>(&e)) {
    std::vector<std::string> roles;
    for (const csv::LongColumn role : missing->missing()) roles.push_back(csv::role_name(role));
    out.set("missingColumns", strings(roles));
    out.set("header", strings(header));
  }
  return out;
}

// The groups of a long table and the samples of each, in kelvaro-batch's order; `grouped` is
// false for a table without a group column (one group, labelled ""). (Reading is quick: no
// progress is told.)
val long_table_samples(std::string text, std::string name, val options, val /*progress*/) {
  const csv::LongTableOptions o = long_options(options);
  const std::vector<std::string> header = header_of(text, name, o);
  try {
    const LongSurvey survey(std::move(text), name, o);
    const batch::SurveyLabels& labels = survey.labels();
    val list = val::array();
    for (std::uint32_t g : survey.ordered_groups()) {
      std::vector<std::string> samples;
      for (std::uint32_t s : survey.ordered_samples(g)) {
        samples.emplace_back(labels.samples.label(s));
      }
      if (samples.empty()) continue;
      val group = val::object();
      group.set("name", std::string(labels.groups.label(g)));
      group.set("samples", strings(samples));
      list.call<void>("push", group);
    }
    val out = val::object();
    out.set("status", 0);
    out.set("groups", list);
    out.set("grouped", !o.columns.group.empty());
    out.set("header", strings(header));
    out.set("records", static_cast<double>(survey.records()));
    return out;
  } catch (const std::runtime_error& e) {
    return long_refusal(e, header);
  }
}

batch::AnalysisSettings analysis_settings(const val& options) {
  batch::AnalysisSettings s;
  s.replicates = options["nreps"].as<int>();
  s.seed = options["seed"].as<int>();
  s.range_adjustment = options["rangeAdjustment"].as<bool>();
  s.reports = true;
  return s;
}

// kelvaro-batch's five tables, each with its header.
val batch_tables(const batch::PairOutcome& rows) {
  val t = val::object();
  t.set("parameters", batch::table_header(TableKind::kParameters) + rows.parameters);
  t.set("blocks", batch::table_header(TableKind::kBlocks) + rows.blocks);
  t.set("tests", batch::table_header(TableKind::kTest) + rows.tests);
  t.set("estimators", batch::table_header(TableKind::kEstimators) + rows.estimators);
  t.set("problems", std::string(batch::kProblemsHeader) + rows.problems);
  return t;
}

// One pair of one group of a long table, as kelvaro-batch analyses it: the pair's report and
// tables, and kelvaro-batch's four tables for the pair.
val analyse_long_pair(std::string text, std::string name, val options, std::string group,
                      std::string sample1, std::string sample2, val progress) {
  const csv::LongTableOptions o = long_options(options);
  const std::vector<std::string> header = header_of(text, name, o);
  std::optional<LongSurvey> survey;
  try {
    survey.emplace(std::move(text), name, o);
  } catch (const std::runtime_error& e) {
    return long_refusal(e, header);
  }
  const batch::SurveyLabels& labels = survey->labels();
  const auto g = labels.groups.find(group);
  const auto s1 = labels.samples.find(sample1);
  const auto s2 = labels.samples.find(sample2);
  if (!g || !s1 || !s2 || !survey->find(*g, *s1) || !survey->find(*g, *s2)) {
    return refusal("the table has no sample " + sample1 + " or " + sample2 + " in group " + group);
  }
  // One run gives the pair's kelvaro-batch rows, its report and what the page shows.
  ProgressObserver observer(progress);
  batch::AnalysisSettings settings = analysis_settings(options);
  settings.keep_result = true;
  settings.observer = &observer;
  batch::PairAnalyst analyst(settings);
  batch::PairInput pair;
  pair.key = batch::pair_key(group, sample1, sample2);
  pair.sample1 = sample1;
  pair.sample2 = sample2;
  pair.first = survey->find(*g, *s1);
  pair.second = survey->find(*g, *s2);
  const batch::PairOutcome outcome = analyst.analyse(pair);
  if (!outcome.analysed) {
    // Its problems row: the pair's key, the kind of problem and the message, in CR LF.
    std::string problem = outcome.problems.substr(pair.key.size() + 1);
    while (!problem.empty() && (problem.back() == '\n' || problem.back() == '\r')) {
      problem.pop_back();
    }
    const std::string text = "group " + group + ", samples " + sample1 + " and " + sample2 +
                             " cannot be analysed: " + problem;
    val out = refusal("kelvaro-batch: " + text, text);
    out.set("batch", batch_tables(outcome));
    return out;
  }
  const RunResult& r = outcome.result;
  val out = val::object();
  out.set("status", exit_status(r.status));
  out.set("message", r.diagnostic);
  out.set("report", outcome.report);
  val warnings = val::array();
  for (const Warning& w : r.warnings) {
    warnings.call<void>("push", warning_object(warning_kind_name(w.kind), w.block, w.line, w.text,
                                               format_warning(w)));
  }
  out.set("warnings", warnings);
  add_results(out, r);
  out.set("batch", batch_tables(outcome));
  return out;
}

// kelvaro-batch's refusal of seed 0, as it words it.
constexpr const char* kBatchSeedZero =
    "--seed 0 would take each pair's seed from the clock, and a batch must be repeatable: give a "
    "non-zero seed (the default is 400)";

// Every consecutive pair of every group: kelvaro-batch's four tables.
val analyse_batch(std::string text, std::string name, val options, val progress) {
  if (options["seed"].as<int>() == 0) {
    return refusal(std::string("kelvaro-batch: ") + kBatchSeedZero, kBatchSeedZero);
  }
  const csv::LongTableOptions o = long_options(options);
  const std::vector<std::string> header = header_of(text, name, o);
  std::optional<LongSurvey> survey;
  try {
    survey.emplace(std::move(text), name, o);
  } catch (const std::runtime_error& e) {
    return long_refusal(e, header);
  }
  const batch::SurveyLabels& labels = survey->labels();
  const std::vector<batch::SamplePair> pairs = survey->consecutive_pairs();
  batch::AnalysisSettings settings = analysis_settings(options);
  settings.reports = false;
  batch::PairAnalyst analyst(settings);
  batch::PairOutcome all;  // every pair's rows
  std::size_t analysed = 0;
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    const batch::SamplePair& p = pairs[i];
    batch::PairInput in;
    in.sample1 = labels.samples.label(p.sample1);
    in.sample2 = labels.samples.label(p.sample2);
    in.key = batch::pair_key(labels.groups.label(p.group), in.sample1, in.sample2);
    in.first = survey->find(p.group, p.sample1);
    in.second = survey->find(p.group, p.sample2);
    const batch::PairOutcome o = analyst.analyse(in);
    all.parameters += o.parameters;
    all.blocks += o.blocks;
    all.tests += o.tests;
    all.estimators += o.estimators;
    all.problems += o.problems;
    analysed += o.analysed ? 1 : 0;
    if (!progress.isUndefined() && !progress.isNull()) {
      progress(val("pairs"), 0, static_cast<double>(i + 1), static_cast<double>(pairs.size()));
    }
  }
  val out = val::object();
  out.set("status", 0);
  out.set("pairs", static_cast<double>(pairs.size()));
  out.set("analysed", static_cast<double>(analysed));
  out.set("batch", batch_tables(all));
  return out;
}

std::string version() { return KELVARO_VERSION; }

}  // namespace
}  // namespace kelvaro::web

EMSCRIPTEN_BINDINGS(kelvaro) {
  using namespace kelvaro::web;
  emscripten::function("analyseWide", &analyse_wide);
  emscripten::function("analyseText", &analyse_text);
  emscripten::function("longTableSamples", &long_table_samples);
  emscripten::function("analyseLongPair", &analyse_long_pair);
  emscripten::function("analyseBatch", &analyse_batch);
  emscripten::function("version", &version);
}

// Runs on a long table of records (kelvaro_long()): the data frame's columns read into the
// library's DetectionTable as kelvaro-batch reads a file's (kelvaro/surveys.h), its pairs made
// and ordered as kelvaro-batch makes them, and every pair analysed by the library's PairAnalyst,
// as kelvaro-batch analyses it, on worker threads (pair_pool.h). The table read (long_survey.h:
// a data frame's, or a Darwin Core archive's from dwca_entry.cpp) is kept in an external pointer
// between the calls, so that the R code can draw one seed per pair once it knows the pairs.

#include <Rcpp.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "entry_guard.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/labels.h"
#include "kelvaro/surveys.h"
#include "long_survey.h"
#include "pair_pool.h"
#include "result_list.h"

namespace {

namespace batch = kelvaro::batch;
namespace csv = kelvaro::csv;
using Rcpp::_;

csv::CodedColumn coded_column(const Rcpp::List& c) {
  csv::CodedColumn out;
  out.name = Rcpp::as<std::string>(c["name"]);
  out.position = Rcpp::as<long>(c["position"]);
  const Rcpp::IntegerVector codes = c["codes"];
  out.codes.reserve(static_cast<std::size_t>(codes.size()));
  for (const int code : codes) {
    if (code < 0) throw std::invalid_argument("a negative code in column " + out.name);
    out.codes.push_back(static_cast<std::uint32_t>(code));
  }
  const Rcpp::CharacterVector labels = c["labels"];
  for (R_xlen_t i = 0; i < labels.size(); ++i) {
    out.labels.push_back(Rcpp::as<std::string>(labels[i]));
  }
  return out;
}

std::optional<csv::CodedColumn> optional_column(const Rcpp::List& table, const char* role) {
  if (!table.containsElementNamed(role) || Rf_isNull(table[role])) return std::nullopt;
  return coded_column(table[role]);
}

// The label ranks of kelvaro-batch, but that labels listed in `order` (a factor's levels) come
// first, in its order.
std::vector<std::uint32_t> ranks_with(std::vector<std::uint32_t> ranks,
                                      const kelvaro::tools::LabelPool& pool,
                                      const Rcpp::CharacterVector& order) {
  if (order.size() == 0) return ranks;
  const auto first = static_cast<std::uint32_t>(order.size());
  for (std::uint32_t& r : ranks) r += first;
  for (R_xlen_t i = 0; i < order.size(); ++i) {
    if (const auto id = pool.find(Rcpp::as<std::string>(order[i]))) {
      ranks[*id] = static_cast<std::uint32_t>(i);
    }
  }
  return ranks;
}

// A problems row of one pair (its key, a comma, kind, a comma, the message as a CSV field, CR
// LF) as kind and message.
Rcpp::List problem_of(const std::string& row, const std::string& key) {
  std::string rest = row.substr(std::min(row.size(), key.size() + 1));
  while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) rest.pop_back();
  const std::size_t comma = rest.find(',');
  const std::string kind = rest.substr(0, comma);
  std::string message = comma == std::string::npos ? "" : rest.substr(comma + 1);
  if (message.size() >= 2 && message.front() == '"' && message.back() == '"') {
    std::string plain;
    for (std::size_t i = 1; i + 1 < message.size(); ++i) {
      plain += message[i];
      if (message[i] == '"') ++i;  // a doubled quote
    }
    message = plain;
  }
  return Rcpp::List::create(_["kind"] = kind, _["message"] = message);
}

Rcpp::DataFrame variants_frame(const batch::DetectionTable& table) {
  Rcpp::CharacterVector kind, first, first_place, other, other_place;
  for (const auto& [name, v] : table.variants()) {
    kind.push_back(name);
    first.push_back(v.first);
    first_place.push_back(v.first_place);
    other.push_back(v.other);
    other_place.push_back(v.other_place);
  }
  return Rcpp::DataFrame::create(_["kind"] = kind, _["first"] = first,
                                 _["first_place"] = first_place, _["other"] = other,
                                 _["other_place"] = other_place, _["stringsAsFactors"] = false);
}

}  // namespace

bool not_interrupted() {
  return R_ToplevelExec([](void*) { R_CheckUserInterrupt(); }, nullptr) == TRUE;
}

Rcpp::List read_survey_list(std::unique_ptr<LongSurvey> survey) {
  Rcpp::CharacterVector same1, same2;
  for (const auto& [a, b] : kelvaro::tools::same_number_labels(survey->labels.samples)) {
    same1.push_back(a);
    same2.push_back(b);
  }
  const double records = static_cast<double>(survey->table->records());
  const Rcpp::DataFrame variants = variants_frame(*survey->table);
  return Rcpp::List::create(
      _["status"] = 0, _["survey"] = Rcpp::XPtr<LongSurvey>(survey.release(), true),
      _["records"] = records, _["variants"] = variants,
      _["same_numbers"] = Rcpp::DataFrame::create(_["first"] = same1, _["other"] = same2,
                                                  _["stringsAsFactors"] = false));
}

// table: list(name, group, sample, site, species, count), each column NULL or list(name,
// position, codes (0-based), labels), as kelvaro_long() codes a data frame's columns.
// Returns list(status 0, survey (the table read), records, variants, same_numbers) or, for a
// refused record, list(status 2, message).
// [[Rcpp::export(.read_long, rng = false)]]
Rcpp::List read_long_entry(Rcpp::List table, bool na_absent, bool fold_case) {
  return guarded("kelvaro_long", [&]() -> Rcpp::List {
    auto survey = std::make_unique<LongSurvey>();
    try {
      csv::ColumnTable columns;
      columns.name = Rcpp::as<std::string>(table["name"]);
      columns.group = optional_column(table, "group");
      columns.sample = coded_column(table["sample"]);
      columns.site = coded_column(table["site"]);
      columns.species = coded_column(table["species"]);
      columns.count = optional_column(table, "count");
      csv::LongTableOptions options;
      options.na_absent = na_absent;
      options.fold_case = fold_case;
      survey->table = std::make_unique<batch::DetectionTable>(columns, options, survey->labels);
      if (!survey->table->read([](std::uint64_t) { return not_interrupted(); })) {
        throw Rcpp::internal::InterruptedException();
      }
    } catch (const csv::InputError& e) {
      return Rcpp::List::create(_["status"] = 2, _["message"] = std::string(e.what()));
    }
    return read_survey_list(std::move(survey));
  });
}

// The pairs of the survey by `rule` ("consecutive", "all", "first"), or those listed (rule "":
// group, sample1, sample2, one per pair), sorted as kelvaro-batch sorts them, with the labels
// of a factor's levels (group_order, sample_order) first in their order. Returns the pairs as a
// data frame of labels and the samples they hold, in order.
// [[Rcpp::export(.long_pairs, rng = false)]]
Rcpp::List long_pairs_entry(SEXP survey_pointer, std::string rule, Rcpp::CharacterVector group,
                            Rcpp::CharacterVector sample1, Rcpp::CharacterVector sample2,
                            Rcpp::CharacterVector group_order, Rcpp::CharacterVector sample_order) {
  return guarded("kelvaro_long", [&] {
    LongSurvey& s = *Rcpp::XPtr<LongSurvey>(survey_pointer);
    std::vector<batch::SamplePair> pairs;
    for (R_xlen_t i = 0; i < sample1.size(); ++i) {
      pairs.push_back({s.labels.groups.intern(Rcpp::as<std::string>(group[i])).id,
                       s.labels.samples.intern(Rcpp::as<std::string>(sample1[i])).id,
                       s.labels.samples.intern(Rcpp::as<std::string>(sample2[i])).id});
    }
    batch::LabelRanks ranks = batch::ranks_of(s.labels);
    ranks.groups = ranks_with(ranks.groups, s.labels.groups, group_order);
    ranks.samples = ranks_with(ranks.samples, s.labels.samples, sample_order);
    if (!rule.empty()) {
      const batch::PairRule r = rule == "all"     ? batch::PairRule::kAll
                                : rule == "first" ? batch::PairRule::kFirst
                                                  : batch::PairRule::kConsecutive;
      pairs = batch::pairs_by_rule(*s.table, s.labels, r, ranks);
    }
    batch::sort_pairs(pairs, ranks);
    s.pairs = pairs;
    const auto n = static_cast<R_xlen_t>(pairs.size());
    Rcpp::CharacterVector g(n), s1(n), s2(n);
    std::vector<std::uint32_t> used;
    for (R_xlen_t i = 0; i < n; ++i) {
      const batch::SamplePair& p = pairs[static_cast<std::size_t>(i)];
      g[i] = std::string(s.labels.groups.label(p.group));
      s1[i] = std::string(s.labels.samples.label(p.sample1));
      s2[i] = std::string(s.labels.samples.label(p.sample2));
      used.push_back(p.sample1);
      used.push_back(p.sample2);
    }
    std::sort(used.begin(), used.end(),
              [&](auto a, auto b) { return ranks.samples[a] < ranks.samples[b]; });
    used.erase(std::unique(used.begin(), used.end()), used.end());
    Rcpp::CharacterVector samples;
    for (const std::uint32_t id : used) samples.push_back(std::string(s.labels.samples.label(id)));
    return Rcpp::List::create(
        _["pairs"] = Rcpp::DataFrame::create(_["group"] = g, _["sample1"] = s1, _["sample2"] = s2,
                                             _["stringsAsFactors"] = false),
        _["samples"] = samples);
  });
}

// Every pair of the survey analysed as kelvaro-batch analyses it, pair i with seeds[i] (none 0),
// on `threads` threads (0: the machine's cores). Returns one element per pair: the run's result
// list (result_list.h, without report or replicates) when analysed, else list(kind, message)
// of its problems row. fault and fault_pair: the tests' TestFault ("" for none).
// [[Rcpp::export(.analyse_long, rng = false)]]
Rcpp::List analyse_long_entry(SEXP survey_pointer, Rcpp::IntegerVector seeds, int nreps,
                              bool range_adjust, int threads, std::string fault = "",
                              int fault_pair = 0) {
  return guarded("kelvaro_long", [&] {
    const LongSurvey& s = *Rcpp::XPtr<LongSurvey>(survey_pointer);
    const std::size_t n = s.pairs.size();
    if (static_cast<std::size_t>(seeds.size()) != n) {
      throw std::invalid_argument("one seed per pair expected");
    }
    const std::vector<std::int32_t> pair_seeds(seeds.begin(), seeds.end());
    std::vector<batch::PairInput> inputs(n);
    for (std::size_t i = 0; i < n; ++i) {
      const batch::SamplePair& p = s.pairs[i];
      batch::PairInput& in = inputs[i];
      in.group = s.labels.groups.label(p.group);
      in.sample1 = s.labels.samples.label(p.sample1);
      in.sample2 = s.labels.samples.label(p.sample2);
      in.key = batch::pair_key(in.group, in.sample1, in.sample2);
      in.first = s.table->find(p.group, p.sample1);
      in.second = s.table->find(p.group, p.sample2);
    }
    std::vector<batch::PairOutcome> outcomes(n);
    // Each worker's analyst, with settings of its own that it changes from pair to pair.
    struct Worker {
      batch::AnalysisSettings settings;
      batch::PairAnalyst analyst{settings};
    };
    const auto make_worker = [&]() -> PairTask {
      auto w = std::make_shared<Worker>();
      w->settings.replicates = nreps;
      w->settings.range_adjustment = range_adjust;
      w->settings.keep_result = true;
      return [&, w](std::size_t i, kelvaro::Observer& observer) {
        w->settings.seed = pair_seeds[i];
        w->settings.observer = &observer;
        batch::PairOutcome out = w->analyst.analyse(inputs[i]);
        out.result.replicates = {};  // kept by keep_result; a grouped run has no use for them
        out.parameters = out.blocks = out.tests = out.estimators = {};
        outcomes[i] = std::move(out);
      };
    };
    const auto label = [&](std::size_t i) {
      return (inputs[i].group.empty() ? "" : inputs[i].group + ", ") + inputs[i].sample1 + "-" +
             inputs[i].sample2;
    };
    if (!analyse_in_order(n, pool_threads(threads, n), test_fault(fault, fault_pair), make_worker,
                          label)) {
      throw Rcpp::internal::InterruptedException();
    }
    Rcpp::List out(static_cast<R_xlen_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
      out[static_cast<R_xlen_t>(i)] = outcomes[i].analysed
                                          ? result_list(outcomes[i].result, false, false)
                                          : problem_of(outcomes[i].problems, inputs[i].key);
    }
    return out;
  });
}

#include "field_tables/csv_writer.h"
#include "kelvaro/curves.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/surveys.h"
#include "kelvaro/tables.h"
#include "surveys/result_rows.h"

namespace kelvaro::batch {
namespace {

constexpr std::uint32_t kUnused = 0xFFFFFFFFu;

static_assert(prep::kMaxSites == kMaxSampleSites, "the tables take the samples kelvaro takes");

BlockData block_data(const prep::Block& block) {
  BlockData d;
  d.f.assign(block.f.begin(), block.f.end());  // counts below 2^24: exact as floats
  d.n = block.n;
  return d;
}

// Why a sample cannot be analysed, as (problems kind, message); kind "" when it can.
std::pair<std::string_view, std::string> unusable(const GroupSample* s, const std::string& label) {
  const std::string name = "sample " + tools::quoted_excerpt(label);
  if (s == nullptr) {
    return {"missing_sample", "the table holds no record of " + name + " in this group"};
  }
  if (s->beyond_limit) {
    const bool row = s->beyond_limit->unit == csv::LineUnit::kRow;
    return {"too_many_sites", name + " has more than " + std::to_string(prep::kMaxSites) +
                                  " sites (the next, " +
                                  tools::quoted_excerpt(s->beyond_limit->site) + ", is on " +
                                  (row ? "row " : "line ") + std::to_string(s->beyond_limit->line) +
                                  "; kelvaro takes at most " + std::to_string(prep::kMaxSites) +
                                  ": merge sites or split the sample)"};
  }
  if (!s->has_detection()) {
    return {"no_detection", name + " has no detection (every record of it says not detected)"};
  }
  return {"", ""};
}

void add_problem(PairOutcome& out, std::string_view key, std::string_view kind,
                 std::string_view message) {
  out.problems += key;
  out.problems += ',';
  out.problems += kind;
  out.problems += ',';
  out.problems += csv::csv_field(message);
  out.problems += "\r\n";
}

// kelvaro's input for four blocks made by derive_blocks (no frequency pair).
Survey survey_of(const prep::KelvaroBlocks& blocks) {
  Survey s;
  s.sites1 = static_cast<std::int32_t>(blocks.sample1.f.size());
  s.sites2 = static_cast<std::int32_t>(blocks.sample2.f.size());
  s.sample1 = block_data(blocks.sample1);
  s.sample2 = block_data(blocks.sample2);
  s.subset_a = block_data(blocks.subset_a);
  s.subset_b = block_data(blocks.subset_b);
  return s;
}

}  // namespace

prep::Sample PairAnalyst::prep_sample(const GroupSample& s) {
  prep::Sample out;
  out.sites.resize(s.sites.size());  // the blocks need the number of sites, not their names
  for (std::size_t i = 0; i < s.species.size(); ++i) {
    const std::uint32_t species = s.species[i];
    if (species >= pair_ids_.size()) pair_ids_.resize(species + 1, kUnused);
    std::uint32_t& id = pair_ids_[species];
    if (id == kUnused) {
      id = static_cast<std::uint32_t>(used_.size());
      used_.push_back(species);
    }
    out.detect(id, s.site_indices[i]);
  }
  return out;
}

Survey PairAnalyst::survey(const GroupSample& first, const GroupSample& second) {
  const prep::Sample sample1 = prep_sample(first);
  const prep::Sample sample2 = prep_sample(second);
  const auto species = static_cast<std::uint32_t>(used_.size());
  for (const std::uint32_t id : used_) pair_ids_[id] = kUnused;
  used_.clear();
  return survey_of(prep::derive_blocks(sample1, sample2, species));
}

PairOutcome PairAnalyst::analyse(const PairInput& pair) {
  PairOutcome out;
  for (const auto& [sample, label] :
       {std::pair{pair.first, &pair.sample1}, std::pair{pair.second, &pair.sample2}}) {
    const auto [kind, why] = unusable(sample, *label);
    if (!kind.empty()) {
      add_problem(out, pair.key, kind, why);
      return out;
    }
  }
  const Options options{settings_.replicates, false, settings_.seed, settings_.range_adjustment};
  Settings run_settings;
  run_settings.threads = 1;  // the pairs share the machine's threads
  run_settings.keep_replicates = settings_.keep_result;
  run_settings.observer = settings_.observer;
  RunResult result = run_survey(survey(*pair.first, *pair.second), options, run_settings);
  const std::string& key = pair.key;
  if (result.status != RunStatus::kComplete) {
    std::string why = result.diagnostic;
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r')) why.pop_back();
    add_problem(out, key, "refused", why);
    return out;
  }
  out.analysed = true;
  append_rows(out.parameters, key, parameters_table(result));
  append_rows(out.blocks, key, blocks_table(result));
  append_rows(out.tests, key, test_table(result));
  append_rows(out.estimators, key, estimators_table(result));
  for (const Warning& w : result.warnings) {
    add_problem(out, key, warning_kind_name(w.kind), w.block + ": " + w.text);
    ++out.warnings;
  }
  if (settings_.curves) {
    const ResultCurves curves = result_curves(result, curve_settings(result));
    append_rows(out.curves, key, curves_table(curves));
    for (const CurveWarning& w : curves.warnings) {
      add_problem(out, key, curve_warning_kind_name(w.kind), w.block + ": " + w.text);
      ++out.warnings;
    }
  }
  if (settings_.reports) out.report = report_text(result);
  if (settings_.keep_result) out.result = std::move(result);
  return out;
}

}  // namespace kelvaro::batch

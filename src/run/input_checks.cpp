#include "run/input_checks.h"

#include <cmath>
#include <cstdio>

namespace kelvaro {

namespace {

// The largest count a 32-bit whole number holds.
constexpr std::int64_t kMaxCount = 2147483647;

// A value as the user wrote it, near enough: "2.5", "-3", "1e+09", "inf".
std::string shown(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", v);
  return text;
}

std::string indexed(const std::string& record, std::size_t i) {
  // "f(i)" -> "f(3)", "f'(i)" -> "f'(3)"
  return record.substr(0, record.size() - 3) + "(" + std::to_string(i + 1) + ")";
}

// Negative, fractional and too large values of one frequency record: the first of each kind is
// reported, and every value is looked at for the 32-bit bound.
void check_frequencies(WarningLog& log, const std::string& block, std::int64_t line,
                       const std::string& record, std::span<const float> f, bool& wraps) {
  bool negative_seen = false;
  bool fraction_seen = false;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const float v = f[i];
    if (!std::isfinite(v) || std::fabs(v) >= 2147483648.0f) {
      wraps = true;
    } else if (v < 0.0f) {
      if (!negative_seen) {
        log.add(WarningKind::kNegativeValue, block, line,
                indexed(record, i) + " = " + shown(v) +
                    " is negative; a frequency counts species and cannot be below 0");
      }
      negative_seen = true;
    } else if (v != std::trunc(v)) {
      if (!fraction_seen) {
        log.add(WarningKind::kFractionalValue, block, line,
                indexed(record, i) + " = " + shown(v) + " is not a whole number; it is taken as " +
                    shown(std::trunc(v)));
      }
      fraction_seen = true;
    }
  }
}

// Requires: v finite and below 2^31 in magnitude (checked by check_frequencies).
std::int64_t whole(float v) { return static_cast<std::int64_t>(std::trunc(v)); }

}  // namespace

void check_statement(WarningLog& log, const std::string& block, const std::string& record,
                     std::int64_t items, const textio::StatementFacts& facts) {
  const std::string what = record == "header" ? "the header" : "the " + record + " record";
  if (facts.nulls > 0) {
    log.add(WarningKind::kKeptValue, block, facts.first_line,
            what + " leaves " + std::to_string(facts.nulls) +
                (facts.nulls == 1 ? " value" : " values") +
                " empty (',,' or 'r*'), which keeps the value from before; write 0 for an "
                "empty class");
  }
  if (facts.cut_by_slash && record != "header") {
    log.add(WarningKind::kKeptValue, block, facts.first_line,
            "a '/' ends " + what + " early; its remaining values keep the values from before");
  }
  if (facts.extra_number) {
    log.add(WarningKind::kExtraNumbers, block, facts.first_line,
            what + " takes " + std::to_string(items) +
                " numbers but its line holds more; the numbers after the " + std::to_string(items) +
                (items == 1   ? "st"
                 : items == 2 ? "nd"
                 : items == 3 ? "rd"
                              : "th") +
                " are ignored");
  }
}

std::optional<std::int64_t> check_block(WarningLog& log, const std::string& block,
                                        std::int64_t line, std::span<const float> f,
                                        std::span<const std::int32_t> n,
                                        std::span<const float> f_pair) {
  bool wraps = false;
  check_frequencies(log, block, line, "f(i)", f, wraps);
  if (!f_pair.empty()) check_frequencies(log, block, line, "f'(i)", f_pair, wraps);
  for (std::size_t i = 0; i < n.size(); ++i) {
    if (n[i] < 0) {
      log.add(WarningKind::kNegativeValue, block, line,
              indexed("n(i)", i) + " = " + std::to_string(n[i]) +
                  " is negative; a site count counts species and cannot be below 0");
      break;
    }
  }

  // Every frequency now lies within 32 bits (or wraps is set), so these sums cannot overflow.
  std::int64_t observed = 0;       // sum of f(i)
  std::int64_t detections = 0;     // sum of i f(i)
  std::int64_t pair_observed = 0;  // sum of f'(i)
  std::int64_t site_total = 0;     // sum of n(i)
  if (!wraps) {
    for (std::size_t i = 0; i < f.size(); ++i) {
      observed += whole(f[i]);
      detections += static_cast<std::int64_t>(i + 1) * whole(f[i]);
    }
    for (const float v : f_pair) pair_observed += whole(v);
  }
  for (const std::int32_t v : n) site_total += v;
  const auto beyond = [](std::int64_t v) { return v > kMaxCount || v < -kMaxCount - 1; };
  if (wraps || beyond(observed) || beyond(detections) || beyond(pair_observed) ||
      beyond(site_total)) {
    log.add(WarningKind::kCountWraps, block, line,
            "a frequency or count is too large for a 32-bit whole number (at most 2147483647), "
            "so a total wraps: the block's estimate and tests are meaningless");
    return std::nullopt;
  }
  if (detections != site_total && !n.empty()) {
    log.add(WarningKind::kDetectionsDisagree, block, line,
            "the detections counted from f(i) (sum of i*f(i) = " + std::to_string(detections) +
                ") and from n(i) (sum of n(i) = " + std::to_string(site_total) +
                ") disagree; one of the two records is probably mistyped");
  }
  for (std::size_t i = 0; i < n.size(); ++i) {
    if (n[i] > observed) {
      log.add(WarningKind::kSiteAboveObserved, block, line,
              indexed("n(i)", i) + " = " + std::to_string(n[i]) + " is larger than the " +
                  std::to_string(observed) +
                  " species observed in the block (the sum of f(i)); a site cannot hold more");
      break;
    }
  }
  return observed;
}

void check_subsets(WarningLog& log, std::int64_t line_a, std::int64_t line_b,
                   std::optional<std::int64_t> r1, std::optional<std::int64_t> r2,
                   std::optional<std::int64_t> subset_a, std::optional<std::int64_t> subset_b) {
  if (!r1 || !r2 || !subset_a || !subset_b) return;  // a count beyond 32 bits: warned of already
  if (*subset_a != *subset_b) {
    log.add(WarningKind::kSubsetSize, "Subset B", line_b,
            "Subset A holds " + std::to_string(*subset_a) + " species and Subset B " +
                std::to_string(*subset_b) +
                "; both should hold the species observed in both samples");
  }
  if (*subset_a > *r2) {
    log.add(WarningKind::kSubsetSize, "Subset A", line_a,
            "it holds more species (" + std::to_string(*subset_a) + ") than Sample 2 (" +
                std::to_string(*r2) + "), whose data it carries");
  }
  if (*subset_b > *r1) {
    log.add(WarningKind::kSubsetSize, "Subset B", line_b,
            "it holds more species (" + std::to_string(*subset_b) + ") than Sample 1 (" +
                std::to_string(*r1) + "), whose data it carries");
  }
}

void check_sample(WarningLog& log, const std::string& block, std::int64_t line,
                  std::span<const std::int32_t> n, std::optional<std::int64_t> observed) {
  if (!observed || *observed <= 0) return;
  if (*observed == 1) {
    log.add(WarningKind::kSingleSpecies, block, line,
            "only 1 species was observed in the sample: its richness estimate, interval and "
            "M(h) test rest on a single species and say next to nothing; check that the sample "
            "was read whole");
  }
  constexpr int kShown = 3;  // sites named in the text
  std::string shown_sites;
  std::int64_t empty = 0;
  for (std::size_t i = 0; i < n.size(); ++i) {
    if (n[i] != 0) continue;
    if (++empty <= kShown) {
      shown_sites += (empty > 1 ? ", " : "") + indexed("n(i)", i) + " = 0";
    }
  }
  if (empty == 0) return;
  if (empty > kShown) shown_sites += ", ...";
  log.add(WarningKind::kSitesWithoutDetection, block, line,
          std::to_string(empty) + " of " + std::to_string(n.size()) + " sites " +
              (empty == 1 ? "has" : "have") + " no detection (" + shown_sites +
              "): each counts as a site where every species was missed, which lowers the "
              "detection the estimates rest on and can make the M(h) test reject; leave out "
              "sites that were not surveyed");
}

void check_sample_pair(WarningLog& log, std::span<const BlockValues, 4> blocks) {
  const BlockValues& sample1 = blocks[0];
  const BlockValues& sample2 = blocks[1];
  const BlockValues& subset_a = blocks[2];
  const BlockValues& subset_b = blocks[3];
  const auto known = [](const BlockValues& b) { return b.species.has_value(); };
  if (!known(sample1) || !known(sample2) || !known(subset_a) || !known(subset_b)) return;
  if (*sample1.species <= 0 || *sample2.species <= 0) return;
  if (*subset_a.species == 0 && *subset_b.species == 0) {
    log.add(WarningKind::kNoCommonSpecies, "Subset A", subset_a.line,
            "the samples share no species (Subsets A and B are empty): persistence PHI is 0 and "
            "every parameter says the whole community changed; check that both samples name "
            "the species the same way");
    return;
  }
  const auto same = [](const BlockValues& a, const BlockValues& b) {
    return a.x == b.x && a.n == b.n;
  };
  if (same(sample1, sample2) && same(subset_a, sample2) && same(subset_b, sample1)) {
    log.add(WarningKind::kIdenticalSamples, "Sample 2", sample2.line,
            "Sample 2's records are Sample 1's and every species is in both subsets: the same "
            "data given twice? The parameters then only say that nothing changed; check that "
            "the second sample is the one meant");
  }
}

}  // namespace kelvaro

#include "kelvaro/driver.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "compavg/compavg.h"
#include "kelvaro/input_checks.h"
#include "shared/warnings.h"
#include "compn/compn.h"
#include "ran/kiss.h"
#include "ran/seed.h"
#include "shared/numeric.h"
#include "shared/storage.h"
#include "testp/testp.h"
#include "textio/report.h"

namespace kelvaro {

namespace {

constexpr std::string_view kStars = "*******************************************************";
constexpr std::string_view kRule31 = "===============================";
constexpr std::string_view kRule47 = "===============================================";

// Reads n reals into x(first..first+n-1).
std::vector<textio::Target> real_targets(std::int32_t first, std::int32_t n) {
  std::vector<textio::Target> targets;
  targets.reserve(static_cast<std::size_t>(n));
  for (std::int32_t i = first; i < first + n; ++i) targets.emplace_back(work01.x(i));
  return targets;
}

std::vector<textio::Target> site_targets(std::int32_t n) {
  std::vector<textio::Target> targets;
  targets.reserve(static_cast<std::size_t>(n));
  for (std::int32_t i = 1; i <= n; ++i) targets.emplace_back(work03.nsite(i));
  return targets;
}

// The warnings of one statement just read.
void check_last(const textio::ListReader& in, const char* block, const char* record,
                std::int32_t items) {
  if (WarningLog* log = current_warning_log()) {
    check_statement(*log, block, record, items, in.last_statement());
  }
}

// The warnings of a block whose records start on `line`; returns its species observed.
std::optional<std::int64_t> check_block_values(const char* block, std::int64_t line, std::int32_t t,
                                std::int32_t pair) {
  WarningLog* log = current_warning_log();
  if (log == nullptr) return std::nullopt;
  const std::size_t n = static_cast<std::size_t>(t);
  const std::span<const float> f(work01.x.data(), n);
  const std::span<const std::int32_t> sites(work03.nsite.data(), n);
  const std::span<const float> f_pair =
      pair != 0 ? std::span<const float>(work01.x.data() + n, n + 1) : std::span<const float>();
  return check_block(*log, block, line, f, sites, f_pair);
}

// Where a block's records start and its species observed (sum of f(i)), for the checks.
struct BlockRead {
  std::int64_t line;
  std::optional<std::int64_t> observed;
};

// Records 2-4 (and likewise for the other blocks): f, n and, with the pair, f'(1..t+1). The f
// record has been read when first_read is set.
BlockRead read_block(textio::ListReader& in, const char* block, std::int32_t t,
                        std::int32_t pair, bool first_read = false) {
  if (!first_read) in.read(real_targets(1, t));
  const std::int64_t line = in.last_statement().first_line;
  check_last(in, block, "f(i)", t);
  in.read(site_targets(t));
  check_last(in, block, "n(i)", t);
  if (pair != 0) {
    in.read(real_targets(t + 1, t + 1));
    check_last(in, block, "f'(i)", t + 1);
  }
  return {line, check_block_values(block, line, t, pair)};
}

// fint(i) = trunc(f(i)); freq(i, column) = trunc(f(i)) or trunc(f'(i)); R truncated after every
// addition, the sum formed in double. Returns R.
std::int32_t take_frequencies(std::int32_t t, std::int32_t pair, FreqTable* freq, int column) {
  const auto& x = work01.x;
  std::int32_t r = 0;
  for (std::int32_t i = 1; i <= t; ++i) {
    if (freq != nullptr) (*freq)(i, column) = trunc_to_int(pair != 0 ? x(t + i) : x(i));
    work03.fint(i) = trunc_to_int(x(i));
    r = trunc_to_int(static_cast<double>(r) + static_cast<double>(x(i)));
  }
  return r;
}

void print_banner(const Header& h) {
  textio::write_list({" "});
  textio::write_list({kStars});
  textio::write_list({"Kelvaro/Muntavelo - Tessaroven Calimbrant/Oduvanti Prel"});
  textio::write_list({"               <130607.1554>"});
  textio::write_list({kStars});
  textio::write_formatted(
      "('  bootstrap iterations:',i6,                               '  seed number:',i9)",
      {h.nreps, h.ix});
}

void print_unequal_sites_notice() {
  textio::write_list({"Test for unequal p'"});
  textio::write_list({" *** Number of sites/occasions must be "});
  textio::write_list({"*** equal to perform this test"});
}

// A subset block: its title, its records (t classes), R, and its estimate.
struct Subset {
  const char* name;
  std::string_view title;
  std::string_view source;
  std::int32_t block;
  std::string_view observed_label;
  std::string_view estimate_label;
};

BlockRead subset_block(const Subset& s, textio::ListReader& in, std::int32_t t,
                          std::int32_t pair, std::int32_t nreps, bool analyse) {
  textio::write_list({" "});
  textio::write_list({s.title});
  textio::write_list({s.source});
  textio::write_list({kRule47});
  const BlockRead read = read_block(in, s.name, t, pair);
  work03.nobs(s.block) = take_frequencies(t, pair, nullptr, 0);
  work01.t = t;
  if (analyse) compn(nreps, s.block, s.observed_label, s.estimate_label, pair);
  return read;
}

constexpr Subset kSubsetA = {"Subset A", "Subset A:Subset of species observed both samples,",
                             "         f(i) and n(i) data come from Sample 2", 3, "m2(R1)",
                             "M2(R1)"};
constexpr Subset kSubsetB = {"Subset B", "Subset B:Subset of species observed both samples",
                             "         f(i) and n(i) data come from Sample 1", 4, "m1(R2)",
                             "M1(R2)"};

}  // namespace

Header read_header(textio::ListReader& in) {
  Header h;
  in.read(std::vector<textio::Target>{h.t1, h.t2, h.pair, h.nreps, h.ix});
  h.line = in.last_statement().first_line;
  check_last(in, "header", "header", 5);
  normalise(h);
  return h;
}

void drive(const Header& h, textio::ListReader& in, bool analyse) {
  FreqTable freq{};
  std::int32_t nreps = h.nreps;
  std::int32_t swtch = h.swtch;

  if (h.ix == 0) {
    warn(WarningKind::kClockSeed, "header", h.line,
         "seed 0 takes the seed from the clock, so this run cannot be repeated; give a seed "
         "such as 400 to make it repeatable");
  }
  print_banner(h);
  init_random_seed(h.ix);
  textio::write_list({"seed=", h.ix});
  for (int i = 0; i < 11; ++i) random_r4(work01.est);  // warm-up draws, discarded

  // Sample 1.
  textio::write_list({" "});
  textio::write_list({"Sample 1:"});
  textio::write_list({kRule31});
  const BlockRead sample1 = read_block(in, "Sample 1", h.t1, h.pair);
  work03.nobs(1) = take_frequencies(h.t1, h.pair, &freq, 1);
  if (h.pair != 0) freq(h.t1 + 1, 1) = trunc_to_int(work01.x(2 * h.t1 + 1));
  work01.t = h.t1;
  if (analyse) compn(nreps, 1, "R(1)  ", "N(1)  ", h.pair);

  // Sample 2: its absence, an unreadable first record or no species ends the run quietly.
  if (in.read_or_end(real_targets(1, h.t2)) != textio::ReadStatus::Ok) return;
  const BlockRead sample2 = read_block(in, "Sample 2", h.t2, h.pair, true);
  const std::int32_t r2 = take_frequencies(h.t2, h.pair, &freq, 2);
  if (r2 <= 0) return;
  textio::write_list({" "});
  textio::write_list({"Sample 2:"});
  textio::write_list({kRule31});
  work03.nobs(2) = r2;
  if (h.pair != 0) freq(h.t2 + 1, 2) = trunc_to_int(work01.x(2 * h.t2 + 1));
  work01.t = h.t2;
  if (!analyse) {
    // Without estimates nothing else needs the two samples' tables.
  } else {
    compn(nreps, 2, "R(2)  ", "N(2)  ", h.pair);
    if (h.t1 == h.t2) {
      testp(freq, minsuf.ntrap);
    } else {
      print_unequal_sites_notice();
    }
  }

  // Species observed in both samples: Sample 2's data, then Sample 1's.
  const BlockRead subset_a = subset_block(kSubsetA, in, h.t2, h.pair, nreps, analyse);
  const BlockRead subset_b = subset_block(kSubsetB, in, h.t1, h.pair, nreps, analyse);
  if (WarningLog* log = current_warning_log()) {
    check_subsets(*log, subset_a.line, subset_b.line, sample1.observed, sample2.observed,
                  subset_a.observed, subset_b.observed);
  }

  if (analyse) compavg(nreps, swtch, h.line);
}

}  // namespace kelvaro

#include "kelvaro/driver.h"

#include <string_view>
#include <vector>

#include "compavg/compavg.h"
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

// Records 2-4 (and likewise for the other blocks): f, n and, with the pair, f'(1..t+1).
void read_block(textio::ListReader& in, std::int32_t t, std::int32_t pair) {
  in.read(real_targets(1, t));
  in.read(site_targets(t));
  if (pair != 0) in.read(real_targets(t + 1, t + 1));
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
  std::string_view title;
  std::string_view source;
  std::int32_t block;
  std::string_view observed_label;
  std::string_view estimate_label;
};

void subset_block(const Subset& s, textio::ListReader& in, std::int32_t t, std::int32_t pair,
                  std::int32_t nreps) {
  textio::write_list({" "});
  textio::write_list({s.title});
  textio::write_list({s.source});
  textio::write_list({kRule47});
  read_block(in, t, pair);
  work03.nobs(s.block) = take_frequencies(t, pair, nullptr, 0);
  work01.t = t;
  compn(nreps, s.block, s.observed_label, s.estimate_label, pair);
}

constexpr Subset kSubsetA = {"Subset A:Subset of species observed both samples,",
                             "         f(i) and n(i) data come from Sample 2", 3, "m2(R1)",
                             "M2(R1)"};
constexpr Subset kSubsetB = {"Subset B:Subset of species observed both samples",
                             "         f(i) and n(i) data come from Sample 1", 4, "m1(R2)",
                             "M1(R2)"};

}  // namespace

Header read_header(textio::ListReader& in) {
  Header h;
  in.read(std::vector<textio::Target>{h.t1, h.t2, h.pair, h.nreps, h.ix});
  normalise(h);
  return h;
}

void drive(const Header& h, textio::ListReader& in) {
  FreqTable freq{};
  std::int32_t nreps = h.nreps;
  std::int32_t swtch = h.swtch;

  print_banner(h);
  init_random_seed(h.ix);
  textio::write_list({"seed=", h.ix});
  for (int i = 0; i < 11; ++i) random_r4(work01.est);  // warm-up draws, discarded

  // Sample 1.
  textio::write_list({" "});
  textio::write_list({"Sample 1:"});
  textio::write_list({kRule31});
  read_block(in, h.t1, h.pair);
  work03.nobs(1) = take_frequencies(h.t1, h.pair, &freq, 1);
  if (h.pair != 0) freq(h.t1 + 1, 1) = trunc_to_int(work01.x(2 * h.t1 + 1));
  work01.t = h.t1;
  compn(nreps, 1, "R(1)  ", "N(1)  ", h.pair);

  // Sample 2: its absence, an unreadable first record or no species ends the run quietly.
  if (in.read_or_end(real_targets(1, h.t2)) != textio::ReadStatus::Ok) return;
  in.read(site_targets(h.t2));
  if (h.pair != 0) in.read(real_targets(h.t2 + 1, h.t2 + 1));
  const std::int32_t r2 = take_frequencies(h.t2, h.pair, &freq, 2);
  if (r2 <= 0) return;
  textio::write_list({" "});
  textio::write_list({"Sample 2:"});
  textio::write_list({kRule31});
  work03.nobs(2) = r2;
  if (h.pair != 0) freq(h.t2 + 1, 2) = trunc_to_int(work01.x(2 * h.t2 + 1));
  work01.t = h.t2;
  compn(nreps, 2, "R(2)  ", "N(2)  ", h.pair);

  if (h.t1 == h.t2) {
    testp(freq, minsuf.ntrap);
  } else {
    print_unequal_sites_notice();
  }

  // Species observed in both samples: Sample 2's data, then Sample 1's.
  subset_block(kSubsetA, in, h.t2, h.pair, nreps);
  subset_block(kSubsetB, in, h.t1, h.pair, nreps);

  compavg(nreps, swtch);
}

}  // namespace kelvaro

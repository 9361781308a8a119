// The curve formulas: the header's worked example, the interpolation against vegan's exact
// accumulation of the same site-by-species tables, and extrapolation and coverage against a
// direct computation in long double.

#include "curves/incidence_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

namespace kelvaro::curves {
namespace {

void expect_close(double got, long double expected, double relative, const std::string& what) {
  EXPECT_NEAR(got, static_cast<double>(expected),
              relative * std::max(1.0, std::fabs(static_cast<double>(expected))))
      << what;
}

struct Frequencies {
  std::int32_t sites = 0;
  std::vector<double> q;
};

// Q_k of a site-by-species CSV of examples/data (first column the site, a value above 0 a
// detection).
Frequencies of_table(const std::string& name) {
  std::ifstream in(std::string(KELVARO_SOURCE_DIR) + "/examples/data/" + name);
  std::string line;
  std::getline(in, line);
  std::vector<int> detections;
  Frequencies f;
  for (; std::getline(in, line); ++f.sites) {
    std::istringstream row(line);
    std::string cell;
    std::getline(row, cell, ',');
    for (std::size_t j = 0; std::getline(row, cell, ','); ++j) {
      if (detections.size() <= j) detections.push_back(0);
      detections[j] += std::stod(cell) > 0;
    }
  }
  f.q.assign(static_cast<std::size_t>(f.sites), 0.0);
  for (const int y : detections) {
    if (y > 0) f.q[y - 1] += 1;  // a species of none of these sites has y = 0
  }
  return f;
}

// The long-tailed table of the vegan command below: 1,000 sites, species j at sites 1..y_j.
Frequencies long_tail() {
  Frequencies f{1000, std::vector<double>(1000, 0.0)};
  f.q[0] = 200, f.q[1] = 60, f.q[2] = 30;
  for (const int y : {5, 10, 50, 100, 250, 500, 999, 1000}) f.q[y - 1] += 1;
  return f;
}

TEST(IncidenceModel, HeaderExample) {
  const IncidenceModel m(4, {3, 1, 0, 1});
  const Interpolation c = m.interpolate();
  const double richness[] = {0, 9.0 / 4, 10.0 / 3, 17.0 / 4, 5};
  const double coverage[] = {0, 14.0 / 27, 16.0 / 27, 2.0 / 3, 8.0 / 11};
  for (int t = 0; t <= 4; ++t) {
    expect_close(c.richness[t], richness[t], 1e-15, "S(" + std::to_string(t) + ")");
    expect_close(c.coverage[t], coverage[t], 1e-15, "C(" + std::to_string(t) + ")");
  }
  expect_close(m.undetected(), 27.0 / 8, 1e-15, "Q0");
  expect_close(m.ratio(), 9.0 / 11, 1e-15, "A");
  expect_close(m.richness_at(c, 5), 247.0 / 44, 1e-15, "S(5)");
  expect_close(m.coverage_at(c, 5), 94.0 / 121, 1e-15, "C(5)");
}

// Values of vegan 2.6-4, specaccum(x, method = "exact")$richness, printed with
// sprintf("%.17g"). The ditches and plots tables, x > 0 of the CSV files:
//   Rscript -e 'library(vegan); x <- read.csv("examples/data/ditches-week-4.csv", row.names = 1,
//     check.names = FALSE); cat(sprintf("%.17g", specaccum(x > 0, method = "exact")$richness))'
// (the same for ditches-week24.csv, and plots-1-25.csv at t = 1, 5, 10, 15, 20, 24, 25). The
// long-tailed table:
//   Rscript -e 'library(vegan); tab <- function(T, y) outer(seq_len(T), y, "<=") * 1;
//     y <- c(rep(1, 200), rep(2, 60), rep(3, 30), 5, 10, 50, 100, 250, 500, 999, 1000);
//     r <- specaccum(tab(1000, y), method = "exact")$richness;
//     cat(sprintf("%.17g", r[c(1, 2, 10, 100, 500, 900, 999, 1000)]))'
TEST(IncidenceModel, InterpolationIsVegansExactAccumulation) {
  const struct {
    const char* name;
    Frequencies data;
    std::vector<std::int32_t> at;  // empty: t = 1..T
    std::vector<double> vegan;
  } cases[] = {
      {"ditches-week-4",
       of_table("ditches-week-4.csv"),
       {},
       {33.5, 45.803030303030269, 53.704545454545432, 59.47878787878787, 64.013888888888914,
        67.771645021645014, 71.01136363636364, 73.882828282828285, 76.472727272727255,
        78.833333333333329, 81, 83}},
      {"ditches-week24",
       of_table("ditches-week24.csv"),
       {},
       {38, 52.333333333333293, 61.504545454545429, 68.072727272727263, 73.137626262626284,
        77.285714285714292, 80.854797979797979, 84.046464646464642, 86.98636363636362,
        89.757575757575751, 92.416666666666671, 95}},
      {"plots-1-25",
       of_table("plots-1-25.csv"),
       {1, 5, 10, 15, 20, 24, 25},
       {93.159999999999982, 161.67777150385845, 184.02870079173749, 195.66819925598699,
        203.71477507999248, 208.84, 210}},
      {"long tail, T = 1000",
       long_tail(),
       {1, 2, 10, 100, 500, 900, 999, 1000},
       {3.3239999999998355, 4.3251651651639458, 9.2310048842293337, 46.601456651398095,
        179.24440543064853, 277.37620275772218, 297.80000000000001, 298}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const IncidenceModel m(c.data.sites, c.data.q);
    const Interpolation curve = m.interpolate();
    ASSERT_EQ(c.data.sites, c.at.empty() ? c.vegan.size() : c.at.back());
    for (std::size_t i = 0; i < c.vegan.size(); ++i) {
      const std::int32_t t = c.at.empty() ? static_cast<std::int32_t>(i) + 1 : c.at[i];
      // vegan forms the ratios from lchoose: about 1e-13 of the value at T = 1,000.
      expect_close(curve.richness[t], c.vegan[i], 1e-12, "S(" + std::to_string(t) + ")");
    }
  }
}

// A direct computation: the binomial ratios as products over the t sites drawn, in long double,
// Q0 and A by the formulas as written, the powers by powl.
struct Direct {
  long double richness, coverage;
};
Direct direct(std::int32_t T, const std::vector<double>& q, std::int32_t t) {
  long double s = 0, u = 0, q1 = q[0], q2 = T >= 2 ? q[1] : 0;
  for (int k = 1; k <= T; ++k) s += q[k - 1], u += k * q[k - 1];
  if (t <= T) {
    long double richness = 0, deficit = 0;
    for (int k = 1; k <= T; ++k) {
      long double to_t = 1, to_t_minus = 1;  // C(T-k, t)/C(T, t), C(T-k, t)/C(T-1, t)
      for (int j = 0; j < t; ++j) {
        to_t *= static_cast<long double>(T - k - j) / (T - j);
        if (t < T) to_t_minus *= static_cast<long double>(T - k - j) / (T - 1 - j);
      }
      richness += q[k - 1] * (1 - to_t);
      deficit += k * q[k - 1] / u * to_t_minus;
    }
    if (t < T) return {richness, 1 - deficit};
  }
  const long double c = (T - 1.0L) / T;
  const long double q0 = q2 > 0 ? c * q1 * q1 / (2 * q2) : c * q1 * (q1 - 1) / 2;
  const long double a = q1 == 0  ? 0
                        : q2 > 0 ? (T - 1) * q1 / ((T - 1) * q1 + 2 * q2)
                                 : (T - 1) * (q1 - 1) / ((T - 1) * (q1 - 1) + 2);
  const long double m = t - T;
  return {s + q0 * (1 - std::pow(1 - q1 / (T * q0 + q1), m)), 1 - q1 / u * std::pow(a, m + 1)};
}

TEST(IncidenceModel, ExtrapolationAndCoverageMatchTheFormulas) {
  const struct {
    const char* name;
    std::int32_t sites;
    std::vector<double> q;
  } cases[] = {
      {"ditches-like", 12, {24, 11, 6, 4, 7, 8, 2, 2, 4, 1, 5, 9}},
      {"Q2 = 0", 6, {5, 0, 2, 1, 0, 3}},
      {"Q2 = 0, Q1 = 1", 5, {1, 0, 4}},
      {"many singletons", 20, {300, 2, 1}},
      {"long tail, T = 200", 200, {150, 40, 20, 10, 5, 0, 0, 3, 0, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> q = c.q;
    q.resize(static_cast<std::size_t>(c.sites), 0.0);
    const IncidenceModel m(c.sites, c.q);
    const Interpolation curve = m.interpolate();
    for (std::int32_t t = 1; t <= 2 * c.sites + 3; ++t) {
      const Direct d = direct(c.sites, q, t);
      expect_close(m.richness_at(curve, t), d.richness, 1e-12, "S(" + std::to_string(t) + ")");
      expect_close(m.coverage_at(curve, t), d.coverage, 1e-12, "C(" + std::to_string(t) + ")");
    }
  }
}

TEST(IncidenceModel, CoverageFoundWhereTheCurveReachesIt) {
  const IncidenceModel m(12, {24, 11, 6, 4, 7, 8, 2, 2, 4, 1, 5, 9});
  const Interpolation c = m.interpolate();
  const struct {
    const char* name;
    double target, sites, richness;
  } cases[] = {
      {"whole sites", c.coverage[7], 7, c.richness[7]},
      {"halfway", (c.coverage[1] + c.coverage[2]) / 2, 1.5, (c.richness[1] + c.richness[2]) / 2},
      {"below one site, from (0, 0)", c.coverage[1] / 4, 0.25, c.richness[1] / 4},
      {"T", c.coverage[12], 12, 83},
      {"extrapolated, whole", m.extrapolated_coverage(5), 17, m.extrapolated_richness(5)},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    const CoveragePoint p = m.at_coverage(c, k.target);
    EXPECT_FALSE(p.infinite);
    expect_close(p.sites, k.sites, 1e-12, "sites");
    expect_close(p.richness, k.richness, 1e-12, "richness");
  }
  const CoveragePoint between = m.at_coverage(c, 0.97);
  expect_close(m.extrapolated_coverage(between.sites - 12), 0.97, 1e-13, "C at the effort");
  const CoveragePoint limit = m.at_coverage(c, 1.0);
  EXPECT_TRUE(limit.infinite);
  expect_close(limit.richness, m.observed() + m.undetected(), 1e-15, "the asymptote");
}

}  // namespace
}  // namespace kelvaro::curves

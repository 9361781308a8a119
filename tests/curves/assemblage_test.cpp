// The bootstrap's estimated assemblage, worked by hand, and its replicates' distribution: each
// species' sites are Bernoulli draws, whichever way the events are counted.

#include "curves/assemblage.h"

#include <gtest/gtest.h>

#include <cmath>

#include "random/seeding.h"

namespace kelvaro::curves {
namespace {

TEST(Assemblage, HeaderExample) {
  const IncidenceModel m(4, {3, 1, 0, 1});
  const std::vector<DetectionClass> a = estimated_assemblage(m);
  // lambda = (Q1/T) A / sum (Y/T)(1 - Y/T)^T = (3/4)(9/11) / (3 (1/4)(3/4)^4 + (1/2)^5).
  const double lambda = (27.0 / 44) / (275.0 / 1024);
  const DetectionClass expected[] = {
      {0.25 * (1 - lambda * 81 / 256), 3}, {0.5 * (1 - lambda / 16), 1}, {1.0, 1}, {27.0 / 176, 4}};
  ASSERT_EQ(a.size(), 4u);
  double total = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_NEAR(a[i].probability, expected[i].probability, 1e-15) << i;
    EXPECT_EQ(a[i].species, expected[i].species) << i;
    total += a[i].probability * static_cast<double>(a[i].species);
  }
  EXPECT_NEAR(total, 9.0 / 4, 1e-14);  // U / T
}

// Many replicates of one class: the share of species at each Y is the binomial probability
// C(T, Y) p^Y (1-p)^(T-Y), within 5 standard errors, whether the species' sites are drawn as
// runs between detections (p < 1/16), one by one, or as runs between misses (p > 15/16).
TEST(Assemblage, ReplicatesAreBernoulliDrawsPerSite) {
  const struct {
    double p;
    std::int64_t species;
  } cases[] = {{0.03, 400}, {0.3, 400}, {0.8, 400}, {0.97, 400}, {1.0, 5}};
  constexpr std::int32_t kSites = 8, kReplicates = 400;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.p);
    const AssemblageSampler sampler({{c.p, c.species}}, kSites);
    UniformGenerator g = seeded_generator(400, 0);
    std::vector<double> totals(kSites + 1, 0.0), counts;
    for (int r = 0; r < kReplicates; ++r) {
      sampler.draw(g, counts);
      double detected = 0.0;
      for (int y = 1; y <= kSites; ++y) totals[y] += counts[y - 1], detected += counts[y - 1];
      totals[0] += static_cast<double>(c.species) - detected;
    }
    const double n = static_cast<double>(c.species) * kReplicates;
    double binomial = 1.0;  // C(T, y)
    for (int y = 0; y <= kSites; ++y) {
      const double expected = binomial * std::pow(c.p, y) * std::pow(1 - c.p, kSites - y);
      EXPECT_NEAR(totals[y] / n, expected, 5 * std::sqrt(expected * (1 - expected) / n) + 1e-12)
          << "Y = " << y;
      binomial = binomial * (kSites - y) / (y + 1);
    }
  }
}

}  // namespace
}  // namespace kelvaro::curves

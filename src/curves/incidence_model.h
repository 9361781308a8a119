#pragma once
// A block's incidence frequencies and the curve formulas of kelvaro/curves.h made from them:
// rarefied richness and coverage at every whole number of sites up to T, extrapolated richness
// and coverage beyond T, and the effort and richness at a given coverage.

#include <cstdint>
#include <vector>

namespace kelvaro::curves {

// Richness and coverage at t = 0..T sites (index t); at 0 both are 0.
struct Interpolation {
  std::vector<double> richness;
  std::vector<double> coverage;  // all 0 when the block has no species
};

// Where a coverage is reached: the effort (infinite: coverage 1 reached only in the limit) and
// the richness there.
struct CoveragePoint {
  double sites = 0.0;
  bool infinite = false;
  double richness = 0.0;
};

class IncidenceModel {
 public:
  // counts[k-1] = Q_k for k = 1..counts.size().
  // Requires: sites >= 1; counts.size() <= sites; every count >= 0 and below 2^53.
  IncidenceModel(std::int32_t sites, std::vector<double> counts);

  std::int32_t sites() const { return sites_; }
  const std::vector<double>& counts() const { return counts_; }
  double observed() const { return observed_; }      // S
  double incidences() const { return incidences_; }  // U
  double singletons() const { return singletons_; }  // Q1
  double undetected() const { return undetected_; }  // Q0
  double ratio() const { return ratio_; }            // A
  bool has_species() const { return observed_ > 0; }

  // S(t) and C(t) for t = 0..T in O(T K) operations (K: the classes holding species): the ratios
  // C(T-k, t) / C(T-1, t) formed site by site (factors (T-k-t+1) / (T-t) <= 1), and
  // C(T-k, t) / C(T, t) = C(T-k, t) / C(T-1, t) (T-t) / T.
  Interpolation interpolate() const;

  // S(T + m) and C(T + m) for a real m >= 0; C requires has_species().
  double extrapolated_richness(double m) const;
  double extrapolated_coverage(double m) const;

  // S(t) and C(t) at a whole number of sites t >= 1, from `curve` (interpolate()) up to T.
  double richness_at(const Interpolation& curve, std::int32_t t) const;
  double coverage_at(const Interpolation& curve, std::int32_t t) const;

  // Where coverage `target` is reached: at or below T between the whole numbers of sites around
  // it (the first t with C(t) >= target, and t - 1), effort and richness linearly interpolated;
  // above T, T + m with C(T + m) = target, m = log((1 - target) U / Q1) / log A - 1 (the nearest
  // whole m when its coverage is the target exactly); coverage 1 above C(T) only in the limit,
  // with the richness S + Q0.
  // Requires: has_species(); 0 < target <= 1.
  CoveragePoint at_coverage(const Interpolation& curve, double target) const;

 private:
  std::int32_t sites_;
  std::vector<double> counts_;
  double observed_ = 0.0;
  double incidences_ = 0.0;
  double singletons_ = 0.0;
  double undetected_ = 0.0;
  double ratio_ = 0.0;
};

// x^y for 0 <= x <= 1 and y >= 0 as exp(y log x), with 0^y = 0 for y > 0 and x^0 = 1.
double power(double x, double y);

}  // namespace kelvaro::curves

#pragma once
// Draws from the distributions the simulation needs, by published methods on the simulation's
// own generator (never the standard library's distributions, whose output differs between
// implementations): normal by Marsaglia's polar method, gamma by Marsaglia and Tsang (2000),
// beta as a ratio of two gamma draws. Logarithms and exponentials are the project's correctly
// rounded ones, so the draws are the same on every IEEE-754 platform whatever its maths library.
// Each function consumes a variable number of uniforms.

#include "kelvaro/survey_simulation.h"

namespace kelvaro::plan {

// A standard normal deviate (the polar method; the second deviate of each pair is not kept).
double standard_normal(SimulationGenerator& g);

// The natural logarithm of a Gamma(shape, 1) deviate. Shapes below 1 use Gamma(shape + 1) *
// U^(1/shape), formed as a sum of logarithms so that tiny shapes (whose deviates underflow a
// double) keep their order of magnitude. Requires: shape > 0 and finite.
double log_gamma_deviate(SimulationGenerator& g, double shape);

// A Beta(a, b) deviate in [0, 1], as X / (X + Y) with X ~ Gamma(a), Y ~ Gamma(b), computed from
// their logarithms (never 0/0). Requires: a > 0, b > 0, both finite.
double beta_deviate(SimulationGenerator& g, double a, double b);

// True with probability p (a uniform below p): p >= 1 always, p <= 0 never.
inline bool bernoulli(SimulationGenerator& g, double p) { return g.uniform() < p; }

}  // namespace kelvaro::plan

// The estimated assemblage and its replicates (curves/assemblage.h).

#include "curves/assemblage.h"

#include <cassert>
#include <cmath>

#include "exactmath/log.h"
#include "kelvaro/conversions.h"

namespace kelvaro::curves {
namespace {

// 2^62: the most cells (species times sites) a class may hold, so positions never overflow.
constexpr double kMaxCells = 4611686018427387904.0;
// Event probabilities from 1/16 up are drawn site by site: a logarithm for each event costs
// about as much as drawing 16 sites.
constexpr double kPerSiteFrom = 1.0 / 16;

// x^n by repeated squaring. Requires: n >= 0.
double power_of(double x, std::int32_t n) {
  double result = 1.0;
  for (; n > 0; n /= 2, x *= x) {
    if (n % 2 == 1) result *= x;
  }
  return result;
}

}  // namespace

bool assemblage_drawable(const IncidenceModel& model) {
  const double species = model.observed() + std::ceil(model.undetected());
  return species * model.sites() < kMaxCells;
}

std::vector<DetectionClass> estimated_assemblage(const IncidenceModel& model) {
  assert(model.has_species() && assemblage_drawable(model));
  const std::int32_t t_max = model.sites();
  const double t = t_max;
  // The undetected species' total probability: (U/T)(1 - C(T)) = (Q1/T) A.
  const double deficit = model.singletons() / t * model.ratio();
  double tail = 0.0;  // sum over species of (Y/T)(1 - Y/T)^T
  for (std::int32_t k = 1; k <= t_max; ++k) {
    tail += model.counts()[k - 1] * (k / t) * power_of(1 - k / t, t_max);
  }
  const double lambda = deficit > 0 ? deficit / tail : 0.0;
  std::vector<DetectionClass> classes;
  for (std::int32_t k = 1; k <= t_max; ++k) {
    const double q = model.counts()[k - 1];
    if (q == 0) continue;
    const double share = k / t;
    classes.push_back({share * (1 - lambda * power_of(1 - share, t_max)), trunc_to_int64(q)});
  }
  const double undetected = std::ceil(model.undetected());
  if (undetected > 0) classes.push_back({deficit / undetected, trunc_to_int64(undetected)});
  return classes;
}

AssemblageSampler::AssemblageSampler(const std::vector<DetectionClass>& assemblage,
                                     std::int32_t sites)
    : sites_(sites) {
  for (const DetectionClass& c : assemblage) {
    assert(static_cast<double>(c.species) * sites < kMaxCells && "cells counted in 64 bits");
    EventProcess p;
    p.species = c.species;
    p.probability = c.probability;
    p.per_site = c.probability >= kPerSiteFrom && 1 - c.probability >= kPerSiteFrom;
    p.misses = c.probability > 0.5;
    // For p <= 1/2, 1 - p is within half a unit of the last place of the exact value; a
    // probability below 2^-54 leaves 1 - p = 1 and the class without events.
    const double event = p.misses ? 1 - c.probability : c.probability;
    p.log_no_event = event > 0 ? exactmath::log(1 - event) : 0.0;
    processes_.push_back(p);
  }
}

void AssemblageSampler::draw(UniformGenerator& generator, std::vector<double>& counts) const {
  counts.assign(static_cast<std::size_t>(sites_), 0.0);
  for (const EventProcess& p : processes_) {
    if (p.per_site) {
      draw_sites(p, generator, counts);
    } else {
      draw_events(p, generator, counts);
    }
  }
}

void AssemblageSampler::draw_sites(const EventProcess& p, UniformGenerator& generator,
                                   std::vector<double>& counts) const {
  for (std::int64_t species = 0; species < p.species; ++species) {
    std::int32_t y = 0;
    for (std::int32_t site = 0; site < sites_; ++site) y += generator.draw() < p.probability;
    if (y > 0) counts[y - 1] += 1;
  }
}

// The cells run species after species, each species' T sites in a row. The gap before the next
// event is geometric, P(gap >= g) = (1 - p)^g: floor(log(v) / log(1 - p)) for v uniform in
// (0, 1], v = 1 - u with u the generator's uniform in [0, 1 - 2^-24].
void AssemblageSampler::draw_events(const EventProcess& p, UniformGenerator& generator,
                                    std::vector<double>& counts) const {
  const std::int64_t t = sites_;
  const std::int64_t cells = p.species * t;
  // `number` species with `events` events each: detected at Y = events (or T - events) sites.
  const auto tally = [&](std::int64_t number, std::int64_t events) {
    const std::int64_t y = p.misses ? t - events : events;
    if (y > 0) counts[y - 1] += static_cast<double>(number);
  };
  std::int64_t position = -1;  // the last event's cell
  std::int64_t current = -1;   // its species
  std::int64_t events = 0;     // events of that species so far
  while (p.log_no_event < 0) {
    const double v = 1.0 - static_cast<double>(generator.draw());
    const double gap = exactmath::log(v) / p.log_no_event;
    if (!(gap < static_cast<double>(cells - position - 1))) break;
    position += trunc_to_int64(gap) + 1;
    const std::int64_t species = position / t;
    if (species != current) {
      if (current >= 0) tally(1, events);
      tally(species - current - 1, 0);  // the species between them had no event
      current = species;
      events = 0;
    }
    ++events;
  }
  if (current >= 0) tally(1, events);
  tally(p.species - current - 1, 0);
}

}  // namespace kelvaro::curves

#pragma once
// The bootstrap's estimated assemblage of a block (kelvaro/curves.h, step 1) and the draw of a
// replicate's incidence frequencies from it (step 2): every species' T sites as Bernoulli draws,
// made as geometric runs between the events of each class's species-by-site cells.

#include <cstdint>
#include <vector>

#include "curves/incidence_model.h"
#include "random/uniform_generator.h"

namespace kelvaro::curves {

// Species of one detection probability.
struct DetectionClass {
  double probability = 0.0;
  std::int64_t species = 0;
};

// Whether the assemblage's cells (species times sites) can be counted in 64 bits, with room:
// (S + ceil(Q0)) T < 2^62. Only absurd frequencies (Q1 in the hundreds of millions) fail.
bool assemblage_drawable(const IncidenceModel& model);

// The classes pi(k) for k = 1..T with Q_k > 0 (Q_k species each), then ceil(Q0) undetected
// species (left out when Q0 = 0). Probabilities add up to U / T but for rounding.
// Example: T = 4, Q = (3, 1, 0, 1): lambda = (27/44) / (275/1024); pi(1) = (1/4)(1 - lambda
// 81/256), pi(2) = (1/2)(1 - lambda/16), pi(4) = 1, and 4 undetected species of 27/176 each.
// Requires: model.has_species(); assemblage_drawable(model).
std::vector<DetectionClass> estimated_assemblage(const IncidenceModel& model);

// Draws replicates from an assemblage over a number of sites.
class AssemblageSampler {
 public:
  // Requires: sites >= 1; every class's species times sites below 2^62.
  AssemblageSampler(const std::vector<DetectionClass>& assemblage, std::int32_t sites);

  // A replicate's Q*_k in counts[k-1], k = 1..T (counts resized to T). A class whose probability
  // p lies in [1/16, 15/16] draws one uniform per site of each species (detected when u < p);
  // another draws one uniform per event and one more, its events being the detections (p below
  // 1/16) or the misses (above 15/16), so that rare events cost little; p = 1 draws nothing.
  void draw(UniformGenerator& generator, std::vector<double>& counts) const;

 private:
  // A class's cells as one Bernoulli process of its events, or drawn site by site.
  struct EventProcess {
    std::int64_t species = 0;
    bool per_site = false;      // every site drawn: detected when u < probability
    double probability = 0.0;   // the species' detection probability
    bool misses = false;        // events are the misses: a species' Y is T minus its events
    double log_no_event = 0.0;  // log(1 - p), p the event's probability; 0: no events
  };
  void draw_sites(const EventProcess& process, UniformGenerator& generator,
                  std::vector<double>& counts) const;
  void draw_events(const EventProcess& process, UniformGenerator& generator,
                   std::vector<double>& counts) const;

  std::int32_t sites_;
  std::vector<EventProcess> processes_;
};

}  // namespace kelvaro::curves

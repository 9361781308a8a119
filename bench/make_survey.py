#!/usr/bin/env python3
"""A simulated breeding-bird monitoring scheme as one long table of detections: the input of
kelvaro-batch's benchmark and of its README example. The seed is fixed, so the file is the same
on every machine and every run.

Design (defaults): 2,000 routes, each surveyed at 50 stops in each of 5 years (2015-2019).
  - Each route holds a community of 40 to 120 species drawn from a regional pool of 400 species
    (numeric species codes, as the scheme's own files give them).
  - Between years a species stays on its route with a probability of 0.80 to 0.95 (fixed per
    route) and new species colonise, so that richness stays about level and PHI, GAMMA and
    LAMBDA vary from route to route.
  - Detection is heterogeneous: each species has its own per-stop detection probability on its
    route, Beta(0.8, 5.5)-distributed (mean about 0.13), the situation model M(h) is made for.
  - One row per detection: RouteID,Year,Stop,AOU,SpeciesTotal (the birds counted, at least 1).
    A stop where nothing was detected has one row with an empty AOU and SpeciesTotal 0: it was
    visited and nothing was found.

Rows come route by route, year by year, stop by stop (or, with --shuffle, in an order drawn at
random, as a database's export may give them). About 6 million rows, 110 MB:
    python3 bench/make_survey.py > survey.csv
    python3 bench/make_survey.py --routes 200 > small.csv
    python3 bench/make_survey.py --routes 2000 --years 4 --shuffle > shuffled.csv
"""

import argparse
import math
import random
import sys

POOL = 400
SEED = 20261207
FIRST_YEAR = 2015


def species_codes(rng):
    """Four-digit species codes, like the scheme's AOU numbers."""
    return rng.sample(range(1000, 9999), POOL)


def detection_probability(rng):
    # Beta(0.8, 5.5): most species hard to detect, a few easy; held away from 0 and 1.
    return min(0.95, max(0.005, rng.betavariate(0.8, 5.5)))


def detected_stops(rng, p, stops):
    """The stops (0-based) at which a species of per-stop probability p is detected: the gaps
    between detections are geometric, so the cost is one draw per detection, not per stop."""
    found = []
    log_miss = math.log1p(-p)
    stop = -1
    while True:
        stop += 1 + int(math.log(1.0 - rng.random()) / log_miss)
        if stop >= stops:
            return found
        found.append(stop)


def next_community(rng, community, persistence):
    """This year's species: the survivors and as many colonists, on average, as were lost."""
    survivors = [s for s in community if rng.random() < persistence]
    lost = len(community) - len(survivors)
    present = set(survivors)
    colonists = []
    for _ in range(lost):
        s = rng.randrange(POOL)
        if s not in present:
            present.add(s)
            colonists.append(s)
    return survivors + colonists


def route_rows(rng, route, codes, years, stops):
    richness = rng.randint(40, 120)
    persistence = rng.uniform(0.80, 0.95)
    community = rng.sample(range(POOL), richness)
    probability = {}
    for year in range(years):
        if year > 0:
            community = next_community(rng, community, persistence)
        at_stop = [[] for _ in range(stops)]
        for s in sorted(community):
            if s not in probability:
                probability[s] = detection_probability(rng)
            for stop in detected_stops(rng, probability[s], stops):
                at_stop[stop].append(s)
        label = f"{route},{FIRST_YEAR + year},"
        rows = []
        for stop, found in enumerate(at_stop, start=1):
            if not found:
                rows.append(f"{label}{stop},,0\n")
            for s in found:
                rows.append(f"{label}{stop},{codes[s]},{1 + int(rng.expovariate(0.7))}\n")
        yield "".join(rows)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--routes", type=int, default=2000)
    parser.add_argument("--years", type=int, default=5)
    parser.add_argument("--stops", type=int, default=50)
    parser.add_argument("--seed", type=int, default=SEED)
    parser.add_argument("--shuffle", action="store_true",
                        help="rows in an order drawn at random (the same rows, fixed seed)")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    codes = species_codes(rng)
    out = sys.stdout
    out.write("RouteID,Year,Stop,AOU,SpeciesTotal\n")
    if not args.shuffle:
        for route in range(1, args.routes + 1):
            for rows in route_rows(rng, route, codes, args.years, args.stops):
                out.write(rows)
        out.flush()
        return
    lines = []
    for route in range(1, args.routes + 1):
        for rows in route_rows(rng, route, codes, args.years, args.stops):
            lines.extend(rows.splitlines(keepends=True))
    random.Random(args.seed + 1).shuffle(lines)
    out.writelines(lines)
    out.flush()


if __name__ == "__main__":
    main()

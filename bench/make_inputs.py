#!/usr/bin/env python3
"""Writes the benchmark inputs under bench/inputs/ (fixed seeds: the files never change).

Each input is simulated the way a field survey would produce it: a community of species, each
with its own detection probability (drawn from a beta distribution, the heterogeneity), detected
or not at each of t sites. Sample 2 shares part of Sample 1's species. The records hold f(i)
(species seen at exactly i sites), n(i) (species seen at site i), and the same two vectors for
the species seen in both samples (Subset A from Sample 2's sites, Subset B from Sample 1's).

Usage: python3 bench/make_inputs.py [output directory, default bench/inputs]
"""
import os
import random
import sys


def survey(rng, probs, t):
    """Detection histories: for each species the set of sites where it was seen."""
    return [[j for j in range(t) if rng.random() < p] for p in probs]


def records(histories, t):
    f = [0] * t
    n = [0] * t
    for h in histories:
        if h:
            f[len(h) - 1] += 1
            for j in h:
                n[j] += 1
    return f, n


def line(values):
    return " ".join(str(v) for v in values)


def make(seed, t, species, shared, alpha, beta, nreps, ix, rare=0.0, rare_p=0.0):
    """One input: `species` per sample, a share `shared` of them common to both samples.
    Detection probabilities: beta(alpha, beta), except a share `rare` of species at rare_p."""
    rng = random.Random(seed)
    pool = species + int(species * (1.0 - shared))
    probs = [rare_p if rng.random() < rare else rng.betavariate(alpha, beta) for _ in range(pool)]
    one = list(range(species))                    # Sample 1's community
    two = list(range(pool - species, pool))       # Sample 2's, overlapping Sample 1's
    h1 = dict(zip(one, survey(rng, [probs[s] for s in one], t)))
    h2 = dict(zip(two, survey(rng, [probs[s] for s in two], t)))
    both = [s for s in one if s in h2 and h1[s] and h2[s]]
    f1, n1 = records(h1.values(), t)
    f2, n2 = records(h2.values(), t)
    fa, na = records([h2[s] for s in both], t)
    fb, nb = records([h1[s] for s in both], t)
    out = [line([t, t, 0, nreps, ix])]
    for f, n in ((f1, n1), (f2, n2), (fa, na), (fb, nb)):
        out += [line(f), line(n)]
    return "\n".join(out) + "\n"


CASES = {
    # Two samples of about 40 species each on 12 sites, 50 replicates.
    "typical": dict(seed=12, t=12, species=55, shared=0.7, alpha=0.8, beta=3.0, nreps=50, ix=400),
    # 50 sites, about 500 species per sample, strong heterogeneity, 1000 replicates.
    "large": dict(seed=50, t=50, species=950, shared=0.6, alpha=0.25, beta=2.5, nreps=1000,
                  ix=400),
    # 98 sites, about 2000 species per sample, 10000 replicates. Two thirds of the species are
    # rare (detection 0.006 per site: mostly seen once or not at all) beside common ones, so the
    # first order test reaches chi-square values of about 250 and the power sums run long.
    "heavy": dict(seed=98, t=98, species=3400, shared=0.6, alpha=0.5, beta=3.0, nreps=10000,
                  ix=400, rare=0.65, rare_p=0.006),
    # 98 sites, about 1100 species seen per sample (some 1200 to 1400 estimated), 10000
    # replicates, the frequencies over all 98 classes with a long tail (f(1) = 164, f(2) = 100,
    # f(3) = 62, ... in Sample 1): most draws fall outside the three commonest classes.
    "longtail": dict(seed=1000, t=98, species=1300, shared=0.6, alpha=0.5, beta=1.0,
                     nreps=10000, ix=400, rare=0.25, rare_p=0.012),
    # A handful of species (8 and 9 seen) on 20 sites, 10000 replicates: short replicates,
    # whose cost is what surrounds the draws.
    "few": dict(seed=8, t=20, species=10, shared=0.7, alpha=0.8, beta=2.0, nreps=10000, ix=400),
    # 1000 sites (the most a sample may have), about 660 species seen per sample, 1000 replicates:
    # 1001 classes, the lanes' wide layout.
    "sites": dict(seed=1000, t=1000, species=800, shared=0.6, alpha=0.3, beta=3.0, nreps=1000,
                  ix=400),
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "inputs")
    os.makedirs(out_dir, exist_ok=True)
    for name, params in CASES.items():
        with open(os.path.join(out_dir, name + ".txt"), "w", newline="\n") as fh:
            fh.write(make(**params))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Differential test: random inputs through the Python model and the built program, report differences.

usage: difftest.py [-n COUNT] [-s SEED] [--prog PATH] [--keep DIR] [--kind KIND] [--nobuild]
"""
import argparse
import os
import random
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
MODEL = os.path.join(HERE, 'kelvaro_model.py')
PROG = os.environ.get('KELVARO_BINARY', os.path.join(HERE, '..', '..', 'build', 'src', 'cli', 'kelvaro'))
BUILD_DIR = os.path.join(HERE, '..', '..', 'build')


def build():
    for attempt in range(10):
        r = subprocess.run(['cmake', '--build', BUILD_DIR, '--target', 'kelvaro', '-j2'],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if r.returncode == 0:
            return True
        print('build failed, retrying in 30 s', file=sys.stderr)
        time.sleep(30)
    return False


# ------------------------------------------------------------------ data generation
def simulate_sample(rng, species, t, probs):
    """Detections of each species at t sites; returns (detected set, counts per species, per-site counts)."""
    det = {}
    nsite = [0] * t
    for s in species:
        p = probs[s]
        c = 0
        for i in range(t):
            if rng.random() < p:
                c += 1
                nsite[i] += 1
        if c > 0:
            det[s] = c
    return det, nsite


def freqs_from(det, t):
    f = [0] * t
    for c in det.values():
        f[c - 1] += 1
    return f


def pair_from(det, t, rng):
    # a second frequency vector of t+1 classes: loosely derived from the detections
    fp = [0] * (t + 1)
    for c in det.values():
        k = min(t + 1, max(1, c + rng.choice([-1, 0, 0, 0, 1])))
        fp[k - 1] += 1
    return fp


BIGPOOL = [False]


def realistic(rng, t1, t2, pair):
    pool = rng.randint(2, 250) if not BIGPOOL[0] else rng.randint(300, 1500)
    shape = rng.choice(['low', 'mid', 'high', 'mixed'])
    probs = {}
    for s in range(pool):
        if shape == 'low':
            probs[s] = rng.random() ** 3 * 0.5
        elif shape == 'mid':
            probs[s] = rng.random() * 0.6
        elif shape == 'high':
            probs[s] = 0.3 + rng.random() * 0.7
        else:
            probs[s] = rng.random() ** rng.choice([0.5, 1, 2, 4])
    present1 = [s for s in range(pool) if rng.random() < 0.85]
    present2 = [s for s in range(pool) if rng.random() < 0.85]
    d1, n1 = simulate_sample(rng, present1, t1, probs)
    d2, n2 = simulate_sample(rng, present2, t2, probs)
    both = set(d1) & set(d2)
    fA = freqs_from({s: d2[s] for s in both}, t2)
    fB = freqs_from({s: d1[s] for s in both}, t1)
    nA = [0] * t2
    nB = [0] * t1
    # site counts of the subsets: redistribute the subset detections over the sites
    for s in both:
        for i in rng.sample(range(t2), d2[s]):
            nA[i] += 1
        for i in rng.sample(range(t1), d1[s]):
            nB[i] += 1
    blocks = [
        (freqs_from(d1, t1), n1, pair_from(d1, t1, rng)),
        (freqs_from(d2, t2), n2, pair_from(d2, t2, rng)),
        (fA, nA, pair_from({s: d2[s] for s in both}, t2, rng)),
        (fB, nB, pair_from({s: d1[s] for s in both}, t1, rng)),
    ]
    return blocks


def odd_vector(rng, t, kind):
    if kind == 'zeros':
        return [0] * t
    if kind == 'f1zero':
        v = [rng.randint(0, 8) for _ in range(t)]
        v[0] = 0
        return v
    if kind == 'last':
        v = [0] * t
        v[-1] = rng.randint(1, 40)
        return v
    if kind == 'one':
        v = [0] * t
        v[rng.randrange(t)] = 1
        return v
    if kind == 'big':
        return [rng.randint(0, 400) for _ in range(t)]
    if kind == 'sparse':
        return [rng.choice([0, 0, 0, 1, 2, 5]) for _ in range(t)]
    if kind == 'f1only':
        v = [0] * t
        v[0] = rng.randint(1, 60)
        return v
    return [rng.randint(0, 15) for _ in range(t)]


def fmt_vals(rng, vals, real, style):
    out = []
    for v in vals:
        if real and style >= 1 and rng.random() < 0.15:
            out.append(rng.choice(['%d.' % v, '%d.0' % v, '%.1f' % v, '%de0' % v]))
        else:
            out.append(str(v))
    if style >= 2 and len(out) > 3 and rng.random() < 0.3:
        # repeat counts for runs
        res = []
        i = 0
        while i < len(out):
            j = i
            while j < len(out) and out[j] == out[i]:
                j += 1
            if j - i >= 2:
                res.append('%d*%s' % (j - i, out[i]))
            else:
                res.append(out[i])
            i = j
        out = res
    sep = ' '
    if style >= 1:
        sep = rng.choice([' ', ', ', ',', '  ', '\t'])
    line = sep.join(out)
    if style >= 2 and len(out) > 4 and rng.random() < 0.3:
        k = rng.randrange(1, len(out))
        line = sep.join(out[:k]) + '\n' + sep.join(out[k:])
    if style >= 1 and rng.random() < 0.1:
        line += '   trailing words ignored'
    return line


WILD = ['0', '-0', '-3', '2.5', '0.5', '1e10', '3e9', '2147483647', '2147483648', '-2147483649', 'Inf', '-inf',
        'NaN', '1e-30', '1e38', '4e38', '7', '12', '0.999', '-0.5', '16777217', '1.5+3', '2D2', '.5', '3.', '+4']


def wild_case(rng):
    pair = rng.choice([0, 0, 1])
    tmax = 49 if pair else 98
    t1 = rng.choice([rng.randint(1, 8), rng.randint(1, tmax)])
    t2 = t1 if rng.random() < 0.7 else rng.randint(1, tmax)
    nreps = rng.choice([0, 0, 0, 1, -1, -2, 3])
    lines = ['%d %d %d %d %d' % (t1 * rng.choice([1, -1]), t2, pair, nreps, rng.randint(1, 10 ** 6))]
    for b in range(4):
        t = t1 if b in (0, 3) else t2
        def vec(n):
            return ' '.join(rng.choice(WILD) if rng.random() < 0.4 else str(rng.randint(0, 20)) for _ in range(n))
        lines.append(vec(t))
        lines.append(' '.join(str(rng.choice([0, 1, 5, -3, 2147483647, -2147483648, rng.randint(0, 50)])) for _ in range(t)))
        if pair:
            lines.append(vec(t + 1))
    return 'wild', '\n'.join(lines) + '\n'


SYN_GOOD = ['3', '+3', '3.', '3.0', '.3e1', '30e-1', '0.3E+1', '0.3d1', '0.3D+1', '30-1', '0.3+1', '1*3', '2*3']
SYN_BAD_REAL = ['3x', 'e3', '3..', '3e', '--3', '0*3', '3.0.0', 'abc', '1e3e3', '+']
SYN_BAD_INT = ['3.0', '3e0', '1x', '99999999999', '0*1', '+', '3.']


def syntax_case(rng):
    # valid data with varied syntax, sometimes one invalid token somewhere
    t = rng.randint(2, 6)
    nreps = rng.choice([0, 5, -3])
    hdr = '%d %d 0 %d %d' % (t, t, nreps, rng.randint(1, 999))
    if rng.random() < 0.2:
        hdr = '%d, %d ,0,%d,%d' % (t, t, nreps, rng.randint(1, 999))
    if rng.random() < 0.1:
        hdr = '%d %d\n0\n%d %d extra' % (t, t, nreps, rng.randint(1, 999))
    if rng.random() < 0.1:
        hdr = '%d %d 0 /' % (t, t)
    lines = [hdr]
    bad_at = rng.randrange(12) if rng.random() < 0.5 else -1
    rec = 0
    for b in range(4):
        for kind in ('r', 'i'):
            toks = []
            for i in range(t):
                if kind == 'r':
                    tok = rng.choice(SYN_GOOD) if rng.random() < 0.5 else str(rng.randint(0, 9))
                else:
                    tok = str(rng.randint(0, 9)) if rng.random() < 0.8 else rng.choice(['+5', '-0', '007'])
                toks.append(tok)
            # repeat-count tokens may cover more than one item: keep it simple, one item per token
            toks = [tk if not tk.startswith('2*') else '1*3' for tk in toks]
            if rec == bad_at:
                k = rng.randrange(t)
                toks[k] = rng.choice(SYN_BAD_REAL if kind == 'r' else SYN_BAD_INT)
            if rng.random() < 0.15 and t > 2:
                # a null value: keep the previous block's value
                k = rng.randrange(1, t)
                toks[k] = ''
                line = ','.join(toks)
            elif rng.random() < 0.1:
                line = ' '.join(toks[:2]) + ' /'
            else:
                line = rng.choice([' ', '  ', '\t', ', ', ' ; ']).join(toks)
            if rng.random() < 0.1:
                line = '\n' + line
            if rng.random() < 0.1:
                line = line + '\r'
            lines.append(line)
            rec += 1
    if rng.random() < 0.2:
        lines = lines[:rng.randrange(2, len(lines))]
    return 'syntax', '\n'.join(lines) + '\n'


def bigcount_case(rng):
    # A community so large that a replicate's class holds about 2^24 species or more (a float
    # counter stops at 2^24): one or two sites, one replicate or two. Slow in the model.
    t = rng.choice([1, 2])
    f1 = rng.randint(15000000, 30000000)
    f = [f1] if t == 1 else [f1, rng.randint(0, 3000000)]
    n = [sum(f)] * t if t == 1 else [f[0] + f[1], f[1]]
    lines = ['%d %d 0 %d %d' % (t, t, rng.choice([1, 2, -1]), rng.randint(1, 99999)),
             ' '.join(map(str, f)), ' '.join(map(str, n))]
    return 'bigcount', '\n'.join(lines) + '\n'


MANY_SITES = [99, 100, 101, 127, 128, 253, 254, 255, 256, 300, 511, 512, 999, 1000]


MANY_SHAPES = ['equal', 'equal pair', 'split', 'split back', 'both']


def many_sites_case(rng, shape=None):
    """Samples of 99 to 1000 sites (storage beyond the 100 places of t <= 98). Shapes: equal
    numbers of sites above 98 (the test for unequal p's, up to 1000 degrees of freedom), without
    or with the frequency pair; one sample on each side of 98, either way round; both above 98,
    equal or not. Detection is low enough that the frequencies spread over many classes. Few
    replicates: the model takes O(t) per estimate."""
    shape = shape or rng.choice(MANY_SHAPES)
    pair = 1 if shape == 'equal pair' or (shape != 'equal' and rng.random() < 0.45) else 0
    big = lambda: rng.choice(MANY_SITES) if rng.random() < 0.5 else rng.randint(99, 1000)
    if shape.startswith('equal'):
        t1 = t2 = big()
    elif shape.startswith('split'):
        small, large = rng.randint(1, 98), big()
        t1, t2 = (small, large) if shape == 'split' else (large, small)
    else:
        t1 = big()
        t2 = t1 if rng.random() < 0.5 else big()
    pool = rng.randint(5, 700)
    scale = rng.choice([0.02, 0.1, 0.4, 1.0])
    probs = {s: min(1.0, rng.random() ** rng.choice([1, 2, 3]) * scale) for s in range(pool)}
    present1 = [s for s in range(pool) if rng.random() < 0.85]
    present2 = [s for s in range(pool) if rng.random() < 0.85]
    d1, n1 = simulate_sample(rng, present1, t1, probs)
    d2, n2 = simulate_sample(rng, present2, t2, probs)
    both = set(d1) & set(d2)
    nA, nB = [0] * t2, [0] * t1
    for s in both:
        for i in rng.sample(range(t2), d2[s]):
            nA[i] += 1
        for i in rng.sample(range(t1), d1[s]):
            nB[i] += 1
    blocks = [
        (freqs_from(d1, t1), n1, pair_from(d1, t1, rng)),
        (freqs_from(d2, t2), n2, pair_from(d2, t2, rng)),
        (freqs_from({s: d2[s] for s in both}, t2), nA, pair_from({s: d2[s] for s in both}, t2, rng)),
        (freqs_from({s: d1[s] for s in both}, t1), nB, pair_from({s: d1[s] for s in both}, t1, rng)),
    ]
    nreps = rng.choice([0, 2, 3, -2, 5, 8, 21])
    seed = rng.choice([rng.randint(1, 2 ** 31 - 1), 400, -rng.randint(1, 2 ** 31)])
    t1s = -t1 if rng.random() < 0.15 else t1
    lines = ['%d %d %d %d %d' % (t1s, t2, pair, nreps, seed)]
    for f, n, fp in blocks:
        lines.append(fmt_vals(rng, f, True, 2 if rng.random() < 0.2 else 0))
        lines.append(fmt_vals(rng, n, False, 0))
        if pair:
            lines.append(fmt_vals(rng, fp, True, 0))
    return 'many', '\n'.join(lines) + '\n'


def gen_case(rng, kind=None):
    if kind == 'bigcount':
        return bigcount_case(rng)
    if kind == 'many':
        return many_sites_case(rng)
    if kind is None and rng.random() < 0.12:
        kind = rng.choice(['wild', 'syntax'])
    if kind == 'wild':
        return wild_case(rng)
    if kind == 'syntax':
        return syntax_case(rng)
    kinds = ['real'] * 6 + ['odd', 'odd', 'sample1', 'unequal', 'swoff', 't31', 'pair', 'pair', 'nonwhole',
                            'r0', 'subsetbig', 'small', 'bign', 'format']
    kind = kind or rng.choice(kinds)
    pair = 0
    if kind == 'pair':
        pair = 1
    elif rng.random() < 0.1:
        pair = 1
    tmax = 49 if pair else 98
    t1 = rng.choice([rng.randint(1, 12), rng.randint(1, tmax), rng.randint(2, 20)])
    if kind == 't31' and not pair:
        t1 = 31
    if kind == 'small':
        t1 = rng.randint(1, 6)
    t2 = t1 if (kind != 'unequal' and rng.random() < 0.75) else rng.randint(1, tmax)
    if kind == 't31' and rng.random() < 0.5:
        t2 = 31 if not pair else t2
    nreps = rng.choice([rng.randint(-30, 60), rng.randint(-30, 200), rng.choice([0, 1, -1, 19, 20, 21, -20, 59, 60, 100, -3])])
    if kind == 'bign':
        nreps = rng.choice([200, 101, -100, 150])
    BIGPOOL[0] = (kind == 'bigpool')
    if kind == 'bigpool':
        t1 = rng.randint(1, 12)
        t2 = t1 if rng.random() < 0.7 else rng.randint(1, 12)
        nreps = rng.choice([rng.randint(-20, 40), 20, -25])
    if kind == 'huge':
        nreps = rng.choice([1000, -1000, 2000, 999, 10000])
        t1 = rng.randint(1, 15)
        t2 = t1
    seed = rng.choice([rng.randint(1, 2 ** 31 - 1), rng.randint(1, 1000), -rng.randint(1, 2 ** 31), 256, 400, 1, 65536])
    style = 0 if kind != 'format' else 2
    if rng.random() < 0.2:
        style = max(style, 1)
    blocks = realistic(rng, t1, t2, pair)
    if kind == 'odd' or kind == 'r0' or kind == 'small':
        for b in range(4):
            if rng.random() < 0.5:
                t = t1 if b in (0, 3) else t2
                k = rng.choice(['zeros', 'f1zero', 'last', 'one', 'big', 'sparse', 'f1only', 'rand'])
                if kind == 'r0' and b in (0, 2, 3) and rng.random() < 0.6:
                    k = 'zeros'
                f = odd_vector(rng, t, k)
                n = [rng.randint(0, 10) for _ in range(t)] if rng.random() < 0.7 else [0] * t
                if rng.random() < 0.2:
                    n = [sum(f)] * t
                blocks[b] = (f, n, pair_from({i: 1 for i in range(sum(f))}, t, rng) if rng.random() < 0.5 else odd_vector(rng, t + 1, k))
    if kind == 'subsetbig':
        for b in (2, 3):
            f, n, fp = blocks[b]
            blocks[b] = ([v * rng.randint(2, 5) + rng.randint(0, 3) for v in f], n, [v * 3 for v in fp])
    if kind == 'swoff':
        t1s = -t1
    else:
        t1s = t1
    hdr = '%d %d %d %d %d' % (t1s, t2, pair if rng.random() < 0.9 else pair * rng.choice([1, 2, -1]), nreps, seed)
    if kind == 'swoff' and rng.random() < 0.5:
        pass
    lines = [hdr]
    nblocks = 4
    if kind == 'sample1':
        nblocks = 1
    for b in range(nblocks):
        f, n, fp = blocks[b]
        if kind == 'nonwhole' and rng.random() < 0.6:
            fl = ['%.1f' % (v + rng.choice([0, 0, 0.5, 0.9, 0.1])) for v in f]
            lines.append(' '.join(fl))
        else:
            lines.append(fmt_vals(rng, f, True, style))
        lines.append(fmt_vals(rng, n, False, style))
        if pair:
            lines.append(fmt_vals(rng, fp, True, style))
    if kind == 'sample1' and rng.random() < 0.3:
        lines.append('')
    return kind, '\n'.join(lines) + '\n'


def run(cmd, data):
    for attempt in range(20):
        try:
            return run1(cmd, data)
        except OSError:
            time.sleep(15)   # the program is being relinked by someone else
    return run1(cmd, data)


def run1(cmd, data):
    try:
        r = subprocess.run(cmd, input=data.encode('latin-1'), stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        return r.returncode, r.stdout, r.stderr
    except subprocess.TimeoutExpired:
        return 'timeout', b'', b''


TIMEOUTS = [0]


def compare(data, prog, variants=((),)):
    mrc, mout, merr = run([sys.executable, MODEL], data)
    if mrc == 'timeout':
        TIMEOUTS[0] += 1
        return None
    for extra in variants:
        d = compare_program(mrc, mout, merr, [prog] + list(extra), data)
        if d is not None:
            return ('with %s: ' % ' '.join(extra) if extra else '') + d
    return None


def compare_program(mrc, mout, merr, cmd, data):
    prc, pout, perr = run(cmd, data)
    if mrc == prc and mout == pout:
        return None
    ml = mout.split(b'\r\n')
    pl = pout.split(b'\r\n')
    for i in range(max(len(ml), len(pl))):
        a = ml[i] if i < len(ml) else b'<missing>'
        b = pl[i] if i < len(pl) else b'<missing>'
        if a != b:
            return 'line %d rc model=%s prog=%s\n  model: %r\n  prog : %r%s' % (
                i + 1, mrc, prc, a, b, ('\n  model stderr: %r' % merr[-300:]) if merr else '')
    return 'exit status model=%s prog=%s stderr model=%r prog=%r' % (mrc, prc, merr[-200:], perr[-200:])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('-n', type=int, default=50)
    ap.add_argument('-s', type=int, default=1)
    ap.add_argument('--prog', default=PROG)
    ap.add_argument('--keep', default=os.path.join(HERE, 'fails'))
    ap.add_argument('--kind', default=None)
    ap.add_argument('--nobuild', action='store_true')
    ap.add_argument('--many', type=int, default=0,
                    help='after the cases of -n, this many of kind many (99 to 1000 sites, the '
                         'shapes in turn), drawn from a stream of their own so that the other '
                         'cases stay as they are')
    ap.add_argument('--also', action='append', default=[],
                    help='run the program again with these arguments (e.g. "--threads 2")')
    ap.add_argument('files', nargs='*')
    a = ap.parse_args()
    if not a.nobuild:
        if not build():
            print('could not build the program')
            return 1
    os.makedirs(a.keep, exist_ok=True)
    variants = [()] + [tuple(v.split()) for v in a.also]
    nfail = 0
    if a.files:
        for fn in a.files:
            d = compare(open(fn, encoding='latin-1').read(), a.prog, variants)
            print(fn, 'OK' if d is None else 'DIFF ' + d)
            nfail += d is not None
        return 1 if nfail else 0
    rng = random.Random(a.s)
    many_rng = random.Random(1000003 + a.s)
    kinds = {}
    for c in range(a.n + a.many):
        if c < a.n:
            kind, data = gen_case(rng, a.kind)
        else:  # the shapes in turn, so that a few cases hold each
            kind, data = many_sites_case(many_rng, MANY_SHAPES[(c - a.n) % len(MANY_SHAPES)])
        d = compare(data, a.prog, variants)
        kinds.setdefault(kind, [0, 0])
        kinds[kind][0] += 1
        if d is not None:
            nfail += 1
            kinds[kind][1] += 1
            fn = os.path.join(a.keep, 'case_s%d_%d_%s.txt' % (a.s, c, kind))
            open(fn, 'w').write(data)
            print('DIFF', fn, d)
            sys.stdout.flush()
    print('seed %d: %d cases, %d differ, %d model timeouts skipped; per kind (cases, diffs): %s' % (a.s, a.n + a.many, nfail, TIMEOUTS[0], kinds))
    return 1 if nfail else 0


if __name__ == '__main__':
    sys.exit(main())

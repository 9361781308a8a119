#!/usr/bin/env python3
"""Independent reference model of the kelvaro report (reads stdin, writes the report with CR LF)."""
import bisect
import math
import struct
import sys
from decimal import Decimal, ROUND_HALF_UP, getcontext, localcontext

getcontext().prec = 2000

INF = float('inf')
import os as _os
HITS = {}


def hit(name):
    HITS[name] = HITS.get(name, 0) + 1


def dump_hits():
    fn = _os.environ.get('KMODEL_COV')
    if fn:
        with open(fn, 'a') as fh:
            for k, v in HITS.items():
                fh.write('%s %d\n' % (k, v))

NAN = float('nan')
IMIN = -2147483648


# ---------------------------------------------------------------- numeric helpers
def f32(x):
    try:
        return struct.unpack('<f', struct.pack('<f', x))[0]
    except OverflowError:
        return math.copysign(INF, x)


def ddiv(a, b):
    """IEEE double division."""
    if b == 0.0:
        if a == 0.0 or a != a:
            return NAN
        s = math.copysign(1.0, a) * math.copysign(1.0, b)
        return math.copysign(INF, s)
    return a / b


def fadd(a, b): return f32(a + b)
def fsub(a, b): return f32(a - b)
def fmul(a, b): return f32(a * b)
def fdiv(a, b): return f32(ddiv(a, b))


def dsqrt(x):
    if x != x:
        return NAN
    if x < 0:
        return NAN
    return math.sqrt(x)  # sqrt(-0.0) = -0.0


def fsqrt(x): return f32(dsqrt(x))


def nearest_binary(n, d, precision, least_subnormal_exp, overflow_exp):
    """The positive rational n/d (integers) rounded to nearest, ties to even, in a binary format of
    `precision` bits whose least subnormal is 2^least_subnormal_exp; infinity from 2^overflow_exp."""
    e = n.bit_length() - d.bit_length()  # 2^e <= n/d < 2^(e+1) after the correction below
    if (n << max(-e, 0)) < (d << max(e, 0)):
        e -= 1
    unit = max(e - precision + 1, least_subnormal_exp)
    num, den = (n, d << unit) if unit >= 0 else (n << -unit, d)
    k, rest = divmod(num, den)
    if 2 * rest > den or (2 * rest == den and k % 2 == 1):
        k += 1
    if k.bit_length() + unit > overflow_exp:  # k 2^unit >= 2^overflow_exp
        return INF
    return math.ldexp(k, unit)


def correctly_rounded(fn, x, precision, least_subnormal_exp, overflow_exp):
    """fn(x) rounded to nearest in the binary format: evaluated by decimal (exp and ln round
    correctly to the context's digits) with more digits until both ends of the error interval,
    one unit in the last digit either side, round alike (the exact value is transcendental,
    never a midpoint)."""
    digits = 25  # 10^-24 relative: decides all but about one argument in 2^26
    while True:
        with localcontext() as c:
            c.prec = digits
            y = fn(Decimal(x))
        sign, ds, exponent = y.as_tuple()
        m = int(''.join(map(str, ds)))
        m, exponent = m * 10 ** (digits - len(ds)), exponent - (digits - len(ds))
        scale_up, den = (10 ** exponent, 1) if exponent >= 0 else (1, 10 ** -exponent)
        lo = nearest_binary((m - 1) * scale_up, den, precision, least_subnormal_exp, overflow_exp)
        hi = nearest_binary((m + 1) * scale_up, den, precision, least_subnormal_exp, overflow_exp)
        if lo == hi:
            return -lo if sign else lo
        digits *= 2


def dexp(x):
    """exp correctly rounded to double, as the program computes it."""
    if x != x:
        return NAN
    if x > 709.79:
        return INF
    if x < -745.14:
        return 0.0
    if x == 0.0:
        return 1.0
    return correctly_rounded(Decimal.exp, x, 53, -1074, 1024)


def fexp(x):
    """exp of a single-precision x correctly rounded to single precision."""
    if x != x:
        return NAN
    if x > 88.73:
        return INF
    if x < -103.98:
        return 0.0
    if x == 0.0:
        return 1.0
    return correctly_rounded(Decimal.exp, x, 24, -149, 128)


def dlog(x):
    """log correctly rounded to double, as the program computes it."""
    if x != x or x < 0:
        return NAN
    if x == 0:
        return -INF
    if x == INF:
        return INF
    if x == 1.0:
        return 0.0
    return correctly_rounded(Decimal.ln, x, 53, -1074, 1024)


def wrap32(v):
    v &= 0xFFFFFFFF
    return v - (1 << 32) if v & 0x80000000 else v


def trunc_to_int(v):
    if v != v or v in (INF, -INF):
        return IMIN
    tv = math.trunc(v)
    if -2147483648 <= tv <= 2147483647:
        return tv
    return IMIN


def real(i):
    return f32(float(i))


F005 = f32(0.05)
F384 = f32(3.84)
F01 = f32(0.1)


# ---------------------------------------------------------------- output formatting
class Out:
    def __init__(self):
        self.lines = []

    def rec(self, s):
        self.lines.append(s)

    def flush(self):
        sys.stdout.buffer.write(''.join(l + '\r\n' for l in self.lines).encode('latin-1'))
        sys.stdout.flush()


OUT = Out()


def d5(v, w):
    if w < 3:
        return '*' * w
    if v != v:
        return 'NaN'.rjust(w)
    pos = v > 0
    if w == 3:
        return 'Inf' if pos else '***'
    if w <= 8:
        return ('+Inf' if pos else '-Inf').rjust(w)
    return ('+Infinity' if pos else '-Infinity').rjust(w)


def fmt_I(v, w):
    s = str(v)
    return '*' * w if len(s) > w else s.rjust(w)


def fmt_F(v, w, d):
    if v != v or v in (INF, -INF):
        return d5(v, w)
    neg = math.copysign(1.0, v) < 0
    q = abs(Decimal(v)).quantize(Decimal(1).scaleb(-d), rounding=ROUND_HALF_UP)
    s = '{:f}'.format(q)
    if d == 0:
        s = s + '.'
    else:
        ip, fp = s.split('.')
        if ip == '0':
            body = '.' + fp
            if len(body) + (1 if neg else 0) < w:
                body = '0' + body
            s = body
    if neg:
        s = '-' + s
    if len(s) > w:
        return '*' * w
    return s.rjust(w)


def fmt_A(s, w):
    return s[:w] if len(s) > w else s.rjust(w)


def ff_real(v, dbl=False):
    w, d, e, n = (25, 17, 3, 5) if dbl else (15, 8, 2, 4)
    if v != v or v in (INF, -INF):
        return d5(v, w)
    neg = math.copysign(1.0, v) < 0
    av = abs(Decimal(v))
    sg = '-' if neg else ''
    if av == 0:
        return (sg + '0.' + '0' * (d - 1)).rjust(w - n) + ' ' * n
    lo = Decimal('0.1') - Decimal('0.5') * Decimal(10) ** (-d - 1)
    hi = Decimal(10) ** d - Decimal('0.5')
    if lo <= av < hi:
        e10 = av.adjusted()
        q = av.quantize(Decimal(1).scaleb(e10 - d + 1), rounding=ROUND_HALF_UP)
        if q.adjusted() > e10:
            e10 += 1
            q = av.quantize(Decimal(1).scaleb(e10 - d + 1), rounding=ROUND_HALF_UP)
        k = e10 + 1 if e10 >= 0 else 0
        dec = d - k
        q = q.quantize(Decimal(1).scaleb(-dec))
        s = '{:f}'.format(q)
        if dec == 0:
            s += '.'
        return (sg + s).rjust(w - n) + ' ' * n
    e10 = av.adjusted()
    q = av.quantize(Decimal(1).scaleb(e10 - d), rounding=ROUND_HALF_UP)
    if q.adjusted() > e10:
        e10 += 1
        q = av.quantize(Decimal(1).scaleb(e10 - d), rounding=ROUND_HALF_UP)
    mant = q.scaleb(-e10).quantize(Decimal(1).scaleb(-d))
    s = '{:f}'.format(mant) + 'E' + ('-' if e10 < 0 else '+') + str(abs(e10)).rjust(e, '0')
    return (sg + s).rjust(w)


def ffrec(*items):
    """Free-form record; items: str (text), ('i', v), ('r', v), ('d', v)."""
    out = ' '
    prev_text = None
    for idx, it in enumerate(items):
        is_text = isinstance(it, str)
        if idx > 0 and not (is_text and prev_text):
            out += ' '
        if is_text:
            out += it
        elif it[0] == 'i':
            out += fmt_I(it[1], 11) if len(str(it[1])) <= 11 else str(it[1])
        elif it[0] == 'r':
            out += ff_real(it[1])
        else:
            out += ff_real(it[1], True)
        prev_text = is_text
    OUT.rec(out)


def I(v): return ('i', v)
def R(v): return ('r', v)
def D(v): return ('d', v)


# ---------------------------------------------------------------- free-form input
class InputError(Exception):
    def __init__(self, kind, msg):
        Exception.__init__(self, msg)
        self.kind = kind  # 'eof' or 'bad'
        self.msg = msg


SEPS = ' \t,;/'


def parse_int(tok, item):
    s = tok
    body = s[1:] if s[:1] in '+-' else s
    if not body or not body.isdigit() or not body.isascii():
        raise InputError('bad', 'Bad integer for item %d in list input' % item)
    v = int(s)
    if v < -2147483648 or v > 2147483647:
        raise InputError('bad', 'Integer overflow while reading item %d' % item)
    return v


def parse_real(tok, item):
    s = tok
    bad = InputError('bad', 'Bad real number in item %d of list input' % item)
    body = s[1:] if s[:1] in '+-' else s
    sign = -1.0 if s[:1] == '-' else 1.0
    low = body.lower()
    if low in ('inf', 'infinity'):
        return sign * INF
    if low == 'nan':
        return NAN
    i = 0
    n = len(body)
    digits = ''
    while i < n and body[i].isdigit() and body[i].isascii():
        digits += body[i]
        i += 1
    frac = ''
    if i < n and body[i] == '.':
        i += 1
        while i < n and body[i].isdigit() and body[i].isascii():
            frac += body[i]
            i += 1
    if not digits and not frac:
        raise bad
    exp = 0
    if i < n:
        if body[i] in 'eEdD':
            i += 1
            esg = ''
            if i < n and body[i] in '+-':
                esg = body[i]
                i += 1
        elif body[i] in '+-':
            esg = body[i]
            i += 1
        else:
            raise bad
        ed = body[i:]
        if not ed or not ed.isdigit() or not ed.isascii():
            raise bad
        exp = int(esg + ed)
        i = n
    # exact decimal -> nearest single
    txt = (digits or '0') + '.' + (frac or '0') + 'e' + str(exp)
    if exp > 100000 and (digits.strip('0') or frac.strip('0')):
        return sign * INF
    if exp < -100000:
        return sign * 0.0
    return math.copysign(f32_exact(txt), sign)


def f32_exact(txt):
    """Correctly rounded single from an exact non-negative decimal (no double rounding)."""
    dv = Decimal(txt)
    r = f32(float(dv))
    if r == INF or r == 0.0:
        return r
    bits = struct.unpack('<I', struct.pack('<f', r))[0]
    cands = [r]
    if bits > 0:
        cands.append(struct.unpack('<f', struct.pack('<I', bits - 1))[0])
    if bits < 0x7F7FFFFF:
        cands.append(struct.unpack('<f', struct.pack('<I', bits + 1))[0])
    best = None
    for c in cands:
        diff = abs(Decimal(c) - dv)
        even = (struct.unpack('<I', struct.pack('<f', c))[0] & 1) == 0
        if best is None or diff < best[0] or (diff == best[0] and even):
            best = (diff, c)
    return best[1]


class Reader:
    def __init__(self, data):
        text = data.decode('latin-1')
        lines = text.split('\n')
        if lines and lines[-1] == '':
            lines.pop()
        self.lines = [l[:-1] if l.endswith('\r') else l for l in lines]
        self.li = 0

    def read(self, types, current):
        """types: list of 'i'/'r'; current: current values (kept for nulls). Returns new list."""
        vals = list(current)
        nitems = len(types)
        li = self.li
        pos = 0
        item = 0
        comma_pending = False  # a comma separator has been consumed since the last value
        first = True
        rep_left = 0
        rep_tok = None  # None = null repeat
        last_line = li

        def at_eof():
            return li >= len(self.lines)

        try:
            while item < nitems:
                if rep_left > 0:
                    if rep_tok is not None:
                        vals[item] = parse_int(rep_tok, item + 1) if types[item] == 'i' else parse_real(rep_tok, item + 1)
                    item += 1
                    rep_left -= 1
                    continue
                # skip blanks and line ends
                while True:
                    if li >= len(self.lines):
                        raise InputError('eof', 'End of file')
                    line = self.lines[li]
                    if pos >= len(line):
                        li += 1
                        pos = 0
                        continue
                    if line[pos] in ' \t':
                        pos += 1
                        continue
                    break
                c = line[pos]
                if c in ',;':
                    if first or comma_pending:
                        pos += 1
                        item += 1
                        comma_pending = True
                        first = False
                        last_line = li
                        continue
                    pos += 1
                    comma_pending = True
                    continue
                if c == '/':
                    last_line = li
                    item = nitems
                    break
                # token
                st = pos
                while pos < len(line) and line[pos] not in SEPS:
                    pos += 1
                tok = line[st:pos]
                last_line = li
                first = False
                comma_pending = False
                if '*' in tok:
                    rs, rest = tok.split('*', 1)
                    if not rs.isdigit():
                        if types[item] == 'i':
                            raise InputError('bad', 'Bad integer for item %d in list input' % (item + 1))
                        raise InputError('bad', 'Bad real number in item %d of list input' % (item + 1))
                    r = int(rs)
                    if r == 0:
                        raise InputError('bad', 'Zero repeat count in item %d of list input' % (item + 1))
                    if r > 200000000:
                        raise InputError('bad', 'Repeat count overflow in item %d of list input' % (item + 1))
                    rep_left = r
                    rep_tok = rest if rest != '' else None
                else:
                    vals[item] = parse_int(tok, item + 1) if types[item] == 'i' else parse_real(tok, item + 1)
                    item += 1
                # separator after value
                while pos < len(line) and line[pos] in ' \t':
                    pos += 1
                if pos < len(line) and line[pos] in ',;':
                    pos += 1
                    comma_pending = True
                    while pos < len(line) and line[pos] in ' \t':
                        pos += 1
            self.li = last_line + 1
            return vals, None
        except InputError as e:
            self.li = len(self.lines)
            return vals, e


class Fatal(Exception):
    pass


def fatal_read(e):
    dump_hits()
    OUT.flush()
    sys.stderr.write("At line 1 of file stdin (unit = 5, file = 'stdin')\n")
    sys.stderr.write(e.msg + '\n')
    sys.exit(2)


# ---------------------------------------------------------------- random generator
class Kiss:
    def __init__(self):
        self.s = [123456789, 362436069, 521288629, 316191069, 987654321, 458629013, 582859209, 438195021]

    def put(self, p):
        b = b''.join(struct.pack('<i', wrap32(v)) for v in reversed(p))
        sb = bytearray(32)
        for k in range(32):
            sb[(k % 2) * 16 + k // 2] = b[k]
        self.s = list(struct.unpack('<8I', bytes(sb)))

    def kernel(self):
        M = 0xFFFFFFFF
        z, w, a, b = self.s[0:4]
        z = (69069 * z + 1327217885) & M
        w ^= (w << 13) & M
        w ^= w >> 17
        w ^= (w << 5) & M
        a = (18000 * (a & 65535) + (a >> 16)) & M
        b = (30903 * (b & 65535) + (b >> 16)) & M
        self.s[0:4] = [z, w, a, b]
        return (z + w + ((a << 16) & M) + b) & M

    def r4(self):
        return (self.kernel() & 0xFFFFFF00) / 4294967296.0


RNG = Kiss()


def init_random_seed(ix):
    if ix == 0:
        import time
        us = int(_os.environ.get('KMODEL_CLOCK_US', '0')) or int(time.time() * 1000000)
        c = ((us + 500) // 1000) % (1 << 31)
        s = [wrap32(c + 37 * i) for i in range(8)]
    else:
        s = [ix] * 8
    RNG.put(s)


# ---------------------------------------------------------------- shared storage
class St:
    pass


# Places of the shared vectors: 100 (index 0 unused) until the header sizes them (size_storage).
S = St()
S.x = [0.0] * 101
S.t = 0
S.est = 0.0
S.se = 0.0
S.coef = [[1.0] * 102 for _ in range(6)]  # coef[k][j]
S.nk = [0.0] * 6
S.sek = [0.0] * 6
S.chisq = [0.0] * 6
S.nobs = [0] * 5
S.nest = [0.0] * 5
S.nsite = [0] * 101
S.fint = [0] * 101
S.f = [0] * 101
S.M = 0
S.ntrap = 0
S.treal = 0.0
S.mreal = 0.0


def size_storage(tmax):
    """Storage that grows with the larger number of sites: x holds f(1..t) and f'(1..t+1) side by
    side (2t+1) and a bootstrap's counts up to class t+3 (t+1 classes with the pair, plus 2); the
    others t+1 classes. Never fewer than 100 places (places nothing writes hold 0)."""
    places = max(101, 2 * tmax + 4)
    S.x = [0.0] * places
    S.nsite = [0] * places
    S.fint = [0] * places
    S.f = [0] * places
    return places


# ---------------------------------------------------------------- probability
FACT = []
for _k in range(31):
    _v = math.factorial(_k)
    if _k <= 20:
        FACT.append(float(_v))
    else:
        from decimal import Context
        FACT.append(float(Context(prec=15, rounding=ROUND_HALF_UP).create_decimal(_v)))


def ndtr(z):
    t = 1.0 / (1.0 + 0.2316419 * abs(z))
    e = -z * z / 2.0
    if e < -700:
        d = 3.933442037623574e-305
    else:
        d = 0.3989423 * dexp(e)
    q = 1.0 - d * t * ((((1.330274 * t - 1.821256) * t + 1.781478) * t - 0.3565638) * t + 0.3193815)
    return q if z >= 0 else 1.0 - q


def cdtr(x, df):
    if x < 0 or df < 0:
        return -1.0e25, -1
    if df == 0:
        return 0.0, 0
    if 100.0 + x == 100.0:
        return 0.0, 0
    if df > 60 or x > 100:
        hit('cdtr_normal')
        p = ndtr(dsqrt(2.0 * x) - dsqrt(float(2 * df - 1)))
    else:
        v = (df - 2) * 0.5 + 1.0
        h = x / 2.0
        s = 1.0
        d = v + 1.0
        term = h / d
        for _ in range(100):
            s = s + term
            if abs(term) < 1.0e-6:
                break
            d = d + 1.0
            term = term * h / d
        if df % 2 == 0:
            g = FACT[df // 2]
        else:
            g = 1.0
            for k in range(0, (df - 1) // 2 + 1):
                g = g * ((2 * k + 1) / 2.0)
            g = g * 1.7724538509055159
        w = dlog(s / g) + v * dlog(h) - h
        if w > 88:
            p = 1.0
        elif w > -88:
            p = dexp(w)
        else:
            p = 0.0
    if p < 0 or p > 1:
        hit('cdtr_status1')
        return 1.0e25, 1
    return p, 0


# ---------------------------------------------------------------- jackknife
def coeff():
    c = S.coef
    for k in range(1, 6):
        for j in range(1, 102):
            c[k][j] = 1.0
    t = S.ntrap
    if t == 31:
        hit('coeff_31')
        tab = [[2.0, 1.0, 1.0, 1.0, 1.0], [3.0, 0.0, 1.0, 1.0, 1.0], [4.0, -2.0, 2.0, 1.0, 1.0],
               [5.0, -5.0, 5.0, 0.0, 1.0], [6.0, -9.0, 11.0, -4.0, 2.0]]
        for k in range(5):
            for j in range(5):
                c[k + 1][j + 1] = tab[k][j]
        return
    if t <= 0:
        return
    T = S.treal
    tm1, tm2, tm3, tm4, tm5 = (fsub(T, 1.0), fsub(T, 2.0), fsub(T, 3.0), fsub(T, 4.0), fsub(T, 5.0))
    TT = fmul(T, T)
    T3 = fmul(TT, T)
    D2 = fmul(T, tm1)
    D3 = fmul(tm2, D2)
    D4 = fmul(D3, tm3)
    D5 = fmul(D4, tm4)

    def p2(x): return fmul(x, x)
    def p3(x): return fmul(x, fmul(x, x))
    def p4(x): return fmul(fmul(x, x), fmul(x, x))
    def p5(x): return fmul(x, fmul(fmul(x, x), fmul(x, x)))
    def plus(num, den): return fadd(1.0, fdiv(num, den))
    def minus(num, den): return fsub(1.0, fdiv(num, den))

    c[1][1] = plus(tm1, T)
    if t == 1:
        return
    c[2][1] = plus(fsub(fmul(2.0, T), 3.0), T)
    c[2][2] = minus(p2(tm2), D2)
    if t == 2:
        return
    c[3][1] = plus(fmul(3.0, tm2), T)
    c[3][2] = minus(fadd(fsub(fmul(3.0, TT), fmul(15.0, T)), 19.0), D2)
    c[3][3] = plus(p3(tm3), D3)
    if t == 3:
        return
    c[4][1] = plus(fsub(fmul(4.0, T), 10.0), T)
    c[4][2] = minus(fadd(fsub(fmul(6.0, TT), fmul(36.0, T)), 55.0), D2)
    c[4][3] = plus(fsub(fadd(fsub(fmul(4.0, T3), fmul(42.0, TT)), fmul(148.0, T)), 175.0), D3)
    c[4][4] = minus(p4(tm4), D4)
    if t == 4:
        return
    c[5][1] = plus(fsub(fmul(5.0, T), 15.0), T)
    c[5][2] = minus(fadd(fsub(fmul(10.0, TT), fmul(70.0, T)), 125.0), D2)
    c[5][3] = plus(fsub(fadd(fsub(fmul(10.0, T3), fmul(120.0, TT)), fmul(485.0, T)), 660.0), D3)
    c[5][4] = minus(fsub(p5(tm4), p5(tm5)), D4)
    c[5][5] = plus(p5(tm5), D5)


def cpower(level, lam):
    power = -1.0
    if level < 0 or level > 1 or lam < 0:
        return power
    if lam > 0:
        if lam < 700:
            e = dexp(-lam / 2.0)
        else:
            hit('cpower_700')
            return 1.0
    else:
        hit('cpower_lam0')
        e = 1.0
    p, _ = cdtr(3.8416, 1)
    if p < -0.9:
        return -2.0
    power = f32(e * p)
    s = e
    if not (s >= 0.99999):
        i = 1.0
        n = 1
        while True:
            e = (lam / 2.0) * e / i
            s = s + e
            n += 2
            i = i + 1.0
            p, _ = cdtr(3.8416, n)
            p = f32(p)
            if p < -0.9:
                return -2.0
            power = f32(power + f32(e * p))
            if s > 0.99999:
                break
    return f32(1.0 - power)


def interp():
    t = S.ntrap
    m = min(5, t)
    ch = S.chisq
    nk = S.nk
    c = S.coef
    f = S.f
    M = S.mreal
    kk = m
    for k in range(1, m + 1):
        if ch[k] < F384:
            kk = k
            break
    if kk >= 2:
        a = fdiv(fsub(ch[kk - 1], F384), fsub(ch[kk - 1], ch[kk]))
        b = fsub(1.0, a)
        E = 0.0
        for j in range(1, t + 1):
            jp = min(j, 31)
            cc = fadd(fmul(c[kk][jp], a), fmul(c[kk - 1][jp], b))
            E = fadd(E, fmul(real(f[j]), cc))
        hit('interp_kk%d' % kk)
        if M > E:
            hit('interp_illcond')
            E = nk[1]
        return E
    f1 = real(f[1])
    G = fadd(M, fmul(c[1][1], f1))
    X0 = fdiv(fmul(G, f1), fsub(G, f1))
    if X0 > F384:
        hit('interp_X0')
        a = fdiv(fsub(X0, F384), fsub(X0, ch[1]))
        b = fsub(1.0, a)
        E = 0.0
        for j in range(1, t + 1):
            jp = min(j, 31)
            E = fadd(E, fmul(real(f[j]), fadd(fmul(c[1][jp], a), b)))
        return E
    if M >= 20.0 and fdiv(f1, M) <= F01:
        hit('interp_G')
        return G
    hit('interp_nk1')
    return nk[1]


def jack():
    coeff()
    t = S.ntrap
    Mi = S.M
    if Mi == 0:
        return 0.0, 0.0
    if Mi == 1:
        return 1.0, 1.0
    m = min(5, t)
    c = S.coef
    f = S.f
    nk, sek, ch = S.nk, S.sek, S.chisq
    w = [0.0] * 7
    P = [0.0] * 7
    for k in range(1, 6):
        ch[k] = 0.0
        w[k] = 0.0
        P[k] = 0.0
        nk[k] = 0.0
        sek[k] = 0.0
        for j in range(1, t + 1):
            cc = c[k][min(j, 31)]
            fj = real(f[j])
            nk[k] = fadd(nk[k], fmul(cc, fj))
            sek[k] = fadd(sek[k], fmul(fmul(cc, cc), fj))
        dd = fsub(sek[k], nk[k])
        if not (dd > 0.0):
            dd = dd if dd != dd else 0.0
        sek[k] = fsqrt(dd)
    M = S.mreal
    g = fdiv(M, fsub(M, 1.0))
    m2 = min(4, t - 1)
    w[m2 + 1] = 1.0
    for k in range(1, m2 + 1):
        ch[k] = 0.0
        for j in range(1, t + 1):
            jp = min(j, 31)
            df_ = fsub(c[k + 1][jp], c[k][jp])
            ch[k] = fadd(ch[k], fmul(fmul(df_, df_), real(f[j])))
        d = fsub(nk[k + 1], nk[k])
        Dd = fsub(ch[k], fdiv(fmul(d, d), M))
        if Dd == 0.0:
            hit('jack_D0')
            ch[k] = 0.0
            continue
        ch[k] = fdiv(fmul(d, d), fmul(Dd, g))
        if ch[k] < 1.0:
            P[k] = F005
            hit('jack_P005')
        else:
            lam = fsub(ch[k], 1.0)
            if not (lam > 0.0):
                lam = lam if lam != lam else 0.0
            P[k] = cpower(F005, lam)
        w[1] = fsub(1.0, P[1])
        prod = 1.0
        for i in range(1, k):
            prod = fmul(prod, P[i])
        w[k] = fmul(fsub(1.0, P[k]), prod)
        w[m2 + 1] = fmul(w[m2 + 1], P[k])
    navg = 0.0
    for k in range(1, m + 1):
        navg = fadd(navg, fmul(w[k], nk[k]))
    V = 0.0
    for k in range(1, m + 1):
        d = fsub(nk[k], navg)
        V = fadd(fadd(V, fmul(fmul(w[k], sek[k]), sek[k])), fmul(fmul(w[k], d), d))
    se = fsqrt(V)
    E = interp()
    return E, se


def readj():
    t = S.t
    S.ntrap = t
    S.treal = real(t)
    for i in range(1, len(S.f)):
        S.f[i] = 0
    for i in range(1, t + 1):
        S.f[i] = trunc_to_int(S.x[i])
    Msum = 0
    for i in range(1, t + 1):
        Msum = wrap32(Msum + S.f[i])
    S.M = Msum
    S.mreal = real(Msum)
    S.est, S.se = jack()


# ---------------------------------------------------------------- tests
def testp(F, t):
    ffrec(' ')
    ffrec("Test for unequal p's")
    ffrec('====================')
    chi = 0.0
    df = t - 1
    ffrec('Observed frequencies, f(i):')
    ffrec(*[I(F[1][i]) for i in range(1, t + 1)])
    ffrec(*[I(F[2][i]) for i in range(1, t + 1)])
    ffrec(' ')
    ffrec('After pooling:')
    places = max(101, t + 1)
    O = [[0.0] * places for _ in range(3)]
    E = [[0.0] * places for _ in range(3)]
    row = [0.0] * 3
    col = [0.0] * places
    tot = 0.0
    for j in (1, 2):
        for i in range(1, t + 1):
            v = real(F[j][i])
            O[j][i] = v
            row[j] = fadd(row[j], v)
            col[i] = fadd(col[i], v)
            tot = fadd(tot, v)
    for i in range(1, t + 1):
        E[1][i] = fdiv(fmul(row[1], col[i]), tot)
        E[2][i] = fdiv(fmul(row[2], col[i]), tot)
    m1 = fadd(E[1][1], 1.0)
    k = 1
    while m1 < 2.0 and k <= t:
        m1 = 9999.0
        m2 = 9999.0
        first = 0
        second = 0
        for i in range(1, t + 1):
            for j in (1, 2):
                e = E[j][i]
                if e > 0:
                    if e < m1:
                        m1 = e
                        first = i
                    if e < m2 and i != first:
                        m2 = e
                        second = i
        if second == first and first != 0:
            hit('testp_refind')
            second = 0
            mm = 9999.0
            for i in range(1, t + 1):
                if i == first:
                    continue
                for j in (1, 2):
                    e = E[j][i]
                    if e > 0 and e < mm:
                        mm = e
                        second = i
        if m1 < 2.0 and first != 0 and second != 0:
            for j in (1, 2):
                E[j][second] = fadd(E[j][second], E[j][first])
                O[j][second] = fadd(O[j][second], O[j][first])
                E[j][first] = 0.0
                O[j][first] = 0.0
            df -= 1
            hit('testp_pool')
        k += 1
    for i in range(1, t + 1):
        for j in (1, 2):
            e = E[j][i]
            if e > 0:
                d = fsub(O[j][i], e)
                chi = chi + fdiv(fmul(d, d), e)
    ffrec('Observed frequencies, f(i):')
    fmt10(O[1][1:t + 1])
    fmt10(O[2][1:t + 1])
    ffrec('Expected values:')
    fmt10(E[1][1:t + 1])
    fmt10(E[2][1:t + 1])
    ffrec(' ')
    ffrec('Total Chi-square:', D(chi))
    ffrec('Degrees of freedom:', I(df))
    p, st = cdtr(chi, df)
    if st == 1:
        p = 1.0
    ffrec('Probability       :', D(1.0 - p))


def fmt10(vals):
    for s in range(0, len(vals), 10):
        OUT.rec(''.join(fmt_F(v, 8, 3) for v in vals[s:s + 10]))


def mhgof(t, n, f):
    Dd = 0.0
    for i in range(1, t + 1):
        Dd = fadd(Dd, real(wrap32(i * f[i])))
    tr = real(t)
    nbar = ddiv(Dd, tr)
    ffrec('M(h) GOF test:')
    ffrec('==============')
    ffrec('Observed species,     n(i) = ', *[I(n[i]) for i in range(1, t + 1)])
    ffrec('Observed frequencies, f(i) = ', *[I(f[i]) for i in range(1, t + 1)])
    S1 = 0.0
    S2 = 0.0
    for i in range(1, t + 1):
        d = float(n[i]) - nbar
        S1 = S1 + d * d
        it = float(i) / tr
        S2 = S2 + float(f[i]) * it * (1.0 - it)
    X = 0.0
    if S2 == 0.0 or t == 1:
        ffrec('**************************')
        hit('mhgof_error')
        ffrec('** error in gof routine **')
        ffrec('**************************')
    else:
        X = ddiv(S1, S2) * float(t - 1) / tr
    df = t - 1
    p, st = cdtr(X, df)
    if st == 1:
        p = 1.0
    prob = 1.0 - p
    OUT.rec(' M(h) GOF test: Chi-square = ' + fmt_F(X, 8, 3) + ' df = ' + fmt_I(df, 3) + ' Prob = ' + fmt_F(prob, 8, 4))


# ---------------------------------------------------------------- sample estimation and bootstrap
BOOT = None  # BOOT[k][i]
NOBSB = None


def binoml(n, q):
    if q > f32(0.9999):
        hit('binoml_q_high')
        return n
    if q <= 0.0:
        hit('binoml_q_le0')
        return 0
    if n <= 300:
        hit('binoml_small_n')
        cnt = 0
        for _ in range(n):
            u = RNG.r4()
            if q >= u:
                cnt += 1
        return cnt
    m = fmul(real(n), q)
    normal = not (q < F005 or q > f32(0.95))
    if not normal:
        e = fexp(-m)
        if e == 0.0:
            hit('binoml_exp0_normal')
            normal = True
        else:
            hit('binoml_product')
            P = 1.0
            r = 0
            while True:
                u = RNG.r4()
                P = fmul(P, u)
                if e > P:
                    return r
                r += 1
    hit('binoml_normal')
    v = fmul(fsub(1.0, q), m)
    z = f32(-6.0)
    for _ in range(12):
        z = fadd(z, RNG.r4())
    return trunc_to_int(fadd(fadd(fmul(fsqrt(v), z), m), 0.5))


def bootstrap(block, nreps, a):
    t = S.t
    E = S.est
    nb = abs(nreps)
    N = trunc_to_int(fadd(E, 0.5))
    q = 0.0
    R0 = 0
    if block in (3, 4):
        R0 = S.nobs[1] if block == 3 else S.nobs[2]
        q = fdiv(E, real(R0))
    c = [0.0] * (t + 1)
    c[1] = fdiv(S.x[1], E)
    for i in range(2, t + 1):
        c[i] = fadd(c[i - 1], fdiv(S.x[i], E))
    if nreps < 0:
        ffrec('  ')
    x = S.x
    # For a non-decreasing c (no NaN) the class 1 + the largest k with u > c(k) is the number of
    # c(k) below u, plus 1: a binary search gives it. Any other c is scanned by the rule itself.
    rising = c[1] == c[1] and all(c[k - 1] <= c[k] for k in range(2, t + 1))
    for it in range(1, nb + 1):
        for i in range(1, t + 3):
            x[i] = 0.0
        if block in (3, 4):
            N = binoml(R0, q)
            if N > R0:
                N = R0
        for _ in range(max(N, 0)):
            u = RNG.r4()
            if rising:
                j = bisect.bisect_left(c, u, 1, t + 1)
            else:
                j = 1
                for k in range(t, 0, -1):
                    if u > c[k]:
                        j = k + 1
                        break
            x[j] = fadd(x[j], 1.0)
        for i in range(1, t + 1):
            a[i] = fadd(a[i], x[i])
        if block in (1, 2):
            NOBSB[block][it] = trunc_to_int(fsub(real(N), x[t + 1]))
        x[t + 1] = 0.0
        readj()
        BOOT[block][it] = S.est
        if nreps < 0:
            iv = [trunc_to_int(x[i]) for i in range(1, 8)]
            s6 = 0
            for i in range(6):
                s6 = wrap32(s6 + iv[i])
            OUT.rec(' ' + ''.join(fmt_I(v, 6) for v in iv) + fmt_I(s6, 6) + fmt_F(S.est, 12, 4))
    if nreps < 0:
        ffrec(' ')
        OUT.rec(''.join(fmt_F(fdiv(a[i], real(nb)), 9, 2) for i in range(1, 7)))


def compn(nreps, block, olab, elab, pair):
    t0 = S.t
    x = S.x
    keep = None
    if pair != 0:
        S.t = t0 + 1
        keep = x[1:t0 + 1]
        for i in range(1, t0 + 1):
            x[i] = x[t0 + i]
        x[t0 + 1] = x[2 * t0 + 1]
    t = S.t
    Rr = 0
    for i in range(1, t + 1):
        Rr = trunc_to_int(fadd(real(Rr), x[i]))
    nsum = 0
    for i in range(1, t0 + 1):
        nsum = wrap32(nsum + S.nsite[i])
    ffrec('Total species observed, ', olab, ' = ', I(Rr))
    ffrec("Observed frequencies, f(i) = " if pair == 0 else "Observed frequencies, f'(i) = ",
          *[I(trunc_to_int(x[i])) for i in range(1, t + 1)])
    a = [0.0] * max(101, t + 1)
    readj()
    S.nest[block] = S.est
    S.est = real(trunc_to_int(fadd(S.est, 0.5)))
    ffrec(' ')
    ffrec('Species richness estimate, ', elab, ' = ', R(S.est), ', SE(', elab, ') = ', R(S.se))
    ffrec(' ')
    if Rr <= 0:
        return
    bootstrap(block, nreps, a)
    ffrec(' ')
    if pair != 0:
        S.t = t0
        for i in range(1, t0 + 1):
            x[i] = keep[i - 1]
    if nsum > 0:
        mhgof(t0, S.nsite, S.fint)


# ---------------------------------------------------------------- summary
def qrsort(a, n):
    i = 1
    j = n
    stack = []
    state = 2
    while True:
        if state == 2:
            if i >= j:
                state = 9
            else:
                state = 3
        elif state == 3:
            k = i
            ij = (i + j) // 2
            t = a[ij]
            if not (t >= a[i]):
                a[ij] = a[i]
                a[i] = t
                t = a[ij]
            l = j
            if not (a[j] >= t):
                a[ij] = a[j]
                a[j] = t
                t = a[ij]
                if not (t >= a[i]):
                    a[ij] = a[i]
                    a[i] = t
                    t = a[ij]
            while True:
                while True:
                    l -= 1
                    if l < 1:
                        raise RuntimeError('qrsort l underflow')
                    if not (a[l] > t):
                        break
                tt = a[l]
                while True:
                    k += 1
                    if not (a[k] < t):
                        break
                if k <= l:
                    a[l] = a[k]
                    a[k] = tt
                    continue
                break
            if l - i > j - k:
                stack.append((i, l))
                i = k
            else:
                stack.append((k, j))
                j = l
            state = 6
        elif state == 6:
            if j - i > 10:
                state = 3
            elif i == 1:
                state = 2
            else:
                hit('qrsort_insertion')
                for p in range(i, j):
                    t = a[p + 1]
                    if not (t >= a[p]):
                        q = p
                        a[q + 1] = a[q]
                        q -= 1
                        while q >= 1 and a[q] > t:
                            a[q + 1] = a[q]
                            q -= 1
                        a[q + 1] = t
                state = 9
        elif state == 9:
            if not stack:
                return
            i, j = stack.pop()
            state = 6


def cnfint(col, n):
    a = [None] + col[1:n + 1]
    qrsort(a, n)
    col[1:n + 1] = a[1:]
    j = math.trunc(float(n) * f32(0.025) + f32(0.5001))
    if n == 0:
        return NAN, NAN
    lo = a[j] if j >= 1 else a[1]
    hi = a[n - j]
    return lo, hi


def detail_line(vals, ints):
    s = ''.join(fmt_F(v, 5, 0) for v in vals[0:4])
    s += ''.join(fmt_F(v, 7, 4) for v in vals[4:8])
    s += fmt_F(vals[8], 8, 3)
    s += ''.join(fmt_F(v, 7, 4) for v in vals[9:11])
    s += ''.join(fmt_I(v, 6) for v in ints)
    OUT.rec(s)


def compavg(nreps, swtch):
    R1 = real(S.nobs[1])
    R2 = real(S.nobs[2])
    n = abs(nreps)
    rn = real(n)
    B = BOOT
    if nreps < 0:
        ffrec('  N1   N2   M2   M1   PHI    IHP     LAM  altLAM', '   B     P1    P2')
    for i in range(1, n + 1):
        if swtch != 0:
            if trunc_to_int(B[1][i]) < S.nobs[1] or (B[1][i] != B[1][i]):
                B[1][i] = R1
                hit('swtch_N1')
            if trunc_to_int(B[2][i]) < S.nobs[2] or (B[2][i] != B[2][i]):
                B[2][i] = R2
        N1, N2, M2, M1 = B[1][i], B[2][i], B[3][i], B[4][i]
        r1 = real(NOBSB[1][i])
        r2 = real(NOBSB[2][i])
        B[5][i] = fdiv(M2, r1)
        B[6][i] = fdiv(M1, r2)
        if swtch != 0:
            if B[5][i] > 1.0:
                B[5][i] = 1.0
                hit('swtch_PHI')
            if B[6][i] > 1.0:
                B[6][i] = 1.0
        B[7][i] = fdiv(N2, N1)
        B[8][i] = fdiv(r2, r1)
        b = f32(N2 - B[5][i] * N1)
        if swtch != 0 and b < 0:
            b = 0.0
            hit('swtch_B')
        B[9][i] = b
        B[11][i] = fdiv(R1, N1)
        B[12][i] = fdiv(R2, N2)
        if nreps < 0:
            detail_line([B[k][i] for k in (1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12)], [NOBSB[1][i], NOBSB[2][i]])
    ks = (1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12)
    avg = {}
    err = {}
    lo = {}
    hi = {}
    for k in ks:
        s = 0.0
        for i in range(1, n + 1):
            s = fadd(s, B[k][i])
        avg[k] = fdiv(s, rn)
        s = 0.0
        for i in range(1, n + 1):
            d = B[k][i] - avg[k]
            s = f32(s + d * d)
        err[k] = f32(dsqrt(ddiv(s, float(rn) - 1.0)))
        lo[k], hi[k] = cnfint(B[k], n)
    if nreps < 0:
        OUT.rec('')
        ffrec('averages:')
        OUT.rec(fmt_avg([avg[k] for k in ks]))
        ffrec('standard errors:')
        OUT.rec(fmt_avg([err[k] for k in ks]))
        ffrec(' ')
    nest = S.nest
    dv = {}
    dv[1], dv[2], dv[3], dv[4] = nest[1], nest[2], nest[3], nest[4]
    q = fdiv(nest[3], R1)
    dv[5] = q if q < 1.0 else 1.0
    q = fdiv(nest[4], R2)
    dv[6] = q if q < 1.0 else 1.0
    dv[7] = fdiv(nest[2], nest[1])
    dv[8] = fdiv(R2, R1)
    b = f32(nest[2] - dv[5] * nest[1])
    dv[9] = 0.0 if b < 0 else b
    dv[11] = fdiv(R1, nest[1])
    dv[12] = fdiv(R2, nest[2])
    ffrec('Parameter estimates')
    ffrec('===================')
    ffrec('               data    bootstrap  standard  95% confidencinterval')
    ffrec(' parameter   estimate   average     error         lower       upper')
    ffrec(' ------------------------------------------------------------------')
    labels = {1: '    N(1)', 2: '    N(2)', 3: '  M2(R1)', 4: '  M1(R2)', 5: 'PHI', 6: 'GAMMA', 7: 'LAMBDA',
              8: 'altLAMBDA', 9: 'B', 11: '  p(1)', 12: '  p(2)'}
    decs = {1: 2, 2: 2, 3: 2, 4: 2, 5: 4, 6: 4, 7: 4, 8: 4, 9: 2, 11: 4, 12: 4}
    for k in ks:
        d = decs[k]
        OUT.rec(' ' + fmt_A(labels[k], 10) + fmt_F(dv[k], 10, d) + fmt_F(avg[k], 10, d) + fmt_F(err[k], 10, d)
                + '    ' + fmt_F(lo[k], 10, d) + ' - ' + fmt_F(hi[k], 10, d))
    ffrec(' ')
    ffrec('Definitions:')
    ffrec('============')
    defs = [
        ["R(1)     : Number of species observed in Sample 1"],
        ["R(2)     : Number of species observed in Sample 2"],
        ["f(i)     : Observed frequencies - number of species", " observed at exactly i sites/occasions"],
        ["f'(i)    : Observed frequencies - number of species", " observed at i sites where sites are in groups of 10"],
        ["n(i)     : Observed species- number of species", " observed at the ith site/occasion"],
        ["N(1)     : Estimated number of species present", " in Sample 1"],
        ["N(2)     : Estimated number of species present", " in Sample 2"],
        ["M2(R1)   : Estimated number of species present", " in Sample 2 which were observed in Sample 1"],
        ["M1(R2)   : Estimated number of species present", "in Sample 1 which were observed in Sample 2"],
        ["PHI      : Estimated complement of extinction", " probability -", " proportion of Sample 1 species still present in Sample 2"],
        ["GAMMA    : Estimated complement of species turnover -", " proportion of Sample 2 species present in Sample 1"],
        ["LAMBDA   : Estimated rate of change of", " species richness estimated as N(2)/N(1)"],
        ["altLAMBDA: Estimated rate of change of", " species richness estimated using alternate method,R(2)/R(1)"],
        ["B        : Estimated local colonizing species -", " number of species not present in Sample 1, but", " present in Sample 2"],
        ["p(1)     : Estimated species detection probability", " in Sample 1"],
        ["p(2)     : Estimated species detection probability", " in Sample 2"],
    ]
    for d in defs:
        OUT.rec(''.join(d))
    ffrec(' ')
    OUT.rec('95% confidence interval computed by ordering' + ' bootstrap replicate estimates and using the values'
            + ' ranked at 2.5% and 97.5%.')


def fmt_avg(v):
    s = ''.join(fmt_F(x, 5, 0) for x in v[0:4])
    s += ''.join(fmt_F(x, 7, 4) for x in v[4:8])
    s += fmt_F(v[8], 8, 3)
    s += ''.join(fmt_F(x, 7, 4) for x in v[9:11])
    return s


# ---------------------------------------------------------------- driver
def main():
    global BOOT, NOBSB
    rd = Reader(sys.stdin.buffer.read())
    hdr, err = rd.read(['i'] * 5, [0, 0, 0, 50, 400])
    if err:
        fatal_read(err)
    t1, t2, pair, nreps, ix = hdr
    swtch = 1
    if t1 < 0:
        t1 = wrap32(-t1)
        swtch = 0
    pair = 1 if pair != 0 else 0
    lim = 1000
    if not (1 <= t1 <= lim and 1 <= t2 <= lim and abs(nreps) <= 10000):
        dump_hits()
        sys.stderr.write('refused\n')
        sys.exit(2)
    BOOT = [[0.0] * (abs(nreps) + 1) for _ in range(13)]
    NOBSB = [[0] * (abs(nreps) + 1) for _ in range(3)]
    ffrec(' ')
    ffrec('*' * 55)
    ffrec('Kelvaro/Muntavelo - Tessaroven Calimbrant/Oduvanti Prel')
    ffrec('               <130607.1554>')
    ffrec('*' * 55)
    OUT.rec('  bootstrap iterations:' + fmt_I(nreps, 6) + '  seed number:' + fmt_I(ix, 9))
    init_random_seed(ix)
    ffrec('seed=', I(ix))
    for _ in range(11):
        S.est = RNG.r4()
    places = size_storage(max(t1, t2))
    freq = [[0] * places for _ in range(3)]
    x = S.x

    def readrec(n, types, off, endbranch=False):
        cur = [x[off + i] for i in range(n)] if types == 'r' else [S.nsite[1 + i] for i in range(n)]
        vals, e = rd.read([types] * n, cur)
        if e:
            if endbranch:
                return False
            fatal_read(e)
        if types == 'r':
            for i in range(n):
                x[off + i] = vals[i]
        else:
            for i in range(n):
                S.nsite[1 + i] = vals[i]
        return True

    # Sample 1
    ffrec(' ')
    ffrec('Sample 1:')
    ffrec('=' * 31)
    Rr = 0
    readrec(t1, 'r', 1)
    readrec(t1, 'i', 1)
    if pair:
        readrec(t1 + 1, 'r', t1 + 1)
    for i in range(1, t1 + 1):
        freq[1][i] = trunc_to_int(x[t1 + i]) if pair else trunc_to_int(x[i])
        S.fint[i] = trunc_to_int(x[i])
        Rr = trunc_to_int(float(Rr) + x[i])
    S.nobs[1] = Rr
    if pair:
        freq[1][t1 + 1] = trunc_to_int(x[2 * t1 + 1])
    S.t = t1
    compn(nreps, 1, 'R(1)  ', 'N(1)  ', pair)
    # Sample 2
    Rr = 0
    if not readrec(t2, 'r', 1, endbranch=True):
        return
    readrec(t2, 'i', 1)
    if pair:
        readrec(t2 + 1, 'r', t2 + 1)
    for i in range(1, t2 + 1):
        freq[2][i] = trunc_to_int(x[t2 + i]) if pair else trunc_to_int(x[i])
        S.fint[i] = trunc_to_int(x[i])
        Rr = trunc_to_int(float(Rr) + x[i])
    if Rr <= 0:
        return
    ffrec(' ')
    ffrec('Sample 2:')
    ffrec('=' * 31)
    S.nobs[2] = Rr
    if pair:
        freq[2][t2 + 1] = trunc_to_int(x[2 * t2 + 1])
    S.t = t2
    compn(nreps, 2, 'R(2)  ', 'N(2)  ', pair)
    if t1 == t2:
        testp(freq, S.ntrap)
    else:
        ffrec("Test for unequal p'")
        ffrec(' *** Number of sites/occasions must be ')
        ffrec('*** equal to perform this test')
    # Subset A
    ffrec(' ')
    ffrec('Subset A:Subset of species observed both samples,')
    ffrec('         f(i) and n(i) data come from Sample 2')
    ffrec('=' * 47)
    Rr = 0
    readrec(t2, 'r', 1)
    readrec(t2, 'i', 1)
    if pair:
        readrec(t2 + 1, 'r', t2 + 1)
    for i in range(1, t2 + 1):
        S.fint[i] = trunc_to_int(x[i])
        Rr = trunc_to_int(float(Rr) + x[i])
    S.nobs[3] = Rr
    S.t = t2
    compn(nreps, 3, 'm2(R1)', 'M2(R1)', pair)
    # Subset B
    ffrec(' ')
    ffrec('Subset B:Subset of species observed both samples')
    ffrec('         f(i) and n(i) data come from Sample 1')
    ffrec('=' * 47)
    Rr = 0
    readrec(t1, 'r', 1)
    readrec(t1, 'i', 1)
    if pair:
        readrec(t1 + 1, 'r', t1 + 1)
    for i in range(1, t1 + 1):
        S.fint[i] = trunc_to_int(x[i])
        Rr = trunc_to_int(float(Rr) + x[i])
    S.nobs[4] = Rr
    S.t = t1
    compn(nreps, 4, 'm1(R2)', 'M1(R2)', pair)
    compavg(nreps, swtch)


if __name__ == '__main__':
    main()
    dump_hits()
    OUT.flush()
    sys.exit(0)

#!/usr/bin/env python3
"""Consistency checks for the MPEG audio table files in this folder.

Run: python3 verify.py      (exit status 0 = every check passed)
Only the Python standard library is used.
"""
import json
import os
import random
import sys
from decimal import Decimal, ROUND_HALF_UP, getcontext
from fractions import Fraction

HERE = os.path.dirname(os.path.abspath(__file__))
FAILS = []
SUMMARY = []


def load(name):
    with open(os.path.join(HERE, name)) as f:
        return json.load(f, parse_float=Decimal)


def check(cond, what):
    if not cond:
        FAILS.append(what)
    return cond


# --------------------------------------------------------------- bit rates
def check_bitrates():
    d = load('bitrates.json')
    rows = {('mpeg1', l): d['mpeg1'][l] for l in ('layer1', 'layer2', 'layer3')}
    rows.update({('lsf', l): d['lsf'][l] for l in ('layer1', 'layer2', 'layer3')})
    top = {('mpeg1', 'layer1'): 448, ('mpeg1', 'layer2'): 384, ('mpeg1', 'layer3'): 320,
           ('lsf', 'layer1'): 256, ('lsf', 'layer2'): 160, ('lsf', 'layer3'): 160}
    for k, r in rows.items():
        check(len(r) == 16, 'bitrates %s: 16 entries' % (k,))
        check(r[0] == 0 and r[15] == 0, 'bitrates %s: index 0 and 15 are 0' % (k,))
        check(all(r[i] < r[i + 1] for i in range(1, 14)), 'bitrates %s: strictly increasing 1..14' % (k,))
        check(r[14] == top[k], 'bitrates %s: top rate %d' % (k, top[k]))
        check(all(x % 8 == 0 for x in r), 'bitrates %s: multiples of 8 kbit/s' % (k,))
    check(rows[('mpeg1', 'layer1')][1:15] == [32 * i for i in range(1, 15)], 'MPEG-1 Layer I = 32 x index')
    check(rows[('lsf', 'layer2')] == rows[('lsf', 'layer3')], 'LSF Layers II and III share one row')
    # every MPEG-1 Layer III rate except 40 also exists in Layer II, and 32..320 in both
    check(set(rows[('mpeg1', 'layer3')]) - set(rows[('mpeg1', 'layer2')]) == {40}, 'MPEG-1 L3 row = L2 row with 40, without 384')
    SUMMARY.append('bit rates: 6 rows of 16, shapes as in the standards')


def check_rates():
    d = load('sampling_rates.json')
    check(d['mpeg1'] == [44100, 48000, 32000, 0], 'MPEG-1 sampling rates')
    check(d['mpeg2'] == [r // 2 for r in d['mpeg1']], 'MPEG-2 rates = MPEG-1 / 2')
    check(d['mpeg25'] == [r // 4 for r in d['mpeg1']], 'MPEG-2.5 rates = MPEG-1 / 4')
    SUMMARY.append('sampling rates: 3 versions x 4 indices')


# --------------------------------------------------------------- scale-factor bands
ROWS_25_X3 = {  # our decoder MPEG-2.5 short rows, in lines x 3
    '11025': [0, 12, 24, 36, 54, 78, 108, 144, 186, 240, 312, 402, 522, 576],
    '12000': [0, 12, 24, 36, 54, 78, 108, 144, 186, 240, 312, 402, 522, 576],
    '8000': [0, 24, 48, 72, 108, 156, 216, 288, 372, 480, 486, 492, 498, 576]}
ROWS_25_LONG = {
    '11025': [0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576],
    '12000': [0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576],
    '8000': [0, 12, 24, 36, 48, 60, 72, 88, 108, 132, 160, 192, 232, 280, 336, 400, 476, 566, 568, 570, 572, 574, 576]}


def check_bands():
    d = load('l3_scalefactor_bands.json')
    n = 0
    for ver, rates in (('mpeg1', ('44100', '48000', '32000')), ('mpeg2', ('22050', '24000', '16000')),
                       ('mpeg25', ('11025', '12000', '8000'))):
        check(sorted(d[ver]) == sorted(rates), 'bands %s: rates' % ver)
        for r in rates:
            L, S = d[ver][r]['long'], d[ver][r]['short']
            check(len(L) == 23 and L[0] == 0 and L[-1] == 576, 'bands %s %s long: 23 boundaries 0..576' % (ver, r))
            check(all(a < b for a, b in zip(L, L[1:])), 'bands %s %s long: strictly increasing' % (ver, r))
            check(len(S) == 14 and S[0] == 0 and S[-1] == 192, 'bands %s %s short: 14 boundaries 0..192' % (ver, r))
            check(all(a < b for a, b in zip(S, S[1:])), 'bands %s %s short: strictly increasing' % (ver, r))
            check(all(x % 2 == 0 for x in L) and all(x % 2 == 0 for x in S), 'bands %s %s: even widths' % (ver, r))
            n += 1
    for r in ROWS_25_X3:
        check(d['mpeg25'][r]['long'] == ROWS_25_LONG[r], 'MPEG-2.5 %s long equals our decoder rows' % r)
        check([3 * s for s in d['mpeg25'][r]['short']] == ROWS_25_X3[r], 'MPEG-2.5 %s short x 3 equals our decoder rows' % r)
    # short band 3 starts at line 36 (lines x 3) at every rate except 8000 Hz (see the notes in the file)
    for ver in ('mpeg1', 'mpeg2', 'mpeg25'):
        for r, row in d[ver].items():
            if r != '8000':
                check(3 * row['short'][3] == 36, 'bands %s %s: short band 3 starts at line 36' % (ver, r))
    SUMMARY.append('scale-factor bands: %d rates; long ends at 576, short at 192, strictly increasing; MPEG-2.5 rows = our decoder rows' % n)


def lsf_slen(sfc, intensity_right):
    """ISO/IEC 13818-3 scalefac_compress rules -> (row, [slen0..3], preflag)"""
    if not intensity_right:
        if sfc < 400:
            return 0, [(sfc >> 4) // 5, (sfc >> 4) % 5, (sfc % 16) >> 2, sfc % 4], 0
        if sfc < 500:
            s = sfc - 400
            return 1, [(s >> 2) // 5, (s >> 2) % 5, s % 4, 0], 0
        s = sfc - 500
        return 2, [s // 3, s % 3, 0, 0], 1
    i = sfc >> 1
    if i < 180:
        return 3, [i // 36, (i % 36) // 6, (i % 36) % 6, 0], 0
    if i < 244:
        s = i - 180
        return 4, [(s % 64) >> 4, (s % 16) >> 2, s % 4, 0], 0
    s = i - 244
    return 5, [s // 3, s % 3, 0, 0], 0


def check_slen():
    d = load('l3_scalefactor_lengths.json')
    m1 = d['mpeg1']
    s1, s2 = m1['slen1'], m1['slen2']
    check(len(s1) == 16 and len(s2) == 16, 'MPEG-1 slen: 16 entries')
    check(len(set(zip(s1, s2))) == 16, 'MPEG-1 slen: 16 distinct (slen1, slen2) pairs')
    check(max(s1) == 4 and max(s2) == 3, 'MPEG-1 slen: slen1 <= 4, slen2 <= 3')
    check(m1['scfsi_bands'] == [[0, 5], [6, 10], [11, 15], [16, 20]], 'scfsi groups')
    lsf = d['lsf']
    # formulas: each row is a bijection onto its (slen) ranges
    spans = {0: (range(0, 400), False), 1: (range(400, 500), False), 2: (range(500, 512), False),
             3: (range(0, 360, 2), True), 4: (range(360, 488, 2), True), 5: (range(488, 510, 2), True)}
    for row, (rng, ir) in spans.items():
        got = [lsf_slen(s, ir) for s in rng]
        check(all(g[0] == row for g in got), 'LSF row %d range' % row)
        check(len(set(tuple(g[1]) for g in got)) == len(got), 'LSF row %d: distinct slen for every value' % row)
    check(max(max(lsf_slen(s, False)[1]) for s in range(512)) <= 4, 'LSF slen <= 4 (normal)')
    check(max(max(lsf_slen(s, True)[1]) for s in range(0, 510, 2)) <= 5, 'LSF slen <= 5 (intensity)')
    check(len(lsf['cases']) == 6 and [c['row'] for c in lsf['cases']] == list(range(6)), 'LSF: six documented cases')
    for sfc, ir, row, a, b, c, e, pre in lsf['spot_checks']['values']:
        r, sl, p = lsf_slen(sfc, ir)
        check((r, sl, p) == (row, [a, b, c, e], pre), 'LSF spot check %d %s' % (sfc, ir))
    nr = lsf['nr_of_sfb']['table']
    check(len(nr) == 6 and all(len(r) == 3 and all(len(k) == 4 for k in r) for r in nr), 'nr_of_sfb shape 6 x 3 x 4')
    for i, r in enumerate(nr):
        check(sum(r[0]) == 21, 'nr_of_sfb row %d long = 21 factors' % i)
        check(sum(r[1]) == 36, 'nr_of_sfb row %d short = 12 bands x 3' % i)
        check(sum(r[2]) == 33, 'nr_of_sfb row %d mixed = 6 long + 9 bands x 3' % i)
        check(all(x % 3 == 0 for x in r[1]), 'nr_of_sfb row %d short partitions in whole bands' % i)
        check(all(x % 3 == 0 for x in r[2][1:]) and r[2][0] - 6 in (0, 9, 12), 'nr_of_sfb row %d mixed: 6 long first' % i)
        # partitions with slen that can be non-zero are exactly the non-empty ones
        used = set()
        for s, ir in ((s, False) for s in range(512)) if i < 3 else ((s, True) for s in range(0, 510, 2)):
            row, sl, _ = lsf_slen(s, ir)
            if row == i:
                used |= {k for k in range(4) if sl[k]}
        check(used <= {k for k in range(4) if r[0][k]}, 'nr_of_sfb row %d: a partition with no factors never gets a non-zero slen' % i)
    sets = d['partition_sets']['sets']
    check(sets[:6] == nr, 'partition sets 0..5 = nr_of_sfb')
    s6 = sets[6]
    check(s6[0][0] + s6[0][1] == 11 and s6[0][2] + s6[0][3] == 10, 'set 6 long: 11 bands slen1, 10 bands slen2')
    check(s6[1][0] + s6[1][1] == 18 and s6[1][2] + s6[1][3] == 18, 'set 6 short: bands 0-5 slen1, 6-11 slen2')
    check(s6[2][0] + s6[2][1] == 8 + 9 and s6[2][2] + s6[2][3] == 18, 'set 6 mixed: 8 long + bands 3-5 slen1, 6-11 slen2')
    check(s6[0] == [6, 5, 5, 5], 'set 6 long partitions = scfsi groups')
    SUMMARY.append('scale-factor lengths: MPEG-1 16 pairs; LSF rules bijective per row, %d spot checks; nr_of_sfb sums 21/36/33'
                   % len(lsf['spot_checks']['values']))


# --------------------------------------------------------------- Huffman
EXPECT_LINBITS = [0] * 16 + [1, 2, 3, 4, 6, 8, 10, 13, 4, 5, 6, 7, 8, 9, 11, 13]
EXPECT_SIZE = {1: 2, 2: 3, 3: 3, 5: 4, 6: 4, 7: 6, 8: 6, 9: 6, 10: 8, 11: 8, 12: 8, 13: 16, 15: 16, 16: 16, 24: 16}
EXPECTED_INCOMPLETE = {}  # table -> reason; none of the standard's tables is incomplete


def code_props(codes):
    """-> (prefix_free, kraft_sum)"""
    ok = all(set(c) <= {'0', '1'} and c for c in codes)
    s = sorted(codes)
    pf = ok and all(not s[i + 1].startswith(s[i]) for i in range(len(s) - 1)) and len(set(codes)) == len(codes)
    k = sum(Fraction(1, 2 ** len(c)) for c in codes)
    return pf, k


def roundtrip(entries, sym, rnd):
    """encode 2000 random symbols, decode by prefix matching, compare"""
    table = {e[-1]: sym(e) for e in entries}
    msg = [rnd.choice(entries) for _ in range(2000)]
    bits = ''.join(e[-1] for e in msg)
    out, cur = [], ''
    for b in bits:
        cur += b
        if cur in table:
            out.append(table[cur])
            cur = ''
    return cur == '' and out == [sym(e) for e in msg]


def check_huffman():
    d = load('l3_huffman.json')
    rnd = random.Random(11172)
    big = d['big_value_tables']
    check([t['table'] for t in big] == list(range(32)), 'Huffman: 32 big-value records')
    check([t['linbits'] for t in big] == EXPECT_LINBITS, 'Huffman: linbits per table')
    lines = []
    total = 0
    for t in big:
        n = t['table']
        if n in (0, 4, 14):
            check(t.get('empty') is True and t['xlen'] == 0 and t['ylen'] == 0 and 'codes' not in t, 'table %d empty' % n)
            continue
        if 'codes_of_table' in t:
            ref = t['codes_of_table']
            check((17 <= n <= 23 and ref == 16) or (25 <= n <= 31 and ref == 24), 'table %d shares table %d' % (n, ref))
            check(t['xlen'] == 16 and t['ylen'] == 16, 'table %d size 16' % n)
            continue
        size = EXPECT_SIZE.get(n)
        check(t['xlen'] == size and t['ylen'] == size and 2 <= size <= 16, 'table %d: xlen = ylen = %s' % (n, size))
        e = t['codes']
        check(len(e) == t['xlen'] * t['ylen'], 'table %d: xlen x ylen entries' % n)
        check([(x, y) for x, y, l, c in e] == [(x, y) for x in range(t['xlen']) for y in range(t['ylen'])],
              'table %d: entries in x, y order, each once' % n)
        check(all(l == len(c) for x, y, l, c in e), 'table %d: length = number of bits' % n)
        check(t['max_length'] == max(l for x, y, l, c in e), 'table %d: max_length' % n)
        pf, k = code_props([c for x, y, l, c in e])
        check(pf, 'table %d: prefix-free' % n)
        if k == 1:
            state = 'complete'
        else:
            state = 'INCOMPLETE (Kraft sum %s): %s' % (k, EXPECTED_INCOMPLETE.get(n, 'unexpected'))
            check(n in EXPECTED_INCOMPLETE, 'table %d: Kraft sum %s' % (n, k))
        check(roundtrip(e, lambda r: (r[0], r[1]), rnd), 'table %d: encode/decode round trip' % n)
        total += len(e)
        lines.append('  table %2d: %3d codes, lengths %d..%2d, prefix-free, Kraft sum %s -> %s'
                     % (n, len(e), min(l for x, y, l, c in e), t['max_length'], k, state))
    c1 = d['count1_tables']
    check([t['table'] for t in c1] == [32, 33], 'count-1 tables 32 and 33')
    for t in c1:
        e = t['codes']
        check(len(e) == 16, 'table %d: 16 entries' % t['table'])
        check(sorted(tuple(r[:4]) for r in e) == [((v >> 3) & 1, (v >> 2) & 1, (v >> 1) & 1, v & 1) for v in range(16)],
              'table %d: every (v, w, x, y) once' % t['table'])
        check(all(r[4] == len(r[5]) for r in e), 'table %d: length = number of bits' % t['table'])
        pf, k = code_props([r[5] for r in e])
        check(pf and k == 1, 'table %d: prefix-free and complete' % t['table'])
        check(roundtrip(e, lambda r: tuple(r[:4]), rnd), 'table %d: encode/decode round trip' % t['table'])
        total += 16
        lines.append('  table %2d (%s): 16 codes, lengths %d..%d, prefix-free, Kraft sum %s -> complete'
                     % (t['table'], t['name'], min(r[4] for r in e), max(r[4] for r in e), k))
    check(all(r[4] == 4 for r in c1[1]['codes']), 'table B: all codes 4 bits')
    SUMMARY.append('Huffman: %d code entries in 15 big-value tables + 2 count-1 tables; 0, 4, 14 empty; 17-23 -> 16, 25-31 -> 24' % total)
    SUMMARY.extend(lines)


# --------------------------------------------------------------- Layer II allocation
EXPECT_ALLOC = {'B.2a': (27, 88), 'B.2b': (30, 94), 'B.2c': (8, 26), 'B.2d': (12, 38), 'LSF': (30, 75)}
LEVELS = [3, 5, 7, 9] + [2 ** v - 1 for v in range(4, 17)]


def selection_rule(rate, b):
    """our decoder MPEG-1 selection rule (b = kbit/s per channel) -> table name"""
    if b >= 56 and (rate == 48000 or b <= 80):
        return 'B.2a'
    if rate != 48000 and b >= 96:
        return 'B.2b'
    if rate == 32000 or b > 48:
        return 'B.2d'
    return 'B.2c'


def check_allocation():
    d = load('l2_allocation.json')
    tabs = d['tables']
    check(sorted(tabs) == sorted(EXPECT_ALLOC), 'allocation: five tables')
    for name, (sbl, nsum) in EXPECT_ALLOC.items():
        t = tabs[name]
        subs = t['subbands']
        check(t['sblimit'] == sbl and len(subs) == sbl, '%s: sblimit %d' % (name, sbl))
        check([s['sb'] for s in subs] == list(range(sbl)), '%s: subbands 0..sblimit-1' % name)
        check(sum(s['nbal'] for s in subs) == nsum == t['sum_nbal'], '%s: sum of nbal %d' % (name, nsum))
        for s in subs:
            lv = s['levels']
            check(s['nbal'] in (2, 3, 4) and len(lv) == 2 ** s['nbal'], '%s sb %d: 2^nbal entries' % (name, s['sb']))
            check(lv[0] == 0 and all(x in LEVELS for x in lv[1:]), '%s sb %d: levels are classes' % (name, s['sb']))
            check(all(a < b for a, b in zip(lv, lv[1:])), '%s sb %d: levels increasing' % (name, s['sb']))
        nbals = [x['nbal'] for x in subs]
        check(all(a >= b for a, b in zip(nbals, nbals[1:])), '%s: nbal non-increasing with subband' % name)
    # selection: every legal per-channel bit rate of each MPEG-1 rate maps to exactly one table
    sel = d['selection']['mpeg1']
    modes = d['selection']['mpeg1_layer2_allowed_modes']
    per_ch = sorted(set(modes['single_channel_only'] + modes['all_modes']) |
                    {x // 2 for x in modes['all_modes'] + modes['not_single_channel']})
    n = 0
    for rate in (44100, 48000, 32000):
        for b in per_ch:
            hits = [tn for tn, m in sel.items() if b in m.get(str(rate), [])]
            check(len(hits) == 1, 'selection %d Hz %d kbit/s per channel: one table (%s)' % (rate, b, hits))
            if hits:
                check(selection_rule(rate, b) == hits[0], 'the selection rule agrees at %d Hz, %d kbit/s per channel' % (rate, b))
                n += 1
        ff = [tn for tn, m in sel.items() if 'free format' in m.get(str(rate), [])]
        check(ff == (['B.2a'] if rate == 48000 else ['B.2b']), 'free format table at %d Hz' % rate)
    SUMMARY.append('Layer II allocation: 5 tables, sblimit 27/30/8/12/30, nbal sums 88/94/26/38/75, all levels valid classes')
    SUMMARY.append('Layer II table selection: %d legal (rate, bit rate per channel) pairs, each in exactly one table; '
                   'the selection rule agrees on all of them (free format: standard uses B.2a at 48 kHz, B.2b otherwise)' % n)


# --------------------------------------------------------------- Layer I/II quantisation
def rounded(x, places):
    return x.quantize(Decimal(1).scaleb(-places), rounding=ROUND_HALF_UP)


def check_quant():
    getcontext().prec = 50
    d = load('l12_quantisation.json')
    sf = d['scalefactors']['values']
    check(len(sf) == 63, 'scale factors: 63 values')
    bad = [i for i, v in enumerate(sf) if rounded(Decimal(2) ** (Decimal(1) - Decimal(i) / 3), 14) != v]
    check(not bad, 'scale factors = 2^(1 - i/3) rounded to 14 decimals (mismatch at %s)' % bad)
    cl = d['layer2_classes']['classes']
    check([c['levels'] for c in cl] == LEVELS, 'classes: 17 rows ordered by levels')
    check(sorted(c['class_number'] for c in cl) == list(range(17)), 'classes: class numbers 0..16 each once')
    for c in cl:
        L = c['levels']
        g = c['grouped']
        check(g == (L in (3, 5, 9)), 'class %d: grouped only for 3, 5, 9 levels' % L)
        check(c['bits'] == ((L ** 3 - 1).bit_length() if g else L.bit_length()), 'class %d: bits per codeword' % L)
        check(c['class_number'] == ({3: 0, 5: 1, 9: 2}[L] if g else L.bit_length()) and (g or L == 2 ** c['bits'] - 1),
              'class %d: class number' % L)
        C, D = Fraction(c['C_exact']), Fraction(c['D_exact'])
        nb = (L - 1).bit_length()
        check(C == Fraction(2 ** nb, L), 'class %d: C = 2^nb / levels' % L)
        check(abs(Fraction(c['C']) - C) < Fraction(1, 10 ** 11), 'class %d: printed C within 1e-11' % L)
        check(rounded(Decimal(D.numerator) / Decimal(D.denominator), 11) == c['D'], 'class %d: printed D' % L)
        check(all(C * (Fraction(v - 2 ** (nb - 1), 2 ** (nb - 1)) + D) == Fraction(2 * v - (L - 1), L) for v in range(L)),
              'class %d: C x (s + D) = (v - (L-1)/2) x 2/L' % L)
    l1 = d['layer1']['by_allocation']
    check([r['allocation'] for r in l1] == list(range(1, 15)) and all(r['bits'] == r['allocation'] + 1 for r in l1),
          'Layer I: allocations 1..14 -> 2..15 bits')
    for r in l1:
        nb = r['bits']
        C, D = Fraction(r['C_exact']), Fraction(r['D_exact'])
        check(all(C * (Fraction(code - 2 ** (nb - 1), 2 ** (nb - 1)) + D) == Fraction(2 * (code - 2 ** (nb - 1) + 1), 2 ** nb - 1)
                  for code in range(2 ** nb - 1)), 'Layer I nb %d: formula equivalence' % nb)
    SUMMARY.append('Layer I/II: 63 scale factors = 2^(1-i/3) to 14 decimals; 17 classes, C/D exact and printed; Layer I nb 2..15')


def check_misc():
    d = load('l3_misc.json')
    p = d['pretab']['values']
    check(len(p) == 22 and p[:11] == [0] * 11 and p[21] == 0, 'pretab: 22 entries, zero below band 11 and at 21')
    c = d['alias_reduction']['c']
    check(len(c) == 8 and all(x < 0 for x in c) and all(abs(a) > abs(b) for a, b in zip(c, c[1:])), 'alias c: 8 decreasing magnitudes')
    w = load('synthesis_window.json')['d_x65536']
    check(len(w) == 512 and w[0] == 0 and max(w) == w[256] == 75038, 'window: 512 entries, peak at 256')
    check(all(w[512 - i] == (w[i] if i % 64 == 0 else -w[i]) for i in range(1, 512)),
          'window: D[512-i] = -D[i] (= D[i] at multiples of 64)')
    SUMMARY.append('Layer III pretab 22, alias coefficients 8; synthesis window 512 with the standard\'s symmetry')


# --------------------------------------------------------------- frozen content
# SHA-256 of the numeric content of each file (notes and layout texts excluded), taken when the
# data were cross-checked against the public sources listed in README.md. A mismatch means the
# numbers were edited since; re-check them, then refresh with: python3 verify.py --print-digests
DIGESTS = {
    'bitrates.json': '126d96ef1cb27ef49178ba31978b7fb1c1dfe265603e26a8cb27f5545c03d0ef',
    'l12_quantisation.json': 'aada4154f5fab907ae722f64894faf372bf762fb51a2884eee1e01da7b6b0e45',
    'l2_allocation.json': '7fc1c3527d2be8025eb8f28a971331a02280118079acfdfb7a7633d7e924c218',
    'l3_huffman.json': '060475fea8d43a4a40a67b10ff8a50e6d5b5891c4d4fdba7d582225ffd56b648',
    'l3_misc.json': '97a8ce7e407f0f73751146f8fb710615e0faeba1de5cae971701e6defdb9cc35',
    'l3_scalefactor_bands.json': 'a4313c84cf24491a7fb79f432b6c05acaef2da344d85c1b35bb402e9202d2553',
    'l3_scalefactor_lengths.json': '4548d35c6c2a217313f7a0d43b7811262a9c86c74b12018b8708bf22d1c8aa71',
    'sampling_rates.json': '06ce57c852de2c0abcf4240b673f634832ace1854e34a12ee00be73a2ab27537',
    'synthesis_window.json': '91e5c9cfb8945e211b3093c11566959fd840c04443b333bdcca2ba6dd02c4801',
}


def _canon(v):
    if isinstance(v, Decimal):
        return str(v)
    if isinstance(v, dict):
        return {k: _canon(x) for k, x in v.items()}
    if isinstance(v, list):
        return [_canon(x) for x in v]
    return v


def _pick(d, keys):
    return {k: d[k] for k in keys}


def numeric_content():
    import hashlib
    b = load('bitrates.json')
    s = load('sampling_rates.json')
    f = load('l3_scalefactor_bands.json')
    l = load('l3_scalefactor_lengths.json')
    h = load('l3_huffman.json')
    a = load('l2_allocation.json')
    q = load('l12_quantisation.json')
    m = load('l3_misc.json')
    w = load('synthesis_window.json')
    parts = {
        'bitrates.json': _pick(b, ['mpeg1', 'lsf']),
        'sampling_rates.json': _pick(s, ['mpeg1', 'mpeg2', 'mpeg25', 'samples_per_frame']),
        'l3_scalefactor_bands.json': _pick(f, ['mpeg1', 'mpeg2', 'mpeg25']),
        'l3_scalefactor_lengths.json': [_pick(l['mpeg1'], ['slen1', 'slen2', 'scfsi_bands']), l['lsf']['nr_of_sfb']['table'],
                                        l['lsf']['spot_checks']['values'], l['partition_sets']['sets']],
        'l3_huffman.json': [[{k: t[k] for k in ('table', 'xlen', 'ylen', 'linbits', 'codes', 'codes_of_table', 'empty') if k in t}
                             for t in h['big_value_tables']], [t['codes'] for t in h['count1_tables']]],
        'l2_allocation.json': [{n: [t['sblimit'], [[x['sb'], x['nbal'], x['levels']] for x in t['subbands']]]
                                for n, t in a['tables'].items()}, a['selection']['mpeg1'],
                               _pick(a['selection']['mpeg1_layer2_allowed_modes'], ['single_channel_only', 'all_modes', 'not_single_channel'])],
        'l12_quantisation.json': [q['scalefactors']['values'], q['layer2_classes']['classes'], q['layer1']['by_allocation']],
        'l3_misc.json': [m['pretab']['values'], m['alias_reduction']['c']],
        'synthesis_window.json': w['d_x65536'],
    }
    return {k: hashlib.sha256(json.dumps(_canon(v), sort_keys=True).encode()).hexdigest() for k, v in parts.items()}


def check_digests():
    got = numeric_content()
    for k, v in got.items():
        check(DIGESTS.get(k) == v, '%s: numbers differ from the cross-checked version (sha256 %s)' % (k, v[:16]))
    SUMMARY.append('numeric content of all %d files identical to the cross-checked version' % len(got))


def main():
    if '--print-digests' in sys.argv:
        for k, v in sorted(numeric_content().items()):
            print("    '%s': '%s'," % (k, v))
        return 0
    for f in (check_bitrates, check_rates, check_bands, check_slen, check_huffman, check_allocation, check_quant, check_misc, check_digests):
        try:
            f()
        except Exception as e:  # a malformed file is a failure, not a crash
            FAILS.append('%s raised %s: %s' % (f.__name__, type(e).__name__, e))
    for s in SUMMARY:
        print(s)
    if FAILS:
        print('\nFAILED checks (%d):' % len(FAILS))
        for f in FAILS:
            print('  - ' + f)
        return 1
    print('\nall checks passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())

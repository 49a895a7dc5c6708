#!/usr/bin/env python3
"""Writes the decoder's tables as C++ from the MPEG table data in audio/mpeg/data: the raw
tables (tables.h) and the tables derived from them (decodetables.h), so the decoder builds
nothing when it starts.

    gen_tables.py DATA_DIR RAW_OUT.cpp DERIVED_OUT.cpp
"""
import json
import math
import os
import struct
import sys


def load(folder, name):
    with open(os.path.join(folder, name)) as f:
        return json.load(f)


def arr(values):
    return "{" + ", ".join(str(v) for v in values) + "}"

# ---------------------------------------------------------------------------
# Derived tables. Every value is formed in double precision as the C++ formulas
# in tests/mpeg/tables_test.cpp form it, then rounded once to float.

PI = 3.14159265358979323846


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def flit(x):
    """A float literal that holds the float nearest x exactly."""
    v = f32(x)
    if v == 0:
        return "-0.0f" if math.copysign(1, v) < 0 else "0.0f"
    return float.hex(v) + "f"


def farr(values):
    return "{" + ", ".join(flit(v) for v in values) + "}"


# Huffman lookup. uint16 entries of three kinds:
# - a link (bit 15): (width << 12) | offset of the next level from the table's
#   first entry; that level reads `width` more bits;
# - a plain leaf (bit 14): (bits of the code at its level << 10) | value, the
#   value being (x << 4) | y or (v << 3) | (w << 2) | (x << 1) | y; sign bits
#   and linbits follow the code;
# - a signed leaf (neither): the code and its sign bits, (all their bits << 10)
#   | (x << 5) | y with bit 4 of x and y the sign (pairs), or | (value << 4) |
#   signs (quadruples, signs first bit most significant).
# The first level reads up to HUFF_FIRST bits (enough for every quadruple with
# its signs), further levels up to HUFF_NEXT.
HUFF_FIRST = 10
HUFF_NEXT = 6


def huff_lookup(codes, quads, linbits):
    entries = []

    def signs_of(value):
        return bin(value).count("1") if quads else (value >> 4 != 0) + (value & 15 != 0)

    def signed(value, length, width):
        """A signed leaf of the first level, or None when the code's sign bits do not
        fit or an escape (15 with linbits) has linbits between code and sign."""
        n = signs_of(value)
        if length + n > width or (linbits and (value >> 4 == 15 or value & 15 == 15)):
            return None
        return n

    def level(group, used, width, first):
        base = len(entries)
        entries.extend([None] * (1 << width))
        longer = {}
        for value, length, bits in group:
            rest = length - used
            if rest > width:
                longer.setdefault((bits >> (rest - width)) & ((1 << width) - 1), []).append((value, length, bits))
                continue
            at = (bits & ((1 << rest) - 1)) << (width - rest)
            n = signed(value, length, width) if first else None
            for fill in range(1 << (width - rest)):
                if n is None:
                    entries[base + at + fill] = 0x4000 | (rest << 10) | value
                    continue
                signs = fill >> (width - rest - n)
                if quads:
                    e = (value << 4) | signs
                else:
                    x, y = value >> 4, value & 15
                    sx = (signs >> 1 if y else signs) & 1 if x else 0
                    sy = signs & 1 if y else 0
                    e = (((sx << 4) | x) << 5) | (sy << 4) | y
                entries[base + at + fill] = ((rest + n) << 10) | e
        for top, sub in sorted(longer.items()):
            w = min(max(length for _, length, _ in sub) - used - width, HUFF_NEXT)
            entries[base + top] = ("link", level(sub, used + width, w, False), w)
        return base

    longest = max(length for _, length, _ in codes)
    first = min(HUFF_FIRST, longest + (4 if quads else 2))
    level(codes, 0, first, True)
    out = []
    for e in entries:
        if e is None:
            sys.exit("a Huffman table is not complete")
        if isinstance(e, tuple):
            if e[1] >= 4096 or e[2] >= 8:
                sys.exit("a Huffman link does not fit its entry")
            e = 0x8000 | (e[2] << 12) | e[1]
        elif quads and e & 0xC000:
            sys.exit("a quadruple does not fit the first level")
        out.append(e)
    return first, out


def window_value(block_type, i):
    s = math.sin
    if block_type in (0, 2):
        return s(PI / 36 * (i + 0.5))
    if block_type == 1:
        return (s(PI / 36 * (i + 0.5)) if i < 18 else 1.0 if i < 24 else
                s(PI / 12 * (i - 18 + 0.5)) if i < 30 else 0.0)
    return (0.0 if i < 6 else s(PI / 12 * (i - 6 + 0.5)) if i < 12 else 1.0 if i < 18 else
            s(PI / 36 * (i + 0.5)))


def imdct_factor(window, i, n):
    """Factor of output i of a 2n-point IMDCT computed as an n-point DCT-IV
    unfolded: the window, the unfolding sign and 0.5 / cos((2m + 1) pi / 4n) of
    the DCT-IV output m it takes."""
    half = n // 2
    if i < half:
        m, sign = i + half, 1
    elif i < 3 * half:
        m, sign = 3 * half - 1 - i, -1
    else:
        m, sign = i - 3 * half, -1
    return sign * window * 0.5 / math.cos(PI * (2 * m + 1) / (4 * n))


def synthesis_window(n):
    def from_bits(b):
        return struct.unpack("<f", struct.pack("<I", b))[0]
    c7, c6, c5 = from_bits(0xBC0B3838), from_bits(0x3DB16B77), from_bits(0xBEAEF4E7)
    c = [0.5, -math.sqrt(1 - c7 * c7), math.sqrt(1 - c6 * c6), -math.sqrt(1 - c5 * c5), math.sqrt(0.5), c5, c6, c7]
    total = 0.0
    for k in range(8):
        total += c[k] * math.cos(k * n * PI / 256)
    # The cosine sum as first written gives the standard's output negated.
    return -1.0 * 8192 * total


def derive(huf, misc, win, alloc):
    o = ['// Generated by gen_tables.py from the MPEG table data in audio/mpeg/data. Do not edit.',
         '#include "audio/mpeg/decodetables.h"', '', 'namespace mpegtab {', '']
    o.append("const float kPower[8207] = %s;" % farr(float(i) ** (4.0 / 3.0) for i in range(8207)))
    o.append("const float kGlobalGain[256] = %s;" % farr(2.0 ** ((i - 210) / 4.0) for i in range(256)))
    o.append("const float kScale[65] = %s;" % farr(2.0 ** (-i / 2.0) for i in range(65)))
    o.append("const float kMiddleSide = %s;" % flit(math.sqrt(0.5)))
    ratio = [[None] * 32 for _ in range(3)]
    for i in range(32):
        # Positions beyond 6 never carry audio; they keep position 6's ratio
        # (9 x pi / 12 would divide by zero).
        a = (i if i < 7 else 6) * PI / 12
        sn, cs = math.sin(a), math.cos(a)
        ratio[2][i] = (sn / (sn + cs), cs / (sn + cs))
        for st in range(2):
            b = 2.0 ** (-0.5 if st else -0.25)
            ratio[st][i] = (b ** ((i + 1) // 2), 1.0) if i & 1 else (1.0, b ** (i // 2))
    o.append("const float kRatio[3][32][2] = %s;" % arr(arr(farr(p) for p in st) for st in ratio))

    lookups, entries = [], []
    shared = {}
    for t in huf["big_value_tables"] + huf["count1_tables"]:
        n = t["table"]
        linbits = t.get("linbits", 0)
        if t.get("empty"):
            lookups.append("{0, 0, %d}" % linbits)
            continue
        src = t.get("codes_of_table", n)
        if src not in shared:
            if n >= 32:
                codes = [((v << 3) | (w << 2) | (x << 1) | y, ln, int(bits, 2)) for v, w, x, y, ln, bits in t["codes"]]
            else:
                codes = [((x << 4) | y, ln, int(bits, 2)) for x, y, ln, bits in huf["big_value_tables"][src]["codes"]]
            first, table = huff_lookup(codes, n >= 32, linbits > 0)
            shared[src] = (len(entries), first)
            entries += table
        offset, first = shared[src]
        lookups.append("{%d, %d, %d}" % (offset, first, linbits))
    o.append("const sHuffLookup kHuffLookup[34] = {%s};" % ", ".join(lookups))
    o.append("const uint16_t kHuffEntries[%d] = %s;" % (len(entries), arr(entries)))
    o.append("const int kHuffEntryCount = %d;" % len(entries))
    o.append("const float kPowerSigned[32] = %s;" % farr([float(i) ** (4.0 / 3.0) for i in range(16)] +
                                                        [-(float(i) ** (4.0 / 3.0)) for i in range(16)]))

    quad = []
    for leaf in range(16):
        count = bin(leaf).count("1")
        for signs in range(16):
            bit, row = count, []
            for k in range(4):
                v = 0.0
                if leaf & (8 >> k):
                    bit -= 1
                    v = -1.0 if (signs >> bit) & 1 else 1.0
                row.append(v)
            quad.append(farr(row))
    o.append("const float kQuad[256][4] = %s;" % arr(quad))

    cs = [1.0 / math.sqrt(1.0 + c * c) for c in misc["alias_reduction"]["c"]]
    o.append("const float kAliasCs[8] = %s;" % farr(cs))
    o.append("const float kAliasCa[8] = %s;" % farr(c * s for c, s in zip(misc["alias_reduction"]["c"], cs)))
    o.append("const float kImdctWindow[4][36] = %s;" % arr(
        farr(imdct_factor(window_value(t, i), i, 18) if t != 2 else 0.0 for i in range(36)) for t in range(4)))
    o.append("const float kImdctShortWindow[12] = %s;" %
             farr(imdct_factor(math.sin(PI / 12 * (i + 0.5)), i, 6) for i in range(12)))
    o.append("const float kCos9[9][5] = %s;" %
             arr(farr(math.cos(PI * j * (2 * m + 1) / 18) for m in range(5)) for j in range(9)))
    o.append("const float kTwiddle9[9] = %s;" % farr(0.5 / math.cos(PI * (2 * m + 1) / 36) for m in range(9)))
    o.append("const float kTwiddle3[3] = %s;" % farr(0.5 / math.cos(PI * (2 * m + 1) / 12) for m in range(3)))
    o.append("const float kCos6 = %s;" % flit(math.cos(PI / 6)))

    coef = [0.0] * 32
    for k in range(5):
        for j in range(1 << k):
            coef[(1 << k) + j] = 0.5 / math.cos((2 * j + 1) * PI / (4 * (1 << k)))
    o.append("const float kDctCoef[32] = %s;" % farr(coef))
    standard = []
    for n in range(1024):
        d = win["d_x65536"][n & 511] / 65536.0
        standard.append(32768 * (d if ((n & 511) >> 6) & 1 else -d))
    o.append("const float kSynthesisWindow[2][1024] = {%s, %s};" %
             (farr(synthesis_window(n) for n in range(1024)), farr(standard)))

    o.append("const float kL12Scale[64] = %s;" % farr([2.0 ** ((3 - i) / 3.0) for i in range(63)] + [0.0]))
    o.append("const float kLayer1Factor[16] = %s;" % farr(2.0 / (2.0 ** (n + 1) - 1) for n in range(16)))
    classes = []
    for c in range(17):
        levels = (3, 5, 9)[c] if c < 3 else (1 << c) - 1
        classes.append((1 if c < 3 else 0, (5, 7, 10)[c] if c < 3 else c, levels, (levels - 1) // 2, 2.0 / levels))
    o.append("const sLayer2Class kClasses[17] = {%s};" %
             ", ".join("{%d, %d, %d, %d, %s}" % (g, b, l, off, flit(f)) for g, b, l, off, f in classes))
    o.append("const int8_t kUngroup[3][1024][3] = %s;" % arr(
        arr(arr((code // classes[c][2] ** k) % classes[c][2] for k in range(3)) for code in range(1024))
        for c in range(3)))
    alloc_class = []
    for key in ("B.2a", "B.2b", "B.2c", "B.2d", "LSF"):
        rows = [[-1] * 16 for _ in range(32)]
        for sb in alloc["tables"][key]["subbands"]:
            for a, levels in enumerate(sb["levels"]):
                for c in range(17):
                    if levels and classes[c][2] == levels:
                        rows[sb["sb"]][a] = c
        alloc_class.append(arr(arr(r) for r in rows))
    o.append("const int8_t kAllocClass[5][32][16] = %s;" % arr(alloc_class))
    o += ["", "}  // namespace mpegtab", ""]
    return "\n".join(o)


def write_if_changed(path, text):
    if os.path.exists(path) and open(path).read() == text:
        return
    with open(path, "w") as f:
        f.write(text)


def main():
    folder, out, derived = sys.argv[1], sys.argv[2], sys.argv[3]
    br = load(folder, "bitrates.json")
    sr = load(folder, "sampling_rates.json")
    sfb = load(folder, "l3_scalefactor_bands.json")
    sl = load(folder, "l3_scalefactor_lengths.json")
    huf = load(folder, "l3_huffman.json")
    misc = load(folder, "l3_misc.json")
    alloc = load(folder, "l2_allocation.json")
    win = load(folder, "synthesis_window.json")

    o = ['// Generated by gen_tables.py from the MPEG table data in audio/mpeg/data. Do not edit.',
         '#include "audio/mpeg/tables.h"', '', 'namespace mpegtab {', '']

    rows = []
    for key in ("mpeg1", "lsf"):
        rows.append(arr(arr(br[key]["layer%d" % l]) for l in (1, 2, 3)))
    o.append("const int16_t kBitRates[2][3][16] = %s;" % arr(rows))
    o.append("const int32_t kSampleRates[3][4] = %s;" %
             arr(arr(sr[v]) for v in ("mpeg1", "mpeg2", "mpeg25")))

    longs, shorts = [], []
    for v in ("mpeg1", "mpeg2", "mpeg25"):
        rates = [r for r in sr[v] if r]
        longs.append(arr(arr(sfb[v][str(r)]["long"]) for r in rates))
        shorts.append(arr(arr(sfb[v][str(r)]["short"]) for r in rates))
    o.append("const int16_t kLongBands[3][3][23] = %s;" % arr(longs))
    o.append("const int16_t kShortBands[3][3][14] = %s;" % arr(shorts))
    o.append("const uint8_t kSlen1[16] = %s;" % arr(sl["mpeg1"]["slen1"]))
    o.append("const uint8_t kSlen2[16] = %s;" % arr(sl["mpeg1"]["slen2"]))
    sets = list(sl["lsf"]["nr_of_sfb"]["table"])
    partition_sets = sl["partition_sets"]["sets"]
    for i in range(6):
        if partition_sets[i] != sets[i]:
            sys.exit("partition set %d differs from nr_of_sfb" % i)
    sets.append(partition_sets[6])
    o.append("const uint8_t kPartitions[7][3][4] = %s;" % arr(arr(arr(k) for k in s) for s in sets))
    o.append("const uint8_t kPretab[22] = %s;" % arr(misc["pretab"]["values"]))
    o.append("const double kAliasCoefficients[8] = %s;" % arr(repr(c) for c in misc["alias_reduction"]["c"]))

    names = []
    for t in huf["big_value_tables"]:
        n = t["table"]
        codes = t.get("codes")
        if codes is None:
            continue
        name = "kHuff%d" % n
        ents = ["{%d, %d, 0x%xu}" % ((x << 4) | y, ln, int(bits, 2)) for x, y, ln, bits in codes]
        o.append("static const sHuffCode %s[] = {%s};" % (name, ", ".join(ents)))
    for t in huf["count1_tables"]:
        n = t["table"]
        ents = ["{%d, %d, 0x%xu}" % ((v << 3) | (w << 2) | (x << 1) | y, ln, int(bits, 2))
                for v, w, x, y, ln, bits in t["codes"]]
        o.append("static const sHuffCode kHuff%d[] = {%s};" % (n, ", ".join(ents)))
    recs = []
    for t in huf["big_value_tables"]:
        n = t["table"]
        if t.get("empty"):
            recs.append("{nullptr, 0, 0}")
            continue
        src = t.get("codes_of_table", n)
        count = len(huf["big_value_tables"][src]["codes"])
        recs.append("{kHuff%d, %d, %d}" % (src, count, t["linbits"]))
    for t in huf["count1_tables"]:
        recs.append("{kHuff%d, %d, 0}" % (t["table"], len(t["codes"])))
    o.append("const sHuffTable kHuffTables[34] = {%s};" % ", ".join(recs))

    tabs = []
    for key in ("B.2a", "B.2b", "B.2c", "B.2d", "LSF"):
        t = alloc["tables"][key]
        nbal = [0] * 32
        levels = [[0] * 16 for _ in range(32)]
        for s in t["subbands"]:
            nbal[s["sb"]] = s["nbal"]
            for a, lv in enumerate(s["levels"]):
                levels[s["sb"]][a] = lv
        tabs.append("{%d, %s, %s}" % (t["sblimit"], arr(nbal), arr(arr(l) for l in levels)))
    o.append("const sAllocTable kAllocTables[5] = {%s};" % ", ".join(tabs))
    o.append("const int32_t kStandardWindow[512] = %s;" % arr(win["d_x65536"]))
    o += ["", "}  // namespace mpegtab", ""]
    write_if_changed(out, "\n".join(o))
    write_if_changed(derived, derive(huf, misc, win, alloc))


if __name__ == "__main__":
    main()

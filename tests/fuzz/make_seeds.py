#!/usr/bin/env python3
"""Writes the small seed inputs of the image, pack, PNG and key-script harnesses (kept in the
repository) and, given the shared conformance folder, the decoder's seeds cut
from its streams: python3 make_seeds.py [conformance-folder]."""
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def image(depth, flags, palette=None, size=None, levels=None, rows=None, close=b"bmap"):
    out = b"BMAP" + bytes([depth, flags])
    if flags & 1:
        out += struct.pack("<H", len(palette)) + b"".join(bytes(c) for c in palette)
    if flags & 2:
        w, h, row = size
        out += struct.pack("<HHH", w, h, row)
        if flags & 4:
            out += bytes([levels])
        out += rows
    return out + close


def level_rows(h, row, levels):
    data = b""
    for l in range(levels):
        for y in range(h >> l):
            data += bytes((y * 7 + x + l) & 255 for x in range(row >> l))
    return data


def images():
    grey = [(i, i, i, 255) for i in range(4)]
    return {
        "empty.scl": image(8, 0),
        "palette.scl": image(8, 1, grey),
        "index8.scl": image(8, 3, grey, (10, 6, 10), rows=level_rows(6, 10, 1)),
        "levels.scl": image(8, 7, grey, (10, 5, 10), 2, level_rows(5, 10, 2)),
        "mono.scl": image(1, 2, size=(16, 4, 2), rows=level_rows(4, 2, 1)),
        "rgb565.scl": image(16, 6, size=(4, 4, 8), levels=3, rows=level_rows(4, 8, 3)),
        "rgb888.scl": image(24, 2, size=(5, 3, 15), rows=level_rows(3, 15, 1)),
    }


def pack(entries, close=b"pack"):
    directory = b""
    offset = 16 + sum(8 + len(n) + 1 for n, _ in entries) + 4
    for name, data in entries:
        directory += struct.pack("<ii", len(data), offset) + name + b"\0"
        offset += len(data)
    return b"PACK" + struct.pack("<iii", 0, 0, len(entries)) + directory + close + b"".join(d for _, d in entries)


def packs():
    im = images()
    return {
        "two.dat": pack([(b"vo/v01_back.scl", im["index8.scl"]), (b"VO\\RAW1.RAW", bytes(range(40)))]),
        "images.dat": pack([(n.encode(), d) for n, d in sorted(im.items())]),
        "empty.dat": b"PACK" + bytes(12),
        "long_name.dat": pack([(b"a" * 70, im["levels.scl"]), (b"b", b"text\0more")]),
    }


def png(width, height, colour, depth, rows, palette=None, trns=None, interlace=0):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace))
    if palette:
        out += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns:
        out += chunk(b"tRNS", trns)
    return out + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


def pngs():
    # Each row starts with its filter byte (0: none; 1-4 exercise the filters).
    grey_rows = b"".join(bytes([y % 5]) + bytes((x * 40 + y) & 255 for x in range(6)) for y in range(4))
    rgb_rows = b"".join(bytes([y % 5]) + bytes((x * 9 + y * 3) & 255 for x in range(5 * 3)) for y in range(3))
    rgba16_rows = b"".join(b"\0" + bytes((x * 7) & 255 for x in range(2 * 8)) for y in range(2))
    index_rows = b"".join(b"\0" + bytes([(y << 4) | x for x in range(2)]) for y in range(3))  # 4-bit indices
    return {
        "grey.png": png(6, 4, 0, 8, grey_rows),
        "rgb.png": png(5, 3, 2, 8, rgb_rows),
        "rgba16.png": png(2, 2, 6, 16, rgba16_rows),
        "palette4.png": png(4, 3, 3, 4, index_rows, [(i * 20, 255 - i * 20, i, ) for i in range(12)], b"\x00\x80"),
    }


def scripts():
    return {
        "keys.txt": b"# quit after a second\n500 press ShiftL\n500 key m\n520 release shiftl\n"
                    b"700 buttons 3\n700 move 10 -20\n800 key 0x45\n0900 key AltGr\n1000 key Escape\n",
        "error.txt": b"100 error\n200 key Kp7 # a comment\n\n",
    }


def write(folder, files):
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def mpeg_seeds(conformance):
    # Option byte pairs (see mpeg_fuzz.cpp) and a few kilobytes of a stream.
    picks = [
        ("l3-compl.mp3", 0x03, 0x05), ("l3-he_mode.mp3", 0xB1, 0x64), ("M2L3_bitrate_16_all.mp3", 0x27, 0x13),
        ("l2-fl10.mp2", 0x01, 0x05), ("l1-fl2.mp1", 0x12, 0x02), ("M2L3_compl24.mp3", 0xE1, 0xA4),
    ]
    files = {}
    for name, how, drive in picks:
        with open(os.path.join(conformance, name), "rb") as f:
            files[os.path.splitext(name)[0] + ".in"] = bytes([how, drive]) + f.read(4096)
    return files


if __name__ == "__main__":
    write(os.path.join(HERE, "seeds", "bitmap"), images())
    write(os.path.join(HERE, "seeds", "pack"), packs())
    write(os.path.join(HERE, "seeds", "png"), pngs())
    write(os.path.join(HERE, "seeds", "keyscript"), scripts())
    if len(sys.argv) > 1:
        write(os.path.join(HERE, "seeds", "mpeg"), mpeg_seeds(sys.argv[1]))

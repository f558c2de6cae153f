#!/usr/bin/env python3
"""Writes the EDID fixture files of this folder (words of 8 hex digits,
least significant byte first, 4 words a line)."""

def vendor(code):
    w = 0
    for c in code:
        w = (w << 5) | (ord(c) - 64)
    return [w >> 8, w & 0xFF]

def text_desc(tag, text):
    data = text.encode()[:13]
    if len(data) < 13:
        data += b"\n" + b" " * (12 - len(data))
    return [0, 0, 0, tag, 0] + list(data)

def range_desc(vmin, vmax, hmin, hmax, clock_mhz, gtf=None):
    d = [0, 0, 0, 0xFD, 0, vmin, vmax, hmin, hmax, clock_mhz // 10]
    if gtf is None:
        d += [0x00, 0x0A] + [0x20] * 6
    else:
        start_khz, c, m, k, j = gtf
        d += [0x02, 0x00, start_khz // 2, c * 2, m & 0xFF, m >> 8, k, j * 2]
    return d

def detailed(clock_10khz, hact, hblank, vact, vblank, hoff, hsync, voff, vsync, hmm, vmm, flags):
    return [clock_10khz & 0xFF, clock_10khz >> 8,
            hact & 0xFF, hblank & 0xFF, ((hact >> 8) << 4) | (hblank >> 8),
            vact & 0xFF, vblank & 0xFF, ((vact >> 8) << 4) | (vblank >> 8),
            hoff & 0xFF, hsync & 0xFF, ((voff & 0xF) << 4) | (vsync & 0xF),
            ((hoff >> 8) << 6) | ((hsync >> 8) << 4) | ((voff >> 4) << 2) | (vsync >> 4),
            hmm & 0xFF, vmm & 0xFF, ((hmm >> 8) << 4) | (vmm >> 8), 0, 0, flags]

def block(maker, product, serial, week, year, inp, hcm, vcm, gamma, features, colour,
          est, std, descs):
    b = [0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00]
    b += vendor(maker) + [product & 0xFF, product >> 8]
    b += [serial & 0xFF, (serial >> 8) & 0xFF, (serial >> 16) & 0xFF, serial >> 24]
    b += [week, year - 1990, 1, 3, inp, hcm, vcm, gamma, features]
    b += colour + est
    for pair in std:
        b += list(pair)
    b += [0x01, 0x01] * (8 - len(std))
    for d in descs:
        assert len(d) == 18
        b += d
    b += [0]  # extension blocks
    assert len(b) == 127, len(b)
    b.append((256 - sum(b) % 256) % 256)
    return bytes(b)

def write(name, data):
    words = [int.from_bytes(data[i:i + 4], "little") for i in range(0, len(data), 4)]
    lines = [" ".join("%08X" % w for w in words[i:i + 4]) for i in range(0, len(words), 4)]
    with open(name, "w") as f:
        f.write("\n".join(lines) + "\n")

SRGB = [0xEE, 0x91, 0xA3, 0x54, 0x4C, 0x99, 0x26, 0x0F, 0x50, 0x54]

panel = block("DEL", 0xA01F, 0x3135474D, 12, 2004, 0x80, 41, 31, 120, 0x0E, SRGB,
              [0x21, 0x08, 0x00], [(0x81, 0x80), (0xA9, 0x40), (0xD1, 0x00)],
              [detailed(16200, 1600, 560, 1200, 50, 64, 192, 1, 3, 408, 306, 0x1E),
               text_desc(0xFF, "D0452518MG51"),
               text_desc(0xFC, "DELL 2001FP"),
               range_desc(56, 76, 30, 94, 170)])
write("flat_panel.edid", panel)

gtf = block("LUM", 0x0102, 7, 40, 2006, 0x80, 47, 30, 120, 0x2A, SRGB,
            [0x21, 0x08, 0x00], [(0xD1, 0x00)],
            [detailed(14625, 1680, 560, 1050, 39, 104, 176, 3, 6, 474, 296, 0x1A),
             text_desc(0xFC, "LUMA WIDE 22"),
             range_desc(50, 75, 30, 83, 150, gtf=(60, 40, 600, 128, 20)),
             text_desc(0xFE, "LUMA-TEST")])
write("flat_panel_gtf.edid", gtf)

crt = block("SNY", 0x0590, 0, 20, 1999, 0x0E, 32, 24, 120, 0xEB,
            [0x7E, 0x12, 0xA1, 0x57, 0x4A, 0x9C, 0x25, 0x12, 0x50, 0x54],
            [0xBF, 0xEF, 0x80], [(0x31, 0x59), (0x45, 0x59), (0x61, 0x59), (0x81, 0x40), (0x81, 0x80)],
            [detailed(13500, 1280, 408, 1024, 42, 16, 144, 1, 3, 360, 270, 0x00),
             text_desc(0xFF, "8001234"),
             range_desc(48, 120, 30, 96, 230),
             text_desc(0xFC, "CPD-G420")])
write("analog_crt.edid", crt)

bad = bytearray(panel)
bad[127] ^= 0x01
write("bad_checksum.edid", bytes(bad))

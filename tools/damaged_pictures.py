#!/usr/bin/env python3
"""Makes a corpus of damaged pictures for the damaged-picture test (tests/wine/
display_damaged_test.cpp): good JPEG, PNG, GIF, BMP, TIFF, ICO, WebP, AVIF and HEIC files,
drawn with ImageMagick (jpegtran, cwebp, img2webp, avifenc, heif-enc and tools/heic_maker.py
make the kinds it does not write) or taken from a folder of your own, and from each of them
copies cut short, with bytes flipped, and with header fields (sizes, lengths, counts,
offsets) set to zero or to huge values.

    python3 tools/damaged_pictures.py OUT [--count N] [--seed TEXT] [--from FOLDER]

OUT receives the damaged files (ASCII names that say how each was made), good/ with the
sources and MANIFEST.tsv. Everything is deterministic: the same sources and the same N
give the same bytes, so a file that fails can be made again by name. OUT is emptied first,
so it must be a folder this script made (or a new one).
"""
import argparse
import hashlib
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import zlib

# Good sources drawn with ImageMagick: name, arguments. Small, so one conversion is quick
# and each fits the window at its own size, except the large JPEGs. Metadata that carries dates is left out, so
# the bytes are the same on every run.
PNG_NO_DATES = ["-define", "png:exclude-chunk=date,time"]
SOURCES = [
    ("jpeg-baseline.jpg", ["rose:", "-resize", "120x80!", "-quality", "85"]),
    ("jpeg-progressive.jpg", ["logo:", "-resize", "160x120!", "-interlace", "JPEG", "-quality", "80"]),
    ("jpeg-gray.jpg", ["-size", "96x64", "gradient:white-black", "-colorspace", "Gray"]),
    ("jpeg-444.jpg", ["-seed", "3", "-size", "80x60", "plasma:", "-sampling-factor", "1x1"]),
    ("jpeg-cmyk.jpg", ["rose:", "-colorspace", "CMYK"]),
    # Larger than the picture box, so the converter decodes them at a reduced scale.
    ("jpeg-big-progressive.jpg", ["-size", "2400x1500", "radial-gradient:white-navy", "-interlace", "JPEG",
                                  "-quality", "80"]),
    ("jpeg-big-gray.jpg", ["-size", "2600x1400", "gradient:white-black", "-colorspace", "Gray"]),
    ("png-rgb.png", ["rose:"] + PNG_NO_DATES + ["PNG24:"]),
    ("png-rgba.png", ["-size", "96x64", "xc:none", "-fill", "#E02020", "-draw", "circle 48,32 48,6",
                      "-fill", "#2020E080", "-draw", "rectangle 0,40 95,63"] + PNG_NO_DATES + ["PNG32:"]),
    ("png-palette.png", ["logo:", "-resize", "128x96!", "-colors", "16"] + PNG_NO_DATES + ["PNG8:"]),
    ("png-16bit-interlaced.png", ["-size", "64x48", "gradient:red-blue", "-depth", "16", "-interlace", "PNG"]
     + PNG_NO_DATES + ["PNG48:"]),
    ("gif-still.gif", ["logo:", "-resize", "120x90!"]),
    ("gif-animated.gif", ["-delay", "10", "rose:", "(", "rose:", "-negate", ")"]),
    ("gif-interlaced.gif", ["-seed", "5", "-size", "72x54", "plasma:", "-interlace", "GIF"]),
    ("bmp-24.bmp", ["rose:", "BMP3:"]),
    ("bmp-32-v5.bmp", ["-size", "64x48", "xc:none", "-fill", "#20C020", "-draw", "circle 32,24 32,4", "BMP:"]),
    ("bmp-8-palette.bmp", ["logo:", "-resize", "100x75!", "-colors", "200", "-type", "Palette", "-compress", "None",
                           "BMP3:"]),
    ("bmp-4-palette.bmp", ["rose:", "-colors", "12", "-type", "Palette", "-compress", "None", "BMP3:"]),
    ("bmp-8-rle.bmp", ["logo:", "-resize", "100x75!", "-colors", "32", "-type", "Palette", "-compress", "RLE",
                       "BMP3:"]),
    ("bmp-1.bmp", ["-size", "64x48", "pattern:checkerboard", "-monochrome", "BMP3:"]),
    ("tiff-none.tif", ["rose:", "-compress", "None"]),
    ("tiff-lzw.tif", ["logo:", "-resize", "120x90!", "-compress", "LZW"]),
    ("tiff-zip-tiled.tif", ["rose:", "-compress", "Zip", "-define", "tiff:tile-geometry=32x32"]),
    # (Wine 8 reads no JPEG-compressed TIFF at all, so none is a good source.)
    ("tiff-msb-predictor.tif", ["logo:", "-resize", "100x75!", "-endian", "MSB", "-compress", "LZW",
                                "-define", "tiff:predictor=2"]),
    ("tiff-16bit-zip.tif", ["-size", "64x48", "gradient:red-blue", "-depth", "16", "-compress", "Zip"]),
    ("tiff-packbits-strips.tif", ["logo:", "-resize", "96x72!", "-compress", "RLE", "-define",
                                  "tiff:rows-per-strip=8"]),
    ("ico-bmp.ico", ["rose:", "-define", "icon:auto-resize=48,32,16"]),
    ("ico-png256.ico", ["rose:", "-define", "icon:auto-resize=256,32"]),
]

# Kinds ImageMagick does not write, made losslessly from its JPEGs by jpegtran:
# name, the JPEG it is made from, jpegtran's options.
DERIVED = [
    ("jpeg-arithmetic.jpg", "jpeg-444.jpg", ["-arithmetic"]),
    ("jpeg-restart.jpg", "jpeg-baseline.jpg", ["-restart", "1"]),
    ("jpeg-big-arithmetic-progressive.jpg", "jpeg-big-progressive.jpg", ["-arithmetic", "-progressive"]),
]

# Kinds ImageMagick does not write, encoded from pictures it draws (PNG), by the formats' own
# tools: name, the picture (ImageMagick arguments, or several for an animation's frames), the
# command (IN and OUT stand for the files; EXIF for an orientation-6 EXIF payload). Four
# quadrants of distinct colours (red, green / blue, yellow) show every turn and mirror; the
# converter test looks at them.
def quads(w, h):
    return ["-size", "%dx%d" % (w, h), "xc:blue", "-fill", "#E00000", "-draw", "rectangle 0,0 %d,%d" % (w // 2 - 1, h // 2 - 1),
            "-fill", "#00C000", "-draw", "rectangle %d,0 %d,%d" % (w // 2, w - 1, h // 2 - 1), "-fill", "yellow",
            "-draw", "rectangle %d,%d %d,%d" % (w // 2, h // 2, w - 1, h - 1)]


# (Truecolour: heif-enc 1.15 takes the colours of a palette PNG for others.)
QUADS = quads(160, 96) + ["PNG24:"]
QUADS16 = quads(256, 192) + ["-depth", "16", "PNG48:"]   # grid cells of libavif's least, 64 x 64
RGBA = dict(SOURCES)["png-rgba.png"]
# Larger than the picture box and smooth, so that the converter test can hold what it shows
# against this picture itself (reference/photo.png): the shrinking, not the codec, is measured.
PHOTO = ["-size", "2400x1500", "radial-gradient:white-navy", "(", "-size", "2400x1500", "gradient:#ff8000-#004020", ")",
         "-compose", "multiply", "-composite", "PNG24:"]
HEIC_MAKER = [sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "heic_maker.py")]
ENCODED = [
    ("webp-lossy.webp", [QUADS], ["cwebp", "-quiet", "-q", "85", "IN", "-o", "OUT"]),
    ("webp-lossless-alpha.webp", [RGBA], ["cwebp", "-quiet", "-lossless", "IN", "-o", "OUT"]),
    ("webp-lossy-alpha.webp", [RGBA], ["cwebp", "-quiet", "-q", "70", "IN", "-o", "OUT"]),
    # Larger than the picture box: decoded at the shown scale.
    ("webp-big.webp", [PHOTO], ["cwebp", "-quiet", "-q", "50", "IN", "-o", "OUT"]),
    ("webp-animated.webp", [QUADS, QUADS[:-1] + ["-negate", "PNG24:"], ["-size", "160x96", "xc:#2020E080", "PNG32:"]],
     ["img2webp", "-loop", "0", "-lossy", "-d", "200", "IN", "-o", "OUT"]),
    ("avif-quads.avif", [QUADS], ["avifenc", "-s", "10", "-j", "2", "IN", "OUT"]),
    ("avif-alpha.avif", [RGBA], ["avifenc", "-s", "10", "-j", "2", "IN", "OUT"]),
    ("avif-10bit-grid.avif", [QUADS16], ["avifenc", "-s", "10", "-j", "2", "-d", "10", "--grid", "2x2", "IN", "OUT"]),
    # Its own turn and EXIF saying the same: turned once. (libavif 0.11 puts a grid's irot
    # on its tiles too, which turns them on their own; so no grid here.)
    ("avif-turned.avif", [QUADS], ["avifenc", "-s", "10", "-j", "2", "--irot", "3", "--exif", "EXIF", "IN", "OUT"]),
    ("avif-big.avif", [PHOTO], ["avifenc", "-s", "10", "-j", "2", "IN", "OUT"]),
    ("heic-phone-big.heic", [PHOTO], HEIC_MAKER + ["IN", "OUT", "--tile", "256", "--bits", "8", "--turn", "0"]),
    ("heic-quads.heic", [QUADS], ["heif-enc", "-q", "85", "IN", "-o", "OUT"]),
    ("heic-alpha.heic", [RGBA], ["heif-enc", "IN", "-o", "OUT"]),
    ("heic-10bit.heic", [QUADS16], ["heif-enc", "-b", "10", "IN", "-o", "OUT"]),
    # As a phone writes it: tiles, irot with the same EXIF turn, depth, gain map, thumbnail.
    ("heic-phone-10bit.heic", [QUADS], HEIC_MAKER + ["IN", "OUT", "--tile", "64", "--bits", "10"]),
]

FORMATS = ("jpeg", "png", "gif", "bmp", "tiff", "ico", "webp", "heif", "avif")


def sniff(data):
    if data[:3] == b"\xff\xd8\xff":
        return "jpeg"
    if data[:8] == b"\x89PNG\r\n\x1a\n":
        return "png"
    if data[:6] in (b"GIF87a", b"GIF89a"):
        return "gif"
    if data[:2] == b"BM":
        return "bmp"
    if data[:4] in (b"II*\0", b"MM\0*"):
        return "tiff"
    if data[:4] == b"\0\0\1\0":
        return "ico"
    if data[:4] == b"RIFF" and data[8:12] == b"WEBP":
        return "webp"
    if data[4:8] == b"ftyp":
        return "avif" if b"avif" in data[8:32] else "heif"
    return None


# --- Header fields -------------------------------------------------------------------
# A field is (label, offset, width in bytes, big-endian[, values]); each one is written with
# zero and with huge values, or with the values it names.

def be16(d, o):
    return struct.unpack_from(">H", d, o)[0]


def jpeg_fields(d):
    fields, o, n = [], 2, len(d)
    seen = {}
    while o + 4 <= n and d[o] == 0xFF:
        m = d[o + 1]
        if m == 0xD9:
            break
        ln = be16(d, o + 2)
        name = {0xE0: "APP0", 0xE1: "APP1", 0xDB: "DQT", 0xC4: "DHT", 0xDA: "SOS", 0xDD: "DRI"}.get(m)
        if 0xC0 <= m <= 0xCF and m not in (0xC4, 0xC8, 0xCC):
            name = "SOF"
            fields += [("SOF-height", o + 5, 2, True), ("SOF-width", o + 7, 2, True),
                       ("SOF-components", o + 9, 1, True),
                       ("SOF-precision", o + 4, 1, True, {"zero": 0, "12bit": 12, "huge": 255}),
                       # Both sides large but within what the converter takes: 4000 x 3000.
                       ("SOF-size", o + 5, 4, True, {"12MP": 0x0BB80FA0})]
        if name and seen.get(name, 0) < 1:
            fields.append((name + "-length", o + 2, 2, True))
            seen[name] = 1
        if m == 0xE1 and d[o + 4:o + 10] == b"Exif\0\0":
            fields += tiff_fields(d, o + 10, "EXIF-")
        if m == 0xDA:
            break
        o += 2 + ln
    return fields


def png_fields(d):
    fields, o = [], 8
    seen = set()
    while o + 8 <= len(d):
        ln = struct.unpack_from(">I", d, o)[0]
        kind = d[o + 4:o + 8].decode("latin-1")
        if kind == "IHDR":
            fields += [("IHDR-width", o + 8, 4, True), ("IHDR-height", o + 12, 4, True),
                       ("IHDR-depth", o + 16, 1, True), ("IHDR-colortype", o + 17, 1, True),
                       ("IHDR-interlace", o + 20, 1, True)]
        if kind not in seen:
            fields.append((kind + "-length", o, 4, True))
            seen.add(kind)
        o += 12 + ln
    return fields


def gif_fields(d):
    fields = [("screen-width", 6, 2, False), ("screen-height", 8, 2, False), ("screen-flags", 10, 1, False)]
    o = 13 + (3 << ((d[10] & 7) + 1) if d[10] & 0x80 else 0)
    while o < len(d) and d[o] == 0x21:           # extensions before the first image
        fields.append(("extension%d-size" % len(fields), o + 2, 1, False))
        o += 2
        while o < len(d) and d[o]:
            o += 1 + d[o]
        o += 1
    if o + 10 < len(d) and d[o] == 0x2C:
        fields += [("image-left", o + 1, 2, False), ("image-width", o + 5, 2, False),
                   ("image-height", o + 7, 2, False), ("image-flags", o + 9, 1, False)]
        p = o + 10 + (3 << ((d[o + 9] & 7) + 1) if d[o + 9] & 0x80 else 0)
        fields += [("lzw-codesize", p, 1, False), ("lzw-block", p + 1, 1, False)]
    return fields


def dib_fields(d, base, prefix):
    return [(prefix + "biSize", base, 4, False), (prefix + "biWidth", base + 4, 4, False),
            (prefix + "biHeight", base + 8, 4, False), (prefix + "biBitCount", base + 14, 2, False),
            (prefix + "biCompression", base + 16, 4, False), (prefix + "biSizeImage", base + 20, 4, False),
            (prefix + "biClrUsed", base + 32, 4, False, {"zero": 0, "two": 2, "big": 0x7FFFFFF0,
                                                          "huge": 0xFFFFFFFF})]


def bmp_fields(d):
    return [("bfSize", 2, 4, False), ("bfOffBits", 10, 4, False)] + dib_fields(d, 14, "")


def tiff_fields(d, base=0, prefix=""):
    big = d[base:base + 2] == b"MM"
    e = ">" if big else "<"
    if len(d) < base + 8:
        return []
    ifd = struct.unpack_from(e + "I", d, base + 4)[0]
    fields = [(prefix + "IFD-offset", base + 4, 4, big)]
    if base + ifd + 2 > len(d):
        return fields
    count = struct.unpack_from(e + "H", d, base + ifd)[0]
    fields.append((prefix + "IFD-count", base + ifd, 2, big))
    names = {256: "ImageWidth", 257: "ImageLength", 258: "BitsPerSample", 259: "Compression",
             273: "StripOffsets", 277: "SamplesPerPixel", 278: "RowsPerStrip", 279: "StripByteCounts",
             322: "TileWidth", 324: "TileOffsets", 325: "TileByteCounts", 274: "Orientation",
             34665: "ExifIFD"}
    for i in range(count):
        at = base + ifd + 2 + 12 * i
        if at + 12 > len(d):
            break
        tag, typ = struct.unpack_from(e + "HH", d, at)
        if tag not in names:
            continue
        width = 2 if typ == 3 else 4
        fields.append((prefix + names[tag], at + 8, width, big))
        if tag in (273, 279, 324, 325):
            fields.append((prefix + names[tag] + "-count", at + 4, 4, big))
    return fields


def ico_fields(d):
    fields = [("count", 4, 2, False), ("type", 2, 2, False)]
    count = struct.unpack_from("<H", d, 4)[0]
    for i in range(min(count, 2)):
        e = 6 + 16 * i
        fields += [("entry%d-width" % i, e, 1, False), ("entry%d-bytes" % i, e + 8, 4, False),
                   ("entry%d-offset" % i, e + 12, 4, False)]
        size, off = struct.unpack_from("<II", d, e + 8)
        if off + 40 <= len(d):
            if d[off:off + 8] == b"\x89PNG\r\n\x1a\n":
                fields += [("entry%d-png-" % i + f[0], off + f[1], f[2], f[3]) for f in png_fields(d[off:])[:3]]
            else:
                fields += dib_fields(d, off, "entry%d-" % i)[:4]
    return fields


def riff_chunks(d):
    o = 12
    while o + 8 <= len(d):
        ln = struct.unpack_from("<I", d, o + 4)[0]
        yield d[o:o + 4], o, ln
        o += 8 + ln + (ln & 1)


def webp_fields(d):
    fields, seen = [("RIFF-size", 4, 4, False)], {}
    for kind, o, ln in riff_chunks(d):
        name = kind.decode("latin-1").strip()
        seen[name] = seen.get(name, 0) + 1
        if seen[name] <= 2:
            fields.append(("%s%d-size" % (name, seen[name]), o + 4, 4, False))
        if kind == b"VP8X":
            fields += [("canvas-width", o + 12, 3, False), ("canvas-height", o + 15, 3, False),
                       ("VP8X-flags", o + 8, 1, False)]
        if kind == b"ANMF" and seen[name] <= 2:
            fields += [("frame%d-x" % seen[name], o + 8, 3, False), ("frame%d-width" % seen[name], o + 14, 3, False),
                       ("frame%d-height" % seen[name], o + 17, 3, False)]
        if kind == b"VP8 ":
            fields += [("VP8-width", o + 14, 2, False), ("VP8-height", o + 16, 2, False)]
        if kind == b"VP8L":
            fields.append(("VP8L-size", o + 9, 4, False))
    return fields


def iso_boxes(d, start, end):
    o = start
    while o + 8 <= end:
        size, kind = struct.unpack_from(">I", d, o)[0], d[o + 4:o + 8]
        if size < 8 or o + size > end:
            break
        yield kind, o, size
        o += size


# Boxes that hold boxes, and where their children start.
ISO_CONTAINERS = {b"meta": 12, b"iprp": 8, b"ipco": 8, b"iinf": 14, b"iref": 12, b"dinf": 8}


def iso_fields(d, start=0, end=None):
    """HEIF and AVIF: box sizes, item and property counts, sizes, the grid, the locations."""
    fields, seen = [], {}
    for kind, o, size in iso_boxes(d, start, len(d) if end is None else end):
        name = kind.decode("latin-1")
        seen[name] = seen.get(name, 0) + 1
        if seen[name] > 1:
            continue
        label = "%s%d" % (name, seen[name])
        fields.append((label + "-size", o, 4, True))
        if kind in ISO_CONTAINERS:
            fields += iso_fields(d, o + ISO_CONTAINERS[kind], o + size)
        if kind == b"ispe":
            fields += [(label + "-width", o + 12, 4, True), (label + "-height", o + 16, 4, True)]
        if kind in (b"iinf", b"pitm", b"iloc"):
            fields.append((label + "-count-or-id", o + (14 if kind == b"iloc" else 12), 2, True))
        if kind == b"iloc" and d[o + 8] in (0, 1):
            # The first items' extents: offset and length.
            v, at = d[o + 8], o + 16
            for i in range(2):
                at += 2 + (2 if v == 1 else 0) + 2
                if at + 10 > o + size:
                    break
                fields += [("%s-item%d-extents" % (label, i), at, 2, True),
                           ("%s-item%d-offset" % (label, i), at + 2, 4, True),
                           ("%s-item%d-length" % (label, i), at + 6, 4, True)]
                at += 2 + 8 * struct.unpack_from(">H", d, at)[0]
        if kind == b"ipma":
            fields.append((label + "-count", o + 12, 4, True))
        if kind == b"irot":
            fields.append((label + "-angle", o + 8, 1, True, {"zero": 0, "three": 3, "huge": 255}))
        if kind == b"idat" and size >= 16:     # a grid's rows, columns and output size
            fields += [(label + "-grid-tiles", o + 10, 2, True), (label + "-grid-width", o + 12, 2, True)]
        if kind in (b"hvcC", b"av1C"):
            fields.append((label + "-head", o + 8, 4, True))
    return fields


FIELDS = {"jpeg": jpeg_fields, "png": png_fields, "gif": gif_fields, "bmp": bmp_fields, "tiff": tiff_fields,
          "ico": ico_fields, "webp": webp_fields, "heif": iso_fields, "avif": iso_fields}


def short_palette(fmt, d):
    """The same picture with a palette of two colours, its pixels still using the others."""
    if fmt == "png":
        o = 8
        while o + 12 <= len(d):
            ln = struct.unpack_from(">I", d, o)[0]
            if d[o + 4:o + 8] == b"PLTE" and ln > 6:
                body = b"PLTE" + d[o + 8:o + 14]
                chunk = struct.pack(">I", 6) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
                return d[:o] + chunk + d[o + 12 + ln:]
            o += 12 + ln
    if fmt == "gif" and d[10] & 0x80 and d[10] & 7:
        size = 3 << ((d[10] & 7) + 1)
        return d[:10] + bytes([d[10] & 0xF8]) + d[11:13 + 6] + d[13 + size:]
    return None


def fix_png_crcs(d):
    """Recomputes every chunk's CRC, so a changed field reaches the decoder."""
    d, o = bytearray(d), 8
    while o + 12 <= len(d):
        ln = struct.unpack_from(">I", d, o)[0]
        if o + 12 + ln > len(d):
            break
        struct.pack_into(">I", d, o + 8 + ln, zlib.crc32(bytes(d[o + 4:o + 8 + ln])) & 0xFFFFFFFF)
        o += 12 + ln
    return bytes(d)


def header_end(fmt, d):
    """Where the header ends and the pixel data begins, roughly."""
    if fmt == "jpeg":
        i = d.find(b"\xff\xda")
        return i + 2 if i > 0 else len(d) // 2
    if fmt == "png":
        i = d.find(b"IDAT")
        return i + 4 if i > 0 else len(d) // 2
    if fmt == "bmp":
        return struct.unpack_from("<I", d, 10)[0] if len(d) >= 14 else 14
    if fmt == "ico":
        return 6 + 16 * struct.unpack_from("<H", d, 4)[0] + 40
    if fmt == "gif":
        i = d.find(b"\x2c", 13)
        return i + 10 if i > 0 else 13
    if fmt == "webp":
        return min(len(d) - 1, 12 + 8 + 30)
    if fmt in ("heif", "avif"):
        meta = [o + size for kind, o, size in iso_boxes(d, 0, len(d)) if kind == b"meta"]
        return meta[0] if meta else len(d) // 2
    return min(len(d) - 1, 8 + 2 + 12 * 10)


# --- Damage --------------------------------------------------------------------------

def damages(fmt, d, rng, flips):
    """Yields (kind, description, bytes) for one good file."""
    n = len(d)
    he = header_end(fmt, d)
    cuts = sorted({1, 5, 17, he, he + 3, n // 4, n // 2, (9 * n) // 10, n - 1} - {0, n})
    for c in cuts:
        if 0 < c < n:
            yield "cut", "at%06d" % c, d[:c]

    for f in range(flips):
        b = bytearray(d)
        # Half of the flips land in the header, where a decoder takes its decisions.
        span = he if f % 2 == 0 and he > 4 else n
        edits = []
        for _ in range(1 + f % 3):
            at = rng.randrange(span)
            how = rng.randrange(3)
            if how == 0:
                b[at] ^= 1 << rng.randrange(8)
            elif how == 1:
                b[at] = 0xFF
            else:
                b[at] = rng.randrange(256)
            edits.append("%d" % at)
        yield "flip", "x" + "-".join(edits), bytes(b)

    short = short_palette(fmt, d)
    if short:
        yield "size", "palette-two", short

    # An animation whose second frame is broken: its first still shows as a player shows it.
    frames = [(o, ln) for kind, o, ln in riff_chunks(d) if kind == b"ANMF"] if fmt == "webp" else []
    if len(frames) > 1:
        o, ln = frames[1]
        b = bytearray(d)
        for k in range(8):
            at = o + 24 + 16 + rng.randrange(max(1, ln - 40))
            b[at] ^= 0x5A
        yield "frame", "second-flipped", bytes(b)
        yield "frame", "second-cut", d[:o + 8 + ln // 2]

    for field in FIELDS[fmt](d):
        label, at, width, big = field[:4]
        if at + width > n:
            continue
        if len(field) > 4:
            values = field[4]
        else:
            values = {"zero": 0, "huge": (1 << (8 * width)) - 1}
            if width == 4:
                values["big"] = 0x7FFFFFF0
        for vname, v in values.items():
            b = bytearray(d)
            b[at:at + width] = v.to_bytes(width, "big" if big else "little")
            out = bytes(b)
            if out == d:
                continue
            yield "size", "%s-%s" % (label, vname), out
            if fmt == "png" or (fmt == "ico" and "-png-" in label):
                fixed = fix_png_crcs(out) if fmt == "png" else fix_ico_png(out)
                if fixed != out:
                    yield "size", "%s-%s-crcok" % (label, vname), fixed


def fix_ico_png(d):
    d = bytearray(d)
    count = struct.unpack_from("<H", d, 4)[0]
    for i in range(count):
        size, off = struct.unpack_from("<II", d, 6 + 16 * i + 8)
        if d[off:off + 8] == b"\x89PNG\r\n\x1a\n":
            d[off:off + size] = fix_png_crcs(bytes(d[off:off + size]))
    return bytes(d)


def ascii_name(s):
    return re.sub(r"[^A-Za-z0-9._-]", "_", s)[:40]


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("out")
    ap.add_argument("--count", type=int, default=0,
                    help="damaged files wanted (default: the fixed set, about 400); more adds random flips")
    ap.add_argument("--seed", default="",
                    help="any text: another seed gives other flips and other extra files")
    ap.add_argument("--from", dest="source", metavar="FOLDER",
                    help="take the good pictures (JPEG, PNG, GIF, BMP, TIFF, ICO, WebP, AVIF, HEIC) from this "
                         "folder instead")
    args = ap.parse_args()

    out = args.out
    manifest = os.path.join(out, "MANIFEST.tsv")
    if os.path.isdir(out) and os.listdir(out) and not os.path.exists(manifest):
        sys.exit("%s is not empty and was not made by this script; choose another folder" % out)
    shutil.rmtree(out, ignore_errors=True)
    good = os.path.join(out, "good")
    os.makedirs(good)

    sources = []
    if args.source:
        for root, _, files in sorted(os.walk(args.source)):
            for f in sorted(files):
                with open(os.path.join(root, f), "rb") as fh:
                    data = fh.read()
                fmt = sniff(data)
                if fmt:
                    ext = {"jpeg": ".jpg", "tiff": ".tif", "heif": ".heic"}.get(fmt, "." + fmt)
                    name = "u%03d-%s%s" % (len(sources), ascii_name(os.path.splitext(f)[0]), ext)
                    sources.append((name, data))
        if not sources:
            sys.exit("no JPEG, PNG, GIF, BMP, TIFF, ICO, WebP, AVIF or HEIC files in %s" % args.source)
    else:
        for name, im in SOURCES:
            path = os.path.join(good, name)
            # The output format prefix (PNG24: ...) goes with the file name.
            prefix = im[-1] if im[-1].endswith(":") else ""
            cmd = ["convert"] + (im[:-1] if prefix else im) + ["-strip", prefix + path]
            subprocess.run(cmd, check=True)
            with open(path, "rb") as fh:
                sources.append((name, fh.read()))
        work = os.path.join(out, "work")
        os.makedirs(work)
        exif = os.path.join(work, "exif6.bin")
        with open(exif, "wb") as fh:
            fh.write(b"MM\0\x2a\0\0\0\x08\0\x01" + struct.pack(">HHIHH", 274, 3, 1, 6, 0) + b"\0\0\0\0")
        for name, pictures, command in ENCODED:
            ins = []
            for k, im in enumerate(pictures):
                prefix = im[-1] if im[-1].endswith(":") else ""
                ins.append(os.path.join(work, "%s-%d.png" % (name, k)))
                subprocess.run(["convert"] + (im[:-1] if im[-1].endswith(":") else im) + PNG_NO_DATES
                               + ["-strip", prefix + ins[-1]], check=True)
            path = os.path.join(good, name)
            cmd = []
            for a in command:
                cmd += ins if a == "IN" else [path] if a == "OUT" else [exif] if a == "EXIF" else [a]
            done = subprocess.run(cmd, capture_output=True, text=True)
            if done.returncode != 0:
                sys.exit("%s failed:\n%s%s" % (" ".join(cmd), done.stdout, done.stderr))
            with open(path, "rb") as fh:
                sources.append((name, fh.read()))
            if pictures[0] is PHOTO and not os.path.exists(os.path.join(out, "reference", "photo.png")):
                os.makedirs(os.path.join(out, "reference"))
                shutil.copy(ins[0], os.path.join(out, "reference", "photo.png"))
        shutil.rmtree(work)
        for name, base, opts in DERIVED:
            path = os.path.join(good, name)
            subprocess.run(["jpegtran"] + opts + ["-outfile", path, os.path.join(good, base)], check=True)
            with open(path, "rb") as fh:
                sources.append((name, fh.read()))
        # A camera's orientation tag: the converter reads it itself, so it gets damaged too.
        made_by_name = dict(sources)
        exif = b"MM\0\x2a\0\0\0\x08\0\x01" + struct.pack(">HHIHH", 274, 3, 1, 6, 0) + b"\0\0\0\0"
        seg = b"\xff\xe1" + struct.pack(">H", 2 + 6 + len(exif)) + b"Exif\0\0" + exif
        # (A CMYK one goes through WIC, the others through libjpeg-turbo.)
        for name, base in (("jpeg-exif6.jpg", "jpeg-baseline.jpg"), ("jpeg-big-exif6.jpg", "jpeg-big-progressive.jpg"),
                           ("jpeg-cmyk-exif6.jpg", "jpeg-cmyk.jpg")):
            data = made_by_name[base]
            sources.insert(1, (name, data[:2] + seg + data[2:]))

    rows, made = [], []
    for name, data in sources:
        with open(os.path.join(good, name), "wb") as fh:
            fh.write(data)
        fmt = sniff(data)
        rng = random.Random(args.seed + name)
        stem, ext = os.path.splitext(name)
        for kind, desc, bytes_ in damages(fmt, data, rng, 4):
            made.append(("%s__%s-%s%s" % (stem, kind, desc, ext), name, fmt, kind, desc, bytes_))

    # The same damage from several sources is often the same file; keep one of each.
    seen, unique = set(), []
    for m in made:
        h = hashlib.sha1(m[5]).digest()
        if h not in seen:
            seen.add(h)
            unique.append(m)
    made = unique

    if args.count and args.count > len(made):
        rng = random.Random(args.seed + "more")
        k = 0
        while len(made) < args.count:
            name, data = sources[k % len(sources)]
            stem, ext = os.path.splitext(name)
            b = bytearray(data)
            edits = []
            for _ in range(1 + rng.randrange(8)):
                at = rng.randrange(len(b))
                b[at] = rng.randrange(256)
                edits.append("%d" % at)
            if rng.randrange(4) == 0:
                cut = rng.randrange(1, len(b))
                del b[cut:]
                edits.append("cut%d" % cut)
            h = hashlib.sha1(bytes(b)).digest()
            if h not in seen:
                seen.add(h)
                made.append(("%s__more%05d-x%s%s" % (stem, k, "-".join(edits)[:60], ext), name,
                             sniff(data), "more", "-".join(edits), bytes(b)))
            k += 1
    elif args.count:
        # Fewer: an even spread over the whole set, so every format and kind stays in.
        step = len(made) / args.count
        # An animation's broken second frame is always in.
        made = [made[int(i * step)] for i in range(args.count)] + [m for m in made if m[3] == "frame"]

    names = set()
    for fname, src, fmt, kind, desc, data in made:
        stem, ext = os.path.splitext(fname)
        k = 2
        while fname in names:
            fname = "%s-%d%s" % (stem, k, ext)
            k += 1
        names.add(fname)
        with open(os.path.join(out, fname), "wb") as fh:
            fh.write(data)
        rows.append("%s\t%s\t%s\t%s\t%s" % (fname, src, fmt, kind, desc))
    with open(manifest, "w") as fh:
        fh.write("file\tsource\tformat\tdamage\tdetail\n" + "\n".join(rows) + "\n")

    counts = {}
    for _, _, fmt, kind, _, _ in made:
        counts[(fmt, kind)] = counts.get((fmt, kind), 0) + 1
    kinds = sorted({k for _, k in counts})
    print("%d good sources, %d damaged files in %s" % (len(sources), len(made), out))
    print("format  " + "".join("%7s" % k for k in kinds))
    for fmt in FORMATS:
        if any(f == fmt for f, _ in counts):
            print("%-8s" % fmt + "".join("%7d" % counts.get((fmt, k), 0) for k in kinds))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes HEIC files laid out as a phone writes its photos, for the damaged-picture corpus
and the benchmark: the picture as a grid of HEVC tiles (x265) cut to its size by the grid,
turned by an irot property, with an EXIF item whose orientation says the same turn (a
reader that applies both turns it twice), a depth map and an HDR gain map as auxiliary
images, a thumbnail, and 8 or 10 bits. heif-enc 1.15 writes none of this layout.

    python3 tools/heic_maker.py PICTURE OUT.heic [--tile 512] [--bits 10] [--turn 3] [--size WxH]

PICTURE is any picture ImageMagick reads (resized to --size if given); the grid covers it
with whole tiles.
"""
import argparse
import os
import struct
import subprocess
import sys
import tempfile
from array import array


def box(kind, *payload):
    body = b"".join(payload)
    return struct.pack(">I", 8 + len(body)) + kind + body


def full(kind, version, flags, *payload):
    return box(kind, struct.pack(">I", version << 24 | flags), *payload)


def yuv420(picture, w, h, bits, work, crop=None):
    """The picture at w x h as I420 frames of bits bits: one, or its tiles of crop x crop
    (in rows) over a canvas of whole tiles."""
    out = os.path.join(work, "frames.yuv")
    cmd = ["convert", picture + "[0]", "-resize", "%dx%d!" % (w, h)]
    if crop:
        w, h = -(-w // crop) * crop, -(-h // crop) * crop
        cmd += ["-background", "black", "-extent", "%dx%d" % (w, h), "-crop", "%dx%d" % (crop, crop), "+repage"]
    depth = 8 if bits == 8 else 16
    # (ImageMagick's YUV writer ends with status 1 even when it wrote everything: the size tells.)
    subprocess.run(cmd + ["-depth", str(depth), "-sampling-factor", "4:2:0", "yuv:" + out])
    names = [out] if not crop else [os.path.join(work, "frames-%d.yuv" % i) for i in range((w // crop) * (h // crop))]
    data = b"".join(open(n, "rb").read() for n in names)
    if len(data) != w * h * 3 // 2 * depth // 8:
        sys.exit("ImageMagick wrote %d bytes of YUV for %s, not %d" % (len(data), picture, w * h * 3 // 2 * depth // 8))
    if depth == 16:
        # ImageMagick writes the samples high byte first, x265 takes them low byte first.
        a = array("H", data)
        a.byteswap()
        data = a.tobytes()
    return data


def hevc(frames, w, h, count, bits, work):
    """x265's NAL units for count intra-coded frames: (VPS, SPS, PPS, [one picture's NALs])."""
    src, dst = os.path.join(work, "in.yuv"), os.path.join(work, "out.hevc")
    open(src, "wb").write(frames)
    subprocess.run(["x265", "--input", src, "--input-res", "%dx%d" % (w, h), "--input-csp", "i420", "--fps", "1",
                    "--frames", str(count), "--input-depth", "8" if bits == 8 else "16", "--output-depth", str(bits),
                    "--keyint", "1", "--no-open-gop", "--preset", "ultrafast", "--no-info", "--no-progress", "--log-level", "error",
                    "--range", "full", "-o", dst], check=True)
    stream = open(dst, "rb").read()
    nals, at = [], stream.find(b"\0\0\1")
    while at >= 0:
        nxt = stream.find(b"\0\0\1", at + 3)
        end = len(stream) if nxt < 0 else nxt - (1 if stream[nxt - 1] == 0 else 0)
        nals.append(stream[at + 3:end])
        at = nxt
    params = {t: next(n for n in nals if n[0] >> 1 == t) for t in (32, 33, 34)}
    pictures = []
    for n in nals:
        if (n[0] >> 1) < 32:                  # a slice; its first one starts a picture
            if n[2] & 0x80:
                pictures.append([])
            pictures[-1].append(n)
    return params[32], params[33], params[34], pictures


def hvcc(vps, sps, pps, bits):
    rbsp = sps.replace(b"\0\0\3", b"\0\0")   # the profile fields without emulation bytes
    record = bytes([1]) + rbsp[3:15] + b"\xf0\x00\xfc" + bytes([0xfd, 0xf8 | (bits - 8), 0xf8 | (bits - 8)])
    record += b"\0\0\x0f" + bytes([3])
    for nal in (vps, sps, pps):
        record += bytes([0x80 | nal[0] >> 1]) + struct.pack(">HH", 1, len(nal)) + nal
    return box(b"hvcC", record)


def coded(pictures):
    return [b"".join(struct.pack(">I", len(n)) + n for n in p) for p in pictures]


def make(picture, out, tile=512, bits=10, turn=3, width=None, height=None):
    with tempfile.TemporaryDirectory() as work:
        size = subprocess.run(["identify", "-format", "%w %h", picture + "[0]"], check=True,
                              capture_output=True, text=True).stdout.split()
        w, h = width or int(size[0]), height or int(size[1])
        cols, rows = -(-w // tile), -(-h // tile)
        frames = yuv420(picture, w, h, bits, work, tile)
        vps, sps, pps, tiles = hevc(frames, tile, tile, cols * rows, bits, work)
        # The rest at sizes of their own, each one picture of its own encoder run.
        extras = {}
        for name, ew, eh in (("thumb", 320, 240), ("depth", 256, 192), ("gain", 256, 192)):
            src = picture if name == "thumb" else os.path.join(work, name + ".png")
            if name != "thumb":
                subprocess.run(["convert", "-size", "%dx%d" % (ew, eh), "gradient:white-black", "-colorspace", "Gray",
                                src], check=True)
            e = hevc(yuv420(src, ew, eh, 8, work), ew, eh, 1, 8, work)
            extras[name] = (ew, eh, hvcc(*e[:3], 8), coded(e[3])[0])
        # The EXIF block says the same turn as irot: 6 for a quarter turn clockwise.
        orient = {0: 1, 1: 8, 2: 3, 3: 6}[turn]
        tiff = b"MM\0\x2a\0\0\0\x08\0\x01" + struct.pack(">HHIHH", 274, 3, 1, orient, 0) + b"\0\0\0\0"
        exif = struct.pack(">I", 6) + b"Exif\0\0" + tiff

        # Items: 1 the grid (primary), 2.. the tiles, then thumbnail, depth, gain map, EXIF.
        grid, first = 1, 2
        ids = {"thumb": first + len(tiles), "depth": first + len(tiles) + 1, "gain": first + len(tiles) + 2}
        exif_id = first + len(tiles) + 3
        data = [(first + i, t) for i, t in enumerate(coded(tiles))]
        data += [(ids[k], extras[k][3]) for k in ("thumb", "depth", "gain")] + [(exif_id, exif)]
        grid_data = struct.pack(">BBBBHH", 0, 0, rows - 1, cols - 1, w, h)

        def infe(item, kind, hidden=False):
            return full(b"infe", 2, 1 if hidden else 0, struct.pack(">HH", item, 0), kind, b"\0")
        infes = [infe(grid, b"grid")] + [infe(i, b"hvc1", True) for i, _ in data[:len(tiles)]]
        infes += [infe(ids[k], b"hvc1") for k in ("thumb", "depth", "gain")] + [infe(exif_id, b"Exif")]

        def ispe(pw, ph):
            return full(b"ispe", 0, 0, struct.pack(">II", pw, ph))
        pixi = full(b"pixi", 0, 0, bytes([3, bits, bits, bits]))
        colr = box(b"colr", b"nclx", struct.pack(">HHHB", 1, 13, 6, 0x80))
        props = [hvcc(vps, sps, pps, bits), ispe(tile, tile), ispe(w, h), box(b"irot", bytes([turn])), pixi, colr]
        assoc = {grid: [3, 0x84, 5, 6]}
        assoc.update({i: [0x81, 2, 5] for i, _ in data[:len(tiles)]})
        aux = {"depth": b"urn:mpeg:hevc:2015:auxid:2\0", "gain": b"urn:com:apple:photo:2020:aux:hdrgainmap\0"}
        for k in ("thumb", "depth", "gain"):
            ew, eh, config, _ = extras[k]
            props += [config, ispe(ew, eh)]
            assoc[ids[k]] = [0x80 | (len(props) - 1), len(props)]
            if k in aux:
                props.append(full(b"auxC", 0, 0, aux[k]))
                assoc[ids[k]].append(len(props))
        ipma = full(b"ipma", 0, 0, struct.pack(">I", len(assoc)),
                    *[struct.pack(">HB", i, len(a)) + bytes(a) for i, a in sorted(assoc.items())])

        def ref(kind, src, dsts):
            return box(kind, struct.pack(">HH", src, len(dsts)), *[struct.pack(">H", d) for d in dsts])
        iref = full(b"iref", 0, 0, ref(b"dimg", grid, [i for i, _ in data[:len(tiles)]]), ref(b"thmb", ids["thumb"], [grid]),
                    ref(b"auxl", ids["depth"], [grid]), ref(b"auxl", ids["gain"], [grid]), ref(b"cdsc", exif_id, [grid]))
        ftyp = box(b"ftyp", b"heic", struct.pack(">I", 0), b"mif1MiHEMiPrmiafMiHBheic")

        def meta(base):
            # iloc version 1: the grid's few bytes in idat, everything else in mdat.
            entries = [struct.pack(">HHHH", grid, 1, 0, 1) + struct.pack(">II", 0, len(grid_data))]
            at = base
            for item, blob in data:
                entries.append(struct.pack(">HHHH", item, 0, 0, 1) + struct.pack(">II", at, len(blob)))
                at += len(blob)
            iloc = full(b"iloc", 1, 0, bytes([0x44, 0x00]), struct.pack(">H", len(entries)), *entries)
            hdlr = full(b"hdlr", 0, 0, b"\0\0\0\0pict" + b"\0" * 12 + b"\0")
            return full(b"meta", 0, 0, hdlr, full(b"pitm", 0, 0, struct.pack(">H", grid)), iloc,
                        full(b"iinf", 0, 0, struct.pack(">H", len(infes)), *infes), iref,
                        box(b"iprp", box(b"ipco", *props), ipma), box(b"idat", grid_data))
        base = len(ftyp) + len(meta(0)) + 8
        with open(out, "wb") as fh:
            fh.write(ftyp + meta(base) + box(b"mdat", *[blob for _, blob in data]))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("picture")
    ap.add_argument("out")
    ap.add_argument("--tile", type=int, default=512)
    ap.add_argument("--bits", type=int, default=10, choices=(8, 10))
    ap.add_argument("--turn", type=int, default=3, choices=(0, 1, 2, 3), help="irot: quarter turns anticlockwise")
    ap.add_argument("--size", help="WxH")
    args = ap.parse_args()
    w, h = map(int, args.size.split("x")) if args.size else (None, None)
    make(args.picture, args.out, args.tile, args.bits, args.turn, w, h)


if __name__ == "__main__":
    sys.exit(main())

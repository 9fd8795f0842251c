"""Plots in every format: on the two-station example run with
--plots ps,png,svg,pdf, every PostScript figure has a PNG, an SVG and a PDF
of the same name stem (.png, .svg, .pdf), the results file lists them with
their kind and format, and each one renders: the PNG decodes completely
(chunk checksums, image data, row filters) into a picture that is not one
colour, the SVG parses as an SVG document with drawing in it, the PDF opens
(pdfinfo) and rasterizes (pdftoppm) to a page that is not blank; the three
have the page's proportions. The files the run without options writes are
written alike by this run (PostScript but for its creation date).

usage: figures_test.py KALDERO WORK"""
import json
import os
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET
import zlib

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import common  # noqa: E402

SVG_NS = "{http://www.w3.org/2000/svg}"
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}  # by PNG colour type


def unfilter(raw, width, height, bpp):
    """The pixel bytes of 8-bit PNG image data, the row filters undone."""
    stride = width * bpp
    rows = []
    prev = bytearray(stride)
    pos = 0
    for _ in range(height):
        kind = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += stride + 1
        if kind == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif kind == 2:
            line = bytearray((a + b) & 0xFF for a, b in zip(line, prev))
        elif kind == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + prev[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                b = prev[i]
                c = prev[i - bpp] if i >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else b if pb <= pc else c
                line[i] = (line[i] + pred) & 0xFF
        elif kind != 0:
            raise ValueError(f"row filter {kind}")
        rows.append(bytes(line))
        prev = line
    return rows


def decode_png(data):
    """(width, height, rows of pixel bytes, bytes per pixel); ValueError
    for a file that does not decode."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("no PNG signature")
    pos, chunks = 8, []
    while pos < len(data):
        if pos + 12 > len(data):
            raise ValueError("truncated chunk")
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if len(body) != length or zlib.crc32(kind + body) != crc:
            raise ValueError(f"bad {kind!r} chunk")
        chunks.append((kind, body))
        pos += 12 + length
    if not chunks or chunks[0][0] != b"IHDR" or chunks[-1][0] != b"IEND":
        raise ValueError("no IHDR first or IEND last")
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    if depth != 8 or colour not in CHANNELS or interlace != 0 or not width or not height:
        raise ValueError(f"unexpected header {width}x{height} depth {depth} colour {colour} "
                         f"interlace {interlace}")
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    bpp = CHANNELS[colour]
    if len(raw) != height * (width * bpp + 1):
        raise ValueError(f"{len(raw)} bytes of image data for {width}x{height}")
    return width, height, unfilter(raw, width, height, bpp), bpp


def ink_fraction(rows, bpp):
    """The share of pixels that differ from the commonest (background) one."""
    counts = {}
    total = 0
    for row in rows:
        for i in range(0, len(row), bpp):
            px = row[i:i + bpp]
            counts[px] = counts.get(px, 0) + 1
            total += 1
    return 1.0 - max(counts.values()) / total


def svg_size(root):
    box = root.get("viewBox")
    if box:
        _, _, w, h = (float(v) for v in box.replace(",", " ").split())
        return w, h
    num = lambda s: float(re.match(r"[\d.]+", s).group())  # noqa: E731
    return num(root.get("width")), num(root.get("height"))


def check_figure(c, folder, stem):
    aspects = {}
    try:
        w, h, rows, bpp = decode_png(open(os.path.join(folder, stem + ".png"), "rb").read())
        aspects["png"] = w / h
        ink = ink_fraction(rows, bpp)
        c.check(0.001 < ink < 0.9, f"{stem}.png: {ink:.2%} of the pixels drawn")
    except (ValueError, zlib.error, OSError) as e:
        c.check(False, f"{stem}.png does not decode: {e}")
    try:
        root = ET.parse(os.path.join(folder, stem + ".svg")).getroot()
        c.check(root.tag == SVG_NS + "svg", f"{stem}.svg: root element {root.tag}")
        drawn = [e for e in root.iter() if e.tag in (SVG_NS + "path", SVG_NS + "use",
                                                    SVG_NS + "line", SVG_NS + "polyline",
                                                    SVG_NS + "rect")
                 and (e.tag != SVG_NS + "path" or e.get("d", "").strip())]
        c.check(len(drawn) >= 10, f"{stem}.svg: {len(drawn)} drawing elements")
        aspects["svg"] = (lambda s: s[0] / s[1])(svg_size(root))
    except (ET.ParseError, OSError, ValueError, TypeError, AttributeError) as e:
        c.check(False, f"{stem}.svg does not parse: {e}")
    pdf = os.path.join(folder, stem + ".pdf")
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True)
    if c.check(info.returncode == 0, f"{stem}.pdf does not open: {info.stderr.strip()}"):
        c.check(re.search(r"^Pages:\s+1$", info.stdout, re.M) is not None,
                f"{stem}.pdf: not one page")
        m = re.search(r"^Page size:\s+([\d.]+) x ([\d.]+) pts", info.stdout, re.M)
        if c.check(m is not None, f"{stem}.pdf: no page size"):
            aspects["pdf"] = float(m[1]) / float(m[2])
        page = subprocess.run(["pdftoppm", "-r", "24", "-gray", "-singlefile", pdf],
                              capture_output=True)
        m = re.match(rb"P5\s+(\d+)\s+(\d+)\s+255\s", page.stdout)
        if c.check(page.returncode == 0 and m is not None, f"{stem}.pdf does not rasterize"):
            pixels = page.stdout[m.end():]
            dark = sum(1 for p in pixels if p < 160) / max(1, len(pixels))
            c.check(0.001 < dark < 0.9, f"{stem}.pdf: {dark:.2%} of the page drawn")
    if len(aspects) == 3:
        lo, hi = min(aspects.values()), max(aspects.values())
        c.check(hi / lo < 1.02, f"{stem}: PNG, SVG and PDF of other proportions: {aspects}")


def without_date(data):
    return re.sub(rb"^%%CreationDate:.*$", b"", data, flags=re.M)


def main():
    exe, work = common.usage(sys.argv, ["KALDERO", "WORK"])
    exe = os.path.abspath(exe)
    c = common.Checks()
    common.fresh_folder(work)
    plain = common.copy_examples(os.path.join(work, "plain"))
    inputs = common.files_in(plain)
    proc = common.run(exe, plain, ["KALDERO.D"])
    c.check(proc.returncode == 0, f"plain run: exit status {proc.returncode}")
    folder = common.copy_examples(os.path.join(work, "formats"))
    proc = common.run(exe, folder, ["--batch", "--plots", "ps,png,svg,pdf", "--results",
                                    "r.json", "KALDERO.D"])
    if not c.check(proc.returncode == 0, f"exit status {proc.returncode}"):
        return c.finish()

    written = common.files_in(folder) - inputs
    stems = sorted(f[:-3] for f in written if f.endswith(".PS"))
    # The stations' 11, and the two campaign figures of the run (--plots).
    c.check(len(stems) == 13, f"{len(stems)} PostScript figures, the example draws 13")
    c.check("KALDERO_ALL" in stems and "KALDERO_RECOVERY" in stems,
            f"no campaign figures named after the control file: {stems}")
    for stem in stems:
        missing = [e for e in (".png", ".svg", ".pdf") if stem + e not in written]
        if c.check(not missing, f"{stem}.PS has no {', '.join(missing)}"):
            check_figure(c, folder, stem)
    strays = [f for f in written if f.endswith((".png", ".svg", ".pdf"))
              and os.path.splitext(f)[0] not in stems]
    c.check(not strays, f"figures without a PostScript one: {strays}")

    # The results file lists every figure with its format, each format of
    # a figure under the same kind.
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    listed = {}
    for outputs in [s["outputs"] for s in doc["stations"]] + [doc["run"]["outputs"]]:
        for o in outputs:
            if "format" in o:
                listed[o["file"]] = (o["kind"], o["format"])
    c.check(listed.get("KALDERO_RECOVERY.png", ("",))[0] == "campaign recovery plot",
            "the recovery figure is not listed as the campaign recovery plot")
    for stem in stems:
        kinds = set()
        for ext, fmt in ((".PS", "ps"), (".png", "png"), (".svg", "svg"), (".pdf", "pdf")):
            entry = listed.get(stem + ext)
            if c.check(entry is not None and entry[1] == fmt,
                       f"the results file lists {stem}{ext} as {entry}"):
                kinds.add(entry[0])
        c.check(len(kinds) == 1, f"{stem}: the formats under several kinds {kinds}")

    # The other formats leave every file of a run without options as it is.
    for name in sorted(common.files_in(plain) - inputs):
        if not c.check(name in written, f"{name} of the plain run not written"):
            continue
        a = open(os.path.join(plain, name), "rb").read()
        b = open(os.path.join(folder, name), "rb").read()
        if name.endswith(".PS"):
            a, b = without_date(a), without_date(b)
        c.check(a == b, f"{name} differs from the run without options")
    return c.finish()


if __name__ == "__main__":
    sys.exit(main())

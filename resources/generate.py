#!/usr/bin/env python3
"""Generates every picture, sound, text and the typeface of the distribution.

Run from anywhere:  python3 resources/generate.py [--contact-sheet-only]

Everything is drawn from scratch with fixed seeds, so two runs give identical files.
Outputs:
  resources/generated/        pictures (BMP), sounds (WAV), the welcome text (cp1251, CR LF)
  resources/dist/Resource/    files that lie beside the program: WINDSOR.TTF, its licence, About.bmp
  build/artwork/              contact sheet and full-size previews (not committed)

Needs Debian's python3-pil, python3-fonttools and python3-numpy; the typeface is derived from
fonts-vollkorn (condensed, re-hinted with ttfautohint, renamed). Missing Debian packages are
installed with apt-get when the generator runs as root; the build itself never runs this script.
"""

import argparse
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
GEN_DIR = os.path.join(HERE, "generated")
DIST_DIR = os.path.join(HERE, "dist", "Resource")
SCRIPT_DIR = HERE  # where artwork.rc and MANIFEST.md are written
PREVIEW_DIR = os.path.join(os.environ.get("MVT_BUILD_DIR", os.path.join(REPO, "build")), "artwork")

SOURCE_FONT_PACKAGE = "fonts-vollkorn"
SOURCE_FONT = "/usr/share/fonts/truetype/vollkorn/Vollkorn-SemiBold.ttf"
SOURCE_FONT_LICENSE = "/usr/share/doc/fonts-vollkorn/copyright"
TITLE_FONT_PACKAGE = "fonts-triod-postnaja"
TITLE_FONT = "/usr/share/fonts/truetype/triod-postnaja/TriodPostnaja.ttf"
NEEDED_PACKAGES = {
    "numpy": "python3-numpy",
    SOURCE_FONT: SOURCE_FONT_PACKAGE,
    TITLE_FONT: TITLE_FONT_PACKAGE,
    "/usr/bin/ttfautohint": "ttfautohint",
}


def ensure_packages():
    """Installs the Debian packages the generator draws on (generation time only)."""
    missing = []
    for what, package in NEEDED_PACKAGES.items():
        if what.startswith("/"):
            if not os.path.exists(what):
                missing.append(package)
        else:
            try:
                __import__(what)
            except ImportError:
                missing.append(package)
    if not missing:
        return
    if os.geteuid() != 0:
        sys.exit("generate.py: missing Debian packages (install as root): " + " ".join(missing))
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(["apt-get", "install", "-y", "-qq", "--no-install-recommends", *missing],
                   check=True, env=env)


ensure_packages()

import numpy as np  # noqa: E402
from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont  # noqa: E402
from fontTools import subset as ft_subset  # noqa: E402
from fontTools.ttLib import TTFont, newTable  # noqa: E402
from fontTools.ttLib.tables import ttProgram  # noqa: E402

# ---------------------------------------------------------------------------------------------
# Palette of the theme. Window colours are given to the program as COLORREF (red lowest byte).
FORM_BROWN = (38, 26, 17)      # 0x111A26
GOLD = (176, 141, 68)          # 0x448DB0, labels on dark areas
INK_BROWN = (90, 72, 35)       # 0x23485A, labels on parchment
LIME = (0, 255, 0)             # clLime
WHITE = (255, 255, 255)        # clWhite
OLIVE = (128, 128, 0)          # clOlive

# ---------------------------------------------------------------------------------------------
# Typeface

FONT_FAMILY = "Windsor"
# The condensing factor makes the wizard's fixed texts fit their labels (measured in the
# check script); vertical proportions stay those of the source face.
CONDENSE = 0.64
# Windows builds the line height from usWinAscent + usWinDescent. These values keep every
# Russian glyph (Й reaches 881, у and brackets go down to -273) inside the cell and give a
# 22-pixel line at 19-pixel character height: round(890*19/1000) + round(280*19/1000) = 17 + 5.
SPACE_ADVANCE = 210
WIN_ASCENT = 890
WIN_DESCENT = 280
KEEP_UNICODES = (list(range(0x20, 0x7F)) + list(range(0xA0, 0x100)) + list(range(0x400, 0x460))
                 + [0x490, 0x491, 0x2013, 0x2014, 0x2018, 0x2019, 0x201A, 0x201C, 0x201D, 0x201E,
                    0x2020, 0x2021, 0x2022, 0x2026, 0x2030, 0x2039, 0x203A, 0x20AC, 0x2116,
                    0x2122])
FONT_TIMESTAMP = 0xE0B5A700  # fixed created/modified time (seconds since 1904), for determinism


def condense_glyphs(font, factor):
    """Scales every outline and metric horizontally; drops what no longer fits the outlines."""
    glyf = font["glyf"]
    hmtx = font["hmtx"]
    for name in font.getGlyphOrder():
        glyph = glyf[name]
        if glyph.isComposite():
            for component in glyph.components:
                component.x = round(component.x * factor)
        elif glyph.numberOfContours > 0:
            coords = glyph.coordinates
            for i in range(len(coords)):
                x, y = coords[i]
                coords[i] = (round(x * factor), y)
        if glyph.numberOfContours != 0:
            glyph.program = ttProgram.Program()
            glyph.program.fromBytecode(b"")
    for name in font.getGlyphOrder():
        glyph = glyf[name]
        glyph.recalcBounds(glyf)
        advance, _ = hmtx[name]
        lsb = glyph.xMin if glyph.numberOfContours != 0 else 0
        hmtx[name] = (round(advance * factor), lsb)
    # Hinting programs and positioning tables refer to the old horizontal geometry.
    for tag in ("fpgm", "prep", "cvt ", "gasp", "hdmx", "LTSH", "VDMX", "GPOS", "GDEF", "GSUB",
                "kern", "DSIG"):
        if tag in font:
            del font[tag]
    font["OS/2"].xAvgCharWidth = round(font["OS/2"].xAvgCharWidth * factor)
    # Word spaces stay a little wider than plain condensing would leave them: 4 pixels at the
    # screens' 19-pixel height, so the texts indented by blanks keep their layout.
    for name in ("space", "uni00A0"):
        if name in hmtx.metrics:
            hmtx[name] = (SPACE_ADVANCE, 0)


def set_names(font):
    """Gives the face its family name "Windsor" on every platform; the source's names go."""
    source = font["name"]
    copyright_text = (source.getDebugName(0) or "") + (
        "; condensed and renamed for the Morvath Trilogy setup, 2026.")
    licence = source.getDebugName(13) or "SIL Open Font License, Version 1.1"
    licence_url = source.getDebugName(14) or "https://openfontlicense.org"
    names = {
        0: copyright_text,
        1: FONT_FAMILY,
        2: "Regular",
        3: "1.000;MVT;Windsor-Regular",
        4: FONT_FAMILY,
        5: "Version 1.000; condensed derivative of Vollkorn 4.105 (SIL OFL 1.1)",
        6: "Windsor-Regular",
        10: "Condensed old-style face of the Morvath Trilogy setup, derived from Vollkorn "
            "by The Vollkorn Project Authors.",
        13: licence,
        14: licence_url,
        16: FONT_FAMILY,
        17: "Regular",
    }
    table = newTable("name")
    table.names = []
    for name_id, text in names.items():
        table.setName(text, name_id, 3, 1, 0x409)
        if name_id in (1, 2, 4, 6):
            table.setName(text, name_id, 1, 0, 0)
    font["name"] = table


def set_metrics(font):
    os2 = font["OS/2"]
    hhea = font["hhea"]
    os2.usWinAscent = WIN_ASCENT
    os2.usWinDescent = WIN_DESCENT
    os2.sTypoAscender = WIN_ASCENT
    os2.sTypoDescender = -WIN_DESCENT
    os2.sTypoLineGap = 0
    hhea.ascent = WIN_ASCENT
    hhea.descent = -WIN_DESCENT
    hhea.lineGap = 0
    os2.usWeightClass = 400
    os2.usWidthClass = 3  # condensed
    os2.fsSelection = (os2.fsSelection & ~0b1100001) | 0x40  # REGULAR, neither italic nor bold
    os2.fsType = 0  # installable embedding, as the source's licence allows
    font["head"].macStyle = 0
    font["head"].created = FONT_TIMESTAMP
    font["head"].modified = FONT_TIMESTAMP
    font["head"].fontRevision = 1.0
    font["post"].isFixedPitch = 0


def build_font(work_dir):
    """Writes dist/Resource/WINDSOR.TTF and its licence; returns the font's path."""
    font = TTFont(SOURCE_FONT)
    # Lining figures read better in the screens' sizes and percent figures than the source's
    # old-style default digits.
    digits = ["zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine"]
    for table in font["cmap"].tables:
        if table.isUnicode():
            for i, name in enumerate(digits):
                if 0x30 + i in table.cmap and name + ".lf" in font.getGlyphOrder():
                    table.cmap[0x30 + i] = name + ".lf"
    options = ft_subset.Options()
    options.layout_features = []
    options.name_IDs = ["*"]
    options.notdef_outline = True
    options.glyph_names = True
    options.hinting = False
    subsetter = ft_subset.Subsetter(options)
    subsetter.populate(unicodes=KEEP_UNICODES)
    subsetter.subset(font)
    condense_glyphs(font, CONDENSE)
    set_metrics(font)
    unhinted = os.path.join(work_dir, "windsor-unhinted.ttf")
    font.save(unhinted)
    hinted = os.path.join(work_dir, "windsor-hinted.ttf")
    # Hinting for crisp lettering in the Windows rasteriser; -W adds blue zones for the
    # win metrics so nothing is clipped, -n keeps the version string as we set it.
    subprocess.run(["ttfautohint", "-W", "--no-info", "-f", "latn", "-D", "latn",
                    "-c", unhinted, hinted], check=True)
    font = TTFont(hinted)
    set_names(font)
    set_metrics(font)
    os.makedirs(DIST_DIR, exist_ok=True)
    target = os.path.join(DIST_DIR, "WINDSOR.TTF")
    font.recalcTimestamp = False
    font.save(target)
    write_font_licence()
    return target


def write_font_licence():
    with open(SOURCE_FONT_LICENSE, encoding="utf-8") as source:
        debian_copyright = source.read()
    # The OFL text of the source package, without Debian's packaging notes.
    ofl_start = debian_copyright.index("SIL OPEN FONT LICENSE")
    ofl_end = debian_copyright.index("Files: debian/*")
    ofl = "\n".join(line[1:] if line.startswith(" ") else line
                    for line in debian_copyright[ofl_start:ofl_end].rstrip().splitlines())
    ofl = "\n".join("" if line == "." else line for line in ofl.splitlines())
    header = (
        "WINDSOR.TTF - typeface of the Morvath Trilogy setup\n"
        "\n"
        "This font is a Modified Version of Vollkorn 4.105 (Regular weight family, SemiBold\n"
        "master), Copyright 2018 The Vollkorn Project Authors\n"
        "(https://github.com/FAlthausen/Vollkorn-Typeface); earlier versions Copyright\n"
        "2006-2014 Friedrich Althausen and 2006-2011 Jan Yanone Gerner.\n"
        "\n"
        "Changes: reduced to Latin and Cyrillic characters, lining figures as default digits,\n"
        "condensed horizontally to 64 %, wider word space,\n"
        "re-hinted with ttfautohint, vertical metrics adjusted, renamed \"Windsor\".\n"
        "Vollkorn declares no Reserved Font Name; the Modified Version nevertheless carries\n"
        "a name of its own and is not presented as Vollkorn. It is distributed under the\n"
        "same licence, reproduced below.\n"
        "\n"
        "-----------------------------------------------------------\n")
    with open(os.path.join(DIST_DIR, "WINDSOR-OFL.txt"), "w", encoding="utf-8",
              newline="\r\n") as out:
        out.write(header + ofl + "\n")


# ---------------------------------------------------------------------------------------------
# File formats, written byte by byte so every header field is exactly as the program expects.

def _bmp_headers(width, height, bits, compression, image_size, colours_used, extra):
    """BITMAPFILEHEADER + BITMAPINFOHEADER (bottom-up) + masks or palette given in extra."""
    offset = 14 + 40 + len(extra)
    file_header = struct.pack("<2sIHHI", b"BM", offset + image_size, 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression,
                              image_size, 2835, 2835, colours_used, 0)
    return file_header + info_header + extra


def bmp_24(img):
    """Uncompressed 24-bit BMP, bottom-up, rows padded to 4 bytes (pixel data at offset 54)."""
    img = img.convert("RGB")
    width, height = img.size
    stride = (width * 3 + 3) & ~3
    pixels = img.tobytes("raw", "BGR", stride, -1)
    return _bmp_headers(width, height, 24, 0, len(pixels), 0, b"") + pixels


def rgb565(arr):
    """Packs an (h, w, 3) uint8 array into 5-6-5 words."""
    arr = arr.astype(np.uint16)
    return (arr[..., 0] >> 3) << 11 | (arr[..., 1] >> 2) << 5 | (arr[..., 2] >> 3)


def bmp_16(img):
    """16-bit BI_BITFIELDS BMP with 5-6-5 masks (pixel data at offset 66)."""
    arr = np.asarray(img.convert("RGB"))
    height, width = arr.shape[:2]
    words = rgb565(arr)[::-1]
    stride = (width * 2 + 3) & ~3
    rows = np.zeros((height, stride), np.uint8)
    rows[:, :width * 2] = words.astype("<u2").view(np.uint8).reshape(height, width * 2)
    masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    pixels = rows.tobytes()
    return _bmp_headers(width, height, 16, 3, len(pixels), 0, masks) + pixels


def bmp_8(indices, palette):
    """8-bit BMP with a 256-entry palette (offset 1078); indices is an (h, w) uint8 array."""
    height, width = indices.shape
    stride = (width + 3) & ~3
    rows = np.zeros((height, stride), np.uint8)
    rows[:, :width] = indices[::-1]
    entries = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in entries)
    pixels = rows.tobytes()
    return _bmp_headers(width, height, 8, 0, len(pixels), 256, table) + pixels


def bmp_32(rgba):
    """32-bit BI_RGB BMP whose fourth byte is the mask: 255 = drawn, 0 = transparent."""
    arr = np.asarray(rgba.convert("RGBA")).copy()
    arr[arr[..., 3] == 0] = 0
    height, width = arr.shape[:2]
    bgra = arr[::-1][..., [2, 1, 0, 3]]
    pixels = bgra.tobytes()
    return _bmp_headers(width, height, 32, 0, len(pixels), 0, b"") + pixels


def wave(samples, rate, bits, list_chunk=b""):
    """RIFF WAVE image: "fmt " (16-byte PCM), "data", then an optional trailing chunk."""
    block = bits // 8
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * block, block, bits)
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
            + b"data" + struct.pack("<I", len(samples)) + samples + list_chunk)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def info_list_chunk(fields):
    """A "LIST"/"INFO" chunk from (tag, text) pairs; texts are zero-terminated, padded even."""
    payload = b"INFO"
    for tag, text in fields:
        data = text.encode("ascii") + b"\0"
        if len(data) % 2:
            data += b"\0"
        payload += tag.encode("ascii") + struct.pack("<I", len(data)) + data
    return b"LIST" + struct.pack("<I", len(payload)) + payload


# ---------------------------------------------------------------------------------------------
# Drawing toolkit. Pictures are composed as float arrays: an albedo (h, w, 3), a height field
# (h, w) in pixels and a metal mask; one light from the upper left shades them all, so every
# moulding, groove and plaque of every screen is lit the same way.

LIGHT = np.array([-0.55, -0.75, 0.95], np.float32)
LIGHT /= np.linalg.norm(LIGHT)
HALF = LIGHT + np.array([0, 0, 1], np.float32)
HALF /= np.linalg.norm(HALF)


def pixel_grid(w, h):
    ys, xs = np.mgrid[0:h, 0:w].astype(np.float32)
    return xs + 0.5, ys + 0.5


def sd_box(w, h, box, radius=0.0):
    """Signed distance (pixels, negative inside) to a rounded rectangle given by its edges."""
    x0, y0, x1, y1 = box
    xs, ys = pixel_grid(w, h)
    radius = min(radius, (x1 - x0) / 2, (y1 - y0) / 2)
    qx = np.abs(xs - (x0 + x1) / 2) - ((x1 - x0) / 2 - radius)
    qy = np.abs(ys - (y0 + y1) / 2) - ((y1 - y0) / 2 - radius)
    outside = np.hypot(np.maximum(qx, 0), np.maximum(qy, 0))
    return outside + np.minimum(np.maximum(qx, qy), 0) - radius


def sd_ellipse(w, h, box):
    """Signed distance (first-order estimate) to the ellipse inscribed in a box."""
    x0, y0, x1, y1 = box
    xs, ys = pixel_grid(w, h)
    a, b = (x1 - x0) / 2, (y1 - y0) / 2
    px, py = (xs - (x0 + x1) / 2) / a, (ys - (y0 + y1) / 2) / b
    k = np.sqrt(px * px + py * py) + 1e-6
    grad = np.sqrt((px / a) ** 2 + (py / b) ** 2) / k + 1e-6
    return (k - 1) / grad


def sd_circle(w, h, cx, cy, r):
    xs, ys = pixel_grid(w, h)
    return np.hypot(xs - cx, ys - cy) - r


def cover(sd):
    """Anti-aliased coverage of the inside of a signed distance field."""
    return np.clip(0.5 - sd, 0.0, 1.0)


def noise(w, h, seed, cell=32, octaves=4, persistence=0.55):
    """Fractal value noise in about 0..1, from a fixed seed."""
    rng = np.random.default_rng(seed)
    total = np.zeros((h, w), np.float32)
    amplitude, norm = 1.0, 0.0
    for octave in range(octaves):
        c = max(1, cell >> octave)
        gw, gh = w // c + 4, h // c + 4
        lattice = rng.random((gh, gw)).astype(np.float32)
        up = Image.fromarray(lattice, "F").resize((gw * c, gh * c), Image.BICUBIC)
        total += amplitude * np.asarray(up)[c:c + h, c:c + w]
        norm += amplitude
        amplitude *= persistence
    return total / norm


def mix(a, b, t):
    t = np.asarray(t, np.float32)
    if t.ndim == 2:
        t = t[..., None]
    return np.asarray(a, np.float32) * (1 - t) + np.asarray(b, np.float32) * t


def ramp(t, stops):
    """Colour ramp: t (h, w) in 0..1 through [(position, (r, g, b)), ...]."""
    t = np.clip(t, 0, 1)
    out = np.zeros(t.shape + (3,), np.float32)
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        sel = (t >= p0) & (t <= p1)
        local = ((t - p0) / max(p1 - p0, 1e-6))[sel][:, None]
        out[sel] = np.asarray(c0, np.float32) * (1 - local) + np.asarray(c1, np.float32) * local
    return out


class Scene:
    """Albedo, height and metal layers of one picture, shaded once at the end."""

    def __init__(self, w, h, albedo):
        self.w, self.h = w, h
        self.albedo = np.broadcast_to(np.asarray(albedo, np.float32), (h, w, 3)).copy()
        self.height = np.zeros((h, w), np.float32)
        self.metal = np.zeros((h, w), np.float32)

    def paint(self, mask, albedo, height=None, metal=None, add_height=False):
        mask = np.asarray(mask, np.float32)
        self.albedo = mix(self.albedo, albedo, mask)
        if height is not None:
            if add_height:
                self.height = self.height + mask * height
            else:
                self.height = self.height * (1 - mask) + mask * height
        if metal is not None:
            self.metal = self.metal * (1 - mask) + mask * metal

    def moulding(self, sd_outer, width, relief=3.0, seed=1, ridges=2):
        """A bronze moulding along the inside of a shape's edge (sd_outer < 0 inside)."""
        t = np.clip(-sd_outer / width, 0, 1)
        band = cover(sd_outer) * cover(-(sd_outer + width))
        profile = np.clip(np.sin(np.pi * t), 0, 1) ** 0.7
        if ridges > 1:
            profile = 0.65 * profile + 0.35 * np.abs(np.sin(np.pi * t * ridges))
        self.paint(band, bronze(self.w, self.h, seed), relief * profile, 1.0)

    def shade(self, relief=1.0, gloss=18.0, ambient=0.42):
        gy, gx = np.gradient(self.height * relief)
        n = np.stack([-gx, -gy, np.ones_like(gx)], -1)
        n /= np.linalg.norm(n, axis=-1, keepdims=True)
        ndl = np.clip(n @ LIGHT, 0, 1)
        diffuse = ambient + (1 - ambient) * ndl / LIGHT[2]
        ndh = np.clip(n @ HALF, 0, 1)
        specular = self.metal * np.clip(ndh ** gloss - 0.55 * HALF[2] ** gloss, 0, 1) * 150
        out = self.albedo * diffuse[..., None] + specular[..., None] * np.array([1.0, 0.88, 0.62])
        return Image.fromarray(np.clip(out + 0.5, 0, 255).astype(np.uint8), "RGB")


def bronze(w, h, seed):
    n = noise(w, h, seed, cell=24, octaves=4)
    return ramp(n, [(0, (96, 62, 28)), (0.45, (150, 104, 46)), (0.7, (176, 132, 62)),
                    (1, (120, 90, 44))])


def stone(w, h, seed, base=(56, 46, 38), spread=26, blocks=True):
    """Dark wall stone: mottled, with faint masonry joints."""
    n = noise(w, h, seed, cell=48, octaves=5)
    grain = noise(w, h, seed + 1, cell=3, octaves=2)
    tone = (n - 0.5) * spread + (grain - 0.5) * 10
    albedo = np.asarray(base, np.float32) + tone[..., None] * np.array([1.0, 0.9, 0.8])
    height = (n - 0.5) * 3 + (grain - 0.5) * 0.8
    if blocks:
        tone_shift, bevel = masonry(w, h, seed + 2)
        albedo = albedo * tone_shift[..., None]
        joint = 1 - bevel
        albedo = mix(albedo, np.asarray(base, np.float32) * 0.45, joint * 0.6)
        height += bevel * 1.8
    return albedo, height


def masonry(w, h, seed, row_h=36):
    """Irregular ashlar courses: a tone factor per block and a bevel (0 in the joints,
    1 on the block faces) so the joints read as worn mortar, not as a drawn grid."""
    rng = np.random.default_rng(seed)
    tone = np.ones((h, w), np.float32)
    bevel = np.ones((h, w), np.float32)
    xs = np.arange(w, dtype=np.float32) + 0.5
    top = -float(rng.integers(0, row_h))
    while top < h:
        rh = row_h + int(rng.integers(-5, 6))
        y0, y1 = int(max(top, 0)), int(min(top + rh, h))
        ys = np.arange(y0, y1, dtype=np.float32)[:, None] + 0.5
        dy = np.minimum(ys - top, top + rh - ys)
        x = -float(rng.integers(10, 80))
        dx = np.full(w, 1e3, np.float32)
        row_tone = np.ones(w, np.float32)
        while x < w:
            bw = float(rng.integers(48, 104))
            inside = (xs >= x) & (xs < x + bw)
            dx[inside] = np.minimum(xs[inside] - x, x + bw - xs[inside])
            row_tone[inside] = 0.82 + 0.3 * float(rng.random())
            x += bw
        d = np.minimum(dy, dx[None, :])
        if y1 > y0:
            bevel[y0:y1] = np.clip((d - 0.5) / 2.5, 0, 1)
            tone[y0:y1] = row_tone[None, :]
        top += rh
    return tone, bevel


def parchment(w, h, seed):
    """Aged parchment: warm mottling, fibres and burnt, darker edges."""
    n = noise(w, h, seed, cell=40, octaves=5)
    blot = noise(w, h, seed + 7, cell=90, octaves=2)
    fibre = noise(w, h, seed + 3, cell=2, octaves=1)
    albedo = ramp(n, [(0, (196, 166, 112)), (0.5, (226, 203, 154)), (1, (236, 218, 176))])
    albedo = mix(albedo, (176, 138, 82), np.clip((blot - 0.62) * 2.2, 0, 0.35))
    albedo += ((fibre - 0.5) * 9)[..., None]
    return albedo


def vignette(w, h, sd, depth, colour):
    """Darkening towards a shape's edge, e.g. the burnt rim of parchment."""
    t = np.clip(1 + sd / depth, 0, 1) ** 2
    return t, colour


def image_array(img):
    return np.asarray(img.convert("RGB"), np.float32)


# ---------------------------------------------------------------------------------------------
# Lettering

_fonts = {}


def font(path, size):
    key = (path, size)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(path, size, layout_engine=ImageFont.Layout.BASIC)
    return _fonts[key]


def windsor(size):
    return font(os.path.join(DIST_DIR, "WINDSOR.TTF"), size)


def title_face(size):
    return font(TITLE_FONT, size)


def text_mask(size, xy, text, face, anchor="la"):
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).text(xy, text, font=face, fill=255, anchor=anchor)
    return np.asarray(mask, np.float32) / 255


def letter(img, xy, text, face, top=(240, 210, 134), bottom=(150, 104, 44), anchor="la",
           shadow=(12, 8, 4), shadow_offset=(1, 1), highlight=None):
    """Gold lettering with a vertical gradient and a cast shadow; returns the new picture."""
    w, h = img.size
    arr = image_array(img)
    if shadow is not None:
        sm = text_mask((w, h), (xy[0] + shadow_offset[0], xy[1] + shadow_offset[1]), text,
                       face, anchor)
        arr = mix(arr, shadow, sm * 0.85)
    if highlight is not None:
        hm = text_mask((w, h), (xy[0] - 1, xy[1] - 1), text, face, anchor)
        arr = mix(arr, highlight, hm * 0.5)
    m = text_mask((w, h), xy, text, face, anchor)
    rows = np.nonzero(m.max(axis=1) > 0)[0]
    if len(rows):
        t = np.zeros((h, w), np.float32)
        span = max(rows[-1] - rows[0], 1)
        t[:] = np.clip((np.arange(h, dtype=np.float32) - rows[0]) / span, 0, 1)[:, None]
        colour = mix(np.broadcast_to(np.asarray(top, np.float32), (h, w, 3)), bottom, t)
        arr = mix(arr, colour, m)
    return Image.fromarray(np.clip(arr + 0.5, 0, 255).astype(np.uint8), "RGB")


def text_width(text, face):
    return face.getlength(text)


# ---------------------------------------------------------------------------------------------
# Keyed pictures: the key colour marks where the screen shows through. Edge pixels are blended
# against the colour that lies under the control on its screen (the matte), never against the
# key, and no drawn pixel may come out equal to the key once stored at the file's depth.

def stored_equal(colours, key, depth):
    if depth == 16:
        return rgb565(colours) == rgb565(np.asarray(key, np.uint8)[None, None])[0, 0]
    return np.all(colours == np.asarray(key, np.uint8), axis=-1)


def apply_key(img, coverage, key, matte, depth):
    """Pixels with coverage >= 0.5 are drawn (edges blended with matte), the rest get the key."""
    arr = image_array(img)
    cov = np.asarray(coverage, np.float32)
    drawn = cov >= 0.5
    blended = mix(np.broadcast_to(np.asarray(matte, np.float32), arr.shape), arr, cov)
    out = np.clip(blended + 0.5, 0, 255).astype(np.uint8)
    # A drawn pixel that would be stored as the key is nudged off it.
    clash = drawn & stored_equal(out, key, depth)
    if clash.any():
        out[clash] = np.clip(out[clash].astype(np.int16) + np.array([12, -12, 12]), 0, 255)
    if key == WHITE:
        # Near-white pixels would also round to white in 5-6-5; keep highlights below it.
        bright = drawn & np.all(out > 240, axis=-1)
        out[bright] = np.minimum(out[bright], 236)
    out[~drawn] = key
    return Image.fromarray(out, "RGB")


def blur(mask, radius):
    img = Image.fromarray(np.clip(mask * 255, 0, 255).astype(np.uint8), "L")
    return np.asarray(img.filter(ImageFilter.GaussianBlur(radius)), np.float32) / 255


def poly_mask(w, h, polygons, scale=8, ellipses=()):
    """Anti-aliased coverage of polygons/ellipses drawn at a higher resolution."""
    big = Image.new("L", (w * scale, h * scale), 0)
    d = ImageDraw.Draw(big)
    for poly in polygons:
        d.polygon([(x * scale, y * scale) for x, y in poly], fill=255)
    for box, fill in ellipses:
        d.ellipse([v * scale for v in box], fill=fill)
    return np.asarray(big.resize((w, h), Image.BOX), np.float32) / 255


LEDGE = (30, 22, 15)        # dark recess under the navigation buttons of every screen
FIELD = (20, 14, 10)        # the destination screen's path field and browse socket
GROOVE = (170, 138, 92)     # scroll groove on the welcome screen (matte of the marker)
FINISH_LEDGE = (28, 20, 14)


def button_picture(w, h, label, state, key, matte, depth, emblem=None, size=18, seed=5):
    """A pill-shaped bronze-rimmed button with gold lettering; state up, down or disabled."""
    radius = h / 2 - 0.5
    sd = sd_box(w, h, (0.5, 0.5, w - 0.5, h - 0.5), radius)
    leather = noise(w, h, seed, cell=6, octaves=3)
    face = ramp(leather, [(0, (40, 27, 18)), (1, (66, 45, 28))])
    if state == "down":
        face *= 0.78
    scene = Scene(w, h, face)
    t = np.clip(-sd / (h / 2), 0, 1)
    dome = np.sqrt(t) * (2.2 if state != "down" else -1.6)
    scene.height = dome
    scene.moulding(sd, 4.5, relief=2.6 if state != "down" else 1.8, seed=seed + 1, ridges=1)
    if state == "disabled":
        grey = scene.albedo.mean(axis=-1, keepdims=True)
        scene.albedo = mix(scene.albedo, np.repeat(grey, 3, -1) * np.array([1.0, 0.96, 0.9]),
                           0.8) * 0.85
        scene.metal *= 0.3
    img = scene.shade(gloss=14)
    shift = 1 if state == "down" else 0
    face_font = windsor(size)
    text_w = text_width(label, face_font)
    emblem_w = 0 if emblem is None else 20
    x = (w - text_w - emblem_w) / 2 + emblem_w + shift
    y = h / 2 + shift
    if state == "disabled":
        top, bottom, shadow = (122, 108, 88), (96, 84, 68), (14, 10, 7)
    elif state == "down":
        top, bottom, shadow = (255, 228, 150), (178, 126, 52), (8, 5, 3)
    else:
        top, bottom, shadow = (242, 212, 136), (160, 112, 46), (8, 5, 3)
    img = letter(img, (x, y), label, face_font, top, bottom, anchor="lm", shadow=shadow)
    if emblem is not None:
        img = emblem(img, (x - emblem_w, y), state)
    return apply_key(img, cover(sd), key, matte, depth)


def folder_emblem(img, origin, state):
    """The small emblem of the new-folder button: a bound folder with a gold star."""
    w, h = img.size
    ox, oy = origin
    body = poly_mask(w, h, [[(ox + 1, oy - 4), (ox + 6, oy - 4), (ox + 7, oy - 2), (ox + 15, oy - 2),
                             (ox + 15, oy + 6), (ox + 1, oy + 6)]])
    arr = image_array(img)
    colour = (200, 150, 70) if state != "disabled" else (110, 98, 80)
    arr = mix(arr, (10, 7, 4), np.roll(np.roll(body, 1, 0), 1, 1) * 0.8)
    arr = mix(arr, colour, body)
    star = poly_mask(w, h, [star_points(ox + 8, oy + 2, 3.2, 1.3, 5)])
    arr = mix(arr, (60, 20, 12) if state != "disabled" else (70, 62, 52), star)
    return Image.fromarray(np.clip(arr + 0.5, 0, 255).astype(np.uint8), "RGB")


def line_mask(w, h, points, width, scale=8):
    big = Image.new("L", (w * scale, h * scale), 0)
    ImageDraw.Draw(big).line([(x * scale, y * scale) for x, y in points], fill=255,
                             width=int(width * scale), joint="curve")
    return np.asarray(big.resize((w, h), Image.BOX), np.float32) / 255


def star_points(cx, cy, r_outer, r_inner, points):
    pts = []
    for i in range(points * 2):
        r = r_outer if i % 2 == 0 else r_inner
        a = -math.pi / 2 + i * math.pi / points
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def icon_picture(w, h, coverage, albedo, key, matte, depth, relief=2.5, outline=(16, 10, 6),
                 gloss=12, metal=1.0):
    """Small embossed icon from a coverage mask: dark outline, shaded metal or paint inside."""
    scene = Scene(w, h, albedo)
    scene.height = blur(coverage, 1.2) * relief
    scene.metal[:] = metal
    img = scene.shade(gloss=gloss)
    arr = image_array(img)
    ring = np.clip(blur(coverage, 0.6) * 1.6, 0, 1) - coverage
    arr = mix(arr, outline, np.clip(ring, 0, 1) * 0.9)
    img = Image.fromarray(np.clip(arr + 0.5, 0, 255).astype(np.uint8), "RGB")
    full = np.clip(np.maximum(coverage, np.clip(blur(coverage, 0.6) * 1.6, 0, 1)), 0, 1)
    return apply_key(img, full, key, matte, depth)


def arrow_picture(direction, state, matte):
    w, h = 14, 15
    if direction == "up":
        tri = [(7, 2.5), (12.8, 11.5), (1.2, 11.5)]
    else:
        tri = [(1.2, 3.5), (12.8, 3.5), (7, 12.5)]
    if state == "down":
        tri = [(x + 0.6, y + 0.8) for x, y in tri]
    cov = poly_mask(w, h, [tri])
    if state == "disabled":
        albedo = np.full((h, w, 3), (92, 80, 64), np.float32)
        metal = 0.2
    else:
        albedo = bronze(w, h, 40) * (1.25 if state == "up" else 0.95)
        metal = 1.0
    return icon_picture(w, h, cov, albedo, LIME, matte, 24, relief=2.0, metal=metal)


def marker_picture():
    w, h = 10, 9
    gem = poly_mask(w, h, [[(5, 0.6), (9.4, 4.5), (5, 8.4), (0.6, 4.5)]])
    core = poly_mask(w, h, [[(5, 2.2), (7.6, 4.5), (5, 6.8), (2.4, 4.5)]])
    albedo = mix(bronze(w, h, 41) * 1.3, (168, 34, 26), core)
    return icon_picture(w, h, gem, albedo, LIME, GROOVE, 24, relief=2.2, outline=(20, 8, 4))


def track_picture():
    """The scroll track: a slim bronze rail (stretched to its control, no transparency)."""
    w, h = 6, 197
    xs, ys = pixel_grid(w, h)
    scene = Scene(w, h, (44, 31, 19))
    rail = np.clip(1 - np.abs(xs - 3) / 2.6, 0, 1)
    scene.paint((rail > 0).astype(np.float32) * 0.9, bronze(w, h, 42) * 0.9, rail * 2.0, 1.0)
    scene.height += 0.0
    return scene.shade(gloss=10)


def toggle_picture(ticked, matte):
    w, h = 27, 25
    sd = sd_box(w, h, (4, 3, 23, 22), 3)
    scene = Scene(w, h, (52, 36, 22))
    scene.height = -1.2 * cover(sd)
    scene.moulding(sd, 3.0, relief=2.0, seed=43, ridges=1)
    img = scene.shade(gloss=12)
    cov = cover(sd)
    if ticked:
        tick = [(7.5, 12.5), (10.5, 11.0), (12.6, 14.6), (21.5, 3.2), (24.6, 4.6), (13.2, 20.5),
                (10.6, 20.5)]
        tick_cov = poly_mask(w, h, [tick])
        shadow = np.roll(np.roll(tick_cov, 1, 0), 1, 1)
        arr = image_array(img)
        arr = mix(arr, (20, 8, 4), shadow * 0.8)
        shade_t = np.linspace(0, 1, h, dtype=np.float32)[:, None] * np.ones((1, w), np.float32)
        red = mix(np.broadcast_to(np.array((214, 60, 40), np.float32), (h, w, 3)),
                  (120, 18, 12), shade_t)
        arr = mix(arr, red, tick_cov)
        img = Image.fromarray(np.clip(arr + 0.5, 0, 255).astype(np.uint8), "RGB")
        cov = np.maximum(cov, np.maximum(tick_cov, shadow))
    return apply_key(img, cov, OLIVE, matte, 24)


def browse_picture(state, matte):
    """A leather folder bound in bronze, on the dark socket of the destination screen."""
    w, h = 57, 38
    d = 1 if state == "down" else 0
    back = [(7 + d, 6 + d), (22 + d, 6 + d), (26 + d, 10 + d), (50 + d, 10 + d), (50 + d, 32 + d),
            (7 + d, 32 + d)]
    front = [(11 + d, 15 + d), (54 + d, 15 + d), (48 + d, 32 + d), (5 + d, 32 + d)]
    back_cov = poly_mask(w, h, [back])
    front_cov = poly_mask(w, h, [front])
    leather = ramp(noise(w, h, 44, cell=5, octaves=2), [(0, (92, 52, 24)), (1, (140, 82, 36))])
    scene = Scene(w, h, leather * 0.8)
    scene.height = blur(back_cov, 1.0) * 2
    scene.paint(front_cov, leather * (1.1 if state == "up" else 0.9), 3.5)
    # bronze corner fittings and a clasp on the front flap
    fittings = poly_mask(w, h, [[(5 + d, 32 + d), (13 + d, 32 + d), (7 + d, 26 + d)],
                                [(48 + d, 32 + d), (40 + d, 32 + d), (50 + d, 26 + d)]],
                         ellipses=[((26 + d, 20 + d, 34 + d, 28 + d), 255)])
    scene.paint(fittings, bronze(w, h, 45) * 1.2, 4.5, 1.0)
    img = scene.shade(gloss=14)
    cov = np.maximum(back_cov, front_cov)
    arr = image_array(img)
    edge = np.clip(blur(cov, 0.6) * 1.6, 0, 1) - cov
    arr = mix(arr, (10, 6, 4), np.clip(edge, 0, 1))
    img = Image.fromarray(np.clip(arr + 0.5, 0, 255).astype(np.uint8), "RGB")
    return apply_key(img, np.clip(blur(cov, 0.6) * 1.6, 0, 1), LIME, matte, 24)


def drive_picture(kind):
    """16 x 16 drive pictures of the drive list (black list background, lime key)."""
    w, h = 16, 16
    metal = bronze(w, h, 46) * 1.15
    if kind == "floppy":
        cov = poly_mask(w, h, [[(1.5, 1.5), (12.5, 1.5), (14.5, 3.5), (14.5, 14.5), (1.5, 14.5)]])
        albedo = np.full((h, w, 3), (58, 46, 40), np.float32)
        shutter = poly_mask(w, h, [[(4, 1.5), (11, 1.5), (11, 6), (4, 6)]])
        label = poly_mask(w, h, [[(3.5, 8.5), (12.5, 8.5), (12.5, 14.5), (3.5, 14.5)]])
        albedo = mix(mix(albedo, metal, shutter), (222, 200, 152), label)
    elif kind == "fixeddisk":
        cov = poly_mask(w, h, [[(1, 5), (15, 5), (15, 12), (1, 12)]])
        albedo = metal * 0.9
        led = poly_mask(w, h, [[(11, 9), (13, 9), (13, 10.5), (11, 10.5)]])
        albedo = mix(albedo, (60, 210, 60), led)
    elif kind == "cdrom":
        cov = poly_mask(w, h, [], ellipses=[((1, 1, 15, 15), 255)])
        xs, ys = pixel_grid(w, h)
        ang = np.arctan2(ys - 8, xs - 8)
        albedo = ramp((np.sin(ang * 2) + 1) / 2, [(0, (150, 140, 128)), (0.5, (226, 214, 190)),
                                                   (1, (170, 150, 120))])
        hole = poly_mask(w, h, [], ellipses=[((6.2, 6.2, 9.8, 9.8), 255)])
        albedo = mix(albedo, (26, 22, 20), hole)
    elif kind == "netdrive":
        cov = poly_mask(w, h, [[(2, 2), (14, 2), (14, 9), (2, 9)], [(7, 9), (9, 9), (9, 12), (7, 12)],
                               [(1, 12), (15, 12), (15, 14.5), (1, 14.5)]])
        albedo = metal
        screen = poly_mask(w, h, [[(3.5, 3.5), (12.5, 3.5), (12.5, 7.5), (3.5, 7.5)]])
        albedo = mix(albedo, (40, 60, 90), screen)
    else:  # ram
        cov = poly_mask(w, h, [[(1, 4), (15, 4), (15, 10), (1, 10)]] +
                        [[(x, 10), (x + 1.2, 10), (x + 1.2, 13), (x, 13)] for x in (2.5, 5, 7.5, 10, 12.5)])
        albedo = mix(np.full((h, w, 3), (40, 80, 50), np.float32), metal,
                     poly_mask(w, h, [[(0, 10), (16, 10), (16, 16), (0, 16)]]))
        chips = poly_mask(w, h, [[(2.5, 5.5), (6.5, 5.5), (6.5, 8.5), (2.5, 8.5)],
                                 [(9.5, 5.5), (13.5, 5.5), (13.5, 8.5), (9.5, 8.5)]])
        albedo = mix(albedo, (24, 24, 24), chips)
    return icon_picture(w, h, cov, albedo, LIME, (0, 0, 0), 24, relief=1.5, metal=0.6)


# ---------------------------------------------------------------------------------------------
# Backgrounds

def torchlight(w, h, spots):
    """Warm light falling on the wall from a few points; multiplies the albedo."""
    xs, ys = pixel_grid(w, h)
    light = np.full((h, w), 0.72, np.float32)
    for cx, cy, r, k in spots:
        light += k * np.exp(-((xs - cx) ** 2 + (ys - cy) ** 2) / (2 * r * r))
    return light[..., None]


def wall_scene(w, h, seed, spots):
    albedo, height = stone(w, h, seed)
    scene = Scene(w, h, albedo * torchlight(w, h, spots))
    scene.height = height
    return scene


def rosette(scene, cx, cy, r, seed):
    sd = sd_circle(scene.w, scene.h, cx, cy, r)
    t = np.clip(-sd / r, 0, 1)
    scene.paint(cover(sd), bronze(scene.w, scene.h, seed) * 1.1, 3 + 3 * np.sqrt(t), 1.0)
    inner = sd_circle(scene.w, scene.h, cx, cy, r * 0.45)
    scene.paint(cover(inner), (70, 20, 14), 4.5, 0.3)


def diamond(scene, cx, cy, a, b, seed, relief=3.0):
    xs, ys = pixel_grid(scene.w, scene.h)
    k = np.abs(xs - cx) / a + np.abs(ys - cy) / b
    sd = (k - 1) * min(a, b) / 1.4
    t = np.clip(-sd / (min(a, b) / 1.4), 0, 1)
    scene.paint(cover(sd), bronze(scene.w, scene.h, seed) * 1.1, relief * t, 1.0)


def title_banner(scene, box, seed):
    """The product title plaque: dark inlay inside a bronze moulding, diamonds at its ends."""
    sd = sd_box(scene.w, scene.h, box, 14)
    inlay = stone(scene.w, scene.h, seed, base=(30, 22, 16), spread=10, blocks=False)[0]
    scene.paint(cover(sd), inlay, 3.0, 0.0)
    scene.moulding(sd, 7, relief=3.5, seed=seed + 1)
    cy = (box[1] + box[3]) / 2
    diamond(scene, box[0] - 16, cy, 11, 16, seed + 2)
    diamond(scene, box[2] + 16, cy, 11, 16, seed + 3)


def title_lettering(img, box, title="ТРИЛОГИЯ МОРВАТА", subtitle="У С Т А Н О В К А   И Г Р Ы"):
    cx = (box[0] + box[2]) / 2
    img = letter(img, (cx, box[1] + 31), title, title_face(38), (250, 222, 148), (156, 106, 40),
                 anchor="mm", shadow=(0, 0, 0), shadow_offset=(2, 2))
    if subtitle:
        img = letter(img, (cx, box[3] - 14), subtitle, windsor(14), (196, 160, 92),
                     (150, 112, 52), anchor="mm", shadow=(0, 0, 0))
    return img


def parchment_panel(scene, box, seed, frame=10):
    """Parchment inside a bronze frame with rosettes at its corners; returns the inner box."""
    outer = sd_box(scene.w, scene.h, box, 10)
    inner_box = (box[0] + frame, box[1] + frame, box[2] - frame, box[3] - frame)
    inner = sd_box(scene.w, scene.h, inner_box, 3)
    paper = parchment(scene.w, scene.h, seed)
    burn = np.clip(1 + inner / 16, 0, 1) ** 2
    paper = mix(paper, (132, 92, 48), burn * 0.6)
    scene.paint(cover(outer), paper, 0.0, 0.0)
    scene.moulding(outer, frame, relief=4.0, seed=seed + 1)
    for cx, cy in ((box[0], box[1]), (box[2], box[1]), (box[0], box[3]), (box[2], box[3])):
        rosette(scene, cx + (5 if cx == box[0] else -5), cy + (5 if cy == box[1] else -5), 9,
                seed + 2)
    return inner_box


def button_ledge(scene, box, colour=LEDGE):
    """The dark recess the navigation buttons sit in."""
    sd = sd_box(scene.w, scene.h, box, (box[3] - box[1]) / 2)
    scene.paint(cover(sd), colour, -2.0, 0.0)
    scene.moulding(sd, 4, relief=2.5, seed=61, ridges=1)


def ink_divider(img, cx, cy, half, colour=INK_BROWN, alpha=0.55):
    """A thin ornamental rule with a diamond in its middle, in ink on parchment."""
    w, h = img.size
    shapes = [[(cx - half, cy - 0.6), (cx - 10, cy - 0.6), (cx - 10, cy + 0.6), (cx - half, cy + 0.6)],
              [(cx + 10, cy - 0.6), (cx + half, cy - 0.6), (cx + half, cy + 0.6), (cx + 10, cy + 0.6)],
              [(cx, cy - 5), (cx + 6, cy), (cx, cy + 5), (cx - 6, cy)]]
    m = poly_mask(w, h, shapes)
    arr = mix(image_array(img), colour, m * alpha)
    return Image.fromarray(np.clip(arr + 0.5, 0, 255).astype(np.uint8), "RGB")


WIZARD_SPOTS = [(60, 40, 160, 0.45), (580, 40, 160, 0.45), (320, 470, 200, 0.2)]
BANNER_BOX = (80, 14, 560, 94)
PANEL_BOX = (22, 104, 618, 380)


def background_welcome():
    """TForm1 (also TForm8, TForm9): title banner over a framed parchment panel."""
    w, h = 640, 480
    scene = wall_scene(w, h, 100, WIZARD_SPOTS)
    scene.moulding(sd_box(w, h, (0, 0, w, h), 4), 8, relief=3.5, seed=101)
    title_banner(scene, BANNER_BOX, 102)
    parchment_panel(scene, PANEL_BOX, 103)
    # Scroll groove beside the text viewport: a shallow channel pressed into the parchment,
    # light enough that the options and ready screens' labels stay legible where they reach it.
    groove = sd_box(w, h, (582, 123, 600, 354), 7)
    scene.albedo = mix(scene.albedo, scene.albedo * 0.84, cover(groove))
    scene.height -= 1.6 * cover(groove)
    rim = cover(np.abs(groove) - 0.7)
    scene.albedo = mix(scene.albedo, INK_BROWN, rim * 0.45)
    button_ledge(scene, (150, 418, 492, 474))
    img = scene.shade()
    return title_lettering(img, BANNER_BOX)


def background_destination():
    """TForm5: the same banner and panel; the lower part holds the path field and the
    browse socket, the parchment carries a rule under the explanation."""
    w, h = 640, 480
    scene = wall_scene(w, h, 110, WIZARD_SPOTS)
    scene.moulding(sd_box(w, h, (0, 0, w, h), 4), 8, relief=3.5, seed=111)
    title_banner(scene, BANNER_BOX, 112)
    parchment_panel(scene, PANEL_BOX, 113)
    field = sd_box(w, h, (38, 326, 548, 372), 8)
    scene.paint(cover(field), FIELD, -2.5, 0.0)
    scene.moulding(field, 3.5, relief=2.0, seed=114, ridges=1)
    socket = sd_box(w, h, (550, 327, 613, 373), 8)
    scene.paint(cover(socket), FIELD, -2.5, 0.0)
    scene.moulding(socket, 3.0, relief=2.0, seed=115, ridges=1)
    button_ledge(scene, (150, 418, 492, 474))
    img = scene.shade()
    img = title_lettering(img, BANNER_BOX)
    return ink_divider(img, 320, 300, 220)


def background_splash():
    """Splash 497 x 303: a keep on its crag against a dusk sky with the moon behind it, the
    title beside it and a bronze slot for the start-up gauge (141, 288, 223 x 5)."""
    w, h = 497, 303
    xs, ys = pixel_grid(w, h)
    rng = np.random.default_rng(120)
    sky = ramp(ys / 255, [(0, (12, 10, 14)), (0.4, (36, 22, 22)), (0.75, (104, 46, 26)),
                          (1, (164, 86, 36))])
    clouds = noise(w, h, 126, cell=48, octaves=4)
    streak = np.clip((clouds - 0.52) * 3, 0, 1) * np.clip(1 - np.abs(ys - 150) / 90, 0, 1)
    sky = mix(sky, (70, 34, 26), streak * 0.6)
    for _ in range(70):   # a few faint stars high up
        sx, sy = rng.random() * w, rng.random() * 120
        star = np.exp(-((xs - sx) ** 2 + (ys - sy) ** 2) / 0.5)
        sky += star[..., None] * (120 + 100 * rng.random()) * (1 - sy / 140)
    moon_at = (112, 70, 26)
    glow = np.exp(-np.maximum(sd_circle(w, h, *moon_at), 0) / 34)[..., None]
    sky = sky + glow * np.array([70, 52, 28])
    moon = cover(sd_circle(w, h, *moon_at))
    crater = noise(w, h, 127, cell=6, octaves=2)
    sky = mix(sky, ramp(crater, [(0, (206, 180, 126)), (1, (240, 220, 170))]), moon)
    img_arr = sky
    # Three ridges, hazier with distance.
    for seed, base, amp, colour, haze in ((121, 196, 40, (66, 34, 28), 0.8),
                                          (122, 222, 34, (36, 22, 20), 0.9),
                                          (123, 244, 20, (16, 11, 10), 1.0)):
        ridge = base - amp * noise(w, 1, seed, cell=36, octaves=5)[0]
        img_arr = mix(img_arr, colour, np.clip(ys - ridge[None, :] + 0.5, 0, 1) * haze)
    # The keep on a jagged crag, left of centre, with the moon behind its main tower.
    crag = [(48, 262)]
    for i in range(17):
        x = 58 + i * 9.5
        peak = 176 + 0.012 * (x - 140) ** 2
        crag.append((x, peak + rng.random() * 9))
    crag.append((226, 262))
    keep = [crag]
    for x0, x1, top in ((88, 112, 118), (118, 150, 82), (156, 176, 112), (180, 196, 142)):
        keep.append([(x0, top), (x1, top), (x1, 200), (x0, 200)])
        step = (x1 - x0) / 5
        for i in range(0, 5, 2):
            keep.append([(x0 + i * step, top - 6), (x0 + (i + 1) * step, top - 6),
                         (x0 + (i + 1) * step, top), (x0 + i * step, top)])
    keep.append([(112, 140), (118, 134), (156, 134), (156, 190), (112, 190)])
    keep.append([(131, 82), (134, 50), (137, 82)])
    keep.append([(134, 50), (146, 54), (134, 58)])
    kmask = poly_mask(w, h, keep, scale=4)
    img_arr = mix(img_arr, (9, 6, 6), kmask)
    lit = [[(130, 96), (135, 96), (135, 106), (130, 106)], [(96, 132), (100, 132), (100, 140), (96, 140)],
           [(162, 124), (166, 124), (166, 131), (162, 131)], [(141, 150), (145, 150), (145, 158), (141, 158)],
           [(185, 152), (189, 152), (189, 158), (185, 158)]]
    windows = poly_mask(w, h, lit, scale=4)
    halo = blur(windows, 3.0)
    img_arr = img_arr + halo[..., None] * np.array([120, 70, 20])
    img_arr = mix(img_arr, (255, 200, 110), windows)
    scene = Scene(w, h, img_arr)
    # Lower band: stone with the gauge slot.
    band = sd_box(w, h, (-10, 258, w + 10, h + 10), 0)
    stone_albedo, stone_height = stone(w, h, 124, base=(46, 37, 29), blocks=False)
    scene.paint(cover(band), stone_albedo, 0.0, 0.0)
    scene.height += stone_height * cover(band)
    scene.moulding(sd_box(w, h, (-20, 258, w + 20, h + 20), 0), 6, relief=3.0, seed=125,
                   ridges=1)
    slot = sd_box(w, h, (134, 282, 371, 299), 8)
    scene.paint(cover(slot), (14, 10, 8), -2.0, 0.0)
    scene.moulding(slot, 4.0, relief=2.5, seed=126, ridges=1)
    scene.paint(cover(sd_box(w, h, (141, 288, 364, 293), 0)), (49, 49, 49), -2.0, 0.0)
    diamond(scene, 112, 290, 9, 6, 127)
    diamond(scene, 385, 290, 9, 6, 128)
    scene.moulding(sd_box(w, h, (0, 0, w, h), 4), 7, relief=3.5, seed=129)
    img = scene.shade()
    # Title to the right of the keep, with a dark halo that lifts it off the sky.
    for text, size, y in (("ТРИЛОГИЯ", 40, 92), ("МОРВАТА", 56, 146)):
        halo_mask = blur(text_mask((w, h), (340, y), text, title_face(size), "mm"), 6)
        img = Image.fromarray(np.clip(mix(image_array(img), (8, 5, 4), np.clip(halo_mask * 1.6,
                              0, 0.75)) + 0.5, 0, 255).astype(np.uint8), "RGB")
        img = letter(img, (340, y), text, title_face(size), (255, 230, 156), (166, 112, 42),
                     anchor="mm", shadow=(0, 0, 0), shadow_offset=(2, 2))
    img = ink_divider(img, 340, 186, 96, colour=(190, 140, 64), alpha=0.9)
    img = letter(img, (w / 2, 271), "Подготовка к установке...", windsor(17), (220, 184, 110),
                 (164, 124, 58), anchor="mm", shadow=(0, 0, 0))
    return img


def background_finish():
    """TForm11 478 x 240: the closing message centred on a dark panel, button ledge below."""
    w, h = 478, 240
    scene = wall_scene(w, h, 130, [(60, 30, 140, 0.4), (420, 30, 140, 0.4)])
    panel = sd_box(w, h, (22, 16, 456, 186), 12)
    scene.paint(cover(panel), stone(w, h, 131, base=(26, 19, 14), spread=8, blocks=False)[0],
                2.0, 0.0)
    scene.moulding(panel, 7, relief=3.5, seed=132)
    for cx, cy in ((30, 24), (448, 24), (30, 178), (448, 178)):
        rosette(scene, cx, cy, 7, 133)
    button_ledge(scene, (104, 193, 382, 239), FINISH_LEDGE)
    scene.moulding(sd_box(w, h, (0, 0, w, h), 3), 5, relief=3.0, seed=134)
    img = scene.shade()
    lines = ["Установка Трилогии Морвата успешно завершена.",
             "Нажмите кнопку «ВЫХОД» для закрытия",
             "программы установки."]
    img = letter(img, (w / 2, 50), lines[0], windsor(23), (250, 222, 146), (172, 124, 52),
                 anchor="mm", shadow=(0, 0, 0))
    img = ink_divider(img, w / 2, 82, 150, colour=(150, 110, 50), alpha=0.9)
    img = letter(img, (w / 2, 114), lines[1], windsor(21), GOLD, (150, 112, 50), anchor="mm",
                 shadow=(0, 0, 0))
    img = letter(img, (w / 2, 142), lines[2], windsor(21), GOLD, (150, 112, 50), anchor="mm",
                 shadow=(0, 0, 0))
    return img


def background_confirm():
    """TForm3 (and TForm7) 421 x 144: a dark leather plaque in a bronze frame that follows the
    window's rounded corners; the corners themselves stay plain form colour."""
    w, h = 421, 144
    scene = Scene(w, h, FORM_BROWN)
    plate = sd_box(w, h, (1, 1, w - 1, h - 1), 14)
    leather = ramp(noise(w, h, 140, cell=8, octaves=4), [(0, (30, 21, 14)), (1, (46, 32, 21))])
    scene.paint(cover(plate), leather, 0.0, 0.0)
    scene.moulding(plate, 6, relief=3.0, seed=141)
    inner = sd_box(w, h, (12, 10, w - 12, 90), 8)
    scene.paint(cover(inner), (24, 17, 12), -1.0, 0.0)
    scene.moulding(inner, 2.0, relief=1.0, seed=142, ridges=1)
    scene.paint(cover(sd_box(w, h, (44, 94, 382, 139), 20)), LEDGE, -1.5, 0.0)
    return scene.shade()


def arch_shape(w, h, top_box, bottom_box, rect):
    """The union of the two ellipses and the rectangle of a shaped dialog's window region."""
    return np.minimum(np.minimum(sd_ellipse(w, h, top_box), sd_ellipse(w, h, bottom_box)),
                      sd_box(w, h, rect, 0))


def background_browser():
    """TForm6 322 x 524: an arched stone frame round a black window, two dark bars below."""
    w, h = 322, 524
    shape = arch_shape(w, h, (2, 1, 322, 295), (2, 220, 322, 526), (2, 140, 321, 373))
    albedo, height = stone(w, h, 150, base=(60, 50, 42), blocks=False)
    scene = Scene(w, h, FORM_BROWN)
    scene.paint(cover(shape + 1), albedo, height + 2, 0.0)
    scene.moulding(shape + 1, 7, relief=3.5, seed=151)
    window = np.minimum(sd_box(w, h, (38, 64, 284, 366), 2), sd_ellipse(w, h, (38, 34, 284, 96)))
    frame = window - 6
    scene.paint(cover(frame), bronze(w, h, 152), 3.0, 1.0)
    scene.moulding(frame, 6, relief=3.0, seed=153)
    scene.paint(cover(window), (0, 0, 0), -2.0, 0.0)
    rosette(scene, 161, 22, 6, 158)
    bars = sd_box(w, h, (22, 368, 300, 436), 14)
    scene.paint(cover(bars), LEDGE, -2.0, 0.0)
    scene.moulding(bars, 3, relief=2.0, seed=154, ridges=1)
    scene.paint(cover(sd_box(w, h, (26, 401, 297, 403), 0)), (12, 8, 6), -2.5, 0.0)
    rosette(scene, 161, 476, 16, 155)
    diamond(scene, 118, 476, 10, 6, 156)
    diamond(scene, 204, 476, 10, 6, 157)
    return scene.shade()


def background_notice():
    """TForm4 324 x 423: an arched frame round the about picture, a dark bar for its button."""
    w, h = 324, 423
    shape = arch_shape(w, h, (2, 1, 322, 295), (2, 120, 322, 424), (2, 140, 321, 273))
    albedo, height = stone(w, h, 160, base=(60, 50, 42), blocks=False)
    scene = Scene(w, h, FORM_BROWN)
    scene.paint(cover(shape + 1), albedo, height + 2, 0.0)
    scene.moulding(shape + 1, 7, relief=3.5, seed=161)
    frame = sd_box(w, h, (36, 58, 285, 296), 3)
    scene.paint(cover(frame), bronze(w, h, 162), 3.0, 1.0)
    scene.moulding(frame, 6, relief=3.0, seed=163)
    scene.paint(cover(sd_box(w, h, (42, 64, 279, 290), 0)), (0, 0, 0), -2.0, 0.0)
    bar = sd_box(w, h, (18, 291, 297, 329), 15)
    scene.paint(cover(bar), LEDGE, -2.0, 0.0)
    scene.moulding(bar, 3, relief=2.0, seed=164, ridges=1)
    rosette(scene, 162, 370, 15, 165)
    diamond(scene, 121, 370, 10, 6, 166)
    diamond(scene, 203, 370, 10, 6, 167)
    arch_top = sd_circle(w, h, 162, 30, 9)
    scene.paint(cover(arch_top), bronze(w, h, 168), 4.0, 1.0)
    return scene.shade()


# ---------------------------------------------------------------------------------------------
# Progress screen: medallion with a runic groove, a skull whose eyes the animator lights, the
# ring that closes over the groove, and a dark panel for the status texts.

RING_BOX = (154, 34, 331, 330)                  # left, top, width, height of the ring picture
RING_CENTRE = (154 + 331 / 2, 34 + 330 / 2)     # (319.5, 199)
RING_INNER, RING_OUTER = 129.0, 159.0
RUNE_RADIUS = 144.0
EYE_BOX = (272, 175, 96, 48)
EYES = ((296.0, 199.0), (344.0, 199.0))         # socket centres on the background
SOCKET = (15.5, 12.5)                           # socket half-axes

RUNES = [  # strokes in a cell u in [-0.5, 0.5] (along the ring), v in [-0.6, 0.6] (outward)
    [((-0.25, -0.6), (-0.25, 0.6)), ((-0.25, 0.0), (0.3, 0.45)), ((-0.25, -0.35), (0.3, 0.1))],
    [((0, -0.6), (0, 0.6)), ((0, 0.1), (-0.35, 0.5)), ((0, 0.1), (0.35, 0.5))],
    [((0, -0.6), (0, 0.6)), ((0, 0.6), (-0.35, 0.25)), ((0, 0.6), (0.35, 0.25))],
    [((-0.3, -0.6), (-0.3, 0.6)), ((0.3, -0.6), (0.3, 0.6)), ((-0.3, 0.4), (0.3, -0.1))],
    [((-0.2, -0.6), (-0.2, 0.6)), ((-0.2, 0.45), (0.3, 0.0)), ((0.3, 0.0), (-0.2, -0.3))],
    [((0, -0.6), (0, 0.6)), ((-0.35, 0.35), (0.35, -0.1)), ((-0.35, -0.1), (0.35, 0.35))],
]


def rune_mask(w, h, centre, radius, size, width, count=24, seed=7, scale=4):
    """Runes engraved round a circle, as an anti-aliased mask."""
    rng = np.random.default_rng(seed)
    big = Image.new("L", (w * scale, h * scale), 0)
    d = ImageDraw.Draw(big)
    cx, cy = centre
    for k in range(count):
        a = 2 * math.pi * k / count + math.pi / count
        rune = RUNES[int(rng.integers(len(RUNES)))]
        radial = (math.cos(a), math.sin(a))
        tangent = (-math.sin(a), math.cos(a))
        for (u0, v0), (u1, v1) in rune:
            pts = []
            for u, v in ((u0, v0), (u1, v1)):
                r = radius + v * size
                pts.append(((cx + radial[0] * r + tangent[0] * u * size) * scale,
                            (cy + radial[1] * r + tangent[1] * u * size) * scale))
            d.line(pts, fill=255, width=int(width * scale))
    return np.asarray(big.resize((w, h), Image.BOX), np.float32) / 255


def skull_layers(scene):
    w, h = scene.w, scene.h
    cranium = sd_ellipse(w, h, (262, 118, 378, 234))
    jaw = sd_box(w, h, (286, 198, 354, 262), 16)
    cheeks = np.minimum(sd_ellipse(w, h, (268, 188, 312, 232)), sd_ellipse(w, h, (328, 188, 372, 232)))
    skull = np.minimum(np.minimum(cranium, jaw), cheeks)
    # Shadow the skull casts on the medallion (light from the upper left).
    cast = np.roll(np.roll(blur(cover(skull), 5), 5, 0), 6, 1) * (1 - cover(skull))
    scene.albedo = mix(scene.albedo, (10, 7, 5), cast * 0.75)
    bone = ramp(noise(w, h, 171, cell=10, octaves=4), [(0, (128, 112, 86)), (0.6, (170, 152, 118)),
                                                       (1, (190, 172, 136))])
    dome = np.sqrt(np.clip(-skull / 30, 0, 1)) * 9
    scene.paint(cover(skull), bone, 2 + dome, 0.0)
    for cx, cy in EYES:
        socket = sd_ellipse(w, h, (cx - SOCKET[0], cy - SOCKET[1], cx + SOCKET[0], cy + SOCKET[1]))
        depth = np.sqrt(np.clip(-socket / 8, 0, 1))
        scene.paint(cover(socket), (8, 5, 4), 6 - 6 * depth, 0.0)
    # Temples and brow: shallow hollows beside and above the sockets.
    for box in ((262, 170, 282, 214), (358, 170, 378, 214)):
        temple = cover(sd_ellipse(w, h, box)) * cover(skull)
        scene.paint(temple * 0.55, (96, 84, 64), -1.5, 0.0, add_height=True)
    for cx, cy in EYES:
        brow = cover(sd_ellipse(w, h, (cx - 19, cy - 20, cx + 19, cy - 4))) * cover(skull)
        scene.height += brow * 2.0
    nose = poly_mask(w, h, [[(320, 211), (329, 232), (320, 228), (311, 232)]])
    scene.paint(nose, (12, 8, 6), 4.0, 0.0)
    teeth_band = sd_box(w, h, (297, 238, 343, 254), 3)
    scene.paint(cover(teeth_band), (20, 14, 10), 5.0, 0.0)
    xs, ys = pixel_grid(w, h)
    for i in range(6):
        x0 = 298.5 + i * 7.5
        tooth = sd_box(w, h, (x0, 239, x0 + 6, 253), 2)
        scene.paint(cover(tooth), bone * 1.05, 8.0, 0.0)
    crack = line_mask(w, h, [(339, 121), (334, 131), (340, 139), (333, 150), (337, 158)], 1.6)
    crack = np.maximum(crack, line_mask(w, h, [(340, 139), (347, 144)], 1.2))
    scene.paint(crack * 0.9, (34, 26, 18), None, None)
    scene.height -= crack * 1.5


def background_progress_rgb():
    w, h = 640, 480
    scene = wall_scene(w, h, 170, [(320, 200, 230, 0.35), (40, 460, 120, 0.1),
                                   (600, 460, 120, 0.1)])
    scene.moulding(sd_box(w, h, (0, 0, w, h), 4), 8, relief=3.5, seed=172)
    cx, cy = RING_CENTRE
    medallion = sd_circle(w, h, cx, cy, 178)
    face = stone(w, h, 173, base=(74, 62, 50), spread=18, blocks=False)
    scene.paint(cover(medallion), face[0], 3 + face[1], 0.0)
    scene.moulding(medallion, 9, relief=4.0, seed=174)
    groove = np.maximum(sd_circle(w, h, cx, cy, RING_OUTER + 3),
                        -sd_circle(w, h, cx, cy, RING_INNER - 3))
    scene.paint(cover(groove), (26, 19, 14), -1.0, 0.0)
    runes = rune_mask(w, h, RING_CENTRE, RUNE_RADIUS, 16, 2.2)
    scene.paint(runes * 0.85, (12, 8, 6), -2.5, 0.0)
    inner = sd_circle(w, h, cx, cy, RING_INNER - 3)
    scene.moulding(inner, 4, relief=2.0, seed=175, ridges=1)
    # An engraved circle with notches round the skull.
    etched = cover(np.abs(sd_circle(w, h, cx, cy, 108)) - 0.9)
    xs, ys = pixel_grid(w, h)
    ang = np.arctan2(ys - cy, xs - cx)
    rad = np.hypot(xs - cx, ys - cy)
    notches = (np.abs(((ang / (2 * np.pi) * 16) % 1) - 0.5) > 0.47) & (rad > 110) & (rad < 120)
    etched = np.maximum(etched, notches.astype(np.float32))
    scene.paint(etched * 0.8, (30, 24, 18), -1.5, 0.0, add_height=True)
    skull_layers(scene)
    panel = sd_box(w, h, (100, 384, 540, 458), 12)
    scene.paint(cover(panel), (20, 14, 10), -1.0, 0.0)
    scene.moulding(panel, 5, relief=3.0, seed=176)
    for x in (108, 532):
        rosette(scene, x, 421, 6, 177)
    return scene.shade()


def quantize_256(img):
    """8-bit palette picture: median cut with Floyd-Steinberg dithering (deterministic)."""
    q = img.quantize(colors=256, method=Image.Quantize.MEDIANCUT,
                     dither=Image.Dither.FLOYDSTEINBERG)
    palette = q.getpalette()[:768]
    palette += [0] * (768 - len(palette))
    entries = [tuple(palette[i:i + 3]) for i in range(0, 768, 3)]
    return np.asarray(q, np.uint8), entries


def palette_image(indices, entries):
    lut = np.asarray(entries, np.uint8)
    return Image.fromarray(lut[indices], "RGB")


def ring_layers(w, h, centre):
    """The ring in its own picture's coordinates: colours and coverage."""
    cx, cy = centre
    outer = sd_circle(w, h, cx, cy, RING_OUTER)
    inner = sd_circle(w, h, cx, cy, RING_INNER)
    band = np.maximum(outer, -inner)
    xs, ys = pixel_grid(w, h)
    t = np.clip((np.hypot(xs - cx, ys - cy) - RING_INNER) / (RING_OUTER - RING_INNER), 0, 1)
    gold = ramp(noise(w, h, 180, cell=16, octaves=4), [(0, (128, 80, 30)), (0.5, (176, 120, 48)),
                                                       (1, (206, 156, 74))])
    scene = Scene(w, h, gold)
    scene.height = np.clip(np.sin(np.pi * t), 0, 1) ** 0.6 * 6 * cover(band)
    scene.metal[:] = 1.0
    runes = rune_mask(w, h, centre, RUNE_RADIUS, 16, 2.2)
    scene.height -= runes * 2.5
    img = scene.shade(gloss=16)
    arr = image_array(img)
    glow = blur(runes, 1.5)
    arr = mix(arr, (255, 236, 170), np.clip(runes * 0.9 + glow * 0.4, 0, 1))
    arr = mix(arr, (255, 120, 40), np.clip(glow - runes, 0, 1) * 0.5)
    return arr, cover(band)


def progress_pictures():
    """Returns (background indices, palette), (ring indices, palette) and the five eye frames."""
    bg_indices, bg_palette = quantize_256(background_progress_rgb())
    bg = palette_image(bg_indices, bg_palette)
    bg_arr = image_array(bg)

    # Ring: edge pixels blend with the background that lies under them, the rest is white.
    left, top, rw, rh = RING_BOX
    ring_arr, ring_cov = ring_layers(rw, rh, (rw / 2, rh / 2))
    under = bg_arr[top:top + rh, left:left + rw]
    drawn = ring_cov >= 0.5
    blended = mix(under, ring_arr, ring_cov)
    fill = blended.copy()
    fill[~drawn] = blended[drawn].mean(axis=0)
    q = Image.fromarray(np.clip(fill + 0.5, 0, 255).astype(np.uint8), "RGB").quantize(
        colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    pal = q.getpalette()[:765]
    pal += [0] * (765 - len(pal))
    ring_palette = [tuple(min(v, 254) for v in pal[i:i + 3]) if tuple(pal[i:i + 3]) == WHITE
                    else tuple(pal[i:i + 3]) for i in range(0, 765, 3)]
    ring_palette.append(WHITE)
    ring_indices = np.where(drawn, np.asarray(q, np.uint8), 255).astype(np.uint8)

    frames = [eye_frame(bg_arr, level) for level in range(5)]
    return (bg_indices, bg_palette), (ring_indices, ring_palette), frames


EYE_LEVELS = [0.0, 0.22, 0.45, 0.82, 1.0]


def eye_frame(bg_arr, level):
    """One 96 x 48 animator frame: the background's sockets with an ember of the given
    strength; opaque (alpha 255) over both sockets and their halo, transparent elsewhere."""
    left, top, fw, fh = EYE_BOX
    base = bg_arr[top:top + fh, left:left + fw].copy()
    xs, ys = pixel_grid(fw, fh)
    region = np.zeros((fh, fw), bool)
    out = base.copy()
    strength = EYE_LEVELS[level]
    for ex, ey in EYES:
        lx, ly = ex - left, ey - top
        dx, dy = (xs - lx) / SOCKET[0], (ys - ly) / SOCKET[1]
        k = np.sqrt(dx * dx + dy * dy)
        dist = np.hypot(xs - lx, ys - ly)
        region |= dist <= 22.5
        if strength == 0:
            continue
        # Ember inside the socket: hot core, red body, fading to the socket's black.
        core = np.clip(1 - k / (0.35 + 0.25 * strength), 0, 1)
        body = np.clip(1 - k / (0.55 + 0.4 * strength), 0, 1) ** 1.5
        inside = np.clip((1.0 - k) * 6, 0, 1)
        glow = mix(np.broadcast_to(np.array((120, 10, 4), np.float32), base.shape),
                   (236, 54, 18), body)
        glow = mix(glow, (255, 214, 140), core ** 1.5 * strength)
        out = mix(out, glow, np.clip(body * 1.6, 0, 1) * inside * strength)
        # Halo on the bone round the socket for the glowing frames, gone before the edge.
        halo = np.exp(-np.clip(k - 1, 0, None) ** 2 / 0.12) * (1 - inside)
        halo *= np.clip((20.5 - dist) / 4, 0, 1)
        tint = base * np.array([1.0, 0.55, 0.4]) + np.array([120, 20, 6])
        out = mix(out, tint, halo * max(0.0, strength - 0.5) * 1.2)
    rgba = np.zeros((fh, fw, 4), np.uint8)
    rgba[..., :3] = np.clip(out + 0.5, 0, 255).astype(np.uint8)
    rgba[..., 3] = np.where(region, 255, 0)
    return Image.fromarray(rgba, "RGBA")


def about_picture():
    """Resource\\About.bmp: a parchment leaf about the build, with a wax seal."""
    w, h = 237, 226
    scene = Scene(w, h, parchment(w, h, 190))
    sd = sd_box(w, h, (0, 0, w, h), 0)
    scene.albedo = mix(scene.albedo, (132, 92, 48), np.clip(1 + sd / 14, 0, 1) ** 2 * 0.6)
    seal = sd_circle(w, h, 196, 190, 20)
    scene.paint(cover(seal), ramp(noise(w, h, 191, cell=6), [(0, (120, 18, 14)), (1, (170, 36, 26))]),
                3 * np.sqrt(np.clip(-seal / 20, 0, 1)), 0.3)
    img = scene.shade()
    img = letter(img, (w / 2, 22), "О СБОРКЕ", windsor(22), (120, 92, 44), (80, 58, 26),
                 anchor="mm", shadow=None, highlight=(250, 236, 200))
    img = ink_divider(img, w / 2, 40, 90)
    lines = ["Трилогия Морвата", "Полное издание на русском языке", "",
             "Сборка 1.0 от декабря 2026 года:", "три игры, дополнения к ним,",
             "редактор персонажей и программа", "конфигурации MVConfig.", "",
             "Установщик MVT Setup"]
    y = 58
    for line in lines:
        if line:
            img = letter(img, (16, y), line, windsor(16), INK_BROWN, (70, 54, 24), anchor="lm",
                         shadow=None)
        y += 17
    img = letter(img, (196, 190), "М", title_face(22), (236, 120, 90), (150, 40, 30),
                 anchor="mm", shadow=(70, 10, 8))
    return img


# ---------------------------------------------------------------------------------------------
# Sounds

def click_samples(rate, count, partials, thump, seed, noise_decay=0.004):
    """A struck-bronze click: a short filtered noise tap, inharmonic ringing and a low thump."""
    rng = np.random.default_rng(seed)
    t = np.arange(count) / rate
    tap = rng.uniform(-1, 1, count)
    tap = np.convolve(tap, np.ones(3) / 3, mode="same") * np.exp(-t / noise_decay)
    ring = sum(a * np.sin(2 * np.pi * f * t + p) * np.exp(-t / tau) for f, tau, a, p in partials)
    low = thump[1] * np.sin(2 * np.pi * thump[0] * t) * np.exp(-t / thump[2])
    s = 0.8 * tap + ring + low
    attack = np.clip(t / 0.0006, 0, 1)
    release = np.clip((t[-1] - t) / 0.012, 0, 1)
    s = s * attack * release
    return s / np.max(np.abs(s))


def click_wave():
    """Welcome screen click: PCM, mono, 11025 Hz, 16-bit, 4216 data bytes (4260-byte file)."""
    s = click_samples(11025, 2108, [(1480, 0.030, 0.55, 0.3), (2350, 0.020, 0.35, 1.1),
                                    (3720, 0.011, 0.25, 2.0), (610, 0.045, 0.3, 0.7)],
                      (150, 0.35, 0.025), seed=11)
    data = np.round(s * 0.7 * 32767).astype("<i2").tobytes()
    return wave(data, 11025, 16)


def progress_wave():
    """Progress screen click: PCM, mono, 22050 Hz, 8-bit, 4608 data bytes and a LIST chunk
    (4734-byte file): a deeper stone-and-bronze knock."""
    s = click_samples(22050, 4608, [(420, 0.06, 0.5, 0.2), (1130, 0.04, 0.4, 0.9),
                                    (2210, 0.025, 0.25, 1.7), (3050, 0.015, 0.2, 2.6)],
                      (95, 0.5, 0.04), seed=12, noise_decay=0.006)
    data = (np.round(s * 0.72 * 127) + 128).astype(np.uint8).tobytes()
    listing = info_list_chunk([("ISFT", "MVT Setup artwork generator"),
                               ("INAM", "Morvath Trilogy progress.")])
    return wave(data, 22050, 8, listing)


# ---------------------------------------------------------------------------------------------
# The welcome screen's product description: 25 lines, word-wrapped by the label inside 527
# pixels. Its wrapped height must end where the 29 scroll steps of 42 pixels end: the label
# top goes down to -1218 and the viewport is 234 high, so the text may end at 1452 at most,
# and later than 1452 - 42 so that the last step still shows new text.

DESCRIPTION_WIDTH = 527
DESCRIPTION_FONT_PX = 19
SCROLL_END = 29 * 42 + 234   # 1452

TITLE_BLANKS = 47
HEADING = "\0"   # marks a heading to be centred by leading blanks (23 to 36 of them)

DESCRIPTION = [
    " " * TITLE_BLANKS + "ТРИЛОГИЯ МОРВАТА",
    "Трилогия Морвата — собрание трёх ролевых игр о суровом и холодном северном крае, где над "
    "болотами, каменными пустошами и забытыми крепостями властвует проклятый чародей "
    "Морват. Три главы одной истории, более двухсот часов странствий, сотни героев и "
    "злодеев, десятки городов, замков и подземелий — теперь в одном издании, полностью "
    "переведённом на русский язык и готовом к установке на ваш компьютер. В издание "
    "вошли все официальные дополнения и обновления, выпущенные для каждой из трёх игр.",
    "",
    HEADING + "ОСНОВНЫЕ ОСОБЕННОСТИ ИГР",
    "1. Огромный открытый мир. Странствуйте от ледяных фьордов Северной Гряды до самых "
    "выжженных руин Старой Империи. Каждая часть открывает новые земли, а герой переходит "
    "из игры в игру вместе со всеми своими умениями и снаряжением. Смена дня и ночи, "
    "метели и туманы, ярмарки и праздники делают этот мир живым: торговцы закрывают "
    "лавки на закате, а на дорогах после заката хозяйничают разбойники и нежить.",
    "2. Гибкая ролевая система. Шесть народов, двенадцать классов и более трёхсот умений "
    "позволяют создать героя по своему вкусу: воина, мага, вора, жреца или странника, "
    "который не держится ни одного пути. Навыки растут с опытом, а наставники в "
    "городах и монастырях открывают тайные приёмы только тем, кто заслужил их доверие "
    "делом, а не золотом.",
    "3. Тактические сражения. Бои идут в реальном времени с паузой: отдавайте приказы "
    "отряду из шести спутников, используйте местность, ловушки и заклинания, чтобы "
    "одолеть врага, который сильнее вас. У каждого спутника свой нрав, своя история и "
    "своё мнение о ваших поступках.",
    "4. Выбор и его последствия. Решения героя меняют судьбы городов и народов, "
    "союзники помнят добро и зло, а от ваших поступков зависит, какой из семи концовок "
    "завершится трилогия. Почти любое задание можно выполнить несколькими способами: "
    "силой оружия, хитростью, уговорами или колдовством, и каждый путь ведёт к своим "
    "последствиям.",
    "5. Сотни часов приключений. Более двухсот основных и побочных заданий, сотни книг "
    "и записок, тайные подземелья и древние артефакты ждут тех, кто не боится свернуть "
    "с наезженной дороги. Многие тайны открываются лишь внимательному читателю старых "
    "летописей.",
    "",
    HEADING + "ДОПОЛНИТЕЛЬНЫЕ ВОЗМОЖНОСТИ",
    "(для них нужно установить дополнительный пакет настроек игры)",
    "1. Поддержка широкоформатных мониторов и высоких разрешений экрана.",
    "2. Улучшенные текстуры местности, зданий и персонажей.",
    "3. Новое освещение: подвижные тени и живой свет факелов.",
    "4. Увеличенная дальность обзора на открытых пространствах.",
    "5. Обновлённый интерфейс с крупным и чётким шрифтом.",
    "6. Быстрое сохранение и загрузка в любом месте игры.",
    "7. Полностью озвученные беседы с главными героями.",
    "8. Новые мелодии в музыкальном сопровождении городов.",
    "9. Исправление ошибок, накопленных за годы выхода игр.",
    "",
    HEADING + "СКВОЗНОЙ СЮЖЕТ ТРИЛОГИИ",
    "Три игры трилогии связаны одним сюжетом и одним героем. Всё, что вы совершили в "
    "первой части, отзовётся во второй и третьей: спасённые вами города встретят вас "
    "как друга, оставленные без помощи будут лежать в руинах, а враги, которых вы "
    "пощадили, однажды вернутся, чтобы вернуть свой старый долг или отомстить. Сохранённую игру можно "
    "перенести в следующую часть целиком, вместе с героем, его спутниками, "
    "снаряжением, золотом и репутацией у всех народов Севера. Путь, начатый на "
    "заснеженных перевалах Северной Гряды, проведёт вас через болота Мглистого Дола и "
    "подземные чертоги древних королей к чёрной башне Морвата, где решится судьба "
    "всего края. В первой части вам предстоит выяснить, почему пробудился чародей, "
    "которого считали мёртвым уже три столетия, и собрать союзников среди людей, "
    "гномов и лесных кланов. Во второй части война стучится в каждый дом: вы поведёте "
    "отряды защитников, будете выбирать, какие крепости удержать, а какие оставить, и "
    "искать осколки древнего Венца, который один способен сокрушить власть Морвата. "
    "Третья часть уведёт героя в Мёртвые земли, туда, где мир живых граничит с миром теней и "
    "где каждое прежнее решение обретает свою истинную цену. Здесь герою придётся встретиться с теми, кого он потерял в пути. Пройдите этот путь до конца и узнайте, "
    "чем заплатил чародей за своё бессмертие и что готов заплатить за свободу Севера "
    "ваш герой.",
    "",
]


def wrap_line(line, face, width):
    """Breaks one line at blanks as the label's word wrap does; leading blanks stay."""
    if not line:
        return [""]
    stripped = line.lstrip(" ")
    words = stripped.split(" ")
    current = line[:len(line) - len(stripped)] + words[0]
    out = []
    for word in words[1:]:
        candidate = current + " " + word
        if face.getlength(candidate) <= width:
            current = candidate
        else:
            out.append(current)
            current = word
    out.append(current)
    return out


def line_height(font_path, px):
    """Windows' line height at a character height of px pixels: round(usWinAscent * px / em)
    + round(usWinDescent * px / em), as tmAscent + tmDescent are computed."""
    f = TTFont(font_path)
    em = f["head"].unitsPerEm
    return (round_half_up(f["OS/2"].usWinAscent * px / em)
            + round_half_up(f["OS/2"].usWinDescent * px / em))


def round_half_up(v):
    return int(math.floor(v + 0.5))


def description_lines(face):
    space = face.getlength(" ")
    lines = []
    for line in DESCRIPTION:
        if line.startswith(HEADING):
            text = line[1:]
            blanks = round((DESCRIPTION_WIDTH - face.getlength(text)) / 2 / space)
            lines.append(" " * max(23, min(36, blanks)) + text)
        else:
            lines.append(line)
    return lines


def description_text():
    face = windsor(DESCRIPTION_FONT_PX)
    lines = description_lines(face)
    # The label draws its lines without the trailing empty ones (they are stripped from the
    # caption), so the height counts the wrapped lines up to the last non-empty one.
    shown = list(lines)
    while shown and not shown[-1]:
        shown.pop()
    wrapped = sum(len(wrap_line(line, face, DESCRIPTION_WIDTH)) for line in shown)
    height = wrapped * line_height(os.path.join(DIST_DIR, "WINDSOR.TTF"), DESCRIPTION_FONT_PX)
    return lines, wrapped, height


# ---------------------------------------------------------------------------------------------
# Output: files, resource script, manifest, previews.

class Output:
    def __init__(self):
        self.entries = []   # (name, file, size, format, key, used_by)
        self.previews = {}  # name -> RGB(A) picture as stored

    def bmp(self, name, filename, img, depth, key=None, used_by="", data=None, preview=None):
        if data is None:
            data = {24: bmp_24, 16: bmp_16, 32: bmp_32}[depth](img)
        with open(os.path.join(GEN_DIR, filename), "wb") as out:
            out.write(data)
        size = "%d×%d" % (preview or img).size
        fmt = {8: "8-bit, 256-colour palette", 16: "16-bit BI_BITFIELDS 5-6-5 (offset 66)",
               24: "24-bit (offset 54)", 32: "32-bit BI_RGB, alpha = mask"}[depth]
        self.entries.append((name, "generated/" + filename, size, fmt, key or "—", used_by))
        shown = preview or img
        if depth == 16:
            arr = np.asarray(shown.convert("RGB")).astype(np.uint16)
            q = np.stack([(arr[..., 0] >> 3) << 3 | arr[..., 0] >> 5,
                          (arr[..., 1] >> 2) << 2 | arr[..., 1] >> 6,
                          (arr[..., 2] >> 3) << 3 | arr[..., 2] >> 5], -1).astype(np.uint8)
            shown = Image.fromarray(q, "RGB")
        self.previews[name] = shown

    def raw(self, name, filename, data, size, fmt, used_by):
        with open(os.path.join(GEN_DIR, filename), "wb") as out:
            out.write(data)
        self.entries.append((name, "generated/" + filename, size, fmt, "—", used_by))


def key_name(key):
    return {LIME: "clLime (0x00FF00)", WHITE: "clWhite (0xFFFFFF)",
            OLIVE: "clOlive (0x008080)"}[key]


NAV_SETS = [
    # name, size, lettering, states, depth, key, (background, x, y) it lies on, used by
    ("BTN_NEXT", (147, 36), "ДАЛЕЕ »", ("up", "down", "disabled"), 16, LIME, ("welcome", 330, 428),
     "Next: TForm1/5/8/9 SkBmpButton2 at 330,428 (Disabled on TForm5, TForm8)"),
    ("BTN_BACK", (144, 36), "« НАЗАД", ("up", "down", "disabled"), 16, LIME, ("welcome", 164, 428),
     "Back: TForm5/8/9 SkBmpButton3 at 164,428"),
    ("BTN_ABOUT", (144, 36), "О СБОРКЕ...", ("up", "down", "disabled"), 16, LIME,
     ("welcome", 164, 428),
     "About: TForm1 SkBmpButton1 at 164,428"),
    ("BTN_EXIT", (144, 36), "ВЫХОД", ("up", "down"), 16, LIME, ("confirm", 57, 98),
     "Exit: TForm3 SkBmpButton1 at 57,98"),
    ("BTN_OK", (144, 36), "ОК", ("up", "down"), 16, LIME, ("confirm", 57, 98),
     "Confirm: TForm7 SkBmpButton2 at 57,98"),
    ("BTN_CANCEL", (147, 36), "ОТМЕНА", ("up", "down"), 16, LIME, ("confirm", 223, 98),
     "Cancel: TForm3 SkBmpButton2, TForm7 SkBmpButton1 at 223,98"),
    ("BTN_SELECT", (271, 31), "ВЫБРАТЬ", ("up", "down"), 16, LIME, ("browser", 26, 371),
     "Select: TForm6 SkBmpButton1 at 26,371"),
    ("BTN_CLOSE", (271, 31), "ЗАКРЫТЬ", ("up", "down"), 16, LIME, ("browser", 26, 402),
     "Close: TForm6 SkBmpButton2 at 26,402; TForm4 SkBmpButton1 at 22,294"),
    ("BTN_NEWFOLDER", (233, 31), "СОЗДАТЬ КАТАЛОГ", ("up", "down"), 24, LIME,
     ("browser", 44, 64),
     "New folder: TForm6 SkBmpButton3 at 44,64"),
    ("BTN_FINISH", (257, 36), "ВЫХОД", ("up", "down"), 16, WHITE, ("finish", 114, 199),
     "Exit: TForm11 SkBmpButton1 at 114,199"),
]


def generate_all():
    os.makedirs(GEN_DIR, exist_ok=True)
    os.makedirs(DIST_DIR, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        build_font(work)
    out = Output()

    out.bmp("SPLASH", "splash.bmp", background_splash(), 24,
            used_by="TForm2 Image1 (gauge slot at 141,288 223×5)")
    backgrounds = {"welcome": background_welcome(), "dest": background_destination(),
                   "finish": background_finish(), "confirm": background_confirm(),
                   "browser": background_browser(), "notice": background_notice()}

    def under(where, w, h):
        """The background pixels a control of w x h covers: the matte of its edges."""
        name, x, y = where
        return image_array(backgrounds[name].crop((x, y, x + w, y + h)))

    out.bmp("BG_WELCOME", "bg_welcome.bmp", backgrounds["welcome"], 24,
            used_by="TForm1 Image1; copied into TForm8, TForm9 Image1")
    out.bmp("BG_DEST", "bg_dest.bmp", backgrounds["dest"], 24, used_by="TForm5 Image1")
    (bg_idx, bg_pal), (ring_idx, ring_pal), eyes = progress_pictures()
    out.bmp("BG_PROGRESS", "bg_progress.bmp", None, 8, used_by="TForm10 Image1",
            data=bmp_8(bg_idx, bg_pal), preview=palette_image(bg_idx, bg_pal))
    out.bmp("RING", "ring.bmp", None, 8, key="white (bottom-left pixel)",
            used_by="TForm10 Image2 (ring, 154,34)", data=bmp_8(ring_idx, ring_pal),
            preview=palette_image(ring_idx, ring_pal))
    for i, frame in enumerate(eyes):
        out.bmp("EYE%d" % i, "eye%d.bmp" % i, frame, 32, key="alpha 0",
                used_by="TForm10 ImageList1 image %d (animator at 272,175)" % i)
    out.bmp("BG_FINISH", "bg_finish.bmp", backgrounds["finish"], 24, used_by="TForm11 Image1")
    out.bmp("BG_CONFIRM", "bg_confirm.bmp", backgrounds["confirm"], 24,
            used_by="TForm3 Image1; copied into TForm7 Image1")
    out.bmp("BG_BROWSER", "bg_browser.bmp", backgrounds["browser"], 24, used_by="TForm6 Image1")
    out.bmp("BG_NOTICE", "bg_notice.bmp", backgrounds["notice"], 24, used_by="TForm4 Image1")

    for name, (w, h), label, states, depth, key, where, used in NAV_SETS:
        emblem = folder_emblem if name == "BTN_NEWFOLDER" else None
        size = 18 if h >= 36 else 17
        matte = under(where, w, h)
        for state in states:
            img = button_picture(w, h, label, state, key, matte, depth, emblem=emblem, size=size)
            out.bmp("%s_%s" % (name, state.upper()), "%s_%s.bmp" % (name.lower(), state), img,
                    depth, key_name(key), used)
    for state in ("up", "down"):
        out.bmp("BTN_BROWSE_%s" % state.upper(), "btn_browse_%s.bmp" % state,
                browse_picture(state, under(("dest", 553, 331), 57, 38)), 24, key_name(LIME),
                "Browse: TForm5 SkBmpButton1 at 553,331")
    for direction, y, used in (("up", 125, "TForm1 SkBmpButton3 at 584,125 (starts disabled)"),
                               ("down", 337, "TForm1 SkBmpButton4 at 584,337")):
        for state in ("up", "down", "disabled"):
            out.bmp("ARROW_%s_%s" % (direction.upper(), state.upper()),
                    "arrow_%s_%s.bmp" % (direction, state),
                    arrow_picture(direction, state, under(("welcome", 584, y), 14, 15)), 24,
                    key_name(LIME), used)
    out.bmp("SCROLL_TRACK", "scroll_track.bmp", track_picture(), 24,
            used_by="TForm1 Image3 at 588,140 (stretched, opaque)")
    out.bmp("SCROLL_MARKER", "scroll_marker.bmp", marker_picture(), 24, key_name(LIME),
            "TForm1 Image2 at 586,139..329 (transparent picture)")
    toggle_matte = under(("welcome", 332, 206), 27, 25)
    out.bmp("TOGGLE_UP", "toggle_up.bmp", toggle_picture(True, toggle_matte), 24,
            key_name(OLIVE), "TForm8 SkBmpButton1/4/5 Up: ticked box (option chosen)")
    out.bmp("TOGGLE_DOWN", "toggle_down.bmp", toggle_picture(False, toggle_matte), 24,
            key_name(OLIVE),
            "TForm8 SkBmpButton1/4/5 Down: empty box (option off)")
    for kind in ("floppy", "fixeddisk", "cdrom", "netdrive", "ram"):
        out.bmp("SKFILBMP_%s" % kind.upper(), "skfilbmp_%s.bmp" % kind, drive_picture(kind), 24,
                key_name(LIME) + "; also the bottom-left pixel",
                "TForm6 SkDriveComboBox1 entries (also as BITMAP resource)")

    out.raw("WAVE_CLICK", "click.wav", click_wave(), "4260 bytes",
            "RIFF WAVE PCM mono 11025 Hz 16-bit, 4216 data bytes",
            "TForm1 SkWave1: the click of every wizard screen")
    out.raw("WAVE_PROGRESS", "progress.wav", progress_wave(), "4734 bytes",
            "RIFF WAVE PCM mono 22050 Hz 8-bit, 4608 data bytes + LIST chunk",
            "TForm10 SkWave1 (close request during the installation)")

    lines, wrapped, height = description_text()
    text = "\r\n".join(lines) + "\r\n"
    out.raw("DESCRIPTION", "description.txt", text.encode("cp1251"),
            "25 lines, %d wrapped, %d px" % (wrapped, height),
            "text, code page 1251, CR LF", "TForm1 SkLabel1 Lines (527×1451, Windsor -19)")

    about = about_picture()
    with open(os.path.join(DIST_DIR, "About.bmp"), "wb") as f:
        f.write(bmp_24(about))
    out.previews["About.bmp"] = about

    write_resource_script(out)
    write_manifest(out, wrapped, height)
    return out, wrapped, height


def write_resource_script(out):
    lines = ["// Pictures, sounds and the welcome text of MVT Setup, written by generate.py.",
             "// Paths are relative to resources/ (compiled with -I resources).", ""]
    for name, path, *_ in out.entries:
        lines.append('%-24s RCDATA "%s"' % (name, path))
    lines += ["", "// The drive list loads its pictures as bitmap resources as well."]
    for name, path, *_ in out.entries:
        if name.startswith("SKFILBMP_"):
            lines.append('%-24s BITMAP "%s"' % (name, path))
    with open(os.path.join(SCRIPT_DIR, "artwork.rc"), "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def write_manifest(out, wrapped, height):
    rows = ["# Artwork manifest", "",
            "Written by `resources/generate.py`; checked by `resources/check_artwork.py`.",
            "Every entry is an `RCDATA` resource of `resources/artwork.rc` (the drive pictures "
            "are also `BITMAP` resources of the same names).", "",
            "Conventions:",
            "- Transparent colours are exact: the key appears only where the screen shows "
            "through (corners, rounded ends, round arrows and marker) and never inside the "
            "artwork; edge pixels are blended with the colour under the control, not with the "
            "key. In 16-bit pictures clLime is stored as 0x07E0 and clWhite as 0xFFFF.",
            "- Eye frames: 32-bit BI_RGB, the fourth byte is the mask: 255 = drawn, "
            "0 = transparent (its colour bytes are 0). No partial alpha, so the colours are "
            "the same premultiplied or not. The frames are cut from the progress background "
            "itself, so the drawn area matches it pixel for pixel.",
            "- RING: 8-bit, white (255,255,255) outside and inside the ring; no other palette "
            "entry is white, so only the surroundings are transparent.",
            "- Typeface `dist/Resource/WINDSOR.TTF`: family \"Windsor\", TrueType (glyf) "
            "outlines, derived from Vollkorn (SIL OFL 1.1, licence in "
            "`dist/Resource/WINDSOR-OFL.txt`). Line height at font height -19: "
            "round(%d×19/1000) + round(%d×19/1000) = 22 pixels (usWinAscent + usWinDescent, "
            "as Windows computes tmAscent + tmDescent)." % (WIN_ASCENT, WIN_DESCENT),
            "- DESCRIPTION: %d wrapped lines × 22 = %d pixels inside 527 (the last empty "
            "line is not drawn); the 29 scroll steps of 42 end at 1218 + 234 = 1452."
            % (wrapped, height), "",
            "| Name | File | Size | Format | Transparent | Used by |",
            "|---|---|---|---|---|---|"]
    for name, path, size, fmt, key, used in out.entries:
        rows.append("| %s | `%s` | %s | %s | %s | %s |" % (name, path, size, fmt, key, used))
    rows += ["| (file) | `dist/Resource/About.bmp` | 237×226 | 24-bit (offset 54) | — | "
             "TForm4 Image2 (about picture, copied beside the program) |",
             "| (file) | `dist/Resource/WINDSOR.TTF` | — | TrueType | — | "
             "registered by TForm2 at start-up |", ""]
    with open(os.path.join(SCRIPT_DIR, "MANIFEST.md"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(rows))


# ---------------------------------------------------------------------------------------------
# Previews (build/artwork, not committed): a contact sheet and each screen put together as the
# program will show it, to judge the artwork in place.

def place(base, pic, xy, key=None):
    base = base.copy()
    pic = pic.convert("RGB")
    if key is None:
        base.paste(pic, xy)
    else:
        a = np.asarray(pic)
        mask = Image.fromarray(np.where(np.all(a == np.asarray(key, np.uint8), -1), 0, 255)
                               .astype(np.uint8), "L")
        base.paste(pic, xy, mask)
    return base


def draw_lines(img, xy, lines, colour, clip=None, size=19, step=22, align_centre_width=None):
    layer = img.copy()
    d = ImageDraw.Draw(layer)
    face = windsor(size)
    x, y = xy
    for line in lines:
        if align_centre_width:
            d.text((x + align_centre_width / 2, y), line, font=face, fill=colour, anchor="ma")
        else:
            d.text((x, y), line.expandtabs(8), font=face, fill=colour)
        y += step
    if clip is None:
        return layer
    out = img.copy()
    out.paste(layer.crop(clip), clip[:2])
    return out


def region_cut(img, shape_sd):
    arr = np.asarray(img.convert("RGB")).copy()
    arr[shape_sd > 0] = (96, 96, 104)
    return Image.fromarray(arr, "RGB")


def screen_mocks(out):
    p = out.previews
    face = windsor(19)
    mocks = {}
    # Welcome screen, scrolled to the top and to the end.
    lines, _, _ = description_text()
    wrapped = [w for line in lines for w in wrap_line(line, face, DESCRIPTION_WIDTH)]
    for name, top, marker in (("welcome_top", 0, 139), ("welcome_end", -1218, 329)):
        img = p["BG_WELCOME"]
        img = place(img, p["SCROLL_TRACK"], (588, 140))
        img = place(img, p["SCROLL_MARKER"], (586, marker), LIME)
        img = place(img, p["ARROW_UP_DISABLED" if top == 0 else "ARROW_UP_UP"], (584, 125), LIME)
        img = place(img, p["ARROW_DOWN_UP" if top == 0 else "ARROW_DOWN_DISABLED"], (584, 337),
                    LIME)
        img = place(img, p["BTN_ABOUT_UP"], (164, 428), LIME)
        img = place(img, p["BTN_NEXT_UP"], (330, 428), LIME)
        img = draw_lines(img, (44, 123 + top), wrapped, INK_BROWN, clip=(40, 123, 575, 357))
        mocks[name] = img
    img = place(p["BG_DEST"], p["BTN_BROWSE_UP"], (553, 331), LIME)
    img = place(img, p["BTN_BACK_UP"], (164, 428), LIME)
    img = place(img, p["BTN_NEXT_DISABLED"], (330, 428), LIME)
    img = draw_lines(img, (44, 124), [
        " " * 46 + "ВЫБОР КАТАЛОГА УСТАНОВКИ",
        "Установка Трилогии Морвата будет выполнена в каталог по умолчанию, указанный",
        "ниже. Для выбора другого пути установки необходимо нажать кнопку обзора и задать",
        "альтернативный каталог.", "", "Требуется для установки:\t10 Гб",
        "Свободно на диске C:\t\t9,31 Гб"], INK_BROWN)
    img = draw_lines(img, (44, 339), ["C:\\Program Files\\Morvath Trilogy"], GOLD)
    mocks["destination"] = img
    img = place(p["BG_WELCOME"], p["BTN_BACK_UP"], (164, 428), LIME)
    img = place(img, p["BTN_NEXT_DOWN"], (330, 428), LIME)
    img = draw_lines(img, (40, 124), [" " * 40 + "ДОПОЛНИТЕЛЬНЫЕ ОПЦИИ УСТАНОВКИ",
                                      "Выбор программной группы:" + " " * 33
                                      + "Действия после установки:"], INK_BROWN, step=26)
    d = ImageDraw.Draw(img)
    d.rectangle((40, 176, 304, 204), fill=(0, 0, 0))
    d.rectangle((40, 207, 304, 358), fill=(0, 0, 0))
    d.text((44, 180), "Morvath Trilogy", font=face, fill=GOLD)
    for i, g in enumerate(["Accessories", "Games", "Morvath Trilogy", "Startup"]):
        d.text((44, 208 + 21 * i), g, font=face, fill=GOLD)
    for i, (label, ticked) in enumerate((("Создать ярлык на рабочем столе", True),
                                         ("Установить деинсталлятор", False),
                                         ("Запустить программу конфигурации", True))):
        img = place(img, p["TOGGLE_UP" if ticked else "TOGGLE_DOWN"], (332, 174 + 32 * i), OLIVE)
        img = draw_lines(img, (364, 178 + 32 * i), [label], INK_BROWN,
                         clip=(364, 178 + 32 * i, 597, 199 + 32 * i))
    mocks["options"] = img
    img = place(p["BG_WELCOME"], p["BTN_BACK_UP"], (164, 428), LIME)
    img = place(img, p["BTN_NEXT_UP"], (330, 428), LIME)
    img = draw_lines(img, (40, 124), [
        " " * 51 + "ЗАПУСК КОПИРОВАНИЯ",
        "Программа собрала необходимые сведения для начала установки Трилогии Морвата.", "",
        "Для запуска процесса распаковки и копирования файлов нажмите кнопку <Далее>.",
        "Для пересмотра параметров установки нажмите кнопку <Назад>.",
        "Для отмены установки Трилогии Морвата закройте текущее окно программы."], INK_BROWN,
        clip=(40, 124, 597, 356))
    mocks["ready"] = img
    # Progress at 60 %: the ring shows its lower 60 %, the eyes glow (frame 4).
    ring = np.asarray(p["RING"]).copy()
    xs, ys = pixel_grid(331, 330)
    ang = np.degrees(np.arctan2(-(ys - 165), xs - 165.5))  # 0 = right, 90 = up
    from_bottom = np.abs(((ang + 90) + 180) % 360 - 180)   # 0 at the bottom, 180 at the top
    ring[from_bottom > 0.6 * 180] = 255
    ring_img = Image.fromarray(ring, "RGB")
    img = place(p["BG_PROGRESS"], ring_img, (154, 34), WHITE)
    eye = p["EYE4"].convert("RGBA")
    base = img.copy()
    base.paste(eye.convert("RGB"), (272, 175), eye.split()[3])
    img = draw_lines(base, (116, 392), ["Распаковка и копирование файлов..."], GOLD,
                     clip=(116, 392, 345, 421))
    img = draw_lines(img, (116, 420), ["Всего установлено..."], GOLD)
    d = ImageDraw.Draw(img)
    d.text((345 + 173, 392), "data\\maps\\valley.map", font=face, fill=GOLD, anchor="ra")
    d.text((507, 420), "60", font=face, fill=GOLD, anchor="ra")
    d.text((526, 422), "%", font=windsor(16), fill=GOLD, anchor="ra")
    mocks["progress"] = img
    confirm_shape = sd_box(421, 144, (0, 0, 422, 145), 15)
    img = place(p["BG_CONFIRM"], p["BTN_EXIT_UP"], (57, 98), LIME)
    img = place(img, p["BTN_CANCEL_UP"], (223, 98), LIME)
    img = draw_lines(img, (28, 27), ["Установка Трилогии Морвата не была выполнена.",
                                     "Выйти из программы?"], GOLD, align_centre_width=365)
    mocks["confirm"] = region_cut(img, confirm_shape)
    img = place(p["BG_CONFIRM"], p["BTN_OK_UP"], (57, 98), LIME)
    img = place(img, p["BTN_CANCEL_UP"], (223, 98), LIME)
    img = draw_lines(img, (28, 16), ["Введите имя создаваемого каталога:"], GOLD,
                     align_centre_width=365)
    img = draw_lines(img, (40, 48), ["Morvath Trilogy_"], GOLD)
    mocks["newfolder"] = region_cut(img, confirm_shape)
    browser_shape = arch_shape(322, 524, (2, 1, 322, 295), (2, 220, 322, 526), (2, 140, 321, 373))
    img = place(p["BG_BROWSER"], p["BTN_NEWFOLDER_UP"], (44, 64), LIME)
    img = place(img, p["BTN_SELECT_UP"], (26, 371), LIME)
    img = place(img, p["BTN_CLOSE_UP"], (26, 402), LIME)
    d = ImageDraw.Draw(img)
    small = font("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 11)
    for i, t in enumerate(["C:\\", "  Program Files", "    Morvath Trilogy", "  Users",
                           "  windows"]):
        d.text((48, 100 + 17 * i), t, font=small, fill=(192, 192, 192))
    d.rectangle((44, 340, 276, 360), outline=(120, 120, 120), fill=(0, 0, 0))
    d.text((48, 344), "C: SYSTEM", font=small, fill=(192, 192, 192))
    mocks["browser"] = region_cut(img, browser_shape)
    notice_shape = arch_shape(324, 423, (2, 1, 322, 295), (2, 120, 322, 424), (2, 140, 321, 273))
    img = place(p["BG_NOTICE"], p["About.bmp"], (42, 64))
    img = place(img, p["BTN_CLOSE_UP"], (22, 294), LIME)
    mocks["notice"] = region_cut(img, notice_shape)
    mocks["finish"] = place(p["BG_FINISH"], p["BTN_FINISH_UP"], (114, 199), WHITE)
    img = p["SPLASH"].copy()
    d = ImageDraw.Draw(img)
    d.rectangle((141, 288, 363, 292), fill=(49, 49, 49))
    d.rectangle((141, 288, 141 + 223 * 40 // 100 - 1, 292), fill=(255, 128, 0))
    mocks["splash"] = img
    return mocks


def contact_sheet(out, path):
    items = [(n, im) for n, im in out.previews.items()]
    label_face = windsor(14)
    tiles = []
    for name, im in items:
        im = im.convert("RGB")
        w, h = im.size
        scale = 0.5 if max(w, h) > 300 else (3 if max(w, h) <= 40 else 1)
        if w == 6:
            scale = 1
        im = im.resize((max(1, int(w * scale)), max(1, int(h * scale))), Image.NEAREST
                       if scale > 1 else Image.LANCZOS)
        tiles.append((name, im))
    sheet_w = 1400
    x = y = 10
    row_h = 0
    placed = []
    for name, im in tiles:
        w, h = im.size
        if x + w + 10 > sheet_w:
            x = 10
            y += row_h + 26
            row_h = 0
        placed.append((name, im, x, y))
        x += max(w, int(label_face.getlength(name))) + 14
        row_h = max(row_h, h)
    sheet = Image.new("RGB", (sheet_w, y + row_h + 36), (70, 70, 78))
    d = ImageDraw.Draw(sheet)
    for name, im, x, y in placed:
        sheet.paste(im, (x, y))
        d.text((x, y + im.size[1] + 3), name, font=label_face, fill=(230, 230, 230))
    sheet.save(path)


def write_previews(out):
    os.makedirs(PREVIEW_DIR, exist_ok=True)
    contact_sheet(out, os.path.join(PREVIEW_DIR, "contact-sheet.png"))
    for name, img in screen_mocks(out).items():
        img.save(os.path.join(PREVIEW_DIR, "screen-%s.png" % name))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--contact-sheet-only", action="store_true",
                        help="draw everything but write only the previews under build/artwork")
    args = parser.parse_args()
    global GEN_DIR, DIST_DIR, SCRIPT_DIR
    if args.contact_sheet_only:
        # Everything is drawn into a scratch folder; the committed files stay untouched.
        scratch = tempfile.mkdtemp(prefix="mvt-artwork-")
        GEN_DIR = os.path.join(scratch, "generated")
        DIST_DIR = os.path.join(scratch, "Resource")
        SCRIPT_DIR = scratch
    out, wrapped, height = generate_all()
    write_previews(out)
    if args.contact_sheet_only:
        shutil.rmtree(scratch)
    print("description: %d wrapped lines, %d px (scroll end %d)" % (wrapped, height, SCROLL_END))
    print("previews in", PREVIEW_DIR)


if __name__ == "__main__":
    main()

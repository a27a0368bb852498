"""The catalogue of generated files: each is written and listed once, and the list becomes
the resource script artwork.rc and MANIFEST.md."""

import os

import numpy as np
from PIL import Image

from . import places
from .toolkit import LIME, OLIVE, WHITE, bmp_16, bmp_24, bmp_32
from .typeface import WIN_ASCENT, WIN_DESCENT


class Output:
    def __init__(self):
        self.entries = []   # (name, file, size, format, key, used_by)
        self.previews = {}  # name -> RGB(A) picture as stored

    def bmp(self, name, filename, img, depth, key=None, used_by="", data=None, preview=None):
        if data is None:
            data = {24: bmp_24, 16: bmp_16, 32: bmp_32}[depth](img)
        with open(os.path.join(places.GEN_DIR, filename), "wb") as out:
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
        with open(os.path.join(places.GEN_DIR, filename), "wb") as out:
            out.write(data)
        self.entries.append((name, "generated/" + filename, size, fmt, "—", used_by))


def key_name(key):
    return {LIME: "clLime (0x00FF00)", WHITE: "clWhite (0xFFFFFF)",
            OLIVE: "clOlive (0x008080)"}[key]


def write_resource_script(out):
    lines = ["// Pictures, sounds and the welcome text of MVT Setup, written by generate.py.",
             "// Paths are relative to resources/ (compiled with -I resources).", ""]
    for name, path, *_ in out.entries:
        lines.append('%-24s RCDATA "%s"' % (name, path))
    lines += ["", "// The drive list loads its pictures as bitmap resources as well."]
    for name, path, *_ in out.entries:
        if name.startswith("SKFILBMP_"):
            lines.append('%-24s BITMAP "%s"' % (name, path))
    with open(os.path.join(places.SCRIPT_DIR, "artwork.rc"), "w", encoding="ascii",
              newline="\n") as f:
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
    with open(os.path.join(places.SCRIPT_DIR, "MANIFEST.md"), "w", encoding="utf-8",
              newline="\n") as f:
        f.write("\n".join(rows))

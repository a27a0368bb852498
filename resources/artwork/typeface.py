"""The typeface Windsor: Vollkorn SemiBold reduced, condensed, re-hinted and renamed, written
with its licence into dist/Resource."""

import os
import subprocess

from fontTools import subset as ft_subset
from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables import ttProgram

from . import places

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
# Three glyphs drawn one pixel narrower at the labels' 19-pixel height than plain condensing
# leaves them, so the options screen's caption "Запустить программу конфигурации" (364, 242)
# ends clear of the scroll track at x 588 (the artwork check measures that). They are the only
# letters of that caption rare enough in the welcome text that none of its line breaks moves:
# narrowing the whole face instead would re-wrap six of its paragraphs.
NARROWER_GLYPHS = {"ф": 1, "З": 1, "ц": 1}
LABEL_PX = 19
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


def narrow_glyphs(font, pixels_by_char):
    """Takes whole pixels at the labels' height off single glyphs: outline and side bearings
    scaled horizontally towards the glyph's origin."""
    glyf, hmtx = font["glyf"], font["hmtx"]
    cmap = font.getBestCmap()
    units_per_em = font["head"].unitsPerEm
    for char, pixels in pixels_by_char.items():
        name = cmap[ord(char)]
        advance, _ = hmtx[name]
        target = advance - round(pixels * units_per_em / LABEL_PX)
        factor = target / advance
        glyph = glyf[name]
        coords = glyph.coordinates
        for i in range(len(coords)):
            x, y = coords[i]
            coords[i] = (round(x * factor), y)
        glyph.recalcBounds(glyf)
        hmtx[name] = (target, glyph.xMin)


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
    font = TTFont(places.SOURCE_FONT)
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
    narrow_glyphs(font, NARROWER_GLYPHS)
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
    os.makedirs(places.DIST_DIR, exist_ok=True)
    target = os.path.join(places.DIST_DIR, "WINDSOR.TTF")
    font.recalcTimestamp = False
    font.save(target)
    write_font_licence()
    return target


def write_font_licence():
    with open(places.SOURCE_FONT_LICENSE, encoding="utf-8") as source:
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
        "condensed horizontally to 64 % (\"ф\", \"ц\" and \"З\" a little more), wider word space,\n"
        "re-hinted with ttfautohint, vertical metrics adjusted, renamed \"Windsor\".\n"
        "Vollkorn declares no Reserved Font Name; the Modified Version nevertheless carries\n"
        "a name of its own and is not presented as Vollkorn. It is distributed under the\n"
        "same licence, reproduced below.\n"
        "\n"
        "-----------------------------------------------------------\n")
    with open(os.path.join(places.DIST_DIR, "WINDSOR-OFL.txt"), "w", encoding="utf-8",
              newline="\r\n") as out:
        out.write(header + ofl + "\n")

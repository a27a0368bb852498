"""The face of the product's title: Triod Postnaja with its "А" and "В" redrawn.

The face keeps the lettering of old Russian service books, but two of its capitals are drawn
in the old way: its "А" has a loop on the left and reads as a modern "Я", its "В" has a deep
notch on the right and reads as "Ь" or "Ѣ". Both are rebuilt here from the face's own strokes,
so the title reads as the modern letters it is and keeps the face's look:

- "А" is the face's "Л" (a pointed arch with a straight right leg) with a crossbar;
- "В" is the face's stem with two round bowls taken from its "Р": the bowl as it stands on top,
  and the same bowl mirrored, a little wider, at the bottom.

The face is only rasterised into the pictures; it is built in memory and never shipped.
"""

import io

from booleanOperations.booleanGlyph import BooleanGlyph
from fontTools.pens.basePen import BasePen
from fontTools.pens.cu2quPen import Cu2QuPen
from fontTools.pens.reverseContourPen import ReverseContourPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont

from . import places

# Font units of the source face (1024 per em): cap line, stem, serifs.
CAP = 717
STEM = (132, 254)
HEAD_SERIF = (61, 693, 254, CAP)
FOOT_SERIF = (61, 0, 325, 24)
# The crossbar of "А", from inside its left leg to inside its right leg.
CROSSBAR = (200, 210, 490, 262)
# "Р" is cut above this height to take its bowl; the bowls of "В" meet at MIDDLE.
BOWL_FROM = 300
P_TOP = 727
MIDDLE = 360
LOWER_OVERLAP = 20     # the lower bowl reaches this far into the upper one's stroke
LOWER_WIDEN = 1.08     # the lower bowl is a little wider, as in a modern "В"
RIGHT_BEARING = 45     # space right of the new "В", like the face's other round capitals
# "М": the mirrored arch of "Л" spans 61..653 like the arch itself; the second arch is moved
# right until its curved foot lies on the first one's.
EM_MIRROR_AXIS = 714
EM_SECOND_ARCH = 328
FLATTENING_ERROR = 1.0  # font units, when curves are turned back into quadratic ones


class _CubicPen(BasePen):
    """Passes an outline on with its quadratic segments as the equal cubic ones (the boolean
    operations take cubic curves only)."""

    def __init__(self, out):
        super().__init__(None)
        self.out = out

    def _moveTo(self, pt):
        self.out.moveTo(pt)

    def _lineTo(self, pt):
        self.out.lineTo(pt)

    def _curveToOne(self, a, b, c):
        self.out.curveTo(a, b, c)

    def _qCurveToOne(self, control, end):
        start = self._getCurrentPoint()
        first = tuple(s + 2 / 3 * (c - s) for s, c in zip(start, control))
        second = tuple(e + 2 / 3 * (c - e) for e, c in zip(end, control))
        self.out.curveTo(first, second, end)

    def _closePath(self):
        self.out.closePath()

    def _endPath(self):
        self.out.endPath()


def _box(x0, y0, x1, y1):
    shape = BooleanGlyph()
    pen = shape.getPen()
    pen.moveTo((x0, y0))
    pen.lineTo((x0, y1))
    pen.lineTo((x1, y1))
    pen.lineTo((x1, y0))
    pen.closePath()
    return shape


def _draw_box(pen, box):
    """A filled rectangle in the face's own contour direction (clockwise)."""
    x0, y0, x1, y1 = box
    pen.moveTo((x0, y0))
    pen.lineTo((x0, y1))
    pen.lineTo((x1, y1))
    pen.lineTo((x1, y0))
    pen.closePath()


def _cut(glyph_set, glyph_name, clip):
    """The part of a glyph inside a rectangle."""
    shape = BooleanGlyph()
    glyph_set[glyph_name].draw(_CubicPen(shape.getPen()))
    return shape & _box(*clip)


def letter_a(glyph_set, cmap):
    pen = TTGlyphPen(glyph_set)
    glyph_set[cmap[ord("Л")]].draw(pen)
    _draw_box(pen, CROSSBAR)
    return pen.glyph()


def letter_ve(glyph_set, cmap):
    bowl = _cut(glyph_set, cmap[ord("Р")], (STEM[0], BOWL_FROM, 1000, 1000))
    pen = TTGlyphPen(None)
    # The boolean operations give counter-clockwise outer contours; TrueType fills clockwise
    # ones. The upper bowl is reversed on the way out; the lower one is mirrored, which
    # reverses it already.
    upper_scale = (CAP - MIDDLE) / (P_TOP - BOWL_FROM)
    bowl.draw(TransformPen(Cu2QuPen(pen, FLATTENING_ERROR, reverse_direction=True),
                           (1, 0, 0, upper_scale, 0, CAP - P_TOP * upper_scale)))
    lower_scale = (MIDDLE + LOWER_OVERLAP) / (P_TOP - BOWL_FROM)
    bowl.draw(TransformPen(Cu2QuPen(pen, FLATTENING_ERROR, reverse_direction=False),
                           (LOWER_WIDEN, 0, 0, -lower_scale, STEM[0] * (1 - LOWER_WIDEN),
                            P_TOP * lower_scale)))
    for box in ((STEM[0], 0, STEM[1], CAP), HEAD_SERIF, FOOT_SERIF):
        _draw_box(pen, box)
    return pen.glyph()


def letter_em(glyph_set, cmap):
    """Two arches of "Л" side by side, the first one mirrored: straight outer legs and the
    curved inner ones meeting at the foot, as a modern "М" stands."""
    arch = glyph_set[cmap[ord("Л")]]
    pen = TTGlyphPen(glyph_set)
    arch.draw(TransformPen(ReverseContourPen(pen), (-1, 0, 0, 1, EM_MIRROR_AXIS, 0)))
    arch.draw(TransformPen(pen, (1, 0, 0, 1, EM_SECOND_ARCH, 0)))
    return pen.glyph()


def build():
    """The title face as TrueType bytes, for ImageFont.truetype."""
    font = TTFont(places.TITLE_FONT)
    cmap = font.getBestCmap()
    glyph_set = font.getGlyphSet()
    glyf, hmtx = font["glyf"], font["hmtx"]
    redrawn = {"А": letter_a(glyph_set, cmap), "В": letter_ve(glyph_set, cmap),
               "М": letter_em(glyph_set, cmap)}
    for char, glyph in redrawn.items():
        name = cmap[ord(char)]
        glyf[name] = glyph
        glyph.recalcBounds(glyf)
        advance, _ = hmtx[name]
        if char != "А":
            advance = glyph.xMax + RIGHT_BEARING
        hmtx[name] = (advance, glyph.xMin)
    font.recalcTimestamp = False
    out = io.BytesIO()
    font.save(out)
    return out.getvalue()

"""The drawing toolkit every picture is made with: the theme's palette, BMP writers,
signed-distance shapes, noise, materials, the lit Scene, lettering and keyed pictures."""

import io
import os
import struct

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

from . import places
from . import title_face as title_face_module


# ---------------------------------------------------------------------------------------------
# Palette of the theme. Window colours are given to the program as COLORREF (red lowest byte).
FORM_BROWN = (38, 26, 17)      # 0x111A26
GOLD = (176, 141, 68)          # 0x448DB0, labels on dark areas
INK_BROWN = (90, 72, 35)       # 0x23485A, labels on parchment
LIME = (0, 255, 0)             # clLime
WHITE = (255, 255, 255)        # clWhite
OLIVE = (128, 128, 0)          # clOlive
# Colours that lie under controls: the backgrounds paint them, the controls blend with them.
LEDGE = (30, 22, 15)        # dark recess under the navigation buttons of every screen
FIELD = (20, 14, 10)        # the destination screen's path field and browse socket
GROOVE = (170, 138, 92)     # scroll groove on the welcome screen (matte of the marker)
FINISH_LEDGE = (28, 20, 14)


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
# Walls and fittings shared by the screens' backgrounds

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


# ---------------------------------------------------------------------------------------------
# Lettering

_fonts = {}


def font(path, size):
    key = (path, size)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(path, size, layout_engine=ImageFont.Layout.BASIC)
    return _fonts[key]


_title_face_data = []


def title_face(size):
    """The title's face (Triod Postnaja with modern "А" and "В", see title_face.py)."""
    if not _title_face_data:
        _title_face_data.append(title_face_module.build())
    key = ("title", size)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(io.BytesIO(_title_face_data[0]), size,
                                         layout_engine=ImageFont.Layout.BASIC)
    return _fonts[key]


def windsor(size):
    return font(os.path.join(places.DIST_DIR, "WINDSOR.TTF"), size)


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


def line_mask(w, h, points, width, scale=8):
    big = Image.new("L", (w * scale, h * scale), 0)
    ImageDraw.Draw(big).line([(x * scale, y * scale) for x, y in points], fill=255,
                             width=int(width * scale), joint="curve")
    return np.asarray(big.resize((w, h), Image.BOX), np.float32) / 255

"""The progress screen: a medallion with a runic groove, a skull whose eyes the animator
lights, the ring that closes over the groove, and a dark panel for the status texts."""

import math

import numpy as np
from PIL import Image, ImageDraw

from .toolkit import (WHITE, Scene, blur, bmp_8, cover, image_array, line_mask, mix, noise,
                      pixel_grid, poly_mask, ramp, rosette, sd_box, sd_circle, sd_ellipse,
                      stone, wall_scene)

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


def add_progress_pictures(out):
    """Adds the background and the ring (8-bit, with their own palettes) and the eye frames."""
    (bg_idx, bg_pal), (ring_idx, ring_pal), eyes = progress_pictures()
    out.bmp("BG_PROGRESS", "bg_progress.bmp", None, 8, used_by="TForm10 Image1",
            data=bmp_8(bg_idx, bg_pal), preview=palette_image(bg_idx, bg_pal))
    out.bmp("RING", "ring.bmp", None, 8, key="white (bottom-left pixel)",
            used_by="TForm10 Image2 (ring, 154,34)", data=bmp_8(ring_idx, ring_pal),
            preview=palette_image(ring_idx, ring_pal))
    for i, frame in enumerate(eyes):
        out.bmp("EYE%d" % i, "eye%d.bmp" % i, frame, 32, key="alpha 0",
                used_by="TForm10 ImageList1 image %d (animator at 272,175)" % i)

"""Buttons and small controls: the navigation buttons in their states, the browse folder,
the scroll arrows, track and marker, the option toggles and the drive list's pictures."""

import math

import numpy as np
from PIL import Image

from .catalogue import key_name
from .toolkit import (GROOVE, LIME, OLIVE, WHITE, Scene, apply_key, blur, bronze, cover,
                      image_array, letter, mix, noise, pixel_grid, poly_mask, ramp, sd_box,
                      text_width, windsor)


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
    ("BTN_RETRY", (144, 36), "ПОВТОРИТЬ", ("up", "down"), 16, LIME, ("problem", 57, 154),
     "Retry: write-problem question at 57,154"),
    ("BTN_SKIP", (147, 36), "ПРОПУСТИТЬ", ("up", "down"), 16, LIME, ("problem", 223, 154),
     "Skip: write-problem question at 223,154"),
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


def add_buttons(out, backgrounds):
    """Draws every button and small control with its edges blended into the background it
    lies on (backgrounds by name: "welcome", "dest", ...) and adds them to out."""

    def under(where, w, h):
        """The background pixels a control of w x h covers: the matte of its edges."""
        name, x, y = where
        return image_array(backgrounds[name].crop((x, y, x + w, y + h)))

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

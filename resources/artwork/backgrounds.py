"""The screens' backgrounds (wizard pages, splash, closing page, dialogs) and the about
picture that lies beside the program; the progress screen's pictures come from progress.py."""

import os

import numpy as np
from PIL import Image

from . import places
from .buttons import track_picture
from .progress import add_progress_pictures
from .toolkit import (FIELD, FINISH_LEDGE, FORM_BROWN, GOLD, INK_BROWN, LEDGE, Scene, blur,
                      bmp_24, bronze, cover, image_array, letter, mix, noise, parchment,
                      pixel_grid, poly_mask, ramp, rosette, sd_box, sd_circle, sd_ellipse,
                      stone, text_mask, title_face, wall_scene, windsor)


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
# Where the welcome screen's scroll controls lie: the arrows (584,125 and 584,337, 14 x 15)
# sit in sockets of their own width, the track picture (588,140, 6 x 197) between them.
ARROW_SOCKETS = ((584, 124, 598, 141), (584, 336, 598, 353))
TRACK_BOX = (588, 140, 594, 337)


def background_welcome():
    """TForm1 (also TForm8, TForm9): title banner over a framed parchment panel."""
    w, h = 640, 480
    scene = wall_scene(w, h, 100, WIZARD_SPOTS)
    scene.moulding(sd_box(w, h, (0, 0, w, h), 4), 8, relief=3.5, seed=101)
    title_banner(scene, BANNER_BOX, 102)
    parchment_panel(scene, PANEL_BOX, 103)
    # The scroll track beside the text viewport, no wider than the controls that lie on it
    # (the options and ready screens show this picture with their labels next to the track):
    # a shallow socket under each arrow, and between them the track's own rail, painted where
    # the track picture lies on the welcome screen.
    for socket_box in ARROW_SOCKETS:
        socket = sd_box(w, h, socket_box, 4)
        scene.albedo = mix(scene.albedo, scene.albedo * 0.84, cover(socket))
        scene.height -= 1.6 * cover(socket)
        rim = cover(np.abs(socket + 0.7) - 0.7)
        scene.albedo = mix(scene.albedo, INK_BROWN, rim * 0.45)
    button_ledge(scene, (150, 418, 492, 474))
    img = scene.shade()
    img.paste(track_picture(), TRACK_BOX[:2])
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


def background_finish(headline="Установка Трилогии Морвата успешно завершена.", closing=True):
    """TForm11 478 x 240: the closing message centred on a dark panel, button ledge below.
    Without the closing lines the panel below the divider stays free for a label."""
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
    lines = ["Нажмите кнопку «ВЫХОД» для закрытия", "программы установки."]
    img = letter(img, (w / 2, 50), headline, windsor(23), (250, 222, 146), (172, 124, 52),
                 anchor="mm", shadow=(0, 0, 0))
    img = ink_divider(img, w / 2, 82, 150, colour=(150, 110, 50), alpha=0.9)
    if closing:
        img = letter(img, (w / 2, 114), lines[0], windsor(21), GOLD, (150, 112, 50),
                     anchor="mm", shadow=(0, 0, 0))
        img = letter(img, (w / 2, 142), lines[1], windsor(21), GOLD, (150, 112, 50),
                     anchor="mm", shadow=(0, 0, 0))
    return img


PROBLEM_HEIGHT = 200  # the write-problem question: the confirmation's plaque, taller


def background_confirm(h=144):
    """TForm3 (and TForm7) 421 x 144: a dark leather plaque in a bronze frame that follows the
    window's rounded corners; the corners themselves stay plain form colour. Taller plaques
    (the write-problem question) keep the frame and the ledge 54 pixels above the bottom."""
    w = 421
    scene = Scene(w, h, FORM_BROWN)
    plate = sd_box(w, h, (1, 1, w - 1, h - 1), 14)
    leather = ramp(noise(w, h, 140, cell=8, octaves=4), [(0, (30, 21, 14)), (1, (46, 32, 21))])
    scene.paint(cover(plate), leather, 0.0, 0.0)
    scene.moulding(plate, 6, relief=3.0, seed=141)
    inner = sd_box(w, h, (12, 10, w - 12, h - 54), 8)
    scene.paint(cover(inner), (24, 17, 12), -1.0, 0.0)
    scene.moulding(inner, 2.0, relief=1.0, seed=142, ridges=1)
    scene.paint(cover(sd_box(w, h, (44, h - 50, 382, h - 5), 20)), LEDGE, -1.5, 0.0)
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


def add_backgrounds(out):
    """Draws the screens' backgrounds and adds them to out in the resource script's order;
    returns them by name for the controls that lie on them."""
    out.bmp("SPLASH", "splash.bmp", background_splash(), 24,
            used_by="TForm2 Image1 (gauge slot at 141,288 223×5)")
    backgrounds = {"welcome": background_welcome(), "dest": background_destination(),
                   "finish": background_finish(), "confirm": background_confirm(),
                   "browser": background_browser(), "notice": background_notice(),
                   "finish_errors": background_finish(
                       "Установка Трилогии Морвата завершена с ошибками.", closing=False),
                   "problem": background_confirm(PROBLEM_HEIGHT)}

    out.bmp("BG_WELCOME", "bg_welcome.bmp", backgrounds["welcome"], 24,
            used_by="TForm1 Image1; copied into TForm8, TForm9 Image1")
    out.bmp("BG_DEST", "bg_dest.bmp", backgrounds["dest"], 24, used_by="TForm5 Image1")
    add_progress_pictures(out)
    out.bmp("BG_FINISH", "bg_finish.bmp", backgrounds["finish"], 24, used_by="TForm11 Image1")
    out.bmp("BG_CONFIRM", "bg_confirm.bmp", backgrounds["confirm"], 24,
            used_by="TForm3 Image1; copied into TForm7 Image1")
    out.bmp("BG_BROWSER", "bg_browser.bmp", backgrounds["browser"], 24, used_by="TForm6 Image1")
    out.bmp("BG_FINISH_ERRORS", "bg_finish_errors.bmp", backgrounds["finish_errors"], 24,
            used_by="TForm11 Image1 after an installation that left files out")
    out.bmp("BG_PROBLEM", "bg_problem.bmp", backgrounds["problem"], 24,
            used_by="write-problem question of the progress screen (421 × %d)" % PROBLEM_HEIGHT)
    out.bmp("BG_NOTICE", "bg_notice.bmp", backgrounds["notice"], 24, used_by="TForm4 Image1")
    return backgrounds


def add_about(out):
    """Writes dist/Resource/About.bmp, which lies beside the program rather than in it."""
    about = about_picture()
    with open(os.path.join(places.DIST_DIR, "About.bmp"), "wb") as f:
        f.write(bmp_24(about))
    out.previews["About.bmp"] = about

"""Previews (build/artwork, not committed): a contact sheet and each screen put together as
the program will show it, to judge the artwork in place."""

import os

import numpy as np
from PIL import Image, ImageDraw

from . import places
from .backgrounds import arch_shape
from .texts import DESCRIPTION_WIDTH, description_text, wrap_line
from .toolkit import (GOLD, INK_BROWN, LIME, OLIVE, WHITE, font, pixel_grid, sd_box,
                      windsor)


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
    os.makedirs(places.PREVIEW_DIR, exist_ok=True)
    contact_sheet(out, os.path.join(places.PREVIEW_DIR, "contact-sheet.png"))
    for name, img in screen_mocks(out).items():
        img.save(os.path.join(places.PREVIEW_DIR, "screen-%s.png" % name))

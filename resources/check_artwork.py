#!/usr/bin/env python3
"""Checks the committed artwork, sounds, typeface and welcome text of MVT Setup.

Reads the files themselves (BMP and WAVE headers byte by byte, pixels through a small reader of
its own) and checks them against what the program and its screens require. Prints one line per
check and a closing "N passed, M failed"; exits non-zero when anything failed.
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

try:
    from PIL import Image, ImageFont
    from fontTools.ttLib import TTFont
except ImportError:
    # Debian's python3-pil and python3-fonttools belong to the system interpreter; another
    # python3 found first on PATH may lack them.
    if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != \
            os.path.realpath("/usr/bin/python3") and not os.environ.get("MVT_ARTWORK_REEXEC"):
        os.environ["MVT_ARTWORK_REEXEC"] = "1"
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    print("FAIL: python3-pil and python3-fonttools are needed (./mvt setup installs them)")
    print("0 passed, 1 failed")
    sys.exit(1)

HERE = os.path.dirname(os.path.abspath(__file__))
LIME, WHITE, OLIVE = (0, 255, 0), (255, 255, 255), (128, 128, 0)

# name: (width, height, bits per pixel, transparent colour or None)
PICTURES = {
    "SPLASH": (497, 303, 24, None),
    "BG_WELCOME": (640, 480, 24, None),
    "BG_DEST": (640, 480, 24, None),
    "BG_PROGRESS": (640, 480, 8, None),
    "BG_FINISH": (478, 240, 24, None),
    "BG_CONFIRM": (421, 144, 24, None),
    "BG_FINISH_ERRORS": (478, 240, 24, None),
    "BG_PROBLEM": (421, 200, 24, None),
    "BG_BROWSER": (322, 524, 24, None),
    "BG_NOTICE": (324, 423, 24, None),
    "RING": (331, 330, 8, None),
    "SCROLL_TRACK": (6, 197, 24, None),
    "SCROLL_MARKER": (10, 9, 24, LIME),
    "TOGGLE_UP": (27, 25, 24, OLIVE),
    "TOGGLE_DOWN": (27, 25, 24, OLIVE),
}
for i in range(5):
    PICTURES["EYE%d" % i] = (96, 48, 32, None)
BUTTON_SETS = {
    "BTN_NEXT": (147, 36, 16, LIME, ("UP", "DOWN", "DISABLED")),
    "BTN_BACK": (144, 36, 16, LIME, ("UP", "DOWN", "DISABLED")),
    "BTN_ABOUT": (144, 36, 16, LIME, ("UP", "DOWN", "DISABLED")),
    "BTN_EXIT": (144, 36, 16, LIME, ("UP", "DOWN")),
    "BTN_OK": (144, 36, 16, LIME, ("UP", "DOWN")),
    "BTN_CANCEL": (147, 36, 16, LIME, ("UP", "DOWN")),
    "BTN_RETRY": (144, 36, 16, LIME, ("UP", "DOWN")),
    "BTN_SKIP": (147, 36, 16, LIME, ("UP", "DOWN")),
    "BTN_SELECT": (271, 31, 16, LIME, ("UP", "DOWN")),
    "BTN_CLOSE": (271, 31, 16, LIME, ("UP", "DOWN")),
    "BTN_NEWFOLDER": (233, 31, 24, LIME, ("UP", "DOWN")),
    "BTN_FINISH": (257, 36, 16, WHITE, ("UP", "DOWN")),
    "BTN_BROWSE": (57, 38, 24, LIME, ("UP", "DOWN")),
    "ARROW_UP": (14, 15, 24, LIME, ("UP", "DOWN", "DISABLED")),
    "ARROW_DOWN": (14, 15, 24, LIME, ("UP", "DOWN", "DISABLED")),
}
for base, (w, h, bits, key, states) in BUTTON_SETS.items():
    for state in states:
        PICTURES["%s_%s" % (base, state)] = (w, h, bits, key)
DRIVES = ("FLOPPY", "FIXEDDISK", "CDROM", "NETDRIVE", "RAM")
for drive in DRIVES:
    PICTURES["SKFILBMP_" + drive] = (16, 16, 24, LIME)

# Inner area of each keyed picture that must be all artwork (lettering, box, arrow, gem).
def inner_area(name, w, h):
    if name.startswith(("BTN_BROWSE",)):
        return (14, 18, w - 14, h - 10)
    if name.startswith("BTN_"):
        return (h // 2, 5, w - h // 2, h - 5)
    if name.startswith("ARROW_"):
        return (5, 7, 9, 10)
    if name == "SCROLL_MARKER":
        return (3, 3, 7, 6)
    if name.startswith("TOGGLE_"):
        return (6, 5, 21, 20)
    return (6, 6, 10, 9)  # drive pictures


class Checks:
    def __init__(self, quiet=False):
        self.passed = 0
        self.failed = 0
        self.failures = []
        self.quiet = quiet

    def check(self, condition, what, detail=""):
        if condition:
            self.passed += 1
        else:
            self.failed += 1
            self.failures.append(what)
            if not self.quiet:
                print("FAIL: %s%s" % (what, (" — " + detail) if detail else ""))
        return condition


# ---------------------------------------------------------------------------------------------
# BMP reading

class Bmp:
    """A BMP file's header fields and raw pixels (16-bit: words; 8-bit: palette colours)."""

    def __init__(self, data):
        self.data = data
        (self.magic, self.file_size, _, _, self.offset) = struct.unpack_from("<2sIHHI", data, 0)
        (self.header_size, self.width, self.height, self.planes, self.bits, self.compression,
         self.image_size, _, _, self.colours_used, _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
        self.masks = struct.unpack_from("<III", data, 54) if self.compression == 3 else None
        self.palette = []
        if self.bits == 8:
            count = self.colours_used or 256
            for i in range(count):
                b, g, r, _ = struct.unpack_from("<BBBB", data, 54 + 4 * i)
                self.palette.append((r, g, b))
        self.stride = (self.width * self.bits // 8 + 3) & ~3

    def raw(self, x, y):
        """Stored value at (x, y), y from the top: a colour tuple, or the 5-6-5 word."""
        row = self.height - 1 - y
        at = self.offset + row * self.stride + x * self.bits // 8
        if self.bits == 24:
            b, g, r = self.data[at:at + 3]
            return (r, g, b)
        if self.bits == 32:
            b, g, r, a = self.data[at:at + 4]
            return (r, g, b, a)
        if self.bits == 16:
            return struct.unpack_from("<H", self.data, at)[0]
        return self.palette[self.data[at]]

    def is_key(self, x, y, key):
        value = self.raw(x, y)
        if self.bits == 16:
            r, g, b = key
            return value == ((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3))
        return value[:3] == key


def check_bmp_header(c, name, bmp, w, h, bits):
    ok = c.check(bmp.magic == b"BM", name + ": starts with BM")
    ok &= c.check(bmp.file_size == len(bmp.data), name + ": file size field",
                  "%d in header, %d on disk" % (bmp.file_size, len(bmp.data)))
    ok &= c.check(bmp.header_size == 40 and bmp.planes == 1,
                  name + ": BITMAPINFOHEADER, one plane")
    ok &= c.check((bmp.width, bmp.height, bmp.bits) == (w, h, bits), name + ": size and depth",
                  "%d×%d %d-bit, want %d×%d %d-bit" % (bmp.width, bmp.height, bmp.bits, w, h, bits))
    want_offset = {24: 54, 32: 54, 16: 66, 8: 1078}[bits]
    ok &= c.check(bmp.offset == want_offset, name + ": pixel data offset",
                  "%d, want %d" % (bmp.offset, want_offset))
    if bits == 16:
        ok &= c.check(bmp.compression == 3 and bmp.masks == (0xF800, 0x07E0, 0x001F),
                      name + ": BI_BITFIELDS with 5-6-5 masks")
    else:
        ok &= c.check(bmp.compression == 0, name + ": uncompressed (BI_RGB)")
    if bits == 8:
        ok &= c.check(bmp.colours_used in (0, 256), name + ": 256-entry palette")
    ok &= c.check(bmp.offset + bmp.stride * bmp.height == len(bmp.data),
                  name + ": pixel rows fill the file exactly")
    return ok


def border_connected_keys(bmp, key):
    """Key pixels not reachable from the picture's border through key pixels."""
    w, h = bmp.width, bmp.height
    keyed = [[bmp.is_key(x, y, key) for x in range(w)] for y in range(h)]
    seen = [[False] * w for _ in range(h)]
    stack = [(x, y) for x in range(w) for y in (0, h - 1)] + \
            [(x, y) for y in range(h) for x in (0, w - 1)]
    while stack:
        x, y = stack.pop()
        if 0 <= x < w and 0 <= y < h and keyed[y][x] and not seen[y][x]:
            seen[y][x] = True
            stack += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    return sum(1 for y in range(h) for x in range(w) if keyed[y][x] and not seen[y][x])


def check_keyed(c, name, bmp, key):
    w, h = bmp.width, bmp.height
    corners = [(0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)]
    c.check(all(bmp.is_key(x, y, key) for x, y in corners),
            name + ": transparent colour at all four corners")
    x0, y0, x1, y1 = inner_area(name, w, h)
    inner_keys = sum(bmp.is_key(x, y, key) for y in range(y0, y1) for x in range(x0, x1))
    c.check(inner_keys == 0, name + ": no transparent colour in the inner area",
            "%d key pixels in %r" % (inner_keys, (x0, y0, x1, y1)))
    stray = border_connected_keys(bmp, key)
    c.check(stray == 0, name + ": every key pixel lies in the surroundings", "%d stray" % stray)


def check_ring(c, bmp):
    w, h = bmp.width, bmp.height
    c.check(bmp.raw(0, h - 1) == WHITE, "RING: bottom-left pixel is pure white")
    for label, line in (("vertical", [(w // 2, y) for y in range(h)]),
                        ("horizontal", [(x, h // 2) for x in range(w)])):
        runs = []
        for x, y in line:
            white = bmp.raw(x, y) == WHITE
            if not runs or runs[-1] != white:
                runs.append(white)
        c.check(runs == [True, False, True, False, True],
                "RING: white outside and inside the ring along the %s centre line" % label,
                "runs %r" % runs)
    whites = [i for i, colour in enumerate(bmp.palette) if colour == WHITE]
    c.check(len(whites) == 1, "RING: exactly one palette entry is white", "%r" % whites)


def check_eyes(c, eyes, background):
    """Frames sit on the skull's eyes: drawn pixels of the dark frame equal the background under
    the animator (272, 175), and redness grows from frame 0 to frame 4."""
    redness = []
    for i, bmp in enumerate(eyes):
        alphas = {bmp.raw(x, y)[3] for y in range(48) for x in range(96)}
        c.check(alphas <= {0, 255} and 255 in alphas and 0 in alphas,
                "EYE%d: mask is alpha 0 (transparent) or 255 (drawn), both present" % i,
                "alpha values %r" % sorted(alphas)[:6])
        drawn = [(x, y) for y in range(48) for x in range(96) if bmp.raw(x, y)[3] == 255]
        total = 0
        for x, y in drawn:
            r, g, b, _ = bmp.raw(x, y)
            total += max(0, r - (g + b) // 2)
        redness.append(total / max(1, len(drawn)))
        # Along the edge of the drawn area the frame must match the background exactly.
        seam = [(x, y) for x, y in drawn
                if any(not (0 <= x + dx < 96 and 0 <= y + dy < 48)
                       or bmp.raw(x + dx, y + dy)[3] == 0
                       for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))]
        mismatch = sum(1 for x, y in seam if bmp.raw(x, y)[:3] != background.raw(272 + x, 175 + y))
        c.check(seam and mismatch == 0, "EYE%d: blends into the background at its edge" % i,
                "%d of %d edge pixels differ" % (mismatch, len(seam)))
    frame0 = eyes[0]
    differ = sum(1 for y in range(48) for x in range(96) if frame0.raw(x, y)[3] == 255
                 and frame0.raw(x, y)[:3] != background.raw(272 + x, 175 + y))
    c.check(differ == 0, "EYE0: the dark frame shows the background's own eye sockets",
            "%d pixels differ" % differ)
    c.check(all(a < b for a, b in zip(redness, redness[1:])),
            "EYE0..EYE4: from dark to glowing red", "redness %r" % [round(r, 1) for r in redness])
    c.check(redness[2] < 0.5 * redness[4] and max(
        bmp.raw(x, y)[0] for bmp in eyes[3:] for y in range(48) for x in range(96)) >= 200,
        "EYE3, EYE4: glowing red, EYE0..EYE2 dark")


# ---------------------------------------------------------------------------------------------
# WAVE

def check_wave(c, name, data, rate, bits, total, data_bytes, trailing_list):
    c.check(len(data) == total, name + ": file of %d bytes" % total, "%d bytes" % len(data))
    c.check(data[:4] == b"RIFF" and data[8:12] == b"WAVE", name + ": RIFF WAVE image")
    c.check(struct.unpack_from("<I", data, 4)[0] == len(data) - 8, name + ": RIFF size = file - 8")
    chunks, at = [], 12
    while at + 8 <= len(data):
        tag, size = struct.unpack_from("<4sI", data, at)
        chunks.append((tag, at + 8, size))
        at += 8 + size + (size & 1)
    c.check(at == len(data), name + ": chunks end exactly at the end of the file")
    tags = [t for t, _, _ in chunks]
    want = [b"fmt ", b"data"] + ([b"LIST"] if trailing_list else [])
    c.check(tags == want, name + ": chunks %s" % b", ".join(want).decode(), repr(tags))
    if tags[:2] != [b"fmt ", b"data"]:
        return
    _, fmt_at, fmt_size = chunks[0]
    fmt = struct.unpack_from("<HHIIHH", data, fmt_at)
    block = bits // 8
    c.check(fmt_size == 16 and fmt == (1, 1, rate, rate * block, block, bits),
            name + ": PCM, mono, %d Hz, %d-bit" % (rate, bits), repr(fmt))
    _, data_at, size = chunks[1]
    c.check(size == data_bytes, name + ": %d bytes of samples" % data_bytes, str(size))
    samples = data[data_at:data_at + size]
    if not c.check(len(samples) == size and size > 0, name + ": data chunk complete"):
        return
    if bits == 16:
        values = [v / 32768 for v in struct.unpack("<%dh" % (size // 2), samples)]
    else:
        values = [(v - 128) / 128 for v in samples]
    peak = max(abs(v) for v in values)
    c.check(0.3 < peak < 0.99, name + ": audible and not clipped", "peak %.2f" % peak)
    c.check(abs(values[0]) < 0.05 and max(abs(v) for v in values[-8:]) < 0.05,
            name + ": starts and ends at silence (no pop)")
    if trailing_list and len(chunks) > 2:
        _, list_at, _ = chunks[2]
        c.check(data[list_at:list_at + 4] == b"INFO", name + ": LIST chunk of type INFO")


# ---------------------------------------------------------------------------------------------
# Typeface and texts

RUSSIAN = [chr(c) for c in range(0x410, 0x450)] + ["Ё", "ё"]

# Fixed texts of the screens and the widths of the labels that hold them (pixels at 19 px).
FIXED_TEXTS = [
    ("Установка Трилогии Морвата будет выполнена в каталог по умолчанию, указанный", 553),
    ("ниже. Для выбора другого пути установки необходимо нажать кнопку обзора и задать", 553),
    (" " * 46 + "ВЫБОР КАТАЛОГА УСТАНОВКИ", 553),
    (" " * 40 + "ДОПОЛНИТЕЛЬНЫЕ ОПЦИИ УСТАНОВКИ", 559),
    ("Выбор программной группы:" + " " * 33 + "Действия после установки:", 559),
    ("Создать ярлык на рабочем столе", 233),
    ("Установить деинсталлятор", 233),
    ("Запустить программу конфигурации", 233),
    (" " * 51 + "ЗАПУСК КОПИРОВАНИЯ", 557),
    ("Программа собрала необходимые сведения для начала установки Трилогии Морвата.", 557),
    ("Для запуска процесса распаковки и копирования файлов нажмите кнопку <Далее>.", 557),
    ("Для пересмотра параметров установки нажмите кнопку <Назад>.", 557),
    ("Для отмены установки Трилогии Морвата закройте текущее окно программы.", 557),
    ("Установка Трилогии Морвата не была выполнена.", 365),
    ("Введите имя создаваемого каталога:", 365),
    ("Распаковка и копирование файлов...", 409),
    ("Установка деинсталлятора...", 409),
    ("Создание ключей реестра...", 409),
    ("Создание программной группы и ярлыков...", 409),
    ("Создание файла настроек...", 409),
    ("Всего установлено...", 277),
]


def win_line_height(font, px):
    em = font["head"].unitsPerEm
    os2 = font["OS/2"]
    return int(os2.usWinAscent * px / em + 0.5) + int(os2.usWinDescent * px / em + 0.5)


def check_font(c, path, licence_path):
    if not c.check(os.path.exists(path), "typeface dist/Resource/WINDSOR.TTF exists"):
        return None
    font = TTFont(path)
    c.check("glyf" in font and "CFF " not in font, "WINDSOR.TTF: TrueType (glyf) outlines")
    names = font["name"]
    for name_id in (1, 4, 16):
        record = names.getName(name_id, 3, 1, 0x409)
        if name_id == 16 and record is None:
            continue
        c.check(record is not None and record.toUnicode() == "Windsor",
                "WINDSOR.TTF: Windows name ID %d is \"Windsor\"" % name_id,
                repr(record.toUnicode() if record else None))
    ps = names.getName(6, 3, 1, 0x409)
    c.check(ps is not None and re.fullmatch(r"[A-Za-z0-9-]+", ps.toUnicode() or ""),
            "WINDSOR.TTF: PostScript name without blanks")
    cmap = font.getBestCmap()
    glyf = font["glyf"]
    missing = [ch for ch in RUSSIAN if ord(ch) not in cmap
               or glyf[cmap[ord(ch)]].numberOfContours == 0]
    c.check(not missing, "WINDSOR.TTF: all 66 Russian letters have glyphs", "".join(missing))
    c.check(font["OS/2"].fsType & 0x000E in (0, 0x0008) or font["OS/2"].fsType == 0,
            "WINDSOR.TTF: embedding allows installation")
    c.check(win_line_height(font, 19) == 22, "WINDSOR.TTF: 22-pixel line at height -19",
            str(win_line_height(font, 19)))
    # Every Russian glyph fits inside the win ascent/descent, so Windows clips nothing.
    os2 = font["OS/2"]
    present = [ch for ch in RUSSIAN if ord(ch) in cmap and not missing.count(ch)]
    outside = [ch for ch in present if glyf[cmap[ord(ch)]].yMax > os2.usWinAscent
               or glyf[cmap[ord(ch)]].yMin < -os2.usWinDescent]
    c.check(not outside, "WINDSOR.TTF: Russian glyphs inside usWinAscent/usWinDescent",
            "".join(outside))
    # Licence shipped beside it; reserved font names of the source are not used.
    if c.check(os.path.exists(licence_path), "WINDSOR-OFL.txt licence beside the font"):
        with open(licence_path, encoding="utf-8") as f:
            licence = f.read()
        c.check("SIL OPEN FONT LICENSE" in licence.upper(), "licence is the SIL OFL")
        reserved = re.findall(r'"([^"]+)" is a Reserved Font Name', licence)
        record = names.getName(1, 3, 1, 0x409)
        family = record.toUnicode() if record else ""
        c.check(all(r.lower() not in family.lower() for r in reserved),
                "family name uses no Reserved Font Name", repr(reserved))
        c.check(not any("vollkorn" in (names.getName(i, 3, 1, 0x409).toUnicode().lower())
                        for i in (1, 4, 6, 16) if names.getName(i, 3, 1, 0x409)),
                "the Modified Version is not presented under the source's name")
    face = ImageFont.truetype(path, 19, layout_engine=ImageFont.Layout.BASIC)
    too_wide = ["%s (%d > %d)" % (t.strip()[:30], face.getlength(t), w)
                for t, w in FIXED_TEXTS if face.getlength(t) > w]
    c.check(not too_wide, "the screens' fixed texts fit their labels", "; ".join(too_wide))
    return face, font


def wrap_line(line, face, width):
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


def check_description(c, path, face, font, quiet=False):
    with open(path, "rb") as f:
        raw = f.read()
    c.check(raw.endswith(b"\r\n") and b"\n" not in raw.replace(b"\r\n", b"")
            and b"\r" not in raw.replace(b"\r\n", b""), "DESCRIPTION: CR LF line ends only")
    try:
        text = raw.decode("cp1251")
    except UnicodeDecodeError as e:
        c.check(False, "DESCRIPTION: code page 1251", str(e))
        return
    lines = text[:-2].split("\r\n")
    if not c.check(len(lines) == 25, "DESCRIPTION: 25 lines", str(len(lines))):
        return
    title = lines[0]
    c.check(len(title) > 47 and title.startswith(" " * 47) and title[47] != " "
            and title == title.upper()
            and any(ch.isalpha() for ch in title), "DESCRIPTION: title of 47 blanks + capitals")
    headings = [l for l in lines[1:] if l.startswith(" ")]
    c.check(len(headings) == 3 and all(23 <= len(l) - len(l.lstrip(" ")) <= 36 for l in headings),
            "DESCRIPTION: three headings indented by 23 to 36 blanks",
            repr([len(l) - len(l.lstrip(" ")) for l in headings]))
    c.check(lines[-1] == "" and lines[2] == "", "DESCRIPTION: empty lines where the layout has them")
    numbered = [l for l in lines if re.match(r"\d\. ", l)]
    c.check([l[0] for l in numbered] == list("12345123456789"),
            "DESCRIPTION: five numbered features and nine numbered items")
    c.check(any(l.startswith("(") and l.endswith(")") for l in lines),
            "DESCRIPTION: bracketed note on its own line")
    shown = list(lines)
    while shown and not shown[-1]:
        shown.pop()
    step = win_line_height(font, 19)
    tight = []
    count = 0
    for line in shown:
        wrapped = wrap_line(line, face, 527)
        count += len(wrapped)
        for i, part in enumerate(wrapped):
            slack = 527 - face.getlength(part)
            if i + 1 < len(wrapped):
                over = face.getlength(part + " " + wrapped[i + 1].split(" ")[0]) - 527
                if slack < 3 or over < 3:
                    tight.append(part[-25:])
    height = count * step
    c.check(1452 - 42 < height <= 1452,
            "DESCRIPTION: wrapped height ends in the last scroll step (1410 < h <= 1452)",
            "%d lines × %d = %d px" % (count, step, height))
    c.check(not tight, "DESCRIPTION: every line break is clear by 3 pixels either way",
            "; ".join(tight))
    if not quiet:
        print("description: %d wrapped lines × %d px = %d px" % (count, step, height))


# ---------------------------------------------------------------------------------------------
# The product's title, read back by a Russian OCR from the pictures that carry it: the title
# plate of the wizard screens' backgrounds and the splash. A reader who takes the lettering's
# old forms for other letters (an "А" drawn like "Я", a "В" like "Ь") fails here as the OCR does.

TITLE = "ТРИЛОГИЯ МОРВАТА"
# picture, area of the lettering (left, top, right, bottom), Tesseract page segmentation:
# 7 for the plate's single line, 6 for the splash's block of two lines.
TITLE_AREAS = [
    ("BG_WELCOME", (90, 20, 550, 70), 7),
    ("BG_DEST", (90, 20, 550, 70), 7),
    ("SPLASH", (196, 58, 484, 180), 6),
]


def ocr_russian(image_path, segmentation):
    """Tesseract's Russian reading of a picture, blanks and line breaks made single blanks."""
    result = subprocess.run(
        ["tesseract", image_path, "stdout", "-l", "rus", "--psm", str(segmentation)],
        capture_output=True, text=True, encoding="utf-8",
        env=dict(os.environ, OMP_THREAD_LIMIT="1"), check=False)
    return " ".join(result.stdout.split())


def check_title_readings(c, root, rcdata):
    if not c.check(shutil.which("tesseract") is not None,
                   "Tesseract is there to read the title (./mvt setup installs tesseract-ocr)"):
        return
    languages = subprocess.run(["tesseract", "--list-langs"], capture_output=True, text=True,
                               check=False).stdout.split()
    if not c.check("rus" in languages, "Tesseract has its Russian data (tesseract-ocr-rus)"):
        return
    with tempfile.TemporaryDirectory(prefix="mvt-title-") as scratch:
        for name, area, segmentation in TITLE_AREAS:
            path = os.path.join(root, rcdata.get(name, "missing"))
            if not os.path.exists(path):
                continue
            crop = os.path.join(scratch, name + ".png")
            with Image.open(path) as picture:
                picture.convert("RGB").crop(area).save(crop)
            reading = ocr_russian(crop, segmentation)
            c.check(reading == TITLE, "%s: the OCR reads the title \"%s\"" % (name, TITLE),
                    "read %r" % reading)


# ---------------------------------------------------------------------------------------------
# Captions clear of the artwork: every fixed caption of a screen, measured in the typeface at
# the labels' 19 pixels, keeps a free pixel on either side of its lettering to anything painted
# on its background (the scroll track, a field, a frame). The lettering's rows of the picture
# must be plain there: painted elements have edges, parchment and leather only a soft grain.

LINE = 22          # the labels' line height at -19
EDGE_STEP = 24     # brightness step between neighbouring pixels that only an element's edge makes
CAPTIONS = [
    # background, screen, left, top, width, text, alignment in the label's width
    ("BG_WELCOME", "options Label1", 40, 124, 559, " " * 40 + "ДОПОЛНИТЕЛЬНЫЕ ОПЦИИ УСТАНОВКИ", "left"),
    ("BG_WELCOME", "options Label5", 40, 150, 559,
     "Выбор программной группы:" + " " * 33 + "Действия после установки:", "left"),
    ("BG_WELCOME", "options Label2", 364, 178, 233, "Создать ярлык на рабочем столе", "left"),
    ("BG_WELCOME", "options Label3", 364, 210, 233, "Установить деинсталлятор", "left"),
    ("BG_WELCOME", "options Label4", 364, 242, 233, "Запустить программу конфигурации", "left"),
    ("BG_DEST", "destination LocateLabel1", 44, 124, 553, " " * 46 + "ВЫБОР КАТАЛОГА УСТАНОВКИ",
     "left"),
    ("BG_DEST", "destination LocateLabel1", 44, 124 + LINE, 553, FIXED_TEXTS[0][0], "left"),
    ("BG_DEST", "destination LocateLabel1", 44, 124 + 2 * LINE, 553, FIXED_TEXTS[1][0], "left"),
    ("BG_DEST", "destination LocateLabel1", 44, 124 + 3 * LINE, 553, "альтернативный каталог.",
     "left"),
    ("BG_CONFIRM", "cancel confirmation Label1", 28, 26, 365,
     "Установка Трилогии Морвата не была выполнена.", "center"),
    ("BG_CONFIRM", "cancel confirmation Label1", 28, 26 + LINE, 365, "Выйти из программы?",
     "center"),
    ("BG_CONFIRM", "new-folder prompt Label2", 28, 26, 365, "Введите имя создаваемого каталога:",
     "center"),
    ("BG_PROGRESS", "progress Label1", 116, 392, 409, "Распаковка и копирование файлов...",
     "left"),
    ("BG_PROGRESS", "progress Label1", 116, 392, 409, "Создание программной группы и ярлыков...",
     "left"),
    ("BG_PROGRESS", "progress Label2", 116, 420, 277, "Всего установлено...", "left"),
] + [("BG_WELCOME", "ready Label1", 40, 124 + i * LINE, 557, text, "left")
     for i, text in enumerate([" " * 51 + "ЗАПУСК КОПИРОВАНИЯ", FIXED_TEXTS[9][0], "",
                               FIXED_TEXTS[10][0], FIXED_TEXTS[11][0], FIXED_TEXTS[12][0]])
     if text]


def luminance_rows(bmp, x0, y0, x1, y1):
    rows = []
    for y in range(y0, y1):
        row = []
        for x in range(x0, x1):
            value = bmp.raw(x, y)
            r, g, b = value[:3]
            row.append((299 * r + 587 * g + 114 * b) // 1000)
        rows.append(row)
    return rows


def caption_extent(face, left, width, text, alignment):
    """The columns the caption's lettering covers (first, last), as the label draws it."""
    x0, _, x1, _ = face.getbbox(text)
    if alignment == "center":
        left += (width - int(face.getlength(text))) // 2
    return left + x0, left + x1 - 1


def check_captions_clear(c, bmps, face):
    for name, screen, left, top, width, text, alignment in CAPTIONS:
        bmp = bmps.get(name)
        if bmp is None:
            continue
        first, last = caption_extent(face, left, width, text, alignment)
        rows = luminance_rows(bmp, first - 1, top, last + 2, top + LINE)
        steps = [abs(row[i + 1] - row[i]) for row in rows for i in range(len(row) - 1)]
        steps += [abs(rows[j + 1][i] - rows[j][i]) for j in range(len(rows) - 1)
                  for i in range(len(rows[0]))]
        c.check(max(steps) < EDGE_STEP,
                "%s: \"%s\" clear of the painted elements of %s" % (screen, text.strip()[:40], name),
                "a brightness step of %d under or beside the lettering at x %d..%d"
                % (max(steps), first, last))


# ---------------------------------------------------------------------------------------------

def read_resource_script(root):
    path = os.path.join(root, "artwork.rc")
    entries = {}
    with open(path, encoding="ascii") as f:
        for line in f:
            m = re.match(r'^(\w+)\s+(RCDATA|BITMAP)\s+"([^"]+)"\s*$', line)
            if m:
                entries.setdefault(m.group(2), {})[m.group(1)] = m.group(3)
    return entries


def check_all(root, quiet=False):
    """Runs every check on the artwork under root (the resources folder); returns Checks."""
    c = Checks(quiet)
    rc = read_resource_script(root)
    rcdata = rc.get("RCDATA", {})
    wanted = set(PICTURES) | {"WAVE_CLICK", "WAVE_PROGRESS", "DESCRIPTION"}
    c.check(set(rcdata) == wanted, "artwork.rc lists exactly the needed resources",
            "missing %s, extra %s" % (sorted(wanted - set(rcdata)), sorted(set(rcdata) - wanted)))
    c.check(set(rc.get("BITMAP", {})) == {"SKFILBMP_" + d for d in DRIVES},
            "artwork.rc: drive pictures also as BITMAP resources")
    with open(os.path.join(root, "MANIFEST.md"), encoding="utf-8") as f:
        manifest = f.read()
    unlisted = [n for n in wanted if "| %s |" % n not in manifest]
    c.check(not unlisted, "MANIFEST.md has a row for every resource", ", ".join(unlisted))

    bmps = {}
    for name, (w, h, bits, key) in sorted(PICTURES.items()):
        path = os.path.join(root, rcdata.get(name, "missing/%s" % name))
        if not c.check(os.path.exists(path), name + ": file exists", path):
            continue
        with open(path, "rb") as f:
            bmp = Bmp(f.read())
        if check_bmp_header(c, name, bmp, w, h, bits):
            bmps[name] = bmp
            if key is not None:
                check_keyed(c, name, bmp, key)
    for drive in DRIVES:
        bmp = bmps.get("SKFILBMP_" + drive)
        if bmp:
            c.check(bmp.is_key(0, 15, LIME), "SKFILBMP_%s: bottom-left pixel is the key" % drive)
    if "RING" in bmps:
        check_ring(c, bmps["RING"])
    eyes = [bmps.get("EYE%d" % i) for i in range(5)]
    if all(eyes) and "BG_PROGRESS" in bmps:
        check_eyes(c, eyes, bmps["BG_PROGRESS"])

    for name, rate, bits, total, data_bytes, trailing in (
            ("WAVE_CLICK", 11025, 16, 4260, 4216, False),
            ("WAVE_PROGRESS", 22050, 8, 4734, 4608, True)):
        path = os.path.join(root, rcdata.get(name, "missing"))
        if c.check(os.path.exists(path), name + ": file exists"):
            with open(path, "rb") as f:
                check_wave(c, name, f.read(), rate, bits, total, data_bytes, trailing)

    dist = os.path.join(root, "dist", "Resource")
    result = check_font(c, os.path.join(dist, "WINDSOR.TTF"), os.path.join(dist, "WINDSOR-OFL.txt"))
    if result and c.check("DESCRIPTION" in rcdata, "DESCRIPTION listed"):
        check_description(c, os.path.join(root, rcdata["DESCRIPTION"]), *result, quiet=quiet)
    check_title_readings(c, root, rcdata)
    if result:
        check_captions_clear(c, bmps, result[0])
    about = os.path.join(dist, "About.bmp")
    if c.check(os.path.exists(about), "dist/Resource/About.bmp exists"):
        with open(about, "rb") as f:
            check_bmp_header(c, "About.bmp", Bmp(f.read()), 237, 226, 24)

    return c


# ---------------------------------------------------------------------------------------------
# Self-test: each check above must notice a real fault. A copy of the artwork is damaged in
# one way at a time and the named check has to fail on it.

def _bmp_at(path, x, y):
    with open(path, "rb") as f:
        bmp = Bmp(f.read())
    return bmp.offset + (bmp.height - 1 - y) * bmp.stride + x * bmp.bits // 8


def _patch(path, offset, data):
    with open(path, "r+b") as f:
        f.seek(offset)
        f.write(data)


def _rewrite(path, change, mode="b"):
    with open(path, "r" + mode) as f:
        content = f.read()
    with open(path, "w" + mode) as f:
        f.write(change(content))


def _pixel(name, x, y, data):
    return lambda root: _patch(os.path.join(root, "generated", name),
                               _bmp_at(os.path.join(root, "generated", name), x, y), data)


def _pixel_column(name, x, top, bottom, data):
    def apply(root):
        for y in range(top, bottom):
            _pixel(name, x, y, data)(root)
    return apply


def _drop_list_chunk(data):
    end = 12
    while data[end:end + 4] != b"LIST":
        end += 8 + struct.unpack_from("<I", data, end + 4)[0]
    data = data[:end]
    return data[:4] + struct.pack("<I", len(data) - 8) + data[8:]


def _font_change(change):
    def apply(root):
        path = os.path.join(root, "dist", "Resource", "WINDSOR.TTF")
        font = TTFont(path)
        change(font)
        font.save(path)
    return apply


def _rename_family(font):
    font["name"].setName("Vollkorn", 1, 3, 1, 0x409)


def _drop_letter(font):
    for table in font["cmap"].tables:
        table.cmap.pop(0x416, None)


def _longer_story(text):
    lines = text.split(b"\r\n")
    lines[23] += (" И ещё одна фраза о долгом пути героя через земли Севера." * 2).encode("cp1251")
    return b"\r\n".join(lines)


def _mirror_title(name, area):
    """Mirrors the title's lettering in a picture: the letters are there but read otherwise."""
    def apply(root):
        path = os.path.join(root, "generated", name)
        with Image.open(path) as picture:
            picture = picture.convert("RGB")
        picture.paste(picture.crop(area).transpose(Image.Transpose.FLIP_LEFT_RIGHT), area[:2])
        picture.save(path, "BMP")
    return apply


FAULTS = [
    ("a button's corner drawn over", _pixel("btn_next_up.bmp", 0, 0, b"\x00\x00"),
     "BTN_NEXT_UP: transparent colour at all four corners"),
    ("key colour inside a button's lettering", _pixel("btn_ok_up.bmp", 72, 18, b"\xe0\x07"),
     "BTN_OK_UP: no transparent colour in the inner area"),
    ("a stray key pixel in the artwork", _pixel("toggle_up.bmp", 13, 4, b"\x00\x80\x80"),
     "TOGGLE_UP: every key pixel lies in the surroundings"),
    ("the ring's bottom-left pixel not white", _pixel("ring.bmp", 0, 329, b"\x00"),
     "RING: bottom-left pixel is pure white"),
    ("a wrong file size in a BMP header",
     lambda root: _patch(os.path.join(root, "generated", "bg_welcome.bmp"), 2, b"\0\0\0\0"),
     "BG_WELCOME: file size field"),
    ("5-5-5 masks in a 16-bit button",
     lambda root: _patch(os.path.join(root, "generated", "btn_back_up.bmp"), 54,
                         struct.pack("<III", 0x7C00, 0x03E0, 0x001F)),
     "BTN_BACK_UP: BI_BITFIELDS with 5-6-5 masks"),
    ("an eye frame that does not match the skull",
     _pixel("eye3.bmp", 48, 4, b"\xff\xff\xff\xff"),
     "EYE3: blends into the background at its edge"),
    ("the click sound two bytes short",
     lambda root: _rewrite(os.path.join(root, "generated", "click.wav"), lambda d: d[:-2]),
     "WAVE_CLICK: file of 4260 bytes"),
    ("the progress sound without its LIST chunk",
     lambda root: _rewrite(os.path.join(root, "generated", "progress.wav"), _drop_list_chunk),
     "WAVE_PROGRESS: chunks fmt , data, LIST"),
    ("the typeface under its source's name", _font_change(_rename_family),
     'WINDSOR.TTF: Windows name ID 1 is "Windsor"'),
    ("a Russian letter missing from the typeface", _font_change(_drop_letter),
     "WINDSOR.TTF: all 66 Russian letters have glyphs"),
    ("LF line ends in the description",
     lambda root: _rewrite(os.path.join(root, "generated", "description.txt"),
                           lambda d: d.replace(b"\r\n", b"\n")),
     "DESCRIPTION: CR LF line ends only"),
    ("a description longer than the scroll range",
     lambda root: _rewrite(os.path.join(root, "generated", "description.txt"), _longer_story),
     "DESCRIPTION: wrapped height ends in the last scroll step (1410 < h <= 1452)"),
    ("the destination screen's title plate mirrored", _mirror_title("bg_dest.bmp", TITLE_AREAS[1][1]),
     'BG_DEST: the OCR reads the title "%s"' % TITLE),
    ("the welcome screen's track painted two pixels wider, into the options caption",
     _pixel_column("bg_welcome.bmp", 586, 240, 265, b"\x20\x40\x60"),
     'options Label4: "Запустить программу конфигурации" clear of the painted elements of '
     'BG_WELCOME'),
    ("a resource left out of artwork.rc",
     lambda root: _rewrite(os.path.join(root, "artwork.rc"),
                           lambda t: re.sub(r"(?m)^SCROLL_MARKER .*\n", "", t), mode=""),
     "artwork.rc lists exactly the needed resources"),
]


def self_test():
    import shutil
    import tempfile
    outer = Checks()
    with tempfile.TemporaryDirectory(prefix="mvt-artwork-check-") as scratch:
        def fresh_copy():
            root = os.path.join(scratch, "resources")
            shutil.rmtree(root, ignore_errors=True)
            os.makedirs(root)
            for name in ("artwork.rc", "MANIFEST.md"):
                shutil.copy(os.path.join(HERE, name), root)
            for folder in ("generated", "dist"):
                shutil.copytree(os.path.join(HERE, folder), os.path.join(root, folder))
            return root

        inner = check_all(fresh_copy(), quiet=True)
        outer.check(inner.failed == 0 and inner.passed > 0, "self-test: the untouched copy passes",
                    "; ".join(inner.failures))
        for label, damage, expected in FAULTS:
            root = fresh_copy()
            damage(root)
            inner = check_all(root, quiet=True)
            outer.check(expected in inner.failures, "self-test: %s is caught" % label,
                        "failures were %r" % inner.failures)
    return outer


def main():
    if "--self-test" in sys.argv:
        c = self_test()
    else:
        c = check_all(HERE)
    print("%d passed, %d failed" % (c.passed, c.failed))
    return 1 if c.failed else 0


if __name__ == "__main__":
    sys.exit(main())

"""The welcome screen's product description and the label's word wrap it is measured with."""

import math
import os

from fontTools.ttLib import TTFont

from . import places
from .toolkit import windsor


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
    height = wrapped * line_height(os.path.join(places.DIST_DIR, "WINDSOR.TTF"),
                                   DESCRIPTION_FONT_PX)
    return lines, wrapped, height


def add_description(out):
    """Adds the description as the label reads it; returns its wrapped lines and height."""
    lines, wrapped, height = description_text()
    text = "\r\n".join(lines) + "\r\n"
    out.raw("DESCRIPTION", "description.txt", text.encode("cp1251"),
            "25 lines, %d wrapped, %d px" % (wrapped, height),
            "text, code page 1251, CR LF", "TForm1 SkLabel1 Lines (527×1451, Windsor -19)")
    return wrapped, height

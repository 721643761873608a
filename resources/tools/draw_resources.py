#!/usr/bin/python3
"""Draws every picture of the resource bundle.

The pictures are committed; run this script (Debian's python3-pil) only to
change the look:  /usr/bin/python3 resources/tools/draw_resources.py

One palette for everything: a warm white paper, the gold accent of the
service, grey text, green for "recording online", orange for notices.
Shapes are drawn four times larger and scaled down, which smooths the edges.
"""
import os

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCALE = 4

PAPER = (250, 248, 243, 255)
PAPER_EDGE = (214, 200, 168, 255)
GOLD = (200, 160, 72, 255)
GOLD_LIGHT = (226, 192, 112, 255)
GOLD_DARK = (150, 114, 44, 255)
GREY = (100, 100, 100, 255)
GREY_LIGHT = (170, 170, 170, 255)
GREY_PALE = (222, 222, 222, 255)
GREEN = (74, 160, 92, 255)
GREEN_LIGHT = (104, 190, 120, 255)
GREEN_DARK = (52, 124, 68, 255)
ORANGE = (232, 128, 40, 255)
RED = (214, 60, 48, 255)
WHITE = (255, 255, 255, 255)
CLEAR = (0, 0, 0, 0)

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


class Canvas:
    """A picture drawn at SCALE times its size, in picture coordinates."""

    def __init__(self, width, height, fill=CLEAR):
        self.size = (width, height)
        self.image = Image.new("RGBA", (width * SCALE, height * SCALE), fill)
        self.draw = ImageDraw.Draw(self.image)

    @staticmethod
    def _s(values):
        return [v * SCALE for v in values]

    def rounded(self, box, radius, fill=None, outline=None, width=1):
        self.draw.rounded_rectangle(self._s(box), radius * SCALE, fill=fill, outline=outline,
                                    width=int(width * SCALE) if outline else 0)

    def ellipse(self, box, fill=None, outline=None, width=1):
        self.draw.ellipse(self._s(box), fill=fill, outline=outline, width=int(width * SCALE) if outline else 0)

    def polygon(self, points, fill):
        self.draw.polygon([(x * SCALE, y * SCALE) for x, y in points], fill=fill)

    def line(self, points, fill, width=1):
        self.draw.line([(x * SCALE, y * SCALE) for x, y in points], fill=fill, width=int(width * SCALE))

    def rect(self, box, fill):
        self.draw.rectangle(self._s(box), fill=fill)

    def text(self, xy, text, size, fill, bold=False, anchor="la"):
        font = ImageFont.truetype(FONT_BOLD if bold else FONT, size * SCALE)
        self.draw.text((xy[0] * SCALE, xy[1] * SCALE), text, font=font, fill=fill, anchor=anchor)

    def save(self, path):
        full = os.path.join(ROOT, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        self.image.resize(self.size, Image.LANCZOS).save(full, optimize=True)


def paper(width, height, radius=8, path=None, edge=PAPER_EDGE):
    c = Canvas(width, height)
    c.rounded((0.5, 0.5, width - 0.5, height - 0.5), radius, fill=PAPER, outline=edge)
    if path:
        c.save(path)
    return c


def logo_mark(c, cx, cy, r, colour=GOLD):
    """The service's mark: a gold ring with a V inside."""
    c.ellipse((cx - r, cy - r, cx + r, cy + r), outline=colour, width=max(1.2, r / 6))
    c.line([(cx - r * 0.45, cy - r * 0.35), (cx, cy + r * 0.45), (cx + r * 0.45, cy - r * 0.35)], colour,
           width=max(1.2, r / 5))


def backgrounds():
    paper(400, 200, 10, "images/main.png")
    paper(400, 520, 10, "images/res/images/big_fon.png")
    paper(300, 300, 10, "images/res/images/kalendar_fon.png")

    c = Canvas(369, 40)
    c.rounded((0.5, 0.5, 368.5, 60), 8, fill=GOLD, outline=GOLD_DARK)
    c.save("images/wlogin-top.png")
    c = Canvas(369, 146)
    c.rounded((0.5, -20, 368.5, 145.5), 8, fill=PAPER, outline=PAPER_EDGE)
    c.save("images/login.png")

    c = paper(179, 107, 8)
    c.rect((1, 1, 178, 22), (244, 236, 218, 255))
    logo_mark(c, 12, 11.5, 7)
    c.text((24, 11.5), "Velmora", 10, GOLD_DARK, bold=True, anchor="lm")
    c.save("images/bg_notifications_withLogo.png")

    c = Canvas(211, 21)
    logo_mark(c, 10, 10.5, 8.5)
    c.text((24, 10.5), "Velmora", 13, GOLD_DARK, bold=True, anchor="lm")
    c.text((92, 11), "Team Monitor", 10, GREY, anchor="lm")
    c.save("images/logo.png")

    c = Canvas(181, 181)
    c.ellipse((4, 4, 177, 177), fill=PAPER, outline=GOLD, width=6)
    c.line([(52, 60), (90.5, 128), (129, 60)], GOLD_DARK, width=14)
    c.save("images/res/images/VL.png")

    # The reason box of the deadline dialog shows it unscaled (a style sheet
    # background), so it has the box's size: 186 x 87.
    c = Canvas(186, 87)
    c.rounded((0.5, 0.5, 185.5, 86.5), 4, fill=WHITE, outline=PAPER_EDGE)
    c.save("images/res/images/reasonLabel.png")
    c = Canvas(80, 22)
    c.rounded((0.5, 0.5, 79.5, 21.5), 3, fill=WHITE, outline=PAPER_EDGE)
    c.save("images/res/images/timeLabel.png")
    c = Canvas(212, 21)
    c.rounded((0.5, 0.5, 211.5, 20.5), 3, fill=WHITE, outline=PAPER_EDGE)
    c.save("images/le.png")


def buttons():
    for name, fill, edge in (("pb", GOLD_LIGHT, GOLD), ("pb-hover", (236, 208, 140, 255), GOLD),
                             ("pb-pressed", GOLD, GOLD_DARK)):
        c = Canvas(73, 23)
        c.rounded((0.5, 0.5, 72.5, 22.5), 5, fill=fill, outline=edge)
        c.save("images/%s.png" % name)

    states = (("", GREY), ("-hover", GOLD_DARK), ("-pressed", (60, 60, 60, 255)))
    for suffix, colour in states:
        c = Canvas(31, 19)
        c.line([(11, 5), (20, 14)], colour, 1.6)
        c.line([(20, 5), (11, 14)], colour, 1.6)
        c.save("images/pbLoginClose%s.png" % suffix)

        c = Canvas(25, 16)
        for y in (4.5, 8, 11.5):
            c.line([(7, y), (18, y)], colour, 1.4)
        c.save("images/pbMenu%s.png" % suffix)

        c = Canvas(23, 16)
        c.line([(6, 11), (17, 11)], colour, 1.6)
        c.save("images/pbMinimize%s.png" % suffix)


def play_buttons():
    """The round play/pause button, 49 x 50, in its online and offline colours."""
    colours = {
        "Online": (GREEN, GREEN_LIGHT, GREEN_DARK),
        "Offline": (GREY_LIGHT, (190, 190, 190, 255), GREY),
    }
    for state, (normal, hovered, clicked) in colours.items():
        for suffix, fill in (("", normal), ("_hovered", hovered), ("_hovered_clicked", clicked)):
            for kind in ("Play", "Pause"):
                c = Canvas(49, 50)
                c.ellipse((2, 2.5, 47, 47.5), fill=fill, outline=WHITE, width=2)
                if kind == "Play":
                    c.polygon([(19, 14), (36, 25), (19, 36)], WHITE)
                else:
                    c.rounded((16.5, 15, 22, 35), 1.2, fill=WHITE)
                    c.rounded((27, 15, 32.5, 35), 1.2, fill=WHITE)
                c.save("images/pb%s_%s%s.png" % (kind, state, suffix))
    c = Canvas(49, 50)
    c.ellipse((2, 2.5, 47, 47.5), fill=GREY_PALE, outline=WHITE, width=2)
    c.polygon([(19, 14), (36, 25), (19, 36)], WHITE)
    c.save("images/pbPlay_Disabled.png")


def small_icons():
    # Notice button, 15 x 15: an orange dot while notices wait, a grey ring otherwise.
    for suffix, fill in (("normal", ORANGE), ("Hovered", (244, 156, 80, 255)), ("clicked", (196, 100, 24, 255))):
        c = Canvas(15, 15)
        c.ellipse((1, 1, 14, 14), fill=fill)
        c.text((7.5, 7.5), "!", 10, WHITE, bold=True, anchor="mm")
        c.save("images/pbAttention_Active_%s.png" % suffix)
    for suffix, colour in (("normal", GREY_LIGHT), ("Hoveredl", GREY), ("clicked", (60, 60, 60, 255))):
        c = Canvas(15, 15)
        c.ellipse((1.5, 1.5, 13.5, 13.5), outline=colour, width=1.4)
        c.text((7.5, 7.5), "!", 9, colour, bold=True, anchor="mm")
        c.save("images/pbAttention_NoActive_%s.png" % suffix)

    # Deadline request button, 15 x 15: a clock.
    for suffix, colour in (("normal", GREY_LIGHT), ("Hovered", GOLD), ("Pressed", GOLD_DARK)):
        c = Canvas(15, 15)
        c.ellipse((1.5, 1.5, 13.5, 13.5), outline=colour, width=1.4)
        c.line([(7.5, 4), (7.5, 7.5), (10.5, 9)], colour, 1.3)
        c.save("icons/res/icons/pbTimeExtend_NoActive_%s.png" % suffix)

    # Task icons, 19 x 19: a sheet, a locked sheet, an urgent sheet; and a speech bubble.
    def sheet(c, colour):
        c.rounded((4, 2, 15, 17), 1.5, fill=WHITE, outline=colour, width=1.2)
        for y in (6.5, 9.5, 12.5):
            c.line([(6.5, y), (12.5, y)], colour, 1)

    c = Canvas(19, 19)
    sheet(c, GREY)
    c.save("images/pbTask.png")
    c = Canvas(19, 19)
    sheet(c, GREY_LIGHT)
    c.rounded((9, 10, 17, 17), 1, fill=RED)
    c.ellipse((10.5, 6.5, 15.5, 12), outline=RED, width=1.2)
    c.save("images/pbTaskBlocked.png")
    c = Canvas(19, 19)
    sheet(c, GREY)
    c.ellipse((9.5, 9.5, 18, 18), fill=ORANGE)
    c.text((13.75, 13.75), "!", 7, WHITE, bold=True, anchor="mm")
    c.save("images/pbTaskUrgentGrey.png")
    c = Canvas(19, 19)
    c.rounded((2, 3, 17, 13), 3, fill=WHITE, outline=GREY, width=1.2)
    c.polygon([(5, 12.5), (5, 17), (9.5, 12.5)], GREY)
    c.save("images/pbComment.png")

    c = Canvas(16, 16)
    c.line([(10.5, 4), (5, 9.5), (6.5, 11), (12, 5.5), (9.5, 3), (3.5, 9), (6.5, 12.5)], GREY, 1.1)
    c.save("images/res/images/task_desc_dialog/attachment_icon.png")

    c = Canvas(16, 20)
    c.rounded((1.5, 4, 14.5, 17.5), 2, fill=WHITE, outline=GOLD_DARK, width=1.2)
    c.rect((1.5, 4, 14.5, 8), GOLD)
    for x in (5, 11):
        c.line([(x, 2.5), (x, 5.5)], GOLD_DARK, 1.4)
    c.save("icons/res/icons/calendar_icon.png")

    for name, points in (("pbarrow_left", [(10, 3), (5, 8), (10, 13)]), ("pbarrow_right", [(6, 3), (11, 8), (6, 13)])):
        c = Canvas(16, 16)
        c.line(points, GOLD_DARK, 1.8)
        c.save("icons/res/icons/%s.png" % name)

    for suffix, colour in (("normal", GREY_LIGHT), ("hover", GOLD), ("pressed", GOLD_DARK)):
        c = Canvas(25, 12)
        c.polygon([(8, 9), (12.5, 3), (17, 9)], colour)
        c.save("icons/res/icons/spinup_%s.png" % suffix)
        c = Canvas(25, 13)
        c.polygon([(8, 4), (12.5, 10), (17, 4)], colour)
        c.save("icons/res/icons/spindown_%s.png" % suffix)

    for name, fill, text, edge in (("descr_button", PAPER, GREY, PAPER_EDGE),
                                   ("descr_button_hovered", (244, 236, 218, 255), GREY, GOLD_LIGHT),
                                   # dark enough for the white text of a pressed
                                   # button and the grey one of a disabled button
                                   ("descr_button_pressed", (128, 98, 38, 255), GOLD_DARK, GOLD_DARK)):
        c = Canvas(100, 24)
        c.rounded((0.5, 0.5, 99.5, 23.5), 4, fill=fill, outline=edge)
        c.save("images/res/images/task_desc_dialog/%s.png" % name)

    # The row button "Цели задач" of the task list: its picture is stretched
    # under the text, so it is a plain rounded button of the row's size. The
    # "_hovered" picture is the resting look, the one without suffix the hover.
    for name, fill, edge in (("task_target_button", (244, 236, 218, 255), GOLD),
                             ("task_target_button_hovered", PAPER, GOLD_LIGHT),
                             ("task_target_button_pressed", GOLD_LIGHT, GOLD)):
        c = Canvas(84, 24)
        c.rounded((0.5, 0.5, 83.5, 23.5), 4, fill=fill, outline=edge)
        c.save("images/res/images/task_list_dialog/%s.png" % name)


def tray_icons():
    for name, fill, attention in (("trayActive", GREEN, False), ("trayNotActive", GREY_LIGHT, False),
                                  ("trayActive_attention", GREEN, True),
                                  ("trayNotactive_attention", GREY_LIGHT, True)):
        c = Canvas(32, 32)
        c.ellipse((1, 1, 31, 31), fill=fill, outline=WHITE, width=1.5)
        c.line([(9, 10), (16, 23), (23, 10)], WHITE, 3.2)
        if attention:
            c.ellipse((19, 0.5, 31.5, 13), fill=ORANGE, outline=WHITE, width=1.5)
        c.save("icons/%s.png" % name)

    # The desktop's application icon, larger than the tray's.
    c = Canvas(128, 128)
    c.ellipse((4, 4, 124, 124), fill=GREEN, outline=WHITE, width=4)
    c.line([(36, 40), (64, 92), (92, 40)], WHITE, 12)
    c.save("velmora-team-monitor.png")


if __name__ == "__main__":
    backgrounds()
    buttons()
    play_buttons()
    small_icons()
    tray_icons()

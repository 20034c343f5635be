"""Vector icons. Each is designed on a 20 x 20 grid and returns an RGBA picture of the asked size."""
import math

from PIL import ImageChops

from .kit import (AMBER, BLUE, GREEN, INK, RED, TEAL, Mask, canvas, darker, font, hgradient,
                  lighter, paint, shadow, text, vgradient)


class Grid:
    """Mask whose drawing calls take 20-unit grid coordinates."""

    def __init__(self, w, h, unit=None):
        self.k = (unit if unit is not None else min(w, h)) / 20.0
        self.m = Mask(w, h)

    def _b(self, box):
        return tuple(v * self.k for v in box)

    def rect(self, box):
        self.m.rect(self._b(box))
        return self

    def rrect(self, box, r):
        self.m.rrect(self._b(box), r * self.k)
        return self

    def ring(self, box, r, width):
        self.m.ring(self._b(box), r * self.k, width * self.k)
        return self

    def circle(self, cx, cy, r):
        self.m.circle(cx * self.k, cy * self.k, r * self.k)
        return self

    def disc_cut(self, cx, cy, r):
        self.m.circle(cx * self.k, cy * self.k, r * self.k, value=0)
        return self

    def rect_cut(self, box):
        self.m.rect(self._b(box), value=0)
        return self

    def polygon(self, pts):
        self.m.polygon([(x * self.k, y * self.k) for x, y in pts])
        return self

    def line(self, pts, width, round_caps=True):
        self.m.line([(x * self.k, y * self.k) for x, y in pts], width * self.k, round_caps=round_caps)
        return self

    def arc(self, box, start, end, width):
        self.m.arc(self._b(box), start, end, width * self.k)
        return self


# Glyphs: one-colour shapes, returned as masks so buttons can colour them per state.

def glyph_close(n):
    return Grid(n, n).line([(6.2, 6.2), (13.8, 13.8)], 1.7).line([(13.8, 6.2), (6.2, 13.8)], 1.7).m


def glyph_min(n):
    return Grid(n, n).line([(5.8, 13.2), (14.2, 13.2)], 1.7).m


def glyph_menu(n):
    g = Grid(n, n)
    for y in (6.5, 10, 13.5):
        g.line([(5.5, y), (14.5, y)], 1.5)
    return g.m


def glyph_home(n):
    g = Grid(n, n)
    g.line([(3.8, 10.2), (10, 4.4), (16.2, 10.2)], 1.6)
    g.line([(6, 9), (6, 15.6), (14, 15.6), (14, 9)], 1.5, round_caps=False)
    g.rect((8.8, 11.4, 11.2, 15.8))
    return g.m


def glyph_help(n):
    g = Grid(n, n).ring((3.5, 3.5, 16.5, 16.5), 6.5, 1.4)
    g.arc((7.6, 5.8, 12.4, 10.6), 180, 380, 1.6)
    g.line([(12.2, 9.2), (10, 11.2), (10, 12.2)], 1.6)
    g.circle(10, 14.4, 1.0)
    return g.m


def glyph_chevron_left(n):
    return Grid(n, n).line([(12, 4.5), (7, 10), (12, 15.5)], 2.2).m


def glyph_chevron_right(n):
    return Grid(n, n).line([(8, 4.5), (13, 10), (8, 15.5)], 2.2).m


def glyph_chevron_down(n):
    return Grid(n, n).line([(4.5, 8), (10, 13), (15.5, 8)], 2.2).m


def glyph_pause(n):
    return Grid(n, n).rrect((4.5, 3.5, 8.5, 16.5), 0.8).rrect((11.5, 3.5, 15.5, 16.5), 0.8).m


def glyph_play(n):
    return Grid(n, n).polygon([(5.5, 3.2), (16.5, 10), (5.5, 16.8)]).m


def glyph_stop(n):
    return Grid(n, n).rrect((4, 4, 16, 16), 1.6).m


def glyph_check(n, width=2.6):
    return Grid(n, n).line([(4.6, 10.4), (8.4, 14.2), (15.6, 6.2)], width).m


def glyph_dash(n):
    return Grid(n, n).line([(5.5, 10), (14.5, 10)], 2.6).m


def glyph_recover(n):
    """Arrow down into a tray: save what was found."""
    g = Grid(n, n)
    g.line([(10, 2.8), (10, 11.8)], 2.2)
    g.line([(6, 8.2), (10, 12.2), (14, 8.2)], 2.2)
    g.line([(3.2, 12.5), (3.2, 16.6), (16.8, 16.6), (16.8, 12.5)], 2.0)
    return g.m


def glyph_refresh(n):
    g = Grid(n, n)
    g.arc((3.6, 3.6, 16.4, 16.4), 330, 250, 2.1)
    g.polygon([(9.2, 0.6), (13.8, 3.9), (9.0, 7.0)])
    return g.m


def glyph_x(n):
    return glyph_close(n)


# Pictures in colour.

def logo(n):
    """Product mark: a phone with a circular restore arrow, on a rounded teal square."""
    img = canvas(n, n)
    body = Grid(n, n).rrect((0.5, 0.5, 19.5, 19.5), 4.6).m
    paint(img, body, vgradient(n, n, lighter(TEAL, 0.12), darker(BLUE, 0.05)))
    cx, cy, r = 13.9, 13.2, 3.5
    ph = Grid(n, n).ring((3.6, 2.6, 12.2, 17.4), 1.7, 1.35).rect((6.6, 14.6, 9.2, 15.6))
    ph.m.cut(Grid(n, n).circle(cx, cy, r + 1.8).m)
    paint(img, ph.m, (255, 255, 255))
    arrow = Grid(n, n).arc((cx - r, cy - r, cx + r, cy + r), -50, 215, 1.4)
    t = math.radians(215)
    px, py = cx + r * math.cos(t), cy + r * math.sin(t)
    dx, dy = -math.sin(t), math.cos(t)          # the way the arc runs at its end (clockwise)
    nx, ny = -dy, dx
    arrow.polygon([(px + nx * 2.0, py + ny * 2.0), (px - nx * 2.0, py - ny * 2.0),
                   (px + dx * 2.4, py + dy * 2.4)])
    paint(img, arrow.m, (255, 255, 255))
    return img


def phone(w, h, screen=None, lit=True):
    """A phone seen from the front; screen is a colour or gradient image of the screen size."""
    img = canvas(w, h)
    k = w / 20.0
    body = Mask(w, h).rrect((0, 0, w, h), 3.2 * k)
    paint(img, body, vgradient(w, h, (52, 66, 82), (32, 43, 56)))
    sx0, sy0, sx1, sy1 = round(1.6 * k), round(0.16 * h), w - round(1.6 * k), h - round(0.15 * h)
    sw, sh = sx1 - sx0, sy1 - sy0
    if screen is None:
        screen = vgradient(sw, sh, (112, 196, 214), (58, 140, 186)) if lit else vgradient(
            sw, sh, (120, 130, 140), (90, 100, 110))
    scr = Mask(sw, sh).rrect((0, 0, sw, sh), 0.8 * k)
    paint(img, scr, screen, at=(sx0, sy0))
    spk = Mask(w, h).rrect((w * 0.38, h * 0.07, w * 0.62, h * 0.07 + max(1.2, 0.6 * k)), 0.4 * k)
    paint(img, spk, (90, 104, 120))
    btn = Mask(w, h).circle(w / 2, h - 0.075 * h, max(1.2, 1.1 * k))
    paint(img, btn, (90, 104, 120))
    return img


def person(n, colour=BLUE, bg=None):
    """Head and shoulders; on a round background when bg is given."""
    img = canvas(n, n)
    if bg is not None:
        paint(img, Grid(n, n).circle(10, 10, 9.7).m, bg)
    g = Grid(n, n).circle(10, 7.4, 3.6)
    sh = Grid(n, n).rrect((3.8, 12.0, 16.2, 22.0), 5.8)
    if bg is not None:
        clip = Grid(n, n).circle(10, 10, 9.7).m
        sh.m.img = ImageChops.multiply(sh.m.img, clip.img)
    else:
        sh.rect_cut((0, 17.2, 20, 20))
    paint(img, g.m, colour)
    paint(img, sh.m, colour)
    return img


def speech(n, colour=TEAL):
    img = canvas(n, n)
    g = Grid(n, n).rrect((1.5, 2.5, 18.5, 14.5), 3.6).polygon([(5.2, 13.5), (5.0, 18.2), (10.2, 13.5)])
    paint(img, g.m, vgradient(n, n, lighter(colour, 0.1), darker(colour, 0.08)))
    dots = Grid(n, n)
    for x in (6.2, 10, 13.8):
        dots.circle(x, 8.5, 1.25)
    paint(img, dots.m, (255, 255, 255))
    return img


def contact_card(n, colour=BLUE):
    """Contacts category: an address card with a person."""
    img = canvas(n, n)
    g = Grid(n, n).rrect((2, 1.5, 18, 18.5), 2.6)
    paint(img, g.m, vgradient(n, n, lighter(colour, 0.1), darker(colour, 0.08)))
    p = Grid(n, n).circle(10, 7.6, 3.0).rrect((4.6, 11.6, 15.4, 20), 4.6).rect_cut((0, 15.6, 20, 20))
    paint(img, p.m, (255, 255, 255))
    return img


def trash(n, colour=RED):
    img = canvas(n, n)
    g = Grid(n, n)
    g.rrect((3.2, 4.4, 16.8, 6.6), 0.8)
    g.rrect((7.6, 2.4, 12.4, 5.0), 0.8)
    g.polygon([(4.6, 7.6), (15.4, 7.6), (14.4, 18.0), (5.6, 18.0)])
    paint(img, g.m, colour)
    slots = Grid(n, n)
    for x in (8.0, 10.0, 12.0):
        slots.line([(x, 9.8), (x, 15.8)], 1.0)
    paint(img, slots.m, (255, 255, 255))
    return img


def status_icon(n, kind):
    """Message box icons: warn, error, info, right."""
    img = canvas(n, n)
    white = (255, 255, 255)
    if kind == "warn":
        tri = Grid(n, n).polygon([(10, 1.4), (19.2, 17.6), (0.8, 17.6)])
        shadow(img, tri.m, (0, 1), 1.2, opacity=0.18)
        tri = Grid(n, n).polygon([(10, 1.4), (19.2, 17.6), (0.8, 17.6)])
        paint(img, tri.m, vgradient(n, n, lighter(AMBER, 0.1), darker(AMBER, 0.06)))
        mark = Grid(n, n).line([(10, 7.0), (10, 11.8)], 2.1).circle(10, 14.9, 1.2)
        paint(img, mark.m, white)
        return img
    colour = {"error": RED, "info": BLUE, "right": GREEN}[kind]
    disc = Grid(n, n).circle(10, 10, 9.2)
    shadow(img, disc.m, (0, 1), 1.2, opacity=0.18)
    disc = Grid(n, n).circle(10, 10, 9.2)
    paint(img, disc.m, vgradient(n, n, lighter(colour, 0.12), darker(colour, 0.08)))
    if kind == "error":
        mark = Grid(n, n).line([(6.6, 6.6), (13.4, 13.4)], 2.2).line([(13.4, 6.6), (6.6, 13.4)], 2.2)
    elif kind == "info":
        mark = Grid(n, n).circle(10, 5.9, 1.35).line([(10, 9.0), (10, 14.6)], 2.3)
    else:
        mark = Grid(n, n).line([(5.8, 10.4), (8.9, 13.4), (14.4, 7.0)], 2.3)
    paint(img, mark.m, white)
    return img


def monitor(w, h):
    """A desktop screen on a stand, for the loading pictures."""
    img = canvas(w, h)
    sh = round(h * 0.78)
    frame = Mask(w, h).rrect((0, 0, w, sh), 6)
    paint(img, frame, vgradient(w, sh, (52, 66, 82), (32, 43, 56)))
    scr = Mask(w, h).rrect((6, 6, w - 6, sh - 12), 2)
    paint(img, scr, vgradient(w, h, (226, 240, 248), (190, 220, 236)))
    neck = Mask(w, h).polygon([(w * 0.43, sh), (w * 0.57, sh), (w * 0.6, h - 5), (w * 0.4, h - 5)])
    paint(img, neck, (70, 84, 100))
    foot = Mask(w, h).rrect((w * 0.3, h - 6, w * 0.7, h), 2.5)
    paint(img, foot, (52, 66, 82))
    return img


def magnifier(n, colour=INK):
    g = Grid(n, n).ring((2, 2, 13.5, 13.5), 5.75, 2.0).line([(12, 12), (17.6, 17.6)], 3.0)
    img = canvas(n, n)
    paint(img, g.m, colour)
    return img


def usb_plug(n, colour=INK):
    """A USB plug seen from the side, cable to the bottom."""
    img = canvas(n, n)
    g = Grid(n, n).rrect((6.2, 1.0, 13.8, 7.0), 0.8)
    paint(img, g.m, (160, 172, 184))
    b = Grid(n, n).rrect((5, 6.4, 15, 13.6), 1.6).line([(10, 13), (10, 19.4)], 2.4)
    paint(img, b.m, colour)
    pins = Grid(n, n).rect((7.6, 2.6, 9.2, 4.2)).rect((10.8, 2.6, 12.4, 4.2))
    paint(img, pins.m, colour)
    return img


def label_badge(n, s, colour, fg=(255, 255, 255)):
    """A filled circle with a short label, such as a step number."""
    img = canvas(n, n)
    paint(img, Grid(n, n).circle(10, 10, 9.6).m, colour)
    f = font(round(n * 0.55), bold=True)
    text(img, (n / 2, n / 2 + 0.5), s, f, fg, anchor="mm")
    return img

"""Window backgrounds: the two pages of the main window, the step pictures, the message box
and the About box.

Main window, 984 x 674: title band y 0..32 (buttons sit at y 5 on its right end), the
connect page's step picture at (1, 74), the loading picture in 120,230..905,561, the
results page's tree at x 1..222, list at 225..748 (to y 576), detail board from x 723 to
974 (y 34..609), and the status bar from y 609 (progress bar at 42,639, busy animation
at 20,641, push buttons 20 px above the bottom edge).
"""
from . import icons
from .kit import (BAND_L, BAND_R, BLUE, INK, LINE, MUTED, PAGE, PANEL, PANEL_DEEP, STATUS, TEAL,
                  Mask, canvas, darker, font, hgradient, lighter, mix, paint, shadow, text, wrap)

W, H = 984, 674
BAND = 32
TITLE = "Quillfen Retrievo"


def _band(img, w, h, title=None):
    """The dark title band; title None leaves the text to the program."""
    img.alpha_composite(hgradient(w, h, BAND_L, BAND_R))
    paint(img, Mask(w, h).rect((0, 0, w, 1)), (255, 255, 255), 0.10)
    paint(img, Mask(w, h).rect((0, h - 1, w, h)), darker(BAND_L, 0.25))
    if title:
        img.alpha_composite(icons.logo(22), dest=(9, (h - 22) // 2))
        f = font(15, bold=True)
        text(img, (39, h / 2), title, f, (255, 255, 255), anchor="lm")
        x = 39 + f.getlength(title) + 14
        paint(img, Mask(w, h).rect((x - 7, 10, x - 6, h - 10)), (255, 255, 255), 0.35)
        text(img, (x, h / 2 + 0.5), "Contacts and text messages recovery", font(12),
             (205, 230, 238), anchor="lm")


def _small_band(img, w, h):
    """Title band of the message and About boxes: the program writes the title at x 38..40."""
    _band(img, w, h)
    img.alpha_composite(icons.logo(18), dest=(12, (h - 18) // 2))


def _outline(img, body_colour):
    """One-pixel window edge: darker along the band, a soft grey along the body."""
    w, h = img.size
    m = Mask(w, h).rect((0, 0, w, h)).cut(Mask(w, h).rect((1, 1, w - 1, h - 1)))
    paint(img, m, body_colour)


def main_connect():
    img = canvas(W, H, PAGE)
    _band(img, W, BAND, TITLE)
    text(img, (24, 53), "Get back the contacts and text messages deleted from your Android phone",
         font(15, bold=True), INK, anchor="lm")
    _outline_main(img)
    return img


def _outline_main(img):
    band_edge = Mask(W, H).rect((0, 0, W, BAND)).cut(Mask(W, H).rect((1, 1, W - 1, BAND)))
    paint(img, band_edge, darker(BAND_L, 0.3))
    body_edge = Mask(W, H).rect((0, BAND, W, H)).cut(Mask(W, H).rect((1, BAND, W - 1, H - 1)))
    paint(img, body_edge, (150, 166, 182))


def main_results():
    img = canvas(W, H, PANEL_DEEP)
    _band(img, W, BAND, TITLE)
    # Hint under the list; the list covers y 32..576 and the board x 723..974.
    paint(img, Mask(W, H).rect((225, 576, 723, 609)), PANEL)
    paint(img, Mask(W, H).rect((225, 576, 723, 577)), LINE)
    tick = canvas(14, 14)
    paint(tick, icons.glyph_check(14, 2.2).done(), TEAL)
    img.alpha_composite(tick, dest=(236, 586))
    text(img, (256, 593), "Tick what you want to keep, then click Recover to save it as text files.",
         font(12), MUTED, anchor="lm")
    # Status bar with the progress bar, busy animation and push buttons.
    paint(img, Mask(W, H).rect((0, 609, W, H)), STATUS)
    paint(img, Mask(W, H).rect((0, 609, W, 610)), (206, 214, 222))
    paint(img, Mask(W, H).rect((0, 610, W, 611)), (255, 255, 255), 0.7)
    _outline_main(img)
    return img


def _step_card(img, box, number, title, lines, art, active):
    x0, y0, x1, y1 = box
    w, h = img.size
    card = Mask(w, h).rrect(box, 10)
    shadow(img, Mask(w, h).rrect(box, 10), (0, 2), 3, opacity=0.14 if active else 0.06)
    paint(img, card, TEAL if active else LINE)
    paint(img, Mask(w, h).rrect((x0 + (2 if active else 1), y0 + (2 if active else 1),
                                 x1 - (2 if active else 1), y1 - (2 if active else 1)), 9),
          (255, 255, 255) if active else (250, 252, 253))
    badge = icons.label_badge(34, number, TEAL if active else (190, 200, 210))
    img.alpha_composite(badge, dest=(x0 + 20, y0 + 18))
    text(img, (x0 + 68, y0 + 35), title, font(17, bold=True), INK if active else MUTED, anchor="lm")
    f = font(12)
    y = y0 + 56
    for line in lines:
        for part in wrap(line, f, x1 - x0 - 68 - 112):
            text(img, (x0 + 68, y), part, f, MUTED if active else (150, 160, 170), anchor="la")
            y += 17
    img.alpha_composite(art, dest=(x1 - 20 - art.width, y0 + (y1 - y0 - art.height) // 2))


def _connect_art(active):
    """Phone with a USB cable to the plug."""
    art = canvas(100, 90)
    art.alpha_composite(icons.phone(44, 78, lit=active), dest=(8, 6))
    cable = Mask(100, 90).line([(30, 80), (30, 86), (76, 86), (76, 60)], 2.4, round_caps=False)
    paint(art, cable, (80, 94, 110) if active else (170, 178, 186))
    art.alpha_composite(icons.usb_plug(30, INK if active else (170, 178, 186)), dest=(61, 34))
    if active:
        art.alpha_composite(icons.label_badge(22, "", darker(TEAL, 0.05)), dest=(70, 4))
        paint(art, icons.glyph_check(22, 2.6).done(), (255, 255, 255), at=(70, 4))
    return art


def _scan_art(active):
    """Phone showing a list, with a magnifier over it."""
    art = canvas(100, 90)
    ph = icons.phone(44, 78, lit=active)
    rows = Mask(44, 78)
    for i in range(5):
        rows.rrect((7, 19 + i * 9, 37, 24 + i * 9), 1.5)
    paint(ph, rows, (255, 255, 255), 0.8 if active else 0.5)
    art.alpha_composite(ph, dest=(14, 6))
    mg = icons.magnifier(48, darker(BLUE, 0.1) if active else (170, 178, 186))
    lens = Mask(48, 48).circle(37.5 * 48 / 80, 37.5 * 48 / 80, 12)
    paint(mg, lens, (255, 255, 255), 0.35)
    art.alpha_composite(mg, dest=(46, 34))
    return art


def step_picture(active_step):
    w, h = 982, 150
    img = canvas(w, h, (247, 250, 252))
    paint(img, Mask(w, h).rect((0, 0, w, 1)), LINE)
    paint(img, Mask(w, h).rect((0, h - 1, w, h)), LINE)
    a, b = active_step == 1, active_step == 2
    _step_card(img, (22, 18, 462, 132), "1", "Connect your phone",
               ["Plug your rooted Android phone into this PC by USB.",
                "Turn on USB debugging on the phone."], _connect_art(a), a)
    _step_card(img, (520, 18, 960, 132), "2", "Scan and recover",
               ["Deleted contacts and messages are found and listed.",
                "Tick the ones you want to save."], _scan_art(b), b)
    arrow = Mask(w, h).line([(482, 62), (491, 75), (482, 88)], 3.2)
    paint(img, arrow, TEAL if b else (184, 196, 208))
    return img


def msgbox():
    """Message box, 420 x 190: band, white body (icon at x 20, text from x 70), button footer."""
    w, h = 420, 190
    img = canvas(w, h, PAGE)
    _small_band(img, w, 30)
    paint(img, Mask(w, h).rect((0, 134, w, h)), PANEL)
    paint(img, Mask(w, h).rect((0, 134, w, 135)), LINE)
    _outline(img, (138, 156, 174))
    return img


def aboutbk():
    """About box, 520 x 320 (room for the link and the OK button side by side): version written by the program at (40,135), link at (40,270)."""
    w, h = 520, 320
    img = canvas(w, h, PANEL)
    _small_band(img, w, 30)
    shadow(img, Mask(w, h).rrect((40, 50, 104, 114), 13), (0, 2), 3, opacity=0.2)
    img.alpha_composite(icons.logo(64), dest=(40, 50))
    text(img, (122, 72), TITLE, font(26, bold=True), INK, anchor="lm")
    text(img, (123, 100), "Recovers deleted contacts and text messages", font(13), MUTED, anchor="lm")
    text(img, (123, 118), "from Android phones.", font(13), MUTED, anchor="lm")
    paint(img, Mask(w, h).rect((40, 160, w - 40, 161)), LINE)
    f = font(12)
    for i, line in enumerate(("Reads the phone's contact and message databases over USB.",
                              "Finds records that were deleted but not yet overwritten.",
                              "Saves the records you tick as plain text files.")):
        y = 182 + i * 22
        tick = canvas(14, 14)
        paint(tick, icons.glyph_check(14, 2.4).done(), TEAL)
        img.alpha_composite(tick, dest=(40, y - 7))
        text(img, (62, y), line, f, INK, anchor="lm")
    paint(img, Mask(w, h).rect((40, 256, w - 40, 257)), LINE)
    _outline(img, (138, 156, 174))
    return img

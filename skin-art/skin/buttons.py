"""Picture buttons and check boxes: strips of state frames of equal width side by side.

Button frames: 0 normal, 1 hover (lighter), 2 pressed (darker, content one pixel down),
3 inactive (grey). Three-frame strips stop after the pressed frame.
"""
from . import icons
from .kit import (BLUE, GREY_FILL, GREY_TEXT, RED, TEAL, Mask, canvas, darker, font, lighter,
                  mix, paint, shadow, strip, text, vgradient)

STATES = ("normal", "hover", "pressed", "inactive")
PRIMARY = mix(BLUE, TEAL, 0.35)


def title_button(glyph, frames, n=20, danger=False):
    """Glyph buttons of the title band: the band shows through, a soft plate marks hover and press."""
    out = []
    for state in STATES[:frames]:
        f = canvas(n, n)
        plate = Mask(n, n).rrect((1, 1, n - 1, n - 1), 4)
        if state == "hover":
            paint(f, plate, RED if danger else (255, 255, 255), 0.92 if danger else 0.22)
        elif state == "pressed":
            paint(f, plate, darker(RED, 0.2) if danger else (0, 0, 0), 0.92 if danger else 0.24)
        g = glyph(n).done()
        opacity = {"normal": 0.9, "hover": 1.0, "pressed": 0.85, "inactive": 0.35}[state]
        paint(f, g, (255, 255, 255), opacity, at=(0, 1 if state == "pressed" else 0))
        out.append(f)
    return strip(out)


def _body_colours(style, state):
    """(fill top, fill bottom, border, content) for a text button."""
    if state == "inactive":
        return GREY_FILL, darker(GREY_FILL, 0.04), darker(GREY_FILL, 0.08), GREY_TEXT
    if style == "primary":
        base = {"normal": PRIMARY, "hover": lighter(PRIMARY, 0.16),
                "pressed": darker(PRIMARY, 0.2)}[state]
        return lighter(base, 0.1), darker(base, 0.06), darker(base, 0.18), (255, 255, 255)
    top, bottom, border = {
        "normal": ((255, 255, 255), (241, 246, 250), (166, 186, 204)),
        "hover": ((246, 251, 254), (228, 241, 250), lighter(BLUE, 0.25)),
        "pressed": ((212, 228, 241), (222, 236, 246), darker(BLUE, 0.1)),
    }[state]
    return top, bottom, border, darker(BLUE, 0.12)


def text_button(label, w, h, frames, style="primary", glyph=None, size=12, compact=False):
    """A push button with a label and an optional glyph before it; compact buttons use a
    smaller glyph and gap so short labels fit narrow buttons."""
    out = []
    for state in STATES[:frames]:
        f = canvas(w, h)
        top, bottom, border, ink = _body_colours(style, state)
        box = (1, 0.5, w - 1, h - 2.5)
        r = min(6, h / 5)
        if state in ("normal", "hover"):
            shadow(f, Mask(w, h).rrect(box, r), (0, 1.2), 1.2, opacity=0.28)
        elif state == "pressed":
            shadow(f, Mask(w, h).rrect(box, r), (0, 0.5), 0.8, opacity=0.15)
        paint(f, Mask(w, h).rrect(box, r), border)
        inner = (box[0] + 1, box[1] + 1, box[2] - 1, box[3] - 1)
        paint(f, Mask(w, h).rrect(inner, r - 1), vgradient(w, h, top, bottom))
        if state != "inactive":  # a thin light line under the top edge reads as a raised face
            hl = Mask(w, h).rrect(inner, r - 1)
            hl.rrect((inner[0], inner[1] + 1, inner[2], inner[3]), r - 1, 0)
            paint(f, hl, (255, 255, 255), 0.35 if state != "pressed" else 0.0)
        fnt = font(size, bold=True)
        tw = fnt.getlength(label)
        gn = (round(h * 0.34) if compact else round(h * 0.42)) if glyph else 0
        gap = (4 if compact else 6) if glyph else 0
        assert gn + gap + tw <= w - 4, f"{label!r} does not fit a {w} px button"
        x = (w - (gn + gap + tw)) / 2
        dy = 1 if state == "pressed" else 0
        cy = (h - 2) / 2 + dy
        if glyph:
            paint(f, glyph(gn).done(), ink, at=(round(x), round(cy - gn / 2)))
        text(f, (x + gn + gap, cy + 0.5), label, fnt, ink, anchor="lm")
        out.append(f)
    return strip(out)


def _check_frame(n, state):
    """One check box frame: off, off_hover, mixed, on, on_hover, disabled."""
    f = canvas(n, n)
    box = (1, 1, n - 1, n - 1)
    inner = (2, 2, n - 2, n - 2)
    r = 3.2
    if state in ("on", "on_hover", "mixed"):
        base = lighter(PRIMARY, 0.15) if state == "on_hover" else PRIMARY
        shadow(f, Mask(n, n).rrect(box, r), (0, 0.6), 0.6, opacity=0.2)
        paint(f, Mask(n, n).rrect(box, r), darker(base, 0.15))
        paint(f, Mask(n, n).rrect(inner, r - 1), vgradient(n, n, lighter(base, 0.12), base))
        g = icons.glyph_dash(n) if state == "mixed" else icons.glyph_check(n, 2.4)
        paint(f, g.done(), (255, 255, 255))
        return f
    if state == "disabled":
        paint(f, Mask(n, n).rrect(box, r), (206, 211, 216))
        paint(f, Mask(n, n).rrect(inner, r - 1), (236, 238, 240))
        return f
    border = PRIMARY if state == "off_hover" else (140, 156, 172)
    fill_bottom = (232, 243, 249) if state == "off_hover" else (244, 247, 250)
    paint(f, Mask(n, n).rrect(box, r), border)
    paint(f, Mask(n, n).rrect(inner, r - 1), vgradient(n, n, (255, 255, 255), fill_bottom))
    return f


def list_checkbox(n=16):
    """List rows: 0 unchecked, 1 unchecked under the mouse, 2 checked, 3 checked under the mouse."""
    return strip([_check_frame(n, s) for s in ("off", "off_hover", "on", "on_hover")])


def tree_checkbox(n=16):
    """Tree nodes: 0 unchecked, 1 unchecked under the mouse, 2 partly checked, 3 checked, 4 disabled."""
    return strip([_check_frame(n, s) for s in ("off", "off_hover", "mixed", "on", "disabled")])


def sort_arrow(up, w=10, h=6, colour=None):
    colour = colour or darker(PRIMARY, 0.05)
    f = canvas(w, h)
    pts = [(0.5, h - 0.5), (w / 2, 0.5), (w - 0.5, h - 0.5)] if up else \
          [(0.5, 0.5), (w / 2, h - 0.5), (w - 0.5, 0.5)]
    paint(f, Mask(w, h).polygon(pts), colour)
    return f

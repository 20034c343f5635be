"""Speech bubble frames of the message board, as eight 24-bit bitmaps per direction.

A whole bubble is drawn once, then cut into four corners and four edges. The board fills
the middle itself (received RGB(216,216,216), sent RGB(136,193,33)) and stretches each
edge from its first row or column, so the pieces meet that fill exactly and every edge
piece is uniform along its length.
"""
from PIL import ImageFilter

from .kit import SS, Mask, canvas, paint, shadow

BOARD = (244, 247, 250)
IN_FILL = (216, 216, 216)
OUT_FILL = (136, 193, 33)
EDGE_COPIES = 4  # edge bitmaps hold a few identical rows or columns


def _eroded(mask, px):
    m = Mask(mask.w, mask.h)
    m.img = mask.img.filter(ImageFilter.MinFilter(2 * px * SS + 1))
    return m


def _bubble(w, h, body_box, tail, fill, border):
    img = canvas(w, h, BOARD)
    outer = Mask(w, h).rrect(body_box, 8).polygon(tail)
    shadow(img, outer, (0, 1.5), 1.5, colour=(40, 60, 80), opacity=0.18)
    paint(img, outer, border)
    paint(img, _eroded(outer, 1), fill)
    return img


def _slice(img, left, top, right, bottom):
    w, h = img.size
    mx, my = left + (w - left - right) // 2, top + (h - top - bottom) // 2
    n = EDGE_COPIES
    return {
        "lefttop": img.crop((0, 0, left, top)),
        "leftbottom": img.crop((0, h - bottom, left, h)),
        "righttop": img.crop((w - right, 0, w, top)),
        "rightbottom": img.crop((w - right, h - bottom, w, h)),
        "topline": img.crop((mx, 0, mx + n, top)),
        "bottomline": img.crop((mx, h - bottom, mx + n, h)),
        "leftline": img.crop((0, my, left, my + n)),
        "rightline": img.crop((w - right, my, w, my + n)),
    }


def received():
    """Grey bubble on the left, its tail at the top left. Corners 18/12 wide, 15/18 high."""
    left, top, right, bottom = 18, 15, 12, 18
    w, h = left + 48 + right, top + 40 + bottom
    body = (6, 2, w - 2, h - 5)
    tail = [(0.6, 3.2), (9, 4.5), (6.5, 13.5)]
    img = _bubble(w, h, body, tail, IN_FILL, (190, 196, 202))
    return img, _slice(img, left, top, right, bottom)


def sent():
    """Green bubble on the right, its tail at the top right. Corners 12/18 wide, 18/18 high."""
    left, top, right, bottom = 12, 18, 18, 18
    w, h = left + 48 + right, top + 40 + bottom
    body = (1, 5, w - 7, h - 5)
    tail = [(w - 0.6, 6.2), (w - 9, 7.5), (w - 6.5, 16.5)]
    img = _bubble(w, h, body, tail, OUT_FILL, (108, 160, 22))
    return img, _slice(img, left, top, right, bottom)

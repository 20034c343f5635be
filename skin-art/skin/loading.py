"""Connect page pictures (loading animation, failure) and the busy spinner strip.

The loading and failure pictures are drawn at the size of the rectangle the main window
stretches them into (785 x 331), so they are shown pixel for pixel.
"""
import math

from PIL import Image, ImageChops

from . import icons
from .buttons import PRIMARY
from .kit import (INK, LINE, MUTED, RED, TEAL, Mask, canvas, darker, font, paint, shadow, strip,
                  text)

W, H = 785, 331
CX = W // 2
TRACK = (318, 472)   # x range of the data path between phone and screen
TRACK_Y = 98
FRAMES = 10
FRAME_MS = 100


def _scene(lit):
    img = canvas(W, H, (255, 255, 255))
    ph = icons.phone(72, 128, lit=lit)
    if lit:
        ph.alpha_composite(icons.contact_card(22), dest=(25, 34))
        ph.alpha_composite(icons.speech(22, darker(TEAL, 0.05)), dest=(25, 66))
    shadow(img, Mask(W, H).rrect((238, 34, 310, 162), 11), (0, 3), 4, opacity=0.18)
    img.alpha_composite(ph, dest=(238, 34))
    mon = icons.monitor(160, 132)
    rows = Mask(160, 132)
    for i in range(5):
        rows.rrect((20, 20 + i * 14, 20 + 10, 20 + i * 14 + 8), 2)
        rows.rrect((36, 21 + i * 14, 140 - (i % 3) * 18, 20 + i * 14 + 7), 2)
    paint(mon, rows, PRIMARY if lit else (170, 180, 190), 0.55)
    shadow(img, Mask(W, H).rrect((482, 34, 642, 137), 6), (0, 3), 4, opacity=0.16)
    img.alpha_composite(mon, dest=(482, 34))
    return img


def _track(img, colour):
    dots = Mask(W, H)
    x = TRACK[0]
    while x <= TRACK[1]:
        dots.circle(x, TRACK_Y, 1.6)
        x += 8
    paint(img, dots, colour)


def loading_frames():
    fr = []
    seg = 90
    bar = (CX - 140, 262, CX + 140, 268)
    for k in range(FRAMES):
        img = _scene(True)
        _track(img, LINE)
        span = TRACK[1] - TRACK[0]
        for j in range(3):
            # Packets travel from the phone to the screen, one third of the path apart.
            t = ((k / FRAMES) + j / 3) % 1.0
            x = TRACK[0] + t * span
            fade = min(1.0, t / 0.15, (1 - t) / 0.15)
            pk = Mask(W, H).rrect((x - 6, TRACK_Y - 6, x + 6, TRACK_Y + 6), 3)
            paint(img, pk, TEAL, max(0.0, fade))
        text(img, (CX, 206), "Reading data from your phone...", font(18, bold=True), INK, anchor="mm")
        text(img, (CX, 234), "Keep the phone connected and unlocked. This can take a minute.",
             font(13), MUTED, anchor="mm")
        paint(img, Mask(W, H).rrect(bar, 3), (226, 233, 239))
        off = bar[0] - seg + ((k + 0.5) / FRAMES) * (bar[2] - bar[0] + seg)
        moving = Mask(W, H).rrect((off, bar[1], off + seg, bar[3]), 3)
        moving.cut(Mask(W, H).rect((0, 0, bar[0], H))).cut(Mask(W, H).rect((bar[2], 0, W, H)))
        paint(img, moving, TEAL)
        fr.append(img)
    return fr


def save_loading_gif(frames, path):
    """One shared palette for all frames, so colours never flicker from frame to frame."""
    rgb = [f.convert("RGB") for f in frames]
    sheet = Image.new("RGB", (W, H * len(rgb)))
    for i, f in enumerate(rgb):
        sheet.paste(f, (0, i * H))
    pal = sheet.quantize(colors=96, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    # Median cut averages the page white with its neighbours, and the palette lookup is
    # approximate: give the page pure white, and every pure white pixel that entry.
    entries = pal.getpalette()[:96 * 3]
    white = max(range(96), key=lambda i: sum(entries[3 * i:3 * i + 3]))
    entries[3 * white:3 * white + 3] = [255, 255, 255]
    pal.putpalette(entries)
    q = []
    for f in rgb:
        p = f.quantize(palette=pal, dither=Image.Dither.NONE)
        r, g, b = (c.point(lambda v: 255 if v == 255 else 0) for c in f.split())
        p.paste(white, mask=ImageChops.multiply(ImageChops.multiply(r, g), b))
        q.append(p)
    q[0].save(path, "GIF", save_all=True, append_images=q[1:], duration=FRAME_MS, loop=0,
              disposal=1, optimize=False)


def failure():
    img = _scene(False)
    _track(img, (206, 212, 218))
    cx = (TRACK[0] + TRACK[1]) / 2
    paint(img, Mask(W, H).rect((cx - 22, TRACK_Y - 10, cx + 22, TRACK_Y + 10)), (255, 255, 255))
    badge = canvas(34, 34)
    paint(badge, icons.Grid(34, 34).circle(10, 10, 9.6).m, RED)
    paint(badge, icons.glyph_x(34).done(), (255, 255, 255))
    img.alpha_composite(badge, dest=(round(cx - 17), TRACK_Y - 17))
    text(img, (CX, 206), "Could not read data from the phone", font(18, bold=True), (189, 58, 6),
         anchor="mm")
    text(img, (CX, 234), "Check the points below, then click Try again.", font(13), MUTED, anchor="mm")
    return img


def spinner(n=18, frames=8):
    """Busy animation strip: eight dots round a circle, the bright one moving clockwise."""
    out = []
    for k in range(frames):
        f = canvas(n, n)
        for i in range(frames):
            a = 2 * math.pi * i / frames - math.pi / 2
            x, y = n / 2 + 6 * math.cos(a), n / 2 + 6 * math.sin(a)
            age = (k - i) % frames
            paint(f, Mask(n, n).circle(x, y, 2.0 if age == 0 else 1.7), PRIMARY,
                  max(0.22, 1.0 - age * 0.12))
        out.append(f)
    return strip(out)

"""Drawing kit shared by every picture: palette, fonts, anti-aliased shapes, text, saving.

Shapes are drawn into a coverage mask at SS times the picture's size and reduced with a
box filter, so every edge is anti-aliased and a flat area keeps its exact colour (the
program fills some areas itself with fixed colours that the pictures must meet).
Text is rasterised by FreeType at the final size, which keeps small labels crisp.
"""
import os

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

SS = 4  # supersampling factor for shapes

# Palette: calm blue to teal, flat, with soft shadows.
BAND_L = (19, 78, 122)      # title band, left end
BAND_R = (21, 121, 139)     # title band, right end
BLUE = (32, 108, 168)
TEAL = (24, 140, 150)
TEAL_LIGHT = (214, 240, 242)
INK = (31, 45, 59)          # dark text
MUTED = (104, 119, 134)     # secondary text
LINE = (212, 221, 229)      # hairlines and borders
PAGE = (255, 255, 255)
PANEL = (238, 244, 248)     # dialog body; the About box link paints this colour itself
PANEL_DEEP = (229, 237, 243)
STATUS = (240, 240, 239)    # status bar; the busy animation fills this colour itself
RED = (206, 64, 58)
AMBER = (232, 160, 32)
GREEN = (46, 160, 92)
GREY_FILL = (214, 219, 224)
GREY_TEXT = (150, 158, 166)

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
_fonts = {}


def font(size, bold=False):
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    key = (name, size)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(os.path.join(FONT_DIR, name), size)
    return _fonts[key]


def mix(c0, c1, t):
    """Colour t of the way from c0 to c1."""
    return tuple(round(a + (b - a) * t) for a, b in zip(c0, c1))


def lighter(c, t):
    return mix(c, (255, 255, 255), t)


def darker(c, t):
    return mix(c, (0, 0, 0), t)


def canvas(w, h, fill=(0, 0, 0, 0)):
    if len(fill) == 3:
        fill = fill + (255,)
    return Image.new("RGBA", (w, h), fill)


class Mask:
    """Coverage mask drawn at SS times size, in picture coordinates (floats allowed).

    Boxes are (x0, y0, x1, y1) with exclusive right and bottom edges."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.img = Image.new("L", (w * SS, h * SS), 0)
        self.d = ImageDraw.Draw(self.img)

    @staticmethod
    def _box(box):
        x0, y0, x1, y1 = box
        return [round(x0 * SS), round(y0 * SS), round(x1 * SS) - 1, round(y1 * SS) - 1]

    @staticmethod
    def _pts(pts):
        return [(round(x * SS), round(y * SS)) for x, y in pts]

    def rect(self, box, value=255):
        self.d.rectangle(self._box(box), fill=value)
        return self

    def rrect(self, box, r, value=255):
        self.d.rounded_rectangle(self._box(box), radius=round(r * SS), fill=value)
        return self

    def ring(self, box, r, width):
        """Outline of a rounded rectangle, width pixels thick, inside the box."""
        self.rrect(box, r)
        x0, y0, x1, y1 = box
        self.rrect((x0 + width, y0 + width, x1 - width, y1 - width), max(r - width, 0), 0)
        return self

    def ellipse(self, box, value=255):
        self.d.ellipse(self._box(box), fill=value)
        return self

    def circle(self, cx, cy, r, value=255):
        return self.ellipse((cx - r, cy - r, cx + r, cy + r), value)

    def polygon(self, pts, value=255):
        self.d.polygon(self._pts(pts), fill=value)
        return self

    def line(self, pts, width, value=255, round_caps=True):
        p = self._pts(pts)
        wpx = max(1, round(width * SS))
        self.d.line(p, fill=value, width=wpx, joint="curve")
        if round_caps:
            r = wpx / 2
            for x, y in (p[0], p[-1]):
                self.d.ellipse([x - r, y - r, x + r, y + r], fill=value)
        return self

    def arc(self, box, start, end, width, value=255):
        self.d.arc(self._box(box), start, end, fill=value, width=max(1, round(width * SS)))
        return self

    def cut(self, other):
        """Removes another mask's coverage from this one."""
        self.img = ImageChops.multiply(self.img, ImageChops.invert(other.img))
        self.d = ImageDraw.Draw(self.img)
        return self

    def done(self):
        return self.img.resize((self.w, self.h), Image.BOX)


def fill_image(size, fill):
    """A fill is a colour (RGB or RGBA) or an RGBA image of the given size."""
    if isinstance(fill, Image.Image):
        return fill
    if len(fill) == 3:
        fill = fill + (255,)
    return Image.new("RGBA", size, fill)


def paint(base, mask, fill, opacity=1.0, at=(0, 0)):
    """Composites fill through mask (a Mask or an L image) onto base at the given offset."""
    m = mask.done() if isinstance(mask, Mask) else mask
    src = fill_image(m.size, fill).copy()
    a = ImageChops.multiply(src.getchannel("A"), m)
    if opacity != 1.0:
        a = a.point(lambda v: round(v * opacity))
    src.putalpha(a)
    base.alpha_composite(src, dest=at)
    return base


def shadow(base, mask, offset=(0, 1), blur=2.0, colour=(20, 40, 60), opacity=0.22):
    """A soft shadow of a mask's shape, under whatever is painted next."""
    m = mask.done() if isinstance(mask, Mask) else mask
    pad = Image.new("L", base.size, 0)
    pad.paste(m, (round(offset[0]), round(offset[1])))
    pad = pad.filter(ImageFilter.GaussianBlur(blur))
    paint(base, pad, colour, opacity)


def vgradient(w, h, c0, c1):
    strip = Image.new("RGBA", (1, h))
    for y in range(h):
        t = y / (h - 1) if h > 1 else 0
        strip.putpixel((0, y), mix(c0, c1, t) + (255,))
    return strip.resize((w, h), Image.NEAREST)


def hgradient(w, h, c0, c1):
    strip = Image.new("RGBA", (w, 1))
    for x in range(w):
        t = x / (w - 1) if w > 1 else 0
        strip.putpixel((x, 0), mix(c0, c1, t) + (255,))
    return strip.resize((w, h), Image.NEAREST)


def text_width(s, f):
    return f.getlength(s)


def text(base, xy, s, f, colour, anchor="la", opacity=1.0):
    """Draws text through a coverage mask so it blends right on transparent pictures."""
    m = Image.new("L", base.size, 0)
    ImageDraw.Draw(m).text(xy, s, font=f, fill=255, anchor=anchor)
    paint(base, m, colour, opacity)


def wrap(s, f, width):
    """Splits s at spaces into lines no wider than width."""
    lines, cur = [], ""
    for word in s.split():
        trial = word if not cur else cur + " " + word
        if f.getlength(trial) <= width or not cur:
            cur = trial
        else:
            lines.append(cur)
            cur = word
    if cur:
        lines.append(cur)
    return lines


def strip(frames):
    """Puts equal-sized frames side by side."""
    w, h = frames[0].size
    out = canvas(w * len(frames), h)
    for i, f in enumerate(frames):
        assert f.size == (w, h)
        out.alpha_composite(f, dest=(i * w, 0))
    return out


def save_png(img, path):
    """Saves as small as Pillow can; opaque pictures drop their alpha channel."""
    if img.mode == "RGBA" and img.getchannel("A").getextrema() == (255, 255):
        img = img.convert("RGB")
    img.save(path, "PNG", optimize=True)


def save_bmp(img, path):
    """24-bit bitmap, which every GDI and GDI+ loader reads."""
    img.convert("RGB").save(path, "BMP")

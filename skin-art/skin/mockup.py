"""Mock-ups of the windows, composed from the rendered pictures the way the program places
them, to look at the skin as a whole. Not part of the render.

Usage: python3 -m skin.mockup IMAGE_DIR OUT_DIR
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


class Mock:
    def __init__(self, img_dir):
        self.dir = img_dir

    def load(self, name):
        img = Image.open(os.path.join(self.dir, name))
        return img.convert("RGBA")

    def button(self, base, name, frames, x, y, frame=0):
        strip = self.load(name)
        fw, fh = strip.width // frames, strip.height
        if x < 0:
            x = base.width - fw + x
        if y < 0:
            y = base.height - fh + y
        base.alpha_composite(strip.crop((frame * fw, 0, (frame + 1) * fw, fh)), dest=(x, y))
        return x, y, fw, fh


def f(size, bold=False):
    return ImageFont.truetype(BOLD if bold else FONT, size)


def title_buttons(m, img, frames=(0, 0, 0, 0, 0)):
    for (name, n, x), fr in zip((("close.png", 4, -8), ("min.png", 4, -29), ("menu.png", 3, -50),
                                 ("btn_home.png", 4, -120), ("btn_help.png", 4, -90)), frames):
        m.button(img, name, n, x, 5, fr)


def connect(m, failed):
    img = m.load("mainbg1.png")
    img.alpha_composite(m.load("step1.png"), dest=(1, 74))
    if failed:
        img.alpha_composite(m.load("loadfail.png"), dest=(120, 230))
        d = ImageDraw.Draw(img)
        lines = [((100, 570), "Cannot load data from Android Phone, please : ", (189, 58, 6), 13),
                 ((120, 590), "1. Be sure you've installed the drive of your device", (10, 0, 0), 12),
                 ((120, 610), "2. Make sure device enables USB Debugging(Setting >> Applications >> "
                              "Development >> USB debugging).", (10, 0, 0), 12),
                 ((120, 630), "3. Make sure you've got ROOT access on your Android phone.", (10, 0, 0), 12)]
        for xy, s, c, size in lines:
            box = d.textbbox(xy, s, font=f(size))
            d.rectangle(box, fill=(255, 255, 255))
            d.text(xy, s, font=f(size), fill=c)
        d.text((470, 630), "Have Problems?", font=f(13), fill=(0, 0, 238))
        m.button(img, "refresh.png", 3, -30, -35)
    else:
        gif = Image.open(os.path.join(m.dir, "loaddata.gif"))
        gif.seek(3)
        img.alpha_composite(gif.convert("RGBA"), dest=(120, 230))
    title_buttons(m, img, (0, 0, 0, 1, 0) if not failed else (1, 0, 0, 0, 0))
    return img


def bubble(m, base, kind, frame, origin, body):
    """Draws a bubble frame the way the message board does."""
    L, T, R, B = [v + o for v, o in zip(frame, origin * 2)]
    parts = {"in": ((18, 15, 12, 18), (216, 216, 216)), "out": ((12, 18, 18, 18), (136, 193, 33))}
    (lw, th, rw, bh), fill = parts[kind]
    p = lambda n: m.load(f"{kind}_{n}.bmp")
    base.alpha_composite(p("lefttop"), dest=(L, T))
    base.alpha_composite(p("leftbottom"), dest=(L, B - bh))
    base.alpha_composite(p("righttop"), dest=(R - rw, T))
    base.alpha_composite(p("rightbottom"), dest=(R - rw, B - bh))
    base.alpha_composite(p("topline").crop((0, 0, 1, th)).resize((R - L - lw - rw, th)), dest=(L + lw, T))
    base.alpha_composite(p("bottomline").crop((0, 0, 1, bh)).resize((R - L - lw - rw, bh)), dest=(L + lw, B - bh))
    base.alpha_composite(p("leftline").crop((0, 0, lw, 1)).resize((lw, B - T - th - bh)), dest=(L, T + th))
    base.alpha_composite(p("rightline").crop((0, 0, rw, 1)).resize((rw, B - T - th - bh)), dest=(R - rw, T + th))
    d = ImageDraw.Draw(base)
    d.rectangle((L + lw, T + th, R - rw - 1, B - bh - 1), fill=fill)
    d.text((L + lw, T + th), body, font=f(12), fill=(0, 0, 0))


def results(m, busy):
    img = m.load("mainbg2.png")
    d = ImageDraw.Draw(img)
    # Tree at 1,32, 221 x 577, lines of 25.
    d.rectangle((1, 32, 221, 608), fill=(255, 255, 255))
    box = m.load("checkboxes.png")
    fw = box.width // 5
    frame = lambda i: box.crop((i * fw, 0, (i + 1) * fw, box.height))
    exp = m.load("tree_opened.bmp")
    root = m.load("treeroot.png")
    y = 32
    img.alpha_composite(exp, dest=(1 + 5, y + (25 - exp.height) // 2))
    img.alpha_composite(frame(3), dest=(1 + exp.width + 10, y + (25 - box.height) // 2))
    img.alpha_composite(root, dest=(1 + exp.width + fw + 15, y + (25 - root.height) // 2))
    d.text((1 + root.width + fw + 36, y + 5), "android phone", font=f(12, True), fill=(0, 0, 0))
    for i, (name, label, state) in enumerate((("contacts.png", "Contacts (12)", 3),
                                              ("message.png", "Message (0)", 4))):
        y = 57 + i * 25
        icon = m.load(name)
        if i == 0:
            left = 1 + icon.width + 2 * fw + 46
            for x in range(left, 222):
                t = (x - left) / (222 - left)
                c = tuple(round(a + (b - a) * t) for a, b in zip((168, 229, 246), (241, 247, 249)))
                d.line((x, y, x, y + 24), fill=c)
        img.alpha_composite(frame(state), dest=(1 + fw + 36, y + (25 - box.height) // 2))
        img.alpha_composite(icon, dest=(1 + 2 * fw + 41, y + (25 - icon.height) // 2))
        colour = (0, 0, 200) if i == 0 else (200, 200, 200)
        d.text((1 + icon.width + 2 * fw + 46, y + 5), label, font=f(12), fill=colour)
    # List at 225,32 .. 748,576: header 30, rows 30.
    d.rectangle((225, 32, 747, 575), fill=(255, 255, 255))
    hdr = m.load("list_hearder.bmp").crop((2, 0, 3, 30)).resize((523, 30))
    img.alpha_composite(hdr, dest=(225, 32))
    cols = [("Name", 150), ("Phone", 170), ("Company", 180), ("Email", 150)]
    x = 225
    for i, (name, w) in enumerate(cols):
        if i:
            d.line((x, 33, x, 61), fill=(210, 210, 210))
        d.text((x + w / 2, 47), name, font=f(12), fill=(0, 0, 0), anchor="mm")
        if i == 0:
            arrow = m.load("inc.png")
            img.alpha_composite(arrow, dest=(x + w - 20, 32 + (30 - arrow.height) // 2))
        x += w
    d.rectangle((230, 39, 243, 52), outline=(120, 120, 120), fill=(255, 255, 255))
    cb = m.load("checkbox.png")
    cw = cb.width // 4
    dele = m.load("deleted.png")
    people = [("Ada Moreno", "555 0101", False, True), ("Ben Okafor", "555 0102", True, True),
              ("Chloe Ward", "555 0103", False, False), ("Dev Patel", "555 0104", True, False),
              ("Elif Kaya", "555 0105", False, True)]
    for r, (name, phone, deleted, checked) in enumerate(people):
        y = 62 + r * 30
        bg = (161, 219, 238) if r == 2 else ((255, 255, 255) if r % 2 else (245, 245, 245))
        d.rectangle((225, y, 747, y + 29), fill=bg)
        d.line((225, y + 29, 747, y + 29), fill=(220, 220, 220))
        img.alpha_composite(cb.crop(((2 if checked else 0) * cw, 0, (3 if checked else 1) * cw, cb.height)),
                            dest=(230, y + (30 - cb.height) // 2))
        tx = 225 + cw + 10
        if deleted:
            img.alpha_composite(dele, dest=(225 + cw + 10, y + (30 - cb.height) // 2))
            tx += dele.width + 5
        colour = (255, 0, 0) if deleted else (0, 0, 0)
        d.text(((tx + 375) / 2, y + 15), name, font=f(12), fill=colour, anchor="mm")
        d.line((375, y, 375, y + 29), fill=(220, 220, 220))
        d.text((460, y + 15), phone, font=f(12), fill=colour, anchor="mm")
        d.line((545, y, 545, y + 29), fill=(220, 220, 220))
    # Message board at 723,34, 251 x 575.
    d.rectangle((723, 34, 973, 608), fill=(244, 247, 250))
    d.line((723, 34, 723, 608), fill=(200, 200, 200))
    d.text((733 + 108, 34 + 15), "Mom  2014-03-02 18:20", font=f(12), fill=(0, 0, 0), anchor="mm")
    bubble(m, img, "in", (0, 30, 150, 30 + 28 + 63 - 28), (733, 34), "Are you coming home\nfor dinner?")
    d.text((733 + 108, 34 + 93 + 15), "Me  2014-03-02 18:24", font=f(12), fill=(0, 0, 0), anchor="mm")
    bubble(m, img, "out", (215 - 120 - 1, 30, 215, 30 + 14 + 36), (733, 34 + 93), "Yes, at seven.")
    if busy:
        d.rectangle((42, 639, 771, 658), fill=(230, 230, 230), outline=(188, 188, 188))
        d.rectangle((43, 640, 300, 657), fill=(6, 176, 37))
        ani = m.load("animate.png")
        img.alpha_composite(ani.crop((18 * 2, 0, 18 * 3, 18)), dest=(20, 641))
        m.button(img, "pause.png", 4, -92, -20, 1)
        m.button(img, "stop.png", 4, -20, -20, 0)
    else:
        m.button(img, "back.png", 3, 20, -20)
        m.button(img, "recover.png", 3, -30, -20, 1)
    title_buttons(m, img)
    return img


def msgbox(m, buttons, icon, text):
    img = m.load("msgbox.png")
    w, h = img.size
    ic = m.load(icon).resize((40, 40))
    img.alpha_composite(ic, dest=(20, (h - 40) // 2))
    d = ImageDraw.Draw(img)
    d.text((40, 7), "Quillfen Retrievo", font=f(12), fill=(255, 255, 255))
    d.multiline_text((70, h / 2), text, font=f(14), fill=(0, 0, 0), anchor="lm")
    m.button(img, "close.png", 4, -5, 5)
    strips = [Image.open(os.path.join(m.dir, b)) for b in buttons]
    bw, bh = strips[0].width // 4, strips[0].height
    if len(buttons) == 1:
        m.button(img, buttons[0], 4, (w - bw) // 2, h - bh - 15)
    else:
        m.button(img, buttons[0], 4, w // 2 - 20 - bw, h - bh - 15, 1)
        m.button(img, buttons[1], 4, w // 2 + 20, h - bh - 15)
    return img


def about(m):
    img = m.load("aboutbk.png")
    d = ImageDraw.Draw(img)
    d.text((38, 7), "Quillfen Retrievo", font=f(11), fill=(255, 255, 255))
    d.text((40, 135), "Version:3.0.0.3", font=f(13), fill=(0, 0, 90))
    d.text((40, 270), "Homepage: https://www.example.com/", font=f(14), fill=(0, 0, 238))
    m.button(img, "close.png", 4, -8, 5)
    m.button(img, "ok.png", 4, -20, -15)
    return img


def sheet(m, names, scale=4):
    """Small pictures side by side, enlarged, on a checker-free grey."""
    pics = [m.load(n) for n in names]
    w = sum(p.width * scale + 12 for p in pics) + 12
    h = max(p.height for p in pics) * scale + 24
    out = Image.new("RGBA", (w, h), (200, 206, 212, 255))
    x = 12
    for p in pics:
        out.alpha_composite(p.resize((p.width * scale, p.height * scale), Image.NEAREST), dest=(x, 12))
        x += p.width * scale + 12
    return out


def main(argv):
    m = Mock(argv[1])
    out = argv[2]
    os.makedirs(out, exist_ok=True)
    connect(m, False).save(os.path.join(out, "mock-main.png"))
    connect(m, True).save(os.path.join(out, "mock-fail.png"))
    results(m, False).save(os.path.join(out, "mock-results.png"))
    results(m, True).save(os.path.join(out, "mock-busy.png"))
    msgbox(m, ["yes.png", "no.png"], "warn.png",
           "Are you sure to go back to reload the data from\nAndroid phone?").save(os.path.join(out, "mock-msgbox.png"))
    msgbox(m, ["ok.png"], "right.png", "Recovering finished, 12 files have been recovered.").save(
        os.path.join(out, "mock-msgbox-ok.png"))
    about(m).save(os.path.join(out, "mock-about.png"))
    sheet(m, ["close.png", "min.png", "menu.png", "btn_home.png", "btn_help.png"]).save(
        os.path.join(out, "sheet-title.png"))
    sheet(m, ["checkbox.png", "checkboxes.png", "deleted.png", "inc.png", "dec.png", "tree_closed.bmp",
              "tree_opened.bmp", "treeroot.png", "contacts.png", "message.png"]).save(
        os.path.join(out, "sheet-small.png"))
    sheet(m, ["animate.png", "contactperson.png", "warn.png", "error.png", "info.png", "right.png"], 3).save(
        os.path.join(out, "sheet-icons.png"))
    sheet(m, ["in_lefttop.bmp", "in_topline.bmp", "in_righttop.bmp", "in_leftline.bmp", "in_rightline.bmp",
              "in_leftbottom.bmp", "in_bottomline.bmp", "in_rightbottom.bmp", "out_lefttop.bmp",
              "out_topline.bmp", "out_righttop.bmp", "out_leftline.bmp", "out_rightline.bmp",
              "out_leftbottom.bmp", "out_bottomline.bmp", "out_rightbottom.bmp"], 5).save(
        os.path.join(out, "sheet-bubbles.png"))
    sheet(m, ["back.png", "pause.png", "continue.png", "stop.png"], 2).save(os.path.join(out, "sheet-buttons1.png"))
    sheet(m, ["recover.png", "refresh.png"], 2).save(os.path.join(out, "sheet-buttons2.png"))
    sheet(m, ["ok.png", "yes.png", "cancel.png", "no.png"], 2).save(os.path.join(out, "sheet-buttons3.png"))
    gif = Image.open(os.path.join(m.dir, "loaddata.gif"))
    frames = []
    for i in range(gif.n_frames):
        gif.seek(i)
        frames.append(gif.convert("RGBA").crop((200, 20, 660, 290)))
    fs = Image.new("RGBA", (460 * 2, 270 * ((len(frames) + 1) // 2)), (255, 255, 255, 255))
    for i, fr in enumerate(frames):
        fs.alpha_composite(fr, dest=((i % 2) * 460, (i // 2) * 270))
    fs.save(os.path.join(out, "sheet-gif.png"))


if __name__ == "__main__":
    main(sys.argv)

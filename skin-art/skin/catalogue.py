"""Every skin picture the program loads: file name, size, frames, role, and how it is drawn."""
from collections import namedtuple
from functools import lru_cache

from PIL import Image

from . import bubbles, buttons, icons, loading, windows
from .kit import BLUE, LINE, MUTED, TEAL, Mask, canvas, darker, paint, vgradient

# width and height are those of the whole file; frames are equal-width states side by side
# (for the GIF: pictures along time).
Picture = namedtuple("Picture", "name width height frames role draw")


def _bmp_chevron(glyph):
    def draw():
        img = canvas(16, 16, (255, 255, 255))
        paint(img, glyph(16).done(), MUTED)
        return img
    return draw


def _list_header():
    img = vgradient(4, 30, (252, 253, 254), (232, 239, 244))
    paint(img, Mask(4, 30).rect((0, 29, 4, 30)), (196, 208, 219))
    return img


@lru_cache(maxsize=None)
def _bubble(kind):
    return (bubbles.received if kind == "in" else bubbles.sent)()[1]


def _piece(kind, part):
    return lambda: _bubble(kind)[part]


def _root_phone():
    img = canvas(14, 20)
    img.alpha_composite(icons.phone(14, 20), dest=(0, 0))
    return img


def _step(n):
    return lambda: windows.step_picture(n)


TB = buttons.title_button
TXT = buttons.text_button
G = icons

PICTURES = [
    # Main window
    Picture("mainbg1.png", 984, 674, 1, "connect page background: title band with the product title, heading, white page",
            windows.main_connect),
    Picture("mainbg2.png", 984, 674, 1, "results page background: title band, hint under the list, status bar from y 609",
            windows.main_results),
    Picture("step1.png", 982, 150, 1, "steps band at (1,74) on the connect page, step 1 (connect the phone) active",
            _step(1)),
    Picture("step2.png", 982, 150, 1, "the same band with step 2 (scan and recover) active", _step(2)),
    Picture("loaddata.gif", 785, 331, loading.FRAMES,
            "loading animation in 120,230..905,561: data moving from the phone to the PC, 100 ms a frame",
            loading.loading_frames),
    Picture("loadfail.png", 785, 331, 1, "failure picture in the same rectangle: broken link, red mark",
            loading.failure),
    Picture("close.png", 80, 20, 4, "close button in the title band: main window (-8,5), message box (-5,5), About box (-8,5)",
            lambda: TB(G.glyph_close, 4, danger=True)),
    Picture("min.png", 80, 20, 4, "minimise button in the title band at (-29,5)", lambda: TB(G.glyph_min, 4)),
    Picture("menu.png", 60, 20, 3, "main menu button in the title band at (-50,5)", lambda: TB(G.glyph_menu, 3)),
    Picture("btn_home.png", 80, 20, 4, "product web page button in the title band at (-120,5)", lambda: TB(G.glyph_home, 4)),
    Picture("btn_help.png", 80, 20, 4, "support page button in the title band at (-90,5)", lambda: TB(G.glyph_help, 4)),
    Picture("back.png", 288, 30, 3, "Back, status bar at (20,-20)", lambda: TXT("Back", 96, 30, 3, "secondary",
                                                                         G.glyph_chevron_left)),
    Picture("pause.png", 272, 30, 4, "Pause, status bar at (-92,-20)", lambda: TXT("Pause", 68, 30, 4, "secondary",
                                                                            G.glyph_pause, 11, True)),
    Picture("continue.png", 272, 30, 4, "Resume, status bar at (-92,-20), in the place of Pause",
            lambda: TXT("Resume", 68, 30, 4, "secondary", G.glyph_play, 11, True)),
    Picture("stop.png", 272, 30, 4, "Stop, status bar at (-20,-20)", lambda: TXT("Stop", 68, 30, 4, "secondary",
                                                                              G.glyph_stop, 11, True)),
    Picture("recover.png", 372, 30, 3, "Recover (save the ticked records), status bar at (-30,-20)",
            lambda: TXT("Recover", 124, 30, 3, "primary", G.glyph_recover)),
    Picture("refresh.png", 372, 30, 3, "Try again after a failed read, connect page at (-30,-35)",
            lambda: TXT("Try again", 124, 30, 3, "primary", G.glyph_refresh)),
    Picture("animate.png", 144, 18, 8, "busy animation at (20,641) on the status bar colour RGB(240,240,239)",
            loading.spinner),
    # Result list
    Picture("checkbox.png", 64, 16, 4, "row check box: 0 unchecked, 1 unchecked hover, 2 checked, 3 checked hover",
            buttons.list_checkbox),
    Picture("deleted.png", 16, 16, 1, "marker of a deleted record, after the row's check box",
            lambda: G.trash(16)),
    Picture("inc.png", 10, 6, 1, "ascending sort arrow in the list header", lambda: buttons.sort_arrow(True)),
    Picture("dec.png", 10, 6, 1, "descending sort arrow in the list header", lambda: buttons.sort_arrow(False)),
    Picture("list_hearder.bmp", 4, 30, 1, "list header background, column x 2 stretched over the header",
            _list_header),
    # Category tree
    Picture("tree_closed.bmp", 16, 16, 1, "expander of the collapsed root, white background",
            _bmp_chevron(G.glyph_chevron_right)),
    Picture("tree_opened.bmp", 16, 16, 1, "expander of the expanded root, white background",
            _bmp_chevron(G.glyph_chevron_down)),
    Picture("checkboxes.png", 80, 16, 5,
            "node check box: 0 unchecked, 1 unchecked hover, 2 partly checked, 3 checked, 4 disabled",
            buttons.tree_checkbox),
    Picture("treeroot.png", 14, 20, 1, "phone icon of the root node", _root_phone),
    Picture("contacts.png", 20, 20, 1, "Contacts category icon", lambda: G.contact_card(20, BLUE)),
    Picture("message.png", 20, 20, 1, "Message category icon", lambda: G.speech(20, darker(TEAL, 0.05))),
    # Contact board
    Picture("contactperson.png", 62, 62, 1, "person picture at (20,20) of the contact board (its width places the name)",
            lambda: G.person(62, (255, 255, 255), bg=(120, 170, 206))),
]

for kind, sizes in (("in", {"lefttop": (18, 15), "leftbottom": (18, 18), "righttop": (12, 15),
                            "rightbottom": (12, 18), "topline": (4, 15), "bottomline": (4, 18),
                            "leftline": (18, 4), "rightline": (12, 4)}),
                    ("out", {"lefttop": (12, 18), "leftbottom": (12, 18), "righttop": (18, 18),
                             "rightbottom": (18, 18), "topline": (4, 18), "bottomline": (4, 18),
                             "leftline": (12, 4), "rightline": (18, 4)})):
    for part, (w, h) in sizes.items():
        what = "received (grey, left)" if kind == "in" else "sent (green, right)"
        if part.endswith("line"):
            along = "column" if part in ("topline", "bottomline") else "row"
            role = f"{what} bubble, {part[:-4]} edge, stretched from its first {along}"
        else:
            role = f"{what} bubble, {part} corner"
        PICTURES.append(Picture(f"{kind}_{part}.bmp", w, h, 1, role, _piece(kind, part)))

PICTURES += [
    # Message box and About box
    Picture("msgbox.png", 420, 190, 1, "message box background: band (title by the program), body, button footer",
            windows.msgbox),
    Picture("warn.png", 40, 40, 1, "message box icon: warning", lambda: G.status_icon(40, "warn")),
    Picture("error.png", 40, 40, 1, "message box icon: error", lambda: G.status_icon(40, "error")),
    Picture("info.png", 40, 40, 1, "message box icon: information", lambda: G.status_icon(40, "info")),
    Picture("right.png", 40, 40, 1, "message box icon: success", lambda: G.status_icon(40, "right")),
    Picture("ok.png", 320, 28, 4, "OK, message box and About box (-20,-15)", lambda: TXT("OK", 80, 28, 4, "primary")),
    Picture("yes.png", 320, 28, 4, "Yes, message box", lambda: TXT("Yes", 80, 28, 4, "primary")),
    Picture("cancel.png", 320, 28, 4, "Cancel, message box", lambda: TXT("Cancel", 80, 28, 4, "secondary")),
    Picture("no.png", 320, 28, 4, "No, message box", lambda: TXT("No", 80, 28, 4, "secondary")),
    Picture("aboutbk.png", 520, 320, 1, "About box background: band, logo and product name, link row at y 270",
            windows.aboutbk),
]

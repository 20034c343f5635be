"""Draws every skin picture into the given folder, checks them and writes PICTURES.md.

Usage: python3 -m skin OUT_DIR [PICTURES_MD]
"""
import os
import sys

from PIL import Image

from . import loading
from .catalogue import PICTURES
from .kit import save_bmp, save_png


def draw_all(out):
    os.makedirs(out, exist_ok=True)
    for p in PICTURES:
        path = os.path.join(out, p.name)
        img = p.draw()
        if p.name.endswith(".gif"):
            loading.save_loading_gif(img, path)
        elif p.name.endswith(".bmp"):
            save_bmp(img, path)
        else:
            save_png(img, path)


def check(out):
    """Every listed picture exists, has its size, and splits into whole frames."""
    faults = []
    for p in PICTURES:
        path = os.path.join(out, p.name)
        if not os.path.exists(path):
            faults.append(f"{p.name}: missing")
            continue
        with Image.open(path) as img:
            if img.size != (p.width, p.height):
                faults.append(f"{p.name}: {img.size} instead of {(p.width, p.height)}")
            if p.name.endswith(".gif"):
                n = getattr(img, "n_frames", 1)
                if n != p.frames or not img.info.get("duration"):
                    faults.append(f"{p.name}: {n} frames, delay {img.info.get('duration')}")
            elif p.width % p.frames:
                faults.append(f"{p.name}: width {p.width} does not split into {p.frames} frames")
            if p.name.endswith(".bmp") and img.mode != "RGB":
                faults.append(f"{p.name}: mode {img.mode}, want 24-bit")
    names = {p.name for p in PICTURES}
    extra = sorted(set(os.listdir(out)) - names - {"CMakeLists.txt"})
    faults += [f"{n}: not a listed picture" for n in extra]
    return faults


def write_list(path):
    rows = ["# Skin pictures", "",
            "Every picture the program loads from its `image` folder. Frames are equal-width",
            "state pictures side by side; for `loaddata.gif` they are pictures along time.",
            "Buttons: frame 0 normal, 1 hover, 2 pressed, 3 inactive (3-frame buttons have no",
            "inactive frame). Drawn by `skin-art/render`; this file is written by it too.", "",
            "| file | size (px) | frames | frame size | role |", "|---|---|---|---|---|"]
    for p in PICTURES:
        fw = p.width if p.name.endswith(".gif") else p.width // p.frames
        rows.append(f"| {p.name} | {p.width} x {p.height} | {p.frames} | {fw} x {p.height} | {p.role} |")
    with open(path, "w") as f:
        f.write("\n".join(rows) + "\n")


def main(argv):
    out = argv[1]
    draw_all(out)
    if len(argv) > 2:
        write_list(argv[2])
    faults = check(out)
    for f in faults:
        print("fault:", f, file=sys.stderr)
    print(f"{len(PICTURES) - len(faults)} passed, {len(faults)} failed")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

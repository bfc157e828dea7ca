#!/usr/bin/python3
"""Compose the playfield as the game first shows it, for looking at the art.

    /usr/bin/python3 tools/art/preview.py [OUT.png] [--pictures DIR] [--scale N]
                                          [--all-rows] [--empty-bays]

Every sprite is put at its design place (twips / 15 = pixels) over the
window's dark green, in the game's drawing order.  The five filled-bay toads
are shown unless --empty-bays; --all-rows puts a toad on every row it can
stand on, to check that the scenery lines up with the rows.  --scale writes a
nearest-neighbour enlargement beside the picture as well (OUT-2x.png).
"""

import argparse
import os
import sys

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
WINDOW_GREEN = (0, 64, 0)
TWIPS = 15

# (picture, Left, Top) in twips, back to front as the game draws them
SPRITES = [
    ("background", 0, 360),
    ("water", 0, 825),
    ("frog_south", 1050, 30),  # spare lives
    ("frog_south", 690, 30),
    ("log1", 3105, 1845),
    ("turtle", 6435, 2295), ("turtle", 5895, 2295), ("turtle", 5355, 2295),
    ("turtle", 1980, 2295), ("turtle", 1440, 2295), ("turtle", 900, 2295),
    ("log2", 4635, 1440),
    ("log3", 585, 1440),
    ("turtle", 6300, 900), ("turtle", 5760, 900), ("turtle", 3690, 945),
    ("turtle", 3150, 945), ("turtle", 1170, 945), ("turtle", 630, 945),
    ("TOAD", 0, 0),
    ("time_bar", 3675, 60),
    ("car8", 330, 3195), ("car9", 3960, 3195), ("car7", 1875, 3825),
    ("car4", 345, 4305), ("car5", 1800, 4335), ("car6", 3285, 4335),
    ("car1", 300, 4905), ("car2", 3075, 4905), ("car3", 5835, 4905), ("car10", 4680, 4320),
    ("BAYS", 0, 0),
]
BAY_LEFTS = [390, 1755, 3195, 4620, 6020]
# the toad's Top on each row it can stand on, start strip to the top river lane
ROW_TOPS = [5460, 4960, 4410, 3860, 3280, 2760, 2300, 1840, 1440, 900]
TIME_BAR = (3675, 60, 3000, 225)
LABELS = [("Lives:", 45, 45), ("Score:", 1620, 45), ("0", 2720, 75), ("Time:", 3045, 45)]


def px(twips):
    return round(twips / TWIPS)


def compose(pictures, all_rows=False, empty_bays=False):
    def load(stem):
        path = os.path.join(pictures, stem + ".gif")
        try:
            return Image.open(path).convert("RGBA")
        except OSError as err:
            raise SystemExit(f"preview: cannot read {path}: {err}")

    field = Image.new("RGBA", (450, 400), WINDOW_GREEN + (255,))
    draw = ImageDraw.Draw(field)
    for stem, left, top in SPRITES:
        if stem == "TOAD":
            toad = load("frog_north")
            tops = ROW_TOPS if all_rows else ROW_TOPS[:1]
            for i, t in enumerate(tops):
                field.alpha_composite(toad, (px(3255 + (i % 2) * 1500 if all_rows else 3255), px(t)))
            for text, x, y in LABELS:
                draw.text((px(x), px(y)), text, fill=(255, 255, 255, 255))
        elif stem == "BAYS":
            if not empty_bays:
                icon = load("frog_south")
                for left_twips in BAY_LEFTS:
                    field.alpha_composite(icon, (px(left_twips), px(495)))
        elif stem == "time_bar":
            bar = load("time_bar").resize((px(TIME_BAR[2]), px(TIME_BAR[3])), Image.NEAREST)
            field.alpha_composite(bar, (px(left), px(top)))
        else:
            field.alpha_composite(load(stem), (px(left), px(top)))
    # the music bar below the playfield
    draw.rectangle((0, px(5880), 449, px(5880) + 5), fill=(255, 128, 0, 255), outline=(255, 255, 0, 255))
    return field


def main(argv=None):
    parser = argparse.ArgumentParser(description="Compose a preview of the playfield.")
    parser.add_argument("out", nargs="?", default="/tmp/preview.png")
    parser.add_argument("--pictures", default=os.path.join(HERE, "..", "..", "assets", "pictures"))
    parser.add_argument("--scale", type=int, default=2, help="also write an enlargement (0: none)")
    parser.add_argument("--all-rows", action="store_true", help="a toad on every row")
    parser.add_argument("--empty-bays", action="store_true", help="leave the home bays empty")
    args = parser.parse_args(argv)
    if args.scale < 0 or args.scale > 8:
        print("preview: --scale must be 0 to 8", file=sys.stderr)
        return 1
    field = compose(args.pictures, args.all_rows, args.empty_bays)
    field.convert("RGB").save(args.out)
    written = [args.out]
    if args.scale > 1:
        stem, ext = os.path.splitext(args.out)
        big = f"{stem}-{args.scale}x{ext or '.png'}"
        field.resize((450 * args.scale, 400 * args.scale), Image.NEAREST).convert("RGB").save(big)
        written.append(big)
    print("wrote " + ", ".join(written))
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Draw every picture of Lilyhops and write them as GIFs.

    /usr/bin/python3 tools/art/make_pictures.py [--out DIR] [--only STEM ...]

The colours come from palette.txt beside this script; the drawings from the
modules scenery, river, vehicles, toad and extras.  Each picture is checked
against the size the game places it at before it is written.  The output
goes to assets/pictures/ unless --out says otherwise.  Drawing the icon also
writes its PNGs for the desktop's hicolor icon theme, to assets/icons/ (or to
icons/ inside the --out folder) unless --icons says otherwise.
"""

import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from artlib import ArtError, parse_palette, save_gif  # noqa: E402

# stem: (width, height) in pixels, as the game lays the pictures out
SIZES = {
    "background": (450, 367),
    "water": (450, 124),
    "car1": (50, 30),
    "car2": (49, 28),
    "car3": (49, 28),
    "car4": (65, 35),
    "car5": (67, 31),
    "car6": (63, 33),
    "car7": (55, 26),
    "car8": (150, 36),
    "car9": (171, 36),
    "car10": (63, 32),
    "turtle": (38, 22),
    "log1": (231, 23),
    "log2": (128, 23),
    "log3": (128, 23),
    "frog_north": (22, 24),
    "frog_south": (22, 19),
    "frog_east": (22, 28),
    "frog_west": (23, 26),
    "frog_dead": (41, 29),
    "frog_drowned": (34, 23),
    "time_bar": (226, 15),
    "about": (68, 69),
    "icon": (32, 32),
    "pointer_blank": (32, 32),
}


def builders():
    import extras
    import river
    import scenery
    import toad
    import vehicles

    table = {}
    table.update(scenery.BUILDERS)
    table.update(river.BUILDERS)
    table.update({stem: (lambda s=stem: vehicles.build(s)) for stem in vehicles.BUILDERS})
    table.update(toad.BUILDERS)
    table.update(extras.BUILDERS)
    return table


def load_palette(path=None):
    path = path or os.path.join(HERE, "palette.txt")
    try:
        with open(path, encoding="utf-8") as f:
            text = f.read()
    except OSError as err:
        raise ArtError(f"cannot read the palette {path}: {err.strerror}") from None
    return parse_palette(text, os.path.basename(path))


def draw(stem, palette):
    """Draw one picture and check its size and colours; returns the canvas."""
    table = builders()
    if stem not in SIZES or stem not in table:
        raise ArtError(f"no picture called {stem!r}; known: {', '.join(sorted(SIZES))}")
    return draw_checked(stem, table[stem](), SIZES[stem], palette)


def draw_checked(what, canvas, want, palette):
    """The canvas, once its size and colours are checked."""
    if (canvas.width, canvas.height) != want:
        raise ArtError(f"{what}: drawn {canvas.width}x{canvas.height}, the game needs {want[0]}x{want[1]}")
    for row in canvas.cells:
        for name in row:
            if name is not None and name not in palette:
                raise ArtError(f"{what}: colour {name!r} is not in the palette")
    return canvas


def main(argv=None):
    parser = argparse.ArgumentParser(description="Draw Lilyhops' pictures as GIF files.")
    parser.add_argument("--out", help="folder for the GIF files (default: assets/pictures)")
    parser.add_argument("--palette", help="palette file (default: palette.txt beside this script)")
    parser.add_argument("--only", nargs="+", metavar="STEM", help="draw only these pictures")
    parser.add_argument("--icons", help="folder for the desktop icons made with the icon "
                                         "(default: assets/icons, or DIR/icons with --out DIR)")
    args = parser.parse_args(argv)
    # A run into another folder keeps everything it makes there.
    assets = os.path.join(HERE, "..", "..", "assets")
    args.icons = args.icons or (os.path.join(args.out, "icons") if args.out else os.path.join(assets, "icons"))
    args.out = args.out or os.path.join(assets, "pictures")
    try:
        palette = load_palette(args.palette)
        stems = args.only or list(SIZES)
        for stem in stems:
            if stem not in SIZES:
                raise ArtError(f"no picture called {stem!r}; known: {', '.join(sorted(SIZES))}")
        os.makedirs(args.out, exist_ok=True)
        for stem in stems:
            canvas = draw(stem, palette)
            path = os.path.join(args.out, stem + ".gif")
            try:
                save_gif(canvas, palette, path)
            except OSError as err:
                raise ArtError(f"cannot write {path}: {err.strerror}") from None
        print(f"wrote {len(stems)} pictures to {os.path.normpath(args.out)}")
        if "icon" in stems:
            import extras
            import icons

            drawings = {size: (lambda s=size: extras.icon_drawing(s)) for size in extras.ICON_DRAWINGS}
            for size in drawings:
                draw_checked(f"icon at {size} px", drawings[size](), (size, size), palette)
            count = icons.write_icons(drawings, palette, args.icons)
            print(f"wrote {count} desktop icons to {os.path.normpath(args.icons)}")
    except ArtError as err:
        print(f"make_pictures: {err}", file=sys.stderr)
        return 1
    except OSError as err:
        print(f"make_pictures: {err}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

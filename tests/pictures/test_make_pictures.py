"""Tests of the picture generator in tools/art (run with Debian's /usr/bin/python3)."""

import contextlib
import io
import os
import sys
import tempfile
import unittest

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
ART = os.path.join(REPO, "tools", "art")
sys.path.insert(0, ART)

from PIL import Image  # noqa: E402

import make_pictures  # noqa: E402
from artlib import ArtError, Canvas, parse_palette, save_gif  # noqa: E402


def rgba(path):
    with Image.open(path) as img:
        return img.size, list(img.convert("RGBA").getdata())


def run_main(args):
    err = io.StringIO()
    with contextlib.redirect_stderr(err), contextlib.redirect_stdout(io.StringIO()):
        code = make_pictures.main(args)
    return code, err.getvalue()


class CommittedPicturesAreUpToDate(unittest.TestCase):
    """The GIFs in assets/pictures are what the sources draw today."""

    def test_regenerating_reproduces_every_committed_picture(self):
        with tempfile.TemporaryDirectory() as out:
            code, err = run_main(["--out", out])
            self.assertEqual(code, 0, err)
            for stem, size in make_pictures.SIZES.items():
                fresh = rgba(os.path.join(out, stem + ".gif"))
                committed = rgba(os.path.join(REPO, "assets", "pictures", stem + ".gif"))
                self.assertEqual(fresh[0], size, stem)
                self.assertEqual(fresh, committed, f"{stem}.gif is stale: run tools/art/make_pictures.py")


class PaletteDrivesTheColours(unittest.TestCase):
    def test_changing_a_colour_in_the_palette_recolours_the_pictures_using_it(self):
        with open(os.path.join(ART, "palette.txt"), encoding="utf-8") as f:
            text = f.read()
        changed = text.replace("toad_mid     = #3c9c36", "toad_mid     = #123456")
        self.assertNotEqual(changed, text)
        with tempfile.TemporaryDirectory() as out:
            palette = os.path.join(out, "palette.txt")
            with open(palette, "w", encoding="utf-8") as f:
                f.write(changed)
            code, err = run_main(["--out", out, "--palette", palette, "--only", "frog_north", "car1"])
            self.assertEqual(code, 0, err)
            _, toad = rgba(os.path.join(out, "frog_north.gif"))
            _, car = rgba(os.path.join(out, "car1.gif"))
        self.assertIn((0x12, 0x34, 0x56, 255), toad)
        self.assertNotIn((0x3C, 0x9C, 0x36, 255), toad)
        self.assertNotIn((0x12, 0x34, 0x56, 255), car)

    def test_palette_lines_are_read_with_comments_and_checked(self):
        colours = parse_palette("# a comment\n\nink = #140f1c   # outlines\nsky=#8080FF\n")
        self.assertEqual(colours, {"ink": (0x14, 0x0F, 0x1C), "sky": (0x80, 0x80, 0xFF)})
        for bad, message in (
            ("ink = #14f1c\n", "palette:1"),
            ("ink = 140f1c\n", "expected 'name = #rrggbb'"),
            ("ink = #140f1c\nink = #000000\n", "defined twice"),
            ("# nothing\n", "no colours"),
        ):
            with self.subTest(bad=bad), self.assertRaisesRegex(ArtError, message):
                parse_palette(bad)


class OnlyTheToadLooksLikeAToad(unittest.TestCase):
    """A player tells the toad apart by its colours: nothing it must dodge or
    ride may wear them, or a lorry's logo reads as a second toad in the lane."""

    def test_vehicles_logs_turtles_and_scenery_use_no_toad_colour(self):
        import river
        import scenery
        import vehicles

        for module in (vehicles, river, scenery):
            for stem in module.BUILDERS:
                with self.subTest(stem=stem):
                    canvas = module.BUILDERS[stem]()
                    used = {c for row in canvas.cells for c in row if c}
                    self.assertEqual(sorted(c for c in used if c.startswith("toad_")), [])


class GifOutput(unittest.TestCase):
    def test_see_through_cells_become_the_transparent_colour(self):
        cv = Canvas(3, 2)
        cv.put(0, 0, "a")
        cv.put(2, 1, "b")
        with tempfile.TemporaryDirectory() as out:
            path = os.path.join(out, "t.gif")
            save_gif(cv, {"a": (10, 20, 30), "b": (200, 100, 0)}, path)
            with Image.open(path) as img:
                self.assertEqual(img.format, "GIF")
                self.assertEqual(img.info.get("transparency"), 0)
            size, data = rgba(path)
        self.assertEqual(size, (3, 2))
        self.assertEqual(data[0], (10, 20, 30, 255))
        self.assertEqual(data[5], (200, 100, 0, 255))
        self.assertEqual([p[3] for p in data[1:5]], [0, 0, 0, 0])

    def test_colours_outside_the_palette_or_clashing_with_see_through_are_refused(self):
        cv = Canvas(1, 1)
        cv.put(0, 0, "missing")
        with tempfile.TemporaryDirectory() as out:
            with self.assertRaisesRegex(ArtError, "'missing' is not in the palette"):
                save_gif(cv, {"a": (1, 2, 3)}, os.path.join(out, "t.gif"))
            cv.put(0, 0, "magenta")
            with self.assertRaisesRegex(ArtError, "see-through"):
                save_gif(cv, {"magenta": (255, 0, 255)}, os.path.join(out, "t.gif"))


class BadInputIsReported(unittest.TestCase):
    """Mistakes end with a one-line message on stderr and exit status 1."""

    def test_unknown_picture(self):
        code, err = run_main(["--out", tempfile.gettempdir(), "--only", "car11"])
        self.assertEqual(code, 1)
        self.assertIn("no picture called 'car11'", err)

    def test_missing_or_broken_palette(self):
        with tempfile.TemporaryDirectory() as out:
            code, err = run_main(["--out", out, "--palette", os.path.join(out, "none.txt")])
            self.assertEqual(code, 1)
            self.assertIn("cannot read the palette", err)
            broken = os.path.join(out, "broken.txt")
            with open(broken, "w", encoding="utf-8") as f:
                f.write("ink = #140f1c\ntoad_mid = green\n")
            code, err = run_main(["--out", out, "--palette", broken, "--only", "turtle"])
            self.assertEqual(code, 1)
            self.assertIn("broken.txt:2", err)
            self.assertEqual(os.listdir(out), ["broken.txt"])

    def test_palette_missing_a_colour_a_picture_needs(self):
        with tempfile.TemporaryDirectory() as out:
            small = os.path.join(out, "small.txt")
            with open(small, "w", encoding="utf-8") as f:
                f.write("ink = #140f1c\n")
            code, err = run_main(["--out", out, "--palette", small, "--only", "log2"])
        self.assertEqual(code, 1)
        self.assertRegex(err, r"log2: colour '\w+' is not in the palette")

    def test_unwritable_output(self):
        with tempfile.TemporaryDirectory() as out:
            blocker = os.path.join(out, "file")
            open(blocker, "w").close()
            code, err = run_main(["--out", blocker, "--only", "icon"])
        self.assertEqual(code, 1)
        self.assertIn("make_pictures:", err)


if __name__ == "__main__":
    unittest.main()

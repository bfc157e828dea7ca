"""Tests of the desktop icons that the picture generator makes from the game's icon."""

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

import extras  # noqa: E402
import icons  # noqa: E402
import make_pictures  # noqa: E402
from artlib import ArtError, Canvas  # noqa: E402

COMMITTED = os.path.join(REPO, "assets", "icons")


def pixels(path):
    with Image.open(path) as img:
        return img.size, list(img.convert("RGBA").getdata())


def run_main(args):
    err = io.StringIO()
    with contextlib.redirect_stderr(err), contextlib.redirect_stdout(io.StringIO()):
        code = make_pictures.main(args)
    return code, err.getvalue()


class CommittedIconsAreUpToDate(unittest.TestCase):
    def test_drawing_the_icon_rewrites_every_desktop_icon_as_committed(self):
        with tempfile.TemporaryDirectory() as out:
            code, err = run_main(["--out", out, "--icons", os.path.join(out, "icons"), "--only", "icon"])
            self.assertEqual(code, 0, err)
            for size in icons.HICOLOR_SIZES:
                fresh = pixels(icons.icon_file(os.path.join(out, "icons"), size))
                committed = pixels(icons.icon_file(COMMITTED, size))
                self.assertEqual(fresh, committed, f"icon-{size}.png is stale: run tools/art/make_pictures.py")

    def test_a_run_into_another_folder_keeps_the_icons_there(self):
        with tempfile.TemporaryDirectory() as out:
            code, err = run_main(["--out", out, "--only", "icon"])
            self.assertEqual(code, 0, err)
            self.assertEqual(sorted(os.listdir(os.path.join(out, "icons"))),
                             sorted(f"icon-{size}.png" for size in icons.HICOLOR_SIZES))

    def test_drawing_other_pictures_leaves_the_icons_alone(self):
        with tempfile.TemporaryDirectory() as out:
            code, err = run_main(["--out", out, "--icons", os.path.join(out, "icons"), "--only", "turtle"])
            self.assertEqual(code, 0, err)
            self.assertFalse(os.path.exists(os.path.join(out, "icons")))


class IconsAreWholeNumberEnlargements(unittest.TestCase):
    """Every pixel of a drawing becomes a sharp square block: no blurred or new colours."""

    def assert_blocks_of(self, big_path, small_size, small_pixels, factor):
        size, big = pixels(big_path)
        self.assertEqual(size, (small_size * factor, small_size * factor))
        width = small_size * factor
        for y in range(width):
            for x in range(width):
                want = small_pixels[(y // factor) * small_size + x // factor]
                got = big[y * width + x]
                if want[3] == 0:
                    self.assertEqual(got[3], 0, f"({x}, {y}) of {big_path} should be see-through")
                else:
                    self.assertEqual(got, want, f"({x}, {y}) of {big_path}")

    def test_the_large_icons_are_the_window_icon_enlarged(self):
        window_icon = pixels(os.path.join(REPO, "assets", "pictures", "icon.gif"))
        self.assertEqual(window_icon[0], (32, 32))
        for size in (32, 64, 128, 256):
            with self.subTest(size=size):
                self.assert_blocks_of(icons.icon_file(COMMITTED, size), 32, window_icon[1], size // 32)

    def test_48_is_the_24_pixel_drawing_doubled(self):
        _, small = pixels(icons.icon_file(COMMITTED, 24))
        self.assert_blocks_of(icons.icon_file(COMMITTED, 48), 24, small, 2)

    def test_every_hicolor_size_is_there_with_a_see_through_background(self):
        for size in icons.HICOLOR_SIZES:
            with self.subTest(size=size):
                (w, h), data = pixels(icons.icon_file(COMMITTED, size))
                self.assertEqual((w, h), (size, size))
                self.assertEqual(data[0][3], 0, "top-left corner")
                self.assertEqual(data[w - 1][3], 0, "top-right corner")
                self.assertEqual({p[3] for p in data}, {0, 255}, "only clear or solid pixels")
                opaque = sum(1 for p in data if p[3] == 255)
                self.assertGreater(opaque, size * size // 2, "the toad fills most of the icon")

    def test_the_small_drawings_are_the_same_toad_in_the_same_colours(self):
        def colours(size):
            cv = extras.icon_drawing(size)
            return {name for row in cv.cells for name in row if name is not None}

        self.assertEqual(colours(16) - colours(32), set())
        self.assertEqual(colours(24) - colours(32), set())
        self.assertIn("toad_eye", colours(16))


class Enlarging(unittest.TestCase):
    def test_each_cell_becomes_a_block(self):
        cv = Canvas(2, 1)
        cv.put(0, 0, "a")
        big = icons.enlarge(cv, 3)
        self.assertEqual((big.width, big.height), (6, 3))
        self.assertEqual(big.cells, [["a", "a", "a", None, None, None]] * 3)

    def test_only_whole_factors(self):
        for factor in (0, -2, 1.5):
            with self.subTest(factor=factor), self.assertRaisesRegex(ArtError, "whole number"):
                icons.enlarge(Canvas(1, 1), factor)

    def test_each_size_takes_the_largest_drawing_that_divides_it(self):
        drawn = (16, 24, 32)
        self.assertEqual(icons.source_for(16, drawn), (16, 1))
        self.assertEqual(icons.source_for(48, drawn), (24, 2))
        self.assertEqual(icons.source_for(64, drawn), (32, 2))
        self.assertEqual(icons.source_for(96, drawn), (32, 3))
        with self.assertRaisesRegex(ArtError, "no icon drawing fits 20 pixels"):
            icons.source_for(20, drawn)

    def test_an_unwritable_icon_folder_is_reported(self):
        with tempfile.TemporaryDirectory() as out:
            blocker = os.path.join(out, "file")
            open(blocker, "w").close()
            code, err = run_main(["--out", out, "--icons", blocker, "--only", "icon"])
        self.assertEqual(code, 1)
        self.assertIn("make_pictures:", err)


if __name__ == "__main__":
    unittest.main()

"""The game as an install leaves it: the layout, the desktop entry, the
metainfo, the manual pages, and the release's number and date wherever they
are written."""

import configparser
import gzip
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET

SOURCE = os.environ.get("LILYHOPS_SOURCE", ".")
BUILD = os.environ.get("LILYHOPS_BUILD", "build")
VERSION = os.environ.get("LILYHOPS_VERSION", "2.0")
RELEASE_DATE = os.environ.get("LILYHOPS_RELEASE_DATE", "")
METAINFO = os.environ.get("LILYHOPS_METAINFO", "")
DESKTOP_ENTRY = os.environ.get("LILYHOPS_DESKTOP_ENTRY", "")
GAMESDIR = os.environ.get("LILYHOPS_GAMESDIR", "games")
PROGRAMDIR = os.environ.get("LILYHOPS_PROGRAMDIR", "lib/games/lilyhops")
APP_ID = "org.lilyhops.Lilyhops"

SOUNDS = ["move.wav", "killoff.wav", "gameover.wav", "success.wav",
          "OrigBogt.mid", "Pelto64.mid", "VraxHeav.mid", "TollBrdg.mid"]
ICON_SIZES = [16, 24, 32, 48, 64, 128, 256]


def render_man(path):
    """The page as man shows it, and man's warnings about it."""
    r = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", path],
                       capture_output=True, env=dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80"))
    page = subprocess.run(["man", "-l", path], capture_output=True, text=True,
                          env=dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80", MAN_KEEP_FORMATTING="0",
                                   MANPAGER="cat", PAGER="cat"))
    return re.sub(r".\x08", "", page.stdout), r.stderr.decode()


class InstallLayout(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = tempfile.mkdtemp()
        r = subprocess.run(["cmake", "--install", BUILD, "--prefix", cls.prefix],
                           capture_output=True, text=True)
        if r.returncode != 0:
            raise AssertionError("cmake --install failed:\n" + r.stdout + r.stderr)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.prefix)

    def path(self, *parts):
        return os.path.join(self.prefix, *parts)

    def test_the_game_lies_in_its_own_folder_with_everything_it_reads(self):
        folder = self.path(PROGRAMDIR)
        self.assertTrue(os.access(os.path.join(folder, "lilyhops"), os.X_OK))
        for name in SOUNDS + ["Credits.rtf"]:
            with self.subTest(name=name):
                self.assertTrue(os.path.isfile(os.path.join(folder, name)))

    def test_the_commands_on_the_path_lead_to_the_programs(self):
        link = self.path(GAMESDIR, "lilyhops")
        self.assertTrue(os.path.islink(link))
        self.assertFalse(os.path.isabs(os.readlink(link)), "a relative link survives a move of the prefix")
        self.assertEqual(os.path.realpath(link), os.path.realpath(self.path(PROGRAMDIR, "lilyhops")))
        for command, name in ((link, "lilyhops"), (self.path(GAMESDIR, "lilyhops-script"), "lilyhops-script")):
            with self.subTest(command=name):
                r = subprocess.run([command, "--version"], capture_output=True, text=True)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(r.stdout.splitlines()[0], f"{name} {VERSION}")

    def test_the_moved_installation_still_works_through_its_link(self):
        moved = tempfile.mkdtemp()
        try:
            target = os.path.join(moved, "elsewhere")
            shutil.copytree(self.prefix, target, symlinks=True)
            r = subprocess.run([os.path.join(target, GAMESDIR, "lilyhops"), "--help"],
                               capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, r.stderr)
        finally:
            shutil.rmtree(moved)

    def test_desktop_entry_metainfo_and_icons_are_where_desktops_look(self):
        self.assertTrue(os.path.isfile(self.path("share", "applications", APP_ID + ".desktop")))
        self.assertTrue(os.path.isfile(self.path("share", "metainfo", APP_ID + ".metainfo.xml")))
        for size in ICON_SIZES:
            with self.subTest(size=size):
                icon = self.path("share", "icons", "hicolor", f"{size}x{size}", "apps", APP_ID + ".png")
                with open(icon, "rb") as f:
                    header = f.read(24)
                self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n")
                self.assertEqual((int.from_bytes(header[16:20], "big"), int.from_bytes(header[20:24], "big")),
                                 (size, size))

    def test_manual_pages_are_installed_compressed_and_render_cleanly(self):
        for page in ("lilyhops", "lilyhops-script"):
            with self.subTest(page=page):
                path = self.path("share", "man", "man6", page + ".6.gz")
                with gzip.open(path, "rt", encoding="utf-8") as f:
                    self.assertIn(f'.TH "{page}" "6"', f.read())
                text, warnings = render_man(path)
                self.assertEqual(warnings, "")
                self.assertIn(f"Lilyhops {VERSION}", text)

    def test_copyright_names_both_licences(self):
        with open(self.path("share", "doc", "lilyhops", "copyright"), encoding="utf-8") as f:
            text = f.read()
        self.assertTrue(text.startswith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"))
        self.assertIn("License: Expat", text)
        self.assertIn("License: CC0-1.0", text)


class DesktopEntry(unittest.TestCase):
    def setUp(self):
        self.entry = configparser.ConfigParser(interpolation=None)
        self.entry.optionxform = str
        self.entry.read(DESKTOP_ENTRY, encoding="utf-8")
        self.fields = self.entry["Desktop Entry"]

    @unittest.skipUnless(shutil.which("desktop-file-validate"), "desktop-file-utils is not installed")
    def test_it_validates(self):
        r = subprocess.run(["desktop-file-validate", DESKTOP_ENTRY], capture_output=True, text=True)
        self.assertEqual((r.returncode, r.stdout + r.stderr), (0, ""))

    def test_a_game_in_the_arcade_category_that_starts_the_command_on_the_path(self):
        self.assertEqual(self.fields["Type"], "Application")
        self.assertEqual(self.fields["Exec"], "lilyhops")
        self.assertEqual(self.fields["Icon"], APP_ID)
        self.assertEqual(set(self.fields["Categories"].strip(";").split(";")), {"Game", "ArcadeGame"})
        # The window's class on X11, so that the desktop ties the window to this entry.
        self.assertEqual(self.fields["StartupWMClass"], "Lilyhops")
        self.assertEqual(os.path.basename(DESKTOP_ENTRY), APP_ID + ".desktop")


class Metainfo(unittest.TestCase):
    def setUp(self):
        self.root = ET.parse(METAINFO).getroot()

    @unittest.skipUnless(shutil.which("appstreamcli"), "appstream is not installed")
    def test_it_validates(self):
        r = subprocess.run(["appstreamcli", "validate", "--no-net", METAINFO], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertNotRegex(r.stdout, r"(?m)^[EW]:")

    def test_it_names_the_desktop_entry_the_licences_and_the_rating(self):
        self.assertEqual(self.root.findtext("id"), APP_ID)
        self.assertEqual(self.root.find("launchable").text, APP_ID + ".desktop")
        self.assertEqual(self.root.findtext("project_license"), "MIT AND CC0-1.0")
        self.assertEqual(self.root.find("content_rating").get("type"), "oars-1.1")

    def test_the_screenshots_are_the_ones_in_docs(self):
        images = [img.text for img in self.root.iter("image")]
        self.assertEqual(len(images), 2)
        for url in images:
            with self.subTest(url=url):
                self.assertRegex(url, r"^https://.+/docs/[a-z]+\.png$")
                self.assertTrue(os.path.isfile(os.path.join(SOURCE, "docs", os.path.basename(url))))


class ReleaseAgrees(unittest.TestCase):
    """A new release changes its number in CMake; these catch the places that must follow."""

    def test_the_newest_metainfo_release_is_this_one(self):
        newest = ET.parse(METAINFO).getroot().find("releases/release")
        self.assertEqual((newest.get("version"), newest.get("date")), (VERSION, RELEASE_DATE))

    def test_the_package_changelog_starts_with_this_release(self):
        with open(os.path.join(SOURCE, "packaging", "changelog"), encoding="utf-8") as f:
            first = f.readline()
        self.assertRegex(first, rf"^lilyhops \({re.escape(VERSION)}\) ")

    def test_the_manual_pages_carry_this_release(self):
        for page in ("lilyhops", "lilyhops-script"):
            with self.subTest(page=page):
                with open(os.path.join(BUILD, "man", page + ".6"), encoding="utf-8") as f:
                    title = next(line for line in f if line.startswith(".TH"))
                self.assertIn(f'"Lilyhops {VERSION}"', title)
                self.assertIn(f'"{RELEASE_DATE}"', title)


class RunnerPage(unittest.TestCase):
    """The runner's manual page is its full reference: it describes exactly the
    commands its --help lists."""

    def test_the_help_and_the_page_list_the_same_commands(self):
        help_text = subprocess.run([os.path.join(BUILD, "lilyhops-script"), "--help"],
                                   capture_output=True, text=True).stdout
        block = help_text.split("(# starts a comment):\n")[1].split("\n\n")[0]
        listed = {e.strip().replace("active on|off", "active on, active off")
                  for e in re.split(r"\s{3,}|\n", block) if e.strip()}
        with open(os.path.join(BUILD, "man", "lilyhops-script.6.scd"), encoding="utf-8") as f:
            page = f.read()
        section = page.split("\n# COMMANDS\n")[1].split("\n# ")[0]
        described = {re.sub(r"[*_]", "", line) for line in section.splitlines() if line.startswith("*")}
        self.assertEqual(listed, described)
        self.assertEqual(len(described), 15)


if __name__ == "__main__":
    unittest.main()

"""Both programs started as a player or a script writer starts them: options,
mistakes on the command line, and the game started without a display."""

import os
import re
import subprocess
import tempfile
import unittest

GAME = os.environ.get("LILYHOPS_GAME", "build/lilyhops")
RUNNER = os.environ.get("LILYHOPS_RUNNER", "build/lilyhops-script")
VERSION = os.environ.get("LILYHOPS_VERSION", "2.0")

EXAMPLE = """# two hops north, then look
menu mnuNew
log
key 38
key 38
dump frogRow imgFrog.Top lblScore2.Caption
log
"""
EXAMPLE_OUTPUT = """[["PlayMusic","/app/OrigBogt.mid",0,-1]]
{"frogRow":3,"imgFrog.Top":4410,"lblScore2.Caption":"400"}
[["PlayEffect","/app/move.wav",0,-1],["PlayEffect","/app/move.wav",0,-1]]
"""


def run(program, *args, env=None, stdin=""):
    base = {k: v for k, v in os.environ.items()
            if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    base.update(env or {})
    return subprocess.run([program, *args], input=stdin, capture_output=True, text=True,
                          env=base, timeout=60)


def unused_display():
    """An X display number nothing listens on."""
    n = 4321
    while os.path.exists(f"/tmp/.X11-unix/X{n}"):
        n += 1
    return f":{n}"


class GameOptions(unittest.TestCase):
    def test_help_lists_the_options_and_points_to_the_manual_page(self):
        for option in ("--help", "-h"):
            r = run(GAME, option)
            self.assertEqual((r.returncode, r.stderr), (0, ""))
            self.assertTrue(r.stdout.startswith("Usage: lilyhops [OPTION]...\n"))
            self.assertIn("--record FILE   write the game as a replay script to FILE", r.stdout)
            self.assertIn("--replay FILE   show a recorded game from FILE", r.stdout)
            self.assertIn("--version", r.stdout)
            self.assertIn("man 6 lilyhops", r.stdout)

    def test_version_in_the_gnu_form(self):
        r = run(GAME, "--version")
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        lines = r.stdout.splitlines()
        self.assertEqual(lines[0], f"lilyhops {VERSION}")
        self.assertRegex(lines[1], r"^Copyright \(C\) \d{4} ")
        self.assertTrue(any(line.startswith("License MIT") for line in lines))

    def test_any_other_argument_gets_one_line_and_status_2(self):
        for args in (["--bogus"], ["extra"], ["--record"], ["--record", "a", "--replay", "b"],
                     ["-platform"]):
            with self.subTest(args=args):
                r = run(GAME, *args, env={"QT_QPA_PLATFORM": "offscreen"})
                self.assertEqual(r.returncode, 2)
                self.assertEqual(r.stdout, "")
                self.assertEqual(len(r.stderr.splitlines()), 1, r.stderr)
                self.assertTrue(r.stderr.startswith("lilyhops: "), r.stderr)


class GameWithoutADisplay(unittest.TestCase):
    """One line of the game's own and status 1, never Qt's abort."""

    def assert_one_line(self, r, pattern):
        self.assertEqual(r.returncode, 1, f"status {r.returncode}: {r.stderr}")
        self.assertEqual(r.stdout, "")
        self.assertEqual(len(r.stderr.splitlines()), 1, r.stderr)
        self.assertRegex(r.stderr, pattern)

    def test_nothing_names_a_display(self):
        self.assert_one_line(run(GAME), r"^lilyhops: no display to open the game's window on "
                                        r"\(neither DISPLAY nor WAYLAND_DISPLAY is set\)")

    def test_the_display_named_cannot_be_opened(self):
        display = unused_display()
        self.assert_one_line(run(GAME, env={"DISPLAY": display}),
                             rf'^lilyhops: cannot open the display "{display}"; .*DISPLAY names it$')

    def test_the_wayland_display_named_cannot_be_opened(self):
        self.assert_one_line(run(GAME, env={"WAYLAND_DISPLAY": "lilyhops-no-such-wayland"}),
                             r'^lilyhops: cannot open the Wayland display "lilyhops-no-such-wayland"')

    def test_the_display_given_on_the_command_line_cannot_be_opened(self):
        display = unused_display()
        self.assert_one_line(run(GAME, "-display", display, env={"DISPLAY": ":0"}),
                             rf'^lilyhops: cannot open the display "{display}"')

    def test_a_platform_qt_does_not_have(self):
        self.assert_one_line(run(GAME, "-platform", "lilyhops-none"),
                             r'^lilyhops: the window system "lilyhops-none" cannot be started')


class RunnerOptions(unittest.TestCase):
    def test_help_lists_every_command_the_runner_knows(self):
        r = run(RUNNER, "--help")
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        self.assertIn("man 6 lilyhops-script", r.stdout)
        block = r.stdout.split("Commands, one a line (# starts a comment):\n")[1].split("\n\n")[0]
        commands = {entry.split()[0] for entry in re.split(r"\s{3,}|\n", block) if entry.strip()}
        self.assertEqual(commands, {"menu", "call", "key", "keydown", "keypress", "keyup", "tick",
                                    "wait", "set", "active", "song", "dump", "log", "expect"})
        for command in sorted(commands):
            with self.subTest(command=command):
                r = run(RUNNER, stdin=command + "\n")
                self.assertNotIn("unknown command", r.stderr)
        self.assertIn("unknown command", run(RUNNER, stdin="hop\n").stderr)

    def test_version_in_the_gnu_form(self):
        r = run(RUNNER, "--version")
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        self.assertEqual(r.stdout.splitlines()[0], f"lilyhops-script {VERSION}")

    def test_help_and_version_are_never_read_as_a_script(self):
        r = run(RUNNER, "--help", stdin="log\n")
        self.assertNotIn("[]", r.stdout)

    def test_the_script_comes_from_a_file_standard_input_or_after_a_double_dash(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "-example.script")
            with open(path, "w", encoding="utf-8") as f:
                f.write(EXAMPLE)
            for args, stdin in (([], EXAMPLE), (["-"], EXAMPLE), (["--", path], "")):
                with self.subTest(args=args):
                    r = run(RUNNER, *args, stdin=stdin)
                    self.assertEqual((r.returncode, r.stderr), (0, ""))
                    self.assertEqual(r.stdout, EXAMPLE_OUTPUT)
            os.rename(path, os.path.join(folder, "example.script"))
            r = run(RUNNER, os.path.join(folder, "example.script"))
            self.assertEqual(r.stdout, EXAMPLE_OUTPUT)

    def test_mistakes_get_one_line_and_status_2(self):
        for args in (["--bogus"], ["a.script", "b.script"], ["--", "a", "b"]):
            with self.subTest(args=args):
                r = run(RUNNER, *args, stdin=EXAMPLE)
                self.assertEqual(r.returncode, 2)
                self.assertEqual(r.stdout, "", "no line of the script runs")
                self.assertEqual(len(r.stderr.splitlines()), 1, r.stderr)
                self.assertTrue(r.stderr.startswith("lilyhops-script: "))


if __name__ == "__main__":
    unittest.main()

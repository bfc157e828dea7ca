"""Key presses sent through the X server's XTest extension, each with the
monotonic time at which the X server took it."""

import subprocess
import time

from Xlib import X, XK, display
from Xlib.ext import xtest


class Keyboard:
    def __init__(self, display_name):
        self.display = display.Display(display_name)
        if not self.display.has_extension("XTEST"):
            raise RuntimeError(f"the X server on {display_name} has no XTEST")

    def _code(self, name):
        code = self.display.keysym_to_keycode(XK.string_to_keysym(name))
        if not code:
            raise ValueError(f"no key {name}")
        return code

    def press(self, name, hold_s=0.04, modifiers=()):
        """Presses and releases a key (with modifiers held); returns the
        monotonic ns at which the X server had the key press, and how long
        the round trip that confirmed it took (its uncertainty)."""
        for m in modifiers:
            xtest.fake_input(self.display, X.KeyPress, self._code(m))
        code = self._code(name)
        self.display.sync()
        before = time.monotonic_ns()
        xtest.fake_input(self.display, X.KeyPress, code)
        self.display.sync()  # the server has handled the press when this returns
        after = time.monotonic_ns()
        time.sleep(hold_s)
        xtest.fake_input(self.display, X.KeyRelease, code)
        for m in reversed(modifiers):
            xtest.fake_input(self.display, X.KeyRelease, self._code(m))
        self.display.sync()
        return (before + after) // 2, after - before

    def close(self):
        self.display.close()


def find_window(display_name, title, seconds=20):
    """The id of the visible window whose name contains `title`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title],
                             env={"DISPLAY": display_name}, capture_output=True, text=True)
        ids = out.stdout.split()
        if ids:
            return ids[0]
        time.sleep(0.1)
    raise RuntimeError(f"no window named {title!r} appeared on {display_name}")


def focus(display_name, window):
    subprocess.run(["xdotool", "windowfocus", "--sync", window], env={"DISPLAY": display_name},
                   check=True, capture_output=True)


def geometry(display_name, window):
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                         env={"DISPLAY": display_name}, capture_output=True, text=True,
                         check=True).stdout
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(values["WIDTH"]), int(values["HEIGHT"])

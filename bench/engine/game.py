"""The real game, started on the private servers and ended through its own
Exit menu item so that it writes its statistics."""

import os
import subprocess
import tempfile
import time

from keys import find_window, focus


class Game:
    def __init__(self, executable, display_name, sound_env, title="Lilyhops"):
        self.executable = executable
        self.display_name = display_name
        self.sound_env = sound_env
        self.title = title
        fd, self.stats_file = tempfile.mkstemp(prefix="lilyhops-stats-")
        os.close(fd)
        self.log_file = self.stats_file + ".log"
        self.proc = None
        self.window = None

    def start(self):
        env = dict(os.environ)
        env.update(self.sound_env)
        env.update({"DISPLAY": self.display_name, "LILYHOPS_STATS": self.stats_file,
                    "QT_QPA_PLATFORM": "xcb"})
        self._log = open(self.log_file, "w")
        self.proc = subprocess.Popen([self.executable], env=env, stdout=self._log,
                                     stderr=subprocess.STDOUT)
        self.window = find_window(self.display_name, self.title)
        focus(self.display_name, self.window)
        return self

    @property
    def pid(self):
        return self.proc.pid

    def focus(self):
        focus(self.display_name, self.window)

    def quit(self, keyboard):
        """Ends the game with Ctrl+X; returns the statistics file's lines."""
        if self.proc.poll() is None:
            self.focus()
            keyboard.press("x", modifiers=("Control_L",))
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.terminate()
                self.proc.wait(5)
        self._log.close()
        self.exit_code = self.proc.returncode
        with open(self.stats_file) as f:
            lines = f.read().splitlines()
        with open(self.log_file) as f:
            self.messages = f.read()
        os.unlink(self.stats_file)
        os.unlink(self.log_file)
        return lines

    def kill(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def wait_until(t_ns):
    delay = (t_ns - time.monotonic_ns()) / 1e9
    if delay > 0:
        time.sleep(delay)

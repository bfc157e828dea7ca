"""Private X and sound servers for one benchmark run.

Each run gets its own Xvfb and its own PulseAudio with one null sink, in a
temporary runtime folder; nothing reaches anyone else's servers, and both are
stopped by their process ids when the run ends.
"""

import os
import shutil
import subprocess
import tempfile
import time

SINK = "bench"
RATE = 44100


class ServerError(RuntimeError):
    pass


def _wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.05)
    raise ServerError(f"{what} did not come up within {seconds} s")


class Xvfb:
    """An X server of its own; `display` is ":N"."""

    def __init__(self, display=None, size="1024x768x24"):
        self.proc = None
        self.display = display
        self.size = size

    def start(self):
        args = ["Xvfb", "-screen", "0", self.size, "-nolisten", "tcp", "-noreset"]
        if self.display:
            self.proc = subprocess.Popen([args[0], self.display] + args[1:],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            number = self.display.lstrip(":")
            _wait_for(lambda: os.path.exists(f"/tmp/.X11-unix/X{number}") or
                      self.proc.poll() is not None, 10, "Xvfb")
        else:
            read, write = os.pipe()
            self.proc = subprocess.Popen(args + ["-displayfd", str(write)], pass_fds=(write,),
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write)
            with os.fdopen(read) as f:
                number = f.readline().strip()
            self.display = f":{number}"
        if self.proc.poll() is not None or not self.display or self.display == ":":
            raise ServerError("Xvfb could not start (is the display number taken?)")
        return self

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class PulseAudio:
    """A PulseAudio daemon of its own whose only sink is a null sink; what
    reaches the sink can be recorded from its monitor."""

    def __init__(self):
        self.proc = None
        self.folder = tempfile.mkdtemp(prefix="lilyhops-bench-pulse-")
        self.socket = os.path.join(self.folder, "native")
        self.server = f"unix:{self.socket}"
        self.log = os.path.join(self.folder, "pulseaudio.log")

    def env(self):
        """What a client needs to find this server and no other."""
        return {
            "PULSE_SERVER": self.server,
            "XDG_RUNTIME_DIR": self.folder,
            "PULSE_RUNTIME_PATH": os.path.join(self.folder, "pulse"),
            "PULSE_CLIENTCONFIG": self._client_config(),
        }

    def absent_env(self):
        """An environment in which a client finds no sound server at all."""
        env = self.env()
        env["PULSE_SERVER"] = f"unix:{os.path.join(self.folder, 'nobody-here')}"
        return env

    def _client_config(self):
        path = os.path.join(self.folder, "client.conf")
        if not os.path.exists(path):
            with open(path, "w") as f:
                f.write("autospawn = no\n")
        return path

    def start(self):
        env = dict(os.environ)
        env.update(self.env())
        env["HOME"] = self.folder  # its cookie and state stay in the folder
        os.makedirs(env["PULSE_RUNTIME_PATH"], exist_ok=True)
        args = [
            "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
            "--disallow-exit", "--log-target=file:" + self.log,
            "-L", f"module-null-sink sink_name={SINK} rate={RATE} channels=2",
            "-L", f"module-native-protocol-unix auth-anonymous=1 socket={self.socket}",
        ]
        self.proc = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        _wait_for(lambda: os.path.exists(self.socket) or self.proc.poll() is not None, 10,
                  "PulseAudio")
        if self.proc.poll() is not None:
            raise ServerError(f"PulseAudio could not start; see {self.log}")
        return self

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

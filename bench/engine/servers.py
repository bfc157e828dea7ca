"""Private X and sound servers for one benchmark run.

Each run gets its own Xvfb and its own sound server with one null sink, in a
temporary runtime folder: PulseAudio, or PipeWire with its PulseAudio server
(pipewire-pulse), WirePlumber and a D-Bus of its own, as Debian 12's desktop
runs them. Nothing reaches anyone else's servers, and every process is
stopped by its own id when the run ends.
"""

import os
import shutil
import subprocess
import tempfile
import time

SINK = "bench"


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
        _stop(self.proc)


def _stop(proc):
    if proc and proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


class SoundServer:
    """What both servers share: a runtime folder of their own, the way a
    client finds the server (and no other), and a null sink `SINK` at `rate`
    whose monitor can be recorded, `record_block_ms` at a time."""

    name = "?"

    def __init__(self, prefix):
        self.procs = []
        self.folder = tempfile.mkdtemp(prefix=prefix)

    @property
    def socket(self):
        return os.path.join(self.folder, "pulse", "native")

    @property
    def server(self):
        return f"unix:{self.socket}"

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

    def _server_env(self):
        env = dict(os.environ)
        env.update(self.env())
        # Their cookies, configuration and state stay in the folder.
        env.update({"HOME": self.folder, "XDG_CONFIG_HOME": os.path.join(self.folder, "config"),
                    "XDG_STATE_HOME": os.path.join(self.folder, "state")})
        os.makedirs(env["PULSE_RUNTIME_PATH"], exist_ok=True)
        return env

    def _spawn(self, args, env, log):
        with open(os.path.join(self.folder, log), "w") as out:
            proc = subprocess.Popen(args, env=env, stdout=out, stderr=subprocess.STDOUT)
        self.procs.append(proc)
        return proc

    def _pactl(self, *args):
        return subprocess.run(["pactl", "-s", self.server, *args], capture_output=True,
                              text=True, timeout=10)

    def _check(self, what, log):
        if any(p.poll() is not None for p in self.procs):
            raise ServerError(f"{what} could not start; see {os.path.join(self.folder, log)}")

    def describe(self):
        """The server's name as it tells it, e.g. "PulseAudio (on PipeWire 0.3.65)"."""
        out = self._pactl("info")
        for line in out.stdout.splitlines():
            if line.startswith("Server Name:"):
                version = [v for v in out.stdout.splitlines() if v.startswith("Server Version:")]
                name = line.split(":", 1)[1].strip()
                if version and "PipeWire" not in name:
                    name += " " + version[0].split(":", 1)[1].strip()
                return name
        return self.name

    def stop(self):
        for proc in reversed(self.procs):
            _stop(proc)
        shutil.rmtree(self.folder, ignore_errors=True)


class PulseAudio(SoundServer):
    """A PulseAudio daemon of its own whose only sink is a null sink."""

    name = "PulseAudio"
    # PulseAudio's own default rate, and the game's.
    rate = 44100
    # The recording asks for blocks no shorter than the game's own 30 ms
    # buffer, so that the null sink keeps the latency the game's stream asks
    # for, as a sound card would, and not a shorter one for the benchmark.
    record_block_ms = 50

    def __init__(self):
        super().__init__("lilyhops-bench-pulse-")

    def start(self):
        log = "pulseaudio.log"
        args = [
            "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
            "--disallow-exit", "--log-target=file:" + os.path.join(self.folder, log),
            "-L", f"module-null-sink sink_name={SINK} rate={self.rate} channels=2",
            "-L", f"module-native-protocol-unix auth-anonymous=1 socket={self.socket}",
        ]
        self._spawn(args, self._server_env(), "pulseaudio.out")
        _wait_for(lambda: os.path.exists(self.socket) or self.procs[0].poll() is not None, 10,
                  "PulseAudio")
        self._check("PulseAudio", log)
        return self


class PipeWire(SoundServer):
    """PipeWire, WirePlumber and pipewire-pulse of their own, on a D-Bus of
    their own, with a null sink made the default through the PulseAudio
    protocol, as a Debian desktop would have a sound card. The graph keeps
    PipeWire's own defaults (48 kHz, its usual quantum): the game's stream and
    the recording are resampled to and from it as on a desktop."""

    name = "PipeWire"
    # The graph's own rate, at which a desktop's sound card runs too: the
    # game's 44.1 kHz stream is resampled into it as it would be there. The
    # recording is taken at this rate as well: recorded at any other,
    # pipewire-pulse now and then loses a few milliseconds of it.
    rate = 48000
    # It also loses parts of a recording read in blocks longer than the
    # graph's quantum, so the recording's blocks are short; still a little
    # longer than the 6.3 ms the game's stream asks for, so that they never
    # make the graph run on a shorter quantum than the game alone would.
    record_block_ms = 8

    def __init__(self):
        super().__init__("lilyhops-bench-pipewire-")

    def env(self):
        env = super().env()
        env["DBUS_SESSION_BUS_ADDRESS"] = f"unix:path={os.path.join(self.folder, 'bus')}"
        return env

    def start(self):
        env = self._server_env()
        bus = os.path.join(self.folder, "bus")
        self._spawn(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                     f"--address=unix:path={bus}"], env, "dbus.log")
        _wait_for(lambda: os.path.exists(bus) or self.procs[0].poll() is not None, 10, "D-Bus")
        self._check("D-Bus", "dbus.log")
        self._spawn(["pipewire"], env, "pipewire.log")
        core = os.path.join(self.folder, "pipewire-0")
        _wait_for(lambda: os.path.exists(core) or self.procs[-1].poll() is not None, 10,
                  "PipeWire")
        self._check("PipeWire", "pipewire.log")
        self._spawn(["wireplumber"], env, "wireplumber.log")
        self._spawn(["pipewire-pulse"], env, "pipewire-pulse.log")
        _wait_for(lambda: os.path.exists(self.socket) or self.procs[-1].poll() is not None, 10,
                  "pipewire-pulse")
        self._check("PipeWire's PulseAudio server", "pipewire-pulse.log")
        _wait_for(lambda: self._pactl("info").returncode == 0, 10, "pipewire-pulse")
        made = self._pactl("load-module", "module-null-sink", f"sink_name={SINK}",
                           f"rate={self.rate}", "channels=2")
        if made.returncode != 0:
            raise ServerError(f"pipewire-pulse made no null sink: {made.stderr.strip()}")
        # WirePlumber makes it the default once it sees it.
        _wait_for(lambda: self._pactl("set-default-sink", SINK).returncode == 0 and
                  f"Default Sink: {SINK}" in self._pactl("info").stdout, 10, "the null sink")
        return self


SERVERS = {"pulseaudio": PulseAudio, "pipewire": PipeWire}

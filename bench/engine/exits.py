"""Many short games on a private sound server, each ended one of the ways a
player ends it (Exit in the menu with Ctrl+X, the window closed, SIGTERM),
with and without the statistics file; counts how each ended and keeps the
core and output of any that did not end cleanly.

An unclean end is rare and comes with a busy machine and a busy sound
server: --busy adds busy loops beside the game, --storm has the server
announce sink changes all the time (volume changes in a loop, and a
recording from the sink's monitor, as the engine benchmark makes)."""

import argparse
import collections
import os
import random
import resource
import shutil
import subprocess
import sys
import tempfile
import time

from Xlib import X, display as xdisplay, protocol

from keys import Keyboard, find_window, focus
from servers import SERVERS, SINK, Xvfb

WAYS = ("ctrl+x", "close", "sigterm")


def close_window(display_name, window):
    """Asks the window to close, as a window manager's close button does."""
    d = xdisplay.Display(display_name)
    w = d.create_resource_object("window", int(window))
    event = protocol.event.ClientMessage(
        window=w, client_type=d.intern_atom("WM_PROTOCOLS"),
        data=(32, [d.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
    w.send_event(event, event_mask=X.NoEventMask)
    d.sync()
    d.close()


def allow_cores():
    resource.setrlimit(resource.RLIMIT_CORE, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))


def one_game(exe, xvfb, server, kb, rng, way, stats, keep, number):
    env = dict(os.environ)
    env.update(server.env())
    env.update({"DISPLAY": xvfb.display, "QT_QPA_PLATFORM": "xcb"})
    folder = tempfile.mkdtemp(prefix="lilyhops-exit-")
    if stats:
        env["LILYHOPS_STATS"] = os.path.join(folder, "stats")
    proc = subprocess.Popen([exe], env=env, cwd=folder, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, preexec_fn=allow_cores)
    try:
        window = find_window(xvfb.display, "Lilyhops")
        focus(xvfb.display, window)
        time.sleep(rng.uniform(0.2, 1.0))
        kb.press("n", modifiers=("Control_L",))
        for _ in range(rng.randint(1, 6)):
            time.sleep(rng.uniform(0.05, 0.4))
            kb.press(rng.choice(["Left", "Right", "Up", "Down"]), hold_s=0.02)
        r = rng.random()
        if r < 0.3:
            kb.press(f"F{rng.randint(1, 4)}", modifiers=("Shift_L",))  # a song change
        elif r < 0.6:
            kb.press("space")  # pause
        elif r < 0.75:
            kb.press("m", modifiers=("Control_L",))  # music off
        time.sleep(rng.uniform(0.0, 0.6))
        if way == "ctrl+x":
            kb.press("x", modifiers=("Control_L",))
        elif way == "close":
            close_window(xvfb.display, window)
        else:
            proc.terminate()
        out, _ = proc.communicate(timeout=20)
        status = proc.returncode
    except subprocess.TimeoutExpired:
        proc.kill()
        out, _ = proc.communicate()
        status = "hung"
    text = out.decode(errors="replace").strip()
    clean = status == 0 and not text
    if not clean:
        kept = os.path.join(keep, f"game{number}-{way}")
        shutil.copytree(folder, kept)
        with open(os.path.join(kept, "output"), "w") as f:
            f.write(text)
    shutil.rmtree(folder, ignore_errors=True)
    return status, text


def main():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--build", default="build")
    p.add_argument("--server", choices=sorted(SERVERS), default="pipewire")
    p.add_argument("--runs", type=int, default=100)
    p.add_argument("--busy", type=int, default=0, help="busy loops beside the game")
    p.add_argument("--storm", action="store_true",
                   help="sink changes and a monitor recording all through")
    p.add_argument("--display", help="the X display to start Xvfb on (default: a free one)")
    p.add_argument("--keep", default="exits-kept",
                   help="where games that did not end cleanly are kept (default exits-kept)")
    a = p.parse_args()
    exe = os.path.abspath(os.path.join(a.build, "lilyhops"))
    keep = os.path.abspath(a.keep)
    os.makedirs(keep, exist_ok=True)
    with open("/proc/sys/kernel/core_pattern") as f:
        print(f"core pattern: {f.read().strip()} (a core lands in the kept game's folder "
              "when it is a plain file name)")

    xvfb = Xvfb(a.display).start()
    server = SERVERS[a.server]()
    helpers = []
    counts = collections.Counter()
    try:
        server.start()
        env = dict(os.environ)
        env.update(server.env())
        helpers += [subprocess.Popen(["sh", "-c", "while :; do :; done"]) for _ in range(a.busy)]
        if a.storm:
            helpers.append(subprocess.Popen(
                ["sh", "-c", f"while :; do pactl set-sink-volume {SINK} 90%; "
                 f"pactl set-sink-volume {SINK} 100%; done"],
                env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            helpers.append(subprocess.Popen(["parecord", "-d", f"{SINK}.monitor", "--raw",
                                             "/dev/null"], env=env,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        kb = Keyboard(xvfb.display)
        rng = random.Random()
        for i in range(a.runs):
            way = rng.choice(WAYS)
            stats = rng.random() < 0.5
            status, text = one_game(exe, xvfb, server, kb, rng, way, stats, keep, i)
            counts[(way, "stats" if stats else "no stats", status)] += 1
            if status != 0 or text:
                print(f"game {i}: {way}, {'stats' if stats else 'no stats'}: status {status}"
                      + (f", said: {text[:300]}" if text else ""), flush=True)
            if i % 10 == 9:
                load = open("/proc/loadavg").read().split()[:3]
                print(f"{i + 1} games, {sum(n for k, n in counts.items() if k[2] == 0)} ended "
                      f"with status 0; load average {' '.join(load)}", flush=True)
    finally:
        for h in helpers:
            h.kill()
            h.wait()
        server.stop()
        xvfb.stop()
    print(f"\n{a.server}, busy loops {a.busy}, storm {'on' if a.storm else 'off'}:")
    for (way, stats, status), n in sorted(counts.items(), key=str):
        print(f"  {way:8} {stats:9} status {status}: {n}")
    bad = sum(n for k, n in counts.items() if k[2] != 0)
    print(f"{a.runs} games, {bad} did not end with status 0" +
          (f" (kept in {keep})" if bad else ""))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())

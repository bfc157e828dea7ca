"""The engine benchmark: plays the real game on private X and sound servers
as a player would and prints each figure beside its target.

Run it through bench/engine.sh, which installs what it needs and builds the
game first. It never fails on speed: slow figures are printed, not judged.
"""

import argparse
import os
import random
import subprocess
import sys
import time

import analysis
from game import Game, wait_until
from keys import Keyboard, geometry
from procstat import CpuWindow, memory_mb
from recorded import HOP_PHASES, Recorded, RecordingAnalysis
from recorder import Recorder, play_clicks
from servers import SERVERS, SINK, Xvfb
from table import print_table

SONGS = ["OrigBogt.mid", "Pelto64.mid", "VraxHeav.mid", "TollBrdg.mid"]  # Shift+F1..F4
# The game's mixer runs at 44.1 kHz on any server, and its audio thread
# renders what the server asks for every 10 ms: the standalone loop renders
# in periods of that size too.
GAME_PERIOD_MS = 10


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def standalone_render(build, seconds, rate, paced=False, songs=()):
    """From bench_song_render: ({song: % of one core of the whole loop},
    {song: % of it inside FluidSynth}, the idle synthesizer's % or None).
    Rendered at the sound server's `rate`, as the game renders for it, in
    the game's periods. Paced, each period is taken when its time comes, as
    the game's output takes it, and the run lasts as long as the sound."""
    args = [os.path.join(build, "bench", "bench_song_render"), "--rate", str(rate),
            "--chunk", str(rate * GAME_PERIOD_MS // 1000)]
    out = subprocess.run(args + (["--paced"] if paced else []) + [str(seconds)] + list(songs),
                         capture_output=True, text=True)
    loop, synth, idle = {}, {}, None
    for line in out.stdout.splitlines():
        parts = line.split()
        if parts and parts[0] in ("song", "synth"):
            (loop if parts[0] == "song" else synth)[parts[1]] = float(parts[-4].rstrip("%"))
        elif parts and parts[0] == "idle":
            idle = float(parts[-4].rstrip("%"))
    if not loop:
        print(f"note: no standalone render figures ({out.stderr.strip()})", file=sys.stderr)
    return loop, synth, idle


def hop_keys(count, seed, low=0.3, high=0.55):
    """Sideways steps on the start strip, where nothing can hit the toad:
    (key, pause after it) pairs. Keys come at least `low` apart, more than
    the longest a hop's sound is waited for."""
    rng = random.Random(seed)
    return [("Right" if i % 2 == 0 else "Left", rng.uniform(low, high)) for i in range(count)]


class Session:
    def __init__(self, args):
        self.args = args
        self.figures = {"server": args.server}
        self.notes = []

    def run(self):
        a = self.args
        self.figures["load_start"] = load_average()
        rate = SERVERS[a.server].rate
        songs, synth, idle = standalone_render(a.build, a.play_seconds, rate)
        heaviest = max(songs, key=songs.get) if songs else SONGS[0]
        self.figures["standalone"] = songs
        self.figures["standalone_synth"] = synth
        self.figures["standalone_idle"] = idle
        self.figures["heaviest"] = heaviest
        # The game's thread sleeps between periods and renders a block only
        # when the last is used up: the like-for-like yardstick is the same
        # loop paced the same way, over as long as the play measured.
        _, paced, _ = standalone_render(a.build, a.play_seconds, rate, paced=True,
                                        songs=[heaviest])
        self.figures["standalone_paced_synth"] = paced.get(heaviest)

        xvfb = Xvfb(a.display).start()
        server = SERVERS[a.server]()
        bare = None
        games = []
        try:
            server.start()
            self.figures["server"] = f"{server.describe()}, its null sink at {server.rate} Hz"
            kb = Keyboard(xvfb.display)
            # The title screen with no sound server to be found.
            quiet = Game(a.lilyhops, xvfb.display, server.absent_env())
            games.append(quiet)
            quiet.start()
            time.sleep(a.settle)
            size = geometry(xvfb.display, quiet.window)
            cpu = CpuWindow([quiet.pid]).start()
            t0 = time.monotonic_ns()
            time.sleep(a.title_seconds)
            cpu.stop()
            t1 = time.monotonic_ns()
            self.figures["title_quiet_cpu"] = cpu.percent[quiet.pid]
            self.figures["title_quiet_rss"] = memory_mb(quiet.pid)[0]
            lines = quiet.quit(kb)
            self.check_ended(quiet, lines, "the game with no sound server")
            self.figures["title_quiet_paints"] = (
                analysis.rate_per_second(analysis.parse_stats(lines).paints, t0, t1)
                if lines else None)
            self.figures["window_size"] = size

            # A bare window of the same size beside it, measured alongside.
            bare = subprocess.Popen(
                [os.path.join(a.build, "bench", "bench_bare_window"), str(size[0]),
                 str(size[1]), str(size[0] + 40), "0"],
                env=dict(os.environ, DISPLAY=xvfb.display, QT_QPA_PLATFORM="xcb"),
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

            game = Game(a.lilyhops, xvfb.display, server.env())
            games.append(game)
            game.start()
            time.sleep(a.settle)
            cpu = CpuWindow([game.pid, bare.pid]).start()
            t0 = time.monotonic_ns()
            time.sleep(a.title_seconds)
            cpu.stop()
            t1 = time.monotonic_ns()
            self.figures["title_sound_cpu"] = cpu.percent[game.pid]
            self.figures["bare_title_cpu"] = cpu.percent[bare.pid]
            self.figures["rss_start"] = memory_mb(game.pid)[0]
            self.figures["bare_rss"] = memory_mb(bare.pid)[0]
            title_window = (t0, t1)

            recorded = self.recorded_game(game, kb, server)
            play = self.measured_play(game, kb, bare, heaviest)
            lines = game.quit(kb)
            self.check_ended(game, lines, "the game")
            stats = analysis.parse_stats(lines) if lines else None
            self.analyse_recording(recorded, stats, lines)
            if stats:
                self.from_stats(stats, title_window, play, recorded.events)
        finally:
            for g in games:
                g.kill()
            if bare and bare.poll() is None:
                bare.terminate()
                bare.wait(5)
            server.stop()
            xvfb.stop()
        self.figures["load_end"] = load_average()
        return self

    def check_ended(self, game, lines, which):
        if game.messages.strip():
            self.notes.append(f"{which} said: " + " | ".join(game.messages.strip().splitlines()))
        if game.exit_code != 0 or not lines:
            self.notes.append(f"{which} ended with code {game.exit_code} and "
                              f"{'no' if not lines else 'its'} statistics; figures from them "
                              "are missing")

    # --- the recorded short game -------------------------------------------

    def recorded_game(self, game, kb, server):
        """Hops under the music and with the music off, a loss, pause,
        resume, song changes and End Game, recorded from the null sink."""
        a = self.args
        rate = server.rate
        rec = Recorder(server.server, SINK + ".monitor", rate,
                       block_frames=server.record_block_ms * rate // 1000).start()
        time.sleep(1.0)
        clicks = play_clicks(server.server, SINK, rate, count=8)
        game.focus()
        events = []

        def press(name, key, modifiers=()):
            t, rt = kb.press(key, modifiers=modifiers)
            events.append((name, t, rt))

        press("new game", "n", ("Control_L",))
        time.sleep(2.0)
        (under_music, _), (music_off, _) = HOP_PHASES
        for key, gap in hop_keys(a.hops, seed=1):
            press(under_music, key)
            time.sleep(gap)
        time.sleep(0.5)
        press("music off", "m", ("Control_L",))
        time.sleep(1.0)
        for key, gap in hop_keys(a.hops, seed=3):
            press(music_off, key)
            time.sleep(gap)
        time.sleep(0.5)
        press("music on", "m", ("Control_L",))
        time.sleep(1.5)
        # Into the first road lane and wait there for a car.
        press("into the road", "Up")
        time.sleep(6.0)
        press("back from the road", "Down")  # if no car came; a lost toad is back already
        time.sleep(1.5)
        # A cut lands anywhere in a wave: a few of each show its size.
        for _ in range(a.transitions):
            press("pause", "space")
            time.sleep(1.2)
            press("resume", "space")
            time.sleep(1.8)
        for song in ("F3", "F2", "F4")[:a.transitions]:
            press("song change", song, ("Shift_L",))
            time.sleep(2.5)
        press("end game", "e", ("Control_L",))
        time.sleep(1.5)
        # Clicks at both ends show whether the recording kept time throughout.
        clicks += play_clicks(server.server, SINK, rate, count=8)
        time.sleep(0.5)
        return Recorded(rec.stop(), rate, rec, clicks, events)

    def analyse_recording(self, recorded, stats, lines):
        result = RecordingAnalysis(recorded, stats, self.args.folder).run()
        self.figures.update(result.figures)
        self.notes += result.notes
        if self.args.keep_recording:
            result.keep(self.args.keep_recording)
            with open(self.args.keep_recording + ".stats", "w") as f:
                f.writelines(line + "\n" for line in lines)

    # --- sixty seconds of play ---------------------------------------------

    def measured_play(self, game, kb, bare, heaviest):
        a = self.args
        game.focus()
        marks = {}
        marks["new game"] = [kb.press("n", modifiers=("Control_L",))[0]]
        time.sleep(0.5)
        number = SONGS.index(heaviest) + 1 if heaviest in SONGS else 1
        marks["song change"] = [kb.press(f"F{number}", modifiers=("Shift_L",))[0]]
        time.sleep(2.0)

        def hop_for(seconds, seed):
            end = time.monotonic_ns() + int(seconds * 1e9)
            keys = iter(hop_keys(10_000, seed, 0.3, 0.5))
            while time.monotonic_ns() < end:
                key, gap = next(keys)
                kb.press(key)
                wait_until(min(end, time.monotonic_ns() + int(gap * 1e9)))

        cpu = CpuWindow([game.pid, bare.pid]).start()
        t0 = time.monotonic_ns()
        hop_for(a.play_seconds, seed=2)
        cpu.stop()
        t1 = time.monotonic_ns()
        self.figures["play_cpu"] = cpu.percent[game.pid]
        self.figures["play_threads"] = cpu.thread_percent[game.pid]
        self.figures["bare_play_cpu"] = cpu.percent[bare.pid]
        self.figures["rss_play"], self.figures["rss_peak"] = memory_mb(game.pid)
        self.figures["bare_rss_play"] = memory_mb(bare.pid)[0]

        kb.press("m", modifiers=("Control_L",))  # music off
        time.sleep(1.0)
        cpu = CpuWindow([game.pid]).start()
        s0 = time.monotonic_ns()
        hop_for(a.play_seconds, seed=2)
        cpu.stop()
        s1 = time.monotonic_ns()
        self.figures["play_silent_cpu"] = cpu.percent[game.pid]
        kb.press("m", modifiers=("Control_L",))  # and on again
        return {"window": (t0, t1), "silent_window": (s0, s1), "marks": marks}

    def from_stats(self, stats, title_window, play, recorded_events):
        f = self.figures
        f["title_sound_paints"] = analysis.rate_per_second(stats.paints, *title_window)
        start, end = play["window"]
        seconds = (end - start) / 1e9
        f["play_paints"] = analysis.rate_per_second(stats.paints, start, end)
        f["frames"] = {k: v / seconds for k, v in
                       analysis.frame_causes(stats, start, end).items()}
        f["lane_instants"] = analysis.lane_instants(stats.ticks, start, end) / seconds
        f["focus_on_grid"] = analysis.focus_on_lane_grid(stats.ticks, start, end)
        f["hop_keys_play"] = sum(1 for ns, down, code in stats.keys
                                 if down and code in (37, 39) and start <= ns < end) / seconds
        f["mixer_play"] = analysis.mixer_share(stats.mixer, start, end)
        if analysis.song_playing_throughout(stats.music, start, end) and \
                (f["mixer_play"] or 0.0) < 0.05:
            self.notes.append("the game had its song playing through the measured play, yet its "
                              "mixer rendered nothing: the sound output stalled, and the figures "
                              "of play are those of a silent game")
        f["mixer_silent"] = analysis.mixer_share(stats.mixer, *play["silent_window"])
        f["lateness"] = analysis.percentiles(analysis.lane_lateness(stats.ticks, start, end))
        f["underruns"] = stats.underruns
        instants = {}
        for name in ("new game", "song change", "resume"):
            instants[name] = ([t for n, t, _ in recorded_events if n == name] +
                              play["marks"].get(name, []))
        f["stalls"] = {name: analysis.worst_lateness_after(stats.ticks, at)
                       for name, at in instants.items()}


def main():
    p = argparse.ArgumentParser(description=" ".join(__doc__.split("\n\n")[0].split()))
    p.add_argument("--build", default="build", help="the build folder (default: build)")
    p.add_argument("--display", help="the X display to start Xvfb on, e.g. :99 (default: a free one)")
    p.add_argument("--play-seconds", type=float, default=60.0,
                   help="seconds of play measured, with the music and again without (default 60)")
    p.add_argument("--title-seconds", type=float, default=20.0,
                   help="seconds of each title screen measured (default 20)")
    p.add_argument("--hops", type=int, default=40, help="hops in the recorded game")
    p.add_argument("--transitions", type=int, default=3, choices=range(1, 4),
                   help="pauses and song changes in the recorded game (default 3)")
    p.add_argument("--settle", type=float, default=3.0, help="seconds after start before measuring")
    p.add_argument("--server", choices=sorted(SERVERS), default="pulseaudio",
                   help="the sound server the game plays through: PulseAudio, or PipeWire with "
                   "its PulseAudio server (default pulseaudio)")
    p.add_argument("--keep-recording", metavar="FILE.wav",
                   help="keep the recorded game, with a list of what happened in FILE.wav.txt "
                   "and the game's statistics in FILE.wav.stats")
    args = p.parse_args()
    args.lilyhops = os.path.join(args.build, "lilyhops")
    args.folder = args.build
    if not os.access(args.lilyhops, os.X_OK):
        sys.exit(f"engine benchmark: no game at {args.lilyhops}; build it first")
    session = Session(args).run()
    print_table(session, args)


if __name__ == "__main__":
    main()

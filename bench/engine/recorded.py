"""What the recorded short game shows: the sound clock tied to the monotonic
clock, every hop key with the sound the game played for it, the lost toad's
cue, and the steps the music makes where it stops and starts.

Hops are measured twice. Under the music, the hop sound lies 4 LU below it
by design. With the music switched off, every hop sounds alone, over
silence: the engine keeps its output running for two seconds after each
sound, so hops in quick succession find it running, over silence. Either way a hop key is paired with the game's own
PlayEffect call (from its statistics) and that call with the sound found in
the recording; a key the game played no sound for, or a sound not found, is
counted and listed, never matched with another key's sound.
"""

import glob
import os
import wave
from dataclasses import dataclass, field

import numpy as np
from scipy.signal import resample_poly

import analysis
from recorder import click_wave

HOP_PHASES = (("hop under the music", "under the music"),
              ("hop, music off", "music off (over silence)"))
# A hop's call follows its key at once (the key's own handler makes it); its
# sound leaves the engine some tens of ms after the call. Keys come at least
# 300 ms apart, so neither window reaches the next hop.
KEY_TO_CALL_MS = 150
CALL_TO_SOUND_MS = 250
# What the engine does at each of the game's transitions.
TRANSITIONS = {"new game": ["start"], "music off": ["stop"], "music on": ["start"],
               "pause": ["stop"], "resume": ["start"], "song change": ["stop", "start"],
               "end game": ["stop"]}
STOP_WITHIN_S = 0.6      # a stop fades out this soon after its key
TRANSITION_SPAN_S = 2.5  # and a start comes before the next key, or this long


def read_wave(path, rate):
    """A wave file of the game's, in mono at `rate`."""
    with wave.open(path) as w:
        frames = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").astype(np.float32)
        frames = frames.reshape(-1, w.getnchannels()).mean(axis=1) / 32768.0
        own = w.getframerate()
    if own != rate:
        g = np.gcd(own, rate)
        frames = resample_poly(frames, rate // g, own // g).astype(np.float32)
    return frames


@dataclass
class Recorded:
    audio: np.ndarray
    rate: int
    recorder: object
    clicks: list          # monotonic ns at which each calibration click played
    events: list          # (name, monotonic ns of the key, its uncertainty ns)


@dataclass
class HopFigures:
    keys: int = 0
    played: int = 0
    latencies_ms: list = field(default_factory=list)   # key to sound, each heard hop
    key_to_call_ms: list = field(default_factory=list)
    call_to_sound_ms: list = field(default_factory=list)
    refused_s: list = field(default_factory=list)       # keys the game played nothing for
    missed_s: list = field(default_factory=list)        # played, but no sound found
    unclaimed_s: list = field(default_factory=list)     # sounds no key accounts for
    with_calls: bool = True


class RecordingAnalysis:
    def __init__(self, recorded, stats, folder):
        self.r = recorded
        self.rate = recorded.rate
        self.stats = stats
        self.folder = folder
        self.mono = analysis.to_mono(recorded.audio)
        self.notes = []
        self.listing = []  # (seconds into the recording, what)
        self.figures = {}

    # --- the clock ------------------------------------------------------------

    def calibrate(self):
        """Ties every sample of the recording to the monotonic clock: the
        server's own play times of the test clicks, at both ends of the
        recording, against where they are found in it. A recording that
        kept time throughout puts them on one line, one sample every
        1/rate s; the recorder's latency reports check where it starts."""
        start_ns, spread_ns = self.r.recorder.start_from_latency()
        click = click_wave(self.rate)
        found = []  # (index, play time)
        for t in self.r.clicks:
            guess = int((t - start_ns) * self.rate / 1e9)
            near = self.rate // 10
            at, _ = analysis.find_onset(self.mono, click, guess - near, guess + near, 0.8)
            if at is not None:
                found.append((at, t))
        cal = {"clicks": len(found), "of": len(self.r.clicks)}
        if len(found) >= 2 and found[-1][0] - found[0][0] > 10 * self.rate:
            # Time against index, the slope from the clicks at both ends.
            index = np.array([f[0] for f in found], dtype=np.float64)
            times = np.array([f[1] for f in found], dtype=np.float64)
            self.ns_per_sample, self.sample0 = np.polyfit(index, times, 1)
            residual = times - (self.sample0 + self.ns_per_sample * index)
            cal["spread_ms"] = float(residual.max() - residual.min()) / 1e6
            for (at, t), r in zip(found, residual):
                self.note(t, f"click calibration, {r / 1e6:+.2f} ms from the line through all")
            cal["drift_ppm"] = (self.ns_per_sample * self.rate / 1e9 - 1) * 1e6
        elif found:
            self.ns_per_sample = 1e9 / self.rate
            self.sample0 = float(np.median([t - at * 1e9 / self.rate for at, t in found]))
            offsets = [t - at * 1e9 / self.rate for at, t in found]
            cal["spread_ms"] = (max(offsets) - min(offsets)) / 1e6
            cal["drift_ppm"] = None
        else:
            self.ns_per_sample = 1e9 / self.rate
            self.sample0 = start_ns
            cal.update({"spread_ms": spread_ns / 1e6, "drift_ppm": None})
            self.notes.append("no calibration click was found; times rest on latency reports")
        cal["vs_latency_ms"] = (self.sample0 - start_ns) / 1e6
        cal["round_trip_ms"] = max(rt for _, _, rt in self.r.events) / 1e6
        self.figures["calibration"] = cal

    def index(self, t_ns):
        return int(round((t_ns - self.sample0) / self.ns_per_sample))

    def at_ns(self, index):
        return self.sample0 + index * self.ns_per_sample

    def seconds(self, t_ns):
        return (t_ns - self.sample0) / 1e9

    def note(self, t_ns, what):
        self.listing.append((self.seconds(t_ns), what))

    # --- hops -------------------------------------------------------------------

    def hop_onsets(self, from_index, to_index):
        """Where hop sounds start (index, score), each sound once whichever of
        the hop sounds it is."""
        templates = [read_wave(p, self.rate)
                     for p in sorted(glob.glob(os.path.join(self.folder, "move*.wav")))]
        found = sorted((f for t in templates
                        for f in analysis.find_onsets(self.mono, t, from_index, to_index)),
                       key=lambda f: -f[1])
        shortest = min((len(t) for t in templates), default=1)
        taken = []
        for at, score in found:
            if all(abs(at - a) >= shortest for a, _ in taken):
                taken.append((at, score))
        return sorted(taken)

    def hops(self, name):
        keys = [t for n, t, _ in self.r.events if n == name]
        # The X server took each key somewhere within its round trip; the
        # game may act on it before the midpoint the latency is measured
        # from, so a call is paired with the earliest the key may have been.
        earliest = [t - rt / 2 for n, t, rt in self.r.events if n == name]
        fig = HopFigures(keys=len(keys), with_calls=self.stats is not None)
        if not keys:
            return fig
        lo = self.index(keys[0]) - self.rate // 100
        hi = self.index(keys[-1]) + int((KEY_TO_CALL_MS + CALL_TO_SOUND_MS) * self.rate / 1000)
        onsets = self.hop_onsets(lo, hi)
        sounds = [self.at_ns(at) for at, _ in onsets]
        calls = None
        if self.stats is not None:
            first, last = earliest[0], keys[-1] + KEY_TO_CALL_MS * 1e6
            calls = [ns for ns, f in self.stats.effects
                     if os.path.basename(f).startswith("move") and first <= ns <= last]
        paired, left = analysis.hop_sounds(earliest, calls, sounds, KEY_TO_CALL_MS * 1e6,
                                           CALL_TO_SOUND_MS * 1e6, [sc for _, sc in onsets])
        for k, c, s in paired:
            key = keys[k]
            self.note(key, f"key   {name}")
            if calls is not None and c is None:
                fig.refused_s.append(self.seconds(key))
                self.note(key, "      REFUSED: the game played no hop sound for this key")
                continue
            fig.played += 1
            if c is not None:
                fig.key_to_call_ms.append((calls[c] - key) / 1e6)
                self.note(calls[c], f"call  PlayEffect, {(calls[c] - key) / 1e6:.1f} ms after "
                          "its key")
            if s is None:
                fig.missed_s.append(self.seconds(key))
                self.note(key, "      MISSED: " + ("played, but " if c is not None else "") +
                          "no hop sound found in the recording")
                continue
            fig.latencies_ms.append((sounds[s] - key) / 1e6)
            if c is not None:
                fig.call_to_sound_ms.append((sounds[s] - calls[c]) / 1e6)
            after_call = f", {(sounds[s] - calls[c]) / 1e6:.1f} after the call" if c is not None \
                else ""
            self.note(sounds[s], f"sound hop, {fig.latencies_ms[-1]:.1f} ms after its key"
                      f"{after_call} (match {onsets[s][1]:.2f})")
        for s in left:
            fig.unclaimed_s.append(self.seconds(sounds[s]))
            self.note(sounds[s], "sound like a hop that no key accounts for (match "
                      f"{onsets[s][1]:.2f})")
        return fig

    # --- the lost toad ----------------------------------------------------------

    def loss(self):
        killoff = read_wave(os.path.join(self.folder, "killoff.wav"), self.rate)
        into = [t for n, t, _ in self.r.events if n == "into the road"]
        if not into:
            return None
        i = self.index(into[0])
        at, _ = analysis.find_onset(self.mono, killoff, i, i + 7 * self.rate)
        if at is None:
            return None
        self.note(self.at_ns(at), "sound a lost toad")
        return (at - i) / self.rate

    # --- stops and starts -------------------------------------------------------

    def music_call_before(self, kind, t_ns, since_ns):
        """The game's last PlayMusic ("play") or StopMusic ("stop") call in
        (since_ns, t_ns]."""
        if self.stats is None:
            return None
        calls = [ns for ns, k, _, _ in self.stats.music if k == kind and since_ns < ns <= t_ns]
        return calls[-1] if calls else None

    def steps(self):
        """{event name: [[found transition, ...] for each time it happened]},
        each found transition a dict: kind, ms after the key, step, detail."""
        audio = self.r.audio
        events = self.r.events
        steps = {}
        for n, (name, t, _) in enumerate(events):
            if name not in TRANSITIONS:
                continue
            i = self.index(t)
            end = i + int(TRANSITION_SPAN_S * self.rate)
            if n + 1 < len(events):
                end = min(end, self.index(events[n + 1][1]))
            self.note(t, f"key   {name}")
            found, begin = [], i
            for kind in TRANSITIONS[name]:
                if kind == "stop":
                    at, step, jump, rough = analysis.stop_step(
                        audio, i, min(end, i + int(STOP_WITHIN_S * self.rate)), rate=self.rate)
                    detail = f"jump {jump:.4f} against the quiet side's own {rough:.4f}"
                else:
                    at, step = analysis.start_step(audio, begin, end, rate=self.rate)
                    detail = "from silence"
                    call = None if at is None else self.music_call_before(
                        "play", self.at_ns(at), t - 1e6)
                    if call is not None:
                        detail += f"; {(self.at_ns(at) - call) / 1e6:.0f} ms after PlayMusic"
                if at is None:
                    found.append({"kind": kind, "ms": None, "step": None, "detail": "not found"})
                    self.note(t, f"      no {kind} found after {name}")
                    continue
                begin = at + self.rate // 1000
                ms = (at - i) * 1000.0 / self.rate
                found.append({"kind": kind, "ms": ms, "step": step, "detail": detail})
                self.note(self.at_ns(at), f"{kind:5s} after {name}: step {step:.4f} ({detail})")
            steps.setdefault(name, []).append(found)
        return steps

    def run(self):
        self.calibrate()
        self.figures["hops"] = {name: self.hops(name) for name, _ in HOP_PHASES}
        self.figures["loss_heard_s"] = self.loss()
        self.figures["steps"] = self.steps()
        if self.stats is None:
            self.notes.append("without the game's statistics, hop sounds were paired with keys "
                              "directly")
        return self

    def keep(self, path):
        """The recording as a wave file, and beside it what happened when."""
        with wave.open(path, "wb") as w:
            w.setnchannels(2)
            w.setsampwidth(2)
            w.setframerate(self.rate)
            w.writeframes((np.clip(self.r.audio, -1, 1) * 32767).astype("<i2").tobytes())
        named = {name for name, _ in HOP_PHASES} | set(TRANSITIONS)
        lines = list(self.listing)
        lines += [(self.seconds(t), f"key   {name}") for name, t, _ in self.r.events
                  if name not in named]
        with open(path + ".txt", "w") as f:
            f.write("# seconds into the recording, what happened\n")
            for at, what in sorted(lines, key=lambda e: e[0]):
                f.write(f"{at:9.3f} {what}\n")

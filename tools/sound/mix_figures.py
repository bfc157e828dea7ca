#!/usr/bin/env python3
"""Measures the game's mix as a player hears it, and prints the figures.

    python3 tools/sound/mix_figures.py [song sheet ...]

Every song is rendered by FluidSynth the way the game plays it (gain 0.6,
Debian's General MIDI SoundFont), once whole and once for each part alone,
and measured after ITU-R BS.1770 (see loudness.py):

- each song's integrated loudness, and that of all songs together, which is
  the level the effects are set against;
- for every section as it is played, each part's loudness heard alone and
  how far the quietest sounding part falls under the loudest;
- the near-silence, and the dip far under the song's level, where the song
  runs from its end into its own start;
- the key the song ends in against the one it starts in;
- the largest share of the song's bars that one section's music takes.

The tests in tests/sound/test_mix.py hold these figures to the game's
targets. Needs the fluidsynth program, python3-numpy and python3-scipy.
"""

import concurrent.futures
import math
import os
import re
import subprocess
import sys
import tempfile
import wave

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import loudness  # noqa: E402
import make_effects  # noqa: E402
import make_songs  # noqa: E402

ASSETS = os.path.normpath(os.path.join(HERE, "..", "..", "assets"))
SOUNDFONT = "/usr/share/sounds/sf2/default-GM.sf2"
SYNTH_GAIN = 0.6  # the gain the game gives FluidSynth
RATE = 44100

# Near-silence: 50 ms windows, 10 ms apart, whose RMS on the louder channel
# is under -50 dBFS (about 30 dB under the songs' own level), reverb tails
# counted as sound.
QUIET_DBFS = -50.0
QUIET_WINDOW = 0.05
QUIET_STEP = 0.01

# A dip: 100 ms windows of K-weighted loudness more than 10 LU under the
# song's integrated loudness, where the music has all but stopped (a closing
# rest, a count-in of clicks, a thin opening).
DIP_LU = 10.0
DIP_WINDOW = 0.1

# The hop can play ten times a second, its shortest spacing in the game.
HOP_INTERVAL = make_effects.HOP_INTERVAL
HOP_TRAIN_SECONDS = 2.0


# ---------------------------------------------------------------- audio files


def read_wave(path):
    """Samples of a 16-bit wave file as floats, one column per channel, and the rate."""
    with wave.open(path) as w:
        if w.getsampwidth() != 2:
            raise ValueError(f"{path}: not 16-bit")
        data = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2")
        return data.reshape(-1, w.getnchannels()) / 32768.0, w.getframerate()


def render(midi, wav):
    """Renders a MIDI file as the game's synthesizer would play it."""
    done = subprocess.run(["fluidsynth", "-ni", "-g", str(SYNTH_GAIN), "-F", wav, "-r", str(RATE),
                           SOUNDFONT, midi], capture_output=True, text=True)
    if done.returncode != 0 or not os.path.exists(wav):
        raise RuntimeError(f"fluidsynth could not render {midi}: {done.stderr.strip()}")
    return read_wave(wav)[0]


def as_played(sound):
    """A mono effect as the game mixes it: the same samples on both sides."""
    return np.hstack([sound, sound]) if sound.shape[1] == 1 else sound


# ---------------------------------------------------------------- song form


class Play:
    """One section as the play list plays it."""

    def __init__(self, index, name, opts, start_tick, end_tick, tempos):
        self.index = index
        self.name = name
        self.opts = opts
        self.start_tick, self.end_tick = start_tick, end_tick
        self.start = make_songs.seconds_at(tempos, start_tick)
        self.end = make_songs.seconds_at(tempos, end_tick)
        self.transpose = int(opts.get("transpose", 0))
        self.parts = []  # parts with notes in it

    @property
    def label(self):
        return f"{self.index + 1}:{self.name}"


class SongForm:
    """A song sheet arranged: its sections in time and the parts in each."""

    def __init__(self, sheet):
        self.sheet = sheet
        self.song = make_songs.read_sheet(sheet)
        self.arr, self.end_tick = make_songs.arrange(self.song)
        self.length = make_songs.seconds_at(self.arr.tempos, self.end_tick)
        self.bar_ticks = self.arr.bar_ticks
        starts = [tick for tick, _ in self.arr.markers] + [self.end_tick]
        self.plays = [Play(i, name, opts, starts[i], starts[i + 1], self.arr.tempos)
                      for i, (name, opts, _) in enumerate(self.song["play"])]
        for play in self.plays:
            play.parts = [part for part, notes in self.arr.notes.items()
                          if any(play.start_tick <= n[0] < play.end_tick for n in notes)]

    @property
    def parts(self):
        return list(self.song["parts"])

    def midi(self, parts=None):
        return make_songs.write_midi(self.song, self.arr, self.end_tick, parts)

    def written_parts(self, play):
        """Parts playing a written line in a section, rather than a pattern
        made from the chords (copies of a written line count as written)."""
        lines = self.song["sections"][play.name]["lines"]
        copies = dict(c.split(":", 1) for c in play.opts.get("copy", "").split(";") if c)
        written = set()
        for part in play.parts:
            source = re.match(r"\w+", copies.get(part, part)).group(0)
            if source in lines and not lines[source][0].startswith("@"):
                written.add(part)
        return written

    def bars(self, play):
        return (play.end_tick - play.start_tick) // self.bar_ticks

    def chord_bars(self, name):
        section = self.song["sections"][name]
        text, where = section["lines"]["chords"]
        return make_songs.parse_chords(text, self.bar_ticks, where)

    def bar_signatures(self, name):
        """What each bar of a section is made of: its chords and every part's line."""
        lines = self.song["sections"][name]["lines"]
        chord_bars = make_songs.split_bars(lines["chords"][0])
        sigs = []
        for b, chords in enumerate(chord_bars):
            parts = []
            for part, (text, _) in sorted(lines.items()):
                if part == "chords":
                    continue
                if text.startswith("@"):
                    parts.append((part, text))
                else:
                    written = make_songs.split_bars(text)
                    parts.append((part, written[b] if b < len(written) else ""))
            sigs.append((" ".join(chords.split()), tuple(parts)))
        return sigs

    def same_music(self, a, b):
        """Two sections are the same music when most of their bars are the same."""
        if a == b:
            return True
        sa, sb = self.bar_signatures(a), self.bar_signatures(b)
        alike = sum(1 for x, y in zip(sa, sb) if x == y)
        return alike * 2 > max(len(sa), len(sb))

    def section_shares(self):
        """Share of all bars for each group of sections that are the same music."""
        names = list(dict.fromkeys(p.name for p in self.plays))
        groups = []
        for name in names:
            for group in groups:
                if any(self.same_music(name, other) for other in group):
                    group.append(name)
                    break
            else:
                groups.append([name])
        total = sum(self.bars(p) for p in self.plays)
        shares = {}
        for group in groups:
            bars = sum(self.bars(p) for p in self.plays if p.name in group)
            shares["+".join(group)] = bars / total
        return shares

    def key_name(self, transpose):
        tonic, mode = self.song["key"]
        return f"{NOTE_NAMES[(tonic + transpose) % 12]} {mode}"

    def ends(self):
        """(key and chord at the end, key and chord at the start)."""
        first, last = self.plays[0], self.plays[-1]
        first_chord = self.chord_bars(first.name)[0][0]
        last_chord = self.chord_bars(last.name)[-1][-1]
        return ((self.key_name(last.transpose), chord_name(last_chord, last.transpose)),
                (self.key_name(first.transpose), chord_name(first_chord, first.transpose)))


NOTE_NAMES = ["C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"]


def chord_name(chord, transpose):
    kind = chord["name"].split("/")[0].lstrip("ABCDEFG#b")
    return NOTE_NAMES[(chord["root"] + transpose) % 12] + kind


def chord_root(chord, transpose):
    return (chord["root"] + transpose) % 12


# ---------------------------------------------------------------- measures


def loop_silence(mix, rate, length):
    """Near-silent seconds at the end and at the start of a song that repeats.

    Only the song's own length counts: when it ends the game starts it
    again, so nothing after that is heard.
    """
    mix = mix[:int(round(length * rate))]
    levels, n, hop = loudness.short_levels(mix, rate, QUIET_WINDOW, QUIET_STEP)
    return quiet_ends(levels >= QUIET_DBFS, n, hop, len(mix), rate)


def quiet_ends(loud, n, hop, frames, rate):
    """Seconds before the first and after the last loud window, as (end, start).

    Windows of n frames, hop apart; the quiet is counted to the middle of the
    first loud window and from the middle of the last, so within half a
    window, and as none at an end whose outermost window is loud.
    """
    where = np.nonzero(loud)[0]
    if len(where) == 0:
        return frames / rate, 0.0
    head = 0.0 if where[0] == 0 else (where[0] * hop + n / 2) / rate
    tail = 0.0 if where[-1] == len(loud) - 1 else (frames - where[-1] * hop - n / 2) / rate
    return tail, head


def loop_dip(mix, rate, length, level):
    """Seconds at the end and at the start more than DIP_LU under `level`."""
    mix = mix[:int(round(length * rate))]
    step = int(round(QUIET_STEP * rate))
    blocks = loudness.block_powers(loudness.weighted_power(mix, rate), rate, DIP_WINDOW, QUIET_STEP)
    with np.errstate(divide="ignore"):
        levels = -0.691 + 10 * np.log10(blocks)
    return quiet_ends(levels >= level - DIP_LU, int(round(DIP_WINDOW * rate)), step, len(mix), rate)


def part_levels(solos, play, rate):
    """Integrated loudness of each part alone over a section."""
    a, b = int(round(play.start * rate)), int(round(play.end * rate))
    return {part: loudness.integrated(solos[part][a:b], rate) for part in play.parts}


def hop_train(sound, rate):
    """The hop as fast as the game plays it, for two seconds."""
    step = int(round(HOP_INTERVAL * rate))
    n = int(round(HOP_TRAIN_SECONDS * rate))
    train = np.zeros((n + len(sound), sound.shape[1]))
    for at in range(0, n, step):
        train[at:at + len(sound)] += sound
    return train[:n]


def effect_loudness(sound, rate):
    """An effect's loudness as played over the music.

    A sound shorter than BS.1770's 400 ms block has no block of its own; the
    hop is measured as the game can play it, ten a second, which is what
    fills a block when the player hops quickly.
    """
    sound = as_played(sound)
    if len(sound) < loudness.BLOCK_SECONDS * rate:
        return loudness.integrated(hop_train(sound, rate), rate)
    return loudness.integrated(sound, rate)


class SongFigures:
    def __init__(self, form, mix, solos, rate):
        self.form = form
        self.title = form.song["title"]
        self.file = form.song["file"]
        self.mix = mix[:int(round(form.length * rate))]
        self.rate = rate
        self.loudness = loudness.integrated(self.mix, rate)
        self.sections = []
        for play in form.plays:
            levels = part_levels(solos, play, rate)
            audible = {p: v for p, v in levels.items() if v > -math.inf}
            top = max(audible.values()) if audible else -math.inf
            spread = top - min(audible.values()) if audible else 0.0
            self.sections.append((play, levels, spread))
        self.tail, self.head = loop_silence(mix, rate, form.length)
        self.dip_tail, self.dip_head = loop_dip(mix, rate, form.length, self.loudness)
        self.end_key, self.start_key = form.ends()
        self.shares = form.section_shares()

    @property
    def loop_gap(self):
        return self.tail + self.head

    @property
    def loop_dip(self):
        return self.dip_tail + self.dip_head

    @property
    def largest_share(self):
        return max(self.shares.items(), key=lambda kv: kv[1])

    @property
    def largest_spread(self):
        return max(self.sections, key=lambda s: s[2])


def measure_songs(sheets, scratch, committed=None, workers=2):
    """Renders every song whole and part by part, and measures them.

    With `committed` (a folder), the whole songs are the files there, as the
    game plays them; the parts alone always come from the sheets.
    """
    forms = [SongForm(s) for s in sheets]
    jobs = {}
    for form in forms:
        stem = os.path.join(scratch, os.path.splitext(form.song["file"])[0])
        jobs[(form.sheet, None)] = (stem + ".mid", stem + ".wav", form.midi())
        if committed:
            with open(os.path.join(committed, form.song["file"]), "rb") as f:
                jobs[(form.sheet, None)] = (stem + ".mid", stem + ".wav", f.read())
        for part in form.parts:
            jobs[(form.sheet, part)] = (f"{stem}-{part}.mid", f"{stem}-{part}.wav",
                                        form.midi([part]))
    for midi, _, data in jobs.values():
        with open(midi, "wb") as f:
            f.write(data)
    with concurrent.futures.ThreadPoolExecutor(workers) as pool:
        renders = dict(zip(jobs, pool.map(lambda j: render(j[0], j[1]), jobs.values())))
    figures = []
    for form in forms:
        solos = {part: renders[(form.sheet, part)] for part in form.parts}
        figures.append(SongFigures(form, renders[(form.sheet, None)], solos, RATE))
    return figures


def music_loudness(figures):
    """The loudness of all the songs played one after another."""
    return loudness.integrated(np.concatenate([f.mix for f in figures]), RATE)


def measure_effects(folder):
    out = {}
    for name in make_effects.EFFECTS:
        sound, rate = read_wave(os.path.join(folder, name + ".wav"))
        out[name] = effect_loudness(sound, rate)
    return out


# ---------------------------------------------------------------- report


def report(figures, effects, out=sys.stdout):
    music = music_loudness(figures)
    print(f"All songs together: {music:.1f} LUFS", file=out)
    for name, level in effects.items():
        print(f"  {name + '.wav':14} {level:6.1f} LUFS  {level - music:+5.1f} LU against the music",
              file=out)
    for f in figures:
        print(f"\n{f.title} ({f.file}, {f.form.length:.1f} s): {f.loudness:.1f} LUFS", file=out)
        for play, levels, spread in f.sections:
            parts = "  ".join(f"{p} {v:.1f}" for p, v in levels.items())
            print(f"  {play.label:12} spread {spread:4.1f} LU   {parts}", file=out)
        print(f"  loop: {f.tail:.2f} s near-silent at the end + {f.head:.2f} s at the start"
              f" = {f.loop_gap:.2f} s", file=out)
        print(f"  loop: {f.dip_tail:.2f} s more than {DIP_LU:.0f} LU under the song at the end"
              f" + {f.dip_head:.2f} s at the start = {f.loop_dip:.2f} s", file=out)
        print(f"  ends in {f.end_key[0]} on {f.end_key[1]}, starts in {f.start_key[0]}"
              f" on {f.start_key[1]}", file=out)
        shares = ", ".join(f"{k} {v:.0%}" for k, v in
                           sorted(f.shares.items(), key=lambda kv: -kv[1]))
        print(f"  bars: {shares}", file=out)


def summary(figures, effects, out=sys.stdout):
    """One table of the figures the game's mix is held to."""
    music = music_loudness(figures)
    print("| Sound | Loudness | Against the music |", file=out)
    print("|---|---|---|", file=out)
    print(f"| all songs together | {music:.1f} LUFS | |", file=out)
    for name, level in effects.items():
        print(f"| {name}.wav | {level:.1f} LUFS | {level - music:+.1f} LU |", file=out)
    print("", file=out)
    print("| Song | Loudness | Largest part spread | Loop: silent / dip | Ends / starts"
          " | Largest section share |", file=out)
    print("|---|---|---|---|---|---|", file=out)
    for f in figures:
        play, levels, spread = f.largest_spread
        audible = {p: v for p, v in levels.items() if v > -math.inf}
        top, low = max(audible, key=audible.get), min(audible, key=audible.get)
        name, share = f.largest_share
        print(f"| {f.file} | {f.loudness:.1f} LUFS | {spread:.1f} LU ({play.name}: {low} under {top})"
              f" | {f.loop_gap:.2f} s / {f.loop_dip:.2f} s | {f.end_key[0]} on {f.end_key[1]} /"
              f" {f.start_key[0]} on {f.start_key[1]} | {name} {share:.0%} |", file=out)


def main(argv):
    sheets = argv[1:] or sorted(
        os.path.join(HERE, "songs", f) for f in os.listdir(os.path.join(HERE, "songs"))
        if f.endswith(".song"))
    with tempfile.TemporaryDirectory() as scratch:
        figures = measure_songs(sheets, scratch)
    effects = measure_effects(os.path.join(ASSETS, "sounds"))
    report(figures, effects)
    print()
    summary(figures, effects)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

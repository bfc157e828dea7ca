#!/usr/bin/env python3
"""Turns the song sheets in tools/sound/songs/*.song into Standard MIDI Files.

    python3 tools/sound/make_songs.py [output folder] [sheet ...]

The output folder defaults to assets/music/ of this repository, the sheets to
every *.song beside this script. The result is the same on every run. See
README.md for the notation of the sheets.
"""

import math
import os
import random
import re
import struct
import sys

TPQ = 480  # ticks per quarter note

DYNAMICS = {"pp": 38, "p": 52, "mp": 66, "mf": 80, "f": 94, "ff": 108}

DRUMS = {
    "kick": 36, "kick2": 35, "rim": 37, "snare": 38, "clap": 39, "snare2": 40,
    "tom3": 43, "hat": 42, "pedalhat": 44, "tom2": 47, "openhat": 46, "tom1": 50,
    "crash": 49, "ride": 51, "china": 52, "ridebell": 53, "tamb": 54, "splash": 55,
    "cowbell": 56, "crash2": 57, "claves": 75, "wood": 76, "lowwood": 77,
    "shaker": 70, "cabasa": 69, "bongo": 60, "lowbongo": 61, "conga": 63,
}

CHORDS = {
    "": (0, 4, 7), "m": (0, 3, 7), "7": (0, 4, 7, 10), "maj7": (0, 4, 7, 11),
    "m7": (0, 3, 7, 10), "dim": (0, 3, 6), "dim7": (0, 3, 6, 9), "aug": (0, 4, 8),
    "sus2": (0, 2, 7), "sus4": (0, 5, 7), "5": (0, 7), "6": (0, 4, 7, 9),
    "m6": (0, 3, 7, 9), "add9": (0, 4, 7, 14), "9": (0, 4, 7, 10, 14),
}

NOTE_CLASS = {"c": 0, "d": 2, "e": 4, "f": 5, "g": 7, "a": 9, "b": 11}
MAJOR = (0, 2, 4, 5, 7, 9, 11)
MINOR = (0, 2, 3, 5, 7, 8, 10)


class SheetError(Exception):
    pass


# ---------------------------------------------------------------- notation


def pitch_class(text):
    n = NOTE_CLASS[text[0].lower()]
    for acc in text[1:]:
        n += 1 if acc == "#" else -1
    return n % 12


def parse_pitch(text, where):
    m = re.fullmatch(r"([a-g])([#b]?)(-?\d)", text)
    if not m:
        raise SheetError(f"{where}: '{text}' is not a note (like c5, f#4, bb3)")
    n = NOTE_CLASS[m.group(1)] + {"#": 1, "b": -1, "": 0}[m.group(2)]
    key = 12 * (int(m.group(3)) + 1) + n
    if not 0 <= key <= 127:
        raise SheetError(f"{where}: '{text}' is out of range")
    return key


def parse_chord(text, where):
    m = re.fullmatch(r"([A-G][#b]?)([a-z0-9]*)(?:/([A-G][#b]?))?", text)
    if not m or m.group(2) not in CHORDS:
        raise SheetError(f"{where}: '{text}' is not a chord this sheet knows")
    root = pitch_class(m.group(1))
    bass = pitch_class(m.group(3)) if m.group(3) else root
    return {"name": text, "root": root, "bass": bass,
            "tones": [(root + i) % 12 for i in CHORDS[m.group(2)]],
            "intervals": CHORDS[m.group(2)]}


def split_bars(text):
    bars = [b.strip() for b in text.split("|")]
    if bars and bars[0] == "":
        bars = bars[1:]
    if bars and bars[-1] == "":
        bars = bars[:-1]
    return bars


def parse_notes(text, unit, bar_ticks, where):
    """A melody line: returns bars of events (start, length, keys, mark, glide)."""
    bars = []
    last = None
    for b, bar in enumerate(split_bars(text)):
        here = f"{where}, bar {b + 1}"
        events = []
        t = 0
        bar = re.sub(r"\[([^\]]*)\]", lambda m: "[" + ",".join(m.group(1).split()) + "]", bar)
        if bar == "~":
            bars.append([])
            last = None
            continue
        for token in bar.split():
            m = re.fullmatch(r"(.+?)(?:\*(\d+(?:\.\d+)?))?(?:/(\d+))?([!?']*)", token)
            if not m:
                raise SheetError(f"{here}: cannot read '{token}'")
            item, mult, div, marks = m.groups()
            length = unit * float(mult or 1) / float(div or 1)
            if abs(length - round(length)) > 1e-6:
                raise SheetError(f"{here}: '{token}' does not fall on a tick")
            length = int(round(length))
            if item == "-":
                if last is None:
                    raise SheetError(f"{here}: '-' holds nothing")
                last["length"] += length
            elif item == "r":
                last = None
            else:
                glide = None
                if item.startswith("["):
                    keys = [parse_pitch(p, here) for p in item.strip("[]").split(",") if p]
                elif item.endswith("^"):
                    root = parse_pitch(item[:-1], here)
                    keys = [root, root + 7, root + 12]
                elif ">" in item:
                    a, z = item.split(">")
                    keys = [parse_pitch(a, here)]
                    glide = parse_pitch(z, here) - keys[0]
                else:
                    keys = [parse_pitch(item, here)]
                last = {"start": t, "length": length, "keys": keys, "marks": marks,
                        "glide": glide}
                events.append(last)
            t += length
        if t != bar_ticks:
            raise SheetError(f"{here}: the bar holds {t / unit:g} units, not {bar_ticks / unit:g}")
        bars.append(events)
    return bars


def parse_chords(text, bar_ticks, where):
    bars = []
    prev = None
    for b, bar in enumerate(split_bars(text)):
        tokens = bar.split()
        if not tokens:
            raise SheetError(f"{where}, bar {b + 1}: no chord")
        step = bar_ticks // len(tokens)
        spans = []
        for i, tok in enumerate(tokens):
            if tok == ".":
                if prev is None:
                    raise SheetError(f"{where}, bar {b + 1}: '.' continues nothing")
                if spans:
                    spans[-1]["length"] += step
                else:
                    spans.append(dict(prev, start=0, length=step))
            else:
                prev = parse_chord(tok, f"{where}, bar {b + 1}")
                spans.append(dict(prev, start=i * step, length=step))
        bars.append(spans)
    return bars


def parse_options(words, where):
    opts = {}
    for w in words:
        if "=" in w:
            k, v = w.split("=", 1)
            opts[k] = v
        else:
            opts[w] = True
    return opts


# FluidSynth takes a SoundFont generator's change on a channel as a non-registered
# parameter (NRPN 120, then the generator's number), its value 8192 plus the
# change in steps of two timecents for the envelope's release.
GEN_VOLENVRELEASE = 38
RELEASE_NRPN_STEP = 2


def release_timecents(text, where):
    """The change to an instrument's release time, in timecents, for the
    factor `text` (0.25: a quarter of the SoundFont's own release)."""
    try:
        factor = float(text)
    except ValueError:
        raise SheetError(f"{where}: release={text} is not a number")
    if not 1 / 64 <= factor <= 64:
        raise SheetError(f"{where}: release={text} lies outside 1/64 to 64")
    return int(round(1200 * math.log2(factor)))


def read_sheet(path):
    """Reads a song sheet into a dictionary of its parts, grooves, sections and order."""
    name = os.path.basename(path)
    song = {"path": path, "parts": {}, "grooves": {}, "sections": {}, "play": [],
            "tempo": 120.0, "meter": (4, 4), "unit": TPQ // 2, "key": (0, "major"),
            "level": 0.0}
    lines = []
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            # A comment starts with '#' after a space or at the start of a
            # line; sharps (F#m, c#5) always follow a letter.
            text = re.sub(r"(^|\s)#.*$", "", raw.rstrip("\n")).rstrip()
            if text.strip():
                lines.append((number, text))

    block = None  # ('groove', name) / ('section', name) / ('play',)
    current_line = None
    for number, text in lines:
        where = f"{name}:{number}"
        indented = text[0].isspace()
        words = text.split()
        if not indented:
            block = None
            head = words[0]
            if head == "title":
                song["title"] = " ".join(words[1:])
            elif head == "file":
                song["file"] = words[1]
            elif head == "tempo":
                song["tempo"] = float(words[1])
            elif head == "meter":
                a, b = words[1].split("/")
                if b != "4":
                    raise SheetError(f"{where}: only meters of quarter notes are known")
                song["meter"] = (int(a), int(b))
            elif head == "unit":
                a, b = words[1].split("/")
                song["unit"] = TPQ * 4 * int(a) // int(b)
            elif head == "level":
                song["level"] = float(words[1])
            elif head == "key":
                song["key"] = (pitch_class(words[1]), words[2] if len(words) > 2 else "major")
            elif head == "part":
                opts = parse_options(words[2:], where)
                song["parts"][words[1]] = {
                    "name": words[1], "order": len(song["parts"]),
                    "channel": int(opts.get("ch", 1)) - 1, "program": int(opts.get("prog", 0)),
                    "volume": int(opts.get("vol", 100)), "pan": int(opts.get("pan", 64)),
                    "reverb": int(opts.get("reverb", 40)), "chorus": int(opts.get("chorus", 0)),
                    "bend": int(opts.get("bend", 2)), "vel": int(opts.get("vel", 0)),
                    "legato": float(opts.get("legato", 0.92)), "center": int(opts.get("center", 60)),
                    "mod": int(opts.get("mod", 0)), "drums": int(opts.get("ch", 1)) == 10,
                    "release": release_timecents(opts.get("release", "1"), where),
                }
            elif head == "groove":
                block = ("groove", words[1])
                song["grooves"][words[1]] = {}
            elif head == "section":
                block = ("section", words[1])
                song["sections"][words[1]] = {"name": words[1], "lines": {}, "where": where}
            elif head == "play":
                block = ("play",)
            else:
                raise SheetError(f"{where}: unknown heading '{head}'")
            continue
        if block is None:
            raise SheetError(f"{where}: indented line outside a groove, section or play list")
        if block[0] == "groove":
            pattern = "".join(words[1:]).replace("|", "")
            if words[0] not in DRUMS:
                raise SheetError(f"{where}: unknown drum '{words[0]}'")
            if not re.fullmatch(r"[xXo.]+", pattern):
                raise SheetError(f"{where}: a groove line is made of x X o and .")
            song["grooves"][block[1]][words[0]] = pattern
        elif block[0] == "section":
            lines_of = song["sections"][block[1]]["lines"]
            if words[0].startswith("|"):
                if current_line is None:
                    raise SheetError(f"{where}: a continued line with nothing to continue")
                # "| a | b |" continued by "| c |" is one line "| a | b | c |".
                lines_of[current_line][0] = lines_of[current_line][0].rstrip().rstrip("|") + " " + text.strip()
            else:
                current_line = words[0]
                lines_of[current_line] = [text.strip()[len(words[0]):].strip(), where]
        else:
            song["play"].append((words[0], parse_options(words[1:], where), where))
    for key in ("title", "file"):
        if key not in song:
            raise SheetError(f"{name}: no '{key}' line")
    return song


# ---------------------------------------------------------------- arranging


def diatonic_third_below(key, song_key):
    """The note a third below `key` in the song's scale (a minor third off it)."""
    tonic, mode = song_key
    scale = {(tonic + s) % 12 for s in (MAJOR if mode == "major" else MINOR)}
    for down in (3, 4):
        if (key - down) % 12 in scale:
            return key - down
    return key - 3


def voicing(tones, center, size, previous):
    """Close chord positions near `center`, moving as little as possible."""
    best = None
    pcs = list(dict.fromkeys(tones))[:size] if len(tones) >= size else list(tones)
    while len(pcs) < size:
        pcs.append(pcs[len(pcs) % len(tones)])
    for inv in range(len(pcs)):
        order = pcs[inv:] + pcs[:inv]
        for base in range(center - 14, center + 2):
            if base % 12 != order[0] % 12:
                continue
            keys = [base]
            for pc in order[1:]:
                k = keys[-1] + 1
                while k % 12 != pc % 12:
                    k += 1
                keys.append(k)
            mean = sum(keys) / len(keys)
            if previous:
                cost = sum(abs(a - b) for a, b in zip(sorted(keys), sorted(previous)))
                cost += 0.5 * abs(mean - center)
            else:
                cost = abs(mean - center)
            if best is None or cost < best[0]:
                best = (cost, keys)
    return best[1]


def nearest(pc, center):
    k = center - 6
    while k % 12 != pc % 12:
        k += 1
    return k


class Arranger:
    def __init__(self, song):
        self.song = song
        self.beats, _ = song["meter"]
        self.bar_ticks = self.beats * TPQ
        self.notes = {p: [] for p in song["parts"]}   # (tick, length, key, vel)
        self.bends = {p: [] for p in song["parts"]}   # (tick, value)
        self.tempos = []                               # (tick, bpm)
        self.markers = []
        self.rng = random.Random(1)
        self.voices = {}

    def velocity(self, base, part, extra=0):
        v = base + self.song["parts"][part]["vel"] + extra + self.rng.randint(-2, 2)
        return max(1, min(127, int(round(v))))

    def dynamic(self, opts, bar, bars):
        d = opts.get("dyn", "mf")
        if ">" in d:
            a, b = d.split(">")
            frac = bar / max(1, bars - 1)
            return DYNAMICS[a] + (DYNAMICS[b] - DYNAMICS[a]) * frac
        return DYNAMICS[d]

    def accent(self, tick_in_bar):
        if tick_in_bar == 0:
            return 6
        if tick_in_bar % TPQ == 0:
            return 3 if (tick_in_bar // TPQ) % 2 == 0 else 1
        return -3

    def add(self, part, tick, length, key, vel):
        self.notes[part].append((tick, max(1, int(length)), key, vel))

    # -- written lines

    def play_line(self, part, bars, start, opts, shift, nbars):
        p = self.song["parts"][part]
        for b, events in enumerate(bars):
            base = self.dynamic(opts, b, nbars)
            for e in events:
                tick = start + b * self.bar_ticks + e["start"]
                extra = self.accent(e["start"]) // 2
                extra += 12 * e["marks"].count("!") - 14 * e["marks"].count("?")
                length = e["length"] * (0.5 if "'" in e["marks"] else p["legato"])
                for key in e["keys"]:
                    self.add(part, tick, length, key + shift, self.velocity(base, part, extra))
                if e["glide"]:
                    self.glide(part, tick, e["length"], e["glide"])

    def glide(self, part, tick, length, semitones):
        rng = self.song["parts"][part]["bend"]
        if abs(semitones) > rng:
            raise SheetError(f"part {part}: a slide of {semitones} needs bend={abs(semitones)}")
        span = min(int(length * 0.4), TPQ)
        steps = max(1, span // 20)
        for i in range(1, steps + 1):
            amount = semitones / rng * (i / steps)
            self.bends[part].append((tick + i * span // steps, int(8192 + 8191 * amount)))
        self.bends[part].append((tick + int(length), 8192))

    # -- accompaniment from the chords

    def play_style(self, part, style, sopts, chords, start, opts, transpose):
        p = self.song["parts"][part]
        center = int(sopts.get("center", p["center"])) + transpose
        legato = float(sopts.get("legato", p["legato"]))
        vel_off = int(sopts.get("vel", 0))
        size = int(sopts.get("size", 3))
        for b, spans in enumerate(chords):
            bar_start = start + b * self.bar_ticks
            base = self.dynamic(opts, b, len(chords)) + vel_off
            next_root = chords[b + 1][0]["bass"] if b + 1 < len(chords) else None
            for s in spans:
                t0 = bar_start + s["start"]
                root = nearest(s["bass"], center)
                fifth = root + 7 if root + 7 <= center + 6 else root - 5
                prev = self.voices.get(part)
                keys = voicing(s["tones"], center, size, prev)
                self.voices[part] = keys
                ticks = range(s["start"], s["start"] + s["length"])

                def beat_ticks(step):
                    return [t for t in ticks if t % step == 0]

                if style == "oompah":
                    for t in beat_ticks(TPQ):
                        beat = t // TPQ
                        if beat % 2 == 0:
                            k = root if t == s["start"] or beat == 0 else fifth
                            self.add(part, bar_start + t, TPQ * legato, k,
                                     self.velocity(base, part, self.accent(t)))
                        elif "walk" in sopts and beat == self.beats - 1 and next_root is not None \
                                and t + TPQ == s["start"] + s["length"] and s["start"] + s["length"] == self.bar_ticks:
                            target = nearest(next_root, center)
                            k = target - 1 if (target - root) % 12 < 6 else target + 2
                            self.add(part, bar_start + t, TPQ * legato, k, self.velocity(base - 8, part))
                elif style == "halves":
                    for t in beat_ticks(2 * TPQ):
                        k = root if t == s["start"] else fifth
                        self.add(part, bar_start + t, 2 * TPQ * legato, k, self.velocity(base, part, self.accent(t)))
                elif style == "whole":
                    self.add(part, t0, s["length"] * legato, root, self.velocity(base, part, 4))
                elif style in ("eighths", "octaves"):
                    for i, t in enumerate(beat_ticks(TPQ // 2)):
                        k = root + (12 if style == "octaves" and i % 2 else 0)
                        self.add(part, bar_start + t, TPQ // 2 * legato, k,
                                 self.velocity(base, part, self.accent(t)))
                elif style == "walk":
                    beats = beat_ticks(TPQ)
                    tones = [root, root + s["intervals"][1] % 12, fifth if fifth > root else root + 7]
                    for i, t in enumerate(beats):
                        if i == len(beats) - 1 and next_root is not None and len(beats) > 1:
                            target = nearest(next_root, center)
                            k = target - 1 if target > root else target + 1
                        else:
                            k = tones[i % len(tones)]
                        self.add(part, bar_start + t, TPQ * legato, k, self.velocity(base, part, self.accent(t)))
                elif style == "pah":
                    for t in beat_ticks(TPQ):
                        if (t // TPQ) % 2 == 1:
                            for k in keys:
                                self.add(part, bar_start + t, TPQ * legato, k, self.velocity(base, part))
                elif style == "offbeat":
                    for t in beat_ticks(TPQ // 2):
                        if t % TPQ:
                            for k in keys:
                                self.add(part, bar_start + t, TPQ // 2 * legato, k, self.velocity(base, part))
                elif style == "pad":
                    for k in keys:
                        self.add(part, t0, s["length"] * legato, k, self.velocity(base, part))
                elif style == "hit":
                    for k in keys:
                        self.add(part, t0, min(s["length"], 2 * TPQ) * legato, k, self.velocity(base, part, 8))
                elif style in ("arp", "arp8"):
                    step = TPQ // 4 if style == "arp" else TPQ // 2
                    ring = keys + [keys[0] + 12]
                    seq = ring + ring[-2:0:-1]
                    for i, t in enumerate(beat_ticks(step)):
                        self.add(part, bar_start + t, step * legato, seq[i % len(seq)],
                                 self.velocity(base, part, self.accent(t)))
                elif style in ("power8", "power4"):
                    step = TPQ // 2 if style == "power8" else TPQ
                    mute = "mute" in sopts
                    for t in beat_ticks(step):
                        strong = t % TPQ == 0
                        length = step * (0.45 if mute else legato)
                        v = self.velocity(base, part, self.accent(t) - (10 if mute and not strong else 0))
                        for k in (root, root + 7, root + 12):
                            self.add(part, bar_start + t, length, k, v)
                elif style == "strum":
                    low = nearest(s["bass"], center - 14)
                    full = [low] + voicing(s["tones"], center, 4, prev)
                    self.voices[part] = full[1:]
                    for i, t in enumerate(beat_ticks(TPQ // 2)):
                        down = i % 2 == 0
                        strings = full if down else full[:0:-1]
                        v = self.velocity(base, part, self.accent(t) - (0 if down else 8))
                        for j, k in enumerate(strings):
                            self.add(part, bar_start + t + 6 * j, TPQ // 2 * legato, k, v)
                else:
                    raise SheetError(f"part {part}: unknown style '{style}'")

    def play_groove(self, part, name, start, nbars, opts):
        grooves = self.song["grooves"]
        if name not in grooves:
            raise SheetError(f"no groove named '{name}'")
        steps_per_bar = self.beats * 4
        step = TPQ // 4
        fill = opts.get("fill")
        for b in range(nbars):
            g = grooves[name]
            if fill and b == nbars - 1:
                g = grooves["fill" if fill is True else fill]
            base = self.dynamic(opts, b, nbars)
            for drum, pattern in g.items():
                if len(pattern) % steps_per_bar:
                    raise SheetError(f"groove '{name}': {drum} is not a whole number of bars")
                bars_in = len(pattern) // steps_per_bar
                row = pattern[(b % bars_in) * steps_per_bar:(b % bars_in + 1) * steps_per_bar]
                for i, c in enumerate(row):
                    if c == ".":
                        continue
                    extra = {"x": 0, "X": 18, "o": -30}[c] + self.accent(i * step) // 2
                    self.add(part, start + b * self.bar_ticks + i * step, step, DRUMS[drum],
                             self.velocity(base, part, extra))
        if opts.get("crash"):
            self.add(part, start, TPQ, DRUMS["crash"], self.velocity(self.dynamic(opts, 0, nbars), part, 16))

    def arrange(self):
        song = self.song
        tick = 0
        self.tempos.append((0, song["tempo"]))
        tempo = song["tempo"]
        for name, opts, where in song["play"]:
            if name not in song["sections"]:
                raise SheetError(f"{where}: no section named '{name}'")
            sec = song["sections"][name]
            if "chords" not in sec["lines"]:
                raise SheetError(f"{sec['where']}: section '{name}' has no chords")
            chord_text, chord_where = sec["lines"]["chords"]
            chords = parse_chords(chord_text, self.bar_ticks, chord_where)
            nbars = len(chords)
            transpose = int(opts.get("transpose", 0))
            if transpose:
                for bar in chords:
                    for s in bar:
                        s["bass"] = (s["bass"] + transpose) % 12
                        s["tones"] = [(t + transpose) % 12 for t in s["tones"]]
            self.markers.append((tick, name))
            if "tempo" in opts:
                tempo = float(opts["tempo"])
                self.tempos.append((tick, tempo))
            if "rit" in opts:
                goal = float(opts["rit"])
                beats = nbars * self.beats
                for i in range(beats):
                    self.tempos.append((tick + i * TPQ, tempo + (goal - tempo) * (i + 1) / beats))
                tempo = goal
            muted = set(opts.get("mute", "").split(",")) - {""}
            only = set(opts.get("only", "").split(",")) - {""}
            copies = {}
            for c in opts.get("copy", "").split(";"):
                if c:
                    dst, src = c.split(":", 1)
                    copies[dst] = src
            lines = {}
            for part, (text, lwhere) in sec["lines"].items():
                if part == "chords":
                    continue
                if part not in song["parts"]:
                    raise SheetError(f"{lwhere}: no part named '{part}'")
                lines[part] = (text, lwhere)
            for part in song["parts"]:
                if part in muted or (only and part not in only):
                    continue
                p = song["parts"][part]
                shift = 0 if p["drums"] else transpose
                for k, v in opts.items():
                    m = re.fullmatch(r"(\w+)([+-]\d+)", k) if v is True else None
                    if m and m.group(1) == part:
                        shift += int(m.group(2))
                source = lines.get(part)
                third = False
                if part in copies:
                    m = re.fullmatch(r"(\w+)(?:([+-]\d+))?(:third)?", copies[part])
                    src = m.group(1)
                    if src not in lines:
                        raise SheetError(f"{where}: '{src}' has no line in '{name}' to copy")
                    source = lines[src]
                    shift += int(m.group(2) or 0)
                    third = bool(m.group(3))
                if source is None:
                    continue
                text, lwhere = source
                if text.startswith("@"):
                    words = text.split()
                    sopts = parse_options(words[1:], lwhere)
                    if p["drums"]:
                        self.play_groove(part, words[0][1:], tick, nbars, dict(opts, **sopts))
                    else:
                        self.play_style(part, words[0][1:], sopts, chords, tick, opts, transpose)
                else:
                    bars = parse_notes(text, song["unit"], self.bar_ticks, lwhere)
                    if len(bars) != nbars:
                        raise SheetError(f"{lwhere}: {len(bars)} bars where the chords have {nbars}")
                    if third:
                        for bar in bars:
                            for e in bar:
                                e["keys"] = [diatonic_third_below(k, song["key"]) for k in e["keys"]]
                                e["glide"] = None
                    self.play_line(part, bars, tick, opts, shift, nbars)
            tick += nbars * self.bar_ticks
        return tick


# ---------------------------------------------------------------- writing


def number(v):
    out = [v & 0x7F]
    v >>= 7
    while v:
        out.append((v & 0x7F) | 0x80)
        v >>= 7
    return bytes(reversed(out))


def track_chunk(events, end):
    """events: (tick, order, bytes); order sorts events at one tick."""
    events = sorted(events, key=lambda e: (e[0], e[1]))
    body = bytearray()
    now = 0
    for tick, _, data in events:
        body += number(tick - now) + data
        now = tick
    body += number(end - now) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + bytes(body)


def meta(kind, data):
    return bytes([0xFF, kind]) + number(len(data)) + data


def key_signature(song_key):
    tonic, mode = song_key
    major_tonic = tonic if mode == "major" else (tonic + 3) % 12
    sharps = {0: 0, 7: 1, 2: 2, 9: 3, 4: 4, 11: 5, 6: 6, 5: -1, 10: -2, 3: -3, 8: -4, 1: -5}
    return bytes([sharps[major_tonic] & 0xFF, 0 if mode == "major" else 1])


def arrange(song):
    """Arranges a song: the Arranger with every part's notes, and the end tick."""
    arr = Arranger(song)
    end = arr.arrange()
    return arr, end


def seconds_at(tempos, tick):
    """Seconds from the start to `tick` under a tempo map of (tick, bpm)."""
    seconds = 0.0
    # At one tick the tempo set last holds, as in the written file.
    points = sorted(tempos, key=lambda point: point[0])
    for (t0, bpm), (t1, _) in zip(points, points[1:] + [(math.inf, 0)]):
        if tick <= t0:
            break
        seconds += (min(tick, t1) - t0) / TPQ * 60.0 / bpm
    return seconds


def write_midi(song, arr, end, parts=None):
    """The Standard MIDI File of an arranged song.

    `parts` names the parts whose notes are written (all when None); the
    others keep their tracks and settings but stay silent, so a part can be
    heard alone exactly as it plays in the whole arrangement.
    """
    tracks = []
    conductor = [(0, 0, meta(0x03, song["title"].encode())),
                 (0, 0, meta(0x01, b"Composed for Lilyhops")),
                 (0, 0, meta(0x58, bytes([song["meter"][0], 2, 24, 8]))),
                 (0, 0, meta(0x59, key_signature(song["key"])))]
    for tick, bpm in arr.tempos:
        conductor.append((tick, 1, meta(0x51, struct.pack(">I", int(round(60000000 / bpm)))[1:])))
    for tick, name in arr.markers:
        conductor.append((tick, 2, meta(0x06, name.encode())))
    tracks.append(track_chunk(conductor, end))

    # The song's level in decibels moves every part's volume controller
    # (General MIDI volume is 40 log10 of the controller value).
    level = 10 ** (song["level"] / 40)
    for part, p in sorted(song["parts"].items(), key=lambda kv: kv[1]["order"]):
        ch = p["channel"]
        volume = int(round(p["volume"] * level))
        if not 1 <= volume <= 127:
            # A clipped volume would quietly change the balance of the parts.
            raise SheetError(f"part {part}: vol={p['volume']} at level {song['level']:g} "
                             f"comes to {volume}, outside 1 to 127")
        ev = [(0, 0, meta(0x03, part.encode())),
              (0, 1, bytes([0xC0 | ch, p["program"]])),
              (0, 1, bytes([0xB0 | ch, 7, volume])),
              (0, 1, bytes([0xB0 | ch, 10, p["pan"]])),
              (0, 1, bytes([0xB0 | ch, 91, p["reverb"]])),
              (0, 1, bytes([0xB0 | ch, 93, p["chorus"]])),
              (0, 1, bytes([0xB0 | ch, 1, p["mod"]]))]
        if not p["drums"]:
            for cc, v in ((101, 0), (100, 0), (6, p["bend"]), (38, 0), (101, 127), (100, 127)):
                ev.append((0, 1, bytes([0xB0 | ch, cc, v])))
        if p["release"]:
            data = 8192 + p["release"] // RELEASE_NRPN_STEP
            for cc, v in ((99, 120), (98, GEN_VOLENVRELEASE), (38, data & 0x7F), (6, data >> 7),
                          (99, 127), (98, 127)):
                ev.append((0, 1, bytes([0xB0 | ch, cc, v])))
        sounding = parts is None or part in parts
        for tick, length, key, vel in arr.notes[part]:
            if not 0 <= key <= 127:
                raise SheetError(f"part {part}: a note falls outside the keyboard")
            if not sounding:
                continue
            off = min(tick + length, end)
            ev.append((tick, 3, bytes([0x90 | ch, key, vel])))
            ev.append((off, 0, bytes([0x80 | ch, key, 0])))
        for tick, value in arr.bends[part] if sounding else ():
            ev.append((min(tick, end), 2, bytes([0xE0 | ch, value & 0x7F, value >> 7])))
        tracks.append(track_chunk(ev, end))

    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), TPQ)
    return header + b"".join(tracks)


def build(song):
    """The song's MIDI file and its length in seconds."""
    arr, end = arrange(song)
    return write_midi(song, arr, end), seconds_at(arr.tempos, end)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    folder = argv[1] if len(argv) > 1 else os.path.join(here, "..", "..", "assets", "music")
    sheets = argv[2:] or sorted(
        os.path.join(here, "songs", f) for f in os.listdir(os.path.join(here, "songs")) if f.endswith(".song"))
    os.makedirs(folder, exist_ok=True)
    for sheet in sheets:
        try:
            song = read_sheet(sheet)
            data, seconds = build(song)
        except SheetError as e:
            print(f"make_songs: {e}", file=sys.stderr)
            return 1
        path = os.path.join(folder, song["file"])
        with open(path, "wb") as f:
            f.write(data)
        print(f"{os.path.normpath(path)}: {song['title']}, {seconds:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Makes the game's four sound effects as 16-bit mono wave files.

Every sound is built here from oscillators, noise and envelopes, so the
effects can be changed by editing this file and running it again:

    python3 tools/sound/make_effects.py [output folder]

The output folder defaults to assets/sounds/ of this repository. The result
is the same on every run (the noise comes from a fixed seed).
"""

import math
import os
import random
import struct
import sys
import wave

RATE = 44100

# Each effect's loudness against the music, in LU after ITU-R BS.1770, as the
# game mixes them: mono effects on both sides at full gain over the songs
# rendered by FluidSynth at gain 0.6, which together measure MUSIC_LUFS. The
# loss, game-over and home-bay cues must stand clearly above the music; the
# hop, on every key press and up to ten times a second, sits under it, out
# of the way of the tune.
MUSIC_LUFS = -17.2
AGAINST_MUSIC = {
    "move": -4.0,
    "killoff": 3.0,
    "gameover": 3.0,
    "success": 3.0,
}

# Peaks stay this far under full scale, so that the game's output limiter
# only has to bend the rare peaks of an effect landing on a loud chord.
HIGHEST_PEAK = 0.88

# A sound shorter than the 400 ms block BS.1770 measures in is measured as
# the game plays it at its quickest: repeated every HOP_INTERVAL seconds.
BLOCK = 0.4
HOP_INTERVAL = 0.1


def seconds(n):
    return int(round(n * RATE))


def silence(duration):
    return [0.0] * seconds(duration)


def mix_into(target, sound, at=0.0, gain=1.0):
    """Adds `sound` into `target` starting `at` seconds in, growing it as needed."""
    start = seconds(at)
    if len(target) < start + len(sound):
        target.extend([0.0] * (start + len(sound) - len(target)))
    for i, v in enumerate(sound):
        target[start + i] += gain * v
    return target


def envelope(n, attack, decay, sustain, release, hold=None):
    """Attack-decay-sustain-release over n samples; times in seconds."""
    a, d, r = seconds(attack), seconds(decay), seconds(release)
    if hold is None:
        hold = max(0, n - a - d - r)
    else:
        hold = seconds(hold)
    out = []
    for i in range(n):
        if i < a:
            out.append(i / max(1, a))
        elif i < a + d:
            out.append(1.0 - (1.0 - sustain) * (i - a) / max(1, d))
        elif i < a + d + hold:
            out.append(sustain)
        else:
            k = (i - a - d - hold) / max(1, r)
            out.append(sustain * max(0.0, 1.0 - k) ** 2)
    return out


def tone(freq_at, duration, shape, harmonics=None, vibrato=(0.0, 0.0)):
    """An oscillator whose frequency may glide: freq_at(t) gives Hz at t seconds.

    shape: 'sine', 'triangle', 'pulse' (soft-edged), or 'additive' with a list
    of harmonic weights.
    """
    n = seconds(duration)
    phase = 0.0
    rate, depth = vibrato
    out = []
    for i in range(n):
        t = i / RATE
        f = freq_at(t) * (1.0 + depth * math.sin(2 * math.pi * rate * t))
        phase += f / RATE
        p = phase % 1.0
        if shape == "sine":
            v = math.sin(2 * math.pi * p)
        elif shape == "triangle":
            v = 4 * abs(p - 0.5) - 1
        elif shape == "pulse":
            # A square wave with its corners rounded off by tanh.
            v = math.tanh(4 * math.sin(2 * math.pi * p)) * 0.8
        else:
            v = sum(w * math.sin(2 * math.pi * (k + 1) * p) for k, w in enumerate(harmonics))
        out.append(v)
    return out


def shaped(sound, env):
    return [s * e for s, e in zip(sound, env)]


def noise(duration, seed, cutoff):
    """White noise through a one-pole low-pass at `cutoff` Hz (a callable of t)."""
    rng = random.Random(seed)
    out = []
    y = 0.0
    for i in range(seconds(duration)):
        t = i / RATE
        k = 1.0 - math.exp(-2 * math.pi * cutoff(t) / RATE)
        y += k * (rng.uniform(-1, 1) - y)
        out.append(y)
    return out


def squashed(sound, drive):
    """Soft saturation: the loud moments are rounded off and the quiet ones
    brought up, so a short percussive sound carries without sharp peaks."""
    top = max(abs(v) for v in sound) or 1.0
    return [math.tanh(drive * v / top) / math.tanh(drive) for v in sound]


def glide(f0, f1, duration, curve=1.0):
    return lambda t: f0 + (f1 - f0) * min(1.0, t / duration) ** curve


def note(name):
    """Frequency of a note such as 'C5' or 'F#4' (A4 = 440 Hz)."""
    steps = {"C": -9, "D": -7, "E": -5, "F": -4, "G": -2, "A": 0, "B": 2}
    n = steps[name[0]]
    rest = name[1:]
    if rest.startswith("#"):
        n, rest = n + 1, rest[1:]
    elif rest.startswith("b"):
        n, rest = n - 1, rest[1:]
    return 440.0 * 2 ** ((n + 12 * (int(rest) - 4)) / 12)


def hop():
    """A light springy blip rising a sixth, under a tenth of a second."""
    d = 0.085
    body = tone(glide(520, 1180, 0.05, 0.7), d, "triangle")
    body = shaped(body, envelope(len(body), 0.003, 0.02, 0.45, 0.06))
    click = shaped(noise(0.012, 1, lambda t: 5000), envelope(seconds(0.012), 0.0005, 0.004, 0.3, 0.007))
    return mix_into(body, click, 0.0, 0.25)


def splat():
    """The toad is lost: a crunchy thud and a wet splash falling away."""
    d = 0.62
    thud = tone(glide(190, 48, 0.25, 0.6), 0.3, "sine")
    thud = shaped(thud, envelope(len(thud), 0.002, 0.05, 0.5, 0.22))
    crunch = noise(0.16, 7, lambda t: 2600 - 9000 * t)
    crunch = shaped(crunch, [abs(math.sin(2 * math.pi * 38 * i / RATE)) ** 0.5 for i in range(len(crunch))])
    crunch = shaped(crunch, envelope(len(crunch), 0.001, 0.03, 0.6, 0.12))
    splash = noise(d, 11, lambda t: 1800 * math.exp(-4 * t) + 250)
    splash = shaped(splash, envelope(len(splash), 0.03, 0.12, 0.35, 0.42))
    out = silence(d)
    mix_into(out, thud, 0.0, 0.9)
    mix_into(out, crunch, 0.0, 1.3)
    mix_into(out, splash, 0.02, 1.1)
    # The most important cue of the game, so it is squeezed to stand above
    # the music without peaking: the crunch gets grittier for it.
    return squashed(out, 1.8)


def voice(freq, duration, weights, vibrato=(5.5, 0.0), attack=0.01, release=0.08, sustain=0.7):
    t = tone(lambda _t: freq, duration, "additive", weights, vibrato)
    return shaped(t, envelope(len(t), attack, 0.05, sustain, release))


REED = [1.0, 0.5, 0.33, 0.2, 0.12, 0.06]
BRASS = [1.0, 0.7, 0.5, 0.35, 0.22, 0.14, 0.08, 0.04]


def game_over():
    """A falling line in a minor key that sinks into a long low note."""
    line = [("E5", 0.0), ("C5", 0.17), ("A4", 0.34), ("F4", 0.51), ("D4", 0.68)]
    out = silence(1.9)
    for name, at in line:
        mix_into(out, voice(note(name), 0.2, REED, attack=0.008, release=0.07), at, 0.55)
    # The last note droops a semitone and fades with a slow wobble.
    last = tone(glide(note("E4"), note("D#4") * 0.985, 0.9, 1.4), 1.0, "additive", REED, (4.5, 0.012))
    last = shaped(last, envelope(len(last), 0.02, 0.1, 0.75, 0.55))
    mix_into(out, last, 0.86, 0.6)
    fifth = tone(glide(note("A3"), note("G#3") * 0.985, 0.9, 1.4), 1.0, "additive", REED, (4.5, 0.012))
    fifth = shaped(fifth, envelope(len(fifth), 0.02, 0.1, 0.75, 0.55))
    mix_into(out, fifth, 0.86, 0.35)
    return out


def fanfare():
    """A rising call of four quick notes that opens into a bright major chord."""
    out = silence(1.25)
    for i, name in enumerate(["G4", "C5", "E5", "G5"]):
        mix_into(out, voice(note(name), 0.11, BRASS, attack=0.006, release=0.04, sustain=0.8), 0.085 * i, 0.5)
    for name, gain in [("C5", 0.32), ("E5", 0.3), ("G5", 0.3), ("C6", 0.36)]:
        held = voice(note(name), 0.85, BRASS, vibrato=(6.0, 0.006), attack=0.015, release=0.4, sustain=0.75)
        mix_into(out, held, 0.34, gain)
    sparkle = tone(glide(note("C7"), note("G7"), 0.3), 0.35, "sine")
    sparkle = shaped(sparkle, envelope(len(sparkle), 0.005, 0.05, 0.4, 0.25))
    mix_into(out, sparkle, 0.34, 0.08)
    return out


def repeated(sound, every, duration):
    """The sound started every `every` seconds for `duration` seconds."""
    out = silence(duration + len(sound) / RATE)
    at = 0.0
    while at < duration - 1e-9:
        mix_into(out, sound, at)
        at += every
    return out[:seconds(duration)]


def biquad(x, b, a):
    out = []
    x1 = x2 = y1 = y2 = 0.0
    for v in x:
        y = b[0] * v + b[1] * x1 + b[2] * x2 - a[1] * y1 - a[2] * y2
        x1, x2, y1, y2 = v, x1, y, y1
        out.append(y)
    return out


def k_weighting():
    """BS.1770's K-weighting at RATE: a +4 dB high shelf, then a high-pass."""
    k = math.tan(math.pi * 1681.974450955533 / RATE)
    q = 0.7071752369554196
    vh = 10 ** (3.999843853973347 / 20)
    vb = vh ** 0.4996667741545416
    a0 = 1 + k / q + k * k
    shelf = ([(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0],
             [1.0, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0])
    k = math.tan(math.pi * 38.13547087602444 / RATE)
    q = 0.5003270373238773
    a0 = 1 + k / q + k * k
    high = ([1.0, -2.0, 1.0], [1.0, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0])
    return shelf, high


def loudness(sound):
    """Integrated loudness (LUFS) of a mono effect as the game plays it, on both sides.

    400 ms blocks 100 ms apart, gated at -70 LUFS and 10 LU under the rest;
    a sound too short for one block is measured as a run of repeats.
    """
    if len(sound) < seconds(BLOCK):
        sound = repeated(sound, HOP_INTERVAL, 2.0)
    shelf, high = k_weighting()
    weighted = biquad(biquad(sound, *shelf), *high)
    power = [2 * v * v for v in weighted]
    sums = [0.0]
    for p in power:
        sums.append(sums[-1] + p)
    n = seconds(BLOCK)
    blocks = [(sums[i + n] - sums[i]) / n for i in range(0, len(power) - n + 1, seconds(0.1))]

    def lufs(p):
        return -0.691 + 10 * math.log10(p) if p > 0 else -math.inf

    kept = [p for p in blocks if lufs(p) > -70]
    if not kept:
        return -math.inf
    gate = lufs(sum(kept) / len(kept)) - 10
    kept = [p for p in kept if lufs(p) > gate]
    return lufs(sum(kept) / len(kept))


def finish(name, sound):
    """Fades the last few milliseconds, sets the loudness, makes 16-bit samples."""
    fade = seconds(0.004)
    sound = [v * min(1.0, (len(sound) - i) / fade) for i, v in enumerate(sound)]
    target = MUSIC_LUFS + AGAINST_MUSIC[name]
    # The gain is kept to a thousandth of a decibel, so that the bytes made
    # do not hang on the last digit of a logarithm.
    gain_db = round(target - loudness(sound), 3)
    gain = 10 ** (gain_db / 20)
    peak = gain * max(abs(v) for v in sound)
    if peak > HIGHEST_PEAK:
        raise ValueError(f"{name}: at {target:.1f} LUFS it would peak at {peak:.2f}; "
                         "its loud moments are too short for its loudness")
    frames = [max(-32767, min(32767, int(round(v * gain * 32767)))) for v in sound]
    return struct.pack("<%dh" % len(frames), *frames)


def write(folder, name, sound):
    path = os.path.join(folder, name + ".wav")
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(finish(name, sound))
    return path


EFFECTS = {"move": hop, "killoff": splat, "gameover": game_over, "success": fanfare}


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    folder = argv[1] if len(argv) > 1 else os.path.join(here, "..", "..", "assets", "sounds")
    os.makedirs(folder, exist_ok=True)
    for name, make in EFFECTS.items():
        print(os.path.normpath(write(folder, name, make())))


if __name__ == "__main__":
    main(sys.argv)

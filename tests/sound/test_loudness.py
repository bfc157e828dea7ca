"""The loudness meter and the measures built on it, on signals made here.

The reference levels are those a BS.1770 meter must read for the EBU's
test signals (sine tones at known levels, with quiet stretches the gates
must leave out).
"""

import math
import os
import sys
import tempfile
import unittest

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tools", "sound"))

import loudness  # noqa: E402
import make_effects  # noqa: E402
import make_songs  # noqa: E402
import mix_figures  # noqa: E402


def sine(dbfs, seconds, rate, freq=997.0, channels=2):
    t = np.arange(int(round(seconds * rate))) / rate
    x = 10 ** (dbfs / 20) * np.sin(2 * np.pi * freq * t)
    return np.repeat(x[:, None], channels, axis=1)


def noise(dbfs, seconds, rate, seed=1):
    rng = np.random.default_rng(seed)
    x = rng.uniform(-1, 1, int(round(seconds * rate)))
    x *= 10 ** (dbfs / 20) / np.sqrt(np.mean(x * x))
    return np.repeat(x[:, None], 2, axis=1)


def quiet(seconds, rate):
    return np.zeros((int(round(seconds * rate)), 2))


class KWeighting(unittest.TestCase):
    def test_matches_the_published_48_khz_filters(self):
        (shelf_b, shelf_a), (high_b, high_a) = loudness.k_weighting(48000)
        np.testing.assert_allclose(shelf_b, [1.53512485958697, -2.69169618940638, 1.19839281085285],
                                   atol=1e-8)
        np.testing.assert_allclose(shelf_a, [1.0, -1.69065929318241, 0.73248077421585], atol=1e-8)
        np.testing.assert_allclose(high_b, [1.0, -2.0, 1.0])
        np.testing.assert_allclose(high_a, [1.0, -1.99004745483398, 0.99007225036621], atol=1e-8)

    def test_weighs_bass_down_and_treble_up_at_cd_rate(self):
        rate = 44100
        level = {f: loudness.integrated(sine(-20, 3, rate, f), rate) for f in (30, 100, 997, 8000)}
        self.assertAlmostEqual(level[997], -20.0, delta=0.1)
        self.assertLess(level[30], level[997] - 6)
        self.assertAlmostEqual(level[100], level[997] - 1.8, delta=1.0)
        self.assertAlmostEqual(level[8000], level[997] + 3.3, delta=0.6)

    def test_generators_own_filters_are_the_same(self):
        (b1, a1), (b2, a2) = loudness.k_weighting(make_effects.RATE)
        (c1, d1), (c2, d2) = make_effects.k_weighting()
        np.testing.assert_allclose([b1, a1, b2, a2], [c1, d1, c2, d2], rtol=1e-12)


class IntegratedLoudness(unittest.TestCase):
    """The EBU's test signals for a loudness meter, at both common rates."""

    def check(self, pieces, expected, rate):
        x = np.concatenate([make(rate) for make in pieces])
        self.assertAlmostEqual(loudness.integrated(x, rate), expected, delta=0.1)

    def test_steady_tones(self):
        for rate in (44100, 48000):
            with self.subTest(rate=rate):
                self.check([lambda r: sine(-23, 20, r)], -23.0, rate)
                self.check([lambda r: sine(-33, 20, r)], -33.0, rate)

    def test_quieter_stretches_fall_under_the_relative_gate(self):
        for rate in (44100, 48000):
            with self.subTest(rate=rate):
                self.check([lambda r: sine(-36, 10, r), lambda r: sine(-23, 60, r),
                            lambda r: sine(-36, 10, r)], -23.0, rate)

    def test_near_silence_falls_under_the_absolute_gate(self):
        self.check([lambda r: sine(-72, 10, r), lambda r: sine(-36, 10, r),
                    lambda r: sine(-23, 60, r), lambda r: sine(-36, 10, r),
                    lambda r: sine(-72, 10, r)], -23.0, 48000)

    def test_louder_and_quieter_halves_average_by_power(self):
        self.check([lambda r: sine(-26, 20, r), lambda r: sine(-20, 20.1, r),
                    lambda r: sine(-26, 20, r)], -23.0, 48000)

    def test_one_channel_reads_three_under_two(self):
        rate = 44100
        both = loudness.integrated(sine(-20, 5, rate), rate)
        one = loudness.integrated(sine(-20, 5, rate, channels=1)[:, 0], rate)
        self.assertAlmostEqual(both - one, 10 * math.log10(2), delta=0.01)

    def test_silence_and_sounds_shorter_than_a_block_have_no_level(self):
        rate = 44100
        self.assertEqual(loudness.integrated(quiet(5, rate), rate), -math.inf)
        self.assertEqual(loudness.integrated(sine(-75, 5, rate), rate), -math.inf)
        self.assertEqual(loudness.integrated(sine(-10, 0.39, rate), rate), -math.inf)

    def test_gain_moves_the_level_by_as_many_decibels(self):
        rate = 44100
        x = noise(-25, 4, rate)
        self.assertAlmostEqual(loudness.integrated(x * 2, rate) - loudness.integrated(x, rate),
                               20 * math.log10(2), places=6)


class EffectLoudness(unittest.TestCase):
    def test_short_sound_is_measured_as_repeated_ten_a_second(self):
        rate = 44100
        burst = noise(-20, 0.05, rate)[:, :1]
        train = mix_figures.hop_train(burst, rate)
        self.assertEqual(len(train), 2 * rate)
        self.assertTrue(np.all(train[int(0.05 * rate) + 10:int(0.1 * rate) - 10] == 0))
        # Half of every 100 ms sounds, so half the power of the burst.
        steady = loudness.integrated(noise(-20, 3, rate), rate)
        self.assertAlmostEqual(mix_figures.effect_loudness(burst, rate),
                               steady - 10 * math.log10(2), delta=0.3)

    def test_long_sound_is_measured_whole_on_both_sides(self):
        rate = 44100
        tone = sine(-20, 1.0, rate, channels=1)
        self.assertAlmostEqual(mix_figures.effect_loudness(tone, rate),
                               loudness.integrated(sine(-20, 1.0, rate), rate), places=6)

    def test_generator_measures_as_the_tests_do(self):
        rate = make_effects.RATE
        for seconds in (0.085, 0.64, 1.9):
            with self.subTest(seconds=seconds):
                x = noise(-18, seconds, rate, seed=3)[:, :1] * np.hanning(int(round(seconds * rate)))[:, None]
                mine = make_effects.loudness(list(x[:, 0]))
                self.assertAlmostEqual(mine, mix_figures.effect_loudness(x, rate), delta=0.01)

    def test_generator_refuses_a_loudness_its_peaks_cannot_carry(self):
        click = [0.0] * 2000
        click[1000] = 1.0
        with self.assertRaisesRegex(ValueError, "peak"):
            make_effects.finish("killoff", click)

    def test_generator_sets_each_effect_to_its_loudness(self):
        for name, make in make_effects.EFFECTS.items():
            with self.subTest(effect=name):
                data = make_effects.finish(name, make())
                x = np.frombuffer(data, dtype="<i2")[:, None] / 32767.0
                target = make_effects.MUSIC_LUFS + make_effects.AGAINST_MUSIC[name]
                self.assertAlmostEqual(mix_figures.effect_loudness(x, make_effects.RATE),
                                       target, delta=0.05)
                self.assertLess(np.max(np.abs(x)), make_effects.HIGHEST_PEAK + 1e-3)
                self.assertEqual(x[-1, 0], 0.0)


class LoopPoint(unittest.TestCase):
    rate = 44100

    def test_counts_silence_before_the_first_and_after_the_last_sound(self):
        x = np.concatenate([quiet(0.7, self.rate), noise(-20, 8.8, self.rate),
                            quiet(0.5, self.rate)])
        tail, head = mix_figures.loop_silence(x, self.rate, 10.0)
        self.assertAlmostEqual(head, 0.7, delta=0.02)
        self.assertAlmostEqual(tail, 0.5, delta=0.06)

    def test_sound_on_one_side_only_is_sound(self):
        x = np.concatenate([quiet(1, self.rate), noise(-30, 2, self.rate)])
        x[:, 0] = 0
        tail, head = mix_figures.loop_silence(x, self.rate, 3.0)
        self.assertAlmostEqual(head, 1.0, delta=0.03)
        self.assertEqual(tail, 0.0)

    def test_a_reverb_tail_counts_as_sound_until_it_is_near_silent(self):
        body = noise(-20, 5, self.rate)
        t = np.arange(int(self.rate * 1.0)) / self.rate
        tail = noise(-20, 1.0, self.rate, seed=2) * (10 ** (-60 * t / 20))[:, None]  # 60 dB a second
        x = np.concatenate([body, tail])
        end, _ = mix_figures.loop_silence(x, self.rate, 6.0)
        # From -20 dBFS down to -50 takes half a second; the rest is silence.
        self.assertAlmostEqual(end, 0.5, delta=0.08)

    def test_only_the_songs_own_length_is_heard(self):
        x = np.concatenate([noise(-20, 4, self.rate), quiet(1, self.rate), noise(-20, 1, self.rate)])
        tail, _ = mix_figures.loop_silence(x, self.rate, 5.0)
        self.assertAlmostEqual(tail, 1.0, delta=0.06)

    def test_a_thin_stretch_dips_but_a_softer_one_does_not(self):
        song = noise(-20, 8, self.rate)
        level = loudness.integrated(song, self.rate)
        for under, counted in ((15, True), (5, False)):
            with self.subTest(under=under):
                x = np.concatenate([noise(-20 - under, 2, self.rate, seed=4), song])
                tail, head = mix_figures.loop_dip(x, self.rate, 10.0, level)
                self.assertAlmostEqual(tail, 0.0, delta=0.02)
                self.assertAlmostEqual(head, 2.0 if counted else 0.0, delta=0.06)


SHEET = """
title   Test Song
file    Test.mid
tempo   120
meter   4/4
unit    1/4
key     C major
level   -2

part lead  ch=1 prog=0  vol=100
part bass  ch=2 prog=33 vol=100 center=40
part drums ch=10 vol=100

groove beat
  kick  x...x...x...x...

section a
  chords | C | F | G | C |
  lead   | c5 d5 e5 f5 | a5 g5 f5 e5 | d5 e5 f5 g5 | c6*4 |
  bass   @whole
  drums  @beat

section a2
  chords | C | F | G | G7 |
  lead   | c5 d5 e5 f5 | a5 g5 f5 e5 | d5 e5 f5 g5 | b5*4 |
  bass   @whole
  drums  @beat

section b
  chords | Am | Dm | G | G |
  lead   | e5*4 | f5*4 | d5*4 | b4*4 |
  bass   @whole

play
  a
  b    tempo=60 mute=drums
  a2   transpose=2 copy=bass:lead-24
"""


class SongForm(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.sheet = os.path.join(self.folder.name, "test.song")
        with open(self.sheet, "w") as f:
            f.write(SHEET)

    def tearDown(self):
        self.folder.cleanup()

    def form(self, text=SHEET):
        with open(self.sheet, "w") as f:
            f.write(text)
        return mix_figures.SongForm(self.sheet)

    def test_sections_in_seconds_follow_the_tempo(self):
        form = self.form()
        self.assertEqual([(p.start, p.end) for p in form.plays], [(0, 8), (8, 24), (24, 40)])
        self.assertEqual(form.length, 40)

    def test_parts_playing_in_each_section(self):
        form = self.form()
        self.assertEqual([set(p.parts) for p in form.plays],
                         [{"lead", "bass", "drums"}, {"lead", "bass"}, {"lead", "bass", "drums"}])
        self.assertEqual(form.written_parts(form.plays[0]), {"lead"})
        self.assertEqual(form.written_parts(form.plays[2]), {"lead", "bass"})

    def test_sections_mostly_alike_count_as_one(self):
        form = self.form()
        self.assertTrue(form.same_music("a", "a2"))
        self.assertFalse(form.same_music("a", "b"))
        self.assertEqual(form.section_shares(), {"a+a2": 8 / 12, "b": 4 / 12})

    def test_half_alike_is_not_the_same(self):
        text = SHEET.replace("| d5 e5 f5 g5 | b5*4 |", "| d5 e5 f5 a5 | b5*4 |")
        self.assertFalse(self.form(text).same_music("a", "a2"))

    def test_key_at_the_end_follows_the_last_transposition(self):
        (end_key, end_chord), (start_key, start_chord) = self.form().ends()
        self.assertEqual((end_key, end_chord), ("D major", "A7"))
        self.assertEqual((start_key, start_chord), ("C major", "C"))

    def test_a_part_alone_keeps_its_notes_and_nothing_else(self):
        form = self.form()
        whole, alone = form.midi(), form.midi(["bass"])
        # The bass plays a whole note a bar, then the tune two octaves down.
        self.assertEqual(note_ons(whole), {0: 30, 1: 4 + 4 + 13, 9: 32})
        self.assertEqual(note_ons(alone), {1: 21})

    def test_a_level_that_pushes_a_volume_past_the_top_is_refused(self):
        text = SHEET.replace("level   -2", "level   6")
        song = make_songs.read_sheet(self._write(text))
        with self.assertRaisesRegex(make_songs.SheetError, "vol=100 at level 6"):
            make_songs.build(song)

    def _write(self, text):
        with open(self.sheet, "w") as f:
            f.write(text)
        return self.sheet


def note_ons(data):
    """Notes struck per channel in a Standard MIDI File made by make_songs."""
    counts = {}
    at = 14
    while at < len(data):
        size = int.from_bytes(data[at + 4:at + 8], "big")
        body, i, status = data[at + 8:at + 8 + size], 0, 0
        while i < len(body):
            while body[i] & 0x80:
                i += 1
            i += 1
            if body[i] == 0xFF:
                length = body[i + 2]
                i += 3 + length
                continue
            status = body[i]
            kind, channel = status & 0xF0, status & 0x0F
            size_of = 1 if kind in (0xC0, 0xD0) else 2
            if kind == 0x90 and body[i + 2] > 0:
                counts[channel] = counts.get(channel, 0) + 1
            i += 1 + size_of
        at += 8 + size
    return counts


if __name__ == "__main__":
    unittest.main()

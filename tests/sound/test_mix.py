"""The game's mix as the player hears it: the committed songs rendered by
FluidSynth the way the game plays them, each part of them alone, and the
committed effects, measured after BS.1770 (tools/sound/mix_figures.py).

Every song is rendered once, whole and part by part, for all the tests
here; the figures are printed first, so a failing run shows them all.
"""

import math
import os
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(HERE, "..", "..", "tools", "sound")
sys.path.insert(0, TOOLS)

import make_effects  # noqa: E402
import make_songs  # noqa: E402
import mix_figures  # noqa: E402
import numpy as np  # noqa: E402

SHEETS = sorted(os.path.join(TOOLS, "songs", f) for f in os.listdir(os.path.join(TOOLS, "songs"))
                if f.endswith(".song"))

# Targets of the mix, in LU.
CUE_OVER_MUSIC = (2.5, 3.5)      # the loss, game-over and home-bay cues
HOP_UNDER_MUSIC = (-4.5, -3.5)   # the hop
SONG_FROM_MUSIC = 1.0            # each song against all of them together
PART_SPREAD = 12.0               # quietest sounding part under the loudest, per section
LOOP_QUIET = 1.0                 # seconds of near-silence or dip where a song repeats
SECTION_SHARE = 0.40             # of a song's bars, for one section's music

figures = []
effects = {}
music = None


def setUpModule():
    global music
    missing = [what for what, ok in (("the fluidsynth program", shutil.which("fluidsynth")),
                                     ("the General MIDI SoundFont",
                                      os.path.exists(mix_figures.SOUNDFONT))) if not ok]
    if missing:
        raise unittest.SkipTest("needs " + " and ".join(missing))
    with tempfile.TemporaryDirectory() as scratch:
        figures.extend(mix_figures.measure_songs(
            SHEETS, scratch, committed=os.path.join(mix_figures.ASSETS, "music")))
    effects.update(mix_figures.measure_effects(os.path.join(mix_figures.ASSETS, "sounds")))
    music = mix_figures.music_loudness(figures)
    mix_figures.report(figures, effects, sys.stderr)
    print(file=sys.stderr)
    mix_figures.summary(figures, effects, sys.stderr)


class EffectsAgainstTheMusic(unittest.TestCase):
    def test_effects_are_set_against_the_music_as_it_measures(self):
        self.assertAlmostEqual(music, make_effects.MUSIC_LUFS, delta=0.5)

    def test_cues_stand_clearly_above_the_music(self):
        low, high = CUE_OVER_MUSIC
        for name in ("killoff", "gameover", "success"):
            with self.subTest(effect=name):
                self.assertTrue(low <= effects[name] - music <= high,
                                f"{name}.wav is {effects[name] - music:+.1f} LU against the music")

    def test_hop_sits_under_the_music(self):
        low, high = HOP_UNDER_MUSIC
        self.assertTrue(low <= effects["move"] - music <= high,
                        f"move.wav is {effects['move'] - music:+.1f} LU against the music")


class BalanceInsideTheSongs(unittest.TestCase):
    def test_songs_sit_level_with_each_other(self):
        for f in figures:
            with self.subTest(song=f.file):
                self.assertLessEqual(abs(f.loudness - music), SONG_FROM_MUSIC,
                                     f"{f.file}: {f.loudness:.1f} LUFS against {music:.1f}")

    def test_every_part_is_heard_where_it_plays(self):
        for f in figures:
            for play, levels, spread in f.sections:
                with self.subTest(song=f.file, section=play.label):
                    self.assertNotIn(-math.inf, levels.values(), "a part plays but is silent")
                    self.assertLessEqual(spread, PART_SPREAD, levels)

    def test_the_tune_is_not_buried_under_its_accompaniment(self):
        # Where a part plays a written line, the loudest of the pitched parts
        # plays one too, not a pattern made from the chords.
        for f in figures:
            drums = {p for p, d in f.form.song["parts"].items() if d["drums"]}
            for play, levels, _ in f.sections:
                written = f.form.written_parts(play) - drums
                pitched = {p: v for p, v in levels.items() if p not in drums}
                if not written:
                    continue
                with self.subTest(song=f.file, section=play.label):
                    self.assertIn(max(pitched, key=pitched.get), written, pitched)


class LoopPoints(unittest.TestCase):
    def test_no_near_silence_where_a_song_runs_into_its_start(self):
        for f in figures:
            with self.subTest(song=f.file):
                self.assertLess(f.loop_gap, LOOP_QUIET,
                                f"{f.tail:.2f} s at the end, {f.head:.2f} s at the start")

    def test_no_dip_where_a_song_runs_into_its_start(self):
        for f in figures:
            with self.subTest(song=f.file):
                self.assertLess(f.loop_dip, LOOP_QUIET,
                                f"{f.dip_tail:.2f} s at the end, {f.dip_head:.2f} s at the start")

    def test_songs_end_in_the_key_they_start_in(self):
        for f in figures:
            with self.subTest(song=f.file):
                (end_key, end_chord), (start_key, start_chord) = f.end_key, f.start_key
                self.assertEqual(end_key, start_key)
                tonic = start_key.split()[0]
                dominant = mix_figures.NOTE_NAMES[(mix_figures.NOTE_NAMES.index(tonic) + 7) % 12]
                # Home, or its dominant leading back home.
                self.assertRegex(end_chord, f"^({tonic}|{dominant})(m|5|7)?$")
                self.assertRegex(start_chord, f"^{tonic}(m|5)?$")


class Form(unittest.TestCase):
    def test_no_section_takes_over_a_song(self):
        for f in figures:
            with self.subTest(song=f.file):
                name, share = f.largest_share
                self.assertLessEqual(share, SECTION_SHARE, f"{name} is {share:.0%} of the bars")


class ReleaseOfAnInstrument(unittest.TestCase):
    """A part's `release` reaches FluidSynth: one plucked chord, then
    silence, and how long the sound takes to fall 60 dB under its peak."""

    SHEET = """title   Release
file    Release.mid
tempo   120
meter   4/4
unit    1/4
part banjo  ch=1  prog=105 vol=100 reverb=0 legato=0.5 {release}
section pluck
  chords | F | F | F | F | F | F |
  banjo  | [f4 a4 c5]*2 r*2 | ~ | ~ | ~ | ~ | ~ |
play
  pluck    dyn=f
"""

    def ring(self, release):
        with tempfile.TemporaryDirectory() as scratch:
            sheet = os.path.join(scratch, "release.song")
            with open(sheet, "w") as f:
                f.write(self.SHEET.format(release=release))
            midi, _ = make_songs.build(make_songs.read_sheet(sheet))
            with open(os.path.join(scratch, "release.mid"), "wb") as f:
                f.write(midi)
            sound = mix_figures.render(os.path.join(scratch, "release.mid"),
                                       os.path.join(scratch, "release.wav"))
        level = np.abs(sound).max(axis=1)
        audible = np.nonzero(level > level.max() * 1e-3)[0]
        return audible[-1] / mix_figures.RATE

    def test_a_quarter_of_the_release_ends_the_ring_much_sooner(self):
        if not shutil.which("fluidsynth") or not os.path.exists(mix_figures.SOUNDFONT):
            self.skipTest("needs the fluidsynth program and the General MIDI SoundFont")
        own, quarter, double = self.ring(""), self.ring("release=0.25"), self.ring("release=2")
        # The chord ends at 1 s; after that the release alone decides.
        self.assertLess(quarter - 1, 0.5 * (own - 1), f"{quarter:.2f} s against {own:.2f} s")
        self.assertGreater(double - 1, 1.5 * (own - 1), f"{double:.2f} s against {own:.2f} s")

    def test_a_factor_outside_what_the_synthesizer_takes_is_refused(self):
        for text in ("0", "100", "short"):
            with self.subTest(release=text), self.assertRaises(make_songs.SheetError):
                make_songs.release_timecents(text, "sheet:1")


if __name__ == "__main__":
    unittest.main()

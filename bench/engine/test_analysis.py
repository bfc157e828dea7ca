"""The engine benchmark's arithmetic on made-up signals and statistics, where
the right answer is known."""

import os
import shutil
import tempfile
import unittest
import wave

import numpy as np

import analysis
from recorded import Recorded, RecordingAnalysis

RATE = 44100


def music(seconds, seed=0, level=0.15):
    """Something like the songs: a few tones up to the high register with a
    little noise, so that the signal changes quickly from sample to sample."""
    rng = np.random.default_rng(seed)
    t = np.arange(int(seconds * RATE)) / RATE
    x = sum(a * np.sin(2 * np.pi * f * t + rng.uniform(0, 6.3))
            for f, a in ((220, 0.5), (660, 0.3), (2500, 0.15), (6100, 0.08)))
    x = x + 0.02 * rng.standard_normal(len(t))
    return (level * x / np.abs(x).max()).astype(np.float32)


def tail(n, seed=1, level=0.02):
    """A reverberation tail: smooth noise dying away."""
    rng = np.random.default_rng(seed)
    noise = np.convolve(rng.standard_normal(n + 64), np.hanning(64) / 32, mode="valid")[:n]
    return (level * noise * np.exp(-np.arange(n) / (0.3 * RATE))).astype(np.float32)


def stereo(x):
    return np.stack([x, x * 0.9], axis=1)


def loud_instants(m, near, count, level=0.15):
    """A few instants after `near` where the music is loud: where a cut or
    a hard start leaves a large step."""
    return [c for c in range(near, near + 2000) if abs(m[c - 1]) > level][::97][:count]


class TickLateness(unittest.TestCase):
    def ticks(self, lateness_ms, start_ns=5_000_000_000, interval=40, name="tmrRow38"):
        return [(name, start_ns + int((k * interval + late) * 1e6), k * interval)
                for k, late in enumerate(lateness_ms)]

    def test_lateness_is_measured_from_the_earliest_tick(self):
        late = [0.05, 1.0, 2.5, 0.3, 7.0, 0.05]
        measured = analysis.tick_lateness_ms(self.ticks(late))
        np.testing.assert_allclose(measured, np.array(late) - 0.05, atol=1e-6)

    def test_a_dropped_stall_starts_a_new_reckoning(self):
        # The thread stalls from 81 ms to 520 ms. The tick due at 120 ms is
        # 400 ms late; the game's clock drops all but 250 ms of that, runs the
        # ticks due up to 370 ms at once, and goes on 150 ms behind the wall.
        start = 5_000_000_000
        before = [("tmrRow38", start + int((due + late) * 1e6), due)
                  for due, late in ((0, 0.0), (40, 0.5), (80, 1.0))]
        burst = [("tmrRow38", start + 520_000_000 + k * 1000, due)
                 for k, due in enumerate(range(120, 370, 40))]
        after = [("tmrRow38", start + int((150 + due + late) * 1e6), due)
                 for due, late in ((400, 0.0), (440, 0.3))]
        measured = analysis.tick_lateness_ms(before + burst + after)
        np.testing.assert_allclose(
            measured, [0.0, 0.5, 1.0, 250, 210, 170, 130, 90, 50, 10, 0.0, 0.3], atol=0.01)

    def test_the_last_ticks_keep_their_lateness(self):
        measured = analysis.tick_lateness_ms(self.ticks([0.0, 0.0, 4.0, 6.0]))
        np.testing.assert_allclose(measured, [0.0, 0.0, 4.0, 6.0], atol=1e-6)

    def test_only_lane_timers_in_the_window_count(self):
        ticks = self.ticks([0.0, 3.0, 0.0]) + self.ticks([9.0, 9.0], name="tmrChkFocus",
                                                         interval=100)
        start, end = ticks[1][1], ticks[2][1] + 1
        np.testing.assert_allclose(analysis.lane_lateness(ticks, start, end), [3.0, 0.0])

    def test_the_worst_tick_after_an_instant(self):
        ticks = self.ticks([0.0, 0.1, 30.0, 0.2, 0.0, 0.0])
        at = ticks[1][1]
        self.assertAlmostEqual(analysis.worst_lateness_after(ticks, [at], 200)[0], 30.0, 5)
        self.assertTrue(np.isnan(analysis.worst_lateness_after(ticks, [at + 10**10])[0]))


class StatsFile(unittest.TestCase):
    def test_reads_every_kind_of_line_and_skips_what_it_does_not_know(self):
        stats = analysis.parse_stats([
            "paint 100", "tick tmrRow12 200 100", "", "paint", "busy 1 2",
            "tick tmrRow38 300 40", "paint 400", "key 410 down 39", "key 450 up 39",
            "key 460 sideways 39", "effect 420 /a folder/with spaces/move.wav",
            "music 500 play 1200 /games/lily hops/Pelto64.mid", "music 600 stop",
            "music 700 pause", "mixer 800 123456", "mixer 900 12x", "paint 1e3",
            "underruns 2 3", "underruns x", "underruns 4"])
        self.assertEqual(stats.paints.tolist(), [100, 400])
        self.assertEqual(stats.ticks, [("tmrRow12", 200, 100), ("tmrRow38", 300, 40)])
        self.assertEqual(stats.keys, [(410, True, 39), (450, False, 39)])
        self.assertEqual(stats.effects, [(420, "/a folder/with spaces/move.wav")])
        self.assertEqual(stats.music, [(500, "play", 1200, "/games/lily hops/Pelto64.mid"),
                                       (600, "stop", 0, "")])
        self.assertEqual(stats.mixer, [(800, 123456)])
        self.assertEqual(stats.underruns, 4)

    def test_no_underrun_line_is_no_figure_not_zero(self):
        self.assertIsNone(analysis.parse_stats(["paint 100"]).underruns)

    def test_rate_counts_only_inside_the_window(self):
        times = np.arange(0, 3_000_000_000, 100_000_000)  # 10 a second for 3 s
        self.assertAlmostEqual(analysis.rate_per_second(times, 1_000_000_000, 2_000_000_000),
                               10.0)


MS = 1_000_000  # ns


class Frames(unittest.TestCase):
    """One second of play drawn as the game draws it: a frame right after
    whatever changed something."""

    def play(self):
        ticks, paints, keys, effects = [], [], [], []
        for due in range(0, 1000, 20):
            on38, on100 = due % 40 == 0, due % 100 == 0
            ns = 10_000 * MS + due * MS
            if on38:
                ticks.append(("tmrRow38", ns + 100_000, due))
            if on100:
                ticks += [(t, ns + 200_000, due) for t in ("tmrRow12", "tmrRow46", "tmrRow57",
                                                            "tmrChkFocus")]
            if on38 or on100:
                paints.append(ns + 900_000)
        # A focus tick of its own, off the lanes' grid, that moved the bar.
        ticks.append(("tmrChkFocus", 10_000 * MS + 530 * MS, 530))
        paints.append(10_000 * MS + 530 * MS + 500_000)
        # Hops: one between lane instants, one just before a lane instant's
        # frame (the lanes' frame shows it), and one refused (a key, no sound,
        # yet a frame: the toad turned round).
        for at, sound in ((110, True), (399, True), (750, False)):
            ns = 10_000 * MS + at * MS
            keys.append((ns, True, 39))
            if sound:
                effects.append((ns + 50_000, "/games/move.wav"))
            if at != 399:
                paints.append(ns + 300_000)
            keys.append((ns + 40 * MS, False, 39))
        # A paint the window system asked for.
        paints.append(10_000 * MS + 905 * MS)
        return analysis.GameStats(paints=np.array(sorted(paints)), ticks=ticks, keys=keys,
                                  effects=effects)

    def test_each_frame_is_put_down_to_what_changed_before_it(self):
        counts = analysis.frame_causes(self.play(), 10_000 * MS, 11_000 * MS)
        self.assertEqual(counts["lane instant"], 30)  # 25 on the 40 ms grid + 5 off it
        self.assertEqual(counts["hop"], 1)
        self.assertEqual(counts["key, no hop"], 1)
        self.assertEqual(counts["music bar"], 1)
        self.assertEqual(counts["window system"], 1)
        self.assertEqual(counts["key release"] + counts["loss delay"], 0)

    def test_only_frames_inside_the_window_count(self):
        counts = analysis.frame_causes(self.play(), 10_100 * MS, 10_200 * MS)
        # Lane instants at 100, 120 and 160 (200 is out), the hop at 110.
        self.assertEqual(counts["lane instant"], 3)
        self.assertEqual(counts["hop"], 1)
        self.assertEqual(sum(counts.values()), 4)

    def test_lane_instants_count_timers_due_together_once(self):
        stats = self.play()
        self.assertEqual(analysis.lane_instants(stats.ticks, 10_000 * MS, 11_000 * MS), 30)

    def test_focus_ticks_on_the_lanes_grid(self):
        stats = self.play()
        # Ten on the grid, and the one at 530 ms off it.
        self.assertAlmostEqual(analysis.focus_on_lane_grid(stats.ticks, 0, 20_000 * MS), 10 / 11)
        self.assertIsNone(analysis.focus_on_lane_grid(stats.ticks, 0, 1))

    def test_a_song_playing_throughout_a_stretch(self):
        music = [(100, "play", 0, "a.mid"), (500, "stop", 0, ""), (600, "play", 0, "b.mid")]
        self.assertTrue(analysis.song_playing_throughout(music, 150, 450))
        self.assertFalse(analysis.song_playing_throughout(music, 150, 550))  # stopped in it
        self.assertFalse(analysis.song_playing_throughout(music, 520, 580))  # stopped before it
        self.assertFalse(analysis.song_playing_throughout(music, 550, 700))  # started in it
        self.assertTrue(analysis.song_playing_throughout(music, 650, 10_000))
        self.assertFalse(analysis.song_playing_throughout([], 0, 10))

    def test_the_mixer_s_share_between_its_samples(self):
        samples = [(s * 100 * MS, s * 3 * MS) for s in range(20)]  # 3 % of a core
        self.assertAlmostEqual(analysis.mixer_share(samples, 250 * MS, 1250 * MS), 3.0)
        self.assertIsNone(analysis.mixer_share(samples, 250 * MS, 350 * MS))


class Pairing(unittest.TestCase):
    def test_a_key_whose_sound_is_missing_does_not_take_the_next_key_s(self):
        # The case that made the jitter 465 ms: a sound 33.9 ms after one
        # key was also counted 366.5 ms after the key before it.
        keys = [6.621, 6.954, 7.360]
        sounds = [6.988, 7.393]
        pairs, left = analysis.pair_latest(keys, sounds, 0.3)
        self.assertEqual(pairs, {1: 0, 2: 1})
        self.assertEqual(left, [])

    def test_a_sound_too_late_for_every_key_is_left_over(self):
        pairs, left = analysis.pair_latest([1.0, 2.0], [1.03, 1.45, 0.5], 0.3)
        self.assertEqual(pairs, {0: 0})
        self.assertEqual(left, [1, 2])  # too late, and before any key

    def test_a_key_takes_only_its_first_sound(self):
        pairs, left = analysis.pair_latest([2.0, 1.0], [1.1, 1.05], 0.3)
        self.assertEqual(pairs, {1: 1})
        self.assertEqual(left, [0])

    def test_a_key_may_take_its_best_match_instead(self):
        # Music that looks a little like the hop sound, just before the hop.
        pairs, left = analysis.pair_latest([1.0, 2.0], [1.01, 1.034, 1.2, 2.03], 0.3,
                                           scores=[0.4, 0.95, 0.38, 0.9])
        self.assertEqual(pairs, {0: 1, 1: 3})
        self.assertEqual(left, [0, 2])

    def test_keys_are_paired_through_the_game_s_calls(self):
        keys = [1.0, 1.4, 1.8, 2.2]
        calls = [1.002, 1.802, 2.203, 3.0]  # 1.4 refused; 3.0 was no key's
        sounds = [1.034, 2.236, 3.03]       # 1.8's sound is missing
        hops, left = analysis.hop_sounds(keys, calls, sounds, 0.15, 0.3)
        self.assertEqual(hops, [(0, 0, 0), (1, None, None), (2, 1, None), (3, 2, 1)])
        self.assertEqual(left, [2])

    def test_without_the_game_s_calls_sounds_go_to_keys(self):
        hops, left = analysis.hop_sounds([1.0, 1.4], None, [1.43], 0.15, 0.3)
        self.assertEqual(hops, [(0, None, None), (1, None, 0)])
        self.assertEqual(left, [])


class Onsets(unittest.TestCase):
    def setUp(self):
        rng = np.random.default_rng(3)
        t = np.arange(int(0.085 * RATE)) / RATE
        self.hop = (0.4 * np.sin(2 * np.pi * (600 + 4000 * t) * t) *
                    np.exp(-t / 0.03)).astype(np.float32)
        self.background = music(1.0, seed=4, level=0.2) + 0.01 * rng.standard_normal(RATE)

    def test_finds_the_sound_to_the_sample_under_music(self):
        x = self.background.copy()
        x[12345:12345 + len(self.hop)] += self.hop
        at, score = analysis.find_onset(x, self.hop, 10000, 20000)
        self.assertLessEqual(abs(at - 12345), 1)  # within 0.03 ms
        self.assertGreater(score, 0.5)

    def test_a_missing_sound_is_not_found(self):
        at, score = analysis.find_onset(self.background, self.hop, 10000, 20000)
        self.assertIsNone(at)
        self.assertLess(score, 0.35)

    def keys_and_hops(self, missing):
        """Three seconds of music with a key every 0.3-0.45 s and its hop
        sound 30 ms later, some quiet, but none for the keys in `missing`."""
        rng = np.random.default_rng(9)
        x = music(3.0, seed=10, level=0.2) + 0.01 * rng.standard_normal(3 * RATE)
        keys = np.cumsum(rng.uniform(0.3, 0.45, 7)) - 0.2
        for n, key in enumerate(keys):
            if n not in missing:
                at = int((key + 0.030) * RATE)
                x[at:at + len(self.hop)] += (0.5 if n % 2 else 1.0) * self.hop
        return x, keys

    def test_every_sound_is_found_once_where_it_is(self):
        x, keys = self.keys_and_hops(missing=())
        found = analysis.find_onsets(x, self.hop, 0, len(x))
        self.assertEqual(len(found), len(keys))
        for (at, score), key in zip(found, keys):
            self.assertLessEqual(abs(at - int((key + 0.030) * RATE)), 1)
            self.assertGreater(score, 0.35)

    def test_a_key_without_its_sound_is_missed_not_given_the_next_one(self):
        # Key 2's sound is missing and key 3's is the louder kind: searched
        # key by key up to the next key, key 2 would take it at ~330 ms.
        x, keys = self.keys_and_hops(missing=(2,))
        onsets = [at / RATE for at, _ in analysis.find_onsets(x, self.hop, 0, len(x))]
        hops, left = analysis.hop_sounds(list(keys), None, onsets, 0.0, 0.25)
        self.assertEqual(left, [])
        self.assertEqual([k for k, _, sound in hops if sound is None], [2])
        for k, _, sound in hops:
            if sound is not None:
                self.assertAlmostEqual(onsets[sound] - keys[k], 0.030, delta=0.0001)

    def test_only_the_window_is_searched(self):
        x = self.background.copy()
        x[30000:30000 + len(self.hop)] += self.hop
        self.assertIsNone(analysis.find_onset(x, self.hop, 10000, 20000)[0])
        self.assertEqual(analysis.find_onsets(x, self.hop, 10000, 20000), [])
        # Its side lobes are not taken for it while it lies just outside.
        self.assertEqual(analysis.find_onsets(x, self.hop, 20000, 29990), [])
        found = analysis.find_onsets(x, self.hop, 20000, 30010)
        self.assertEqual(len(found), 1)
        self.assertLessEqual(abs(found[0][0] - 30000), 1)


class RecordedHops(unittest.TestCase):
    """The recorded game's hops, from keys, the game's calls and a recording
    made up here: what is heard, refused, missed or unexplained."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="lilyhops-bench-test-")
        t = np.arange(int(0.085 * RATE)) / RATE
        self.hop = (0.4 * np.sin(2 * np.pi * (600 + 4000 * t) * t) *
                    np.exp(-t / 0.03)).astype(np.float32)
        with wave.open(os.path.join(self.folder, "move.wav"), "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(RATE)
            w.writeframes((self.hop * 32767).astype("<i2").tobytes())

    def tearDown(self):
        shutil.rmtree(self.folder)

    def analyse(self, with_calls):
        # Keys every 0.4 s from 0.5 s on; times in ns from the recording's start.
        s = 1_000_000_000
        keys = [int((0.5 + 0.4 * k) * s) for k in range(6)]
        x = music(3.5, seed=12, level=0.15)
        calls = []
        for k, key in enumerate(keys):
            if k == 2:
                continue  # the game refused this one: no call, no sound
            calls.append(key + 200_000)
            if k != 4:  # this one's sound never came out
                at = int((key + 0.0332 * s) * RATE / s)
                x[at:at + len(self.hop)] += self.hop
        events = [("hop", key, 400_000) for key in keys]
        stats = analysis.GameStats(effects=[(c, "/games/move.wav") for c in calls])
        recorded = Recorded(stereo(x), RATE, None, [], events)
        result = RecordingAnalysis(recorded, stats if with_calls else None, self.folder)
        result.sample0, result.ns_per_sample = 0.0, 1e9 / RATE
        return result.hops("hop")

    def test_each_key_is_heard_refused_or_missed_and_shown(self):
        fig = self.analyse(with_calls=True)
        self.assertEqual((fig.keys, fig.played), (6, 5))
        self.assertEqual(len(fig.latencies_ms), 4)
        for ms in fig.latencies_ms:
            self.assertAlmostEqual(ms, 33.2, delta=0.1)
        self.assertEqual(fig.refused_s, [1.3])
        self.assertEqual(fig.missed_s, [2.1])
        self.assertEqual(fig.unclaimed_s, [])
        for ms in fig.call_to_sound_ms:
            self.assertAlmostEqual(ms, 33.0, delta=0.1)

    def test_without_the_game_s_record_a_key_without_sound_is_missed(self):
        fig = self.analyse(with_calls=False)
        self.assertEqual(len(fig.latencies_ms), 4)
        self.assertEqual(fig.refused_s, [])
        self.assertEqual(fig.missed_s, [1.3, 2.1])


class TransitionSteps(unittest.TestCase):
    def stop(self, fade_ms, cut_at=20000):
        m = music(1.0, level=0.3)
        gain = np.ones(len(m), dtype=np.float32)
        n = int(fade_ms * RATE / 1000)
        if n:
            gain[cut_at - n:cut_at] = np.linspace(1, 0, n, endpoint=False)
        gain[cut_at:] = 0
        return stereo(m * gain + tail(len(m)))

    def test_a_cut_is_found_where_it_is_with_the_music_s_value_as_its_step(self):
        for cut_at in loud_instants(music(1.0, level=0.3), 20000, 5):
            x = self.stop(0, cut_at)
            at, step, jump, rough = analysis.stop_step(x, 15000, 30000)
            self.assertEqual(at, cut_at)
            # Both sides miss by about the music's value where it was cut.
            value = np.abs(x[cut_at - 1]).max()
            self.assertAlmostEqual(jump, value, delta=0.3 * value)
            self.assertGreater(step, 0.05)
            self.assertLessEqual(step, jump)

    def test_cuts_leave_steps_far_above_a_percent(self):
        worst = max(analysis.stop_step(self.stop(0, c), 15000, 30000)[1]
                    for c in range(20000, 20100, 7))
        self.assertGreater(worst, 0.05)

    def test_a_fade_of_ten_to_twenty_ms_leaves_less_than_a_percent(self):
        for fade in (10, 15, 20):
            for c in range(20000, 20100, 13):
                step = analysis.stop_step(self.stop(fade, c), 15000, 30000)[1]
                self.assertLess(step, 0.01, f"fade {fade} ms ending at {c}")

    def test_silence_has_no_step(self):
        x = np.zeros((RATE, 2), dtype=np.float32)
        self.assertEqual(analysis.stop_step(x, 1000, 20000)[1], 0.0)
        self.assertEqual(analysis.start_step(x, 1000, 20000), (None, 0.0))


class Starts(unittest.TestCase):
    FADE = int(0.015 * RATE)

    def song(self, begin, seed=5):
        """Silence, then music from `begin` on, let in at full level."""
        m = music(1.0, seed=seed, level=0.3)
        x = np.zeros_like(m)
        x[begin:] = m[begin:]
        return x

    def test_a_hard_start_is_a_step_and_a_faded_in_one_is_not(self):
        m = music(1.0, seed=5, level=0.3)
        for begin in loud_instants(m, 20000, 3):
            hard = self.song(begin)
            at, step = analysis.start_step(stereo(hard), 15000, 30000)
            self.assertEqual(at, begin)
            self.assertGreater(step, 0.05)
            soft = hard.copy()
            soft[begin:begin + self.FADE] *= np.linspace(0, 1, self.FADE)
            at, step = analysis.start_step(stereo(soft), 15000, 30000)
            self.assertLessEqual(abs(at - begin), 2)
            self.assertLess(step, 0.01)

    def test_a_loud_note_after_a_quiet_faded_in_start_is_not_the_start(self):
        # A song resumed on a soft passage: it fades in at 20000, and 150 ms
        # later a loud note strikes with its own sharp attack. The output
        # went from silence to sound at the fade; the note is the song's.
        x = 0.02 * music(1.0, seed=6, level=1.0)
        x[:20000] = 0
        x[20000:20000 + self.FADE] *= np.linspace(0, 1, self.FADE)
        hit = 20000 + int(0.150 * RATE)
        n = int(0.05 * RATE)
        x[hit:hit + n] += 0.5 * np.sign(np.sin(2 * np.pi * 180 * np.arange(n) / RATE)) * np.exp(
            -np.arange(n) / (0.02 * RATE))
        at, step = analysis.start_step(stereo(x), 15000, 40000)
        # Its first samples round to silence; the note is 6615 samples on.
        self.assertLess(abs(at - 20000), 50)
        self.assertLess(step, 0.01)

    def test_a_drum_struck_after_a_rest_is_the_song_s_not_a_step(self):
        # A song resumed in a rest: the fade-in passed over silence and the
        # first sound is a drum, noise rising to 0.3 in 2 ms. Its own
        # sample-to-sample changes are far above 1 % within a millisecond;
        # the output itself rose from silence smoothly.
        rng = np.random.default_rng(11)
        n, rise = int(0.1 * RATE), int(0.002 * RATE)
        envelope = np.minimum(np.arange(1, n + 1) / rise, 1) * np.exp(-np.arange(n) / (0.03 * RATE))
        x = np.zeros(RATE)
        x[20000:20000 + n] = 0.3 * rng.uniform(-1, 1, n) * envelope
        at, step = analysis.start_step(stereo(x), 15000, 40000)
        self.assertLessEqual(abs(at - 20000), 2)
        self.assertLess(step, 0.01)
        self.assertGreater(np.abs(np.diff(x[20000:20000 + 44], 2)).max(), 0.05)

    def test_a_start_needs_silence_before_it(self):
        # Music all through the window has no start, even where it crosses zero.
        m = music(1.0, seed=7, level=0.3)
        self.assertIsNone(analysis.sound_start(stereo(m), 1000, 40000))
        # A sound that ends and, after a rest, begins again starts there...
        x = m.copy()
        x[20000:20000 + int(0.01 * RATE)] = 0
        self.assertEqual(analysis.sound_start(stereo(x), 1000, 40000), 20000 + int(0.01 * RATE))
        # ...but not after a rest shorter than asked for.
        self.assertIsNone(analysis.sound_start(stereo(x), 1000, 40000, quiet_ms=20))

    def test_silence_before_the_window_counts(self):
        x = self.song(20000)
        self.assertEqual(analysis.sound_start(stereo(x), 20000, 30000), 20000)
        self.assertIsNone(analysis.sound_start(stereo(x), 20100, 30000))

    def test_rounding_noise_is_silence(self):
        rng = np.random.default_rng(8)
        x = self.song(20000)
        x[:20000] = rng.integers(-1, 2, 20000) / 32768  # a step of 16 bits either way
        self.assertEqual(analysis.sound_start(stereo(x), 1000, 30000), 20000)


class Percentiles(unittest.TestCase):
    def test_missing_values_are_left_out(self):
        self.assertEqual(analysis.percentiles([1.0, float("nan"), 3.0], (50,)), [2.0])
        self.assertTrue(np.isnan(analysis.percentiles([], (50,))[0]))


if __name__ == "__main__":
    unittest.main()

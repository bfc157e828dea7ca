"""The engine benchmark's arithmetic on made-up signals and statistics, where
the right answer is known."""

import unittest

import numpy as np

import analysis

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
    def test_reads_paints_and_ticks_and_skips_what_it_does_not_know(self):
        paints, ticks = analysis.parse_stats([
            "paint 100", "tick tmrRow12 200 100", "", "paint", "busy 1 2",
            "tick tmrRow38 300 40", "paint 400"])
        self.assertEqual(paints.tolist(), [100, 400])
        self.assertEqual(ticks, [("tmrRow12", 200, 100), ("tmrRow38", 300, 40)])

    def test_rate_counts_only_inside_the_window(self):
        times = np.arange(0, 3_000_000_000, 100_000_000)  # 10 a second for 3 s
        self.assertAlmostEqual(analysis.rate_per_second(times, 1_000_000_000, 2_000_000_000),
                               10.0)


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

    def test_only_the_window_is_searched(self):
        x = self.background.copy()
        x[30000:30000 + len(self.hop)] += self.hop
        self.assertIsNone(analysis.find_onset(x, self.hop, 10000, 20000)[0])


class TransitionSteps(unittest.TestCase):
    def stop(self, fade_ms, cut_at=20000):
        m = music(1.0, level=0.3)
        gain = np.ones(len(m), dtype=np.float32)
        n = int(fade_ms * RATE / 1000)
        if n:
            gain[cut_at - n:cut_at] = np.linspace(1, 0, n, endpoint=False)
        gain[cut_at:] = 0
        return stereo(m * gain + tail(len(m)))

    def loud_instants(self, near, count, m=None, level=0.15):
        m = music(1.0, level=0.3) if m is None else m
        return [c for c in range(near, near + 2000) if abs(m[c - 1]) > level][::97][:count]

    def test_a_cut_is_found_where_it_is_with_the_music_s_value_as_its_step(self):
        for cut_at in self.loud_instants(20000, 5):
            x = self.stop(0, cut_at)
            at, step, jump, rough = analysis.transition_step(x, 15000, 30000, "stop")
            self.assertEqual(at, cut_at)
            # Both sides miss by about the music's value where it was cut.
            value = np.abs(x[cut_at - 1]).max()
            self.assertAlmostEqual(jump, value, delta=0.3 * value)
            self.assertGreater(step, 0.05)
            self.assertLessEqual(step, jump)

    def test_cuts_leave_steps_far_above_a_percent(self):
        worst = max(analysis.transition_step(self.stop(0, c), 15000, 30000, "stop")[1]
                    for c in range(20000, 20100, 7))
        self.assertGreater(worst, 0.05)

    def test_a_fade_of_ten_to_twenty_ms_leaves_less_than_a_percent(self):
        for fade in (10, 15, 20):
            for c in range(20000, 20100, 13):
                step = analysis.transition_step(self.stop(fade, c), 15000, 30000, "stop")[1]
                self.assertLess(step, 0.01, f"fade {fade} ms ending at {c}")

    def test_a_hard_start_is_a_step_and_a_faded_in_one_is_not(self):
        m = music(1.0, seed=5, level=0.3)
        n = int(0.015 * RATE)
        for begin in self.loud_instants(20000, 3, m):
            hard = np.zeros_like(m)
            hard[begin:] = m[begin:]
            at, step, _, _ = analysis.transition_step(stereo(hard), 15000, 30000, "start")
            self.assertEqual(at, begin)
            self.assertGreater(step, 0.05)
            soft = hard.copy()
            soft[begin:begin + n] *= np.linspace(0, 1, n)
            self.assertLess(analysis.transition_step(stereo(soft), 15000, 30000, "start")[1],
                            0.01)

    def test_silence_has_no_step(self):
        x = np.zeros((RATE, 2), dtype=np.float32)
        self.assertEqual(analysis.transition_step(x, 1000, 20000, "stop")[1], 0.0)


class Percentiles(unittest.TestCase):
    def test_missing_values_are_left_out(self):
        self.assertEqual(analysis.percentiles([1.0, float("nan"), 3.0], (50,)), [2.0])
        self.assertTrue(np.isnan(analysis.percentiles([], (50,))[0]))


if __name__ == "__main__":
    unittest.main()

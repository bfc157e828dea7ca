"""What the benchmark works out from a recording and from the game's
statistics file. Pure functions of arrays, so they can be tested on made-up
signals."""

import numpy as np

LANE_TIMERS = ("tmrRow12", "tmrRow38", "tmrRow46", "tmrRow57")


# --- The game's statistics file ----------------------------------------------

def parse_stats(lines):
    """(paint times in ns, ticks as (timer, ns, due ms)) from the file's lines."""
    paints, ticks = [], []
    for line in lines:
        parts = line.split()
        if not parts:
            continue
        if parts[0] == "paint" and len(parts) == 2:
            paints.append(int(parts[1]))
        elif parts[0] == "tick" and len(parts) == 4:
            ticks.append((parts[1], int(parts[2]), int(parts[3])))
    return np.array(paints, dtype=np.int64), ticks


def tick_lateness_ms(ticks, new_clock_ms=100.0):
    """How late each tick ran, in ms, in the order given.

    A tick runs at wall time (game-clock start) + due + lateness. The game's
    clock start is not written down, so it is taken from the ticks
    themselves: no tick runs before it is due, so the earliest (wall - due)
    is the clock's start plus the smallest lateness, a few microseconds of
    waking up. The game's clock may drop a long stall, after which it starts
    later: wherever the earliest (wall - due) from a tick onwards moves on by
    over `new_clock_ms`, a new reckoning begins."""
    if not ticks:
        return np.zeros(0)
    raw = np.array([ns - due * 1_000_000 for _, ns, due in ticks], dtype=np.float64)
    order = np.argsort([ns for _, ns, _ in ticks], kind="stable")
    in_time = raw[order]
    suffix_min = np.minimum.accumulate(in_time[::-1])[::-1]
    starts = np.concatenate([[0], np.nonzero(np.diff(suffix_min) > new_clock_ms * 1e6)[0] + 1,
                             [len(in_time)]])
    late_in_time = np.empty_like(in_time)
    for lo, hi in zip(starts[:-1], starts[1:]):
        late_in_time[lo:hi] = (in_time[lo:hi] - in_time[lo:hi].min()) / 1e6
    late = np.empty_like(raw)
    late[order] = late_in_time
    return late


def select(times_ns, start_ns, end_ns):
    times_ns = np.asarray(times_ns)
    return (times_ns >= start_ns) & (times_ns < end_ns)


def rate_per_second(times_ns, start_ns, end_ns):
    return float(np.count_nonzero(select(times_ns, start_ns, end_ns))) / ((end_ns - start_ns) / 1e9)


def lane_lateness(ticks, start_ns, end_ns):
    """Lateness (ms) of the lane timers' ticks between two instants."""
    late = tick_lateness_ms(ticks)
    keep = [i for i, (name, ns, _) in enumerate(ticks)
            if name in LANE_TIMERS and start_ns <= ns < end_ns]
    return late[keep]


def worst_lateness_after(ticks, instants_ns, within_ms=1000):
    """For each instant, the latest any timer ran in the `within_ms` after it:
    a stall of the user-interface thread shows as ticks run late."""
    late = tick_lateness_ms(ticks)
    ns = np.array([t[1] for t in ticks], dtype=np.int64)
    result = []
    for at in instants_ns:
        keep = (ns >= at) & (ns < at + within_ms * 1_000_000)
        result.append(float(late[keep].max()) if keep.any() else float("nan"))
    return result


# --- Sound: clock, onsets and transitions ------------------------------------

def to_mono(x):
    return x.mean(axis=1) if x.ndim == 2 else x


def normalized_xcorr(signal, template):
    """Normalized cross-correlation of `template` at every offset into
    `signal` (valid offsets only): 1 where the signal is the template scaled."""
    n = len(template)
    if len(signal) < n:
        return np.zeros(0)
    size = 1 << int(np.ceil(np.log2(len(signal) + n)))
    corr = np.fft.irfft(np.fft.rfft(signal, size) * np.conj(np.fft.rfft(template, size)),
                        size)[:len(signal) - n + 1]
    energy = np.concatenate([[0.0], np.cumsum(signal.astype(np.float64) ** 2)])
    window = np.sqrt(np.maximum(energy[n:] - energy[:-n], 1e-20))
    return corr / (window * np.sqrt(np.sum(template.astype(np.float64) ** 2)))


def find_onset(mono, template, from_index, to_index, threshold=0.35):
    """The index in [from_index, to_index) where `template` starts, by
    normalized cross-correlation, and its score; None when it scores under
    `threshold` (the sound is not there: music alone scores under 0.2
    against the hop sound)."""
    from_index = max(0, from_index)
    segment = mono[from_index:to_index + len(template)]
    score = normalized_xcorr(segment, template)
    if len(score) == 0:
        return None, 0.0
    k = int(np.argmax(score))
    if score[k] < threshold:
        return None, float(score[k])
    return from_index + k, float(score[k])


def _energy_sums(x):
    p = (x.astype(np.float64) ** 2).sum(axis=1) if x.ndim == 2 else x.astype(np.float64) ** 2
    return np.concatenate([[0.0], np.cumsum(p)])


def _jumps(xs):
    """For each sample c, the jump between c - 1 and c that neither side
    explains: the smaller of the errors of carrying each side on in a
    straight line across it. At a cut both sides miss by the music's value
    there; one sample either way, one of them runs along its own side and
    misses little. (Largest over the channels; 0 at the edges.)"""
    j = np.zeros(len(xs))
    if len(xs) < 4:
        return j
    forward = np.abs(xs[2:-1] - (2 * xs[1:-2] - xs[:-3]))      # at c = 2 .. n-2
    backward = np.abs(xs[1:-2] - (2 * xs[2:-1] - xs[3:]))      # at c = 2 .. n-2
    j[2:-1] = np.minimum(forward, backward).max(axis=1)
    return j


def _roughness(xs):
    """How far each sample departs from the straight line through the two
    before it (largest over the channels; 0 at the edges)."""
    r = np.zeros(len(xs))
    if len(xs) >= 3:
        r[2:] = np.abs(xs[2:] - 2 * xs[1:-1] + xs[:-2]).max(axis=1)
    return r


def transition_step(x, from_index, to_index, kind, window_ms=2.0, rate=44100, floor=1e-3):
    """Where in [from_index, to_index) the sound stops ("stop") or starts
    ("start") most abruptly, and how large a step it leaves there.

    First roughly: where the level over `window_ms` before and after differs
    most (the quieter side counted at least at `floor`, -60 dBFS, so that a
    reverberation tail dying into silence does not count). Then to the
    sample: near there, a cut is a jump that neither side's own course
    explains, next to a quiet side that runs smoothly (silence, or the
    synthesizer's reverberation). The music's own quick changes, drums
    above all, are as large as a cut's jump but have music on both sides,
    so each candidate's jump is weighed against the quiet side's roughness
    over the next millisecond. The step is the jump less that roughness: a
    cut leaves the music's value there, a fade next to nothing.
    Returns (index, step, jump, quiet side's roughness), shares of full scale."""
    xs = (x if x.ndim == 2 else x[:, None]).astype(np.float64)
    n = max(2, int(rate * window_ms / 1000))
    m = max(2, int(rate * 0.001))
    c = _energy_sums(xs)
    lo = max(from_index, n + m + 3)
    hi = min(to_index, len(xs) - n - m - 3)
    if hi <= lo:
        return None, 0.0, 0.0, 0.0
    idx = np.arange(lo, hi)
    before = np.maximum((c[idx] - c[idx - n]) / n, floor ** 2)
    after = np.maximum((c[idx + n] - c[idx]) / n, floor ** 2)
    ratio = before / after if kind == "stop" else after / before
    k = int(idx[np.argmax(ratio)])

    a, b = k - n - m - 2, k + n + m + 3
    jumps = _jumps(xs[a:b])
    rough = _roughness(xs[a:b])
    window = np.lib.stride_tricks.sliding_window_view(rough, m)  # rough[i .. i+m-1]
    cands = np.arange(k - n, k + n) - a
    if kind == "stop":
        quiet = window[cands + 2].max(axis=1)  # from the first sample clear of it
    else:
        quiet = window[cands - m].max(axis=1)  # the samples before it
    score = jumps[cands] / (quiet + 1e-4)
    best = int(np.argmax(score))
    jump, q = float(jumps[cands[best]]), float(quiet[best])
    return int(cands[best] + a), max(0.0, jump - q), jump, q


def percentiles(values, qs=(50, 95, 99)):
    values = np.asarray(values, dtype=np.float64)
    values = values[~np.isnan(values)]
    if len(values) == 0:
        return [float("nan")] * len(qs)
    return [float(np.percentile(values, q)) for q in qs]

"""What the benchmark works out from a recording and from the game's
statistics file. Pure functions of arrays, so they can be tested on made-up
signals."""

import bisect
import os
from dataclasses import dataclass, field

import numpy as np

LANE_TIMERS = ("tmrRow12", "tmrRow38", "tmrRow46", "tmrRow57")


# --- The game's statistics file ----------------------------------------------

@dataclass
class GameStats:
    """What the game noted (frontend/Stats.h); times in monotonic ns."""
    paints: np.ndarray = field(default_factory=lambda: np.zeros(0, dtype=np.int64))
    ticks: list = field(default_factory=list)    # (timer, ns, due ms)
    keys: list = field(default_factory=list)     # (ns, down?, game key code)
    effects: list = field(default_factory=list)  # (ns, file)
    music: list = field(default_factory=list)    # (ns, "play" or "stop", start ms, file)
    mixer: list = field(default_factory=list)    # (ns, mixer CPU ns so far)
    underruns: int = None                         # the device ran dry, whole run


def parse_stats(lines):
    """The statistics file's lines as GameStats; lines it does not know, or
    that are cut short, are left out."""
    stats = GameStats()
    paints = []
    for line in lines:
        parts = line.split(" ")
        try:
            if parts[0] == "paint" and len(parts) == 2:
                paints.append(int(parts[1]))
            elif parts[0] == "tick" and len(parts) == 4:
                stats.ticks.append((parts[1], int(parts[2]), int(parts[3])))
            elif parts[0] == "key" and len(parts) == 4 and parts[2] in ("down", "up"):
                stats.keys.append((int(parts[1]), parts[2] == "down", int(parts[3])))
            elif parts[0] == "effect" and len(parts) >= 3:
                stats.effects.append((int(parts[1]), line.split(" ", 2)[2]))
            elif parts[0] == "music" and len(parts) >= 5 and parts[2] == "play":
                stats.music.append((int(parts[1]), "play", int(parts[3]),
                                    line.split(" ", 4)[4]))
            elif parts[0] == "music" and len(parts) == 3 and parts[2] == "stop":
                stats.music.append((int(parts[1]), "stop", 0, ""))
            elif parts[0] == "mixer" and len(parts) == 3:
                stats.mixer.append((int(parts[1]), int(parts[2])))
            elif parts[0] == "underruns" and len(parts) == 2:
                stats.underruns = int(parts[1])
        except ValueError:
            continue
    stats.paints = np.array(paints, dtype=np.int64)
    return stats


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


FRAME_CAUSES = ("lane instant", "hop", "music bar", "key, no hop", "loss delay", "key release",
                "window system")


def frame_causes(stats, start_ns, end_ns):
    """Why each frame painted between two instants was drawn: {cause: count}.

    Frames are drawn only on a change, at once, after the tick or input that
    made it; so what ran between the frame before and this one is what the
    frame shows. In order of precedence: a lane timer's tick (a lane instant:
    the lanes move at every one), a hop (the game played the hop sound: the
    toad moved), any other key press, the focus timer (which moves the music
    bar every fifth tick), the delay after a lost toad, a key release, and
    nothing at all (the window system asked for the paint)."""
    events = []
    for name, ns, _ in stats.ticks:
        kind = ("lane instant" if name in LANE_TIMERS else
                "music bar" if name == "tmrChkFocus" else
                "loss delay" if name == "tmrDelay" else None)
        if kind:
            events.append((ns, kind))
    for ns, down, _ in stats.keys:
        events.append((ns, "key, no hop" if down else "key release"))
    for ns, file in stats.effects:
        if os.path.basename(file).startswith("move"):
            events.append((ns, "hop"))
    events.sort()
    times = np.array([e[0] for e in events], dtype=np.int64)
    rank = {c: i for i, c in enumerate(FRAME_CAUSES)}
    counts = dict.fromkeys(FRAME_CAUSES, 0)
    paints = np.sort(np.asarray(stats.paints, dtype=np.int64))
    for k, ns in enumerate(paints):
        if not start_ns <= ns < end_ns:
            continue
        since = paints[k - 1] if k > 0 else np.iinfo(np.int64).min
        lo, hi = np.searchsorted(times, since, "right"), np.searchsorted(times, ns, "right")
        kinds = [events[i][1] for i in range(lo, hi)]
        counts[min(kinds, key=rank.get) if kinds else "window system"] += 1
    return counts


def lane_instants(ticks, start_ns, end_ns):
    """How many distinct instants the lane timers ran at between two instants
    (ticks due at the same time of the game's clock are one instant)."""
    return len({due for name, ns, due in ticks if name in LANE_TIMERS and start_ns <= ns < end_ns})


def focus_on_lane_grid(ticks, start_ns, end_ns):
    """The share of the focus timer's ticks between two instants that fell
    on a lane instant (due at the same time of the game's clock as a lane
    timer's tick), whose frame then shows the music bar too; None without
    focus ticks."""
    lanes = {due for name, ns, due in ticks if name in LANE_TIMERS}
    focus = [due for name, ns, due in ticks if name == "tmrChkFocus" and start_ns <= ns < end_ns]
    return sum(1 for due in focus if due in lanes) / len(focus) if focus else None


def song_playing_throughout(music, start_ns, end_ns):
    """Whether the game's last call about the music before `start_ns` was
    PlayMusic and it called neither StopMusic nor PlayMusic again before
    `end_ns` (music: (ns, "play" or "stop", ...) in time order)."""
    before = [kind for ns, kind, *_ in music if ns <= start_ns]
    return bool(before) and before[-1] == "play" and \
        not any(start_ns < ns < end_ns for ns, *_ in music)


def mixer_share(samples, start_ns, end_ns):
    """The mixer's share of one core, in %, between the first and the last of
    its samples (ns, CPU ns so far) taken between two instants; None with
    fewer than two."""
    inside = [(ns, cpu) for ns, cpu in samples if start_ns <= ns <= end_ns]
    if len(inside) < 2 or inside[-1][0] <= inside[0][0]:
        return None
    return 100.0 * (inside[-1][1] - inside[0][1]) / (inside[-1][0] - inside[0][0])


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


def find_onsets(mono, template, from_index, to_index, threshold=0.35):
    """Every place in [from_index, to_index) where `template` starts, as
    (index, score), in order: the peaks of the normalized cross-correlation
    over `threshold`, each the best within a template's length either way,
    so that one sound is found once."""
    # Looked at a template's length beyond the window either way, so that a
    # sound just outside it is not found inside by its side lobes.
    n = len(template)
    lo = max(0, from_index - n)
    score = normalized_xcorr(mono[lo:max(lo, to_index + n) + n], template)
    if len(score) < 3:
        return []
    inner = score[1:-1]
    peaks = np.nonzero((inner >= threshold) & (inner >= score[:-2]) & (inner > score[2:]))[0] + 1
    taken = []
    for k in peaks[np.argsort(-score[peaks], kind="stable")]:
        if all(abs(k - t) >= n for t in taken):
            taken.append(int(k))
    return [(lo + k, float(score[k])) for k in sorted(taken) if from_index <= lo + k < to_index]


def pair_latest(causes, results, within, scores=None):
    """Pairs each result with the latest cause at or before it, if that is
    no more than `within` earlier; a cause takes only one of its results:
    the best by `scores` (one a result) if given, else the earliest.
    So a cause whose own result is missing stays unpaired instead of taking
    the next cause's, and a result nothing explains stays unpaired too.
    Both lists hold times in one unit, in any order. Returns
    ({cause index: result index}, [indices of results left over])."""
    order = sorted(range(len(causes)), key=lambda i: causes[i])
    ordered = [causes[i] for i in order]
    pairs, left = {}, []
    for r in sorted(range(len(results)), key=lambda i: results[i]):
        k = bisect.bisect_right(ordered, results[r]) - 1
        if k < 0 or results[r] - ordered[k] > within:
            left.append(r)
            continue
        cause = order[k]
        if cause in pairs:
            if scores is None or scores[r] <= scores[pairs[cause]]:
                left.append(r)
                continue
            left.append(pairs[cause])
        pairs[cause] = r
    return pairs, sorted(left)


def hop_sounds(keys, calls, sounds, key_to_call, call_to_sound, scores=None):
    """Each hop key with the game's call for its sound and the sound heard.

    `keys`: when the keys were pressed; `calls`: when the game asked for the
    hop sound (None when the game's own record is missing); `sounds`: where
    the hop sound matches the recording, with how well in `scores`; all times
    in one unit. A call belongs to the latest key before it within
    `key_to_call`, a sound to the latest call before it within
    `call_to_sound` (or, without calls, to the latest key within both); of
    several, the best match. Returns ([(key index, call index or None, sound
    index or None)] in key order, [indices of matches no key accounts for])."""
    if calls is None:
        by_key, left = pair_latest(keys, sounds, key_to_call + call_to_sound, scores)
        return [(k, None, by_key.get(k)) for k in range(len(keys))], left
    call_of_key, _ = pair_latest(keys, calls, key_to_call)
    sound_of_call, left = pair_latest(calls, sounds, call_to_sound, scores)
    # A sound whose call no key explains is not a hop's, whatever it is.
    keyed = set(call_of_key.values())
    left += [r for c, r in sound_of_call.items() if c not in keyed]
    return ([(k, call_of_key.get(k), sound_of_call.get(call_of_key[k])
              if k in call_of_key else None) for k in range(len(keys))], sorted(left))


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


def stop_step(x, from_index, to_index, window_ms=2.0, rate=44100, floor=1e-3):
    """Where in [from_index, to_index) the sound stops most abruptly, and how
    large a step it leaves there.

    First roughly: where the level over `window_ms` before is highest against
    the level after (the quieter side counted at least at `floor`, -60 dBFS,
    so that a reverberation tail dying into silence does not count). Then to
    the sample: near there, a cut is a jump that neither side's own course
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
    k = int(idx[np.argmax(before / after)])

    a, b = k - n - m - 2, k + n + m + 3
    jumps = _jumps(xs[a:b])
    rough = _roughness(xs[a:b])
    window = np.lib.stride_tricks.sliding_window_view(rough, m)  # rough[i .. i+m-1]
    cands = np.arange(k - n, k + n) - a
    quiet = window[cands + 2].max(axis=1)  # from the first sample clear of it
    score = jumps[cands] / (quiet + 1e-4)
    best = int(np.argmax(score))
    jump, q = float(jumps[cands[best]]), float(quiet[best])
    return int(cands[best] + a), max(0.0, jump - q), jump, q


# Two steps of 16 bits: what the sound server's own rounding may leave in
# silence.
SILENCE = 2.0 / 32768


def sound_start(x, from_index, to_index, quiet_ms=5.0, rate=44100, silence=SILENCE):
    """The first index in [from_index, to_index) at which sound begins after
    at least `quiet_ms` of silence: where the output goes from nothing to
    something. None if the sound never rests that long there, or never
    comes."""
    level = np.abs(x).max(axis=1) if x.ndim == 2 else np.abs(x)
    from_index = max(0, from_index)
    loud = level[from_index:to_index] > silence
    need = max(1, int(rate * quiet_ms / 1000))
    quiet_run = 0
    # Samples before the window count towards the silence before its start.
    for v in level[max(0, from_index - need):from_index][::-1]:
        if v > silence:
            break
        quiet_run += 1
    if not loud.any():
        return None
    # Where each run of sound begins, and how long the silence before it was.
    starts = np.nonzero(loud & ~np.concatenate([[False], loud[:-1]]))[0]
    last_loud = np.maximum.accumulate(np.where(loud, np.arange(len(loud)), -1))
    before = np.concatenate([[-1], last_loud])[starts]  # the last sound before each start
    rest = np.where(before >= 0, starts - before - 1, starts + quiet_run)
    found = np.nonzero(rest >= need)[0]
    return from_index + int(starts[found[0]]) if len(found) else None


def start_step(x, from_index, to_index, rate=44100, silence=SILENCE):
    """Where in [from_index, to_index) the output goes from silence to sound,
    and the step it makes there: the jump, at its first sounding samples,
    that neither the silence before nor the sound's own course after
    explains. A song let in at full level jumps by the music's value there; a
    song faded in, or a note rising from nothing, by next to nothing. What
    the sound does after those first samples (a drum's noise, a note's
    attack once a song resumed in a rest) is the song's, not the start's.
    Returns (index, step) in shares of full scale, or (None, 0.0)."""
    at = sound_start(x, from_index, to_index, rate=rate, silence=silence)
    if at is None:
        return None, 0.0
    xs = (x if x.ndim == 2 else x[:, None]).astype(np.float64)
    a = max(0, at - 4)
    jumps = _jumps(xs[a:at + 6])
    # The sample found and the one on either side: the first sample above
    # silence may follow one that already rose a little.
    return at, float(jumps[at - a - 1:at - a + 2].max())


def percentiles(values, qs=(50, 95, 99)):
    values = np.asarray(values, dtype=np.float64)
    values = values[~np.isnan(values)]
    if len(values) == 0:
        return [float("nan")] * len(qs)
    return [float(np.percentile(values, q)) for q in qs]

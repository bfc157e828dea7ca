"""Loudness as ITU-R BS.1770 measures it, for balancing the game's sounds.

K-weighting (a high shelf for the head's effect, then a high-pass for the
ear's weak bass), mean square per channel, summed over left and right, in
400 ms blocks overlapping by 75%. Integrated loudness keeps the blocks above
-70 LUFS, then those less than 10 LU under the loudness of what is left.

Signals are numpy arrays of floats in [-1, 1], one column per channel
(a one-dimensional array is one channel).
"""

import math

import numpy as np
from scipy import signal

BLOCK_SECONDS = 0.4
STEP_SECONDS = 0.1
ABSOLUTE_GATE = -70.0
RELATIVE_GATE = -10.0
SILENCE = -math.inf


def k_weighting(rate):
    """The two filters of K-weighting at any sample rate, as (b, a) pairs.

    Made from the analog shelf and high-pass the recommendation's 48 kHz
    coefficients come from, so that 44.1 kHz is weighted the same way.
    """
    # High shelf, +4 dB above about 1.7 kHz.
    f0, gain_db, q = 1681.974450955533, 3.999843853973347, 0.7071752369554196
    k = math.tan(math.pi * f0 / rate)
    vh = 10 ** (gain_db / 20)
    vb = vh ** 0.4996667741545416
    a0 = 1 + k / q + k * k
    shelf_b = [(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0]
    shelf_a = [1.0, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0]
    # High-pass at about 38 Hz.
    f0, q = 38.13547087602444, 0.5003270373238773
    k = math.tan(math.pi * f0 / rate)
    a0 = 1 + k / q + k * k
    high_b = [1.0, -2.0, 1.0]
    high_a = [1.0, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0]
    return (shelf_b, shelf_a), (high_b, high_a)


def _channels(x):
    x = np.asarray(x, dtype=np.float64)
    return x[:, None] if x.ndim == 1 else x


def weighted_power(x, rate):
    """K-weighted power per sample, summed over the channels."""
    (b1, a1), (b2, a2) = k_weighting(rate)
    y = signal.lfilter(b2, a2, signal.lfilter(b1, a1, _channels(x), axis=0), axis=0)
    return np.sum(y * y, axis=1)


def to_lufs(power):
    return -0.691 + 10 * math.log10(power) if power > 0 else SILENCE


def block_powers(power, rate, block=BLOCK_SECONDS, step=STEP_SECONDS):
    """Mean power of every whole block of `block` seconds, `step` seconds apart."""
    n, hop = int(round(block * rate)), int(round(step * rate))
    if len(power) < n:
        return np.zeros(0)
    sums = np.concatenate(([0.0], np.cumsum(power)))
    starts = np.arange(0, len(power) - n + 1, hop)
    return (sums[starts + n] - sums[starts]) / n


def gated_loudness(blocks):
    """Integrated loudness of block powers, with both gates."""
    with np.errstate(divide="ignore"):
        levels = -0.691 + 10 * np.log10(blocks)
    kept = blocks[levels > ABSOLUTE_GATE]
    if len(kept) == 0:
        return SILENCE
    gate = to_lufs(float(np.mean(kept))) + RELATIVE_GATE
    kept = blocks[(levels > ABSOLUTE_GATE) & (levels > gate)]
    return to_lufs(float(np.mean(kept)))


def integrated(x, rate):
    """Integrated loudness in LUFS (minus infinity for silence)."""
    return gated_loudness(block_powers(weighted_power(x, rate), rate))


def short_levels(x, rate, window=0.05, step=0.01):
    """Plain (unweighted) RMS level in dBFS of the louder channel over short
    windows `step` seconds apart; also the window and step in samples."""
    x = _channels(x)
    n, hop = int(round(window * rate)), int(round(step * rate))
    if len(x) < n:
        return np.zeros(0), n, hop
    sums = np.concatenate((np.zeros((1, x.shape[1])), np.cumsum(x * x, axis=0)))
    starts = np.arange(0, len(x) - n + 1, hop)
    power = np.max(sums[starts + n] - sums[starts], axis=1) / n
    with np.errstate(divide="ignore"):
        return 10 * np.log10(power), n, hop

"""Recording the null sink's monitor, with every sample tied to the clock.

The recorder reads small blocks through libpulse-simple and, after each,
notes the monotonic time and the stream's latency as PulseAudio reports it.
From these the time at which each recorded sample was played follows:
the null sink plays on the monotonic clock, sample after sample, so a
sample's time is a fixed start plus its index over the rate.

A second way checks the first: short clicks written through a playback
stream of this process, whose play time PulseAudio tells at the write, are
found in the recording. `Calibration` keeps both and how far they agree.
"""

import ctypes
import threading
import time

import numpy as np

PA_STREAM_PLAYBACK = 1
PA_STREAM_RECORD = 2
PA_SAMPLE_S16LE = 3


class _SampleFormat(ctypes.Structure):
    _fields_ = [("format", ctypes.c_int), ("rate", ctypes.c_uint32),
                ("channels", ctypes.c_uint8)]


class _BufferAttr(ctypes.Structure):
    _fields_ = [("maxlength", ctypes.c_uint32), ("tlength", ctypes.c_uint32),
                ("prebuf", ctypes.c_uint32), ("minreq", ctypes.c_uint32),
                ("fragsize", ctypes.c_uint32)]


_lib = None


def _pulse():
    global _lib
    if _lib is None:
        lib = ctypes.CDLL("libpulse-simple.so.0")
        lib.pa_simple_new.restype = ctypes.c_void_p
        lib.pa_simple_new.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int,
                                      ctypes.c_char_p, ctypes.c_char_p,
                                      ctypes.POINTER(_SampleFormat), ctypes.c_void_p,
                                      ctypes.POINTER(_BufferAttr),
                                      ctypes.POINTER(ctypes.c_int)]
        lib.pa_simple_read.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_size_t,
                                       ctypes.POINTER(ctypes.c_int)]
        lib.pa_simple_write.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_size_t,
                                        ctypes.POINTER(ctypes.c_int)]
        lib.pa_simple_drain.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)]
        lib.pa_simple_get_latency.restype = ctypes.c_uint64
        lib.pa_simple_get_latency.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)]
        lib.pa_simple_free.argtypes = [ctypes.c_void_p]
        lib.pa_strerror.restype = ctypes.c_char_p
        lib.pa_strerror.argtypes = [ctypes.c_int]
        _lib = lib
    return _lib


class PulseError(RuntimeError):
    pass


def _open(server, direction, device, name, rate, attr):
    lib = _pulse()
    sample_format = _SampleFormat(PA_SAMPLE_S16LE, rate, 2)
    err = ctypes.c_int(0)
    handle = lib.pa_simple_new(server.encode(), b"lilyhops-bench", direction,
                               device.encode() if device else None, name.encode(),
                               ctypes.byref(sample_format), None, ctypes.byref(attr), ctypes.byref(err))
    if not handle:
        raise PulseError(f"cannot open {name}: {lib.pa_strerror(err.value).decode()}")
    return handle


class Recorder:
    """Records `source` from `server` in a thread until stop()."""

    def __init__(self, server, source, rate, block_frames=128):
        self.server, self.source, self.rate = server, source, rate
        self.block = block_frames
        self.chunks = []
        self.marks = []  # (frames read so far, monotonic ns after the read, latency us)
        self._stop = threading.Event()
        self._thread = None
        self.error = None

    def start(self):
        nbytes = self.block * 4
        attr = _BufferAttr(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, nbytes)
        self._handle = _open(self.server, PA_STREAM_RECORD, self.source, "monitor recording",
                             self.rate, attr)
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()
        return self

    def _run(self):
        lib = _pulse()
        nbytes = self.block * 4
        buf = ctypes.create_string_buffer(nbytes)
        err = ctypes.c_int(0)
        frames = 0
        while not self._stop.is_set():
            if lib.pa_simple_read(self._handle, buf, nbytes, ctypes.byref(err)) < 0:
                self.error = lib.pa_strerror(err.value).decode()
                return
            now = time.monotonic_ns()
            latency = lib.pa_simple_get_latency(self._handle, ctypes.byref(err))
            frames += self.block
            self.chunks.append(bytes(buf.raw))
            self.marks.append((frames, now, int(latency)))

    def stop(self):
        self._stop.set()
        if self._thread:
            self._thread.join(5)
        _pulse().pa_simple_free(self._handle)
        if self.error:
            raise PulseError(f"recording stopped: {self.error}")
        raw = np.frombuffer(b"".join(self.chunks), dtype="<i2").reshape(-1, 2)
        return raw.astype(np.float32) / 32768.0

    def start_from_latency(self):
        """Monotonic ns of sample 0 by the latency reports, and the spread of
        the single estimates (ns), which is how much they disagree."""
        m = np.array(self.marks, dtype=np.float64)
        if len(m) == 0:
            raise PulseError("nothing was recorded")
        # After reading up to sample M at time t with latency L, sample M is
        # the one captured L before t.
        starts = m[:, 1] - m[:, 2] * 1e3 - m[:, 0] * 1e9 / self.rate
        # The first reads carry the stream's start-up; a thread that was late
        # to note the time makes an estimate too late, never too early.
        steady = starts[len(starts) // 10:] if len(starts) > 20 else starts
        return float(np.percentile(steady, 5)), float(np.percentile(steady, 95) -
                                                      np.percentile(steady, 5))


def click_wave(rate, ms=4.0, hz=3000.0):
    """A short, loud tone burst that nothing in the game sounds like."""
    n = int(rate * ms / 1000)
    t = np.arange(n) / rate
    return (0.5 * np.sin(2 * np.pi * hz * t) * np.hanning(n)).astype(np.float32)


def play_clicks(server, sink, rate, count=8, gap_s=0.25):
    """Plays `count` clicks about `gap_s` apart through a low-latency
    stream; returns the monotonic ns at which the server says the first
    sample of each plays. Each click is written on its own after a little
    silence and played out before the next: a stream that has just started
    may lose the start of what it plays first (PulseAudio and PipeWire
    both do), and a stream kept running reports its latency less exactly."""
    lib = _pulse()
    target = int(rate * 0.010) * 4
    attr = _BufferAttr(0xFFFFFFFF, target, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF)
    handle = _open(server, PA_STREAM_PLAYBACK, sink, "calibration clicks", rate, attr)
    lead_in = np.zeros(int(rate * 0.030), dtype=np.float32)
    mono = np.concatenate([click_wave(rate), np.zeros(int(rate * 0.030), dtype=np.float32)])
    sound = np.concatenate([lead_in, mono])
    stereo = np.repeat((sound * 32767).astype("<i2")[:, None], 2, axis=1).tobytes()
    err = ctypes.c_int(0)
    times = []
    try:
        for _ in range(count):
            if lib.pa_simple_write(handle, stereo, len(stereo), ctypes.byref(err)) < 0:
                raise PulseError(lib.pa_strerror(err.value).decode())
            now = time.monotonic_ns()
            latency_us = lib.pa_simple_get_latency(handle, ctypes.byref(err))
            # The latency is to the last sample written.
            times.append(now + latency_us * 1000 - len(mono) * 1e9 / rate)
            lib.pa_simple_drain(handle, ctypes.byref(err))
            time.sleep(gap_s)
    finally:
        lib.pa_simple_free(handle)
    return times

"""CPU time and memory of a process, read from /proc."""

import os

TICKS = os.sysconf("SC_CLK_TCK")


def _stat_fields(path):
    with open(path) as f:
        text = f.read()
    # The name may hold spaces; the fields after it are plain numbers.
    name = text[text.index("(") + 1:text.rindex(")")]
    return name, text[text.rindex(")") + 2:].split()


def cpu_seconds(pid):
    """User and system CPU time of the whole process, all threads."""
    _, fields = _stat_fields(f"/proc/{pid}/stat")
    return (int(fields[11]) + int(fields[12])) / TICKS


def thread_cpu_seconds(pid):
    """{thread id: (name, CPU seconds)} for each thread alive now."""
    result = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            name, fields = _stat_fields(f"/proc/{pid}/task/{tid}/stat")
        except OSError:
            continue
        result[int(tid)] = (name, (int(fields[11]) + int(fields[12])) / TICKS)
    return result


def memory_mb(pid):
    """(resident now, highest resident so far), in MB."""
    values = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in ("VmRSS", "VmHWM"):
                values[key] = int(rest.split()[0]) / 1024
    return values.get("VmRSS", 0.0), values.get("VmHWM", 0.0)


class CpuWindow:
    """CPU used by some processes between start() and stop(), as a share of
    one core over the wall time between them."""

    def __init__(self, pids):
        self.pids = pids

    def start(self):
        import time
        self.t0 = time.monotonic()
        self.cpu0 = {p: cpu_seconds(p) for p in self.pids}
        self.threads0 = {p: thread_cpu_seconds(p) for p in self.pids}
        return self

    def stop(self):
        import time
        self.seconds = time.monotonic() - self.t0
        self.percent = {p: 100.0 * (cpu_seconds(p) - self.cpu0[p]) / self.seconds
                        for p in self.pids}
        self.thread_percent = {}
        for p in self.pids:
            now = thread_cpu_seconds(p)
            rows = {}
            for tid, (name, cpu) in now.items():
                before = self.threads0[p].get(tid, (name, 0.0))[1]
                rows.setdefault(name, 0.0)
                rows[name] += 100.0 * (cpu - before) / self.seconds
            self.thread_percent[p] = rows
        return self

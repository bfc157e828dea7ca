"""The engine benchmark's table: each figure beside its target, then what
the figures rest on."""

import os

import numpy as np

import analysis
from recorded import HOP_PHASES


def fmt(v, digits=1):
    return "n/a" if v is None or (isinstance(v, float) and np.isnan(v)) else f"{v:.{digits}f}"


def percent(share):
    return "n/a" if share is None else f"{100 * share:.0f} %"


def seconds_list(values):
    return ", ".join(f"{v:.3f}" for v in values)


def hop_rows(what, fig):
    if fig is None or not fig.keys:
        return [(f"Key press to hop sound, {what}", "no hop keys", "<= 40 median, <= 60 worst")]
    lat = fig.latencies_ms
    heard = f"{len(lat)} of {fig.keys} keys heard"
    if not lat:
        return [(f"Key press to hop sound, {what}", f"no hop sound found ({heard})",
                 "<= 40 median, <= 60 worst")]
    p50, p95 = analysis.percentiles(lat, (50, 95))
    return [(f"Key press to hop sound, {what}, p50 / p95 / max",
             f"{fmt(p50)} / {fmt(p95)} / {fmt(max(lat))} ms ({heard})",
             "<= 40 median, <= 60 worst"),
            ("  its start jitter (latest - earliest)", f"{fmt(max(lat) - min(lat))} ms",
             "<= 10 ms")]


def step_rows(steps):
    rows = []
    for name, occurrences in steps.items():
        found = [e for o in occurrences for e in o if e["step"] is not None]
        lost = sum(1 for o in occurrences for e in o if e["step"] is None)
        kinds = "/".join(sorted({e["kind"] for o in occurrences for e in o}))
        if not found:
            rows.append((f"Largest step at {name} (full scale = 1)", f"no {kinds} found",
                         "<= 0.01"))
            continue
        worst = max(found, key=lambda e: e["step"])
        where = "from silence" if worst["kind"] == "start" else "at the fade"
        missing = f"; {lost} not found" if lost else ""
        rows.append((f"Largest step at {name} (full scale = 1)",
                     f"{worst['step']:.4f} (worst of {len(occurrences)}: {worst['kind']} "
                     f"{where}, +{worst['ms']:.0f} ms after the key{missing})", "<= 0.01"))
    return rows


def cost_rows(f):
    rows = []
    std = f.get("standalone", {})
    heavy = f.get("heaviest")
    rows.append((f"CPU in play, whole game ({heavy})", f"{fmt(f.get('play_cpu'), 2)} % of one core",
                 "<= 4 %"))
    alone = std.get(heavy)
    inside = f.get("mixer_play")
    paced = f.get("standalone_paced_synth")
    if paced and inside is not None:
        rows.append(("FluidSynth in the game / in a standalone loop paced like the game",
                     f"{fmt(inside, 2)} % / {fmt(paced, 2)} % = {fmt(inside / paced, 2)}x",
                     "<= 1.10x"))
    back_to_back = f.get("standalone_synth", {}).get(heavy)
    if back_to_back and inside is not None:
        rows.append(("FluidSynth in the game / in the loop back to back (warm caches)",
                     f"{fmt(inside, 2)} % / {fmt(back_to_back, 2)} % = "
                     f"{fmt(inside / back_to_back, 2)}x", "(for comparison)"))
    if alone and f.get("play_cpu") is not None and f.get("play_silent_cpu") is not None \
            and f.get("standalone_idle") is not None:
        outside = f["play_cpu"] - f["play_silent_cpu"]
        net = alone - f["standalone_idle"]
        ratio = outside / net if net > 0 else float("nan")
        rows.append(("Whole game with music - without / standalone loop",
                     f"{fmt(outside, 2)} % / {fmt(net, 2)} % = {fmt(ratio, 2)}x",
                     "(outside view: holds the output path too)"))
    return rows


def frame_rows(f):
    frames = f.get("frames")
    if not frames:
        return [("Frames drawn per second in play", fmt(f.get("play_paints")),
                 "one per change")]
    other = sum(v for k, v in frames.items() if k not in ("lane instant", "hop", "music bar"))
    return [("Frames drawn per second in play",
             f"{fmt(f.get('play_paints'))} = {fmt(frames['lane instant'])} lane instants + "
             f"{fmt(frames['hop'])} hops + {fmt(frames['music bar'])} music bar + "
             f"{fmt(other)} other",
             "only on change: <= 30 lanes, <= 1 a hop, <= 2 bar, 0 other")]


def print_table(s, args):
    f = s.figures
    rows = []
    hops = f.get("hops", {})
    for name, what in HOP_PHASES:
        rows += hop_rows(what, hops.get(name))
    rows += step_rows(f.get("steps", {}))
    rows += cost_rows(f)
    rows.append(("CPU on the title screen, no sound server",
                 f"{fmt(f.get('title_quiet_cpu'), 2)} %", "<= 0.3 %"))
    rows.append(("CPU on the title screen, with a sound server",
                 f"{fmt(f.get('title_sound_cpu'), 2)} %", "<= 0.6 %"))
    rows.append(("CPU of a bare Qt window, same size and run",
                 f"{fmt(f.get('bare_title_cpu'), 2)} % / {fmt(f.get('bare_play_cpu'), 2)} %",
                 "(yardstick: title / play)"))
    p50, p95, p99 = f.get("lateness", [float("nan")] * 3)
    rows.append(("Lane timer lateness in play, p50 / p95 / p99",
                 f"{fmt(p50, 2)} / {fmt(p95, 2)} / {fmt(p99, 2)} ms", "p99 <= 2 ms"))
    for name, values in f.get("stalls", {}).items():
        rows.append((f"Latest timer tick in the second after {name}",
                     " / ".join(f"{fmt(v)} ms" for v in values), "<= 2 ms"))
    rows += frame_rows(f)
    rows.append(("Frames drawn per second, title screen",
                 f"{fmt(f.get('title_quiet_paints'))} / {fmt(f.get('title_sound_paints'))}",
                 "0 (no sound server / with one)"))
    rows.append(("Times the output ran dry with sound to play, whole run",
                 fmt(f.get("underruns"), 0), "0"))
    rows.append(("RSS at start / in play / peak",
                 f"{fmt(f.get('rss_start'))} / {fmt(f.get('rss_play'))} / "
                 f"{fmt(f.get('rss_peak'))} MB", "<= 60 MB"))
    rows.append(("RSS of the bare Qt window", f"{fmt(f.get('bare_rss_play'))} MB",
                 "(yardstick)"))

    print(f"Sound server: {f.get('server')} (private, its only sink).")
    width = max(len(r[0]) for r in rows)
    mwidth = max(len(r[1]) for r in rows)
    print(f"{'Figure':<{width}}  {'Measured':<{mwidth}}  Target")
    print(f"{'-' * width}  {'-' * mwidth}  {'-' * 6}")
    for name, measured, target in rows:
        print(f"{name:<{width}}  {measured:<{mwidth}}  {target}")
    print()
    print_details(s, args)


def print_details(s, args):
    f = s.figures
    cal = f.get("calibration", {})
    if cal:
        drift = ("" if cal.get("drift_ppm") is None else
                 f", on one line through both ends of the recording ({cal['drift_ppm']:+.0f} ppm "
                 "from the monotonic clock)")
        print(f"Sound clock: {cal['clicks']} of {cal['of']} test clicks found, agreeing within "
              f"{cal['spread_ms']:.1f} ms{drift}; the server's play time lies "
              f"{cal['vs_latency_ms']:+.1f} ms from what the recorder's own latency reports "
              f"say; keys are stamped within {cal['round_trip_ms']:.1f} ms.")
    print("Key to hop sound: from the X server taking the key to the hop sound's first sample "
          "in the null sink; with the music off each hop sounds over silence, its output kept "
          "running for two seconds after each sound.")
    for name, what in HOP_PHASES:
        fig = f.get("hops", {}).get(name)
        if fig is None or not fig.keys:
            continue
        line = f"  Hops {what}: {fig.keys} keys, "
        if fig.with_calls:
            line += f"{fig.played} played by the game, "
        line += f"{len(fig.latencies_ms)} heard"
        if fig.key_to_call_ms:
            k50, = analysis.percentiles(fig.key_to_call_ms, (50,))
            line += f"; key to PlayEffect p50 {k50:.1f} / max {max(fig.key_to_call_ms):.1f} ms"
        if fig.call_to_sound_ms:
            c50, = analysis.percentiles(fig.call_to_sound_ms, (50,))
            line += (f"; PlayEffect to sound p50 {c50:.1f} / max "
                     f"{max(fig.call_to_sound_ms):.1f} ms")
        print(line + ".")
        if fig.refused_s:
            print(f"    the game played no sound for the keys at {seconds_list(fig.refused_s)} s")
        if fig.missed_s:
            print(f"    played but not found in the recording: keys at "
                  f"{seconds_list(fig.missed_s)} s")
        if fig.unclaimed_s:
            print(f"    matches of the hop sound that no key accounts for (music like it, or "
                  f"a stray hop) at {seconds_list(fig.unclaimed_s)} s")
    print("Steps: a stop is measured at the fade's end, a start where the output goes from "
          "silence to sound (a note's own attack after that is the song's).")
    heard = f.get("loss_heard_s")
    print("A lost toad was heard " + (f"{heard:.1f} s after stepping into the road."
                                      if heard is not None else "nowhere: no car came."))
    frames = f.get("frames")
    if frames:
        print(f"Frames in play, a second: the lane timers ran at {fmt(f.get('lane_instants'))} "
              f"instants and {fmt(frames['lane instant'])} drew a frame; of "
              f"{fmt(f.get('hop_keys_play'))} hop keys {fmt(frames['hop'])} drew a frame of "
              f"their own (the others fell into a lane instant's frame); the focus timer moved "
              f"the music bar in {fmt(frames['music bar'])} (it ticked on the lanes' instants "
              f"{percent(f.get('focus_on_grid'))} of the time); others: " +
              ", ".join(f"{k} {fmt(v)}" for k, v in frames.items()
                        if k not in ("lane instant", "hop", "music bar")) + ".")
    std = f.get("standalone", {})
    if std:
        synth = f.get("standalone_synth", {})
        print("Standalone loop in the game's 10 ms periods, back to back, % of one core "
              "(of it inside FluidSynth): " +
              ", ".join(f"{k} {v:.2f} ({fmt(synth.get(k), 2)})" for k, v in std.items()) +
              f", idle synthesizer {fmt(f.get('standalone_idle'), 2)}; paced like the game, "
              f"inside FluidSynth: {fmt(f.get('standalone_paced_synth'), 2)}")
    print(f"The mixer's own CPU in play: {fmt(f.get('mixer_play'), 2)} % with the music, "
          f"{fmt(f.get('mixer_silent'), 2)} % with it off (hop sounds only). The whole game "
          f"with the music off: {fmt(f.get('play_silent_cpu'), 2)} % of one core.")
    threads = f.get("play_threads", {})
    if threads:
        print("Threads in play, % of one core: " +
              ", ".join(f"{k} {v:.2f}" for k, v in sorted(threads.items(), key=lambda e: -e[1])
                        if v >= 0.05))
    if "window_size" in f:
        print(f"Window {f['window_size'][0]}x{f['window_size'][1]}; {args.play_seconds:.0f} s of "
              f"play, {args.title_seconds:.0f} s of each title screen.")
    print(f"Load average: {f['load_start']} at the start, {f.get('load_end', '?')} at the end "
          f"({os.cpu_count()} cores).")
    for note in s.notes:
        print("Note: " + note)

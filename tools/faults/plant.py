#!/usr/bin/env python3
"""Plants a set of faults one at a time and reports which the suite catches.

Works on a copy of the source tree in a scratch folder (never on the
checkout itself): applies one fault, builds, runs ctest (without the
sound-device tests, which no fault here touches), records whether any test
failed, and puts the file back before the next fault. Not part of CI; it
takes about a minute per fault on two cores.

    tools/faults/plant.py [--work DIR] [--only N,M,...] [--jobs N] [--tests REGEX]
                          [--set faults|fresh|third|fourth|fifth|sixth]

--tests runs only the tests whose names match (ctest -R), to see what one
part of the suite catches on its own; --set chooses the set of faults:
faults.py (the default), fresh_faults.py (--fresh for short),
third_faults.py, fourth_faults.py, fifth_faults.py or sixth_faults.py.

The window's end-to-end tests (ctest label "window") need Xvfb and xdotool;
without them those tests are not even defined, and the window's faults would
count as escapes of the suite. The run refuses to start then, unless --tests
narrows it to other tests.
"""

import argparse
import importlib
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
SETS = {"faults": "faults", "fresh": "fresh_faults", "third": "third_faults",
        "fourth": "fourth_faults", "fifth": "fifth_faults", "sixth": "sixth_faults"}

SOURCE = HERE.parent.parent


def run(cmd, cwd, log, env=None):
    with open(log, "a") as out:
        out.write("$ " + " ".join(cmd) + "\n")
        out.flush()
        return subprocess.run(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, env=env).returncode


def failed_tests(cmd, cwd, log, env):
    """Runs ctest; returns the names of the tests that failed."""
    result = subprocess.run(cmd, cwd=cwd, env=env, capture_output=True, text=True)
    with open(log, "a") as out:
        out.write("$ " + " ".join(cmd) + "\n" + result.stdout + result.stderr)
    names = []
    if "The following tests FAILED:" in result.stdout:
        for line in result.stdout.split("The following tests FAILED:")[1].splitlines():
            parts = line.strip().split(" - ", 1)
            if len(parts) == 2:
                names.append(parts[1].rsplit(" (", 1)[0])
    elif result.returncode != 0:
        names.append("(ctest failed)")
    return names


def copy_tree(dest):
    if dest.exists():
        shutil.rmtree(dest)
    files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard"], cwd=SOURCE,
                           check=True, capture_output=True, text=True).stdout.split("\n")
    for f in files:
        if not f or not (SOURCE / f).is_file():
            continue
        target = dest / f
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(SOURCE / f, target)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--work", default="/tmp/lilyhops-faults")
    ap.add_argument("--only", default="")
    ap.add_argument("--jobs", default="2")
    ap.add_argument("--tests", default="")
    ap.add_argument("--set", choices=sorted(SETS), default="faults")
    ap.add_argument("--fresh", action="store_true", help="the same as --set fresh")
    args = ap.parse_args()
    planted = importlib.import_module(SETS["fresh" if args.fresh else args.set]).FAULTS

    work = Path(args.work)
    src, build, log = work / "src", work / "build", work / "plant.log"
    work.mkdir(parents=True, exist_ok=True)
    log.write_text("")
    copy_tree(src)
    env = dict(os.environ, CCACHE_BASEDIR=str(src))
    launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if shutil.which("ccache") else []
    if run(["cmake", "-S", str(src), "-B", str(build), "-DCMAKE_BUILD_TYPE=RelWithDebInfo"] + launcher,
           work, log, env) != 0:
        sys.exit("configure failed; see " + str(log))
    test_cmd = ["ctest", "--test-dir", str(build), "-LE", "sound", "-j", args.jobs,
                "--timeout", "120"] + (["-R", args.tests] if args.tests else [])
    if run(["cmake", "--build", str(build), "-j", args.jobs], work, log, env) != 0 or \
            run(test_cmd, work, log, env) != 0:
        sys.exit("the suite does not pass without faults; see " + str(log))
    window_tests = subprocess.run(["ctest", "--test-dir", str(build), "-N", "-L", "window"],
                                  capture_output=True, text=True).stdout
    if not args.tests and "Total Tests: 0" in window_tests:
        sys.exit("the window's tests are not defined (Xvfb or xdotool missing?): "
                 "run tools/install-deps.sh first")

    chosen = {int(n) for n in args.only.split(",") if n}
    caught, escaped, broken = [], [], []
    for number, (path, find, replace, note) in enumerate(planted, 1):
        if chosen and number not in chosen:
            continue
        target = src / path
        original = target.read_text()
        if original.count(find) != 1:
            broken.append((number, note, "the text to change occurs %d times" % original.count(find)))
            print("%3d  BROKEN   %s" % (number, note), flush=True)
            continue
        target.write_text(original.replace(find, replace))
        start = time.time()
        try:
            with open(log, "a") as out:
                out.write("\n==== fault %d: %s\n" % (number, note))
            if run(["cmake", "--build", str(build), "-j", args.jobs], work, log, env) != 0:
                verdict = "NO-BUILD"
                broken.append((number, note, "does not build"))
            elif (failing := failed_tests(test_cmd, work, log, env)):
                verdict = "caught"
                caught.append((number, note))
                note = "%s  [%s]" % (note, ", ".join(failing[:4]) +
                                     (" and %d more" % (len(failing) - 4) if len(failing) > 4 else ""))
            else:
                verdict = "ESCAPED"
                escaped.append((number, note))
        finally:
            target.write_text(original)
        print("%3d  %-8s %4.0fs  %s" % (number, verdict, time.time() - start, note), flush=True)

    total = len(caught) + len(escaped)
    print("\ncaught %d of %d (%.0f%%)" % (len(caught), total, 100.0 * len(caught) / max(total, 1)))
    for number, note in escaped:
        print("  escaped %3d: %s" % (number, note))
    for number, note, why in broken:
        print("  not planted %3d: %s (%s)" % (number, note, why))
    # Leave the build of the unchanged tree behind it consistent.
    run(["cmake", "--build", str(build), "-j", args.jobs], work, log, env)


if __name__ == "__main__":
    main()

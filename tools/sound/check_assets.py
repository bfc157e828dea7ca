#!/usr/bin/env python3
"""Checks that the committed sounds and songs are what their sources make.

Runs both generators into a scratch folder and compares the results byte for
byte with assets/sounds/ and assets/music/. Exits non-zero, naming the files,
when a source was changed without regenerating (or the other way round).
"""

import filecmp
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ASSETS = os.path.normpath(os.path.join(HERE, "..", "..", "assets"))


def main():
    stale = []
    checked = 0
    with tempfile.TemporaryDirectory() as scratch:
        for script, folder in (("make_effects.py", "sounds"), ("make_songs.py", "music")):
            out = os.path.join(scratch, folder)
            subprocess.run([sys.executable, os.path.join(HERE, script), out], check=True,
                           stdout=subprocess.DEVNULL)
            for name in sorted(os.listdir(out)):
                checked += 1
                committed = os.path.join(ASSETS, folder, name)
                if not os.path.exists(committed) or not filecmp.cmp(
                        committed, os.path.join(out, name), shallow=False):
                    stale.append(os.path.join("assets", folder, name))
    for name in stale:
        print(f"{name} differs from what tools/sound makes; run the generators again")
    print(f"{checked - len(stale)} passed, {len(stale)} failed")
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main())

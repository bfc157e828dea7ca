#!/usr/bin/env bash
# Sets up what is missing, builds Lilyhops and starts the game.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target lilyhops
exec ./build/lilyhops

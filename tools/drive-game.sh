#!/usr/bin/env bash
# Plays a short game the way a player would, on the X display in $DISPLAY:
# starts GAME, waits for its window, chooses New Game, hops and steps about,
# pauses and resumes, ends the game and closes the window from the File menu.
# Standard error of the game goes to ERRORS. Exits with the game's own status
# (1 with a message of its own if the window never shows or never closes).
#
#     tools/drive-game.sh GAME ERRORS
set -euo pipefail
game="$1"
errors="$2"

"$game" 2>"$errors" &
pid=$!

if ! window="$(timeout 30 xdotool search --sync --onlyvisible --name '^ *Lilyhops$' | head -n 1)" ||
   [ -z "$window" ]; then
  echo "drive-game: the game's window did not show within 30 s" >&2
  kill "$pid" 2>/dev/null || true
  exit 1
fi
xdotool windowfocus --sync "$window"

press() { xdotool key --delay 60 "$@"; sleep 0.4; }
press ctrl+n
press Up
press Left
press Right
press Up
press Down
press space   # pause
press space   # and go on
sleep 1
press ctrl+e  # End Game
press ctrl+x  # Exit

for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "drive-game: the game did not close from File, Exit within 10 s" >&2
  kill "$pid" 2>/dev/null || true
  exit 1
fi
wait "$pid"

#!/usr/bin/env bash
# A short game played in the real window on a private X server, the way a
# player plays it, with xdotool: New Game by its shortcut, an arrow key held
# for a second, Space held for a second, hops, a toad run over, pause and
# resume with Space and Esc, a click into another window and back, the rules
# box. The game records itself; the script runner must then reproduce the
# recording exactly (exit 0), the held keys must have acted once, and the
# window must pause within one focus-timer period of Qt's notice. Then the
# recording is replayed in the window while the player hammers the keys, and
# a game ended by a signal must still leave a recording that runs.
#
# Usage: recorded_game.sh LILYHOPS LILYHOPS_SCRIPT WORK_DIR
set -euo pipefail
game=$1 runner=$2 work=$3
rm -rf "$work"
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime
export QT_QPA_PLATFORM=xcb
# No sound server: the game plays silently on its clock.
export PULSE_SERVER=unix:/nonexistent/lilyhops-tests-have-no-sound-server
export PULSE_RUNTIME_PATH=/nonexistent/lilyhops-tests-have-no-sound-server
rec=$work/game.script

pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/game.err" ] && sed 's/^/game: /' "$work/game.err" >&2
    exit 1
}
step() { echo "--- $*"; }

# A private X server on a display number it picks itself.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" \
    2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 1 600); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
# Repeats come fast, so a held key brings dozens of them.
xset r rate 150 60

# Waits, however slow the machine, until FILE holds COUNT lines matching RE.
lines() { grep -c -- "$2" "$1" 2>/dev/null || true; }
waitfor() {
    local file=$1 re=$2 count=${3:-1}
    for _ in $(seq 1 1200); do
        [ "$(lines "$file" "$re")" -ge "$count" ] && return 0
        sleep 0.1
    done
    fail "$file never showed $count line(s) matching '$re'"
}
window() { timeout 120 xdotool search --sync --onlyvisible --name "$1" | head -1; }
# The number of the first line matching RE, after line AFTER.
lineof() { awk -v re="$2" -v after="${3:-0}" 'NR > after && $0 ~ re { print NR; exit }' "$1"; }
# Runs the recording up to line N, then the extra lines given, in the runner.
upto() {
    local n=$1
    shift
    { head -n "$n" "$rec"; printf '%s\n' "$@"; } | LC_ALL=C "$runner" -
}
now_ms() { date +%s%3N; }
# What the game shows now: the recording so far, run up to the present.
state() {
    local origin written
    origin=$(sed -n 's/^# game time 0 is \([0-9]*\) ms after.*/\1/p' "$rec")
    written=$(awk '/^wait /{t += $2} END{print t + 0}' "$rec")
    upto "$(wc -l <"$rec")" "wait $(($(now_ms) - origin - written))" "dump $*"
}

step "start the game, recording, beside another window"
xev -name OtherWindow >/dev/null 2>&1 &
pids+=($!)
other=$(window '^OtherWindow$')
"$game" --record "$rec" >"$work/game.out" 2>"$work/game.err" &
gamepid=$!
pids+=($gamepid)
win=$(window '^ Lilyhops$')
[ -n "$win" ] && [ -n "$other" ] || fail "windows not found"
xdotool windowfocus --sync "$win"
waitfor "$rec" '^# the window became active'

step "New Game by its shortcut"
xdotool key ctrl+n
waitfor "$rec" '^menu mnuNew$'

step "hold Right for a second"
xdotool keydown Right sleep 1 keyup Right
waitfor "$rec" '^keyup 39$'

step "hold Space for a second"
xdotool keydown space sleep 1 keyup space
waitfor "$rec" '^keyup 32$'
xdotool key space # resume
waitfor "$rec" '^keyup 32$' 2

step "pause and resume with Esc"
xdotool key Escape
waitfor "$rec" '^keyup 27$'
xdotool key Escape
waitfor "$rec" '^keyup 27$' 2

step "hop onto the road and wait for the traffic"
xdotool key Up
waitfor "$rec" '^keyup 38$'
for _ in $(seq 1 600); do
    [ "$(state livesLeft)" = '{"livesLeft":1}' ] && break
    sleep 0.1
done

step "click into another window and come back"
offs=$(lines "$rec" '^active off$')
ons=$(lines "$rec" '^active on$')
left_at=$(now_ms)
xdotool windowfocus --sync "$other"
waitfor "$rec" '^active off$' $((offs + 1))
xdotool windowfocus --sync "$win"
waitfor "$rec" '^active on$' $((ons + 1))
xdotool key space # the game stayed paused: resume it
waitfor "$rec" '^keyup 32$' 3

step "the rules box"
offs=$(lines "$rec" '^active off$')
xdotool key ctrl+r
waitfor "$rec" '^menu mnuFHelp$'
rules=$(window '^Lilyhops Rules$')
# The box is the active window until it is closed; the focus timer sees it.
waitfor "$rec" '^active off$' $((offs + 1))
xdotool windowfocus --sync "$rules" key Return
waitfor "$rec" '^# the rules box is closed'
xdotool windowfocus --sync "$win"
xdotool key space
waitfor "$rec" '^keyup 32$' 4

step "Exit by its shortcut"
xdotool key ctrl+x
status=0
wait "$gamepid" || status=$?
[ "$status" -eq 0 ] || fail "the game ended with status $status"
# Only the game's own lines on standard error ("no sound device", say), none
# of the libraries' under it.
if grep -v '^lilyhops: ' "$work/game.err" >/dev/null; then
    fail "standard error holds more than the game's own lines: $(cat "$work/game.err")"
fi

step "the runner reproduces the recording"
[ "$(tail -n 1 "$rec")" = "menu mnuExit" ] || fail "the recording does not end with Exit"
LC_ALL=C "$runner" "$rec" >"$work/runner.out" 2>"$work/runner.err" || {
    cat "$work/runner.err" >&2
    fail "lilyhops-script does not reproduce the recording"
}
[ ! -s "$work/runner.err" ] || fail "the runner complained: $(cat "$work/runner.err")"

step "the held arrow key acted once"
new=$(lineof "$rec" '^menu mnuNew$')
up39=$(lineof "$rec" '^keyup 39$')
downs=$(sed -n "${new},${up39}p" "$rec" | grep -c '^keydown 39$')
echo "Right was held for a second: $downs key presses, $(lines "$rec" '^keyup 39$') release"
[ "$downs" -ge 3 ] || fail "the held key did not repeat ($downs presses)"
[ "$(lines "$rec" '^keyup 39$')" -eq 1 ] || fail "a held key was released more than once"
got=$(upto "$up39" 'dump imgFrog.Left frogRow')
[ "$got" = '{"imgFrog.Left":3705,"frogRow":1}' ] || fail "after holding Right: $got"

step "the held Space paused once"
up32=$(lineof "$rec" '^keyup 32$')
downs=$(sed -n "${up39},${up32}p" "$rec" | grep -c '^keydown 32$')
echo "Space was held for a second: $downs key presses"
[ "$downs" -ge 3 ] || fail "the held Space did not repeat ($downs presses)"
got=$(upto "$up32" 'dump gamePaused')
[ "$got" = '{"gamePaused":true}' ] || fail "after holding Space: $got"

step "Esc paused and resumed"
esc1=$(lineof "$rec" '^keyup 27$')
esc2=$(lineof "$rec" '^keyup 27$' "$esc1")
[ "$(upto "$esc1" 'dump gamePaused')" = '{"gamePaused":true}' ] || fail "Esc did not pause"
[ "$(upto "$esc2" 'dump gamePaused')" = '{"gamePaused":false}' ] || fail "Esc did not resume"

step "a toad was lost"
grep -Eq '^expect livesLeft [01]$' "$rec" || fail "no toad was lost: $(grep livesLeft "$rec")"

step "losing activation paused the game within one focus-timer period"
off=$(lineof "$rec" '^active off$' "$(lineof "$rec" '^keyup 38$')")
[ "$(upto "$off" 'wait 1' 'dump gamePaused')" = '{"gamePaused":true}' ] ||
    fail "the game did not pause when its window lost activation"
# Game times: the focus timer's tick is one after the `active off` line.
tick=$(head -n "$off" "$rec" | awk '/^wait /{t += $2} END{print t + 1}')
notice=$(head -n "$off" "$rec" | sed -n 's/^# the window lost activation at \([0-9]*\) ms.*/\1/p' |
    tail -n 1)
origin=$(sed -n 's/^# game time 0 is \([0-9]*\) ms after.*/\1/p' "$rec")
[ -n "$notice" ] && [ -n "$origin" ] || fail "the recording has no notice of the focus change"
echo "focus change to Qt's notice: $((origin + notice - left_at)) ms (wall clock)"
echo "Qt's notice to the pause: $((tick - notice)) ms (game clock)"
[ $((tick - notice)) -le 100 ] || fail "paused $((tick - notice)) ms after Qt's notice"

step "the rules box paused the game and took the activation"
rl=$(lineof "$rec" '^menu mnuFHelp$')
[ "$(upto "$rl" 'dump gamePaused')" = '{"gamePaused":true}' ] || fail "the rules box did not pause"
[ -n "$(lineof "$rec" '^active off$' "$rl")" ] || fail "the rules box did not take the activation"

step "the replay shows the same game, whatever keys are pressed meanwhile"
"$game" --replay "$rec" >"$work/replay.out" 2>"$work/replay.err" &
replaypid=$!
pids+=($replaypid)
rwin=$(window '^ Lilyhops \(replay\)$')
xdotool windowfocus --sync "$rwin"
for _ in 1 2 3; do xdotool key Up key Left key space key ctrl+e; done
status=0
wait "$replaypid" || status=$?
[ "$status" -eq 0 ] || { cat "$work/replay.err" >&2; fail "the replay ended with status $status"; }

step "a game ended by a signal leaves a recording that runs"
rec2=$work/signalled.script
"$game" --record "$rec2" >"$work/game2.out" 2>"$work/game2.err" &
gamepid=$!
pids+=($gamepid)
win=$(window '^ Lilyhops$')
xdotool windowfocus --sync "$win"
xdotool key ctrl+n
waitfor "$rec2" '^menu mnuNew$'
xdotool key Right
waitfor "$rec2" '^keyup 39$'
kill -TERM "$gamepid"
status=0
wait "$gamepid" || status=$?
[ "$status" -eq 0 ] || fail "the game ended by SIGTERM with status $status"
grep -q '^expect imgFrog.Left 3705$' "$rec2" || fail "no final state after SIGTERM"
LC_ALL=C "$runner" "$rec2" >/dev/null 2>"$work/runner2.err" ||
    fail "the runner does not reproduce the signalled game: $(cat "$work/runner2.err")"

step "a replay with a line the runner refuses names it, and ends with the runner's status 2"
printf 'menu mnuNew\nwait 200\njump 3\n' >"$work/bad.script"
"$game" --replay "$work/bad.script" >"$work/bad.out" 2>"$work/bad.err" &
badpid=$!
pids+=($badpid)
window '^ Lilyhops \(replay' >/dev/null
kill -TERM "$badpid"
status=0
wait "$badpid" || status=$?
[ "$status" -eq 2 ] || fail "the replay of a bad script ended with status $status"
grep -qx "lilyhops: $work/bad.script, line 3: unknown command 'jump'; the replay stops before it" \
    "$work/bad.err" || fail "the bad line was not named: $(cat "$work/bad.err")"
echo "PASS"

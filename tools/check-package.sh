#!/usr/bin/env bash
# The package stage of the tests. From a finished build it makes the Debian
# package with CPack, checks its file list, control fields, desktop entry,
# metainfo and manual pages, runs lintian, then unpacks it into a scratch root
# and runs the installed programs from there: the game under a private X
# server (xvfb-run), played through a short game with xdotool, and the script
# runner on a short script.
#
#     tools/check-package.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build}")"
say() { echo "package: $*"; }
fail() { echo "package: FAILED: $*" >&2; exit 1; }

rm -f "$build"/lilyhops_*.deb
(cd "$build" && cpack -G DEB) >"$build/cpack.log" 2>&1 || { cat "$build/cpack.log"; fail "cpack"; }
deb="$(ls "$build"/lilyhops_*_"$(dpkg --print-architecture)".deb)"
say "built $(basename "$deb")"

say "dpkg-deb -c:"
dpkg-deb -c "$deb"
expected="$(grep -v '^#' packaging/package-files.txt)"
actual="$(dpkg-deb -c "$deb" |
  awk '$1 !~ /^d/ { p=$6; sub(/^\./,"",p); line=$1" "p; if ($7=="->") line=line" -> "$8; print line }' |
  sort -k2)"
diff -u <(echo "$expected") <(echo "$actual") ||
  fail "the files differ from packaging/package-files.txt (- expected, + in the package)"
odd_dirs="$(dpkg-deb -c "$deb" | awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" { print $6 }')"
[ -z "$odd_dirs" ] || fail "folders without the usual permissions: $odd_dirs"
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "the section is not games"
dpkg-deb -f "$deb" Depends | grep -q 'sf2-soundfont-gm' || fail "no SoundFont among the dependencies"
say "the file list, the permissions and the control fields are as they should be"

say "lintian:"
lintian --fail-on error --display-info "$deb" 2>&1 | grep -v '^running with root privileges' ||
  true
lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"

say "the dependencies resolve:"
apt-get install --simulate --no-install-recommends "$deb" | grep -E '^(Inst|Conf) ' ||
  true
apt-get install --simulate --no-install-recommends "$deb" >/dev/null ||
  fail "apt-get cannot install the package's dependencies"

root="$(mktemp -d)"
runtime="$(mktemp -d)"
trap 'rm -rf "$root" "$runtime"' EXIT
dpkg-deb -x "$deb" "$root"
say "unpacked into $root"

say "desktop-file-validate:"
desktop-file-validate "$root/usr/share/applications/org.lilyhops.Lilyhops.desktop" ||
  fail "desktop-file-validate"
say "appstreamcli validate --no-net:"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.lilyhops.Lilyhops.metainfo.xml" ||
  fail "appstreamcli validate"
for page in "$root"/usr/share/man/man6/*.6.gz; do
  warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
say "the manual pages render without warnings"

runner="$root/usr/games/lilyhops-script"
say "$("$runner" --version | head -n 1)"
script_out="$(printf '%s\n' 'menu mnuNew' 'key 38' 'key 38' \
  'dump frogRow imgFrog.Top lblScore2.Caption' | "$runner")"
[ "$script_out" = '{"frogRow":3,"imgFrog.Top":4410,"lblScore2.Caption":"400"}' ] ||
  fail "the installed lilyhops-script wrote: $script_out"
say "the installed lilyhops-script ran a short script: $script_out"

game="$root/usr/games/lilyhops"
say "$("$game" --version | head -n 1)"
set +e
no_display="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$game" 2>&1)"
status=$?
set -e
[ "$status" -eq 1 ] && [ "$(echo "$no_display" | wc -l)" -eq 1 ] ||
  fail "without a display the game exited $status with: $no_display"
say "without a display (status $status): $no_display"

# A private, empty runtime folder and no sound server: the one line the game
# may say is that it has no sound device.
set +e
XDG_RUNTIME_DIR="$runtime" PULSE_SERVER="unix:$runtime/no-sound-server" \
  xvfb-run -a -s "-screen 0 1024x768x24" tools/drive-game.sh "$game" "$runtime/game.err"
status=$?
set -e
say "the installed game ran under xvfb-run with New Game and a few keys: exit status $status"
sed 's/^/package: game stderr: /' "$runtime/game.err"
[ "$status" -eq 0 ] || fail "the installed game exited with status $status"
unexpected="$(grep -v -x 'lilyhops: no sound device found; the game plays on without sound' \
  "$runtime/game.err" || true)"
[ -z "$unexpected" ] || fail "the installed game said more than that it has no sound device"
say "all checks passed"

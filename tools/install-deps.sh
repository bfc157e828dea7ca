#!/usr/bin/env bash
# Installs the Debian 12 packages Lilyhops needs to build, run and test, and
# nothing else; packages named on the command line are added to them (the
# benchmarks name theirs). Packages already installed are left alone. Run as
# root or as a user who may use sudo.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-multimedia-dev libgl-dev
  libfluidsynth-dev fluid-soundfont-gm libglib2.0-dev libpulse-dev
  fluidsynth python3-numpy python3-scipy
  libgtest-dev
  fonts-liberation fonts-wine
  # held keys on X11 (XKB detectable auto-repeat)
  libxcb-xkb-dev
  # the window's end-to-end tests: a private X server, xdotool, xset, xev
  x11-xserver-utils x11-utils
  python3 python3-pil
  # manual pages, and the package stage: CPack's dpkg-shlibdeps, the checkers
  # of the package and its desktop files, a private X server to start the
  # installed game on, and xdotool to play it
  scdoc man-db dpkg-dev lintian appstream desktop-file-utils
  xvfb xauth xdotool
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

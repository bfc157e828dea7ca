#!/usr/bin/env bash
# Installs the Debian 12 packages Lilyhops needs to build, run and test, and
# nothing else. Packages already installed are left alone. Run as root or as
# a user who may use sudo.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-multimedia-dev libgl-dev
  libfluidsynth-dev fluid-soundfont-gm libglib2.0-dev libpulse-dev
  libgtest-dev
  fonts-liberation
  python3 python3-pil
)

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

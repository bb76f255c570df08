#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, if any is missing.
# Fast when everything is present: it only asks dpkg.
set -euo pipefail

packages=(
  g++ cmake ninja-build
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libbenchmark-dev
  gputils
  xvfb xdotool x11-apps x11-utils imagemagick fonts-liberation
  python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

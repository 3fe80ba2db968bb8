#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need,
# when any of them is missing. Sourced by tools/run and tools/test.
set -euo pipefail

VEL_PACKAGES=(cmake g++ make pkg-config libsdl2-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
  libjpeg-dev libpng-dev zlib1g-dev libvorbis-dev libgtk-3-dev googletest libgtest-dev libbenchmark-dev
  xvfb xauth)

vel_install_deps() {
  local missing=()
  for p in "${VEL_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then return 0; fi
  echo "Installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

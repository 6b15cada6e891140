#!/usr/bin/env bash
# Installs the Debian packages Lyrabox builds, runs and tests with.
set -euo pipefail
pkgs=(g++ cmake ninja-build pkg-config qt6-base-dev libgl-dev libfluidsynth-dev fluidsynth
      fluid-soundfont-gm timgm6mb-soundfont libasound2-dev libcanberra-dev libbenchmark-dev
      sox desktop-file-utils appstream shared-mime-info man-db dpkg-dev file lintian libsndfile1-dev
      dbus playerctl ccache libqt6sql6-sqlite libuchardet-dev)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

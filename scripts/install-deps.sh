#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Idempotent: when everything is present it changes nothing and prints nothing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config ccache
    qt6-base-dev qt6-webengine-dev qt6-websockets-dev libgl-dev libxcb1-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    chromium
    xvfb xauth openbox xdotool x11-utils
    desktop-file-utils dpkg-dev
    fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

#!/usr/bin/env bash
# Installs the Debian packages Dravik needs to build, run and test.
# Does nothing when everything is already there.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6xml6 qt6-qpa-plugins libgl-dev
    libfuse3-dev fuse3
    libgtest-dev libgmock-dev libbenchmark-dev
    clang clang-format
    fio xvfb
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=""
    if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

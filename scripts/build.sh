#!/usr/bin/env bash
# Configures and builds Dravik into a build folder.
#   scripts/build.sh [--sanitize] [build-folder]
set -euo pipefail
cd "$(dirname "$0")/.."

SANITIZE=OFF
BUILD_DIR=build
for arg in "$@"; do
    case "$arg" in
        --sanitize) SANITIZE=ON; BUILD_DIR=build-asan ;;
        *) BUILD_DIR="$arg" ;;
    esac
done

cmake -S . -B "$BUILD_DIR" -G Ninja -DDRAVIK_SANITIZE="$SANITIZE" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"

#!/usr/bin/env bash
# Installs what is missing, builds Dravik, starts the service and the program.
# The program runs in its own working folder (DRAVIK_HOME, by default
# ~/.local/share/dravik), which holds the mission files and Options.xml; the
# diagnostic log is written to log/ beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

scripts/install-deps.sh
scripts/build.sh build

BIN="$ROOT/build/bin"
HOME_DIR="${DRAVIK_HOME:-${HOME:-/root}/.local/share/dravik}"
mkdir -p "$HOME_DIR"

if [[ -x "$BIN/quorbeld" ]]; then
    export QUORBEL_SERVICE="$BIN/quorbeld"
fi

if [[ ! -x "$BIN/dravik" ]]; then
    echo "The main program is not built yet; nothing to start." >&2
    exit 1
fi

PLATFORM_ARGS=()
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    echo "No display found. Starting on Qt's VNC platform: connect a VNC viewer to localhost:5900."
    PLATFORM_ARGS=(-platform vnc:size=1024x768)
fi

echo "Working folder (mission files, Options.xml): $HOME_DIR"
echo "Diagnostic log: $BIN/log/"
cd "$HOME_DIR"
exec "$BIN/dravik" "${PLATFORM_ARGS[@]}"

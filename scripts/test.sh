#!/usr/bin/env bash
# Installs what is missing, builds Dravik and runs every test.
#   scripts/test.sh             the normal build
#   scripts/test.sh --sanitize  the same tests under ASan and UBSan
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

BUILD_DIR=build
if [[ "${1:-}" == "--sanitize" ]]; then
    BUILD_DIR=build-asan
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
fi
scripts/build.sh "$@"

# FUSE mounts need the module; loading it is harmless when it is built in.
modprobe fuse 2>/dev/null || true

ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" --timeout 600

#!/usr/bin/env bash
# Builds and runs every test: the linux build (unit tests on the fake backend, integration tests
# under a headless X server), the fuzz targets briefly, and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh

jobs=$(nproc)
status=0

cmake --preset linux >/dev/null
cmake --build build/linux -j"$jobs" >/dev/null
ctest --test-dir build/linux -j"$jobs" --output-on-failure --timeout 600 || status=1

if [ -d fuzz ]; then
    cmake --preset fuzz >/dev/null
    cmake --build build/fuzz -j"$jobs" >/dev/null
    ctest --test-dir build/fuzz -j"$jobs" --output-on-failure || status=1
fi

export WINEPREFIX="${TMPDIR:-/tmp}/velotap-wine-$$" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
cmake --preset mingw >/dev/null
cmake --build build/mingw -j"$jobs" >/dev/null
ctest --test-dir build/mingw --output-on-failure --timeout 600 || status=1

exit $status

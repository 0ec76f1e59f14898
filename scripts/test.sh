#!/usr/bin/env bash
# Builds and runs every test: the linux build (unit tests on the fake backend, integration tests
# under a headless X server), the fuzz targets briefly, the benchmarks (built, not run), and the
# Windows build under Wine.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh || exit 1

jobs=$(nproc)
status=0
logs=$(mktemp -d)

# Configures and builds one preset quietly, warnings as errors; shows the log when that fails.
build() {
    local preset=$1
    if ! { cmake --preset "$preset" -DVELOTAP_STRICT=ON && cmake --build "build/$preset" -j"$jobs"; } >"$logs/$preset.log" 2>&1; then
        tail -n 60 "$logs/$preset.log"
        echo "Build of preset $preset failed."
        return 1
    fi
}

if build linux; then
    ctest --preset linux -j"$jobs" || status=1
else
    status=1
fi

if build fuzz; then
    ctest --preset fuzz -j"$jobs" || status=1
else
    status=1
fi

# The benchmarks are run by hand (they measure this machine), but they must keep building.
if build release; then
    echo "Benchmarks built."
else
    status=1
fi

export WINEPREFIX="${TMPDIR:-/tmp}/velotap-wine-$$" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$WINEPREFIX" "$logs"' EXIT
if build mingw; then
    ctest --preset mingw || status=1
else
    status=1
fi
exit $status

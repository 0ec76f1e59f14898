#!/usr/bin/env bash
# Builds and runs every test: the linux build (unit tests on the fake backend, integration tests
# under a headless X server), the same without the end-to-end tests under AddressSanitizer and
# UBSan, the threaded core under ThreadSanitizer, the fuzz targets briefly, the benchmarks (built,
# not run), and the Windows build under Wine.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh || exit 1

jobs=$(nproc)
status=0
logs=$(mktemp -d)

# Configures and builds one preset quietly (only the named targets when some are given), warnings
# as errors; shows the log when that fails.
build() {
    local preset=$1
    shift
    local targets=()
    (($#)) && targets=(--target "$@")
    if ! { cmake --preset "$preset" -DVELOTAP_STRICT=ON && cmake --build "build/$preset" -j"$jobs" "${targets[@]}"; } >"$logs/$preset.log" 2>&1; then
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

# Sanitizers halt at their first report.
if build asan; then
    ctest --preset asan -j"$jobs" || status=1
else
    status=1
fi

if build tsan VelotapApp engine_tests capture_tests macro_tests profiles_tests; then
    ctest --preset tsan -j"$jobs" || status=1
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

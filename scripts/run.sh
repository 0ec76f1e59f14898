#!/usr/bin/env bash
# Builds the optimised Velotap (with debug information) and starts it. Without a display, a
# headless X server is started for it. The debug build (preset linux) is the one the tests use.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh
cmake --preset relwithdebinfo >/dev/null
cmake --build build/relwithdebinfo -j"$(nproc)" --target VelotapApp >/dev/null
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" build/relwithdebinfo/VelotapApp "$@"
fi
exec build/relwithdebinfo/VelotapApp "$@"

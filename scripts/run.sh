#!/usr/bin/env bash
# Builds Velotap and starts it. Without a display, a headless X server is started for it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh
cmake --preset linux >/dev/null
cmake --build build/linux -j"$(nproc)" --target VelotapApp >/dev/null
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" build/linux/VelotapApp "$@"
fi
exec build/linux/VelotapApp "$@"

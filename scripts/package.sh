#!/usr/bin/env bash
# Builds the Debian package of the optimised program into build/release.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh
cmake --preset release >/dev/null
cmake --build build/release -j"$(nproc)"
(cd build/release && cpack -G DEB)
ls build/release/velotap_*.deb

#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, when any is missing.
set -euo pipefail

VELOTAP_PACKAGES=(
    build-essential cmake pkg-config git python3
    libwebkit2gtk-4.1-dev libgtk-3-dev webkit2gtk-driver
    libx11-dev libxtst-dev libxi-dev libssl-dev libcurl4-openssl-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth x11-utils xautomation xdotool dbus dbus-x11
    clang libclang-rt-14-dev
    mingw-w64 wine wine64 openssl
    chromium fonts-dejavu-core locales-all nlohmann-json3-dev
)

missing=()
for p in "${VELOTAP_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Node may come from elsewhere than Debian (with its own npm); Debian's only when none is there.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

#!/usr/bin/env bash
# Installs every Debian package Ludora needs, then configures and builds it into build/.
# Usage: scripts/setup.sh [--no-build]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config git clang-format
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools
  qt6-webengine-dev qt6-webengine-dev-tools qt6-webchannel-dev qt6-declarative-dev
  libqt6webenginecore6-bin qt6-l10n-tools qt6-translations-l10n
  libgl-dev libxkbcommon-dev libx11-dev libx11-xcb-dev libxcb1-dev
  libzip-dev zlib1g-dev libsqlite3-dev sqlite3
  xvfb xauth xdotool x11-utils imagemagick desktop-file-utils
  fonts-wqy-microhei python3
)

# Node.js and npm install the demo portal's front-end libraries; a machine that already has npm
# (from another source) keeps it.
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The demo portal's pages use real front-end libraries from the npm registry (tools/portal/package.json).
if [ ! -f tools/portal/node_modules/.package-lock.json ] ||
  [ tools/portal/package-lock.json -nt tools/portal/node_modules/.package-lock.json ]; then
  (cd tools/portal && npm ci --no-audit --no-fund --loglevel=error)
fi

[ "${1:-}" = "--no-build" ] && exit 0
# In CI a compiler warning fails the build.
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUDORA_WERROR="$werror"
cmake --build build

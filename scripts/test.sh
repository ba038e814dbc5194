#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under a virtual X display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Chromium and the layer's sockets want a private runtime folder.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/ludora-xdg.XXXXXX)}"
chmod 700 "$XDG_RUNTIME_DIR"
xvfb-run -a -s "-screen 0 1600x1000x24" \
  ctest --test-dir build --output-on-failure --parallel "${LUDORA_TEST_JOBS:-2}" "$@"

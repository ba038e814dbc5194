#!/usr/bin/env bash
# Installs what is missing, builds, checks the formatting and runs every test under a virtual X
# display. Fails when the formatting check or any test fails; the tests run either way.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
formatted=0
scripts/check-format.sh || formatted=$?
# Chromium and the layer's sockets want a private runtime folder.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/ludora-xdg.XXXXXX)}"
chmod 700 "$XDG_RUNTIME_DIR"
xvfb-run -a -s "-screen 0 1600x1000x24" \
  ctest --test-dir build --output-on-failure --parallel "${LUDORA_TEST_JOBS:-2}" "$@"
if [ "$formatted" -ne 0 ]; then
  echo "test.sh: C++ files are not formatted as .clang-format says (see above)" >&2
  exit 1
fi

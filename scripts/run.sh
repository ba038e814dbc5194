#!/usr/bin/env bash
# Installs what is missing, builds, starts the demo portal on 127.0.0.1:8642 and starts Ludora
# against it. Without a display it runs on a virtual one (LUDORA_SHOT=file saves a screenshot).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
python3 tools/portal/portal.py --port "${LUDORA_PORTAL_PORT:-8642}" &
portal=$!
trap 'kill $portal 2>/dev/null || true' EXIT
sleep 1
if [ -n "${DISPLAY:-}" ]; then
  build/ludora "$@"
else
  xvfb-run -a -s "-screen 0 1600x1000x24" build/ludora "$@"
fi

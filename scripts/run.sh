#!/usr/bin/env bash
# Installs what is missing, builds, starts the demo portal on 127.0.0.1:8642 (with its catalogue
# written beside the program) and starts Ludora against it. Without a display it runs on a
# virtual one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
port="${LUDORA_PORTAL_PORT:-8642}"
python3 tools/portal/portal.py --port "$port" --write-catalogue build/games.xml &
portal=$!
trap 'kill $portal 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/', timeout=1)" \
    2>/dev/null && break
  sleep 0.2
done
if [ "$port" != 8642 ]; then
  echo "The demo portal listens on $port; Ludora still uses the addresses of the \"Portal\"" \
    "section of build/ludora.ini (127.0.0.1:8642 where a key is missing)." >&2
fi
if [ -n "${DISPLAY:-}" ]; then
  build/ludora "$@"
else
  # Nobody sees a virtual screen: a screenshot of it shows what Ludora looks like there.
  shot="${LUDORA_SHOT:-/tmp/ludora-run.png}"
  echo "No display: Ludora runs on a virtual screen; a screenshot of it goes to $shot" \
    "about 10 seconds after the start." >&2
  xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
    shot=$1
    shift
    (sleep 10 && import -window root "$shot" 2>/dev/null &&
      echo "Screenshot of the virtual screen: $shot" >&2) &
    exec build/ludora "$@"' run "$shot" "$@"
fi

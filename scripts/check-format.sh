#!/usr/bin/env bash
# Fails when a C++ file in src/, tests/, tools/ or bench/ is not formatted as .clang-format says.
# Only clang-format 14 (Debian 12's) formats exactly as the committed files are.
set -euo pipefail
cd "$(dirname "$0")/.."
format="${CLANG_FORMAT:-$(command -v clang-format-14 || command -v clang-format || true)}"
if [ -z "$format" ]; then
  echo "check-format: clang-format not found (scripts/setup.sh installs it)" >&2
  exit 1
fi
if ! "$format" --version | grep -q "version 14\."; then
  echo "check-format: $("$format" --version) is not clang-format 14" >&2
  exit 1
fi
find src tests tools bench -type f \( -name '*.cpp' -o -name '*.h' \) -print0 |
  sort -z | xargs -0 "$format" --dry-run -Werror

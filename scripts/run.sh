#!/usr/bin/env bash
# Installs what is missing, builds and starts koa (arguments go to koa).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
if [ "$(id -u)" -eq 0 ]; then
  # Chromium refuses its sandbox to root.
  export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} --no-sandbox"
fi
exec "$top/build/bin/koa" "$@"

#!/usr/bin/env bash
# Configures and builds KOA in build/ (programs and shipped data in build/bin).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$top/build" --parallel

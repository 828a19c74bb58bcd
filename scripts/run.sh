#!/usr/bin/env bash
# Builds the desktop program and starts it from the current folder, where it keeps Zetrova.ini,
# Zetrova.dat and looks for help/index.html.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
cmake -S "$src" -B "$src/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$src/build" -j "$(nproc)" --target zetrova zetrova-cli
exec "$src/build/src/app/zetrova"

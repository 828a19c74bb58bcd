#!/usr/bin/env bash
# Builds and runs every test twice: a plain build, then one with AddressSanitizer and
# UndefinedBehaviorSanitizer. Headless: Qt draws offscreen, the desktop smoke tests use Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZETROVA_SANITIZE=ON \
    -DZETROVA_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
cd build-asan && ctest --output-on-failure -j "$jobs"

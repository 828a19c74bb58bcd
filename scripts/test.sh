#!/usr/bin/env bash
# Builds and runs every test twice: a plain build, then one with AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer. Then every fuzz target (tests/fuzz) runs for a
# bounded time under the same sanitizers (ZETROVA_FUZZ_SECONDS, 30 by default; 0 skips them).
# A finding fails the run and is copied to tests/fuzz/regressions/<target>, which ctest replays.
# Headless: Qt draws offscreen, the desktop smoke tests use Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
fuzz_seconds=${ZETROVA_FUZZ_SECONDS:-30}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

# What a program leaves in memory at exit depends on the build type and on the copy routines the
# C library picks for the processor: the memory scan (every command, the desktop program's too)
# once more on a Release build of the two programs, then on the plain build as a processor
# without AVX-512 and as one with SSE2 alone would run it.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZETROVA_BUILD_TESTS=OFF \
    -DZETROVA_BUILD_BENCH=OFF >/dev/null
cmake --build build-release -j "$jobs" --target zetrova-cli zetrova
scripts/scan-secrets.sh build-release
for hwcaps in -AVX512F,-AVX512VL \
    -AVX512F,-AVX512VL,-AVX2,-AVX,-AVX_Fast_Unaligned_Load,-ERMS,-FSRM,-SSSE3; do
    GLIBC_TUNABLES=glibc.cpu.hwcaps=$hwcaps \
        scripts/scan-secrets.sh build show export import passwd init
done

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZETROVA_SANITIZE=ON \
    -DZETROVA_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
(cd build-asan && ctest --output-on-failure -j "$jobs")

[ "$fuzz_seconds" -gt 0 ] || exit 0
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DZETROVA_FUZZ=ON -DZETROVA_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$jobs" --target zetrova_fuzzers
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer

# What a run finds (and its own growing corpus) stays in a scratch folder in memory, where the
# targets that read files also write them; only findings are copied into the tree.
scratch=$(mktemp -d -p /dev/shm zetrova-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=()
for fuzzer in build-fuzz/tests/fuzz/fuzz_*; do
    [[ -f $fuzzer && -x $fuzzer && $fuzzer != *.* ]] || continue  # not the logs and moc folders
    target=${fuzzer##*/fuzz_}
    work=$scratch/$target
    mkdir -p "$work/corpus" "$work/findings" "$work/tmp"
    inputs=(tests/fuzz/corpus/"$target")
    [ -d tests/fuzz/regressions/"$target" ] && inputs+=(tests/fuzz/regressions/"$target")
    options=(-max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$work/findings/")
    [ -f tests/fuzz/"$target".dict ] && options+=(-dict=tests/fuzz/"$target".dict)
    if TMPDIR=$work/tmp "$fuzzer" "${options[@]}" "$work/corpus" "${inputs[@]}" >"$work/log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log")
        echo "fuzz_$target: no finding in $runs runs ($rate/s)"
    else
        tail -n 60 "$work/log"
        mkdir -p tests/fuzz/regressions/"$target"
        for finding in "$work"/findings/*; do
            [ -e "$finding" ] || continue
            cp "$finding" tests/fuzz/regressions/"$target"/
            echo "fuzz_$target: FINDING kept as tests/fuzz/regressions/$target/${finding##*/}"
        done
        failed+=("$target")
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found faults in: ${failed[*]} (fix them; the kept inputs then pass in ctest)"
    exit 1
fi

#!/usr/bin/env bash
# Installs the tools, builds everything in build/ and runs all tests: the
# optimised build, then the same tests under AddressSanitizer and UBSan,
# then a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build -j"$jobs"
# The desktop program's tests need a display (a virtual one) and take it
# one at a time: they find their windows by title.
(cd build && ctest --output-on-failure -j"$jobs" -E '^DesktopProgram\.')
(cd build && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -R '^DesktopProgram\.')

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANTA_SANITIZE=ON -DKORVANTA_BENCH=OFF -DKORVANTA_SDL=OFF >/dev/null
ninja -C build-asan -j"$jobs" korvanta_tests
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 build-asan/korvanta_tests --gtest_brief=1

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANTA_FUZZ=ON -DKORVANTA_BENCH=OFF -DKORVANTA_SDL=OFF >/dev/null
ninja -C build-fuzz -j"$jobs" fuzz_targets
for target in build-fuzz/*_fuzz; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  corpus="build-fuzz/corpus/$(basename "$target")"
  mkdir -p "$corpus"
  "$target" -max_total_time=20 -rss_limit_mb=1024 "$corpus" 2>&1 | tail -n 2
done
echo "fuzz: all targets ran clean"

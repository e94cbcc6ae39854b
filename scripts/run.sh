#!/usr/bin/env bash
# Installs the tools, builds build/ and runs the emulator on the game named
# as the first argument, or on the bundled demo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build -j"$(nproc)"
game="${1:-build/roms/demo.nes}"
shift || true
exec build/korvanta-cli "$game" --frames 600 --bench --screenshot build/last-frame.png "$@"

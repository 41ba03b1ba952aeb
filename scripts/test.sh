#!/usr/bin/env bash
# Installs what is needed, configures, builds and runs every test, then runs
# the fuzz targets for a bounded time (VOXTRACE_FUZZ_SECONDS, 60 by
# default; 0 skips it). Extra arguments go to CMake's configure step, for
# example -DVOXTRACE_SANITIZE=ON.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/install-deps.sh"
build="${VOXTRACE_BUILD_DIR:-$top/build}"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build" --parallel
ctest --test-dir "$build" --output-on-failure --parallel 2
seconds="${VOXTRACE_FUZZ_SECONDS:-60}"
if [ "$seconds" -gt 0 ]; then
    "$top/scripts/fuzz.sh" "$seconds"
fi

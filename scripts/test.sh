#!/usr/bin/env bash
# Installs what is needed, configures, builds and runs every test.
# Extra arguments go to CMake's configure step (for example -DVOXTRACE_SANITIZE=ON).
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/install-deps.sh"
build="${VOXTRACE_BUILD_DIR:-$top/build}"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build" --parallel
ctest --test-dir "$build" --output-on-failure --parallel 2

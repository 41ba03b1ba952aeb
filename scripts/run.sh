#!/usr/bin/env bash
# Installs what is needed, builds, and opens the application on the bundled
# sample recording (or on the files given as arguments).
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/install-deps.sh"
build="${VOXTRACE_BUILD_DIR:-$top/build}"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --parallel --target voxtrace
if [ "$#" -eq 0 ]; then
    set -- "$top/samples/sample.wav"
fi
exec "$build/src/gui/voxtrace" "$@"

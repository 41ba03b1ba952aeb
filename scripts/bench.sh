#!/usr/bin/env bash
# Builds the benchmarks optimised and runs each of them. Extra arguments go
# to every benchmark (for example --benchmark_filter=Load).
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/install-deps.sh"
build="${VOXTRACE_BENCH_BUILD_DIR:-$top/build-bench}"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOXTRACE_BUILD_TESTS=OFF
cmake --build "$build" --parallel
for b in "$build"/bench/*_bench; do
    echo "== $(basename "$b")"
    "$b" "$@"
done

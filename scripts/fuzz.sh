#!/usr/bin/env bash
# Builds the reader-chain fuzzer with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs it for a bounded time (seconds, 60 by
# default) on a freshly generated seed corpus. Exits non-zero on a finding.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/install-deps.sh"
seconds="${1:-60}"
build="${VOXTRACE_FUZZ_BUILD_DIR:-$top/build-fuzz}"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DVOXTRACE_FUZZ=ON -DVOXTRACE_BUILD_TESTS=OFF
cmake --build "$build" --parallel --target reader_chain_fuzz make_fuzz_corpus
corpus="$build/corpus"
rm -rf "$corpus" && mkdir -p "$corpus"
"$build/fuzz/make_fuzz_corpus" "$corpus"
# Files made by other programs, where the tools are present.
if command -v sox >/dev/null; then
    sox -V1 -n -r 8000 -c 2 -b 16 "$corpus/stereo.wav" synth 0.01 sine 300
    sox -V1 -n -r 8000 -e mu-law "$corpus/mulaw.wav" synth 0.01 sine 300
    sox -V1 -n -r 8000 -b 16 -t aiff "$corpus/mono.aif" synth 0.01 sine 300
    sox -V1 -n -r 8000 -b 16 -t aifc "$corpus/mono.aifc" synth 0.01 sine 300
fi
cd "$build"
"$build/fuzz/reader_chain_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -print_final_stats=1 "$corpus"
echo "fuzz: no finding in ${seconds} s"

#!/usr/bin/env bash
# Builds the fuzz targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them for a bounded time (seconds, 60
# by default): half on the reader chain, a sixth each on the import of
# TextGrid files and on the reading of measurement logs, the rest on the
# reading of configuration files, each on a freshly generated seed corpus
# plus the inputs kept in fuzz/findings. Exits non-zero on a finding.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/install-deps.sh"
seconds="${1:-60}"
build="${VOXTRACE_FUZZ_BUILD_DIR:-$top/build-fuzz}"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DVOXTRACE_FUZZ=ON -DVOXTRACE_BUILD_TESTS=OFF
cmake --build "$build" --parallel --target reader_chain_fuzz config_fuzz textgrid_fuzz log_fuzz make_fuzz_corpus
corpus="$build/corpus"
configs="$build/corpus-config"
grids="$build/corpus-textgrid"
logs="$build/corpus-log"
rm -rf "$corpus" "$configs" "$grids" "$logs" && mkdir -p "$corpus" "$configs" "$grids" "$logs"
"$build/fuzz/make_fuzz_corpus" "$corpus" "$configs" "$grids"
cp "$top"/fuzz/findings/reader-chain/* "$corpus"/ 2>/dev/null || true
cp "$top"/fuzz/findings/config/* "$configs"/ 2>/dev/null || true
cp "$top"/fuzz/findings/textgrid/* "$grids"/ 2>/dev/null || true
cp "$top"/fuzz/findings/log/* "$logs"/ 2>/dev/null || true
printf 'File Name\tEntry definitions and order\tEntry 1\tEntry 2\tComments\t\na.wav\tDuration Entry: start, end, duration \t1.00\t2.00\t\t\n' \
    >"$logs/written.txt"
printf '\xef\xbb\xbfFile Name\tdef\tF0\tComments\r\nb.wav\td\t120.5\r\n\r\n' >"$logs/exported.txt"
printf 'File Name\tdef\tComments\t\ncaf\xe9.wav\td\t\t\n' >"$logs/latin1.txt"
# Files made by other programs, where the tools are present.
if command -v sox >/dev/null; then
    sox -V1 -n -r 8000 -c 2 -b 16 "$corpus/stereo.wav" synth 0.01 sine 300
    sox -V1 -n -r 8000 -e mu-law "$corpus/mulaw.wav" synth 0.01 sine 300
    sox -V1 -n -r 8000 -b 16 -t aiff "$corpus/mono.aif" synth 0.01 sine 300
    sox -V1 -n -r 8000 -b 16 -t aifc "$corpus/mono.aifc" synth 0.01 sine 300
fi
cd "$build"
fuzz() {
    local target="$1" time="$2" dir="$3" keep="$4"
    if ! "$build/fuzz/$target" -max_total_time="$time" -timeout=10 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="$build/$target-" "$dir"; then
        echo "fuzz: $target found an input that fails; keep it as fuzz/findings/$keep/<short-name>" \
             "(see fuzz/findings/README.md) so that the tests replay it" >&2
        exit 1
    fi
}
reader_time=$(( seconds / 2 > 0 ? seconds / 2 : 1 ))
grid_time=$(( seconds / 6 > 0 ? seconds / 6 : 1 ))
log_time=$(( seconds / 6 > 0 ? seconds / 6 : 1 ))
config_time=$(( seconds - reader_time - grid_time - log_time > 0 ? seconds - reader_time - grid_time - log_time : 1 ))
fuzz reader_chain_fuzz "$reader_time" "$corpus" reader-chain
fuzz textgrid_fuzz "$grid_time" "$grids" textgrid
fuzz log_fuzz "$log_time" "$logs" log
fuzz config_fuzz "$config_time" "$configs" config
echo "fuzz: no finding in ${seconds} s"

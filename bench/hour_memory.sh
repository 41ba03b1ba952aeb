#!/usr/bin/env bash
# Resident memory of the application with a one-hour 44.1 kHz recording
# open, after its automatic pitch and intensity analysis, beside the size
# of the recording's float samples. Target: at most 1.2 times.
# usage: bench/hour_memory.sh [path/to/voxtrace]
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
app="${1:-$top/build/src/gui/voxtrace}"
work="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
sox -V1 -n -r 44100 -b 16 -c 1 "$work/hour.wav" synth 3600 sine 120 sine 700 gain -12 tremolo 3 80
export QT_QPA_PLATFORM=offscreen VOXTRACE_CONFIG_DIR="$work/cfg" XDG_RUNTIME_DIR="$work"
"$app" "$work/hour.wav" >"$work/log" 2>&1 &
pid=$!
# The analysis is over when the process has used no processor time for a
# second.
last=-1
for _ in $(seq 1 300); do
    sleep 1
    ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    if [ "$ticks" = "$last" ]; then
        break
    fi
    last=$ticks
done
rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
peak=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
floats=$((3600 * 44100 * 4 / 1024))
echo "resident after analysis: $((rss / 1024)) MiB ($(awk -v r="$rss" -v f="$floats" 'BEGIN {printf "%.2f", r / f}') x the float samples, $((floats / 1024)) MiB)"
echo "peak while reading (the file's pages mapped): $((peak / 1024)) MiB"

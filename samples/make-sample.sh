#!/usr/bin/env bash
# Remakes sample.wav: a short English sentence from espeak-ng, 16-bit mono
# at 22050 Hz. Needs espeak-ng and sox (Debian packages of the same names).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
tmp="$(mktemp --suffix=.wav)"
trap 'rm -f "$tmp"' EXIT
espeak-ng -v en -s 140 -w "$tmp" "Voxtrace measures the pitch and the formants of a voice."
sox -V1 "$tmp" -r 22050 -c 1 -b 16 -t wavpcm "$here/sample.wav"

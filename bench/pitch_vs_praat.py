#!/usr/bin/env python3
"""Pitch on voices like real ones, beside Praat's autocorrelation pitch.

Synthesises voices at 44.1 and 48 kHz with what real voices have and steady
synthetic vowels lack: F0 rising from 180 to 300 Hz, jitter and shimmer of
a few percent, aspiration noise 25 dB below the voice, a first formant
near twice F0 (480 Hz), a spectral tilt of about -12 dB an octave, and a
breathy onset (0.3 s of noise through the first formant's resonance). It
runs `voxtrace-cli pitch` (default settings: 50-500 Hz) and Praat's
"To Pitch (ac): 0.01, 75, 15, no, 0.03, 0.45, 0.01, 0.35, 0.14, 600" on
each file and on any files named after --files, and prints per file: the
frames each calls voiced, the frames voiced by one only (voicing
disagreement, of the frames either calls voiced), the frames both call
voiced that differ by more than 20 % (gross), and Voxtrace's frames at
450 Hz or above.

usage: bench/pitch_vs_praat.py [path/to/voxtrace-cli] [--files FILE...]
"""

import math
import os
import random
import subprocess
import sys
import tempfile

from speech_synthesis import resonate, write_wave

RATES = (44100, 48000)
SECONDS = 2.0
ONSET = 0.3
HALF_WINDOW_MS = 17.5  # the default 35 ms pitch frame: its centre

PRAAT_SCRIPT = """form args
    sentence file
    sentence out
endform
sound = Read from file: file$
pitch = To Pitch (ac): 0.01, 75, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, 600
n = Get number of frames
for i to n
    t = Get time from frame number: i
    f = Get value in frame: i, "Hertz"
    appendFileLine: out$, fixed$(t, 4), tab$, fixed$(f, 3)
endfor
"""


def voice(rate, seed):
    rng = random.Random(seed)
    n = int(SECONDS * rate)
    onset = int(ONSET * rate)
    x = [0.0] * n
    t = ONSET
    while True:
        f0 = 180 + 120 * (t - ONSET) / (SECONDS - ONSET)
        period = (1 + 0.02 * rng.gauss(0, 1)) / f0
        amp = 1 + 0.04 * rng.gauss(0, 1)
        start, length = int(t * rate), int(period * rate)
        if start + length >= n:
            break
        for i in range(length):
            ph = i / length
            v = 0.5 * (1 - math.cos(math.pi * ph / 0.4)) if ph < 0.4 else (
                math.cos(math.pi / 2 * (ph - 0.4) / 0.16) if ph < 0.56 else 0.0)
            x[start + i] = amp * v
        t += period
    # A further -6 dB an octave above 100 Hz on the pulses' own tilt.
    a = math.exp(-2 * math.pi * 100 / rate)
    y = 0.0
    for i in range(n):
        y = (1 - a) * x[i] + a * y
        x[i] = y
    rms = math.sqrt(sum(v * v for v in x[onset:]) / (n - onset))
    k = rms * 10 ** (-25 / 20)
    for i in range(n):
        x[i] += k * rng.gauss(0, 1) * (8 if i < onset else 1)
    x = [x[i] - (x[i - 1] if i else 0.0) for i in range(n)]
    for f, b in ((480, 60), (1700, 100), (2600, 150), (3500, 200), (4500, 250)):
        x = resonate(x, rate, f, b)
    peak = max(abs(v) for v in x)
    return [int(round(0.5 * 32767 * v / peak)) for v in x]


def voxtrace(cli, path):
    out = subprocess.run([cli, "pitch", path], check=True, capture_output=True, text=True).stdout
    rows = [line.split("\t") for line in out.splitlines()[1:]]
    return [((float(t) + HALF_WINDOW_MS) / 1000, float(f)) for t, f in rows]


def praat(path, folder):
    script = os.path.join(folder, "pitch.praat")
    out = os.path.join(folder, "praat.txt")
    with open(script, "w") as f:
        f.write(PRAAT_SCRIPT)
    if os.path.exists(out):
        os.remove(out)
    subprocess.run(["praat", "--run", script, path, out], check=True, capture_output=True)
    frames = []
    with open(out) as f:
        for line in f:
            t, v = line.split("\t")
            v = v.strip()
            frames.append((float(t), 0.0 if v == "--undefined--" else float(v)))
    return frames


def at(frames, t):
    """Praat's value in the frame nearest t (0 outside or unvoiced)."""
    if not frames:
        return 0.0
    step = frames[1][0] - frames[0][0] if len(frames) > 1 else 0.01
    i = round((t - frames[0][0]) / step)
    return frames[i][1] if 0 <= i < len(frames) else 0.0


def compare(cli, path, folder):
    ours = voxtrace(cli, path)
    theirs = praat(path, folder)
    voiced_ours = sum(1 for _, f in ours if f > 0)
    voiced_theirs = sum(1 for _, f in theirs if f > 0)
    either = one = both = gross = 0
    for t, f in ours:
        p = at(theirs, t)
        if f > 0 or p > 0:
            either += 1
        if (f > 0) != (p > 0):
            one += 1
        if f > 0 and p > 0:
            both += 1
            if abs(f - p) > 0.2 * p:
                gross += 1
    high = sum(1 for _, f in ours if f >= 450)
    return voiced_ours, voiced_theirs, one, either, gross, both, high


def main():
    args = sys.argv[1:]
    files = []
    if "--files" in args:
        i = args.index("--files")
        files = [os.path.abspath(f) for f in args[i + 1:]]
        args = args[:i]
    cli = args[0] if args else os.path.join(os.path.dirname(__file__), "..", "build", "src", "cli", "voxtrace-cli")
    print("file\tvoiced (Voxtrace/Praat)\tvoicing disagreement\tgross differences\tVoxtrace >= 450 Hz")
    with tempfile.TemporaryDirectory() as folder:
        voices = []
        for rate in RATES:
            for seed in (1, 2):
                path = os.path.join(folder, "voice-%d-%d.wav" % (rate, seed))
                write_wave(path, rate, voice(rate, seed))
                voices.append(path)
        files = voices + files
        totals = [0] * 7
        for path in files:
            r = compare(cli, path, folder)
            totals = [a + b for a, b in zip(totals, r)]
            vo, vt, one, either, gross, both, high = r
            print("%s\t%d/%d\t%d of %d (%.1f %%)\t%d of %d (%.1f %%)\t%d" % (
                os.path.basename(path), vo, vt, one, either, 100.0 * one / max(either, 1), gross, both,
                100.0 * gross / max(both, 1), high))
        vo, vt, one, either, gross, both, high = totals
        print("all\t%d/%d\t%d of %d (%.1f %%)\t%d of %d (%.1f %%)\t%d" % (
            vo, vt, one, either, 100.0 * one / max(either, 1), gross, both, 100.0 * gross / max(both, 1), high))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Formant accuracy on synthetic vowels, beside Praat's Burg formants.

Synthesises /a/ (f0 120 Hz) and /i/ (f0 220 Hz) with known formants at 16
and 44.1 kHz, measures F1-F3 every 10 ms with `voxtrace-cli formants`
(without and with a 5500 Hz formant ceiling) and with Praat's
"To Formant (burg): 0.01, 5, 5500, 0.025, 50", and prints the median
absolute error of each over 0.1 .. 0.9 s.

usage: bench/formants_vs_praat.py [path/to/voxtrace-cli]
"""

import math
import os
import random
import statistics
import subprocess
import sys
import tempfile

from speech_synthesis import resonate, write_wave

VOWELS = {
    # name: f0 Hz, [(formant Hz, bandwidth Hz)] for F1..F5
    "a": (120, [(730, 60), (1090, 70), (2440, 110), (3400, 150), (4500, 200)]),
    "i": (220, [(310, 45), (2790, 100), (3310, 150), (3900, 200), (4950, 250)]),
}
RATES = (16000, 44100)
SECONDS = 1.0

PRAAT_SCRIPT = """form args
    sentence file
    sentence out
endform
sound = Read from file: file$
formant = To Formant (burg): 0.01, 5, 5500, 0.025, 50
n = Get number of frames
for i to n
    t = Get time from frame number: i
    f1 = Get value at time: 1, t, "hertz", "linear"
    f2 = Get value at time: 2, t, "hertz", "linear"
    f3 = Get value at time: 3, t, "hertz", "linear"
    appendFileLine: out$, fixed$(t, 4), tab$, fixed$(f1, 1), tab$, fixed$(f2, 1), tab$, fixed$(f3, 1)
endfor
"""


def vowel(name, rate):
    f0, formants = VOWELS[name]
    rng = random.Random(1)
    n = int(SECONDS * rate)
    # Pulses with a little jitter, smoothed twice above 100 Hz (a glottal
    # pulse's -12 dB per octave) and differenced (the lips' +6 dB per
    # octave).
    pole = math.exp(-2 * math.pi * 100 / rate)
    x = [0.0] * n
    t = 0.0
    while t < n:
        x[int(t)] = 1.0
        t += rate / f0 * (1 + rng.uniform(-0.005, 0.005))
    for _ in range(2):
        y = 0.0
        for i in range(n):
            y = x[i] + pole * y
            x[i] = y
    x = [x[i] - (x[i - 1] if i else 0) for i in range(n)]
    for f, b in formants:
        if f < rate / 2:
            x = resonate(x, rate, f, b)
    peak = max(abs(v) for v in x)
    return [0.7 * v / peak for v in x]


def table(text, time_column=0):
    rows = []
    for line in text.splitlines():
        cells = line.split("\t")
        try:
            rows.append([float(c) for c in cells[time_column:time_column + 4]])
        except ValueError:
            continue  # header, or a cell Praat left undefined
    return rows


def median_errors(rows, truth, time_scale):
    """The median |error| of F1, F2, F3, and of the three together."""
    errors = [[], [], []]
    for t, *f in rows:
        if 0.1 <= t * time_scale <= 0.9:
            for k in range(3):
                errors[k].append(abs(f[k] - truth[k]) if f[k] > 0 else float("inf"))
    pooled = errors[0] + errors[1] + errors[2]
    return [statistics.median(e) if e else float("nan") for e in errors + [pooled]]


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    cli = sys.argv[1] if len(sys.argv) > 1 else os.path.join(top, "build", "src", "cli", "voxtrace-cli")
    with tempfile.TemporaryDirectory() as folder:
        script = os.path.join(folder, "formants.praat")
        with open(script, "w") as f:
            f.write(PRAAT_SCRIPT)
        print("vowel\trate\tmethod\tF1_err\tF2_err\tF3_err\tF1-F3_err (median |error|, Hz)")
        for name, (f0, formants) in VOWELS.items():
            truth = [f for f, _ in formants[:3]]
            for rate in RATES:
                wav = os.path.join(folder, f"{name}{rate}.wav")
                write_wave(wav, rate, [int(round(v * 32767)) for v in vowel(name, rate)])
                results = {}
                for label, extra in (("voxtrace", []), ("voxtrace --ceiling 5500", ["--ceiling", "5500"])):
                    out = subprocess.run([cli, "formants", wav, "--step-ms", "10"] + extra, check=True,
                                         capture_output=True, text=True).stdout
                    results[label] = median_errors(table(out), truth, 0.001)
                out_file = os.path.join(folder, f"{name}{rate}.praat.tsv")
                subprocess.run(["praat", "--run", script, wav, out_file], check=True, capture_output=True)
                with open(out_file) as f:
                    results["praat burg 5500"] = median_errors(table(f.read()), truth, 1)
                for label, e in results.items():
                    print(f"/{name}/ {f0} Hz\t{rate}\t{label}\t" + "\t".join(f"{v:.1f}" for v in e))


if __name__ == "__main__":
    main()

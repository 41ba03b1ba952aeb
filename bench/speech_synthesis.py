"""What the comparison scripts share: a formant resonator and a WAVE writer."""

import math
import struct
import wave


def resonate(x, rate, formant, bandwidth):
    """A second-order resonator with unit gain at 0 Hz (Klatt's)."""
    c = -math.exp(-2 * math.pi * bandwidth / rate)
    b = 2 * math.exp(-math.pi * bandwidth / rate) * math.cos(2 * math.pi * formant / rate)
    a = 1 - b - c
    y1 = y2 = 0.0
    out = []
    for v in x:
        y = a * v + b * y1 + c * y2
        out.append(y)
        y2, y1 = y1, y
    return out


def write_wave(path, rate, samples):
    """16-bit mono; samples are whole numbers in the 16-bit range."""
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(struct.pack("<%dh" % len(samples), *samples))

#!/usr/bin/env python3
"""Writes package/snap.wav, the capture sound: a short shutter-like click (two damped noise
bursts over a low thump), 22.05 kHz, 16-bit mono, about 0.15 s. Deterministic (fixed seed), so
the committed file is what this script writes."""
import math
import random
import struct
import sys
import wave

RATE = 22050


def sound():
    rnd = random.Random(1724)
    out = []
    n = int(RATE * 0.15)
    for i in range(n):
        t = i / RATE
        v = 0.0
        for start, amp, decay in ((0.0, 0.9, 140.0), (0.055, 0.6, 170.0)):
            if t >= start:
                d = t - start
                v += amp * math.exp(-decay * d) * (rnd.uniform(-1, 1) * 0.7 + 0.3 * math.sin(2 * math.pi * 1800 * d))
        v += 0.35 * math.exp(-60.0 * t) * math.sin(2 * math.pi * 120 * t)
        out.append(max(-1.0, min(1.0, v)))
    return out


def main(path):
    samples = sound()
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(s * 26000)) for s in samples))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "package/snap.wav")

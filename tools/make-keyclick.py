#!/usr/bin/env python3
"""Writes shell/res/keyclick.wav: Quorvel's key click.

A short mechanical-sounding click: a soft noise transient over two damped resonances and a
low thump, fading to silence. The layout is fixed: RIFF, "fmt " (PCM, mono, 16 bit,
44,100 Hz), "fact" and "data" with 5,006 samples, 10,068 bytes in all.
"""
import math
import random
import struct
import sys
from pathlib import Path

RATE = 44100
SAMPLES = 5006


def click_samples():
    rng = random.Random(20090)  # fixed seed: the asset is reproducible
    out = []
    for n in range(SAMPLES):
        t = n / RATE
        attack = min(1.0, n / 22.0)  # half a millisecond: no pop at the start
        noise = (rng.random() * 2 - 1) * math.exp(-t / 0.0012)
        high = math.sin(2 * math.pi * 3150 * t) * math.exp(-t / 0.0035)
        mid = math.sin(2 * math.pi * 1420 * t + 0.6) * math.exp(-t / 0.0080)
        thump = math.sin(2 * math.pi * 190 * t) * math.exp(-t / 0.0150)
        v = attack * (0.35 * noise + 0.30 * high + 0.28 * mid + 0.22 * thump)
        # The last few milliseconds fade to exact silence.
        tail = SAMPLES - n
        if tail < 400:
            v *= tail / 400.0
        out.append(max(-32767, min(32767, int(round(v * 0.85 * 32767)))))
    return out


def wav_bytes(samples):
    data = struct.pack("<%dh" % len(samples), *samples)
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    body = (b"WAVE"
            + b"fmt " + struct.pack("<I", len(fmt)) + fmt
            + b"fact" + struct.pack("<II", 4, len(samples))
            + b"data" + struct.pack("<I", len(data)) + data)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "shell/res/keyclick.wav"
    blob = wav_bytes(click_samples())
    assert len(blob) == 10068, len(blob)
    out.write_bytes(blob)
    print(f"{out}: {len(blob)} bytes")


if __name__ == "__main__":
    main()

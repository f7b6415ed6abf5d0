#!/usr/bin/env python3
"""Makes the program's short wave files: type, whoosh, thunder and rip (16-bit mono)."""
import math
import random
import struct
import wave

RATE = 22050


def write(name, samples):
    with wave.open(name, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, int(s * 32767))))
                                 for s in samples))


def envelope(i, n, attack=0.01, release=0.3):
    t = i / n
    if t < attack:
        return t / attack
    return max(0.0, 1.0 - (t - attack) / (1.0 - attack)) ** (1.0 / max(release, 1e-3))


def type_click():
    n = int(RATE * 0.05)
    return [math.sin(2 * math.pi * 1800 * i / RATE) * (1 - i / n) ** 3 * 0.6 for i in range(n)]


def whoosh(rng):
    n = int(RATE * 0.45)
    out, low = [], 0.0
    for i in range(n):
        t = i / n
        cutoff = 0.02 + 0.25 * math.sin(math.pi * t)
        low += cutoff * (rng.uniform(-1, 1) - low)
        out.append(low * math.sin(math.pi * t) * 1.6)
    return out


def thunder(rng):
    n = int(RATE * 1.6)
    out, low = [], 0.0
    for i in range(n):
        t = i / n
        crack = 1.0 if t < 0.04 else 0.0
        low += 0.03 * (rng.uniform(-1, 1) - low)
        rumble = low * 4.0 * (1 - t) ** 1.5 * (0.7 + 0.3 * math.sin(2 * math.pi * 3 * t))
        out.append(rumble + crack * rng.uniform(-0.5, 0.5) * (1 - t / 0.04))
    return out


def rip_chime():
    n = int(RATE * 0.6)
    notes = (523.25, 659.25, 783.99)
    out = []
    for i in range(n):
        t = i / RATE
        s = 0.0
        for k, f in enumerate(notes):
            start = k * 0.12
            if t >= start:
                s += math.sin(2 * math.pi * f * (t - start)) * math.exp(-(t - start) * 5)
        out.append(s * 0.3)
    return out


if __name__ == "__main__":
    rng = random.Random(32)
    write("type.wav", type_click())
    write("whoosh.wav", whoosh(rng))
    write("thunder.wav", thunder(rng))
    write("rip.wav", rip_chime())

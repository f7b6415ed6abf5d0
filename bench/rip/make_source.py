#!/usr/bin/env python3
"""Writes a reproducible source tree for the rip benchmark.

Usage: make_source.py SEED MEGABYTES DEST

About 40 % compressible text, 45 % incompressible data in a few large files, and a few
thousand small text and binary files in nested folders. The same seed and size give the
same bytes.
"""
import os
import random
import sys

WORDS = ("archive volume packing floppy release disk number comment header table "
         "record level method folder file data index block sector track cluster").split()


def text_pool(rng, size):
    lines = []
    total = 0
    while total < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14)))
        line += " %d\r\n" % rng.randint(0, 99999)
        lines.append(line)
        total += len(line)
    return "".join(lines).encode("ascii")


def write_text(path, rng, pool, size):
    with open(path, "wb") as f:
        left = size
        while left > 0:
            start = rng.randrange(0, len(pool) - 65536)
            piece = pool[start:start + min(left, rng.randint(4096, 65536))]
            f.write(piece)
            left -= len(piece)


def write_noise(path, rng, size):
    with open(path, "wb") as f:
        left = size
        while left > 0:
            n = min(left, 1 << 20)
            f.write(rng.randbytes(n))
            left -= n


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    seed, megabytes, dest = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    total = megabytes * 1000 * 1000
    rng = random.Random(seed)
    pool = text_pool(rng, 4 << 20)
    os.makedirs(dest, exist_ok=False)

    small_count = 3000
    small_budget = min(total // 10, small_count * 12000)
    for i in range(small_count):
        folder = os.path.join(dest, "small", "d%02d" % (i % 17), "e%02d" % (i % 7))
        os.makedirs(folder, exist_ok=True)
        size = rng.randint(100, 2 * small_budget // small_count)
        path = os.path.join(folder, "f%04d.%s" % (i, "txt" if i % 3 else "bin"))
        if i % 3:
            write_text(path, rng, pool, size)
        else:
            write_noise(path, rng, size)

    rest = total - small_budget
    text_total = rest * 45 // 100
    noise_total = rest - text_total
    for i in range(4):
        folder = os.path.join(dest, "text", "part%d" % i)
        os.makedirs(folder, exist_ok=True)
        write_text(os.path.join(folder, "manual%d.txt" % i), rng, pool, text_total // 4)
    for i in range(3):
        folder = os.path.join(dest, "data" if i else "data/large")
        os.makedirs(folder, exist_ok=True)
        write_noise(os.path.join(folder, "blob%d.bin" % i), rng, noise_total // 3)


if __name__ == "__main__":
    main()

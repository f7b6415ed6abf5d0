#!/usr/bin/env python3
"""Writes a reproducible tree of FILES small files (0 to 8 KB) in nested folders.

Usage: make_tree.py SEED FILES DEST
"""
import os
import random
import sys


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    seed, files, dest = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    rng = random.Random(seed)
    os.makedirs(dest, exist_ok=False)
    block = bytes(rng.getrandbits(8) for _ in range(8192))
    for i in range(files):
        folder = os.path.join(dest, "a%02d" % (i % 31), "b%02d" % (i % 29), "c%d" % (i % 7))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "file%06d.dat" % i), "wb") as f:
            f.write(block[:rng.randint(0, 8192)])


if __name__ == "__main__":
    main()

"""The sources the benchmarks pack: "mixed", the tree of rip/make_source.py; "libs", real
program files (the shared libraries of /usr/lib/x86_64-linux-gnu in name order, whole, up to
the size asked); "random", files of random bytes that do not compress; "tree", the many small
files of size/make_tree.py (0 to 8 KB, so about 244 files a megabyte: 10^6 files for 4,096 MB)."""
import os
import random
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def copy_libraries(dest, megabytes):
    """Real program files: the shared libraries in name order, whole, up to the size."""
    lib = "/usr/lib/x86_64-linux-gnu"
    os.makedirs(dest)
    total = 0
    for name in sorted(os.listdir(lib)):
        path = os.path.join(lib, name)
        if ".so" not in name or os.path.islink(path) or not os.path.isfile(path):
            continue
        size = os.path.getsize(path)
        if total + size > megabytes * 1000000:
            continue
        shutil.copyfile(path, os.path.join(dest, name))
        total += size


def write_random(dest, seed, megabytes):
    """Bytes that do not compress, in files of 10 MB."""
    rng = random.Random(seed)
    os.makedirs(dest)
    left, i = megabytes * 1000000, 0
    while left > 0:
        n = min(left, 10000000)
        with open(os.path.join(dest, "noise%02d.bin" % i), "wb") as f:
            f.write(rng.randbytes(n))
        left, i = left - n, i + 1


def make_source(kind, seed, megabytes, dest):
    if kind == "libs":
        copy_libraries(dest, megabytes)
    elif kind == "random":
        write_random(dest, seed, megabytes)
    elif kind == "tree":
        subprocess.check_call([sys.executable, os.path.join(HERE, "size", "make_tree.py"),
                               str(seed), str(megabytes * 1000000 // 4096), dest])
    else:
        subprocess.check_call([sys.executable, os.path.join(HERE, "rip", "make_source.py"),
                               str(seed), str(megabytes), dest])

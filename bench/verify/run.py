#!/usr/bin/env python3
"""The check of a set (kavel32 --verify) against the archiver's own test of its volumes;
with --unpack, the unpack of a set (kavel32 --unpack) against taking the volumes out of the
zips by hand (unzip) and extracting them with "7zz x".

Usage: run.py [--source mixed|libs|random] [--seed N] [--megabytes N] [--runs N]
              [--size-units N] [--method N] [--bin DIR] [--work DIR] [--sfv] [--unpack]

Makes the set once (a real unattended run) from one of three sources: "mixed", the tree of
bench/rip/make_source.py; "libs", real program files (the shared libraries of
/usr/lib/x86_64-linux-gnu in name order, up to the size asked); "random", files of random
bytes that do not compress. Then it takes
the volumes out of the zips once for the archiver's side, then runs alternately
"kavel32 --verify ZIPS SCRIPT" and "7zz t FIRST-VOLUME" on the volumes lying ready, and
prints the medians of wall and CPU time (user + system of each whole process tree) and
their ratios. The check does everything the archiver's test does, after reading every
byte of every zip and copying the volumes out of them.
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import sys
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.dirname(HERE))
from sources import make_source  # noqa: E402


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def children_cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def timed(args, env=None):
    """(wall seconds, CPU seconds of the tree, standard output)."""
    cpu, started = children_cpu(), time.monotonic()
    p = subprocess.run(args, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    wall, used = time.monotonic() - started, children_cpu() - cpu
    if p.returncode != 0:
        sys.exit("%s failed (%d): %s%s" % (args[0], p.returncode, p.stdout.decode(errors="replace"),
                                           p.stderr.decode(errors="replace")))
    return wall, used, p.stdout.decode(errors="replace")


def bench_unpack(a, kavel, env, zips, names, firsts, work):
    """kavel32 --unpack against the same work by hand: each volume taken out of its zip with
    unzip, then 7zz x on the first; both into fresh folders, alternately."""
    seven = shutil.which("7zz") or "7z"
    by_hand = os.path.join(work, "by-hand")
    ours = os.path.join(work, "unpacked")
    unpack_wall, unpack_cpu, hand_wall, hand_cpu = [], [], [], []
    for i in range(a.runs):
        shutil.rmtree(by_hand, ignore_errors=True)
        volumes, dest = os.path.join(by_hand, "volumes"), os.path.join(by_hand, "dest")
        os.makedirs(volumes)
        wall = cpu = 0.0
        for name, first in zip(names, firsts):
            w, c, _ = timed(["unzip", "-q", "-o", os.path.join(zips, name), first, "-d", volumes])
            wall, cpu = wall + w, cpu + c
        w, c, _ = timed([seven, "x", "-y", "-bso0", "-bsp0", "-o" + dest,
                         os.path.join(volumes, firsts[0])])
        hand_wall.append(wall + w)
        hand_cpu.append(cpu + c)
        shutil.rmtree(ours, ignore_errors=True)
        w, c, out = timed([kavel, "--unpack", zips, ours], env)
        if "Unpacked " not in out:
            sys.exit("the unpack did not end well:\n" + out)
        unpack_wall.append(w)
        unpack_cpu.append(c)
        print("run %d: unpack %.2f s (CPU %.2f s); unzip + 7zz x %.2f s (CPU %.2f s)" % (
            i + 1, unpack_wall[-1], unpack_cpu[-1], hand_wall[-1], hand_cpu[-1]), flush=True)
    m = statistics.median
    print("set: %d zips; %s source of %d MB, seed %d" % (len(names), a.source, a.megabytes, a.seed))
    print("median unpack: %.2f s wall, %.2f s CPU" % (m(unpack_wall), m(unpack_cpu)))
    print("median unzip + 7zz x: %.2f s wall, %.2f s CPU" % (m(hand_wall), m(hand_cpu)))
    print("ratio unpack / (unzip + 7zz x): wall %.3f, CPU %.3f  (target: CPU at most 1.15)" % (
        m(unpack_wall) / m(hand_wall), m(unpack_cpu) / m(hand_cpu)))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--source", choices=("mixed", "libs", "random"), default="mixed")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--megabytes", type=int, default=200)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--size-units", type=int, default=20, help="volume = units x 500,000 bytes")
    ap.add_argument("--method", type=int, default=1, help="method digit 0-5 (Solid:)")
    ap.add_argument("--bin", default=os.path.join(TOP, "build", "bin"))
    ap.add_argument("--work", default=os.path.join(TOP, "build", "bench-verify"))
    ap.add_argument("--sfv", action="store_true", help="make the set with an SFV the check reads")
    ap.add_argument("--unpack", action="store_true",
                    help="time kavel32 --unpack against unzip + 7zz x instead of the check")
    a = ap.parse_args()

    work = os.path.abspath(a.work)
    source = os.path.join(work, "Source %s %d-%d" % (a.source, a.seed, a.megabytes))
    if not os.path.isdir(source):
        os.makedirs(work, exist_ok=True)
        print("making the %s source of %d MB (seed %d) ..." % (a.source, a.megabytes, a.seed),
              flush=True)
        shutil.rmtree(source + ".partial", ignore_errors=True)
        make_source(a.source, a.seed, a.megabytes, source + ".partial")
        os.rename(source + ".partial", source)
    comp = os.path.join(work, "companions")
    os.makedirs(comp, exist_ok=True)
    diz, nfo = os.path.join(comp, "file_id.diz"), os.path.join(comp, "bench.nfo")
    # Room for the numbers of any set, in a form receiving sites read.
    write(diz, b"  Bench Release\r\n  -------------\r\nDisk [xxx/xxx] of the set\r\n")
    write(nfo, b"Benchmark release notes\r\n" * 20)
    zips = os.path.join(work, "zips")
    script = os.path.join(work, "bench.rip")
    lines = ["Kavel32 script - 12-08-2026  14:00:00", "Source: " + source, "Skip: ", "",
             "Diz: " + diz, "AutoN: True", "Col: 7", "Lin: 3", "Nfo: " + nfo, " 1st: 0",
             " File:True", " Extra:", "Zip: " + zips, " name:bench",
             " Size: %d" % a.size_units, " Solid: %d" % a.method, " Extra: 0"]
    write(script, ("\r\n".join(lines) + "\r\n").encode())
    env = dict(os.environ, KAVEL32_STATE_DIR=os.path.join(work, "state"),
               KAVEL32_SCRATCH_DIR=os.path.join(work, "scratch"))
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    kavel = os.path.join(a.bin, "kavel32")

    shutil.rmtree(zips, ignore_errors=True)
    os.makedirs(zips)
    kavel_work = os.path.join(work, "kavel-work")
    os.makedirs(kavel_work, exist_ok=True)
    print("making the set ...", flush=True)
    timed([kavel, "--work-dir", kavel_work] + (["--sfv"] if a.sfv else []) + ["!" + script], env)
    names = sorted(n for n in os.listdir(zips) if n.endswith(".zip"))

    # The archiver's side: the volumes as the zips hold them, lying ready on disk.
    volumes = os.path.join(work, "volumes")
    shutil.rmtree(volumes, ignore_errors=True)
    os.makedirs(volumes)
    firsts = []
    for name in names:
        with zipfile.ZipFile(os.path.join(zips, name)) as z:
            entry = z.namelist()[0]
            z.extract(entry, volumes)
            firsts.append(entry)
    total = sum(os.path.getsize(os.path.join(volumes, v)) for v in firsts)
    seven = [shutil.which("7zz") or "7z", "t", "-bso0", "-bsp0", os.path.join(volumes, firsts[0])]

    if a.unpack:
        return bench_unpack(a, kavel, env, zips, names, firsts, work)

    check_wall, check_cpu, test_wall, test_cpu = [], [], [], []
    for i in range(a.runs):
        w, c, _ = timed(seven)
        test_wall.append(w)
        test_cpu.append(c)
        w, c, out = timed([kavel, "--verify", zips, script], env)
        if "Check passed" not in out:
            sys.exit("the check did not pass:\n" + out)
        check_wall.append(w)
        check_cpu.append(c)
        print("run %d: check %.2f s (CPU %.2f s); 7zz t %.2f s (CPU %.2f s)" % (
            i + 1, check_wall[-1], check_cpu[-1], test_wall[-1], test_cpu[-1]), flush=True)

    m = statistics.median
    print("set: %d zips, %d bytes of volumes; %s source of %d MB, seed %d, volumes of %d "
          "bytes, method %d%s" % (len(names), total, a.source, a.megabytes, a.seed,
                                  1440000 if a.size_units == 3 else a.size_units * 500000, a.method, ", with SFV" if a.sfv else ""))
    print("median check: %.2f s wall, %.2f s CPU" % (m(check_wall), m(check_cpu)))
    print("median 7zz t: %.2f s wall, %.2f s CPU" % (m(test_wall), m(test_cpu)))
    print("ratio check / 7zz t: wall %.3f, CPU %.3f  (targets: at most 1.1 on program files; lower on random data)" % (
        m(check_wall) / m(test_wall), m(check_cpu) / m(test_cpu)))


if __name__ == "__main__":
    main()

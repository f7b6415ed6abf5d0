#!/usr/bin/env python3
"""Kavel32 against the hand-made chain of plain tools on the same generated source, or
(--pair) against the archiver alone.

Usage: run.py [--source mixed|libs|random] [--seed N] [--megabytes N] [--runs N]
              [--size-units N] [--method N] [--bin DIR] [--work DIR] [--kavel-only | --pair]

Runs both jobs alternately --runs times, then prints the median wall times, the ratios
Kavel32 / hand chain and Kavel32 / archiver step alone, and the peak resident memory
(VmHWM) of the kavel32 process itself, its children not counted.

With --pair the other job of each pair is the archiver alone: the command the run itself
starts (wrar with the same volume size, method and source), which makes the same volumes
and nothing else. The two go in interleaved pairs, in turn first and second, and the
medians of wall and CPU time (user + system of each whole process tree) and their ratios
are printed, with the median of the ratios of the pairs.
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.dirname(HERE))
from sources import make_source  # noqa: E402
LEVELS = [0, 1, 3, 5, 7, 9]  # the archiver front-end's 7-Zip level for each method digit


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def peak_rss_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def children_cpu():
    """CPU seconds (user + system) of every finished child and its descendants so far."""
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def own_cpu(pid):
    """CPU seconds (user + system) of a process that has ended and is not yet reaped, its
    children not counted."""
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def run_kavel(args, env):
    """Runs kavel32 and returns (seconds, peak kB, its own CPU seconds). Its end is awaited,
    not polled for, so the time holds no polling delay; meanwhile a thread reads its
    high-water mark (which only grows) every 20 ms, a light load where the archiver alone has
    none."""
    started = time.monotonic()
    p = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    peak = [0]
    done = threading.Event()

    def watch():
        while not done.wait(0.02):
            peak[0] = max(peak[0], peak_rss_kb(p.pid))

    watcher = threading.Thread(target=watch, daemon=True)
    watcher.start()
    err = p.stderr.read()
    os.waitid(os.P_PID, p.pid, os.WEXITED | os.WNOWAIT)
    elapsed = time.monotonic() - started
    cpu = own_cpu(p.pid)
    p.wait()
    done.set()
    watcher.join()
    if p.returncode != 0:
        sys.exit("kavel32 failed: %s" % err.decode(errors="replace"))
    return elapsed, peak[0], cpu


def volume_bytes(size_units):
    """The volume size the run asks for: 1.44 MB for a floppy's slider step."""
    return 1440000 if size_units == 3 else size_units * 500000


def run_pairs(a, source, work, kavel_args, env, fresh, zips):
    """Kavel32 and the archiver alone, in interleaved pairs; prints what they took."""
    alone = os.path.join(work, "alone")
    archiver = [os.path.join(a.bin, "wrar"), "a", "-r", "-v%db" % volume_bytes(a.size_units),
                "-m%d" % a.method, "-y", os.path.join(alone, "bench.rar"), source]

    def timed(args, env=None):
        cpu, started = children_cpu(), time.monotonic()
        if args[0].endswith("kavel32"):
            wall, peak, own = run_kavel(args, env)
        else:
            subprocess.check_call(args, stdout=subprocess.DEVNULL, env=env)
            wall, peak, own = time.monotonic() - started, 0, 0.0
        return wall, children_cpu() - cpu, peak, own

    kavel, arch, peaks, owns = [], [], [], []
    for i in range(a.runs):
        results = {}
        for job in (("kavel", "alone") if i % 2 == 0 else ("alone", "kavel")):
            fresh()
            shutil.rmtree(alone, ignore_errors=True)
            os.makedirs(alone)
            if job == "kavel":
                wall, cpu, peak, own = timed(kavel_args, env)
                peaks.append(peak)
                owns.append(own)
                results[job] = (wall, cpu, len(os.listdir(zips)))
            else:
                wall, cpu, _, _ = timed(archiver)
                results[job] = (wall, cpu, len(os.listdir(alone)))
        kavel.append(results["kavel"])
        arch.append(results["alone"])
        print("pair %d: kavel32 %.2f s, CPU %.1f s, its own %.2f s (%d zips); archiver alone %.2f s, "
              "CPU %.1f s (%d volumes); ratios wall %.3f, CPU %.3f; load %s" % (
                  i + 1, kavel[-1][0], kavel[-1][1], owns[-1], kavel[-1][2], arch[-1][0], arch[-1][1],
                  arch[-1][2], kavel[-1][0] / arch[-1][0], kavel[-1][1] / arch[-1][1],
                  " ".join(open("/proc/loadavg").read().split()[:3])), flush=True)
        if kavel[-1][2] != arch[-1][2]:
            sys.exit("kavel32 made %d zips of %d volumes" % (kavel[-1][2], arch[-1][2]))
    m = statistics.median
    print("source: %s, %d MB, seed %d, volumes of %d bytes, method %d, %d pairs" % (
        a.source, a.megabytes, a.seed, volume_bytes(a.size_units), a.method, a.runs))
    print("median wall: kavel32 %.2f s, archiver alone %.2f s, ratio %.3f (target <= 1.03); "
          "median of the pairs' ratios %.3f" % (
              m(k[0] for k in kavel), m(r[0] for r in arch),
              m(k[0] for k in kavel) / m(r[0] for r in arch),
              m(k[0] / r[0] for k, r in zip(kavel, arch))))
    print("median CPU: kavel32 %.2f s, archiver alone %.2f s, ratio %.3f (target <= 1.02); "
          "median of the pairs' ratios %.3f" % (
              m(k[1] for k in kavel), m(r[1] for r in arch),
              m(k[1] for k in kavel) / m(r[1] for r in arch),
              m(k[1] / r[1] for k, r in zip(kavel, arch))))
    print("CPU of the kavel32 process alone (its children not counted): median %.2f s, %.1f %% "
          "of the archiver alone's median CPU" % (m(owns), 100.0 * m(owns) / m(r[1] for r in arch)))
    # Against the archiver the run itself started, over the same minutes: the host's swings
    # between one process and the next do not reach this share.
    print("CPU of the kavel32 process against its own archiver's: median %.2f %%" % (
        100.0 * m(own / (k[1] - own) for own, k in zip(owns, kavel))))
    print("peak RSS of kavel32 itself: %.1f MB (max of %d runs)" % (max(peaks) / 1024.0,
                                                                    len(peaks)))


def arguments(extra=None):
    ap = argparse.ArgumentParser()
    ap.add_argument("--source", choices=("mixed", "libs", "random", "tree"), default="mixed")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--megabytes", type=int, default=200)
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--size-units", type=int, default=20, help="volume = units x 500,000 bytes")
    ap.add_argument("--method", type=int, default=1, help="method digit 0-5 (Solid:)")
    ap.add_argument("--bin", default=os.path.join(TOP, "build", "bin"))
    ap.add_argument("--work", default=os.path.join(TOP, "build", "bench-rip"))
    ap.add_argument("--kavel-only", action="store_true", help="only Kavel32, for memory")
    ap.add_argument("--pair", action="store_true", help="against the archiver alone")
    if extra:
        extra(ap)
    return ap.parse_args()


def prepare(a):
    """Makes the source, companions, state and script of the job; returns
    (source, kavel32 command, environment, fresh(), zips folder, work folder)."""
    work = os.path.abspath(a.work)
    source = os.path.join(work, ("Source %d-%d" if a.source == "mixed" else
                                 "Source " + a.source + " %d-%d") % (a.seed, a.megabytes))
    if not os.path.isdir(source):
        os.makedirs(work, exist_ok=True)
        print("generating %s source of %d MB (seed %d) ..." % (a.source, a.megabytes, a.seed),
              flush=True)
        shutil.rmtree(source + ".partial", ignore_errors=True)
        make_source(a.source, a.seed, a.megabytes, source + ".partial")
        os.rename(source + ".partial", source)
    comp = os.path.join(work, "companions")
    os.makedirs(comp, exist_ok=True)
    diz, nfo, comment = (os.path.join(comp, n) for n in ("file_id.diz", "bench.nfo", "comment.txt"))
    # Room for three digits: a set of more than 99 volumes is numbered [001/102].
    write(diz, b"  Bench Release\r\n  -------------\r\nDisk [000/000] of the set\r\n")
    write(nfo, b"Benchmark release notes\r\n" * 20)
    write(comment, b"A comment for every zip\r\n")
    state = os.path.join(work, "state")
    scratch = os.path.join(work, "scratch")
    os.makedirs(state, exist_ok=True)
    write(os.path.join(state, "Kavel32.ini"), b"Vers=v3.10\r\n" + comment.encode() + b"\r\n")
    script = os.path.join(work, "bench.rip")
    lines = ["Kavel32 script - 12-08-2026  14:00:00", "Source: " + source, "Skip: ", "",
             "Diz: " + diz, "AutoN: True", "Col: 7", "Lin: 3", "Nfo: " + nfo, " 1st: 0",
             " File:True", " Extra:", "Zip: " + os.path.join(work, "zips"), " name:bench",
             " Size: %d" % a.size_units, " Solid: %d" % a.method, " Extra: 0"]
    write(script, ("\r\n".join(lines) + "\r\n").encode())

    env = dict(os.environ, KAVEL32_STATE_DIR=state, KAVEL32_SCRATCH_DIR=scratch)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    kavel_work = os.path.join(work, "kavel-work")
    zips = os.path.join(work, "zips")

    def fresh():
        for d in (zips, kavel_work):
            shutil.rmtree(d, ignore_errors=True)
            os.makedirs(d)

    kavel = [os.path.join(a.bin, "kavel32"), "--work-dir", kavel_work, "!" + script]
    return source, kavel, env, fresh, zips, work


def main():
    a = arguments()
    source, kavel_cmd, env, fresh, zips, work = prepare(a)
    kavel_work = kavel_cmd[2]
    times_file = os.path.join(work, "times.txt")
    comp = os.path.join(work, "companions")
    diz, nfo, comment = (os.path.join(comp, n) for n in ("file_id.diz", "bench.nfo", "comment.txt"))

    if a.pair:
        run_pairs(a, source, work, kavel_cmd, env, fresh, zips)
        return

    kavel_times, chain_times, archiver_times, peaks = [], [], [], []
    kavel_cpu, chain_cpu, archiver_cpu = [], [], []
    for i in range(a.runs):
        if not a.kavel_only:
            fresh()
            if os.path.exists(times_file):
                os.remove(times_file)
            started, cpu = time.monotonic(), children_cpu()
            subprocess.check_call(["bash", os.path.join(HERE, "hand_chain.sh"), source, zips,
                                   kavel_work, "bench", str(volume_bytes(a.size_units)),
                                   str(LEVELS[a.method]), diz, nfo, comment, times_file])
            chain_times.append(time.monotonic() - started)
            chain_cpu.append(children_cpu() - cpu)
            with open(times_file) as f:
                fields = f.read().split()
            archiver_times.append(float(fields[1]))
            archiver_cpu.append(float(fields[2]) + float(fields[3]))
            hand_zips = len(os.listdir(zips))
        fresh()
        cpu = children_cpu()
        seconds, peak, _ = run_kavel(kavel_cmd, env)
        kavel_times.append(seconds)
        kavel_cpu.append(children_cpu() - cpu)
        peaks.append(peak)
        made = len(os.listdir(zips))
        if not a.kavel_only and made != hand_zips:
            sys.exit("kavel32 made %d zips, the hand chain %d" % (made, hand_zips))
        print("run %d: kavel32 %.1f s, CPU %.1f s (%d zips, peak %.1f MB)%s" % (
            i + 1, seconds, kavel_cpu[-1], made, peak / 1024.0,
            "" if a.kavel_only else "; hand chain %.1f s, CPU %.1f s; archiver alone %.1f s, CPU %.1f s" % (
                chain_times[-1], chain_cpu[-1], archiver_times[-1], archiver_cpu[-1])), flush=True)

    print("source: %d MB, seed %d, volumes of %d bytes, 7-Zip level %d" % (
        a.megabytes, a.seed, volume_bytes(a.size_units), LEVELS[a.method]))
    k = statistics.median(kavel_times)
    print("median kavel32:        %.1f s" % k)
    if not a.kavel_only:
        c = statistics.median(chain_times)
        s = statistics.median(archiver_times)
        print("median hand chain:     %.1f s" % c)
        print("median archiver alone: %.1f s" % s)
        print("ratio (a) kavel32 / hand chain:     %.3f  (target <= 1.0)" % (k / c))
        print("ratio (b) kavel32 / archiver alone: %.3f  (target <= 1.15)" % (k / s))
        kc, cc, ac = (statistics.median(x) for x in (kavel_cpu, chain_cpu, archiver_cpu))
        print("CPU time (user + system, all processes), medians: kavel32 %.1f s, hand chain "
              "%.1f s, archiver alone %.1f s" % (kc, cc, ac))
        print("CPU ratios: (a) %.3f, (b) %.3f" % (kc / cc, kc / ac))
    print("peak RSS of kavel32 itself: %.1f MB (max of %d runs; target <= 100 MB)" % (
        max(peaks) / 1024.0, len(peaks)))


if __name__ == "__main__":
    main()

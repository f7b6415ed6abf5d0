#!/usr/bin/env python3
"""Where a whole run's wall time goes: kavel32 run under strace, tracing only the calls that
mark its phases (program starts and ends, zips named, journal flushes), so the rest runs at
full speed.

Usage: timeline.py [the options of run.py] [--runs N]

Prints, per run and as medians: the start of kavel32 until the archiver starts (its own start,
the source measurement by `size`, the front end's start), the archiver, and the tail after the
archiver has exited (the pieces still missing, then the zips joined and named, then the end),
with the zips named in the tail and what one costs there, and the count and time of fsync.
"""
import os
import re
import statistics
import subprocess
import tempfile

from run import arguments, prepare

LINE = re.compile(r"^(\d+)\s+(\d+\.\d+)\s+(.*)$")
TOOK = re.compile(r"<(\d+\.\d+)>$")


def phases(trace):
    """The moments of one traced run, from strace -f -ttt output."""
    pids, marks, links, fsyncs = {}, {}, [], []
    for line in open(trace):
        m = LINE.match(line)
        if not m:
            continue
        pid, t, call = int(m.group(1)), float(m.group(2)), m.group(3)
        if call.startswith("execve(") and "= -1" not in call:
            name = os.path.basename(call.split('"')[1])
            pids.setdefault(name, pid)
            marks.setdefault(name + " start", t)
        elif call.startswith("exit_group("):
            for name, p in pids.items():
                if p == pid:
                    marks[name + " end"] = t
        elif call.startswith("link(") and ".piece.zip" in call:
            links.append(t)
        elif call.startswith("fsync(") or call.startswith("<... fsync resumed>"):
            took = TOOK.search(call)
            if took:
                fsyncs.append(float(took.group(1)))
    return marks, links, fsyncs


def main():
    a = arguments(lambda ap: ap.add_argument("--keep", action="store_true",
                                             help="keep the traces"))
    _, kavel, env, fresh, zips, work = prepare(a)
    rows = []
    for i in range(a.runs):
        fresh()
        trace = tempfile.mktemp(prefix="kavel-trace-", dir=work)
        subprocess.check_call(["strace", "-f", "--seccomp-bpf", "-ttt", "-T", "-o", trace,
                               "-e", "trace=execve,exit_group,link,fsync"] + kavel, env=env,
                              stdout=subprocess.DEVNULL)
        marks, links, fsyncs = phases(trace)
        if not a.keep:
            os.remove(trace)
        start, end = marks["kavel32 start"], marks["kavel32 end"]
        arch_start, arch_end = marks["7zz start"], marks["7zz end"]
        tail_links = [t for t in links if t > arch_end]
        first = tail_links[0] if tail_links else end
        row = {
            "whole": end - start,
            "start to archiver": arch_start - start,
            "  until size starts": marks.get("size start", start) - start,
            "  of it size": marks.get("size end", 0) - marks.get("size start", 0),
            "  after size until the front end": marks["wrar start"] - marks.get("size end", start),
            "  of it the front end": arch_start - marks["wrar start"],
            "archiver": arch_end - arch_start,
            "tail": end - arch_end,
            "  until the first zip is named": first - arch_end,
            "  zips joined and named": (tail_links[-1] - first) if tail_links else 0,
            "  after the last zip": end - (tail_links[-1] if tail_links else arch_end),
            "zips named in the tail": len(tail_links),
            "fsync calls": len(fsyncs),
            "fsync time": sum(fsyncs),
        }
        rows.append(row)
        load = " ".join(open("/proc/loadavg").read().split()[:3])
        print("run %d (load %s): " % (i + 1, load) +
              ", ".join("%s %.3f" % (k.strip(), v) for k, v in row.items()), flush=True)
    print("medians of %d runs (%s, %d MB, volumes of %d units, method %d):" % (
        a.runs, a.source, a.megabytes, a.size_units, a.method))
    for key in rows[0]:
        print("  %-34s %9.3f" % (key, statistics.median(r[key] for r in rows)))
    zips_tail = statistics.median(r["zips named in the tail"] for r in rows)
    if zips_tail:
        print("  %-34s %9.2f ms" % ("per zip joined in the tail", 1000 * statistics.median(
            r["  zips joined and named"] / max(1, r["zips named in the tail"] - 1) for r in rows)))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""kelvaro-batch's peak memory against the size of its table, and its refusal of too many pairs,
as whole runs of the program (`make bench-batch-memory`). Each table is generated with a fixed
seed into a scratch folder; the peak resident memory of each run is the kernel's count for the
child process (getrusage, RUSAGE_CHILDREN), read after each run in a fresh Python process.

  groups   N small groups (2 samples of 3 sites each, a few species): consecutive pairs, one per
           group, so the number of pairs grows with the table.
  refusal  one group of 5,000 samples with `--pairs all`: 12,497,500 pairs, refused (status 2)
           by --max-pairs before any analysis.
  named    the same table named and on standard input, which must cost alike: the first table
           of small groups, a 4 GiB sparse file (a header, then a row with no line end, refused
           after 16 MiB) and the first table of small groups after one valid row of 9 MiB.

Usage: batch_memory.py KELVARO_BATCH [--groups 100000,1000000] [--threads 2]
"""

import argparse
import os
import random
import subprocess
import sys
import tempfile
import time


def small_groups(path, groups):
    """`groups` groups of 2 samples x 3 sites; 1 to 2 detections per site of 4 species."""
    rng = random.Random(20261208)
    with open(path, "w") as out:
        out.write("group,sample,site,species\n")
        for g in range(groups):
            for sample in (1, 2):
                for site in (1, 2, 3):
                    for species in rng.sample("abcd", rng.randint(1, 2)):
                        out.write(f"{g},{sample},{site},{species}\n")


def one_large_group(path, samples):
    """One group of `samples` samples, one detection each."""
    with open(path, "w") as out:
        out.write("group,sample,site,species\n")
        for s in range(samples):
            out.write(f"g,{s},1,a\n")


def measure(command):
    """Runs `command` in a child Python process; returns (status, seconds, peak MB, stderr)."""
    probe = (
        "import resource, subprocess, sys, time\n"
        "t = time.time()\n"
        "p = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)\n"
        "t = time.time() - t\n"
        "peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024\n"
        "print(p.returncode, round(t, 2), round(peak, 1))\n"
        "sys.stderr.write(p.stderr.decode())\n"
    )
    p = subprocess.run([sys.executable, "-c", probe] + command, capture_output=True, text=True)
    status, seconds, peak = p.stdout.split()
    return int(status), float(seconds), float(peak), p.stderr.strip()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("batch")
    parser.add_argument("--groups", default="100000,1000000")
    parser.add_argument("--threads", default="2")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as scratch:
        print("| table | pairs | status | time | peak memory |")
        print("|---|---|---|---|---|")
        for groups in (int(g) for g in args.groups.split(",")):
            table = os.path.join(scratch, f"groups-{groups}.csv")
            small_groups(table, groups)
            size = os.path.getsize(table) / 1e6
            status, seconds, peak, err = measure(
                [args.batch, "-q", "--threads", args.threads, "--nreps", "50",
                 "--max-pairs", str(groups), "-o", os.path.join(scratch, "out"), table])
            print(f"| {groups:,} groups ({size:.1f} MB) | {groups:,} | {status} | {seconds} s "
                  f"| {peak:.0f} MB |")
            if status != 0:
                print(err, file=sys.stderr)
        table = os.path.join(scratch, "one-group.csv")
        one_large_group(table, 5000)
        size = os.path.getsize(table) / 1e3
        status, seconds, peak, err = measure(
            [args.batch, "--pairs", "all", "--threads", args.threads, "-o",
             os.path.join(scratch, "refused"), table])
        print(f"| 1 group of 5,000 samples ({size:.0f} KB), `--pairs all` | 12,497,500 | {status} "
              f"| {seconds} s | {peak:.0f} MB |")
        print(err)
        print()
        print("| table | read from | status | time | peak memory |")
        print("|---|---|---|---|---|")
        sparse = os.path.join(scratch, "sparse.csv")
        with open(sparse, "w") as out:
            out.write("group,sample,site,species\n")
            out.truncate(4 << 30)
        groups = int(args.groups.split(",")[0])
        small = os.path.join(scratch, "small.csv")
        small_groups(small, groups)
        long_row = os.path.join(scratch, "long-row.csv")
        small_groups(long_row, groups)
        with open(long_row) as f:
            rows = f.read().split("\n", 1)[1]
        with open(long_row, "w") as out:
            out.write("group,sample,site,species\nlong,1,1," + "x" * (9 << 20) + "\n" + rows)
        for name, table in ((f"{groups:,} groups", small), ("4 GiB sparse file", sparse),
                            (f"9 MiB row, then {groups:,} groups", long_row)):
            for source in ("named", "standard input"):
                options = ["-q", "--threads", args.threads, "--nreps", "50", "--max-pairs",
                           str(groups + 1), "-o", os.path.join(scratch, "out")]
                if source == "named":
                    command = [args.batch] + options + [table]
                else:
                    command = ["sh", "-c", 'exec "$0" "$@" - < ' + table, args.batch] + options
                status, seconds, peak, err = measure(command)
                print(f"| {name} | {source} | {status} | {seconds} s | {peak:.0f} MB |")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Wine benchmark of the saver's extraction (it measures, it never judges; it
is not a test). In one run it writes a file of the given size into a Wine
prefix and times, round after round, under Wine:

  - a plain file copy of it (CopyFileA),
  - the saver's extraction of the same bytes (ExtractEmbeddedFile through the
    package reader, in the pieces the saver uses),
  - the same extraction in the 60 KB pieces the saver used before,

and prints the best time of each with the extraction's speed as a share of
the copy's (bench/extract_rate_win.cpp). The `cp` of the same file on Linux
is printed for comparison.

The file and the copies lie in --dir (default /dev/shm, a memory file
system), so the figures are the cost of the calls and not of a disk.

Usage: bench/extract_rate.py [--mb 600] [--rounds 5] [--dir /dev/shm]
Needs the Windows build's build/win/bench/extract_rate.exe; the booted Wine
prefix of the tests is made when it is missing.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "wine"))

import orlwine  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--mb", type=int, default=600, help="size of the extracted file in MB")
    parser.add_argument("--rounds", type=int, default=5, help="rounds of each copy")
    parser.add_argument("--dir", default="/dev/shm", help="folder for the file and its copies")
    args = parser.parse_args()
    program = os.path.abspath(os.path.join(orlwine.WIN_BUILD, "bench", "extract_rate.exe"))
    if not os.path.exists(program):
        sys.exit("missing %s: build the target extract_rate of build/win first" % program)
    if not os.path.exists(orlwine.BOOTED_STAMP):
        print("booting a Wine prefix ...", flush=True)
        orlwine.boot()

    with orlwine.Xvfb() as x:
        prefix = orlwine.WinePrefix("bench_extract_rate", x.display)
        try:
            work = tempfile.mkdtemp(prefix="orlscr_extract_", dir=args.dir)
            source = os.path.join(work, "package.bin")
            block = os.urandom(1 << 20)
            with open(source, "wb") as f:
                for _ in range(args.mb):
                    f.write(block)
            out = os.path.join(work, "out")
            os.makedirs(out)
            shutil.copyfile(source, os.path.join(out, "warm.bin"))  # into the page cache
            os.remove(os.path.join(out, "warm.bin"))
            cp_best = None
            for _ in range(args.rounds):
                start = time.monotonic()
                subprocess.run(["cp", source, os.path.join(out, "cp.bin")], check=True)
                elapsed = time.monotonic() - start
                os.remove(os.path.join(out, "cp.bin"))
                cp_best = elapsed if cp_best is None else min(cp_best, elapsed)
            result = prefix.run(program, orlwine.winpath(source), orlwine.winpath(out), str(args.rounds), timeout=1200)
        finally:
            prefix.stop()
            shutil.rmtree(work, ignore_errors=True)
            shutil.rmtree(prefix.root, ignore_errors=True)

    m = re.search(r"bytes (\d+) copy-ms ([0-9.]+) extract-ms ([0-9.]+) extract-60k-ms ([0-9.]+) "
                  r"ratio ([0-9.]+) ratio-60k ([0-9.]+)", result.stdout)
    if not m:
        sys.exit("extract_rate printed no figures: %r %r" % (result.stdout, result.stderr))
    mb = int(m.group(1)) / 1e6
    copy, extract, old = (float(m.group(i)) for i in (2, 3, 4))
    print("%.0f MB, best of %d rounds under Wine" % (mb, args.rounds))
    print("%-28s %9s %9s %8s" % ("", "ms", "MB/s", "vs copy"))
    print("%-28s %9.0f %9.0f %8s" % ("plain copy (CopyFileA)", copy, mb / copy * 1000, "1.00"))
    print("%-28s %9.0f %9.0f %8.2f" % ("extraction (saver now)", extract, mb / extract * 1000, copy / extract))
    print("%-28s %9.0f %9.0f %8.2f" % ("extraction in 60 KB pieces", old, mb / old * 1000, copy / old))
    print("%-28s %9.0f %9.0f" % ("cp on Linux", cp_best * 1000, mb / cp_best))


if __name__ == "__main__":
    main()

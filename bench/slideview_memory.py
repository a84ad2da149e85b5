#!/usr/bin/env python3
"""Wine benchmark of the slide viewer's peak memory (it measures, it never
judges; it is not a test). On an Xvfb screen of 1920 x 1080 the viewer shows,
one run each, a single slide of:

  - a small picture (the viewer's and Wine's own share),
  - an 8000 x 6000 JPEG, PNG, PNG with alpha and 24-bit BMP,
  - a 200-frame animated GIF at 1920 x 1080 (bench/make_animation.cpp),
    played through once,

and prints the peak resident memory (VmHWM) of the viewer's process for each.

Usage: bench/slideview_memory.py
Needs scripts/build (dist/slideview.exe, build/native/bench/make_animation)
and ImageMagick's convert; the booted Wine prefix of the tests is made when it
is missing.
"""
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "wine"))

import orlwine  # noqa: E402

WIDTH, HEIGHT = 1920, 1080


def peak_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def measure(prefix, viewer, folder, name, seconds):
    with open(os.path.join(folder, "one.slides"), "w") as f:
        f.write("\"%s\" duration=600000 transition=0 style=5\r\n" % name)
    process = prefix.start(viewer, orlwine.winpath(os.path.join(folder, "one.slides")))
    try:
        prefix.wait_trace(lambda lines: any(line.startswith("slideview transition ") for line in lines),
                          process, timeout=300, name="the slide")
        time.sleep(seconds)
        pids = prefix.processes("slideview.exe")
        frames = sum(1 for line in prefix.trace_lines() if line.startswith("slideview frame "))
        return (max(peak_kb(pid) for pid in pids) if pids else 0), frames
    finally:
        prefix.run("taskkill", "/f", "/im", "slideview.exe")
        process.wait(60)
        os.remove(prefix.trace_path)


def main():
    viewer = orlwine.dist("slideview.exe")
    maker = os.path.join(HERE, "..", "build", "native", "bench", "make_animation")
    for program in (viewer, maker):
        if not os.path.exists(program):
            sys.exit("missing %s: run scripts/build first" % program)
    if not os.path.exists(orlwine.BOOTED_STAMP):
        print("booting a Wine prefix ...", flush=True)
        orlwine.boot()

    with orlwine.Xvfb(size="%dx%dx24" % (WIDTH, HEIGHT)) as x:
        prefix = orlwine.WinePrefix("bench_slideview_memory", x.display)
        try:
            folder = os.path.join(prefix.root, "slides")
            os.makedirs(folder)
            convert = ["convert", "-limit", "memory", "1GiB"]
            subprocess.run(convert + ["-size", "640x480", "gradient:red-blue", os.path.join(folder, "small.jpg")],
                           check=True)
            subprocess.run(convert + ["-size", "8000x6000", "gradient:red-blue", "-quality", "90",
                                      os.path.join(folder, "large.jpg")], check=True)
            subprocess.run(convert + ["-size", "8000x6000", "gradient:red-blue", os.path.join(folder, "large.png")],
                           check=True)
            subprocess.run(convert + ["-size", "8000x6000", "gradient:#FF000080-#0000FFFF",
                                      os.path.join(folder, "large alpha.png")], check=True)
            subprocess.run(convert + ["-size", "8000x6000", "gradient:red-blue", "-type", "TrueColor",
                                      "BMP3:" + os.path.join(folder, "large.bmp")], check=True)
            subprocess.run([maker, os.path.join(folder, "moving.gif"), str(WIDTH), str(HEIGHT), "200", "4"], check=True)
            # 200 frames of 40 ms: a loop takes 8 seconds, or longer while decoding keeps up.
            cases = [("small.jpg", 2), ("large.jpg", 2), ("large.png", 2), ("large alpha.png", 2), ("large.bmp", 2),
                     ("moving.gif", 12)]
            results = []
            for name, seconds in cases:
                size = os.path.getsize(os.path.join(folder, name))
                kb, frames = measure(prefix, viewer, folder, name, seconds)
                results.append((name, size, kb, frames))
        finally:
            prefix.stop()
            shutil.rmtree(prefix.root, ignore_errors=True)

    print("slide viewer on %dx%d, peak resident memory of its process under Wine" % (WIDTH, HEIGHT))
    print("%-18s %10s %10s %14s" % ("slide", "file MB", "peak MB", "frames shown"))
    for name, size, kb, frames in results:
        print("%-18s %10.1f %10.1f %14d" % (name, size / 1e6, kb / 1024.0, frames + 1))


if __name__ == "__main__":
    main()

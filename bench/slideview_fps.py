#!/usr/bin/env python3
"""Wine benchmark of the slide viewer's transitions (it measures, it never
judges; it is not a test). In one run on an Xvfb screen of 1920 x 1080 it
reports:

  - the frames per second that 1920 x 1080 transitions reach in the slide
    viewer (frames counted by the viewer, per transition of a fixed time),
  - the rate at which the viewer could draw them (frames per second of the
    time spent drawing, the rate without the pacing to the display),
  - the rate of plain full-window blits of the same size (the baseline,
    bench/blit_rate_win.cpp),

and the ratios of the first two to the baseline. Then, in the same run, the
slide viewer's captions, clock and pan-and-zoom at the same size:

  - a still slide with a caption and a clock: the rate at which the clock's
    minute updates could be drawn (only its old and new boxes change; the
    clock runs 60 times as fast for this),
  - a slide in motion: frames drawn during its stay and their drawable rate,
  - a transition between two slides in motion.

Usage: bench/slideview_fps.py [--styles 5,61,120] [--transition MS] [--rounds N]
Needs scripts/build (dist/slideview.exe, build/win/bench/blit_rate.exe); the
booted Wine prefix of the tests is made when it is missing.
"""
import argparse
import os
import re
import shutil
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "wine"))

import orlwine  # noqa: E402

WIDTH, HEIGHT = 1920, 1080


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--styles", default="5,61,120", help="transition styles to run (comma list)")
    parser.add_argument("--transition", type=int, default=2000, help="milliseconds per transition")
    parser.add_argument("--rounds", type=int, default=3, help="transitions per style")
    args = parser.parse_args()
    styles = [int(s) for s in args.styles.split(",")]
    blit_rate = os.path.abspath(os.path.join(orlwine.WIN_BUILD, "bench", "blit_rate.exe"))
    viewer = orlwine.dist("slideview.exe")
    for program in (viewer, blit_rate):
        if not os.path.exists(program):
            sys.exit("missing %s: run scripts/build first" % program)
    if not os.path.exists(orlwine.BOOTED_STAMP):
        print("booting a Wine prefix ...", flush=True)
        orlwine.boot()

    with orlwine.Xvfb(size="%dx%dx24" % (WIDTH, HEIGHT)) as x:
        prefix = orlwine.WinePrefix("bench_slideview_fps", x.display)
        try:
            folder = os.path.join(prefix.root, "slides")
            os.makedirs(folder)
            orlwine.write_bmp(os.path.join(folder, "a.bmp"), WIDTH, HEIGHT,
                              lambda x, y: (x * 255 // WIDTH, 60, y * 255 // HEIGHT))
            orlwine.write_bmp(os.path.join(folder, "b.bmp"), WIDTH, HEIGHT,
                              lambda x, y: (40, y * 255 // HEIGHT, 255 - x * 255 // WIDTH))
            lines = ["! transition=%d duration=200" % args.transition]
            for style in styles:
                for n in range(args.rounds):
                    lines.append("%s.bmp style=%d" % ("ab"[n % 2], style))
            with open(os.path.join(folder, "bench.slides"), "w") as f:
                f.write("\r\n".join(lines) + "\r\n")

            # The first transition comes from black; every listed one after it
            # is measured (the list repeats, so the first comes round again).
            wanted = 1 + len(styles) * args.rounds
            process = prefix.start(viewer, orlwine.winpath(os.path.join(folder, "bench.slides")))
            deadline = time.monotonic() + 60 + wanted * (args.transition + 2000) / 1000
            while time.monotonic() < deadline:
                if sum(1 for t in prefix.trace_lines() if t.startswith("slideview transition ")) >= wanted:
                    break
                time.sleep(0.5)
            trace = prefix.trace_lines()
            prefix.stop()
            process.wait(60)

            pacing = next((t for t in trace if t.startswith("slideview pacing ")), "slideview pacing ?")
            runs = {}
            style = None
            for line in trace:
                m = re.match(r"slideview slide \S+ style (\d+)$", line)
                if m:
                    style = int(m.group(1))
                m = re.match(r"slideview transition (\d+) ms frames (\d+) drawing (\d+) us$", line)
                if m and style is not None:
                    runs.setdefault(style, []).append(tuple(int(g) for g in m.groups()))
            measured = {s: r[1:] if len(runs.get(s, [])) > args.rounds else r for s, r in runs.items()}

            live = run_live_cases(prefix, folder, viewer)

            result = prefix.run(blit_rate, "3", timeout=120)
            m = re.search(r"per-second ([0-9.]+) (\d+)x(\d+)", result.stdout)
            if not m:
                sys.exit("blit_rate printed no rate: %r" % result.stdout)
            blits = float(m.group(1))
        finally:
            prefix.remove()
            shutil.rmtree(prefix.root, ignore_errors=True)

    print("screen %dx%d, %s, %d ms per transition" % (WIDTH, HEIGHT, pacing[len("slideview pacing "):], args.transition))
    print("baseline: %.1f full-window blits per second (%sx%s)" % (blits, m.group(2), m.group(3)))
    print("%-6s %12s %14s %10s %12s" % ("style", "frames/s", "drawable/s", "vs blits", "drawable vs"))
    for style in styles:
        got = measured.get(style, [])
        if not got:
            print("%-6d no transition measured" % style)
            continue
        frames = sum(r[1] for r in got)
        seconds = sum(r[0] for r in got) / 1000.0
        drawing = sum(r[2] for r in got) / 1e6
        fps = frames / seconds
        drawable = frames / drawing if drawing > 0 else float("inf")
        print("%-6d %12.1f %14.1f %9.2fx %11.2fx" % (style, fps, drawable, fps / blits, drawable / blits))
    print("%-30s %10s %12s %14s %12s" % ("live case", "frames", "frames/s", "drawable/s", "drawable vs"))
    for name, (frames, ms, us) in live.items():
        if not frames:
            print("%-30s none measured" % name)
            continue
        drawable = frames / (us / 1e6) if us > 0 else float("inf")
        print("%-30s %10d %12.1f %14.1f %11.2fx" % (name, frames, frames / (ms / 1000.0) if ms else 0, drawable,
                                                    drawable / blits))


def run_live_cases(prefix, folder, viewer):
    """Frames, milliseconds and microseconds of drawing of each live case."""
    lines = ["! transition=0 duration=5000 fit=cover caption=name clock=time",
             "a.bmp",  # still, with its caption and the clock
             "b.bmp motion=on",
             "a.bmp motion=on style=5 transition=2000",
             "b.bmp motion=on style=5 transition=2000"]
    path = os.path.join(folder, "live.slides")
    with open(path, "w") as f:
        f.write("\r\n".join(lines) + "\r\n")
    before = len(prefix.trace_lines())
    process = prefix.start(viewer, orlwine.winpath(path), env={"ORLSCR_TEST_CLOCK_SPEED": "60"})
    deadline = time.monotonic() + 90
    while time.monotonic() < deadline:
        if sum(1 for t in prefix.trace_lines()[before:] if t.startswith("slideview motion ")) >= 3:
            break
        time.sleep(0.5)
    trace = prefix.trace_lines()[before:]
    prefix.run("taskkill", "/f", "/im", "slideview.exe")
    process.wait(60)
    cases = {"still, caption and clock": [0, 0, 0], "slide in motion": [0, 0, 0],
             "transition, slides in motion": [0, 0, 0]}
    slide = None
    for line in trace:
        if line.startswith("slideview slide "):
            slide = (slide or 0) + 1
        m = re.match(r"slideview clock drawn (\d+) us$", line)
        if m and slide == 1:
            c = cases["still, caption and clock"]
            c[0] += 1
            c[1] += 1000  # one update a (sped-up) minute: a second
            c[2] += int(m.group(1))
        m = re.match(r"slideview motion (\d+) ms frames (\d+) drawing (\d+) us$", line)
        if m:
            c = cases["slide in motion"]
            for k in range(3):
                c[k] += int(m.group((2, 1, 3)[k]))
        m = re.match(r"slideview transition 2000 ms frames (\d+) drawing (\d+) us$", line)
        if m:
            c = cases["transition, slides in motion"]
            c[0] += int(m.group(1))
            c[1] += 2000
            c[2] += int(m.group(2))
    return cases


if __name__ == "__main__":
    main()

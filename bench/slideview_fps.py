#!/usr/bin/env python3
"""Wine benchmark of the slide viewer's transitions (it measures, it never
judges; it is not a test). In one run on an Xvfb screen of 1920 x 1080 it
reports, for every style asked for:

  - the frames per second that 1920 x 1080 transitions reach in the slide
    viewer (frames counted by the viewer, per transition of a fixed time),
  - the rate at which the viewer could draw them (frames per second of the
    time spent drawing, the rate without the pacing to the display),
  - the rate of plain full-window blits of the same size (the baseline,
    bench/blit_rate_win.cpp),

and the ratios of the first two to the baseline. The viewer also times one
plain full-window blit of a 24-bit picture, as the baseline does, right after
each frame it draws (ORLSCR_BENCH_BASELINE): the 'paired' ratio is its
drawable rate against those, measured under the very load its frames met,
where the load of this shared machine changes from one second to the next. With --before, a second
viewer (an earlier build kept in a folder of its own) runs the same slides and
the live cases below in the same run, and both are reported side by side.
Then, in the same run, the slide viewer's captions, clock and pan-and-zoom at
the same size, each against the baseline measured just before and after it,
in --live-rounds rounds (the median of their ratios is reported, with each):

  - a still slide with a caption and a clock: the rate at which the clock's
    minute updates could be drawn (only its old and new boxes change; the
    clock runs 60 times as fast for this),
  - a slide in motion: frames drawn during its stay and their drawable rate,
  - transitions between two slides in motion, one per style of
    --moving-styles (a style that shows the coming slide in place, and ones
    that move, stretch, blend or turn it).

The styles run in chunks (--chunk), each viewer in turn, with the baseline
measured between every two viewer runs: each run's ratios are taken against
the mean of the baseline just before and just after it, so a machine whose
load changes during the run still gives comparable ratios.

Usage: bench/slideview_fps.py [--styles 5,61,120|all] [--transition MS] [--rounds N]
                              [--chunk N] [--viewer EXE] [--before EXE]
                              [--moving-styles 5,3,13,118,119] [--live-rounds N]
Needs scripts/build (dist/slideview.exe, build/win/bench/blit_rate.exe); the
booted Wine prefix of the tests is made when it is missing.
"""
import argparse
import os
import re
import shutil
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "wine"))

import orlwine  # noqa: E402

WIDTH, HEIGHT = 1920, 1080
STYLE_COUNT = 128
# The viewer times one plain full-window blit after each frame it draws.
BASELINE_ENV = {"ORLSCR_BENCH_BASELINE": "1"}
BASELINE_LINE = r"slideview baseline (\d+) blits (\d+) us$"


def parse_styles(text):
    if text == "all":
        return list(range(STYLE_COUNT))
    return [int(s) for s in text.split(",")]


def write_slides(folder, styles, args):
    lines = ["! transition=%d duration=200" % args.transition]
    for style in styles:
        for n in range(args.rounds):
            lines.append("%s.bmp style=%d" % ("ab"[n % 2], style))
    with open(os.path.join(folder, "bench.slides"), "w") as f:
        f.write("\r\n".join(lines) + "\r\n")


def run_viewer(prefix, viewer, folder, styles, args):
    """Runs one viewer over the bench slides of `styles`; (pacing, {style: [(ms, frames, drawing us, blits,
    blit us)]}), the last two those of the baseline blits the viewer timed beside the frames (none from a viewer
    that does not)."""
    write_slides(folder, styles, args)
    # The first transition comes from black; every listed one after it is
    # measured (the list repeats, so the first comes round again).
    wanted = 1 + len(styles) * args.rounds
    before = len(prefix.trace_lines())
    process = prefix.start(viewer, orlwine.winpath(os.path.join(folder, "bench.slides")), env=BASELINE_ENV)
    deadline = time.monotonic() + 60 + wanted * (args.transition + 2000) / 1000
    while time.monotonic() < deadline:
        if sum(1 for t in prefix.trace_lines()[before:] if t.startswith("slideview transition ")) >= wanted:
            break
        time.sleep(0.5)
    trace = prefix.trace_lines()[before:]
    prefix.stop()
    process.wait(60)

    pacing = next((t for t in trace if t.startswith("slideview pacing ")), "slideview pacing ?")
    runs = {}
    style = None
    first = True
    baseline = (0, 0)
    for line in trace:
        m = re.match(r"slideview slide \S+ style (\d+)$", line)
        if m:
            style = int(m.group(1))
        m = re.match(BASELINE_LINE, line)
        if m:
            baseline = (int(m.group(1)), int(m.group(2)))
        m = re.match(r"slideview transition (\d+) ms frames (\d+) drawing (\d+) us$", line)
        if m and style is not None:
            got, baseline = tuple(int(g) for g in m.groups()) + baseline, (0, 0)
            if first:  # the one from black
                first = False
                continue
            if len(runs.get(style, [])) < args.rounds:
                runs.setdefault(style, []).append(got)
    return pacing[len("slideview pacing "):], runs


def paired(runs):
    """The drawable rate of runs against the baseline blits timed beside their frames; None without them."""
    blits = sum(r[3] for r in runs)
    blit_us = sum(r[4] for r in runs)
    drawing = sum(r[2] for r in runs)
    if not blits or not blit_us or not drawing:
        return None
    return (sum(r[1] for r in runs) / drawing) / (blits / blit_us)


def rates(runs):
    """(frames per second, drawable frames per second) of a style's runs."""
    frames = sum(r[1] for r in runs)
    seconds = sum(r[0] for r in runs) / 1000.0
    drawing = sum(r[2] for r in runs) / 1e6
    return frames / seconds, (frames / drawing if drawing > 0 else float("inf"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--styles", default="5,61,120", help="transition styles to run (comma list, or all)")
    parser.add_argument("--transition", type=int, default=2000, help="milliseconds per transition")
    parser.add_argument("--rounds", type=int, default=3, help="transitions per style")
    parser.add_argument("--chunk", type=int, default=16, help="styles per viewer run")
    parser.add_argument("--viewer", default=orlwine.dist("slideview.exe"), help="the slide viewer to measure")
    parser.add_argument("--before", help="an earlier slide viewer to measure in the same run")
    parser.add_argument("--moving-styles", default="5,3,13,118,119",
                        help="styles of the transitions between slides in motion (comma list)")
    parser.add_argument("--live-rounds", type=int, default=3,
                        help="runs of the live cases, each between two baseline measurements")
    args = parser.parse_args()
    styles = parse_styles(args.styles)
    blit_rate = os.path.abspath(os.path.join(orlwine.WIN_BUILD, "bench", "blit_rate.exe"))
    viewers = [("after", os.path.abspath(args.viewer))]
    if args.before:
        viewers.insert(0, ("before", os.path.abspath(args.before)))
    for program in [v for _, v in viewers] + [blit_rate]:
        if not os.path.exists(program):
            sys.exit("missing %s: run scripts/build first" % program)
    if not os.path.exists(orlwine.BOOTED_STAMP):
        print("booting a Wine prefix ...", flush=True)
        orlwine.boot()

    # results[name] = (pacing, {style: (runs, baseline around them)})
    results = {name: ("?", {}) for name, _ in viewers}
    blit_runs = []
    with orlwine.Xvfb(size="%dx%dx24" % (WIDTH, HEIGHT)) as x:
        prefix = orlwine.WinePrefix("bench_slideview_fps", x.display)
        try:
            folder = os.path.join(prefix.root, "slides")
            os.makedirs(folder)
            orlwine.write_bmp(os.path.join(folder, "a.bmp"), WIDTH, HEIGHT,
                              lambda x, y: (x * 255 // WIDTH, 60, y * 255 // HEIGHT))
            orlwine.write_bmp(os.path.join(folder, "b.bmp"), WIDTH, HEIGHT,
                              lambda x, y: (40, y * 255 // HEIGHT, 255 - x * 255 // WIDTH))

            def measure_blits():
                result = prefix.run(blit_rate, "2", timeout=120)
                m = re.search(r"per-second ([0-9.]+) (\d+)x(\d+)", result.stdout)
                if not m:
                    sys.exit("blit_rate printed no rate: %r" % result.stdout)
                blit_runs.append(float(m.group(1)))
                prefix.stop()
                return m

            size = measure_blits()
            for start in range(0, len(styles), args.chunk):
                chunk = styles[start:start + args.chunk]
                for name, viewer in viewers:
                    before = blit_runs[-1]
                    pacing, runs = run_viewer(prefix, viewer, folder, chunk, args)
                    measure_blits()
                    around = (before + blit_runs[-1]) / 2
                    results[name] = (pacing, results[name][1])
                    for style, got in runs.items():
                        results[name][1][style] = (got, around)
                print("measured styles %d..%d" % (chunk[0], chunk[-1]), file=sys.stderr, flush=True)
            live = {name: [] for name, _ in viewers}  # name: [(cases, baseline around them)] a round
            for _ in range(args.live_rounds):
                for name, viewer in viewers:
                    before = blit_runs[-1]
                    cases = run_live_cases(prefix, folder, viewer, parse_styles(args.moving_styles))
                    measure_blits()
                    live[name].append((cases, (before + blit_runs[-1]) / 2))
        finally:
            prefix.remove()
            shutil.rmtree(prefix.root, ignore_errors=True)

    blits = sum(blit_runs) / len(blit_runs)
    print("screen %dx%d, %s, %d ms per transition, %d rounds, %d styles a viewer run" %
          (WIDTH, HEIGHT, results[viewers[-1][0]][0], args.transition, args.rounds, args.chunk))
    print("baseline: %.1f full-window blits per second on average (%sx%s; runs %s)" %
          (blits, size.group(2), size.group(3), ", ".join("%.1f" % b for b in blit_runs)))
    print("ratios are against the baseline measured just before and after each viewer run")
    print("'paired' is the drawable rate against the blits the viewer timed right after each of its frames")
    header = "%-6s" % "style"
    for name, _ in viewers:
        header += " %10s %10s %8s %8s %7s" % (name + " fps", "drawable", "vs blits", "drawable", "paired")
    print(header)
    worst = {}
    worst_paired = {}
    for style in styles:
        row = "%-6d" % style
        for name, _ in viewers:
            got, around = results[name][1].get(style, ([], 0))
            if not got:
                row += " %47s" % "not measured"
                continue
            fps, drawable = rates(got)
            pair = paired(got)
            row += " %10.1f %10.1f %7.2fx %7.2fx %7s" % (fps, drawable, fps / around, drawable / around,
                                                          "-" if pair is None else "%.2fx" % pair)
            ratio = drawable / around
            if name not in worst or ratio < worst[name][1]:
                worst[name] = (style, ratio)
            if pair is not None and (name not in worst_paired or pair < worst_paired[name][1]):
                worst_paired[name] = (style, pair)
        print(row)
    for name, _ in viewers:
        if name in worst:
            style, ratio = worst[name]
            below = sum(1 for s in styles if s in results[name][1] and
                        rates(results[name][1][s][0])[1] / results[name][1][s][1] < 0.9)
            print("%s: lowest drawable ratio %.2fx (style %d); %d of %d styles below 0.90x" %
                  (name, ratio, style, below, len(styles)))
        if name in worst_paired:
            style, ratio = worst_paired[name]
            below = sum(1 for s in styles if s in results[name][1] and (paired(results[name][1][s][0]) or 1) < 0.9)
            print("%s: lowest paired ratio %.2fx (style %d); %d of %d styles below 0.90x paired" %
                  (name, ratio, style, below, len(styles)))
    for viewer_name, rounds in live.items():
        print("%-30s %10s %12s %14s %12s %9s  %s" % ("live case (%s)" % viewer_name, "frames", "frames/s",
                                                      "drawable/s", "median vs", "paired", "vs blits, round by round"))
        for name in rounds[0][0]:
            measured = [(cases[name], around) for cases, around in rounds if cases[name][0] and cases[name][2] > 0]
            if not measured:
                print("%-30s none measured" % name)
                continue
            frames = sum(c[0] for c, _ in measured)
            ms = sum(c[1] for c, _ in measured)
            us = sum(c[2] for c, _ in measured)
            ratios = [c[0] / (c[2] / 1e6) / around for c, around in measured]
            pairs = [(c[0] / c[2]) / (c[3] / c[4]) for c, _ in measured if c[3] and c[4]]
            print("%-30s %10d %12.1f %14.1f %11.2fx %9s  %s%s" %
                  (name, frames, frames / (ms / 1000.0) if ms else 0, frames / (us / 1e6),
                   statistics.median(ratios), "%.2fx" % statistics.median(pairs) if pairs else "-",
                   " ".join("%.2f" % r for r in ratios),
                   " (paired " + " ".join("%.2f" % r for r in pairs) + ")" if pairs else ""))


def run_live_cases(prefix, folder, viewer, moving_styles):
    """Frames, milliseconds and microseconds of drawing of each live case, and the baseline blits timed beside
    its frames with their microseconds."""
    lines = ["! transition=0 duration=5000 fit=cover caption=name clock=time",
             "a.bmp",  # still, with its caption and the clock
             "b.bmp motion=on"]
    for n, style in enumerate(moving_styles):
        lines.append("%s.bmp motion=on style=%d transition=2000" % ("ab"[n % 2], style))
    path = os.path.join(folder, "live.slides")
    with open(path, "w") as f:
        f.write("\r\n".join(lines) + "\r\n")
    before = len(prefix.trace_lines())
    process = prefix.start(viewer, orlwine.winpath(path), env=dict(BASELINE_ENV, ORLSCR_TEST_CLOCK_SPEED="60"))
    # The stays of the slides in motion but the last end with a motion line.
    wanted = 1 + len(moving_styles)
    deadline = time.monotonic() + 60 + 8 * wanted
    while time.monotonic() < deadline:
        if sum(1 for t in prefix.trace_lines()[before:] if t.startswith("slideview motion ")) >= wanted:
            break
        time.sleep(0.5)
    trace = prefix.trace_lines()[before:]
    prefix.run("taskkill", "/f", "/im", os.path.basename(viewer))  # a --before viewer may have its own name
    process.wait(60)
    # frames, milliseconds, drawing microseconds, baseline blits, their microseconds
    cases = {"still, caption and clock": [0, 0, 0, 0, 0], "slide in motion": [0, 0, 0, 0, 0]}
    for style in moving_styles:
        cases["transition %d, in motion" % style] = [0, 0, 0, 0, 0]
    slide = None
    style = None
    baseline = (0, 0)
    for line in trace:
        m = re.match(BASELINE_LINE, line)
        if m:
            baseline = (int(m.group(1)), int(m.group(2)))
        m = re.match(r"slideview slide \S+ style (\d+)$", line)
        if m:
            slide = (slide or 0) + 1
            style = int(m.group(1))
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
            c[3] += baseline[0]
            c[4] += baseline[1]
            baseline = (0, 0)
        m = re.match(r"slideview transition 2000 ms frames (\d+) drawing (\d+) us$", line)
        if m and slide is not None and slide >= 3:
            c = cases["transition %d, in motion" % style]
            c[0] += int(m.group(1))
            c[1] += 2000
            c[2] += int(m.group(2))
            c[3] += baseline[0]
            c[4] += baseline[1]
        if line.startswith("slideview transition "):
            baseline = (0, 0)
    return cases

if __name__ == "__main__":
    main()

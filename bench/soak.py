#!/usr/bin/env python3
"""Wine soak benchmark of the run mode (it measures, it never judges; it is not
a test). One slide package with short wave tracks is run N times in a row as a
screen saver ("/s") in one prefix: start, the viewer's slides on screen, two
mouse moves, the end. It reports

  - clean ends: exit code 0 and "exit 0" as the trace's last line,
  - runs after which a process of the run (player, viewer, debugger) was left,
  - runs after which a window of the run (saver window, viewer, crash box) was left,
  - runs after which a file was left in the user's Temp folder that the run
    should have deleted (its sound tracks),
  - the time from the start to the viewer's first slide, and from the ending
    move to the player's exit (median and maximum).

Usage: bench/soak.py [--runs N] [--tracks K] [--seconds S]
Needs scripts/build (dist/player.scr, dist/mkscr); the booted Wine prefix of
the tests is made when it is missing.
"""
import argparse
import glob
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "wine"))

import orlwine  # noqa: E402


def run_processes(prefix):
    """Live processes of a run in this prefix: player, viewer, debugger."""
    return prefix.processes(".scr", "pptview.exe", "winedbg")


def temp_files(prefix):
    return {os.path.basename(p) for p in glob.glob(os.path.join(
        prefix.path, "drive_c", "users", "*", "AppData", "Local", "Temp", "*"))} | {
        os.path.basename(p) for p in glob.glob(os.path.join(prefix.path, "drive_c", "users", "*", "Temp", "*"))}


def one_run(prefix, package, tracks):
    """One run; returns (clean, start seconds, end seconds)."""
    if os.path.exists(prefix.trace_path):
        os.unlink(prefix.trace_path)
    prefix.mouse_move(512, 384)
    began = time.monotonic()
    process = prefix.start(package, "/s")
    try:
        prefix.wait_trace("running", process, timeout=60)
        if not prefix.wait_windows("^Slide show$", 30):
            raise AssertionError("no viewer window")
        prefix.wait_trace(orlwine.lines_starting("slideview slide "), process, timeout=60)
        shown = time.monotonic()
        prefix.move_by(-10, 0, process)
        ending = time.monotonic()
        prefix.xdotool("mousemove_relative", "--", "-10", "0")
        code = process.wait(60)
        ended = time.monotonic()
    except (AssertionError, subprocess.TimeoutExpired, RuntimeError) as error:
        print("run failed: %s" % str(error)[:300], flush=True)
        prefix.stop()
        process.wait(60)
        return False, None, None
    lines = prefix.trace_lines()
    clean = code == 0 and lines and lines[-1] == "exit 0"
    return clean, shown - began, ended - ending


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=50, help="runs in a row")
    parser.add_argument("--tracks", type=int, default=6, help="wave tracks in the package")
    parser.add_argument("--seconds", type=float, default=0.3, help="length of each track")
    args = parser.parse_args()
    player, mkscr = orlwine.dist("player.scr"), orlwine.dist("mkscr")
    for program in (player, mkscr):
        if not os.path.exists(program):
            sys.exit("missing %s: run scripts/build first" % program)
    if not os.path.exists(orlwine.BOOTED_STAMP):
        print("booting a Wine prefix ...", flush=True)
        orlwine.boot()

    with orlwine.Xvfb() as x:
        prefix = orlwine.WinePrefix("bench_soak", x.display)
        try:
            work = os.path.join(prefix.root, "work")
            slides = os.path.join(work, "slides")
            os.makedirs(slides)
            orlwine.write_bmp(os.path.join(slides, "1.bmp"), 160, 120, (200, 30, 30))
            orlwine.write_bmp(os.path.join(slides, "2.bmp"), 160, 120, (30, 40, 210))
            tracks, sounds = [], []
            for index in range(args.tracks):
                tracks.append("s%d.wav" % index)
                orlwine.write_wav(os.path.join(work, tracks[-1]), args.seconds)
                sounds += ["--sound", os.path.join(work, tracks[-1])]
            package = os.path.join(work, "soak.scr")
            subprocess.run([mkscr, "slides", slides, "-o", package, "--duration", "2000", "--style", "0",
                            "--exit", "move", *sounds], check=True, capture_output=True, timeout=120)

            clean = left_processes = left_windows = left_files = 0
            starts, ends = [], []
            began = time.monotonic()
            for run in range(args.runs):
                ok, start, end = one_run(prefix, package, tracks)
                clean += bool(ok)
                if start is not None:
                    starts.append(start)
                    ends.append(end)
                if not orlwine.wait_for(lambda: not run_processes(prefix), timeout=5, interval=0.1):
                    left_processes += 1
                    prefix.stop()
                if any(prefix.find_windows(title) for title in ("^Slide show$", "^frmScrn$", "Program Error")):
                    left_windows += 1
                if set(tracks) & temp_files(prefix):
                    left_files += 1
                if (run + 1) % 10 == 0:
                    print("%d runs, %d clean" % (run + 1, clean), flush=True)
            total = time.monotonic() - began
        finally:
            prefix.remove()

    def spread(values):
        if not values:
            return "-"
        return "median %.2f s, max %.2f s" % (statistics.median(values), max(values))

    print("runs: %d in %.0f s (%.2f s a run)" % (args.runs, total, total / max(args.runs, 1)))
    print("clean ends: %d" % clean)
    print("runs leaving a process: %d" % left_processes)
    print("runs leaving a window: %d" % left_windows)
    print("runs leaving Temp files: %d" % left_files)
    print("start to first slide: %s" % spread(starts))
    print("ending move to exit: %s" % spread(ends))


if __name__ == "__main__":
    main()

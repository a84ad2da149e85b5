#!/usr/bin/env python3
"""Benchmark of building a slide show from photos (it measures, it never
judges; it is not a test). In one run, on the same photos in the page cache:

  - `mkscr slides` reducing every photo to fit 3840x2160 and writing the
    package (decode at the DCT scale that covers the bound, Lanczos-3,
    JPEG quality 90, on every core);
  - `vipsthumbnail` (libvips) reducing the same photos to fit 3840x2160
    (shrink-on-load, Lanczos-3, JPEG quality 90), one process per core so that
    every core has a photo at a time;
  - `cp -r` of the photos, the floor of any build that reads them all;

each on one core (pinned with taskset, vips with one thread) and on all
cores, as photos per second and per core-second. The photos are made once
with ImageMagick (plasma fractals, 4000x3000, 12 MP, quality 92), then copied
under new names up to the count.

Usage: bench/build_speed.py [--photos 200] [--work DIR] [--rounds 2]
Needs scripts/build (dist/mkscr, dist/player.scr, dist/slideview.exe) and
Debian's libvips-tools and imagemagick (scripts/setup installs them).
"""
import argparse
import glob
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DIST = os.path.join(HERE, "..", "dist")
DISTINCT = 4  # different photos; the rest are copies of them


def make_photos(folder, count):
    os.makedirs(folder, exist_ok=True)
    have = sorted(glob.glob(os.path.join(folder, "*.jpg")))
    if len(have) >= count:
        return sorted(have)[:count]
    for i in range(DISTINCT):
        path = os.path.join(folder, "photo%04d.jpg" % i)
        if not os.path.exists(path):
            subprocess.run(["convert", "-seed", str(i + 1), "-size", "4000x3000", "plasma:fractal",
                            "-blur", "0x1", "-quality", "92", path], check=True)
    for i in range(DISTINCT, count):
        path = os.path.join(folder, "photo%04d.jpg" % i)
        if not os.path.exists(path):
            shutil.copyfile(os.path.join(folder, "photo%04d.jpg" % (i % DISTINCT)), path)
    return sorted(glob.glob(os.path.join(folder, "*.jpg")))[:count]


def timed(command, env=None):
    """Wall seconds and CPU seconds (user + system) of the command's processes."""
    before = os.times()
    start = time.monotonic()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   env=dict(os.environ, **(env or {})))
    wall = time.monotonic() - start
    after = os.times()
    cpu = (after.children_user - before.children_user) + (after.children_system - before.children_system)
    return wall, cpu


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--photos", type=int, default=200)
    parser.add_argument("--work", default="/tmp/orlscr_build_speed")
    parser.add_argument("--rounds", type=int, default=2, help="runs of each; the fastest counts")
    args = parser.parse_args()
    cores = os.cpu_count() or 1
    photos_dir = os.path.join(args.work, "photos")
    photos = make_photos(photos_dir, args.photos)
    folder = os.path.join(args.work, "selected")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for p in photos:
        os.link(p, os.path.join(folder, os.path.basename(p)))
    total = sum(os.path.getsize(p) for p in photos)
    subprocess.run(["cat"] + photos, check=True, stdout=subprocess.DEVNULL)  # into the page cache
    out = os.path.join(args.work, "out")

    mkscr = [os.path.join(DIST, "mkscr"), "slides", folder, "-o", os.path.join(args.work, "show.scr"),
             "--player", os.path.join(DIST, "player.scr"), "--no-hook",
             "--viewer", os.path.join(DIST, "slideview.exe")]
    vips_one = ["vipsthumbnail", "--size", "3840x2160", "-o", os.path.join(out, "%s.jpg[Q=90]")]

    def vips_all():
        # One process per core, each given an equal share of the photos.
        return ["sh", "-c", 'printf "%s\\0" "$@" | xargs -0 -n 8 -P {} vipsthumbnail --size 3840x2160 -o '
                '"{}/%s.jpg[Q=90]"'.format(cores, out), "sh"] + photos

    runs = [
        ("cp -r", "all", lambda: ["cp", "-r", folder, os.path.join(out, "copy")], {}),
        ("mkscr slides", "1 core", lambda: ["taskset", "-c", "0"] + mkscr, {}),
        ("vipsthumbnail", "1 core", lambda: ["taskset", "-c", "0"] + vips_one + photos, {"VIPS_CONCURRENCY": "1"}),
        ("mkscr slides", "all", lambda: mkscr, {}),
        ("vipsthumbnail", "all", vips_all, {"VIPS_CONCURRENCY": "1"}),
    ]
    print("%d photos of 4000x3000, %.0f MB, %d cores" % (len(photos), total / 1e6, cores))
    print("%-14s %-7s %8s %8s %9s %10s %6s" % ("program", "cores", "wall s", "cpu s", "photos/s", "per core-s",
                                                "busy"))
    for name, where, command, env in runs:
        best = None
        for _ in range(args.rounds):
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)
            result = timed(command(), env)
            best = result if best is None or result[0] < best[0] else best
        wall, cpu = best
        used = 1 if where == "1 core" else cores
        print("%-14s %-7s %8.2f %8.2f %9.1f %10.2f %5.0f%%" % (name, where, wall, cpu, len(photos) / wall,
                                                               len(photos) / max(cpu, 1e-9),
                                                               100 * cpu / (wall * used)))
    shutil.rmtree(out, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

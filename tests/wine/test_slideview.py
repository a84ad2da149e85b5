#!/usr/bin/env python3
"""The slide viewer under Wine: the slides show full screen one after another,
each brought in through a transition; a list that cannot be shown puts its
reason on the screen; the viewer runs until it is terminated; the cursor is
hidden over the slides when the list (or the package) says so."""
import os
import re
import shutil
import struct
import subprocess
import time

import orlwine
from orlwine import write_bmp

VIEWER = orlwine.dist("slideview.exe")
MKSCR = orlwine.dist("mkscr")
CURSOR_PROBE = orlwine.helper("cursor_probe.exe")
SCREEN_W, SCREEN_H = 1024, 768  # the harness's Xvfb screen
RED = (200, 30, 30)
BLUE = (30, 40, 210)
GREEN = (30, 180, 40)


def write_jpeg(path, width, height, rgb):
    subprocess.run(["convert", "-size", "%dx%d" % (width, height), "xc:rgb(%d,%d,%d)" % rgb, "-quality", "95", path],
                   check=True)


class Shot:
    """One screenshot of the whole screen, sampled on a grid."""

    STEP = 8

    def __init__(self, prefix):
        data = subprocess.run(["import", "-display", prefix.display, "-window", "root", "-depth", "8", "rgb:-"],
                              check=True, capture_output=True, timeout=60).stdout
        self.samples = []
        for y in range(0, SCREEN_H, self.STEP):
            base = y * SCREEN_W * 3
            for x in range(0, SCREEN_W, self.STEP):
                i = base + x * 3
                self.samples.append((data[i], data[i + 1], data[i + 2]))
        self.key = bytes(c for px in self.samples for c in px)

    def share(self, rgb, tolerance=16):
        near = sum(1 for px in self.samples if all(abs(px[k] - rgb[k]) <= tolerance for k in range(3)))
        return near / len(self.samples)

    def bright_rows(self):
        """Rows (in screen pixels) that hold a light pixel."""
        per_row = SCREEN_W // self.STEP
        rows = set()
        for i, px in enumerate(self.samples):
            if min(px) > 120:
                rows.add((i // per_row) * self.STEP)
        return rows


class SlideViewTest(orlwine.WineTestCase):
    def setUp(self):
        super().setUp()
        # A folder with a blank in its name, as a user's temporary folder may have.
        self.folder = os.path.join(self.prefix.root, "my slides")
        os.makedirs(self.folder)

    def start(self, list_name):
        process = self.prefix.start(VIEWER, orlwine.winpath(os.path.join(self.folder, list_name)))
        self.addCleanup(process.wait, 60)
        self.addCleanup(self.prefix.stop)
        windows = self.prefix.wait_windows("^Slide show$")
        self.assertTrue(windows, "the viewer opened no window")
        self.assertEqual(self.prefix.window_geometry(windows[0])[2:], (SCREEN_W, SCREEN_H))
        return process

    def wait_shot(self, condition, timeout=20):
        deadline = time.monotonic() + timeout
        while True:
            shot = Shot(self.prefix)
            if condition(shot) or time.monotonic() > deadline:
                return shot

    def terminate(self):
        self.prefix.run("taskkill", "/f", "/im", "slideview.exe")
        self.prefix.wait_no_windows("^Slide show$", timeout=20)
        self.assertEqual(self.prefix.find_windows("^Slide show$"), [], "the viewer outlived its termination")

    def test_slides_follow_each_other_through_transitions(self):
        write_bmp(os.path.join(self.folder, "red.bmp"), 640, 480, RED)
        write_jpeg(os.path.join(self.folder, "blue slide.jpg"), 320, 240, BLUE)
        with open(os.path.join(self.folder, "show.slides"), "w") as f:
            f.write("# a wipe from the left brings in every slide\n"
                    "red.bmp duration=2500 style=5 speed=9\n"
                    "missing.jpg\n"
                    "\"blue slide.jpg\" duration=60000 style=5 upscale=4 transition=5000\n")
        self.start("show.slides")

        # The first slide fills the screen (scaled up, same shape, so no bands).
        first = self.wait_shot(lambda s: s.share(RED) > 0.99)
        self.prefix.screenshot("first")
        self.assertGreater(first.share(RED), 0.99)

        # The missing slide is left out; the blue one comes in through frames
        # that show part of each.
        between = []
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            shot = Shot(self.prefix)
            red, blue = shot.share(RED), shot.share(BLUE)
            if blue > 0.99:
                break
            if 0.02 < red < 0.98 and 0.02 < blue < 0.98 and red + blue > 0.98:
                between.append(shot)
        self.prefix.screenshot("second")
        self.assertGreater(Shot(self.prefix).share(BLUE), 0.99, "the second slide did not come")
        self.assertGreaterEqual(len(between), 2, "fewer than two screenshots caught the transition")
        self.assertGreaterEqual(len({s.key for s in between}), 2, "the transition did not move")
        # What was left out is on record.
        trace = self.prefix.trace_lines()
        self.assertIn('slideview problem line 2: unknown option "speed=9"', trace)
        self.assertIn("slideview skipped missing.jpg: the file cannot be opened (No such file or directory)", trace)
        self.assertEqual([line for line in trace if line.startswith("slideview slide ")],
                         ["slideview slide red.bmp style 5", "slideview slide blue slide.jpg style 5"])
        # The second transition ran for its five seconds in many frames (the
        # first one may still run while the screenshots are taken).
        transitions = [line for line in trace if line.startswith("slideview transition ")]
        self.assertTrue(transitions, trace)
        self.assertRegex(transitions[-1], r"^slideview transition 5000 ms frames ([3-9]|\d\d+) drawing \d+ us$")

    def write_moving_gif(self):
        """Red, blue and green frames of half a second each, looping for ever."""
        subprocess.run(["convert", "-delay", "50", "-size", "64x48", "xc:#FF0000", "xc:#0000FF", "xc:#00FF00",
                        "-loop", "0", os.path.join(self.folder, "moving.gif")], check=True)

    def test_animated_gif_plays_its_frames_during_its_stay(self):
        self.write_moving_gif()
        with open(os.path.join(self.folder, "show.slides"), "w") as f:
            f.write("moving.gif duration=60000 style=5 transition=0 upscale=16\n")
        self.start("show.slides")
        seen = set()
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and len(seen) < 3:
            shot = Shot(self.prefix)
            for name, rgb in (("red", (255, 0, 0)), ("blue", (0, 0, 255)), ("green", (0, 255, 0))):
                if shot.share(rgb) > 0.99:
                    seen.add(name)
        self.prefix.screenshot("animation")
        self.assertEqual(seen, {"red", "blue", "green"}, "the animation did not show every frame")
        # It loops: the first frame comes again after the third.
        trace = self.prefix.wait_trace("slideview frame 1", timeout=30)
        self.assertEqual([line for line in trace if line.startswith("slideview slide ")],
                         ["slideview slide moving.gif style 5"])
        self.assertIn("slideview frame 3", trace)

    def test_still_slide_keeps_the_first_frame_of_an_animated_gif(self):
        self.write_moving_gif()
        with open(os.path.join(self.folder, "show.slides"), "w") as f:
            f.write("moving.gif duration=60000 style=5 transition=0 upscale=16 still=yes\n")
        self.start("show.slides")
        red = (255, 0, 0)
        first = self.wait_shot(lambda s: s.share(red) > 0.99)
        self.assertGreater(first.share(red), 0.99, "the first frame did not show")
        # Over more than a whole loop a playing animation would show its other frames.
        shares = []
        deadline = time.monotonic() + 2.5
        while time.monotonic() < deadline or len(shares) < 2:
            shares.append(Shot(self.prefix).share(red))
        self.prefix.screenshot("still")
        self.assertGreater(min(shares), 0.99, "the still slide changed")
        self.assertEqual([line for line in self.prefix.trace_lines() if line.startswith("slideview frame")], [])

    def test_list_that_cannot_be_shown_puts_the_reason_on_screen_and_runs_on(self):
        with open(os.path.join(self.folder, "broken.slides"), "w") as f:
            f.write("nothing.jpg\n")
        for name in ("absent.slides", "broken.slides"):
            with self.subTest(list=name):
                self.start(name)
                # A line of light text across the middle of a black screen.
                shot = self.wait_shot(lambda s: s.bright_rows())
                self.prefix.screenshot(name)
                rows = shot.bright_rows()
                self.assertTrue(rows, "no message on the screen")
                self.assertTrue(all(SCREEN_H // 3 < y < 2 * SCREEN_H // 3 for y in rows), sorted(rows))
                self.assertGreater(shot.share((0, 0, 0)), 0.9)
                self.assertTrue(self.prefix.trace_lines()[-1].startswith("slideview message Cannot show Z:\\"))
                # Still there a while later, until it is terminated. A viewer
                # that ends by mistake leaves no mark, so it is given the time.
                time.sleep(3)
                self.assertTrue(self.prefix.find_windows("^Slide show$"))
                self.terminate()


    def cursor(self, expected):
        """The cursor of the foreground window's thread (the viewer's), with the
        pointer resting in the middle of the screen: the first state that
        `expected` accepts, or the last one seen in 10 s."""
        self.prefix.mouse_move(SCREEN_W // 2, SCREEN_H // 2)
        seen = []

        def probe():
            # Wine takes the pointer's position and the window's cursor over
            # in its own time.
            out = self.prefix.run(CURSOR_PROBE).stdout
            m = re.search(r"cursor shown=(\d) handle=(\d) x=(-?\d+) y=(-?\d+) over=(.*)", out)
            self.assertTrue(m, out)
            seen.append({"shown": m.group(1) == "1", "handle": m.group(2) == "1", "over": m.group(5).strip()})
            centred = (int(m.group(3)), int(m.group(4))) == (SCREEN_W // 2, SCREEN_H // 2)
            return centred and expected(seen[-1])

        orlwine.wait_for(probe, timeout=10, interval=0.1)
        return seen[-1]

    def test_cursor_is_hidden_over_the_slides_when_the_list_says_so(self):
        write_bmp(os.path.join(self.folder, "red.bmp"), 64, 48, RED)
        for name, show_line, hidden in (("plain.slides", "", False), ("shown.slides", "! cursor=shown\n", False),
                                        ("hidden.slides", "! style=0 cursor=hidden\n", True)):
            with self.subTest(list=name):
                with open(os.path.join(self.folder, name), "w") as f:
                    f.write("# the cursor\n" + show_line + "red.bmp style=0 upscale=20\n")
                self.start(name)
                self.wait_shot(lambda s: s.share(RED) > 0.99)
                cursor = self.cursor(lambda c: c["over"] == "Slide show" and hidden != (c["shown"] and c["handle"]))
                self.assertEqual(cursor["over"], "Slide show")
                if hidden:
                    self.assertFalse(cursor["shown"] and cursor["handle"], cursor)
                    self.assertIn("slideview cursor hidden", self.prefix.trace_lines())
                else:
                    self.assertTrue(cursor["shown"] and cursor["handle"], cursor)
                self.terminate()

    def test_key_only_saver_run_hides_the_cursor_over_the_slides(self):
        # A package as mkscr slides makes it without --show-cursor, ended by
        # keys only, so the pointer may rest over the slides.
        pictures = os.path.join(self.prefix.root, "pictures")
        os.makedirs(pictures)
        write_bmp(os.path.join(pictures, "1.bmp"), 160, 120, RED)
        package = os.path.join(self.prefix.root, "saver.scr")
        subprocess.run([MKSCR, "slides", pictures, "-o", package, "--exit", "key", "--duration", "60000"],
                       check=True, capture_output=True, timeout=120)
        self.prefix.mouse_move(SCREEN_W // 2, SCREEN_H // 2)
        process = self.prefix.start(package, "/s")
        self.addCleanup(process.wait, 60)
        self.addCleanup(self.prefix.stop)
        self.assertTrue(self.prefix.wait_windows("^Slide show$"), "the viewer opened no window")
        self.wait_shot(lambda s: s.share(RED) > 0.05)
        # Off the middle and back (in cursor()): a move of the test's own, so
        # the run sees one whether or not Wine reported the resting pointer
        # when the viewer's window came up under it.
        self.prefix.mouse_move(SCREEN_W // 2 + 8, SCREEN_H // 2 + 8)
        cursor = self.cursor(lambda c: c["over"] == "Slide show" and not (c["shown"] and c["handle"]))
        # The saver's exit rules judged the move and let the run go on.
        moved = "input 512 %d %d" % (SCREEN_W // 2, SCREEN_H // 2)
        self.prefix.wait_trace(lambda lines: moved in lines and "exit not asked" in lines[lines.index(moved):],
                               process, name="the verdict on the move")
        self.assertIsNone(process.poll(), "a mouse move ended a key-only run")
        self.assertEqual(cursor["over"], "Slide show")
        self.assertFalse(cursor["shown"] and cursor["handle"], (cursor, self.prefix.trace_lines()))

    def test_converted_heic_and_webp_slides_show_upright(self):
        # 512 x 384, a quarter of a colour of each slide's own in the top left:
        # the WebP's rows are stored turned, with the EXIF orientation that
        # turns them back.
        if not shutil.which("heif-enc") or not shutil.which("cwebp"):
            self.skipTest("no heif-enc or cwebp (scripts/setup installs them)")
        pictures = os.path.join(self.prefix.root, "phone")
        os.makedirs(pictures)

        def marked(name, corner):
            path = os.path.join(self.prefix.root, name)
            subprocess.run(["convert", "-size", "512x384", "xc:rgb(%d,%d,%d)" % BLUE, "-fill",
                            "rgb(%d,%d,%d)" % corner, "-draw", "rectangle 0,0 255,191", "-quality", "95", path],
                           check=True)
            return path

        subprocess.run(["heif-enc", "-q", "95", marked("red.jpg", RED), "-o", os.path.join(pictures, "a.heic")],
                       check=True, capture_output=True)
        turned = os.path.join(self.prefix.root, "turned.jpg")
        subprocess.run(["convert", marked("green.jpg", GREEN), "-rotate", "270", "-quality", "95", turned], check=True)
        with open(turned, "rb") as f:
            jpeg = f.read()
        tiff = b"II*\0" + struct.pack("<IHHHII", 8, 1, 0x0112, 3, 1, 6) + struct.pack("<I", 0)
        with open(turned, "wb") as f:
            f.write(jpeg[:2] + b"\xff\xe1" + struct.pack(">H", 8 + len(tiff)) + b"Exif\0\0" + tiff + jpeg[2:])
        subprocess.run(["cwebp", "-quiet", "-q", "95", "-metadata", "exif", turned, "-o",
                        os.path.join(pictures, "b.webp")], check=True)
        package = os.path.join(self.prefix.root, "phone.scr")
        made = subprocess.run([MKSCR, "slides", pictures, "-o", package, "--exit", "key", "--duration", "4000",
                               "--transition", "0"], check=True, capture_output=True, timeout=120, text=True)
        self.assertIn("a.heic as a.jpg (converted HEIC to JPEG)", made.stdout)
        self.assertIn("b.webp as b.jpg (converted WebP to JPEG)", made.stdout)
        process = self.prefix.start(package, "/s")
        self.addCleanup(process.wait, 60)
        self.addCleanup(self.prefix.stop)
        self.assertTrue(self.prefix.wait_windows("^Slide show$"), "the viewer opened no window")
        for name, corner in (("a.jpg", RED), ("b.jpg", GREEN)):
            shot = self.wait_shot(lambda s: upright(s, corner) > 0.95, timeout=60)
            self.prefix.screenshot(name)
            self.assertGreater(upright(shot, corner), 0.95, name + " is not upright")


def upright(shot, corner):
    """The share of samples that are of the corner's colour in the top-left
    quarter of the screen and blue elsewhere."""
    per_row = SCREEN_W // Shot.STEP
    right = 0
    for i, px in enumerate(shot.samples):
        x, y = (i % per_row) * Shot.STEP, (i // per_row) * Shot.STEP
        if abs(x - SCREEN_W // 2) < 24 or abs(y - SCREEN_H // 2) < 24:
            right += 1  # the edge of the quarter is blurred by the coding
            continue
        want = corner if x < SCREEN_W // 2 and y < SCREEN_H // 2 else BLUE
        right += all(abs(px[k] - want[k]) <= 40 for k in range(3))
    return right / len(shot.samples)


if __name__ == "__main__":
    orlwine.main()

#!/usr/bin/env python3
"""The slide viewer's captions, clock and pan-and-zoom under Wine, judged from
screenshots: a caption changes the pixels of its band only; a slide with
motion changes from one second to the next while a still one does not; the
clock's box shows text and moves on as the (sped-up) minutes pass."""
import os
import re
import struct
import subprocess
import time

import orlwine
from orlwine import write_bmp

VIEWER = orlwine.dist("slideview.exe")
SCREEN_W, SCREEN_H = 1024, 768  # the harness's Xvfb screen


def grab(prefix):
    """The whole screen as rows of RGB bytes."""
    data = subprocess.run(["import", "-display", prefix.display, "-window", "root", "-depth", "8", "rgb:-"],
                          check=True, capture_output=True, timeout=60).stdout
    return [data[y * SCREEN_W * 3:(y + 1) * SCREEN_W * 3] for y in range(SCREEN_H)]


def differing(a, b):
    """The pixels (x, y) where two screenshots differ."""
    points = []
    for y in range(SCREEN_H):
        if a[y] == b[y]:
            continue
        for x in range(SCREEN_W):
            if a[y][x * 3:x * 3 + 3] != b[y][x * 3:x * 3 + 3]:
                points.append((x, y))
    return points


def rect_of(line):
    """(left, top, right, bottom) of a traced "L T WxH"."""
    left, top, size = line.split()[-3:]
    width, height = size.split("x")
    return int(left), int(top), int(left) + int(width), int(top) + int(height)


def inside(point, rect):
    return rect[0] <= point[0] < rect[2] and rect[1] <= point[1] < rect[3]


def sky(x, y):
    """A picture with detail everywhere: bright at the top, dark below, with stripes."""
    return (min(255, 120 + (x // 16 % 2) * 60 + y // 8), max(0, 230 - y // 4), (x * 7 + y * 3) % 256)


def write_jpeg_taken(path, taken):
    """A small JPEG whose EXIF block says when the photo was taken ("YYYY:MM:DD HH:MM:SS")."""
    subprocess.run(["convert", "-size", "64x48", "xc:rgb(90,120,160)", path], check=True)
    value = taken.encode() + b"\0"
    # Little-endian TIFF: IFD0 with one entry (the EXIF IFD's offset), then
    # the EXIF IFD with DateTimeOriginal, then the text.
    ifd0 = struct.pack("<H", 1) + struct.pack("<HHII", 0x8769, 4, 1, 26) + struct.pack("<I", 0)
    exif_ifd = struct.pack("<H", 1) + struct.pack("<HHII", 0x9003, 2, len(value), 44) + struct.pack("<I", 0)
    tiff = b"II*\0" + struct.pack("<I", 8) + ifd0 + exif_ifd + value
    app1 = b"Exif\0\0" + tiff
    with open(path, "rb") as f:
        data = f.read()
    with open(path, "wb") as f:
        f.write(data[:2] + b"\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + data[2:])


class SlideViewLiveTest(orlwine.WineTestCase):
    def setUp(self):
        super().setUp()
        self.folder = os.path.join(self.prefix.root, "slides")
        os.makedirs(self.folder)

    def show(self, name, lines, env=None, wanted="slideview transition "):
        """Starts the viewer on a list and waits until its first slide is fully in."""
        path = os.path.join(self.folder, name)
        with open(path, "w") as f:
            f.write("\r\n".join(lines) + "\r\n")
        def count(trace):
            return sum(1 for t in trace if t.startswith(wanted))

        before = count(self.prefix.trace_lines())
        process = self.prefix.start(VIEWER, orlwine.winpath(path), env=env)
        self.prefix.wait_trace(lambda trace: count(trace) > before, process, name=wanted.strip())
        time.sleep(0.5)  # the last frame reaches the screen
        return process

    def end(self, process):
        self.prefix.run("taskkill", "/f", "/im", "slideview.exe")
        process.wait(60)
        self.prefix.wait_no_windows("^Slide show$", timeout=20)

    def test_caption_changes_only_its_band_and_shows_text(self):
        write_bmp(os.path.join(self.folder, "Summer sky.bmp"), SCREEN_W, SCREEN_H, sky)
        shots = {}
        for mode in ("none", "name"):
            process = self.show(mode + ".slides", ["! transition=0 caption=%s" % mode, '"Summer sky.bmp"'])
            shots[mode] = grab(self.prefix)
            if mode == "name":
                self.prefix.screenshot("caption")
            trace = self.prefix.trace_lines()
            self.end(process)
        self.assertIn("slideview caption Summer sky", trace)
        band = rect_of(next(t for t in trace if t.startswith("slideview caption band ")))
        changed = differing(shots["none"], shots["name"])
        outside = [p for p in changed if not inside(p, band)]
        self.assertEqual(outside[:10], [], "pixels outside the caption's band %s changed" % (band,))
        area = (band[2] - band[0]) * (band[3] - band[1])
        self.assertGreater(len(changed), area * 0.9, "the band is not shaded")
        # White text: the band holds pixels far lighter than the shade alone.
        light = sum(1 for x, y in changed if min(shots["name"][y][x * 3:x * 3 + 3]) > 200)
        self.assertGreater(light, 50, "no text in the caption's band")

    def test_date_caption_in_the_user_format_from_exif_else_the_file_time(self):
        write_jpeg_taken(os.path.join(self.folder, "taken.jpg"), "2019:07:04 18:30:00")
        write_bmp(os.path.join(self.folder, "scan.bmp"), 64, 48, (200, 200, 200))
        june = time.mktime((2003, 6, 15, 12, 0, 0, 0, 0, -1))
        os.utime(os.path.join(self.folder, "scan.bmp"), (june, june))
        process = self.show("dates.slides", ["! transition=0 duration=300 caption=date", "taken.jpg", "scan.bmp"])
        self.prefix.wait_trace(lambda trace: sum(1 for t in trace if t.startswith("slideview caption ") and
                                                 "band" not in t) >= 2, process, name="both captions")
        self.end(process)
        captions = [t for t in self.prefix.trace_lines() if t.startswith("slideview caption ") and "band" not in t]
        # The prefix's user locale is English (United States): month/day/year.
        self.assertEqual(captions[:2], ["slideview caption 7/4/2019", "slideview caption 6/15/2003"])

    def test_motion_moves_the_slide_and_a_still_slide_stays(self):
        write_bmp(os.path.join(self.folder, "wide.bmp"), 1600, 700, sky)
        for motion in ("off", "on"):
            process = self.show(motion + ".slides",
                                ["! transition=0 duration=30000 fit=cover motion=%s" % motion, "wide.bmp"])
            first = grab(self.prefix)
            time.sleep(1)
            second = grab(self.prefix)
            if motion == "on":
                self.prefix.screenshot("motion")
            self.end(process)
            if motion == "on":
                self.assertGreater(len(differing(first, second)), SCREEN_W * SCREEN_H // 4,
                                   "the slide in motion stood still")
            else:
                self.assertEqual(first, second, "a still slide changed")

    def test_moving_slides_keep_moving_through_a_transition(self):
        # A slow wipe from the left: its left edge shows the new slide and its
        # right edge the old one in both screenshots, a second apart.
        write_bmp(os.path.join(self.folder, "wide.bmp"), 1600, 700, sky)
        write_bmp(os.path.join(self.folder, "tall.bmp"), 700, 1600, lambda x, y: sky(y, x))
        def slides(trace):
            return sum(1 for t in trace if t.startswith("slideview slide "))

        before = slides(self.prefix.trace_lines())
        process = self.show("through.slides", ["! duration=1000 fit=cover motion=on", "wide.bmp transition=0",
                                               "tall.bmp style=5 transition=8000"])
        self.prefix.wait_trace(lambda trace: slides(trace) >= before + 2, process, name="the wipe")
        time.sleep(1)
        first = grab(self.prefix)
        time.sleep(1)
        second = grab(self.prefix)
        self.end(process)
        changed = differing(first, second)
        self.assertTrue(any(x < SCREEN_W // 20 for x, _ in changed), "the incoming slide stood still")
        self.assertTrue(any(x >= SCREEN_W * 9 // 10 for x, _ in changed), "the outgoing slide stood still")

    def test_moving_slides_fade_swing_and_squeeze_into_each_other(self):
        # Plain slides in motion fill the screen with their colour wherever
        # they show: halfway through, the fade shows one colour between the
        # two everywhere, and the swing and the squeeze (the coming slide
        # spread straight from its picture) only the two colours, both of them.
        write_bmp(os.path.join(self.folder, "red.bmp"), 800, 600, (200, 40, 40))
        write_bmp(os.path.join(self.folder, "blue.bmp"), 800, 600, (40, 40, 200))
        for style in (118, 119, 13):
            started = "slideview slide blue.bmp style %d" % style
            before = self.prefix.trace_lines().count(started)
            process = self.show("composed%d.slides" % style,
                                ["! duration=2000 fit=cover motion=on", "red.bmp transition=0",
                                 "blue.bmp style=%d transition=6000" % style])
            self.prefix.wait_trace(lambda trace: trace.count(started) > before, process, name="the transition")
            time.sleep(1.5)
            shot = grab(self.prefix)
            self.end(process)
            colours = {shot[y][x * 3:x * 3 + 3] for y in range(0, SCREEN_H, 4) for x in range(0, SCREEN_W, 4)}
            if style == 118:
                self.assertEqual(len(colours), 1, colours)
                red, _, blue = colours.pop()
                self.assertTrue(40 < red < 200 and 40 < blue < 200, (red, blue))
            else:
                self.assertEqual(colours, {bytes((200, 40, 40)), bytes((40, 40, 200))})

    def test_clock_shows_text_and_moves_as_minutes_pass(self):
        write_bmp(os.path.join(self.folder, "night.bmp"), SCREEN_W, SCREEN_H, lambda x, y: (10, 10, 30))
        process = self.show("clock.slides", ["! transition=0 clock=time", "night.bmp"],
                            env={"ORLSCR_TEST_CLOCK_SPEED": "60"})

        def boxes(trace=None):
            trace = self.prefix.trace_lines() if trace is None else trace
            return [rect_of(t) for t in trace if t.startswith("slideview clock box ")]

        def grab_with_box():
            """A screenshot and the clock's box on it: one the clock did not
            leave while the screenshot was taken (it moves every second)."""
            for _ in range(20):
                before = boxes()
                shot = grab(self.prefix)
                if boxes() == before:
                    return shot, before[-1]
            self.fail("the clock moved during every screenshot")

        first, box_then = grab_with_box()
        self.prefix.screenshot("clock")
        # Three minutes of the clock's time pass in three seconds.
        self.prefix.wait_trace(lambda trace: len(boxes(trace)) >= 4, process, name="three more minutes")
        time.sleep(0.5)
        later, box_now = grab_with_box()
        trace = self.prefix.trace_lines()
        self.end(process)
        all_boxes = boxes(trace)
        times = [t for t in trace if re.match(r"slideview clock [^b]", t)]
        self.assertGreaterEqual(len(set(times)), 3, times)
        self.assertNotEqual(box_then, box_now, "the clock did not move")

        def light(shot, box):
            return sum(1 for y in range(box[1], box[3]) for x in range(box[0], box[2])
                       if min(shot[y][x * 3:x * 3 + 3]) > 200)

        self.assertGreater(light(first, box_then), 30, "no text in the clock's box")
        self.assertGreater(light(later, box_now), 30, "no text in the clock's new box")
        # Only the clock's boxes changed; where it was before and is no more, the night is back.
        for x, y in differing(first, later):
            self.assertTrue(any(inside((x, y), b) for b in all_boxes), (x, y))
        gone = [(x, y) for y in range(box_then[1], box_then[3]) for x in range(box_then[0], box_then[2])
                if not inside((x, y), box_now)]
        self.assertTrue(all(later[y][x * 3:x * 3 + 3] == bytes((10, 10, 30)) for x, y in gone[:2000]))


if __name__ == "__main__":
    orlwine.main()

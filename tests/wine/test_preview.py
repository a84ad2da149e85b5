#!/usr/bin/env python3
"""The preview mode under Wine: the package's preview picture drawn into a
152 x 112 child window of a host program standing in for the display settings.

The host (helpers/preview_host.exe) puts a borderless window at the top-left of
the screen with the child at (10, 20), prints the child's handle and hides or
shows it on request. Every test picture has four flat quadrants (red, green /
blue, white), so a few pixels of a screenshot tell where and how large it was
drawn.

Wine does not put on the screen what one process draws into a window of
another, so `player.scr /p <handle>` is checked through its trace (what it drew
and at which size, when it ends), and the screenshots come from the host
running the same preview code on its own child (--draw-here), with the package
appended to a copy of the host.
"""
import os
import struct
import subprocess
import time

import orlwine

PLAYER = orlwine.dist("player.scr")
MKSCR = orlwine.dist("mkscr")
HOST = orlwine.helper("preview_host.exe")

CHILD_X, CHILD_Y = 10, 20          # the child's place on the screen
CHILD_COLOUR = (0x40, 0x80, 0x40)  # what it shows before anything is drawn
# The player draws into (0, 0)-(153, 113) of the child: both edges of the
# window's outer rectangle count.
DRAWN_W, DRAWN_H = 153, 113

RED, GREEN, BLUE, WHITE = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)
QUADRANTS = (RED, GREEN, BLUE, WHITE)  # top-left, top-right, bottom-left, bottom-right


# Test pictures.

def quadrant_colour(x, y, width, height):
    return QUADRANTS[(0 if y < height // 2 else 2) + (0 if x < width // 2 else 1)]


def bmp_file(width, height):
    """A bottom-up 24-bit bitmap file with the four quadrants."""
    return orlwine.bmp_data(width, height, lambda x, y: quadrant_colour(x, y, width, height))


def jpeg_file(workdir, width, height):
    source = os.path.join(workdir, "quadrants.bmp")
    target = os.path.join(workdir, "quadrants.jpg")
    with open(source, "wb") as f:
        f.write(bmp_file(width, height))
    subprocess.run(["convert", source, "-quality", "95", target], check=True, timeout=60)
    with open(target, "rb") as f:
        return f.read()


def ico_file(size):
    """An icon file with one 32-bit image of size x size pixels."""
    xor = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b = quadrant_colour(x, y, size, size)
            xor += bytes((b, g, r, 255))
    mask = b"\0" * (((size + 31) // 32) * 4 * size)
    image = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image += bytes(xor) + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + image


def colorref(rgb):
    r, g, b = rgb
    return r | g << 8 | b << 16


def emf_file(width, height):
    """An enhanced metafile of width x height device pixels with four filled
    rectangles (a null pen, so no borders)."""
    records = []
    handle = 1
    records.append(struct.pack("<IIi", 37, 12, -2147483640))  # EMR_SELECTOBJECT NULL_PEN (0x80000008)
    halves = ((0, width // 2), (width // 2, width)), ((0, height // 2), (height // 2, height))
    for index, colour in enumerate(QUADRANTS):
        (x0, x1) = halves[0][index % 2]
        (y0, y1) = halves[1][index // 2]
        records.append(struct.pack("<IIIIII", 39, 24, handle, 0, colorref(colour), 0))  # CREATEBRUSHINDIRECT
        records.append(struct.pack("<III", 37, 12, handle))                           # SELECTOBJECT
        # RECTANGLE: the right and bottom edges are outside the filled area.
        records.append(struct.pack("<IIiiii", 43, 24, x0, y0, x1 + 1, y1 + 1))
        records.append(struct.pack("<IIi", 37, 12, -2147483648))  # SELECTOBJECT WHITE_BRUSH
        records.append(struct.pack("<III", 40, 12, handle))       # DELETEOBJECT
    records.append(struct.pack("<IIIII", 14, 20, 0, 16, 20))     # EOF
    body = b"".join(records)
    # 10 pixels a millimetre on the reference device; the frame is in 0.01 mm.
    header_size = 88
    total = header_size + len(body)
    header = struct.pack("<II", 1, header_size)
    header += struct.pack("<iiii", 0, 0, width - 1, height - 1)
    header += struct.pack("<iiii", 0, 0, width * 10 - 1, height * 10 - 1)
    header += struct.pack("<IIIIHHIIIii ii".replace(" ", ""), 0x464D4520, 0x10000, total, len(records) + 1,
                          2 + 4, 0, 0, 0, 0, 1000, 1000, 100, 100)
    assert len(header) == header_size
    return header + body


def placeable_wmf_file(width, height):
    """A placeable metafile: bounding box width x height at 96 units an inch,
    four filled rectangles drawn with a null pen."""
    def record(function, *words):
        return struct.pack("<IH", 3 + len(words), function) + struct.pack("<%dh" % len(words), *words)

    def signed(value):
        return value - 0x10000 if value >= 0x8000 else value

    records = [record(0x020B, 0, 0), record(0x020C, height, width)]  # SETWINDOWORG, SETWINDOWEXT (y, x)
    records.append(record(0x02FA, 5, 0, 0, 0, 0))                      # CREATEPENINDIRECT PS_NULL -> object 0
    records.append(record(0x012D, 0))                                  # SELECTOBJECT 0
    halves = ((0, width // 2), (width // 2, width)), ((0, height // 2), (height // 2, height))
    for index, colour in enumerate(QUADRANTS):
        (x0, x1) = halves[0][index % 2]
        (y0, y1) = halves[1][index // 2]
        ref = colorref(colour)
        records.append(record(0x02FC, 0, signed(ref & 0xFFFF), signed(ref >> 16), 0))  # CREATEBRUSHINDIRECT -> 1
        records.append(record(0x012D, 1))
        records.append(record(0x041B, y1 + 1, x1 + 1, y0, x0))  # RECTANGLE bottom, right, top, left
        records.append(record(0x01F0, 1))                       # DELETEOBJECT 1
    records.append(struct.pack("<IH", 3, 0))                    # end of file
    body = b"".join(records)
    words = (18 + len(body)) // 2
    largest = max(len(r) for r in records) // 2
    meta_header = struct.pack("<HHHIHIH", 1, 9, 0x300, words, 2, largest, 0)
    key = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, width, height, 96, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", key):
        checksum ^= word
    return key + struct.pack("<H", checksum) + meta_header + body


# Packages: a copy of the player with a preview stream (and whatever follows it)
# and the 40-byte trailer appended.

def short_string(text):
    return bytes((len(text),)) + text


def picture_data(class_name, data):
    value = short_string(class_name)
    if class_name == b"TIcon":
        return value + data
    if class_name == b"TMetafile":
        return value + struct.pack("<I", len(data) + 4) + data
    return value + struct.pack("<I", len(data)) + data


def image_stream(value, extra_properties=b""):
    props = extra_properties + short_string(b"Picture.Data") + b"\x0a" + struct.pack("<I", len(value)) + value
    return b"TPF0" + short_string(b"TImage") + short_string(b"Image1") + props + b"\0\0"


def record_stream(title):
    props = short_string(b"Title") + b"\x06" + short_string(title)
    return b"TPF0" + short_string(b"TSSFileLocations") + short_string(b"") + props + b"\0\0"


def write_package(path, preview, after=b"", record_title=b"preview test", program=PLAYER):
    """The program, `preview` where field A leads, then `after`, then a record."""
    with open(program, "rb") as f:
        image = f.read()
    record_offset = len(image) + len(preview) + len(after)
    content = preview + after + record_stream(record_title)
    trailer = ("%-20d%-20d" % (len(content), record_offset)).encode()
    with open(path, "wb") as f:
        f.write(image + content + trailer)
    return path


# Screenshots.

def read_pixels(png, width=200, height=160):
    """The top-left corner of a screenshot as rows of (r, g, b)."""
    ppm = subprocess.run(["convert", png, "-crop", "%dx%d+0+0" % (width, height), "-depth", "8", "ppm:-"],
                         check=True, capture_output=True, timeout=60).stdout
    parts = ppm.split(b"\n", 3)  # P6, size, maximum, data
    w, h = map(int, parts[1].split())
    data = parts[3]
    return [[tuple(data[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)] for y in range(h)]


def close(colour, expected, tolerance):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


class PreviewTest(orlwine.WineTestCase):
    def start_host(self, program=HOST, *args):
        """Starts a preview host; returns it and its child's handle."""
        host = self.prefix.start_helper(program, *args)
        line = host.line(timeout=60).split()
        self.assertEqual(line[:1], ["hwnd"], "host did not start")
        return host, line[1]

    def command(self, host, text):
        self.assertEqual(host.command(text), [])

    def package(self, name, preview, after=b""):
        return write_package(os.path.join(self.prefix.root, name), preview, after)

    def wait_for_trace(self, prefix, timeout=30):
        return self.prefix.wait_trace(orlwine.lines_starting(prefix), timeout=timeout, name="line %r" % prefix)

    def wait_for_pixels(self, name, checks, tolerance, timeout=30):
        """Screenshots until every (x, y, colour) of `checks` shows, or the time
        is up; returns the last screenshot's pixels for the assertions."""
        deadline = time.monotonic() + timeout
        while True:
            pixels = read_pixels(self.prefix.screenshot(name))
            if all(close(pixels[y][x], colour, tolerance) for x, y, colour in checks):
                return pixels
            if time.monotonic() > deadline:
                return pixels
            time.sleep(0.2)

    def assert_pixels(self, pixels, checks, tolerance):
        for x, y, colour in checks:
            self.assertTrue(close(pixels[y][x], colour, tolerance),
                            "pixel (%d, %d) is %r, expected %r" % (x, y, pixels[y][x], colour))

    def stretched_checks(self):
        """Quadrant centres and the pixels just inside the drawn area."""
        x0, y0 = CHILD_X, CHILD_Y
        w, h = DRAWN_W, DRAWN_H
        return [
            (x0 + w // 4, y0 + h // 4, RED),
            (x0 + 3 * w // 4, y0 + h // 4, GREEN),
            (x0 + w // 4, y0 + 3 * h // 4, BLUE),
            (x0 + 3 * w // 4, y0 + 3 * h // 4, WHITE),
            (x0 + 2, y0 + 2, RED),
            (x0 + 151 - 2, y0 + 111 - 2, WHITE),
            # Outside the child the host's own colour stays.
            (x0 - 3, y0 + 50, (0x20, 0x20, 0x60)),
        ]

    def draw_here(self, name, preview, checks, tolerance):
        """The host draws the preview into its own child; the screenshot must
        show `checks`. Hiding the child ends the drawing."""
        program = write_package(os.path.join(self.prefix.root, name + "-host.exe"), preview, program=HOST)
        host, hwnd = self.start_host(program, "--draw-here")
        self.wait_for_trace("preview draw")
        pixels = self.wait_for_pixels(name, checks, tolerance)
        self.assert_pixels(pixels, checks, tolerance)
        self.command(host, "hide")
        self.assertEqual(host.line(), "preview ended")

    def pictures(self):
        workdir = self.prefix.root
        return [
            ("jpeg", picture_data(b"TJPEGImage", jpeg_file(workdir, 64, 48))),
            ("bitmap", picture_data(b"TBitmap", bmp_file(40, 30))),
            ("icon", picture_data(b"TIcon", ico_file(32))),
            ("emf", picture_data(b"TMetafile", emf_file(80, 60))),
            ("wmf", picture_data(b"TMetafile", placeable_wmf_file(80, 60))),
        ]

    def test_player_draws_every_picture_class_of_mkscr_packages_until_hidden(self):
        document = os.path.join(self.prefix.root, "show.ppt")
        with open(document, "wb") as f:
            f.write(b"\xd0\xcf\x11\xe0 document")
        host, hwnd = self.start_host()
        files = [("jpeg", "jpg"), ("bitmap", "bmp"), ("icon", "ico"), ("emf", "emf"), ("wmf", "wmf")]
        for (name, value), (_, extension) in zip(self.pictures(), files):
            with self.subTest(picture=name):
                # The file as it would be on disk: the picture data without its class and size.
                class_length = value[0]
                data = value[1 + class_length:] if name == "icon" else value[1 + class_length + 4:]
                picture = os.path.join(self.prefix.root, "preview." + extension)
                with open(picture, "wb") as f:
                    f.write(data)
                package = os.path.join(self.prefix.root, "mkscr-%s.scr" % name)
                subprocess.run([MKSCR, "build", "-o", package, "--player", PLAYER, "--document", document, "--no-hook",
                                "--preview", picture], check=True, capture_output=True, timeout=120)
                player = self.prefix.start(package, "/p", hwnd)
                class_name = value[1:1 + class_length].decode()
                self.assertEqual(self.wait_for_trace("preview draw")[-1],
                                 "preview draw class=%s size=%dx%d" % (class_name, DRAWN_W, DRAWN_H))
                # The preview stays until its window is hidden, then ends by itself.
                self.assertIsNone(player.poll())
                self.command(host, "hide")
                self.assertEqual(player.wait(timeout=60), 0)
                self.assertEqual(self.prefix.trace_lines()[-2:], ["preview hidden", "exit 0"])
                self.command(host, "show")
                os.unlink(self.prefix.trace_path)

    def test_pictures_are_stretched_to_the_preview_window(self):
        tolerance = {"jpeg": 40}
        for name, value in self.pictures():
            if name == "icon":
                continue
            with self.subTest(picture=name):
                # Other image properties before the picture are read past.
                extra = short_string(b"Left") + b"\x02\x08" + short_string(b"Stretch") + b"\x09"
                self.draw_here(name, image_stream(value, extra), self.stretched_checks(), tolerance.get(name, 0))

    def test_icon_is_drawn_at_its_own_size_at_the_top_left(self):
        checks = [
            (CHILD_X + 8, CHILD_Y + 8, RED),
            (CHILD_X + 24, CHILD_Y + 8, GREEN),
            (CHILD_X + 8, CHILD_Y + 24, BLUE),
            (CHILD_X + 24, CHILD_Y + 24, WHITE),
            # Not stretched: the rest of the window is as the host painted it.
            (CHILD_X + 40, CHILD_Y + 8, CHILD_COLOUR),
            (CHILD_X + 100, CHILD_Y + 80, CHILD_COLOUR),
        ]
        self.draw_here("icon", image_stream(picture_data(b"TIcon", ico_file(32))), checks, 0)

    def test_nothing_is_read_before_the_window_is_visible(self):
        package = self.package("hidden.scr", image_stream(picture_data(b"TBitmap", bmp_file(8, 8))))
        host, hwnd = self.start_host(HOST, "--hidden")
        player = self.prefix.start(package, "/p", hwnd)
        self.wait_for_trace("preview hwnd")
        # The player looked at the window, found it hidden and read nothing.
        self.wait_for_trace("preview waits for the window to show")
        self.assertIsNone(player.poll())
        self.assertFalse([line for line in self.prefix.trace_lines() if line.startswith("preview draw")])
        self.command(host, "show")
        self.wait_for_trace("preview draw")
        self.command(host, "hide")
        self.assertEqual(player.wait(timeout=60), 0)

    def test_without_a_picture_the_preview_ends_at_once_and_draws_nothing(self):
        cases = [
            # Field A leads to the presentation document, the first embedded file.
            ("no-preview", b"", b"\xd0\xcf\x11\xe0 presentation document" + b"\0" * 300, "Invalid stream format"),
            # Field A leads to the settings record, which is no image.
            ("record", record_stream(b"no picture here"), b"", "preview no picture stream"),
            # An image stream cut short inside its picture.
            ("short", image_stream(picture_data(b"TBitmap", bmp_file(50, 50)))[:-3000], b"", "Stream read error"),
        ]
        host, hwnd = self.start_host()
        for name, preview, after, reason in cases:
            with self.subTest(case=name):
                package = self.package(name + ".scr", preview, after)
                result = self.prefix.run(package, "/p", hwnd)
                self.assertEqual(result.returncode, 0, result)
                self.assertTrue(any(reason in line for line in result.trace), result)
                self.assertFalse([line for line in result.trace if line.startswith("preview draw")], result)

    def test_an_image_without_picture_draws_nothing_but_waits(self):
        package = self.package("empty.scr", image_stream(b"\0"))
        host, hwnd = self.start_host()
        player = self.prefix.start(package, "/p", hwnd)
        self.wait_for_trace("preview draw")
        self.assertIsNone(player.poll())
        self.command(host, "hide")
        self.assertEqual(player.wait(timeout=60), 0)

    def test_a_handle_that_names_no_window_ends_at_once(self):
        package = self.package("nowindow.scr", image_stream(picture_data(b"TBitmap", bmp_file(8, 8))))
        host, hwnd = self.start_host()
        self.command(host, "quit")
        host.close()
        result = self.prefix.run(package, "/p", hwnd)
        self.assertEqual(result.returncode, 0, result)
        self.assertIn("preview window gone", result.trace)


if __name__ == "__main__":
    orlwine.main()

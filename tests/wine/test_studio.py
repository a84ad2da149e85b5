#!/usr/bin/env python3
"""orlscr-studio.exe under Wine, driven with keys as a person would: a folder
of four colour pictures and one file that is no picture opened from the
command line, the thumbnails read from a screenshot, a build through the Save
As box, a cancelled build, a saved project opened again, the installed saver
named in the registry and run; and the window at 150 % scaling.

The studio writes what it did to the test trace ("studio slide 0 PATH",
"studio thumbnail PATH", "studio built PATH", "studio layout dpi 144 ... clipped
none"), which the cases wait for. Pictures are checked with their thumbnails
on a worker thread, so a slide is listed as "unchecked" at first."""
import json
import os
import subprocess
import time

import orlwine

STUDIO = orlwine.dist("orlscr-studio.exe")
MKSCR = orlwine.dist("mkscr")
TITLE = "orlscr Studio"
# Named so that the natural order (1, 2, 3, 10) differs from the byte order.
PICTURES = [("1 red.bmp", (220, 30, 30)), ("2 green.bmp", (30, 200, 30)), ("10 blue.bmp", (30, 30, 220)),
            ("3 yellow.bmp", (230, 220, 40))]
NATURAL = ["1 red.bmp", "2 green.bmp", "3 yellow.bmp", "10 blue.bmp"]
ENV = {
    "ORLSCR_STUDIO_NO_SETTINGS": "1",  # no settings window after an install
    "ORLSCR_STUDIO_BUILD_DELAY_MS": "100",  # builds slow enough to cancel
}


def read_pixels(png, width, height):
    ppm = subprocess.run(["convert", png, "-crop", "%dx%d+0+0" % (width, height), "-depth", "8", "ppm:-"],
                         check=True, capture_output=True, timeout=60).stdout
    parts = ppm.split(b"\n", 3)
    w, h = map(int, parts[1].split())
    return w, h, parts[3]


def first_pixel_of(pixels, colour, tolerance=12):
    """Where the colour first shows, row by row (None when nowhere)."""
    w, h, data = pixels
    for y in range(0, h, 2):
        row = data[y * w * 3:(y + 1) * w * 3]
        for x in range(0, w, 2):
            if all(abs(row[x * 3 + k] - colour[k]) <= tolerance for k in range(3)):
                return x, y
    return None


class StudioTest(orlwine.WineTestCase):
    @classmethod
    def setUpClass(cls):
        cls.xvfb = orlwine.Xvfb(size="1700x1100x24")

    def setUp(self):
        super().setUp()
        self.pictures = os.path.join(self.prefix.root, "pictures")
        os.makedirs(self.pictures)
        for name, colour in PICTURES:
            orlwine.write_bmp(os.path.join(self.pictures, name), 160, 120, colour)
        with open(os.path.join(self.pictures, "notes.bmp"), "w") as f:
            f.write("a shopping list, not a picture")
        # Short paths to type: C:\out of the prefix.
        self.out = os.path.join(os.path.dirname(os.path.dirname(self.prefix.system32)), "out")
        os.makedirs(self.out)

    def wait_line(self, start, timeout=60, after=0):
        found = self.prefix.wait_trace(lambda lines: [l for l in lines[after:] if l.startswith(start)],
                                       timeout=timeout, name="line %r" % start)
        return found[-1]

    # Keys and text go in as real input (XTEST) to the window that has the
    # focus, so that the modifiers are pressed and let go as on a keyboard
    # (keys sent to a window by XSendEvent leave Wine unsure of Shift and Alt).
    def keys(self, title, *keys):
        wid = self.prefix.wait_windows(title)[0]
        self.prefix.xdotool("windowactivate", "--sync", wid, check=False)
        self.prefix.xdotool("key", "--delay", "50", *keys)

    def type(self, title, text):
        wid = self.prefix.wait_windows(title)[0]
        self.prefix.xdotool("windowactivate", "--sync", wid, check=False)
        self.prefix.xdotool("type", "--delay", "30", text)

    def save_as(self, keys, dialog, path):
        """Opens a Save As box with `keys`, types the path over the proposed
        name in its file name box (which has the focus, the name selected) and
        presses Enter."""
        self.keys(TITLE, keys)
        self.assertTrue(self.prefix.wait_windows(dialog), "no %r box" % dialog)
        self.type(dialog, "C:\\out\\" + os.path.basename(path))
        self.keys(dialog, "Return")
        if not self.prefix.wait_no_windows(dialog):
            self.fail("the %r box stayed: %s" % (dialog, self.prefix.screenshot("stayed")))

    def slide_lines(self, lines):
        return [line.split(" ", 3)[3] for line in lines if line.startswith("studio slide ")]

    def test_a_folder_is_built_cancelled_saved_and_installed(self):
        # A screen saver the user chose before, replaced only when they agree.
        self.prefix.reg_add(r"HKCU\Control Panel\Desktop", "SCRNSAVE.EXE", r"C:\windows\system32\old.scr")
        studio = self.prefix.start(STUDIO, orlwine.winpath(self.pictures), env=ENV)
        self.wait_line("studio slides 5 refused 1")
        lines = self.prefix.trace_lines()
        shown = self.slide_lines(lines)[-5:]  # once every picture is checked
        self.assertEqual([os.path.basename(p.replace("\\", "/")) for p in shown],
                         NATURAL + ["notes.bmp refused: not a picture"])
        self.prefix.wait_trace(lambda ls: len([l for l in ls if l.startswith("studio thumbnail ")]) == 4,
                               process=studio, name="four thumbnails")

        # The thumbnails in natural order, read from the slide list's part of the screen.
        _, _, width, height = self.prefix.window_geometry(self.prefix.wait_windows(TITLE)[0])
        # Screenshots until the window has painted the four thumbnails.
        places = {}
        for attempt in range(20):
            screenshot = self.prefix.screenshot("studio-100")
            pixels = read_pixels(screenshot, width * 45 // 100, height * 2 // 3)
            places = {name: first_pixel_of(pixels, colour) for name, colour in PICTURES}
            if all(places.values()):
                break
            time.sleep(0.5)
        self.assertTrue(all(places.values()), "thumbnails missing from %s: %s" % (screenshot, places))
        rows = sorted(places, key=lambda n: (places[n][1] // 40, places[n][0]))
        self.assertEqual(rows, NATURAL)

        # A title typed through its mnemonic, then Ctrl+B to a typed path.
        self.keys(TITLE, "alt+i")
        self.type(TITLE, "Summer")
        package = os.path.join(self.out, "summer.scr")
        self.save_as("ctrl+b", "Build the screen saver", package)
        self.wait_line("studio built ", timeout=120)
        shown = json.loads(subprocess.run([MKSCR, "inspect", "--json", package], check=True, capture_output=True,
                                          text=True, timeout=60).stdout)
        names = [f["name"] for f in shown["files"]]
        self.assertEqual(names[names.index("show.slides") + 1:][:4], NATURAL)
        self.assertEqual(shown["record"]["Title"], "Summer")
        self.assertTrue(shown["record"]["lExitMouseMove"])
        self.assertFalse(shown["record"]["lExitMouseClick"])
        self.assertIsNotNone(shown["preview"])

        # A cancelled build leaves no file.
        seen = len(self.prefix.trace_lines())
        cancelled = os.path.join(self.out, "cancelled.scr")
        self.save_as("ctrl+b", "Build the screen saver", cancelled)
        self.wait_line("studio build progress", after=seen)
        self.keys(TITLE, "Escape")
        self.wait_line("studio build cancelled", after=seen, timeout=120)
        self.assertEqual(sorted(os.listdir(self.out)), ["summer.scr"])

        # A saved project opens again to the same slides and options.
        project = os.path.join(self.out, "summer.orlproj")
        self.save_as("ctrl+s", "Save the project", project)
        self.wait_line("studio project saved")
        with open(project, encoding="utf-8") as f:
            text = f.read()
        self.assertIn("@title Summer", text)

        # Ctrl+I: the registry names the installed copy, which runs. The
        # saver chosen before stays when the user says No.
        seen = len(self.prefix.trace_lines())
        self.keys(TITLE, "ctrl+i")
        self.assertTrue(self.prefix.wait_windows("Install the screen saver"), "no question")
        self.keys("Install the screen saver", "n")
        self.assertTrue(self.prefix.wait_no_windows("Install the screen saver"))
        query = self.prefix.run("reg", "query", r"HKCU\Control Panel\Desktop", "/v", "SCRNSAVE.EXE")
        self.assertIn(r"C:\windows\system32\old.scr", query.stdout)
        self.keys(TITLE, "ctrl+i")
        self.assertTrue(self.prefix.wait_windows("Install the screen saver"), "no question")
        self.keys("Install the screen saver", "y")
        installed = self.wait_line("studio installed ", after=seen).split(" ", 2)[2]
        query = self.prefix.run("reg", "query", r"HKCU\Control Panel\Desktop", "/v", "SCRNSAVE.EXE")
        value = [l for l in query.stdout.splitlines() if "SCRNSAVE.EXE" in l][0].split("REG_SZ")[1].strip()
        self.assertTrue(value.lower().endswith(".scr"), value)
        # The value may be the short form of the path, which Windows wants there.
        named = self.prefix.run("winepath", "-u", value).stdout.strip()
        copy = self.prefix.run("winepath", "-u", installed).stdout.strip()
        self.assertTrue(os.path.isfile(named), value)
        self.assertTrue(os.path.samefile(named, copy), (value, installed))
        active = self.prefix.run("reg", "query", r"HKCU\Control Panel\Desktop", "/v", "ScreenSaveActive")
        self.assertIn("1", active.stdout.split("ScreenSaveActive")[1])

        # The studio closes, removing the programs it wrote out.
        temp_before = self.prefix.run("cmd", "/c", "dir /b %TEMP%").stdout
        self.assertIn("orlscr-studio-", temp_before)
        self.keys(TITLE, "alt+F4")
        studio.wait(timeout=60)
        self.assertNotIn("orlscr-studio-", self.prefix.run("cmd", "/c", "dir /b %TEMP%").stdout)

        # The project reopens to the same slides; saved again, it is the same file.
        seen = len(self.prefix.trace_lines())
        again = self.prefix.start(STUDIO, orlwine.winpath(project), env=ENV)
        self.wait_line("studio project opened", after=seen)
        self.wait_line("studio slides 5 refused 1", after=seen)
        reopened = self.slide_lines(self.prefix.trace_lines()[seen:])
        self.assertEqual(reopened[-5:], self.slide_lines(lines)[-5:])
        second = os.path.join(self.out, "again.orlproj")
        self.save_as("ctrl+s", "Save the project", second)
        self.wait_line("studio project saved", after=seen)
        with open(second, encoding="utf-8") as f:
            self.assertEqual(f.read(), text)
        self.keys(TITLE, "alt+F4")
        again.wait(timeout=60)

        # The installed copy runs as the saver and shows the first slide.
        seen = len(self.prefix.trace_lines())
        self.prefix.start(installed, "/s")
        self.wait_line("slideview slide 1 red.bmp", after=seen, timeout=120)

    def test_the_window_at_150_percent_has_no_clipped_control_and_previews(self):
        self.prefix.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", 144, type="REG_DWORD")
        self.prefix.start(STUDIO, orlwine.winpath(self.pictures), env=ENV)
        self.wait_line("studio slides 5")
        self.prefix.wait_trace(lambda ls: len([l for l in ls if l.startswith("studio thumbnail ")]) == 4,
                               name="four thumbnails")
        layouts = [l for l in self.prefix.trace_lines() if l.startswith("studio layout ")]
        self.assertTrue(layouts[-1].startswith("studio layout dpi 144 "), layouts[-1])
        self.assertTrue(layouts[-1].endswith(" clipped none"), layouts[-1])
        self.prefix.screenshot("studio-150")

        # F5 plays the show full screen as the saver; moving the mouse ends it.
        seen = len(self.prefix.trace_lines())
        self.keys(TITLE, "F5")
        self.wait_line("slideview slide 1 red.bmp", after=seen, timeout=120)
        preview = self.wait_line("studio preview started ", after=seen).split(" ", 3)[3]
        # The first move the saver's hooks see sets the reference point, a
        # later one ends it (as a user would move again, at most four times).
        for _ in range(4):
            self.prefix.xdotool("mousemove_relative", "--", "-10", "0")
            try:
                self.wait_line("exit asked", after=seen, timeout=5)
                break
            except AssertionError:
                continue
        self.wait_line("studio preview ended", after=seen)
        self.assertFalse(os.path.exists(self.prefix.run("winepath", "-u", preview).stdout.strip()))


if __name__ == "__main__":
    orlwine.main()

#!/usr/bin/env python3
"""mkscr.exe, the builder for Windows users, under Wine: what its Win32 side
does differently from the native builder. Its arguments come from the wide
command line, its paths go to the wide file functions, texts and names are
stored in the system code page (Windows-1252 in the test prefix, Shift-JIS
with a Japanese locale), and a finished package replaces an existing one in
one step."""
import json
import os
import subprocess

import orlwine

MKSCR_EXE = orlwine.dist("mkscr.exe")
# Unix locale of the Wine process, so that the arguments reach it as UTF-8.
UTF8 = {"LC_ALL": "C.UTF-8"}


def japanese():
    """Environment of a Wine process whose system code page is Japanese (932):
    a ja_JP.UTF-8 locale, made once from the system's locale sources."""
    folder = os.path.join(orlwine.WINE_WORK, "locales")
    if not os.path.isdir(os.path.join(folder, "ja_JP.UTF-8")):
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8", os.path.join(folder, "ja_JP.UTF-8")],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    return {"LC_ALL": "ja_JP.UTF-8", "LANG": "ja_JP.UTF-8", "LOCPATH": folder}


class MkscrExeTest(orlwine.WineTestCase):
    def setUp(self):
        super().setUp()
        self.work = os.path.join(self.prefix.root, "mkscr")
        os.makedirs(self.work)
        with open(os.path.join(self.work, "player.scr"), "wb") as f:
            f.write(b"MZ" + b"p" * 500)

    def mkscr(self, *args):
        return self.prefix.run(MKSCR_EXE, *args, env=UTF8, cwd=self.work)

    def test_texts_in_the_code_page_are_stored_and_others_refused(self):
        made = self.mkscr("-o", "a.scr", "--player", "player.scr", "--no-hook", "--title", "D\u00e9mo \u20ac")
        self.assertEqual(made.returncode, 0, made.stderr)
        shown = self.mkscr("inspect", "a.scr", "--json")
        self.assertEqual(shown.returncode, 0, shown.stderr)
        # Printed as UTF-8; the harness reads the output as Latin-1.
        self.assertIn('"Title": "D\u00e9mo \u20ac"'.encode("utf-8").decode("latin-1"), shown.stdout)

        # The same mistake as on Linux, with the same exit status.
        refused = self.mkscr("-o", "b.scr", "--player", "player.scr", "--no-hook", "--title", "snow \u2603")
        self.assertEqual(refused.returncode, 1)
        self.assertEqual(refused.stderr.strip().splitlines(),
                         ["mkscr: the title 'snow \u2603' has characters that the system code page cannot hold"
                          .encode("utf-8").decode("latin-1")])
        self.assertFalse(os.path.exists(os.path.join(self.work, "b.scr")))

    def test_an_existing_package_is_replaced(self):
        first = self.mkscr("-o", "saver.scr", "--player", "player.scr", "--no-hook", "--title", "first")
        self.assertEqual(first.returncode, 0, first.stderr)
        second = self.mkscr("-o", "saver.scr", "--player", "player.scr", "--no-hook", "--title", "second")
        self.assertEqual(second.returncode, 0, second.stderr)
        self.assertEqual(sorted(os.listdir(self.work)), ["player.scr", "saver.scr"])
        shown = self.mkscr("inspect", "saver.scr", "--json")
        self.assertIn('"Title": "second"', shown.stdout)

        folder = self.mkscr("-o", ".", "--player", "player.scr", "--no-hook")
        self.assertEqual(folder.returncode, 1)
        self.assertIn("is a folder", folder.stderr)

    def test_double_byte_names_are_read_and_stored_whole(self):
        env = japanese()
        drive_c = os.path.join(self.prefix.path, "drive_c")
        os.makedirs(os.path.join(drive_c, "d"))
        # The second byte of "\u30bd" in Shift-JIS is the backslash.
        with open(os.path.join(drive_c, "d", "\u30bd\u30d5\u30c8.ppt"), "wb") as f:
            f.write(b"the presentation")
        made = self.prefix.run(MKSCR_EXE, "-o", "j.scr", "--player", "player.scr", "--no-hook",
                               "--document", "C:\\d\\\u30bd\u30d5\u30c8.ppt", env=env, cwd=self.work)
        self.assertEqual(made.returncode, 0, made.stderr)
        with open(os.path.join(self.work, "j.scr"), "rb") as f:
            package = f.read()
        self.assertIn(b"\x83\x5c\x83\x74\x83\x67.ppt", package)
        self.assertIn(b"the presentation", package)
        shown = self.prefix.run(MKSCR_EXE, "inspect", "j.scr", "--json", env=env, cwd=self.work)
        self.assertEqual(shown.returncode, 0, shown.stderr)
        self.assertIn('"name": "\u30bd\u30d5\u30c8.ppt"'.encode("utf-8").decode("latin-1"), shown.stdout)

        # A folder of a double-byte name is walked with the wide functions.
        os.makedirs(os.path.join(drive_c, "\u8868"))
        orlwine.write_bmp(os.path.join(drive_c, "\u8868", "a.bmp"), 4, 3, (200, 40, 40))
        with open(os.path.join(self.work, "slideview.exe"), "wb") as f:
            f.write(b"MZ viewer")
        slides = self.prefix.run(MKSCR_EXE, "slides", "C:\\\u8868", "-o", "s.scr", "--player", "player.scr",
                                 "--no-hook", "--viewer", "slideview.exe", env=env, cwd=self.work)
        self.assertEqual(slides.returncode, 0, slides.stderr)
        self.assertIn("1 slide", slides.stdout)

        # A name that the code page cannot hold is refused, naming it.
        with open(os.path.join(drive_c, "d", "\u00e9t\u00e9.wav"), "wb") as f:
            f.write(b"sound")
        refused = self.prefix.run(MKSCR_EXE, "-o", "r.scr", "--player", "player.scr", "--no-hook",
                                  "--sound", "C:\\d\\\u00e9t\u00e9.wav", env=env, cwd=self.work)
        self.assertEqual(refused.returncode, 1)
        self.assertIn("the file name '\u00e9t\u00e9.wav' has characters that the system code page cannot hold"
                      .encode("utf-8").decode("latin-1"), refused.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.work, "r.scr")))

    def test_pictures_the_viewer_does_not_show_are_converted_through_the_imaging_component(self):
        # TIFF is read by every Windows (and by Wine); HEIC only with an
        # extension of the system, which the test prefix does not have.
        pictures = os.path.join(self.prefix.path, "drive_c", "pictures")
        os.makedirs(pictures)
        subprocess.run(["convert", "-size", "64x48", "xc:rgb(30,40,210)", "-fill", "rgb(200,30,30)",
                        "-draw", "rectangle 0,0 31,23", "-compress", "none", "TIFF:" + os.path.join(pictures, "a.tif")],
                       check=True)
        with open(os.path.join(pictures, "b.heic"), "wb") as f:
            f.write(b"\0\0\0\x18ftypheic\0\0\0\0mif1heic" + b"\0" * 64)
        # An animated WebP is composed from its container, each frame read as a
        # still WebP, which Wine's imaging component does not read either.
        frames = [os.path.join(self.work, name) for name in ("f1.png", "f2.png")]
        for frame, colour in zip(frames, ("red", "blue")):
            subprocess.run(["convert", "-size", "8x6", "xc:" + colour, frame], check=True)
        subprocess.run(["img2webp", "-d", "50", frames[0], "-d", "70", frames[1], "-o",
                        os.path.join(pictures, "c.webp")], check=True, capture_output=True)
        with open(os.path.join(self.work, "slideview.exe"), "wb") as f:
            f.write(b"MZ viewer")
        made = self.mkscr("slides", "C:\\pictures", "-o", "t.scr", "--player", "player.scr", "--no-hook",
                          "--viewer", "slideview.exe")
        self.assertEqual(made.returncode, 0, made.stderr)
        self.assertIn("a.tif as a.png (converted TIFF to PNG)", made.stdout)
        self.assertIn("b.heic: a HEIC picture, which this Windows cannot open: install the HEIF Image Extensions",
                      made.stdout)
        self.assertIn("c.webp: a WebP picture, which this Windows cannot open: install the Webp Image Extensions",
                      made.stdout)
        shown = self.mkscr("inspect", "t.scr", "--json")
        files = {f["name"]: f for f in json.loads(shown.stdout)["files"]}
        self.assertIn("a.png", files)
        with open(os.path.join(self.work, "t.scr"), "rb") as f:
            f.seek(files["a.png"]["offset"])
            stored = f.read(files["a.png"]["size"])
        corners = subprocess.run(["convert", "png:-", "-format", "%[pixel:p{4,4}] %[pixel:p{60,44}]", "info:"],
                                 input=stored, capture_output=True, check=True).stdout.decode()
        self.assertEqual(corners, "srgb(200,30,30) srgb(30,40,210)")


if __name__ == "__main__":
    orlwine.main()

#!/usr/bin/env python3
"""mkscr slides on presentations: a .pptx and an .odp written here (each
converted once by LibreOffice), a PDF, and bad input (damaged, empty,
protected files, a converter that fails or hangs, played by a stand-in
soffice on the PATH).

Usage: presentation_test.py PATH-TO-MKSCR [unittest arguments]"""
import json
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import presentation_files  # noqa: E402

MKSCR = None
RED, GREEN, BLUE, YELLOW = "FF0000", "00FF00", "0000FF", "FFFF00"


def png_size_and_centre(data):
    """Width, height and the centre pixel (r, g, b) of an 8-bit RGB or RGBA PNG."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    assert depth == 8 and colour in (2, 6) and interlace == 0, header
    bpp = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * bpp
    previous = bytearray(stride)
    for y in range(height // 2 + 1):
        kind, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = row[i - bpp] if i >= bpp else 0
            b = previous[i]
            c = previous[i - bpp] if i >= bpp else 0
            if kind == 1:
                row[i] = (row[i] + a) & 255
            elif kind == 2:
                row[i] = (row[i] + b) & 255
            elif kind == 3:
                row[i] = (row[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        previous = row
    x = width // 2 * bpp
    return width, height, tuple(previous[x:x + 3])


def running(pid):
    """Whether the process runs (a zombie waiting for its parent does not)."""
    try:
        with open("/proc/%s/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def near(rgb, colour):
    return all(abs(v - int(colour[k:k + 2], 16)) <= 8 for v, k in zip(rgb, (0, 2, 4)))


class PresentationCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="mkscr_presentation_")
        self.addCleanup(shutil.rmtree, self.dir)
        self.bin = self.path("bin")
        os.makedirs(self.bin)
        for name, data in (("player.scr", b"MZ" + b"p" * 100), ("orlscrhook.dll", b"hook"),
                           ("slideview.exe", b"MZviewer")):
            with open(os.path.join(self.bin, name), "wb") as f:
                f.write(data)
        # The work folders of mkscr go here, to be found if left behind.
        self.tmp = self.path("tmp")
        os.makedirs(self.tmp)
        self.env = dict(os.environ, TMPDIR=self.tmp)

    def path(self, name):
        return os.path.join(self.dir, name)

    def mkscr(self, *args):
        return subprocess.run([MKSCR, "slides", "--player", os.path.join(self.bin, "player.scr"),
                               "--hook", os.path.join(self.bin, "orlscrhook.dll"),
                               "--viewer", os.path.join(self.bin, "slideview.exe")] + list(args),
                              cwd=self.dir, env=self.env, capture_output=True, text=True, timeout=300)

    def package(self, name):
        """The slide list's lines (without comments and the show line) and the
        stored files by name."""
        info = subprocess.run([MKSCR, "inspect", "--json", self.path(name)], capture_output=True, text=True,
                              check=True)
        with open(self.path(name), "rb") as f:
            data = f.read()
        files = {e["name"]: data[e["offset"]:e["offset"] + e["size"]] for e in json.loads(info.stdout)["files"]}
        lines = [line for line in files["show.slides"].decode().splitlines()
                 if line and line[0] not in "#!"]
        return lines, files

    def assertSlides(self, files, names, colours, size):
        for name, colour in zip(names, colours):
            width, height, centre = png_size_and_centre(files[name])
            self.assertEqual((width, height), size, name)
            self.assertTrue(near(centre, colour), "%s is %s, not %s" % (name, centre, colour))

    def assertNothingLeft(self):
        self.assertEqual(os.listdir(self.tmp), [], "left in the temporary folder")


class ConversionCase(PresentationCase):
    def setUp(self):
        super().setUp()
        if not shutil.which("soffice"):
            if os.environ.get("ORLSCR_SKIP_SETUP") == "1":
                self.skipTest("LibreOffice (soffice) is not installed and scripts/setup was told not to install "
                              "packages (ORLSCR_SKIP_SETUP=1)")
            self.fail("LibreOffice (soffice) is not installed: run scripts/setup")


class PptxAndOdpTest(ConversionCase):
    def test_slides_keep_their_order_colours_timings_and_transitions(self):
        presentation_files.write_pptx(self.path("talk.pptx"), [
            (RED, False, 3000, "<p:fade/>"),
            (GREEN, True, 9000, "<p:circle/>"),
            (BLUE, False, None, '<p:push dir="u"/>'),
            (YELLOW, False, 7000, None),
        ])
        presentation_files.write_odp(self.path("notes.odp"), [
            (BLUE, False, "PT4S", {"smil:type": "barWipe", "smil:subtype": "leftToRight",
                                   "presentation:transition-speed": "slow"}),
            (GREEN, True, None, None),
            (RED, False, "PT00H00M02.5S", {"smil:type": "dissolve"}),
        ])
        result = self.mkscr("talk.pptx", "notes.odp", "-o", "Talk.scr")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("stored talk.pptx: 3 slides (1 hidden slide left out", result.stdout)
        self.assertIn("stored notes.odp: 2 slides (1 hidden slide left out", result.stdout)
        lines, files = self.package("Talk.scr")
        self.assertEqual(lines, [
            "talk-001.png duration=3000 style=118 transition=500",
            "talk-002.png style=20 transition=500",
            "talk-003.png duration=7000",
            "notes-001.png duration=4000 style=5 transition=2000",
            "notes-002.png duration=2500 style=127 transition=1000",
        ])
        self.assertSlides(files, ["talk-001.png", "talk-002.png", "talk-003.png"], [RED, BLUE, YELLOW], (1920, 1080))
        self.assertSlides(files, ["notes-001.png", "notes-002.png"], [BLUE, RED], (1920, 1080))
        self.assertNothingLeft()


class IgnoreTimingsTest(ConversionCase):
    def test_the_show_options_replace_the_presentations_own_at_the_size_asked(self):
        presentation_files.write_odp(self.path("notes.odp"), [
            (RED, False, "PT4S", {"smil:type": "fade", "smil:subtype": "crossfade"}),
            (GREEN, True, None, None),
            (BLUE, False, "PT9S", {"smil:type": "pushWipe", "smil:subtype": "fromTop"}),
        ])
        result = self.mkscr("notes.odp", "--ignore-timings", "--duration", "6000", "--size", "1280x720",
                            "-o", "Notes.scr")
        self.assertEqual(result.returncode, 0, result.stderr)
        lines, files = self.package("Notes.scr")
        self.assertEqual(lines, ["notes-001.png duration=6000", "notes-002.png duration=6000"])
        self.assertSlides(files, ["notes-001.png", "notes-002.png"], [RED, BLUE], (1280, 720))


class PdfTest(PresentationCase):
    def test_pages_of_a_pdf_in_a_folder_become_slides_fitted_to_the_size(self):
        os.makedirs(self.path("show"))
        # A 4:3 page in a 16:9 box is as high as the box.
        presentation_files.write_pdf(self.path("show/deck.pdf"), [GREEN, RED, BLUE], width=800, height=600)
        result = self.mkscr("show", "--size", "1600x900", "-o", "Deck.scr")
        self.assertEqual(result.returncode, 0, result.stderr)
        lines, files = self.package("Deck.scr")
        self.assertEqual(lines, ["deck-001.png", "deck-002.png", "deck-003.png"])
        self.assertSlides(files, lines, [GREEN, RED, BLUE], (1200, 900))
        self.assertNothingLeft()


class BadInputTest(PresentationCase):
    """No real conversion: the converter is a stand-in on the PATH."""

    def stand_in(self, script):
        folder = self.path("standin")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "soffice"), "w") as f:
            f.write("#!/bin/sh\n" + script)
        os.chmod(os.path.join(folder, "soffice"), 0o755)
        self.env["PATH"] = folder + os.pathsep + self.env.get("PATH", "")

    def assertRefused(self, result, message, output="Out.scr"):
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertIn(message, result.stderr)
        self.assertFalse(os.path.exists(self.path(output)))
        self.assertNothingLeft()

    def test_damaged_empty_and_protected_files_are_refused_by_name(self):
        with open(self.path("damaged.pptx"), "wb") as f:
            f.write(b"PK\x03\x04" + b"\x00" * 200)
        open(self.path("empty.odp"), "wb").close()
        with open(self.path("secret.pptx"), "wb") as f:
            f.write(b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\x00" * 600)
        presentation_files.write_odp(self.path("locked.odp"), [(RED, False, None, None)], encrypted=True)
        presentation_files.write_odp(self.path("hidden.odp"), [(RED, True, None, None)])
        with open(self.path("bad.pdf"), "wb") as f:
            f.write(b"%PDF-1.4\nthis is no PDF\n")
        self.stand_in("echo should not run >&2; exit 1\n")
        self.assertRefused(self.mkscr("damaged.pptx", "-o", "Out.scr"), "'damaged.pptx' is damaged: not a zip file")
        self.assertRefused(self.mkscr("empty.odp", "-o", "Out.scr"), "'empty.odp' is empty")
        self.assertRefused(self.mkscr("secret.pptx", "-o", "Out.scr"), "'secret.pptx' is protected by a password")
        self.assertRefused(self.mkscr("hidden.odp", "-o", "Out.scr"), "'hidden.odp' has no slides to show")
        self.assertRefused(self.mkscr("locked.odp", "-o", "Out.scr"), "'locked.odp' is protected by a password")
        self.assertRefused(self.mkscr("bad.pdf", "-o", "Out.scr"), "'bad.pdf' is damaged")

    def test_a_presentation_of_a_folder_that_fails_is_refused_and_the_rest_stored(self):
        os.makedirs(self.path("show"))
        presentation_files.write_pdf(self.path("show/a.pdf"), [BLUE])
        with open(self.path("show/b.pptx"), "wb") as f:
            f.write(b"not a zip file at all")
        result = self.mkscr("show", "-o", "Out.scr")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("refused show/b.pptx: 'show/b.pptx' is damaged: not a zip file", result.stdout)
        lines, _ = self.package("Out.scr")
        self.assertEqual(lines, ["a-001.png"])
        self.assertNothingLeft()

    def test_a_failing_converter_is_reported_with_what_it_said(self):
        presentation_files.write_pptx(self.path("talk.pptx"), [(RED, False, None, None)])
        self.stand_in("echo 'Error: source file could not be loaded' >&2; exit 0\n")
        self.assertRefused(self.mkscr("talk.pptx", "-o", "Out.scr"),
                           "'talk.pptx' cannot be converted: LibreOffice made nothing of it (it may be damaged; it "
                           "said: Error: source file could not be loaded)")

    def test_a_converter_that_hangs_is_stopped_with_what_it_started(self):
        presentation_files.write_pptx(self.path("talk.pptx"), [(RED, False, None, None)])
        pids = self.path("pids")
        self.stand_in("sleep 300 &\necho $! >> '%s'\necho $$ >> '%s'\nwait\n" % (pids, pids))
        started = time.monotonic()
        result = self.mkscr("talk.pptx", "--time-limit", "2", "-o", "Out.scr")
        self.assertLess(time.monotonic() - started, 60)
        self.assertRefused(result, "'talk.pptx' cannot be converted: LibreOffice did not finish within 2 s and was "
                                   "stopped (--time-limit gives it longer)")
        with open(pids) as f:
            for pid in f.read().split():
                self.assertFalse(running(pid), "process %s still runs" % pid)

    def test_ctrl_c_during_a_conversion_ends_the_converter_and_leaves_nothing(self):
        presentation_files.write_pptx(self.path("talk.pptx"), [(RED, False, None, None)])
        pids = self.path("pids")
        self.stand_in("sleep 300 &\necho $! >> '%s'\necho $$ >> '%s'\nwait\n" % (pids, pids))
        process = subprocess.Popen([MKSCR, "slides", "talk.pptx", "-o", "Out.scr", "--player",
                                    os.path.join(self.bin, "player.scr"), "--no-hook"],
                                   cwd=self.dir, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   text=True)
        deadline = time.monotonic() + 60
        while not (os.path.exists(pids) and len(open(pids).read().split()) == 2) and time.monotonic() < deadline:
            time.sleep(0.05)
        process.send_signal(signal.SIGINT)
        _, err = process.communicate(timeout=60)
        self.assertEqual(process.returncode, -signal.SIGINT, err)
        self.assertIn("mkscr: interrupted", err)
        with open(pids) as f:
            for pid in f.read().split():
                self.assertFalse(running(pid), "process %s still runs" % pid)
        self.assertFalse(os.path.exists(self.path("Out.scr")))
        self.assertNothingLeft()


if __name__ == "__main__":
    MKSCR = os.path.abspath(sys.argv.pop(1))
    unittest.main()

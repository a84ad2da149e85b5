#!/usr/bin/env python3
"""Presentations under Wine: a package of slides rendered from a
presentation's PDF runs as a screen saver and shows its first slide; and
mkscr.exe on a machine without LibreOffice or poppler's renderer says what to
install."""
import os
import shutil
import subprocess
import sys

import orlwine
import saver_case

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import presentation_files  # noqa: E402

MKSCR_EXE = orlwine.dist("mkscr.exe")
# Starts a second process of itself and then waits for ever: a converter that hangs.
STUBBORN = orlwine.helper("stubborn_viewer.exe")
SCREEN_W, SCREEN_H = 1024, 768
RED, BLUE = (200, 30, 30), (30, 40, 210)


def screen_share(prefix, rgb, tolerance=24):
    """The share of the screen (sampled every 8 pixels) near the colour."""
    data = subprocess.run(["import", "-display", prefix.display, "-window", "root", "-depth", "8", "rgb:-"],
                          check=True, capture_output=True, timeout=60).stdout
    samples = [data[(y * SCREEN_W + x) * 3:(y * SCREEN_W + x) * 3 + 3]
               for y in range(0, SCREEN_H, 8) for x in range(0, SCREEN_W, 8)]
    return sum(1 for px in samples if all(abs(px[k] - rgb[k]) <= tolerance for k in range(3))) / len(samples)


class PresentationSaverTest(saver_case.SaverCase):
    def test_a_presentation_package_shows_its_first_slide(self):
        pdf = os.path.join(self.work, "talk.pdf")
        # 4:3 pages fill the harness's 1024 x 768 screen.
        presentation_files.write_pdf(pdf, ["%02X%02X%02X" % RED, "%02X%02X%02X" % BLUE], width=800, height=600)
        package = os.path.join(self.work, "talk.scr")
        made = subprocess.run([saver_case.MKSCR, "slides", pdf, "-o", package, "--duration", "60000", "--style",
                               "0", "--exit", "move"], capture_output=True, text=True, timeout=300)
        self.assertEqual(made.returncode, 0, made.stderr)
        self.start(package)
        self.assertTrue(orlwine.wait_for(lambda: screen_share(self.prefix, RED) > 0.9, 30),
                        "the first slide is not on the screen")
        self.end_run()


class MkscrExeTest(orlwine.WineTestCase):
    def setUp(self):
        super().setUp()
        self.work = os.path.join(self.prefix.root, "present")
        os.makedirs(self.work)
        with open(os.path.join(self.work, "player.scr"), "wb") as f:
            f.write(b"MZ" + b"p" * 500)

    def mkscr(self, *args):
        return self.prefix.run(MKSCR_EXE, "slides", *args, "--player", "player.scr", "--no-hook", "--viewer",
                               "player.scr", cwd=self.work)

    def test_the_message_names_what_to_install(self):
        presentation_files.write_pptx(os.path.join(self.work, "talk.pptx"), [("FF0000", False, None, None)])
        presentation_files.write_pdf(os.path.join(self.work, "talk.pdf"), ["FF0000"])
        no_converter = self.mkscr("talk.pptx", "-o", "a.scr")
        self.assertEqual(no_converter.returncode, 1, no_converter.stdout)
        self.assertIn("mkscr: 'talk.pptx' cannot be converted: LibreOffice is not installed", no_converter.stderr)
        self.assertIn("install LibreOffice from libreoffice.org", no_converter.stderr)
        no_renderer = self.mkscr("talk.pdf", "-o", "a.scr")
        self.assertEqual(no_renderer.returncode, 1, no_renderer.stdout)
        self.assertIn("mkscr: 'talk.pdf' cannot be rendered: pdftoppm.exe and pdfinfo.exe are missing; install "
                      "poppler for Windows", no_renderer.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.work, "a.scr")))

    def test_a_converter_found_in_app_paths_that_hangs_is_stopped_with_its_child(self):
        converter = os.path.join(self.work, "LibreOffice", "soffice.exe")
        os.makedirs(os.path.dirname(converter))
        shutil.copy(STUBBORN, converter)
        self.prefix.serve()
        subprocess.run([*orlwine.WINE, "reg", "add",
                        r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\soffice.exe", "/ve", "/d",
                        orlwine.winpath(converter), "/f"],
                       env=self.prefix.env, check=True, timeout=120, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        presentation_files.write_pptx(os.path.join(self.work, "talk.pptx"), [("FF0000", False, None, None)])
        hung = self.mkscr("talk.pptx", "--time-limit", "3", "-o", "a.scr")
        self.assertEqual(hung.returncode, 1, hung.stdout)
        self.assertIn("mkscr: 'talk.pptx' cannot be converted: LibreOffice did not finish within 3 s and was "
                      "stopped", hung.stderr)
        self.assertTrue(orlwine.wait_for(lambda: not self.prefix.processes("soffice.exe"), 20),
                        "the converter or its child still runs")
        self.assertFalse(os.path.exists(os.path.join(self.work, "a.scr")))


if __name__ == "__main__":
    orlwine.main()

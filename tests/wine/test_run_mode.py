#!/usr/bin/env python3
"""The run mode end to end under Wine: packages made by mkscr from generated
slides run as a screen saver ("/s") with the slide viewer full screen, and end
on the input their settings ask for, after the password check."""
import os
import subprocess

import orlwine
import saver_case
from orlwine import write_wav


class RunModeTest(saver_case.SaverCase):
    def setUp(self):
        super().setUp()
        self.tone = os.path.join(self.work, "tone.wav")
        # Long enough that it is not restarted many times a second: under Wine,
        # stopping a wave track at the moment it completes now and then never
        # returns, and the saver's thread with it.
        write_wav(self.tone, seconds=3)

    def test_mouse_move_of_more_than_three_pixels_ends_the_run(self):
        self.start(self.package("--exit", "move", "--sound", self.tone))
        self.assertIn("tone.wav", self.temp_files())
        # The cursor is hidden in the bottom-right corner; the user's moves
        # start from there. Moves of 3 pixels never end the run.
        self.move_by(-3, -3)
        self.still_running()
        self.move_by(3, 3)
        self.still_running()
        self.prefix.screenshot("running")
        self.move_by(-10, 0)
        self.assertEqual(self.ended(), 0)

        trace = self.prefix.trace_lines()
        self.assertTrue(any(t.startswith("viewer started ") and t.endswith('\\show.slides" ') for t in trace), trace)
        for line in ("viewer ended", "screen saver running off", "closed", "exit 0"):
            self.assertIn(line, trace)
        # The cursor was hidden for the run and is visible again after it.
        cursor = [t for t in trace if t.startswith("cursor ")]
        self.assertEqual((cursor[0], cursor[-1]), ("cursor hide -1", "cursor show 0"))
        # No viewer remains; the sound track is gone, the rest stays.
        orlwine.wait_for(lambda: not self.viewer_processes(), timeout=10)
        self.assertEqual(self.viewer_processes(), [])
        files = self.temp_files()
        self.assertNotIn("tone.wav", files)
        self.assertTrue({"show.slides", "PPTVIEW.EXE", "1.bmp", "2.bmp"} <= files, files)
        self.assertTrue(os.path.exists(os.path.join(self.prefix.system32, "orlscrhook.dll")))

    def test_second_key_release_ends_a_key_press_run(self):
        self.start(self.package("--exit", "key", "--show-cursor"))
        self.key()
        self.still_running()
        self.key()
        self.assertEqual(self.ended(), 0)
        inputs = [t for t in self.prefix.trace_lines() if t.startswith("input ")]
        self.assertEqual([t.split()[1] for t in inputs], ["256", "257", "256", "257"])

    def test_second_start_ends_at_once(self):
        package = self.package("--exit", "move")
        self.start(package)
        second = self.prefix.run(package, "/s", timeout=60)
        self.assertEqual(second.returncode, 0)
        self.assertTrue(any(t.startswith("semaphore exists") for t in second.trace), second.trace)
        self.assertIsNone(self.process.poll())
        self.end_run()

    def test_other_package_shows_its_box_and_ends_on_input(self):
        # Not a presentation package: no viewer and no music, but the exit
        # rules still end the run. The pointer stays over the saver's own box,
        # where the input hooks see it.
        self.start(self.package("--ver", "slides", "--exit", "move", "--show-cursor"), wait_running=False)
        self.wait_trace("running")
        query = self.prefix.run("reg", "query", r"HKCU\Control Panel\Colors", "/v", "ButtonFace").stdout
        face = [line.split("REG_SZ")[1].split() for line in query.splitlines() if "ButtonFace" in line][0]

        def centre_pixel():
            return subprocess.run(["import", "-display", self.prefix.display, "-window", "root", "-crop",
                                   "1x1+512+384", "-depth", "8", "rgb:-"],
                                  check=True, capture_output=True, timeout=60).stdout

        # The box is painted some time after the run is on.
        orlwine.wait_for(lambda: tuple(centre_pixel()) == tuple(int(v) for v in face), timeout=10)
        shot = centre_pixel()
        self.assertEqual(tuple(shot), tuple(int(v) for v in face))
        self.end_run()
        self.assertFalse(any(t.startswith("viewer") for t in self.prefix.trace_lines()))

    def long_temp_folder(self, length):
        """Makes a folder whose Windows path, with the trailing backslash that
        GetTempPathA adds, has `length` characters, and makes it the user's
        TMP. Returns its Windows path with that backslash."""
        path = "C:"
        while length - len(path) - 2 > 0:
            path += "\\" + "t" * min(50, length - len(path) - 2)
        self.assertEqual(len(path) + 1, length)
        os.makedirs(os.path.join(self.prefix.path, "drive_c", *path.split("\\")[1:]))
        self.prefix.reg_add(r"HKCU\Environment", "TMP", path)
        return path + "\\"

    def start_in_empty_folder(self, package):
        """Starts the package with an empty current folder; returns that folder."""
        folder = os.path.join(self.work, "current")
        os.makedirs(folder)
        self.start(package, wait_running=False, cwd=folder)
        return folder

    def test_temporary_folder_longer_than_255_characters_is_found_whole(self):
        # Such a folder once made the player's temporary folder empty, and the
        # files went to the current folder.
        # Together with a file name it is beyond the path limit, so the files
        # cannot be created and the viewer cannot start (the run goes on
        # without them); what counts is where the player looked for them.
        temp = self.long_temp_folder(256)
        current = self.start_in_empty_folder(self.package("--exit", "move", "--show-cursor"))
        self.wait_trace("running")
        trace = self.prefix.trace_lines()
        viewer = [t for t in trace if t.startswith("viewer ")]
        self.assertTrue(viewer and " %sPPTVIEW.EXE " % temp in viewer[0], trace)
        self.assertEqual(os.listdir(current), [])
        # The pointer rests on the saver's own box, where the hooks see it.
        self.end_run()

    def test_without_temporary_folder_the_run_reports_it_and_writes_nothing(self):
        # Beyond the path limit the system has no temporary folder to give:
        # the start-up ends with the standard error box, and nothing lands in
        # the current folder instead.
        self.long_temp_folder(300)
        current = self.start_in_empty_folder(self.package("--exit", "move"))
        self.prefix.dismiss("^saver$", lambda: self.process.poll() is not None)
        self.assertEqual(self.ended(), 0)
        trace = self.prefix.trace_lines()
        boxes = [t for t in trace if t.startswith("error box ")]
        self.assertTrue(boxes and boxes[0].startswith("error box Cannot find the temporary folder: "), trace)
        self.assertEqual(os.listdir(current), [])
        self.assertFalse(any(t.startswith("viewer") for t in trace), trace)

    def password_run(self, answer, library="password_standin.dll"):
        self.prefix.reg_add(r"HKCU\Control Panel\Desktop", "ScreenSaveUsePassword", 1, type="REG_DWORD")
        self.prefix.install_dll(orlwine.helper(library), "PASSWORD.CPL")
        self.start(self.package("--exit", "move"), env={"ORLSCR_PASSWORD_ANSWER": answer})
        self.ask_end(-10, -10)

    def test_refused_password_keeps_the_saver_running(self):
        self.password_run("0")
        self.wait_trace("password asked 0")
        # The platform's side says it once for the check, the saver once for
        # the run that goes on.
        self.wait_trace(lambda lines: lines.count("password refused") >= 2, name="the refusal")
        self.assertIsNone(self.process.poll(), "the run ended: %r" % self.prefix.trace_lines())
        self.assertNotIn("closed", self.prefix.trace_lines())
        self.assertTrue(self.prefix.find_windows("^Slide show$"))

    def test_accepted_password_ends_the_run(self):
        self.password_run("1")
        self.assertEqual(self.ended(), 0)
        self.assertIn("password asked 1", self.prefix.trace_lines())

    def test_password_library_without_its_entry_lets_the_run_end(self):
        # A library that cannot check a password cannot keep the user out.
        self.password_run("0", library="mpr_noentry.dll")
        self.assertEqual(self.ended(), 0)
        self.assertIn("password entry missing", self.prefix.trace_lines())

    def test_package_without_hook_library_reports_it_and_ends(self):
        self.start(self.package("--no-hook"), wait_running=False)
        self.assertTrue(self.prefix.wait_windows("^Error$", 40), "no message box: %r" % self.prefix.trace_lines())
        self.prefix.screenshot("could-not-load")
        self.assertIn("hook library missing", self.prefix.trace_lines())
        self.prefix.dismiss("^Error$", lambda: "error box Install Hook Error!" in self.prefix.trace_lines())
        # Then the start-up error itself in the standard error box, captioned
        # with the program's name; once it is dismissed the run ends.
        self.prefix.dismiss("^saver$", lambda: self.process.poll() is not None)
        self.assertEqual(self.ended() & 0xFF, 0xFF)  # exit code -1
        trace = self.prefix.trace_lines()
        self.assertIn("exit -1", trace)
        self.assertFalse(any(t.startswith("viewer started") for t in trace), trace)
        self.assertNotIn("screen saver running on", trace)
        self.assertEqual(self.viewer_processes(), [])


if __name__ == "__main__":
    orlwine.main()

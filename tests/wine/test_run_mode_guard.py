#!/usr/bin/env python3
"""The run mode under Wine where the saver itself fails: a run without a
viewer must still end on its input, a saver that crashes must leave nothing on
the screen, a saver whose main thread hangs is ended by input all the same,
and the viewer leaves a saver that stopped answering."""
import glob
import os
import subprocess
import time
import unittest

import orlwine
import test_run_mode


class RunModeGuardTest(test_run_mode.RunModeTest):
    def prefix_processes(self, word):
        """Live processes of this prefix whose command line holds `word`."""
        found = []
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    cmdline = f.read()
                with open("/proc/%s/environ" % pid, "rb") as f:
                    environ = f.read()
                with open("/proc/%s/stat" % pid) as f:
                    zombie = f.read().rsplit(")", 1)[1].split()[0] == "Z"
            except OSError:
                continue
            if (not zombie and word.lower().encode() in cmdline.lower()
                    and ("WINEPREFIX=" + self.prefix.path).encode() in environ):
                found.append(int(pid))
        return found

    def assert_nothing_left(self):
        """No viewer, no window of the run and no crash dialog remain."""
        self.assertTrue(orlwine.wait_for(lambda: not self.prefix_processes("PPTVIEW.EXE"), timeout=10),
                        "viewer still there")
        self.assertTrue(self.prefix.wait_no_windows("^Slide show$", 10))
        self.assertTrue(self.prefix.wait_no_windows("^frmScrn$", 10))
        self.assertEqual(self.prefix.find_windows("Program Error"), [])
        self.assertEqual(self.prefix_processes("winedbg"), [])

    def raw_move(self, dx, dy):
        self.prefix.xdotool("mousemove_relative", "--", str(dx), str(dy))
        time.sleep(0.4)

    def mkscr(self, name, *options):
        out = os.path.join(self.work, name)
        subprocess.run([test_run_mode.MKSCR, "-o", out, *options], check=True, capture_output=True, timeout=120)
        return out

    def test_runs_without_a_viewer_end_on_the_input_they_name(self):
        slides_without_viewer = self.package("--exit", "key", name="noviewer.scr")
        cases = [
            ("bare", self.mkscr("bare.scr", "--exit", "move"), "move"),
            ("other", self.mkscr("other.scr", "--ver", "other", "--exit", "key"), "key"),
            ("viewer missing", slides_without_viewer, "key"),
        ]
        # Something of the viewer's name in the temporary folder: it cannot be
        # written, so it cannot start.
        temps = glob.glob(os.path.join(self.prefix.path, "drive_c", "users", "*", "AppData", "Local", "Temp")) + \
            glob.glob(os.path.join(self.prefix.path, "drive_c", "users", "*", "Temp"))
        self.assertTrue(temps)
        for temp in temps:
            os.makedirs(os.path.join(temp, "PPTVIEW.EXE"), exist_ok=True)
        for name, package, exit_on in cases:
            with self.subTest(name):
                seen = len(self.prefix.trace_lines())
                self.start(package, wait_running=False)
                self.prefix.wait_trace(lambda lines: "screen covered" in lines[seen:], self.process)
                self.assertEqual(self.prefix_processes("PPTVIEW.EXE"), [])
                time.sleep(0.5)
                if exit_on == "move":
                    # The cursor is hidden in the corner; every move is seen,
                    # the first one sets the reference point.
                    self.move_by(-10, -10)
                    self.move_by(-10, -10)
                else:
                    self.move_by(-10, -10)  # no key: goes on
                    self.still_running(1.0)
                    self.key()
                    self.key()
                self.assertEqual(self.ended(), 0)
                self.assertIn("closed", self.prefix.trace_lines()[seen:])

    def test_crash_leaves_no_viewer_window_or_crash_dialog(self):
        for where in ("main", "thread"):
            with self.subTest(where):
                self.prefix.reg_add(r"HKCU\Control Panel\Desktop", "ScreenSaveUsePassword", 1, type="REG_DWORD")
                self.prefix.install_dll(orlwine.helper("password_standin.dll"), "PASSWORD.CPL")
                package = self.package("--exit", "move")
                self.prefix.mouse_move(512, 384)
                seen = len(self.prefix.trace_lines())
                self.process = self.prefix.start(package, "/s", env={"ORLSCR_PASSWORD_FAULT": where})
                self.wait_viewer()
                self.move_by(-10, -10)
                self.move_by(-10, -10)  # asks for the password: the library faults
                code = self.process.wait(30)
                self.assertEqual(code, 0xC0000005 & 0xFF)
                self.assertIn("run ended by crash", self.prefix.trace_lines()[seen:])
                self.assertNotIn("closed", self.prefix.trace_lines()[seen:])
                self.assert_nothing_left()

    def blocked_run(self):
        """A key-only run whose main thread hangs after the hook's second
        delivery, as inside a driver that never returns."""
        package = self.package("--exit", "key", "--hook", orlwine.helper("hook_dropping.dll"))
        self.prefix.mouse_move(512, 384)
        self.process = self.prefix.start(package, "/s", env={"ORLSCR_HOOK_DROP_AFTER": "1000000",
                                                             "ORLSCR_HOOK_BLOCK_AFTER": "2"})
        self.wait_viewer()
        self.move_by(-10, -10)
        self.move_by(-10, -10)
        self.wait_trace("hook stand-in blocks the receiver")

    def test_hung_saver_is_ended_by_input(self):
        self.blocked_run()
        self.still_running(1.0)  # no input meanwhile: nothing to end it for
        for _ in range(3):
            self.raw_move(-10, 0)
        self.assertEqual(self.ended(), 0)
        self.assertIn("run ended by guard: input unhandled", self.prefix.trace_lines())
        self.assert_nothing_left()

    def test_viewer_leaves_a_saver_that_stopped_answering(self):
        self.blocked_run()
        self.wait_trace("slideview saver gone", timeout=30)
        self.assertTrue(orlwine.wait_for(lambda: not self.prefix_processes("PPTVIEW.EXE"), timeout=10))
        self.assertTrue(self.prefix.wait_no_windows("^Slide show$", 10))
        # The saver still hangs: without a window of the prefix under the
        # pointer no input reaches it under Wine, so the test ends it.
        self.assertIsNone(self.process.poll())


def load_tests(loader, standard_tests, pattern):
    # Only the cases of this file, not those inherited from the run-mode tests.
    suite = unittest.TestSuite()
    for name in sorted(n for n in RunModeGuardTest.__dict__ if n.startswith("test_")):
        suite.addTest(RunModeGuardTest(name))
    return suite


if __name__ == "__main__":
    orlwine.main()

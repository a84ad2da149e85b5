#!/usr/bin/env python3
"""The run mode under Wine where the saver itself fails: a run without a
viewer must still end on its input, a saver that crashes must leave nothing on
the screen, a saver whose main thread hangs is ended by input all the same,
and the viewer leaves a saver that stopped answering."""
import glob
import os
import time

import orlwine
import saver_case

# The guard ends a run whose main thread stopped coming round for 1 s and
# whose input then stayed unhandled for 2 s more (saver/run_guard.h).
GUARD_SPAN = 3.0


class RunModeGuardTest(saver_case.SaverCase):
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
                self.wait_trace(lambda lines: "screen covered" in lines[seen:], name="the cover")
                self.assertEqual(self.viewer_processes(zombies=False), [])
                # The hooks see input only over a window of the run: the
                # cover, once the X server shows it under the pointer.
                self.assertTrue(orlwine.wait_for(self.prefix.window_under_pointer, 10), "no cover under the pointer")
                if exit_on == "move":
                    # The cursor is hidden in the corner; every move is seen,
                    # the first one sets the reference point.
                    self.ask_end(-10, -10)
                else:
                    self.move_by(-10, -10)  # no key: goes on
                    self.still_running()
                    # The move set the reference point: the key's release ends the run.
                    self.prefix.xdotool("key", "a")
                self.assertEqual(self.ended(), 0)
                self.assertIn("closed", self.prefix.trace_lines()[seen:])

    def test_crash_leaves_no_viewer_window_or_crash_dialog(self):
        for where in ("main", "thread"):
            with self.subTest(where):
                self.prefix.reg_add(r"HKCU\Control Panel\Desktop", "ScreenSaveUsePassword", 1, type="REG_DWORD")
                self.prefix.install_dll(orlwine.helper("password_standin.dll"), "PASSWORD.CPL")
                seen = len(self.prefix.trace_lines())
                self.start(self.package("--exit", "move"), env={"ORLSCR_PASSWORD_FAULT": where})
                self.ask_end(-10, -10)  # asks for the password: the library faults
                self.assertEqual(self.ended(), 0xC0000005 & 0xFF)
                self.assertIn("run ended by crash", self.prefix.trace_lines()[seen:])
                self.assertNotIn("closed", self.prefix.trace_lines()[seen:])
                self.assert_nothing_left()

    def blocked_run(self):
        """A key-only run whose main thread hangs after the hook's second
        delivery, as inside a driver that never returns. Returns the trace
        mark before its input. Wine may deliver an event of its own (the
        pointer seen over a new window) besides the two moves, so the
        second move's report is not waited for: the hang may come first."""
        package = self.package("--exit", "key", "--hook", orlwine.helper("hook_dropping.dll"))
        self.start(package, env={"ORLSCR_HOOK_DROP_AFTER": "1000000", "ORLSCR_HOOK_BLOCK_AFTER": "2"})
        mark = len(self.prefix.trace_lines())
        self.move_by(-10, -10)
        self.send_move(-10, -10)
        self.wait_trace("hook stand-in blocks the receiver")
        return mark

    def test_hung_saver_is_ended_by_input(self):
        self.still_running(since=self.blocked_run())
        # No input meanwhile: nothing to end it for, however long it hangs.
        time.sleep(GUARD_SPAN)
        self.assertIsNone(self.process.poll(), "the run ended: %r" % self.prefix.trace_lines())
        self.send_move(-10, 0)  # nobody handles this one
        self.assertEqual(self.ended(), 0)
        self.assertIn("run ended by guard: input unhandled", self.prefix.trace_lines())
        self.assert_nothing_left()

    def test_viewer_leaves_a_saver_that_stopped_answering(self):
        self.blocked_run()
        self.wait_trace("slideview saver gone", timeout=30)
        self.assertTrue(self.viewer_gone(10), "viewer still there: %r" % self.viewer_processes(zombies=False))
        # The saver still hangs: without a window of the prefix under the
        # pointer no input reaches it under Wine, so the test ends it.
        self.assertIsNone(self.process.poll())


if __name__ == "__main__":
    orlwine.main()

#!/usr/bin/env python3
"""The run mode under Wine where a run could trap its user: a password check
that blocks, hooks that the platform dropped, a saver that is killed, a viewer
that outlives its termination, a system folder the saver cannot write, and a
damaged package that must not break the hook library of other packages."""
import os
import shutil
import struct
import subprocess
import time
import unittest

import orlwine
import test_run_mode


class RunModeSafetyTest(test_run_mode.RunModeTest):
    def raw_move(self, dx, dy):
        """A move whose report the test does not wait for."""
        self.prefix.xdotool("mousemove_relative", "--", str(dx), str(dy))
        time.sleep(0.5)

    def running_pid(self):
        """The saver's Windows process id, as its trace reports it with the viewer."""
        for line in self.prefix.trace_lines():
            if line.startswith("viewer process "):
                return int(line.split()[-1])
        self.fail("no viewer process in the trace: %r" % self.prefix.trace_lines())

    def viewer_gone(self, timeout):
        """Waits up to `timeout` seconds until no viewer process and no viewer
        window of this prefix remain; whether that happened."""
        deadline = time.monotonic() + timeout
        while True:
            alive = [pid for pid in self.viewer_processes() if not self._zombie(pid)]
            if not alive and not self.prefix.find_windows("^Slide show$"):
                return True
            if time.monotonic() > deadline:
                return False
            time.sleep(0.1)

    @staticmethod
    def _zombie(pid):
        try:
            with open("/proc/%d/stat" % pid) as f:
                return f.read().rsplit(")", 1)[1].split()[0] == "Z"
        except OSError:
            return True

    def test_password_check_that_blocks_still_lets_a_later_move_end_the_run(self):
        # The password dialog keeps the saver busy for 2 s and refuses; input
        # meanwhile must not cost the saver its hooks.
        self.prefix.reg_add(r"HKCU\Control Panel\Desktop", "ScreenSaveUsePassword", 1, type="REG_DWORD")
        self.prefix.install_dll(orlwine.helper("password_standin.dll"), "PASSWORD.CPL")
        package = self.package("--exit", "move")
        self.prefix.mouse_move(512, 384)
        self.process = self.prefix.start(package, "/s", env={"ORLSCR_PASSWORD_ANSWER": "01",
                                                             "ORLSCR_PASSWORD_DELAY_MS": "2000"})
        self.wait_trace("running")
        self.assertTrue(self.prefix.wait_windows("^Slide show$", 30))
        time.sleep(1.0)
        self.raw_move(-10, -10)
        self.raw_move(-10, -10)  # asks for the password
        for _ in range(2):
            self.raw_move(1, 0)  # input while the dialog blocks
        self.wait_trace("password asked 0")
        self.raw_move(-20, 0)
        self.assertEqual(self.ended(), 0)
        trace = self.prefix.trace_lines()
        self.assertIn("password asked 1", trace)
        self.assertIn("closed", trace)

    def test_hooks_that_stop_delivering_are_installed_again(self):
        package = self.package("--exit", "move", "--hook", orlwine.helper("hook_dropping.dll"))
        self.prefix.mouse_move(512, 384)
        self.process = self.prefix.start(package, "/s", env={"ORLSCR_HOOK_DROP_AFTER": "2"})
        self.wait_trace("running")
        self.assertTrue(self.prefix.wait_windows("^Slide show$", 30))
        time.sleep(1.0)
        # Small moves around one point until the stand-in's hooks are gone;
        # none of them ends the run.
        for step in range(20):
            if "hook stand-in dropped" in self.prefix.trace_lines():
                break
            self.raw_move(1 if step % 2 else -1, 0)
        self.assertIn("hook stand-in dropped", self.prefix.trace_lines())
        self.still_running(0.5)
        before = self.prefix.trace_lines().count("hook installed again")
        self.raw_move(-10, 0)  # nobody reports this one
        deadline = time.monotonic() + 10
        while self.prefix.trace_lines().count("hook installed again") == before:
            self.assertLess(time.monotonic(), deadline, self.prefix.trace_lines())
            time.sleep(0.2)
        self.raw_move(-10, 0)
        self.assertEqual(self.ended(), 0)
        self.assertIn("closed", self.prefix.trace_lines())

    def test_killed_saver_takes_its_viewer_along(self):
        self.start(self.package("--exit", "move"))
        self.assertTrue(self.viewer_processes())
        pid = self.running_pid()
        killed = self.prefix.run("taskkill", "/f", "/pid", str(pid), timeout=60)
        self.assertEqual(killed.returncode, 0, killed.stderr)
        self.assertTrue(self.viewer_gone(2.0), "viewer still there: %r" % self.viewer_processes())
        self.process.wait(30)

    def test_viewer_that_outlives_its_termination_is_ended_with_the_run(self):
        viewer = os.path.join(self.work, "PPTVIEW.EXE")
        shutil.copyfile(orlwine.helper("stubborn_viewer.exe"), viewer)
        document = os.path.join(self.work, "show.doc")
        with open(document, "w") as f:
            f.write("a document\n")
        out = os.path.join(self.work, "stubborn.scr")
        subprocess.run([test_run_mode.MKSCR, "-o", out, "--document", document, "--file", viewer, "--exit", "move"],
                       check=True, capture_output=True, timeout=120)
        # The stand-in writes no slide to the trace: its window is all there is.
        self.start(out, wait_running=False)
        self.wait_trace("running")
        self.assertTrue(self.prefix.wait_windows("^Slide show$", 30))
        time.sleep(1.0)
        self.assertGreaterEqual(len(self.viewer_processes()), 2)  # the viewer and its show
        self.raw_move(-10, -10)
        self.raw_move(-10, -10)
        self.assertEqual(self.ended(), 0)
        self.assertTrue(self.viewer_gone(2.0), "viewer still there: %r" % self.viewer_processes())

    def test_system_folder_that_takes_no_library_still_runs(self):
        # Something of the library's name in the way, as a folder the user may
        # not write would be.
        os.makedirs(os.path.join(self.prefix.system32, "orlscrhook.dll"))
        self.start(self.package("--exit", "move"))
        self.raw_move(-10, -10)
        self.raw_move(-10, -10)
        self.assertEqual(self.ended(), 0)
        trace = self.prefix.trace_lines()
        self.assertTrue(any(t.startswith("hook library written to ") and t.endswith("\\orlscr") for t in trace), trace)
        self.assertNotIn("hook library missing", trace)
        written = [p for p in self.user_libraries()]
        self.assertEqual(len(written), 1, written)
        self.assertEqual(os.listdir(os.path.join(self.prefix.system32, "orlscrhook.dll")), [])

    def user_libraries(self):
        users = os.path.join(self.prefix.path, "drive_c", "users")
        found = []
        for root, _, names in os.walk(users):
            if os.path.basename(root) == "orlscr" and "orlscrhook.dll" in names:
                found.append(os.path.join(root, "orlscrhook.dll"))
        return found

    def test_damaged_package_leaves_a_working_library_untouched(self):
        good = self.package("--exit", "move")
        working = os.path.join(self.prefix.system32, "orlscrhook.dll")
        shutil.copyfile(orlwine.dist("orlscrhook.dll"), working)
        with open(working, "rb") as f:
            before = f.read()

        damaged = os.path.join(self.work, "damaged.scr")
        with open(good, "rb") as f:
            data = bytearray(f.read())
        at = data.find(b"\x08HookSize")
        self.assertGreater(at, 0)
        tag = at + len(b"\x08HookSize")
        self.assertEqual(data[tag], 4)  # a 32-bit integer
        size = struct.unpack_from("<i", data, tag + 1)[0]
        struct.pack_into("<i", data, tag + 1, size + 50000000)  # runs past the end
        with open(damaged, "wb") as f:
            f.write(data)

        self.start(damaged, wait_running=False)
        self.prefix.dismiss("^damaged$", lambda: self.process.poll() is not None)
        self.assertIn("error box Stream read error.", self.prefix.trace_lines())
        with open(working, "rb") as f:
            self.assertEqual(f.read(), before)
        self.assertEqual([n for n in os.listdir(self.prefix.system32) if n.startswith("orlscrhook")],
                         ["orlscrhook.dll"])

        self.start(good)
        self.raw_move(-10, -10)
        self.raw_move(-10, -10)
        self.assertEqual(self.ended(), 0)


def load_tests(loader, standard_tests, pattern):
    # Only the cases of this file, not those inherited from the run-mode tests.
    suite = unittest.TestSuite()
    for name in sorted(n for n in RunModeSafetyTest.__dict__ if n.startswith("test_")):
        suite.addTest(RunModeSafetyTest(name))
    return suite


if __name__ == "__main__":
    orlwine.main()

#!/usr/bin/env python3
"""The run mode under Wine where a run could trap its user: a password check
that blocks, hooks that the platform dropped, a saver that is killed, a viewer
that outlives its termination, a system folder the saver cannot write, and a
damaged package that must not break the hook library of other packages."""
import os
import shutil
import struct
import time

import orlwine
import saver_case


class RunModeSafetyTest(saver_case.SaverCase):
    def running_pid(self):
        """The saver's Windows process id, as its trace reports it with the viewer."""
        for line in self.prefix.trace_lines():
            if line.startswith("viewer process "):
                return int(line.split()[-1])
        self.fail("no viewer process in the trace: %r" % self.prefix.trace_lines())

    def test_password_check_that_blocks_still_lets_a_later_move_end_the_run(self):
        # The password dialog keeps the saver busy for 2 s and refuses; input
        # meanwhile must not cost the saver its hooks.
        self.prefix.reg_add(r"HKCU\Control Panel\Desktop", "ScreenSaveUsePassword", 1, type="REG_DWORD")
        self.prefix.install_dll(orlwine.helper("password_standin.dll"), "PASSWORD.CPL")
        self.start(self.package("--exit", "move"), env={"ORLSCR_PASSWORD_ANSWER": "01",
                                                        "ORLSCR_PASSWORD_DELAY_MS": "2000"})
        self.ask_end(-10, -10)  # asks for the password
        self.wait_trace("exit asked")
        for _ in range(2):
            self.send_move(1, 0)  # input while the dialog blocks
            time.sleep(0.3)  # apart, or the X server merges the two moves
        self.wait_trace("password asked 0")
        self.move_by(-20, 0)
        self.assertEqual(self.ended(), 0)
        trace = self.prefix.trace_lines()
        self.assertIn("password asked 1", trace)
        self.assertIn("closed", trace)

    def test_hooks_that_stop_delivering_are_installed_again(self):
        self.start(self.package("--exit", "move", "--hook", orlwine.helper("hook_dropping.dll")),
                   env={"ORLSCR_HOOK_DROP_AFTER": "2"})
        # Small moves around one point until the stand-in's hooks are gone;
        # none of them ends the run.
        first = len(self.prefix.trace_lines())

        def dropped():
            return "hook stand-in dropped" in self.prefix.trace_lines()

        for step in range(20):
            if dropped():
                break
            dx = 1 if step % 2 else -1
            reported = "input 512 %d %d" % tuple(a + b for a, b in zip(self.prefix.pointer(), (dx, 0)))
            self.send_move(dx, 0, wait=lambda lines: reported in lines or dropped())
        self.assertIn("hook stand-in dropped", self.prefix.trace_lines())
        self.still_running(since=first)
        before = self.prefix.trace_lines().count("hook installed again")
        self.send_move(-10, 0)  # nobody reports this one
        self.wait_trace(lambda lines: lines.count("hook installed again") > before, 10, "the hooks installed again")
        self.move_by(-10, 0)
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
        out = self.mkscr("stubborn.scr", "--document", document, "--file", viewer, "--exit", "move")
        # The stand-in writes no slide to the trace: its window is all there is.
        self.start(out, wait_running=False)
        self.wait_trace("running")
        self.assertTrue(self.prefix.wait_windows("^Slide show$", 30))
        self.assertGreaterEqual(len(self.viewer_processes()), 2)  # the viewer and its show
        self.end_run()
        self.assertTrue(self.viewer_gone(2.0), "viewer still there: %r" % self.viewer_processes())

    def test_system_folder_that_takes_no_library_still_runs(self):
        # Something of the library's name in the way, as a folder the user may
        # not write would be.
        os.makedirs(os.path.join(self.prefix.system32, "orlscrhook.dll"))
        self.start(self.package("--exit", "move"))
        self.end_run()
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
        self.end_run()


if __name__ == "__main__":
    orlwine.main()

"""Base class of the Wine tests of a saver run: packages that mkscr makes from
generated slides, run as a screen saver ("/s") in the test's prefix, with the
viewer full screen, and ended by input as their exit rules say.

    class MyTest(saver_case.SaverCase):
        def test_move_ends_the_run(self):
            self.start(self.package("--exit", "move"))
            self.end_run()

What the player traces about a run: "running" once it is on, "input MESSAGE
PARAML PARAMH" for each input event its hooks report, followed by "exit asked"
or "exit not asked" (the exit rules' verdict on that event), "closed" and
"exit CODE" at its end.
"""
import os
import subprocess

import orlwine

MKSCR = orlwine.dist("mkscr")


class SaverCase(orlwine.WineTestCase):
    """self.work: a folder for this case's files; self.slides: the slides
    (SLIDES) the packages show; self.process: the saver started last."""

    # (file name, width, height, colour) of each slide.
    SLIDES = (("1.bmp", 160, 120, (200, 30, 30)), ("2.bmp", 160, 120, (30, 40, 210)))

    def setUp(self):
        super().setUp()
        self.work = os.path.join(self.prefix.root, "work")
        self.slides = os.path.join(self.work, "slides")
        os.makedirs(self.slides)
        for name, width, height, colour in self.SLIDES:
            orlwine.write_bmp(os.path.join(self.slides, name), width, height, colour)
        self.process = None
        self._input_mark = None
        self.addCleanup(self._end)

    def _end(self):
        if self.process is not None and self.process.poll() is None:
            self.prefix.stop()
            self.process.wait(60)

    # Packages.

    def mkscr(self, name, *options):
        """A package that mkscr makes from `options` alone, at self.work/`name`."""
        out = os.path.join(self.work, name)
        subprocess.run([MKSCR, "-o", out, *options], check=True, capture_output=True, timeout=120)
        return out

    def mkscr_slides(self, out, *options):
        """A package of the slides at `out`: one slide a minute, no transition."""
        subprocess.run([MKSCR, "slides", self.slides, "-o", out, "--duration", "60000", "--style", "0", *options],
                       check=True, capture_output=True, timeout=120)
        return out

    def package(self, *options, name="saver.scr"):
        return self.mkscr_slides(os.path.join(self.work, name), *options)

    # The run.

    def start(self, package, wait_running=True, env=None, cwd=None):
        """Starts the package as a screen saver; with `wait_running`, returns once
        the viewer shows its first slide."""
        # The pointer rests in the middle of the screen, where the viewer's
        # full-screen window will lie, so the input hooks see what we send.
        self.prefix.mouse_move(512, 384)
        self.process = self.prefix.start(package, "/s", env=env, cwd=cwd)
        if wait_running:
            self.wait_viewer()
        return self.process

    def wait_viewer(self):
        """Waits until the run is on and the viewer shows its first slide."""
        self.wait_trace("running")
        self.assertTrue(self.prefix.wait_windows("^Slide show$", 30), "the viewer shows no window")
        self.prefix.wait_trace(orlwine.lines_starting("slideview slide "), self.process)

    def wait_trace(self, what, timeout=40, name=None):
        """prefix.wait_trace() for the running saver: a line, or a function of
        all lines so far; fails when the saver ends first."""
        return self.prefix.wait_trace(what, self.process, timeout, name)

    def ended(self, timeout=30):
        return self.process.wait(timeout)

    # Input.

    def move_by(self, dx, dy):
        """Moves the pointer and waits until the saver traced the move."""
        self._input_mark = len(self.prefix.trace_lines())
        return self.prefix.move_by(dx, dy, self.process)

    def send_move(self, dx, dy, wait=None):
        """A move whose report is not waited for (the saver is busy, or its
        hooks are gone); or, with `wait`, until `wait(lines)` holds for the
        trace lines added since."""
        seen = self._input_mark = len(self.prefix.trace_lines())
        self.prefix.xdotool("mousemove_relative", "--", str(dx), str(dy))
        if wait is not None:
            self.wait_trace(lambda lines: wait(lines[seen:]), name="the move's outcome")

    def key(self, name="a"):
        """Presses and releases a key and waits until the saver traced the release."""
        seen = self._input_mark = len(self.prefix.trace_lines())
        self.prefix.xdotool("key", name)
        self.wait_trace(lambda lines: any(line.startswith("input 257 ") for line in lines[seen:]),
                        name="the key's release")

    def ask_end(self, dx=-10, dy=0):
        """Moves until the exit rules ask for the end: the first move the hooks
        see sets the reference point, the next asks for the end. The first
        one seen may be Wine's own: it reports a move where the pointer rests
        when a window of the run comes up under it, if the hooks are in place
        by then. And Wine passes a move by a low-level hook whose thread does
        not take it in time; the player's watchdog then installs its hooks
        again and the next move is seen. So a move without a verdict within
        a few seconds is followed by another, as a user would move again,
        four moves at most."""
        for _ in range(4):
            seen = len(self.prefix.trace_lines())
            self.send_move(dx, dy)
            try:
                verdict = self.wait_trace(lambda lines: [line for line in lines[seen:] if line.startswith("exit ")],
                                          5, "the exit rules' verdict")
            except AssertionError:
                if self.process.poll() is not None:
                    raise
                continue
            if "exit asked" in verdict:
                return
        self.fail("four moves did not ask for the end: %r" % self.prefix.trace_lines())

    def end_run(self, timeout=30):
        """Asks for the end by moving (ask_end); the saver must then end with
        exit code 0."""
        self.ask_end()
        self.assertEqual(self.ended(timeout), 0)

    def still_running(self, timeout=30, since=None):
        """Checks that the input sent last (move_by, key, send_move), or all
        input since the trace line `since`, did not end the run: waits for the
        exit rules' verdict on the last event traced since, which must be
        "exit not asked" as every verdict since, with the saver still running."""
        mark = self._input_mark if since is None else since
        if mark is None:
            raise AssertionError("still_running() needs input sent by move_by() or key() first")

        def verdicts(lines):
            lines = lines[mark:]
            inputs = [i for i, line in enumerate(lines) if line.startswith("input ")]
            judged = [line for line in lines[inputs[-1]:] if line.startswith("exit ")] if inputs else []
            return judged or None

        verdict = self.wait_trace(verdicts, timeout, "the exit rules' verdict")
        self.assertEqual(verdict[0], "exit not asked", self.prefix.trace_lines())
        self.assertNotIn("exit asked", self.prefix.trace_lines()[mark:])
        self.assertIsNone(self.process.poll(), "the run ended: %r" % self.prefix.trace_lines())

    # What the run left.

    def temp_files(self):
        """Names of the files in the prefix's temporary folders."""
        found = set()
        users = os.path.join(self.prefix.path, "drive_c", "users")
        for root, _, files in os.walk(users):
            if os.path.basename(root).lower() == "temp":
                found.update(files)
        return found

    def viewer_processes(self, zombies=True):
        """Processes of this prefix whose command line names the viewer."""
        return self.prefix.processes("PPTVIEW.EXE", zombies=zombies)

    def viewer_gone(self, timeout):
        """Waits up to `timeout` seconds until no viewer process and no viewer
        window of this prefix remain; whether that happened."""
        return bool(orlwine.wait_for(
            lambda: not self.viewer_processes(zombies=False) and not self.prefix.find_windows("^Slide show$"),
            timeout, interval=0.1))

    def assert_nothing_left(self, timeout=20):
        """Once the saver ended: no process of the run (saver, viewer, the
        debugger a crash starts), no window of it and no crash dialog remain."""
        def left():
            return [orlwine.command_line(pid) for pid in self.prefix.processes(".scr", "PPTVIEW.EXE", "winedbg")]

        self.assertTrue(orlwine.wait_for(lambda: not left(), timeout), "processes left: %r" % left())
        self.assertTrue(self.prefix.wait_no_windows("^Slide show$", timeout), "the viewer's window is left")
        self.assertTrue(self.prefix.wait_no_windows("^frmScrn$", timeout), "the saver's window is left")
        self.assertEqual(self.prefix.find_windows("Program Error"), [])


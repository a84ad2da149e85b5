#!/usr/bin/env python3
"""The music's own thread under Wine: media calls that never return or fault
hold only that thread, so input still ends the run at once and nothing of it
stays behind; and runs of short wave tracks end cleanly, time after time.

A stand-in MCI driver (helper mci_standin.dll) is registered in the case's
prefix for the extension ".orlt"; each track file's first line tells it what
to do ("play 300", "open-hang", "play-hang", "stop-hang 300") and it writes
"standin ..." lines into the player's trace."""
import ntpath
import os
import subprocess

import orlwine
from orlwine import write_bmp, write_wav

MKSCR = orlwine.dist("mkscr")
MCI_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion"


class MediaThreadTest(orlwine.WineTestCase):
    def setUp(self):
        super().setUp()
        self.work = os.path.join(self.prefix.root, "work")
        self.slides = os.path.join(self.work, "slides")
        os.makedirs(self.slides)
        write_bmp(os.path.join(self.slides, "1.bmp"), 64, 48, (30, 160, 30))
        self.process = None
        self.addCleanup(self._end)

    def _end(self):
        if self.process is not None and self.process.poll() is None:
            self.prefix.stop()
            self.process.wait(60)

    def install_standin_driver(self):
        self.prefix.install_dll(orlwine.helper("mci_standin.dll"), "mci_standin.dll")
        self.prefix.reg_add(MCI_KEY + r"\MCI", "orlstandin", "mci_standin.dll")
        self.prefix.reg_add(MCI_KEY + r"\MCI Extensions", "orlt", "orlstandin")

    def track(self, name, content):
        path = os.path.join(self.work, name)
        with open(path, "w") as f:
            f.write(content + "\n")
        return path

    def package(self, tracks, name="media.scr"):
        out = os.path.join(self.work, name)
        sounds = []
        for track in tracks:
            sounds += ["--sound", track]
        subprocess.run([MKSCR, "slides", self.slides, "-o", out, "--duration", "60000", "--style", "0",
                        "--exit", "move", "--music-order", "list", *sounds],
                       check=True, capture_output=True, timeout=120)
        return out

    def start(self, package):
        self.prefix.mouse_move(512, 384)
        self.process = self.prefix.start(package, "/s")
        self.prefix.wait_trace("running", self.process)
        # The input hooks see the display's input only over the viewer's window.
        self.assertTrue(self.prefix.wait_windows("^Slide show$", 30), "the viewer shows no window")
        self.prefix.wait_trace(orlwine.lines_starting("slideview slide "), self.process)

    def wait_trace(self, line):
        return self.prefix.wait_trace(line, self.process)

    def end_run(self):
        """Ends the run by mouse moves and checks that nothing of it remains."""
        # The first move only sets the reference point; the second ends the run.
        for _ in range(2):
            self.prefix.move_by(-10, 0, self.process)
        self.assertEqual(self.process.wait(20), 0, self.prefix.trace_lines())
        self.assertTrue(orlwine.wait_for(lambda: not self.run_processes(), timeout=20), self.run_processes())
        self.assertTrue(self.prefix.wait_no_windows("^Slide show$", 10))
        self.assertEqual(self.prefix.find_windows("^frmScrn$"), [])
        self.assertEqual(self.prefix.find_windows("Program Error"), [])
        # The stand-in driver's threads may still add a line while the process ends.
        own = [line for line in self.prefix.trace_lines() if not line.startswith("standin ")]
        self.assertEqual(own[-1], "exit 0")

    def run_processes(self):
        """Live processes of this prefix that belong to a run: the player,
        the viewer, and the debugger a crash starts."""
        found = []
        mark = ("WINEPREFIX=" + self.prefix.path + "\0").encode()
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if mark not in f.read():
                        continue
                with open("/proc/%s/stat" % pid, "rb") as f:
                    if f.read().rsplit(b")", 1)[-1].split()[0] == b"Z":
                        continue
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    cmdline = f.read().upper()
            except OSError:
                continue
            if any(name in cmdline for name in (b".SCR", b"PPTVIEW.EXE", b"WINEDBG")):
                found.append(cmdline.replace(b"\0", b" ").decode("latin-1"))
        return found

    def played(self):
        prefix = "sound play "
        return [ntpath.basename(line[len(prefix):]) for line in self.prefix.trace_lines() if line.startswith(prefix)]

    def test_a_play_that_never_returns_leaves_input_ending_the_run(self):
        self.install_standin_driver()
        self.start(self.package([self.track("stuck.orlt", "play-hang")]))
        self.wait_trace("standin play-hang hangs")
        self.end_run()
        self.assertIn("music not finished", self.prefix.trace_lines())

    def test_an_open_that_never_returns_keeps_neither_viewer_nor_input_waiting(self):
        self.install_standin_driver()
        self.start(self.package([self.track("stuck.orlt", "open-hang")]))
        self.wait_trace("standin open-hang hangs")
        self.end_run()

    def test_a_stop_that_never_returns_after_completion_ends_the_run_and_the_next_run_starts(self):
        self.install_standin_driver()
        package = self.package([self.track("stuck.orlt", "stop-hang 300")])
        for _ in range(2):
            self.start(package)
            # Completed tracks follow one another without a stop.
            self.prefix.wait_trace(lambda lines: lines.count("standin notify stop-hang") >= 2, self.process)
            self.assertNotIn("standin stop-hang hangs", self.prefix.trace_lines())
            self.end_run()
            # The stop at the end was the one that hung.
            self.assertIn("standin stop-hang hangs", self.prefix.trace_lines())
            os.unlink(self.prefix.trace_path)

    def test_a_track_through_the_stand_in_driver_plays_completes_and_the_next_follows(self):
        self.install_standin_driver()
        self.start(self.package([self.track("a.orlt", "play 200"), self.track("b.orlt", "play 200")]))
        self.prefix.wait_trace(lambda lines: len(self.played()) >= 3, self.process)
        self.assertEqual(self.played()[:3], ["a.orlt", "b.orlt", "a.orlt"])
        standin = [line for line in self.prefix.trace_lines() if line.startswith("standin ")]
        self.assertEqual(standin[:5], ["standin open play", "standin play play", "standin notify play",
                                       "standin close play", "standin open play"])
        self.end_run()
        self.assertNotIn("music not finished", self.prefix.trace_lines())

    def test_short_wave_tracks_end_cleanly_run_after_run(self):
        # Six 0.3 s tracks: a device is closed right after each completion.
        tracks = []
        for index in range(6):
            tracks.append(os.path.join(self.work, "t%d.wav" % index))
            write_wav(tracks[-1], 0.3)
        package = self.package(tracks)
        for run in range(50):
            with self.subTest(run=run):
                self.start(package)
                self.prefix.wait_trace(lambda lines: len(self.played()) >= 3, self.process)
                self.end_run()
                os.unlink(self.prefix.trace_path)


if __name__ == "__main__":
    orlwine.main()

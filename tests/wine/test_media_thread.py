#!/usr/bin/env python3
"""The music's own thread under Wine: media calls that never return or fault
hold only that thread, so input still ends the run at once (or the crash end
takes the whole run down) and nothing of it stays behind; and runs of short
wave tracks end cleanly, time after time.

A stand-in MCI driver (helper mci_standin.dll) is registered in the case's
prefix for the extension ".orlt"; each track file's first line tells it what
to do ("play 300", "open-hang", "play-hang", "stop-hang 300", "play-fault")
and it writes "standin ..." lines into the player's trace."""
import ntpath
import os

import orlwine
import saver_case

MCI_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion"


class MediaThreadTest(saver_case.SaverCase):
    SLIDES = (("1.bmp", 64, 48, (30, 160, 30)),)

    def install_standin_driver(self):
        self.prefix.install_dll(orlwine.helper("mci_standin.dll"), "mci_standin.dll")
        self.prefix.reg_add(MCI_KEY + r"\MCI", "orlstandin", "mci_standin.dll")
        self.prefix.reg_add(MCI_KEY + r"\MCI Extensions", "orlt", "orlstandin")

    def track(self, name, content):
        path = os.path.join(self.work, name)
        with open(path, "w") as f:
            f.write(content + "\n")
        return path

    def music_package(self, tracks):
        sounds = []
        for track in tracks:
            sounds += ["--sound", track]
        return self.package("--exit", "move", "--music-order", "list", *sounds, name="media.scr")

    def end_cleanly(self):
        """Ends the run by mouse moves and checks that nothing of it remains."""
        self.end_run(20)
        self.assert_nothing_left()
        # The stand-in driver's threads may still add a line while the process ends.
        own = [line for line in self.prefix.trace_lines() if not line.startswith("standin ")]
        self.assertEqual(own[-1], "exit 0")

    def played(self):
        prefix = "sound play "
        return [ntpath.basename(line[len(prefix):]) for line in self.prefix.trace_lines() if line.startswith(prefix)]

    def test_a_play_that_never_returns_leaves_input_ending_the_run(self):
        self.install_standin_driver()
        self.start(self.music_package([self.track("stuck.orlt", "play-hang")]))
        self.wait_trace("standin play-hang hangs")
        self.end_cleanly()
        self.assertIn("music not finished", self.prefix.trace_lines())

    def test_an_open_that_never_returns_keeps_neither_viewer_nor_input_waiting(self):
        self.install_standin_driver()
        self.start(self.music_package([self.track("stuck.orlt", "open-hang")]))
        self.wait_trace("standin open-hang hangs")
        self.end_cleanly()

    def test_a_play_that_faults_ends_the_run_with_nothing_left(self):
        self.install_standin_driver()
        self.start(self.music_package([self.track("fault.orlt", "play-fault")]), wait_running=False)
        self.wait_trace("standin play play-fault")
        self.assertEqual(self.ended(), 0xC0000005 & 0xFF)
        trace = self.prefix.trace_lines()
        self.assertIn("run ended by crash", trace)
        self.assertNotIn("closed", trace)
        self.assert_nothing_left()

    def test_a_stop_that_never_returns_after_completion_ends_the_run_and_the_next_run_starts(self):
        self.install_standin_driver()
        package = self.music_package([self.track("stuck.orlt", "stop-hang 300")])
        for _ in range(2):
            self.start(package)
            # Completed tracks follow one another without a stop.
            self.wait_trace(lambda lines: lines.count("standin notify stop-hang") >= 2)
            self.assertNotIn("standin stop-hang hangs", self.prefix.trace_lines())
            self.end_cleanly()
            # The stop at the end was the one that hung.
            self.assertIn("standin stop-hang hangs", self.prefix.trace_lines())
            os.unlink(self.prefix.trace_path)

    def test_a_track_through_the_stand_in_driver_plays_completes_and_the_next_follows(self):
        self.install_standin_driver()
        self.start(self.music_package([self.track("a.orlt", "play 200"), self.track("b.orlt", "play 200")]))
        self.wait_trace(lambda lines: len(self.played()) >= 3)
        self.assertEqual(self.played()[:3], ["a.orlt", "b.orlt", "a.orlt"])
        standin = [line for line in self.prefix.trace_lines() if line.startswith("standin ")]
        self.assertEqual(standin[:5], ["standin open play", "standin play play", "standin notify play",
                                       "standin close play", "standin open play"])
        self.end_cleanly()
        self.assertNotIn("music not finished", self.prefix.trace_lines())

    def test_short_wave_tracks_end_cleanly_run_after_run(self):
        # Six 0.3 s tracks: a device is closed right after each completion.
        tracks = []
        for index in range(6):
            tracks.append(os.path.join(self.work, "t%d.wav" % index))
            orlwine.write_wav(tracks[-1], 0.3)
        package = self.music_package(tracks)
        for run in range(50):
            with self.subTest(run=run):
                self.start(package)
                self.wait_trace(lambda lines: len(self.played()) >= 3)
                self.end_cleanly()
                os.unlink(self.prefix.trace_path)


if __name__ == "__main__":
    orlwine.main()

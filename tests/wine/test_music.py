#!/usr/bin/env python3
"""The music of a run under Wine: slide-show packages made by mkscr with short
generated tracks, run as a screen saver ("/s"). MCI plays WAV files on ALSA's
null device (the harness's HOME), so every track ends and the next one follows.
The player's MCI device writes each command to the trace ("sound open FILE",
"sound play FILE", ...), which makes the order of the tracks observable."""
import ntpath
import os

import orlwine
import saver_case
from orlwine import write_wav


def lcg_draws(n, count):
    """The first `count` results of Random(n) of a generator that starts at 0."""
    state, out = 0, []
    for _ in range(count):
        state = (state * 134775813 + 1) & 0xFFFFFFFF
        out.append((state * n) >> 32)
    return out


class MusicTest(saver_case.SaverCase):
    SLIDES = (("1.bmp", 64, 48, (200, 30, 30)),)

    def setUp(self):
        super().setUp()
        self.tracks = []
        for name in ("first.wav", "second.wav"):
            path = os.path.join(self.work, name)
            write_wav(path, 0.25)
            self.tracks.append(path)

    def package(self, *options, tracks=None, name="music.scr"):
        folder = os.path.join(self.work, os.path.splitext(name)[0])
        os.makedirs(folder, exist_ok=True)
        sounds = []
        for track in self.tracks if tracks is None else tracks:
            sounds += ["--sound", track]
        return self.mkscr_slides(os.path.join(folder, name), "--exit", "move", *sounds, *options)

    def control_ini(self, package, mute):
        with open(os.path.join(os.path.dirname(package), "CONTROL.INI"), "w") as f:
            f.write("[Setup]\r\nmute=%s\r\n" % mute)

    def played(self, lines=None):
        """Names of the tracks whose play command was accepted, in order."""
        lines = self.prefix.trace_lines() if lines is None else lines
        return [ntpath.basename(line[len("sound play "):]) for line in lines if line.startswith("sound play ")]

    def open_errors(self, lines=None):
        """Names of the tracks whose open failed, in order."""
        lines = self.prefix.trace_lines() if lines is None else lines
        return [ntpath.basename(line.split(" ", 3)[3]) for line in lines if line.startswith("sound open-error ")]

    def sound_lines(self):
        return [line for line in self.prefix.trace_lines() if line.startswith("sound ")]

    def wait_plays(self, count):
        self.wait_trace(lambda lines: len(self.played(lines)) >= count, 60, "%d plays" % count)
        return self.played()[:count]

    def end_run(self):
        super().end_run(timeout=60)

    def test_tracks_play_in_list_order_and_are_deleted_at_the_end(self):
        self.start(self.package("--music-order", "list"))
        self.assertEqual(self.wait_plays(5), ["first.wav", "second.wav", "first.wav", "second.wav", "first.wav"])
        self.assertTrue({"first.wav", "second.wav"} <= self.temp_files())
        # Before each next track the finished one is closed; a track that
        # played to its end is not stopped.
        sounds = self.sound_lines()
        second_open = next(i for i, line in enumerate(sounds) if line.endswith("second.wav") and "open" in line)
        self.assertTrue(sounds[second_open - 2].startswith("sound play "), sounds)
        self.assertTrue(sounds[second_open - 1].startswith("sound close "), sounds)
        self.assertFalse([line for line in sounds if line.startswith("sound stop ")], sounds)

        self.end_run()
        self.assertFalse({"first.wav", "second.wav"} & self.temp_files(), self.temp_files())
        self.assertTrue(self.sound_lines()[-1].startswith("sound close "), self.sound_lines())

    def test_one_random_track_is_the_first_entry_again_and_again(self):
        self.start(self.package("--music-order", "random-once"))
        self.assertEqual(self.wait_plays(4), ["first.wav"] * 4)
        self.end_run()

    def test_random_order_starts_with_the_first_entry_and_repeats_run_to_run(self):
        package = self.package("--music-order", "random")
        runs = []
        for _ in range(2):
            self.start(package)
            runs.append(self.wait_plays(8))
            self.end_run()
            os.unlink(self.prefix.trace_path)
        self.assertEqual(runs[0][0], "first.wav")
        self.assertEqual(runs[0], runs[1])
        # The music is the first to draw from the generator in a run.
        names = ["first.wav", "second.wav"]
        self.assertEqual(runs[0], [names[i] for i in lcg_draws(2, 8)])

    def test_control_ini_overrides_the_package_default(self):
        cases = [
            # (package muted by default, "mute" in CONTROL.INI or None, plays)
            (False, "1", False),
            (True, "0", True),
            (True, None, False),
            (False, "0x0", True),
        ]
        for index, (muted, ini, plays) in enumerate(cases):
            with self.subTest(muted=muted, ini=ini):
                package = self.package(*(["--mute"] if muted else []), name="case%d.scr" % index)
                if ini is not None:
                    self.control_ini(package, ini)
                self.start(package)
                if plays:
                    self.wait_plays(2)
                else:
                    # Tracks are written whether or not they play.
                    self.assertTrue({"first.wav", "second.wav"} <= self.temp_files())
                    # The music starts before the run is on, and only a track
                    # that played can start the next one.
                    self.assertEqual(self.sound_lines(), [])
                self.end_run()
                self.assertFalse({"first.wav", "second.wav"} & self.temp_files())
                os.unlink(self.prefix.trace_path)

    def broken_track(self, name="broken.wav"):
        broken = os.path.join(self.work, name)
        with open(broken, "wb") as f:
            f.write(b"RIFF\x04\x00\x00\x00WAVE not a sound")
        return broken

    def test_a_track_that_cannot_be_opened_leaves_the_music_silent(self):
        # Every track fails to open (a damaged file, a kind without an MCI
        # device): each is tried once, then the music stops for the run
        # instead of trying them over and over.
        unknown = os.path.join(self.work, "tune.xyz")
        with open(unknown, "wb") as f:
            f.write(b"no sound at all")
        self.start(self.package(tracks=[self.broken_track(), unknown]))
        self.wait_trace(lambda lines: any(line.startswith("sound open-error ") for line in lines), 60, "open error")
        self.wait_trace(lambda lines: len(self.open_errors(lines)) >= 2, 60, "two open errors")
        # Once every track has failed, the music stops instead of trying them over and over.
        self.wait_trace("sound given up", 60)
        self.assertEqual(self.played(), [])
        self.assertIsNone(self.process.poll())
        self.assertEqual(self.open_errors(), ["broken.wav", "tune.xyz"])
        self.end_run()

    def test_a_damaged_track_is_passed_over_and_the_next_one_plays(self):
        self.start(self.package(tracks=[self.broken_track(), self.tracks[0]]))
        # The damaged track fails again on every round; the good one plays each time.
        self.assertEqual(self.wait_plays(3), ["first.wav"] * 3)
        sounds = self.sound_lines()
        self.assertTrue(sounds[0].startswith("sound open-error ") and sounds[0].endswith("broken.wav"), sounds)
        first_open = next(i for i, line in enumerate(sounds) if line.startswith("sound open "))
        self.assertTrue(sounds[first_open].endswith("first.wav"), sounds)
        self.assertTrue(sounds[first_open + 1].startswith("sound play "), sounds)
        self.assertIsNone(self.process.poll())
        self.end_run()

if __name__ == "__main__":
    orlwine.main()

#!/usr/bin/env python3
"""mkscr as a process: the progress line that it shows only on a terminal, and
a build ended by a signal, which must leave no file behind.

Usage: mkscr_process_test.py PATH-TO-MKSCR [unittest arguments]"""
import os
import pty
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

MKSCR = None


class MkscrProcessTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="mkscr_process_")
        self.addCleanup(shutil.rmtree, self.dir)
        self.bin = os.path.join(self.dir, "bin")
        os.makedirs(self.bin)
        self.write("bin/player.scr", b"MZ" + b"p" * 1000)
        self.write("bin/orlscrhook.dll", b"hook")
        self.write("one.wav", b"w" * 300)

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def files(self):
        return sorted(n for n in os.listdir(self.dir) if n != "bin")

    def start_on_terminal(self, args, env=None):
        """Starts mkscr with its standard error on a pseudo-terminal; returns
        the process and the terminal's master side."""
        master, slave = pty.openpty()
        proc = subprocess.Popen([MKSCR] + args, cwd=self.dir, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=slave, env=env)
        os.close(slave)
        self.addCleanup(os.close, master)
        return proc, master

    @staticmethod
    def read_until(master, wanted, seconds):
        """What the terminal shows until `wanted` appears, the process closes
        it, or `seconds` pass."""
        shown = b""
        end = time.monotonic() + seconds
        while wanted not in shown and time.monotonic() < end:
            ready, _, _ = select.select([master], [], [], 0.1)
            if not ready:
                continue
            try:
                chunk = os.read(master, 4096)
            except OSError:  # the other side is closed
                break
            if not chunk:
                break
            shown += chunk
        return shown

    def test_progress_is_shown_on_a_terminal_only(self):
        args = ["-o", "out.scr", "--player", "bin/player.scr", "--hook", "bin/orlscrhook.dll", "--sound", "one.wav"]
        proc, master = self.start_on_terminal(args)
        shown = self.read_until(master, b"\n", 60)
        self.assertEqual(proc.wait(60), 0)
        size = os.path.getsize(self.path("out.scr"))
        self.assertTrue(shown.startswith(b"\rmkscr: stored 0 of 3 files"), shown)
        self.assertIn(b"\rmkscr: stored 3 of 3 files, %d of %d bytes" % (size, size), shown)
        self.assertEqual(shown.count(b"\n"), 1, shown)

        os.remove(self.path("out.scr"))
        piped = subprocess.run([MKSCR] + args, cwd=self.dir, stdin=subprocess.DEVNULL, capture_output=True)
        self.assertEqual(piped.returncode, 0, piped.stderr)
        self.assertEqual(piped.stderr, b"")
        self.assertIn(b"mkscr: wrote out.scr", piped.stdout)

    def kill_mid_build(self, sig, env=None):
        # A large sparse track: the build takes a while, and it is ended once
        # it shows that it has started writing.
        with open(self.path("big.wav"), "wb") as f:
            f.truncate(1500 * 1000 * 1000)
        self.write("out.scr", b"the old package")
        proc, master = self.start_on_terminal(
            ["-o", "out.scr", "--player", "bin/player.scr", "--no-hook", "--sound", "big.wav"], env=env)
        shown = self.read_until(master, b"\rmkscr: stored 1 of 2", 60)
        self.assertIn(b"\rmkscr: stored 1 of 2", shown)
        proc.send_signal(sig)
        self.assertEqual(proc.wait(60), -sig)
        self.assertEqual(self.files(), ["big.wav", "one.wav", "out.scr"])
        with open(self.path("out.scr"), "rb") as f:
            self.assertEqual(f.read(), b"the old package")

    def test_terminated_build_leaves_no_file(self):
        self.kill_mid_build(signal.SIGTERM)

    def test_killed_build_leaves_no_file(self):
        self.kill_mid_build(signal.SIGKILL)

    def test_terminated_build_with_a_named_temporary_file_leaves_none(self):
        env = dict(os.environ, ORLSCR_MKSCR_NO_TMPFILE="1")
        self.kill_mid_build(signal.SIGTERM, env)
        self.kill_mid_build(signal.SIGINT, env)


if __name__ == "__main__":
    MKSCR = os.path.abspath(sys.argv.pop(1))
    unittest.main()

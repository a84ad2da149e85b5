#!/usr/bin/env python3
"""The hook library on its own under Wine: several receiving windows get each
input event of the display as a synchronous message with an EVENTMSG, mouse
events with the cursor position, key events with the virtual key; a receiver
that is uninstalled gets nothing more."""
import os
import queue
import shutil
import subprocess
import threading
import time

import orlwine

WM_KEYDOWN, WM_KEYUP, WM_MOUSEMOVE = 0x100, 0x101, 0x200


class HookLibraryTest(orlwine.WineTestCase):
    def setUp(self):
        super().setUp()
        work = os.path.join(self.prefix.root, "probe")
        os.makedirs(work)
        for source in (orlwine.helper("hook_probe.exe"), orlwine.dist("orlscrhook.dll")):
            shutil.copy(source, work)
        self.probe = subprocess.Popen(["wine", os.path.join(work, "hook_probe.exe")], env=self.prefix.env,
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                      text=True)
        self.addCleanup(self.prefix.stop)
        self.addCleanup(self.probe.stdout.close)
        self.addCleanup(self.probe.stdin.close)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.probe.stdout:
            self.lines.put(line.split())

    def expect(self, wanted, timeout=20):
        """Waits for the line `wanted` (a list of words); returns the lines read before it."""
        skipped = []
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                line = self.lines.get(timeout=0.2)
            except queue.Empty:
                continue
            if line == wanted:
                return skipped
            skipped.append(line)
        self.fail("no line %r; got %r" % (wanted, skipped))

    def drain(self):
        lines = []
        while not self.lines.empty():
            lines.append(self.lines.get())
        return lines

    def command(self, text):
        self.probe.stdin.write(text + "\n")
        self.probe.stdin.flush()

    def test_every_receiver_gets_every_event_until_it_leaves(self):
        self.assertEqual(self.lines.get(timeout=60), ["install-bad", "-1"])
        self.expect(["ready", "0", "0"])
        windows = self.prefix.wait_windows("^Hook probe$")
        self.assertTrue(windows)
        # Key events reach the hooks while a window of the prefix is active.
        self.prefix.xdotool("windowactivate", "--sync", windows[0], check=False)
        time.sleep(0.5)  # Wine takes the X focus over in its own time; nothing shows when

        self.prefix.mouse_move(300, 200)
        self.expect(["1", "1960", str(WM_MOUSEMOVE), "300", "200"])
        self.expect(["2", "1961", str(WM_MOUSEMOVE), "300", "200"])

        # Keys carry the virtual key in the low byte of paramL ("B" is 0x42).
        self.prefix.xdotool("key", "b")
        # The scan code (0x30 for B) is in the next byte, paramH the repeat count.
        skipped = self.expect(["2", "1961", str(WM_KEYUP), str(0x3042), "1"])
        keys = sorted((line[0], line[2]) for line in skipped if line[3] == str(0x3042))
        self.assertEqual(keys, [("1", str(WM_KEYDOWN)), ("1", str(WM_KEYUP)), ("2", str(WM_KEYDOWN))])

        self.command("uninstall 1")
        self.expect(["ok", "uninstall", "1"])
        self.prefix.mouse_move(320, 220)
        skipped = self.expect(["2", "1961", str(WM_MOUSEMOVE), "320", "220"])
        # Nothing comes of an event that does not reach a receiver, so a late
        # one to the receiver that left is given the time to show.
        time.sleep(1.0)
        skipped += self.drain()
        self.assertFalse([line for line in skipped if line[0] == "1"], skipped)

        self.command("quit")
        self.assertEqual(self.probe.wait(30), 0)


if __name__ == "__main__":
    orlwine.main()

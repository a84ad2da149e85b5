#!/usr/bin/env python3
"""The hook library on its own under Wine: several receiving windows get each
input event of the display as a synchronous message with an EVENTMSG, mouse
events with the cursor position, key events with the virtual key; a receiver
that is uninstalled gets nothing more."""
import os
import shutil
import sys

import orlwine

WM_KEYDOWN, WM_KEYUP, WM_MOUSEMOVE = 0x100, 0x101, 0x200


def event(receiver, message, param_l, param_h):
    """The probe's line for a notification: "RECEIVER MESSAGENUMBER message paramL paramH"."""
    return "%d %d %d %d %d" % (receiver, 1959 + receiver, message, param_l, param_h)


class HookCase(orlwine.WineTestCase):
    def start_probe(self, name):
        """Starts the helper `name` beside a copy of the hook library."""
        work = os.path.join(self.prefix.root, "probe")
        os.makedirs(work)
        for source in (orlwine.helper(name), orlwine.dist("orlscrhook.dll")):
            shutil.copy(source, work)
        return self.prefix.start_helper(os.path.join(work, name))


class HookLibraryTest(HookCase):
    def test_every_receiver_gets_every_event_until_it_leaves(self):
        probe = self.start_probe("hook_probe.exe")
        self.assertEqual(probe.line(timeout=60), "install-bad -1")
        probe.expect("ready 0 0")
        windows = self.prefix.wait_windows("^Hook probe$")
        self.assertTrue(windows)
        # Key events reach the hooks while a window of the prefix is active.
        # Wine takes the X focus over in its own time: a key that nobody is
        # waiting for is pressed until the hooks see it.
        self.prefix.xdotool("windowactivate", "--sync", windows[0], check=False)
        def key_seen():
            self.prefix.xdotool("key", "shift")
            return [line for line in probe.drain() if line.startswith("2 1961 %d " % WM_KEYUP)]

        self.assertTrue(orlwine.wait_for(key_seen, timeout=30, interval=0.3), "no key reached the hooks")

        self.prefix.mouse_move(300, 200)
        probe.expect(event(1, WM_MOUSEMOVE, 300, 200))
        probe.expect(event(2, WM_MOUSEMOVE, 300, 200))

        # Keys carry the virtual key in the low byte of paramL ("B" is 0x42).
        self.prefix.xdotool("key", "b")
        # The scan code (0x30 for B) is in the next byte, paramH the repeat count.
        skipped = [line.split() for line in probe.expect(event(2, WM_KEYUP, 0x3042, 1))]
        keys = sorted((line[0], line[2]) for line in skipped if line[3] == str(0x3042))
        self.assertEqual(keys, [("1", str(WM_KEYDOWN)), ("1", str(WM_KEYUP)), ("2", str(WM_KEYDOWN))])

        probe.command("uninstall 1")
        # Each event goes to the receivers in the order they came, so once the
        # second receiver has the second of two moves, a notification of
        # either to the first would have been printed before it.
        self.prefix.mouse_move(320, 220)
        skipped = probe.expect(event(2, WM_MOUSEMOVE, 320, 220))
        self.prefix.mouse_move(330, 230)
        skipped += probe.expect(event(2, WM_MOUSEMOVE, 330, 230))
        self.assertFalse([line for line in skipped if line.split()[0] == "1"], skipped)

        probe.send("quit")
        self.assertEqual(probe.close(), 0)


class HookTimingTest(HookCase):
    """A receiver that takes 2 s over every notification does not hold up the
    hook: the library passes each event on at once (the platform drops a hook
    that keeps events longer than its limit, a few hundred milliseconds)."""

    def test_busy_receiver_does_not_delay_the_hook(self):
        probe = self.start_probe("hook_timing.exe")
        self.assertEqual(probe.line(timeout=60), "ready 0")
        self.assertTrue(self.prefix.wait_windows("^Hook timing$"))
        probe.drain()

        # Each move once the previous one has passed the hooks: the X server
        # merges moves sent in quick succession.
        seen = []
        for step in range(6):
            self.prefix.mouse_move(300 + 7 * step, 200)
            seen += probe.lines_until(lambda line: line.startswith("passed "), timeout=10)
        seen = [line.split() for line in seen + probe.drain()]
        passed = [float(line[1]) for line in seen if line[0] == "passed"]
        handled = [line for line in seen if line[0] == "handled"]
        sys.stderr.write("hook kept the events for %s ms\n" % passed)
        # The receiver is still busy with the first events meanwhile ...
        self.assertLess(len(handled), 4, seen)
        # ... and every event went on through the hooks all the same.
        self.assertGreaterEqual(len(passed), 5, seen)
        self.assertLess(max(passed), 200.0, passed)


if __name__ == "__main__":
    orlwine.main()

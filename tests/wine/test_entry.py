#!/usr/bin/env python3
"""The player's entry under Wine: start modes, password change, single instance."""
import os
import shutil

import orlwine

PLAYER = orlwine.dist("player.scr")

# Wine's own errors go to standard error: a run that fails before the
# player's first trace line then shows why in the failure message.
WINE_ERRORS = {"WINEDEBUG": "err+all"}

# The entry stops before handing over to a mode, so the dispatch is checked
# without the windows of the modes.
ENTRY_ONLY = {"ORLSCR_ENTRY_ONLY": "1", **WINE_ERRORS}


class StartModeTest(orlwine.WineTestCase):
    def test_arguments_choose_the_mode(self):
        # (arguments, mode line, hand-over line or None)
        cases = [
            ([], "mode 2 arg1= arg2=", "settings"),
            (["/s"], "mode 3 arg1=/S arg2=", "saver"),
            (["-S"], "mode 3 arg1=-S arg2=", "saver"),
            (["s"], "mode 3 arg1=S arg2=", "saver"),
            (["/x"], "mode 3 arg1=/X arg2=", "saver"),
            (["/c:1234"], "mode 2 arg1=/C:1234 arg2=", "settings"),
            (["-c", "55"], "mode 2 arg1=-C arg2=55", "settings"),
            (["Cbar"], "mode 2 arg1=CBAR arg2=", "settings"),
            (["/p", "1234"], "mode 1 arg1=/P arg2=1234", "preview hwnd=1234"),
            (["/PREVIEW", "77"], "mode 1 arg1=/PREVIEW arg2=77", "preview hwnd=77"),
            (["Pfoo", "9"], "mode 1 arg1=PFOO arg2=9", "preview hwnd=9"),
            # Double quotes group blanks into one argument.
            (["/c x", "y z"], "mode 2 arg1=/C X arg2=Y Z", "settings"),
            # Only the first two arguments count.
            (["/s", "a", "b"], "mode 3 arg1=/S arg2=A", "saver"),
        ]
        for args, mode_line, handover in cases:
            with self.subTest(args=args):
                result = self.prefix.run(PLAYER, *args, env=ENTRY_ONLY)
                self.assertEqual(result.returncode, 0, result)
                self.assertEqual(result.trace[0], mode_line, result)
                self.assertIn(handover, result.trace, result)
                self.assertEqual(result.trace[-1], "exit 0", result)

    def test_preview_without_a_window_number_ends_quietly(self):
        for args in (["/p:1234"], ["/p"], ["/p", "12ab"]):
            with self.subTest(args=args):
                result = self.prefix.run(PLAYER, *args)
                self.assertEqual(result.returncode, 0, result)
                self.assertTrue(result.trace[0].startswith("mode 1 "), result)
                self.assertFalse(any(line.startswith("preview hwnd") for line in result.trace), result)
                self.assertTrue(any(line.startswith("error ") for line in result.trace), result)
                self.assertEqual(result.trace[-1], "exit 0", result)
        # Nothing of the failed runs is left behind: a normal start works.
        result = self.prefix.run(PLAYER, "/s", env=ENTRY_ONLY)
        self.assertIn("saver", result.trace)


class PasswordModeTest(orlwine.WineTestCase):
    def setUp(self):
        super().setUp()
        self.calls = os.path.join(self.prefix.root, "pwd-calls.txt")
        self.env = {"ORLSCR_STANDIN_LOG": orlwine.winpath(self.calls), **WINE_ERRORS}

    def recorded_calls(self):
        if not os.path.exists(self.calls):
            return []
        with open(self.calls) as f:
            return f.read().splitlines()

    def test_password_change_goes_to_the_provider(self):
        self.prefix.install_dll(orlwine.helper("mpr_standin.dll"), "MPR.DLL")
        for args, handle in ((["/a", "1234"], 1234), (["-A", "5678"], 5678), (["ABC", "42"], 42)):
            with self.subTest(args=args):
                result = self.prefix.run(PLAYER, *args, env=self.env)
                self.assertEqual(result.returncode, 0, result)
                self.assertTrue(result.trace[0].startswith("mode 0 "), result)
                self.assertEqual(self.recorded_calls()[-1], "PwdChangePasswordA SCRSAVE %d 0 0" % handle)
                # The password mode runs before the single-instance check.
                self.assertFalse(any(line.startswith("semaphore") for line in result.trace), result)
                self.assertEqual(result.trace[-1], "exit 0", result)

    def test_password_change_ignores_a_running_instance(self):
        self.prefix.install_dll(orlwine.helper("mpr_standin.dll"), "MPR.DLL")
        with SemaphoreHolder(self.prefix, "player.scrSemaphore"):
            result = self.prefix.run(PLAYER, "/a", "1234", env=self.env)
        self.assertEqual(self.recorded_calls(), ["PwdChangePasswordA SCRSAVE 1234 0 0"])
        self.assertEqual(result.trace[-1], "exit 0", result)

    def test_missing_entry_ends_quietly(self):
        self.prefix.install_dll(orlwine.helper("mpr_noentry.dll"), "MPR.DLL")
        result = self.prefix.run(PLAYER, "/a", "1234", env=self.env)
        self.assertEqual(result.returncode, 0, result)
        self.assertIn("password entry missing", result.trace)
        self.assertEqual(result.trace[-1], "exit 0", result)
        self.assertEqual(self.recorded_calls(), [])

    def test_missing_library_ends_quietly(self):
        self.prefix.overrides.append("mpr=d")
        result = self.prefix.run(PLAYER, "/a", "1234", env=self.env)
        self.assertEqual(result.returncode, 0, result)
        self.assertTrue(any(line.startswith("password library missing") for line in result.trace), result)
        self.assertEqual(result.trace[-1], "exit 0", result)

    def test_window_number_that_is_no_number_ends_quietly(self):
        self.prefix.install_dll(orlwine.helper("mpr_standin.dll"), "MPR.DLL")
        for args in (["/a"], ["/a", "x1"], ["/a:1234"]):
            with self.subTest(args=args):
                result = self.prefix.run(PLAYER, *args, env=self.env)
                self.assertEqual(result.returncode, 0, result)
                self.assertTrue(any(line.startswith("error ") for line in result.trace), result)
                self.assertEqual(result.trace[-1], "exit 0", result)
        self.assertEqual(self.recorded_calls(), [])


class SemaphoreHolder:
    """Runs hold_semaphore.exe in the prefix for the duration of a with block."""

    def __init__(self, prefix, name, kind="semaphore"):
        self.prefix = prefix
        self.name = name
        self.options = ["--mutex"] if kind == "mutex" else []

    def __enter__(self):
        self.holder = self.prefix.start_helper(orlwine.helper("hold_semaphore.exe"), *self.options, self.name)
        self.holder.expect("ready", timeout=60)
        return self

    def __exit__(self, *exc):
        self.holder.close(timeout=60)


class SingleInstanceTest(orlwine.WineTestCase):
    def test_second_start_ends_at_once_while_one_runs(self):
        with SemaphoreHolder(self.prefix, "player.scrSemaphore"):
            for args in (["/s"], ["/c"], ["/p", "1234"], []):
                with self.subTest(args=args):
                    result = self.prefix.run(PLAYER, *args, env=ENTRY_ONLY)
                    self.assertEqual(result.returncode, 0, result)
                    self.assertEqual(result.trace[1:], ["semaphore exists player.scrSemaphore", "exit 0"], result)
        # Once the first instance has ended, a new start runs again.
        result = self.prefix.run(PLAYER, "/s", env=ENTRY_ONLY)
        self.assertEqual(result.trace[1:], ["semaphore created player.scrSemaphore", "saver", "exit 0"], result)

    def test_semaphore_is_named_after_the_program_file(self):
        renamed = os.path.join(self.prefix.root, "Saver.scr")
        shutil.copyfile(PLAYER, renamed)
        with SemaphoreHolder(self.prefix, "player.scrSemaphore"):
            result = self.prefix.run(renamed, "/s", env=ENTRY_ONLY)
            self.assertIn("semaphore created Saver.scrSemaphore", result.trace)
            self.assertIn("saver", result.trace)
        with SemaphoreHolder(self.prefix, "Saver.scrSemaphore"):
            result = self.prefix.run(renamed, "/s", env=ENTRY_ONLY)
            self.assertIn("semaphore exists Saver.scrSemaphore", result.trace)
            self.assertNotIn("saver", result.trace)

    def test_run_goes_on_unguarded_when_no_semaphore_can_be_made(self):
        # A mutex of the semaphore's name keeps the semaphore from being made
        # at all: the player then runs without single-instance protection.
        with SemaphoreHolder(self.prefix, "player.scrSemaphore", kind="mutex"):
            for args in (["/s"], ["/c"]):
                with self.subTest(args=args):
                    result = self.prefix.run(PLAYER, *args, env=ENTRY_ONLY)
                    self.assertEqual(result.returncode, 0, result)
                    self.assertEqual(result.trace[1:3], ["semaphore failed player.scrSemaphore",
                                                         "saver" if args == ["/s"] else "settings"], result)

    def test_semaphore_ends_with_the_process(self):
        # Two starts in a row: the first one's semaphore is gone with it.
        for _ in range(2):
            result = self.prefix.run(PLAYER, "/c", env=ENTRY_ONLY)
            self.assertIn("semaphore created player.scrSemaphore", result.trace)

    def test_player_holds_the_semaphore_while_its_mode_runs(self):
        # The settings mode of the bare player stays open (its dialog or its
        # error box) until it is closed.
        first = self.prefix.start(PLAYER, "/c")
        self.prefix.wait_trace("settings", first, timeout=60)
        result = self.prefix.run(PLAYER, "/s", env=ENTRY_ONLY)
        if first.poll() is not None:
            self.skipTest("the settings mode ended by itself")
        # The first player may add lines of its own meanwhile.
        self.assertIn("semaphore exists player.scrSemaphore", result.trace)
        self.assertNotIn("saver", result.trace)
        self.prefix.stop()
        first.wait(timeout=60)


if __name__ == "__main__":
    orlwine.main()

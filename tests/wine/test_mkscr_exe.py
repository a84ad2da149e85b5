#!/usr/bin/env python3
"""mkscr.exe, the builder for Windows users, under Wine: what its Win32 side
does differently from the native builder. Its arguments come from the wide
command line in the system code page (Windows-1252 in the test prefix), and a
finished package replaces an existing one in one step."""
import os

import orlwine

MKSCR_EXE = orlwine.dist("mkscr.exe")
# Unix locale of the Wine process, so that the arguments reach it as UTF-8.
UTF8 = {"LC_ALL": "C.UTF-8"}


class MkscrExeTest(orlwine.WineTestCase):
    def setUp(self):
        super().setUp()
        self.work = os.path.join(self.prefix.root, "mkscr")
        os.makedirs(self.work)
        with open(os.path.join(self.work, "player.scr"), "wb") as f:
            f.write(b"MZ" + b"p" * 500)

    def mkscr(self, *args):
        return self.prefix.run(MKSCR_EXE, *args, env=UTF8, cwd=self.work)

    def test_texts_in_the_code_page_are_stored_and_others_refused(self):
        made = self.mkscr("-o", "a.scr", "--player", "player.scr", "--no-hook", "--title", "D\u00e9mo \u20ac")
        self.assertEqual(made.returncode, 0, made.stderr)
        shown = self.mkscr("inspect", "a.scr", "--json")
        self.assertEqual(shown.returncode, 0, shown.stderr)
        # Printed as UTF-8; the harness reads the output as Latin-1.
        self.assertIn('"Title": "D\u00e9mo \u20ac"'.encode("utf-8").decode("latin-1"), shown.stdout)

        refused = self.mkscr("-o", "b.scr", "--player", "player.scr", "--no-hook", "--title", "snow \u2603")
        self.assertEqual(refused.returncode, 2)
        self.assertEqual(refused.stderr.strip().splitlines(),
                         ["mkscr: the argument 'snow ?' has characters that the system code page cannot hold"])
        self.assertFalse(os.path.exists(os.path.join(self.work, "b.scr")))

    def test_an_existing_package_is_replaced(self):
        first = self.mkscr("-o", "saver.scr", "--player", "player.scr", "--no-hook", "--title", "first")
        self.assertEqual(first.returncode, 0, first.stderr)
        second = self.mkscr("-o", "saver.scr", "--player", "player.scr", "--no-hook", "--title", "second")
        self.assertEqual(second.returncode, 0, second.stderr)
        self.assertEqual(sorted(os.listdir(self.work)), ["player.scr", "saver.scr"])
        shown = self.mkscr("inspect", "saver.scr", "--json")
        self.assertIn('"Title": "second"', shown.stdout)

        folder = self.mkscr("-o", ".", "--player", "player.scr", "--no-hook")
        self.assertEqual(folder.returncode, 1)
        self.assertIn("is a folder", folder.stderr)


if __name__ == "__main__":
    orlwine.main()

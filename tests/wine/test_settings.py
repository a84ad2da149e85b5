#!/usr/bin/env python3
"""The settings dialog under Wine: the package's texts, the language file, the
music switch in CONTROL.INI, the address links and the error boxes."""
import os
import shutil
import subprocess

import orlwine

PLAYER = orlwine.dist("player.scr")
MKSCR = orlwine.dist("mkscr")
WINDOW_TEXTS = orlwine.helper("window_texts.exe")
# Screenshots that outlive the test cases (a passing case's folder is removed).
KEPT_ARTEFACTS = os.path.join(orlwine.WINE_WORK, "artefacts", "settings")

OK_CENTRE = (216 + 75 // 2, 359 - 55 + 16 + 25 // 2)


class Control:
    def __init__(self, fields):
        self.cls, ident, visible, bounds, self.check, self.text = fields
        self.id = int(ident)
        self.visible = visible == "1"
        self.bounds = tuple(int(v) for v in bounds.split(","))


class WindowInfo:
    """What window_texts.exe reports about a window and its controls."""

    def __init__(self, output):
        lines = output.splitlines()
        _, style, origin, size, self.title = lines[0].split("\t", 4)
        self.style = int(style, 16)
        self.origin = tuple(int(v) for v in origin.split(","))
        self.client = tuple(int(v) for v in size.split("x"))
        self.controls = [Control(line.split("\t", 5)) for line in lines[1:]]

    def by_id(self, ident):
        return next(c for c in self.controls if c.id == ident)

    def statics(self):
        return [c for c in self.controls if c.cls.lower() == "static"]


class SettingsDialogTest(orlwine.WineTestCase):
    def setUp(self):
        super().setUp()
        self.folder = os.path.join(self.prefix.path, "drive_c", "savers")
        os.makedirs(self.folder)
        self.processes = []
        self.addCleanup(self._end_processes)

    def _end_processes(self):
        self.prefix.stop()
        for process in self.processes:
            process.wait(timeout=60)

    def make_package(self, name="demo.scr", title="Demo", author="Jo Maker", email="jo@example.com",
                     web="www.example.com"):
        path = os.path.join(self.folder, name)
        subprocess.run([MKSCR, "--player", PLAYER, "-o", path, "--title", title, "--author", author,
                        "--email", email, "--web", web, "--no-hook"],
                       check=True, capture_output=True, timeout=60)
        return path

    def write(self, name, text):
        with open(os.path.join(self.folder, name), "wb") as f:
            f.write(text.replace("\n", "\r\n").encode("cp1252"))

    def read(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read().decode("cp1252")

    def start(self, package, *args):
        process = self.prefix.start(package, *args)
        self.processes.append(process)
        return process

    def window(self, title):
        self.assertTrue(self.prefix.wait_windows("^%s$" % title.replace("[", r"\[").replace("]", r"\]")),
                        "no window titled %s; trace: %r" % (title, self.prefix.trace_lines()))
        result = self.prefix.run(WINDOW_TEXTS, title)
        self.assertEqual(result.returncode, 0, result.stderr)
        return WindowInfo(result.stdout)

    def click_client(self, info, point):
        self.prefix.click(info.origin[0] + point[0], info.origin[1] + point[1])

    def press_ok(self, info, process):
        self.click_client(info, OK_CENTRE)
        process.wait(timeout=30)
        self.assertEqual(process.returncode, 0)

    def dismiss_error_box(self, title):
        box = self.window(title)
        texts = [c.text for c in box.statics() if c.text]
        ok = box.by_id(1)
        self.click_client(box, (ok.bounds[0] + ok.bounds[2] // 2, ok.bounds[1] + ok.bounds[3] // 2))
        self.prefix.wait_no_windows("^%s$" % title)
        return texts

    def keep_screenshot(self, name):
        path = self.prefix.screenshot(name)
        os.makedirs(KEPT_ARTEFACTS, exist_ok=True)
        shutil.copyfile(path, os.path.join(KEPT_ARTEFACTS, os.path.basename(path)))

    def test_dialog_shows_the_package_texts(self):
        package = self.make_package()
        for args in ([], ["/c"], ["/c:1234"]):
            with self.subTest(args=args):
                process = self.start(package, *args)
                info = self.window("Setup [Demo]")
                self.assertEqual(info.client, (305, 359))
                # A sizeable border, a caption, and no system menu (no title-bar buttons).
                self.assertTrue(info.style & 0x00040000)
                self.assertFalse(info.style & 0x00080000)
                texts = [(c.text, c.bounds[:2]) for c in info.statics()]
                self.assertEqual(texts, [("Title:Demo", (29, 23)), ("Author:Jo Maker", (29, 44)),
                                         ("jo@example.com", (29, 106)), ("www.example.com", (29, 127))])
                mute = info.by_id(101)
                self.assertEqual((mute.visible, mute.bounds, mute.text, mute.check),
                                 (False, (24, 72, 97, 17), "Mute music", "0"))
                memo = next(c for c in info.controls if c.cls.lower() == "edit")
                self.assertEqual((memo.bounds, memo.text), ((10, 153, 287, 102), ""))
                ok = info.by_id(1)
                self.assertEqual((ok.bounds, ok.text), ((216, 320, 75, 25), "&Ok"))
                if args == ["/c"]:
                    self.keep_screenshot("settings-dialog")
                self.press_ok(info, process)
        # Nothing changed, so nothing was written.
        self.assertFalse(os.path.exists(os.path.join(self.folder, "CONTROL.INI")))

    def test_ok_writes_the_music_switch_only_when_it_changed(self):
        package = self.make_package()
        # (file content before, check box state, content after OK)
        cases = [
            ("[Setup]\nmute=7\n", "1", "[Setup]\nmute=1\n"),
            # Already muted as "1": left exactly as it was.
            ("[Setup]\nmute = 1\n", "1", "[Setup]\nmute = 1\n"),
            ("[Setup]\nmute=0\n", "0", "[Setup]\nmute=0\n"),
            ("[Other]\nx=1\n", "0", "[Other]\nx=1\n"),
        ]
        for before, checked, after in cases:
            with self.subTest(before=before):
                self.write("CONTROL.INI", before)
                process = self.start(package, "/c")
                info = self.window("Setup [Demo]")
                self.assertEqual(info.by_id(101).check, checked)
                self.press_ok(info, process)
                self.assertEqual(self.read("CONTROL.INI").replace("\r\n", "\n"), after)

    def test_language_file_texts(self):
        package = self.make_package()
        self.write("orlscr.ini", "[Language]\nTitle=Titel:\nAuthor=Autor:\nEmail=Post\nbtnOK=&Weiter\n"
                   "MuteMusic=Stumm\nThanks2=Danke sch\u00f6n!\n")
        process = self.start(package, "/c")
        info = self.window("Setup [Demo]")
        self.assertEqual([c.text for c in info.statics()],
                         ["Titel:Demo", "Autor:Jo Maker", "jo@example.com", "www.example.com"])
        self.assertEqual(info.by_id(1).text, "&Weiter")
        self.assertEqual(info.by_id(101).text, "Stumm")
        self.assertEqual(next(c for c in info.controls if c.cls.lower() == "edit").text, "Danke sch\u00f6n!")
        self.keep_screenshot("settings-dialog-language")
        self.press_ok(info, process)

        # A language file without the keys: design captions for the labels and
        # the texts' own defaults for the button and the note.
        self.write("orlscr.ini", "[Language]\n")
        process = self.start(package, "/c")
        info = self.window("Setup [Demo]")
        self.assertEqual([c.text for c in info.statics()][:2], ["Title:Demo", "Author:Jo Maker"])
        self.assertEqual(info.by_id(1).text, "OK")
        self.assertEqual(next(c for c in info.controls if c.cls.lower() == "edit").text,
                         "Thank you for using our product!")
        self.press_ok(info, process)

    def test_damaged_record_shows_an_error_and_then_the_design_captions(self):
        package = self.make_package()
        with open(package, "r+b") as f:
            f.seek(-20, os.SEEK_END)
            offset = int(f.read(20).decode().strip())
            f.seek(offset)
            f.write(b"XPF0")
        self.write("CONTROL.INI", "[Setup]\nmute=7\n")
        process = self.start(package, "/c")
        # The box is titled with the program's name and ends the message with a full stop.
        self.assertEqual(self.dismiss_error_box("demo"), ["Invalid stream format."])
        info = self.window("Setup []")
        self.assertEqual([c.text for c in info.statics()], ["Title:", "Author:", "Email:", "Web address:"])
        self.press_ok(info, process)
        # The record was not read, so the switch was not either: nothing written.
        self.assertEqual(self.read("CONTROL.INI").replace("\r\n", "\n"), "[Setup]\nmute=7\n")

    def test_unwritable_folder_reports_and_keeps_the_dialog_open(self):
        package = self.make_package()
        self.write("CONTROL.INI", "[Setup]\nmute=7\n")
        self.make_read_only()
        process = self.start(package, "/c")
        info = self.window("Setup [Demo]")
        self.click_client(info, OK_CENTRE)
        texts = self.dismiss_error_box("demo")
        self.assertEqual(len(texts), 1, texts)
        self.assertTrue(texts[0].startswith("Unable to write to "), texts)
        self.assertTrue(texts[0].lower().endswith("\\savers\\control.ini."), texts)
        self.assertIsNone(process.poll())
        self.window("Setup [Demo]")
        # Once the folder can be written again, OK stores the switch and closes.
        self.make_writable()
        self.press_ok(info, process)
        self.assertEqual(self.read("CONTROL.INI").replace("\r\n", "\n"), "[Setup]\nmute=1\n")

    def make_read_only(self):
        paths = [os.path.join(self.folder, "CONTROL.INI"), self.folder]
        self.addCleanup(self.make_writable)
        if os.geteuid() != 0:
            os.chmod(paths[0], 0o444)
            os.chmod(paths[1], 0o555)
            return
        # Permission bits do not stop root; the immutable attribute does.
        done = subprocess.run(["chattr", "+i", *paths], capture_output=True)
        if done.returncode != 0:
            self.skipTest("cannot make a folder read-only for root: %s" % done.stderr.decode().strip())

    def make_writable(self):
        paths = [os.path.join(self.folder, "CONTROL.INI"), self.folder]
        if os.geteuid() == 0:
            subprocess.run(["chattr", "-i", *paths], capture_output=True)
        os.chmod(paths[1], 0o755)
        os.chmod(paths[0], 0o644)

    def test_escape_in_the_note_leaves_the_dialog_open(self):
        # Only OK closes the dialog: Esc with the focus in the note memo (a
        # multi-line edit, which would post WM_CLOSE for it) changes nothing.
        package = self.make_package()
        self.write("CONTROL.INI", "[Setup]\nmute=7\n")
        process = self.start(package, "/c")
        info = self.window("Setup [Demo]")
        memo = next(c for c in info.controls if c.cls.lower() == "edit")
        self.click_client(info, (memo.bounds[0] + 20, memo.bounds[1] + 20))
        self.prefix.press(r"^Setup \[Demo\]$", "Escape")
        # Before the dialog could close, it sees the Esc as IDCANCEL.
        self.prefix.wait_trace("setup cancel ignored", process, timeout=20)
        self.assertIsNone(process.poll(), "Esc closed the dialog")
        # The dialog still works, and its OK still writes the switch.
        self.press_ok(info, process)
        self.assertEqual(self.read("CONTROL.INI").replace("\r\n", "\n"), "[Setup]\nmute=1\n")

    def test_address_labels_open_their_links_with_the_hand_cursor(self):
        package = self.make_package(web="WWW.Example.com/Path")
        process = self.start(package, "/c")
        info = self.window("Setup [Demo]")
        web = next(c for c in info.statics() if c.text.startswith("WWW"))
        self.click_client(info, (web.bounds[0] + 5, web.bounds[1] + 5))
        self.click_client(info, (150, 60))
        email = next(c for c in info.statics() if c.text.endswith("example.com") and "@" in c.text)
        self.click_client(info, (email.bounds[0] + 5, email.bounds[1] + 5))
        self.press_ok(info, process)
        events = [line for line in self.prefix.trace_lines() if line.startswith("setup ")]
        self.assertIn("setup open http://WWW.Example.com/Path", events)
        self.assertIn("setup open mailto:jo@example.com", events)
        cursor = [line for line in events if line.startswith("setup cursor")]
        self.assertEqual(cursor[:3], ["setup cursor hand", "setup cursor default", "setup cursor hand"])


if __name__ == "__main__":
    orlwine.main()

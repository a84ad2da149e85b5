#!/usr/bin/env python3
"""The Win32 layer of common/win (handle owners, Win32Error, window
base, message pump, folders, initialisation files) on Wine."""
import orlwine


class CommonWinTest(orlwine.WineTestCase):
    def test_helpers_behave_on_win32(self):
        result = self.prefix.run(orlwine.helper("common_win_check.exe"))
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertIn("0 failed", result.stdout)


if __name__ == "__main__":
    orlwine.main()

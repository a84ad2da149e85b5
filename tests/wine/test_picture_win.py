#!/usr/bin/env python3
"""The Win32 picture type (icons and metafiles from file bytes, their size
limits) and the picture show control's painting on Wine."""
import orlwine


class PictureWinTest(orlwine.WineTestCase):
    def test_icons_and_metafiles_are_sized_and_limited(self):
        result = self.prefix.run(orlwine.helper("picture_win_check.exe"))
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertIn("0 failed", result.stdout)

    def test_the_show_control_paints_what_each_frame_changed(self):
        result = self.prefix.run(orlwine.helper("transition_view_check.exe"))
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertIn("0 failed", result.stdout)


if __name__ == "__main__":
    orlwine.main()

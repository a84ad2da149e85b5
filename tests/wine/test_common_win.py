#!/usr/bin/env python3
"""The Win32 layer of common/win (handle owners, Win32Error, window
base, message pump, folders, initialisation files) and the trace on Wine."""
import orlwine


class CommonWinTest(orlwine.WineTestCase):
    def test_helpers_behave_on_win32(self):
        result = self.prefix.run(orlwine.helper("common_win_check.exe"))
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertIn("0 failed", result.stdout)

    def test_trace_lines_of_processes_writing_at_once_all_arrive_whole(self):
        self.prefix.serve()
        writers, count = 4, 400
        runs = [self.prefix.start(orlwine.helper("trace_flood.exe"), str(tag), str(count)) for tag in range(writers)]
        for run in runs:
            self.assertEqual(run.wait(60), 0)
        lines = self.prefix.trace_lines()
        expected = {"flood %d %d" % (tag, n) for tag in range(writers) for n in range(count)}
        self.assertEqual(len(lines), writers * count, sorted(set(lines) - expected)[:10])
        self.assertEqual(set(lines), expected)


if __name__ == "__main__":
    orlwine.main()

#!/usr/bin/env python3
"""Shows a package under Wine: the settings dialog, then a short saver run.
Screenshots go to the output folder. Uses the Wine test fixtures.

    demo_wine.py PACKAGE OUT_DIR
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "wine"))
import orlwine  # noqa: E402

import demo_run  # noqa: E402


def shot(prefix, out, name):
    path = prefix.screenshot(name)
    target = os.path.join(out, os.path.basename(path))
    shutil.copyfile(path, target)
    print("demo: screenshot", target)


def show(prefix, out, package, args, name, settle, end):
    """Starts the package, waits `settle` seconds, takes a screenshot, then
    calls end() and waits for the process to finish."""
    process = prefix.start(package, *args)
    time.sleep(settle)
    shot(prefix, out, name)
    if process.poll() is None:
        end()
        try:
            process.wait(timeout=15)
        except subprocess.TimeoutExpired:
            print("demo: %s did not end by itself; stopping it" % name)
            prefix.stop()
            process.wait(timeout=30)
    print("demo: %s ended with exit code %d" % (name, process.returncode))


def press_settings_ok(prefix):
    """Closes the settings dialog with its OK button, found through the
    window_texts helper of the Windows build; Enter when the helper is missing."""
    helper = orlwine.helper("window_texts.exe")
    for wid in prefix.find_windows(r"^Setup \["):
        title = prefix.window_name(wid)
        if not os.path.exists(helper):
            break
        lines = prefix.run(helper, title).stdout.splitlines()
        if not lines or not lines[0].startswith("window\t"):
            break
        left, top = (int(v) for v in lines[0].split("\t")[2].split(","))
        for line in lines[1:]:
            fields = line.split("\t")
            if fields[0].lower() == "button" and fields[1] == "1":
                x, y, w, h = (int(v) for v in fields[3].split(","))
                prefix.click(left + x + w // 2, top + y + h // 2)
                return
    prefix.xdotool("key", "Return", check=False)


def main():
    package, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if not os.path.exists(orlwine.BOOTED_STAMP):
        print("demo: preparing a Wine prefix (once)")
        orlwine.boot()
    own_display = None
    display = os.environ.get("DISPLAY")
    if not display:
        own_display = orlwine.Xvfb()
        display = own_display.display
    prefix = orlwine.WinePrefix("demo", display)
    try:
        # The saver is installed beside its CONTROL.INI, as Windows would.
        installed = os.path.join(prefix.path, "drive_c", "windows", "Demo.scr")
        shutil.copyfile(package, installed)

        show(prefix, out, installed, ["/c"], "settings", 4, lambda: press_settings_ok(prefix))

        demo_run.run_saver(prefix, out, installed)
        trace = os.path.join(out, "trace.txt")
        with open(trace, "w") as f:
            f.writelines(line + "\n" for line in prefix.trace_lines())
        print("demo: the player's trace of both runs is in", trace)
    finally:
        prefix.remove()
        if own_display:
            own_display.stop()


if __name__ == "__main__":
    main()

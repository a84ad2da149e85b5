#!/usr/bin/env python3
"""Shows the studio under Wine with the demo's pictures loaded and takes a
screenshot of its window. Uses the Wine test fixtures.

    demo_studio.py PICTURES_DIR OUT_DIR
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "wine"))
import orlwine  # noqa: E402


def main():
    pictures, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if not os.path.exists(orlwine.BOOTED_STAMP):
        print("demo: preparing a Wine prefix (once)")
        orlwine.boot()
    # A display of its own, large enough for the window.
    display = orlwine.Xvfb(size="1280x800x24")
    prefix = orlwine.WinePrefix("demo-studio", display.display)
    try:
        studio = prefix.start(orlwine.dist("orlscr-studio.exe"), orlwine.winpath(pictures))
        count = len([name for name in os.listdir(pictures) if not name.startswith(".")])
        prefix.wait_trace(lambda lines: len([l for l in lines if l.startswith("studio thumbnail ")]) >= count,
                          process=studio, timeout=120, name="the thumbnails")
        target = os.path.join(out, "studio.png")
        shutil.copyfile(prefix.screenshot("studio"), target)
        print("demo: screenshot", target)
        prefix.xdotool("key", "alt+F4", check=False)
        studio.wait(timeout=60)
    finally:
        prefix.remove()
        display.stop()


if __name__ == "__main__":
    main()

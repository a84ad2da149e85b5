"""The saver run of the demo: starts a package with "/s" under Wine, keeps
screenshots of the running show, moves the mouse to end it, and prints what
happened: the files written, the viewer started and ended, the exit code.

    run_saver(prefix, out_dir, installed_package)
"""
import json
import ntpath
import os
import shutil
import subprocess
import time

import orlwine


def _shot(prefix, out, name):
    path = prefix.screenshot(name)
    target = os.path.join(out, os.path.basename(path))
    shutil.copyfile(path, target)
    print("demo: screenshot", target)


def _wait_trace(prefix, process, line, timeout=60):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline and process.poll() is None:
        if line in prefix.trace_lines():
            return True
        time.sleep(0.2)
    return line in prefix.trace_lines()


def _temp_files(prefix):
    users = os.path.join(prefix.path, "drive_c", "users")
    for root, _, files in os.walk(users):
        if os.path.basename(root).lower() == "temp":
            return root, set(files)
    return None, set()


def run_saver(prefix, out, package):
    contents = json.loads(subprocess.run([orlwine.dist("mkscr"), "inspect", package, "--json"], check=True,
                                         capture_output=True, text=True).stdout)
    before = len(prefix.trace_lines())

    # The pointer rests where the viewer's full-screen window will be, so the
    # saver's input watch sees the mouse (the saver then hides the cursor in
    # the bottom-right corner).
    prefix.mouse_move(512, 384)
    process = prefix.start(package, "/s")
    if not _wait_trace(prefix, process, "running"):
        print("demo: the saver did not start")
    else:
        time.sleep(2.0)
        _shot(prefix, out, "saver-1")
        time.sleep(2.5)
        _shot(prefix, out, "saver-2")
        print("demo: moving the mouse to end the saver")
        for _ in range(2):
            prefix.xdotool("mousemove_relative", "--", "-20", "-20")
            time.sleep(0.5)
    try:
        process.wait(timeout=20)
    except subprocess.TimeoutExpired:
        print("demo: the saver did not end; stopping it")
        prefix.stop()
        process.wait(timeout=30)

    trace = prefix.trace_lines()[before:]
    temp, left = _temp_files(prefix)
    print("demo: what happened")
    for entry in contents["files"]:
        if entry["kind"] == "hook":
            where = os.path.join(prefix.system32, "orlscrhook.dll")
            state = "written to the system folder" if os.path.exists(where) else "not written"
            print("  hook library orlscrhook.dll: %s" % state)
        elif entry["kind"] == "sound":
            state = "removed again at the end" if entry["name"] not in left else "still there"
            print("  sound track %s: written to the temporary folder, %s" % (entry["name"], state))
        else:
            state = "in the temporary folder" if entry["name"] in left else "missing"
            print("  presentation file %s: %s" % (entry["name"], state))
    started = [t[len("viewer started "):] for t in trace if t.startswith("viewer started ")]
    print("  viewer: %s" % ("started as " + started[0] if started else "not started"))
    print("  viewer: %s" % ("ended by the saver" if "viewer ended" in trace else "not ended by the saver"))
    played = [ntpath.basename(t[len("sound play "):]) for t in trace if t.startswith("sound play ")]
    print("  music: %s" % ("played " + ", ".join(played) if played else "nothing played"))
    print("  input that ended the run: %s" % next((t for t in reversed(trace) if t.startswith("input ")), "none"))
    print("  exit code: %d" % process.returncode)

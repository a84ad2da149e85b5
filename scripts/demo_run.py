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


def _describe_input(line):
    """Turns a trace line "input MESSAGE X Y" into words."""
    if not line:
        return "none"
    fields = line.split()
    names = {0x200: "mouse move to (%s, %s)", 0x202: "left button release at (%s, %s)",
             0x205: "right button release at (%s, %s)", 0x208: "middle button release at (%s, %s)",
             0x101: "key release"}
    message = int(fields[1])
    return names.get(message, "input message 0x%x" % message) % tuple(fields[2:4]) if message >= 0x200 \
        else names.get(message, "input message 0x%x" % message)


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
        # A burst of screenshots over a few seconds: slides change every two
        # seconds with a one-second transition, so some catch one mid-way.
        time.sleep(1.5)
        for n in range(1, 9):
            _shot(prefix, out, "saver-%d" % n)
            time.sleep(0.45)
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
    if len(played) > 4:
        played = played[:4] + ["... (%d tracks played in all)" % len(played)]
    print("  music: %s" % ("played " + ", ".join(played) if played else "nothing played"))
    slides = [t.split()[2:5:2] for t in trace if t.startswith("slideview slide ")]
    if slides:
        print("  slides shown: %s" % ", ".join("%s (transition style %s)" % (name, style) for name, style in slides))
    print("  input that ended the run: %s" % _describe_input(next((t for t in reversed(trace) if t.startswith("input ")), None)))
    print("  exit code: %d" % process.returncode)

"""Shared fixtures for the Wine tests: real Win32 runs of the Windows programs
under Wine on a private Xvfb display, each test case in a clean Wine prefix.

Layout and environment (set by tests/wine/CMakeLists.txt for every test):
    ORLSCR_WINE_WORK   folder for prefixes, homes and test artefacts
    ORLSCR_DIST        folder with player.scr and the other shipped programs
    ORLSCR_WIN_BUILD   the Windows build tree (helpers under tests/wine/helpers)

API
    boot()                      Creates the booted prefix that every case copies
                                (CTest fixture test "wine.boot" calls it).
    cleanup()                   Ends the wineservers of all case prefixes
                                (CTest fixture test "wine.cleanup").
    dist(name)                  Path of a shipped program, e.g. dist("player.scr").
    helper(name)                Path of a test helper, e.g. helper("mpr_standin.dll").
    winpath(path)               The Windows path (Z:\\...) of a Unix path.
    WINE                        The command that runs a Windows program:
                                [*WINE, program, *args] with a prefix's .env.

    class Xvfb                  A private X display: Xvfb(); .display (":N");
                                .stop(). Xvfb chooses a free display itself.

    class WinePrefix(name, display)
        A copy of the booted prefix under ORLSCR_WINE_WORK/cases/<name>.
        .env                    environment for Wine commands of this prefix
        .system32               Unix path of its windows/system32
        .artefacts              folder for this case's screenshots and logs
        .trace_path             file the player's trace goes to (ORLSCR_TRACE)
        .run(program, *args, env=None, timeout=60, cwd=None) -> RunResult
                                Runs a Windows program to its end. RunResult has
                                .returncode, .stdout, .stderr, .trace (the lines
                                the run added to the trace file).
        .start(program, *args, env=None, stdin=None, cwd=None, stdout=None) -> subprocess.Popen
                                Starts a program and returns at once.
        .start_helper(program, *args, env=None, cwd=None) -> Helper
                                Starts an interactive helper program (below);
                                .stop() ends it with the prefix.
        .serve()                Keeps this prefix's wineserver and Wine's own
                                processes up until .stop() (run, start and
                                reg_add call it), so that each program starts
                                in a fraction of a second.
        .trace_lines()          All lines of the trace file so far.
        .processes(*words, zombies=False) -> [pid]
                                Processes of this prefix (WINEPREFIX in their
                                environment) whose command line holds one of
                                the words, in any case; without zombies
                                (ended processes not yet reaped) unless asked.
        .wait_trace(what, process=None, timeout=40, name=None)
                                Waits until the trace holds the line `what`, or
                                until `what(lines)` (a function of all lines so
                                far) gives a true value, and returns that value
                                (the lines for a line). Fails the test (raises
                                AssertionError, naming `name`) when the time is
                                up or when `process` (a Popen) ended first.
        .install_dll(src, name, override="n")
                                Copies a stand-in DLL into system32 as `name`
                                and makes Wine prefer it over its built-in DLL.
        .reg_add(key, value, data, type="REG_SZ")
        .xdotool(*args, check=True) -> output of xdotool on this display
        .find_windows(title) -> [window id] of the visible windows now
        .wait_windows(title, timeout=30) -> [window id]
                                X windows whose title matches the regular
                                expression, waiting until there is one.
        .window_name(wid), .window_geometry(wid) -> (x, y, w, h)
        .send_keys(wid, *keys)  xdotool key names ("Return", "space", "a").
        .press(title, *keys, timeout=30) -> window id
                                Finds the window by title and sends it keys,
                                searching again if it was replaced meanwhile.
        .dismiss(title, done, timeout=40, key="Return")
                                Presses `key` on the message box `title` until
                                done() holds (the safe way to dismiss a box);
                                fails the test when the time is up.
        .wait_no_windows(title, timeout=30) -> True when none is left
        .type_text(wid, text)
        .mouse_move(x, y), .click(x, y, button=1)
        .pointer() -> (x, y)    where the pointer is now
        .window_under_pointer() -> window id, or None over the bare root window
        .screen_size() -> (width, height)
        .move_by(dx, dy, process=None, timeout=30)
                                Moves the pointer by (dx, dy) and waits until
                                the player's input watch traced the move there
                                ("input 512 X Y"): the X server merges moves
                                sent in quick succession, so each move is sent
                                only once the previous one arrived.
        .screenshot(name) -> path  (PNG of the whole screen into .artefacts)
        .stop()                 Ends this prefix's wineserver (wineserver -k).
        .remove()               stop() and delete the copy.

    wait_for(condition, timeout=30, interval=0.2)
                                Calls condition() until it gives a true value or
                                the time is up; returns its last value.
    command_line(pid)           A process's command line, words joined by spaces.
    lines_starting(text)        For wait_trace: the trace lines that start with
                                `text` (so a wait until there is one).
    bmp_data(width, height, colour) -> bytes
                                A bottom-up 24-bit BMP file; `colour` is (r, g, b)
                                or a function (x, y) -> (r, g, b), y from the top.
    write_bmp(path, width, height, colour)
    write_wav(path, seconds=0.3)
                                An 8-bit mono 8 kHz WAV file of a square tone.

    class Helper                An interactive helper program in a prefix:
                                its output read line by line on a thread, its
                                input taking commands.
        .line(timeout=60)       The next line of output (without line end).
        .lines_until(wanted, timeout=30) -> [line]
                                Lines until one equals `wanted` (or
                                `wanted(line)` holds), that one last.
        .expect(wanted, timeout=30) -> [line]
                                The same without the wanted line: the lines
                                that came before it.
        .drain() -> [line]      The lines printed so far and not read yet.
        .send(text)             One line to its standard input.
        .command(text) -> [line]
                                Sends `text` and waits for "ok TEXT".
        .close(timeout=30) -> exit code
                                Ends its input (each helper ends then) and
                                waits for its end, killing it when it lingers.
        Every wait fails the test (AssertionError) when the time is up or the
        helper ended.

    class WineTestCase(unittest.TestCase)
        One Xvfb per test class; self.prefix is a fresh WinePrefix per test,
        removed after a passing test and kept (with its artefacts) after a
        failing one. Call main() at the bottom of a test file.

The trace: the player appends one line per traced event to the file named by
ORLSCR_TRACE ("mode 2 arg1=/C:1234 arg2=", "semaphore exists ...", "exit 0").
WinePrefix sets it for every run.
"""

import os
import queue
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import wave

WINE_WORK = os.environ.get("ORLSCR_WINE_WORK") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "build", "native", "wine")
DIST = os.environ.get("ORLSCR_DIST") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "dist")
WIN_BUILD = os.environ.get("ORLSCR_WIN_BUILD") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "build", "win")

BOOTED = os.path.join(WINE_WORK, "booted")
BOOTED_PREFIX = os.path.join(BOOTED, "prefix")
BOOTED_STAMP = os.path.join(BOOTED, "ready")
HOME = os.path.join(WINE_WORK, "home")


def _wine_command():
    """The command that runs a Windows program: Wine with the address-space
    randomisation of Linux off. Wine needs a few fixed addresses free when a
    process starts (its shared user data at 0x7ffe0000); this Wine has no
    preloader to hold them, and the kernel starts the loader's heap anywhere
    in the gigabyte above the loader, so now and then a start ended with
    code 1 before the program ran ("failed to map the shared user data").
    Programs that Wine starts for a program inherit the setting."""
    try:
        subprocess.run(["setarch", "-R", "true"], check=True, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return ["setarch", "-R", "wine"]
    except (OSError, subprocess.SubprocessError):
        return ["wine"]  # a system that refuses the setting: randomised, as before


WINE = _wine_command()

# Built-in DLLs that would start downloads or installers.
BASE_OVERRIDES = ["mscoree=d", "mshtml=d"]


def dist(name):
    return os.path.abspath(os.path.join(DIST, name))


def helper(name):
    return os.path.abspath(os.path.join(WIN_BUILD, "tests", "wine", "helpers", name))


def wine_errors(process):
    """The tail of what Wine wrote to the standard error of a start()ed
    program, for a failure message; empty when there is none."""
    try:
        with open(process.wine_errors, encoding="latin-1") as f:
            text = f.read()[-2000:]
    except (AttributeError, OSError):
        return ""
    return "\nWine's errors:\n" + text if text.strip() else ""


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wait_for(condition, timeout=30, interval=0.2):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(interval)


def command_line(pid):
    """The command line of a process, its words joined by spaces ("" once it is gone)."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return f.read().replace(b"\0", b" ").decode("latin-1").strip()
    except OSError:
        return ""


def lines_starting(text):
    return lambda lines: [line for line in lines if line.startswith(text)]


def bmp_data(width, height, colour):
    padding = b"\0" * (-width * 3 % 4)
    if callable(colour):
        rows = [b"".join(bytes((b, g, r)) for r, g, b in (colour(x, y) for x in range(width))) + padding
                for y in reversed(range(height))]
    else:
        rows = [bytes((colour[2], colour[1], colour[0])) * width + padding] * height
    pixels = b"".join(rows)
    header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def write_bmp(path, width, height, colour):
    with open(path, "wb") as f:
        f.write(bmp_data(width, height, colour))


def write_wav(path, seconds=0.3):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(8000)
        w.writeframes(bytes(128 + (40 if (i // 20) % 2 else -40) for i in range(int(8000 * seconds))))


def _make_home():
    # A null ALSA device, so that sound plays (and reports success) without a
    # sound card.
    os.makedirs(HOME, exist_ok=True)
    with open(os.path.join(HOME, ".asoundrc"), "w") as f:
        f.write("pcm.!default { type null }\nctl.!default { type null }\n")


def _base_env(prefix, display):
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": prefix,
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": ";".join(BASE_OVERRIDES),
        "HOME": HOME,
        "DISPLAY": display,
    })
    env.pop("ORLSCR_TRACE", None)
    return env


def _die_with_parent():
    # Ends the child when the test process dies (a CTest timeout kills only
    # the test process), so no Xvfb outlives its test.
    try:
        import ctypes
        import signal
        ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except OSError:
        pass


class Xvfb:
    """A private X server on a display number it picks itself."""

    def __init__(self, size="1024x768x24"):
        read_fd, write_fd = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", size, "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            number = f.readline().strip()
        if not number:
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


def boot():
    """Creates the booted prefix that the test cases copy."""
    _make_home()
    shutil.rmtree(BOOTED, ignore_errors=True)
    os.makedirs(BOOTED)
    with Xvfb() as x:
        env = _base_env(BOOTED_PREFIX, x.display)
        try:
            subprocess.run([*WINE, "wineboot", "-i"], env=env, check=True, timeout=600,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            # Without a window manager every DestroyWindow of a managed
            # top-level window waits for one; unmanaged windows do not.
            subprocess.run([*WINE, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                            "/d", "N", "/f"], env=env, check=True, timeout=120,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=env, check=True, timeout=300)
        finally:
            subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
    open(BOOTED_STAMP, "w").close()


def cleanup():
    """Ends the wineservers of every case prefix (and so any Windows program a
    killed test left running). The prefixes of failed cases stay on disk."""
    cases = os.path.join(WINE_WORK, "cases")
    if not os.path.isdir(cases):
        return
    for name in sorted(os.listdir(cases)):
        prefix = os.path.join(cases, name, "prefix")
        if os.path.isdir(prefix):
            env = _base_env(prefix, os.environ.get("DISPLAY", ""))
            subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL, timeout=60)


# Wine's own libraries, programs and fonts: some 700 MB of a booted prefix,
# which Wine never writes to.
_SHARED_FILES = (".dll", ".exe", ".drv", ".sys", ".acm", ".ax", ".cpl", ".ocx", ".tlb", ".ds", ".msstyles",
                 ".com", ".nls", ".ttf", ".ttc", ".fon", ".mui")


def _clone_prefix(source, target):
    """A copy of a booted prefix made in a fraction of a second: Wine's own
    files are hard links to the booted ones, the rest (registry, settings,
    folders) copies. Anything a case puts in place of such a file replaces the
    link (install_dll() removes it first), so the booted prefix stays as it is."""
    for root, dirs, files in os.walk(source):
        into = os.path.join(target, os.path.relpath(root, source))
        os.makedirs(into, exist_ok=True)
        for name in dirs + files:
            src, dst = os.path.join(root, name), os.path.join(into, name)
            if os.path.islink(src):
                os.symlink(os.readlink(src), dst)
            elif name in files:
                if name.lower().endswith(_SHARED_FILES):
                    try:
                        os.link(src, dst)
                        continue
                    except OSError:
                        pass  # another file system
                shutil.copy2(src, dst)
        shutil.copystat(root, into)


class RunResult:
    def __init__(self, returncode, stdout, stderr, trace):
        self.returncode = returncode
        self.stdout = stdout
        self.stderr = stderr
        self.trace = trace

    def __repr__(self):
        # Wine's own complaints, when a run fails before the program traces.
        return "RunResult(returncode=%r, trace=%r, stderr=%r)" % (self.returncode, self.trace, self.stderr[-2000:])


class WinePrefix:
    def __init__(self, name, display):
        if not os.path.exists(BOOTED_STAMP):
            raise RuntimeError("no booted Wine prefix; run the CTest fixture wine.boot first")
        self.name = re.sub(r"[^A-Za-z0-9_.-]", "_", name)
        self.root = os.path.join(WINE_WORK, "cases", self.name)
        shutil.rmtree(self.root, ignore_errors=True)
        os.makedirs(self.root)
        self.path = os.path.join(self.root, "prefix")
        _clone_prefix(BOOTED_PREFIX, self.path)
        self.artefacts = os.path.join(self.root, "artefacts")
        os.makedirs(self.artefacts)
        self.display = display
        self.overrides = list(BASE_OVERRIDES)
        self.trace_path = os.path.join(self.root, "trace.txt")
        self.system32 = os.path.join(self.path, "drive_c", "windows", "system32")
        self._helpers = []
        self._serving = False
        self._started = 0  # programs start()ed, for their error files

    @property
    def env(self):
        env = _base_env(self.path, self.display)
        env["WINEDLLOVERRIDES"] = ";".join(self.overrides)
        env["ORLSCR_TRACE"] = winpath(self.trace_path)
        return env

    def _env(self, extra):
        env = self.env
        if extra:
            env.update(extra)
        return env

    def trace_lines(self):
        try:
            with open(self.trace_path, encoding="latin-1") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def wait_trace(self, what, process=None, timeout=40, name=None):
        if callable(what):
            done, name = what, name or "the awaited lines"
        else:
            done, name = (lambda lines: lines if what in lines else None), name or repr(what)
        deadline = time.monotonic() + timeout
        while True:
            lines = self.trace_lines()
            found = done(lines)
            if found:
                return found
            if process is not None and process.poll() is not None:
                found = done(self.trace_lines())
                if found:
                    return found
                raise AssertionError("the program ended (code %r) before %s: %r%s" % (
                    process.returncode, name, self.trace_lines(), wine_errors(process)))
            if time.monotonic() > deadline:
                raise AssertionError("no %s in the trace: %r" % (name, lines))
            time.sleep(0.1)

    def processes(self, *words, zombies=False):
        found = []
        mark = ("WINEPREFIX=" + self.path + "\0").encode()
        wanted = [word.lower().encode() for word in words]
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if mark not in f.read():
                        continue
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    cmdline = f.read().lower()
                with open("/proc/%s/stat" % pid, "rb") as f:
                    zombie = f.read().rsplit(b")", 1)[1].split()[0] == b"Z"
            except (OSError, IndexError):
                continue
            if any(word in cmdline for word in wanted) and (zombies or not zombie):
                found.append(int(pid))
        return found

    def serve(self):
        """Starts this prefix's wineserver for good, unless it runs already:
        then Wine's own processes (services, devices, the desktop) stay up
        between the case's programs instead of starting again for each one,
        which costs a second or more every time."""
        if not self._serving:
            subprocess.run(["wineserver", "-p"], env=self.env, check=True, timeout=60,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self._serving = True

    def run(self, program, *args, env=None, timeout=60, cwd=None):
        self.serve()
        before = len(self.trace_lines())
        # Output goes through files: Wine's own processes, which a program may
        # start and which outlive it, inherit its standard error, so a pipe
        # would stay open after the program's end.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            returncode = subprocess.run([*WINE, program, *args], env=self._env(env), cwd=cwd, timeout=timeout,
                                        stdin=subprocess.DEVNULL, stdout=out, stderr=err).returncode
            out.seek(0)
            err.seek(0)
            stdout, stderr = out.read().decode("latin-1"), err.read().decode("latin-1")
        return RunResult(returncode, stdout, stderr, self.trace_lines()[before:])

    def start(self, program, *args, env=None, stdin=subprocess.DEVNULL, cwd=None, stdout=subprocess.DEVNULL):
        self.serve()
        # Wine's errors go to a file of the case: a program that ends before
        # its first trace line leaves nothing else to tell why.
        spawn_env = dict(self._env(env))
        if not env or "WINEDEBUG" not in env:
            spawn_env["WINEDEBUG"] = "-all,err+all"
        self._started += 1
        errors = os.path.join(self.root, "wine-errors-%d.txt" % self._started)
        with open(errors, "wb") as err:
            process = subprocess.Popen([*WINE, program, *args], env=spawn_env, cwd=cwd, stdin=stdin,
                                       stdout=stdout, stderr=err)
        process.wine_errors = errors
        return process

    def start_helper(self, program, *args, env=None, cwd=None):
        helper = Helper(self, program, *args, env=env, cwd=cwd)
        self._helpers.append(helper)
        return helper

    def install_dll(self, src, name, override="n"):
        target = os.path.join(self.system32, name)
        if os.path.lexists(target):
            os.unlink(target)
        shutil.copyfile(src, target)
        module = os.path.splitext(name)[0].lower()
        self.overrides.append("%s=%s" % (module, override))
        return target

    def reg_add(self, key, value, data, type="REG_SZ"):
        self.serve()
        subprocess.run([*WINE, "reg", "add", key, "/v", value, "/t", type, "/d", str(data), "/f"],
                       env=self.env, check=True, timeout=120,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    # X side: windows, input, screenshots.

    def _xdotool(self, *args, check=True):
        return self.xdotool(*args, check=check)

    def xdotool(self, *args, check=True):
        """Runs xdotool on this prefix's display and returns its output."""
        done = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True, timeout=30)
        if check and done.returncode != 0:
            raise RuntimeError("xdotool %s failed: %s" % (" ".join(args), done.stderr.strip()))
        return done.stdout

    def find_windows(self, title):
        out = self._xdotool("search", "--onlyvisible", "--name", title, check=False)
        return [line for line in out.split() if line]

    def wait_windows(self, title, timeout=30):
        return wait_for(lambda: self.find_windows(title), timeout)

    def wait_no_windows(self, title, timeout=30):
        return wait_for(lambda: not self.find_windows(title), timeout)

    def window_name(self, wid):
        return self._xdotool("getwindowname", wid).rstrip("\n")

    def window_geometry(self, wid):
        out = self._xdotool("getwindowgeometry", "--shell", wid)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def send_keys(self, wid, *keys):
        self._xdotool("windowactivate", "--sync", wid, check=False)
        try:
            self._xdotool("key", "--window", wid, *keys)
        except RuntimeError:
            # The X window of some Wine message boxes cannot be addressed by
            # other clients (BadWindow), although the box has the keyboard
            # focus: type real input, which goes to the focused window.
            self._xdotool("windowfocus", wid, check=False)
            self._xdotool("key", *keys)

    def press(self, title, *keys, timeout=30):
        """Sends keys to a visible window whose title matches, searching again
        when the window goes away meanwhile (Wine may replace the X window of
        a dialog while it lays it out). Returns the window id that took them."""
        deadline = time.monotonic() + timeout
        last_error = None
        while True:
            for wid in self.find_windows(title):
                try:
                    self.send_keys(wid, *keys)
                    return wid
                except RuntimeError as error:
                    last_error = error
            if time.monotonic() > deadline:
                raise RuntimeError("no window %r took the keys %s: %s" % (title, keys, last_error))
            time.sleep(0.2)

    def dismiss(self, title, done, timeout=40, key="Return"):
        # A key sent to a box that Wine replaced meanwhile is lost, so the box
        # is searched again each time and pressed again while done() fails.
        deadline = time.monotonic() + timeout
        while not done():
            if time.monotonic() > deadline:
                raise AssertionError("%r still waits: %r" % (title, self.trace_lines()))
            try:
                self.press(title, key, timeout=1)
            except RuntimeError:
                pass  # no such box (yet, or any more)
            time.sleep(0.5)

    def type_text(self, wid, text):
        self._xdotool("windowactivate", "--sync", wid, check=False)
        self._xdotool("type", "--window", wid, text)

    def mouse_move(self, x, y):
        self._xdotool("mousemove", str(x), str(y))

    def click(self, x, y, button=1):
        self._xdotool("mousemove", str(x), str(y), "click", str(button))

    def pointer(self):
        out = self._xdotool("getmouselocation", "--shell")
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"])

    def window_under_pointer(self):
        values = dict(line.split("=", 1) for line in self._xdotool("getmouselocation", "--shell").split()
                      if "=" in line)
        root = self._xdotool("search", "--maxdepth", "0", "", check=False).split()
        return None if values.get("WINDOW") in root else values.get("WINDOW")

    def screen_size(self):
        width, height = self._xdotool("getdisplaygeometry").split()
        return int(width), int(height)

    def move_by(self, dx, dy, process=None, timeout=30):
        (x, y), (width, height) = self.pointer(), self.screen_size()
        to = (min(max(x + dx, 0), width - 1), min(max(y + dy, 0), height - 1))
        seen = len(self.trace_lines())
        self._xdotool("mousemove_relative", "--", str(dx), str(dy))
        if to == (x, y):
            return None  # held at the edge of the screen: no event
        line = "input 512 %d %d" % to
        self.wait_trace(lambda lines: line in lines[seen:], process, timeout)
        return line

    def screenshot(self, name):
        path = os.path.join(self.artefacts, name if name.endswith(".png") else name + ".png")
        subprocess.run(["import", "-display", self.display, "-window", "root", path], check=True, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL, timeout=60)
        subprocess.run(["wineserver", "-w"], env=self.env, stderr=subprocess.DEVNULL, timeout=60)
        self._serving = False
        for helper in self._helpers:
            helper.close(timeout=30)

    def remove(self):
        self.stop()
        shutil.rmtree(self.path, ignore_errors=True)


class Helper:
    """An interactive helper program started in a prefix (its environment,
    DLL overrides and trace). Its standard output is read line by line on a
    thread of its own, so every wait for a line has a time limit; commands go
    to its standard input, one a line. End of input asks it to end."""

    def __init__(self, prefix, program, *args, env=None, cwd=None):
        self.name = os.path.basename(program)
        self.process = prefix.start(program, *args, env=env, cwd=cwd, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self._lines = queue.Queue()
        self._ended = False
        threading.Thread(target=self._read, args=(self.process.stdout,), daemon=True).start()

    def _read(self, stdout):
        try:
            for raw in stdout:
                self._lines.put(raw.decode("latin-1").rstrip("\r\n"))
        except (OSError, ValueError):
            pass  # closed by close()
        self._lines.put(None)

    def line(self, timeout=60):
        """The next line of output; fails the test when none comes in time or
        the program ended."""
        if not self._ended:
            try:
                line = self._lines.get(timeout=timeout)
            except queue.Empty:
                raise AssertionError("%s printed nothing for %s s" % (self.name, timeout)) from None
            if line is not None:
                return line
            self._ended = True
        raise AssertionError("%s ended (exit code %r)" % (self.name, self.process.poll()))

    def lines_until(self, wanted, timeout=30):
        """Reads lines until one equals `wanted` (or `wanted(line)` is true) and
        returns the lines read, that one last; fails the test when the time is
        up."""
        match = wanted if callable(wanted) else (lambda line: line == wanted)
        lines = []
        deadline = time.monotonic() + timeout
        while True:
            try:
                line = self.line(timeout=max(deadline - time.monotonic(), 0.01))
            except AssertionError as error:
                raise AssertionError("no line %r from %s (%s); got %r" % (wanted, self.name, error, lines)) from None
            lines.append(line)
            if match(line):
                return lines

    def expect(self, wanted, timeout=30):
        """As lines_until(), but returns only the lines before the wanted one."""
        return self.lines_until(wanted, timeout)[:-1]

    def drain(self):
        """The lines printed so far and not read yet."""
        lines = []
        while True:
            try:
                line = self._lines.get_nowait()
            except queue.Empty:
                return lines
            if line is None:
                self._ended = True
                return lines
            lines.append(line)

    def send(self, text):
        self.process.stdin.write(text.encode("latin-1") + b"\n")
        self.process.stdin.flush()

    def command(self, text, timeout=30):
        """Sends a command and waits for its answer "ok COMMAND"; returns the
        lines printed before the answer."""
        self.send(text)
        return self.expect("ok " + text, timeout)

    def close(self, timeout=30):
        """Ends the input, waits for the program to end (kills it when it does
        not) and returns its exit code."""
        try:
            self.process.stdin.close()
        except OSError:
            pass
        try:
            code = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            code = self.process.wait()
        self.process.stdout.close()
        return code


class WineTestCase(unittest.TestCase):
    """Base class: one Xvfb per class, one clean prefix per test (self.prefix)."""

    xvfb = None

    @classmethod
    def setUpClass(cls):
        cls.xvfb = Xvfb()

    @classmethod
    def tearDownClass(cls):
        if cls.xvfb:
            cls.xvfb.stop()

    def setUp(self):
        self.prefix = WinePrefix(self.id(), self.xvfb.display)
        self.addCleanup(self._cleanup_prefix)

    def _cleanup_prefix(self):
        outcome = getattr(self, "_outcome", None)
        failed = False
        if outcome is not None and hasattr(outcome, "result"):
            result = outcome.result
            failed = any(test is self for test, _ in result.failures + result.errors)
        if failed:
            self.prefix.stop()
            sys.stderr.write("kept %s for inspection\n" % self.prefix.root)
        else:
            self.prefix.remove()
            shutil.rmtree(self.prefix.root, ignore_errors=True)


def main():
    unittest.main(verbosity=2)

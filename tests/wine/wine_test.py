#!/usr/bin/env python3
"""carafe.exe end to end under Wine, on a virtual X display.

One Wine prefix is made fresh for each run of the suite and shared by its
scenarios, with one wineserver. Every scenario installs the launcher under an
application's name on drive D: (a directory of its own), registers fake Java
runtimes with "wine reg add", starts the launcher through a small runner that
records its whole 32-bit exit code, and answers each notice with xdotool by
its window name (the caption). The notices' texts come from Wine's
trace+msgbox channel on standard error. Fake javaw.exe and java.exe record
how they were started; the download page is caught by Wine's browser setting.

    wine_test.py --exe carafe.exe --console-exe carafe-console.exe [--exe32 carafe32.exe]
                 --javaw javaw.exe --java java.exe --jvm jvm.dll --crt vcruntime140.dll
                 --runner wine_runner.exe
                 [--screenshot notice.png] [unittest options]

carafe32.exe runs with 32-bit Wine (wine32:i386); its scenarios are skipped
when it is not given or 32-bit Wine is missing.
"""

import argparse
import getpass
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

OPTIONS = None
SESSION = None

BASE_KEY = r"SOFTWARE\JavaSoft\Java Runtime Environment"
MACHINE_BASE_KEY = "HKLM\\" + BASE_KEY
JAVA_VENDOR_KEY = r"HKLM\SOFTWARE\JavaSoft"
PAGE_1_4_2 = "https://www.oracle.com/j2se/1.4.2/download.html"
PAGE_1_5 = "https://www.java.com/en/download/download_the_latest.jsp"
COMMAND_LIMIT = 32766  # CreateProcess takes 32,767 characters, the terminator included

# Patience for things that happen on their own time (Wine starting, a browser
# being launched); never an assertion.
RUN_TIMEOUT = 240
NOTICE_GONE_TIMEOUT = 6
URL_TIMEOUT = 60

MSGBOX_TRACE = re.compile(r'^[0-9a-f]+:trace:msgbox:MSGBOX_OnInit L"(.*)"(\.\.\.)?$')
WINE_DEBUG_LINE = re.compile(r"^[0-9a-f]{4,}:(trace|err|warn|fixme):")


def find_program(*names):
    for name in names:
        if shutil.which(name):
            return shutil.which(name)
        if os.path.isabs(name) and os.access(name, os.X_OK):
            return name
    raise RuntimeError("none of %s is installed" % ", ".join(names))


def unescape_wine_text(text):
    """Undoes the escapes of Wine's debug strings (\\n, \\", \\\\, \\XXXX)."""
    result = []
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\" or i + 1 >= len(text):
            result.append(c)
            i += 1
            continue
        following = text[i + 1]
        simple = {"n": "\n", "r": "\r", "t": "\t", '"': '"', "\\": "\\"}
        if following in simple:
            result.append(simple[following])
            i += 2
        elif re.match(r"[0-9a-f]{4}", text[i + 1:i + 5]):
            result.append(chr(int(text[i + 1:i + 5], 16)))
            i += 5
        else:
            result.append(c)
            i += 1
    return "".join(result)


class Notice:
    """A notice as the user met it: its caption, its text and the key pressed."""

    def __init__(self, caption, text, truncated):
        self.caption = caption
        self.text = text
        self.truncated = truncated  # Wine's trace shortens long texts

    def matches(self, caption, text):
        if self.caption != caption:
            return False
        return text.startswith(self.text) if self.truncated else text == self.text

    def __repr__(self):
        return "(%r, %r%s)" % (self.caption, self.text, "..." if self.truncated else "")


class JavaStart:
    """One start of a fake java(w).exe, or of the fake jvm.dll inside the
    launcher, as it recorded it."""

    def __init__(self, fields, arguments, options=()):
        self.module = fields.get("module", "")
        self.command = fields.get("command", "")
        self.directory = fields.get("directory", "")
        self.argv = arguments
        self.fields = fields
        self.options = list(options)  # the virtual machine's, inside the launcher


class Run:
    def __init__(self, exit_code, captions, texts, stdout, stderr, java, urls, answers):
        self.exit_code = exit_code
        self.captions = captions
        self.texts = texts
        self.stdout = stdout
        self.stderr = stderr  # standard error without Wine's own debug lines
        self.java = java
        self.urls = urls
        self.answers = answers
        self.java_state = None  # with end_when_java_runs: "ended" or "running"
        self.windows = []  # the X windows the captions were read from

    def describe(self):
        return ("exit code %s\ncaptions %r (windows %r)\ntexts %r\nstdout %r\nstderr %r\njava %r"
                "\nurls %r"
                % (self.exit_code, self.captions, self.windows, [t for t, _ in self.texts],
                   self.stdout, self.stderr, [j.command for j in self.java], self.urls))


class WineSession:
    """Xvfb, a fresh Wine prefix with drive D:, and one persistent wineserver."""

    def __init__(self, options):
        self.options = options
        # The 64-bit loader: with 32-bit Wine installed, "wine" is the 32-bit one,
        # whose reg.exe writes to the 32-bit view of the registry.
        self.wine = find_program("/usr/lib/wine/wine64", "wine64", "wine")
        self.wineserver = find_program("wineserver", "/usr/lib/wine/wineserver64",
                                       "/usr/lib/wine/wineserver")
        self.xdotool = find_program("xdotool")
        self.xvfb_program = find_program("Xvfb")
        self.root = tempfile.mkdtemp(prefix="carafe-wine-")
        self.prefix = os.path.join(self.root, "prefix")
        self.drive_d = os.path.join(self.root, "drive_d")
        self.urls_file = os.path.join(self.root, "urls.txt")
        self.xvfb = None
        self.display = None
        self.server_started = False
        self.no_32_bit = self.why_32_bit_cannot_run(options)
        self.can_run_32_bit = self.no_32_bit is None
        if self.no_32_bit:
            print("carafe32.exe scenarios skipped: %s" % self.no_32_bit, file=sys.stderr)

    @staticmethod
    def why_32_bit_cannot_run(options):
        """None where carafe32.exe can run here, else why not. Debian's
        wine32:i386 brings the 32-bit loader that 32-bit programs need, and
        some kernels run no 32-bit program at all: the loader is run to tell."""
        if not options.exe32:
            return "carafe32.exe was not built"
        loader = os.environ.get("CARAFE_WINE32_LOADER", "/usr/lib/wine/wine")
        if not os.access(loader, os.X_OK):
            return "32-bit Wine (wine32:i386) is not installed"
        try:
            completed = subprocess.run([loader, "--version"], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.PIPE, timeout=60)
        except OSError as error:
            return "the 32-bit Wine loader %s cannot run here: %s" % (loader, error)
        if completed.returncode != 0:
            return ("the 32-bit Wine loader %s cannot run here (exit code %d: %s)"
                    % (loader, completed.returncode,
                       completed.stderr.decode(errors="replace").strip()))
        return None

    # ---- environment ------------------------------------------------------

    def environment(self, debug="-all", extra=None):
        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("WINE", "CARAFE_", "DISPLAY"))}
        env.update({
            "WINEPREFIX": self.prefix,
            "WINEARCH": "win64",
            "WINEDEBUG": debug,
            # No Mono or Gecko install offers, no menu entries written to $HOME.
            # The C runtime DLL of a runtime is the one in its bin folder, as on
            # Windows, not the one that Wine builds in.
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d;vcruntime140=n",
            "DISPLAY": self.display,
        })
        env.update(extra or {})
        return env

    def run_wine(self, *arguments, check=True):
        # Output goes to a file, not a pipe: Wine's own services, started on
        # the way, inherit it and would hold a pipe open. The tools run here
        # (reg, wineboot) may be run again; once a "reg add" said it had
        # succeeded and its loader still ended with an error, so a failure is
        # tried once more before it counts.
        for _ in range(2):
            with tempfile.TemporaryFile(dir=self.root) as output:
                completed = subprocess.run([self.wine] + list(arguments), env=self.environment(),
                                           stdout=output, stderr=output,
                                           stdin=subprocess.DEVNULL, timeout=RUN_TIMEOUT)
                if not check or completed.returncode == 0:
                    return completed
                output.seek(0)
                message = output.read().decode(errors="replace")
        raise RuntimeError("wine %s failed twice, the last time with %d: %s"
                           % (" ".join(arguments), completed.returncode, message))

    def xdo(self, *arguments):
        return subprocess.run([self.xdotool] + list(arguments), env=self.environment(),
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30)

    # ---- start and stop ---------------------------------------------------

    def start(self):
        self.start_xvfb()
        os.makedirs(self.drive_d)
        # The server is started first, persistent, so that every scenario
        # finds it and Wine's services running.
        os.makedirs(self.prefix)
        self.start_server()
        self.run_wine("wineboot", "--init")
        os.symlink(self.drive_d, os.path.join(self.prefix, "dosdevices", "d:"))
        browser = os.path.join(self.root, "browser.sh")
        with open(browser, "w") as script:
            script.write('#!/bin/sh\nprintf "%%s\\n" "$@" >> "%s"\n' % self.urls_file)
        os.chmod(browser, 0o755)
        settings = [
            # The download page goes to a script that records the URL.
            (r"HKCU\Software\Wine\WineBrowser", "Browsers", "REG_SZ", browser),
            # No window manager runs on the virtual display: Wine draws the
            # notices' title bars itself, as Windows would.
            (r"HKCU\Software\Wine\X11 Driver", "Decorated", "REG_SZ", "N"),
            # A crash prints its report and ends; no dialog waits for a user.
            (r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", "REG_DWORD", "0"),
        ]
        for key, name, kind, data in settings:
            self.run_wine("reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f")

    def start_xvfb(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            [self.xvfb_program, "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=end_with_parent)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as reader:
            while not number.endswith(b"\n"):
                chunk = reader.read(1)
                if not chunk:
                    raise RuntimeError("Xvfb did not start")
                number += chunk
        self.display = ":" + number.decode().strip()

    def start_server(self):
        # It outlives the gaps between scenarios, and ends by itself a minute
        # after the last one, should this suite be killed before it stops it.
        subprocess.run([self.wineserver, "-p60"], env=self.environment(), check=True, timeout=60)
        self.server_started = True

    def kill_server(self):
        subprocess.run([self.wineserver, "-k"], env=self.environment(), timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop(self):
        try:
            if self.server_started:
                self.kill_server()
        finally:
            if self.xvfb is not None:
                self.xvfb.terminate()
                try:
                    self.xvfb.wait(timeout=20)
                except subprocess.TimeoutExpired:
                    self.xvfb.kill()
                    self.xvfb.wait()
            shutil.rmtree(self.root, ignore_errors=True)

    # ---- registry ---------------------------------------------------------

    def clear_runtimes(self):
        for view in ("64", "32"):
            self.run_wine("reg", "delete", JAVA_VENDOR_KEY, "/f", "/reg:" + view, check=False)

    def reg_add(self, key, name=None, data=None, kind="REG_SZ", view="64"):
        """Adds to the registry's 64-bit view, or to the 32-bit view that
        32-bit programs see (WOW6432Node)."""
        arguments = ["reg", "add", key]
        if name is not None:
            arguments += ["/v", name, "/t", kind, "/d", data]
        self.run_wine(*(arguments + ["/f", "/reg:" + view]))

    def register(self, current_version=None, runtimes=(), base_key=True, view="64"):
        """Registers runtimes afresh, in one view of the registry: runtimes is a
        list of (key name, JavaHome or None)."""
        self.clear_runtimes()
        if not base_key:
            return
        self.reg_add(MACHINE_BASE_KEY, view=view)
        if current_version is not None:
            self.reg_add(MACHINE_BASE_KEY, "CurrentVersion", current_version, view=view)
        for name, home in runtimes:
            if home is None:
                self.reg_add(MACHINE_BASE_KEY + "\\" + name, view=view)
            else:
                self.reg_add(MACHINE_BASE_KEY + "\\" + name, "JavaHome", home, view=view)

    def import_registry(self, lines):
        """Imports many keys in one go from the lines of a .reg file."""
        path = os.path.join(self.root, "import.reg")
        with open(path, "w", encoding="utf-16") as file:
            file.write("Windows Registry Editor Version 5.00\r\n\r\n" + "\r\n".join(lines) + "\r\n")
        self.run_wine("reg", "import", windows_path_of_unix(path))

    # ---- notices ----------------------------------------------------------

    def visible_notices(self):
        found = self.xdo("search", "--onlyvisible", "--name", ".+")
        return [line for line in found.stdout.decode().split() if line.strip()]

    def window_name(self, window):
        return self.xdo("getwindowname", window).stdout.decode(errors="replace").rstrip("\n")

    def dismiss(self, window, key):
        """Presses key in the notice until it is gone."""
        for _ in range(5):
            if self.xdo("windowfocus", "--sync", window).returncode != 0:
                # Gone already, or not yet ready for the focus under load.
                if window not in self.visible_notices():
                    return
                time.sleep(0.2)
                continue
            self.xdo("key", key)
            deadline = time.monotonic() + NOTICE_GONE_TIMEOUT
            while time.monotonic() < deadline:
                if window not in self.visible_notices():
                    return
                time.sleep(0.05)
        raise RuntimeError("the notice %s did not go away" % window)

    def screenshot(self, window, path):
        """The whole screen cut to the notice and a margin around it."""
        geometry = self.xdo("getwindowgeometry", "--shell", window).stdout.decode()
        values = dict(line.split("=", 1) for line in geometry.split() if "=" in line)
        margin = 16
        x = max(int(values["X"]) - margin, 0)
        y = max(int(values["Y"]) - margin, 0)
        width = int(values["WIDTH"]) + 2 * margin
        height = int(values["HEIGHT"]) + 2 * margin
        time.sleep(0.5)  # let Wine finish painting the box before it is pictured
        subprocess.run([find_program("import"), "-display", self.display, "-window", "root",
                        "-crop", "%dx%d+%d+%d" % (width, height, x, y), "+repage", path],
                       check=True, timeout=60)

    def answer_notices(self, process, answers, captions, keys, screenshot, windows_seen):
        # A notice still listed after its answer (a slow server under load)
        # is answered again but counted once: X never reuses a window's id.
        answered = {}
        while True:
            windows = self.visible_notices()
            if not windows:
                if process.poll() is not None:
                    return
                time.sleep(0.05)
                continue
            window = windows[0]
            if window in answered:
                self.dismiss(window, answered[window])
                continue
            caption = self.window_name(window)
            key = answers[len(captions)] if len(captions) < len(answers) else "Return"
            answered[window] = key
            windows_seen.append(window)
            captions.append(caption)
            keys.append(key)
            if screenshot is not None and len(captions) == 1:
                self.screenshot(window, screenshot)
            self.dismiss(window, key)

    # ---- running the launcher --------------------------------------------

    def launch(self, command, directory, answers=(), environment=None, java_exit=None,
               screenshot=None, expect_url=False, end_when_java_runs=False):
        """Starts command (a Windows command text) in directory through the runner.
        end_when_java_runs: once the fake Java has recorded its start, the
        launcher is ended, and run.java_state says whether Java ended too."""
        work = tempfile.mkdtemp(prefix="run-", dir=self.root)
        result_file = os.path.join(work, "exit.txt")
        record_file = os.path.join(work, "java.txt")
        state_file = os.path.join(work, "java-state.txt")
        if os.path.exists(self.urls_file):
            os.remove(self.urls_file)
        extra = {
            "CARAFE_RUN_COMMAND": command,
            "CARAFE_RUN_DIRECTORY": directory,
            "CARAFE_RUN_RESULT": windows_path_of_unix(result_file),
            "CARAFE_FAKE_JAVA_RECORD": windows_path_of_unix(record_file),
        }
        if java_exit is not None:
            extra["CARAFE_FAKE_JAVA_EXIT"] = str(java_exit)
        if end_when_java_runs:
            extra["CARAFE_RUN_END_WHEN"] = windows_path_of_unix(record_file)
            extra["CARAFE_RUN_JAVA_STATE"] = windows_path_of_unix(state_file)
        extra.update(environment or {})
        with open(os.path.join(work, "stdout"), "wb") as stdout, \
                open(os.path.join(work, "stderr"), "wb") as stderr:
            process = subprocess.Popen([self.wine, self.options.runner],
                                       env=self.environment("-all,trace+msgbox", extra),
                                       stdout=stdout, stderr=stderr, stdin=subprocess.DEVNULL)
            captions, keys, failure, windows_seen = [], [], [], []

            def watch():
                try:
                    self.answer_notices(process, list(answers), captions, keys, screenshot,
                                        windows_seen)
                except Exception as error:  # reported by the test below
                    failure.append(error)

            watcher = threading.Thread(target=watch, daemon=True)
            watcher.start()
            try:
                process.wait(timeout=RUN_TIMEOUT)
            except subprocess.TimeoutExpired:
                self.kill_server()
                process.wait()
                self.start_server()
                raise AssertionError("the launcher did not end; notices so far: %r" % captions)
            watcher.join(timeout=60)
            if failure:
                raise failure[0]

        with open(os.path.join(work, "stdout"), "rb") as file:
            stdout_text = file.read().decode("utf-8", "replace")
        with open(os.path.join(work, "stderr"), "rb") as file:
            stderr_lines = file.read().decode("utf-8", "replace").splitlines(keepends=True)
        texts = []
        other = []
        for line in stderr_lines:
            match = MSGBOX_TRACE.match(line.rstrip("\n"))
            if match:
                texts.append((unescape_wine_text(match.group(1)), bool(match.group(2))))
            elif not WINE_DEBUG_LINE.match(line):
                other.append(line)
        if not os.path.exists(result_file):
            raise AssertionError("the runner recorded no exit code: %s" % "".join(stderr_lines))
        with open(result_file) as file:
            exit_code = int(file.read().strip())
        urls = self.wait_for_urls() if expect_url else self.read_urls()
        run = Run(exit_code, captions, texts, stdout_text, "".join(other),
                  read_java_starts(record_file), urls, keys)
        run.windows = windows_seen
        if os.path.exists(state_file):
            with open(state_file) as file:
                run.java_state = file.read().strip()
        shutil.rmtree(work, ignore_errors=True)
        return run

    def run_console(self, command, stdin_text="", environment=None):
        """Runs a command line in Wine's cmd.exe, as from a console window,
        with standard input from stdin_text. Returns (stdout, stderr without
        Wine's own lines, the texts of any message boxes)."""
        extra = {"CARAFE_FAKE_JAVA_ECHO": "1"}
        extra.update(environment or {})
        completed = subprocess.run([self.wine, "cmd", "/c", command],
                                   env=self.environment("-all,trace+msgbox", extra),
                                   input=stdin_text.encode(), stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, timeout=RUN_TIMEOUT)
        stderr_lines = completed.stderr.decode("utf-8", "replace").splitlines(keepends=True)
        boxes = [line for line in stderr_lines if MSGBOX_TRACE.match(line.rstrip("\n"))]
        other = [line for line in stderr_lines if not WINE_DEBUG_LINE.match(line)]
        return completed.stdout.decode("utf-8", "replace"), "".join(other), boxes

    def read_urls(self):
        if not os.path.exists(self.urls_file):
            return []
        with open(self.urls_file) as file:
            return file.read().splitlines()

    def wait_for_urls(self):
        # The launcher does not wait for the browser; it comes on its own time.
        deadline = time.monotonic() + URL_TIMEOUT
        while time.monotonic() < deadline:
            urls = self.read_urls()
            if urls:
                return urls
            time.sleep(0.1)
        return []


def end_with_parent():
    """In a child process: be ended when the suite ends, even when it is killed."""
    try:
        import ctypes
        PR_SET_PDEATHSIG = 1
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)
    except (OSError, AttributeError):
        pass


def windows_path_of_unix(path):
    """The path through Wine's Z: drive, which maps the Unix root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def read_java_starts(path):
    if not os.path.exists(path):
        return []
    starts = []
    fields, arguments, options = {}, [], []
    with open(path, "rb") as file:
        for raw in file.read().decode("utf-8", "replace").split("\n"):
            if raw == "end":
                starts.append(JavaStart(fields, arguments, options))
                fields, arguments, options = {}, [], []
            elif raw.startswith("argv="):
                arguments.append(raw[len("argv="):])
            elif raw.startswith("option="):
                options.append(raw[len("option="):])
            elif "=" in raw:
                name, value = raw.split("=", 1)
                fields[name] = value
    return starts


class Scenario:
    """A directory of its own on drive D: for one scenario's files."""

    def __init__(self, name):
        self.name = name
        self.root = os.path.join(SESSION.drive_d, name)
        shutil.rmtree(self.root, ignore_errors=True)
        os.makedirs(self.root)

    def win(self, *parts):
        return "\\".join(["D:", self.name] + [part for part in parts if part])

    def unix(self, *parts):
        return os.path.join(self.root, *[p for part in parts for p in part.split("\\") if p])

    def write(self, relative, text, newline="\n", encoding="utf-8"):
        path = self.unix(relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as file:
            file.write(text.replace("\n", newline).encode(encoding))
        return path

    def mkdir(self, relative):
        os.makedirs(self.unix(relative), exist_ok=True)

    def install_launcher(self, relative_exe, config_lines=None, newline="\n", encoding="utf-8",
                         launcher=None):
        """Copies carafe.exe (or launcher) to relative_exe, with the configuration beside it."""
        path = self.unix(relative_exe)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copyfile(launcher or OPTIONS.exe, path)
        if config_lines is not None:
            base = relative_exe[:-4] if relative_exe.endswith(".exe") else relative_exe
            self.write(base + ".config", "".join(line + "\n" for line in config_lines), newline,
                       encoding)
        return self.win(relative_exe)

    def add_runtime(self, relative_home, jvm=False):
        """A runtime home with the fake bin\\javaw.exe and bin\\java.exe; with
        jvm, also the fake bin\\server\\jvm.dll and the C runtime DLL in bin."""
        bin_directory = self.unix(relative_home, "bin")
        os.makedirs(bin_directory, exist_ok=True)
        shutil.copyfile(OPTIONS.javaw, os.path.join(bin_directory, "javaw.exe"))
        shutil.copyfile(OPTIONS.java, os.path.join(bin_directory, "java.exe"))
        if jvm:
            os.makedirs(os.path.join(bin_directory, "server"), exist_ok=True)
            shutil.copyfile(OPTIONS.jvm, os.path.join(bin_directory, "server", "jvm.dll"))
            shutil.copyfile(OPTIONS.crt, os.path.join(bin_directory, "vcruntime140.dll"))
        return self.win(relative_home)


class WineTestCase(unittest.TestCase):
    maxDiff = None

    def assertNotices(self, run, expected):
        """The exact sequence of (caption, text) that the user met."""
        observed = [Notice(caption, text, truncated)
                    for caption, (text, truncated) in zip(run.captions, run.texts)]
        message = run.describe()
        self.assertEqual(len(run.captions), len(run.texts), message)
        self.assertEqual(len(observed), len(expected), "%r\n%s" % (observed, message))
        for notice, (caption, text) in zip(observed, expected):
            self.assertTrue(notice.matches(caption, text),
                            "expected %r, met %r\n%s" % ((caption, text), notice, message))

    def assertExit(self, run, code):
        self.assertEqual(run.exit_code, code, run.describe())

    def assertOutput(self, observed, expected):
        """Standard output and error are in text mode: each line ends in CR LF."""
        self.assertEqual(observed, expected.replace("\n", "\r\n"))


def expected_trace_of_resolution(required, prefix, names):
    """The lines that resolving a required version writes whatever the mode."""
    def level(text):
        match = re.match(r"\s*([+-]?\d+)", text.split("_", 1)[1]) if "_" in text else None
        return int(match.group(1)) if match else 0

    lines = ["javaVersion=%s, javaVer=%s\n" % (required, prefix)]
    best = level(required)
    for index, name in enumerate(names, 1):
        lines.append("checking (%d) %s\n" % (index, name))
        if not name.startswith(prefix):
            continue
        lines.append("found correct java version %s. checking patch level\n" % name)
        if "_" not in name:
            lines.append("No patch level found in %s\n" % name)
            continue
        lines.append("checking patch level %d against %d\n" % (level(name), best))
        if level(name) >= best:
            best = level(name)
            lines.append("found latest java version %s\n" % name)
    return "".join(lines)


def launchers_and_views():
    """The GUI builds with the registry view each one reads: carafe.exe the
    64-bit view, carafe32.exe the 32-bit one (when it can run here)."""
    rows = [("carafe.exe", OPTIONS.exe, "64")]
    if SESSION.can_run_32_bit:
        rows.append(("carafe32.exe", OPTIONS.exe32, "32"))
    return rows


class TypicalStart(WineTestCase):
    def test_double_click_from_another_directory_starts_the_best_runtime(self):
        for build, launcher, view in launchers_and_views():
            with self.subTest(build):
                self.double_click(build, launcher, view)

    def double_click(self, build, launcher, view):
        s = Scenario("typical-" + build.replace(".", "-"))
        config = [
            "# Editor, as its installer wrote it (CRLF line ends)",
            "appname Editor",
            "mainclass com.example.editor.Main",
            "vmparam -Xmx256m",
            r"addpath $Editor_Home\lib\editor.jar",
            "addjars lib",
            "javaVersion 1.5.0_06+",
            "argument --open",
        ]
        exe = s.install_launcher(r"Program Files\Editor\Editor.exe", config, newline="\r\n",
                                 launcher=launcher)
        for name in ("a.jar", "B.JAR", "notes.txt", "a.jar.bak"):
            s.write(r"Program Files\Editor\lib\%s" % name, "jar")
        s.mkdir(r"Program Files\Editor\lib\x.jar")
        s.mkdir("Desktop")
        homes = {name: s.add_runtime(r"Java\jre " + name)
                 for name in ("1.5.0_04", "1.5.0_06", "1.5.0_10")}
        homes["1.4.2_08"] = s.add_runtime(r"Java\j2re1.4.2_08")
        homes["1.6.0_01"] = s.add_runtime(r"Java\jre1.6.0_01")
        names = sorted(homes)
        SESSION.register("1.4", [(name, homes[name]) for name in names], view=view)

        # A shortcut starts it by its quoted full path, in a directory of its own.
        run = SESSION.launch('"%s"' % exe, s.win("Desktop"),
                             environment={"EDITOR_HOME": s.win(r"Program Files\Editor")})

        self.assertNotices(run, [])
        self.assertExit(run, 0)
        self.assertOutput(run.stdout, expected_trace_of_resolution("1.5.0_06+", "1.5.0", names))
        self.assertOutput(run.stderr, "")
        self.assertEqual(len(run.java), 1, run.describe())
        java = run.java[0]
        javaw = s.win(r"Java\jre 1.5.0_10\bin\javaw.exe")
        self.assertEqual(java.module, javaw)
        self.assertEqual(java.directory, s.win(r"Program Files\Editor"))
        classpath = '"%s/lib/editor.jar";' % s.win(r"Program Files\Editor").replace("\\", "/")
        jar_orders = ("lib/a.jar;lib/B.JAR;", "lib/B.JAR;lib/a.jar;")  # the search's order
        expected = ['"%s" -Xmx256m -classpath %s%s com.example.editor.Main --open '
                    % (javaw, classpath, jars) for jars in jar_orders]
        self.assertIn(java.command, expected)
        self.assertEqual(java.argv[0], javaw)
        self.assertEqual(java.argv[1:3], ["-Xmx256m", "-classpath"])
        self.assertIn(java.argv[3], [classpath.replace('"', "") + jars for jars in jar_orders])
        self.assertEqual(java.argv[4:], ["com.example.editor.Main", "--open"])


class MissingConfiguration(WineTestCase):
    def test_missing_configuration_ends_with_2_and_a_line_on_standard_error(self):
        s = Scenario("missing")
        exe = s.install_launcher(r"Tools\Viewer.exe")
        SESSION.register("1.5", [("1.5", s.add_runtime("jre"))])
        run = SESSION.launch(exe + " --flag", s.win())
        self.assertNotices(run, [])
        self.assertExit(run, 2)
        self.assertOutput(run.stderr, "Can't open %s Error No such file or directory\n"
                         % s.win(r"Tools\Viewer.config"))
        self.assertOutput(run.stdout, "")
        self.assertEqual(run.java, [])


class DebugMode(WineTestCase):
    def test_debug_mode_shows_every_step_and_starts_the_console_java(self):
        s = Scenario("debug")
        exe = s.install_launcher(r"Apps\Tool\tool.exe", [
            "mainclass app.Main",
            r"addpath $APPDIR\lib\app.jar",
            r"addpath $NOT_SET_ANYWHERE\x.jar",
            "javaVersion 1.5.0_06",
            "addjars jars",
        ])
        s.write(r"Apps\Tool\jars\one.jar", "jar")
        home = s.add_runtime("jre")
        SESSION.register("1.4", [("1.5.0_06", home)])
        app_dir = s.win("app")

        run = SESSION.launch(exe + " first -d second", s.win(),
                             environment={"APPDIR": app_dir})

        config = s.win(r"Apps\Tool\tool.config")
        java = s.win(r"jre\bin\java.exe")
        command = (java + r" -classpath D:/debug/app/lib/app.jar;$NOT_SET_ANYWHERE\x.jar;"
                   "jars/one.jar; app.Main first second ")
        self.assertNotices(run, [
            ("Version", "1.0.7"),
            ("LpCmdLine", "[%s]" % exe),
            ("CWD", s.win(r"Apps\Tool")),
            ("Reading App Config file", "[%s]" % config),
            ("Reading Config file", config),
            ("Parse Path", "arg [$APPDIR\\lib\\app.jar] expanded to [%s\\lib\\app.jar]\n" % app_dir),
            ("Can't find variable", "NOT_SET_ANYWHERE"),
            ("JavaInstallRegPath", BASE_KEY + "\\1.5.0_06"),
            ("MainClass is", "app.Main"),
            ("Javapath is", java),
            ("Command Line is", command),
        ])
        self.assertExit(run, 0)
        # The sizing pass counts 2 more bytes per piece and 3 per argument.
        pieces = [java, "app.Main", "D:/debug/app/lib/app.jar", "$NOT_SET_ANYWHERE\\x.jar",
                  "jars/one.jar"]
        size = (sum(len(piece) + 2 for piece in pieces)
                + sum(len(argument) + 3 for argument in ("first", "second")) + 12)
        self.assertOutput(run.stdout, "".join([
            "reading app config %s\n" % config,
            "adding jar jars/one.jar\n",
            "vmpath 0=D:/debug/app/lib/app.jar\n",
            "vmpath 1=$NOT_SET_ANYWHERE\\x.jar\n",
            "vmjars 0=jars/one.jar\n",
            "cmdLine is %d chars long\n" % size,
            "CreateProcess ret 1, exitCode=0\n",
        ]))
        self.assertEqual(len(run.java), 1, run.describe())
        self.assertEqual(run.java[0].module, java)
        self.assertEqual(run.java[0].command, command)


class DefaultLookupFailures(WineTestCase):
    ROWS = [
        # (name, registry, debug notice, notice)
        ("no base key", dict(base_key=False),
         ("Error Accessing Registry!", BASE_KEY), "No Java Installation Found"),
        ("no current version", dict(current_version=None, runtimes=[("1.5", "C:\\jre")]),
         ("Error Reading Registry", "Java Current Version Key"), "No Java Installation Found"),
        ("current version without its key", dict(current_version="1.6", runtimes=[("1.5", "C:\\jre")]),
         ("Error Accessing Registry!", "Java Current Version"),
         "No Java Installation (No Current Version) Found"),
        ("version key without JavaHome", dict(current_version="1.5", runtimes=[("1.5", None)]),
         ("Error Reading Registry!", "Java Home Directory"),
         "No Java Installation Home Directory Found"),
    ]

    def test_each_failure_shows_its_notice_and_ends_with_2(self):
        for name, registry, debug_notice, text in self.ROWS:
            for debug in (False, True):
                with self.subTest(name, debug=debug):
                    s = Scenario("default-%s%s" % (name.replace(" ", "-"), "-d" if debug else ""))
                    exe = s.install_launcher("app.exe", ["mainclass app.Main"])
                    SESSION.register(**registry)
                    run = SESSION.launch(exe + (" -d" if debug else ""), s.win())
                    expected = [("Error!", text)]
                    if debug:
                        config = s.win("app.config")
                        expected = [("Version", "1.0.7"), ("LpCmdLine", "[%s]" % exe),
                                    ("CWD", s.win()), ("Reading App Config file", "[%s]" % config),
                                    ("Reading Config file", config), ("MainClass is", "app.Main"),
                                    debug_notice] + expected
                    self.assertNotices(run, expected)
                    self.assertExit(run, 2)
                    self.assertEqual(run.java, [])


class RequiredVersionFailures(WineTestCase):
    NOT_FOUND = "Java Runtime Environment Not Found"
    INCOMPATIBLE = "Incompatible JRE Version Found"

    def offer(self, version):
        return ("Office requires the Java Runtime Environment version %s\n"
                "Do you want to download it?" % version)

    def run_row(self, name, version, installed, answer, base_key=True):
        s = Scenario("required-" + name)
        exe = s.install_launcher(r"Office\office.exe",
                                 ["appname Office", "javaVersion " + version, "mainclass office.Main"])
        SESSION.register("1.5", [(key, s.add_runtime("jre" + key)) for key in installed],
                         base_key=base_key)
        return SESSION.launch(exe, s.win(), answers=[answer], expect_url=answer == "y")

    def test_no_base_key_during_resolution_offers_the_page_and_ends_with_11(self):
        run = self.run_row("no-base-key", "1.5.0", [], "y", base_key=False)
        self.assertNotices(run, [(self.NOT_FOUND, self.offer("1.5.0"))])
        self.assertExit(run, 11)
        self.assertEqual(run.urls, [PAGE_1_5])

    def test_no_runtime_reaching_the_patch_level_ends_with_11(self):
        for answer, urls in (("y", [PAGE_1_4_2]), ("n", [])):
            with self.subTest(answer=answer):
                run = self.run_row("incompatible-" + answer, "1.4.2_10+",
                                   ["1.4.2_08", "1.5.0_10"], answer)
                self.assertNotices(run, [(self.INCOMPATIBLE, self.offer("1.4.2_10+"))])
                self.assertExit(run, 11)
                self.assertEqual(run.urls, urls)
                self.assertEqual(run.java, [])

    def test_a_version_without_a_download_page_opens_nothing_on_yes(self):
        run = self.run_row("no-page", "1.6.0_02+", ["1.6.0_01"], "y")
        self.assertNotices(run, [(self.INCOMPATIBLE, self.offer("1.6.0_02+"))])
        self.assertExit(run, 11)
        self.assertEqual(run.urls, [])

    def test_missing_exact_version_offers_the_page_and_ends_with_5(self):
        for answer, urls in (("y", [PAGE_1_5]), ("n", [])):
            with self.subTest(answer=answer):
                run = self.run_row("exact-" + answer, "1.5.0_06", ["1.5.0_10"], answer)
                self.assertNotices(run, [(self.NOT_FOUND, self.offer("1.5.0_06"))])
                self.assertExit(run, 5)
                self.assertEqual(run.urls, urls)
                self.assertEqual(run.java, [])

    def test_yes_opens_the_configured_download_page(self):
        s = Scenario("required-download-url")
        page = "https://example.com/office/java?v=21"
        exe = s.install_launcher(r"Office\office.exe",
                                 ["appname Office", "downloadUrl " + page, "javaVersion 21+",
                                  "mainclass office.Main"])
        SESSION.register("17", [("17.0.2", s.add_runtime("jdk17.0.2"))])
        run = SESSION.launch(exe, s.win(), answers=["y"], expect_url=True)
        self.assertNotices(run, [(self.INCOMPATIBLE, self.offer("21+"))])
        self.assertExit(run, 11)
        self.assertEqual(run.urls, [page])
        self.assertEqual(run.java, [])

    def test_version_key_without_java_home_ends_with_5(self):
        s = Scenario("required-no-home")
        exe = s.install_launcher("office.exe", ["mainclass office.Main", "javaVersion 1.4.2_08"])
        SESSION.register("1.4", [("1.4.2_08", None)])
        run = SESSION.launch(exe, s.win())
        self.assertNotices(run, [
            ("Error!", "No Java Home Directory Found for %s\\1.4.2_08 " % BASE_KEY)])
        self.assertExit(run, 5)


class JavaExitCodes(WineTestCase):
    def test_a_non_zero_java_exit_code_is_reported_and_passed_on(self):
        violation = "\nJava ended abnormally: exception 0xC0000005 (access violation)."
        rows = [
            # java's exit, the launcher's, the notice's end, a crash report, exitNotice abnormal
            ("1", 1, "1", False, False),
            ("4294967295", 4294967295, "-1", False, False),
            ("crash", 0xC0000005, "-1073741819" + violation, False, False),
            # The report Java wrote in its directory, named by Java's process.
            ("crash", 0xC0000005, "-1073741819" + violation, True, False),
            # "exitNotice abnormal": a normal exit code passes on silently.
            ("1", 1, None, False, True),
            ("crash", 0xC0000005, "-1073741819" + violation, False, True),
        ]
        for java_exit, exit_code, shown, report, only_abnormal in rows:
            name = java_exit + ("-report" if report else "") + ("-abnormal" if only_abnormal else "")
            with self.subTest(name):
                s = Scenario("exit-" + name)
                exe = s.install_launcher("app.exe", ["mainclass app.Main"] +
                                         (["exitNotice abnormal"] if only_abnormal else []))
                home = s.add_runtime("Java Runtime")
                SESSION.register("1.5", [("1.5", home)])
                run = SESSION.launch(exe, s.win(), java_exit=java_exit,
                                     environment={"CARAFE_FAKE_JAVA_REPORT": "1"} if report else None)
                self.assertEqual(len(run.java), 1, run.describe())
                if report:
                    shown += "\nJava wrote a crash report: %s\\hs_err_pid%s.log" % (
                        s.win(), run.java[0].fields["pid"])
                self.assertNotices(run, [] if shown is None else [
                    ("Error", 'Error launching Class app.Main\n with Java "%s\\bin\\javaw.exe".'
                              "\nError=%s" % (home, shown))])
                self.assertExit(run, exit_code)

    def test_command_line_arguments_reach_java_as_written(self):
        # Double quotes that are part of an argument reach Java too; an
        # "argument" line is command-line text, whose quotes group its words.
        s = Scenario("arguments")
        exe = s.install_launcher("app.exe", ["mainclass app.Main", "argument from config",
                                             'argument --name="x"'])
        home = s.add_runtime("jre")
        SESSION.register("1.5", [("1.5", home)])
        run = SESSION.launch(exe + r' "two words" *.jar C:\dir\ -D "--title=\"My App\"" '
                                   r'{\"k\":\"v\"} "say \"hi\"" a\\\"b', s.win())
        self.assertNotices(run, [])
        self.assertExit(run, 0)
        self.assertEqual(run.java[0].argv[1:], [
            "-classpath", "", "app.Main", "two words", "*.jar", "C:\\dir\\", "-D",
            '--title="My App"', '{"k":"v"}', 'say "hi"', 'a\\"b', "from config", "--name=x"])

    def test_a_java_path_with_spaces_that_names_the_file_is_one_word(self):
        s = Scenario("javapath-spaces")
        home = s.add_runtime(r"Program Files\Java\jre")
        exe = s.install_launcher("app.exe", ["mainclass app.Main",
                                             r"javapath %s\bin\javaw.exe" % home])
        SESSION.register()
        run = SESSION.launch(exe, s.win())
        self.assertNotices(run, [])
        self.assertExit(run, 0)
        self.assertEqual(run.java[0].module, home + r"\bin\javaw.exe")
        self.assertEqual(run.java[0].argv[1:], ["-classpath", "", "app.Main"])


class Faults(WineTestCase):
    """Registry data and command lines beyond what the launcher can use."""

    def install(self, name, current_version, runtimes, lines=("mainclass app.Main",)):
        s = Scenario("fault-" + name)
        exe = s.install_launcher("app.exe", list(lines))
        SESSION.register(current_version, runtimes)
        return s, exe

    def test_java_home_of_4000_characters_cannot_be_read(self):
        s, exe = self.install("long-home", "1.5", [("1.5", "C:\\" + "j" * 3997)])
        run = SESSION.launch(exe, s.win())
        self.assertNotices(run, [("Error!", "No Java Installation Home Directory Found")])
        self.assertExit(run, 2)

    def test_current_version_of_300_characters_cannot_be_read(self):
        s, exe = self.install("long-current", "1" * 300, [("1.5", "C:\\jre")])
        run = SESSION.launch(exe, s.win())
        self.assertNotices(run, [("Error!", "No Java Installation Found")])
        self.assertExit(run, 2)

    def test_a_java_home_that_is_not_text_is_read_as_text_and_fails_to_start(self):
        s, exe = self.install("dword-home", "1.5", [])
        # 0x44434241 is stored as the bytes "ABCD", without a terminator.
        SESSION.reg_add(MACHINE_BASE_KEY + "\\1.5", "JavaHome", "0x44434241", kind="REG_DWORD")
        run = SESSION.launch(exe, s.win())
        # Wine's message for ERROR_FILE_NOT_FOUND, without its full stop.
        self.assertNotices(run, [("Error", "Can't start Java ABCD\\bin\\javaw.exe\nFile not found")])
        self.assertExit(run, 2)
        self.assertEqual(run.java, [])

    def test_a_java_path_that_cannot_be_started_is_reported_with_the_system_message(self):
        rows = [
            # (name, what the javapath names, the system's message under Wine)
            ("no-file", "missing.exe", "File not found"),
            ("directory", "folder", "File not found"),
            ("not-a-program", "notes.exe",
             "Bad EXE format for D:\\fault-start-not-a-program\\notes.exe"),
        ]
        for name, target, message in rows:
            with self.subTest(name):
                s = Scenario("fault-start-" + name)
                s.mkdir("folder")
                s.write("notes.exe", "just text\n")
                exe = s.install_launcher("app.exe", ["mainclass app.Main", "javapath " + s.win(target)])
                SESSION.register()
                run = SESSION.launch(exe, s.win())
                self.assertNotices(run, [("Error", "Can't start Java %s\n%s" % (s.win(target), message))])
                self.assertExit(run, 2)

    def test_500_installed_versions_are_all_examined(self):
        s = Scenario("fault-500")
        exe = s.install_launcher("app.exe", ["mainclass app.Main", "javaVersion 1.5.0_06+"])
        home = s.add_runtime("jre500")
        SESSION.register()
        names = ["1.5.0_%d" % level for level in range(1, 501)]
        lines = []
        for name in names:
            lines.append("[HKEY_LOCAL_MACHINE\\%s\\%s]" % (BASE_KEY, name))
            java_home = home if name == "1.5.0_500" else "D:\\nowhere"
            lines.append('"JavaHome"="%s"' % java_home.replace("\\", "\\\\"))
        SESSION.import_registry(lines)
        run = SESSION.launch(exe, s.win())
        self.assertNotices(run, [])
        self.assertExit(run, 0)
        self.assertOutput(run.stdout,
                          expected_trace_of_resolution("1.5.0_06+", "1.5.0", sorted(names)))
        self.assertEqual(run.java[0].module, home + "\\bin\\javaw.exe")

    def command_of_length(self, s, length):
        """A configuration whose Java command has exactly length characters."""
        home = s.add_runtime("jre")
        java = home + "\\bin\\javaw.exe"
        fixed = len(java) + 1 + len('-classpath ""') + 1 + len("app.Main")
        count = 100
        room = length - fixed
        parameters = []
        for index in range(count):
            size = room // count + (1 if index < room % count else 0)
            parameters.append("-Dp%02d=" % index + "x" * (size - 1 - 6))
        lines = ["mainclass app.Main"] + ["vmparam " + p for p in parameters]
        command = java + " " + "".join(p + " " for p in parameters) + '-classpath "" app.Main'
        assert len(command) == length
        return home, lines, command

    def test_the_longest_command_line_is_started_and_a_longer_one_refused(self):
        for length in (COMMAND_LIMIT, COMMAND_LIMIT + 1, 33000):
            with self.subTest(length=length):
                s = Scenario("fault-command-%d" % length)
                home, lines, command = self.command_of_length(s, length)
                exe = s.install_launcher("app.exe", lines)
                SESSION.register("1.5", [("1.5", home)])
                run = SESSION.launch(exe, s.win())
                self.assertExit(run, 0 if length <= COMMAND_LIMIT else 2)
                if length <= COMMAND_LIMIT:
                    self.assertNotices(run, [])
                    self.assertEqual([start.command for start in run.java], [command])
                else:
                    self.assertNotices(run, [(
                        "Error", "The Java command line has %d characters; at most %d can be started.\n"
                        "Shorten the lists in %s." % (length, COMMAND_LIMIT, s.win("app.config")))])
                    self.assertEqual(run.java, [])

    def test_a_command_past_the_limit_reaches_java_17_through_an_argument_file(self):
        s = Scenario("fault-argument-file")
        home = s.add_runtime("jdk 17")
        s.write(r"jdk 17\release", 'JAVA_VERSION="17.0.15"\n')
        # Options with spaces, quotes and backslashes, 40,000 characters in all.
        options = ['-Dq="a b"', '-Dp=C:\\dir\\', '-Dr=x\\"y']
        options += ["-Dp%03d=" % index + "x" * 390 for index in range(100)]
        lines = ["mainclass app.Main", "addpath C:\\lib\\a.jar", "argument one two"]
        exe = s.install_launcher("app.exe", lines + ["vmparam " + p for p in options])
        SESSION.register("1.5", [("1.5", home)])
        run = SESSION.launch(exe + ' "three four"', s.win())
        self.assertNotices(run, [])
        self.assertExit(run, 0)
        self.assertEqual(len(run.java), 1, run.describe())
        java = run.java[0]
        self.assertEqual(java.argv, [
            java.argv[0], "-Dq=a b", "-Dp=C:\\dir\\", '-Dr=x"y'] + options[3:]
            + ["-classpath", "C:\\lib\\a.jar;", "app.Main", "three four", "one two"])
        self.assertLess(len(java.command), 1000, java.command)
        argument_file = java.fields["argfile"]
        # The user's own temporary folder: %LOCALAPPDATA%\Temp, else the system's
        # temporary path for the user (Wine's has no AppData\Local\Temp).
        self.assertRegex(argument_file,
                         r"^C:\\users\\[^\\]+\\(AppData\\Local\\)?Temp\\carafe-")
        unix_file = os.path.join(SESSION.prefix, "drive_c", *argument_file[3:].split("\\"))
        self.assertTrue(os.path.isdir(os.path.dirname(unix_file)), unix_file)
        self.assertFalse(os.path.exists(unix_file), "the argument file is left behind")


class ConfigurationFiles(WineTestCase):
    def test_text_mode_reading_includes_and_their_faults(self):
        s = Scenario("config")
        s.write(r"App\app.config", "mainclass app.Main\r\n"
                                   "include more.config\r\n"
                                   "include APP.CONFIG\r\n"
                                   "include lib\r\n"
                                   "argument last\r\n"
                                   "\x1aargument after-the-end\r\n")
        s.write(r"App\more.config", "argument from-more\rstill\r\n")
        s.mkdir(r"App\lib")
        exe = s.install_launcher(r"App\app.exe")
        SESSION.register("1.5", [("1.5", s.add_runtime("jre"))])
        run = SESSION.launch(exe, s.win())
        self.assertNotices(run, [(
            "Error", "Can't include APP.CONFIG: it is already being read, so it would include "
                     "itself.\nThe include line is skipped.")])
        # A directory cannot be opened as a file; the system says why.
        self.assertOutput(run.stderr, "Can't open lib Error Permission denied\n")
        self.assertExit(run, 0)
        self.assertEqual(run.java[0].argv[4:], ["from-more\rstill", "last"])


class UnicodeText(WineTestCase):
    """Paths, values and texts outside the system's legacy code page
    (Windows-1252 here), and configuration files as editors save them."""

    def test_installed_under_a_folder_outside_and_inside_the_code_page_starts_java(self):
        for index, folder in enumerate(["\u0141ukasz", "J\u00fcrgen"]):  # Łukasz, Jürgen
            with self.subTest(folder):
                s = Scenario("unicode-%d" % index)
                app = folder + r"\Editor"
                home = s.add_runtime(folder + r"\Java\jre 8")
                exe = s.install_launcher(app + r"\Editor.exe", [
                    "mainclass app.Main",
                    r"addpath $EDITOR_HOME\lib\editor.jar",
                    "vmparam -Dlabel=$LABEL",
                    "javaVersion 1.8",
                ])
                SESSION.register("1.8", [("1.8", home)])
                label = "\u0132zer \u2615"  # Ĳzer ☕
                run = SESSION.launch('"%s" Zo\u00eb\u2615 "\u0141\u00f3d\u017a x"' % exe, s.win(),
                                     environment={"EDITOR_HOME": s.win(app), "LABEL": label})
                self.assertNotices(run, [])
                self.assertExit(run, 0)
                self.assertEqual(len(run.java), 1, run.describe())
                java = run.java[0]
                self.assertEqual(java.module, home + r"\bin\javaw.exe")
                self.assertEqual(java.directory, s.win(app))
                classpath = s.win(app, r"lib\editor.jar").replace("\\", "/") + ";"
                self.assertEqual(java.argv[1:], ["-Dlabel=" + label, "-classpath", classpath,
                                                 "app.Main", "Zo\u00eb\u2615",
                                                 "\u0141\u00f3d\u017a x"])
                self.assertEqual(java.command,
                                 '"%s\\bin\\javaw.exe" -Dlabel="%s" -classpath %s app.Main '
                                 'Zo\u00eb\u2615 "\u0141\u00f3d\u017a x" ' % (home, label, classpath))

    def offer(self, name, version):
        return ("%s requires the Java Runtime Environment version %s\n"
                "Do you want to download it?" % (name, version))

    def test_a_notice_shows_a_name_outside_the_code_page(self):
        s = Scenario("unicode-notice")
        exe = s.install_launcher("app.exe", ["appname \u0141\u00f3d\u017a Editor",
                                             "javaVersion 1.5.0_99", "mainclass app.Main"])
        SESSION.register()
        run = SESSION.launch(exe, s.win(), answers=["n"])
        self.assertNotices(run, [("Java Runtime Environment Not Found",
                                  self.offer("\u0141\u00f3d\u017a Editor", "1.5.0_99"))])
        self.assertExit(run, 5)

    def test_a_configuration_saved_in_windows_1252_is_read_in_that_code_page(self):
        s = Scenario("unicode-legacy")
        exe = s.install_launcher("app.exe", ["appname Caf\u00e9", "javaVersion 1.5.0_99",
                                             "mainclass app.Main"], encoding="cp1252")
        SESSION.register()
        run = SESSION.launch(exe, s.win(), answers=["n"])
        self.assertNotices(run, [("Java Runtime Environment Not Found",
                                  self.offer("Caf\u00e9", "1.5.0_99"))])
        self.assertExit(run, 5)


class ConsoleProgram(WineTestCase):
    """carafe-console.exe, started from a console: cmd.exe waits for it and
    gets Java's exit code; Java shares its standard streams; notices are lines
    on standard error."""

    def install(self, name, lines, runtimes=True):
        s = Scenario("console-" + name)
        exe = s.install_launcher("tool.exe", lines, launcher=OPTIONS.console_exe)
        if runtimes:
            SESSION.register("1.5", [("1.5", s.add_runtime("jre"))])
        else:
            SESSION.register()
        s.write("run.bat", "@echo off\r\n%s %%*\r\necho exit=%%ERRORLEVEL%%\r\n" % exe)
        return s, s.win("run.bat")

    def test_cmd_waits_for_java_which_shares_the_streams(self):
        s, batch = self.install("java", ["mainclass app.Main"])
        launched = ("Error: Error launching Class app.Main\r\n with Java %s.\r\nError="
                    % s.win(r"jre\bin\java.exe"))
        rows = [
            # The shell has a normal exit code: no notice beside what Java wrote.
            ("3", "exit=3", ""),
            # An exception code is told.
            ("crash", "exit=-1073741819", launched + "-1073741819\r\nJava ended abnormally: "
             "exception 0xC0000005 (access violation).\r\n"),
        ]
        for java_exit, exit_line, notice in rows:
            with self.subTest(java_exit=java_exit):
                stdout, stderr, boxes = SESSION.run_console(batch + " one", "typed input\n",
                                                            {"CARAFE_FAKE_JAVA_EXIT": java_exit})
                self.assertEqual(stdout, "typed input\r\njava out\r\n%s\r\n" % exit_line)
                self.assertEqual(stderr, "java err\r\n" + notice)
                self.assertEqual(boxes, [])

    def test_a_failure_notice_is_a_line_on_standard_error(self):
        _, batch = self.install("no-java", ["mainclass app.Main"], runtimes=False)
        stdout, stderr, boxes = SESSION.run_console(batch)
        self.assertEqual(stdout, "exit=2\r\n")
        self.assertEqual(stderr, "Error!: No Java Installation Found\r\n")
        self.assertEqual(boxes, [])

    def test_trace_lines_go_to_standard_error_and_the_search_s_only_with_d(self):
        # Standard output, here a pipe, is the tool's result (tool.exe --json | jq).
        _, batch = self.install("trace", ["javaVersion 1.5", "mainclass app.Main"])
        stdout, stderr, _ = SESSION.run_console(batch)
        self.assertEqual((stdout, stderr), ("java out\r\nexit=0\r\n", "java err\r\n"))
        stdout, stderr, _ = SESSION.run_console(batch + " -d")
        self.assertEqual(stdout, "java out\r\nexit=0\r\n")
        self.assertIn("javaVersion=1.5, javaVer=1.5\r\nchecking (1) 1.5\r\n", stderr)
        self.assertIn("CreateProcess ret 1, exitCode=0\r\n", stderr)

    def test_a_question_without_a_console_to_answer_it_is_answered_no(self):
        _, batch = self.install("offer", ["appname Tool", "javaVersion 1.5.0_06+",
                                          "mainclass app.Main"], runtimes=False)
        stdout, stderr, boxes = SESSION.run_console(batch, "y\n")
        # Without -d the search writes no trace line.
        self.assertEqual(stdout, "exit=11\r\n")
        self.assertEqual(stderr, "Incompatible JRE Version Found: Tool requires the Java "
                                 "Runtime Environment version 1.5.0_06+\r\n"
                                 "Do you want to download it?\r\n")
        self.assertEqual(boxes, [])
        self.assertEqual(SESSION.read_urls(), [])


    def test_started_by_name_from_the_path_java_works_where_the_user_is(self):
        # As a user of a command-line tool: its folder on PATH, started by its
        # name in cmd from a work folder, with a file name relative to it.
        s = Scenario("console-path")
        s.install_launcher(r"Apps\Tool\tool.exe", launcher=OPTIONS.console_exe)
        s.write(r"Apps\Tool\lib\a.jar", "jar")
        s.mkdir("work")
        java = s.add_runtime("jre") + r"\bin\java.exe"
        SESSION.register("1.5", [("1.5", s.win("jre"))])
        record = os.path.join(s.root, "java.txt")
        tool = s.win(r"Apps\Tool")
        cases = [
            ("by name, workingDirectory caller",
             ["mainclass app.Tool", "addjars lib", "vmparam -Dhome=$CARAFE_APP_DIR",
              "workingDirectory caller"], "tool", s.win("work"),
             [java, "-Dhome=" + tool.replace("\\", "/"), "-classpath",
              tool + r"\lib/a.jar;" + tool, "app.Tool", "notes.txt"]),
            ("by full path, without it: as always", ["mainclass app.Tool", "addjars lib"],
             tool + r"\tool.exe", tool, [java, "-classpath", "lib/a.jar;", "app.Tool", "notes.txt"]),
        ]
        for name, lines, command, directory, argv in cases:
            with self.subTest(name):
                s.write(r"Apps\Tool\tool.config", "".join(line + "\n" for line in lines))
                if os.path.exists(record):
                    os.remove(record)
                s.write("run.bat", "@echo off\r\nset PATH=%s;%%PATH%%\r\ncd /d %s\r\n"
                        "%s notes.txt\r\n" % (tool, s.win("work"), command))
                stdout, stderr, boxes = SESSION.run_console(
                    s.win("run.bat"),
                    environment={"CARAFE_FAKE_JAVA_RECORD": windows_path_of_unix(record)})
                self.assertEqual(boxes, [])
                starts = read_java_starts(record)
                self.assertEqual(len(starts), 1, stdout + stderr)
                self.assertEqual(starts[0].directory, directory)
                self.assertEqual(starts[0].argv, argv)


class JavaInside(WineTestCase):
    """With "jvm launcher" the runtime's jvm.dll runs Java inside the launcher
    (the fake one records what it is given); where it cannot, and without the
    line, Java is a separate process, which ends when the launcher is ended."""

    CONFIG = ["mainclass app.Main", "jvm launcher", "vmparam -Xmx256m",
              "vmparam --add-opens java.base/java.lang=ALL-UNNAMED", "vmparam -Xss4m",
              r"addpath lib\*", "addjar extra.jar", "argument two words"]

    def install(self, name, launcher, lines=None, jvm=True):
        s = Scenario("inside-" + name)
        exe = s.install_launcher(r"Editor\Editor.exe", lines or self.CONFIG, launcher=launcher)
        for jar in ("a.jar", "b.jar", "notes.txt"):
            s.write(r"Editor\lib\%s" % jar, "jar")
        home = s.add_runtime("jdk", jvm=jvm)
        SESSION.register("17", [("17", home)])
        return s, exe, home

    def test_the_runtime_s_jvm_dll_gets_the_command_s_meaning_and_no_java_exe_starts(self):
        builds = [("carafe.exe", OPTIONS.exe, "javaw.exe"),
                  ("carafe-console.exe", OPTIONS.console_exe, "java.exe")]
        endings = [
            # CARAFE_FAKE_JAVA_EXIT, exit code, the end of standard error
            ("0", 0, ""),
            ("3", 3, None),  # System.exit(3), through the exit hook
            ("throw", 1, 'Exception in thread "main" fake.Failure\r\n'),
            ("refuse", 1, "Unrecognized option: -Xfake\r\nError: Could not create the Java "
                          "Virtual Machine.\r\nError: A fatal exception has occurred. Program "
                          "will exit.\r\n"),
        ]
        for build, launcher, program in builds:
            s, exe, home = self.install(build.replace(".", "-"), launcher)
            for ending, code, stderr_end in endings:
                with self.subTest(build=build, ending=ending):
                    run = SESSION.launch('"%s" a "b c"' % exe, s.win("Editor"), java_exit=ending)
                    self.assertExit(run, code)
                    javaw = r"%s\bin\%s" % (home, program)
                    notice = ("Error launching Class app.Main\n with Java %s.\nError=%d"
                              % (javaw, code))
                    if build == "carafe.exe":
                        self.assertNotices(run, [("Error", notice)] if code else [])
                    else:
                        # A normal end's code passes on alone: the shell has it.
                        self.assertNotices(run, [])
                        self.assertNotIn("Error launching Class", run.stderr)
                    if stderr_end:
                        self.assertIn(stderr_end, run.stderr)
                    self.assertEqual(len(run.java), 1, run.describe())
                    java = run.java[0]
                    self.assertEqual(java.module, home + r"\bin\server\jvm.dll")
                    self.assertEqual(java.fields.get("process"), exe)
                    self.assertEqual(java.fields.get("crt"), home + r"\bin\vcruntime140.dll")
                    self.assertEqual(java.directory, s.win("Editor"))
                    self.assertEqual(java.fields.get("hooks"), "exit,abort")
                    # The jars of lib\* in the order the folder lists them.
                    self.assertIn(java.options, [[
                        "-Xmx256m", "--add-opens=java.base/java.lang=ALL-UNNAMED", "-Xss4m",
                        r"-Djava.class.path=%s;extra.jar;" % jars,
                        "-Dsun.java.command=app.Main a b c two words",
                        "-Dsun.java.launcher=SUN_STANDARD"]
                        for jars in (r"lib\a.jar;lib\b.jar", r"lib\b.jar;lib\a.jar")])
                    if ending != "refuse":
                        self.assertEqual(java.fields.get("main"), "app.Main")
                        self.assertEqual(java.argv, ["a", "b c", "two words"])
                        self.assertEqual(java.fields.get("stack"), str(4 * 1024 * 1024))

    def test_a_crash_inside_is_told_as_a_separate_java_s_crash(self):
        # The machine writes its report where it runs and ends with 1: through
        # the abort hook inside, by its exit code in a process of its own.
        rows = [("inside", self.CONFIG, "crash", {}),
                ("separate", self.CONFIG[:1] + self.CONFIG[2:], "1",
                 {"CARAFE_FAKE_JAVA_REPORT": "1"})]
        for name, lines, ending, environment in rows:
            with self.subTest(name):
                s, exe, home = self.install("crash-" + name, OPTIONS.exe, lines)
                run = SESSION.launch('"%s"' % exe, s.win("Editor"), java_exit=ending,
                                     environment=environment)
                self.assertExit(run, 1)
                reports = [n for n in os.listdir(s.unix("Editor")) if n.startswith("hs_err_pid")]
                self.assertEqual(len(reports), 1, run.describe())
                self.assertNotices(run, [(
                    "Error", "Error launching Class app.Main\n with Java %s\\bin\\javaw.exe.\n"
                             "Error=1\nJava wrote a crash report: %s" % (
                                 home, s.win("Editor", reports[0])))])

    def test_where_jvm_dll_cannot_be_used_java_is_a_separate_process(self):
        rows = [
            # name, launcher, how the runtime's jvm.dll is, the reason traced
            ("no jvm.dll", OPTIONS.console_exe, "missing",
             r"the runtime {home} has no virtual machine library (bin\server\jvm.dll)"),
            ("a 32-bit jvm.dll", OPTIONS.console_exe, "x86",
             r"{home}\bin\server\jvm.dll cannot be loaded: it is a 32-bit x86 library, and the "
             "launcher a 64-bit x64 program"),
            ("without the line", OPTIONS.console_exe, "no line", None),
        ]
        if SESSION.can_run_32_bit:
            rows.append(("carafe32.exe and a 64-bit jvm.dll", OPTIONS.exe32, "as built", None))
        for name, launcher, library, reason in rows:
            with self.subTest(name):
                lines = [line for line in self.CONFIG if library != "no line" or "jvm" not in line]
                s, exe, home = self.install(re.sub(r"\W+", "-", name), launcher, lines,
                                            jvm=library != "missing")
                dll = s.unix(r"jdk\bin\server\jvm.dll")
                if library == "x86":
                    with open(dll, "r+b") as file:
                        header = bytearray(file.read(4096))
                        pe = int.from_bytes(header[0x3C:0x40], "little")
                        file.seek(pe + 4)
                        file.write((0x14C).to_bytes(2, "little"))
                debug = launcher == OPTIONS.console_exe
                run = SESSION.launch('"%s" a%s' % (exe, " -d" if debug else ""), s.win("Editor"))
                self.assertExit(run, 0)
                self.assertEqual(len(run.java), 1, run.describe())
                self.assertTrue(run.java[0].module.endswith(r"\bin\java.exe") or
                                run.java[0].module.endswith(r"\bin\javaw.exe"), run.describe())
                if reason:
                    self.assertIn("Java starts as a separate process: %s\r\n"
                                  % reason.format(home=home), run.stderr)
                if library == "no line":
                    self.assertNotIn("Java starts", run.stderr)

    def test_a_c_runtime_dll_planted_beside_the_launcher_or_in_the_directory_is_not_loaded(self):
        s, exe, home = self.install("planted", OPTIONS.exe)
        s.mkdir("work")
        for place in (r"Editor\vcruntime140.dll", r"work\vcruntime140.dll"):
            shutil.copyfile(OPTIONS.crt, s.unix(place))
        run = SESSION.launch('"%s"' % exe, s.win("work"))
        self.assertExit(run, 0)
        self.assertEqual([java.fields.get("crt") for java in run.java],
                         [home + r"\bin\vcruntime140.dll"])

    def test_a_foreign_argument_0_reads_the_module_s_configuration(self):
        # CreateProcess("...\\Editor\\Editor.exe", "...\\evil2\\Editor.exe x"): the
        # first word is the caller's text; the module's own path decides.
        s, exe, home = self.install("foreign", OPTIONS.exe, ["mainclass app.Right"])
        s.install_launcher(r"evil2\Editor.exe", ["mainclass app.Wrong"])
        run = SESSION.launch('"%s" x' % s.win(r"evil2\Editor.exe"), s.win(),
                             environment={"CARAFE_RUN_PROGRAM": exe})
        self.assertExit(run, 0)
        self.assertEqual([java.argv[1:] for java in run.java],
                         [["-classpath", "", "app.Right", "x"]])

    def test_ending_the_launcher_ends_the_separate_java(self):
        s, exe, _ = self.install("ended", OPTIONS.exe, ["mainclass app.Main"])
        run = SESSION.launch('"%s"' % exe, s.win("Editor"), java_exit="wait",
                             end_when_java_runs=True)
        self.assertEqual(len(run.java), 1, run.describe())
        self.assertEqual(run.java_state, "ended", run.describe())


class RegistryViews(WineTestCase):
    """A 32-bit runtime registers in the 32-bit view of the registry, which a
    32-bit launcher reads as its runtime registry; a 64-bit one finds it where
    its own view has none."""

    def test_a_runtime_in_the_32_bit_view_is_found_by_both_launchers(self):
        if not SESSION.can_run_32_bit:
            self.skipTest(SESSION.no_32_bit)
        s = Scenario("views")
        home = s.add_runtime(r"Java\jre1.8.0_401")
        SESSION.register("1.8", [("1.8", home)], view="32")
        # carafe.exe finds it too, where its own view has no runtime registry.
        for launcher, code, notices, java in [
                (OPTIONS.exe32, 0, [], [home + r"\bin\javaw.exe"]),
                (OPTIONS.exe, 0, [], [home + r"\bin\javaw.exe"])]:
            with self.subTest(os.path.basename(launcher)):
                exe = s.install_launcher(os.path.basename(launcher), ["mainclass app.Main"],
                                         launcher=launcher)
                run = SESSION.launch(exe, s.win())
                self.assertNotices(run, notices)
                self.assertExit(run, code)
                self.assertEqual([start.module for start in run.java], java)


class RuntimesElsewhere(WineTestCase):
    """Where the runtime registry does not answer, carafe.exe finds the runtime
    wherever its installer put it; each row has one runtime in one place."""

    VENDOR_KEYS = [r"HKLM\SOFTWARE\Eclipse Adoptium", r"HKLM\SOFTWARE\Microsoft\JDK",
                   r"HKCU\SOFTWARE\JavaSoft"]
    TEMURIN = r"C:\Program Files\Eclipse Adoptium\jdk-21.0.5.11-hotspot"

    def tearDown(self):
        for key in self.VENDOR_KEYS:
            for view in ("64", "32"):
                SESSION.run_wine("reg", "delete", key, "/f", "/reg:" + view, check=False)
        shutil.rmtree(os.path.join(SESSION.prefix, "drive_c", "Program Files", "Eclipse Adoptium"),
                      ignore_errors=True)

    def temurin_folder(self):
        """A Temurin JDK unpacked under Program Files, with its release file."""
        home = os.path.join(SESSION.prefix, "drive_c", "Program Files", "Eclipse Adoptium",
                            "jdk-21.0.5.11-hotspot")
        os.makedirs(os.path.join(home, "bin"), exist_ok=True)
        shutil.copyfile(OPTIONS.javaw, os.path.join(home, "bin", "javaw.exe"))
        shutil.copyfile(OPTIONS.java, os.path.join(home, "bin", "java.exe"))
        with open(os.path.join(home, "release"), "w") as file:
            file.write('IMPLEMENTOR="Eclipse Adoptium"\nJAVA_VERSION="21.0.5"\n')
        return self.TEMURIN

    def test_a_runtime_is_found_in_each_kind_of_place(self):
        msi = r"HKLM\SOFTWARE\%s\JDK\%s\hotspot\MSI"
        rows = [
            # (name, javaVersion line or None, the runtime's version, how it is placed:
            # a function of its home that may give the launcher's environment)
            ("Oracle JDK 17 key", "17", "17.0.2", lambda home: SESSION.reg_add(
                r"HKLM\SOFTWARE\JavaSoft\JDK\17.0.2", "JavaHome", home)),
            ("Temurin MSI key", None, "21.0.5", lambda home: SESSION.reg_add(
                msi % ("Eclipse Adoptium", "21.0.5.11"), "Path", home + "\\")),
            ("Microsoft MSI key", "11", "11.0.27", lambda home: SESSION.reg_add(
                msi % ("Microsoft", "11.0.27.6"), "Path", home)),
            ("HKEY_CURRENT_USER", "1.8", "1.8.0_452", lambda home: SESSION.reg_add(
                r"HKCU\SOFTWARE\JavaSoft\Java Runtime Environment\1.8.0_452", "JavaHome", home)),
            ("JAVA_HOME at bin", None, "17.0.2", lambda home: {"JAVA_HOME": home + "\\bin\\"}),
            ("PATH", None, "17.0.2", lambda home: {"WINEPATH": home + "\\bin"}),
        ]
        for name, version, release, place in rows:
            with self.subTest(name):
                self.tearDown()
                s = Scenario("elsewhere-" + name.replace(" ", "-"))
                SESSION.register(base_key=False)
                home = s.add_runtime(r"Java\jdk")
                s.write(r"Java\jdk\release", 'JAVA_VERSION="%s"\n' % release)
                environment = place(home) or {}
                lines = ["mainclass app.Main"] + (["javaVersion " + version] if version else [])
                exe = s.install_launcher("app.exe", lines)
                run = SESSION.launch(exe, s.win(), environment=environment)
                self.assertNotices(run, [])
                self.assertExit(run, 0)
                self.assertEqual([start.module for start in run.java],
                                 [home + r"\bin\javaw.exe"], run.describe())

    def test_a_vendor_folder_answers_where_the_classic_key_is_stale_or_missing(self):
        launchers = [("carafe.exe", OPTIONS.exe)]
        if SESSION.can_run_32_bit:
            launchers.append(("carafe32.exe", OPTIONS.exe32))
        for stale in (False, True):
            for build, launcher in launchers:
                with self.subTest(build, stale=stale):
                    s = Scenario("folder-%s%s" % (build.replace(".", "-"), "-stale" if stale else ""))
                    if stale:
                        SESSION.register("1.8", [("1.8", r"C:\Program Files\Java\jre1.8.0_401")])
                    else:
                        SESSION.register(base_key=False)
                    home = self.temurin_folder()
                    # A stale key answers the default lookup with a runtime that is gone.
                    lines = ["mainclass app.Main"] + ([] if stale else ["javaVersion 21"])
                    exe = s.install_launcher("app.exe", lines, launcher=launcher)
                    run = SESSION.launch(exe, s.win())
                    self.assertNotices(run, [])
                    self.assertExit(run, 0)
                    self.assertEqual([start.module for start in run.java],
                                     [home + r"\bin\javaw.exe"], run.describe())


    def test_the_applications_own_runtime_comes_before_every_installed_one(self):
        rows = [
            # (name, what the shipped runtime folder holds, the program started)
            ("whole", ["bin", "release"], r"Program Files\Editor\runtime\bin\javaw.exe"),
            ("missing", [], None),
            ("without its release file", ["bin"], None),
        ]
        for name, shipped, started in rows:
            with self.subTest(name):
                self.tearDown()
                s = Scenario("bundled-" + name.replace(" ", "-"))
                SESSION.register(base_key=False)
                home = self.temurin_folder()
                if "bin" in shipped:
                    s.add_runtime(r"Program Files\Editor\runtime")
                if "release" in shipped:
                    s.write(r"Program Files\Editor\runtime\release", 'JAVA_VERSION="21.0.5"\n')
                exe = s.install_launcher(r"Program Files\Editor\Editor.exe",
                                         ["mainclass app.Main", "bundledRuntime runtime",
                                          "javaVersion 17+"])
                run = SESSION.launch(exe, s.win())
                self.assertNotices(run, [])
                self.assertExit(run, 0)
                expected = s.win(started) if started else home + r"\bin\javaw.exe"
                self.assertEqual([start.module for start in run.java], [expected], run.describe())

    def test_a_minimum_version_starts_a_temurin_folder_found_beyond_the_classic_key(self):
        s = Scenario("folder-minimum")
        SESSION.register("1.8", [("1.8.0_401", s.add_runtime("jre1.8.0_401"))])
        home = self.temurin_folder()
        exe = s.install_launcher("app.exe", ["mainclass app.Main", "javaVersion 17+"])
        run = SESSION.launch(exe, s.win())
        self.assertNotices(run, [])
        self.assertExit(run, 0)
        # The classic key is asked first, in every mode, as for the other forms.
        self.assertOutput(run.stdout, "javaVersion=17+, javaVer=17\nchecking (1) 1.8.0_401\n")
        self.assertEqual([start.module for start in run.java], [home + r"\bin\javaw.exe"],
                         run.describe())


class CheckTool(WineTestCase):
    """carafe-check.exe agrees with carafe.exe, and tells where Java is when
    the launcher finds none."""

    WORD = re.compile(r"^    \[(\d+)\] (.*)$")

    def setUp(self):
        if not getattr(OPTIONS, "check_exe", None):
            self.skipTest("carafe-check.exe was not given")

    def check(self, exe, arguments=()):
        completed = subprocess.run([SESSION.wine, OPTIONS.check_exe, exe] + list(arguments),
                                   env=SESSION.environment(), stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                   timeout=RUN_TIMEOUT)
        return completed.returncode, completed.stdout.decode("utf-8", "replace").replace("\r\n", "\n")

    def predicted(self, report):
        lines = report.splitlines()
        heading = "  Java receives these words:"
        words = None
        if heading in lines:
            words = []
            for line in lines[lines.index(heading) + 1:]:
                match = self.WORD.match(line)
                if not match:
                    break
                words.append(match.group(2))
        code = re.search(r"It would end with exit code (\d+)\.", report)
        return (words, 0) if code is None else (None, int(code.group(1)))

    def test_the_check_reports_what_the_launcher_does(self):
        rows = [
            # (name, configuration, the launcher's command-line tail and the words it
            # gives, the answers to its notices)
            ("typical", ["appname Editor", "vmparam -Xmx64m", "addjars lib", "mainclass app.Main",
                         "argument --open"], r' "a b" "x \"y\""', ["a b", 'x "y"'], []),
            ("minimum", ["javaVersion 1.5.0_06+", "mainclass app.Main"], "", [], []),
            ("misspelt", ["Mainclass x", "vmparams -Xss1m", "mainclass app.Main"], " -d", ["-d"],
             []),
            ("exact missing", ["mainclass app.Main", "javaVersion 1.5.0_99"], "", [], ["n"]),
            ("no main class", ["vmparam -Xmx64m"], "", [], []),
        ]
        for name, lines, tail, arguments, answers in rows:
            with self.subTest(name):
                s = Scenario("check-" + name.replace(" ", "-"))
                exe = s.install_launcher(r"Apps\Editor.exe", lines)
                s.write(r"Apps\lib\a.jar", "jar")
                SESSION.register("1.5", [("1.5", s.add_runtime("jre")),
                                         ("1.5.0_10", s.add_runtime("jre10"))])
                run = SESSION.launch(exe + tail, s.win(), answers=answers)
                code, report = self.check(exe, arguments)
                words, exit_code = self.predicted(report)
                self.assertEqual(exit_code, run.exit_code, report)
                self.assertEqual(words, run.java[0].argv if run.java else None, report)
                self.assertEqual(code == 2, not run.java, report)

    def test_a_runtime_only_under_jdk_is_started_and_its_source_named(self):
        s = Scenario("check-jdk")
        exe = s.install_launcher(r"Apps\Editor.exe", ["mainclass app.Main"])
        SESSION.register(base_key=False)
        home = s.add_runtime(r"Java\jdk-17")
        SESSION.reg_add(r"HKLM\SOFTWARE\JavaSoft\JDK\17", "JavaHome", home)
        code, report = self.check(exe)
        self.assertEqual(code, 1, report)  # a warning: app.Main is in no classpath entry
        self.assertNotIn("CurrentVersion", report)
        source = r"HKLM (64-bit view) SOFTWARE\JavaSoft\JDK\17"
        self.assertIn("  the runtime registry did not answer; found on the machine: Java 17 at "
                      "%s (%s)\n" % (home, source), report)
        self.assertIn("  Java 17: %s (%s), the default\n"
                      "    select it with: javaVersion 17+ (the highest Java of at least 17, which "
                      "this is), or javapath %s\\bin\\javaw.exe\n" % (home, source, home),
                      report)

    def test_a_main_class_in_a_jar_is_found_and_an_absent_one_reported(self):
        import zipfile
        for main_class, code in [("app.Main", 0), ("app.Absent", 1)]:
            with self.subTest(main_class):
                s = Scenario("check-jar-" + main_class.replace(".", "-"))
                exe = s.install_launcher(r"Apps\Editor.exe", ["addjars lib",
                                                              "mainclass " + main_class])
                os.makedirs(s.unix(r"Apps\lib"), exist_ok=True)
                with zipfile.ZipFile(s.unix(r"Apps\lib\app.jar"), "w") as jar:
                    jar.writestr("app/Main.class", b"")
                SESSION.register("1.5", [("1.5", s.add_runtime("jre"))])
                result, report = self.check(exe)
                self.assertEqual(result, code, report)
                if code == 0:
                    self.assertIn("  main class app.Main: found in lib/app.jar\n", report)
                else:
                    self.assertIn("warning: main class app.Absent is in no classpath entry", report)


class NothingPlantedRuns(WineTestCase):
    """A file that someone else can put beside the launcher, in the user's
    current directory or in a folder every user can write never decides what
    runs; arguments and jars reach Java exactly. Each row is one such attack
    and its sound result."""

    PROGRAM_DATA = os.path.join("drive_c", "ProgramData", "scoop")
    TEMURIN = os.path.join("drive_c", "Program Files", "Eclipse Adoptium")
    ROOT_PROGRAM = os.path.join("drive_c", "Program.exe")

    def tearDown(self):
        for path in (self.PROGRAM_DATA, self.TEMURIN):
            shutil.rmtree(os.path.join(SESSION.prefix, path), ignore_errors=True)
        if os.path.exists(os.path.join(SESSION.prefix, self.ROOT_PROGRAM)):
            os.remove(os.path.join(SESSION.prefix, self.ROOT_PROGRAM))

    @staticmethod
    def plant(unix_path):
        """A stand-in for an attacker's program: it records its start as Java does."""
        os.makedirs(os.path.dirname(unix_path), exist_ok=True)
        shutil.copyfile(OPTIONS.java, unix_path)

    @staticmethod
    def runtime_at(unix_home, version):
        os.makedirs(os.path.join(unix_home, "bin"), exist_ok=True)
        for name, source in (("javaw.exe", OPTIONS.javaw), ("java.exe", OPTIONS.java)):
            shutil.copyfile(source, os.path.join(unix_home, "bin", name))
        with open(os.path.join(unix_home, "release"), "w") as file:
            file.write('JAVA_VERSION="%s"\n' % version)

    def a_configuration_in_the_current_directory(self, s):
        s.install_launcher(r"Apps\Tool\tool.exe", ["mainclass app.Tool"],
                           launcher=OPTIONS.console_exe)
        java = s.add_runtime("jre") + r"\bin\java.exe"
        SESSION.register("1.5", [("1.5", s.win("jre"))])
        self.plant(s.unix(r"work\evil.exe"))
        s.write(r"work\tool.config", "javapath %s\nmainclass Evil\n" % s.win(r"work\evil.exe"))
        s.write("run.bat", "@echo off\r\nset PATH=%s;%%PATH%%\r\ncd /d %s\r\ntool\r\n"
                % (s.win(r"Apps\Tool"), s.win("work")))
        record = os.path.join(s.root, "java.txt")
        _, _, boxes = SESSION.run_console(
            s.win("run.bat"), environment={"CARAFE_FAKE_JAVA_RECORD": windows_path_of_unix(record)})
        self.assertEqual(boxes, [])
        self.assertEqual([(j.module, j.argv[1:]) for j in read_java_starts(record)],
                         [(java, ["-classpath", "", "app.Tool"])])

    def a_runtime_under_program_data(self, s):
        SESSION.register(base_key=False)
        temurin = os.path.join(SESSION.prefix, self.TEMURIN, "jdk-17.0.15.6-hotspot")
        self.runtime_at(temurin, "17.0.15")
        self.runtime_at(os.path.join(SESSION.prefix, self.PROGRAM_DATA, "apps", "evil", "current"),
                        "17.0.99")
        for version in ("17", "17+", None):
            with self.subTest(javaVersion=version):
                lines = ["mainclass app.Main"] + (["javaVersion " + version] if version else [])
                run = SESSION.launch(s.install_launcher("app.exe", lines), s.win())
                self.assertExit(run, 0)
                self.assertEqual([start.module for start in run.java],
                                 [r"C:\Program Files\Eclipse Adoptium\jdk-17.0.15.6-hotspot\bin\javaw.exe"],
                                 run.describe())

    def a_rundll32_beside_the_launcher(self, s):
        self.plant(s.unix(r"Downloads\rundll32.exe"))
        SESSION.register()
        exe = s.install_launcher(r"Downloads\app.exe", ["javaVersion 17+", "mainclass app.Main"])
        run = SESSION.launch(exe, s.win("Downloads"), answers=["y"], expect_url=True)
        self.assertExit(run, 11)
        self.assertEqual(run.urls, ["https://adoptium.net/temurin/releases/?version=17"])
        self.assertEqual(run.java, [])

    def a_java_beside_the_launcher_and_in_the_current_directory(self, s):
        self.plant(s.unix(r"Apps\java.exe"))
        self.plant(s.unix(r"work\java.exe"))
        exe = s.install_launcher(r"Apps\app.exe", ["javapath java", "mainclass app.Main",
                                                    "workingDirectory caller"])
        home = s.add_runtime("jre")
        for path, started in ((home + r"\bin", [home + r"\bin\java.exe"]), ("", [])):
            with self.subTest(path=path):
                run = SESSION.launch(exe, s.win("work"), environment={"WINEPATH": path})
                self.assertEqual([start.module for start in run.java], started, run.describe())
                if not started:
                    self.assertNotices(run, [("Error", "Can't start Java java\nFile not found")])

    def a_batch_file_with_a_command_in_an_argument(self, s):
        home = s.add_runtime("jre")
        self.plant(s.unix("second.exe"))
        s.write("java.bat", '@"%s\\bin\\javaw.exe" %%*\r\n' % home)
        exe = s.install_launcher("app.exe", ["javapath " + s.win("java.bat"), "mainclass app.Main"])
        run = SESSION.launch(exe + ' "x&second.exe"', s.win())
        self.assertNotices(run, [("Error", "Can't start Java %s\nIt is a batch file, and cmd.exe "
                                           "would read part of \"x&second.exe\" as a command.\n"
                                           "Name the Java program (java.exe or javaw.exe) in the "
                                           "javapath line instead." % s.win("java.bat"))])
        self.assertExit(run, 2)
        self.assertEqual(run.java, [])
        run = SESSION.launch(exe + ' "a b" c', s.win())
        self.assertExit(run, 0)
        self.assertEqual([(j.module, j.argv[1:]) for j in run.java],
                         [(home + r"\bin\javaw.exe", ["-classpath", "", "app.Main", "a b", "c"])])

    def a_missing_java_path_with_a_space(self, s):
        self.plant(os.path.join(SESSION.prefix, self.ROOT_PROGRAM))
        missing = r"C:\Program Files\Missing\bin\javaw.exe"
        exe = s.install_launcher("app.exe", ["javapath " + missing, "mainclass app.Main"])
        run = SESSION.launch(exe, s.win())
        self.assertNotices(run, [("Error", "Can't start Java %s\nFile not found" % missing)])
        self.assertExit(run, 2)
        self.assertEqual(run.java, [])

    def arguments_and_a_jar_with_a_space(self, s):
        home = s.add_runtime("jre")
        SESSION.register("1.5", [("1.5", home)])
        s.write(r"lib\my lib.jar", "jar")
        exe = s.install_launcher("app.exe", ["addjars lib", "mainclass app.Main"])
        run = SESSION.launch(exe + ' "" "a\tb" "c d"', s.win())
        self.assertExit(run, 0)
        self.assertEqual([j.argv[1:] for j in run.java],
                         [["-classpath", "lib/my lib.jar;", "app.Main", "", "a\tb", "c d"]])

    def a_jar_directory_of_300_characters(self, s):
        # Windows starts no program whose own path is that long; what it names may be.
        home = s.add_runtime("jre")
        SESSION.register("1.5", [("1.5", home)])
        folder = "\\".join(letter * 100 for letter in "abc")
        s.write(folder + r"\x.jar", "jar")
        exe = s.install_launcher("app.exe", ["addjars " + folder, "mainclass app.Main"])
        self.assertGreater(len(s.win(folder, "x.jar")), 300)
        run = SESSION.launch(exe, s.win())
        self.assertNotices(run, [])
        self.assertExit(run, 0)
        self.assertEqual([j.argv[1:] for j in run.java],
                         [["-classpath", folder + "/x.jar;", "app.Main"]])

    def test_each_planted_file_is_passed_over(self):
        rows = [self.a_configuration_in_the_current_directory, self.a_runtime_under_program_data,
                self.a_rundll32_beside_the_launcher,
                self.a_java_beside_the_launcher_and_in_the_current_directory,
                self.a_batch_file_with_a_command_in_an_argument,
                self.a_missing_java_path_with_a_space, self.arguments_and_a_jar_with_a_space,
                self.a_jar_directory_of_300_characters]
        for row in rows:
            with self.subTest(row.__name__):
                self.tearDown()
                row(Scenario("planted-" + row.__name__.replace("_", "-")))


class Screenshot(unittest.TestCase):
    def test_take_the_screenshot_of_a_notice(self):
        if not OPTIONS.screenshot:
            self.skipTest("no --screenshot given")
        s = Scenario("screenshot")
        exe = s.install_launcher(r"Apps\Editor\Editor.exe",
                                 ["appname Editor", "mainclass com.example.editor.Main",
                                  "javaVersion 1.5.0_06+"])
        SESSION.register("1.4", [("1.4.2_08", s.add_runtime("jre"))])
        run = SESSION.launch(exe, s.win(), answers=["n"], screenshot=OPTIONS.screenshot)
        self.assertEqual(run.exit_code, 11)
        self.assertTrue(os.path.exists(OPTIONS.screenshot))


class StartupCache(WineTestCase):
    def test_options_per_version_in_the_users_own_folder(self):
        # version, the options that make a cache, the option that uses one
        rows = [
            ("25", r"-XX:AOTMode=record -XX:AOTConfiguration=%s\\(\w{16})\.\d+-\d+\.aotconf\.part "
             r"-Xlog:cds=off -Xlog:aot=off -XX:\+UnlockDiagnosticVMOptions -XX:-DisplayVMOutput ",
             "-XX:AOTCache=", ".aot", "-Xlog:cds=off -Xlog:aot=off"),
            ("17.0.2", r"-XX:DumpLoadedClassList=%s\\(\w{16})\.\d+-\d+\.classes\.part -Xlog:cds=off ",
             "-XX:SharedArchiveFile=", ".jsa", "-Xlog:cds=off"),
            ("11.0.2", None, None, None, None),
        ]
        # The user's own %LOCALAPPDATA% of the Wine prefix.
        local = os.path.join(SESSION.prefix, "drive_c", "users", getpass.getuser(), "AppData",
                             "Local")
        folder = r"C:\users\%s\AppData\Local\Editor" % getpass.getuser()
        for version, making, option, suffix, using in rows:
            with self.subTest(version):
                shutil.rmtree(os.path.join(local, "Editor"), ignore_errors=True)
                s = Scenario("startup-cache-" + version.replace(".", "-"))
                exe = s.install_launcher(r"Program Files\Editor\Editor.exe", [
                    "appname Editor", "mainclass app.Main",
                    r"javapath %s\bin\javaw.exe" % s.win("jdk"),
                    r"addjar lib\app.jar", "startupCache on"])
                s.write(r"Program Files\Editor\lib\app.jar", "jar")
                s.add_runtime("jdk")
                s.write(r"jdk\release", 'JAVA_VERSION="%s"\n' % version)
                installed = sorted(os.listdir(s.unix(r"Program Files\Editor")))
                run = SESSION.launch('"%s"' % exe, s.win())
                self.assertExit(run, 0)
                self.assertNotices(run, [])
                self.assertEqual(len(run.java), 1, run.describe())
                javaw = s.win(r"jdk\bin\javaw.exe")
                # Nothing beside the exe, whatever happened.
                self.assertEqual(sorted(os.listdir(s.unix(r"Program Files\Editor"))), installed)
                if making is None:
                    self.assertEqual(run.java[0].command, r"%s -classpath lib\app.jar; app.Main"
                                     % javaw)
                    self.assertFalse(os.path.exists(os.path.join(local, "Editor")))
                    continue
                match = re.fullmatch(re.escape(javaw) + " " + making % re.escape(folder)
                                     + r"-classpath lib\\app\.jar; app\.Main", run.java[0].command)
                self.assertIsNotNone(match, run.java[0].command)
                # The fake Java wrote nothing: nothing is kept but the note
                # that this classpath gave none.
                digest = match.group(1)
                self.assertEqual(os.listdir(os.path.join(local, "Editor")), [digest + ".refused"])
                # A cache of the size its name carries is given to Java.
                os.remove(os.path.join(local, "Editor", digest + ".refused"))
                with open(os.path.join(local, "Editor", digest + "-5" + suffix), "w") as f:
                    f.write("cache")
                run = SESSION.launch('"%s"' % exe, s.win())
                self.assertExit(run, 0)
                cache = r"%s\%s-5%s" % (folder, digest, suffix)
                self.assertEqual(run.java[0].command, r"%s %s%s %s -classpath lib\app.jar; app.Main"
                                 % (javaw, option, cache, using))
                shutil.rmtree(os.path.join(local, "Editor"), ignore_errors=True)


def setUpModule():
    global SESSION
    SESSION = WineSession(OPTIONS)
    try:
        SESSION.start()
    except BaseException:
        SESSION.stop()
        raise


def tearDownModule():
    if SESSION is not None:
        SESSION.stop()


def main():
    global OPTIONS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="carafe.exe")
    parser.add_argument("--console-exe", required=True, help="carafe-console.exe")
    parser.add_argument("--exe32", help="carafe32.exe")
    parser.add_argument("--check-exe", help="carafe-check.exe")
    parser.add_argument("--javaw", required=True, help="the fake javaw.exe")
    parser.add_argument("--java", required=True, help="the fake java.exe")
    parser.add_argument("--jvm", required=True, help="the fake jvm.dll")
    parser.add_argument("--crt", required=True, help="the C runtime DLL the fake jvm.dll imports")
    parser.add_argument("--runner", required=True, help="wine_runner.exe")
    parser.add_argument("--screenshot", help="also picture a notice into this PNG file")
    OPTIONS, rest = parser.parse_known_args()
    for name in ("exe", "console_exe", "exe32", "check_exe", "javaw", "java", "jvm", "crt",
                 "runner"):
        if getattr(OPTIONS, name):
            setattr(OPTIONS, name, os.path.abspath(getattr(OPTIONS, name)))
    started = time.monotonic()
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    print("wall time %.0f s" % (time.monotonic() - started), file=sys.stderr)
    sys.exit(0 if program.result.wasSuccessful() else 1)


def stop_on_signal(number, _frame):
    # unittest would report an exit inside a test as an error and go on.
    if SESSION is not None:
        SESSION.stop()
    os._exit(128 + number)


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, stop_on_signal)
    main()

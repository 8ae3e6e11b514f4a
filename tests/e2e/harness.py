"""Building blocks for end-to-end tests of the POSIX launcher.

A test makes an application directory with a copy of carafe installed under
the application's name, writes its configuration, makes fake runtimes whose
bin/java records its arguments, and runs the launcher in a controlled
environment:

    with harness.Sandbox(carafe_path) as box:
        runtime = box.make_runtime("17.0.15", exit_code=3)
        app = box.install_app("hello", config="mainclass Main\\n")
        result = box.run(app, ["a b"], jvm_path=[box.runtimes_dir])
        result.code, result.stdout, result.stderr, result.java_calls, result.urls

A fake java appends each call to a record file: its argv (argv[0] included),
one word per line, then a separator line. Words that hold a line feed are
recorded with it escaped as "\\n" (a backslash as "\\\\"), so a call reads back
as the exact list of words.

CARAFE_WRAPPER in the environment (for example "valgrind -q
--error-exitcode=99") is put in front of every launcher command.

Only the Python standard library is used.
"""

import fcntl
import os
import pty
import select
import shlex
import shutil
import signal
import stat
import subprocess
import tempfile
import termios
import time

SEPARATOR = "----- end of call -----"
DEFAULT_TIMEOUT = 20.0


# How the notice names a signal that ended Java.
SIGNAL_WORDS = {signal.SIGSEGV: "SIGSEGV (Segmentation fault)",
                signal.SIGTERM: "SIGTERM (Terminated)", signal.SIGKILL: "SIGKILL (Killed)"}


def launch_error(main_class, java, code, signal_number=None):
    text = "Error: Error launching Class %s\n with Java %s.\nError=%d\n" % (main_class, java, code)
    if signal_number is not None:
        text += "Java ended abnormally: signal %s.\n" % SIGNAL_WORDS[signal_number]
    return text


def start_display(test):
    """Starts Xvfb on a display of its own for the test's length and returns
    the display's name; skips the test where Xvfb is missing."""
    xvfb = shutil.which("Xvfb")
    if xvfb is None:
        test.skipTest("no Xvfb for a display")
    read_end, write_end = os.pipe()
    server = subprocess.Popen([xvfb, "-displayfd", str(write_end), "-nolisten", "tcp"],
                              pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(write_end)
    test.addCleanup(server.wait)
    test.addCleanup(server.terminate)
    with os.fdopen(read_end) as reader:
        return ":" + reader.readline().strip()


def _escape(word):
    return word.replace("\\", "\\\\").replace("\n", "\\n")


def _unescape(line):
    out = []
    i = 0
    while i < len(line):
        c = line[i]
        if c == "\\" and i + 1 < len(line):
            nxt = line[i + 1]
            out.append("\n" if nxt == "n" else nxt)
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def read_calls(record_path):
    """The calls recorded in a record file, each a list of words (argv)."""
    if not os.path.exists(record_path):
        return []
    with open(record_path, encoding="utf-8", errors="surrogateescape") as record:
        text = record.read()
    calls = []
    current = []
    for line in text.split("\n"):
        if line == SEPARATOR:
            calls.append(current)
            current = []
        elif line or current:
            current.append(_unescape(line))
    return calls


def read_lines(path):
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        return [line for line in f.read().split("\n") if line]


def _write_executable(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)


# The recording program: a POSIX shell script. printf %s prints each word
# untouched; escaping is done with sed on a copy so that spaces, quotes and
# backslashes survive. Extra behaviour is chosen by the parameters.
_JAVA_TEMPLATE = r"""#!/bin/sh
record={record}
{{
  for word in "$0" "$@"; do
    printf '%s\n' "$word" | sed -e 's/\\/\\\\/g' | sed -e ':a' -e 'N' -e '$!ba' -e 's/\n/\\n/g'
  done
  printf '%s\n' {separator}
}} >> "$record"
pwd >> "$record.cwd"
{stdout}{stderr}{trap}{sleep}{kill}exit {exit_code}
"""


class Runtime:
    """A fake runtime: home/release and home/bin/java."""

    def __init__(self, home, version, record):
        self.home = home
        self.version = version
        self.record = record
        self.java = os.path.join(home, "bin", "java")

    def calls(self):
        return read_calls(self.record)

    def directories(self):
        """The current directory of each recorded call."""
        return read_lines(self.record + ".cwd")


class Result:
    def __init__(self, code, stdout, stderr, java_calls, urls, java_directories=()):
        self.code = code
        self.stdout = stdout
        self.stderr = stderr
        self.java_calls = java_calls  # every recorded java call, each a list of words
        self.urls = urls  # every URL given to the fake xdg-open
        self.java_directories = list(java_directories)  # each call's current directory
        self.terminal = ""  # what the launcher wrote on the pseudo-terminal

    @property
    def java_argv(self):
        """The one java call's argv, or None when java was not started."""
        if not self.java_calls:
            return None
        assert len(self.java_calls) == 1, "java started %d times" % len(self.java_calls)
        return self.java_calls[0]

    def __repr__(self):
        return "Result(code=%r, stdout=%r, stderr=%r, java_calls=%r, urls=%r)" % (
            self.code, self.stdout, self.stderr, self.java_calls, self.urls)


class Sandbox:
    """A temporary directory that holds apps, runtimes and records."""

    def __init__(self, carafe, keep=False):
        self.carafe = os.path.abspath(carafe)
        self.keep = keep
        self.root = None

    def __enter__(self):
        self.root = os.path.realpath(tempfile.mkdtemp(prefix="carafe-e2e-"))
        self.runtimes_dir = self.path("runtimes")
        self.records_dir = self.path("records")
        self.tools_dir = self.path("tools")
        for d in (self.runtimes_dir, self.records_dir, self.tools_dir):
            os.makedirs(d)
        self.java_record = os.path.join(self.records_dir, "java.calls")
        self.url_record = os.path.join(self.records_dir, "urls")
        # A fake xdg-open (and open, for macOS) that records its URL.
        for name in ("xdg-open", "open"):
            _write_executable(
                os.path.join(self.tools_dir, name),
                "#!/bin/sh\nprintf '%%s\\n' \"$1\" >> %s\n" % shlex.quote(self.url_record))
        return self

    def __exit__(self, *exc):
        if not self.keep and self.root:
            shutil.rmtree(self.root, ignore_errors=True)
        return False

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    # ---- Applications -------------------------------------------------

    def install_app(self, name="app", config=None, directory=None, config_name=None):
        """Copies carafe to <directory>/<name> and writes <name>.config when
        config is not None. Returns the launcher's absolute path."""
        directory = directory or self.path("app")
        os.makedirs(directory, exist_ok=True)
        launcher = os.path.join(directory, name)
        shutil.copy2(self.carafe, launcher)
        if config is not None:
            self.write_config(launcher, config, config_name)
        return launcher

    def write_config(self, launcher, text, config_name=None):
        path = os.path.join(os.path.dirname(launcher),
                            config_name or os.path.basename(launcher) + ".config")
        self.write_file(path, text)
        return path

    def write_file(self, path, text="", mode=None):
        os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
        data = text.encode("utf-8", "surrogateescape") if isinstance(text, str) else text
        with open(path, "wb") as f:
            f.write(data)
        if mode is not None:
            os.chmod(path, mode)
        return path

    # ---- Runtimes -----------------------------------------------------

    def make_runtime(self, version, exit_code=0, name=None, parent=None, sleep=0.0,
                     kill_signal=None, trap_signal=None, trap_exit=42, stdout_text=None,
                     stderr_text=None, release_text=None, record=None):
        """Makes a fake runtime under parent (default: the runtimes directory).

        version: the JAVA_VERSION text, written as JAVA_VERSION="<version>".
        exit_code: the code bin/java exits with.
        sleep: seconds to sleep (after recording, before exiting).
        kill_signal: a signal number bin/java sends itself after recording.
        trap_signal: a signal name ("TERM") that bin/java traps: it then writes
            "<name>" to <home>/trapped and exits with trap_exit. bin/java
            touches <home>/ready once the trap is set.
        stdout_text, stderr_text: printed by bin/java.
        release_text: the whole release file, instead of the JAVA_VERSION line.
        record: the record file (default: the sandbox's java record).
        """
        parent = parent or self.runtimes_dir
        home = os.path.join(parent, name or "jdk-" + version)
        os.makedirs(os.path.join(home, "bin"), exist_ok=True)
        release = release_text if release_text is not None else 'JAVA_VERSION="%s"\n' % version
        self.write_file(os.path.join(home, "release"), release)
        record = record or self.java_record
        trap = ""
        sleep_text = ""
        if trap_signal:
            trap = ("trap 'printf %%s\\\\n %s > %s; exit %d' %s\n" % (
                trap_signal, shlex.quote(os.path.join(home, "trapped")), trap_exit,
                trap_signal))
            trap += ": > %s\n" % shlex.quote(os.path.join(home, "ready"))
            # Sleep in short steps so that the trap runs soon after a signal.
            steps = max(1, int((sleep or 10.0) / 0.05))
            sleep_text = "i=0\nwhile [ $i -lt %d ]; do sleep 0.05; i=$((i+1)); done\n" % steps
        elif sleep:
            sleep_text = "sleep %s\n" % sleep
        script = _JAVA_TEMPLATE.format(
            record=shlex.quote(record),
            separator=shlex.quote(SEPARATOR),
            stdout="printf '%%s\\n' %s\n" % shlex.quote(stdout_text) if stdout_text else "",
            stderr="printf '%%s\\n' %s >&2\n" % shlex.quote(stderr_text) if stderr_text else "",
            trap=trap,
            sleep=sleep_text,
            kill="kill -%d $$\nsleep 5\n" % kill_signal if kill_signal else "",
            exit_code=exit_code)
        _write_executable(os.path.join(home, "bin", "java"), script)
        return Runtime(home, version, record)

    # ---- Running ------------------------------------------------------

    def environment(self, jvm_path=None, java_home=None, extra=None, path_dirs=None):
        """The launcher's environment: a small, fixed one.

        jvm_path: a list of roots for CARAFE_JVM_PATH (None: the sandbox's
            runtimes directory; [] sets it empty).
        java_home: JAVA_HOME, or None to leave it unset.
        path_dirs: directories put in front of PATH (the fake tools first).
        """
        env = {
            "PATH": os.pathsep.join(
                [self.tools_dir] + list(path_dirs or []) + ["/usr/bin", "/bin"]),
            "HOME": self.root,
            "LANG": "C",
            "LC_ALL": "C",
        }
        env["CARAFE_JVM_PATH"] = ":".join(
            [self.runtimes_dir] if jvm_path is None else list(jvm_path))
        if java_home is not None:
            env["JAVA_HOME"] = java_home
        for key in ("CARAFE_WRAPPER", "VALGRIND_OPTS", "ASAN_OPTIONS", "UBSAN_OPTIONS"):
            if key in os.environ and key not in env:
                env[key] = os.environ[key]
        if extra:
            for key, value in extra.items():
                if value is None:
                    env.pop(key, None)
                else:
                    env[key] = value
        return env

    def wrapper(self):
        text = os.environ.get("CARAFE_WRAPPER", "").strip()
        return shlex.split(text) if text else []

    def run(self, launcher, args=(), cwd=None, argv0=None, env=None, answer=None,
            terminal=False, timeout=DEFAULT_TIMEOUT, signal_after_ready=None,
            keys_after_ready=None, **env_options):
        """Runs the launcher and returns a Result.

        launcher: the program to start (a path, or a bare name found on PATH).
        argv0: argument 0 as the launcher sees it (default: launcher).
        cwd: the directory to start in (default: the sandbox root).
        env: the whole environment (default: self.environment(**env_options)).
        answer: "y" or "n" typed on a pseudo-terminal that becomes the
            launcher's controlling terminal, when it asks; implies terminal.
        terminal: give the launcher a controlling terminal without answering
            (standard output and error stay pipes).
        signal_after_ready: (runtime, signal number): once runtime's bin/java
            has set its trap, the signal is sent to the launcher.
        keys_after_ready: (runtime, bytes): once runtime's bin/java is ready,
            the bytes are typed on the terminal (b"\x03" is Ctrl+C, which the
            terminal sends to its foreground process group); implies terminal.
        """
        if env is None:
            env = self.environment(**env_options)
        program = launcher
        argv = [argv0 if argv0 is not None else launcher] + list(args)
        wrapper = self.wrapper()
        if wrapper:
            # The wrapper runs the launcher by its path; argv[0] cannot be
            # chosen then, so bare names are resolved here.
            if os.sep not in program:
                program = shutil.which(program, path=env.get("PATH")) or program
            command = wrapper + [program] + argv[1:]
            executable = None
        else:
            command = argv
            executable = program if os.sep in program else shutil.which(
                program, path=env.get("PATH")) or program
        before_java = len(read_calls(self.java_record))
        before_directories = len(read_lines(self.java_record + ".cwd"))
        before_urls = len(read_lines(self.url_record))
        use_terminal = terminal or answer is not None or keys_after_ready is not None
        master = None
        slave = None
        if use_terminal:
            master, slave = pty.openpty()
            slave_name = os.ttyname(slave)

            def preexec():
                os.setsid()
                fd = os.open(slave_name, os.O_RDWR)
                fcntl.ioctl(fd, termios.TIOCSCTTY, 0)
                os.close(fd)
        else:
            def preexec():
                os.setsid()  # no controlling terminal
        process = subprocess.Popen(
            command, executable=executable, cwd=cwd or self.root, env=env,
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
            preexec_fn=preexec, close_fds=True)
        if slave is not None:
            os.close(slave)
        try:
            if signal_after_ready is not None:
                runtime, number = signal_after_ready
                if self._wait_until_ready(runtime, process, timeout):
                    os.kill(process.pid, number)
            if keys_after_ready is not None:
                runtime, keys = keys_after_ready
                if self._wait_until_ready(runtime, process, timeout):
                    os.write(master, keys)
            if use_terminal:
                terminal_text = self._talk(master, process, answer, timeout)
            else:
                terminal_text = ""
            stdout, stderr = process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            stdout, stderr = process.communicate()
            raise AssertionError("launcher did not end within %s s; stdout=%r stderr=%r" % (
                timeout, stdout, stderr))
        finally:
            if master is not None:
                os.close(master)
        result = Result(process.returncode,
                        stdout.decode("utf-8", "surrogateescape"),
                        stderr.decode("utf-8", "surrogateescape"),
                        read_calls(self.java_record)[before_java:],
                        read_lines(self.url_record)[before_urls:],
                        read_lines(self.java_record + ".cwd")[before_directories:])
        result.terminal = terminal_text
        return result

    @staticmethod
    def _wait_until_ready(runtime, process, timeout):
        """Waits for runtime's bin/java to mark itself ready; False when the
        launcher ended first."""
        ready = os.path.join(runtime.home, "ready")
        deadline = time.monotonic() + timeout
        while not os.path.exists(ready) and process.poll() is None:
            if time.monotonic() > deadline:
                break
            time.sleep(0.02)
        return process.poll() is None

    def _talk(self, master, process, answer, timeout):
        """Reads what the launcher writes on the terminal and types the
        answer after the first "[y/N]"."""
        seen = b""
        answered = answer is None
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            ready, _, _ = select.select([master], [], [], 0.05)
            if ready:
                try:
                    chunk = os.read(master, 1024)
                except OSError:
                    # No process holds the terminal open at the moment (the
                    # launcher opens it only to ask): wait and look again.
                    if process.poll() is not None:
                        break
                    time.sleep(0.02)
                    continue
                if not chunk:
                    break
                seen += chunk
                if not answered and b"[y/N]" in seen:
                    os.write(master, answer.encode() + b"\n")
                    answered = True
            elif process.poll() is not None:
                break
        return seen.decode("utf-8", "surrogateescape")

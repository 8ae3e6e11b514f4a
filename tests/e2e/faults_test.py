#!/usr/bin/env python3
"""End-to-end fault tests of the POSIX launcher: bad configuration files,
odd environments and Java that cannot start or crashes. Each test asserts
what the user sees (the notice or line, exactly) and the exit code.

    python3 tests/e2e/faults_test.py --carafe build/default/carafe [unittest options]

Uses harness.py for the temporary applications and fake runtimes.
"""

import argparse
import os
import random
import resource
import shutil
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

CARAFE = None

KEYWORDS = (b"vmparam", b"javapath", b"addpath", b"mainclass", b"appname", b"javaVersion",
            b"addjars", b"argument", b"addjar", b"include")
MIB = 1024 * 1024


def start_error(java, message):
    return "Error: Can't start Java %s\n%s\n" % (java, message)


def no_main_class(config):
    return ('Error: %s has no "mainclass" line.\nAdd one that names the Java class to start, '
            "such as: mainclass com.example.Main\n" % config)


def self_include(name):
    return ("Error: Can't include %s: it is already being read, so it would include itself.\n"
            "The include line is skipped.\n" % name)


def garbage(seed, size):
    """Random bytes with NUL bytes among them, none of whose lines begins
    with a keyword, and without the Ctrl-Z that would end the file."""
    generator = random.Random(seed)
    data = bytes(generator.randrange(256) for _ in range(size)).replace(b"\x1a", b"\x00")
    lines = data.split(b"\n")
    lines = [b"?" + line if line.startswith(KEYWORDS) else line for line in lines]
    return b"\n".join(lines)


class FaultTest(unittest.TestCase):
    def setUp(self):
        self.box = harness.Sandbox(CARAFE)
        self.box.__enter__()
        self.addCleanup(self.box.__exit__, None, None, None)
        self.runtime = self.box.make_runtime("17.0.15")

    def app(self, config, name="hello"):
        launcher = self.box.install_app(name, config=config)
        self.directory = os.path.dirname(launcher)
        return launcher

    def file(self, name, content=""):
        return self.box.write_file(os.path.join(self.directory, name), content)

    def assert_outcome(self, result, code, stderr, argv=None):
        """The exit code, standard error exactly, and Java's words (None:
        Java was not started)."""
        self.assertEqual(result.code, code, result)
        self.assertEqual(result.stderr, stderr, result)
        self.assertEqual(result.java_argv, argv, result)

    def java(self, *words):
        return [self.runtime.java] + list(words)


class Configuration(FaultTest):
    def test_binary_garbage_and_nul_bytes(self):
        # Nothing in garbage is a setting: the launcher names the missing main class.
        launcher = self.app(garbage(4, 64 * 1024))
        self.assert_outcome(self.box.run(launcher), 2, no_main_class(launcher + ".config"))

        # Around garbage, settings still apply; a NUL byte ends a line's text.
        config = (garbage(5, 16 * 1024) + b"\naddpath lib\nmainclass app.Main\x00junk\n"
                  b"argument a\x00b\nargument \xff\xfe\x01\n\x00argument lost\n")
        launcher = self.app(config)
        self.assert_outcome(self.box.run(launcher), 0, "",
                            self.java("-classpath", "lib:", "app.Main", "a",
                                      b"\xff\xfe\x01".decode("utf-8", "surrogateescape")))

    def test_encodings_as_editors_save_them(self):
        # UTF-8 with a byte order mark: the mark is skipped, the text kept.
        launcher = self.app("\ufeffmainclass app.Main\nargument Zo\u00eb \u2615\n"
                            .encode("utf-8"))
        self.assert_outcome(self.box.run(launcher), 0, "",
                            self.java("-classpath", "", "app.Main", "Zo\u00eb \u2615"))

        # UTF-16 ("Unicode"): not read, as a file that cannot be read.
        def refused(path):
            return ('Error: Can\'t read %s: it is saved as UTF-16 ("Unicode").\n'
                    "Save it as UTF-8 and start again.\n" % path)

        launcher = self.app("mainclass app.Main\n".encode("utf-16"))
        self.assert_outcome(self.box.run(launcher), 2, refused(launcher + ".config"))
        launcher = self.app("vmparam -Da\ninclude wide.config\nvmparam -Db\nmainclass app.Main\n")
        self.file("wide.config", "\ufeffvmparam -Dwide\n".encode("utf-16-be"))
        self.assert_outcome(self.box.run(launcher), 0, refused("wide.config"),
                            self.java("-Da", "-Db", "-classpath", "", "app.Main"))

    def test_megabyte_line(self):
        # A line is read whole: text deep inside a long line is never taken for
        # a line of its own.
        piece = "mainclass Wrong " + "y" * 2031
        value = (piece * (MIB // len(piece) + 1))[:MIB]
        launcher = self.app("appname %s\naddpath lib\nmainclass app.Main\nargument after\n" % value)
        self.assert_outcome(self.box.run(launcher), 0, "",
                            self.java("-classpath", "lib:", "app.Main", "after"))

    def test_megabyte_word(self):
        # A 1 MiB word is more than the system passes to a program: a clear error.
        launcher = self.app("mainclass app.Main\nargument %s\n" % ("z" * MIB))
        self.assert_outcome(self.box.run(launcher), 2,
                            start_error(self.runtime.java, "Argument list too long"))

    def test_ten_thousand_lines(self):
        fillers = ["# comment %d", "", "unknown keyword %d", "appname App %d", "// %d"]
        lines = []
        for i in range(10000):
            if i % 100 == 0:
                lines.append("argument a%d" % (i // 100))
            elif i == 5001:
                lines.append("mainclass app.Main")
            elif i == 7003:
                lines.append("addpath lib")
            else:
                filler = fillers[i % len(fillers)]
                lines.append(filler % i if "%d" in filler else filler)
        launcher = self.app("\n".join(lines) + "\n")
        self.assertEqual(sum(1 for line in lines if line.startswith("argument")), 100)
        self.assert_outcome(self.box.run(launcher), 0, "",
                            self.java("-classpath", "lib:", "app.Main",
                                      *["a%d" % i for i in range(100)]))

    def test_include_of_itself(self):
        launcher = self.app("")
        config = launcher + ".config"
        os.symlink(config, os.path.join(self.directory, "link.config"))
        cases = [
            ("by its name", "hello.config"),
            ("by its full path", config),
            ("through a link", "link.config"),
        ]
        for name, include in cases:
            with self.subTest(name):
                self.file("hello.config",
                          "vmparam -Done\ninclude %s\nmainclass app.Main\n" % include)
                self.assert_outcome(self.box.run(launcher), 0, self_include(include),
                                    self.java("-Done", "-classpath", "", "app.Main"))

    def test_cycle_of_three_files(self):
        launcher = self.app("vmparam -Da\ninclude b.config\nvmparam -Da2\nmainclass app.Main\n")
        self.file("b.config", "vmparam -Db\ninclude c.config\n")
        self.file("c.config", "vmparam -Dc\ninclude hello.config\nvmparam -Dc2\n")
        self.assert_outcome(self.box.run(launcher), 0, self_include("hello.config"),
                            self.java("-Da", "-Db", "-Dc", "-Dc2", "-Da2", "-classpath",
                                      "", "app.Main"))

    def test_include_depth(self):
        # Each file includes the next; 32 files can be open at once.
        launcher = self.app("include f1.config\nmainclass app.Main\n")
        for i in range(1, 41):
            self.file("f%d.config" % i, "vmparam -Df%d\ninclude f%d.config\n" % (i, i + 1))
        stderr = ("Error: Can't include f32.config: includes are nested more than 32 deep.\n"
                  "The include line is skipped.\n")
        self.assert_outcome(self.box.run(launcher), 0, stderr,
                            self.java(*["-Df%d" % i for i in range(1, 32)], "-classpath",
                                      "", "app.Main"))

    def test_include_of_a_directory(self):
        launcher = self.app("include conf.d\nmainclass app.Main\n")
        os.makedirs(os.path.join(self.directory, "conf.d"))
        self.assert_outcome(self.box.run(launcher), 0,
                            "Can't open conf.d Error Is a directory\n",
                            self.java("-classpath", "", "app.Main"))
        # The application's own configuration as a directory is not read at all.
        other = self.box.install_app("other", directory=self.box.path("other"))
        os.makedirs(other + ".config")
        self.assert_outcome(self.box.run(other), 2,
                            "Can't open %s.config Error Is a directory\n" % other)

    def test_file_that_cannot_be_read(self):
        launcher = self.app("include secret.config\nmainclass app.Main\n")
        self.file("secret.config", "mainclass Secret\n")
        os.chmod(os.path.join(self.directory, "secret.config"), 0)
        runner = UnprivilegedRunner(self, self.box)
        self.assert_outcome(runner.run(launcher), 0,
                            "Can't open secret.config Error Permission denied\n",
                            self.java("-classpath", "", "app.Main"))
        os.chmod(launcher + ".config", 0)
        self.assert_outcome(runner.run(launcher), 2,
                            "Can't open %s.config Error Permission denied\n" % launcher)

    def test_files_that_are_no_configuration(self):
        # A device, a pipe and a file of 50 MB are refused with a notice, without
        # waiting for a writer and without reading them, as files that cannot be read.
        def refused(path, why):
            return "Error: Can't read %s: %s\n" % (path, why)
        device = "it is not a file but a device, a pipe or a socket.\nA configuration is read from a file only."
        large = "it is larger than 2097152 bytes, which no configuration needs.\nIt is not read."
        launcher = self.app("include /dev/zero\ninclude fifo.config\nmainclass app.Main\n")
        os.mkfifo(os.path.join(self.directory, "fifo.config"))
        self.assert_outcome(self.box.run(launcher), 0,
                            refused("/dev/zero", device) + refused("fifo.config", device),
                            self.java("-classpath", "", "app.Main"))
        launcher = self.app(b"mainclass app.Main\nappname " + b"x" * (50 * MIB) + b"\n")
        before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        self.assert_outcome(self.box.run(launcher), 2, refused(launcher + ".config", large))
        if "valgrind" not in CARAFE:
            # The largest a launcher has been so far, in KiB: the file was not read.
            self.assertLess(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss,
                            max(before, 64 * 1024))

    def test_file_whose_reading_fails(self):
        # /proc/self/mem opens, but reading its first bytes fails: the file
        # counts as ended, and reading goes on after the include line.
        if not os.path.exists("/proc/self/mem"):
            self.skipTest("no /proc/self/mem")
        launcher = self.app("include mem.config\nmainclass app.Main\n")
        os.symlink("/proc/self/mem", os.path.join(self.directory, "mem.config"))
        self.assert_outcome(self.box.run(launcher), 0, "", self.java("-classpath", "", "app.Main"))

    def test_lists_of_more_than_100_entries(self):
        # An application assembled with its dependencies has well over 100 jars:
        # every entry of every list is used, without a notice.
        lines = ["vmparam -Dp%d" % i for i in range(101)]
        lines += ["addpath p%d" % i for i in range(101)] + ["addjar extra.jar"]
        lines += ["argument a%d" % i for i in range(101)]
        lines += ["addjars jars", "mainclass app.Main"]
        launcher = self.app("\n".join(lines) + "\n")
        for i in range(142):
            self.file(os.path.join("jars", "j%03d.jar" % i))
        classpath = "".join("p%d:" % i for i in range(101)) + "extra.jar:"
        classpath += "".join("jars/j%03d.jar:" % i for i in range(142))
        argv = self.java(*["-Dp%d" % i for i in range(101)], "-classpath", classpath,
                         "app.Main", *["a%d" % i for i in range(101)])
        self.assert_outcome(self.box.run(launcher), 0, "", argv)

        # The command line's words come first in the argument list.
        launcher = self.app("mainclass app.Main\nargument from-config\n")
        words = ["w%d" % i for i in range(101)]
        self.assert_outcome(self.box.run(launcher, words), 0, "",
                            self.java("-classpath", "", "app.Main", *words, "from-config"))


class Environment(FaultTest):
    def test_variable_of_100_kib(self):
        big = "x" * (50 * 1024) + " " + "y" * (50 * 1024 - 1)
        self.assertEqual(len(big), 100 * 1024)
        launcher = self.app("vmparam -Dbig=$BIG\\lib\naddpath $BIG\nmainclass app.Main\n"
                            "argument $BIG\n")
        self.assert_outcome(self.box.run(launcher, extra={"BIG": big}), 0, "",
                            self.java("-Dbig=" + big + "/lib", "-classpath", big + ":",
                                      "app.Main", "$BIG"))

    def test_names_with_equals(self):
        launcher = self.app("\n".join([
            "vmparam -Da=$A\\x",     # the value keeps its "="
            "vmparam -Deq=$A=B\\y",  # a name holding "=", matched as getenv matches it
            "vmparam -Dno=$B=\\z",   # no such variable: the value as written
            "mainclass app.Main",
            "",
        ]))
        self.assert_outcome(self.box.run(launcher, extra={"A": "B=C"}), 0, "",
                            self.java("-Da=B=C/x", "-Deq=C/y", "-Dno=$B=\\z", "-classpath",
                                      "", "app.Main"))

    def test_names_with_odd_bytes(self):
        odd = b"N\xffX".decode("utf-8", "surrogateescape")
        env = {odd: "v a", "MY VAR": "spaced value"}
        launcher = self.app("\n".join([
            "vmparam -Dodd=$n\xffx\\lib",  # letter case ignored; other bytes compared as they are
            "vmparam -Dsp=$my var",        # a name may hold a space
            "vmparam -Dno=$\xfe\\z",       # not set: the value as written
            "mainclass app.Main",
            "",
        ]).encode("latin-1"))
        self.assert_outcome(self.box.run(launcher, extra=env), 0, "",
                            self.java("-Dodd=v a/lib", "-Dsp=spaced value",
                                      b"-Dno=$\xfe\\z".decode("utf-8", "surrogateescape"),
                                      "-classpath", "", "app.Main"))


class Launch(FaultTest):
    def test_java_that_cannot_be_started(self):
        directory = self.box.path("a directory")
        os.makedirs(directory)
        plain = self.box.write_file(self.box.path("plain file"), "#!/bin/sh\nexit 0\n", 0o644)
        foreign = self.box.write_file(self.box.path("foreign"), garbage(6, 512), 0o755)
        cases = [
            ("names no file", self.box.path("nowhere", "java"), "No such file or directory"),
            ("a directory", directory, "Permission denied"),
            ("not executable", plain, "Permission denied"),
            ("not a program", foreign, "Exec format error"),
        ]
        for name, java, message in cases:
            with self.subTest(name):
                launcher = self.app('javapath "%s"\nmainclass app.Main\n' % java)
                self.assert_outcome(self.box.run(launcher), 2,
                                    start_error('"%s"' % java, message))

    def test_java_that_crashes(self):
        runtime = self.box.make_runtime("18", kill_signal=signal.SIGSEGV,
                                        parent=self.box.path("crashing"))
        launcher = self.app("mainclass app.Main\n")
        result = self.box.run(launcher, jvm_path=[self.box.path("crashing")])
        self.assertEqual(result.code, 139, result)
        self.assertEqual(result.stderr, harness.launch_error("app.Main", runtime.java, 139, signal.SIGSEGV))
        self.assertEqual(result.java_argv, [runtime.java, "-classpath", "", "app.Main"])

    def test_sigterm_reaches_java(self):
        # Java that handles the signal ends with its own code, which passes on
        # without a notice; Java that does not is ended by it (128 + 15), and
        # carafe reports that.
        launcher = self.app("mainclass app.Main\n")
        trapping = self.box.make_runtime("19", parent=self.box.path("trapping"),
                                         trap_signal="TERM", trap_exit=42, sleep=15)
        plain = self.box.make_runtime("20", parent=self.box.path("plain"))
        ready = os.path.join(plain.home, "ready")
        with open(plain.java, encoding="utf-8") as script:
            text = script.read()
        # Mark itself ready, then wait without handling any signal.
        text = text.replace("exit 0\n", ": > '%s'\nexec sleep 15\n" % ready)
        with open(plain.java, "w", encoding="utf-8") as script:
            script.write(text)
        for runtime, code, notice in [(trapping, 42, False),
                                      (plain, 128 + signal.SIGTERM, True)]:
            with self.subTest(runtime.version):
                result = self.box.run(launcher, jvm_path=[os.path.dirname(runtime.home)],
                                      signal_after_ready=(runtime, signal.SIGTERM))
                self.assertEqual(result.code, code, result)
                self.assertEqual(result.stderr,
                                 harness.launch_error("app.Main", runtime.java, code, signal.SIGTERM)
                                 if notice else "")
        self.assertEqual(harness.read_lines(os.path.join(trapping.home, "trapped")), ["TERM"])

    @unittest.skipUnless(sys.platform.startswith("linux"), "the parent's death signal is Linux's")
    def test_java_ends_when_the_launcher_is_killed(self):
        launcher = self.app("mainclass app.Main\n")
        runtime = self.box.make_runtime("21", parent=self.box.path("sleeping"))
        pid_file = os.path.join(runtime.home, "pid")
        with open(runtime.java, encoding="utf-8") as script:
            text = script.read()
        # Java that ignores the signals a launcher passes on, and waits.
        text = text.replace("exit 0\n", "trap '' TERM HUP INT\necho $$ > '%s.new'\n"
                            "mv '%s.new' '%s'\nexec sleep 30\n" % (pid_file, pid_file, pid_file))
        with open(runtime.java, "w", encoding="utf-8") as script:
            script.write(text)
        started = subprocess.Popen(self.box.wrapper() + [launcher],
                                   env=self.box.environment(jvm_path=[self.box.path("sleeping")]),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(started.wait)
        deadline = time.monotonic() + 20
        while not os.path.exists(pid_file) and time.monotonic() < deadline:
            time.sleep(0.02)
        with open(pid_file) as f:
            java = int(f.read())
        started.kill()
        ended_by = time.monotonic() + 1.0
        while time.monotonic() < ended_by and self.running(java):
            time.sleep(0.02)
        running = self.running(java)
        if running:
            os.kill(java, signal.SIGKILL)
        self.assertFalse(running, "Java outlived the launcher by a second")

    @staticmethod
    def running(pid):
        """True while pid is a process that has not ended (a zombie has)."""
        try:
            with open("/proc/%d/stat" % pid) as f:
                return f.read().rsplit(")", 1)[1].split()[0] != "Z"
        except OSError:
            return False


class UnprivilegedRunner:
    """Runs the launcher as a user whom file permissions apply to. Root reads
    every file, so as root the launcher is started through setpriv as nobody
    (the sandbox is opened up for that user); otherwise it runs as is."""

    def __init__(self, test, box):
        self.box = box
        if os.geteuid() != 0:
            self.prefix = []
            return
        setpriv = shutil.which("setpriv")
        if setpriv is None:
            test.skipTest("running as root, and setpriv is missing to run as another user")
        self.prefix = [setpriv, "--reuid=65534", "--regid=65534", "--clear-groups", "--"]
        for directory, _, _ in os.walk(box.root):
            os.chmod(directory, 0o777)
        for path in (box.java_record, box.url_record):
            box.write_file(path, "", 0o666) if not os.path.exists(path) else os.chmod(path, 0o666)

    def run(self, launcher, args=()):
        if not self.prefix:
            return self.box.run(launcher, args)
        original = self.box.wrapper
        self.box.wrapper = lambda: self.prefix + original()
        try:
            return self.box.run(launcher, args)
        finally:
            self.box.wrapper = original


def main():
    global CARAFE
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--carafe", required=True, help="the carafe binary to test")
    parser.add_argument("--examples", help="accepted like the other suites; not used")
    options, rest = parser.parse_known_args()
    CARAFE = os.path.abspath(options.carafe)
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()

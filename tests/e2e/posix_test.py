#!/usr/bin/env python3
"""End-to-end tests of the POSIX launcher.

    python3 tests/e2e/posix_test.py --carafe build/default/carafe \\
        --examples build/default/examples [unittest options]

Every test installs a copy of carafe in a temporary directory beside its
configuration, with fake runtimes whose bin/java records its arguments (see
harness.py), and runs it with a controlled environment.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

CARAFE = None
EXAMPLES = None
JVM_ROOT = "/usr/lib/jvm"

ORACLE_PAGE = "https://www.oracle.com/j2se/1.4.2/download.html"
JAVA_PAGE = "https://www.java.com/en/download/download_the_latest.jsp"
RELEASES_PAGE = "https://adoptium.net/temurin/releases/?version="


def notices(stderr):
    """The notice captions on standard error, in order (a notice is
    "caption: text"; texts may run over several lines)."""
    captions = []
    for line in stderr.splitlines():
        caption, separator, _ = line.partition(": ")
        if separator and caption in KNOWN_CAPTIONS:
            captions.append(caption)
    return captions


KNOWN_CAPTIONS = {
    "Version", "LpCmdLine", "CWD", "Reading App Config file", "Reading Config file",
    "Parse Path", "Can't find variable", "MainClass is", "Javapath is", "Command Line is",
    "Error", "Error!", "JavaInstallRegPath", "Java Runtime Environment Not Found",
    "Incompatible JRE Version Found", "Error Accessing Registry!", "Error Reading Registry",
    "Error Reading Registry!",
}


class LauncherTest(unittest.TestCase):
    def setUp(self):
        self.box = harness.Sandbox(CARAFE)
        self.box.__enter__()
        self.addCleanup(self.box.__exit__, None, None, None)
        self.elsewhere = self.box.path("elsewhere")
        os.makedirs(self.elsewhere)

    def run_app(self, launcher, args=(), **options):
        options.setdefault("cwd", self.elsewhere)
        return self.box.run(launcher, args, **options)

    def assert_ran(self, result, code, argv, stderr=None):
        self.assertEqual(result.code, code, result)
        self.assertEqual(result.java_argv, argv, result)
        if stderr is not None:
            self.assertEqual(result.stderr, stderr, result)


class StartAndExitCodes(LauncherTest):
    """The launcher finds its configuration beside itself, however it is
    started, and ends with Java's exit code."""

    def test_exit_code_is_javas(self):
        app = self.box.install_app("hello", config="mainclass app.Main\n")
        # A configuration in the current directory must not be taken instead.
        self.box.write_file(os.path.join(self.elsewhere, "hello.config"), "mainclass Wrong\n")
        cases = [
            ("exit 0", dict(exit_code=0), 0),
            ("exit 3", dict(exit_code=3), 3),
            ("exit 255", dict(exit_code=255), 255),
            ("killed by SIGTERM", dict(kill_signal=signal.SIGTERM), 128 + signal.SIGTERM),
            ("killed by SIGKILL", dict(kill_signal=signal.SIGKILL), 128 + signal.SIGKILL),
        ]
        for index, (name, behaviour, code) in enumerate(cases):
            with self.subTest(name):
                runtime = self.box.make_runtime("17.0.%d" % index, name="jdk-%d" % index,
                                                parent=self.box.path("jvm-%d" % index),
                                                **behaviour)
                result = self.run_app(app, jvm_path=[os.path.dirname(runtime.home)])
                # The shell has a normal exit code; a signal is told.
                killed = "kill_signal" in behaviour
                self.assert_ran(result, code, [runtime.java, "-classpath", "", "app.Main"],
                                harness.launch_error("app.Main", runtime.java, code, code - 128) if killed
                                else "")
                self.assertEqual(result.stdout, "")
                # Java runs in the launcher's directory.
                self.assertEqual(result.java_directories, [os.path.dirname(app)])

    def test_started_by_relative_path_and_by_path(self):
        runtime = self.box.make_runtime("17.0.15", exit_code=4)
        app = self.box.install_app("tool", config="mainclass app.Tool\n",
                                   directory=self.box.path("apps", "tool"))
        app_dir = os.path.dirname(app)
        self.box.write_file(os.path.join(self.elsewhere, "tool.config"), "mainclass Wrong\n")
        # A folder just cloned: a link of the launcher's name to a program
        # and a configuration of its own.
        planted = self.box.path("cloned")
        self.box.write_file(os.path.join(planted, "sub", "tool.config"), "mainclass Wrong\n")
        shutil.copy2(app, os.path.join(planted, "sub", "tool"))
        os.symlink("sub/tool", os.path.join(planted, "tool"))
        cases = [
            ("relative from the parent", "tool/tool", self.box.path("apps"), {}),
            ("dot slash", "./tool", app_dir, {}),
            ("dot dot", "../apps/tool/tool", self.elsewhere, {}),
            ("bare name on PATH", "tool", self.elsewhere, dict(path_dirs=[app_dir])),
            ("bare name on a relative PATH entry", "tool", self.box.path("apps"),
             dict(path_dirs=["tool"])),
            # exec -a, a service manager: a bare name that PATH does not resolve.
            ("bare name found nowhere", "tool", self.elsewhere, {}),
            ("bare name beside a planted link", "tool", planted, {}),
            ("bare name, a relative PATH entry to a planted link", "tool", planted,
             dict(path_dirs=["."])),
            ("a foreign path", os.path.join(planted, "sub", "tool"), self.elsewhere, {}),
        ]
        for name, argv0, cwd, env in cases:
            with self.subTest(name):
                result = self.box.run(app, ["x"], cwd=cwd, argv0=argv0, **env)
                self.assert_ran(result, 4, [runtime.java, "-classpath", "", "app.Tool", "x"], "")
                self.assertEqual(result.java_directories, [app_dir])

    def test_missing_configuration(self):
        self.box.make_runtime("17.0.15")
        app = self.box.install_app("hello")
        config = app + ".config"
        result = self.run_app(app)
        self.assertEqual(result.code, 2, result)
        self.assertEqual(result.stderr,
                         "Can't open %s Error No such file or directory\n" % config)
        self.assertEqual(result.stdout, "")
        self.assertEqual(result.java_calls, [])
        # In debug mode the start notices come first, "LpCmdLine" again at the end.
        result = self.run_app(app, ["-d"])
        self.assertEqual(result.code, 2, result)
        self.assertEqual(result.stderr.splitlines(), [
            "Version: 1.0.7",
            "LpCmdLine: [%s]" % app,
            "CWD: %s" % os.path.dirname(app),
            "reading app config %s" % config,  # trace lines stand beside the notices
            "Reading App Config file: [%s]" % config,
            "Reading Config file: %s" % config,
            "Can't open %s Error No such file or directory" % config,
            "LpCmdLine: [%s]" % app,
        ])
        self.assertEqual(result.stdout, "")

    @unittest.skipIf(os.geteuid() == 0, "root reads every file")
    def test_unreadable_configuration(self):
        app = self.box.install_app("hello", config="mainclass Main\n")
        os.chmod(app + ".config", 0)
        result = self.run_app(app)
        self.assertEqual(result.code, 2, result)
        self.assertEqual(result.stderr, "Can't open %s.config Error Permission denied\n" % app)

    def test_java_that_cannot_be_started(self):
        missing = self.box.path("no such jre", "bin", "java")
        app = self.box.install_app("hello", config='javapath "%s"\nmainclass Main\n' % missing)
        result = self.run_app(app)
        self.assertEqual(result.code, 2, result)
        self.assertEqual(result.stderr,
                         'Error: Can\'t start Java "%s"\nNo such file or directory\n' % missing)

    def test_configuration_without_main_class(self):
        self.box.make_runtime("17.0.15")
        app = self.box.install_app("hello", config="vmparam -Xmx64m\n")
        result = self.run_app(app)
        self.assertEqual(result.code, 2, result)
        self.assertEqual(result.java_calls, [])
        self.assertIn(app + ".config", result.stderr)
        self.assertIn("mainclass", result.stderr)


class DebugMode(LauncherTest):
    def test_notices_and_trace_lines_in_order_on_standard_error(self):
        # Standard output is the application's alone.
        runtime = self.box.make_runtime("17.0.15", stdout_text="java says hello")
        app = self.box.install_app("hello", config="\n".join([
            "appname Hello",
            "vmparam -Xmx64m",
            "vmparam -Dhome=$HOME/x",
            "addpath classes",
            "addjars lib",
            "mainclass app.Main",
            "argument two words",
            "",
        ]))
        app_dir = os.path.dirname(app)
        config = app + ".config"
        self.box.write_file(os.path.join(app_dir, "lib", "a.jar"))
        result = self.run_app(app, ["one", "-d"])
        java = runtime.java
        home = self.box.root  # HOME in the launcher's environment
        command = ('%s -Xmx64m -Dhome=%s/x -classpath classes:lib/a.jar: app.Main one "two words" '
                   % (java, home))
        self.assert_ran(result, 0, [java, "-Xmx64m", "-Dhome=%s/x" % home, "-classpath",
                                    "classes:lib/a.jar:", "app.Main", "one", "two words"])
        # The size counts 2 more than each piece, 3 more than each argument, and 12.
        size = (len(java) + 2 + len("app.Main") + 2 + len("-Xmx64m") + 2
                + len("-Dhome=%s/x" % home) + 2 + len("classes") + 2 + len("lib/a.jar") + 2
                + len("one") + 3 + len("two words") + 3 + 12)
        self.assertEqual(result.stderr.splitlines(), [
            "Version: 1.0.7",
            "LpCmdLine: [%s]" % app,
            "CWD: %s" % app_dir,
            "reading app config %s" % config,
            "Reading App Config file: [%s]" % config,
            "Reading Config file: %s" % config,
            "Parse Path: arg [-Dhome=$HOME/x] expanded to [-Dhome=%s/x]" % home,
            "",  # the "Parse Path" text ends with a line feed of its own
            "adding jar lib/a.jar",
            "MainClass is: app.Main",
            "vmparam 0=-Xmx64m",
            "vmparam 1=-Dhome=%s/x" % home,
            "vmpath 0=classes",
            "vmjars 0=lib/a.jar",
            "Javapath is: %s" % java,
            "cmdLine is %d chars long" % size,
            "Command Line is: %s" % command,
            "CreateProcess ret 1, exitCode=0",
        ])
        self.assertEqual(result.stdout, "java says hello\n")

    def test_java_failure_in_debug_mode(self):
        runtime = self.box.make_runtime("17.0.15", exit_code=9)
        app = self.box.install_app("hello", config="mainclass Main\n")
        result = self.run_app(app, ["-d", "-d", "-D"])
        self.assert_ran(result, 9, [runtime.java, "-classpath", "", "Main", "-D"])
        self.assertEqual(notices(result.stderr), [
            "Version", "LpCmdLine", "CWD", "Reading App Config file", "Reading Config file",
            "MainClass is", "Javapath is", "Command Line is", "Error"])
        self.assertTrue(result.stderr.endswith(harness.launch_error("Main", runtime.java, 9)
                                               + "CreateProcess ret 1, exitCode=9\n"), result)


class DefaultRuntime(LauncherTest):
    """Without "javapath" or "javaVersion" the default runtime is started:
    the family of JAVA_HOME's runtime, else of the java on PATH, else the
    highest version."""

    def setUp(self):
        super().setUp()
        self.app = self.box.install_app("hello", config="mainclass Main\n")
        self.java17 = self.box.make_runtime("17.0.15")
        self.java11 = self.box.make_runtime("11.0.2")
        self.java8 = self.box.make_runtime("1.8.0_452")
        self.java8_newer = self.box.make_runtime("1.8.0_462")
        self.outside = self.box.make_runtime("21.0.1", parent=self.box.path("other"))

    def test_choice_of_the_default(self):
        java_on_path = self.box.path("java-on-path")
        os.makedirs(java_on_path)
        os.symlink(self.java11.java, os.path.join(java_on_path, "java"))
        cases = [
            ("highest without JAVA_HOME", {}, self.java17),
            ("JAVA_HOME", dict(java_home=self.java11.home), self.java11),
            # JAVA_HOME names a family: its highest runtime is started.
            ("JAVA_HOME of an older patch level",
             dict(java_home=self.java8.home), self.java8_newer),
            ("JAVA_HOME outside the roots", dict(java_home=self.outside.home), self.outside),
            ("JAVA_HOME that is no runtime", dict(java_home=self.box.path("nothing")),
             self.java17),
            ("java on PATH", dict(path_dirs=[java_on_path]), self.java11),
            ("JAVA_HOME before PATH",
             dict(java_home=self.java8_newer.home, path_dirs=[java_on_path]), self.java8_newer),
        ]
        for name, env, runtime in cases:
            with self.subTest(name):
                result = self.run_app(self.app, **env)
                self.assert_ran(result, 0, [runtime.java, "-classpath", "", "Main"], "")

    def test_no_runtime_installed(self):
        empty = self.box.path("empty")
        os.makedirs(empty)
        # CARAFE_JVM_PATH pins the search: a runtime in SDKMAN or behind the
        # java on PATH is not seen while it is set.
        self.box.make_runtime("17.0.15", parent=self.box.path(".sdkman", "candidates", "java"))
        java_on_path = self.box.path("java-on-path")
        os.makedirs(java_on_path)
        os.symlink(self.java11.java, os.path.join(java_on_path, "java"))
        for args, expected in [([], ["Error!: No Java Installation Found"]),
                               (["-d"], ["Error Accessing Registry!: "
                                         "SOFTWARE\\JavaSoft\\Java Runtime Environment",
                                         "Error!: No Java Installation Found"])]:
            with self.subTest(args=args):
                result = self.run_app(self.app, args, jvm_path=[empty], path_dirs=[java_on_path])
                self.assertEqual(result.code, 2, result)
                self.assertEqual(result.java_calls, [])
                lines = result.stderr.splitlines()
                self.assertEqual(lines[-len(expected):], expected, result)

    def test_runtime_home_with_a_space(self):
        root = self.box.path("my runtimes")
        runtime = self.box.make_runtime("17.0.15", name="jdk 17", parent=root, exit_code=6)
        result = self.run_app(self.app, ["-d"], jvm_path=[root])
        self.assert_ran(result, 6, [runtime.java, "-classpath", "", "Main"])
        self.assertIn('Javapath is: "%s"\n' % runtime.java, result.stderr)
        self.assertTrue(result.stderr.endswith(harness.launch_error("Main", '"%s"' % runtime.java, 6)
                                               + "CreateProcess ret 1, exitCode=6\n"))


class RequiredVersion(LauncherTest):
    def setUp(self):
        super().setUp()
        self.runtimes = {}
        for version in ["1.8.0_05", "1.8.0_452", "1.8.0_462", "11.0.2", "17.0.15"]:
            self.runtimes[version] = self.box.make_runtime(version, exit_code=7,
                                                           stdout_text="Java " + version)

    def test_minimum_patch_level(self):
        app = self.box.install_app("hello", config="\n".join([
            "vmparam -Dx=1",
            "javaVersion 1.8.0_10+",
            "addjar lib/a.jar",
            "mainclass Main",
            "argument arg one",
            "",
        ]))
        java = self.runtimes["1.8.0_462"].java
        result = self.run_app(app, ["two"])
        self.assert_ran(result, 7, [java, "-Dx=1", "-classpath", "lib/a.jar:", "Main", "two",
                                    "arg one"])
        # The search writes its trace lines on the user's terminal in debug
        # mode only.
        self.assertEqual(result.stdout, "Java 1.8.0_462\n")
        self.assertEqual(result.stderr, "")
        # With -d, on standard error; the keys are enumerated in name order: a
        # family key, then its runtimes.
        result = self.run_app(app, ["-d", "two"])
        self.assertEqual(result.stdout, "Java 1.8.0_462\n")
        self.assertIn("\n".join([
            "javaVersion=1.8.0_10+, javaVer=1.8.0",
            "checking (1) 1.8",
            "checking (2) 1.8.0_05",
            "found correct java version 1.8.0_05. checking patch level",
            "checking patch level 5 against 10",
            "checking (3) 1.8.0_452",
            "found correct java version 1.8.0_452. checking patch level",
            "checking patch level 452 against 10",
            "found latest java version 1.8.0_452",
            "checking (4) 1.8.0_462",
            "found correct java version 1.8.0_462. checking patch level",
            "checking patch level 462 against 452",
            "found latest java version 1.8.0_462",
            "checking (5) 11",
            "checking (6) 11.0.2",
            "checking (7) 17",
            "checking (8) 17.0.15",
            "",
        ]), result.stderr)

    def test_version_forms(self):
        # Machines where CARAFE_JVM_PATH is unset and the only runtime that
        # answers is outside the system's places: the launcher searches the
        # wider view. The system's own runtimes (this machine's /usr/lib/jvm)
        # are searched too, so these versions are ones only the fakes have.
        sdkman_user = self.box.path("sdkman-user")
        self.runtimes["21.0.99"] = self.box.make_runtime(
            "21.0.99", exit_code=7, parent=os.path.join(sdkman_user, ".sdkman", "candidates",
                                                        "java"), name="21.0.99-tem")
        self.runtimes["21.0.98"] = self.box.make_runtime(
            "21.0.98", exit_code=7, parent=self.box.path("unpacked"))
        java_on_path = self.box.path("java-on-path")
        os.makedirs(java_on_path)
        os.symlink(self.runtimes["21.0.98"].java, os.path.join(java_on_path, "java"))
        # A PATH without java that still holds what the fake java runs.
        no_java = self.box.path("no-java")
        os.makedirs(no_java)
        os.symlink(shutil.which("sed"), os.path.join(no_java, "sed"))
        bare_path = os.pathsep.join([self.box.tools_dir, no_java])
        unpinned = dict(CARAFE_JVM_PATH=None, JAVA_HOME=None, JDK_HOME=None)
        cases = [
            ("exact", "1.8.0_452", "1.8.0_452", {}),
            ("family without patch level", "11", "11.0.2", {}),
            ("highest patch level of a prefix", "1.8.0", "1.8.0_462", {}),
            ("equal patch level accepted", "1.8.0_462+", "1.8.0_462", {}),
            ("only in SDKMAN", "21.0.99", "21.0.99",
             dict(extra=dict(unpinned, HOME=sdkman_user, PATH=bare_path))),
            ("only the java on PATH", "21.0.98", "21.0.98",
             dict(extra=dict(unpinned, HOME=self.elsewhere,
                             PATH=os.pathsep.join([java_on_path, bare_path])))),
        ]
        for name, required, chosen, env in cases:
            with self.subTest(name):
                app = self.box.install_app("hello", config="mainclass Main\njavaVersion %s\n"
                                           % required)
                result = self.run_app(app, **env)
                java = self.runtimes[chosen].java
                self.assert_ran(result, 7, [java, "-classpath", "", "Main"], "")

    def test_runtime_not_installed_ends_with_5(self):
        # An exact version that is not installed, and the version form of a
        # family that has no runtime: the direct lookup misses.
        cases = [
            # required, answer, URL opened
            ("21", None, None),
            ("1.8.0_999", None, None),
            ("1.8.0_999", "n", None),
            ("1.8.0_999", "y", RELEASES_PAGE + "8"),
            ("1.5.0_99", None, None),
            ("1.5.0_99", "y", JAVA_PAGE),
        ]
        for required, answer, url in cases:
            with self.subTest(required=required, answer=answer):
                app = self.box.install_app("hello", config="appname Hello\njavaVersion %s\n"
                                           "mainclass Main\n" % required)
                result = self.run_app(app, answer=answer)
                self.assertEqual(result.code, 5, result)
                self.assertEqual(result.java_calls, [])
                # Without -d the search writes no trace line.
                self.assertEqual(result.stderr,
                                 "Java Runtime Environment Not Found: Hello requires the "
                                 "Java Runtime Environment version %s\n"
                                 "Do you want to download it?\n" % required)
                self.assertEqual(result.urls, [url] if url else [], result)

    def test_download_offer_ends_with_11(self):
        cases = [
            # required, answer, URL opened
            ("1.5.0_06+", None, None),
            ("1.5.0_06+", "n", None),
            ("1.5.0_06+", "y", JAVA_PAGE),
            ("1.5.0_06+", "Yes", JAVA_PAGE),
            ("1.4.2_10+", "y", ORACLE_PAGE),
            ("1.6.0_10+", "y", None),
            ("99+", "y", RELEASES_PAGE + "99"),  # a minimum above every runtime
        ]
        self.box.make_runtime("1.5.0_04")
        self.box.make_runtime("1.4.2_08")
        for required, answer, url in cases:
            with self.subTest(required=required, answer=answer):
                app = self.box.install_app("hello", config="appname Hello World\n"
                                           "javaVersion %s\nmainclass Main\n" % required)
                result = self.run_app(app, answer=answer)
                self.assertEqual(result.code, 11, result)
                self.assertEqual(result.java_calls, [])
                self.assertEqual(result.urls, [url] if url else [], result)
                self.assertEqual(result.stderr,
                                 "Incompatible JRE Version Found: Hello World requires the Java "
                                 "Runtime Environment version %s\nDo you want to download it?\n"
                                 % required, result)
                if answer is not None:
                    self.assertIn("[y/N]", result.terminal)

    def test_on_a_desktop_notices_show_in_a_window_too(self):
        display = harness.start_display(self)
        self.box.make_runtime("1.5.0_04")
        offer = "appname Hello\njavaVersion 1.5.0_06+\nmainclass Main\n"
        no_main = ('%s has no "mainclass" line.\nAdd one that names the Java class to start, '
                   "such as: mainclass com.example.Main" % self.box.path("app", "hello.config"))
        question = ("Hello requires the Java Runtime Environment version 1.5.0_06+\n"
                    "Do you want to download it?")
        title = "Incompatible JRE Version Found"
        cases = [
            # name, dialog programs (name, exit code), configuration, code, URLs, calls
            ("zenity", [("zenity", 0), ("xmessage", 0)], "vmparam -Xmx64m\n", 2, [],
             [["zenity", "--error", "--no-markup", "--title=Error", "--text=" + no_main]]),
            ("a question answered Yes", [("zenity", 0)], offer, 11, [JAVA_PAGE],
             [["zenity", "--question", "--no-markup", "--title=" + title,
               "--text=" + question]]),
            ("kdialog, answered No", [("kdialog", 1), ("xmessage", 0)], offer, 11, [],
             [["kdialog", "--title", title, "--yesno", question]]),
            ("xmessage", [("xmessage", 0)], "vmparam -Xmx64m\n", 2, [],
             [["xmessage", "-center", "-title", "Error", "-buttons", "OK:0", "-default", "OK",
               "Error:\n" + no_main]]),
            ("no dialog program: standard error alone", [], offer, 11, [], []),
        ]
        for name, dialogs, config, code, urls, calls in cases:
            with self.subTest(name):
                directory = self.box.path("dialogs", name)
                record = os.path.join(directory, "calls")
                os.makedirs(directory)
                for program, exit_code in dialogs:
                    self.box.write_file(os.path.join(directory, program),
                                        '#!/bin/sh\nfor w in "$0" "$@"; do printf "%%s\\0" "$w"; '
                                        'done >> "%s"\nprintf -- "-----\\0" >> "%s"\nexit %d\n'
                                        % (record, record, exit_code), 0o755)
                app = self.box.install_app("hello", config=config)
                env = self.box.environment(extra={
                    "DISPLAY": display, "PATH": directory + ":" + self.box.tools_dir})
                result = self.run_app(app, env=env)
                recorded = []  # each call's words, NUL-separated, a "-----" word after it
                if os.path.exists(record):
                    with open(record) as f:
                        words = f.read().split("\0")[:-1]
                    while "-----" in words:
                        end = words.index("-----")
                        recorded.append([os.path.basename(words[0])] + words[1:end])
                        words = words[end + 1:]
                self.assertEqual((result.code, result.urls), (code, urls), result)
                self.assertEqual(recorded, calls)
                # Standard error has each notice as always.
                self.assertIn(no_main if code == 2 else question, result.stderr)

    def test_no_runtimes_at_all(self):
        empty = self.box.path("empty")
        os.makedirs(empty)
        # Named by the launcher when neither "appname" nor "mainclass" came first.
        app = self.box.install_app("tool", config="javaVersion 1.5.0\nmainclass Main\n")
        result = self.run_app(app, answer="y", jvm_path=[empty])
        self.assertEqual(result.code, 11, result)
        self.assertEqual(result.urls, [JAVA_PAGE])
        self.assertEqual(result.stderr,
                         "Java Runtime Environment Not Found: tool requires the Java Runtime "
                         "Environment version 1.5.0\nDo you want to download it?\n")


class CommandLine(LauncherTest):
    """Texts with spaces, quotes and backslashes reach Java as the words they
    were."""

    def test_java_path_with_a_space(self):
        runtime = self.box.make_runtime("17.0.15", parent=self.box.path("my tools"),
                                        name="java home")
        cases = [
            ("quoted in the configuration", 'javapath "%s"\n' % runtime.java, {}),
            ("expanded from the environment", "javapath $TOOLS/bin/java\n",
             dict(extra={"TOOLS": runtime.home})),
            ("as written, naming the file", "javapath %s\n" % runtime.java, {}),
        ]
        for name, line, env in cases:
            with self.subTest(name):
                app = self.box.install_app("hello", config=line + "mainclass Main\n")
                result = self.run_app(app, ["a"], jvm_path=[], **env)
                self.assert_ran(result, 0, [runtime.java, "-classpath", "", "Main", "a"], "")

    def test_arguments_with_spaces_quotes_and_backslashes(self):
        # The launcher's own arguments reach Java as they were; "argument"
        # lines are command-line text, whose quotes the splitting removes.
        runtime = self.box.make_runtime("17.0.15")
        app = self.box.install_app("hello", config="mainclass Main\nargument from config\n"
                                                    'argument --name="x"\n')
        args = ["C:\\my dir\\", "next", "a b\\\\", "no\\space\\", "\\\\server\\x y",
                '--title="My App"', '{"k":"v"}', 'say "hi"', 'a\\"b\\', '"']
        result = self.run_app(app, args)
        self.assert_ran(result, 0, [runtime.java, "-classpath", "", "Main"] + args
                        + ["from config", "--name=x"], "")

    def test_jar_directories(self):
        runtime = self.box.make_runtime("17.0.15")
        spaced = self.box.path("shared libs")
        app = self.box.install_app("hello", config="\n".join([
            "addpath classes",
            "addjars lib",
            "addjars $SHARED",
            "addjars missing",
            "mainclass Main",
            "",
        ]))
        lib = os.path.join(os.path.dirname(app), "lib")
        for name in ["b.JAR", "a.jar", "Z.Jar", "notes.txt", "c.jar.bak", "jar"]:
            self.box.write_file(os.path.join(lib, name))
        os.makedirs(os.path.join(lib, "x.jar"))
        self.box.write_file(os.path.join(lib, "x.jar", "inner.jar"))
        os.symlink(os.path.join(lib, "a.jar"), os.path.join(lib, "link.jar"))
        os.symlink(os.path.join(lib, "nowhere"), os.path.join(lib, "dangling.jar"))
        os.mkfifo(os.path.join(lib, "pipe.jar"))
        self.box.write_file(os.path.join(spaced, "s.jar"))
        result = self.run_app(app, ["-d"], extra={"SHARED": spaced})
        classpath = ("classes:lib/Z.Jar:lib/a.jar:lib/b.JAR:lib/link.jar:%s/s.jar:" % spaced)
        self.assert_ran(result, 0, [runtime.java, "-classpath", classpath, "Main"])
        trace = [line for line in result.stderr.splitlines()
                 if line.startswith(("adding jar", "No jar files"))]
        self.assertEqual(trace, [
            "adding jar lib/Z.Jar",
            "adding jar lib/a.jar",
            "adding jar lib/b.JAR",
            "adding jar lib/link.jar",
            'adding jar "%s"/s.jar' % spaced,
            "No jar files found in [missing]",
        ])


class Signals(LauncherTest):
    def test_signals_reach_java(self):
        app = self.box.install_app("hello", config="mainclass Main\n")
        for number, name in [(signal.SIGTERM, "TERM"), (signal.SIGINT, "INT"),
                             (signal.SIGHUP, "HUP")]:
            with self.subTest(name):
                runtime = self.box.make_runtime("17.0.15", name="jdk-" + name,
                                                parent=self.box.path("jvm-" + name),
                                                trap_signal=name, trap_exit=42, sleep=8)
                result = self.run_app(app, jvm_path=[os.path.dirname(runtime.home)],
                                      signal_after_ready=(runtime, number))
                self.assertEqual(result.code, 42, result)
                self.assertEqual(harness.read_lines(os.path.join(runtime.home, "trapped")),
                                 [name])
                self.assertEqual(result.stderr, "")


    # A Java that counts the SIGINTs it receives and who sent each: the
    # launcher (its parent), the kernel (a terminal), or another process.
    COUNTING_JAVA = r"""#!%s
import os, signal, sys, time
home = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
if "own-group" in sys.argv:
    os.setpgid(0, 0)
signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGINT})
open(os.path.join(home, "ready"), "w").close()
senders = []
deadline = time.monotonic() + 3
while time.monotonic() < deadline:
    info = signal.sigtimedwait({signal.SIGINT}, 0.05)
    if info is not None:
        senders.append("launcher" if info.si_pid == os.getppid() else
                       "kernel" if info.si_pid == 0 else "process")
        deadline = time.monotonic() + 1
with open(os.path.join(home, "senders"), "w") as record:
    record.write("".join(sender + "\n" for sender in senders))
"""

    def test_each_ctrl_c_reaches_java_once(self):
        # Ctrl+C goes from the terminal to its foreground process group, Java
        # included, so the launcher passes on only what was sent to it alone.
        cases = [
            ("Ctrl+C in the terminal", [], dict(keys=b"\x03"), ["kernel"]),
            ("kill of the launcher", [], dict(number=signal.SIGINT), ["launcher"]),
            ("Ctrl+C, Java in a group of its own", ["own-group"], dict(keys=b"\x03"), []),
        ]
        for index, (name, args, action, senders) in enumerate(cases):
            with self.subTest(name):
                runtime = self.box.make_runtime("17.0.15", parent=self.box.path("jvm-%d" % index))
                with open(runtime.java, "w", encoding="utf-8") as script:
                    script.write(self.COUNTING_JAVA % sys.executable)
                app = self.box.install_app("hello", config="mainclass Main\n")
                options = dict(jvm_path=[os.path.dirname(runtime.home)])
                if "keys" in action:
                    options["keys_after_ready"] = (runtime, action["keys"])
                else:
                    options["terminal"] = True
                    options["signal_after_ready"] = (runtime, action["number"])
                result = self.run_app(app, args, **options)
                self.assertEqual(result.code, 0, result)
                self.assertEqual(harness.read_lines(os.path.join(runtime.home, "senders")),
                                 senders)


class ExampleApplication(unittest.TestCase):
    def test_hello_prints_its_greeting_and_arguments(self):
        app = os.path.join(EXAMPLES or "", "hello", "app", "hello")
        if not EXAMPLES or not os.path.isfile(app):
            self.skipTest("the example application was not built: %s" % app)
        with harness.Sandbox(CARAFE) as box:
            extra = {name: os.environ.get(name) for name in ("CARAFE_JVM_PATH", "JAVA_HOME")}
            env = box.environment(extra=extra)
            env["PATH"] = os.environ.get("PATH", "/usr/bin:/bin")
            result = box.run(app, ["x y", "-d"], env=env, timeout=60)
            self.assertEqual(result.code, 0, result)
            lines = [line for line in result.stdout.splitlines()
                     if line.startswith(("Hello", "argument"))]
            self.assertEqual(len(lines), 4, result)
            self.assertTrue(lines[0].startswith("Hello from carafe on Java "), result)
            self.assertEqual(lines[1:], ["argument: x y", "argument: first",
                                         "argument: second one"])

    def test_a_minimum_version_starts_the_highest_real_runtime_of_at_least_it(self):
        app_dir = os.path.join(EXAMPLES or "", "hello", "app")
        if not EXAMPLES or not os.path.isfile(os.path.join(app_dir, "hello")):
            self.skipTest("the example application was not built: %s" % app_dir)
        versions = []
        for name in sorted(os.listdir(JVM_ROOT)) if os.path.isdir(JVM_ROOT) else []:
            release = os.path.join(JVM_ROOT, name, "release")
            if os.path.isfile(release) and os.access(os.path.join(JVM_ROOT, name, "bin", "java"),
                                                     os.X_OK):
                with open(release) as f:
                    versions += re.findall(r'^JAVA_VERSION="([^"]+)"', f.read(), re.M)
        numbers = [tuple(int(n) for n in re.findall(r"\d+", v)) for v in versions]
        highest = max((n, v) for n, v in zip(numbers, versions) if n >= (17,)) if any(
            n >= (17,) for n in numbers) else None
        if highest is None:
            self.skipTest("no runtime of at least 17 in %s" % JVM_ROOT)
        with harness.Sandbox(CARAFE) as box:
            app = os.path.join(box.path("hello"), "hello")
            shutil.copytree(app_dir, box.path("hello"))
            with open(app + ".config", "a") as config:
                config.write("javaVersion 17+\n")
            env = box.environment(jvm_path=[JVM_ROOT])
            result = box.run(app, env=env, timeout=60)
            self.assertEqual(result.code, 0, result)
            self.assertIn("Hello from carafe on Java %s\n" % highest[1], result.stdout)
            # The search's trace lines reach a terminal in debug mode only.
            self.assertNotIn("found latest java version", result.stderr)

    def test_the_applications_own_runtime_is_a_copy_of_a_real_jdk(self):
        app_dir = os.path.join(EXAMPLES or "", "hello", "app")
        if not EXAMPLES or not os.path.isfile(os.path.join(app_dir, "hello")):
            self.skipTest("the example application was not built: %s" % app_dir)
        homes = sorted({os.path.realpath(os.path.join(JVM_ROOT, name))
                        for name in (os.listdir(JVM_ROOT) if os.path.isdir(JVM_ROOT) else [])})
        homes = [home for home in homes if os.path.isfile(os.path.join(home, "release"))
                 and os.access(os.path.join(home, "bin", "java"), os.X_OK)]
        if not homes:
            self.skipTest("no runtime in %s" % JVM_ROOT)
        with open(os.path.join(homes[0], "release")) as release:
            version = re.search(r'^JAVA_VERSION="([^"]+)"', release.read(), re.M).group(1)
        with harness.Sandbox(CARAFE) as box:
            app = os.path.join(box.path("hello"), "hello")
            shutil.copytree(app_dir, box.path("hello"))
            with open(app + ".config", "a") as config:
                config.write("bundledRuntime runtime\njavaVersion 1.4+\n")
            runtime = box.path("hello", "runtime")

            def link_or_copy(source, target):
                try:
                    os.link(source, target)
                except OSError:
                    shutil.copy2(source, target)

            # Shipped as a copy of the whole JDK, hard-linked where it can be.
            shutil.copytree(homes[0], runtime, symlinks=True, copy_function=link_or_copy)
            empty = box.path("no-runtimes")
            os.makedirs(empty)
            rows = [
                # Nothing else could start it: the search is pinned to an empty directory.
                ("whole", [empty], "Hello from carafe on Java %s\n" % version),
                # Without its Java program, the machine's runtimes are searched.
                ("broken", [JVM_ROOT], "Hello from carafe on Java "),
            ]
            for name, jvm_path, greeting in rows:
                with self.subTest(name):
                    if name == "broken":
                        os.rename(os.path.join(runtime, "bin", "java"),
                                  os.path.join(runtime, "bin", "java.moved"))
                    result = box.run(app, ["-d"], env=box.environment(jvm_path=jvm_path),
                                     timeout=60)
                    self.assertEqual(result.code, 0, result)
                    self.assertIn(greeting, result.stdout)
                    self.assertEqual("bundled runtime %s\n" % runtime in result.stderr,
                                     name == "whole", result.stderr)


class CommandLineTool(unittest.TestCase):
    """A tool installed in a directory of its own, linked from a bin directory
    on PATH, started by its name in a work directory with a relative file
    name, on the real Java."""

    SOURCE = """import java.nio.file.*;
public class ReadIt {
    public static void main(String[] args) throws Exception {
        if (args[0].equals("--kill")) {
            String pid = String.valueOf(ProcessHandle.current().pid());
            new ProcessBuilder("kill", "-KILL", pid).start().waitFor();
            Thread.sleep(10000);
        }
        if (!Files.exists(Paths.get(args[0]))) {
            System.err.println("readit: " + args[0] + ": no such file");
            System.exit(1);
        }
        System.out.println("app dir: " + System.getenv("CARAFE_APP_DIR"));
        System.out.print(new String(Files.readAllBytes(Paths.get(args[0])), "UTF-8"));
        System.out.println("planted: " + ReadIt.class.getResource("/planted.properties"));
    }
}
"""

    def test_reads_the_callers_file_only_with_working_directory_caller(self):
        javac = shutil.which("javac")
        if javac is None:
            self.skipTest("no javac on PATH")
        with harness.Sandbox(CARAFE) as box:
            tool = box.path("opt", "read it")  # a space, which the classpath entry then holds
            source = box.write_file(box.path("src", "ReadIt.java"), self.SOURCE)
            subprocess.run([javac, "-d", os.path.join(tool, "classes"), source], check=True)
            launcher = box.install_app("readit", directory=tool)
            os.makedirs(box.path("bin"))
            os.symlink(os.path.relpath(launcher, box.path("bin")), box.path("bin", "readit"))
            box.write_file(os.path.join(tool, "notes.txt"), "the tool's own notes\n")
            work = box.path("work")
            box.write_file(os.path.join(work, "notes.txt"), "the caller's notes\n")
            # What the user's directory holds is never on the application's classpath.
            box.write_file(os.path.join(work, "planted.properties"), "x=1\n")
            extra = {name: os.environ.get(name) for name in ("CARAFE_JVM_PATH", "JAVA_HOME")}
            env = box.environment(extra=extra)
            env["PATH"] = box.path("bin") + os.pathsep + os.environ.get("PATH", "/usr/bin:/bin")
            found = "app dir: %s\n%%s\nplanted: null\n" % tool
            cases = [
                ("workingDirectory caller", "workingDirectory caller\n", "notes.txt", 0,
                 found % "the caller's notes", ""),
                ("without it, as always", "", "notes.txt", 0, found % "the tool's own notes", ""),
                # A tool's own exit code reaches the shell alone, as grep's "no match".
                ("the tool exits with 1", "", "missing.txt", 1, "",
                 "readit: missing.txt: no such file\n"),
                # A Java ended by a signal is told.
                ("Java is killed", "", "--kill", 128 + signal.SIGKILL, "",
                 "Error: Error launching Class ReadIt\n with Java "),
            ]
            for name, line, argument, code, stdout, stderr in cases:
                with self.subTest(name):
                    box.write_config(launcher, "mainclass ReadIt\naddpath classes\n" + line)
                    result = box.run("readit", [argument], cwd=work, env=env, timeout=60)
                    self.assertEqual(result.code, code, result)
                    self.assertEqual(result.stdout, stdout, result)
                    if code == 128 + signal.SIGKILL:
                        self.assertTrue(result.stderr.startswith(stderr), result)
                        self.assertTrue(result.stderr.endswith(
                            "Error=%d\nJava ended abnormally: signal SIGKILL (Killed).\n" % code),
                            result)
                    else:
                        self.assertEqual(result.stderr, stderr, result)


def png_of_size(width, height):
    """A PNG image of one colour."""
    import struct
    import zlib

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    rows = b"".join(b"\x00" + b"\x20\x60\xa0" * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def real_runtime(feature="17"):
    """The home of a real JDK of that feature version with its virtual machine
    library, or None."""
    if not os.path.isdir(JVM_ROOT):
        return None
    for name in sorted(os.listdir(JVM_ROOT)):
        home = os.path.join(JVM_ROOT, name)
        release = os.path.join(home, "release")
        if os.path.islink(home) or not os.path.isfile(release):
            continue
        with open(release) as f:
            versions = re.findall(r'^JAVA_VERSION="([^"]+)"', f.read(), re.M)
        if (versions and versions[0].split(".")[0] == feature
                and os.path.isfile(os.path.join(home, "lib", "server", "libjvm.so"))
                and os.access(os.path.join(home, "bin", "javac"), os.X_OK)):
            return home
    return None


class JavaInside(unittest.TestCase):
    """"jvm launcher" runs the machine's real Java inside the launcher: the same
    application with the same meaning as the separate process, in one process."""

    PROBE = """import java.util.*;
public class Probe {
    public static void main(String[] args) throws Exception {
        ProcessHandle self = ProcessHandle.current();
        System.out.println("process: " + self.info().command().orElse("?"));
        System.out.println("parent: " + self.parent().flatMap(p -> p.info().command()).orElse("?"));
        for (Map.Entry<Object, Object> e : new TreeMap<>(System.getProperties()).entrySet())
            System.out.println("property " + e.getKey() + "=" + e.getValue());
        System.out.println("max memory: " + Runtime.getRuntime().maxMemory());
        System.out.println("classpath entries: "
            + System.getProperty("java.class.path").split(":", -1).length);
        System.out.println("java.lang open: " + Object.class.getModule().isOpen("java.lang",
            Probe.class.getModule()));
        System.out.println("args: " + Arrays.toString(args));
        Runtime.getRuntime().addShutdownHook(new Thread(() -> System.out.println("shutdown hook")));
        String mode = args.length > 0 ? args[0] : "";
        if (mode.equals("exit")) System.exit(Integer.parseInt(args[1]));
        if (mode.equals("throw")) throw new IllegalStateException("from main");
        if (mode.equals("oom")) {
            List<long[]> all = new ArrayList<>();
            while (true) all.add(new long[1 << 20]);
        }
        if (mode.equals("splash")) {
            java.awt.SplashScreen splash = java.awt.SplashScreen.getSplashScreen();
            System.out.println("splash: " + (splash == null ? "none"
                : splash.getImageURL() + " " + splash.getSize().width + "x"
                  + splash.getSize().height));
        }
        if (mode.equals("thread")) {
            Thread late = new Thread(() -> {
                try { Thread.sleep(300); } catch (InterruptedException e) { }
                System.out.println("the last thread ends");
            });
            late.start();
        }
        System.out.println("main ends");
    }
}
"""

    @classmethod
    def setUpClass(cls):
        cls.home = real_runtime()
        if cls.home is None:
            raise unittest.SkipTest("no JDK 17 with lib/server/libjvm.so in %s" % JVM_ROOT)
        cls.box = harness.Sandbox(CARAFE)
        cls.box.__enter__()
        cls.app = cls.box.install_app("probe")
        app_dir = os.path.dirname(cls.app)
        # A statically linked launcher replaces itself with the host beside
        # it, which runs Java in the same process.
        cls.process = cls.app
        host = os.path.join(os.path.dirname(CARAFE), "carafe-jvm")
        if os.path.exists(host):
            cls.process = os.path.join(app_dir, "carafe-jvm")
            shutil.copy2(host, cls.process)
        source = cls.box.write_file(cls.box.path("src", "Probe.java"), cls.PROBE)
        subprocess.run([os.path.join(cls.home, "bin", "javac"), "-d",
                        os.path.join(app_dir, "classes"), source], check=True)
        for number in range(2000):
            cls.box.write_file(os.path.join(app_dir, "lib", "library-%04d.jar" % number))

    @classmethod
    def tearDownClass(cls):
        cls.box.__exit__(None, None, None)

    def environment(self, extra=None):
        """The sandbox's, where a sanitizer build looks for no leaks: the leak
        checker cannot walk the memory of a Java virtual machine at exit (the
        launcher's own leaks are looked for by every other test)."""
        options = os.environ.get("ASAN_OPTIONS", "")
        return self.box.environment(extra=dict(
            extra or {}, ASAN_OPTIONS=(options + ":" if options else "") + "detect_leaks=0"))

    def start(self, jvm, args=(), lines=()):
        self.box.write_config(self.app, "\n".join(
            ["mainclass Probe", "javapath %s/bin/java" % self.home, "addpath classes"]
            + (["jvm " + jvm] if jvm else []) + list(lines)) + "\n")
        return self.box.run(self.app, args, cwd=self.box.root, timeout=120,
                            env=self.environment())

    def test_the_same_application_runs_inside_the_launcher_s_own_process(self):
        java = self.home + "/bin/java"
        cases = [
            # name, arguments, configuration lines, exit code, end of standard error
            ("ends with main", ["a", "b c"], [], 0, ""),
            ("System.exit(3)", ["exit", "3"], [], 3, None),
            ("an uncaught exception", ["throw"], [], 1,
             'Exception in thread "main" java.lang.IllegalStateException: from main\n'
             "\tat Probe.main(Probe.java:"),
            ("a non-daemon thread outlives main", ["thread"], [], 0, ""),
            ("options", [], ['vmparam -Dprobe.name="x y"', "vmparam -Xmx96m",
                             "vmparam --add-opens java.base/java.lang=ALL-UNNAMED"], 0, ""),
            ("2,000 jars", [], ["addjars lib"], 0, ""),
            ("2,000 jars through lib/*", [], ["addpath lib/*"], 0, ""),
            # The machine aborts: the code of a separate Java, and no hang.
            ("a crash", ["oom"], ["vmparam -Xmx32m", "vmparam -XX:+CrashOnOutOfMemoryError",
                                  "vmparam -XX:-CreateCoredumpOnCrash",
                                  "vmparam -XX:ErrorFile=" + self.box.path("crash_%p.log")],
             1, None),
            ("a missing main class", [], ["mainclass NoSuchClass"], 1,
             "Error: Could not find or load main class NoSuchClass\n"
             "Caused by: java.lang.ClassNotFoundException: NoSuchClass\n"),
        ]
        for name, args, lines, code, stderr_part in cases:
            with self.subTest(name):
                inside = self.start("launcher", args, lines)
                separate = self.start("separate", args, lines)
                for result in (inside, separate):
                    self.assertEqual(result.code, code, result)
                    if stderr_part:
                        self.assertIn(stderr_part, result.stderr)
                    # A normal end's code passes on without the launcher's notice,
                    # inside as from a separate Java: the shell has it.
                    self.assertNotIn("Error launching Class", result.stderr)
                inside_lines = self.comparable(inside.stdout)
                separate_lines = self.comparable(separate.stdout)
                if name == "a crash":
                    for result in (inside, separate):
                        self.assertIn("Aborting due to java.lang.OutOfMemoryError", result.stdout)
                elif code != 1 or args:
                    # Java runs in the launcher's process, which started no other.
                    self.assertEqual(inside_lines[0], "process: " + self.process)
                    self.assertNotEqual(inside_lines[1], "parent: " + self.app)
                    self.assertNotEqual(inside_lines[1], "parent: " + self.process)
                    self.assertEqual(separate_lines[0], "process: " + java)
                    self.assertEqual(inside_lines[2:], separate_lines[2:])
                    self.assertEqual(inside.stderr, separate.stderr)
                if name == "options":
                    self.assertIn("property probe.name=x y", inside_lines)
                    self.assertIn("java.lang open: true", inside_lines)
                    self.assertIn("max memory: %d" % (96 * 1024 * 1024), inside_lines)
                if name.startswith("2,000"):
                    self.assertIn("classpath entries: %d" % (2000 + 2), inside_lines)
                if name.startswith("a non-daemon"):
                    self.assertEqual(inside_lines[-3:],
                                     ["main ends", "the last thread ends", "shutdown hook"])
                if code in (0, 3) or name == "an uncaught exception":
                    self.assertEqual(inside_lines[-1], "shutdown hook")

    def test_a_crash_is_told_alike_inside_and_outside_the_launcher(self):
        # The machine aborts (SIGABRT) after writing its report in the
        # directory it runs in: the notice names the signal and the report.
        lines = ["vmparam -Xmx32m", "vmparam -XX:+CrashOnOutOfMemoryError"]
        java = self.home + "/bin/java"
        directory = os.path.dirname(self.app)  # Java's, the launcher's own
        for jvm in ("launcher", "separate"):
            with self.subTest(jvm):
                before = set(os.listdir(directory))
                result = self.start(jvm, ["oom"], lines)
                reports = sorted(name for name in set(os.listdir(directory)) - before
                                 if name.startswith("hs_err_pid"))
                self.assertEqual(len(reports), 1, result.stderr)
                self.assertEqual(result.code, 134, result)
                self.assertIn("Error launching Class Probe\n with Java %s.\nError=134\n"
                              "Java ended abnormally: signal SIGABRT (Aborted).\n"
                              "Java wrote a crash report: %s\n"
                              % (java, os.path.join(directory, reports[0])), result.stderr)

    def test_a_command_past_the_system_s_limit_reaches_java_17_through_an_argument_file(self):
        # 2,000 jars in a folder of 200 characters, named by absolute paths
        # (workingDirectory caller): a classpath of more than the 128 KiB that
        # Linux takes in one argument.
        folder = self.box.path("f" * (200 - len(self.box.root) - 1))
        self.assertEqual(len(folder), 200)
        app = self.box.install_app("long", directory=folder)
        shutil.copytree(os.path.join(os.path.dirname(self.app), "classes"),
                        os.path.join(folder, "classes"))
        for number in range(2000):
            self.box.write_file(os.path.join(folder, "lib", "library-%04d.jar" % number))
        self.box.write_config(app, "mainclass Probe\njavapath %s/bin/java\naddpath classes\n"
                              "addjars lib\nvmparam -Dprobe.name=\"x y\"\nworkingDirectory caller\n"
                              % self.home)
        private = self.box.path("runtime-dir")
        os.mkdir(private, 0o700)
        result = self.box.run(app, ["-d", "a b"], cwd=self.box.root, timeout=120,
                              env=self.environment({"XDG_RUNTIME_DIR": private}))
        self.assertEqual(result.code, 0, result.stderr[-2000:])
        lines = self.comparable(result.stdout)
        self.assertIn("classpath entries: 2002", lines)
        self.assertIn("property probe.name=x y", lines)
        self.assertIn("args: [a b]", lines)
        self.assertEqual(lines[0], "process: " + self.home + "/bin/java")
        # Debug mode shows the whole command, and where its options went.
        self.assertIn("%s/lib/library-1999.jar:%s Probe \"a b\" \n" % (folder, folder),
                      result.stderr, result.stderr[-600:])
        match = re.search(r"Java reads its options and classpath from (\S+)\n", result.stderr)
        self.assertIsNotNone(match, result.stderr[-2000:])
        self.assertTrue(match.group(1).startswith(private + "/carafe-"), match.group(1))
        self.assertEqual(os.listdir(private), [])

    @staticmethod
    def comparable(output):
        """The lines of the output, with the jars of a lib/* classpath in one
        order (the java command lists them in the directory's order, which is
        not specified), and without the two properties that tell where the
        heap and the shared class archive found room in the address space,
        which the process's other mappings decide (a sanitizer's shadow)."""
        lines = [line for line in output.splitlines()
                 if not line.startswith(("property java.vm.compressedOopsMode=",
                                         "property java.vm.info="))]
        for index, line in enumerate(lines):
            if line.startswith("property java.class.path="):
                entries = line[len("property java.class.path="):].split(":")
                lines[index] = "property java.class.path=" + ":".join(
                    entries[:1] + sorted(entries[1:-1]) + entries[-1:])
        return lines

    def test_the_splash_screen_is_shown_as_the_java_command_shows_it(self):
        display = harness.start_display(self)
        image = self.box.write_file(os.path.join(os.path.dirname(self.app), "splash.png"),
                                    png_of_size(40, 30))
        env = self.environment({"DISPLAY": display})
        for jvm in ("launcher", "separate"):
            with self.subTest(jvm):
                self.box.write_config(self.app, "mainclass Probe\njavapath %s/bin/java\n"
                                      "addpath classes\nvmparam -splash:splash.png\njvm %s\n"
                                      % (self.home, jvm))
                result = self.box.run(self.app, ["splash"], cwd=self.box.root, env=env,
                                      timeout=120)
                self.assertEqual(result.code, 0, result)
                self.assertIn("splash: file:%s 40x30\n" % image, result.stdout)

    def test_a_runtime_without_the_library_is_started_as_a_separate_process(self):
        runtime = self.box.make_runtime("17.0.15")
        app = self.box.install_app("fake", config="mainclass app.Main\njvm launcher\n")
        result = self.box.run(app, ["-d"], jvm_path=[self.box.runtimes_dir])
        self.assertEqual(result.code, 0, result)
        self.assertEqual(result.java_argv, [runtime.java, "-classpath", "", "app.Main"])
        self.assertIn("Java starts as a separate process: the runtime %s has no virtual machine "
                      "library (lib/server/libjvm.so)\n" % runtime.home, result.stderr)

    def test_without_the_host_beside_it_java_starts_as_a_separate_process(self):
        if self.process == self.app:
            self.skipTest("this launcher runs Java inside itself")
        app = self.box.install_app("lone", directory=self.box.path("lone"))
        self.box.write_config(app, "mainclass Probe\njavapath %s/bin/java\naddpath %s\n"
                              "jvm launcher\n" % (self.home, os.path.join(
                                  os.path.dirname(self.app), "classes")))
        result = self.box.run(app, ["-d", "a"], cwd=self.box.root, timeout=120,
                              env=self.environment())
        self.assertEqual(result.code, 0, result)
        self.assertIn("process: %s/bin/java\n" % self.home, result.stdout)
        self.assertIn("cannot be loaded: the launcher's host program %s is not installed\n"
                      % self.box.path("lone", "carafe-jvm"), result.stderr)


class StartupCache(unittest.TestCase):
    """"startupCache on" with the machine's real Javas: the cache is made on a
    first start and used on the next, and nothing about it, broken or not,
    changes what the application prints or its exit code."""

    PROBE = """public class Probe {
    public static void main(String[] args) throws Exception {
        java.util.List<String> names = new java.util.ArrayList<>();
        for (Class<?> c : new Class<?>[] {java.util.concurrent.ConcurrentSkipListMap.class,
                java.time.ZonedDateTime.class, java.util.regex.Pattern.class})
            names.add(c.getSimpleName());
        System.out.println("probe " + names + " " + java.util.Arrays.toString(args));
        System.err.println("to standard error");
        System.exit(args.length > 0 ? Integer.parseInt(args[0]) : 0);
    }
}
"""

    @classmethod
    def setUpClass(cls):
        cls.homes = {feature: real_runtime(feature) for feature in ("17", "25")}
        cls.homes = {k: v for k, v in cls.homes.items() if v}
        if not cls.homes:
            raise unittest.SkipTest("no JDK 17 or 25 in %s" % JVM_ROOT)
        cls.box = harness.Sandbox(CARAFE)
        cls.box.__enter__()
        cls.app = cls.box.install_app("cached")
        app_dir = os.path.dirname(cls.app)
        home = next(iter(cls.homes.values()))
        source = cls.box.write_file(cls.box.path("src", "Probe.java"), cls.PROBE)
        classes = cls.box.path("classes")
        subprocess.run([os.path.join(home, "bin", "javac"), "--release", "17", "-d", classes,
                        source], check=True)
        cls.jar = os.path.join(app_dir, "probe.jar")
        subprocess.run([os.path.join(home, "bin", "jar"), "cf", cls.jar, "-C", classes, "."],
                       check=True)
        cls.cache = cls.box.path(".cache", "cached")

    @classmethod
    def tearDownClass(cls):
        cls.box.__exit__(None, None, None)

    def setUp(self):
        shutil.rmtree(self.box.path(".cache"), ignore_errors=True)

    def configure(self, feature, cache="on", lines=()):
        self.box.write_config(self.app, "\n".join(
            ["mainclass Probe", "javapath %s/bin/java" % self.homes[feature],
             "addjar probe.jar", "startupCache " + cache] + list(lines)) + "\n")

    def start(self, feature, args=("3",), cache="on", lines=(), extra=None, background=None):
        """A start of the application; in the background (a process to wait
        for), with the configuration as it is."""
        if not background:
            self.configure(feature, cache, lines)
        # A sanitizer build's leak checker cannot walk the memory of a virtual
        # machine inside the launcher at exit.
        options = os.environ.get("ASAN_OPTIONS", "")
        env = self.box.environment(extra=dict(
            extra or {}, ASAN_OPTIONS=(options + ":" if options else "") + "detect_leaks=0"))
        if background is not None:
            return subprocess.Popen([self.app] + list(args), env=env, cwd=self.box.root,
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        return self.box.run(self.app, args, cwd=self.box.root, timeout=120, env=env)

    def caches(self):
        names = os.listdir(self.cache) if os.path.isdir(self.cache) else []
        return sorted(n for n in names if n.endswith((".jsa", ".aot")))

    def settled(self, count=1, timeout=120):
        """The cache files once the background assembly has ended: no
        temporary file left, at least count caches."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            names = os.listdir(self.cache) if os.path.isdir(self.cache) else []
            if len(self.caches()) >= count and not any(n.endswith(".part") for n in names):
                return self.caches()
            time.sleep(0.2)
        self.fail("the cache was not made: %s" % os.listdir(self.cache))

    def assertSameAsWithout(self, result, plain):
        self.assertEqual((result.code, result.stdout, result.stderr),
                         (plain.code, plain.stdout, plain.stderr))

    def used(self, feature):
        """True when Java's own log says the application's class came from
        the cache (the runtime's own classes come from its default archive)."""
        log = self.box.path("class-load.log")
        if os.path.exists(log):
            os.remove(log)
        result = self.start(feature, extra={
            "JDK_JAVA_OPTIONS": "-Xlog:class+load=info:file=%s" % log})
        self.assertEqual(result.code, 3, result)
        with open(log) as f:
            return re.search(r"\bProbe source: shared objects file", f.read()) is not None

    def test_made_on_the_first_start_and_used_on_the_next(self):
        for feature in self.homes:
            for jvm in ("separate", "launcher"):
                with self.subTest(java=feature, jvm=jvm):
                    shutil.rmtree(self.cache, ignore_errors=True)
                    plain = self.start(feature, cache="off", lines=["jvm " + jvm])
                    self.assertEqual(plain.code, 3, plain)
                    first = self.start(feature, lines=["jvm " + jvm])
                    self.assertSameAsWithout(first, plain)
                    self.assertEqual(len(self.settled()), 1)
                    second = self.start(feature, lines=["jvm " + jvm])
                    self.assertSameAsWithout(second, plain)
                    # Nothing of the cache beside the application.
                    self.assertEqual(sorted(os.listdir(os.path.dirname(self.app))),
                                     ["cached", "cached.config", "probe.jar"])
                    if jvm == "separate":
                        self.assertTrue(self.used(feature))

    def test_a_changed_or_broken_cache_costs_nothing_but_itself(self):
        def touch_jar():
            later = os.path.getmtime(self.jar) + 10
            os.utime(self.jar, (later, later))

        def truncate():
            path = os.path.join(self.cache, self.caches()[0])
            os.chmod(path, 0o600)
            with open(path, "r+b") as f:
                f.truncate(4096)

        def directory():
            path = os.path.join(self.cache, self.caches()[0])
            os.remove(path)
            os.makedirs(os.path.join(path, "inside"))

        def other_runtime():
            pass

        cases = [
            # name, what is done to the cache, the runtime then, whether a
            # cache is in use after the next start
            ("a touched jar", touch_jar, None, True),
            ("a truncated cache", truncate, None, True),
            ("a cache file that is a directory", directory, None, False),
            ("another runtime", other_runtime, "other", True),
        ]
        for feature in self.homes:
            for name, damage, runtime, usable in cases:
                then = feature
                if runtime == "other":
                    others = [f for f in self.homes if f != feature]
                    if not others:
                        continue
                    then = others[0]
                with self.subTest(java=feature, case=name):
                    shutil.rmtree(self.cache, ignore_errors=True)
                    plain = self.start(then, cache="off")
                    self.start(feature)
                    self.settled()
                    damage()
                    result = self.start(then)
                    self.assertSameAsWithout(result, plain)
                    self.settled()
                    again = self.start(then)
                    self.assertSameAsWithout(again, plain)
                    self.assertEqual(self.used(then), usable)

    def test_a_folder_that_cannot_be_written_means_no_cache(self):
        for feature in self.homes:
            with self.subTest(java=feature):
                plain = self.start(feature, cache="off")
                if os.geteuid() == 0:
                    # Nothing keeps root from writing a folder but the system.
                    extra = {"XDG_CACHE_HOME": "/proc"}
                else:
                    os.makedirs(self.cache)
                    os.chmod(self.cache, 0o500)
                    extra = None
                try:
                    self.assertSameAsWithout(self.start(feature, extra=extra), plain)
                finally:
                    if os.path.isdir(self.cache):
                        os.chmod(self.cache, 0o700)
                self.assertEqual(self.caches(), [])

    def test_two_starts_at_once(self):
        for feature in self.homes:
            with self.subTest(java=feature):
                shutil.rmtree(self.cache, ignore_errors=True)
                plain = self.start(feature, cache="off")
                self.configure(feature)
                for _ in range(2):
                    processes = [self.start(feature, background=True) for _ in range(2)]
                    for process in processes:
                        stdout, stderr = process.communicate(timeout=120)
                        self.assertEqual((process.returncode, stdout.decode(), stderr.decode()),
                                         (plain.code, plain.stdout, plain.stderr))
                    # One cache, or one from each where both were made at once.
                    self.assertIn(len(self.settled()), (1, 2))
                self.assertTrue(self.used(feature))


def main():
    global CARAFE, EXAMPLES
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--carafe", required=True, help="the carafe binary to test")
    parser.add_argument("--examples", help="the build's examples directory")
    options, rest = parser.parse_known_args()
    CARAFE = os.path.abspath(options.carafe)
    EXAMPLES = os.path.abspath(options.examples) if options.examples else None
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()

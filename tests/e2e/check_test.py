#!/usr/bin/env python3
"""carafe-check agrees with the launcher: for configurations of the end-to-end
suites, the Java words and the exit code that carafe-check reports equal what
the real launcher did with a recording fake Java.

    python3 tests/e2e/check_test.py --carafe build/default/carafe \\
        --check build/default/carafe-check [unittest options]
"""

import argparse
import os
import re
import sys
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

CARAFE = None
CHECK = None

WORD = re.compile(r"^    \[(\d+)\] (.*)$")


def predicted(report):
    """The Java words and the launcher's exit code that a report names
    (words None when it would not start Java)."""
    lines = [line.rstrip("\n") for line in report.splitlines()]
    words = None
    heading = "  Java receives these words:"
    if heading in lines:
        start = lines.index(heading) + 1
        words = []
        for line in lines[start:]:
            match = WORD.match(line)
            if not match:
                break
            words.append(match.group(2))
    code = re.search(r"It would end with exit code (\d+)\.", report)
    if code is None:
        return words, 0  # Java starts; the fake Java ends with 0
    return None, int(code.group(1))


class Agreement(unittest.TestCase):
    def setUp(self):
        self.box = harness.Sandbox(CARAFE)
        self.box.__enter__()
        self.addCleanup(self.box.__exit__, None, None, None)

    def test_the_check_reports_what_the_launcher_does(self):
        self.box.make_runtime("1.8.0_452")
        self.box.make_runtime("17.0.15")
        spaced = self.box.make_runtime("11.0.2", parent=self.box.path("my tools"), name="jdk 11")
        self.box.make_runtime("21.0.1", parent=self.box.path("apps", "own-runtime"), name="runtime")
        cases = [
            ("typical", "editor", "appname Editor\nvmparam -Xmx64m\naddpath classes\naddjars lib\n"
             "mainclass app.Main\nargument --open\n", ["a b", '--title="My App"']),
            ("minimum patch level", "tool", "javaVersion 1.8.0_10+\nmainclass app.Main\n", []),
            ("family without patch level", "tool", "javaVersion 17\nmainclass app.Main\n", ["-d"]),
            ("javapath with a space, unquoted", "tool",
             "javapath %s\nmainclass app.Main\n" % spaced.java, []),
            ("misspelt and skipped lines", "tool",
             "Mainclass x\nvmparams -Xss1m\nvmparam\t-Xmx1m\n  addpath x\nmainclass app.Main\n", []),
            ("include, byte order mark", "tool",
             "\ufeffinclude more.config\nmainclass app.Main\n", []),
            ("own runtime", "tool", "bundledRuntime runtime\njavaVersion 17\nmainclass app.Main\n",
             []),
            ("own runtime missing", "tool", "bundledRuntime runtime\njavaVersion 17\nmainclass app.Main\n",
             []),
            ("no main class", "tool", "vmparam -Xmx64m\n", []),
            ("exact version not installed", "tool", "mainclass app.Main\njavaVersion 1.8.0_999\n", []),
            ("download offer, no terminal", "tool", "mainclass app.Main\njavaVersion 1.8.0_999+\n", []),
            ("no configuration file", "lonely", None, []),
            ("UTF-16 configuration", "wide", "mainclass app.Main\n".encode("utf-16"), []),
        ]
        for name, launcher_name, config, args in cases:
            with self.subTest(name):
                app = self.box.install_app(launcher_name, config=config,
                                           directory=self.box.path("apps", name.replace(" ", "-")))
                directory = os.path.dirname(app)
                self.box.write_file(os.path.join(directory, "lib", "a.jar"))
                self.box.write_file(os.path.join(directory, "more.config"), "vmparam -Dmore=1\n")
                launched = self.box.run(app, args)
                checked = self.box.run(CHECK, [app] + args)
                words, code = predicted(checked.stdout)
                self.assertEqual(code, launched.code, checked.stdout)
                self.assertEqual(words, launched.java_argv, checked.stdout)
                self.assertEqual(checked.code, 2 if launched.java_argv is None else checked.code)


class Report(unittest.TestCase):
    def setUp(self):
        self.box = harness.Sandbox(CARAFE)
        self.box.__enter__()
        self.addCleanup(self.box.__exit__, None, None, None)

    def jar(self, path, names):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with zipfile.ZipFile(path, "w") as archive:
            for name in names:
                archive.writestr(name, b"")

    def test_main_class_in_a_jar_and_the_quiet_report_for_a_build(self):
        self.box.make_runtime("17.0.15")
        cases = [
            ("app.Main", 0, ""),
            ("app.Missing", 1, "warning: main class app.Missing is in no classpath entry"),
        ]
        for main_class, code, said in cases:
            with self.subTest(main_class):
                app = self.box.install_app("tool", config="addjars lib\nmainclass %s\n" % main_class)
                self.jar(os.path.join(os.path.dirname(app), "lib", "app.jar"),
                         ["META-INF/MANIFEST.MF", "app/Main.class"])
                result = self.box.run(CHECK, ["--quiet", app])
                self.assertEqual(result.code, code, result)
                self.assertIn(said, result.stdout)
                self.assertEqual(result.stdout == "", said == "", result.stdout)

    def test_usage(self):
        for args, code, said in [([], 3, "name the launcher"), (["--bogus", "x"], 3, "unknown option"),
                                 (["--version"], 0, "carafe-check 1.0.7")]:
            with self.subTest(args=args):
                result = self.box.run(CHECK, args)
                self.assertEqual(result.code, code, result)
                self.assertIn(said, result.stdout + result.stderr)


def main():
    global CARAFE, CHECK
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--carafe", required=True, help="the carafe binary")
    parser.add_argument("--check", required=True, help="the carafe-check binary")
    options, rest = parser.parse_known_args()
    CARAFE = os.path.abspath(options.carafe)
    CHECK = os.path.abspath(options.check)
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Runs a POSIX end-to-end suite with every launcher run under valgrind
memcheck. Any error memcheck finds makes the launcher end with 99, which
the suite's exit-code assertions report.

    python3 tests/e2e/valgrind_test.py --suite faults_test --valgrind valgrind \\
        --carafe build/default/tests/carafe_valgrind [unittest options]

--carafe must be a dynamically linked launcher: valgrind replaces malloc and
the string functions of a shared C library only, and over a static one
reports the C library's own code. A few tests cannot hold under valgrind for
reasons of valgrind's own; they are skipped, each with its reason.
"""

import argparse
import importlib
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

FAILED_EXEC = ("valgrind runs the spawned child as a fork, so a failed exec comes back as a "
               "child that ended with 127, not as a start that failed")
NOT_UNDER_VALGRIND = {
    "posix_test": [
        ("StartAndExitCodes.test_java_that_cannot_be_started", FAILED_EXEC),
        ("ExampleApplication", "the example application holds the statically linked launcher; "
                               "e2e_posix runs it"),
        ("JavaInside", "the Java virtual machine inside the launcher is not the launcher's code, "
                       "and memcheck cannot follow its generated code; e2e_posix runs it"),
        ("StartupCache", "it starts the real Javas, inside the launcher among them, which memcheck "
                         "cannot follow; e2e_posix runs it"),
    ],
    "faults_test": [
        ("Launch.test_java_that_cannot_be_started", FAILED_EXEC),
        ("Configuration.test_megabyte_word", "valgrind ends itself when an exec fails"),
        ("Environment.test_names_with_odd_bytes",
         "valgrind drops environment entries whose names hold spaces or odd bytes"),
    ],
}


def skip_tests(module, entries):
    for name, reason in entries:
        class_name, _, method = name.partition(".")
        cls = getattr(module, class_name)
        if method:
            setattr(cls, method, unittest.skip(reason)(getattr(cls, method)))
        else:
            setattr(module, class_name, unittest.skip(reason)(cls))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--suite", required=True, choices=sorted(NOT_UNDER_VALGRIND))
    parser.add_argument("--valgrind", default="valgrind", help="the valgrind program")
    parser.add_argument("--carafe", required=True, help="a dynamically linked carafe")
    options, rest = parser.parse_known_args()
    os.environ["CARAFE_WRAPPER"] = "%s --error-exitcode=99 --leak-check=no -q" % options.valgrind
    module = importlib.import_module(options.suite)
    module.CARAFE = os.path.abspath(options.carafe)
    skip_tests(module, NOT_UNDER_VALGRIND[options.suite])
    unittest.main(module=module, argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()

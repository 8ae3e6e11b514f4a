#!/usr/bin/env python3
"""The release archives as a user gets them: scripts/release run twice on this
commit gives the same bytes; with a certificate (made by openssl for this run)
every exe in the zip is signed and verifies; and each archive, unpacked into
an empty directory, works: on Linux the example starts with the machine's JDK,
under Wine carafe-brand.exe from the zip brands carafe.exe from the zip with
the example's icon, and the branded exe starts a fake runtime; carafe-check
from each archive finds nothing wrong.

    release_test.py --source SOURCE-DIR --javaw javaw.exe --java java.exe
                    --runner wine_runner.exe [unittest options]
"""

import argparse
import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tarfile
import tempfile
import time
import types
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_test  # noqa: E402  the Wine session

OPTIONS = None
WORK = None
EPOCH = "1700000000"
VERSION = None


def release(name, build=None, extra=None):
    """Runs scripts/release into WORK/<name>; returns the output directory."""
    output = os.path.join(WORK, name)
    command = [os.path.join(OPTIONS.source, "scripts", "release"), "--output", output,
               "--build-dir", build or os.path.join(WORK, name + "-build")]
    if build is not None:
        command.append("--no-build")
    env = dict(os.environ, SOURCE_DATE_EPOCH=EPOCH)
    env.update(extra or {})
    started = time.monotonic()
    completed = subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if completed.returncode != 0:
        raise AssertionError("scripts/release failed:\n" + completed.stdout.decode(errors="replace"))
    print("scripts/release %s: %.0f s" % (name, time.monotonic() - started), file=sys.stderr)
    return output


def archives(output):
    return ["carafe-%s-windows.zip" % VERSION, "carafe-%s-linux-x86_64.tar.gz" % VERSION]


def unpack(archive, directory):
    os.makedirs(directory)
    if archive.endswith(".zip"):
        with zipfile.ZipFile(archive) as source:
            for info in source.infolist():
                source.extract(info, directory)
                mode = info.external_attr >> 16
                if mode:
                    os.chmod(os.path.join(directory, info.filename), mode & 0o777)
    else:
        with tarfile.open(archive) as source:
            source.extractall(directory)
    (top,) = os.listdir(directory)
    return os.path.join(directory, top)


class Release(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.first = release("first")
        cls.second = release("second")

    def test_two_builds_give_the_same_archives(self):
        for name in archives(self.first) + ["SHA256SUMS"]:
            with self.subTest(name):
                with open(os.path.join(self.first, name), "rb") as a, \
                        open(os.path.join(self.second, name), "rb") as b:
                    self.assertTrue(a.read() == b.read(), "%s differs between two builds" % name)
        with open(os.path.join(self.first, "SHA256SUMS")) as sums:
            self.assertEqual([line.split()[1] for line in sums], archives(self.first))
        # Readable by a web server or another user of the build machine.
        for name in archives(self.first) + ["SHA256SUMS"]:
            with self.subTest(name):
                self.assertEqual(os.stat(os.path.join(self.first, name)).st_mode & 0o777, 0o644)

    def test_the_archives_hold_every_program_sorted_and_at_one_time(self):
        zip_path, tar_path = [os.path.join(self.first, name) for name in archives(self.first)]
        top = "carafe-%s-windows/" % VERSION
        with zipfile.ZipFile(zip_path) as source:
            names = [info.filename for info in source.infolist()]
            times = {info.date_time for info in source.infolist()}
        self.assertEqual(names, sorted(names))
        self.assertEqual(times, {time.gmtime(int(EPOCH))[:6]})
        for program in ("carafe.exe", "carafe-console.exe", "carafe32.exe", "carafe-check.exe",
                        "carafe-brand.exe", "carafe-pack.exe", "README.md", "sample.config", "docs/windows.md",
                        "example/Hello.exe", "example/Hello.config", "example/lib/hello.jar",
                        "example/hello.ico"):
            self.assertIn(top + program, names)
        with tarfile.open(tar_path) as source:
            members = source.getmembers()
        names = [member.name for member in members]
        self.assertEqual(names, sorted(names))
        self.assertEqual({member.mtime for member in members}, {int(EPOCH)})
        top = "carafe-%s-linux-x86_64/" % VERSION
        for program in ("carafe", "carafe-jvm", "carafe-check", "carafe-brand", "carafe-pack",
                        "example/hello", "example/hello.config", "example/lib/hello.jar"):
            self.assertIn(top + program, names)
        # No build path in a binary.
        with tarfile.open(tar_path) as source:
            for member in source.getmembers():
                if member.isfile() and member.mode & 0o100:
                    data = source.extractfile(member).read()
                    self.assertNotIn(WORK.encode(), data, member.name)
                    self.assertNotIn(OPTIONS.source.encode(), data, member.name)

    def test_with_a_certificate_every_exe_in_the_zip_is_signed(self):
        certificate = os.path.join(WORK, "certificate")
        os.makedirs(certificate)
        key, pem, p12 = (os.path.join(certificate, name) for name in ("key.pem", "cert.pem",
                                                                      "cert.p12"))
        for command in (["openssl", "req", "-x509", "-newkey", "rsa:2048", "-keyout", key,
                         "-out", pem, "-days", "2", "-nodes", "-subj", "/CN=carafe release test"],
                        ["openssl", "pkcs12", "-export", "-in", pem, "-inkey", key, "-out", p12,
                         "-passout", "pass:release test"]):
            subprocess.run(command, check=True, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        signed = release("signed", build=os.path.join(WORK, "second-build"),
                         extra={"CARAFE_SIGN_PKCS12": p12, "CARAFE_SIGN_PASSWORD": "release test"})
        top = unpack(os.path.join(signed, archives(signed)[0]), os.path.join(WORK, "signed-zip"))
        programs = sorted(glob.glob(os.path.join(top, "**", "*.exe"), recursive=True))
        self.assertEqual(len(programs), 7)  # the six programs and the example's Hello.exe
        for program in programs:
            with self.subTest(os.path.basename(program)):
                verified = subprocess.run(["osslsigncode", "verify", "-CAfile", pem, "-in", program],
                                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                self.assertEqual(verified.returncode, 0, verified.stdout.decode(errors="replace"))
                self.assertIn(b"Signature verification: ok", verified.stdout)

    def test_the_linux_archive_runs_the_example_with_the_machines_jdk(self):
        top = unpack(os.path.join(self.first, archives(self.first)[1]), os.path.join(WORK, "linux"))
        installed = os.path.join(WORK, "opt", "hello")
        shutil.copytree(os.path.join(top, "example"), installed)
        env = {key: value for key, value in os.environ.items()
               if key not in ("CARAFE_JVM_PATH", "JAVA_HOME")}
        ran = subprocess.run([os.path.join(installed, "hello"), "x y"], env=env,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        self.assertEqual(ran.returncode, 0, ran)
        lines = ran.stdout.decode().splitlines()
        self.assertTrue(lines[0].startswith("Hello from carafe on Java "), lines)
        self.assertEqual(lines[1:], ["argument: x y", "argument: first", "argument: second one"])
        checked = subprocess.run([os.path.join(top, "carafe-check"), "--quiet",
                                  os.path.join(installed, "hello")], env=env,
                                 stdout=subprocess.PIPE, timeout=120)
        self.assertEqual((checked.returncode, checked.stdout), (0, b""))

    def test_the_linux_programs_run_on_a_c_library_of_2_28(self):
        # RHEL 8, Debian 10: no program asks the C library for a newer symbol.
        top = unpack(os.path.join(self.first, archives(self.first)[1]),
                     os.path.join(WORK, "linux-symbols"))
        for name in ("carafe", "carafe-jvm", "carafe-check", "carafe-brand", "carafe-pack"):
            with self.subTest(name):
                dump = subprocess.run(["objdump", "-T", os.path.join(top, name)],
                                      stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                text = dump.stdout.decode(errors="replace")
                if "not a dynamic object" in text or "no symbols" in text.lower():
                    continue  # statically linked: it asks the system's C library for nothing
                self.assertEqual(dump.returncode, 0, text)
                newer = [line for line in text.splitlines()
                         for version in re.findall(r"GLIBC_(\d+)\.(\d+)", line)
                         if (int(version[0]), int(version[1])) > (2, 28)]
                self.assertEqual(newer, [], name)

    def test_under_wine_the_zip_brands_and_starts_an_application(self):
        top = unpack(os.path.join(self.first, archives(self.first)[0]), os.path.join(WORK, "windows"))
        session = wine_test.SESSION
        s = wine_test.Scenario("release")
        shutil.copytree(top, s.unix("carafe"))
        for part in ("Hello.config", "lib"):
            source = s.unix("carafe", "example", part)
            target = s.unix("Apps", "Hello", part)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            (shutil.copytree if os.path.isdir(source) else shutil.copyfile)(source, target)
        branded = s.win(r"Apps\Hello\Hello.exe")
        subprocess.run([session.wine, s.unix("carafe", "carafe-brand.exe"),
                        s.win(r"carafe\carafe.exe"), branded,
                        "--icon", s.win(r"carafe\example\hello.ico"), "--description", "Hello"],
                       env=session.environment(), check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=wine_test.RUN_TIMEOUT)
        home = s.add_runtime("jre")
        session.register("17", [("17", home)])
        run = session.launch(branded, s.win())
        self.assertEqual(run.exit_code, 0, run.describe())
        self.assertEqual(run.java[0].argv[1:], ["-Dhello.greeter=carafe", "-classpath",
                                                "lib/hello.jar;", "Hello", "first", "second one"])
        checked = subprocess.run([session.wine, s.unix("carafe", "carafe-check.exe"), "--quiet",
                                  branded], env=session.environment(), stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, timeout=wine_test.RUN_TIMEOUT)
        self.assertEqual((checked.returncode, checked.stdout), (0, b""))


def setUpModule():
    global WORK
    WORK = tempfile.mkdtemp(prefix="carafe-release-")
    wine_test.OPTIONS = types.SimpleNamespace(
        exe=None, exe32=None, console_exe=None, check_exe=None, javaw=OPTIONS.javaw,
        java=OPTIONS.java, runner=OPTIONS.runner, screenshot=None)
    wine_test.setUpModule()


def tearDownModule():
    wine_test.tearDownModule()
    if WORK is not None:
        shutil.rmtree(WORK, ignore_errors=True)


def main():
    global OPTIONS, VERSION
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ("source", "javaw", "java", "runner"):
        parser.add_argument("--" + name, required=True)
    OPTIONS, rest = parser.parse_known_args()
    for name in ("source", "javaw", "java", "runner"):
        setattr(OPTIONS, name, os.path.abspath(getattr(OPTIONS, name)))
    with open(os.path.join(OPTIONS.source, "src", "core", "version.h")) as header:
        VERSION = re.search(r'CARAFE_VERSION_TEXT "([^"]+)"', header.read()).group(1)
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    sys.exit(0 if program.result.wasSuccessful() else 1)


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, wine_test.stop_on_signal)
    main()

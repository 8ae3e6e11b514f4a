#!/usr/bin/env python3
"""carafe-pack as a build uses it on Linux: the application's folder, its zip
(the same bytes on a second run) and, where wixl is installed, the installer
as msitools reads it back; each refusal with its message and exit code, and
never anything left in the destination afterwards.

    cli_test.py --pack carafe-pack --sample carafe_brand_sample [--jar hello.jar]
                --icon hello.ico [unittest options]

Without --jar (a build without the example) it makes a jar that holds the
example's class.

The launchers are synthetic carafe launchers (carafe_brand_sample): what
starts them is the Wine suite's part.
"""

import argparse
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

OPTIONS = None
TRY_HELP = 'Try "carafe-pack --help" for more.\n'

HELLO_CONFIG = (
    "# Hello 1.1: what Hello.exe starts. Written by carafe-pack 1.0.7.\r\n"
    "# Each line is a keyword, one space and its value; a line that begins with # is a "
    "comment.\r\n"
    "\r\n"
    "# The application's name, which the launcher's notices give.\r\n"
    "appname Hello\r\n"
    "\r\n"
    "# The class whose main method starts the application.\r\n"
    "mainclass Hello\r\n"
    "\r\n"
    "# The Java version it needs.\r\n"
    "javaVersion 17+\r\n"
    "\r\n"
    "# Java's class data is kept for each user between starts.\r\n"
    "startupCache on\r\n"
    "\r\n"
    "# Options for the Java virtual machine.\r\n"
    "vmparam \"-Dhello.greeter=carafe pack\"\r\n"
    "\r\n"
    "# The application's jars, on the classpath in this order.\r\n"
    "addjar lib\\hello.jar\r\n"
    "addjar \"lib\\more jars.jar\"\r\n"
    "\r\n"
    "# Arguments for the application, after those it is started with.\r\n"
    "argument first\r\n"
    "argument second one\r\n"
    "\r\n"
    "# Each user's own options, where the file exists: upgrades and repairs leave it as it is.\r\n"
    "optionalInclude $APPDATA\\Example Ltd\\Hello\\Hello.user.config\r\n")


def read(path):
    with open(path, "rb") as file:
        return file.read()


def tree(directory):
    """{relative path: bytes} of every file below directory, and each directory as None."""
    found = {}
    for root, directories, files in os.walk(directory):
        for name in directories:
            found[os.path.relpath(os.path.join(root, name), directory)] = None
        for name in files:
            path = os.path.join(root, name)
            found[os.path.relpath(path, directory)] = read(path)
    return found


def have(*programs):
    return all(shutil.which(program) for program in programs)


class Packing(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix="carafe-pack-")
        self.addCleanup(shutil.rmtree, self.directory, ignore_errors=True)
        self.launchers = self.path("launchers")
        os.makedirs(self.launchers)
        for name in ("carafe.exe", "carafe-console.exe"):
            subprocess.run([OPTIONS.sample, os.path.join(self.launchers, name)], check=True)
        self.input = self.path("build", "jars")
        os.makedirs(os.path.join(self.input, "native"))
        shutil.copy(OPTIONS.jar, os.path.join(self.input, "hello.jar"))
        with zipfile.ZipFile(os.path.join(self.input, "more jars.jar"), "w") as jar:
            jar.writestr("more/Jars.class", b"\xca\xfe\xba\xbe")
        with open(os.path.join(self.input, "native", "hello.dll"), "wb") as file:
            file.write(b"MZ not really a library")

    def path(self, *parts):
        return os.path.join(self.directory, *parts)

    def pack(self, *arguments, environment=None, dest="dist"):
        words = [OPTIONS.pack, "--name", "Hello", "--input", self.input, "--main-class", "Hello",
                 "--launchers", self.launchers, "--dest", self.path(dest)] + list(arguments)
        env = dict(os.environ)
        env.pop("SOURCE_DATE_EPOCH", None)
        env.update(environment or {})
        return subprocess.run(words, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              env=env, timeout=300)

    def packed(self, *arguments, **keywords):
        result = self.pack(*arguments, **keywords)
        self.assertEqual((result.returncode, result.stderr.decode()), (0, ""))
        return result

    def typical(self, *more, dest="dist", environment=None):
        return self.packed("--app-version", "1.1", "--vendor", "Example Ltd",
                           "--icon", OPTIONS.icon, "--java-version", "17+",
                           "--vmparam", "-Dhello.greeter=carafe pack", "--argument", "first",
                           "--argument", "second one", *more, dest=dest, environment=environment)

    def assertNothingLeft(self, dest, before=None):
        left = sorted(os.listdir(dest)) if os.path.isdir(dest) else None
        self.assertEqual(left, before, "the destination holds " + repr(left))

    # ---- the folder and the zip ---------------------------------------------

    def test_the_folder_holds_the_branded_exe_the_configuration_and_lib(self):
        self.typical("--type", "app-image", "--type", "zip")
        folder = tree(self.path("dist", "Hello"))
        self.assertEqual(sorted(folder), ["Hello.config", "Hello.exe", "lib", "lib/hello.jar",
                                          "lib/more jars.jar", "lib/native",
                                          "lib/native/hello.dll"])
        self.assertEqual(folder["Hello.config"].decode(), HELLO_CONFIG)
        exe = folder["Hello.exe"]
        self.assertEqual(exe[:2], b"MZ")
        for text in ("Hello", "Example Ltd", "1.1", "carafe 1.0.7"):
            self.assertIn((text + "\0").encode("utf-16-le"), exe, text)
        self.assertNotEqual(exe, read(os.path.join(self.launchers, "carafe.exe")))
        self.assertEqual(folder["lib/hello.jar"], read(OPTIONS.jar))
        self.assertEqual(sorted(os.listdir(self.path("dist"))),
                         ["Hello", "Hello-1.1.zip", "Hello-1.1.zip.sha256"])

    def test_the_zip_holds_the_folder_sorted_with_fixed_times_and_modes(self):
        self.typical("--type", "zip", environment={"SOURCE_DATE_EPOCH": "1765338230"})
        self.assertEqual(sorted(os.listdir(self.path("dist"))),
                         ["Hello-1.1.zip", "Hello-1.1.zip.sha256"])
        with zipfile.ZipFile(self.path("dist", "Hello-1.1.zip")) as archive:
            infos = archive.infolist()
            names = [info.filename for info in infos]
            self.assertEqual(names, ["Hello/", "Hello/Hello.config", "Hello/Hello.exe",
                                     "Hello/lib/", "Hello/lib/hello.jar",
                                     "Hello/lib/more jars.jar", "Hello/lib/native/",
                                     "Hello/lib/native/hello.dll"])
            for info in infos:
                self.assertEqual(info.date_time, (2025, 12, 10, 3, 43, 50), info.filename)
                mode = info.external_attr >> 16
                expected = 0o755 if info.filename.endswith(("/", ".exe")) else 0o644
                self.assertEqual(stat.S_IMODE(mode), expected, info.filename)
            self.assertEqual(archive.read("Hello/Hello.config").decode(), HELLO_CONFIG)
            self.assertIsNone(archive.testzip())

    def test_a_second_run_gives_the_same_zip(self):
        self.typical("--type", "zip")
        self.typical("--type", "zip", dest="again")
        self.assertEqual(read(self.path("dist", "Hello-1.1.zip")),
                         read(self.path("again", "Hello-1.1.zip")))

    def test_an_earlier_folder_is_replaced_only_when_the_new_one_is_made(self):
        os.makedirs(self.path("dist", "Hello", "lib"))
        with open(self.path("dist", "Hello", "lib", "old.jar"), "wb") as file:
            file.write(b"the earlier build")
        result = self.pack("--main-class", "Missing", "--app-version", "1.1")
        self.assertEqual(result.returncode, 1)
        self.assertEqual(tree(self.path("dist", "Hello")),
                         {"lib": None, "lib/old.jar": b"the earlier build"})
        self.assertNothingLeft(self.path("dist"), ["Hello"])
        self.packed()
        self.assertNotIn("lib/old.jar", tree(self.path("dist", "Hello")))
        self.assertNothingLeft(self.path("dist"), ["Hello"])

    # ---- refusals -----------------------------------------------------------

    def test_inputs_it_cannot_use_leave_nothing_behind(self):
        empty = self.path("empty")
        os.makedirs(empty)
        with open(self.path("broken.jar"), "wb") as file:
            file.write(b"not a zip file")
        broken = self.path("broken")
        os.makedirs(broken)
        shutil.copy(self.path("broken.jar"), broken)
        after = self.path("after")
        os.makedirs(after)
        shutil.copy(OPTIONS.jar, os.path.join(after, "hello.jar"))
        with open(os.path.join(after, "zz.jar"), "wb") as file:
            file.write(read(OPTIONS.jar)[:-30])
        twice = self.path("twice")
        os.makedirs(twice)
        shutil.copy(OPTIONS.jar, os.path.join(twice, "hello.jar"))
        for name in ("lib-1.2.jar", "lib-1.3.jar"):
            with zipfile.ZipFile(os.path.join(twice, name), "w") as jar:
                jar.writestr("lib/Lib.class", b"\xca\xfe\xba\xbe")
        linux = self.path("jdk")
        for name in ("bin/java", "lib/server/libjvm.so", "release"):
            os.makedirs(os.path.dirname(os.path.join(linux, name)), exist_ok=True)
            with open(os.path.join(linux, name), "wb") as file:
                file.write(b"")
        os.symlink("/nowhere/src.zip", os.path.join(linux, "lib", "src.zip"))
        bad_icon = self.path("icon.ico")
        with open(bad_icon, "wb") as file:
            file.write(b"\x89PNG\r\n\x1a\n" + b"\0" * 24)
        missing_launchers = self.path("nowhere")
        rows = [
            (["--input", empty], 1,
             "--input: %s holds no .jar file: give the directory that holds the application's "
             "jars" % empty),
            (["--input", self.path("none")], 1, "--input: %s is not a directory" % self.path("none")),
            (["--input", broken], 1,
             "--input: %s/broken.jar cannot be read as a jar: not a zip file (too short); "
             "rebuild it, or remove it from --input" % broken),
            # After the jar that holds the main class, and cut short.
            (["--input", after], 1,
             "--input: %s/zz.jar cannot be read as a jar: not a zip file (no end of central "
             "directory); rebuild it, or remove it from --input" % after),
            (["--input", twice], 1,
             "--input: lib-1.2.jar and lib-1.3.jar are one library in two versions (left from an "
             "earlier build?); Java would take each class from the first on the classpath only: "
             "remove the one that is not meant from --input (clean the build's folder)"),
            (["--bundled-runtime", linux], 1,
             "--bundled-runtime: %s is a Linux Java runtime (bin/java, no bin/java.exe); the "
             "application needs a Windows one: make it on this machine with jlink and a Windows "
             "JDK's jmods (see docs/packaging.md)" % linux),
            (["--main-class", "com.example.Hello"], 1,
             "--main-class: no jar of --input holds com.example.Hello (com/example/Hello.class); "
             "give the class with the main method, by its full name"),
            (["--launchers", missing_launchers], 1,
             "%s/carafe.exe: cannot be read: No such file or directory" % missing_launchers),
            (["--icon", bad_icon], 1,
             "--icon: %s: is a PNG image, not an .ico file; make an .ico from PNG files, e.g. "
             "with ImageMagick: \"magick icon-16.png icon-32.png icon-48.png icon-256.png "
             "app.ico\", or with icoutils: \"icotool -c -o app.ico icon-*.png\"" % bad_icon),
            (["--dest", os.path.join(self.input, "dist")], 2,
             "--dest: %s is inside --input %s, whose files the next run would pack again; give "
             "another directory" % (os.path.join(self.input, "dist"), self.input)),
            (["--vmparam", "-Da\nb"], 2,
             "--vmparam: \"-Da\\nb\" cannot be written as one configuration line: the launcher "
             "reads \"vmparam -Da\", then \"b\": no space, so no keyword and value: the line is "
             "skipped"),
        ]
        for arguments, code, message in rows:
            with self.subTest(arguments=arguments):
                result = self.pack(*arguments, dest="new/dist")
                self.assertEqual(result.stderr.decode(),
                                 "carafe-pack: " + message + "\n" + (TRY_HELP if code == 2 else ""))
                self.assertEqual((result.returncode, result.stdout), (code, b""))
                self.assertFalse(os.path.exists(self.path("new")), "the destination was made")
                self.assertFalse(os.path.exists(os.path.join(self.input, "dist")))

    def test_a_failing_tool_leaves_nothing_behind(self):
        tools = self.path("tools")
        os.makedirs(tools)
        for name in ("wixl", "msibuild"):
            script = os.path.join(tools, name)
            with open(script, "w") as file:
                file.write("#!/bin/sh\necho \"%s: cannot do that\"\nexit 3\n" % name)
            os.chmod(script, 0o755)
        os.makedirs(self.path("dist"))
        result = self.pack("--vendor", "Example Ltd", "--type", "zip", "--type", "msi",
                           environment={"PATH": tools})
        self.assertEqual(result.stderr.decode(),
                         "carafe-pack: --type msi: wixl could not build the installer (exit code "
                         "3):\nwixl: cannot do that\n\n")
        self.assertEqual(result.returncode, 1)
        self.assertNothingLeft(self.path("dist"), [])
        result = self.pack("--vendor", "Example Ltd", "--type", "msi",
                           environment={"PATH": self.path("none")})
        self.assertEqual(result.stderr.decode(),
                         "carafe-pack: --type msi: wixl is not installed (it is looked for on "
                         "PATH): install it, on Debian and Ubuntu with \"apt-get install wixl "
                         "msitools\"\n")
        self.assertNothingLeft(self.path("dist"), [])

    def test_help_and_version(self):
        result = subprocess.run([OPTIONS.pack, "--help"], stdout=subprocess.PIPE, timeout=60)
        self.assertEqual(result.returncode, 0)
        self.assertTrue(result.stdout.decode().startswith(
            "Usage: carafe-pack --name NAME --input DIR --main-class CLASS [OPTION]...\n"))
        result = subprocess.run([OPTIONS.pack, "--version"], stdout=subprocess.PIPE, timeout=60)
        self.assertEqual((result.returncode, result.stdout), (0, b"carafe-pack 1.0.7\n"))

    # ---- the installer ------------------------------------------------------

    def msiinfo(self, msi, *arguments):
        result = subprocess.run(["msiinfo"] + list(arguments[:1]) + [msi] + list(arguments[1:]),
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout.decode()

    def rows(self, msi, table):
        """The rows of a table, each a tuple of its columns, sorted."""
        lines = self.msiinfo(msi, "export", table).split("\r\n")[3:]
        return sorted(tuple(line.split("\t")) for line in lines if line)

    @unittest.skipUnless(have("wixl", "msibuild", "msiinfo"),
                         "wixl and msitools are not installed (scripts/test installs them)")
    def test_msiinfo_reads_the_installers_files_shortcuts_registry_and_upgrade(self):
        self.typical("--type", "msi", "--desktop-shortcut", "--description", "Says hello")
        msi = self.path("dist", "Hello-1.1.msi")
        self.assertEqual(sorted(os.listdir(self.path("dist"))),
                         ["Hello-1.1.msi", "Hello-1.1.msi.sha256"])
        files = self.rows(msi, "File")
        self.assertEqual(sorted(row[2] for row in files),
                         ["Hello.config", "Hello.exe", "hello.dll", "hello.jar", "more jars.jar"])
        exe = [row for row in files if row[2] == "Hello.exe"][0]
        shortcuts = self.rows(msi, "Shortcut")
        self.assertEqual([(row[0], row[1], row[2], row[4], row[6], row[8], row[11])
                          for row in shortcuts],
                         [("DesktopShortcut", "DesktopFolder", "Hello", "[#%s]" % exe[0],
                           "Says hello", "", "INSTALLDIR"),
                          ("StartMenuShortcut", "ProgramMenuFolder", "Hello", "[#%s]" % exe[0],
                           "Says hello", "", "INSTALLDIR")])
        self.assertEqual(sorted(row[1:5] for row in self.rows(msi, "Registry")),
                         [("1", "Software\\Example Ltd\\Hello", "DesktopShortcut", "#1"),
                          ("1", "Software\\Example Ltd\\Hello", "StartMenuShortcut", "#1")])
        self.assertEqual(self.rows(msi, "MsiShortcutProperty"),
                         [("DesktopShortcutId", "DesktopShortcut", "System.AppUserModel.ID",
                           "ExampleLtd.Hello"),
                          ("StartMenuShortcutId", "StartMenuShortcut", "System.AppUserModel.ID",
                           "ExampleLtd.Hello")])
        upgrade_code = "{D9052F22-4922-5A2A-BAF4-796C296D7BCA}"
        self.assertEqual(self.rows(msi, "Upgrade"),
                         [(upgrade_code, "0.0.0", "", "", "256", "", "OLDERVERSIONFOUND"),
                          (upgrade_code, "1.1", "", "", "2", "", "NEWERVERSIONFOUND")])
        properties = dict(row[:2] for row in self.rows(msi, "Property"))
        for name, value in (("ProductName", "Hello"), ("ProductVersion", "1.1"),
                            ("Manufacturer", "Example Ltd"), ("UpgradeCode", upgrade_code),
                            ("ARPPRODUCTICON", "ApplicationIcon.exe"),
                            ("ARPCOMMENTS", "Says hello")):
            self.assertEqual(properties.get(name), value, name)
        self.assertNotIn("ALLUSERS", properties)  # per user: no administrator rights
        summary = self.msiinfo(msi, "suminfo")
        self.assertIn("Source: 10 (a)", summary)  # compressed, needs no elevation
        self.assertIn("Template: x64;1033", summary)

        # A command-line tool: on PATH instead of in the Start menu, with a file type of
        # its own, links in Apps & features and a start when the install ends.
        with open(self.path("bib.properties"), "w") as file:
            file.write("extension=bib\ndescription=BibTeX database\nmime-type=text/x-bibtex\n"
                       "icon=%s\n" % OPTIONS.icon)
        result = self.typical("--type", "msi", "--console", "--per-machine", "--file-associations",
                              self.path("bib.properties"), "--about-url", "https://example.com/h",
                              "--launch-after-install", dest="console")
        self.assertEqual(result.stdout.decode(),
                         "carafe-pack: Hello-1.1.msi: upgrade code %s\n" % upgrade_code)
        msi = self.path("console", "Hello-1.1.msi")
        exe = [row for row in self.rows(msi, "File") if row[2] == "Hello.exe"][0][0]
        self.assertEqual(self.rows(msi, "Shortcut"), [])
        self.assertIn("bib.ico", [row[2] for row in self.rows(msi, "File")])
        self.assertEqual(self.rows(msi, "Environment"),
                         [("PathEntry", "=-*PATH", "[~];[INSTALLDIR]", "PathEntry")])
        sequence = dict((row[0], row[2]) for row in self.rows(msi, "InstallExecuteSequence"))
        self.assertEqual((sequence["RemoveEnvironmentStrings"], sequence["WriteEnvironmentStrings"],
                          sequence["SetInstallLocation"]), ("3300", "5200", "1001"))
        self.assertGreater(int(sequence["LaunchApplication"]), int(sequence["InstallFinalize"]))
        self.assertEqual(sorted(row[1:5] for row in self.rows(msi, "Registry")), [
            ("2", "Software\\Classes\\.bib", "", "Hello.bib"),
            ("2", "Software\\Classes\\.bib", "Content Type", "text/x-bibtex"),
            ("2", "Software\\Classes\\Hello.bib", "", "BibTeX database"),
            ("2", "Software\\Classes\\Hello.bib\\DefaultIcon", "", "[INSTALLDIR]icons\\bib.ico"),
            ("2", "Software\\Classes\\Hello.bib\\shell\\open\\command", "",
             '"[#%s]" "%%1"' % exe),
            ("2", "Software\\Example Ltd\\Hello", "PathEntry", "#1")])
        properties = dict(row[:2] for row in self.rows(msi, "Property"))
        self.assertEqual((properties["ARPURLINFOABOUT"], properties["ARPHELPLINK"],
                          properties["LAUNCHAPPLICATION"]),
                         ("https://example.com/h", "https://example.com/h", "1"))

    @unittest.skipUnless(have("wixl", "msibuild", "msiinfo"),
                         "wixl and msitools are not installed (scripts/test installs them)")
    def test_the_same_inputs_give_the_same_installer_bytes_and_their_digests(self):
        self.typical("--type", "msi", "--type", "zip")
        time.sleep(2)  # the tools' clock moves on: its times must not show
        self.typical("--type", "msi", "--type", "zip", dest="again")
        self.typical("--type", "msi", "--app-version", "1.2", dest="later")
        first, again = self.path("dist", "Hello-1.1.msi"), self.path("again", "Hello-1.1.msi")
        later = self.path("later", "Hello-1.2.msi")
        tables = self.msiinfo(first, "tables").split()
        for table in tables:
            if table != "_SummaryInformation":
                self.assertEqual(self.rows(first, table), self.rows(again, table), table)

        self.assertEqual(read(first), read(again))
        self.assertIn("Created: Tue Jan  1 00:00:00 1980", self.msiinfo(first, "suminfo"))
        for name in ("Hello-1.1.msi", "Hello-1.1.zip"):
            digest = subprocess.run(["sha256sum", "-c", name + ".sha256"], cwd=self.path("dist"),
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            self.assertEqual((digest.returncode, digest.stdout.decode()), (0, name + ": OK\n"))
        codes = {msi: dict(row[:2] for row in self.rows(msi, "Property"))
                 for msi in (first, later)}
        self.assertEqual(codes[first]["UpgradeCode"], codes[later]["UpgradeCode"])
        self.assertNotEqual(codes[first]["ProductCode"], codes[later]["ProductCode"])

    @unittest.skipUnless(have("wixl", "msibuild", "msiinfo", "osslsigncode", "openssl"),
                         "wixl, msitools, osslsigncode or openssl is not installed")
    def test_signs_the_exe_before_it_is_packed_and_the_installer_after(self):
        key, certificate = self.path("key.pem"), self.path("cert.pem")
        pkcs12 = self.path("signing.p12")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=carafe-pack test", "-keyout", key, "-out", certificate],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", certificate,
                        "-out", pkcs12, "-passout", "pass:secret words"], check=True)
        self.typical("--type", "app-image", "--type", "zip", "--type", "msi", "--sign", pkcs12,
                     environment={"CARAFE_SIGN_PASSWORD": "secret words"})
        with zipfile.ZipFile(self.path("dist", "Hello-1.1.zip")) as archive:
            self.assertEqual(archive.read("Hello/Hello.exe"),
                             read(self.path("dist", "Hello", "Hello.exe")))
        extracted = self.path("extracted")
        subprocess.run(["msiextract", "-C", extracted, self.path("dist", "Hello-1.1.msi")],
                       check=True, stdout=subprocess.DEVNULL)
        installed = [os.path.join(root, name) for root, _, names in os.walk(extracted)
                     for name in names if name == "Hello.exe"]
        self.assertEqual([read(path) for path in installed],
                         [read(self.path("dist", "Hello", "Hello.exe"))])
        for signed in (self.path("dist", "Hello", "Hello.exe"), self.path("dist", "Hello-1.1.msi")):
            with self.subTest(signed=os.path.basename(signed)):
                result = subprocess.run(["osslsigncode", "verify", "-in", signed, "-CAfile",
                                         certificate], stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, timeout=60)
                self.assertIn("Signature verification: ok", result.stdout.decode(errors="replace"))
        self.assertNothingLeft(self.path("dist"), ["Hello", "Hello-1.1.msi", "Hello-1.1.msi.sha256",
                                                    "Hello-1.1.zip", "Hello-1.1.zip.sha256"])


def main():
    global OPTIONS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ("pack", "sample", "icon"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--jar", help="the example's hello.jar")
    OPTIONS, rest = parser.parse_known_args()
    for name in ("pack", "sample", "icon"):
        setattr(OPTIONS, name, os.path.abspath(getattr(OPTIONS, name)))
    made = None
    if OPTIONS.jar:
        OPTIONS.jar = os.path.abspath(OPTIONS.jar)
    else:
        made = tempfile.mkdtemp(prefix="carafe-pack-jar-")
        OPTIONS.jar = os.path.join(made, "hello.jar")
        with zipfile.ZipFile(OPTIONS.jar, "w") as jar:
            jar.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n\r\n")
            jar.writestr("Hello.class", b"\xca\xfe\xba\xbe")
    try:
        unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
    finally:
        if made:
            shutil.rmtree(made, ignore_errors=True)


if __name__ == "__main__":
    main()

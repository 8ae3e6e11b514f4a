#!/usr/bin/env python3
"""carafe-pack end to end: the real carafe.exe packed on this machine, then
under Wine the folder's exe started, and the installer installed per user by
msiexec, its shortcuts read, the installed exe started, version 1.1 installed
over 1.0, an older version refused over a newer one, and everything removed
by the uninstall but the file the user wrote.

    pack_test.py --pack carafe-pack --pack-exe carafe-pack.exe --launchers BUILD_DIR
                 --icon hello.ico
                 --javaw javaw.exe --java java.exe --runner wine_runner.exe
                 [unittest options]

--launchers names the directory of carafe.exe and carafe-console.exe. The
fake Java records how it was started; the jars only need to hold the class.
"""

import argparse
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import types
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_test  # noqa: E402  the Wine session

OPTIONS = None
WORK = None
SESSION = None
PACKED = {}  # version -> directory with Hello/, Hello-<version>.zip and .msi

UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
# The installer needs them on this machine; without them only the folder is tested.
HAVE_WIXL = bool(shutil.which("wixl") and shutil.which("msibuild"))


def read(path):
    with open(path, "rb") as file:
        return file.read()


def tree(directory):
    found = {}
    for root, _, files in os.walk(directory):
        for name in files:
            path = os.path.join(root, name)
            found[os.path.relpath(path, directory)] = read(path)
    return found


def make_jar(path, *classes):
    with zipfile.ZipFile(path, "w") as jar:
        jar.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n\r\n")
        for name in classes:
            jar.writestr(name, b"\xca\xfe\xba\xbe")


def packing_words(version, source, dest):
    return ["--name", "Hello", "--app-version", version, "--vendor", "Example Ltd",
            "--icon", OPTIONS.icon, "--input", source,
            "--main-class", "Hello", "--java-version", "17+", "--vmparam", "-Dhello.greeter=carafe",
            "--argument", "first", "--argument", "second one", "--type", "app-image",
            "--launchers", OPTIONS.launchers, "--dest", dest]


def pack(version, jars):
    """Packs Hello <version> from jars (names) into WORK/<version>."""
    source = os.path.join(WORK, "jars-" + version)
    os.makedirs(source)
    for name in jars:
        make_jar(os.path.join(source, name), *(["Hello.class"] if name == "hello.jar" else []))
    dest = os.path.join(WORK, version)
    completed = subprocess.run(
        [OPTIONS.pack] + packing_words(version, source, dest) + ["--type", "zip"]
        + (["--description", "Says hello", "--desktop-shortcut", "--type", "msi"]
           if HAVE_WIXL else []),
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
    if completed.returncode != 0:
        raise RuntimeError("carafe-pack failed: " + completed.stdout.decode(errors="replace"))
    PACKED[version] = dest


def link_target_and_icon(path):
    """The target path of a shell link (.lnk) and its own icon location, if any."""
    data = read(path)
    flags = struct.unpack_from("<I", data, 0x14)[0]
    offset = 0x4C
    if flags & 0x1:  # a target ID list
        offset += 2 + struct.unpack_from("<H", data, offset)[0]
    target = None
    if flags & 0x2:  # link information: the local base path
        size, _, info_flags, _, base = struct.unpack_from("<IIIII", data, offset)
        if info_flags & 0x1:
            end = data.index(b"\0", offset + base)
            target = data[offset + base:end].decode("latin-1")
        offset += size
    unicode = bool(flags & 0x80)
    strings = {}
    for bit, name in ((0x4, "name"), (0x8, "relative"), (0x10, "directory"),
                      (0x20, "arguments"), (0x40, "icon")):
        if flags & bit:
            count = struct.unpack_from("<H", data, offset)[0]
            width = 2 if unicode else 1
            raw = data[offset + 2:offset + 2 + count * width]
            strings[name] = raw.decode("utf-16-le" if unicode else "latin-1")
            offset += 2 + count * width
    return target, strings.get("icon")


class PackedCase(unittest.TestCase):
    maxDiff = None

    def msiexec(self, *arguments):
        return SESSION.run_wine("msiexec", *arguments, check=False).returncode

    def wine_output(self, *arguments):
        with tempfile.TemporaryFile(dir=WORK) as output:
            subprocess.run([SESSION.wine] + list(arguments), env=SESSION.environment(),
                           stdout=output, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                           timeout=wine_test.RUN_TIMEOUT)
            output.seek(0)
            return output.read().decode("utf-8", "replace")

    def uninstall_entries(self):
        """{DisplayName: (DisplayVersion, Publisher)} of the installed products."""
        entries, current = [], None
        for line in self.wine_output("reg", "query", UNINSTALL_KEY, "/s").splitlines():
            if line.startswith("HKEY_"):
                current = {}
                entries.append(current)
            elif current is not None and "    REG_" in line:
                name, _, value = line.strip().partition("    ")
                current[name] = value.partition("    ")[2]
        return [(entry.get("DisplayName"), entry.get("DisplayVersion"), entry.get("Publisher"))
                for entry in entries if entry.get("DisplayName") == "Hello"]

    def windows_path(self, unix):
        return "C:\\" + os.path.relpath(unix, SESSION.drive_c).replace("/", "\\")

    def installed_msi(self, version):
        copy = os.path.join(SESSION.drive_c, "Hello-%s.msi" % version)
        shutil.copyfile(os.path.join(PACKED[version], "Hello-%s.msi" % version), copy)
        return self.windows_path(copy)

    def assertStartsJava(self, exe, directory, classpath="lib\\hello.jar;"):
        scenario = wine_test.Scenario("run-" + str(len(os.listdir(SESSION.drive_d))))
        run = SESSION.launch('"%s"' % exe, scenario.win())
        self.assertEqual(run.captions, [], run.describe())
        self.assertEqual(run.exit_code, 0, run.describe())
        self.assertEqual(len(run.java), 1, run.describe())
        java = run.java[0]
        self.assertEqual(java.module, RUNTIME + r"\bin\javaw.exe")
        self.assertEqual(java.directory, directory)
        self.assertEqual(java.argv[1:], ["-Dhello.greeter=carafe", "-classpath", classpath,
                                         "Hello", "first", "second one"])


@unittest.skipUnless(HAVE_WIXL, "wixl and msitools are not installed (scripts/test installs them)")
class Installer(PackedCase):
    """The installer's whole life, in order: each step needs the one before."""

    def test_installs_starts_upgrades_and_uninstalls_per_user(self):
        programs = os.path.join(SESSION.profile, "AppData", "Local", "Programs", "Hello")
        start_menu = os.path.join(SESSION.profile, "AppData", "Roaming", "Microsoft", "Windows",
                                  "Start Menu", "Programs", "Hello.lnk")
        desktop = os.path.join(SESSION.profile, "Desktop", "Hello.lnk")
        exe = self.windows_path(os.path.join(programs, "Hello.exe"))

        # 1.0, per user: no administrator rights asked for, the folder as packed.
        self.assertEqual(self.msiexec("/i", self.installed_msi("1.0"), "/qn"), 0)
        self.assertEqual(tree(programs), tree(os.path.join(PACKED["1.0"], "Hello")))
        for link in (start_menu, desktop):
            with self.subTest(link=os.path.basename(os.path.dirname(link))):
                target, icon = link_target_and_icon(link)
                self.assertEqual(target, exe)
                self.assertIn(icon, (None, exe))  # none of its own: the exe's icon
        self.assertEqual(self.uninstall_entries(), [("Hello", "1.0", "Example Ltd")])
        self.assertStartsJava(exe, self.windows_path(programs), "lib\\hello.jar;lib\\old.jar;")

        # 1.1 over 1.0: one installation, 1.1's files only.
        self.assertEqual(self.msiexec("/i", self.installed_msi("1.1"), "/qn"), 0)
        self.assertEqual(tree(programs), tree(os.path.join(PACKED["1.1"], "Hello")))
        self.assertNotIn(os.path.join("lib", "old.jar"), tree(programs))
        self.assertEqual(self.uninstall_entries(), [("Hello", "1.1", "Example Ltd")])

        # 1.0 over 1.1 is refused, and 1.1 stays.
        self.assertNotEqual(self.msiexec("/i", self.installed_msi("1.0"), "/qn"), 0)
        self.assertEqual(tree(programs), tree(os.path.join(PACKED["1.1"], "Hello")))
        self.assertEqual(self.uninstall_entries(), [("Hello", "1.1", "Example Ltd")])

        # The uninstall leaves only what the user wrote.
        with open(os.path.join(programs, "notes.txt"), "w") as file:
            file.write("the user's own")
        self.assertEqual(self.msiexec("/x", self.installed_msi("1.1"), "/qn"), 0)
        self.assertEqual(tree(programs), {"notes.txt": b"the user's own"})
        self.assertEqual(os.listdir(programs), ["notes.txt"])
        self.assertFalse(os.path.exists(start_menu))
        self.assertFalse(os.path.exists(desktop))
        self.assertEqual(self.uninstall_entries(), [])
        self.assertNotIn("Example Ltd", self.wine_output("reg", "query", r"HKCU\Software"))


TOOL_ASSOCIATION = "extension=cdx\ndescription=Carafe data\nmime-type=application/x-carafe\n"


def pack_tool(version):
    """Packs the command-line tool Tool <version>, with a file type, into
    WORK/tool-<version>."""
    source = os.path.join(WORK, "tool-jars-" + version)
    os.makedirs(source)
    make_jar(os.path.join(source, "hello.jar"), "Hello.class")
    association = os.path.join(WORK, "cdx.properties")
    with open(association, "w") as file:
        file.write(TOOL_ASSOCIATION)
    dest = os.path.join(WORK, "tool-" + version)
    completed = subprocess.run(
        [OPTIONS.pack, "--name", "Tool", "--app-version", version, "--vendor", "Example Ltd",
         "--input", source, "--main-class", "Hello", "--java-version", "17+", "--console",
         "--file-associations", association, "--per-machine", "--type", "msi",
         "--about-url", "https://example.com/tool",
         "--launchers", OPTIONS.launchers,
         "--dest", dest],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
    if completed.returncode != 0:
        raise RuntimeError("carafe-pack failed: " + completed.stdout.decode(errors="replace"))
    return os.path.join(dest, "Tool-%s.msi" % version)


@unittest.skipUnless(HAVE_WIXL, "wixl and msitools are not installed (scripts/test installs them)")
class CommandLineTool(PackedCase):
    """A console tool's installer, per machine: on PATH, a file type of its own,
    the user's options through an upgrade, and PATH as it was after the
    uninstall. Per machine, as Wine's shell finds file types in the machine's
    classes only (Windows merges the user's into them)."""

    def environment_key(self):
        return self.wine_output(
            "reg", "query", r"HKLM\System\CurrentControlSet\Control\Session Manager\Environment")

    def java_of(self, run_in_console):
        record = os.path.join(WORK, "java-%d.txt" % len(os.listdir(WORK)))
        stdout, stderr, boxes = run_in_console(record)
        starts = wine_test.read_java_starts(record)
        self.assertEqual(len(starts), 1, (stdout, stderr, boxes))
        return starts[0]

    def test_installs_on_path_opens_its_files_keeps_the_users_options_and_uninstalls(self):
        programs = os.path.join(SESSION.drive_c, "Program Files", "Tool")
        before = self.environment_key()
        msi = {}
        for version in ("1.0", "2.0"):
            copy = os.path.join(SESSION.drive_c, "Tool-%s.msi" % version)
            shutil.copyfile(pack_tool(version), copy)
            msi[version] = self.windows_path(copy)
        self.assertEqual(self.msiexec("/i", msi["1.0"], "/qn"), 0)
        self.assertIn(self.windows_path(programs), self.environment_key())
        # Apps & features: where it is, and its links.
        entries = self.wine_output("reg", "query", UNINSTALL_KEY, "/s")
        for name, value in (("InstallLocation", self.windows_path(programs) + "\\"),
                            ("URLInfoAbout", "https://example.com/tool"),
                            ("HelpLink", "https://example.com/tool")):
            self.assertRegex(entries, r"\n    %s    REG_\w+    %s\r\n" % (name, re.escape(value)))
        start_menu = os.path.join(SESSION.drive_c, "ProgramData", "Microsoft", "Windows",
                                  "Start Menu", "Programs", "Tool.lnk")
        self.assertFalse(os.path.exists(start_menu))

        # A new console finds the tool by its name, and it works where it was started.
        work = os.path.join(SESSION.drive_c, "work")
        os.makedirs(work)
        with open(os.path.join(work, "data.txt"), "w") as file:
            file.write("the caller's file")

        def in_console(record, path=None):
            # path: the console's PATH, set before the tool is called by name.
            setting = "set PATH=%s&& " % path if path else ""
            return SESSION.run_console(
                r"cd /d C:\work && %sTool data.txt" % setting,
                environment={"CARAFE_FAKE_JAVA_RECORD": wine_test.windows_path_of_unix(record)})
        java = self.java_of(in_console)
        self.assertEqual(java.directory, "C:\\work")
        self.assertEqual(java.argv[-2:], ["Hello", "data.txt"])

        # A double-click on a .cdx file starts the tool with the file's path.
        document = os.path.join(SESSION.profile, "Ünï cödé.cdx")
        with open(document, "w") as file:
            file.write("data")
        run = SESSION.launch('C:\\windows\\system32\\cmd.exe /c start "" /wait "%s"'
                             % self.windows_path(document), "C:\\",
                             environment={"LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"})
        self.assertEqual(len(run.java), 1, run.describe())
        self.assertEqual(run.java[0].argv[-2:], ["Hello", self.windows_path(document)])

        # The user's own options live outside the install folder, through the upgrade.
        options = os.path.join(SESSION.profile, "AppData", "Roaming", "Example Ltd", "Tool",
                               "Tool.user.config")
        os.makedirs(os.path.dirname(options))
        with open(options, "w") as file:
            file.write("vmparam -Xmx6g\r\n")
        self.assertEqual(self.msiexec("/i", msi["2.0"], "/qn"), 0)
        self.assertEqual(read(options), b"vmparam -Xmx6g\r\n")
        # Wine's msiexec leaves the separator of the entry it removed on the upgrade's
        # uninstall (";;" in PATH), where its cmd stops searching: the installed folder
        # is named alone here.
        java = self.java_of(lambda record: in_console(record, self.windows_path(programs)))
        self.assertIn("-Xmx6g", java.argv)

        # The uninstall leaves PATH as it was, and the file type gone.
        self.assertEqual(self.msiexec("/x", msi["2.0"], "/qn"), 0)
        # The entry is gone and the rest as it was; Wine leaves the separators it was
        # added with (Windows removes them with it).
        self.assertNotIn("Tool", self.environment_key())
        self.assertEqual(re.sub(";+\r\n", "\r\n", self.environment_key()), before)
        self.assertNotIn("\\.cdx\r\n", self.wine_output("reg", "query", r"HKLM\Software\Classes"))
        self.assertFalse(os.path.exists(os.path.join(programs, "Tool.exe")))


class Folder(PackedCase):
    """The packed folder itself, started where it was unpacked, and the same
    folder and zip from carafe-pack.exe under Wine."""

    def test_carafe_pack_exe_writes_the_same_folder_and_zip_under_wine(self):
        windows = wine_test.windows_path_of_unix
        dest = os.path.join(WORK, "wine-pack")
        with open(os.path.join(WORK, "wine-pack.txt"), "wb") as log:
            # The launchers are found beside carafe-pack.exe.
            result = subprocess.run(
                [SESSION.wine, OPTIONS.pack_exe] + [
                    windows(word) if word.startswith(WORK) or word == OPTIONS.icon else word
                    for word in packing_words("1.1", os.path.join(WORK, "jars-1.1"), dest)
                    if word not in ("--launchers", OPTIONS.launchers)] + ["--type", "zip"],
                env=SESSION.environment(extra={"LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"}),
                stdout=log, stderr=log, stdin=subprocess.DEVNULL, timeout=300)
        self.assertEqual(result.returncode, 0, read(os.path.join(WORK, "wine-pack.txt")))
        self.assertEqual(sorted(os.listdir(dest)), ["Hello", "Hello-1.1.zip", "Hello-1.1.zip.sha256"])
        self.assertEqual(tree(os.path.join(dest, "Hello")), tree(os.path.join(PACKED["1.1"], "Hello")))
        self.assertEqual(read(os.path.join(dest, "Hello-1.1.zip")),
                         read(os.path.join(PACKED["1.1"], "Hello-1.1.zip")))

    def test_the_folders_exe_starts_java_with_the_packed_configuration(self):
        scenario = wine_test.Scenario("folder")
        shutil.copytree(os.path.join(PACKED["1.1"], "Hello"), scenario.unix("Apps", "Hello"))
        self.assertStartsJava(scenario.win("Apps", "Hello", "Hello.exe"),
                              scenario.win("Apps", "Hello"))


RUNTIME = None


def setUpModule():
    global WORK, SESSION, RUNTIME
    WORK = tempfile.mkdtemp(prefix="carafe-pack-e2e-")
    pack("1.0", ["hello.jar", "old.jar"])
    pack("1.1", ["hello.jar"])
    wine_test.OPTIONS = types.SimpleNamespace(
        exe=None, exe32=None, console_exe=None, javaw=OPTIONS.javaw, java=OPTIONS.java,
        runner=OPTIONS.runner, screenshot=None)
    wine_test.setUpModule()
    SESSION = wine_test.SESSION
    SESSION.drive_c = os.path.join(SESSION.prefix, "drive_c")
    users = os.path.join(SESSION.drive_c, "users")
    user = [name for name in os.listdir(users) if name != "Public"][0]
    SESSION.profile = os.path.join(users, user)
    # Wine links the profile's Desktop to the home directory: a folder of the
    # prefix's own instead, so that the desktop shortcut stays in the prefix.
    desktop = os.path.join(SESSION.profile, "Desktop")
    if os.path.islink(desktop):
        os.remove(desktop)
        os.makedirs(desktop)
    runtime = wine_test.Scenario("runtime")
    RUNTIME = runtime.add_runtime("jre17")
    SESSION.register("17", [("17", RUNTIME)])


def tearDownModule():
    wine_test.tearDownModule()
    if WORK is not None:
        shutil.rmtree(WORK, ignore_errors=True)


def main():
    global OPTIONS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ("pack", "pack-exe", "launchers", "icon", "javaw", "java", "runner"):
        parser.add_argument("--" + name, required=True)
    OPTIONS, rest = parser.parse_known_args()
    for name in ("pack", "pack_exe", "launchers", "icon", "javaw", "java", "runner"):
        setattr(OPTIONS, name, os.path.abspath(getattr(OPTIONS, name)))
    started = time.monotonic()
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    print("wall time %.0f s" % (time.monotonic() - started), file=sys.stderr)
    sys.exit(0 if program.result.wasSuccessful() else 1)


if __name__ == "__main__":
    # wine_test's handler stops the session, which is wine_test.SESSION too.
    signal.signal(signal.SIGTERM, wine_test.stop_on_signal)
    main()

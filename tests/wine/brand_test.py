#!/usr/bin/env python3
"""carafe-brand on the real carafe.exe, checked by readers of its own.

The build machine's carafe-brand brands carafe.exe with an .ico and non-ASCII
texts. icoutils' wrestool lists and extracts the resources, objdump reads the
headers, osslsigncode checks the checksum and signs and verifies the result
(with a certificate made by openssl for this run), and under Wine a small
checker reads the version information and the icon through Windows' own
functions; the branded exe then starts Java as in the Wine suite's typical
start, and carafe-brand.exe under Wine writes the same bytes. The branded exe,
signed, is branded again, which replaces the earlier branding.

    brand_test.py --brand carafe-brand --brand-exe carafe-brand.exe --exe carafe.exe
                  --icon hello.ico --check brand_check.exe --objdump OBJDUMP
                  --javaw javaw.exe --java java.exe --runner wine_runner.exe
                  [--exe32 carafe32.exe] [unittest options]

--exe32 names a 32-bit launcher to put through the same checks without Wine.
"""

import argparse
import hashlib
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

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_test  # noqa: E402  the Wine session and the typical start

OPTIONS = None
WORK = None
SESSION = None

TEXTS = {
    "--description": "Editor",
    "--product": "Example Editor Ω",  # beyond code page 1252: Unicode only
    "--company": "Jürgen Müller Example Ltd",
    "--copyright": "© 2026 Example Ltd",
    "--app-version": "2.3.1",
}
EXPECTED_STRINGS = {
    "FileDescription": "Editor",
    "ProductName": "Example Editor Ω",
    "CompanyName": "Jürgen Müller Example Ltd",
    "LegalCopyright": "© 2026 Example Ltd",
    "FileVersion": "2.3.1",
    "ProductVersion": "2.3.1",
    "InternalName": "Editor",
    "OriginalFilename": "Editor.exe",
    "Comments": "carafe 1.0.7",
}
REBRANDED_STRINGS = {
    "FileDescription": "Viewer",
    "ProductName": "Viewer",
    "FileVersion": "4.0",
    "ProductVersion": "4.0",
    "InternalName": "Viewer",
    "OriginalFilename": "Viewer.exe",
    "Comments": "carafe 1.0.7",
}
ABSENT_AFTER_REBRANDING = ("CompanyName", "LegalCopyright")


def run(command, **arguments):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300,
                          **arguments)


def read(path):
    with open(path, "rb") as file:
        return file.read()


def ico_images(data):
    """(width, height, bit count, bytes) of each image of an .ico file."""
    _, kind, count = struct.unpack_from("<HHH", data)
    assert kind == 1, "not an icon"
    images = []
    for index in range(count):
        width, height, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", data,
                                                                        6 + 16 * index)
        images.append((width, height, bits, data[offset:offset + size]))
    return images


def write_ico(path, images):
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, body = b"", b""
    for width, height, bits, data in images:
        entries += struct.pack("<BBBBHHII", width, height, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
        body += data
    with open(path, "wb") as file:
        file.write(header + entries + body)


def run_checked(command):
    result = run(command)
    if result.returncode != 0:
        raise RuntimeError("%s failed: %s" % (os.path.basename(command[0]),
                                              result.stdout.decode(errors="replace")))


def brand(launcher, output, icon, *texts):
    run_checked([OPTIONS.brand, launcher, output, "--icon", icon] + list(texts))


def texts_as_options(texts):
    return ["%s=%s" % (option, value) for option, value in texts.items()]


class Launcher:
    """One launcher and what the checks make of it in WORK/<name>."""

    def __init__(self, name, exe):
        self.name = name
        self.exe = exe
        self.directory = os.path.join(WORK, name)
        os.makedirs(self.directory)
        self.launcher_hash = hashlib.sha256(read(exe)).hexdigest()
        self.editor = os.path.join(self.directory, "Editor.exe")
        self.signed = os.path.join(self.directory, "Editor-signed.exe")
        self.viewer = os.path.join(self.directory, "Viewer.exe")
        self.second_icon = os.path.join(WORK, "viewer.ico")
        started = time.monotonic()
        brand(exe, self.editor, OPTIONS.icon, *texts_as_options(TEXTS))
        self.brand_seconds = time.monotonic() - started
        sign(self.editor, self.signed)
        brand(self.signed, self.viewer, self.second_icon, "--app-version", "4.0")


def sign(exe, signed):
    run_checked([shutil.which("osslsigncode"), "sign", "-certs", os.path.join(WORK, "cert.pem"),
                 "-key", os.path.join(WORK, "key.pem"), "-n", "Editor", "-in", exe,
                 "-out", signed])


def make_certificate():
    """A throwaway self-signed certificate, made for this run."""
    run_checked([shutil.which("openssl"), "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                 "-days", "2", "-subj", "/CN=carafe-brand test",
                 "-keyout", os.path.join(WORK, "key.pem"), "-out", os.path.join(WORK, "cert.pem")])


LAUNCHERS = []


class FileChecks:
    """Checks that need no Wine, for every launcher given."""

    maxDiff = None

    def wrestool(self, *arguments):
        result = run(["wrestool"] + list(arguments))
        self.assertEqual(result.returncode, 0, result.stdout)
        return result.stdout

    def resource(self, exe, kind, name=1):
        return self.wrestool("-x", "--raw", "--type=%d" % kind, "--name=%d" % name, exe)

    def headers(self, exe):
        result = run([OPTIONS.objdump, "-p", "-h", exe])
        self.assertEqual(result.returncode, 0, result.stdout)
        return result.stdout.decode()

    def test_wrestool_lists_the_icons_the_group_the_version_and_the_manifest(self):
        images = ico_images(read(OPTIONS.icon))
        for launcher in LAUNCHERS:
            with self.subTest(launcher.name):
                listing = self.wrestool("-l", launcher.editor).decode()
                found = re.findall(r"--type=(\d+) --name=(\d+) --language=(\d+)", listing)
                expected = [("3", str(n), "1033") for n in range(1, len(images) + 1)]
                expected += [("14", "1", "1033"), ("16", "1", "1033"), ("24", "1", "1033")]
                self.assertEqual(found, expected, listing)

    def test_the_extracted_icon_holds_the_ico_files_images(self):
        for launcher, icon in [(l, OPTIONS.icon) for l in LAUNCHERS]:
            with self.subTest(launcher.name):
                group = self.wrestool("-x", "--type=14", "--name=1", launcher.editor)
                self.assertEqual(ico_images(group), ico_images(read(icon)))
            with self.subTest(launcher.name, rebranded=True):
                group = self.wrestool("-x", "--type=14", "--name=1", launcher.viewer)
                self.assertEqual(ico_images(group), ico_images(read(launcher.second_icon)))

    def test_the_manifest_is_kept_byte_for_byte(self):
        for launcher in LAUNCHERS:
            with self.subTest(launcher.name):
                manifest = self.resource(launcher.exe, 24)
                self.assertIn(b'requestedExecutionLevel level="asInvoker"', manifest)
                self.assertEqual(self.resource(launcher.editor, 24), manifest)
                self.assertEqual(self.resource(launcher.viewer, 24), manifest)

    def test_the_version_resource_is_the_new_one(self):
        for launcher in LAUNCHERS:
            with self.subTest(launcher.name):
                data = self.resource(launcher.editor, 16)
                for key, value in EXPECTED_STRINGS.items():
                    self.assertIn((key + "\0").encode("utf-16-le"), data, key)
                    self.assertIn((value + "\0").encode("utf-16-le"), data, key)
                self.assertNotIn("Java application launcher".encode("utf-16-le"), data)
                rebranded = self.resource(launcher.viewer, 16)
                self.assertIn("carafe 1.0.7\0".encode("utf-16-le"), rebranded)
                self.assertNotIn("Jürgen".encode("utf-16-le"), rebranded)

    def section_table(self, text):
        """{name: (size, vma, file offset)} from objdump -h."""
        rows = re.findall(r"^\s*\d+\s+(\S+)\s+([0-9a-f]+)\s+([0-9a-f]+)\s+[0-9a-f]+\s+([0-9a-f]+)",
                          text, re.M)
        return {name: tuple(int(value, 16) for value in values) for name, *values in rows}

    def field(self, text, name):
        return int(re.search(r"^%s\s+([0-9a-f]+)" % name, text, re.M).group(1), 16)

    def directory(self, text, index):
        match = re.search(r"^Entry %d ([0-9a-f]+) ([0-9a-f]+)" % index, text, re.M)
        return int(match.group(1), 16), int(match.group(2), 16)

    def test_objdump_reads_the_moved_sections_and_the_headers(self):
        for launcher in LAUNCHERS:
            for branded in (launcher.editor, launcher.viewer):
                with self.subTest(launcher.name, exe=os.path.basename(branded)):
                    before, after = self.headers(launcher.exe), self.headers(branded)
                    old, new = self.section_table(before), self.section_table(after)
                    self.assertEqual(list(old), list(new))
                    base = self.field(after, "ImageBase")
                    alignment = self.field(after, "SectionAlignment")
                    file_alignment = self.field(after, "FileAlignment")
                    names = list(new)
                    rsrc = names.index(".rsrc")
                    original, data = read(launcher.exe), read(branded)
                    for name in names[:rsrc]:  # the code and data, where they were
                        self.assertEqual(old[name], new[name], name)
                        size, _, offset = new[name]
                        if offset == 0:
                            continue  # no contents in the file (.bss)
                        self.assertEqual(data[offset:offset + size],
                                         original[offset:offset + size], name)
                    size, vma, offset = new[".rsrc"]
                    self.assertEqual(self.directory(after, 2), (vma - base, size))
                    end_vma = vma + size
                    end_offset = offset + align(size, file_alignment)
                    for name in names[rsrc + 1:]:  # .reloc, moved as a whole
                        old_size, _, old_offset = old[name]
                        moved_size, moved_vma, moved_offset = new[name]
                        self.assertEqual(moved_size, old_size)
                        self.assertEqual(moved_vma, align(end_vma, alignment), name)
                        self.assertEqual(moved_offset, end_offset, name)
                        self.assertEqual(data[moved_offset:moved_offset + moved_size],
                                         original[old_offset:old_offset + old_size], name)
                        end_vma = moved_vma + moved_size
                        end_offset = moved_offset + align(moved_size, file_alignment)
                    self.assertEqual(self.directory(after, 5)[0], new[".reloc"][1] - base)
                    self.assertEqual(self.field(after, "SizeOfImage"),
                                     align(end_vma, alignment) - base)
                    self.assertEqual(self.directory(after, 4), (0, 0))  # no signature
                    self.assertEqual(len(data), end_offset)
                    for name in ("AddressOfEntryPoint", "SizeOfHeaders", "DllCharacteristics",
                                 "Subsystem", "SizeOfCode"):
                        self.assertEqual(self.field(after, name), self.field(before, name), name)

    def verify(self, exe, *arguments):
        result = run([shutil.which("osslsigncode"), "verify", "-in", exe] + list(arguments))
        return result.returncode, result.stdout.decode(errors="replace")

    def test_osslsigncode_finds_a_correct_checksum_and_verifies_the_signed_exe(self):
        for launcher in LAUNCHERS:
            with self.subTest(launcher.name):
                for unsigned in (launcher.editor, launcher.viewer):
                    _, report = self.verify(unsigned)
                    self.assertIn("No signature found", report)
                    self.assertNotIn("invalid PE checksum", report)
                    checksum = int(re.search(r"PE checksum\s*:\s*([0-9A-F]+)", report).group(1), 16)
                    self.assertEqual(checksum, self.field(self.headers(unsigned), "CheckSum"))
                code, report = self.verify(launcher.signed, "-CAfile",
                                           os.path.join(WORK, "cert.pem"))
                self.assertIn("Signature verification: ok", report)
                self.assertNotIn("invalid PE checksum", report)
                self.assertEqual(code, 0, report)

    def test_the_launcher_itself_is_unchanged(self):
        for launcher in LAUNCHERS:
            self.assertEqual(hashlib.sha256(read(launcher.exe)).hexdigest(),
                             launcher.launcher_hash)


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


class BrandedFile(FileChecks, unittest.TestCase):
    pass


class UnderWine(unittest.TestCase):
    """Windows' own functions read the 64-bit branded exe."""

    maxDiff = None

    def check(self, exe, keys):
        path = os.path.join(WORK, "check-%s.txt" % os.path.basename(exe))
        with open(path, "wb") as output:
            subprocess.run([SESSION.wine, OPTIONS.check, wine_test.windows_path_of_unix(exe)]
                           + list(keys), env=SESSION.environment(), stdout=output,
                           stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=300,
                           check=True)
        report = {"string": {}, "image": {}}
        with open(path) as file:
            for line in file.read().splitlines():
                words = line.split()
                if words[0] == "string":
                    report["string"][words[1]] = words[2:]
                elif words[0] == "image":
                    report["image"][int(words[1])] = words[2:]
                else:
                    report[words[0]] = words[1:]
        return report

    def assertStrings(self, report, expected, absent=()):
        """Every value through the W functions, and through the A functions where the
        ANSI code page holds it; returns the keys checked both ways."""
        code_page = "cp%s" % report["acp"][0]
        both = []
        for key, value in expected.items():
            ansi, unicode = report["string"][key]
            self.assertEqual(bytes.fromhex(unicode).decode("utf-16-le"), value, key)
            try:
                encoded = value.encode(code_page)
            except UnicodeEncodeError:
                continue  # Unicode only
            self.assertEqual(bytes.fromhex(ansi), encoded, key)
            both.append(key)
        for key in absent:
            self.assertEqual(report["string"][key], ["missing", "missing"], key)
        return both

    def test_version_information_through_ver_query_value(self):
        editor = LAUNCHERS[0].editor
        report = self.check(editor, list(EXPECTED_STRINGS) + list(ABSENT_AFTER_REBRANDING))
        self.assertEqual(report["fixed"], ["FEEF04BD", "00010000", "00020003", "00010000",
                                           "00020003", "00010000", "0000003F", "00000000",
                                           "00040004", "00000001", "00000000", "00000000",
                                           "00000000"])
        self.assertEqual(report["translation"], ["0409", "04B0"])
        both = self.assertStrings(report, EXPECTED_STRINGS)
        # The non-ASCII texts of code page 1252 came through the A functions too.
        self.assertIn("LegalCopyright", both)
        self.assertIn("CompanyName", both)
        viewer = self.check(LAUNCHERS[0].viewer, list(REBRANDED_STRINGS)
                            + list(ABSENT_AFTER_REBRANDING))
        self.assertEqual(viewer["fixed"][2:6], ["00040000", "00000000", "00040000", "00000000"])
        self.assertStrings(viewer, REBRANDED_STRINGS, ABSENT_AFTER_REBRANDING)

    def test_the_icon_through_extract_icon_and_load_image(self):
        report = self.check(LAUNCHERS[0].editor, [])
        self.assertEqual(report["icons"], ["1"])
        for size in (16, 32, 48, 256):
            self.assertEqual(report["image"][size][:2], [str(size), str(size)], size)
        self.assertEqual(report["image"][256][2], "32")

    def test_carafe_brand_exe_writes_the_same_bytes_under_wine(self):
        directory = os.path.join(WORK, "wine-brand")
        os.makedirs(directory, exist_ok=True)
        output = os.path.join(directory, "Editor.exe")
        windows = wine_test.windows_path_of_unix
        with open(os.path.join(WORK, "wine-brand.txt"), "wb") as log:
            result = subprocess.run(
                [SESSION.wine, OPTIONS.brand_exe, windows(LAUNCHERS[0].exe), windows(output),
                 "--icon", windows(OPTIONS.icon)] + texts_as_options(TEXTS),
                env=SESSION.environment(extra={"LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"}),
                stdout=log, stderr=log, stdin=subprocess.DEVNULL, timeout=300)
        self.assertEqual(result.returncode, 0, read(os.path.join(WORK, "wine-brand.txt")))
        self.assertEqual(read(output), read(LAUNCHERS[0].editor))


class BrandedTypicalStart(wine_test.TypicalStart):
    """The suite's typical start, with the branded exe installed as Editor.exe."""


def setUpModule():
    global WORK, SESSION
    WORK = tempfile.mkdtemp(prefix="carafe-brand-e2e-")
    make_certificate()
    # The re-branding's icon: two of the .ico's images, the last one first.
    images = ico_images(read(OPTIONS.icon))
    write_ico(os.path.join(WORK, "viewer.ico"), [images[-1], images[1]])
    LAUNCHERS.append(Launcher("x64", OPTIONS.exe))
    if OPTIONS.exe32:
        LAUNCHERS.append(Launcher("x86", OPTIONS.exe32))
    print("branding carafe.exe took %.3f s" % LAUNCHERS[0].brand_seconds, file=sys.stderr)
    # The typical start runs each branded exe: the 32-bit one where 32-bit Wine is.
    wine_test.OPTIONS = types.SimpleNamespace(
        exe=LAUNCHERS[0].editor, exe32=LAUNCHERS[1].editor if len(LAUNCHERS) > 1 else None,
        console_exe=None, javaw=OPTIONS.javaw, java=OPTIONS.java, runner=OPTIONS.runner,
        screenshot=None)
    wine_test.setUpModule()
    SESSION = wine_test.SESSION


def tearDownModule():
    wine_test.tearDownModule()
    if WORK is not None:
        shutil.rmtree(WORK, ignore_errors=True)


def main():
    global OPTIONS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ("brand", "brand-exe", "exe", "icon", "check", "objdump", "javaw", "java",
                 "runner"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--exe32", help="a 32-bit launcher for the checks without Wine")
    OPTIONS, rest = parser.parse_known_args()
    for name in ("brand", "brand_exe", "exe", "icon", "check", "javaw", "java", "runner",
                 "exe32"):
        if getattr(OPTIONS, name):
            setattr(OPTIONS, name, os.path.abspath(getattr(OPTIONS, name)))
    started = time.monotonic()
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    print("wall time %.0f s" % (time.monotonic() - started), file=sys.stderr)
    sys.exit(0 if program.result.wasSuccessful() else 1)


if __name__ == "__main__":
    # wine_test's handler stops the session, which is wine_test.SESSION too.
    signal.signal(signal.SIGTERM, wine_test.stop_on_signal)
    main()

#!/usr/bin/env python3
"""carafe-brand as a user meets it: each input it refuses, with its message
and exit code, and never an output file afterwards nor a temporary one left.

    cli_test.py --brand carafe-brand --sample carafe_brand_sample [unittest options]
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

OPTIONS = None

HOW_TO_MAKE_AN_ICO = (
    '; make an .ico from PNG files, e.g. with ImageMagick: "magick icon-16.png icon-32.png '
    'icon-48.png icon-256.png app.ico", or with icoutils: "icotool -c -o app.ico icon-*.png"')
NOT_A_VERSION = ('is not a version: give 1 to 4 numbers from 0 to 65535 separated by dots, '
                 'such as 2.3.1')
TRY_HELP = 'Try "carafe-brand --help" for more.\n'


def png(width, height):
    return (b"\x89PNG\r\n\x1a\n" + struct.pack(">I", 13) + b"IHDR"
            + struct.pack(">II", width, height) + bytes([8, 6, 0, 0, 0]) + b"\0" * 4)


def bitmap(size):
    return struct.pack("<IiiHH", 40, size, 2 * size, 1, 32) + b"\0" * 24 + b"\x5a" * 16


def ico(images, offset_shift=0):
    """An .ico file of (size byte, image bytes) pairs."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for size, image in images:
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image),
                               offset + offset_shift)
        offset += len(image)
        data += image
    return header + entries + data


class Refusals(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix="carafe-brand-")
        self.addCleanup(shutil.rmtree, self.directory, ignore_errors=True)
        self.launcher = self.sample("launcher.exe")
        self.icon = self.write("app.ico", ico([(16, bitmap(16)), (0, png(256, 256))]))

    def path(self, name):
        return os.path.join(self.directory, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as file:
            file.write(data)
        return self.path(name)

    def read(self, path):
        with open(path, "rb") as file:
            return file.read()

    def sample(self, name, *options):
        subprocess.run([OPTIONS.sample, self.path(name)] + list(options), check=True)
        return self.path(name)

    def brand(self, *arguments):
        return subprocess.run([OPTIONS.brand] + list(arguments), stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=60)

    def assertLeftoversNone(self):
        left = [name for name in os.listdir(self.directory) if ".tmp-" in name]
        self.assertEqual(left, [], "temporary files left behind")

    def assertRefused(self, arguments, output, code, message):
        result = self.brand(*arguments)
        self.assertEqual(result.stderr.decode(), message)
        self.assertEqual(result.stdout, b"")
        self.assertEqual(result.returncode, code)
        self.assertFalse(os.path.isfile(output), "an output was written")
        self.assertLeftoversNone()

    def test_inputs_that_are_no_carafe_launcher(self):
        with open(self.launcher, "rb") as file:
            launcher = file.read()
        truncated = self.write("truncated.exe", launcher[:0x700])
        corrupt = self.write("corrupt.exe", launcher[:0x3C] + struct.pack("<I", 0x7FFFFFF0)
                             + launcher[0x40:])
        rows = [
            (self.write("notes.exe", b"just text\n"),
             'is not a Windows executable (it does not begin with "MZ")'),
            (truncated, 'is truncated or corrupt: section ".rsrc"\'s data ends beyond the end of '
                        'the file'),
            (corrupt, "is truncated or corrupt: its PE header at offset 0x7ffffff0 lies beyond "
                      "the end of the file"),
            (self.sample("notepad.exe", "--product", "Notepad"),
             "is not a carafe launcher; carafe-brand brands carafe.exe and exes branded from it "
             '(its version information names "Notepad")'),
            (self.path("missing.exe"), "cannot be read: No such file or directory"),
            (self.directory, "cannot be read: it is a directory"),
        ]
        for exe, message in rows:
            with self.subTest(exe=os.path.basename(exe)):
                out = self.path("Out.exe")
                self.assertRefused([exe, out, "--icon", self.icon], out, 1,
                                   "carafe-brand: %s: %s\n" % (exe, message))

    def test_icons_that_cannot_be_used(self):
        rows = [
            ("renamed-png.ico", png(64, 64), "is a PNG image, not an .ico file" + HOW_TO_MAKE_AN_ICO),
            ("renamed-bmp.ico", b"BM" + b"\0" * 60, "is a BMP image, not an .ico file"
             + HOW_TO_MAKE_AN_ICO),
            ("empty.ico", struct.pack("<HHH", 0, 1, 0), "is an .ico file without images"),
            ("large.ico", ico([(0, png(512, 512))]),
             "image 1 of 1 is 512x512 pixels; icons are at most 256x256 pixels: make the .ico "
             "from smaller pictures"),
            ("outside.ico", ico([(16, bitmap(16))], offset_shift=100),
             "image 1 of 1 lies outside the file: 56 bytes at offset 122, but the file has 78"),
        ]
        for name, data, message in rows:
            with self.subTest(name):
                icon = self.write(name, data)
                out = self.path("Out.exe")
                self.assertRefused([self.launcher, out, "--icon", icon], out, 1,
                                   "carafe-brand: %s: %s\n" % (icon, message))

    def test_versions_that_are_none(self):
        for version in ("1.2.3.4.5", "65536", "2.x", ""):
            with self.subTest(version=version):
                out = self.path("Out.exe")
                message = '"%s" %s' % (version, NOT_A_VERSION) if version else None
                result = self.brand(self.launcher, out, "--app-version=" + version)
                if message is None:  # an empty version is the default
                    self.assertEqual(result.returncode, 0, result.stderr)
                    os.remove(out)
                    continue
                self.assertEqual(result.stderr.decode(),
                                 "carafe-brand: --app-version: %s\n%s" % (message, TRY_HELP))
                self.assertEqual(result.returncode, 2)
                self.assertFalse(os.path.exists(out))

    def test_outputs_that_cannot_be_written(self):
        self.write("file", b"a file")
        os.mkdir(self.path("Out.exe.d"))
        rows = [
            (self.path("missing/Out.exe"),
             'cannot be written: the directory "%s" does not exist' % self.path("missing")),
            (self.path("file/Out.exe"),
             'cannot be written: "%s" is not a directory' % self.path("file")),
            (self.path("Out.exe.d"), "cannot be written: it is a directory"),
        ]
        locked = self.unwritable_directory()
        if locked:
            rows.append((os.path.join(locked, "Out.exe"),
                         'cannot be written: no file can be made in "%s": Permission denied'
                         % locked))
        for out, message in rows:
            with self.subTest(out=out):
                result = self.brand(self.launcher, out, "--icon", self.icon)
                self.assertEqual(result.stderr.decode(), "carafe-brand: %s: %s\n" % (out, message))
                self.assertEqual(result.returncode, 1)
                self.assertFalse(os.path.isfile(out))
                self.assertLeftoversNone()

    def unwritable_directory(self):
        """A directory this user cannot make files in: a read-only one, or for root,
        who may write anywhere else, /sys where the system allows that."""
        if os.geteuid() != 0:
            os.mkdir(self.path("locked"), 0o555)
            return self.path("locked")
        try:
            handle, name = tempfile.mkstemp(dir="/sys")
        except PermissionError:
            return "/sys"
        except OSError:
            return None
        os.close(handle)
        os.remove(name)
        return None

    def test_the_launcher_is_never_its_own_output(self):
        original = self.read(self.launcher)
        os.link(self.launcher, self.path("linked.exe"))
        for out in (self.launcher, self.path("./launcher.exe"), self.path("linked.exe")):
            with self.subTest(out=out):
                result = self.brand(self.launcher, out, "--icon", self.icon)
                self.assertEqual(result.stderr.decode(),
                                 "carafe-brand: %s: names the launcher itself, which carafe-brand "
                                 "never changes; name another output file\n" % out)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(self.read(self.launcher), original)
                self.assertLeftoversNone()

    def test_an_existing_output_is_replaced_only_on_success(self):
        out = self.write("Out.exe", b"the earlier build")
        bad = self.write("bad.ico", png(16, 16))
        result = self.brand(self.launcher, out, "--icon", bad)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(self.read(out), b"the earlier build")
        result = self.brand(self.launcher, out, "--icon", self.icon, "-d", "Änderung")
        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, b"", b""))
        self.assertEqual(self.read(out)[:2], b"MZ")
        self.assertIn("Änderung".encode("utf-16-le"), self.read(out))
        self.assertLeftoversNone()

    def test_command_lines_it_cannot_use(self):
        rows = [
            ([], "name the launcher to brand and the output file"),
            ([self.launcher, "a.exe", "--size=4"], "unknown option --size"),
            ([self.launcher, "a.exe", "--icon"], "option --icon needs a value"),
            # The application's version meant, which must not end with 0 and no exe.
            ([self.launcher, self.path("a.exe"), "--version", "2.3.1"],
             "option --version stands alone: it shows carafe-brand's own version and brands "
             "nothing; give the application's version with --app-version"),
        ]
        for arguments, message in rows:
            with self.subTest(arguments=arguments):
                result = self.brand(*arguments)
                self.assertEqual(result.stderr.decode(), "carafe-brand: %s\n%s" % (message, TRY_HELP))
                self.assertEqual(result.returncode, 2)
                self.assertFalse(os.path.exists(self.path("a.exe")))
        # Bytes that are no UTF-8.
        result = subprocess.run([os.fsencode(OPTIONS.brand), os.fsencode(self.launcher),
                                 os.fsencode(self.path("a.exe")), b"--company", b"Caf\xe9"],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        self.assertEqual(result.stderr.decode(),
                         "carafe-brand: --company: is not UTF-8 text (byte 4 begins no character); "
                         "give the text in UTF-8\n" + TRY_HELP)
        self.assertEqual(result.returncode, 2)
        self.assertFalse(os.path.exists(self.path("a.exe")))

    def test_help_and_version(self):
        result = self.brand("--help")
        self.assertEqual(result.returncode, 0)
        self.assertTrue(result.stdout.decode().startswith(
            "Usage: carafe-brand [OPTION]... LAUNCHER.exe OUTPUT.exe\n"))
        result = self.brand("--version")
        self.assertEqual((result.returncode, result.stdout), (0, b"carafe-brand 1.0.7\n"))


def main():
    global OPTIONS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--brand", required=True, help="carafe-brand")
    parser.add_argument("--sample", required=True, help="carafe_brand_sample")
    OPTIONS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""What each Windows launcher is as a file: a GUI program (carafe.exe,
carafe32.exe) or a console program (carafe-console.exe) for its machine, that
needs only Windows' own DLLs, with the launcher's version in its version
resource and a manifest that asks for no elevation and for UTF-8.

    exe_test.py --exe carafe.exe --objdump x86_64-w64-mingw32-objdump --version-header version.h
                [--subsystem gui|console] [--machine x86-64|i386] [--role launcher|tool]
"""

import argparse
import re
import struct
import subprocess
import sys
import unittest

OPTIONS = None

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "msvcrt.dll"}
SUPPORTED_OS = {
    "e2011457-1546-43c5-a5fe-008deee3d3f0": "Windows Vista",
    "35138b9a-5d96-4fbd-8e2d-a2440225f93a": "Windows 7",
    "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38": "Windows 8",
    "1f676c76-80e1-4239-95bb-83d0f6d0da78": "Windows 8.1",
    "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a": "Windows 10 and 11",
}


def version_from_header(path):
    with open(path) as header:
        text = header.read()
    numbers = [int(re.search(r"#define CARAFE_VERSION_%s (\d+)" % part, text).group(1))
               for part in ("MAJOR", "MINOR", "PATCH")]
    return numbers, re.search(r'#define CARAFE_VERSION_TEXT "([^"]+)"', text).group(1)


class Executable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(OPTIONS.exe, "rb") as exe:
            cls.data = exe.read()
        cls.headers = subprocess.run([OPTIONS.objdump, "-p", OPTIONS.exe], check=True,
                                     stdout=subprocess.PIPE).stdout.decode()

    def test_subsystem_and_machine(self):
        subsystem = {"gui": r"00000002\s+\(Windows GUI\)",
                     "console": r"00000003\s+\(Windows CUI\)"}[OPTIONS.subsystem]
        self.assertRegex(self.headers, r"Subsystem\s+" + subsystem)
        self.assertRegex(self.headers, r"file format pei-%s" % OPTIONS.machine)

    def test_imports_only_system_dlls(self):
        imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", self.headers)}
        foreign = {name for name in imports
                   if name not in SYSTEM_DLLS and not name.startswith("api-ms-win-crt-")}
        self.assertEqual(foreign, set(), "imports: %s" % sorted(imports))
        if OPTIONS.role == "launcher":
            self.assertIn("user32.dll", imports)  # its notices and WaitForInputIdle
        # DLLs it loads itself come from the system directory, not from beside it.
        self.assertRegex(self.headers, r"\bSetDllDirectoryW\b")

    def test_version_resource_holds_the_launchers_version(self):
        (major, minor, patch), text = version_from_header(OPTIONS.version_header)
        signature = self.data.find(struct.pack("<I", 0xFEEF04BD))
        self.assertGreater(signature, 0, "no VS_FIXEDFILEINFO")
        _, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", self.data, signature)
        expected_ms, expected_ls = (major << 16) | minor, patch << 16
        self.assertEqual((file_ms, file_ls), (expected_ms, expected_ls))
        self.assertEqual((product_ms, product_ls), (expected_ms, expected_ls))
        for name in ("FileVersion", "ProductVersion"):
            entry = (name + "\0").encode("utf-16-le")
            at = self.data.find(entry)
            self.assertGreater(at, 0, name)
            value_at = at + len(entry)
            value_at += (4 - value_at % 4) % 4  # values are aligned to 32 bits
            value = self.data[value_at:value_at + 2 * len(text)].decode("utf-16-le")
            self.assertEqual(value, text, name)

    def test_manifest(self):
        match = re.search(rb"<assembly.*?</assembly>", self.data, re.S)
        self.assertIsNotNone(match, "no manifest")
        manifest = match.group(0).decode()
        self.assertRegex(manifest, r'requestedExecutionLevel level="asInvoker"')
        self.assertEqual(set(re.findall(r'supportedOS Id="\{([0-9a-f-]+)\}"', manifest)),
                         set(SUPPORTED_OS))
        self.assertRegex(manifest, r'name="Microsoft.Windows.Common-Controls"\s+version="6.0.0.0"')
        self.assertRegex(manifest, r"<dpiAware[^>]*>true/pm</dpiAware>")
        self.assertRegex(manifest, r"<dpiAwareness[^>]*>PerMonitorV2")
        self.assertRegex(manifest, r"<activeCodePage[^>]*>UTF-8</activeCodePage>")
        self.assertRegex(manifest, r"<longPathAware[^>]*>true</longPathAware>")


def main():
    global OPTIONS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--version-header", required=True)
    parser.add_argument("--subsystem", choices=("gui", "console"), default="gui")
    parser.add_argument("--machine", choices=("x86-64", "i386"), default="x86-64")
    parser.add_argument("--role", choices=("launcher", "tool"), default="launcher")
    OPTIONS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes a release archive from a directory, the same bytes every time:
entries sorted by name under one top directory, every time set to the given
epoch (SOURCE_DATE_EPOCH), owners 0, modes 0755 for programs and directories
and 0644 for the rest. Jar files inside are written again with the same
times, since the jar tool stamps each entry with its build time.

    write_archive.py zip|tar.gz DIRECTORY TOP-NAME ARCHIVE EPOCH
"""

import gzip
import io
import os
import stat
import sys
import tarfile
import time
import zipfile

ZIP_EARLIEST = 315532800  # 1980-01-01, the first time a zip entry can hold


def entries(directory):
    """(relative path, is directory) of everything below directory, sorted."""
    found = []
    for root, directories, files in os.walk(directory):
        for name in directories + files:
            path = os.path.join(root, name)
            found.append((os.path.relpath(path, directory).replace(os.sep, "/"),
                          os.path.isdir(path)))
    return sorted(found)


def mode_of(path, is_directory):
    if is_directory or os.stat(path).st_mode & stat.S_IXUSR:
        return 0o755
    return 0o644


def zip_time(epoch):
    return time.gmtime(max(epoch, ZIP_EARLIEST))[:6]


def normalized_jar(data, epoch):
    """A jar's entries again, in their order, with the epoch's time."""
    source = zipfile.ZipFile(io.BytesIO(data))
    output = io.BytesIO()
    with zipfile.ZipFile(output, "w") as target:
        for info in source.infolist():
            entry = zipfile.ZipInfo(info.filename, zip_time(epoch))
            entry.compress_type = info.compress_type
            entry.external_attr = info.external_attr
            target.writestr(entry, source.read(info))
    return output.getvalue()


def content_of(path, epoch):
    with open(path, "rb") as file:
        data = file.read()
    return normalized_jar(data, epoch) if path.endswith(".jar") else data


def write_zip(directory, top, archive, epoch):
    with zipfile.ZipFile(archive, "w") as target:
        for name, is_directory in [("", True)] + entries(directory):
            path = os.path.join(directory, name)
            arcname = (top + "/" + name if name else top) + ("/" if is_directory else "")
            entry = zipfile.ZipInfo(arcname, zip_time(epoch))
            entry.create_system = 3  # the modes below are POSIX modes
            kind = stat.S_IFDIR if is_directory else stat.S_IFREG
            entry.external_attr = (kind | mode_of(path, is_directory)) << 16
            if is_directory:
                target.writestr(entry, b"")
            else:
                entry.compress_type = zipfile.ZIP_DEFLATED
                target.writestr(entry, content_of(path, epoch), compresslevel=9)


def write_tar_gz(directory, top, archive, epoch):
    with open(archive, "wb") as raw:
        # No file name and the epoch as the gzip header's time.
        with gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=epoch,
                           compresslevel=9) as compressed:
            with tarfile.open(fileobj=compressed, mode="w", format=tarfile.GNU_FORMAT) as target:
                for name, is_directory in [("", True)] + entries(directory):
                    path = os.path.join(directory, name)
                    entry = tarfile.TarInfo(top + ("/" + name if name else ""))
                    entry.mtime = epoch
                    entry.uid = entry.gid = 0
                    entry.uname = entry.gname = "root"
                    entry.mode = mode_of(path, is_directory)
                    if is_directory:
                        entry.type = tarfile.DIRTYPE
                        target.addfile(entry)
                    else:
                        data = content_of(path, epoch)
                        entry.size = len(data)
                        target.addfile(entry, io.BytesIO(data))


def main():
    if len(sys.argv) != 6 or sys.argv[1] not in ("zip", "tar.gz"):
        sys.exit(__doc__)
    kind, directory, top, archive, epoch = sys.argv[1:]
    epoch = int(epoch)
    os.makedirs(os.path.dirname(os.path.abspath(archive)), exist_ok=True)
    (write_zip if kind == "zip" else write_tar_gz)(directory, top, archive, epoch)


if __name__ == "__main__":
    main()

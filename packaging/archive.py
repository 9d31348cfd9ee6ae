#!/usr/bin/env python3
"""Writes a release archive that is the same byte for byte whenever it is made again from the same files
of the same commit: the entries in the order given (a folder's files sorted by name), every entry dated
the commit's time (SOURCE_DATE_EPOCH where the environment sets it), owned by 0:0 with no names, modes
0755 for programs and folders and 0644 for the rest, and no time or name in the gzip header.

Usage: archive.py ARCHIVE SOURCE ROOT PATH...
ARCHIVE ends in .zip or .tar.gz; SOURCE is the source tree, whose last commit dates the entries; ROOT
the folder the PATHs are relative to, each a file or a folder.
"""
import gzip
import os
import subprocess
import sys
import tarfile
import time
import zipfile


def commit_time(source):
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    try:
        out = subprocess.run(["git", "-C", source, "log", "-1", "--format=%ct"], capture_output=True,
                             text=True, check=True).stdout.strip()
        return int(out)
    except (OSError, subprocess.CalledProcessError, ValueError):
        sys.exit("archive: no commit time in %s; set SOURCE_DATE_EPOCH" % source)


def entries(root, paths):
    """(relative name, full path) of every file and folder, folders before what they hold."""
    for path in paths:
        full = os.path.join(root, path)
        yield path, full
        if os.path.isdir(full):
            for folder, dirs, files in os.walk(full):
                dirs.sort()
                for name in sorted(dirs + files):
                    inner = os.path.join(folder, name)
                    yield os.path.relpath(inner, root), inner


def mode(full):
    return 0o755 if os.path.isdir(full) or os.access(full, os.X_OK) else 0o644


def write_tar(archive, epoch, items):
    with open(archive, "wb") as raw, \
            gzip.GzipFile(filename="", mode="wb", compresslevel=9, fileobj=raw, mtime=epoch) as packed, \
            tarfile.open(fileobj=packed, mode="w", format=tarfile.GNU_FORMAT) as tar:
        for name, full in items:
            info = tar.gettarinfo(full, arcname=name.replace(os.sep, "/"))
            info.mtime = epoch
            info.uid = info.gid = 0
            info.uname = info.gname = ""
            info.mode = mode(full)
            if info.isreg():
                with open(full, "rb") as data:
                    tar.addfile(info, data)
            else:
                tar.addfile(info)


def write_zip(archive, epoch, items):
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip dates begin in 1980
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as zipped:
        for name, full in items:
            name = name.replace(os.sep, "/") + ("/" if os.path.isdir(full) else "")
            info = zipfile.ZipInfo(name, stamp)
            info.external_attr = (mode(full) | (0o040000 if os.path.isdir(full) else 0o100000)) << 16
            info.create_system = 3  # the modes are Unix ones
            if os.path.isdir(full):
                zipped.writestr(info, b"")
            else:
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(full, "rb") as data:
                    zipped.writestr(info, data.read())


def main():
    if len(sys.argv) < 5:
        sys.exit("usage: archive.py ARCHIVE SOURCE ROOT PATH...")
    archive, source, root, paths = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    epoch = commit_time(source)
    items = list(entries(root, paths))
    partial = archive + ".part"
    if archive.endswith(".zip"):
        write_zip(partial, epoch, items)
    elif archive.endswith(".tar.gz"):
        write_tar(partial, epoch, items)
    else:
        sys.exit("archive: %s is no .zip or .tar.gz" % archive)
    os.replace(partial, archive)


main()

#!/usr/bin/env python3
"""Runs e2e pages that download: makes the files nvmaild serves at /files/, a folder the stand-in
folder dialog offers and a HOME kept between browser runs, then runs each page twice through
run.py, the second time as after a browser restart ("?restart=1").

Served files (in a fresh folder passed to the server as --files): large.bin (200 MiB), medium.bin
(20 MiB) and small.bin (300 KiB), all random; gb.zip with names in GB 18030 and no UTF-8 flag;
utf8.zip with names flagged UTF-8; sums.json, the SHA-1 of every file a page should end up with,
by its path below the download folder; dialog.log, the stand-in dialog's record of each request.
The folder dialog answers with the download folder; the file dialog with every path of sums.json,
so that a page can checksum what it downloaded through upload items.
"""
import hashlib
import json
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
RANDOM = [("large.bin", 200 << 20), ("medium.bin", 20 << 20), ("small.bin", 300 << 10)]
# Archive entries: (name, content); GB 18030 names are stored as their bytes, without the flag.
GB_ENTRIES = [("中文.txt", b"gb one\n"), ("目录/文件.txt", b"gb two\n"), ("plain.txt", b"three\n")]
UTF8_ENTRIES = [("日本語.txt", b"utf one\n"), ("ü/ñ.txt", b"utf two\n")]
# Offered by the file dialog too: copies of small.bin, and a file no download may leave.
OTHERS = ["dropped.bin", "post.bin", "raw/中文.txt"]


def sha1(data):
    return hashlib.sha1(data).hexdigest()


class GbName(zipfile.ZipInfo):
    """An entry named in GB 18030 bytes without the UTF-8 flag, as Chinese zip tools write them
    (zipfile itself would flag any name that is not ASCII)."""

    def __init__(self, name):
        super().__init__(name)
        self.raw = name.encode("gb18030")

    def _encodeFilenameFlags(self):
        return self.raw, self.flag_bits


def write_zip(path, entries, gb):
    with zipfile.ZipFile(path, "w") as archive:
        for name, content in entries:
            archive.writestr(GbName(name) if gb else zipfile.ZipInfo(name), content)


def make_files(served):
    sums = {}
    for name, size in RANDOM:
        digest = hashlib.sha1()
        with open(os.path.join(served, name), "wb") as out:
            for offset in range(0, size, 1 << 20):
                chunk = os.urandom(min(1 << 20, size - offset))
                digest.update(chunk)
                out.write(chunk)
        sums[name] = digest.hexdigest()
    write_zip(os.path.join(served, "gb.zip"), GB_ENTRIES, True)
    write_zip(os.path.join(served, "utf8.zip"), UTF8_ENTRIES, False)
    for folder, entries in (("gb", GB_ENTRIES), ("utf8", UTF8_ENTRIES)):
        for name, content in entries:
            # Folders inside an archive become one folder level below the destination.
            sums[folder + "/" + name] = sha1(content)
    with open(os.path.join(served, "gb.zip"), "rb") as archive:
        sums["raw/gb.zip"] = sha1(archive.read())
    sums["content.txt"] = sha1(b"hello")
    with open(os.path.join(served, "sums.json"), "w") as out:
        json.dump(sums, out)
    return sums


def with_restarts(argv, served):
    """run.py's arguments: the server serves `served`, and every page runs again restarted."""
    args = []
    for index, arg in enumerate(argv):
        if index > 0 and argv[index - 1] == "--server":
            arg += " --files " + shlex.quote(served)
        args.append(arg)
    return args + [arg + "?restart=1" for arg in argv if arg.endswith(".html")]


def main(argv):
    work = tempfile.mkdtemp(prefix="nvdownload-e2e")
    try:
        served = os.path.join(work, "served")
        out = os.path.join(work, "out")
        home = os.path.join(work, "home")
        for folder in (served, out, home):
            os.mkdir(folder)
        sums = make_files(served)
        open(os.path.join(served, "dialog.log"), "w").close()
        env = dict(os.environ)
        env["NV_DIALOG_PROGRAM"] = os.path.join(HERE, "..", "tests", "plugin", "platform",
                                                "fake_dialog.py")
        env["NV_FAKE_DIALOG_ANSWER"] = json.dumps({
            "folder": {"paths": [out]},
            "open": {"paths": [os.path.join(out, name) for name in sorted(sums) + OTHERS]}})
        env["NV_FAKE_DIALOG_LOG"] = os.path.join(served, "dialog.log")
        command = [sys.executable, os.path.join(HERE, "run.py"), "--home", home]
        return subprocess.call(command + with_restarts(argv, served), env=env)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

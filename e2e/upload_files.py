#!/usr/bin/env python3
"""Runs e2e pages that upload files: makes the files, points the plug-in's dialog program at the
fake one answering with their paths, then hands over to run.py with the remaining arguments.

The files, in the order the fake file dialog returns them: empty.bin (0 bytes), small.bin (300),
medium.bin (5 MiB), large.bin (200 MiB), all random, and text.txt (5 MiB of repeated text, which
deflates well). Beside them lies secret.txt, which the dialog never offers (the hostile page).
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = [("empty.bin", 0), ("small.bin", 300), ("medium.bin", 5 << 20), ("large.bin", 200 << 20),
         ("text.txt", 5 << 20)]
TEXT = b"The quick brown fox jumps over the lazy dog. 0123456789\n"
SECRET = b"not chosen by the user\n" * 1000


def main(argv):
    folder = tempfile.mkdtemp(prefix="nvupload")
    try:
        paths = []
        for name, size in FILES:
            path = os.path.join(folder, name)
            with open(path, "wb") as out:
                remaining = size
                while remaining:
                    chunk = min(remaining, 1 << 20)
                    if name.endswith(".txt"):
                        out.write((TEXT * (chunk // len(TEXT) + 1))[:chunk])
                    else:
                        out.write(os.urandom(chunk))
                    remaining -= chunk
            paths.append(path)
        with open(os.path.join(folder, "secret.txt"), "wb") as out:
            out.write(SECRET)
        env = dict(os.environ)
        env["NV_DIALOG_PROGRAM"] = os.path.join(HERE, "..", "tests", "plugin", "platform",
                                                "fake_dialog.py")
        env["NV_FAKE_DIALOG_ANSWER"] = json.dumps({"paths": paths})
        env["NV_FAKE_DIALOG_LOG"] = os.path.join(folder, "dialog.log")
        return subprocess.call([sys.executable, os.path.join(HERE, "run.py")] + argv, env=env)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

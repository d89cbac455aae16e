#!/usr/bin/env python3
"""Downloads from nvmaild on loopback: the plug-in in the browser (nvhost) against the same
browser's XMLHttpRequest (into an ArrayBuffer) and against curl; and a download with extraction of
an archive of 2,000 files against curl followed by Info-ZIP unzip.

    bench/download/browser_download_bench.py BUILD_DIR [--size-mib 1024] [--archive-mib 200]
        [--rounds 3] [--work-dir DIR]

BUILD_DIR holds tools/nvhost/nvhost, tools/nvmaild/nvmaild and plugin-dir/ (a release build is the
one worth measuring). The served files, the plug-in's download folder (its temporary folder, under
TMPDIR) and curl's copies live in the work folder, by default on tmpfs (/dev/shm), so that neither
side waits for the disk. Every copy is compared with the served file before it is deleted.

Rounds run every contestant once, the order rotating from round to round; times are the best
round, peak memory of the browser process (VmHWM) the highest. The "idle" page loads the plug-in
and does nothing, the baseline for memory.
"""
import argparse
import filecmp
import glob
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "upload"))
from browser_upload_bench import BenchError, Server, run_nvhost_page  # noqa: E402

FILE_NAME = "download.bin"
ARCHIVE_NAME = "archive.zip"
IDLE_MS = 3000
CONTESTANTS = ("plugin", "xhr", "curl", "plugin-unzip", "curl-unzip")


def make_file(path, size):
    with open(path, "wb") as out:
        for offset in range(0, size, 16 << 20):
            out.write(os.urandom(min(16 << 20, size - offset)))


def make_archive(path, size, count=2000):
    """`count` files in 20 folders, half noise stored as is and half text deflated, about `size`
    bytes of archive in all."""
    noise = size // (count // 2)
    words = b"attachment mail folder archive report quarterly holiday photo draft reply ".split()
    generator = random.Random(1)
    with zipfile.ZipFile(path, "w") as archive:
        for index in range(count):
            name = "folder%02d/file%04d.%s" % (index % 20, index, "bin" if index % 2 else "txt")
            if index % 2:
                archive.writestr(name, os.urandom(noise), zipfile.ZIP_STORED)
            else:
                text = b" ".join(generator.choice(words) for _ in range(noise // 16))
                archive.writestr(name, text, zipfile.ZIP_DEFLATED)


def run_page(args, server, mode, name, tmpdir, unzip=False):
    """One page load in nvhost: the page's "BENCH" figures (seconds) and the peak memory (KiB)."""
    query = {"mode": mode, "name": name, "idle": IDLE_MS, "unzip": "1" if unzip else "0"}
    url = server.url + "download_bench.html?" + urllib.parse.urlencode(query)
    return run_nvhost_page(args.build, url, dict(os.environ, TMPDIR=tmpdir), mode)


def plugin_folder(tmpdir):
    found = glob.glob(os.path.join(tmpdir, "nvdownload*"))
    if len(found) != 1:
        raise BenchError("expected one download folder under %s, found %d" % (tmpdir, len(found)))
    return found[0]


def same_tree(left, right):
    compared = filecmp.dircmp(left, right)
    if compared.left_only or compared.right_only or compared.diff_files or compared.funny_files:
        return False
    return all(same_tree(os.path.join(left, sub), os.path.join(right, sub))
               for sub in compared.common_dirs)


def run_contestant(args, server, served, work, mode):
    """Times one contestant, checks its copy and deletes it; (times, peak KiB or None)."""
    tmpdir = os.path.join(work, "tmp")
    os.mkdir(tmpdir)
    try:
        source = os.path.join(served, FILE_NAME)
        if mode in ("plugin", "xhr", "idle"):
            times, kib = run_page(args, server, mode, FILE_NAME, tmpdir)
            if mode == "plugin" and not filecmp.cmp(
                    source, os.path.join(plugin_folder(tmpdir), FILE_NAME), shallow=False):
                raise BenchError("the plug-in's copy differs")
            return times, kib
        if mode == "plugin-unzip":
            times, kib = run_page(args, server, "plugin", ARCHIVE_NAME, tmpdir, unzip=True)
            if not same_tree(os.path.join(work, "reference"), plugin_folder(tmpdir)):
                raise BenchError("the plug-in's extraction differs from unzip's")
            return times, kib
        copy = os.path.join(tmpdir, "copy")
        name = FILE_NAME if mode == "curl" else ARCHIVE_NAME
        start = time.perf_counter()
        subprocess.run(["curl", "-sS", "-o", copy, server.url + "files/" + name], check=True)
        received = time.perf_counter()
        if mode == "curl":
            if not filecmp.cmp(source, copy, shallow=False):
                raise BenchError("curl's copy differs")
            return {"total": received - start, "transfer": received - start}, None
        subprocess.run(["unzip", "-q", "-o", copy, "-d", os.path.join(tmpdir, "out")], check=True)
        end = time.perf_counter()
        return {"total": end - start, "transfer": received - start}, None
    finally:
        shutil.rmtree(tmpdir, ignore_errors=True)


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="build folder (tools/nvhost, tools/nvmaild, plugin-dir)")
    parser.add_argument("--size-mib", type=int, default=1024, help="file size (default 1024)")
    parser.add_argument("--archive-mib", type=int, default=200,
                        help="archive size (default 200)")
    parser.add_argument("--rounds", type=int, default=3, help="rounds (default 3)")
    parser.add_argument("--work-dir", default="/dev/shm" if os.path.isdir("/dev/shm") else None,
                        help="where the files and the copies go (default: /dev/shm)")
    args = parser.parse_args(argv)
    if args.size_mib < 1 or args.archive_mib < 1 or args.rounds < 1:
        parser.error("sizes and rounds must be positive")
    return args


def main(argv):
    args = parse_args(argv)
    size = args.size_mib << 20
    work = tempfile.mkdtemp(prefix="nvdownloadbench", dir=args.work_dir)
    server = None
    try:
        served = os.path.join(work, "served")
        os.mkdir(served)
        print("making a %d MiB file and a %d MiB archive in %s"
              % (args.size_mib, args.archive_mib, work), flush=True)
        make_file(os.path.join(served, FILE_NAME), size)
        make_archive(os.path.join(served, ARCHIVE_NAME), args.archive_mib << 20)
        subprocess.run(["unzip", "-q", os.path.join(served, ARCHIVE_NAME), "-d",
                        os.path.join(work, "reference")], check=True)
        server = Server(args.build, served, os.path.join(work, "store"), root=HERE)
        best = {}
        peak = {}
        for round_number in range(1, args.rounds + 1):
            shift = round_number % len(CONTESTANTS)
            figures = []
            for mode in CONTESTANTS[shift:] + CONTESTANTS[:shift] + ("idle",):
                times, kib = run_contestant(args, server, served, work, mode)
                for key, seconds in times.items():
                    best[mode, key] = min(best.get((mode, key), seconds), seconds)
                if kib is not None:
                    peak[mode] = max(peak.get(mode, 0), kib)
                figures.append("%s %s" % (mode, " ".join(
                    "%s %.2f s" % (key, seconds) for key, seconds in sorted(times.items()))))
            print("round %d: %s" % (round_number, "; ".join(figures)), flush=True)

        archive_size = os.path.getsize(os.path.join(served, ARCHIVE_NAME))
        print("%d bytes, archive %d bytes of 2000 files, loopback; best of %d rounds; "
              "MB = 10^6 bytes" % (size, archive_size, args.rounds))
        names = {"plugin": "plug-in", "xhr": "XMLHttpRequest", "curl": "curl",
                 "plugin-unzip": "plug-in + extraction", "curl-unzip": "curl + unzip"}
        for mode in CONTESTANTS:
            total = best[mode, "total"]
            moved = size if mode in ("plugin", "xhr", "curl") else archive_size
            print("%-22s %8.2f s %7.0f MB/s  (transfer %.2f s)"
                  % (names[mode], total, moved / total / 1e6, best[mode, "transfer"]))
        print("speed, plug-in / XMLHttpRequest: %.2f (target 1.0)"
              % (best["xhr", "total"] / best["plugin", "total"]))
        print("speed, plug-in / curl: %.2f (target 0.7)"
              % (best["curl", "total"] / best["plugin", "total"]))
        print("time, plug-in + extraction / curl + unzip: %.2f (target 1.2 at most)"
              % (best["plugin-unzip", "total"] / best["curl-unzip", "total"]))
        print("peak RSS of the browser process (highest of the rounds): " + ", ".join(
            "%s %.0f MiB" % (names.get(mode, mode), peak[mode] / 1024)
            for mode in ("plugin", "plugin-unzip", "xhr", "idle")))
        print("plug-in download above the idle page: %.0f MiB (target 64 at most)"
              % ((peak["plugin"] - peak["idle"]) / 1024))
        return 0
    except (BenchError, subprocess.CalledProcessError, OSError) as error:
        print("browser_download_bench: %s" % error, file=sys.stderr)
        return 1
    finally:
        if server:
            server.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

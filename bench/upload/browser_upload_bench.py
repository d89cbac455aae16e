#!/usr/bin/env python3
"""Upload of a large file to nvmaild on loopback: the plug-in in the browser (nvhost) against the
same browser posting the same protocol from a page with XMLHttpRequest, and against curl.

    bench/upload/browser_upload_bench.py BUILD_DIR [--size-mib 1024] [--rounds 3] [--work-dir DIR]

BUILD_DIR holds tools/nvhost/nvhost, tools/nvmaild/nvmaild and plugin-dir/ (a release build is
the one worth measuring). The file is one block of random bytes repeated, so that the page and
curl can post exactly the file's bytes while holding a single block; all three send the same
blocks (the plug-in's automatic block size for the file, unless --block-size says otherwise) and
end at the answer in which the server confirms the whole file by its checksums. The server's store
is reset before every upload, since it would otherwise recognise the file and take it at once.
The file and the server's store live in the work folder, by default on tmpfs (/dev/shm), so that
neither reading nor storing waits for the disk.

Rounds run every contestant once, one after the other, the order rotating from round to round,
so that all meet the same load from the other users of the machine; times are the best round,
peak memory of the browser process (VmHWM) the highest. The "idle" page loads the plug-in and
does nothing, the baseline for memory.
"""
import argparse
import base64
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import urllib.request
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
FAKE_DIALOG = os.path.join(ROOT, "tests", "plugin", "platform", "fake_dialog.py")
FILE_NAME = "upload.bin"
NVHOST_TIMEOUT = 900
IDLE_MS = 3000
UPLOADS = ("plugin", "xhr", "curl")
LISTENING = re.compile(r"listening on (http://127\.0\.0\.1:\d+/)")


class BenchError(Exception):
    pass


def automatic_block_size(size):
    """The block size the upload item chooses by itself for a file of this size."""
    block = size // 100 if size > 10 << 20 else size // 20
    return max(block, 200 << 10)


class TestFile:
    """The uploaded file in a temporary folder: one block of noise (also kept alone, for the page
    and curl) repeated up to the size, with the checksums the query announces."""

    def __init__(self, folder, size, block):
        self.size = size
        self.block = block
        self.path = os.path.join(folder, FILE_NAME)
        self.pattern_path = os.path.join(folder, "pattern.bin")
        self.tail_path = os.path.join(folder, "tail.bin")
        pattern = os.urandom(block)
        crc, md5, sha1 = 0, hashlib.md5(), hashlib.sha1()
        with open(self.path, "wb") as out:
            for offset in range(0, size, block):
                piece = pattern[:min(block, size - offset)]
                out.write(piece)
                crc = zlib.crc32(piece, crc)
                md5.update(piece)
                sha1.update(piece)
        with open(self.pattern_path, "wb") as out:
            out.write(pattern)
        with open(self.tail_path, "wb") as out:
            out.write(pattern[:size % block])
        # The CRC-32 read as a signed 32-bit number, as the plug-in and the server write it.
        self.crc = str(crc - (1 << 32) if crc & 0x80000000 else crc)
        self.crc2 = base64.b64encode(md5.digest() + sha1.digest()).decode("ascii")
        with open(self.path, "rb") as warm:
            while warm.read(16 << 20):
                pass


class Server:
    """nvmaild serving the pages of `root` (this folder's by default) and the test file's folder at
    /files/."""

    def __init__(self, build, files, store, root=HERE):
        self.process = subprocess.Popen(
            [os.path.join(build, "tools", "nvmaild", "nvmaild"), "--port", "0", "--test-routes", "--root", root,
             "--files", files, "--store", store], stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        line = self.process.stdout.readline()
        found = LISTENING.search(line)
        if not found:
            self.stop()
            raise BenchError("nvmaild did not start: " + line.strip())
        self.url = found.group(1)
        # Keep reading so that the server never blocks on a full pipe.
        threading.Thread(target=self.process.stdout.read, daemon=True).start()

    def get(self, path):
        with urllib.request.urlopen(self.url + path.lstrip("/")) as answer:
            return answer.read().decode("utf-8", "replace")

    def expect_complete(self, what, size):
        listing = self.get("/admin/list").strip()
        if ("&size=%d&held=%d&verified=1" % (size, size)) not in listing:
            raise BenchError("%s: the server does not hold the verified file: %s" % (what, listing))

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


class PeakMemory(threading.Thread):
    """Samples a process's peak resident set (VmHWM, KiB) until it ends."""

    def __init__(self, pid):
        super().__init__(daemon=True)
        self.status = "/proc/%d/status" % pid
        self.peak_kib = 0
        self.running = True

    def sample(self):
        try:
            with open(self.status) as status:
                for line in status:
                    if line.startswith("VmHWM:"):
                        self.peak_kib = max(self.peak_kib, int(line.split()[1]))
        except (OSError, ValueError):
            pass

    def run(self):
        while self.running:
            self.sample()
            time.sleep(0.05)


def run_nvhost_page(build, url, env, mode):
    """One page load in nvhost: the figures of the page's "BENCH <mode> name=value ..." line,
    as seconds (the page reports milliseconds, "bytes" excepted), and the peak memory (KiB)."""
    command = [os.path.join(build, "tools", "nvhost", "nvhost"), "--timeout",
               str(NVHOST_TIMEOUT), "--plugin-dir", os.path.join(build, "plugin-dir"), url]
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True, errors="replace", env=env)
    memory = PeakMemory(process.pid)
    memory.start()
    result = None
    output = []
    for line in process.stdout:
        line = line.rstrip("\n")
        output.append(line)
        if line.startswith("BENCH "):
            memory.sample()
            result = line.split()[1:]
    code = process.wait()
    memory.running = False
    memory.join()
    if code != 0 or not result or result[0] != mode:
        raise BenchError("%s page failed (exit %d):\n  %s"
                         % (mode, code, "\n  ".join(output[-15:])))
    figures = {key: float(value) / 1000 for key, value in
               (field.split("=") for field in result[1:]) if key != "bytes"}
    return figures, memory.peak_kib


def run_page(args, server, test_file, mode):
    """One page load in nvhost: the page's "BENCH" figures (seconds) and the peak memory."""
    query = {"mode": mode, "block": test_file.block, "size": test_file.size, "idle": IDLE_MS,
             "pattern": "/files/pattern.bin", "name": FILE_NAME, "crc": test_file.crc,
             "crc2": test_file.crc2}
    url = server.url + "upload_bench.html?" + urllib.parse.urlencode(query)
    env = dict(os.environ)
    env["NV_DIALOG_PROGRAM"] = FAKE_DIALOG
    env["NV_FAKE_DIALOG_ANSWER"] = json.dumps({"paths": [test_file.path]})
    return run_nvhost_page(args.build, url, env, mode)


def run_curl(server, test_file):
    """The query and then every block from one curl process, on one kept-alive connection."""
    form = urllib.parse.urlencode([("fileName", FILE_NAME), ("size", test_file.size),
                                   ("crc", test_file.crc), ("attachId", "-1"),
                                   ("crc2", test_file.crc2), ("display", "")])
    start = time.perf_counter()
    answer = subprocess.run(["curl", "-sS", "--data-raw", form, server.url + "upload/query"],
                            stdout=subprocess.PIPE, text=True, check=True).stdout
    found = re.search(r"attid=(\S+)", answer)
    if "S_OK" not in answer or not found:
        raise BenchError("curl: the query answered " + answer)
    command = ["curl"]
    for offset in range(0, test_file.size, test_file.block):
        body = test_file.pattern_path if test_file.size - offset >= test_file.block \
            else test_file.tail_path
        if len(command) > 1:
            command.append("--next")
        # Without "Expect: 100-continue", as the browser posts: no extra round trip per block.
        command += ["-sS", "-H", "Expect:", "-H", "Content-Type: application/octet-stream",
                    "--data-binary", "@" + body,
                    "%supload/block?offset=%d&attachId=%s" % (server.url, offset, found.group(1))]
    blocks_start = time.perf_counter()
    answers = subprocess.run(command, stdout=subprocess.PIPE, text=True, check=True).stdout
    end = time.perf_counter()
    if not answers.rstrip().endswith('<boolean name="crcOK">true</boolean></var></result>'):
        raise BenchError("curl: the last block answered " + answers[-300:])
    return {"total": end - start, "blocks": end - blocks_start}


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="build folder (tools/nvhost, tools/nvmaild, plugin-dir)")
    parser.add_argument("--size-mib", type=int, default=1024, help="file size (default 1024)")
    parser.add_argument("--block-size", type=int,
                        help="bytes per block (default: the plug-in's automatic choice)")
    parser.add_argument("--rounds", type=int, default=3, help="rounds (default 3)")
    parser.add_argument("--work-dir", default="/dev/shm" if os.path.isdir("/dev/shm") else None,
                        help="where the file and the server's store go (default: /dev/shm)")
    args = parser.parse_args(argv)
    if args.size_mib < 1 or args.rounds < 1 or (args.block_size is not None and
                                                 args.block_size < 1):
        parser.error("sizes and rounds must be positive")
    return args


def rate(size, seconds):
    return size / seconds / 1e6


def main(argv):
    args = parse_args(argv)
    size = args.size_mib << 20
    block = args.block_size or automatic_block_size(size)
    folder = tempfile.mkdtemp(prefix="nvuploadbench", dir=args.work_dir)
    server = None
    try:
        print("making a %d MiB file in %s" % (args.size_mib, folder), flush=True)
        test_file = TestFile(folder, size, block)
        server = Server(args.build, folder, os.path.join(folder, "store"))
        best = {}
        peak = {}
        for round_number in range(1, args.rounds + 1):
            figures = []
            uploads = UPLOADS[round_number % 3:] + UPLOADS[:round_number % 3]
            for mode in uploads + ("idle",):
                if mode != "idle":
                    server.get("/admin/reset")
                if mode == "curl":
                    times, kib = run_curl(server, test_file), None
                else:
                    times, kib = run_page(args, server, test_file, mode)
                if mode != "idle":
                    server.expect_complete(mode, size)
                for key, seconds in times.items():
                    best[mode, key] = min(best.get((mode, key), seconds), seconds)
                if kib is not None:
                    peak[mode] = max(peak.get(mode, 0), kib)
                figures.append("%s %s" % (mode, " ".join(
                    "%s %.2f s" % (key, seconds) for key, seconds in sorted(times.items()))))
            print("round %d: %s" % (round_number, "; ".join(figures)), flush=True)

        print("%d bytes in %d blocks of %d bytes, loopback; best of %d rounds; MB = 10^6 bytes"
              % (size, -(-size // block), block, args.rounds))
        print("%-22s %10s %9s %10s %9s %10s" % ("", "total s", "MB/s", "blocks s", "MB/s",
                                                 "checksum s"))
        names = {"plugin": "plug-in", "xhr": "XMLHttpRequest page", "curl": "curl"}
        for mode in ("plugin", "xhr", "curl"):
            total, blocks = best[mode, "total"], best[mode, "blocks"]
            checksum = best.get((mode, "checksum"))
            print("%-22s %10.2f %9.0f %10.2f %9.0f %10s" % (
                names[mode], total, rate(size, total), blocks, rate(size, blocks),
                "%.2f" % checksum if checksum is not None else "-"))
        print("block phase speed, plug-in / XMLHttpRequest: %.2f (target 0.8)"
              % (best["xhr", "blocks"] / best["plugin", "blocks"]))
        print("block phase speed, plug-in / curl: %.2f" % (best["curl", "blocks"] /
                                                           best["plugin", "blocks"]))
        print("peak RSS of the browser process (highest of the rounds): " + ", ".join(
            "%s %.0f MiB" % (name, peak[mode] / 1024) for mode, name in
            (("plugin", "plug-in"), ("xhr", "XMLHttpRequest"), ("idle", "idle page"))))
        return 0
    except (BenchError, subprocess.CalledProcessError, OSError) as error:
        print("browser_upload_bench: %s" % error, file=sys.stderr)
        return 1
    finally:
        if server:
            server.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

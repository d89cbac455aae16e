#!/usr/bin/env python3
"""A fault soak of both directions through the browser: a file goes up to nvmaild and comes back
down while the server injects random faults and the browser is killed and started again, the page
continuing each time (resume_netfolder up, a "resume" name down). Both copies must end
byte-identical.

    bench/soak/fault_soak.py BUILD_DIR [--size-mib 1024] [--faults 50] [--restarts 2]
        [--direction both|up|down] [--work-dir DIR] [--seed N] [--timeout 1800]
    bench/soak/fault_soak.py BUILD_DIR --short      (20 MiB, 10 faults, one restart: the test form)

BUILD_DIR holds tools/nvhost/nvhost, tools/nvmaild/nvmaild and plugin-dir/. Faults are armed one at
a time, the next as soon as a request has used the last: up, dropped connections (a query, or a
block after some of its body), half-stored blocks, garbage answers and delays; down, connections
dropped after some of the file, and delays. The browser (nvhost) is killed with SIGKILL once the
transfer has passed each of `restarts` evenly spaced marks. For each direction it prints the faults
injected, the restarts, the bytes resent (what nvmaild received in whole blocks, or sent, beyond one
copy of the file) and the time.
"""
import argparse
import base64
import filecmp
import hashlib
import json
import os
import queue
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import urllib.error
import urllib.parse
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
FAKE_DIALOG = os.path.join(ROOT, "tests", "plugin", "platform", "fake_dialog.py")
FILE_NAME = "soak.bin"
LISTENING = re.compile(r"listening on (http://127\.0\.0\.1:\d+/)")
SENT = re.compile(r"^nvmaild: sent (\d+) bytes of (.*)$")
BLOCK = re.compile(r"^nvmaild: block of (\d+) bytes$")


class SoakError(Exception):
    pass


class Lines(threading.Thread):
    """Reads a child's output lines into a queue (None at its end)."""

    def __init__(self, stream):
        super().__init__(daemon=True)
        self.stream = stream
        self.queue = queue.Queue()
        self.tail = []

    def run(self):
        for line in self.stream:
            line = line.rstrip("\n")
            self.tail = (self.tail + [line])[-20:]
            self.queue.put(line)
        self.queue.put(None)


class Server:
    """nvmaild serving soak.html and the file, counting the bytes of blocks and downloads."""

    def __init__(self, build, served, store):
        self.process = subprocess.Popen(
            [os.path.join(build, "tools", "nvmaild", "nvmaild"), "--port", "0", "--test-routes",
             "--root", HERE, "--files", served, "--store", store],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        found = LISTENING.search(self.process.stdout.readline())
        if not found:
            self.stop()
            raise SoakError("nvmaild did not start")
        self.url = found.group(1)
        self.counted = {"up": 0, "down": 0}
        self.lock = threading.Lock()
        threading.Thread(target=self.count, daemon=True).start()

    def count(self):
        for line in self.process.stdout:
            sent, block = SENT.match(line.strip()), BLOCK.match(line.strip())
            with self.lock:
                if sent and sent.group(2).endswith("/" + FILE_NAME):
                    self.counted["down"] += int(sent.group(1))
                elif block:
                    self.counted["up"] += int(block.group(1))

    def moved(self, direction):
        with self.lock:
            return self.counted[direction]

    def get(self, path):
        with urllib.request.urlopen(self.url + path.lstrip("/")) as answer:
            return answer.read().decode("utf-8", "replace")

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


def upload_fault(pending, generator):
    """One /control/fault query for a target that has none armed (None when both are busy)."""
    candidates = [
        "target=block&kind=drop",
        "target=block&kind=drop&bytes=%d" % generator.randint(1, 65536),
        "target=block&kind=partial",
        "target=block&kind=garbage",
        "target=block&kind=delay&ms=%d" % generator.randint(50, 400),
        "target=query&kind=drop",
        "target=query&kind=garbage",
        "target=query&kind=delay&ms=%d" % generator.randint(50, 400),
    ]
    # A query happens only after a failure: a query fault must not hold back the block faults.
    free = [fault for fault in candidates if fault.split("&")[0] not in pending]
    return generator.choice(free) if free else None


def download_faults(pending, remaining, size, faults, generator):
    """Switches that fault the next `remaining` downloads: a cut after a new random count of bytes
    for each of them (so that also a request the browser repeats by itself at once is cut), and
    now and then a delay beside it."""
    armed = []
    delayed = "kind=delay" in pending
    if not delayed and remaining >= 2 and generator.random() < 0.2:
        armed.append("target=download&kind=delay&ms=%d" % generator.randint(50, 400))
        delayed = True
    # Cuts take a quarter of the file on average, so that the faults outlast the transfer.
    cut = generator.randint(1, max(1, size // (2 * max(faults, 1))))
    armed.append("target=download&kind=drop&bytes=%d&count=%d" % (cut, remaining - delayed))
    return armed


def armed_count(pending):
    """How many requests the armed switches will still fault."""
    return sum(int(found) for found in re.findall(r"count=(\d+)", pending))


class Soak:
    def __init__(self, args, server, source, out, generator):
        self.args = args
        self.server = server
        self.source = source
        self.out = out
        self.generator = generator
        self.size = os.path.getsize(source)

    def start_browser(self, query):
        env = dict(os.environ)
        env["NV_DIALOG_PROGRAM"] = FAKE_DIALOG
        env["NV_FAKE_DIALOG_ANSWER"] = json.dumps({"open": {"paths": [self.source]},
                                                   "folder": {"paths": [self.out]}})
        command = [os.path.join(self.args.build, "tools", "nvhost", "nvhost"), "--timeout",
                   str(self.args.timeout), "--plugin-dir",
                   os.path.join(self.args.build, "plugin-dir"),
                   self.server.url + "soak.html?" + urllib.parse.urlencode(query)]
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, text=True, errors="replace", env=env,
                                   start_new_session=True)
        lines = Lines(process.stdout)
        lines.start()
        return process, lines

    @staticmethod
    def drain(lines):
        """The lines that have arrived, waiting a moment for the first."""
        try:
            arrived = [lines.queue.get(timeout=0.02)]
        except queue.Empty:
            return []
        while arrived[-1] is not None and not lines.queue.empty():
            arrived.append(lines.queue.get())
        return arrived

    def run(self, direction, crc2):
        """One direction to its end; (faults injected, restarts, seconds, attachment id)."""
        # Blocks small enough that every fault meets a request of its own.
        query = {"dir": direction, "name": FILE_NAME, "size": self.size,
                 "block": max(64 << 10, self.size // (8 * self.args.faults))}
        marks = [100 * (n + 1) // (self.args.restarts + 1) for n in range(self.args.restarts)]
        armed = restarts = 0
        last_used = -1
        attach_id = None
        start = time.monotonic()
        process, lines = self.start_browser(query)
        try:
            done = False
            while not done:
                if time.monotonic() - start > self.args.timeout:
                    raise SoakError("%s: not done after %d s" % (direction, self.args.timeout))
                progress = None
                retried = False
                for line in self.drain(lines):
                    if line is None:
                        raise SoakError("%s: the browser ended (exit %s):\n  %s" % (
                            direction, process.wait(), "\n  ".join(lines.tail)))
                    done = done or line == "SOAK DONE"
                    if line.startswith("SOAK ATTACH "):
                        attach_id = line.split()[2]
                    found = re.match(r"SOAK PROGRESS (\d+)$", line)
                    progress = int(found.group(1)) if found else progress
                    retried = retried or line.startswith("SOAK RETRY ")
                if done:
                    break
                # Up, the kill comes at a share of the bytes; down, where a transfer may end before
                # the driver has read of its progress, at a failure after a share of the faults,
                # while faults are left that keep the file from completing.
                if direction == "up":
                    due = progress is not None and marks and progress >= marks[0] and attach_id
                else:
                    due = retried and marks and \
                        armed - armed_count(self.server.get("/control/faults")) >= \
                        marks[0] * self.args.faults // 100
                if due:
                    marks.pop(0)
                    os.killpg(process.pid, signal.SIGKILL)
                    process.wait()
                    restarts += 1
                    if direction == "up":
                        query.update(filename=self.source, crc2=crc2, attachID=attach_id)
                    process, lines = self.start_browser(query)
                pending = self.server.get("/control/faults")
                used = armed - armed_count(pending)
                if direction == "up" and armed < self.args.faults:
                    fault = upload_fault(pending, self.generator)
                    if fault:
                        self.server.get("/control/fault?" + fault)
                        armed += 1
                elif direction == "down" and used < self.args.faults and used > last_used:
                    last_used = used
                    for fault in download_faults(pending, self.args.faults - used, self.size,
                                                 self.args.faults, self.generator):
                        self.server.get("/control/fault?" + fault)
                    armed = used + armed_count(self.server.get("/control/faults"))
        finally:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        unused = armed_count(self.server.get("/control/faults"))
        self.server.get("/control/clear")
        return armed - unused, restarts, time.monotonic() - start, attach_id


def file_digests(path):
    md5, sha1 = hashlib.md5(), hashlib.sha1()
    with open(path, "rb") as data:
        for piece in iter(lambda: data.read(16 << 20), b""):
            md5.update(piece)
            sha1.update(piece)
    return base64.b64encode(md5.digest() + sha1.digest()).decode("ascii"), sha1.hexdigest()


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="build folder (tools/nvhost, tools/nvmaild, plugin-dir)")
    parser.add_argument("--size-mib", type=int, default=1024)
    parser.add_argument("--faults", type=int, default=50, help="faults per direction")
    parser.add_argument("--restarts", type=int, default=2, help="browser kills per direction")
    parser.add_argument("--short", action="store_true",
                        help="the test form: 20 MiB, 10 faults, one restart")
    parser.add_argument("--direction", choices=("both", "up", "down"), default="both")
    parser.add_argument("--work-dir", default="/dev/shm" if os.path.isdir("/dev/shm") else None)
    parser.add_argument("--seed", type=int, help="random seed (default: printed)")
    parser.add_argument("--timeout", type=int, default=1800, help="seconds per direction")
    args = parser.parse_args(argv)
    if args.short:
        args.size_mib, args.faults, args.restarts = 20, 10, 1
    return args


def main(argv):
    args = parse_args(argv)
    seed = args.seed if args.seed is not None else random.randrange(1 << 30)
    generator = random.Random(seed)
    work = tempfile.mkdtemp(prefix="nvsoak", dir=args.work_dir)
    server = None
    try:
        served, out = os.path.join(work, "served"), os.path.join(work, "out")
        os.mkdir(served)
        os.mkdir(out)
        source = os.path.join(served, FILE_NAME)
        with open(source, "wb") as data:
            for offset in range(0, args.size_mib << 20, 16 << 20):
                data.write(os.urandom(min(16 << 20, (args.size_mib << 20) - offset)))
        crc2, sha1 = file_digests(source)
        server = Server(args.build, served, os.path.join(work, "store"))
        soak = Soak(args, server, source, out, generator)
        size = args.size_mib << 20
        print("fault soak: %d MiB, %d faults and %d restarts per direction, seed %d"
              % (args.size_mib, args.faults, args.restarts, seed), flush=True)
        failed = False
        for direction in ("up", "down") if args.direction == "both" else (args.direction,):
            injected, restarts, seconds, attach_id = soak.run(direction, crc2)
            if direction == "up":
                record = server.get("/admin/attachment?id=" + attach_id)
                identical = ("&size=%d&held=%d&verified=1" % (size, size)) in record and \
                    record.strip().endswith("&sha1=" + sha1)
            else:
                identical = filecmp.cmp(source, os.path.join(out, FILE_NAME), shallow=False)
            failed = failed or not identical or injected < args.faults or \
                restarts < args.restarts
            print("%-4s %s: %d faults injected, %d restarts, %d bytes resent, %.1f s"
                  % (direction, "identical" if identical else "DIFFERENT", injected, restarts,
                     server.moved(direction) - size, seconds), flush=True)
        return 1 if failed else 0
    except (SoakError, OSError, urllib.error.URLError) as error:
        print("fault_soak: %s" % error, file=sys.stderr)
        return 1
    finally:
        if server:
            server.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

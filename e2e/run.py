#!/usr/bin/env python3
"""Runs end-to-end test pages in nvhost against a web server.

Starts the server command once, reads the URL it announces on its first line
("... listening on http://127.0.0.1:<port>/"), runs every page in its own nvhost
process, relays their output and ends non-zero when any page failed, timed out,
did not load or crashed. Without page arguments it runs every *.html below
<root>/pages.
"""
import argparse
import collections
import os
import queue
import re
import shlex
import signal
import subprocess
import sys
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
LISTENING = re.compile(r"listening on (http://127\.0\.0\.1:\d+/)")
SERVER_START_LIMIT = 20
STOP_LIMIT = 5
# nvhost enforces --timeout itself and allows itself bounded extra time for a stuck page, a stuck
# shutdown and starting Xvfb; this margin covers all of those, so only a broken nvhost meets it.
NVHOST_MARGIN = 60

# Kept in step with tools/nvhost/ExitCodes.h.
NVHOST_REASONS = {
    120: "nvhost rejected its command line",
    121: "no display: Xvfb did not start",
    122: "the page did not shut down in time",
    123: "the page called nvhost.exit with an invalid code",
    124: "timed out",
    125: "the page did not load",
    126: "the screenshot could not be written",
    127: "the window was closed before the page ended the run",
}


def describe_exit(code):
    """Why a page's run failed, from nvhost's exit status, or None when it passed."""
    if code == 0:
        return None
    if code < 0:
        try:
            name = signal.Signals(-code).name
        except ValueError:
            name = "signal %d" % -code
        return "nvhost crashed (%s)" % name
    return NVHOST_REASONS.get(code, "the page reported failures (exit %d)" % code)


class Relay(threading.Thread):
    """Reads a child's output lines, keeps the last ones and optionally echoes them."""

    def __init__(self, stream, keep, echo, prefix="", queued=False):
        super().__init__(daemon=True)
        self.stream = stream
        self.tail = collections.deque(maxlen=keep)
        # Lines are queued only while someone waits for them (the server's announcement).
        self.lines = queue.Queue() if queued else None
        self.echo = echo
        self.prefix = prefix

    def run(self):
        for raw in self.stream:
            line = raw.rstrip("\r\n")
            self.tail.append(line)
            waiting = self.lines
            if waiting is not None:
                waiting.put(line)
            if self.echo:
                print(self.prefix + line, flush=True)
        waiting = self.lines
        if waiting is not None:
            waiting.put(None)


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(STOP_LIMIT)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(STOP_LIMIT)


class Server:
    def __init__(self, command, keep, verbose):
        self.process = subprocess.Popen(
            shlex.split(command), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT, text=True, errors="replace")
        self.relay = Relay(self.process.stdout, keep, verbose, "[server] ", queued=True)
        self.relay.start()

    def await_url(self):
        """The URL the server announced, or None when it ended or stayed silent too long."""
        while True:
            try:
                line = self.relay.lines.get(timeout=SERVER_START_LIMIT)
            except queue.Empty:
                return None
            if line is None:
                return None
            found = LISTENING.search(line)
            if found:
                self.relay.lines = None
                return found.group(1)

    def stop(self):
        stop(self.process)


def find_pages(root):
    pages_dir = os.path.join(root, "pages")
    found = []
    for folder, _, files in os.walk(pages_dir):
        for name in files:
            if name.endswith(".html"):
                found.append(os.path.relpath(os.path.join(folder, name), root))
    return sorted(path.replace(os.sep, "/") for path in found)


def screenshot_name(page):
    return re.sub(r"[^A-Za-z0-9._-]", "_", page.split("?")[0]) + ".png"


def run_page(args, base_url, page):
    """Runs one page; returns (failure reason or None, last output lines)."""
    command = [args.nvhost, "--timeout", str(args.timeout)]
    if args.plugin_dir:
        command += ["--plugin-dir", os.path.abspath(args.plugin_dir)]
    if args.screenshot_dir:
        os.makedirs(args.screenshot_dir, exist_ok=True)
        command += ["--screenshot", os.path.join(os.path.abspath(args.screenshot_dir),
                                                 screenshot_name(page))]
    command += args.nvhost_arg
    command.append(base_url + page.lstrip("/"))
    print("=== %s" % page, flush=True)
    try:
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, text=True, errors="replace")
    except OSError as error:
        return "cannot start nvhost: %s" % error, []
    relay = Relay(process.stdout, args.tail, True)
    relay.start()
    limit = args.timeout + NVHOST_MARGIN
    try:
        code = process.wait(limit)
        reason = describe_exit(code)
    except subprocess.TimeoutExpired:
        # Killing nvhost also ends its Xvfb, which is set to die with it.
        process.kill()
        process.wait()
        reason = "nvhost did not end within %d s and was killed" % limit
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    relay.join(STOP_LIMIT)
    return reason, list(relay.tail)


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("pages", nargs="*",
                        help="page paths relative to the server's root (default: every *.html "
                             "below ROOT/pages)")
    parser.add_argument("--server", required=True,
                        help="command that starts the web server (split like a shell would)")
    parser.add_argument("--nvhost", default="nvhost", help="the nvhost program")
    parser.add_argument("--root", default=HERE, help="folder the server serves (default: %(default)s)")
    parser.add_argument("--plugin-dir", help="folder nvhost loads plug-ins from")
    parser.add_argument("--timeout", type=int, default=60, help="seconds per page (default 60)")
    parser.add_argument("--screenshot-dir", help="write a PNG per page into this folder")
    parser.add_argument("--nvhost-arg", action="append", default=[],
                        help="extra nvhost argument (repeatable), e.g. --nvhost-arg=--show")
    parser.add_argument("--tail", type=int, default=30,
                        help="output lines shown again for a failed page (default 30)")
    parser.add_argument("--verbose", action="store_true", help="relay the server's output too")
    args = parser.parse_args(argv)
    if args.timeout < 1:
        parser.error("--timeout must be at least 1")
    return args


def main(argv):
    args = parse_args(argv)
    pages = args.pages or find_pages(args.root)
    if not pages:
        print("run.py: no pages found below %s" % os.path.join(args.root, "pages"), flush=True)
        return 2
    try:
        server = Server(args.server, args.tail, args.verbose)
    except OSError as error:
        print("run.py: cannot start the server: %s" % error, flush=True)
        return 2
    failures = []
    try:
        base_url = server.await_url()
        if base_url is None:
            print("run.py: the server did not announce its URL; its last output:", flush=True)
            for line in server.relay.tail:
                print("    " + line)
            return 2
        for page in pages:
            reason, tail = run_page(args, base_url, page)
            if reason:
                failures.append((page, reason, tail))
    finally:
        server.stop()
    for page, reason, tail in failures:
        print("--- FAILED %s: %s; last output:" % (page, reason))
        for line in tail:
            print("    " + line)
    if failures and server.relay.tail:
        print("--- server's last output:")
        for line in server.relay.tail:
            print("    " + line)
    print("e2e: %d passed, %d failed" % (len(pages) - len(failures), len(failures)), flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

#!/usr/bin/env python3
"""Runs end-to-end test pages in a browser (nvhost or qutebrowser) against a web server.

Starts the server command once, reads the URL it announces on its first line
("... listening on http://127.0.0.1:<port>/"), runs every page in its own browser process,
relays the page's console and ends non-zero when any page failed, timed out, did not load or
crashed the browser. Without page arguments it runs every *.html below <root>/pages.
"""
import argparse
import os
import queue
import re
import shlex
import subprocess
import sys

from browsers import BROWSERS, Relay, stop

HERE = os.path.dirname(os.path.abspath(__file__))
LISTENING = re.compile(r"listening on (http://127\.0\.0\.1:\d+/)")
SERVER_START_LIMIT = 20


class Server:
    def __init__(self, command, keep, verbose):
        self.process = subprocess.Popen(
            shlex.split(command), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT, text=True, errors="replace")
        # Lines are queued only until the server has announced itself.
        self.lines = queue.Queue()
        self.verbose = verbose
        self.relay = Relay(self.process.stdout, keep, self.line)
        self.relay.start()

    def line(self, text):
        waiting = self.lines
        if waiting is not None:
            waiting.put(text)
        if self.verbose and text is not None:
            print("[server] " + text, flush=True)

    def await_url(self):
        """The URL the server announced, or None when it ended or stayed silent too long."""
        while True:
            try:
                line = self.lines.get(timeout=SERVER_START_LIMIT)
            except queue.Empty:
                return None
            if line is None:
                return None
            found = LISTENING.search(line)
            if found:
                self.lines = None
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


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("pages", nargs="*",
                        help="page paths relative to the server's root (default: every *.html "
                             "below ROOT/pages)")
    parser.add_argument("--server", required=True,
                        help="command that starts the web server (split like a shell would)")
    parser.add_argument("--browser", choices=sorted(BROWSERS), default="nvhost")
    parser.add_argument("--plugin", help="the plug-in module (libnvplugin.so); qutebrowser needs it "
                                         "or --home")
    parser.add_argument("--home", help="HOME of every browser run, kept between them (default: "
                                       "nvhost inherits it, qutebrowser gets a fresh one per page); "
                                       "without --plugin the browsers find the plug-in installed "
                                       "there")
    parser.add_argument("--nvhost", default="nvhost", help="the nvhost program")
    parser.add_argument("--qutebrowser", default="qutebrowser", help="the qutebrowser program")
    parser.add_argument("--root", default=HERE, help="folder the server serves (default: %(default)s)")
    parser.add_argument("--timeout", type=int, default=60, help="seconds per page (default 60)")
    parser.add_argument("--screenshot-dir", help="nvhost: write a PNG per page into this folder")
    parser.add_argument("--tail", type=int, default=30,
                        help="output lines shown again for a failed page (default 30)")
    parser.add_argument("--verbose", action="store_true", help="relay the server's output too")
    args = parser.parse_args(argv)
    if args.timeout < 1:
        parser.error("--timeout must be at least 1")
    if args.browser == "qutebrowser" and not (args.plugin or args.home):
        parser.error("--browser qutebrowser needs --plugin or --home")
    return args


def main(argv):
    args = parse_args(argv)
    browser = BROWSERS[args.browser](args)
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
            print("=== %s in %s" % (page, browser.name), flush=True)
            reason, tail = browser.run(base_url + page.lstrip("/"), page)
            if reason:
                failures.append((page, reason, tail))
    finally:
        server.stop()
    for page, reason, tail in failures:
        print("--- FAILED %s in %s: %s; last output:" % (page, browser.name, reason))
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

#!/usr/bin/env python3
"""Short-lived checksum objects in the browsers: resident memory per object (made, used for three
calls and dropped, before the collector runs) and the longest stall of a page that keeps a timer
going while the collector releases 20,000 dropped objects.

    bench/scripting/browser_objects_bench.py BUILD_DIR [--browser nvhost|qutebrowser|all]
        [--count 1000] [--rounds 3] [--dropped 20000] [--watch-ms 8000]

BUILD_DIR holds tools/nvhost/nvhost and plugin-dir/libnvplugin.so (a release build is the one
worth measuring). The page is objects_bench.html, served with e2e's page library by a small
server here that also answers the page's "/rss" with the browser process's VmRSS.
"""
import argparse
import http.server
import os
import re
import shutil
import sys
import threading
import types

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "e2e"))
import browsers  # noqa: E402

BENCH_LINE = re.compile(r"^BENCH (.*)$")
browser_processes = []


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


class Handler(http.server.BaseHTTPRequestHandler):
    FILES = {"/objects_bench.html": os.path.join(HERE, "objects_bench.html"),
             "/lib/e2e.js": os.path.join(ROOT, "e2e", "lib", "e2e.js")}

    def do_GET(self):
        path = self.path.split("?")[0]
        if path == "/rss":
            body = str(rss_kib(browser_processes[-1].pid)).encode() if browser_processes else b"0"
            kind = "text/plain"
        elif path in self.FILES:
            with open(self.FILES[path], "rb") as page:
                body = page.read()
            kind = "text/html" if path.endswith(".html") else "text/javascript"
        else:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def record_processes():
    started = browsers.start

    def start(command, env=None):
        process = started(command, env)
        browser_processes.append(process)
        return process

    browsers.start = start


def run(name, build, args, url):
    results = []

    def line(*values, **kwargs):
        text = " ".join(str(v) for v in values)
        match = BENCH_LINE.match(text)
        if match:
            results.append(match.group(1))
        elif text.startswith("E2E FAIL"):
            results.append(text)

    browsers.print = line
    options = types.SimpleNamespace(
        nvhost=os.path.join(build, "tools", "nvhost", "nvhost"),
        plugin=os.path.join(build, "plugin-dir", "libnvplugin.so"),
        qutebrowser=shutil.which("qutebrowser") or "qutebrowser", timeout=1800, tail=50,
        screenshot_dir=None)
    reason, tail = browsers.BROWSERS[name](options).run(url, "objects_bench.html")
    print("%s:" % name)
    for result in results:
        print("  " + result)
    if reason:
        print("  failed: %s" % reason)
        print("\n".join("    " + t for t in tail[-10:]))
    return reason is None


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("--browser", choices=["nvhost", "qutebrowser", "all"], default="all")
    parser.add_argument("--count", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--dropped", type=int, default=20000)
    parser.add_argument("--watch-ms", type=int, default=8000)
    args = parser.parse_args(argv)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/objects_bench.html?count=%d&rounds=%d&dropped=%d&watch=%d" % (
        server.server_address[1], args.count, args.rounds, args.dropped, args.watch_ms)
    record_processes()
    names = ["nvhost", "qutebrowser"] if args.browser == "all" else [args.browser]
    ok = all([run(name, os.path.abspath(args.build), args, url) for name in names])
    server.shutdown()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

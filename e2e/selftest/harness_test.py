#!/usr/bin/env python3
"""End-to-end tests of nvhost, the page library and run.py, with pages that need no plug-in.

Usage: harness_test.py --nvhost PATH [unittest arguments, e.g. a class name]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
E2E = os.path.dirname(HERE)
sys.path.insert(0, HERE)
from png_colours import colour_counts  # noqa: E402

NVHOST = None
MARKER = (0x33, 0x66, 0xCC)
WHITE = (0xFF, 0xFF, 0xFF)
SIZE = (320, 240)
# Bounds for waits on processes; generous because two shared cores may be busy.
PROCESS_LIMIT = 120

PASSING_PAGE = """<!DOCTYPE html>
<html><body style="margin:0;background:#ffffff">
<div style="width:100px;height:60px;background:#3366cc"></div>
<script src="/lib/e2e.js"></script>
<script>
console.log("plain console line");
console.log("first\\nsecond");
alert("hello from the page");
console.log("confirm answered " + confirm("proceed?"));
console.log("prompt answered " + prompt("name?", "tester"));
e2e.test("arithmetic", function (assert) {
    assert.equal(6 * 7, 42, "product");
    assert.deepEqual({list: [1, "a", null]}, {list: [1, "a", null]}, "tree");
});
e2e.test("callback from a timer", function (assert) {
    var progress = e2e.callback("progress", function (percent) { return percent >= 100; });
    var percent = 0;
    var timer = setInterval(function () {
        percent += 25;
        progress.fn(percent);
        if (percent >= 100) { clearInterval(timer); }
    }, 10);
    return progress.wait(5000).then(function (args) {
        assert.deepEqual(args, [100], "last call");
        assert.equal(progress.calls.length, 4, "calls");
    });
});
e2e.test("screenshot on request", function (assert) {
    assert.equal(nvhost.screenshot(location.search.slice(1)), true, "written");
});
</script></body></html>
"""

FAILING_PAGE = """<!DOCTYPE html>
<html><body><script src="/lib/e2e.js"></script>
<script>
e2e.test("wrong sum", function (assert) { assert.equal(2 + 2, 5, "sum"); });
e2e.test("passes", function (assert) { assert.ok(true); });
e2e.test("throws", function () { null.field; });
e2e.test("never calls back", function () { return e2e.callback("upload state").wait(100); });
e2e.test("hangs", function () { return new Promise(function () {}); }, {timeoutMs: 100});
setTimeout(function () { undefinedFunction(); }, 0);
</script></body></html>
"""

IDLE_PAGE = """<!DOCTYPE html>
<html><body style="margin:0;background:#ffffff">
<div style="width:100px;height:60px;background:#3366cc"></div>
<script>console.log("idle page up");</script></body></html>
"""


def exit_page(expression):
    return "<script>nvhost.exit(%s);</script>" % expression


class Root:
    """A served folder: the page library plus pages written by a test."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="nvhost-e2e-")
        shutil.copytree(os.path.join(E2E, "lib"), os.path.join(self.path, "lib"))

    def add(self, name, text):
        target = os.path.join(self.path, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "w") as page:
            page.write(text)

    def file(self, name):
        return os.path.join(self.path, name)

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


class HarnessCase(unittest.TestCase):
    def setUp(self):
        self.root = Root()
        self.addCleanup(self.root.remove)

    def run_pages(self, *pages, timeout=30, nvhost=None, extra=()):
        command = [sys.executable, os.path.join(E2E, "run.py"),
                   "--root", self.root.path,
                   "--server", "%s %s %s" % (sys.executable,
                                             os.path.join(HERE, "static_server.py"),
                                             self.root.path),
                   "--nvhost", nvhost or NVHOST, "--timeout", str(timeout),
                   "--nvhost-arg=--size", "--nvhost-arg=%dx%d" % SIZE] + list(extra) + list(pages)
        done = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True, timeout=PROCESS_LIMIT)
        return done.returncode, done.stdout.splitlines()

    def assertLinesInOrder(self, lines, expected):
        position = 0
        for wanted in expected:
            try:
                position = lines.index(wanted, position) + 1
            except ValueError:
                self.fail("line %r missing (in this order) from output:\n%s"
                          % (wanted, "\n".join(lines)))

    def assertShowsPage(self, png):
        width, height, counts = colour_counts(png)
        self.assertEqual((width, height), SIZE)
        # The marker block is 100x60 pixels on a white page.
        self.assertEqual(counts.get(MARKER, 0), 100 * 60)
        self.assertGreater(counts.get(WHITE, 0), width * height // 2)


class RunnerTest(HarnessCase):
    def test_passing_page_relays_console_and_dialogs_and_writes_screenshots(self):
        self.root.add("pages/pass.html", PASSING_PAGE)
        shot_on_request = self.root.file("requested.png")
        shots = self.root.file("shots")
        code, lines = self.run_pages("pages/pass.html?" + shot_on_request,
                                     extra=["--screenshot-dir", shots])
        self.assertEqual(code, 0, "\n".join(lines))
        self.assertLinesInOrder(lines, [
            "=== pages/pass.html?" + shot_on_request,
            "plain console line",
            "first\\nsecond",
            "nvhost: alert: hello from the page",
            "nvhost: confirm: proceed? -> yes",
            "confirm answered true",
            "nvhost: prompt: name? -> tester",
            "prompt answered tester",
            "E2E PASS arithmetic",
            "E2E PASS callback from a timer",
            "E2E PASS screenshot on request",
            "E2E SUMMARY 3 passed, 0 failed",
        ])
        self.assertEqual(lines[-1], "e2e: 1 passed, 0 failed")
        self.assertShowsPage(shot_on_request)
        self.assertShowsPage(os.path.join(shots, "pages_pass.html.png"))

    def test_failing_cases_are_reported_with_expected_and_actual(self):
        self.root.add("pages/fail.html", FAILING_PAGE)
        code, lines = self.run_pages("pages/fail.html")
        self.assertEqual(code, 1, "\n".join(lines))
        self.assertLinesInOrder(lines, [
            "E2E FAIL wrong sum: sum: expected 5 but got 4",
            "E2E PASS passes",
            "E2E FAIL throws: threw TypeError: null is not an object (evaluating 'null.field')",
            "E2E FAIL never calls back: timed out after 100 ms waiting for upload state (0 calls)",
            "E2E FAIL hangs: did not finish within 100 ms",
            "E2E SUMMARY 1 passed, 5 failed",
            "--- FAILED pages/fail.html: the page reported failures (exit 1); last output:",
        ])
        # The error outside any case names where it happened (the port varies).
        page_error = [line for line in lines if line.startswith("E2E FAIL (page): ")]
        self.assertEqual(len(page_error), 1, "\n".join(lines))
        self.assertRegex(page_error[0], r"^E2E FAIL \(page\): ReferenceError: Can't find variable: "
                                        r"undefinedFunction \(http://127\.0\.0\.1:\d+/pages/fail\.html:9\)$")
        self.assertEqual(lines[-1], "e2e: 0 passed, 1 failed")

    def test_page_that_never_ends_times_out_with_screenshot(self):
        self.root.add("pages/idle.html", IDLE_PAGE)
        shots = self.root.file("shots")
        code, lines = self.run_pages("pages/idle.html", timeout=2,
                                     extra=["--screenshot-dir", shots])
        self.assertEqual(code, 1)
        self.assertLinesInOrder(lines, [
            "idle page up",
            "nvhost: timeout after 2 s",
            "--- FAILED pages/idle.html: timed out; last output:",
            "e2e: 0 passed, 1 failed",
        ])
        self.assertShowsPage(os.path.join(shots, "pages_idle.html.png"))

    def test_missing_page_fails_as_not_loaded(self):
        code, lines = self.run_pages("pages/missing.html")
        self.assertEqual(code, 1)
        self.assertTrue(any(line.startswith("nvhost: load failed: http://127.0.0.1:") and
                            line.endswith("/pages/missing.html: HTTP 404 File not found")
                            for line in lines), "\n".join(lines))
        self.assertIn("--- FAILED pages/missing.html: the page did not load; last output:", lines)

    def test_without_page_arguments_every_page_runs_on_its_own(self):
        self.root.add("pages/a.html", exit_page(0))
        self.root.add("pages/sub/b.html", exit_page(3))
        self.root.add("pages/notes.txt", "not a page")
        code, lines = self.run_pages()
        self.assertEqual(code, 1)
        self.assertEqual([line for line in lines if line.startswith("===")],
                         ["=== pages/a.html", "=== pages/sub/b.html"])
        self.assertIn("--- FAILED pages/sub/b.html: the page reported failures (exit 3); "
                      "last output:", lines)
        self.assertEqual(lines[-1], "e2e: 1 passed, 1 failed")

    def test_crashed_browser_is_reported(self):
        crasher = self.root.file("crasher.py")
        with open(crasher, "w") as script:
            script.write("#!%s\nimport os, signal\nprint('about to crash', flush=True)\n"
                         "os.kill(os.getpid(), signal.SIGSEGV)\n" % sys.executable)
        os.chmod(crasher, 0o755)
        self.root.add("pages/a.html", exit_page(0))
        code, lines = self.run_pages("pages/a.html", nvhost=crasher)
        self.assertEqual(code, 1)
        self.assertLinesInOrder(lines, [
            "--- FAILED pages/a.html: nvhost crashed (SIGSEGV); last output:",
            "    about to crash",
            "e2e: 0 passed, 1 failed",
        ])

    def test_server_that_never_announces_is_an_error(self):
        self.root.add("pages/a.html", exit_page(0))
        done = subprocess.run(
            [sys.executable, os.path.join(E2E, "run.py"), "--root", self.root.path,
             "--server", "sh -c 'echo starting; echo giving up'", "--nvhost", NVHOST],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=PROCESS_LIMIT)
        self.assertEqual(done.returncode, 2)
        self.assertIn("    giving up", done.stdout.splitlines())


class HostTest(HarnessCase):
    """nvhost alone, against a server the test runs."""

    def setUp(self):
        super().setUp()
        self.server = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "static_server.py"), self.root.path],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            text=True)
        self.addCleanup(self.stop_server)
        announced = self.server.stdout.readline()
        self.base = announced.split("listening on ")[1].strip()

    def stop_server(self):
        self.server.terminate()
        self.server.wait(PROCESS_LIMIT)
        self.server.stdout.close()

    def nvhost(self, *args):
        done = subprocess.run([NVHOST] + list(args), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                              timeout=PROCESS_LIMIT)
        return done.returncode, done.stdout.splitlines()

    def test_page_code_becomes_exit_code_and_bad_codes_never_pass(self):
        cases = [("7", 7, None), ("0", 0, None),
                 ('"0"', 123, 'nvhost: page asked to exit with invalid code "0"'),
                 ("", 123, "nvhost: page asked to exit with invalid code (none)"),
                 ("1.5", 123, "nvhost: page asked to exit with invalid code 1.5"),
                 ("100", 123, "nvhost: page asked to exit with invalid code 100"),
                 ("-1", 123, "nvhost: page asked to exit with invalid code -1")]
        for index, (argument, expected_code, expected_line) in enumerate(cases):
            with self.subTest(argument=argument):
                self.root.add("exit%d.html" % index, exit_page(argument))
                code, lines = self.nvhost("--timeout", "30", self.base + "exit%d.html" % index)
                self.assertEqual(code, expected_code, "\n".join(lines))
                if expected_line:
                    self.assertIn(expected_line, lines)

    def test_frames_inside_the_page_reach_the_host_object_too(self):
        self.root.add("inner.html", exit_page(5))
        self.root.add("outer.html", '<iframe src="inner.html"></iframe>')
        code, lines = self.nvhost("--timeout", "30", self.base + "outer.html")
        self.assertEqual(code, 5, "\n".join(lines))

    def test_page_closing_its_window_is_not_a_pass(self):
        self.root.add("close.html", "<script>window.close();</script>")
        code, lines = self.nvhost("--timeout", "30", self.base + "close.html")
        self.assertEqual(code, 127, "\n".join(lines))
        self.assertIn("nvhost: the page closed the window", lines)

    def test_confirm_answer_is_configurable(self):
        self.root.add("confirm.html", "<script>nvhost.exit(confirm('delete?') ? 10 : 20);</script>")
        code, lines = self.nvhost("--confirm", "no", "--timeout", "30", self.base + "confirm.html")
        self.assertEqual(code, 20, "\n".join(lines))
        self.assertIn("nvhost: confirm: delete? -> no", lines)

    def test_unreachable_server_is_a_load_failure(self):
        self.stop_server()
        code, lines = self.nvhost("--timeout", "30", self.base + "gone.html")
        self.assertEqual(code, 125, "\n".join(lines))
        self.assertIn("nvhost: load failed: %sgone.html: Connection refused" % self.base, lines)

    def test_bad_command_lines_are_rejected_before_starting(self):
        cases = [(["--size", "10x10", "http://x/"], "--size wants WIDTHxHEIGHT, each from 16 to "
                                                    "8192, got '10x10'"),
                 (["--timeout", "5s", "http://x/"], "--timeout wants whole seconds from 0 to "
                                                    "86400, got '5s'"),
                 (["--timeout", "0", "http://x/"], "--timeout 0 (no limit) is only allowed with "
                                                   "--show"),
                 (["http://x/", "http://y/"], "only one URL may be given, got a second: "
                                              "http://y/"),
                 (["--confirm", "maybe", "http://x/"], "--confirm wants yes or no, got 'maybe'"),
                 (["--screenshot"], "option --screenshot needs a value"),
                 (["--plugin-dir", self.root.file("absent"), "http://x/"],
                  "--plugin-dir %s is not a folder" % self.root.file("absent")),
                 ([], "no URL given")]
        for args, message in cases:
            with self.subTest(args=args):
                code, lines = self.nvhost(*args)
                self.assertEqual(code, 120)
                self.assertEqual(lines[0], "nvhost: " + message)

    def test_private_display_dies_with_a_killed_browser(self):
        self.root.add("idle.html", IDLE_PAGE)
        browser = subprocess.Popen([NVHOST, "--timeout", "300", self.base + "idle.html"],
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True)
        try:
            self.assertEqual(browser.stdout.readline().strip(), "idle page up")
            with open("/proc/%d/task/%d/children" % (browser.pid, browser.pid)) as children:
                xvfb = [int(pid) for pid in children.read().split()]
            self.assertEqual(len(xvfb), 1)
            with open("/proc/%d/cmdline" % xvfb[0], "rb") as cmdline:
                self.assertEqual(cmdline.read().split(b"\0")[0], b"Xvfb")
        finally:
            browser.kill()
            browser.wait(PROCESS_LIMIT)
            browser.stdout.close()
        deadline = time.monotonic() + PROCESS_LIMIT
        while is_running(xvfb[0]) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertFalse(is_running(xvfb[0]), "Xvfb outlived the killed browser")


def is_running(pid):
    """False once the process has ended, including as a zombie nobody reaped yet."""
    try:
        with open("/proc/%d/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


def main():
    global NVHOST
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--nvhost", required=True)
    args, rest = parser.parse_known_args()
    NVHOST = os.path.abspath(args.nvhost)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()

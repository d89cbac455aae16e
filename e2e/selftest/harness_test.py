#!/usr/bin/env python3
"""Tests of what the e2e verdicts rest on: run.py and the page library in every browser.

A harness that lets a failing page pass would make every browser test worthless, so each browser
is shown a page that fails in every way a page can.

Usage: harness_test.py --nvhost PATH --nvmaild PATH [--qutebrowser PATH --plugin PATH]
       [unittest arguments]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
E2E = os.path.dirname(HERE)
ARGS = None
# Bounds for waits on processes; generous because two shared cores may be busy.
PROCESS_LIMIT = 180

FAILING_PAGE = """<!DOCTYPE html>
<html><body><script src="/lib/e2e.js"></script>
<script>
console.log("first\\nsecond");
e2e.test("wrong sum", function (assert) { assert.equal(2 + 2, 5, "sum"); });
e2e.test("passes", function (assert) {
    assert.deepEqual({list: [1, "a", null]}, {list: [1, "a", null]}, "tree");
});
e2e.test("throws", function () { null.field; });
e2e.test("never calls back", function () { return e2e.callback("upload state").wait(100); });
e2e.test("hangs", function () { return new Promise(function () {}); }, {timeoutMs: 100});
setTimeout(function () { undefinedFunction(); }, 0);
</script></body></html>
"""
PASSING_PAGE = """<!DOCTYPE html>
<html><body><script src="/lib/e2e.js"></script>
<script>e2e.test("passes", function (assert) { assert.ok(true); });</script></body></html>
"""


class Root:
    """A served folder: the page library plus pages written by a test."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="nve2e-selftest-")
        shutil.copytree(os.path.join(E2E, "lib"), os.path.join(self.path, "lib"))

    def add(self, name, text):
        target = os.path.join(self.path, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "w") as page:
            page.write(text)

    def file(self, name):
        return os.path.join(self.path, name)


class HarnessCase(unittest.TestCase):
    def setUp(self):
        self.root = Root()
        self.addCleanup(shutil.rmtree, self.root.path, True)

    def server_command(self):
        return "%s --port 0 --root %s" % (ARGS.nvmaild, self.root.path)


class RunnerTest(HarnessCase):
    def run_pages(self, browser, *pages, nvhost=None):
        command = [sys.executable, os.path.join(E2E, "run.py"), "--root", self.root.path,
                   "--server", self.server_command(), "--browser", browser,
                   "--nvhost", nvhost or ARGS.nvhost, "--timeout", "60"]
        if ARGS.plugin:
            command += ["--plugin", ARGS.plugin, "--qutebrowser", ARGS.qutebrowser]
        done = subprocess.run(command + list(pages), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                              timeout=PROCESS_LIMIT)
        return done.returncode, done.stdout.splitlines()

    def assertLinesInOrder(self, lines, expected):
        position = 0
        for wanted in expected:
            try:
                position = lines.index(wanted, position) + 1
            except ValueError:
                self.fail("line %r missing (in this order) from output:\n%s"
                          % (wanted, "\n".join(lines)))

    def test_every_browser_fails_a_failing_page_and_passes_a_passing_one(self):
        self.root.add("pages/fail.html", FAILING_PAGE)
        self.root.add("pages/pass.html", PASSING_PAGE)
        for browser in ["nvhost"] + (["qutebrowser"] if ARGS.qutebrowser else []):
            with self.subTest(browser=browser):
                code, lines = self.run_pages(browser)
                self.assertEqual(code, 1, "\n".join(lines))
                self.assertLinesInOrder(lines, [
                    "=== pages/fail.html in " + browser,
                    "E2E FAIL wrong sum: sum: expected 5 but got 4",
                    "E2E PASS passes",
                    "E2E FAIL throws: threw TypeError: null is not an object (evaluating "
                    "'null.field')",
                    "E2E FAIL never calls back: timed out after 100 ms waiting for upload state "
                    "(0 calls)",
                    "E2E FAIL hangs: did not finish within 100 ms",
                    "E2E SUMMARY 1 passed, 5 failed",
                    "=== pages/pass.html in " + browser,
                    "E2E SUMMARY 1 passed, 0 failed",
                    "e2e: 1 passed, 1 failed",
                ])
                page_error = [line for line in lines if line.startswith("E2E FAIL (page): ")]
                self.assertRegex(page_error[0], r"ReferenceError: Can't find variable: "
                                                r"undefinedFunction \(http://127\.0\.0\.1:\d+/")

    def test_crashed_browser_is_reported(self):
        crasher = self.root.file("crasher.py")
        with open(crasher, "w") as script:
            script.write("#!%s\nimport os, signal\nprint('about to crash', flush=True)\n"
                         "os.kill(os.getpid(), signal.SIGSEGV)\n" % sys.executable)
        os.chmod(crasher, 0o755)
        self.root.add("pages/a.html", PASSING_PAGE)
        code, lines = self.run_pages("nvhost", "pages/a.html", nvhost=crasher)
        self.assertEqual(code, 1)
        self.assertLinesInOrder(lines, [
            "--- FAILED pages/a.html in nvhost: nvhost crashed (SIGSEGV); last output:",
            "    about to crash",
        ])


def main():
    global ARGS
    parser = argparse.ArgumentParser(add_help=False)
    for option in ("--nvhost", "--nvmaild"):
        parser.add_argument(option, required=True, type=os.path.abspath)
    parser.add_argument("--qutebrowser")
    parser.add_argument("--plugin")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()

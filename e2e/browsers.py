"""The browsers the e2e pages run in, behind one call: run(url, name) -> (failure or None, tail).

nvhost (ours) ends a run itself with the page's verdict as its exit code. qutebrowser is a browser
people use: the plug-in is laid out in ~/.mozilla/plugins of a fresh HOME, its log carries the
page's console, and the run ends when the page prints its summary line. With --home both browsers
use that HOME, where the plug-in is already installed, and no plug-in path variable. Everything that differs
between the two stays here, so the pages are one set.
"""
import collections
import os
import queue
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time

STOP_LIMIT = 15
# When set (":N"), the browsers run on that X display instead of one of their own, so that a driver
# outside the browser (capture_driver.py) can work the same screen.
SHARED_DISPLAY = "NV_E2E_DISPLAY"
# nvhost enforces its --timeout itself and allows itself bounded extra time for a stuck page, a
# stuck shutdown and starting Xvfb; this margin covers all of those, so only a broken nvhost meets it.
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
SUMMARY = re.compile(r"^E2E SUMMARY (\d+) passed, (\d+) failed")
# qutebrowser's console log: "12:00:00 INFO: [url:line] message" for the page's console.
QUTEBROWSER_PAGE_LINE = re.compile(r"^\d\d:\d\d:\d\d [A-Z]+: \[[^\]]*\] (.*)$")


def signal_name(code):
    try:
        return signal.Signals(-code).name
    except ValueError:
        return "signal %d" % -code


def describe_nvhost_exit(code):
    """Why a page's nvhost run failed, from its exit status, or None when it passed."""
    if code == 0:
        return None
    if code < 0:
        return "nvhost crashed (%s)" % signal_name(code)
    return NVHOST_REASONS.get(code, "the page reported failures (exit %d)" % code)


class Relay(threading.Thread):
    """Reads a child's output lines, keeps the last ones and hands each to `line` (in order)."""

    def __init__(self, stream, keep, line=print):
        super().__init__(daemon=True)
        self.stream = stream
        self.tail = collections.deque(maxlen=keep)
        self.line = line

    def run(self):
        for raw in self.stream:
            text = raw.rstrip("\r\n")
            self.tail.append(text)
            self.line(text)
        self.line(None)


def stop(process, limit=STOP_LIMIT):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(limit)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def without_plugin_paths(home):
    """Our environment with HOME set and no variable that adds plug-in folders: a browser run with
    it finds only what is installed."""
    env = {name: value for name, value in os.environ.items()
           if name not in ("QTWEBKIT_PLUGIN_PATH", "MOZ_PLUGIN_PATH")}
    env["HOME"] = home
    return env


def start(command, env=None):
    return subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True, errors="replace", env=env)


class Nvhost:
    name = "nvhost"

    def __init__(self, args):
        self.args = args

    def run(self, url, page):
        args = self.args
        command = [args.nvhost, "--timeout", str(args.timeout)]
        if os.environ.get(SHARED_DISPLAY):
            command += ["--show"]
        if args.plugin:
            command += ["--plugin-dir", os.path.dirname(os.path.abspath(args.plugin))]
        if args.screenshot_dir:
            os.makedirs(args.screenshot_dir, exist_ok=True)
            name = re.sub(r"[^A-Za-z0-9._-]", "_", page.split("?")[0]) + ".png"
            command += ["--screenshot", os.path.join(os.path.abspath(args.screenshot_dir), name)]
        try:
            process = start(command + [url], without_plugin_paths(args.home) if args.home else None)
        except OSError as error:
            return "cannot start nvhost: %s" % error, []
        relay = Relay(process.stdout, args.tail,
                      lambda line: line is not None and print(line, flush=True))
        relay.start()
        limit = args.timeout + NVHOST_MARGIN
        try:
            reason = describe_nvhost_exit(process.wait(limit))
        except subprocess.TimeoutExpired:
            # Killing nvhost also ends its Xvfb, which is set to die with it.
            reason = "nvhost did not end within %d s and was killed" % limit
        finally:
            stop(process, 0)
        relay.join(STOP_LIMIT)
        return reason, list(relay.tail)


class PrivateDisplay:
    """An Xvfb server on a display number it picks itself; ends with the context."""

    def __enter__(self):
        reader, writer = os.pipe()
        try:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(writer), "-screen", "0", "1280x1024x24", "-nolisten",
                 "tcp"], pass_fds=(writer,), stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        finally:
            os.close(writer)
        with os.fdopen(reader) as announced:
            number = announced.readline().strip()
        if not number:
            stop(self.process, 0)
            raise OSError("Xvfb did not start")
        return ":" + number

    def __exit__(self, *exc):
        stop(self.process)


class Qutebrowser:
    name = "qutebrowser"
    # Every console level reaches qutebrowser's log at "info", which --loglevel info shows.
    CONSOLE_TO_LOG = '{"unknown": "info", "info": "info", "warning": "info", "error": "info"}'

    def __init__(self, args):
        self.args = args

    def install(self, home):
        """Lays the plug-in out in the per-user plug-in folder as an install does (the bundle
        folder and a link to its module), with the bundle folder a link to the build tree's
        plugin-dir, so that the companion programs lie beside the plug-in's real file."""
        plugins = os.path.join(home, ".mozilla", "plugins")
        os.makedirs(plugins, exist_ok=True)
        module = os.path.abspath(self.args.plugin)
        for name, target in (("NVPlugin", os.path.dirname(module)),
                             (os.path.basename(module), os.path.join("NVPlugin",
                                                                     os.path.basename(module)))):
            link = os.path.join(plugins, name)
            if os.path.lexists(link):
                os.remove(link)
            os.symlink(target, link)

    def environment(self, home, display):
        env = without_plugin_paths(home)
        runtime = os.path.join(home, "runtime")
        os.makedirs(runtime, 0o700, exist_ok=True)
        env.update(DISPLAY=display, XDG_RUNTIME_DIR=runtime,
                   XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                   XDG_CACHE_HOME=os.path.join(home, ".cache"))
        return env

    def run(self, url, page):
        # A given HOME is kept for the next run, as a user's is across browser restarts; without
        # --plugin the browser finds only what is installed there.
        home = self.args.home or tempfile.mkdtemp(prefix="nve2e-home")
        try:
            if self.args.plugin:
                self.install(home)
            if os.environ.get(SHARED_DISPLAY):
                return self.run_on(os.environ[SHARED_DISPLAY], home, url)
            with PrivateDisplay() as display:
                return self.run_on(display, home, url)
        except OSError as error:
            return "cannot start qutebrowser: %s" % error, []
        finally:
            if not self.args.home:
                shutil.rmtree(home, ignore_errors=True)

    def run_on(self, display, home, url):
        args = self.args
        command = [args.qutebrowser, "--temp-basedir", "--backend", "webkit",
                   "-s", "content.plugins", "true",
                   "-s", "content.javascript.log", self.CONSOLE_TO_LOG,
                   "--loglevel", "info", url]
        process = start(command, self.environment(home, display))
        lines = queue.Queue()
        relay = Relay(process.stdout, args.tail, lines.put)
        relay.start()
        deadline = time.monotonic() + args.timeout
        summary = None
        reason = None
        while summary is None:
            try:
                line = lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                reason = "timed out"
                break
            if line is None:
                code = process.wait()
                how = signal_name(code) if code < 0 else "exit %d" % code
                reason = "qutebrowser ended before the page reported (%s)" % how
                break
            summary = SUMMARY.match(self.show(line))
        if summary is not None:
            failed = int(summary.group(2))
            reason = "the page reported %d failures" % failed if failed else None
        # The plug-in's shutdown (NPP_Destroy) runs while qutebrowser closes: a crash there fails
        # the page too.
        process.send_signal(signal.SIGTERM)
        try:
            code = process.wait(STOP_LIMIT)
            if code < 0 and code != -signal.SIGTERM and reason is None:
                reason = "qutebrowser crashed while closing (%s)" % signal_name(code)
        except subprocess.TimeoutExpired:
            reason = reason or "qutebrowser did not close within %d s" % STOP_LIMIT
        finally:
            stop(process, 0)
        relay.join(STOP_LIMIT)
        while not lines.empty():
            line = lines.get()
            if line is not None:
                self.show(line)
        return reason, list(relay.tail)

    @staticmethod
    def show(line):
        """Prints a log line as nvhost would: the page's console lines bare. Returns the page's
        text, or an empty one for qutebrowser's own lines."""
        page_line = QUTEBROWSER_PAGE_LINE.match(line)
        print(page_line.group(1) if page_line else "[qutebrowser] " + line, flush=True)
        return page_line.group(1) if page_line else ""


BROWSERS = {browser.name: browser for browser in (Nvhost, Qutebrowser)}

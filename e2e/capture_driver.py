#!/usr/bin/env python3
"""Runs e2e pages that capture the screen or the clipboard, with a driver doing what the user would.

The browser and the driver share one Xvfb display, a private session bus and a fresh TMPDIR. The
page asks for actions on its console while it waits:

    E2E DRIVE <ackX> <ackY> <command> <arguments>

and the driver answers by moving the pointer to the screen point (ackX, ackY) when the command
succeeded, or 30 pixels to its right when it failed (saying why on its output). Commands:

    locate                        move the pointer into the browser window (the page learns where
                                  its client area lies on the screen; no answer point)
    drag X1 Y1 X2 Y2 | click X Y | key NAME
                                  wait for the capture overlay, then act on it (screen points)
    clip-png NAME | clip-text TEXT
                                  own the clipboard with a PNG made here (small.png, large.png:
                                  2 MiB) or with a text
    clip-stall NAME               as clip-png, then the owner stops answering
    png PATH W H [TL TR BL BR]    PATH is a W x H PNG; with colours (rrggbb) given, those are its
                                  corners' and it has no others
    same PATH NAME                PATH holds exactly the bytes of NAME
    sha1 PATH HEX                 PATH's SHA-1
    captures N                    TMPDIR holds N capture files
    portal ANSWER...              a stand-in desktop portal (--portal-program) serves the session
                                  bus from now on; its screenshots answer in turn with the picture
                                  NAME (one of the files above) or "cancel"
"""
import glob
import hashlib
import os
import random
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

from browsers import SHARED_DISPLAY, PrivateDisplay, stop

HERE = os.path.dirname(os.path.abspath(__file__))
OVERLAY_LIMIT = 30
CLIPBOARD_LIMIT = 10
FAIL_SHIFT = 30
# No service files: nothing is activatable, so only what we start is on the bus.
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%s</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


def png_bytes(width, height, pixel):
    """A PNG (8-bit RGB) whose pixel (x, y) is the three bytes pixel(x, y)."""
    rows = b"".join(b"\0" + b"".join(pixel(x, y) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data)))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) +
            chunk(b"IEND", b""))


def png_pixels(data):
    """(width, height, rows of (r, g, b)) of an 8-bit RGB or RGBA PNG without interlace."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    position, idat = 8, b""
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        position += 12 + length
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError("PNG kind %d/%d/%d not read here" % (depth, colour, interlace))
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up = previous[i]
            corner = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                guess = left + up - corner
                near = min((abs(guess - left), 0, left), (abs(guess - up), 1, up),
                           (abs(guess - corner), 2, corner))[2]
                line[i] = (line[i] + near) & 255
        rows.append([bytes(line[i:i + 3]).hex() for i in range(0, stride, step)])
        previous = line
    return width, height, rows


class Driver:
    def __init__(self, env, folder, temporary, portal_program):
        # The browser's environment: the same display and session bus.
        self.env = env
        self.folder = folder
        self.temporary = temporary
        self.portal_program = portal_program
        self.portal = None
        self.owners = []
        rng = random.Random(15)
        self.files = {
            "small.png": png_bytes(40, 30, lambda x, y: bytes((x * 6, y * 8, 200))),
            "large.png": png_bytes(860, 820, lambda x, y: rng.randbytes(3)),
        }
        for name, data in self.files.items():
            with open(os.path.join(folder, name), "wb") as out:
                out.write(data)

    def xdotool(self, *words, limit=OVERLAY_LIMIT):
        return subprocess.run(["xdotool"] + [str(w) for w in words], env=self.env, timeout=limit,
                              stdout=subprocess.PIPE, text=True, check=True).stdout

    def browser_window(self):
        """nvhost's window, or qutebrowser's (titled after the page)."""
        deadline = time.monotonic() + OVERLAY_LIMIT
        while time.monotonic() < deadline:
            for title in ("^nvhost$", "^capture page"):
                found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title],
                                       env=self.env, stdout=subprocess.PIPE, text=True).stdout
                if found.split():
                    return found.split()[0]
            time.sleep(0.1)
        raise OSError("no browser window")

    def wait_overlay(self):
        """Until the overlay holds the keyboard, which its title tells."""
        self.xdotool("search", "--sync", "--onlyvisible", "--name", "^screencapture: ")

    def own_clipboard(self, data, kind, expected_target):
        self.release_clipboard()
        owner = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-t", kind],
                                 stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL, env=self.env)
        owner.stdin.write(data)
        owner.stdin.close()
        self.owners.append(owner)
        deadline = time.monotonic() + CLIPBOARD_LIMIT
        while time.monotonic() < deadline:
            targets = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"],
                                     env=self.env, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, timeout=CLIPBOARD_LIMIT).stdout
            if expected_target in targets.split():
                return None
            time.sleep(0.05)
        return "xclip did not take the clipboard"

    def start_portal(self, answers):
        self.stop_portal()
        paths = [a if a == "cancel" else os.path.join(self.folder, a) for a in answers]
        self.portal = subprocess.Popen([self.portal_program] + paths, env=self.env,
                                       stdout=subprocess.PIPE, text=True)
        ready = self.portal.stdout.readline()
        threading.Thread(target=lambda: [print(line, end="", flush=True)
                                         for line in self.portal.stdout], daemon=True).start()
        return None if ready.startswith("portal: ready") else "the portal did not start"

    def stop_portal(self):
        if self.portal:
            stop(self.portal, 5)
            self.portal = None

    def release_clipboard(self):
        for owner in self.owners:
            owner.send_signal(signal.SIGCONT)
            stop(owner, 5)
        self.owners = []

    def run(self, command, words):
        """None when the command did what it says, else why not."""
        if command == "locate":
            self.xdotool("mousemove", "--window", self.browser_window(), 200, 200)
        elif command == "drag":
            x1, y1, x2, y2 = words
            self.wait_overlay()
            self.xdotool("mousemove", x1, y1)
            self.xdotool("mousedown", 1)
            self.xdotool("mousemove", (int(x1) + int(x2)) // 2, (int(y1) + int(y2)) // 2)
            self.xdotool("mousemove", x2, y2)
            self.xdotool("mouseup", 1)
        elif command == "click":
            self.wait_overlay()
            self.xdotool("mousemove", words[0], words[1])
            self.xdotool("click", 1)
        elif command == "key":
            self.wait_overlay()
            self.xdotool("key", words[0])
        elif command == "clip-png":
            return self.own_clipboard(self.files[words[0]], "image/png", b"image/png")
        elif command == "clip-stall":
            failure = self.own_clipboard(self.files[words[0]], "image/png", b"image/png")
            if not failure:
                self.owners[-1].send_signal(signal.SIGSTOP)
            return failure
        elif command == "clip-text":
            return self.own_clipboard(" ".join(words).encode(), "UTF8_STRING", b"UTF8_STRING")
        elif command == "png":
            return self.check_png(words[0], int(words[1]), int(words[2]), words[3:7])
        elif command == "same":
            with open(words[0], "rb") as made:
                if made.read() != self.files[words[1]]:
                    return "%s differs from %s" % (words[0], words[1])
        elif command == "sha1":
            with open(words[0], "rb") as made:
                if hashlib.sha1(made.read()).hexdigest() != words[1].lower():
                    return "%s does not have the SHA-1 %s" % (words[0], words[1])
        elif command == "portal":
            return self.start_portal(words)
        elif command == "captures":
            found = glob.glob(os.path.join(self.temporary, "NVCapture*.png"))
            if len(found) != int(words[0]):
                return "%d capture files, not %s: %s" % (len(found), words[0], found)
        else:
            return "unknown command %s" % command
        return None

    @staticmethod
    def check_png(path, width, height, corners):
        with open(path, "rb") as made:
            data = made.read()
        got_width, got_height = struct.unpack(">II", data[16:24])
        if data[12:16] != b"IHDR" or (got_width, got_height) != (width, height):
            return "%s is %dx%d, not %dx%d" % (path, got_width, got_height, width, height)
        if not corners:
            return None
        _, _, rows = png_pixels(data)
        got = [rows[0][0], rows[0][-1], rows[-1][0], rows[-1][-1]]
        if got != corners:
            return "corner colours %s, not %s" % (got, corners)
        others = {pixel for row in rows for pixel in row} - set(corners)
        if others:
            return "colours other than the corners': %s" % sorted(others)[:5]
        return None

    def line(self, text):
        # Only the page's own lines: run.py repeats a failed page's output indented.
        if not text.startswith("E2E DRIVE "):
            return
        words = text.split()
        ack, command, arguments = words[2:4], words[4] if len(words) > 4 else "", words[5:]
        if words[2] == "locate":
            ack, command, arguments = None, "locate", []
        try:
            failure = self.run(command, arguments)
        except (OSError, ValueError, KeyError, IndexError, subprocess.SubprocessError) as error:
            failure = "%s: %s" % (type(error).__name__, error)
        if failure:
            print("capture_driver: %s failed: %s" % (command, failure), flush=True)
        if ack:
            x, y = int(ack[0]) + (FAIL_SHIFT if failure else 0), int(ack[1])
            try:
                self.xdotool("mousemove", x, y)
            except subprocess.SubprocessError as error:
                print("capture_driver: cannot answer: %s" % error, flush=True)


def private_bus(folder):
    config = os.path.join(folder, "bus.conf")
    with open(config, "w") as out:
        out.write(BUS_CONFIG % folder)
    bus = subprocess.Popen(["dbus-daemon", "--config-file=" + config, "--nofork",
                            "--print-address=1"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                           text=True)
    address = bus.stdout.readline().strip()
    if not address:
        stop(bus, 0)
        raise OSError("dbus-daemon did not start")
    return bus, address


def main(argv):
    portal_program = None
    if argv[:1] == ["--portal-program"]:
        portal_program = argv[1]
        argv = argv[2:]
    folder = tempfile.mkdtemp(prefix="nvcapture")
    temporary = os.path.join(folder, "tmp")
    os.mkdir(temporary, 0o700)
    processes = []
    try:
        bus, address = private_bus(folder)
        processes.append(bus)
        with PrivateDisplay() as display:
            env = dict(os.environ, DISPLAY=display, TMPDIR=temporary,
                       DBUS_SESSION_BUS_ADDRESS=address)
            env[SHARED_DISPLAY] = display
            driver = Driver(env, folder, temporary, portal_program)
            runner = subprocess.Popen([sys.executable, os.path.join(HERE, "run.py")] + argv,
                                      env=env, stdout=subprocess.PIPE, text=True, errors="replace")
            for text in runner.stdout:
                print(text, end="", flush=True)
                driver.line(text)
            driver.release_clipboard()
            driver.stop_portal()
            return runner.wait()
    finally:
        for process in reversed(processes):
            stop(process, 5)
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

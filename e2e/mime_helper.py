#!/usr/bin/env python3
"""Runs the mail pages: gives them what a mail test needs from outside the browser, then hands
over to run.py with the remaining arguments.

A helper HTTP server on its own port (its URL reaches each page as "?helper=URL") answers:
  GET  /setup         JSON: "mail", a multi-part mail composed by Python's email package;
                      "files", local files to attach; "saveAs", the path the save dialog answers
  GET  /file?path=P   JSON: "base64" (the file's bytes, null when it does not exist) and "mode"
  POST /answer        the body becomes the fake dialog's answer (see fake_dialog.py)
  GET  /dialogs       JSON: the dialog requests made since the last call
  GET  /opened        JSON: the paths handed to the stand-in xdg-open since the last call
  POST /sign          the body, signed detached by a throwaway CA's signer: DER in Base64
  POST /verify        the body verified as an S/MIME mail against that CA: "verified" or
                      OpenSSL's complaint
The stand-in xdg-open on PATH records its argument and opens nothing.
"""
import base64
import json
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import threading
from email.mime.application import MIMEApplication
from email.mime.base import MIMEBase
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText
from email.policy import compat32
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlparse

HERE = os.path.dirname(os.path.abspath(__file__))
FAKE_DIALOG = os.path.join(HERE, "..", "tests", "plugin", "platform", "fake_dialog.py")
BINARY = bytes(range(256)) * 4
GB_NAME = "\u6c47\u603b.txt"  # "summary"
GB_TEXT = "\u6c47\u603b\n"
COMPAT_CRLF = compat32.clone(linesep="\r\n")
OPENER = """#!/bin/sh
printf '%s\\n' "$1" >> "$NV_E2E_OPENED"
"""


def openssl(folder, *args, data=None):
    run = subprocess.run(["openssl"] + list(args), input=data, capture_output=True, cwd=folder)
    return run.returncode, run.stdout, run.stderr.decode(errors="replace")


def make_signer(folder):
    openssl(folder, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
            "/CN=e2e CA", "-keyout", "ca.key", "-out", "ca.pem",
            "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=keyCertSign")
    openssl(folder, "req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=e2e signer",
            "-keyout", "signer.key", "-out", "signer.csr")
    with open(os.path.join(folder, "ext.cnf"), "w") as ext:
        ext.write("extendedKeyUsage=emailProtection\n")
    openssl(folder, "x509", "-req", "-in", "signer.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-days", "2", "-extfile", "ext.cnf", "-out", "signer.pem")


def sample_mail():
    """A mail as a mail client sends it: text and HTML alternatives, a binary attachment and one
    whose name is an encoded word in GB 18030."""
    mail = MIMEMultipart("mixed")
    mail["From"] = "Alice <alice@example.com>"
    mail["To"] = "Bob <bob@example.com>"
    mail["Cc"] = "Carol <carol@example.com>"
    mail["Subject"] = "Quarterly figures"
    mail["Date"] = "Mon, 07 Dec 2026 05:00:00 +0000"
    body = MIMEMultipart("alternative")
    body.attach(MIMEText("Figures attached.\n", "plain", "utf-8"))
    body.attach(MIMEText("<p>Figures <b>attached</b>.</p>\n", "html", "utf-8"))
    mail.attach(body)
    binary = MIMEApplication(BINARY, "octet-stream")
    binary["Content-Disposition"] = 'attachment; filename="figures.bin"'
    mail.attach(binary)
    summary = MIMEBase("text", "plain", charset="gb18030")
    summary["Content-Transfer-Encoding"] = "base64"
    summary.set_payload(base64.encodebytes(GB_TEXT.encode("gb18030")).decode())
    word = base64.b64encode(GB_NAME.encode("gb18030")).decode()
    summary["Content-Disposition"] = 'attachment; filename="=?gb18030?B?%s?="' % word
    mail.attach(summary)
    return mail.as_bytes(policy=COMPAT_CRLF).decode("ascii")


class Helper(BaseHTTPRequestHandler):
    folder = None
    settings = None

    def log_message(self, *args):
        pass

    def reply(self, body, content_type="application/json"):
        data = body.encode() if isinstance(body, str) else body
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Access-Control-Allow-Origin", "*")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def take(self, name):
        path = os.path.join(self.folder, name)
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8", errors="surrogateescape") as file:
            lines = file.read().splitlines()
        os.remove(path)
        return lines

    def do_GET(self):
        url = urlparse(self.path)
        if url.path == "/setup":
            self.reply(json.dumps(self.settings))
        elif url.path == "/file":
            path = parse_qs(url.query)["path"][0]
            answer = {"base64": None, "mode": 0}
            if os.path.isfile(path):
                with open(path, "rb") as file:
                    answer["base64"] = base64.b64encode(file.read()).decode()
                answer["mode"] = stat.S_IMODE(os.stat(path).st_mode)
            self.reply(json.dumps(answer))
        elif url.path == "/dialogs":
            self.reply(json.dumps([json.loads(line) for line in self.take("dialog.log")]))
        elif url.path == "/opened":
            self.reply(json.dumps(self.take("opened.log")))
        else:
            self.send_error(404)

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        if self.path == "/answer":
            with open(os.path.join(self.folder, "answer.json"), "wb") as file:
                file.write(body)
            self.reply("{}")
        elif self.path == "/sign":
            code, out, err = openssl(self.folder, "smime", "-sign", "-binary", "-md", "sha256",
                                     "-signer", "signer.pem", "-inkey", "signer.key",
                                     "-outform", "DER", data=body)
            self.reply(base64.b64encode(out).decode() if code == 0 else "error: " + err,
                       "text/plain")
        elif self.path == "/verify":
            code, _, err = openssl(self.folder, "smime", "-verify", "-CAfile", "ca.pem",
                                   "-out", os.devnull, data=body)
            self.reply("verified" if code == 0 else err, "text/plain")
        else:
            self.send_error(404)


def main(argv):
    folder = tempfile.mkdtemp(prefix="nvmail")
    server = None
    try:
        make_signer(folder)
        files = {}
        for name, data in (("notes.txt", b"attached notes\n"), ("\u6570\u636e.bin", BINARY)):
            files[name] = os.path.join(folder, name)
            with open(files[name], "wb") as file:
                file.write(data)
        bin_folder = os.path.join(folder, "bin")
        os.mkdir(bin_folder)
        with open(os.path.join(bin_folder, "xdg-open"), "w") as opener:
            opener.write(OPENER)
        os.chmod(os.path.join(bin_folder, "xdg-open"), 0o755)
        attachments = os.path.join(folder, "attachments")
        os.mkdir(attachments)
        Helper.folder = folder
        Helper.settings = {"mail": sample_mail(), "files": files,
                        "saveAs": os.path.join(folder, "saved as.bin"), "tmp": attachments,
                        "binary": base64.b64encode(BINARY).decode(), "gbName": GB_NAME}
        server = ThreadingHTTPServer(("127.0.0.1", 0), Helper)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        helper = "http://127.0.0.1:%d/" % server.server_address[1]
        env = dict(os.environ)
        env.update(NV_DIALOG_PROGRAM=FAKE_DIALOG, NV_FAKE_DIALOG_LOG=os.path.join(folder, "dialog.log"),
                   NV_FAKE_DIALOG_ANSWER_FILE=os.path.join(folder, "answer.json"),
                   NV_E2E_OPENED=os.path.join(folder, "opened.log"), TMPDIR=attachments,
                   PATH=bin_folder + os.pathsep + env.get("PATH", ""))
        args = [arg + "?helper=" + helper if arg.endswith(".html") else arg for arg in argv]
        return subprocess.call([sys.executable, os.path.join(HERE, "run.py")] + args, env=env)
    finally:
        if server:
            server.shutdown()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

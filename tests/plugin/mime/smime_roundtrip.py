"""S/MIME structures proven against OpenSSL, with a throwaway CA and signer made here.

The mail message object (driven through mime_shell) composes each kind of mail; OpenSSL signs
(detached or opaque) or encrypts what the object hands out, and must verify or decrypt what the
object builds around that back to the original. The other way round, mails that OpenSSL signs
and encrypts must be recognised as such, and their signed or enveloped part must check out.

Usage: smime_roundtrip.py MIME-SHELL FAKE-DIALOG WORK-DIR
"""

import base64
import json
import os
import re
import subprocess
import sys
import unittest

SHELL, DIALOG, WORK = sys.argv[1:4]
GB_NAME = "\u62a5\u544a \u6c47\u603b.txt"  # "report summary", named in GB 18030
HTML = [("setHtmlPlainTextWithEncoding", "<p>Hello <b>HTML</b></p>", "UTF-8", "Hello HTML",
         "gb18030")]
KINDS = {
    "plain": [("setPlainTestWithEncoding", "Hello,\r\nplain text.\r\n", "UTF-8")],
    "html": HTML,
    "attachments": HTML + [("addAttachment", "first.bin", ""),
                           ("addAttachment", GB_NAME, "gb18030"),
                           ("endofAddAttachments", "Attach?", "")],
}
ENTITY = (b"Content-Type: text/plain; charset=utf-8\r\n"
          b"Content-Transfer-Encoding: 7bit\r\n\r\nSigned by OpenSSL.\r\n")


def work(name, data=None):
    path = os.path.join(WORK, name)
    if data is not None:
        with open(path, "wb") as file:
            file.write(data)
    return path


def openssl(*args):
    run = subprocess.run(["openssl"] + list(args), capture_output=True)
    if run.returncode != 0:
        raise AssertionError("openssl %s: %s" % (" ".join(args[:2]), run.stderr.decode()))
    return run.stdout


def sign(data, detached):
    return openssl("smime", "-sign", "-binary", "-md", "sha256", "-signer", work("signer.pem"),
                   "-inkey", work("signer.key"), "-outform", "DER", "-in", work("data", data),
                   *([] if detached else ["-nodetach"]))


def unix(text):
    return text.replace(b"\r\n", b"\n")


class Mime:
    """One mime_shell process: one mail message object, its members called line by line."""

    def __init__(self, test):
        env = dict(os.environ, NV_DIALOG_PROGRAM=DIALOG, TMPDIR=WORK,
                   NV_FAKE_DIALOG_ANSWER=json.dumps({"button": "Yes"}))
        self.process = subprocess.Popen([SHELL], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        env=env)
        test.addCleanup(self.process.communicate)

    def call(self, name, *args):
        """A property without arguments, else a method; str goes as a wide text, bytes as is."""
        fields = ["get" if name.startswith(("get", "is")) and not args else "call", name]
        for arg in args:
            if isinstance(arg, bool):
                fields.append("b%d" % arg)
            elif isinstance(arg, int):
                fields.append("i%d" % arg)
            elif isinstance(arg, str):
                fields.append("w" + arg.encode().hex())
            else:
                fields.append("s" + arg.hex())
        self.process.stdin.write(("\t".join(fields) + "\n").encode())
        self.process.stdin.flush()
        line = self.process.stdout.readline().decode().rstrip("\n")
        if line.startswith("e"):
            raise AssertionError("%s: %s" % (fields, line[1:]))
        return {"s": bytes.fromhex, "b": lambda v: v == "1", "i": int}.get(line[:1], str)(line[1:])


def composed(test, kind):
    mime = Mime(test)
    mime.call("setBaseMailInfo", b"Alice <a@example.com>", b"Bob <b@example.com>", b"", b"",
              b"Round trip", b"UTF-8")
    for name, *args in KINDS[kind]:
        mime.call(name, *[work(arg) if arg in ("first.bin", GB_NAME) else arg for arg in args])
    return mime


class RoundTripTest(unittest.TestCase):
    def test_openssl_verifies_and_decrypts_what_the_object_builds(self):
        for kind in KINDS:
            for detached in (True, False):
                mime = composed(self, kind)
                data = mime.call("getDataToSigne", detached)
                # Detached, the header fields stay outside what is signed; opaque, they are in it.
                self.assertEqual(b"From: Alice" in data, not detached, kind)
                mime.call("setSignature", base64.b64encode(sign(data, detached)), detached,
                          b"sha-256")
                signed = work("signed.eml", mime.call("getMailMessage"))
                content = openssl("smime", "-verify", *([] if detached else ["-binary"]),
                                  "-CAfile", work("ca.pem"), "-in", signed)
                self.assertEqual(unix(content) if detached else content,
                                 unix(data) if detached else data, (kind, detached))
            mime = composed(self, kind)
            original = mime.call("getMailMessage")
            enveloped = openssl("smime", "-encrypt", "-binary", "-aes256", "-outform", "DER",
                                "-in", work("plain.eml", original), work("signer.pem"))
            mime.call("setEncryptedData", base64.b64encode(enveloped))
            self.assertTrue(mime.call("isEncrypt"), kind)
            decrypted = openssl("smime", "-decrypt", "-binary", "-inkey", work("signer.key"),
                                "-recip", work("signer.pem"), "-in",
                                work("enc.eml", mime.call("getMailMessage")))
            self.assertEqual(decrypted, original, kind)

    def test_the_object_recognises_what_openssl_builds(self):
        made = work("entity", ENTITY)
        common = ["-signer", work("signer.pem"), "-inkey", work("signer.key"), "-in", made]
        cases = [  # OpenSSL's mail; isSigned, isDetachSigned, isEncrypt; the part to check
            (openssl("smime", "-sign", "-md", "sha256", "-crlfeol", *common), [True, True, False],
             1),
            (openssl("smime", "-sign", "-nodetach", *common), [True, False, False], 0),
            (openssl("smime", "-encrypt", "-aes256", "-in", made, work("signer.pem")),
             [False, False, True], 0),
        ]
        for mail, answers, index in cases:
            mime = Mime(self)
            mime.call("parseMessage", b"From: a@example.com\r\n" + mail)
            self.assertEqual([mime.call(name) for name in ("isSigned", "isDetachSigned",
                                                           "isEncrypt")], answers)
            self.assertEqual(mime.call("getSignedPartIndex"), index)
            der = work("part.der", base64.b64decode(mime.call("getBodyOnlyWithoutRNAt", index),
                                                    validate=True))
            if answers[1]:
                self.assertTrue(mime.call("getSignMethod").startswith(b"sha-256"))
                boundary = re.search(rb'boundary="([^"]+)"', mail).group(1)
                part = re.split(rb"\r?\n--" + re.escape(boundary) + rb"\r?\n", mail)[1]
                openssl("cms", "-verify", "-binary", "-inform", "DER", "-in", der, "-content",
                        work("part", part), "-CAfile", work("ca.pem"))
            elif answers[0]:
                self.assertEqual(unix(openssl("cms", "-verify", "-binary", "-inform", "DER",
                                              "-CAfile", work("ca.pem"), "-in", der)),
                                 unix(ENTITY))
            else:
                decrypted = openssl("cms", "-decrypt", "-binary", "-inform", "DER", "-inkey",
                                    work("signer.key"), "-recip", work("signer.pem"), "-in", der)
                self.assertEqual(unix(decrypted), unix(ENTITY))


def make_pki():
    """A CA and a signer certified by it, which also serves as the recipient."""
    ca, key = work("ca.pem"), work("ca.key")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Test CA",
            "-keyout", key, "-out", ca, "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=keyCertSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj",
            "/CN=Signer/emailAddress=a@example.com", "-keyout", work("signer.key"), "-out",
            work("signer.csr"))
    ext = work("ext.cnf", b"subjectAltName=email:a@example.com\nextendedKeyUsage=emailProtection\n")
    openssl("x509", "-req", "-in", work("signer.csr"), "-CA", ca, "-CAkey", key,
            "-CAcreateserial", "-days", "2", "-extfile", ext, "-out", work("signer.pem"))
    work("first.bin", bytes(range(256)) * 40)
    work(GB_NAME, "\u6c47\u603b\n".encode("gb18030") * 100)


if __name__ == "__main__":
    os.makedirs(WORK, exist_ok=True)
    make_pki()
    unittest.main(argv=sys.argv[:1], verbosity=2)

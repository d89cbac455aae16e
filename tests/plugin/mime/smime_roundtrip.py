"""S/MIME structures proven against OpenSSL, and composed mail against Python's email package.

The mail message object (driven through mime_shell) composes mails; OpenSSL, with a throwaway CA
and signer made here, signs what the object hands out for signing, and must then verify the
signed mail the object builds around its signature; it encrypts the stored mail, and must decrypt
what the object stores back to the original. The other way round, mails that OpenSSL signs and
encrypts must be recognised as such, and the signature the object hands out must verify against
the signed part's bytes. Every composed mail must parse in Python's email package into the tree
the MIME library sees (the cross-check of mime_crosscheck.py).

Usage: smime_roundtrip.py MIME-SHELL DUMP-TOOL FAKE-DIALOG WORK-DIR
"""

import base64
import email
import email.policy
import json
import os
import re
import subprocess
import sys
import unittest

from mime_crosscheck import our_items, python_items

SHELL = DUMP = DIALOG = WORK = None
GB_NAME = "\u62a5\u544a \u6c47\u603b.txt"  # "report summary", named in GB 18030


def openssl(*args, data=None):
    run = subprocess.run(["openssl"] + list(args), input=data, capture_output=True)
    if run.returncode != 0:
        raise AssertionError("openssl %s failed: %s" % (args[0], run.stderr.decode(errors="replace")))
    return run.stdout


def work(name):
    return os.path.join(WORK, name)


def write(name, data):
    with open(work(name), "wb") as file:
        file.write(data)
    return work(name)


def make_pki():
    """A CA and a signer certified by it, which also serves as the recipient."""
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Test CA",
            "-keyout", work("ca.key"), "-out", work("ca.pem"),
            "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=keyCertSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Signer/emailAddress=a@example.com",
            "-keyout", work("signer.key"), "-out", work("signer.csr"))
    write("ext.cnf", b"subjectAltName=email:a@example.com\nextendedKeyUsage=emailProtection\n")
    openssl("x509", "-req", "-in", work("signer.csr"), "-CA", work("ca.pem"), "-CAkey",
            work("ca.key"), "-CAcreateserial", "-days", "2", "-extfile", work("ext.cnf"),
            "-out", work("signer.pem"))


class Mime:
    """One mime_shell process: calls on one mail message object."""

    def __init__(self):
        env = dict(os.environ, NV_DIALOG_PROGRAM=DIALOG, TMPDIR=WORK,
                   NV_FAKE_DIALOG_ANSWER=json.dumps({"button": "Yes"}))
        self.process = subprocess.Popen([SHELL], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        env=env)

    def close(self):
        self.process.stdin.close()
        self.process.stdout.close()
        self.process.wait()

    def renew(self):
        """A fresh object in the same process."""
        self._send(["new"])

    def _send(self, fields):
        self.process.stdin.write(("\t".join(fields) + "\n").encode())
        self.process.stdin.flush()
        line = self.process.stdout.readline().decode().rstrip("\n")
        if line.startswith("e"):
            raise AssertionError("%s: %s" % (fields, line[1:]))
        if line.startswith("s"):
            return bytes.fromhex(line[1:])
        if line.startswith("b"):
            return line == "b1"
        return int(line[1:]) if line.startswith("i") else None

    def get(self, name):
        return self._send(["get", name])

    def call(self, name, *args):
        fields = ["call", name]
        for arg in args:
            if isinstance(arg, bool):
                fields.append("b1" if arg else "b0")
            elif isinstance(arg, int):
                fields.append("i%d" % arg)
            elif isinstance(arg, str):
                fields.append("w" + arg.encode().hex())
            else:
                fields.append("s" + arg.hex())
        return self._send(fields)


def compose(mime, kind):
    """Composes one of the test mails: plain, html (HTML + plain) or attachments."""
    mime.call("setBaseMailInfo", b"Alice <a@example.com>", b"Bob <b@example.com>", b"", b"",
              b"Round trip", b"UTF-8")
    if kind == "plain":
        mime.call("setPlainTestWithEncoding", "Hello,\r\nplain text.\r\n", "UTF-8")
        return
    mime.call("setHtmlPlainTextWithEncoding", "<p>Hello <b>HTML</b></p>", "UTF-8",
              "Hello HTML", "gb18030")
    if kind == "attachments":
        mime.call("addAttachment", write("first.bin", bytes(range(256)) * 40), "")
        mime.call("addAttachment", write(GB_NAME, "\u6c47\u603b\n".encode("gb18030") * 100),
                  "gb18030")
        assert mime.call("endofAddAttachments", "Attach?", "")


KINDS = ("plain", "html", "attachments")


class ComposedMailTest(unittest.TestCase):
    def setUp(self):
        self.mime = Mime()

    def tearDown(self):
        self.mime.close()

    def assert_python_sees_our_tree(self, name, data):
        path = write(name + ".eml", data)
        ours = json.loads(subprocess.run([DUMP, path], capture_output=True, check=True).stdout)
        self.assertGreater(ours["load"], 0, name)
        theirs = python_items(email.message_from_bytes(data, policy=email.policy.compat32), name)
        self.assertEqual(our_items(ours["tree"], name), theirs, name)

    def test_composed_mails_parse_alike_in_python(self):
        for kind in KINDS:
            self.mime.renew()
            compose(self.mime, kind)
            self.assert_python_sees_our_tree(kind, self.mime.get("getMailMessage"))
        parsed = email.message_from_bytes(self.mime.get("getMailMessage"),
                                          policy=email.policy.default)
        names = [part.get_filename() for part in parsed.iter_attachments()]
        self.assertEqual(names, ["first.bin", GB_NAME])

    def test_detached_signature_verifies(self):
        for kind in KINDS:
            self.mime.renew()
            compose(self.mime, kind)
            data = self.mime.call("getDataToSigne", True)
            self.assertTrue(data.startswith(b"Content-Type: "), kind)
            self.assertNotIn(b"\r\nFrom: ", data, kind)
            # From was the first field; the content fields now come before it.
            self.assertTrue(self.mime.get("getMailMessage").startswith(b"Content-Type: "), kind)
            signature = openssl("smime", "-sign", "-binary", "-md", "sha256", "-signer",
                                work("signer.pem"), "-inkey", work("signer.key"), "-outform",
                                "DER", "-in", write("data", data))
            self.mime.call("setSignature", base64.b64encode(signature), True, b"sha-256")
            signed = self.mime.get("getMailMessage")
            content = openssl("smime", "-verify", "-CAfile", work("ca.pem"), "-in",
                              write("signed.eml", signed))
            self.assertEqual(content.replace(b"\r\n", b"\n"), data.replace(b"\r\n", b"\n"), kind)
            self.assert_python_sees_our_tree("signed-" + kind, signed)
            message = email.message_from_bytes(signed, policy=email.policy.default)
            self.assertEqual(message["From"], "Alice <a@example.com>", kind)

    def test_opaque_signature_verifies_and_holds_the_mail(self):
        for kind in KINDS:
            self.mime.renew()
            compose(self.mime, kind)
            data = self.mime.call("getDataToSigne", False)
            signed_data = openssl("smime", "-sign", "-binary", "-nodetach", "-signer",
                                  work("signer.pem"), "-inkey", work("signer.key"), "-outform",
                                  "DER", "-in", write("data", data))
            self.mime.call("setSignature", base64.b64encode(signed_data), False, b"")
            signed = self.mime.get("getMailMessage")
            content = openssl("smime", "-verify", "-binary", "-CAfile", work("ca.pem"), "-in",
                              write("opaque.eml", signed))
            self.assertEqual(content, data, kind)
            self.assert_python_sees_our_tree("opaque-" + kind, signed)

    def test_encrypted_mail_decrypts_to_the_original(self):
        for kind in KINDS:
            self.mime.renew()
            compose(self.mime, kind)
            original = self.mime.get("getMailMessage")
            enveloped = openssl("smime", "-encrypt", "-binary", "-aes256", "-outform", "DER",
                                "-in", write("plain.eml", original), work("signer.pem"))
            self.mime.call("setEncryptedData", base64.b64encode(enveloped))
            self.assertTrue(self.mime.get("isEncrypt"), kind)
            stored = self.mime.get("getMailMessage")
            decrypted = openssl("smime", "-decrypt", "-binary", "-inkey", work("signer.key"),
                                "-recip", work("signer.pem"), "-in", write("enc.eml", stored))
            self.assertEqual(decrypted, original, kind)


class OpenSSLMailTest(unittest.TestCase):
    """Mails made by OpenSSL, read through the object."""

    ENTITY = (b"Content-Type: text/plain; charset=utf-8\r\n"
              b"Content-Transfer-Encoding: 7bit\r\n\r\nSigned by OpenSSL.\r\n")

    def parse(self, data):
        mime = Mime()
        self.addCleanup(mime.close)
        mime.call("parseMessage", b"From: a@example.com\r\n" + data)
        return mime

    def test_detached_signature_is_recognised_and_its_part_verifies(self):
        signed = openssl("smime", "-sign", "-md", "sha256", "-signer", work("signer.pem"),
                         "-inkey", work("signer.key"), "-crlfeol", "-in", write("entity", self.ENTITY))
        mime = self.parse(signed)
        answers = [mime.get(name) for name in ("isSigned", "isDetachSigned", "isEncrypt")]
        self.assertEqual(answers, [True, True, False])
        self.assertTrue(mime.get("getSignMethod").startswith(b"sha-256"))
        index = mime.get("getSignedPartIndex")
        self.assertEqual(index, 1)
        signature = base64.b64decode(mime.call("getBodyOnlyWithoutRNAt", index), validate=True)
        boundary = re.search(rb'boundary="([^"]+)"', signed).group(1)
        signed_part = re.split(rb"\r?\n--" + re.escape(boundary) + rb"\r?\n", signed)[1]
        openssl("cms", "-verify", "-binary", "-inform", "DER", "-in", write("sig.der", signature),
                "-content", write("part", signed_part), "-CAfile", work("ca.pem"),
                "-out", os.devnull)

    def test_opaque_signature_and_envelope_are_recognised(self):
        opaque = openssl("smime", "-sign", "-nodetach", "-signer", work("signer.pem"), "-inkey",
                         work("signer.key"), "-in", write("entity", self.ENTITY))
        enveloped = openssl("smime", "-encrypt", "-aes256", "-in", work("entity"),
                            work("signer.pem"))
        for data, expected in ((opaque, [True, False, False]), (enveloped, [False, False, True])):
            mime = self.parse(data)
            answers = [mime.get(name) for name in ("isSigned", "isDetachSigned", "isEncrypt")]
            self.assertEqual(answers, expected)
            self.assertEqual(mime.get("getSignedPartIndex"), 0)
            inner = base64.b64decode(mime.call("getBodyOnlyWithoutRNAt", 0), validate=True)
            if expected[0]:
                content = openssl("cms", "-verify", "-binary", "-inform", "DER", "-CAfile",
                                  work("ca.pem"), "-in", write("inner.der", inner))
                self.assertEqual(content.replace(b"\r\n", b"\n"),
                                 self.ENTITY.replace(b"\r\n", b"\n"))


def main():
    global SHELL, DUMP, DIALOG, WORK
    SHELL, DUMP, DIALOG, WORK = sys.argv[1:5]
    os.makedirs(WORK, exist_ok=True)
    make_pki()
    unittest.main(argv=sys.argv[:1], verbosity=2)


if __name__ == "__main__":
    main()

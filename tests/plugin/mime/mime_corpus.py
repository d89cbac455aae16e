"""Builds the cross-check corpus: varied mail messages, most composed with Python's email
package, some written byte by byte where the composer cannot produce the case (8-bit charsets
in encoded words, bare LF, missing closing delimiters, raw 8-bit bodies)."""

import base64
import email.encoders
import email.policy
import random
from email.header import Header
from email.message import EmailMessage, Message
from email.mime.application import MIMEApplication
from email.mime.base import MIMEBase
from email.mime.image import MIMEImage
from email.mime.message import MIMEMessage
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText

CRLF = email.policy.SMTP  # email.policy.default with CRLF line ends
LF = email.policy.default
COMPAT_CRLF = email.policy.compat32.clone(linesep="\r\n")

_random = random.Random(20120229)


def _bytes(count):
    return bytes(_random.getrandbits(8) for _ in range(count))


def _word(text, charset, letter):
    raw = text.encode(charset)
    if letter == "B":
        data = base64.b64encode(raw).decode("ascii")
    else:
        data = "".join(chr(b) if 33 <= b <= 126 and b not in b"=?_ " else
                       ("_" if b == 32 else "=%02X" % b) for b in raw)
    return "=?%s?%s?%s?=" % (charset, letter, data)


def _raw(lines, body=b"", linesep=b"\r\n"):
    head = linesep.join(line.encode("latin-1") if isinstance(line, str) else line
                        for line in lines)
    return head + linesep + linesep + body


def _simple(subject="Plain", body="Hello.\n", policy=CRLF, **fields):
    msg = EmailMessage(policy=policy)
    msg["From"] = fields.pop("sender", "Alice <alice@example.com>")
    msg["To"] = fields.pop("to", "Bob <bob@example.com>")
    msg["Subject"] = subject
    msg["Date"] = "Wed, 29 Feb 2012 00:30:00 +0800"
    msg["Message-ID"] = "<corpus@example.com>"
    msg.set_content(body, **fields)
    return msg


def _with_attachments(policy=CRLF, count=2, html=False):
    msg = _simple("Attachments", "See the files.\n", policy=policy)
    if html:
        msg.add_alternative("<p>See the <b>files</b>.</p>\n", subtype="html")
    kinds = [("application", "pdf", "report.pdf"), ("image", "png", "photo.png"),
             ("application", "zip", "archive.zip"), ("application", "octet-stream", "data.bin")]
    for index in range(count):
        maintype, subtype, name = kinds[index % len(kinds)]
        msg.add_attachment(_bytes(3000 + 997 * index), maintype=maintype, subtype=subtype,
                           filename=name)
    return msg


def _forwarded(inner, policy=CRLF):
    outer = EmailMessage(policy=policy)
    outer["From"] = "Carol <carol@example.com>"
    outer["To"] = "Dave <dave@example.com>"
    outer["Subject"] = "Fwd: " + str(inner["Subject"])
    outer.set_content("Forwarding the message below.\n")
    outer.add_attachment(inner)
    return outer


def _nested_multiparts(depth):
    leaf = MIMEText("deepest\n", "plain", "us-ascii")
    for level in range(depth):
        wrapper = MIMEMultipart("mixed", boundary="level-%d-boundary" % level)
        wrapper.attach(MIMEText("level %d\n" % level, "plain", "us-ascii"))
        wrapper.attach(leaf)
        leaf = wrapper
    leaf["Subject"] = "Nested %d" % depth
    return leaf.as_bytes(policy=COMPAT_CRLF)


def _attachment_names(charset):
    sender, subject, body, name = (("Zoë", "Pièce jointe", "Corps du message", "Résumé")
                                   if charset == "iso-8859-1" else ("张三", "附件", "正文", "报告"))
    encoded = _word(name + ".pdf", charset, "B")
    return _raw([
        "From: " + _word(sender, charset, "B") + " <zhang@example.com>",
        "To: lisi@example.com",
        "Subject: " + _word(subject, charset, "Q"),
        "MIME-Version: 1.0",
        'Content-Type: multipart/mixed; boundary="----=_Part_0_1"',
    ], b"\r\n".join([
        b"This is a multi-part message in MIME format.",
        b"",
        b"------=_Part_0_1",
        b"Content-Type: text/plain; charset=" + charset.encode(),
        b"Content-Transfer-Encoding: base64",
        b"",
        base64.encodebytes(body.encode(charset)).replace(b"\n", b"\r\n").rstrip(b"\r\n"),
        b"------=_Part_0_1",
        ('Content-Type: application/pdf; name="%s"' % encoded).encode(),
        b"Content-Transfer-Encoding: base64",
        ('Content-Disposition: attachment; filename="%s"' % encoded).encode(),
        b"",
        base64.encodebytes(_bytes(900)).replace(b"\n", b"\r\n").rstrip(b"\r\n"),
        b"------=_Part_0_1--",
        b"",
    ]))


def messages():
    """(name, bytes) pairs, at least forty of them."""
    out = []

    def add(name, data):
        out.append((name, data if isinstance(data, bytes) else data.as_bytes()))

    add("plain-ascii", _simple())
    add("plain-utf8-8bit", _simple("Grüße", "Grüße aus Köln — 你好\n", cte="8bit"))
    add("plain-utf8-qp", _simple("QP", "Grüße " * 40 + "\n= sign and trailing space \n",
                                 cte="quoted-printable"))
    add("plain-utf8-base64", _simple("B64", "你好，世界\n" * 30, cte="base64"))
    add("plain-latin1-qp", _simple("Latin", "Déjà vu, naïve café\n", charset="iso-8859-1",
                                   cte="quoted-printable"))
    add("plain-bare-lf", _simple("Bare LF", "line one\nline two\n", policy=LF))
    add("plain-bare-lf-qp", _simple("Bare LF QP", "Grüße " * 30 + "\n", policy=LF,
                                    cte="quoted-printable"))
    html = _simple("HTML only", "<html><body><p>Hi</p></body></html>\n", subtype="html")
    add("html-only", html)

    alternative = _simple("Alternative", "plain text\n")
    alternative.add_alternative("<p>html text</p>\n", subtype="html")
    add("alternative", alternative)
    alternative_lf = _simple("Alternative LF", "plain text\n", policy=LF)
    alternative_lf.add_alternative("<p>html</p>\n", subtype="html")
    add("alternative-bare-lf", alternative_lf)

    add("mixed-two-attachments", _with_attachments())
    add("mixed-four-attachments", _with_attachments(count=4))
    add("mixed-alternative-attachments", _with_attachments(count=2, html=True))
    add("mixed-attachments-bare-lf", _with_attachments(policy=LF, count=3))

    related = _simple("Related", "fallback\n")
    related.add_alternative("<p><img src=\"cid:logo@x\"></p>\n", subtype="html")
    related.get_payload()[1].add_related(_bytes(700), "image", "gif", cid="<logo@x>")
    add("alternative-related-inline-image", related)

    inner = _simple("Inner message", "inner body\n")
    add("forwarded-rfc822", _forwarded(inner))
    add("forwarded-twice", _forwarded(_forwarded(_with_attachments(count=1))))
    inner_lf = _simple("Inner LF", "inner\n", policy=LF)
    add("forwarded-bare-lf", _forwarded(inner_lf, policy=LF))

    for charset, letter in [("utf-8", "B"), ("utf-8", "Q"), ("gb18030", "B"), ("gbk", "B"),
                            ("gbk", "Q"), ("iso-8859-1", "Q"), ("iso-8859-1", "B")]:
        text = {"utf-8": "会议通知 – Grüße", "gb18030": "会议纪要 第二版",
                "gbk": "中文主题", "iso-8859-1": "Réunion à café"}[charset]
        name = {"utf-8": "Jürgen 王", "gb18030": "王五", "gbk": "李四",
                "iso-8859-1": "François"}[charset]
        add("subject-%s-%s" % (charset, letter), _raw([
            "From: " + _word(name, charset, letter) + " <from@example.com>",
            "To: \"" + _word(name, charset, letter) + "\" <to@example.com>, plain@example.com",
            "Subject: " + _word(text, charset, letter),
            "Content-Type: text/plain; charset=" + charset,
            "Content-Transfer-Encoding: 8bit",
        ], ("正文内容\r\n" if charset != "iso-8859-1" else "Texte accentué\r\n").encode(charset)))

    add("subject-two-words-folded", _raw([
        "Subject: " + _word("第一部分", "utf-8", "B"),
        " " + _word("第二部分", "utf-8", "B"),
        "\t" + _word(" and a tail", "utf-8", "Q"),
        "From: a@example.com",
    ], b"body\r\n"))
    add("subject-mixed-plain-and-words", _raw([
        "Subject: Re: " + _word("报价单", "gbk", "B") + " (v2) " + _word("最终", "gbk", "Q"),
    ], b"body\r\n"))
    long_to = EmailMessage(policy=CRLF)
    long_to["From"] = "Sender <sender@example.com>"
    long_to["To"] = ", ".join("Recipient Number %d <recipient%d@example.com>" % (i, i)
                              for i in range(8))
    long_to["Subject"] = "A long subject line " * 6
    long_to.set_content("folded headers\n")
    add("folded-long-headers", long_to)
    utf8_names = EmailMessage(policy=CRLF)
    utf8_names["From"] = "Jürgen Müller <j@example.com>"
    utf8_names["To"] = ", ".join("名字%d <n%d@example.com>" % (i, i) for i in range(6))
    utf8_names["Subject"] = "Ünïcödé " * 12
    utf8_names.set_content("names\n")
    add("folded-encoded-names", utf8_names)
    add("raw-8bit-header", _raw(["Subject: Grüße".encode("utf-8"), b"From: x@example.com"],
                                b"raw header bytes\r\n"))

    for charset in ["utf-8", "gbk", "gb18030", "iso-8859-1"]:
        add("attachment-name-" + charset, _attachment_names(charset))

    add("preamble-epilogue", _raw([
        "Subject: Preamble", 'Content-Type: multipart/mixed; boundary="b1"'],
        b"This is the preamble.\r\nSecond line.\r\n--b1\r\nContent-Type: text/plain\r\n\r\n"
        b"part one\r\n--b1\r\nContent-Type: text/plain\r\n\r\npart two\r\n--b1--\r\n"
        b"This is the epilogue.\r\n"))
    add("missing-closing-delimiter", _raw([
        "Subject: Unterminated", "Content-Type: multipart/mixed; boundary=open"],
        b"--open\r\nContent-Type: text/plain\r\n\r\nfirst\r\n--open\r\n"
        b"Content-Type: text/plain\r\n\r\nlast part runs to the end"))
    add("uppercase-content-type", _raw([
        "Subject: Caps", "CONTENT-TYPE: MULTIPART/MIXED; BOUNDARY=\"CAPS\""],
        b"--CAPS\r\nContent-Type: TEXT/PLAIN\r\n\r\nshout\r\n--CAPS--\r\n"))
    add("no-content-type", _raw(["Subject: Bare", "From: x@example.com"], b"just text\r\n"))
    add("empty-body", _raw(["Subject: Empty", "From: x@example.com"], b""))
    add("nul-bytes-in-body", _raw([
        "Subject: NUL", "Content-Type: application/octet-stream",
        "Content-Transfer-Encoding: binary"], b"a\x00b\x00\x00c\r\nd\x00\r\n"))
    add("base64-unbroken", _raw([
        "Subject: One line", "Content-Type: application/octet-stream",
        "Content-Transfer-Encoding: base64"],
        base64.b64encode(_bytes(4000)) + b"\r\n"))
    add("qp-soft-breaks", _raw([
        "Subject: Soft", "Content-Type: text/plain; charset=utf-8",
        "Content-Transfer-Encoding: quoted-printable"],
        b"A very long line that was=\r\n broken with soft=\r\n line breaks =3D and =C3=BC=\r\n"
        b"end\r\n"))
    add("nested-five-levels", _nested_multiparts(5))
    add("nested-twelve-levels", _nested_multiparts(12))

    signed = MIMEMultipart("signed", protocol="application/x-pkcs7-signature", micalg="sha1")
    signed.attach(MIMEText("signed body\n", "plain", "us-ascii"))
    signature = MIMEApplication(_bytes(600), "x-pkcs7-signature", name="smime.p7s")
    signature.add_header("Content-Disposition", "attachment", filename="smime.p7s")
    signed.attach(signature)
    signed["Subject"] = "Signed"
    add("smime-detached-signed", signed.as_bytes(policy=COMPAT_CRLF))

    old_style = MIMEMultipart()
    old_style["Subject"] = Header("旧式主题", "gb2312")
    old_style["From"] = "%s <old@example.com>" % Header("老王", "gb2312").encode()
    old_style.attach(MIMEText("正文", "plain", "gb2312"))
    image = MIMEImage(_bytes(1200), "jpeg", name="picture.jpg")
    old_style.attach(image)
    attached = MIMEBase("application", "vnd.ms-excel", name="sheet.xls")
    attached.set_payload(_bytes(800))
    email.encoders.encode_base64(attached)
    old_style.attach(attached)
    inner_compat = MIMEText("hi\n", "plain", "us-ascii")
    inner_compat["Subject"] = "Inner compat"
    old_style.attach(MIMEMessage(inner_compat))
    add("compat32-gb2312-mixed", old_style.as_bytes(policy=COMPAT_CRLF))

    calendar = _simple("Invite", "BEGIN:VCALENDAR\nEND:VCALENDAR\n", subtype="calendar")
    add("text-calendar", calendar)
    return out

"""Builds the cross-check corpus: varied mail messages, most composed with Python's email
package, some written byte by byte where the composer cannot produce the case (8-bit charsets
in encoded words, bare LF, missing closing delimiters, raw 8-bit bodies)."""

import base64
import email.policy
import random
from email.header import Header
from email.message import EmailMessage
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
    msg["From"] = "Alice <alice@example.com>"
    msg["To"] = "Bob <bob@example.com>"
    msg["Subject"] = subject
    msg.set_content(body, **fields)
    return msg


def _with_attachments(policy=CRLF, count=2, html=False):
    msg = _simple("Attachments", "See the files.\n", policy=policy)
    if html:
        msg.add_alternative("<p>See the <b>files</b>.</p>\n", subtype="html")
    kinds = [("application", "pdf", "report.pdf"), ("image", "png", "photo.png"),
             ("application", "octet-stream", "data.bin")]
    for index in range(count):
        maintype, subtype, name = kinds[index % len(kinds)]
        msg.add_attachment(_bytes(3000 + 997 * index), maintype=maintype, subtype=subtype,
                           filename=name)
    return msg


def _forwarded(inner, policy=CRLF):
    outer = _simple("Fwd: " + str(inner["Subject"]), "Forwarding the message below.\n", policy)
    outer.add_attachment(inner)
    return outer


def _nested_multiparts(depth):
    leaf = MIMEText("deepest\n", "plain", "us-ascii")
    for level in range(depth):
        wrapper = MIMEMultipart("mixed", boundary="level-%d-boundary" % level)
        wrapper.attach(MIMEText("level %d\n" % level, "plain", "us-ascii"))
        wrapper.attach(leaf)
        leaf = wrapper
    return leaf.as_bytes(policy=COMPAT_CRLF)


def _attachment_name(charset, name):
    encoded = _word(name + ".pdf", charset, "B")
    return _raw(["Subject: " + _word(name, charset, "Q"),
                 'Content-Type: multipart/mixed; boundary="----=_Part_0_1"'], b"\r\n".join([
        b"------=_Part_0_1",
        b"Content-Type: text/plain; charset=" + charset.encode(),
        b"Content-Transfer-Encoding: base64",
        b"",
        base64.encodebytes(name.encode(charset)).replace(b"\n", b"\r\n").rstrip(b"\r\n"),
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
    """(name, bytes) pairs."""
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
    add("plain-bare-lf-qp", _simple("Bare LF QP", "Grüße " * 30 + "\n", policy=LF,
                                    cte="quoted-printable"))

    alternative_lf = _simple("Alternative LF", "plain text\n", policy=LF)
    alternative_lf.add_alternative("<p>html</p>\n", subtype="html")
    add("alternative-bare-lf", alternative_lf)
    add("mixed-alternative-attachments", _with_attachments(count=2, html=True))
    add("mixed-attachments-bare-lf", _with_attachments(policy=LF, count=3))

    related = _simple("Related", "fallback\n")
    related.add_alternative("<p><img src=\"cid:logo@x\"></p>\n", subtype="html")
    related.get_payload()[1].add_related(_bytes(700), "image", "gif", cid="<logo@x>")
    add("alternative-related-inline-image", related)

    add("forwarded-twice", _forwarded(_forwarded(_with_attachments(count=1))))
    add("forwarded-bare-lf", _forwarded(_simple("Inner LF", "inner\n", policy=LF), policy=LF))

    for charset, letter, text in [("utf-8", "B", "会议通知 – Grüße"), ("utf-8", "Q", "Jürgen 王"),
                                  ("gb18030", "B", "会议纪要 第二版"), ("gbk", "Q", "中文主题"),
                                  ("iso-8859-1", "Q", "Réunion à café")]:
        add("subject-%s-%s" % (charset, letter), _raw([
            "From: " + _word(text, charset, letter) + " <from@example.com>",
            "To: \"" + _word(text, charset, letter) + "\" <to@example.com>, plain@example.com",
            "Subject: " + _word(text, charset, letter),
            "Content-Type: text/plain; charset=" + charset,
            "Content-Transfer-Encoding: 8bit",
        ], text.encode(charset) + b"\r\n"))

    add("subject-two-words-folded", _raw([
        "Subject: " + _word("第一部分", "utf-8", "B"),
        " " + _word("第二部分", "utf-8", "B"),
        "\t" + _word(" and a tail", "utf-8", "Q"),
    ], b"body\r\n"))
    add("subject-mixed-plain-and-words", _raw([
        "Subject: Re: " + _word("报价单", "gbk", "B") + " (v2) " + _word("最终", "gbk", "Q"),
    ], b"body\r\n"))
    folded = EmailMessage(policy=CRLF)
    folded["To"] = ", ".join("名字%d <n%d@example.com>" % (i, i) for i in range(6))
    folded["Subject"] = "Ünïcödé " * 12
    folded.set_content("names\n")
    add("folded-encoded-names", folded)
    add("raw-8bit-header", _raw([b"Subject: Gr\xc3\xbc\xc3\x9fe"], b"raw header bytes\r\n"))

    for charset, name in [("utf-8", "报告"), ("gb18030", "报告"), ("iso-8859-1", "Résumé")]:
        add("attachment-name-" + charset, _attachment_name(charset, name))

    add("preamble-epilogue", _raw(['Content-Type: multipart/mixed; boundary="b1"'],
        b"This is the preamble.\r\n--b1\r\nContent-Type: text/plain\r\n\r\n"
        b"part one\r\n--b1\r\n\r\npart two\r\n--b1--\r\nThis is the epilogue.\r\n"))
    add("missing-closing-delimiter", _raw(["Content-Type: multipart/mixed; boundary=open"],
        b"--open\r\n\r\nfirst\r\n--open\r\n\r\nlast part runs to the end"))
    add("uppercase-content-type", _raw(["CONTENT-TYPE: MULTIPART/MIXED; BOUNDARY=\"CAPS\""],
        b"--CAPS\r\nContent-Type: TEXT/PLAIN\r\n\r\nshout\r\n--CAPS--\r\n"))
    add("empty-body", _raw(["Subject: Empty"], b""))
    add("nul-bytes-in-body", _raw(["Content-Type: application/octet-stream",
                                   "Content-Transfer-Encoding: binary"],
                                  b"a\x00b\x00\x00c\r\nd\x00\r\n"))
    add("nul-bytes-in-part", _raw(["Content-Type: multipart/mixed; boundary=b"],
                                  b"--b\r\n\r\na\x00b\x00\x00c\r\n\x00\r\n--b--\r\n"))
    # An inner boundary that extends the outer one, and a delimiter with blanks after it.
    add("boundary-extending-the-outer-one", _raw(["Content-Type: multipart/mixed; boundary=b1"],
        b"--b1\r\nContent-Type: multipart/alternative; boundary=b10\r\n\r\n--b10\r\n\r\none"
        b"\r\n--b10\r\n\r\ntwo\r\n--b10--\r\n--b1 \t\r\n\r\nthree\r\n--b1--\r\n"))
    add("qp-soft-breaks", _raw([
        "Content-Type: text/plain; charset=utf-8", "Content-Transfer-Encoding: quoted-printable"],
        b"A very long line that was=\r\n broken with soft=\r\n line breaks =3D and =C3=BC=\r\n"
        b"end\r\n"))
    add("nested-twelve-levels", _nested_multiparts(12))

    old_style = MIMEMultipart()
    old_style["Subject"] = Header("旧式主题", "gb2312")
    old_style.attach(MIMEText("正文", "plain", "gb2312"))
    old_style.attach(MIMEImage(_bytes(1200), "jpeg", name="picture.jpg"))
    inner = MIMEText("hi\n", "plain", "us-ascii")
    inner["Subject"] = "Inner compat"
    old_style.attach(MIMEMessage(inner))
    add("compat32-gb2312-mixed", old_style.as_bytes(policy=COMPAT_CRLF))
    return out

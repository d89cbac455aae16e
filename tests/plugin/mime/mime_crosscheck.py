"""Cross-checks the MIME library against Python's email package on a corpus of varied messages.

For every message the library's tree (printed by mime_tree_dump) must match the tree Python's
email package parses: the same multipart structure and leaves, the same decoded content byte for
byte, and the same decoded header bytes. Header values are compared unfolded (line breaks before
blanks removed): the library keeps folding inside a value, Python's decode_header drops it line
by line. The deliberate differences are listed in docs/mime-differences.md; this corpus avoids
them.

Usage: mime_crosscheck.py DUMP-TOOL CORPUS-DIR
"""

import email
import email.policy
import json
import os
import re
import subprocess
import sys
from email.header import decode_header

import mime_corpus

FOLD = re.compile(rb"\r?\n(?=[ \t])")


def python_field(name, value):
    """(name, decoded bytes, charset) as Python's decode_header gives them."""
    raw = FOLD.sub(b"", value.encode("ascii", "surrogateescape"))
    decoded = b""
    charset = ""
    for piece, piece_charset in decode_header(raw.decode("ascii", "surrogateescape")):
        decoded += piece.encode("ascii", "surrogateescape") if isinstance(piece, str) else piece
        charset = charset or piece_charset or ""
    return name.encode("ascii", "surrogateescape"), decoded, charset.lower()


def python_items(message, path):
    """The tree as a flat list of (path, what, value...) items."""
    items = [(path, "field") + python_field(n, v) for n, v in message.raw_items()]
    if message.get_content_type() == "message/rfc822":
        return items + python_items(message.get_payload(0), path + "/message")
    if message.is_multipart():
        parts = message.get_payload()
        items.append((path, "parts", len(parts)))
        for index, part in enumerate(parts):
            items += python_items(part, "%s/%d" % (path, index))
        return items
    return items + [(path, "content", message.get_payload(decode=True) or b"")]


def our_items(node, path):
    items = [(path, "field", bytes.fromhex(n), FOLD.sub(b"", bytes.fromhex(v)),
              bytes.fromhex(c).decode("latin-1").lower()) for n, v, c in node["fields"]]
    if "parts" in node:
        items.append((path, "parts", len(node["parts"])))
        for index, part in enumerate(node["parts"]):
            items += our_items(part, "%s/%d" % (path, index))
        return items
    if "message" in node:
        return items + our_items(node["message"], path + "/message")
    return items + [(path, "content", bytes.fromhex(node["content"]))]


def main():
    dump_tool, corpus_dir = sys.argv[1], sys.argv[2]
    os.makedirs(corpus_dir, exist_ok=True)
    corpus = mime_corpus.messages()
    failed = 0
    for name, data in corpus:
        path = os.path.join(corpus_dir, name + ".eml")
        with open(path, "wb") as file:
            file.write(data)
        ours = json.loads(subprocess.run([dump_tool, path], capture_output=True,
                                         check=True).stdout)
        mine = our_items(ours["tree"], name)
        theirs = python_items(email.message_from_bytes(data, policy=email.policy.compat32), name)
        if ours["load"] <= 0 or mine != theirs:
            failed += 1
            print("FAIL %s (load %d)" % (name, ours["load"]))
            for index, (a, b) in enumerate(zip(mine + [None] * len(theirs),
                                               theirs + [None] * len(mine))):
                if a != b:
                    print("    item %d: ours %r\n    Python %r" % (index, a, b))
                    break
    print("%d passed, %d failed" % (len(corpus) - failed, failed))
    return 1 if failed or len(corpus) < 25 else 0


if __name__ == "__main__":
    sys.exit(main())

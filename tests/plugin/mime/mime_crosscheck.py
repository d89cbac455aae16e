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


def unfold(value):
    return FOLD.sub(b"", value)


def python_field(name, value):
    """(name, decoded bytes, charset) as Python's decode_header gives them."""
    raw = unfold(value.encode("ascii", "surrogateescape"))
    pieces = decode_header(raw.decode("ascii", "surrogateescape"))
    decoded = b""
    charset = ""
    for piece, piece_charset in pieces:
        if isinstance(piece, str):
            piece = piece.encode("ascii", "surrogateescape")
        decoded += piece
        if piece_charset and not charset:
            charset = piece_charset
    return name.encode("ascii", "surrogateescape"), decoded, charset


def python_tree(message):
    node = {"fields": [python_field(n, v) for n, v in message.raw_items()]}
    if message.get_content_type() == "message/rfc822":
        node["content"] = None
        node["message"] = python_tree(message.get_payload(0))
    elif message.is_multipart():
        node["parts"] = [python_tree(part) for part in message.get_payload()]
    else:
        node["content"] = message.get_payload(decode=True) or b""
    return node


def our_tree(node):
    out = {"fields": [(bytes.fromhex(n), unfold(bytes.fromhex(v)), bytes.fromhex(c).decode("latin-1"))
                      for n, v, c in node["fields"]]}
    if "parts" in node:
        out["parts"] = [our_tree(part) for part in node["parts"]]
    else:
        out["content"] = bytes.fromhex(node["content"])
        if "message" in node:
            out["content"] = None
            out["message"] = our_tree(node["message"])
    return out


def compare(ours, theirs, path, problems):
    if len(ours["fields"]) != len(theirs["fields"]):
        problems.append("%s: %d fields, Python has %d" % (path, len(ours["fields"]),
                                                          len(theirs["fields"])))
    for (name, value, charset), (p_name, p_value, p_charset) in zip(ours["fields"],
                                                                    theirs["fields"]):
        if name != p_name or value != p_value or charset.lower() != p_charset.lower():
            problems.append("%s: field %r = %r (%s), Python: %r = %r (%s)" % (
                path, name, value, charset, p_name, p_value, p_charset))
    if ("parts" in ours) != ("parts" in theirs):
        problems.append("%s: multipart %s, Python %s" % (path, "parts" in ours, "parts" in theirs))
        return
    if "parts" in ours:
        if len(ours["parts"]) != len(theirs["parts"]):
            problems.append("%s: %d parts, Python has %d" % (path, len(ours["parts"]),
                                                             len(theirs["parts"])))
        for index, (mine, python) in enumerate(zip(ours["parts"], theirs["parts"])):
            compare(mine, python, "%s/%d" % (path, index), problems)
        return
    if ("message" in ours) != ("message" in theirs):
        problems.append("%s: rfc822 %s, Python %s" % (path, "message" in ours,
                                                      "message" in theirs))
    elif "message" in ours:
        compare(ours["message"], theirs["message"], path + "/message", problems)
    elif ours["content"] != theirs["content"]:
        problems.append("%s: content %r..., Python %r..." % (path, ours["content"][:60],
                                                            theirs["content"][:60]))


def count_leaves(node):
    if "parts" in node:
        return sum(count_leaves(part) for part in node["parts"])
    return 1


def main():
    dump_tool, corpus_dir = sys.argv[1], sys.argv[2]
    os.makedirs(corpus_dir, exist_ok=True)
    corpus = mime_corpus.messages()
    failed = 0
    leaves = 0
    for name, data in corpus:
        path = os.path.join(corpus_dir, name + ".eml")
        with open(path, "wb") as file:
            file.write(data)
        result = subprocess.run([dump_tool, path], capture_output=True, check=True)
        ours = json.loads(result.stdout)
        theirs = python_tree(email.message_from_bytes(data, policy=email.policy.compat32))
        problems = []
        if ours["load"] <= 0:
            problems.append("load failed with %d" % ours["load"])
        compare(our_tree(ours["tree"]), theirs, name, problems)
        leaves += count_leaves(theirs)
        if problems:
            failed += 1
            print("FAIL %s" % name)
            for problem in problems:
                print("    " + problem)
    print("%d messages, %d leaves compared" % (len(corpus), leaves))
    print("%d passed, %d failed" % (len(corpus) - failed, failed))
    return 1 if failed or len(corpus) < 40 else 0


if __name__ == "__main__":
    sys.exit(main())

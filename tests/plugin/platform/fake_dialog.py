#!/usr/bin/python3 -Xutf8
"""Fake dialog program: stands in for zenity (or for kdialog when started through a link named
"kdialog") wherever NV_DIALOG_PROGRAM points at it. It shows nothing: it records what it was asked
and answers as the test says.

Environment:
  NV_FAKE_DIALOG_LOG      file that receives one JSON object per request, one per line: program
                          ("zenity" or "kdialog", the command line it was spoken to in); kind
                          ("open", "save", "folder", "question" or "alert"); title ("" when none);
                          multiple (open); start (folder: "" when none); text (question, alert);
                          yes, no and default (question: button labels); markup (question, alert:
                          the text is read as markup); locale (LC_ALL, LC_CTYPE, LC_MESSAGES and
                          LANG as it got them, null when unset); error (only for a command line it
                          does not understand, exit 255)
  NV_FAKE_DIALOG_ANSWER   the answer to every request; without it the dialog is cancelled. An
                          object keyed by kind ({"folder": {...}, "open": {...}}) answers each
                          kind with its own answer (a kind it does not name is cancelled).
  NV_FAKE_DIALOG_ANSWER_FILE
                          when set and the file exists, its content is the answer instead, so
                          that a browser test can change the answer while the browser runs.

Answers (JSON objects):
  {"cancel": true}                  the user closes the dialog
  {"paths": ["/a", "/b"]}           file dialogs: these are chosen
  {"button": "Yes"}                 question: the button with that label is pressed, "default"
                                    the default one (an alert takes any answer but "exit")
  {"exit": 0, "stdout": "raw"}      prints exactly this and exits with that status
Texts and paths that are not UTF-8 travel as Python's surrogate escapes ("\\udcff" is byte 0xFF).
"""

import json
import os
import sys

ENCODING = {"encoding": "utf-8", "errors": "surrogateescape"}


class Usage(Exception):
    pass


def zenity_request(args):
    request = {"program": "zenity", "title": ""}
    options = {"separator": "|", "ok-label": "Yes", "cancel-label": "No"}
    flags = set()
    with_value = {"title", "text", "filename", "separator", "ok-label", "cancel-label"}
    for arg in args:
        if not arg.startswith("--"):
            raise Usage("unexpected argument " + arg)
        name, equals, value = arg[2:].partition("=")
        if name in with_value and equals:
            options[name] = value
        elif name in {"file-selection", "multiple", "directory", "save", "confirm-overwrite",
                      "question", "info", "default-cancel", "no-markup"} and not equals:
            flags.add(name)
        else:
            raise Usage("unknown option or missing value: " + arg)
    request["title"] = options.get("title", "")
    if "question" in flags:
        request.update(kind="question", text=options.get("text", ""), yes=options["ok-label"],
                       no=options["cancel-label"], markup="no-markup" not in flags)
        request["default"] = request["no"] if "default-cancel" in flags else request["yes"]
    elif "info" in flags:
        request.update(kind="alert", text=options.get("text", ""), markup="no-markup" not in flags)
    elif "file-selection" in flags:
        if "directory" in flags:
            request.update(kind="folder", start=options.get("filename", ""))
        elif "save" in flags:
            request.update(kind="save")
        else:
            request.update(kind="open", multiple="multiple" in flags)
    else:
        raise Usage("no dialog chosen")
    return request, options["separator"]


def kdialog_request(args):
    request = {"program": "kdialog", "title": ""}
    labels = {"yes-label": "Yes", "no-label": "No"}
    flags = set()
    positional = []
    index = 0
    while index < len(args):
        arg = args[index]
        name = arg[2:] if arg.startswith("--") else None
        if name in {"title", "yes-label", "no-label", "warningyesno", "msgbox"}:
            index += 1
            if index == len(args):
                raise Usage("missing value for " + arg)
            if name == "title":
                request["title"] = args[index]
            elif name in labels:
                labels[name] = args[index]
            elif name == "msgbox":
                request.update(kind="alert", text=args[index], markup=True)
            else:
                request.update(kind="question", text=args[index])
        elif name in {"getopenfilename", "getsavefilename", "getexistingdirectory", "multiple",
                      "separate-output"}:
            flags.add(name)
        elif name is None:
            positional.append(arg)
        else:
            raise Usage("unknown option " + arg)
        index += 1
    if request.get("kind") == "question":
        request.update(yes=labels["yes-label"], no=labels["no-label"], markup=True)
        # kdialog's warning variant, the only yes/no it is asked for, defaults to "No".
        request["default"] = labels["no-label"]
    elif "getopenfilename" in flags:
        request.update(kind="open", multiple="multiple" in flags)
    elif "getsavefilename" in flags:
        request.update(kind="save")
    elif "getexistingdirectory" in flags:
        request.update(kind="folder", start=positional[0] if positional else "")
    elif request.get("kind") != "alert":
        raise Usage("no dialog chosen")
    separator = "\n" if "separate-output" in flags or "multiple" not in flags else " "
    return request, separator


KINDS = ("open", "save", "folder", "question")


def next_answer(kind):
    answer_file = os.environ.get("NV_FAKE_DIALOG_ANSWER_FILE")
    if answer_file and os.path.exists(answer_file):
        with open(answer_file, **ENCODING) as file:
            reply = json.loads(file.read())
    else:
        reply = json.loads(os.environ.get("NV_FAKE_DIALOG_ANSWER", '{"cancel": true}'))
    if any(name in reply for name in KINDS):
        return reply.get(kind, {"cancel": True})
    return reply


def record(request):
    request["locale"] = {name: os.environ.get(name)
                         for name in ("LC_ALL", "LC_CTYPE", "LC_MESSAGES", "LANG")}
    log = os.environ.get("NV_FAKE_DIALOG_LOG")
    if log:
        with open(log, "a", **ENCODING) as file:
            file.write(json.dumps(request, ensure_ascii=False) + "\n")


def answer(request, separator, reply):
    out = sys.stdout.buffer
    if "exit" in reply:
        out.write(reply.get("stdout", "").encode("utf-8", "surrogateescape"))
        return reply["exit"]
    if request["kind"] == "alert":
        return 0
    if reply.get("cancel"):
        return 1
    if request["kind"] == "question":
        button = reply.get("button")
        if button == "default":
            button = request["default"]
        if button == request["yes"]:
            return 0
        if button == request["no"]:
            return 1
        sys.stderr.write("fake dialog: no button labelled %r\n" % button)
        return 255
    paths = reply.get("paths", [])
    out.write((separator.join(paths) + "\n").encode("utf-8", "surrogateescape"))
    return 0


def main():
    args = sys.argv[1:]
    as_kdialog = os.path.basename(sys.argv[0]) == "kdialog"
    try:
        request, separator = (kdialog_request if as_kdialog else zenity_request)(args)
    except Usage as usage:
        record({"program": "kdialog" if as_kdialog else "zenity", "argv": args,
                "error": str(usage)})
        return 255
    record(request)
    return answer(request, separator, next_answer(request["kind"]))


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Runs the uninstaller's test build through every way its conversation can go.

Its machine-wide plug-in folder (--system) and its pkexec (fake_pkexec.sh) are fixed in it at build
time. Each case lays out the copies in a fresh HOME and the system folder, answers through the
fake dialog program, and checks the dialogs in order, the exit code, the privileged command and
what is left. As root, where permissions stop nothing, the program runs as "nobody" so that a
read-only user copy is read-only for it.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

NOBODY = 65534
ASK = ("Query", "Do you want to uninstall NorvanePlugin ?", "Yes", "No")
DONE = ("Information", "NorvanePlugin uninstall success!")
NONE = ("Information", "NorvanePlugin not found. Needn't to uninstall.")


def warn(where, reason):
    return ("Warning", "Fail to remove {%s}/NVPlugin, because %s" % (where, reason))


# name, user copy (None, "rw", "ro"), system copy, button, pkexec, dialog program, LANGUAGE,
# dialogs, exit code, pkexec run, user copy left, system copy left
CASES = [
    ("found nowhere", None, 0, "Yes", "grant", "zenity", "", [NONE], 1, 0, 0, 0),
    ("Return answers No", "rw", 1, "default", "grant", "zenity", "", [ASK], 2, 0, 1, 1),
    ("No in kdialog", "rw", 1, "No", "grant", "kdialog", "", [ASK], 2, 0, 1, 1),
    ("both removed", "rw", 1, "Yes", "grant", "zenity", "", [ASK, DONE], 0, 1, 0, 0),
    ("only the system copy", None, 1, "Yes", "grant", "kdialog", "", [ASK, DONE], 0, 1, 0, 0),
    ("read-only user copy", "ro", 1, "Yes", "grant", "zenity", "",
     [ASK, warn("user", "Permission denied")], 3, 0, 1, 1),
    ("password prompt closed", None, 1, "Yes", "dismiss", "zenity", "",
     [ASK, warn("system", "the administrator password was not given")], 3, 1, 0, 1),
    ("rights refused", "rw", 1, "Yes", "refuse", "zenity", "",
     [ASK, warn("system", "the administrator rights were refused")], 3, 1, 0, 1),
    ("rm failed", None, 1, "Yes", "fail", "zenity", "",
     [ASK, warn("system", "/bin/rm ended with status 1")], 3, 1, 0, 1),
    ("success reported, copy still there", None, 1, "Yes", "pretend", "zenity", "",
     [ASK, warn("system", "the removal did not complete")], 3, 1, 0, 1),
    ("Simplified Chinese", None, 0, "Yes", "grant", "zenity", "zh_CN",
     [("信息", "未找到 NorvanePlugin，无需卸载。")], 1, 0, 0, 0),
    ("Traditional Chinese", "rw", 0, "是", "grant", "zenity", "zh_TW",
     [("詢問", "您要解除安裝 NorvanePlugin 嗎？", "是", "否"), ("資訊", "NorvanePlugin 解除安裝成功！")],
     0, 0, 0, 0),
]


def lay_out_copy(plugins):
    os.makedirs(os.path.join(plugins, "NVPlugin", "locale"))
    for name in ("libnvplugin.so", "uninstall", "locale/x.mo"):
        open(os.path.join(plugins, "NVPlugin", name), "w").close()
    os.symlink("NVPlugin/libnvplugin.so", os.path.join(plugins, "libnvplugin.so"))


def dialogs_seen(log):
    seen = []
    for line in open(log, encoding="utf-8") if os.path.exists(log) else []:
        request = json.loads(line)
        if request["kind"] == "question":
            assert request["default"] == request["no"], "the default button must be No"
            seen.append((request["title"], request["text"], request["yes"], request["no"]))
        else:
            assert request["program"] == "kdialog" or not request["markup"], "zenity: plain text"
            seen.append((request["title"], request["text"]))
    return seen


def run_case(args, work, case):
    (_, user, system, button, pkexec, program, language, dialogs, code, privileged, user_left,
     system_left) = case
    plugins = {"user": os.path.join(work, "home", ".mozilla", "plugins"), "system": args.system}
    os.makedirs(plugins["user"])
    os.makedirs(args.system)
    if user:
        lay_out_copy(plugins["user"])
    if system:
        lay_out_copy(args.system)
    os.symlink(args.dialog, os.path.join(work, program))
    log = os.path.join(work, "log")
    env = {"PATH": os.environ["PATH"], "HOME": os.path.join(work, "home"), "LC_ALL": "C.UTF-8",
           "LANGUAGE": language, "NV_DIALOG_PROGRAM": os.path.join(work, program),
           "NV_FAKE_DIALOG_LOG": log + ".dialogs", "NV_FAKE_PKEXEC_LOG": log + ".pkexec",
           "NV_FAKE_DIALOG_ANSWER": json.dumps({"button": button}), "NV_FAKE_PKEXEC": pkexec}
    command = [args.program]
    if os.geteuid() == 0:
        for folder in (work, args.system):
            subprocess.run(["chown", "-R", "%d:%d" % (NOBODY, NOBODY), folder], check=True)
        command = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"]
        command.append(args.program)
    if user == "ro":
        os.chmod(plugins["user"], 0o555)
    result = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True)
    os.chmod(plugins["user"], 0o755)

    problems = []
    expected = [tuple(text.format(**plugins) for text in shown) for shown in dialogs]
    if dialogs_seen(env["NV_FAKE_DIALOG_LOG"]) != expected:
        problems.append("dialogs: expected %s, got %s" % (expected, dialogs_seen(log + ".dialogs")))
    if result.returncode != code:
        problems.append("exit code %d, expected %d" % (result.returncode, code))
    calls = open(log + ".pkexec").read() if os.path.exists(log + ".pkexec") else ""
    removal = "/bin/rm\n-rf\n--\n{0}/NVPlugin\n{0}/libnvplugin.so\n--end\n".format(args.system)
    if calls != removal * privileged:
        problems.append("pkexec calls: %r" % calls)
    for where, left in (("user", user_left), ("system", system_left)):
        if sorted(os.listdir(plugins[where])) != (["NVPlugin", "libnvplugin.so"] if left else []):
            problems.append("%s folder holds %s" % (where, os.listdir(plugins[where])))
    return problems + (["output: " + result.stdout] if problems and result.stdout else [])


def main():
    parser = argparse.ArgumentParser()
    for option in ("--program", "--system", "--dialog"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    failed = 0
    for case in CASES:
        work = tempfile.mkdtemp(prefix="nvuninstall")
        try:
            problems = run_case(args, work, case)
        finally:
            shutil.rmtree(work, ignore_errors=True)
            shutil.rmtree(args.system, ignore_errors=True)
        print("%s: %s" % ("FAIL" if problems else "ok", case[0]) + "".join(
            "\n    " + problem for problem in problems))
        failed += bool(problems)
    print("%d of %d cases failed" % (failed, len(CASES)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

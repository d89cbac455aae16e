#!/usr/bin/env python3
"""Runs the uninstaller's test build through every way its conversation can go.

The test build's machine-wide plug-in folder (--system) and its pkexec (fake_pkexec.sh) are fixed
in it at build time; each case makes a fresh HOME, lays out the copies, answers through the fake
dialog program and checks the dialogs in order, the exit code, the privileged command and what is
left. As root, where permissions stop nothing, the program runs as "nobody" so that a read-only
user copy is read-only for it.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

NOBODY = 65534
BUNDLE, LINK = "NVPlugin", "libnvplugin.so"

Q_EN = ("question", "Query", "Do you want to uninstall NorvanePlugin ?", "Yes", "No")
DONE = ("alert", "Information", "NorvanePlugin uninstall success!")
NONE_EN = ("alert", "Information", "NorvanePlugin not found. Needn't to uninstall.")


def warning(path, reason):
    return ("alert", "Warning", "Fail to remove %s, because %s" % (path, reason))


USER, SYSTEM = "{user}", "{system}"
# name, user copy (None, "rw", "ro"), system copy, answer, pkexec mode, program, language,
# dialogs expected, exit code, pkexec called, user copy left, system copy left
CASES = [
    ("found nowhere", None, False, "Yes", "grant", "zenity", None, [NONE_EN], 1, False, False,
     False),
    ("Return answers No", "rw", True, "default", "grant", "zenity", None, [Q_EN], 2, False, True,
     True),
    ("No in kdialog", "rw", True, "No", "grant", "kdialog", None, [Q_EN], 2, False, True, True),
    ("both removed", "rw", True, "Yes", "grant", "zenity", None, [Q_EN, DONE], 0, True, False,
     False),
    ("only the user copy", "rw", False, "Yes", "grant", "zenity", None, [Q_EN, DONE], 0, False,
     False, False),
    ("only the system copy, in kdialog", None, True, "Yes", "grant", "kdialog", None,
     [Q_EN, DONE], 0, True, False, False),
    ("read-only user copy", "ro", True, "Yes", "grant", "zenity", None,
     [Q_EN, warning(USER, "Permission denied")], 3, False, True, True),
    ("password prompt closed", None, True, "Yes", "dismiss", "zenity", None,
     [Q_EN, warning(SYSTEM, "the administrator password was not given")], 3, True, False, True),
    ("rights refused", "rw", True, "Yes", "refuse", "zenity", None,
     [Q_EN, warning(SYSTEM, "the administrator rights were refused")], 3, True, False, True),
    ("rm failed", None, True, "Yes", "fail", "zenity", None,
     [Q_EN, warning(SYSTEM, "/bin/rm ended with status 1")], 3, True, False, True),
    ("success reported, copy still there", None, True, "Yes", "pretend", "zenity", None,
     [Q_EN, warning(SYSTEM, "the removal did not complete")], 3, True, False, True),
    ("Simplified Chinese", None, False, "Yes", "grant", "zenity", "zh_CN",
     [("alert", "信息", "未找到 NorvanePlugin，无需卸载。")], 1, False, False, False),
    ("Traditional Chinese", "rw", False, "是", "grant", "zenity", "zh_TW",
     [("question", "詢問", "您要解除安裝 NorvanePlugin 嗎？", "是", "否"),
      ("alert", "資訊", "NorvanePlugin 解除安裝成功！")], 0, False, False, False),
]


def lay_out_copy(plugins):
    bundle = os.path.join(plugins, BUNDLE)
    os.makedirs(os.path.join(bundle, "locale"))
    for name in (LINK, "uninstall", os.path.join("locale", "x.mo")):
        with open(os.path.join(bundle, name), "w") as file:
            file.write("x")
    os.symlink(os.path.join(BUNDLE, LINK), os.path.join(plugins, LINK))


def leftover(plugins):
    return any(os.path.lexists(os.path.join(plugins, name)) for name in (BUNDLE, LINK))


def owned_by_nobody(*folders):
    for folder in folders:
        for parent, names, files in os.walk(folder):
            for name in [parent] + [os.path.join(parent, n) for n in names + files]:
                os.lchown(name, NOBODY, NOBODY)


def dialogs_seen(log):
    if not os.path.exists(log):
        return []
    seen = []
    with open(log, encoding="utf-8") as lines:
        for line in lines:
            request = json.loads(line)
            shown = (request.get("kind"), request.get("title"), request.get("text"))
            if request.get("kind") == "question":
                assert request["default"] == request["no"], "the default button must be No"
                shown += (request["yes"], request["no"])
            else:
                assert not request.get("markup") or request["program"] == "kdialog", \
                    "zenity must show the text as plain text"
            seen.append(shown)
    return seen


def run_case(args, case):
    (name, user, system, answer, pkexec, program, language, dialogs, code, privileged, user_left,
     system_left) = case
    work = tempfile.mkdtemp(prefix="nvuninstall")
    shutil.rmtree(args.system, ignore_errors=True)
    os.makedirs(args.system)
    try:
        home = os.path.join(work, "home")
        user_plugins = os.path.join(home, ".mozilla", "plugins")
        os.makedirs(user_plugins)
        if user:
            lay_out_copy(user_plugins)
        if system:
            lay_out_copy(args.system)
        dialog = os.path.join(work, program)
        os.symlink(args.dialog, dialog)
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home, "LC_ALL": "C.UTF-8",
               "NV_DIALOG_PROGRAM": dialog, "NV_FAKE_DIALOG_LOG": os.path.join(work, "dialogs"),
               "NV_FAKE_DIALOG_ANSWER": json.dumps({"button": answer}),
               "NV_FAKE_PKEXEC": pkexec, "NV_FAKE_PKEXEC_LOG": os.path.join(work, "pkexec")}
        if language:
            env["LANGUAGE"] = language
        command = [args.program]
        if os.geteuid() == 0:
            owned_by_nobody(work, args.system)
            os.chmod(work, 0o755)
            command = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY,
                       "--clear-groups"] + command
        if user == "ro":
            os.chmod(user_plugins, 0o555)
        result = subprocess.run(command, env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        os.chmod(user_plugins, 0o755)
        paths = {USER: os.path.join(user_plugins, BUNDLE), SYSTEM: os.path.join(args.system, BUNDLE)}
        expected = [tuple(paths[USER].join(paths[SYSTEM].join(part.split(SYSTEM)).split(USER))
                          for part in shown) for shown in dialogs]
        problems = []
        seen = dialogs_seen(env["NV_FAKE_DIALOG_LOG"])
        if seen != expected:
            problems.append("dialogs: expected %s but got %s" % (expected, seen))
        if result.returncode != code:
            problems.append("exit code: expected %d but got %d" % (code, result.returncode))
        calls = []
        if os.path.exists(env["NV_FAKE_PKEXEC_LOG"]):
            calls = open(env["NV_FAKE_PKEXEC_LOG"]).read().split("--end\n")[:-1]
        privileged_call = "/bin/rm\n-rf\n--\n%s\n%s\n" % (
            paths[SYSTEM], os.path.join(args.system, LINK))
        if calls != ([privileged_call] if privileged else []):
            problems.append("pkexec calls: %r" % calls)
        for where, plugins, left in (("user", user_plugins, user_left),
                                     ("system", args.system, system_left)):
            if leftover(plugins) != left:
                problems.append("%s copy %s" % (where, "left" if not left else "removed"))
            if not left and os.listdir(plugins):
                problems.append("%s folder not empty: %s" % (where, os.listdir(plugins)))
        if problems and result.stdout:
            problems.append("output: " + result.stdout)
        return problems
    finally:
        shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(args.system, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--system", required=True)
    parser.add_argument("--dialog", required=True)
    args = parser.parse_args()
    failed = 0
    for case in CASES:
        problems = run_case(args, case)
        print("%s: %s" % ("FAIL" if problems else "ok", case[0]))
        for problem in problems:
            print("    " + problem)
        failed += bool(problems)
    print("%d of %d cases failed" % (failed, len(CASES)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The plug-in as people install it, in the browsers.

  installed.py user --browser B ...     scripts/install.sh into a fresh HOME, the basics page in
                                        browser B with that HOME and no plug-in path variables,
                                        then the installed uninstaller removes exactly what was
                                        installed
  installed.py package ...              the .deb from the build tree: its files, Depends and
                                        Version; where this machine lets us (root or passwordless
                                        sudo, and no copy installed already) it is installed, the
                                        page runs in every browser, and removal leaves nothing

Both need the build tree's "nv_bundle" target built.
"""
import argparse
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
FAKE_DIALOG = os.path.join(SOURCE, "tests", "plugin", "platform", "fake_dialog.py")
PAGE = "pages/basics.html"
SYSTEM = "/usr/lib/mozilla/plugins"
# What one copy is, relative to its plug-in folder; the .deb adds the folders above it.
COPY = ["NVPlugin/", "NVPlugin/libnvplugin.so", "NVPlugin/uninstall", "NVPlugin/locale/",
        "NVPlugin/locale/zh_CN/", "NVPlugin/locale/zh_CN/LC_MESSAGES/",
        "NVPlugin/locale/zh_CN/LC_MESSAGES/nvplugin-uninstall.mo", "NVPlugin/locale/zh_TW/",
        "NVPlugin/locale/zh_TW/LC_MESSAGES/",
        "NVPlugin/locale/zh_TW/LC_MESSAGES/nvplugin-uninstall.mo", "NVPlugin/screencapture",
        "libnvplugin.so"]
# Libraries the plug-in links; dpkg-shlibdeps must name their packages.
DEPENDS = ["libc6", "libstdc++6", "libboost-thread1.74.0", "zlib1g", "libminizip1", "libqt5widgets5",
           "libqt5dbus5"]


class Failed(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failed(message)


def run_page(args, browser, home):
    command = [sys.executable, os.path.join(HERE, "run.py"), "--server", args.server,
               "--browser", browser, "--home", home, "--nvhost", args.nvhost,
               "--qutebrowser", args.qutebrowser or "qutebrowser", "--timeout", str(args.timeout),
               PAGE]
    check(subprocess.run(command).returncode == 0, "%s: %s failed" % (browser, PAGE))


def listing(folder):
    """The folder's entries as the .deb lists them: folders with a final "/"."""
    found = []
    for parent, folders, files in os.walk(folder):
        relative = os.path.relpath(parent, folder)
        prefix = "" if relative == "." else relative + "/"
        found += [prefix + name + "/" for name in folders] + [prefix + name for name in files]
    return sorted(found)


def user(args):
    home = tempfile.mkdtemp(prefix="nvinstalled")
    try:
        plugins = os.path.join(home, ".mozilla", "plugins")
        env = dict(os.environ, HOME=home)
        install = [os.path.join(SOURCE, "scripts", "install.sh"), "--build-dir", args.build]
        check(subprocess.run(install, env=env).returncode == 0, "install.sh failed")
        check(listing(plugins) == sorted(COPY), "installed: %s" % listing(plugins))
        check(os.readlink(os.path.join(plugins, "libnvplugin.so")) == "NVPlugin/libnvplugin.so",
              "the link must point into the bundle")
        run_page(args, args.browser, home)
        if os.path.lexists(os.path.join(SYSTEM, "NVPlugin")):
            print("installed.py: a machine-wide copy exists; the uninstaller is not run")
            return
        dialog = os.path.join(home, "zenity")
        os.symlink(FAKE_DIALOG, dialog)
        env.update(NV_DIALOG_PROGRAM=dialog, NV_FAKE_DIALOG_ANSWER=json.dumps({"button": "Yes"}))
        code = subprocess.run([os.path.join(plugins, "NVPlugin", "uninstall")], env=env).returncode
        check(code == 0, "the installed uninstaller ended with %d" % code)
        check(os.listdir(plugins) == [], "left after uninstall: %s" % os.listdir(plugins))
    finally:
        shutil.rmtree(home, ignore_errors=True)


def control_field(package, name):
    return subprocess.run(["dpkg-deb", "-f", package, name], check=True, capture_output=True,
                          text=True).stdout.strip()


def may_install():
    if os.geteuid() == 0:
        return []
    if shutil.which("sudo") and subprocess.run(["sudo", "-n", "true"]).returncode == 0:
        return ["sudo", "-n"]
    return None


def package(args):
    subprocess.run(["cpack", "-G", "DEB"], cwd=args.build, check=True, stdout=subprocess.DEVNULL)
    found = glob.glob(os.path.join(args.build, "package", "nvplugin_*.deb"))
    check(len(found) == 1, "expected one package, found %s" % found)
    deb = found[0]
    contents = subprocess.run(["dpkg-deb", "--fsys-tarfile", deb], check=True,
                              capture_output=True).stdout
    names = subprocess.run(["tar", "-t"], input=contents, check=True,
                           capture_output=True).stdout.decode().split()
    prefix = "." + SYSTEM + "/"
    ours = sorted(name[len(prefix):] for name in names if name.startswith(prefix) and name != prefix)
    above = sorted(name for name in names if not name.startswith(prefix) or name == prefix)
    check(ours == sorted(COPY), "packed: %s" % ours)
    check(above == ["./usr/", "./usr/lib/", "./usr/lib/mozilla/", prefix], "above: %s" % above)
    depends = [part.split()[0] for part in control_field(deb, "Depends").split(",")]
    check(all(name in depends for name in DEPENDS), "Depends: %s" % depends)
    check(control_field(deb, "Version") == args.version, "Version: " + control_field(deb, "Version"))

    runner = may_install()
    if runner is None:
        print("installed.py: the package is checked but not installed (needs root or sudo -n)")
        return
    if os.path.lexists(SYSTEM) and os.listdir(SYSTEM):
        print("installed.py: %s is not empty; the package is not installed" % SYSTEM)
        return
    subprocess.run(runner + ["dpkg", "-i", deb], check=True)
    try:
        home = tempfile.mkdtemp(prefix="nvpackaged")
        try:
            for browser in args.browsers:
                run_page(args, browser, home)
        finally:
            shutil.rmtree(home, ignore_errors=True)
    finally:
        subprocess.run(runner + ["dpkg", "-r", "nvplugin"], check=True)
    left = os.listdir(SYSTEM) if os.path.lexists(SYSTEM) else []
    check(left == [], "left after dpkg -r: %s" % left)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("what", choices=["user", "package"])
    parser.add_argument("--build", required=True, help="the build tree")
    parser.add_argument("--server", required=True, help="command that starts nvmaild")
    parser.add_argument("--nvhost", required=True)
    parser.add_argument("--qutebrowser")
    parser.add_argument("--browser", help="user: the browser")
    parser.add_argument("--version", help="package: the version it must carry")
    parser.add_argument("--timeout", type=int, default=240)
    args = parser.parse_args()
    args.browsers = ["nvhost"] + (["qutebrowser"] if args.qutebrowser else [])
    try:
        (user if args.what == "user" else package)(args)
    except (Failed, subprocess.CalledProcessError) as failure:
        print("installed.py: FAILED: %s" % failure, flush=True)
        return 1
    print("installed.py: passed", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

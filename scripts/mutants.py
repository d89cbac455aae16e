#!/usr/bin/env python3
"""Mutation testing: plants each bug of scripts/mutants.json in turn and runs the tests meant to
catch it, so we learn which faults the unit tests would let through.

    scripts/mutants.py [--only ID,ID] [--out FILE] [--expect FILE] [--list]

Each mutant replaces one snippet that must occur exactly once in its file (else it is STALE: the
code moved and the mutant needs a new snippet), rebuilds the sanitizer tree it names, runs its
tests and records CAUGHT (with the failing tests), SURVIVED or NOBUILD. The file is put back byte
for byte after every mutant, also on Ctrl-C. With --expect, a mutant caught in the given results
file but not caught now fails the run: that is how a test cut proves it lost nothing.
"""
import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SANITIZE = {"asan": "address", "tsan": "thread"}
# The thread build only needs the executables of the threaded tests.
BUILD_TARGET = {"asan": None, "tsan": "thread_tests"}
# Same light optimisation as scripts/test.sh: quick builds on two cores, reports still name lines.
FLAGS = ["-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1",
         "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1"]
SAN_ENV = {
    "ASAN_OPTIONS": "halt_on_error=1:detect_stack_use_after_return=0",
    "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1",
    "TSAN_OPTIONS": "halt_on_error=1:second_deadlock_stack=1",
}
VERDICTS = ("CAUGHT", "SURVIVED", "NOBUILD", "STALE")


class Interrupted(Exception):
    pass


def on_signal(signum, _frame):
    raise Interrupted(f"signal {signum}")


def load_mutants(path):
    with open(path, encoding="utf-8") as f:
        mutants = json.load(f)["mutants"]
    seen = set()
    for m in mutants:
        missing = {"id", "bug", "file", "from", "to"} - m.keys()
        if missing:
            sys.exit(f"mutant {m.get('id', '?')}: missing {', '.join(sorted(missing))}")
        if m["id"] in seen:
            sys.exit(f"mutant {m['id']}: duplicate id")
        seen.add(m["id"])
        if not m.get("regex") and not m.get("label"):
            sys.exit(f"mutant {m['id']}: names no tests (regex or label)")
        if m.get("build", "asan") not in SANITIZE:
            sys.exit(f"mutant {m['id']}: build must be one of {', '.join(SANITIZE)}")
    return mutants


def environment():
    env = dict(os.environ)
    for key, value in SAN_ENV.items():
        env.setdefault(key, value)
    if shutil.which("ccache"):
        env.setdefault("CCACHE_BASEDIR", os.path.dirname(ROOT))
    return env


def run(cmd, env, log):
    log.write(f"$ {' '.join(cmd)}\n")
    log.flush()
    return subprocess.run(cmd, env=env, stdout=log, stderr=subprocess.STDOUT).returncode


def configure(kind, tree, env, log):
    cmd = ["cmake", "-S", ROOT, "-B", tree, "-G", "Ninja", f"-DNV_SANITIZE={SANITIZE[kind]}",
           "-DNV_BUILD_BROWSER=OFF", "-DNV_BUILD_CAPTURE=OFF"] + FLAGS
    if shutil.which("ccache"):
        cmd += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
    if run(cmd, env, log) != 0:
        sys.exit(f"configuring {tree} failed, see {log.name}")


def build(kind, tree, env, log, jobs, targets=None):
    cmd = ["cmake", "--build", tree, "-j", str(jobs)]
    targets = targets or ([BUILD_TARGET[kind]] if BUILD_TARGET[kind] else [])
    if targets:
        cmd += ["--target"] + targets
    return run(cmd, env, log) == 0


def selection(regex, label):
    args = ["-LE", "e2e"]
    if regex:
        args += ["-R", regex]
    if label:
        args += ["-L", label]
    return args


def test_targets(tree, regex, label, env):
    """The executables the selected tests run: a mutant relinks only those, not every test."""
    listing = subprocess.run(["ctest", "--test-dir", tree, "-N", "--show-only=json-v1"] +
                             selection(regex, label), env=env, capture_output=True, text=True)
    if listing.returncode != 0:
        return []
    targets = set()
    for test in json.loads(listing.stdout).get("tests", []):
        for arg in test.get("command", []):
            inside = os.path.abspath(arg).startswith(os.path.abspath(tree) + os.sep)
            if inside and os.path.isfile(arg) and os.access(arg, os.X_OK):
                targets.add(os.path.basename(arg))
    return sorted(targets)


def ctest(tree, regex, label, env, log, jobs):
    """Runs the selected tests; returns (ran_any, names of the failed ones)."""
    fd, junit = tempfile.mkstemp(suffix=".xml")
    os.close(fd)
    try:
        cmd = ["ctest", "--test-dir", tree, "--timeout", "120", "-j", str(jobs),
               "--output-on-failure", "--output-junit", junit] + selection(regex, label)
        run(cmd, env, log)
        try:
            cases = ET.parse(junit).getroot().iter("testcase")
        except (ET.ParseError, FileNotFoundError):
            return False, ["(ctest wrote no results)"]
        ran, failed = False, []
        for case in cases:
            ran = True
            if case.get("status") not in ("run", "pass", "passed", "disabled"):
                # Parameterised cases carry "  # GetParam() = ..." after the name proper.
                failed.append(case.get("name").split("  #")[0])
        return ran, sorted(failed)
    finally:
        os.unlink(junit)


def try_mutant(m, trees, env, log, jobs):
    path = os.path.join(ROOT, m["file"])
    with open(path, "rb") as f:
        original = f.read()
    snippet = m["from"].encode()
    count = original.count(snippet)
    if count != 1:
        return "STALE", [f"snippet found {count} times"]
    kind = m.get("build", "asan")
    try:
        with open(path, "wb") as f:
            f.write(original.replace(snippet, m["to"].encode()))
        log.write(f"\n##### {m['id']}: {m['bug']}\n")
        targets = test_targets(trees[kind], m.get("regex"), m.get("label"), env)
        if not build(kind, trees[kind], env, log, jobs, targets):
            return "NOBUILD", []
        ran, failed = ctest(trees[kind], m.get("regex"), m.get("label"), env, log, jobs)
        if not ran:
            return "NOBUILD", ["no test matched"]
        return ("CAUGHT", failed) if failed else ("SURVIVED", [])
    finally:
        # A second Ctrl-C must not cut the restore short. A fresh mtime, not the old one: ninja
        # must rebuild the object the mutant compiled.
        blocked = signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGINT, signal.SIGTERM})
        with open(path, "wb") as f:
            f.write(original)
        signal.pthread_sigmask(signal.SIG_SETMASK, blocked)


def build_trees(kinds, trees, env, log, jobs):
    for kind in kinds:
        configure(kind, trees[kind], env, log)
        if not build(kind, trees[kind], env, log, jobs):
            sys.exit(f"the unmutated {kind} tree does not build, see {log.name}")


def clean_check(mutants, trees, env, log, jobs):
    """The selected tests must pass unmutated, or a verdict would be CAUGHT for nothing."""
    groups = {}
    for m in mutants:
        key = (m.get("build", "asan"), m.get("label"))
        groups.setdefault(key, set()).add(m.get("regex") or "")
    for (kind, label), regexes in sorted(groups.items(), key=str):
        # CTest's regular expressions allow only a few groups: plain alternatives are merged into
        # one, anything else runs on its own.
        if "" in regexes:
            runs = [None]
        elif any(c in r for r in regexes for c in "()"):
            runs = sorted(regexes)
        else:
            runs = ["|".join(sorted({part for r in regexes for part in r.split("|")}))]
        for regex in runs:
            ran, failed = ctest(trees[kind], regex, label, env, log, jobs)
            if not ran or failed:
                sys.exit(f"unmutated, the {kind} tree fails {', '.join(failed) or 'to run'}")


def format_table(results):
    width = max([len("id")] + [len(r[0]) for r in results])
    lines = [f"{'id':<{width}}  {'verdict':<8}  tests"]
    for mid, verdict, tests in results:
        lines.append(f"{mid:<{width}}  {verdict:<8}  {' '.join(tests) or '-'}".rstrip())
    totals = {v: sum(1 for r in results if r[1] == v) for v in VERDICTS}
    lines.append("# " + ", ".join(f"{v.lower()} {n}" for v, n in totals.items()))
    return "\n".join(lines) + "\n"


def read_table(path):
    verdicts = {}
    with open(path, encoding="utf-8") as f:
        for line in f.readlines()[1:]:
            parts = line.split()
            if len(parts) >= 2 and not line.startswith("#"):
                verdicts[parts[0]] = parts[1]
    return verdicts


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--mutants", default=os.path.join(ROOT, "scripts", "mutants.json"))
    parser.add_argument("--only", help="comma-separated mutant ids")
    parser.add_argument("--list", action="store_true", help="list the mutants and stop")
    parser.add_argument("--out", default=os.path.join(ROOT, "build", "mutants-results.txt"))
    parser.add_argument("--log", default=os.path.join(ROOT, "build", "mutants.log"),
                        help="build and test output of the whole run")
    parser.add_argument("--expect", help="results file whose CAUGHT mutants must stay caught")
    parser.add_argument("--asan-tree", default=os.path.join(ROOT, "build", "mutants-asan"))
    parser.add_argument("--tsan-tree", default=os.path.join(ROOT, "build", "mutants-tsan"))
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--skip-clean-check", action="store_true",
                        help="do not run the selected tests on the unmutated tree first")
    args = parser.parse_args()

    mutants = load_mutants(args.mutants)
    if args.only:
        wanted = args.only.split(",")
        unknown = set(wanted) - {m["id"] for m in mutants}
        if unknown:
            sys.exit(f"unknown mutant(s): {', '.join(sorted(unknown))}")
        mutants = [m for m in mutants if m["id"] in wanted]
    if args.list:
        for m in mutants:
            print(f"{m['id']:<28} {m.get('build', 'asan'):<4} {m['file']}: {m['bug']}")
        return 0

    expected = read_table(args.expect) if args.expect else {}
    trees = {"asan": args.asan_tree, "tsan": args.tsan_tree}
    kinds = sorted({m.get("build", "asan") for m in mutants})
    env = environment()
    for path in (args.out, args.log):
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    signal.signal(signal.SIGTERM, on_signal)
    results = []
    with open(args.log, "w", encoding="utf-8") as log:
        build_trees(kinds, trees, env, log, args.jobs)
        if not args.skip_clean_check:
            clean_check(mutants, trees, env, log, args.jobs)
        try:
            for m in mutants:
                verdict, tests = try_mutant(m, trees, env, log, args.jobs)
                results.append((m["id"], verdict, tests))
                print(f"{m['id']}: {verdict} {' '.join(tests)}".rstrip(), flush=True)
        except (KeyboardInterrupt, Interrupted):
            print("interrupted; every mutated file is restored", file=sys.stderr)
            return 130
        # The trees were last built with a mutant planted; whoever runs ctest in them next (the
        # test command reuses the ASan tree) must get the real code.
        for kind in kinds:
            build(kind, trees[kind], env, log, args.jobs)

    files = sorted({m["file"] for m in mutants})
    dirty = subprocess.run(["git", "-C", ROOT, "diff", "--quiet", "--"] + files).returncode != 0
    table = format_table(results)
    sys.stdout.write("\n" + table)
    with open(args.out, "w", encoding="utf-8") as f:
        f.write(table)
    status = 0
    if dirty:
        print("the tree is not clean after the run: git diff " + " ".join(files), file=sys.stderr)
        status = 1
    lost = [mid for mid, verdict, _ in results
            if expected.get(mid) == "CAUGHT" and verdict != "CAUGHT"]
    for mid in lost:
        print(f"{mid}: caught in {args.expect}, not caught now", file=sys.stderr)
    return 1 if lost else status


if __name__ == "__main__":
    sys.exit(main())

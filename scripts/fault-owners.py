#!/usr/bin/env python3
"""Which unit test, and which row of its table, catches each planted fault.

Plants every fault that ../shared/tools/mutants.py knows (its sites, its
build) and records, for each, every test and row that fails, running on past
a test that crashes or hangs. Then answers, without building again, what
would survive if tests or rows went.

  scripts/fault-owners.py run owners.jsonl        # every site, about 35 minutes
  scripts/fault-owners.py report owners.jsonl     # what each test alone catches
  scripts/fault-owners.py report owners.jsonl --without "SettingsTest.MainLoad" \\
      "MappingRun.Outcomes/bad net name"          # what would then survive

A row is named by its SCOPED_TRACE text, else by the message streamed into
the failing assertion, else by the assertion's file and line.
"""
import argparse
import collections
import json
import os
import random
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "..", "shared", "tools"))
import mutants  # noqa: E402

SCRATCH = os.path.join(mutants.SCRATCH, "owners")
FAILURE = re.compile(r"^\S+/(tests/unit/\S+?:\d+): Failure$")
GTEST_TEXT = re.compile(r"^(  |Expected|Value of|Actual|Which is|Failed|The difference)")
GTEST_MARK = re.compile(r"^\[[-= ]")
NOISE = re.compile(r"^(==|SUMMARY:|\S+:\d+:\d+: runtime error)")  # sanitizer reports


def run_tests(binary, cwd):
    """Failing (test, row) pairs of one mutant, past crashes and hangs."""
    excluded, failures = [], set()
    while True:
        args = [binary] + (["--gtest_filter=-" + ":".join(excluded)] if excluded else [])
        p = subprocess.Popen(args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             text=True, errors="replace")
        try:
            out, hung = p.communicate(timeout=60)[0], False
        except subprocess.TimeoutExpired:
            p.kill()
            out, hung = p.communicate()[0], True
        failures |= parse(out)
        started = re.findall(r"^\[ RUN      \] (\S+)", out, re.M)
        ended = set(re.findall(r"^\[ +(?:OK|FAILED) +\] (\S+) \(", out, re.M))
        if p.returncode == 0 or not started or started[-1] in ended:
            return failures
        failures.add((started[-1], "hang" if hung else "crash"))
        excluded.append(started[-1])


def parse(out):
    failures, test = set(), None
    lines = [x for x in out.split("\n") if not NOISE.match(x)]
    for i, line in enumerate(lines):
        if line.startswith("[ RUN      ] "):
            test = line.split()[-1]
        m = FAILURE.match(line)
        if not m or test is None:
            continue
        body = []
        for later in lines[i + 1:]:
            if FAILURE.match(later) or GTEST_MARK.match(later):
                break
            body.append(later)
        if "Google Test trace:" in body:
            trace = "\n".join(body[body.index("Google Test trace:") + 1:])
            failures.add((test, re.sub(r"^\S+?:\d+: ", "", trace)))
            continue
        diffed = any(b.startswith("With diff:") for b in body)
        last = max([k for k, b in enumerate(body) if GTEST_TEXT.match(b)] + [-1])
        message = "\n".join(body[last + 1:]).strip()
        failures.add((test, message if message and not diffed else m.group(1)))
    for test in re.findall(r"^\[  FAILED  \] (\S+) \(", out, re.M):
        if not any(f[0] == test for f in failures):  # an exception, not an assertion
            failures.add((test, "failed"))
    return failures


def run(path):
    all_sites = mutants.sites(ROOT, mutants.logic_sources(ROOT))
    src, build = os.path.join(SCRATCH, "src"), os.path.join(SCRATCH, "build")
    shutil.rmtree(src, ignore_errors=True)
    tracked = subprocess.run(["git", "ls-files"], cwd=ROOT, stdout=subprocess.PIPE, text=True,
                             check=True).stdout.split()
    for t in tracked:
        if os.path.isfile(os.path.join(ROOT, t)):
            os.makedirs(os.path.dirname(os.path.join(src, t)), exist_ok=True)
            shutil.copy2(os.path.join(ROOT, t), os.path.join(src, t))
    for cmd in (["cmake", "-S", src, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
                 "-DQV_WINE_TESTS=OFF"], ["ninja", "-C", build, "unit_tests"]):
        rc, out = mutants.run(cmd, src, 1800)
        if rc != 0:
            sys.exit(out[-3000:])
    binary = os.path.join(build, "unit_tests")
    if run_tests(binary, build):
        sys.exit("the unmutated tests fail; fix them first")
    with open(path, "w") as record:
        for n, (f, i, name, old, new) in enumerate(all_sites):
            file = os.path.join(src, f)
            original = open(file, encoding="latin-1").read()
            lines = original.split("\n")
            lines[i] = new
            open(file, "w", encoding="latin-1").write("\n".join(lines))
            try:
                built = mutants.run(["ninja", "-C", build, "unit_tests"], src, 900)[0] == 0
                failures = sorted(run_tests(binary, build)) if built else None
            finally:
                open(file, "w", encoding="latin-1").write(original)
            record.write(json.dumps({"site": n, "at": f"{f}:{i + 1}", "change": f"{old.strip()}  ->  {new.strip()}",
                                     "failures": failures}) + "\n")
            print(f"[{n + 1}/{len(all_sites)}] {f}:{i + 1} [{name}] "
                  f"{'stillborn' if failures is None else len(failures)}", flush=True)


def report(path, without, count, seed):
    records = [json.loads(line) for line in open(path)]
    all_sites = mutants.sites(ROOT, mutants.logic_sources(ROOT))
    if len(all_sites) != len(records):
        sys.exit(f"{path} has {len(records)} sites, the sources {len(all_sites)}: run it again")
    # random.sample picks by position alone, so this is mutants.py's sample
    sample = set(random.Random(seed).sample(range(len(all_sites)), min(count, len(all_sites))))
    scored = [r for r in records if r["failures"] is not None]
    caught = {r["site"] for r in scored if any(t not in without and f"{t}/{row}" not in without
                                               for t, row in r["failures"])}

    def score(in_scope):
        n = sum(map(in_scope, scored))
        k = sum(1 for r in scored if r["site"] in caught and in_scope(r))
        return f"{k / n:.2f} ({k}/{n})"

    print(f"every site: {score(lambda r: True)}; sample of {count}, seed {seed}: "
          f"{score(lambda r: r['site'] in sample)}")
    if without:
        for r in scored:
            if r["failures"] and r["site"] not in caught:
                print(f"  would survive: {r['at']}  {r['change']}")
        return
    tests = collections.Counter(t for r in scored for t in {f[0] for f in r["failures"]})
    alone = collections.Counter(r["failures"][0][0] for r in scored
                                if len({f[0] for f in r["failures"]}) == 1)
    for test in sorted(tests):
        print(f"{tests[test]:4} caught, {alone[test]:3} by it alone  {test}")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("command", choices=["run", "report"])
    ap.add_argument("path")
    ap.add_argument("--without", nargs="*", default=[], help="tests (Suite.Name) or rows (Suite.Name/row)")
    ap.add_argument("--count", type=int, default=200)
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    if args.command == "run":
        run(args.path)
    else:
        report(args.path, set(args.without), args.count, args.seed)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Mutation testing of the native unit tests: small faults planted in the
logic, one at a time, and whether a test sees each.

Works in a scratch copy of the tracked files as they are in your tree (the
tree itself is never touched), built once, then rebuilt incrementally for
every fault: a comparison flipped, a constant moved by one, a statement
dropped, ... A planted fault is

  killed     a test failed, a sanitizer stopped the tests, or they hung
  survived   every test passed: a fault the tests do not see
  stillborn  it did not compile (not counted)

  scripts/mutate.py score                     # 200 faults, seed 1 (~6 minutes)
  scripts/mutate.py score --count 80 --seed 7 --files mapping/macros.cpp
  scripts/mutate.py score --list              # the sampled sites only
  scripts/mutate.py owners owners.jsonl       # every site, which tests and rows
                                              # catch each (~35 minutes)
  scripts/mutate.py report owners.jsonl       # what each test alone catches
  scripts/mutate.py report owners.jsonl --without "SettingsTest.MainLoad" \\
      "MappingRun.Outcomes/refused logon, cancelled"   # what would then survive
  scripts/mutate.py ratio                     # lines of test cases per line of product

The score is killed / (killed + survived). The same count and seed give the
same faults for the same sources, so runs before and after a change compare
like with like. `owners` names a row by its SCOPED_TRACE text, else by the
message streamed into the failing assertion, else by the assertion's line;
it runs on past a test that crashes or hangs. The scratch folder is
build/mutants (or QV_MUTANTS_DIR).
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
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRATCH = os.environ.get("QV_MUTANTS_DIR", os.path.join(ROOT, "build", "mutants"))

# The faults, each planted at one match on one line. A replacement of None
# moves the matched number up by one.
FAULTS = (
    ("==->!=", r"==(?!=)", "!="),
    ("!=->==", r"!=", "=="),
    ("<=-><", r"<=", "<"),
    (">=->>", r">=", ">"),
    ("<-><=", r"(?<![<\w])\s<\s(?![<=])", " <= "),
    (">->>=", r"(?<![->])\s>\s(?![>=])", " >= "),
    ("&&->||", r"&&", "||"),
    ("||->&&", r"\|\|", "&&"),
    ("!x->x", r"!(?=[A-Za-z_(])", ""),
    ("true->false", r"\btrue\b", "false"),
    ("false->true", r"\bfalse\b", "true"),
    ("+1->-1", r"\+ 1\b", "- 1"),
    ("-1->+1", r"- 1\b", "+ 1"),
    ("n->n+1", r"(?<![\w.'\"])([0-9]{1,4})(?![\w.'\"])", None),
    ("++->--", r"\+\+", "--"),
)
FAULTS = [(name, re.compile(rx), rep) for name, rx, rep in FAULTS]
# An assignment or a call standing alone: dropping it is a fault too.
STATEMENT = re.compile(r"^\s*(?:[A-Za-z_][\w:.\->\[\]]*\s*(?:=|\+=|-=|\|=)\s*[^=].*"
                       r"|[A-Za-z_][\w:.\->]*\(.*\));\s*$")
# Lines that declare rather than compute.
DECLARATION = re.compile(r"^\s*(#|//|/\*|\*|static_assert|case\b|default:|namespace\b|using\b"
                         r"|template\b|struct\b|class\b|enum\b|extern\b)")

FAILURE = re.compile(r"^\S+/(tests/unit/\S+?:\d+): Failure$")
GTEST_TEXT = re.compile(r"^(  |Expected|Value of|Actual|Which is|Failed|The difference)")
GTEST_MARK = re.compile(r"^\[[-= ]")
SANITIZER = re.compile(r"^(==|SUMMARY:|\S+:\d+:\d+: runtime error)")


def logic_sources():
    """The logic's .cpp files as CMakeLists.txt lists them, without the
    dialog tables: numbers planted there are the Wine tests' to see."""
    text = open(os.path.join(ROOT, "CMakeLists.txt")).read()
    listed = re.search(r"set\(QV_LOGIC_SOURCES(.*?)\)", text, re.S).group(1).split()
    return [f for f in listed if f.endswith(".cpp") and f != "ui/templates.cpp"]


def code_of(line):
    """The line with its string and character literals and // comment
    blanked, so that nothing inside them is mutated."""
    blank = lambda quote: lambda m: quote + " " * (len(m.group(0)) - 2) + quote  # noqa: E731
    out = re.sub(r'"(\\.|[^"\\])*"', blank('"'), line)
    out = re.sub(r"'(\\.|[^'\\])+'", blank("'"), out)
    cut = out.find("//")
    return out if cut < 0 else out[:cut] + " " * (len(out) - cut)


def sites(files):
    """Every (file, line index, fault, line, mutated line), in file and line order."""
    found = []
    for f in files:
        in_comment = False
        for i, line in enumerate(open(os.path.join(ROOT, f), encoding="latin-1").read().split("\n")):
            stripped = line.strip()
            if in_comment:
                in_comment = "*/" not in stripped
                continue
            if stripped.startswith("/*") and "*/" not in stripped:
                in_comment = True
                continue
            if not stripped or DECLARATION.match(line):
                continue
            code = code_of(line)
            for name, rx, rep in FAULTS:
                for m in rx.finditer(code):
                    if rep is None:
                        new = line[:m.start(1)] + str(int(m.group(1)) + 1) + line[m.end(1):]
                    else:
                        new = line[:m.start()] + rep + line[m.end():]
                    found.append((f, i, name, line, new))
            if STATEMENT.match(code) and not stripped.startswith("return"):
                found.append((f, i, "drop-statement", line, re.sub(r"\S.*", ";  // dropped", line, count=1)))
    return found


def sample(all_sites, count, seed):
    """Positions of the sampled sites (random.sample picks by position alone),
    ordered by file name and line."""
    picked = random.Random(seed).sample(range(len(all_sites)), min(count, len(all_sites)))
    return sorted(picked, key=lambda n: all_sites[n][:2])


def run(cmd, cwd, timeout):
    try:
        p = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           timeout=timeout, text=True, errors="replace")
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired:
        return "timeout", ""


class Scratch:
    """The scratch copy and its build of the unit tests, unmutated."""

    def __init__(self):
        self.src, self.build = os.path.join(SCRATCH, "src"), os.path.join(SCRATCH, "build")
        self.binary = os.path.join(self.build, "unit_tests")
        shutil.rmtree(self.src, ignore_errors=True)
        tracked = subprocess.run(["git", "ls-files"], cwd=ROOT, stdout=subprocess.PIPE, text=True,
                                 check=True).stdout.split()
        for t in tracked:
            if os.path.isfile(os.path.join(ROOT, t)):
                os.makedirs(os.path.dirname(os.path.join(self.src, t)), exist_ok=True)
                shutil.copy2(os.path.join(ROOT, t), os.path.join(self.src, t))
        print(f"mutate: scratch copy in {self.src}; building the unit tests once ...", flush=True)
        for cmd in (["cmake", "-S", self.src, "-B", self.build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
                     "-DQV_WINE_TESTS=OFF"], ["ninja", "-C", self.build, "unit_tests"]):
            rc, out = run(cmd, self.src, 1800)
            if rc != 0:
                sys.exit("mutate: the unmutated build failed\n" + out[-3000:])

    def with_fault(self, site, check):
        """Plants one fault, rebuilds, returns check() (None when stillborn),
        and takes the fault out again."""
        f, i, _, _, new = site
        path = os.path.join(self.src, f)
        original = open(path, encoding="latin-1").read()
        lines = original.split("\n")
        lines[i] = new
        open(path, "w", encoding="latin-1").write("\n".join(lines))
        try:
            built = run(["ninja", "-C", self.build, "unit_tests"], self.src, 900)[0] == 0
            return check() if built else None
        finally:
            open(path, "w", encoding="latin-1").write(original)

    def restore(self):
        run(["ninja", "-C", self.build, "unit_tests"], self.src, 900)


def describe(site):
    f, i, name, old, new = site
    return f"{f}:{i + 1}  [{name}]  {old.strip()}  ->  {new.strip()}"


def score(args):
    files = args.files or logic_sources()
    all_sites = sites(files)
    chosen = [all_sites[n] for n in sample(all_sites, args.count, args.seed)]
    if args.list:
        for site in chosen:
            print(describe(site))
        print(f"{len(chosen)} of {len(all_sites)} sites")
        return
    scratch = Scratch()
    if run([scratch.binary, "--gtest_brief=1"], scratch.build, args.timeout)[0] != 0:
        sys.exit("mutate: the unmutated tests fail; fix them first")
    verdicts = collections.Counter()
    survivors = []
    started = time.time()
    for n, site in enumerate(chosen, 1):
        rc = scratch.with_fault(site, lambda: run([scratch.binary, "--gtest_brief=1"], scratch.build,
                                                   args.timeout)[0])
        verdict = "stillborn" if rc is None else "SURVIVED" if rc == 0 else "killed"
        verdicts[verdict] += 1
        if verdict == "SURVIVED":
            survivors.append(describe(site))
        print(f"[{n}/{len(chosen)}] {verdict:9} {site[0]}:{site[1] + 1} [{site[2]}]", flush=True)
    scratch.restore()
    killed, survived = verdicts["killed"], verdicts["SURVIVED"]
    print(f"\nseed {args.seed}, {len(chosen)} mutants of {len(all_sites)} sites in {len(files)} files, "
          f"{time.time() - started:.0f} s")
    print(f"killed {killed}, survived {survived}, stillborn {verdicts['stillborn']}")
    if killed + survived:
        print(f"mutation score {killed / (killed + survived):.2f} ({killed}/{killed + survived})")
    if survivors:
        print("\nsurvivors (faults no test sees):")
        for s in survivors:
            print("  " + s)


def failing_rows(binary, cwd):
    """(test, row) pairs that fail, running on past tests that crash or hang."""
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
        failures |= rows_of(out)
        started = re.findall(r"^\[ RUN      \] (\S+)", out, re.M)
        ended = set(re.findall(r"^\[ +(?:OK|FAILED) +\] (\S+) \(", out, re.M))
        if p.returncode == 0 or not started or started[-1] in ended:
            return failures
        failures.add((started[-1], "hang" if hung else "crash"))
        excluded.append(started[-1])


def rows_of(out):
    """The failing rows of one test run's output."""
    failures, test = set(), None
    lines = [x for x in out.split("\n") if not SANITIZER.match(x)]
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


def owners(args):
    all_sites = sites(logic_sources())
    scratch = Scratch()
    if failing_rows(scratch.binary, scratch.build):
        sys.exit("mutate: the unmutated tests fail; fix them first")
    with open(args.path, "w") as record:
        for n, site in enumerate(all_sites):
            found = scratch.with_fault(site, lambda: sorted(failing_rows(scratch.binary, scratch.build)))
            record.write(json.dumps({"site": n, "at": f"{site[0]}:{site[1] + 1}",
                                     "change": f"{site[3].strip()}  ->  {site[4].strip()}",
                                     "failures": found}) + "\n")
            print(f"[{n + 1}/{len(all_sites)}] {site[0]}:{site[1] + 1} [{site[2]}] "
                  f"{'stillborn' if found is None else len(found)}", flush=True)
    scratch.restore()


def report(args):
    records = [json.loads(line) for line in open(args.path)]
    all_sites = sites(logic_sources())
    if len(all_sites) != len(records):
        sys.exit(f"{args.path} has {len(records)} sites, the sources {len(all_sites)}: run owners again")
    chosen = set(sample(all_sites, args.count, args.seed))
    without = set(args.without)
    scored = [r for r in records if r["failures"] is not None]
    caught = {r["site"] for r in scored if any(t not in without and f"{t}/{row}" not in without
                                               for t, row in r["failures"])}

    def share(in_scope):
        n = sum(map(in_scope, scored))
        k = sum(1 for r in scored if r["site"] in caught and in_scope(r))
        return f"{k / n:.2f} ({k}/{n})"

    print(f"every site: {share(lambda r: True)}; sample of {args.count}, seed {args.seed}: "
          f"{share(lambda r: r['site'] in chosen)}")
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


def ratio(_):
    """Non-blank, non-comment lines of the tracked product, test cases and
    test infrastructure, and how the first two compare."""
    tracked = subprocess.run(["git", "ls-files"], cwd=ROOT, stdout=subprocess.PIPE, text=True,
                             check=True).stdout.split()
    kinds = {
        "product": re.compile(r"^(startup|settings|mapping|ui|picture|platform)/.*\.(c|cc|cpp|h|hpp)$"),
        "test cases": re.compile(r"^(tests/.*(_test\.(c|cc|cpp)|/test_[^/]*\.py)|fuzz/[^/]*\.(c|cc|cpp))$"),
        "infrastructure": re.compile(r"^tests/(?!.*(_test\.(c|cc|cpp)|/test_[^/]*\.py)$)"
                                     r".*(\.(c|cc|cpp|h|hpp|py|cmake)|CMakeLists\.txt)$"),
    }
    counted = collections.Counter()
    for path in tracked:
        for kind, rx in kinds.items():
            if rx.match(path) and os.path.isfile(os.path.join(ROOT, path)):
                with open(os.path.join(ROOT, path), encoding="latin-1") as f:
                    counted[kind] += sum(1 for line in f if not re.match(r"^\s*($|//|#|/?\*)", line))
    for kind in kinds:
        print(f"{kind:<16} {counted[kind]}")
    print(f"cases/product    {counted['test cases'] / max(counted['product'], 1):.2f}  (keep at most 0.80)")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="command", required=True)
    s = sub.add_parser("score", help="the score of a sample of faults, and its survivors")
    s.add_argument("--files", nargs="*", help="product files to mutate (default: the logic's sources)")
    s.add_argument("--list", action="store_true", help="print the sampled sites and stop")
    s.add_argument("--timeout", type=int, default=120, help="seconds for one run of the tests")
    o = sub.add_parser("owners", help="every site: which tests and rows catch it, into PATH")
    o.add_argument("path")
    r = sub.add_parser("report", help="what PATH (from owners) says")
    r.add_argument("path")
    r.add_argument("--without", nargs="*", default=[], help="tests (Suite.Name) or rows (Suite.Name/row)")
    for p in (s, r):
        p.add_argument("--count", type=int, default=200)
        p.add_argument("--seed", type=int, default=1)
    sub.add_parser("ratio", help="lines of test cases per line of product")
    args = ap.parse_args()
    {"score": score, "owners": owners, "report": report, "ratio": ratio}[args.command](args)


if __name__ == "__main__":
    main()

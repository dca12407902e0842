#!/usr/bin/env python3
"""The release archive, reproducible to the byte; see scripts/release.sh.

Writes only build/release/ (and, with --check, build/release-check/) and
dist/. Entry times come from SOURCE_DATE_EPOCH, by default the last commit's
time, written as UTC; entries are sorted, with fixed permissions and no extra
fields, so that time zone, umask, locale and folder do not show."""

import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WIDTHS = (("i686", "i686"), ("x86_64", "x86-64"))  # toolchain, folder in the archive
# The parts of README.md a Windows user needs, in this order.
README_PARTS = ("Deploying on Windows", "Deploying to many machines", "The settings file", "Releases")
TOOLCHAIN_PACKAGES = ("g++-mingw-w64-i686-win32", "g++-mingw-w64-x86-64-win32", "binutils-mingw-w64-i686",
                      "binutils-mingw-w64-x86-64", "mingw-w64-i686-dev", "mingw-w64-x86-64-dev")


def git(*args):
    return subprocess.run(["git", *args], cwd=ROOT, check=True, capture_output=True, text=True).stdout


def version():
    """The program's "FileVersion" (cmake/win32.cmake), with dots for commas."""
    text = open(os.path.join(ROOT, "cmake", "win32.cmake")).read()
    found = re.search(r'^qv_program\(quorvane quorvane "([^"]+)"', text, re.M).group(1)
    return found.replace(",", ".")


def build(toolchain):
    """quorvane.exe of one width, from a build folder made anew."""
    folder = os.path.join(ROOT, "build", "release", toolchain)
    shutil.rmtree(folder, ignore_errors=True)
    for step in (["cmake", "-S", ROOT, "-B", folder, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=MinSizeRel",
                  f"-DCMAKE_TOOLCHAIN_FILE={ROOT}/cmake/mingw-{toolchain}.cmake", "-DQV_TEST_HELPERS=OFF"],
                 ["cmake", "--build", folder, "--target", "quorvane"]):
        subprocess.run(step, check=True, stdout=subprocess.DEVNULL)
    return open(os.path.join(folder, "quorvane.exe"), "rb").read()


def readme_text(sums):
    """README.txt: what the program does and the parts above, in CRLF text."""
    source = open(os.path.join(ROOT, "README.md")).read()
    parts = re.split(r"^## ", source, flags=re.M)
    intro = parts[0].split("**For developers.**")[0].replace("**For Windows users.** ", "")
    chosen = {p.split("\n", 1)[0]: "## " + p for p in parts[1:]}
    text = intro.rstrip() + "\n\n" + "\n".join(chosen[name] for name in README_PARTS)
    text = "\n".join(line for line in text.split("\n") if not line.startswith("!["))
    versions = subprocess.run(["dpkg-query", "-W", "-f", "  ${Package} ${Version}\n", *TOOLCHAIN_PACKAGES],
                              capture_output=True, text=True).stdout
    text += f"\n## This build\n\nBuilt from commit {git('rev-parse', 'HEAD').strip()} with:\n\n{versions}\n"
    text += "SHA-256 of the programs (also in SHA256SUMS):\n\n" + sums
    return text.replace("\n", "\r\n").encode()


def archive(entries, path):
    """A zip of `entries` {name: bytes}: sorted, fixed times and permissions."""
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH") or git("log", "-1", "--format=%ct"))
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip times start in 1980
    with zipfile.ZipFile(path, "w") as z:
        for name in sorted(entries):
            info = zipfile.ZipInfo(name, stamp)
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, entries[name], compresslevel=9)


def release(dirty_allowed):
    changed = [line[3:] for line in git("status", "--porcelain").splitlines()]
    if changed and not dirty_allowed:
        sys.exit("release: the work tree has changes (give --dirty to release it anyway):\n  "
                 + "\n  ".join(changed))
    name = f"quorvane-{version()}{'-dirty' if changed else ''}"
    programs = {f"{folder}/quorvane.exe": build(toolchain) for toolchain, folder in WIDTHS}
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {n}\n" for n, data in sorted(programs.items()))
    example = open(os.path.join(ROOT, "resources", "quorvane.ini.example"), "rb").read()
    entries = dict(programs, **{"SHA256SUMS": sums.encode(), "README.txt": readme_text(sums),
                                "quorvane.ini.example": example.replace(b"\n", b"\r\n")})
    os.makedirs(os.path.join(ROOT, "dist"), exist_ok=True)
    path = os.path.join(ROOT, "dist", name + ".zip")
    archive(entries, path)
    data = open(path, "rb").read()
    print(f"release: {os.path.relpath(path, ROOT)}, {len(data)} bytes, SHA-256 {hashlib.sha256(data).hexdigest()}")
    return path


def check(path):
    """The same release from a second clone, elsewhere and otherwise set up."""
    other = os.path.join(ROOT, "build", "release-check", "a-much-longer-folder-name-for-the-second-build", "quorvane")
    shutil.rmtree(os.path.dirname(other), ignore_errors=True)
    subprocess.run(["git", "clone", "--quiet", "--no-hardlinks", ROOT, other], check=True)
    env = dict(os.environ, TZ="Pacific/Chatham", LC_ALL="C", LANG="C")
    subprocess.run(["bash", "-c", "umask 077 && exec scripts/release.sh"], cwd=other, env=env, check=True)
    theirs = os.path.join(other, "dist", os.path.basename(path))
    same = open(path, "rb").read() == open(theirs, "rb").read()
    print(f"release: the second build, in {os.path.relpath(other, ROOT)} (TZ {env['TZ']}, umask 077, "
          f"LC_ALL C), is {'byte for byte the same' if same else 'DIFFERENT'}")
    if not same:
        sys.exit(1)


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--dirty", action="store_true", help="release a work tree with changes")
    ap.add_argument("--check", action="store_true", help="build again in a second clone and compare")
    args = ap.parse_args()
    path = release(args.dirty)
    if args.check and path.endswith("-dirty.zip"):
        # The clone holds the last commit, not the changes: nothing to compare.
        print("release: not checked: --check needs a work tree without changes")
    elif args.check:
        check(path)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The release archive and packages, reproducible to the byte; see
scripts/release.sh.

Writes only build/release/ (and, with --check, build/release-check/) and
dist/. Entry times come from SOURCE_DATE_EPOCH, by default the last commit's
time, written as UTC; entries are sorted, with fixed permissions and no extra
fields, so that time zone, umask, locale and folder do not show. The
packages' storage times come from the same time (scripts/package.py)."""

import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import time
import zipfile

import package

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WIDTHS = (("i686", "i686", "x86"), ("x86_64", "x86-64", "x64"))  # toolchain, folder in the archive, package
# The parts of README.md a Windows user needs, in this order.
README_PARTS = ("Deploying on Windows", "Deploying to many machines", "What happened on a machine",
                "The settings file", "Releases")
TOOLCHAIN_PACKAGES = ("g++-mingw-w64-i686-win32", "g++-mingw-w64-x86-64-win32", "binutils-mingw-w64-i686",
                      "binutils-mingw-w64-x86-64", "mingw-w64-i686-dev", "mingw-w64-x86-64-dev",
                      # what writes the packages' bytes
                      "wixl", "msitools", "libmsi0", "libgcab-1.0-0")


def git(*args):
    return subprocess.run(["git", *args], cwd=ROOT, check=True, capture_output=True, text=True).stdout


def file_version():
    """The program's "FileVersion" (cmake/win32.cmake)."""
    text = open(os.path.join(ROOT, "cmake", "win32.cmake")).read()
    return re.search(r'^qv_program\(quorvane quorvane "([^"]+)"', text, re.M).group(1)


def version():
    """The release's version: the "FileVersion" with dots for commas."""
    return file_version().replace(",", ".")


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


def epoch():
    return int(os.environ.get("SOURCE_DATE_EPOCH") or git("log", "-1", "--format=%ct"))


def archive(entries, path):
    """A zip of `entries` {name: bytes}: sorted, fixed times and permissions."""
    stamp = time.gmtime(max(epoch(), 315532800))[:6]  # zip times start in 1980
    with zipfile.ZipFile(path, "w") as z:
        for name in sorted(entries):
            info = zipfile.ZipInfo(name, stamp)
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, entries[name], compresslevel=9)


def release(dirty_allowed):
    """Makes dist/'s zip, packages and SHA256SUMS; returns their paths."""
    changed = [line[3:] for line in git("status", "--porcelain").splitlines()]
    if changed and not dirty_allowed:
        sys.exit("release: the work tree has changes (give --dirty to release it anyway):\n  "
                 + "\n  ".join(changed))
    name = f"quorvane-{version()}{'-dirty' if changed else ''}"
    programs = {f"{folder}/quorvane.exe": build(toolchain) for toolchain, folder, _ in WIDTHS}
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {n}\n" for n, data in sorted(programs.items()))
    example = open(os.path.join(ROOT, "resources", "quorvane.ini.example"), "rb").read()
    entries = dict(programs, **{"SHA256SUMS": sums.encode(), "README.txt": readme_text(sums),
                                "quorvane.ini.example": example.replace(b"\n", b"\r\n")})
    dist = os.path.join(ROOT, "dist")
    os.makedirs(dist, exist_ok=True)
    paths = [os.path.join(dist, name + ".zip")]
    archive(entries, paths[0])
    # Another commit's package of the same version has another package code.
    commit = git("rev-parse", "HEAD").strip() + ("-dirty" if changed else "")
    for toolchain, _, arch in WIDTHS:
        paths.append(os.path.join(dist, f"{name}-{arch}.msi"))
        package.build(arch, os.path.join(ROOT, "build", "release", toolchain, "quorvane.exe"),
                      file_version(), commit, epoch(), paths[-1])
    listing = ""
    for p in paths:
        with open(p, "rb") as f:
            data = f.read()
        listing += f"{hashlib.sha256(data).hexdigest()}  {os.path.basename(p)}\n"
        print(f"release: {os.path.relpath(p, ROOT)}, {len(data)} bytes, SHA-256 {hashlib.sha256(data).hexdigest()}")
    with open(os.path.join(dist, "SHA256SUMS"), "w") as f:
        f.write(listing)
    return paths


def check(paths):
    """The same release from a second clone, elsewhere and otherwise set up."""
    other = os.path.join(ROOT, "build", "release-check", "a-much-longer-folder-name-for-the-second-build", "quorvane")
    shutil.rmtree(os.path.dirname(other), ignore_errors=True)
    subprocess.run(["git", "clone", "--quiet", "--no-hardlinks", ROOT, other], check=True)
    env = dict(os.environ, TZ="Pacific/Chatham", LC_ALL="C", LANG="C")
    subprocess.run(["bash", "-c", "umask 077 && exec scripts/release.sh"], cwd=other, env=env, check=True)
    different = []
    for path in paths + [os.path.join(os.path.dirname(paths[0]), "SHA256SUMS")]:
        theirs = os.path.join(other, "dist", os.path.basename(path))
        if open(path, "rb").read() != open(theirs, "rb").read():
            different.append(os.path.basename(path))
    print(f"release: the second build, in {os.path.relpath(other, ROOT)} (TZ {env['TZ']}, umask 077, "
          f"LC_ALL C), is {'DIFFERENT: ' + ', '.join(different) if different else 'byte for byte the same'}")
    if different:
        sys.exit(1)


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--dirty", action="store_true", help="release a work tree with changes")
    ap.add_argument("--check", action="store_true", help="build again in a second clone and compare")
    args = ap.parse_args()
    paths = release(args.dirty)
    if args.check and paths[0].endswith("-dirty.zip"):
        # The clone holds the last commit, not the changes: nothing to compare.
        print("release: not checked: --check needs a work tree without changes")
    elif args.check:
        check(paths)


if __name__ == "__main__":
    main()

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
import shlex
import shutil
import subprocess
import sys
import time
import zipfile

import package
import sign

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WIDTHS = (("i686", "i686", "x86"), ("x86_64", "x86-64", "x64"))  # toolchain, folder in the archive, package
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


def readme_text(sums, signed=False):
    """README.txt: resources/README.txt, for the people who use the zip, and
    this build's facts, in CRLF text."""
    text = open(os.path.join(ROOT, "resources", "README.txt")).read()
    # PE files signed by osslsigncode 2.5 and 2.9 differ: a signed build names it.
    tools = TOOLCHAIN_PACKAGES + (("osslsigncode",) if signed else ())
    versions = subprocess.run(["dpkg-query", "-W", "-f", "  ${Package} ${Version}\n", *tools],
                              capture_output=True, text=True).stdout
    text += (f"\n\nThis build\n----------\n\nBuilt from commit {git('rev-parse', 'HEAD').strip()} with:\n\n"
             f"{versions}\nSHA-256 of the programs (also in SHA256SUMS):\n\n" + sums)
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


def release(dirty_allowed, signing=None, dist=None):
    """Makes the zip, packages and SHA256SUMS, signed with `signing` (a
    sign.Signer or sign.Attacher) when given, with the signatures in
    signatures/; all in a staging folder, moved into `dist` (dist/) only
    when every step went well. Returns the paths of the zip and packages."""
    changed = [line[3:] for line in git("status", "--porcelain").splitlines()]
    if changed and not dirty_allowed:
        sys.exit("release: the work tree has changes (give --dirty to release it anyway):\n  "
                 + "\n  ".join(changed))
    name = f"quorvane-{version()}{'-dirty' if changed else ''}"
    staging = os.path.join(ROOT, "build", "release", "staging")
    shutil.rmtree(staging, ignore_errors=True)
    os.makedirs(staging)
    signatures = os.path.join(staging, "signatures")
    if signing:
        os.makedirs(signatures)

    def signed(unsigned, name):
        """The file to ship: `unsigned`, or its signed copy beside it."""
        if not signing:
            return unsigned
        out = os.path.join(os.path.dirname(unsigned), "signed-" + os.path.basename(unsigned))
        signing.sign(unsigned, out, name + ".pem")
        sign.extract(out, os.path.join(signatures, name + ".pem"))
        return out

    # The programs are signed before they go into the zip and the packages,
    # so that the installed program is signed too.
    shipped = {}
    for toolchain, folder, _ in WIDTHS:
        build(toolchain)
        shipped[toolchain] = signed(os.path.join(ROOT, "build", "release", toolchain, "quorvane.exe"),
                                    f"{folder}-quorvane.exe")
    programs = {f"{folder}/quorvane.exe": open(shipped[toolchain], "rb").read() for toolchain, folder, _ in WIDTHS}
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {n}\n" for n, data in sorted(programs.items()))
    example = open(os.path.join(ROOT, "resources", "quorvane.ini.example"), "rb").read()
    entries = dict(programs, **{"SHA256SUMS": sums.encode(), "README.txt": readme_text(sums, signing is not None),
                                "quorvane.ini.example": example.replace(b"\n", b"\r\n")})
    files = [name + ".zip"]
    archive(entries, os.path.join(staging, files[0]))
    # Another commit's package of the same version has another package code.
    commit = git("rev-parse", "HEAD").strip() + ("-dirty" if changed else "")
    for toolchain, _, arch in WIDTHS:
        files.append(f"{name}-{arch}.msi")
        unsigned = os.path.join(ROOT, "build", "release", toolchain, files[-1])
        package.build(arch, shipped[toolchain], file_version(), commit, epoch(), unsigned)
        shutil.copyfile(signed(unsigned, files[-1]), os.path.join(staging, files[-1]))
    listing = ""
    for f in files:
        data = open(os.path.join(staging, f), "rb").read()
        listing += f"{hashlib.sha256(data).hexdigest()}  {f}\n"
        print(f"release: {f}, {len(data)} bytes, SHA-256 {hashlib.sha256(data).hexdigest()}")
    with open(os.path.join(staging, "SHA256SUMS"), "w") as out:
        out.write(listing)

    dist = dist or os.path.join(ROOT, "dist")
    os.makedirs(dist, exist_ok=True)
    shutil.rmtree(os.path.join(dist, "signatures"), ignore_errors=True)
    for f in files + ["SHA256SUMS"] + (["signatures"] if signing else []):
        shutil.move(os.path.join(staging, f), os.path.join(dist, f))
    print(f"release: in {os.path.relpath(dist, ROOT) if dist.startswith(ROOT) else dist}"
          + (", signed; the signatures in signatures/" if signing else ""))
    return [os.path.join(dist, f) for f in files]


def check(paths, ca=None):
    """The same release from a second clone, elsewhere and otherwise set up;
    for a signed release the clone attaches its signatures, without the key."""
    other = os.path.join(ROOT, "build", "release-check", "a-much-longer-folder-name-for-the-second-build", "quorvane")
    shutil.rmtree(os.path.dirname(other), ignore_errors=True)
    subprocess.run(["git", "clone", "--quiet", "--no-hardlinks", ROOT, other], check=True)
    env = dict(os.environ, TZ="Pacific/Chatham", LC_ALL="C", LANG="C")
    command = "umask 077 && exec scripts/release.sh"
    dist = os.path.dirname(paths[0])
    if ca:
        command += f" --signatures {shlex.quote(os.path.join(dist, 'signatures'))} --ca {shlex.quote(ca)}"
    subprocess.run(["bash", "-c", command], cwd=other, env=env, check=True)
    different = []
    for path in paths + [os.path.join(dist, "SHA256SUMS")]:
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
    ap.add_argument("--sign", metavar="CERT.p12", help="sign with the key and certificate of this PKCS#12 file")
    ap.add_argument("--password-file", metavar="FILE", help="the PKCS#12 file's password, read from this file")
    ap.add_argument("--timestamp", metavar="URL", help="a time-stamping authority (osslsigncode's -ts)")
    ap.add_argument("--signatures", metavar="DIR", help="attach a signed release's signatures instead of signing")
    ap.add_argument("--ca", metavar="ROOT.pem", help="the root the signatures must chain to")
    ap.add_argument("--dist", metavar="DIR", help="write the release here instead of dist/")
    args = ap.parse_args()
    signing = None
    try:
        if args.sign and args.signatures:
            ap.error("--sign and --signatures exclude each other")
        if (args.sign or args.signatures) and not args.ca:
            ap.error("signing needs --ca ROOT.pem, the root the signatures must chain to")
        if args.sign and not args.password_file:
            ap.error("--sign needs --password-file FILE (never the password itself)")
        if args.sign:
            signing = sign.Signer(args.sign, args.password_file, os.path.abspath(args.ca), epoch(), args.timestamp)
        elif args.signatures:
            signing = sign.Attacher(os.path.abspath(args.signatures), os.path.abspath(args.ca), epoch())
        paths = release(args.dirty, signing, args.dist and os.path.abspath(args.dist))
    except sign.SignError as e:
        sys.exit(f"release: {e}; nothing was written to the release folder")
    if args.check and paths[0].endswith("-dirty.zip"):
        # The clone holds the last commit, not the changes: nothing to compare.
        print("release: not checked: --check needs a work tree without changes")
    elif args.check:
        check(paths, signing and os.path.abspath(args.ca))


if __name__ == "__main__":
    main()

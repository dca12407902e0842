#!/usr/bin/env python3
"""The bad-input matrix: the real quorvane.exe under Wine against broken,
locked and read-only settings files, values out of range, odd command lines,
a missing Subst tool, refusals of the file server, programs that do not exist
and a Run key it may not write.

Every row asks for exit code 0, no crash, the settings file as it was (or as
the row's `file` check wants it), no window left open, and the row's own
outcome. One line per row; exits 1 when any row fails.
"""

import os
import subprocess
import sys

from qvtest import DRIVER, ID, SETUP_CAPTION, SETUP_SAVE, WineTest, wait_for

DIR = "C:\\qvtest\\matrix"
RUN_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
SUBST = "C:\\windows\\system32\\subst.exe"
SHARE = b"[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\n"
MAPERROR = b"[MAPERROR]\r\nTitle=Cannot map %DRIVE%\r\nLine1=Error %ERRORCODE%\r\nLine2=\r\nLine3=\r\nLine4=\r\nLine5=\r\n"
ODD = (b"[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=QQQ\r\nPersistantConnection=257\r\n"
       b"ForceDisConnection=2\r\nPromptCredentials=abc\r\nStartUp=2\r\nUpdateMode=256\r\n"
       b"SaveCredentials=-3\r\nUserName=" + b"u" * 2000 + b"\r\nPassWord=" + b"p" * 2000 + b"\r\n"
       b"[SECTEXECUTE]\r\nExecute2=C:\\" + b"x" * 2000 + b".exe\r\n")
MISSING = b"[SECTEXECUTE]\r\n" + b"".join(b"Execute%d=C:\\nowhere\\%d.exe\r\n" % (n, n) for n in (1, 2, 3))


class Skip(Exception):
    """This machine cannot set the row up; the row says so."""


def rows(w):
    """(what, settings file or None, options, outcome): the options are args,
    answers (see run_program), setup (the dialog is closed at the end), file
    (before, after -> as meant) and world (prepare, undo)."""
    state = {}

    def lock(path):
        w.remove(path + ".locked")
        state["lock"], _ = w.start([DRIVER, "lock", path, "8000"])
        if not wait_for(lambda: w.exists(path + ".locked"), 20):
            raise AssertionError("the file could not be locked")

    def unlock(path):
        state.pop("lock").kill()
        w.remove(path + ".locked")

    def immutable(path):  # root writes through any permission bits
        if subprocess.run(["chattr", "+i", w.unix(path)], capture_output=True).returncode != 0:
            raise Skip("no immutable flag on this file system")

    def run_key(access):
        return lambda _path: w.wine([DRIVER, "regacl", RUN_KEY, access], check=True)

    def subst_away(_path):
        os.rename(w.unix(SUBST), w.unix(SUBST) + ".away")

    def subst_back(_path):
        if os.path.exists(w.unix(SUBST) + ".away"):
            os.rename(w.unix(SUBST) + ".away", w.unix(SUBST))

    def saves_refused(start):
        return lambda t: [x[:len(start)] for x in t if isinstance(x, str)] == [start] * 2

    def refused(code):
        return (f"file server answers {code}: MAPERROR box", SHARE + MAPERROR, dict(
            answers=[("Cannot map Q:", "ok")], world=(lambda _p: w.serve(f"fail \\\\srv\\data {code}"), None)),
            lambda t: t == [f"Error {code}\n\n\n\n"] and w.drive("Q") is None)

    def mapped(_t):
        return w.drive("Q") == "unc/srv/data"

    def nothing(_t):
        return w.drive("Q") is None and w.calls() == []

    save_twice = [("Settings Not Saved", "ok"), (SETUP_CAPTION, [SETUP_SAVE]), ("Settings Not Saved", "ok")]
    return [
        ("settings file missing: setup dialog", None, dict(setup=True), nothing),
        ("settings file empty: setup dialog", b"", dict(setup=True), nothing),
        ("settings file binary: setup dialog", bytes(range(256)) * 64, dict(setup=True), nothing),
        ("settings file of 1 MB: address cut, unreachable", b"[MAIN]\r\nShareAddress=" + b"s" * (1 << 20)
         + b"\r\nMapToDrive=Q\r\n", dict(answers=[("Title", "ok")]), nothing),
        ("settings file of 10,000 keys: the last ones read", b"[MAIN]\r\n" + b"".join(
            b"Key%d=%d\r\n" % (i, i) for i in range(10000)) + SHARE[8:], {}, mapped),
        ("settings file locked: defaults, setup dialog", SHARE, dict(setup=True, world=(lock, unlock)), nothing),
        ("settings file read-only, Save pressed twice: one message each", SHARE, dict(
            args=["/?"], setup=True, world=(immutable, lambda p: subprocess.run(["chattr", "-i", w.unix(p)])),
            answers=[(SETUP_CAPTION, [f"set:{ID.IDE_SETUP_ADDRESS}=x", SETUP_SAVE])] + save_twice),
         saves_refused("The settings could not be saved in")),
        ("DriveType=7: connected without a letter", SHARE + b"DriveType=7\r\n", {},
         lambda _t: [c[2] for c in w.calls()] == [""] and w.drive("Q") is None),
        ("every other value out of range: low bytes, texts cut to 259", ODD, dict(
            file=lambda before, after: after == before.replace(b"u" * 2000, b"u" * 259).replace(b"p" * 2000, b"p" * 259)),
         lambda _t: [len(x) for x in w.calls()[0][3:5]] + w.calls()[0][5:6] == [259, 259, "1"] and mapped(_t)
         and w.reg_query("HKLM\\" + RUN_KEY, "quorvane") is None),
        ("share error texts of 2,000 characters, Buttons=9: box shown, cut",
         b"[MAIN]\r\nShareAddress=\\\\nosrv\\x\r\n[SHAREERROR]\r\nButtons=9\r\nTitle=" + b"T" * 2000
         + b"\r\nLine1=" + b"L" * 2000 + b"\r\n", dict(answers=[("T" * 259, "ok")]),
         lambda t: t[0].startswith("L" * 259 + "\n")),
        ("command line of 2,000 characters: setup dialog", SHARE, dict(args=["x" * 2000], setup=True), nothing),
        ("command line with an odd quote: unattended run", SHARE, dict(args=['"unclosed']), mapped),
        ('"%SHARE%" in the address, Map Drive Now: expanded once', SHARE, dict(
            args=["/?"], setup=True, answers=[(SETUP_CAPTION, [f"set:{ID.IDE_SETUP_ADDRESS}=\\\\srv\\%SHARE%",
                                                               f"press:{ID.IDB_MAP_NOW}"]), ("Title", "ok"), ("Title", "ok")]),
         lambda t: len(t) == 3 and len(w.calls()) == 1),
        ("Subst tool missing: MAPERROR box", b"[MAIN]\r\nShareAddress=C:\\qvtest\r\nMapToDrive=S\r\nDriveType=1\r\n"
         + MAPERROR, dict(answers=[("Cannot map S:", "ok")], world=(subst_away, subst_back)),
         lambda _t: w.drive("S") is None),
        refused(53), refused(1219),
        ("file server answers 1326, prompt closed: no message", SHARE + b"[CREDENTIALS]\r\nTitle=Log on\r\n",
         dict(answers=[("Log on", ["close"])], world=(lambda _p: w.serve("fail \\\\srv\\data 1326"), None)),
         lambda t: len(t) == 1 and [c[-1] for c in w.calls()] == ["=1326"] and w.drive("Q") is None),
        ("programs that do not exist: no message", SHARE + MISSING, {}, mapped),
        ("Run key read-only, StartUp=1: no message", SHARE + b"StartUp=1\r\n",
         dict(world=(run_key("read"), run_key("full"))), mapped),
        ("Run key read-only, Save pressed twice: one message each", SHARE, dict(
            args=["/?"], setup=True, world=(run_key("read"), run_key("full")),
            answers=[(SETUP_CAPTION, [f"check:{ID.IDX_START_UP}=1", SETUP_SAVE])] + save_twice,
            file=lambda _b, after: b"StartUp=1\r\n" in after), saves_refused('"Start With System" could not be')),
    ]


def run_row(t, n, settings, options, outcome):
    """Runs one row; returns its failures, or raises Skip."""
    w = t.world
    exe = f"{DIR}\\{n:02d}\\quorvane.exe"
    ini = exe[:-3] + "ini"
    w.install_binary("quorvane.exe", exe)
    w.remove(ini)
    if settings is not None:
        w.put(ini, settings)
    w.clear_logs()
    w.serve("share \\\\srv\\data")
    for letter in "QS":
        w.drop_drive(letter)
    w.reg_delete("HKLM\\" + RUN_KEY, "quorvane")
    prepare, undo = options.get("world", (None, None))
    try:
        if prepare:
            prepare(ini)
        rc, err, texts = t.run_program(exe, args=options.get("args", ()), answers=options.get("answers", ()),
                                       setup=options.get("setup", False))
        w.wait_for_programs("quorvane.exe")
    except Skip:
        raise
    except Exception as e:  # noqa: BLE001 - a row reports any failure
        return [f"{type(e).__name__}: {str(e).splitlines()[0][:90]}"]
    finally:
        if undo:
            undo(ini)
    after = w.read(ini) if w.exists(ini) else None
    file_ok = options["file"](settings, after) if "file" in options else after == settings
    problems = {f"exit {rc}": rc != 0, "crash": any(s in err for s in ("Unhandled", "page fault", "winedbg")),
                "settings file WRONG": not file_ok, "outcome WRONG": not outcome(texts),
                "a window was left open": w.wine([DRIVER, "window", SETUP_CAPTION, "close", "wait:0"]).returncode == 0}
    return [p for p, bad in problems.items() if bad]


def main():
    t = WineTest()
    WineTest.setUpClass()
    t.world.publish("\\\\srv\\data", DIR + "\\server-data")
    failures = 0
    table = rows(t.world)
    for n, (what, settings, options, outcome) in enumerate(table, 1):
        try:
            problems = run_row(t, n, settings, options, outcome)
        except Skip as e:
            problems, what = [], f"{what} (skipped: {e})"
        failures += bool(problems)
        print(f"{n:>2}  {what:<66}  {'; '.join(problems) + '   <-- FAILED' if problems else 'ok'}", flush=True)
    for letter in "QS":
        t.world.drop_drive(letter)
    print(f"{len(table)} rows, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

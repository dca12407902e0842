#!/usr/bin/env python3
"""The bad-input matrix: the real quorvane.exe under Wine against broken
settings files, out-of-range values, odd command lines, long addresses, a
missing Subst tool, every refusal of the file server, programs that do not
exist and a Run key it may not write. One row per case, printed as a table.

Every row asks for exit code 0, no crash, the settings file byte for byte
as it was (unless the row saved, or the program is meant to write it), no
window left open, and the row's own outcome. Exits 1 when any row fails.
Runs in the test world (QV_WORLD), as the other Wine tests do.
"""

import os
import subprocess
import sys
import time

from qvtest import DRIVER, ID, SETUP_CAPTION, SETUP_SAVE, WineTest

DIR = "C:\\qvtest\\matrix"
ASK_COPY = "General Options Not Set"
RUN_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
SUBST = "C:\\windows\\system32\\subst.exe"
SHARE = b"[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\n"
MAPERROR = (b"[MAPERROR]\r\nTitle=Cannot map %DRIVE%\r\nLine1=Error %ERRORCODE%\r\n"
            b"Line2=\r\nLine3=\r\nLine4=\r\nLine5=\r\n")


class Skip(Exception):
    """This machine cannot set the case up; the row says so."""


class Case:
    def __init__(self, name, ini=None, args=(), answers=(), setup=False, writes=None,
                 check=None, prepare=None, undo=None):
        self.name = name
        self.ini = ini          # the settings file's bytes, None: no file
        self.args = list(args)
        self.answers = list(answers)  # what is answered, in order (see run_program)
        self.setup = setup      # the setup dialog opens at the end and is closed
        self.writes = writes    # None: the file must stay as it was; else a check
        self.check = check      # returns the outcome's text, raises when wrong
        self.prepare = prepare
        self.undo = undo


class Matrix(WineTest):
    """Borrows the Wine tests' way of running and answering the program."""

    def runTest(self):  # never run as a unit test
        pass


def calls(w):
    return ["|".join(c[:3] + c[-1:]) for c in w.calls()]


def expect(condition, text):
    if not condition:
        raise AssertionError(text)
    return text


# --- the cases ---------------------------------------------------------------

def settings_file_cases(w):
    def dialog_only(_texts):
        return expect(w.drive("Q") is None and w.calls() == [], "setup dialog, nothing mapped")

    def share_error(texts):
        return expect(texts[:1] == ["Line1\nLine2\nLine3\nLine4\nLine5"] and w.calls() == [],
                      "address cut to 259: unreachable, SHAREERROR box, no connection")

    def locked(path):
        w.remove(path + ".locked")
        proc, _ = w.start([DRIVER, "lock", path, "8000"])
        for _ in range(400):
            if w.exists(path + ".locked"):
                return proc
            if proc.poll() is not None:
                break
            time.sleep(0.05)
        raise AssertionError("the file could not be locked")

    state = {}

    def lock(path):
        state["lock"] = locked(path)

    def unlock(path):
        proc = state.pop("lock", None)
        if proc is not None:
            proc.kill()
            proc.wait()
        w.remove(path + ".locked")

    def immutable(path):
        # Root writes through any permission bits; only the immutable flag
        # stops it, where the file system has one.
        if subprocess.run(["chattr", "+i", w.unix(path)], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode != 0:
            raise Skip("no immutable flag on this file system")

    def mutable(path):
        subprocess.run(["chattr", "-i", w.unix(path)], check=False)

    many_keys = (b"[MAIN]\r\n" + b"".join(b"Key%d=%d\r\n" % (i, i) for i in range(10000))
                 + b"ShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\n")
    return [
        Case("settings file missing", None, setup=True, check=dialog_only),
        Case("settings file empty", b"", setup=True, check=dialog_only),
        Case("settings file binary", bytes(range(256)) * 64, setup=True, check=dialog_only),
        Case("settings file of 1 MB (one address line)",
             b"[MAIN]\r\nShareAddress=" + b"s" * (1 << 20) + b"\r\nMapToDrive=Q\r\n",
             answers=[("Title", "ok")], check=share_error),
        Case("settings file of 10,000 keys", many_keys,
             check=lambda _t: expect(w.drive("Q") == "unc/srv/data",
                                     "keys after 10,000 others read: Q: mapped")),
        Case("settings file locked by another process", SHARE, setup=True,
             prepare=lock, undo=unlock,
             check=lambda t: dialog_only(t).replace("setup", "unreadable: defaults, setup")),
        Case("settings file read-only (even for root), Save pressed", SHARE + b"StartUp=0\r\n",
             args=["/?"], answers=[(SETUP_CAPTION, [f"set:{ID.IDE_SETUP_ADDRESS}=\\\\srv\\other",
                                                    SETUP_SAVE]),
                                   ("Settings Not Saved", "ok"),
                                   (SETUP_CAPTION, [SETUP_SAVE]),
                                   ("Settings Not Saved", "ok")],
             setup=True, prepare=immutable, undo=mutable, check=not_saved(
                 "The settings could not be saved in", "one message a Save; file as it was")),
    ]


def not_saved(start, outcome):
    """Each Save showed one message beginning with START, and the dialog
    still answered between them."""
    def check(texts):
        boxes = [t for t in texts if isinstance(t, str)]
        dialogs = [t for t in texts if isinstance(t, dict)]
        return expect(len(boxes) == 2 and all(b.startswith(start) for b in boxes)
                      and len(dialogs) == 2, f"{outcome} ({boxes[:1]})")
    return check


def value_cases(w):
    def no_letter(_t):
        return expect(calls(w) == ["add|\\\\srv\\data||=0"] and w.drive("Q") is None,
                      "connected without a letter, as a printer")

    def all_at_once(_t):
        c = w.calls()[0]
        return expect([len(c[3]), len(c[4]), c[5]] == [259, 259, "1"] and w.drive("Q") == "unc/srv/data"
                      and w.reg_query("HKLM\\" + RUN_KEY, "quorvane") is None,
                      "low bytes, first letter, texts cut to 259; Q: mapped, no Run entry")

    return [
        Case("DriveType=7", SHARE + b"DriveType=7\r\n", check=no_letter),
        Case("every other value out of range at once", b"[MAIN]\r\nShareAddress=\\\\srv\\data\r\n"
             b"MapToDrive=QQQ\r\nPersistantConnection=257\r\nForceDisConnection=2\r\n"
             b"PromptCredentials=abc\r\nStartUp=2\r\nUpdateMode=256\r\nSaveCredentials=-3\r\n"
             b"UserName=" + b"u" * 2000 + b"\r\nPassWord=" + b"p" * 2000 + b"\r\n"
             b"[SECTEXECUTE]\r\nExecute2=C:\\" + b"x" * 2000 + b".exe\r\n",
             writes=lambda before, after: after == before.replace(b"u" * 2000, b"u" * 259)
             .replace(b"p" * 2000, b"p" * 259), check=all_at_once),
        Case("SHAREERROR Buttons=9, texts of 2,000 characters",
             b"[MAIN]\r\nShareAddress=\\\\nosrv\\data\r\nMapToDrive=Q\r\n[SHAREERROR]\r\n"
             b"Buttons=9\r\nTitle=" + b"T" * 2000 + b"\r\nLine1=" + b"L" * 2000 + b"\r\n",
             answers=[("T" * 259, "ok")],
             check=lambda t: expect(t[0].startswith("L" * 259 + "\n"),
                                    "not 1: box shown, texts cut to 259")),
    ]


def command_line_cases(w):
    return [
        Case("command line of 2,000 characters", SHARE, args=["x" * 2000], setup=True,
             check=lambda _t: expect(w.calls() == [], "setup dialog")),
        Case("command line with an odd quote", SHARE, args=['"unclosed'],
             check=lambda _t: expect(w.drive("Q") == "unc/srv/data",
                                     "no argument readable: unattended run, Q: mapped")),
    ]


def address_cases(w):
    def removed_subst(_path):
        os.rename(w.unix(SUBST), w.unix(SUBST) + ".away")

    def restored_subst(_path):
        if os.path.exists(w.unix(SUBST) + ".away"):
            os.rename(w.unix(SUBST) + ".away", w.unix(SUBST))

    return [
        Case('"%SHARE%" in the address, Map Drive Now', SHARE, args=["/?"],
             answers=[(SETUP_CAPTION, [f"set:{ID.IDE_SETUP_ADDRESS}=\\\\srv\\%SHARE%",
                                       f"press:{ID.IDB_MAP_NOW}"]),
                      ("Title", "ok"), ("Title", "ok")], setup=True,
             check=lambda t: expect(len(t) == 3 and len(w.calls()) == 1,
                                    "expanded once, no loop: SHAREERROR box, then MAPERROR box")),
        Case("Subst tool missing", b"[MAIN]\r\nShareAddress=C:\\qvtest\\matrix\r\n"
             b"MapToDrive=S\r\nDriveType=1\r\n" + MAPERROR,
             answers=[("Cannot map S:", "ok")], prepare=removed_subst, undo=restored_subst,
             check=lambda t: expect(w.drive("S") is None,
                                    "letter still free: MAPERROR box, " + t[0].split("\n")[0])),
    ]


def provider_cases(w):
    def refused(code):
        return Case(f"file server answers {code}", SHARE + MAPERROR, answers=[("Cannot map Q:", "ok")],
                    prepare=lambda _p: w.serve(f"fail \\\\srv\\data {code}"),
                    check=lambda t: expect(t == [f"Error {code}\n\n\n\n"] and w.drive("Q") is None,
                                           f"MAPERROR box with code {code}"))

    return [refused(53), refused(1219), Case(
        "file server answers 1326", SHARE + b"[CREDENTIALS]\r\nTitle=Log on\r\n",
        answers=[("Log on", ["close"])], prepare=lambda _p: w.serve("fail \\\\srv\\data 1326"),
        check=lambda t: expect(w.calls()[0][-1] == "=1326" and len(t) == 1 and w.drive("Q") is None,
                               "1326: credentials prompt; closed: failed, no message"))]


def program_cases(w):
    def run_key(read_only):
        def apply(_path):
            w.wine([DRIVER, "regacl", RUN_KEY, "read" if read_only else "full"], check=True)
        return apply

    missing = b"[SECTEXECUTE]\r\n" + b"".join(
        b"Execute%d=C:\\nowhere\\missing%d.exe\r\nParameters%d=x\r\n" % (n, n, n)
        for n in (1, 2, 3))
    return [
        Case("programs to run that do not exist", SHARE + missing,
             check=lambda _t: expect(w.drive("Q") == "unc/srv/data",
                                     "nothing started, no message; Q: mapped")),
        Case("Run key not writable, StartUp=1", SHARE + b"StartUp=1\r\n",
             prepare=run_key(True), undo=run_key(False),
             check=lambda _t: expect(
                 w.drive("Q") == "unc/srv/data"
                 and w.reg_query("HKLM\\" + RUN_KEY, "quorvane") is None,
                 "no Run entry, no message; Q: mapped")),
        Case("Run key not writable, Start With System ticked, Save pressed", SHARE,
             args=["/?"], answers=[(SETUP_CAPTION, [f"check:{ID.IDX_START_UP}=1", SETUP_SAVE]),
                                   ("Settings Not Saved", "ok"),
                                   (SETUP_CAPTION, [SETUP_SAVE]),
                                   ("Settings Not Saved", "ok")],
             setup=True, prepare=run_key(True), undo=run_key(False),
             writes=lambda _b, after: b"StartUp=1\r\n" in after,
             check=not_saved("\"Start With System\" could not be changed",
                             "one message a Save; the file saved, no Run entry")),
    ]


# --- running them -------------------------------------------------------------

def run_case(t, n, case):
    w = t.world
    exe = f"{DIR}\\{n:02d}\\quorvane.exe"
    ini = exe[:-3] + "ini"
    w.install_binary("quorvane.exe", exe)
    w.remove(ini)
    if case.ini is not None:
        w.put(ini, case.ini)
    w.clear_logs()
    w.serve("share \\\\srv\\data")
    for letter in "QS":
        w.drop_drive(letter)
    w.reg_delete("HKLM\\" + RUN_KEY, "quorvane")
    before = case.ini
    row = {"exit": "-", "crash": "-", "file": "-", "outcome": ""}
    try:
        if case.prepare:
            case.prepare(ini)
        rc, err, texts = t.run_program(exe, args=case.args, answers=case.answers,
                                       setup=case.setup, timeout=60)
        w.wait_for_programs("quorvane.exe")
    except Skip as e:
        row["outcome"] = f"skipped: {e}"
        return row, True
    except Exception as e:  # noqa: BLE001 - a row reports any failure
        row["outcome"] = f"{type(e).__name__}: {str(e).splitlines()[0][:90]}"
        return row, False
    finally:
        if case.undo:
            case.undo(ini)
    row["exit"] = str(rc)
    crashed = "Unhandled" in err or "page fault" in err or "winedbg" in err
    row["crash"] = "crash" if crashed else "none"
    after = w.read(ini) if w.exists(ini) else None
    if case.writes is None:
        unchanged = after == before
        row["file"] = "unchanged" if unchanged else "CHANGED"
    else:
        unchanged = after is not None and before is not None and case.writes(before, after)
        row["file"] = "as meant" if unchanged else "WRONG"
    ok = rc == 0 and not crashed and unchanged
    try:
        row["outcome"] = case.check(texts) if case.check else ""
    except AssertionError as e:
        row["outcome"] = f"WRONG: {e}"
        ok = False
    if t.world.wine([DRIVER, "window", SETUP_CAPTION, "close", "wait:0"]).returncode == 0:
        row["outcome"] += " (a window was left open)"
        ok = False
    return row, ok


def main():
    t = Matrix()
    Matrix.setUpClass()
    w = t.world
    w.publish("\\\\srv\\data", DIR + "\\server-data")
    cases = (settings_file_cases(w) + value_cases(w) + command_line_cases(w)
             + address_cases(w) + provider_cases(w) + program_cases(w))
    width = max(len(c.name) for c in cases)
    print(f"{'#':>2}  {'case':<{width}}  exit  crash  file       outcome")
    failures = 0
    for n, case in enumerate(cases, 1):
        row, ok = run_case(t, n, case)
        failures += not ok
        print(f"{n:>2}  {case.name:<{width}}  {row['exit']:<4}  {row['crash']:<5}  "
              f"{row['file']:<9}  {row['outcome']}{'' if ok else '   <-- FAILED'}", flush=True)
    for letter in "QS":
        w.drop_drive(letter)
    print(f"{len(cases)} cases, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

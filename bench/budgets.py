#!/usr/bin/env python3
"""The budgets of quorvane.exe, measured in one run under Wine: the program of
the width this machine runs, picked as the Wine tests pick it.

Prints, for the stripped executable and in a fresh test world of its own
(build/bench/world, with the test file server and the working subst.exe):

- its size and the DLLs it imports;
- an unattended Subst run against the fixed 5000 ms a wait after starting
  the tool would take;
- an unattended network run against a minimal program making the same
  WNetAddConnection2A call from a dialog that is never shown, as the log-on
  run does (and, for information, against the bare call, and the same run
  reading its password from the Credential Manager);
- the time from start to the visible setup dialog against its floor: the
  setup dialog's own template and themed controls, written and run by the
  program's own code, from a procedure that does nothing but the same two
  128 ms waits (bench/setup_floor.cpp); and, for information, against an
  empty dialog with those waits; each with the theme on and off (seen from
  the X server: the moment the window is mapped);
- an unattended start that ends at once, against a program that reads
  Shift (and one that only exits), for information;
- with "WaitForNetwork", a server that comes up a second after the run
  started: the time from its coming up to the letter, against the ordinary
  network run and against one probe interval more than that run; and the CPU
  time the program spends waiting 10 seconds for a server that never comes,
  less the same run without the wait (medians of three runs each);
- with "WaitUntilLogOff", a run waiting for a server that is not there: the
  time from a resume broadcast, from a second start, and (with no event at
  all) from the server coming up, to the letter, against the ordinary
  network run plus 3 s (30 s with no event); and the CPU time of a minute of
  that wait less a run that does not wait, with the voluntary context
  switches of that minute against a program idle in GetMessage.

The clock: every round measures each program and its yardstick back to
back, so that whatever drifts falls on both; the rows give the median, the
mean with its standard error, and the quartiles. Under Wine a whole
process's time falls on a grid of about 50 ms; over many rounds the grid's
phase varies, so the mean resolves finer than one step, and the standard
error says how much finer. The log-on run and its yardstick are also
measured by the CPU time the kernel accounts to their processes (wait4,
not tick-sampled), which no grid touches.

A small program with a window (Notepad) keeps the desktop alive throughout,
as a user's session does: otherwise the first window of every run would also
pay for starting Wine's desktop process. Medians of RUNS rounds after two
warm-up rounds. Usage: bench/budgets.py [RUNS]

With --quick (as CI runs it, inside the Wine tests' world when QV_WORLD
names one): one round, no warm-up, a 2-second wait, a 5-second idle minute.
"""

import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "wine"))
import world  # noqa: E402
from qvtest import PortableExecutable  # noqa: E402

# The width this machine runs: the i686 program under 32-bit Wine, or where
# that cannot run (or with QV_WINE64=1), the x86-64 one under 64-bit Wine.
WIDTH, WHY = world.pick()
BIN = os.path.join(ROOT, "build", "native", WIDTH)
os.environ["QV_BIN"] = BIN
os.environ["QV_WIDTH"] = WIDTH

SETUP_CAPTION = "Setup Map Network Drive"
DRIVER = "C:\\bench\\qvdriver.exe"
SUBST = "C:\\bench\\subst\\quorvane.exe"
NET = "C:\\bench\\net\\quorvane.exe"
KEPT = "C:\\bench\\kept\\quorvane.exe"
IDLE = "C:\\bench\\idle\\quorvane.exe"
LATE = "C:\\bench\\late\\quorvane.exe"
WAITING = "C:\\bench\\waiting\\quorvane.exe"
NOT_WAITING = "C:\\bench\\not-waiting\\quorvane.exe"
UNTIL = "C:\\bench\\until\\quorvane.exe"
PROBE_INTERVAL_MS = 2000


def build():
    if not os.path.exists(os.path.join(BIN, "minimal_dialog.exe")):
        for step in (["cmake", "--preset", "native"], ["cmake", "--build", "--preset", "native"]):
            subprocess.run(step, cwd=ROOT, check=True, stdout=subprocess.DEVNULL)


def timed_run(w, program, args=()):
    start = time.perf_counter()
    r = w.wine([program] + list(args), timeout=60)
    elapsed = time.perf_counter() - start
    if r.returncode != 0:
        sys.exit(f"{program} ended with {r.returncode}")
    return elapsed


def visible(w, caption):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{caption}$"],
                       env=w.env(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return r.returncode == 0 and r.stdout.strip() != b""


def time_to_window(w, program, args, caption):
    """Seconds from the start of PROGRAM to its window CAPTION being mapped;
    the window is then closed and the program awaited."""
    start = time.perf_counter()
    proc, _ = w.start([program] + list(args))
    while not visible(w, caption):
        if proc.poll() is not None or time.perf_counter() - start > 30:
            sys.exit(f"{program} showed no window '{caption}'")
        time.sleep(0.002)
    elapsed = time.perf_counter() - start
    w.wine([DRIVER, "window", caption, "close", "wait:10000"], timeout=40)
    proc.wait(timeout=30)
    return elapsed


def prepare(w, wait_seconds):
    w.install_binary("qvdriver.exe", DRIVER)
    for name in ("minimal.exe", "minimal_keystate.exe", "minimal_connect.exe",
                 "minimal_dialog.exe", "minimal_dialog_manifest.exe", "minimal_idle.exe", "setup_floor.exe"):
        w.install_binary(name, "C:\\bench\\" + name)
    for exe in (SUBST, NET, KEPT, IDLE, LATE, WAITING, NOT_WAITING, UNTIL):
        w.install_binary("quorvane.exe", exe)
    w.put(SUBST[:-3] + "ini",
          b"[MAIN]\r\nShareAddress=C:\\bench\\folder\r\nMapToDrive=S\r\nDriveType=1\r\n")
    w.put("C:\\bench\\folder\\file.txt", b"x")
    w.put(NET[:-3] + "ini",
          b"[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\nSaveCredentials=1\r\n"
          b"UserName=anna\r\nPassWord=secret\r\n")
    # The same connection with the password read from the Credential Manager.
    w.put(KEPT[:-3] + "ini", b"[MAIN]\r\nShareAddress=\\\\srv\\kept\r\nMapToDrive=Q\r\nSaveCredentials=1\r\n"
          b"UserName=anna\r\nCredentialManager=1\r\n")
    w.wine([DRIVER, "cred", "Quorvane:\\\\srv\\kept", "anna"], check=True)
    # Ends at once without touching anything: the letter (C:) is in use and
    # nothing forces it free.
    w.put(IDLE[:-3] + "ini",
          b"[MAIN]\r\nShareAddress=C:\\bench\r\nMapToDrive=C\r\nDriveType=1\r\n")
    w.put(LATE[:-3] + "ini", b"[MAIN]\r\nShareAddress=\\\\srv\\late\r\nMapToDrive=Q\r\nWaitForNetwork=30\r\n")
    for exe, seconds in ((WAITING, wait_seconds), (NOT_WAITING, 0)):
        # Silent messages: the run ends by itself after the wait.
        w.put(exe[:-3] + "ini", b"[MAIN]\r\nShareAddress=\\\\nosrv\\data\r\nMapToDrive=Q\r\n"
              b"WaitForNetwork=%d\r\n[SHAREERROR]\r\nButtons=1\r\n[MAPERROR]\r\nButtons=1\r\n" % seconds)
    w.put(UNTIL[:-3] + "ini", b"[MAIN]\r\nShareAddress=\\\\srv\\until\r\nMapToDrive=Q\r\nWaitUntilLogOff=1\r\n")
    w.publish("\\\\srv\\data", "C:\\bench\\server-data")
    w.publish("\\\\srv\\kept", "C:\\bench\\server-data")
    w.serve("share \\\\srv\\data anna secret", "share \\\\srv\\late", "share \\\\srv\\kept",
            "share \\\\srv\\until")


def letter_after(w, program, share, lead, then=None, limit=30):
    """Seconds from SHARE coming up, LEAD seconds after PROGRAM started, and
    THEN (a step taken at that moment, if any), to the letter Q:, which must
    come within LIMIT seconds."""
    w.drop_drive("Q")
    w.withdraw(share)
    proc, _ = w.start([program])
    time.sleep(lead)
    w.publish(share, "C:\\bench\\late-data")
    up = time.perf_counter()
    if then:
        then()
    while w.drive("Q") is None:
        if time.perf_counter() - up > limit:
            proc.kill()
            sys.exit(f"{program} did not map Q: after {share} came up")
        time.sleep(0.002)
    elapsed = time.perf_counter() - up
    proc.wait(timeout=30)
    w.withdraw(share)
    w.drop_drive("Q")
    return elapsed


def late_server(w):
    """WaitForNetwork: the server comes up a second after the start."""
    return letter_after(w, LATE, "\\\\srv\\late", 1)


def until_letter(w, how):
    """WaitUntilLogOff, its first probe over: after a resume broadcast, a
    second start, or ("none") the server's coming up alone."""
    steps = {"resume": lambda: w.wine([DRIVER, "resume"], check=True),
             "handover": lambda: w.wine([UNTIL], check=True), "none": None}
    return letter_after(w, UNTIL, "\\\\srv\\until", 3, steps[how], limit=40)


def process_counts(pid):
    """CPU milliseconds (at the kernel's 10 ms tick) and voluntary context
    switches of a running process so far."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    with open(f"/proc/{pid}/status") as f:
        switches = int(next(line for line in f if line.startswith("voluntary_ctxt_switches")).split()[1])
    return (int(fields[11]) + int(fields[12])) * 1000 // os.sysconf("SC_CLK_TCK"), switches


def idle_minute(w, program, seconds):
    """PROGRAM started and left to wait: its CPU seconds from its start to
    the end of SECONDS of waiting, and the CPU milliseconds and voluntary
    context switches of those SECONDS alone (from 3 s after its start)."""
    proc, _ = w.start([program])
    time.sleep(3)
    before = process_counts(proc.pid)
    time.sleep(seconds)
    after = process_counts(proc.pid)
    proc.kill()
    _, _, usage = os.wait4(proc.pid, 0)
    proc.returncode = -9
    return usage.ru_utime + usage.ru_stime, after[0] - before[0], after[1] - before[1]


def cpu_seconds(w, program, args=()):
    """User and system time of the program's own process, to its end."""
    proc, _ = w.start([program] + list(args))
    _, status, usage = os.wait4(proc.pid, 0)
    proc.returncode = os.waitstatus_to_exitcode(status)
    return usage.ru_utime + usage.ru_stime


def measure_until(w, runs, idle_seconds):
    w.withdraw("\\\\srv\\until")
    until = {how: statistics.median(until_letter(w, how) for _ in range(runs)) * 1000
             for how in ("resume", "handover")}
    until["none"] = until_letter(w, "none") * 1000  # one: each costs up to 30 s
    cpu, steady, switches = idle_minute(w, UNTIL, idle_seconds)
    _, idle_steady, idle_switches = idle_minute(w, "C:\\bench\\minimal_idle.exe", idle_seconds)
    return until, {"cpu": cpu * 1000, "steady": steady, "switches": switches, "idle_steady": idle_steady,
                   "idle_switches": idle_switches}


def measure(w, runs, warmups):
    times = {k: [] for k in ("subst", "net", "kept", "connect", "dialog_connect", "setup", "dialog", "idle", "minimal",
                             "keystate", "late", "dialog_connect_old", "dialog_old", "floor", "setup_plain",
                             "floor_plain", "dialog_plain", "net_cpu", "dialog_connect_cpu")}
    theme = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"

    def mapped(key, letter, program):
        w.drop_drive(letter)
        times[key].append(timed_run(w, program))
        if w.drive(letter) is None:
            sys.exit(f"{program} did not map {letter}:")

    for _ in range(runs + warmups):
        mapped("subst", "S", SUBST)
        mapped("net", "Q", NET)
        mapped("kept", "Q", KEPT)
        mapped("connect", "Q", "C:\\bench\\minimal_connect.exe")
        w.drop_drive("Q")
        times["dialog_connect"].append(timed_run(w, "C:\\bench\\minimal_dialog_manifest.exe",
                                                 ["connect"]))
        w.drop_drive("Q")
        times["dialog_connect_old"].append(timed_run(w, "C:\\bench\\minimal_dialog.exe", ["connect"]))
        for suffix, active in (("", "1"), ("_plain", "0")):
            w.wine(["reg", "add", theme, "/v", "ThemeActive", "/d", active, "/f"], check=True)
            times["setup" + suffix].append(time_to_window(w, NET, ["/?"], SETUP_CAPTION))
            times["floor" + suffix].append(time_to_window(w, "C:\\bench\\setup_floor.exe", [], SETUP_CAPTION))
            times["dialog" + suffix].append(time_to_window(w, "C:\\bench\\minimal_dialog_manifest.exe", [],
                                                           "Minimal Dialog"))
        w.wine(["reg", "add", theme, "/v", "ThemeActive", "/d", "1", "/f"], check=True)
        w.drop_drive("Q")
        times["net_cpu"].append(cpu_seconds(w, NET))
        w.drop_drive("Q")
        times["dialog_connect_cpu"].append(cpu_seconds(w, "C:\\bench\\minimal_dialog_manifest.exe", ["connect"]))
        times["dialog_old"].append(time_to_window(w, "C:\\bench\\minimal_dialog.exe", [], "Minimal Dialog"))
        times["idle"].append(timed_run(w, IDLE))
        times["minimal"].append(timed_run(w, "C:\\bench\\minimal.exe"))
        times["keystate"].append(timed_run(w, "C:\\bench\\minimal_keystate.exe"))
        times["late"].append(late_server(w))
        w.clear_logs()
    medians = {k: statistics.median(v[warmups:]) * 1000 for k, v in times.items()}
    means = {k: statistics.mean(v[warmups:]) * 1000 for k, v in times.items()}
    # The spread: quartiles and the mean's standard error, in ms.
    spread = {}
    for k, v in times.items():
        kept = v[warmups:]
        quartiles = statistics.quantiles(kept, n=4) if len(kept) > 1 else kept * 3
        error = statistics.stdev(kept) / len(kept) ** 0.5 if len(kept) > 1 else 0.0
        spread[k] = ([q * 1000 for q in quartiles], error * 1000)
    # A single run's CPU time varies by tens of milliseconds under Wine.
    cpu = {key: statistics.median(cpu_seconds(w, program) for _ in range(1 if runs == 1 else 3)) * 1000
           for key, program in (("waiting", WAITING), ("not", NOT_WAITING))}
    return medians, means, spread, cpu


def main():
    quick = "--quick" in sys.argv
    numbers = [a for a in sys.argv[1:] if a != "--quick"]
    runs = 1 if quick else int(numbers[0]) if numbers else 15
    warmups = 0 if quick else 2
    wait_seconds = 2 if quick else 10
    idle_seconds = 5 if quick else 57
    build()
    imports = sorted(dll.lower() for dll in PortableExecutable(os.path.join(BIN, "quorvane.exe")).imports())

    # Inside the Wine tests' world when it is there; otherwise one of its own.
    shared = os.environ.get("QV_WORLD")
    directory = shared or os.path.join(ROOT, "build", "bench", "world")
    if not shared:
        world.setup(directory)
    w = world.World.load(directory)
    try:
        prepare(w, wait_seconds)
        desktop, _ = w.start(["notepad"])
        time.sleep(2)
        m, mean, spread, cpu = measure(w, runs, warmups)
        until, minute = measure_until(w, 1 if quick else 3, idle_seconds)
        desktop.kill()
    finally:
        if not shared:
            world.teardown(directory)

    def row(label, value, budget=""):
        print(f"{label:<58} {value:>12}  {budget}")

    def ms(key):
        quartiles, error = spread[key]
        return f"{m[key]:.0f} ms ({mean[key]:.0f} ±{error:.0f}; {quartiles[0]:.0f}-{quartiles[2]:.0f})"

    def ratio(a, b):
        return f"{m[a] / m[b]:.2f} ({mean[a] / mean[b]:.2f})"

    print(f"program: {BIN}/quorvane.exe, the {world.DESCRIPTIONS[WIDTH]} ({WHY})")
    print(f"rounds: {runs}, each program beside its yardstick; times are medians (means ±their standard "
          f"error; quartiles), after {warmups} warm-up rounds")
    for width, name in (("win32", "i686"), ("win64", "x86-64")):
        size = os.path.getsize(os.path.join(ROOT, "build", "native", width, "quorvane.exe"))
        row(f"quorvane.exe ({name}), stripped, with its resources", f"{size} B",
            f"{size / 1024:.1f} KiB of 112 KiB")
    row("  imports", ", ".join(imports))
    row("unattended Subst run", ms("subst"))
    row("  ratio to the fixed 5000 ms wait", f"{m['subst'] / 5000:.3f} ({mean['subst'] / 5000:.3f})", "budget 0.10")
    # The log-on run happens inside the hidden setup dialog: its fair anchor
    # makes the same call from a dialog that is never shown.
    row("unattended network run", ms("net"))
    row("minimal program, same call from a dialog never shown", ms("dialog_connect"), "(the program's manifest)")
    row("  ratio", f"{m['net'] / m['dialog_connect']:.2f} ({mean['net'] / mean['dialog_connect']:.2f})",
        "budget 1.15")
    row("  against the same program without a manifest", ms("dialog_connect_old"),
        f"ratio {m['net'] / m['dialog_connect_old']:.2f} ({mean['net'] / mean['dialog_connect_old']:.2f})")
    row("  the run's CPU time (the kernel's account, no grid)", ms("net_cpu"))
    row("  the yardstick's CPU time", ms("dialog_connect_cpu"))
    row("  ratio of CPU times", ratio("net_cpu", "dialog_connect_cpu"), "(for information)")
    row("  the same run, its password from the Credential Manager", ms("kept"),
        f"ratio {m['kept'] / m['net']:.2f} (for information)")
    row("minimal program, the bare call", ms("connect"),
        f"ratio {m['net'] / m['connect']:.2f} (for information)")
    for suffix, theme in (("", "theme on"), ("_plain", "theme off")):
        row(f"start to visible setup dialog, {theme}", ms("setup" + suffix))
        row("  its floor: the same template and controls, nothing else", ms("floor" + suffix))
        row("  ratio", ratio("setup" + suffix, "floor" + suffix), "budget 1.10")
        row("  empty dialog, same two waits", ms("dialog" + suffix), "(the program's manifest)")
        row("  ratio to the empty dialog", ratio("setup" + suffix, "dialog" + suffix), "(for information)")
    row("  against the same program without a manifest", ms("dialog_old"),
        f"ratio {m['setup'] / m['dialog_old']:.2f} ({mean['setup'] / mean['dialog_old']:.2f})")
    row("unattended start that ends at once", ms("idle"))
    row("minimal program: reads Shift, exits", ms("keystate"))
    row("  ratio", f"{m['idle'] / m['keystate']:.2f} ({mean['idle'] / mean['keystate']:.2f})", "(for information)")
    row("minimal program: exits at once", ms("minimal"))
    row("late server (WaitForNetwork): server up to letter mapped", ms("late"))
    row("  ratio to the unattended network run", f"{m['late'] / m['net']:.2f} ({mean['late'] / mean['net']:.2f})",
        f"budget {(PROBE_INTERVAL_MS + m['net']) / m['net']:.2f}: one probe interval more")
    row(f"{wait_seconds}-second wait for a server never up: CPU time (median)", f"{cpu['waiting']:.0f} ms")
    row("  the same run without the wait", f"{cpu['not']:.0f} ms")
    row("  the wait's own CPU time", f"{cpu['waiting'] - cpu['not']:.0f} ms", "budget 50 ms")
    for how, label, allowance in (("resume", "a resume broadcast", 3000), ("handover", "a second start", 3000),
                                  ("none", "the server coming up, no event", 30000)):
        row(f"WaitUntilLogOff: {label} to letter mapped", f"{until[how]:.0f} ms",
            f"budget {allowance + m['net']:.0f} ms ({allowance / 1000:.0f} s and one network run)")
    row(f"WaitUntilLogOff: start and {idle_seconds + 3} s of waiting, CPU time", f"{minute['cpu']:.0f} ms")
    row("  less the run that does not wait", f"{minute['cpu'] - cpu['not']:.0f} ms",
        f"budget {10 * (idle_seconds + 3) / 60:.0f} ms")
    row(f"  of which the {idle_seconds} s after the first 3", f"{minute['steady']} ms",
        f"idle in GetMessage: {minute['idle_steady']} ms (10 ms ticks)")
    row(f"  voluntary context switches in those {idle_seconds} s", f"{minute['switches']}",
        f"idle in GetMessage: {minute['idle_switches']} (for information)")


if __name__ == "__main__":
    main()

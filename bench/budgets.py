#!/usr/bin/env python3
"""The budgets of quorvane.exe, measured in one run under Wine: the program of
the width this machine runs, picked as the Wine tests pick it.

Prints, for the stripped executable and in a fresh test world of its own
(build/bench/world, with the test file server and the working subst.exe):

- its size and the DLLs it imports;
- an unattended Subst run against the fixed 5000 ms a wait after starting
  the tool would take;
- an unattended network run against a minimal program making the same
  WNetAddConnection2A call;
- the time from start to the visible setup dialog against a minimal program
  showing an empty dialog with the same two 128 ms waits (seen from the X
  server: the moment the window is mapped);
- an unattended start that ends at once, against a program that only exits
  and one that reads Shift (for information).

A small program with a window (Notepad) keeps the desktop alive throughout,
as a user's session does: otherwise the first window of every run would also
pay for starting Wine's desktop process. Medians of RUNS rounds after two
warm-up rounds. Usage: bench/budgets.py [RUNS]
"""

import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "wine"))
import world  # noqa: E402
from test_startup import imported_dlls  # noqa: E402

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
IDLE = "C:\\bench\\idle\\quorvane.exe"


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


def prepare(w):
    w.install_binary("qvdriver.exe", DRIVER)
    for name in ("minimal.exe", "minimal_keystate.exe", "minimal_connect.exe",
                 "minimal_dialog.exe"):
        w.install_binary(name, "C:\\bench\\" + name)
    for exe in (SUBST, NET, IDLE):
        w.install_binary("quorvane.exe", exe)
    w.put(SUBST[:-3] + "ini",
          b"[MAIN]\r\nShareAddress=C:\\bench\\folder\r\nMapToDrive=S\r\nDriveType=1\r\n")
    w.put("C:\\bench\\folder\\file.txt", b"x")
    w.put(NET[:-3] + "ini",
          b"[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\nSaveCredentials=1\r\n"
          b"UserName=anna\r\nPassWord=secret\r\n")
    # Ends at once without touching anything: the letter (C:) is in use and
    # nothing forces it free.
    w.put(IDLE[:-3] + "ini",
          b"[MAIN]\r\nShareAddress=C:\\bench\r\nMapToDrive=C\r\nDriveType=1\r\n")
    w.publish("\\\\srv\\data", "C:\\bench\\server-data")
    w.serve("share \\\\srv\\data anna secret")


def measure(w, runs):
    times = {k: [] for k in ("subst", "net", "connect", "dialog_connect", "setup", "dialog", "idle", "minimal",
                             "keystate")}

    def mapped(key, letter, program):
        w.drop_drive(letter)
        times[key].append(timed_run(w, program))
        if w.drive(letter) is None:
            sys.exit(f"{program} did not map {letter}:")

    for _ in range(runs + 2):
        mapped("subst", "S", SUBST)
        mapped("net", "Q", NET)
        mapped("connect", "Q", "C:\\bench\\minimal_connect.exe")
        w.drop_drive("Q")
        times["dialog_connect"].append(timed_run(w, "C:\\bench\\minimal_dialog.exe",
                                                 ["connect"]))
        times["setup"].append(time_to_window(w, NET, ["/?"], SETUP_CAPTION))
        times["dialog"].append(time_to_window(w, "C:\\bench\\minimal_dialog.exe", [],
                                              "Minimal Dialog"))
        times["idle"].append(timed_run(w, IDLE))
        times["minimal"].append(timed_run(w, "C:\\bench\\minimal.exe"))
        times["keystate"].append(timed_run(w, "C:\\bench\\minimal_keystate.exe"))
        w.clear_logs()
    medians = {k: statistics.median(v[2:]) * 1000 for k, v in times.items()}
    means = {k: statistics.mean(v[2:]) * 1000 for k, v in times.items()}
    return medians, means


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 15
    build()
    with open(os.path.join(BIN, "quorvane.exe"), "rb") as f:
        data = f.read()
    imports = sorted(dll.lower() for dll in imported_dlls(data))

    directory = os.path.join(ROOT, "build", "bench", "world")
    world.setup(directory)
    w = world.World.load(directory)
    try:
        prepare(w)
        desktop, _ = w.start(["notepad"])
        time.sleep(2)
        m, mean = measure(w, runs)
        desktop.kill()
    finally:
        world.teardown(directory)

    def row(label, value, budget=""):
        print(f"{label:<58} {value:>12}  {budget}")

    def ms(key):
        return f"{m[key]:.0f} ms ({mean[key]:.0f})"

    print(f"program: {BIN}/quorvane.exe, the {world.DESCRIPTIONS[WIDTH]} ({WHY})")
    print(f"rounds: {runs}; times are medians (means), after 2 warm-up rounds")
    for width, name in (("win32", "i686"), ("win64", "x86-64")):
        size = os.path.getsize(os.path.join(ROOT, "build", "native", width, "quorvane.exe"))
        row(f"quorvane.exe ({name}), stripped, with its resources", f"{size} B",
            f"{size / 1024:.1f} KiB of 96 KiB")
    row("  imports", ", ".join(imports))
    row("unattended Subst run", ms("subst"))
    row("  ratio to the fixed 5000 ms wait", f"{m['subst'] / 5000:.3f} ({mean['subst'] / 5000:.3f})", "budget 0.10")
    row("unattended network run", ms("net"))
    row("minimal program, same connection call", ms("connect"))
    row("  ratio", f"{m['net'] / m['connect']:.2f} ({mean['net'] / mean['connect']:.2f})", "budget 1.10")
    row("minimal program, same call from a dialog never shown", ms("dialog_connect"),
        f"ratio {m['net'] / m['dialog_connect']:.2f} (for information)")
    row("start to visible setup dialog", ms("setup"))
    row("minimal program, empty dialog, same two waits", ms("dialog"))
    row("  ratio", f"{m['setup'] / m['dialog']:.2f} ({mean['setup'] / mean['dialog']:.2f})", "budget 1.10")
    row("unattended start that ends at once (for information)", ms("idle"))
    row("minimal program: exits at once", ms("minimal"))
    row("minimal program: reads Shift, exits", ms("keystate"))


if __name__ == "__main__":
    main()

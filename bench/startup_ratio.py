#!/usr/bin/env python3
"""Start-up cost of quorvane.exe against a minimal Win32 program, under Wine.

Runs an unattended start that ends at once (the drive is taken as mapped),
a program that only calls ExitProcess and one that also reads the Shift key
(which loads the window system, as every start of Quorvane must), in turn, in one prefix with a
persistent wineserver, and prints the medians, their ratio and the size of
the stripped executable. Usage: bench/startup_ratio.py [RUNS]
"""

import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, "build", "native", "win32")
PREFIX = os.path.join(ROOT, "build", "bench", "prefix")


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 30
    if not os.path.exists(os.path.join(BIN, "minimal_keystate.exe")):
        subprocess.run(["cmake", "--preset", "native"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", "--preset", "native"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)
    env = dict(os.environ, WINEPREFIX=PREFIX, WINEARCH="win32", WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    if not os.path.exists(os.path.join(PREFIX, "system.reg")):
        os.makedirs(PREFIX, exist_ok=True)
        subprocess.run(["wineboot", "-i"], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=env)
    work = os.path.join(PREFIX, "drive_c", "bench")
    os.makedirs(work, exist_ok=True)
    programs = {}
    for name in ("quorvane.exe", "minimal.exe", "minimal_keystate.exe"):
        with open(os.path.join(BIN, name), "rb") as src, \
             open(os.path.join(work, name), "wb") as dst:
            dst.write(src.read())
        programs[name] = "C:\\bench\\" + name
    # A run that ends at once without touching anything: the letter to
    # substitute (C:) is in use and nothing forces it free.
    with open(os.path.join(work, "quorvane.ini"), "wb") as f:
        f.write(b"[MAIN]\r\nShareAddress=C:\\bench\r\nMapToDrive=C\r\nDriveType=1\r\n")

    server = subprocess.Popen(["wineserver", "-p", "-f"], env=env)
    try:
        times = {name: [] for name in programs}
        for i in range(runs + 3):
            for name, path in programs.items():
                start = time.perf_counter()
                r = subprocess.run(["wine", path], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
                elapsed = time.perf_counter() - start
                if r.returncode != 0:
                    sys.exit(f"{name} ended with {r.returncode}")
                if i >= 3:  # the first runs warm the caches
                    times[name].append(elapsed)
    finally:
        subprocess.run(["wineserver", "-k"], env=env)
        server.wait()

    q = statistics.median(times["quorvane.exe"])
    m = statistics.median(times["minimal.exe"])
    k = statistics.median(times["minimal_keystate.exe"])
    print(f"runs each:                           {runs}")
    print(f"quorvane.exe, unattended, ends:      {q * 1000:.1f} ms (median)")
    print(f"minimal Win32 program:               {m * 1000:.1f} ms (median)")
    print(f"minimal program reading Shift:       {k * 1000:.1f} ms (median)")
    print(f"ratio to the minimal program:        {q / m:.3f}")
    print(f"ratio to the one reading Shift:      {q / k:.3f}")
    for exe in (os.path.join(ROOT, "build", "win32", "quorvane.exe"),
                os.path.join(BIN, "quorvane.exe")):
        if os.path.exists(exe):
            size = os.path.getsize(exe)
            print(f"size of {os.path.relpath(exe, ROOT)}: {size} bytes "
                  f"({size / 1024:.1f} KiB of the 96 KiB budget)")


if __name__ == "__main__":
    main()

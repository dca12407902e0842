#!/usr/bin/env python3
"""Unattended mapping runs of quorvane.exe under Wine, in the test world.

- Subst: a folder substituted as S:, against the 5000 ms a fixed wait
  after starting the tool would take.
- Network: \\\\srv\\data connected as Q: through the test file server, against
  a minimal program making the same WNetAddConnection2A call.
Each run starts with the letter free. Usage: bench/mapping_ratio.py [RUNS]
"""

import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "wine"))
BIN = os.path.join(ROOT, "build", "native", "win32")
os.environ["QV_BIN"] = BIN
import world  # noqa: E402


def timed(w, args):
    start = time.perf_counter()
    r = w.wine(args, timeout=60)
    elapsed = time.perf_counter() - start
    if r.returncode != 0:
        sys.exit(f"{args[0]} ended with {r.returncode}")
    return elapsed


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 15
    if not os.path.exists(os.path.join(BIN, "minimal_connect.exe")):
        subprocess.run(["cmake", "--preset", "native"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", "--preset", "native"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)
    directory = os.path.join(ROOT, "build", "bench", "world")
    world.setup(directory)
    w = world.World.load(directory)
    try:
        w.install_binary("quorvane.exe", "C:\\bench\\subst\\quorvane.exe")
        w.put("C:\\bench\\subst\\quorvane.ini",
              b"[MAIN]\r\nShareAddress=C:\\bench\\folder\r\nMapToDrive=S\r\nDriveType=1\r\n")
        w.put("C:\\bench\\folder\\file.txt", b"x")
        w.install_binary("quorvane.exe", "C:\\bench\\net\\quorvane.exe")
        w.put("C:\\bench\\net\\quorvane.ini",
              b"[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\nSaveCredentials=1\r\n"
              b"UserName=anna\r\nPassWord=secret\r\n")
        w.install_binary("minimal_connect.exe", "C:\\bench\\minimal_connect.exe")
        w.publish("\\\\srv\\data", "C:\\bench\\server-data")
        w.serve("share \\\\srv\\data anna secret")

        subst, network, minimal = [], [], []
        for i in range(runs + 2):
            for letter, program, times in (("S", "C:\\bench\\subst\\quorvane.exe", subst),
                                           ("Q", "C:\\bench\\net\\quorvane.exe", network),
                                           ("Q", "C:\\bench\\minimal_connect.exe", minimal)):
                w.drop_drive(letter)
                elapsed = timed(w, [program])
                if w.drive(letter) is None:
                    sys.exit(f"{program} did not map {letter}:")
                if i >= 2:  # the first runs warm the caches
                    times.append(elapsed)
            w.clear_logs()
    finally:
        world.teardown(directory)

    s, n, m = (statistics.median(t) for t in (subst, network, minimal))
    print(f"runs each:                                {runs}")
    print(f"unattended Subst run:                     {s * 1000:.0f} ms (median)")
    print(f"  ratio to the fixed 5000 ms wait:        {s / 5.0:.3f}  (budget 0.10)")
    print(f"unattended network run:                   {n * 1000:.0f} ms (median)")
    print(f"minimal program, same connection call:    {m * 1000:.0f} ms (median)")
    print(f"  ratio:                                  {n / m:.3f}  (budget 1.10)")


if __name__ == "__main__":
    main()

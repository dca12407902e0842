#!/usr/bin/env python3
"""Makes the README's five pictures again, as a user sees them: the setup
dialog, the message settings, the programs to run, the credentials prompt
and About, each cropped to its own window.

  scripts/screenshots.py            # writes docs/*.png (about a minute)
  scripts/screenshots.py check PNG  # does a screenshot of one window on an
                                    # empty desktop show its title bar?

Runs the program of the width this machine runs (built by its preset, with
the test helpers) in a prefix of its own, build/screenshots, on an Xvfb of
its own, inside Wine's virtual desktop: without a window manager nobody else
would draw the caption bars and close boxes. It fails, writing nothing more,
when a picture lacks its title bar and close box or holds part of another
window. Run it after a change to a dialog template, the picture or the icon.
"""
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "wine"))
import world  # noqa: E402
from qvtest import DRIVER, ID, SETUP_CAPTION  # noqa: E402

DOCS = os.path.join(ROOT, "docs")
PROGRAM = "C:\\Quorvane\\quorvane.exe"
PROMPT = "C:\\Quorvane\\prompt\\quorvane.exe"
CREDENTIALS = (b"[CREDENTIALS]\r\nTitle=Log on to the office server\r\n"
               b"Line1=Your drive %DRIVE% needs your network password.\r\nLine2=%SHARE%\r\n"
               b"Line4=User name:\r\nLine5=Password:\r\n")
SETTINGS = (b"[MAIN]\r\nShareAddress=\\\\fileserver\\%USERNAME%$\r\nMapToDrive=H\r\nDriveType=0\r\n"
            b"SaveCredentials=1\r\nUserName=OFFICE\\%USERNAME%\r\nPassWord=secret\r\n"
            b"PersistantConnection=1\r\nForceDisConnection=1\r\nPromptCredentials=0\r\nStartUp=1\r\n"
            b"UpdateMode=0\r\n"
            b"[MAPERROR]\r\nTitle=Drive %DRIVE% not mapped\r\n"
            b"Line1=The server %SHARE% refused the connection.\r\nLine2=Error %ERRORCODE%: %ERRORTEXT%\r\n"
            b"Line3=\r\nLine4=Please call the help desk.\r\nLine5=%DATE% %TIME%\r\nButtons=0\r\n"
            b"[SECTEXECUTE]\r\nExecute1=C:\\Tools\\sync.exe\r\nParameters1=/quiet\r\n"
            b"Execute2=C:\\Windows\\explorer.exe\r\nParameters2=%DRIVE%\\\r\n"
            b"Execute3=C:\\Tools\\notify.exe\r\nParameters3=%ERRORTEXT%\r\n" + CREDENTIALS)
PROMPT_SETTINGS = (b"[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\nPromptCredentials=1\r\n"
                   b"SaveCredentials=1\r\nUserName=anna\r\n" + CREDENTIALS)


def pixels(png, crop=None):
    """(width, height, RGB bytes) of a picture, or of a part WxH+X+Y of it."""
    args = ["convert", png] + (["-crop", crop, "+repage"] if crop else [])
    size = subprocess.run(["convert"] + args[1:] + ["-format", "%w %h", "info:"], capture_output=True,
                          check=True, text=True).stdout.split()
    data = subprocess.run(args + ["-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return int(size[0]), int(size[1]), data


def title_bar_missing(width, height, data):
    """Why a picture of one window (its frame at the edges) lacks a caption
    bar with a close box at its right end; None when it has both."""
    def at(x, y):
        return tuple(data[(y * width + x) * 3:(y * width + x) * 3 + 3])

    def apart(a, b):
        return sum(abs(p - q) for p, q in zip(a, b))

    if width < 120 or height < 60:
        return f"{width}x{height} is too small for a dialog"
    face = at(6, height - 6)  # the dialog's face, just inside its frame
    band = [at(x, y) for y in range(6, 14) for x in range(8, width // 2)]
    caption = sorted(band)[len(band) // 2]
    if apart(caption, face) < 60:
        return f"no caption bar: its band {caption} is the dialog's face {face}"
    if sum(apart(p, caption) < 40 for p in band) < 0.6 * len(band):
        return "no caption bar: the band along the top is not one colour"
    box = [at(x, y) for y in range(5, 16) for x in range(width - 24, width - 4)]
    if not any(sum(p) < 150 for p in box) or not any(apart(p, face) < 40 for p in box):
        return "no close box at the caption's right end"
    return None


def check(png):
    """Finds the one window on an empty desktop and checks its title bar."""
    width, height, data = pixels(png)
    desktop = tuple(data[0:3])
    xs, ys = [], []
    for y in range(0, height, 2):
        row = data[y * width * 3:(y + 1) * width * 3]
        inside = [x for x in range(0, width, 2) if tuple(row[x * 3:x * 3 + 3]) != desktop]
        if inside:
            xs += (inside[0], inside[-1])
            ys.append(y)
    if not ys:
        return f"{png}: no window in it"
    crop = f"{max(xs) - min(xs) + 1}x{max(ys) - min(ys) + 1}+{min(xs)}+{min(ys)}"
    why = title_bar_missing(*pixels(png, crop))
    return f"{png}: {why}" if why else None


class Shooter:
    def __init__(self, w):
        self.w = w
        self.made = []

    def window(self, caption, *actions):
        """Drives a window (see qvdriver's "window"); returns its frame and
        how many windows cover part of it."""
        r = self.w.wine([DRIVER, "window", caption, *actions, "wait:20000"], timeout=60)
        line = next((x for x in r.stdout.decode(errors="replace").splitlines() if x.startswith("window|")),
                    None)
        if line is None:
            sys.exit(f"screenshots: no window '{caption}'")
        fields = line.split("|")
        left, top, right, bottom = map(int, fields[6].split(","))
        return (left, top, right - left, bottom - top), int(fields[7])

    def shoot(self, caption, name):
        time.sleep(0.7)  # painted, caret and all
        (x, y, width, height), covered = self.window(caption)
        if covered:
            sys.exit(f"screenshots: {covered} window(s) lie over '{caption}'")
        full = os.path.join(self.w.directory, "screen.png")
        subprocess.run(["import", "-window", "root", full], env=self.w.env(), check=True, timeout=60)
        crop = f"{width}x{height}+{x}+{y}"
        why = title_bar_missing(*pixels(full, crop))
        if why:
            sys.exit(f"screenshots: '{caption}': {why}")
        out = os.path.join(self.w.directory, name)
        subprocess.run(["convert", full, "-crop", crop, "+repage", out], check=True)
        self.made.append(name)
        print(f"screenshots: {name}, {width}x{height}")


def shoot_all(w):
    shots = Shooter(w)
    w.install_binary("qvdriver.exe", DRIVER)
    w.install_binary("quorvane.exe", PROGRAM)
    w.install_binary("quorvane.exe", PROMPT)
    w.put(PROGRAM[:-3] + "ini", SETTINGS)
    w.put(PROMPT[:-3] + "ini", PROMPT_SETTINGS)
    w.publish("\\\\srv\\data", "C:\\Demo\\Data")
    w.serve("share \\\\srv\\data anna secret")

    setup, _ = w.start([PROGRAM, "/?"])
    shots.window(SETUP_CAPTION)
    shots.shoot(SETUP_CAPTION, "setup-dialog.png")
    for button, caption, name in ((ID.IDB_DRIVE_ERROR, "Message Setting", "message-settings.png"),
                                  (ID.IDB_PROGRAMS, "Programs to Execute", "programs-to-run.png"),
                                  (ID.IDB_ABOUT, "About Quorvane Version: 1.2005,06,10", "about.png")):
        shots.window(SETUP_CAPTION, f"press:{button}")
        shots.shoot(caption, name)
        shots.window(caption, "close")
        world.wait_for(lambda: w.wine([DRIVER, "window", caption, "wait:0"]).returncode != 0)
    shots.window(SETUP_CAPTION, "close")
    setup.wait(timeout=30)

    prompt, _ = w.start([PROMPT])  # at log-on, asking first
    shots.window("Log on to the office server")
    shots.shoot("Log on to the office server", "credentials-prompt.png")
    shots.window("Log on to the office server", f"press:{ID.IDB_PROMPT_CANCEL}")
    prompt.wait(timeout=30)
    return shots.made


def main():
    if sys.argv[1:2] == ["check"] and len(sys.argv) == 3:
        why = check(sys.argv[2])
        print(why or f"{sys.argv[2]}: the window has its title bar and close box")
        sys.exit(1 if why else 0)
    if len(sys.argv) > 1:
        sys.exit(__doc__)
    width, _ = world.pick()
    subprocess.run(["cmake", "--preset", width], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", width], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    os.environ.update(QV_BIN=os.path.join(ROOT, "build", width), QV_WIDTH=width)
    os.environ.pop("DISPLAY", None)  # an Xvfb of its own, the same on every machine
    directory = os.path.join(ROOT, "build", "screenshots")
    world.setup(directory)
    w = world.World.load(directory)
    try:
        w.virtual_desktop(True)
        made = shoot_all(w)
    finally:
        world.teardown(directory)
    # Only when every picture passed: the pictures in docs/ change together.
    for name in made:
        os.replace(os.path.join(directory, name), os.path.join(DOCS, name))
    print(f"screenshots: {len(made)} pictures in {DOCS}")


if __name__ == "__main__":
    main()

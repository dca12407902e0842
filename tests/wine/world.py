"""The Wine test world: a prefix of the project's own and an X server.

`python3 world.py pick` prints the width this machine tests ("win32": the
i686 program under 32-bit Wine, or "win64": the x86-64 program under 64-bit
Wine), then that in words, then why, a line each; it fails naming what is missing when no
Wine can run here. `python3 world.py setup DIR` makes a fresh prefix of that
width under DIR, starts Xvfb on a free display when there is no DISPLAY, and
records all three in DIR/world.json; `python3 world.py teardown DIR` ends the
prefix's processes and stops Xvfb by its pid; `python3 world.py demo DIR`
prepares the run command's prefix. The tests import this module and use
`World.load()`.
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# Wine would otherwise offer to download Mono and Gecko on a fresh prefix.
NET_DIR = "C:\\qvtest\\net"
PROVIDER = "QvTestNet"

BASE_ENV = {
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=",
}

# The loaders themselves: Debian's `wine` wrapper prefers the 32-bit one
# whenever it is installed, even where it cannot run.
WINE32 = "/usr/lib/wine/wine"
WINE64 = "/usr/lib/wine/wine64"
LOADERS = {"win32": WINE32, "win64": WINE64}
# QV_WINE64=1 tests the x86-64 program even where 32-bit Wine runs.
FORCE_64 = "QV_WINE64"
DESCRIPTIONS = {
    "win32": "i686 quorvane.exe under 32-bit Wine",
    "win64": "x86-64 quorvane.exe under 64-bit Wine",
}


def runs(loader):
    """None when LOADER starts, else why not."""
    if not os.path.exists(loader):
        return "is not installed"
    try:
        r = subprocess.run([loader, "--version"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60)
    except OSError as e:
        return f"cannot run here ({e.strerror})"
    return None if r.returncode == 0 else f"exits {r.returncode} on --version"


def pick():
    """(width, why) for this machine; SystemExit naming what is missing."""
    why32 = "is not used: " + FORCE_64 + " is set" if os.environ.get(FORCE_64, "") not in (
        "", "0") else runs(WINE32)
    if why32 is None:
        return "win32", "32-bit programs run here"
    why64 = runs(WINE64)
    if why64 is None:
        return "win64", f"32-bit Wine ({WINE32}) {why32}"
    raise SystemExit(
        f"No Wine can run quorvane.exe here: 32-bit Wine ({WINE32}) {why32}, and 64-bit "
        f"Wine ({WINE64}) {why64}. Install wine32:i386 (where the kernel runs 32-bit "
        f"programs) or wine64; scripts/setup.sh installs both.")


def free_display():
    for n in range(90, 190):
        if not os.path.exists(f"/tmp/.X{n}-lock") and not os.path.exists(
            f"/tmp/.X11-unix/X{n}"
        ):
            return n
    raise RuntimeError("no free X display")


def wait_for(condition, seconds=10):
    """Polls CONDITION until it holds; False when SECONDS pass first."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.05)
    return False


def start_xvfb():
    n = free_display()
    proc = subprocess.Popen(
        ["Xvfb", f":{n}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL,
        start_new_session=True,
    )
    for _ in range(100):
        if os.path.exists(f"/tmp/.X11-unix/X{n}"):
            return f":{n}", proc.pid
        if proc.poll() is not None:
            break
        time.sleep(0.05)
    raise RuntimeError("Xvfb did not start")


class World:
    def __init__(self, directory, prefix, display, xvfb_pid=None, bin_dir=None, width="win32"):
        self.directory = directory
        self.prefix = prefix
        self.display = display
        self.xvfb_pid = xvfb_pid
        self.bin_dir = bin_dir or os.environ.get("QV_BIN", "")
        self.width = width
        self.loader = LOADERS[width]

    # --- state file -------------------------------------------------------
    @staticmethod
    def state_path(directory):
        return os.path.join(directory, "world.json")

    @classmethod
    def load(cls, directory=None):
        directory = directory or os.environ["QV_WORLD"]
        with open(cls.state_path(directory)) as f:
            s = json.load(f)
        return cls(directory, s["prefix"], s["display"], s.get("xvfb_pid"), width=s["width"])

    def save(self):
        with open(self.state_path(self.directory), "w") as f:
            json.dump({"prefix": self.prefix, "display": self.display,
                       "xvfb_pid": self.xvfb_pid, "width": self.width}, f)

    # --- running things ---------------------------------------------------
    def env(self, **extra):
        e = dict(os.environ)
        e.update(BASE_ENV)
        e["WINEARCH"] = self.width
        e["WINELOADER"] = self.loader
        e["WINEPREFIX"] = self.prefix
        e["DISPLAY"] = self.display
        e.update(extra)
        return e

    # Output goes to files, not pipes: a Wine service started along with a
    # program inherits its handles and would hold a pipe open for as long as
    # the prefix lives.
    def wine(self, args, timeout=60, debug=None, check=False):
        env = self.env(**({"WINEDEBUG": debug} if debug else {}))
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.run([self.loader] + list(args), env=env, stdout=out, stderr=err,
                                  timeout=timeout)
            out.seek(0)
            err.seek(0)
            r = subprocess.CompletedProcess(proc.args, proc.returncode, out.read(), err.read())
        if check and r.returncode != 0:
            raise AssertionError(f"wine {args}: exit {r.returncode}\n{r.stderr.decode(errors='replace')}")
        return r

    def start(self, args, debug=None, missing=None, native_first=None):
        """Starts a program; returns (process, file receiving its stderr).
        `missing` names a DLL the program cannot load; `native_first` one
        looked for as Windows looks, the program's folder first."""
        env = self.env(**({"WINEDEBUG": debug} if debug else {}))
        if missing:
            env["WINEDLLOVERRIDES"] += f";{missing}=d"
        if native_first:
            env["WINEDLLOVERRIDES"] += f";{native_first}=n,b"
        err = tempfile.TemporaryFile()
        return subprocess.Popen([self.loader] + list(args), env=env, stdout=subprocess.DEVNULL,
                                stderr=err), err

    def boot(self):
        subprocess.run([self.loader, "wineboot", "-i"], env=self.env(), check=True,
                       timeout=300, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait_idle(self, timeout=30):
        subprocess.run(["wineserver", "-w"], env=self.env(), timeout=timeout)

    def wait_for_programs(self, name, timeout=30):
        """Waits until no process of this machine runs a program called NAME
        (programs Quorvane starts outlive it)."""
        def none_runs():
            for pid in filter(str.isdigit, os.listdir("/proc")):
                try:
                    with open(f"/proc/{pid}/cmdline", "rb") as f:
                        if name.encode() in f.read():
                            return False
                except OSError:
                    continue
            return True

        if not wait_for(none_runs, timeout):
            raise AssertionError(f"{name} still runs after {timeout} s")

    def kill_all(self):
        subprocess.run(["wineserver", "-k"], env=self.env(), timeout=30)

    # --- the C: drive -----------------------------------------------------
    def unix(self, windows_path):
        """Unix path of a C:\\ path inside the prefix."""
        assert windows_path[:3].upper() == "C:\\", windows_path
        return os.path.join(self.prefix, "drive_c", *windows_path[3:].split("\\"))

    def put(self, windows_path, data):
        path = self.unix(windows_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def read(self, windows_path):
        with open(self.unix(windows_path), "rb") as f:
            return f.read()

    def exists(self, windows_path):
        return os.path.exists(self.unix(windows_path))

    def remove(self, windows_path):
        try:
            os.remove(self.unix(windows_path))
        except FileNotFoundError:
            pass

    def binary(self, name):
        with open(os.path.join(self.bin_dir, name), "rb") as f:
            return f.read()

    def install_binary(self, name, windows_path):
        self.put(windows_path, self.binary(name))

    # --- registry ---------------------------------------------------------
    def reg_query(self, key, value, typed=False):
        """The data of a registry value as `wine reg query` shows it, or None;
        `typed`: (its type, its data)."""
        r = self.wine(["reg", "query", key, "/v", value])
        if r.returncode != 0:
            return None
        for line in r.stdout.decode(errors="replace").splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[0].lower() == value.lower() and parts[1].startswith("REG_"):
                data = parts[2] if len(parts) == 3 else ""
                return (parts[1], data) if typed else data
        return None

    def reg_delete(self, key, value):
        self.wine(["reg", "delete", key, "/v", value, "/f"])

    # --- the file server and drive letters ----------------------------------
    def unc_link(self, unc):
        """Where the prefix resolves \\\\srv\\share (lower-cased, as Wine looks)."""
        server, share = unc.strip("\\").lower().split("\\", 1)
        return os.path.join(self.prefix, "dosdevices", "unc", server, share)

    def publish(self, unc, windows_folder):
        """Makes \\\\srv\\share reachable as a folder of the prefix."""
        self.withdraw(unc)
        link = self.unc_link(unc)
        os.makedirs(os.path.dirname(link), exist_ok=True)
        target = self.unix(windows_folder)
        os.makedirs(target, exist_ok=True)
        os.symlink(target, link)

    def withdraw(self, unc):
        """Makes \\\\srv\\share unreachable again."""
        if os.path.islink(self.unc_link(unc)):
            os.remove(self.unc_link(unc))

    def serve(self, *rules):
        """The file server's shares, users and forced errors (see qvnet.cpp)."""
        self.put(NET_DIR + "\\server.txt", "".join(r + "\r\n" for r in rules).encode())

    def calls(self):
        """The provider's log of connections and cancellations, a list a call."""
        path = NET_DIR + "\\calls.log"
        if not self.exists(path):
            return []
        return [line.split("|") for line in self.read(path).decode().splitlines()]

    def clear_logs(self):
        for name in ("calls.log", "subst.log"):
            self.remove(NET_DIR + "\\" + name)

    def drive(self, letter):
        """The dosdevices entry of a letter: its link target, or None."""
        path = os.path.join(self.prefix, "dosdevices", letter.lower() + ":")
        return os.readlink(path) if os.path.islink(path) else None

    def virtual_desktop(self, on):
        """Windows inside one desktop window that Wine draws itself, caption
        bars and close boxes included, as on Windows: for screenshots on a
        display without a window manager. Off, every window is the display's."""
        key = "HKCU\\Software\\Wine\\Explorer"
        if on:
            self.wine(["reg", "add", key, "/v", "Desktop", "/d", "Default", "/f"], check=True)
            self.wine(["reg", "add", key + "\\Desktops", "/v", "Default", "/d", "1024x768", "/f"],
                      check=True)
        else:
            self.wine(["reg", "delete", key, "/v", "Desktop", "/f"])
        # The desktop is chosen when the prefix's first program starts.
        self.kill_all()

    def drop_drive(self, letter):
        path = os.path.join(self.prefix, "dosdevices", letter.lower() + ":")
        if os.path.islink(path):
            os.remove(path)


def setup(directory):
    os.makedirs(directory, exist_ok=True)
    prefix = os.path.join(directory, "prefix")
    old = World(directory, prefix, os.environ.get("DISPLAY", ""))
    if os.path.isdir(prefix):
        old.kill_all()
        # A run cut short may have left a settings file immutable.
        subprocess.run(["chattr", "-R", "-i", os.path.join(prefix, "drive_c", "qvtest")],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(prefix)
    width = os.environ.get("QV_WIDTH") or pick()[0]
    display, pid = os.environ.get("DISPLAY"), None
    if not display:
        display, pid = start_xvfb()
    w = World(directory, prefix, display, pid, width=width)
    w.save()
    w.boot()
    w.wait_idle(120)
    # No crash dialog may ever wait for a click that never comes.
    w.wine(["reg", "add", "HKCU\\Software\\Wine\\WineDbg", "/v", "ShowCrashDialog",
            "/t", "REG_DWORD", "/d", "0", "/f"], check=True)
    w.wine(["reg", "add", "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug",
            "/v", "Auto", "/t", "REG_SZ", "/d", "0", "/f"], check=True)
    # Xvfb has no window manager, and Wine waits two seconds for one to
    # acknowledge every window it hides; unmanaged windows need no answer.
    w.wine(["reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N",
            "/f"], check=True)
    install_network(w)
    install_fonts(w)
    w.wait_idle()
    # One server for the whole run, so services are not started afresh (and
    # tied to some test's process) every time the prefix falls idle.
    subprocess.run(["wineserver", "-p"], env=w.env(), check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    print(f"world: {DESCRIPTIONS[width]} ({w.loader}), prefix {prefix}, display {display}"
          + (f" (Xvfb pid {pid})" if pid else ""))


def install_network(w):
    """The test file server as the prefix's network provider, and a working
    subst.exe in place of Wine's stub."""
    bin_dir = os.environ["QV_BIN"]
    with open(os.path.join(bin_dir, "qvnet.dll"), "rb") as f:
        w.put(NET_DIR + "\\qvnet.dll", f.read())
    with open(os.path.join(bin_dir, "subst.exe"), "rb") as f:
        w.put("C:\\windows\\system32\\subst.exe", f.read())
    os.makedirs(os.path.join(w.prefix, "dosdevices", "unc"), exist_ok=True)
    for args in (
        ["HKLM\\System\\CurrentControlSet\\Control\\NetworkProvider\\Order",
         "/v", "ProviderOrder", "/d", PROVIDER],
        ["HKLM\\System\\CurrentControlSet\\Services\\" + PROVIDER + "\\NetworkProvider",
         "/v", "ProviderPath", "/d", NET_DIR + "\\qvnet.dll"],
        ["HKLM\\System\\CurrentControlSet\\Services\\" + PROVIDER + "\\NetworkProvider",
         "/v", "Name", "/d", "Quorvane Test Network"],
        ["HKCU\\Software\\Wine\\DllOverrides", "/v", "subst.exe", "/d", "native"],
    ):
        w.wine(["reg", "add"] + args[:1] + args[1:] + ["/f"], check=True)


# Debian's Wine looks for its own fonts beside, not in, the folder fonts-wine
# fills, so without Marlett every caption's close box shows an "r".
WINE_FONTS = "/usr/share/wine/fonts"


def install_fonts(w):
    """Marlett, which draws the caption buttons, in the prefix's Fonts folder."""
    source = os.path.join(WINE_FONTS, "marlett.ttf")
    if not os.path.exists(source):
        raise SystemExit(f"world: {source} is missing: install fonts-wine (scripts/setup.sh does)")
    with open(source, "rb") as f:
        w.put("C:\windows\Fonts\marlett.ttf", f.read())


def teardown(directory):
    try:
        w = World.load(directory)
    except FileNotFoundError:
        return
    try:
        w.kill_all()
    except Exception:
        pass
    if w.xvfb_pid:
        try:
            os.kill(w.xvfb_pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        w.xvfb_pid = None
        w.save()
    print("world: stopped")


def demo(directory, desktop=False):
    """Makes the prefix in DIR/prefix (kept when it exists) a small office:
    the file server with a share \\\\demo\\share open to anyone, a folder to
    substitute, and the working subst.exe; with `desktop`, in Wine's virtual
    desktop. QV_WIDTH names the prefix's width."""
    prefix = os.path.abspath(os.path.join(directory, "prefix"))
    w = World(directory, prefix, os.environ.get("DISPLAY", ""), width=os.environ["QV_WIDTH"])
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        os.makedirs(prefix, exist_ok=True)
        w.boot()
    install_network(w)
    install_fonts(w)
    w.put("C:\\Demo\\Share\\Welcome.txt", b"This folder is the share \\\\demo\\share.\r\n")
    w.put("C:\\Demo\\Folder\\Welcome.txt", b"This folder can be substituted as a drive.\r\n")
    w.publish("\\\\demo\\share", "C:\\Demo\\Share")
    w.serve("share \\\\demo\\share")
    w.virtual_desktop(desktop)


def print_pick():
    width, why = pick()
    print(f"{width}\n{DESCRIPTIONS[width]}\n{why}")


if __name__ == "__main__":
    commands = {"setup": setup, "teardown": teardown, "demo": demo}
    if sys.argv[1:] == ["pick"]:
        print_pick()
    elif sys.argv[1:2] == ["demo"] and sys.argv[3:] in ([], ["desktop"]) and len(sys.argv) > 2:
        demo(sys.argv[2], desktop=sys.argv[3:] == ["desktop"])
    elif len(sys.argv) != 3 or sys.argv[1] not in commands:
        sys.exit("usage: world.py pick | world.py setup|teardown DIR | world.py demo DIR [desktop]")
    else:
        commands[sys.argv[1]](sys.argv[2])

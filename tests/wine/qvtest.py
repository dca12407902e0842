"""Shared pieces of the Wine tests: the world, the driver, running the program."""

import os
import re
import struct
import sys
import types
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
# The release's scripts, for the tests of what they make.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from world import World, wait_for  # noqa: E402

def control_ids():
    """The dialogs' control IDs by name, read from ui/control_ids.h."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "ui",
                        "control_ids.h")
    with open(path) as f:
        pairs = re.findall(r"inline constexpr int (ID\w+) = (\d+);", f.read())
    return types.SimpleNamespace(**{name: int(value) for name, value in pairs})


def ini_values(data):
    """{"SECTION/Key": value} of a settings file in CRLF lines, read here, not
    by the program's reader; a line that is no key, section or comment reads
    as a key without a value (None)."""
    values, section = {}, None
    for line in data.decode("latin-1").split("\r\n"):
        if line.startswith("["):
            section = line.strip("[]")
        elif line and line[0] != ";":
            key, equals, value = line.partition("=")
            values[f"{section}/{key}"] = value if equals else None
    return values


ID = control_ids()
WINDIR = "C:\\windows"
DRIVER = "C:\\qvtest\\qvdriver.exe"
SETUP_CAPTION = "Setup Map Network Drive"
SETUP_SAVE = f"press:{ID.IDB_SETUP_SAVE}"  # the setup dialog's "Save"


# Wine keeps no event log, but traces every report: its type, its ID, and
# then each insertion string on a line of its own.
EVENTS = "-all,+eventlog,fixme+advapi"


def reported(err):
    """[(type, event ID, [strings])] of every report in a trace, in order."""
    events = []
    for line in err.splitlines():
        head = re.search(r"ReportEventW \(\w+,0x(\w+),0x\w+,0x(\w+),(\w+),", line)
        if head:
            assert int(head.group(3), 16) != 0, "no user SID"
            events.append((int(head.group(1), 16), int(head.group(2), 16), []))
            continue
        text = re.search(r':ReportEventW L"(.*)"$', line)
        if text and events:
            events[-1][2].append(text.group(1).replace("\\\\", "\\"))
    return events


class WineTest(unittest.TestCase):
    world = None

    @classmethod
    def setUpClass(cls):
        cls.world = World.load()
        cls.world.install_binary("qvdriver.exe", DRIVER)

    def install_own_copy(self, directory):
        """A copy of quorvane.exe for this test alone, in DIRECTORY\\TEST;
        sets self.exe and self.ini (its settings file, not made)."""
        self.exe = directory + "\\" + self._testMethodName + "\\quorvane.exe"
        self.ini = self.exe[:-3] + "ini"
        self.world.install_binary("quorvane.exe", self.exe)

    def run_program(self, path, args=(), answers=(), debug=None, timeout=60, setup=True, missing=None):
        """Runs a program of the prefix to its end, answering message boxes.

        With `setup`, the setup dialog is expected to open at the end (of this
        program or of the copy it started) and is closed. Returns (exit code,
        stderr text, [message texts]).
        """
        proc, err_file = self.world.start([path] + list(args), debug=debug, missing=missing)
        texts = []
        try:
            for caption, button in answers:
                if isinstance(button, (list, tuple)):  # a dialog: type, then click
                    texts.append(self.drive_window(caption, *button))
                    continue
                text = self.answer(caption, button)
                self.assertIsNotNone(text, f"no message box '{caption}'")
                texts.append(text)
            if setup:  # whole, even after a log-on run that left it open
                self.assertIn(ID.IDE_SETUP_ADDRESS, self.drive_window(SETUP_CAPTION, "close"))
            proc.wait(timeout=timeout)
        finally:
            if proc.poll() is None:
                proc.kill()
                self.world.kill_all()
        err_file.seek(0)
        err = err_file.read()
        err_file.close()
        return proc.returncode, err.decode(errors="replace"), texts

    def drive_window(self, caption, *actions, timeout_ms=20000):
        """Finds a window by caption, returns {id: text} of its controls
        (and the window's class under None), then performs the actions."""
        self.last_states = {}  # a list's selection or a button's check, by ID
        self.last_enabled = {}
        r = self.world.wine([DRIVER, "window", caption] + list(actions) + [f"wait:{timeout_ms}"],
                            timeout=timeout_ms / 1000 + 30)
        out = r.stdout.decode(errors="replace").replace("\r\n", "\n")
        self.assertEqual(r.returncode, 0, f"no window '{caption}': {out}")
        seen = {}
        for line in out.splitlines():
            parts = line.split("|")
            if parts[0] == "window":
                seen[None] = parts[2]
                self.last_origin = (int(parts[3]), int(parts[4]))
                self.last_exstyle = int(parts[5], 16)
                self.last_client = tuple(int(n) for n in parts[8].split(","))
            elif parts[0] == "item":
                seen.setdefault(int(parts[1]), parts[3])
                self.last_states.setdefault(int(parts[1]), int(parts[5]))
                self.last_enabled.setdefault(int(parts[1]), parts[4] == "1")
        return seen

    def start_program(self, args, missing=None):
        """Starts a program of the prefix, ended with the test if it still runs;
        `missing` names DLLs it cannot load."""
        proc, err = self.world.start(args, missing=missing)
        self.addCleanup(err.close)
        self.addCleanup(lambda: proc.poll() is None and (proc.kill(), self.world.kill_all()))
        return proc

    def open_setup(self):
        """Starts self.exe with "/?"; the setup dialog opens."""
        proc = self.start_program([self.exe, "/?"])
        self.drive_window(SETUP_CAPTION)
        return proc

    def close_setup(self, proc):
        self.drive_window(SETUP_CAPTION, "close")
        self.assertEqual(proc.wait(timeout=30), 0)

    def answer(self, caption, button="ok", timeout_ms=20000):
        """Answers a message box; returns its text, or None when none came."""
        r = self.world.wine([DRIVER, "answer", caption, button, str(timeout_ms)], timeout=60)
        if r.returncode != 0:
            return None
        text = r.stdout.decode(errors="replace").split("text: ", 1)[1]
        return text[:-1] if text.endswith("\n") else text

    def keys(self, caption, *keys):
        return self.world.wine([DRIVER, "keys", caption] + list(keys)).stdout.decode()

    def gone(self, caption):
        """Waits until no window has that caption."""
        return wait_for(lambda: self.world.wine([DRIVER, "window", caption, "wait:0"]).returncode != 0)

    def no_box_left(self, caption):
        self.assertIsNone(self.answer(caption, timeout_ms=0), f"an unexpected box '{caption}' was open")


class PortableExecutable:
    """The header bits and resources of a PE file, read as the loader reads them."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        sections, optional_size = struct.unpack_from("<H12xH", self.data, pe + 6)
        optional = pe + 24
        self.dll_characteristics = struct.unpack_from("<H", self.data, optional + 70)[0]
        directories = optional + (112 if struct.unpack_from("<H", self.data, optional)[0] == 0x20B else 96)
        self.sections = [struct.unpack_from("<8xIIII", self.data, optional + optional_size + 40 * i)
                         for i in range(sections)]
        self.import_rva = struct.unpack_from("<I", self.data, directories + 8)[0]
        self.reloc_size = struct.unpack_from("<I", self.data, directories + 5 * 8 + 4)[0]
        self.resource_root = self.offset(struct.unpack_from("<I", self.data, directories + 16)[0])

    def offset(self, rva):
        for size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def relocations(self):
        """Whether the image can be moved: a base relocation directory."""
        return self.reloc_size > 0

    def imports(self):
        """The names of the DLLs it imports, as its import directory lists them."""
        names, entry = [], self.offset(self.import_rva)
        while struct.unpack_from("<I", self.data, entry + 12)[0] != 0:  # a name: not the last entry
            name = self.offset(struct.unpack_from("<I", self.data, entry + 12)[0])
            names.append(self.data[name:self.data.index(b"\0", name)].decode())
            entry += 20
        return names

    def entries(self, directory):
        """(name or ID, offset of its subdirectory or data entry) of a resource directory."""
        named, ids = struct.unpack_from("<12xHH", self.data, self.resource_root + directory)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", self.data, self.resource_root + directory + 16 + 8 * i)
            yield name & 0x7FFFFFFF if name & 0x80000000 == 0 else ("named", name), target & 0x7FFFFFFF

    def resources(self, resource_type):
        """{ID: [bytes of each language]} of one resource type."""
        found = {}
        for type_id, names in self.entries(0):
            if type_id != resource_type:
                continue
            for name, languages in self.entries(names):
                for _, entry in self.entries(languages):
                    rva, size = struct.unpack_from("<II", self.data, self.resource_root + entry)
                    found.setdefault(name, []).append(self.data[self.offset(rva):self.offset(rva) + size])
        return found


def started_command_lines(trace, image):
    """Command lines with which `image` was started, from a +process trace."""
    pattern = re.compile(r'NtCreateUserProcess .*? image L"(.*?)" cmdline L"(.*?)" parent')
    lines = []
    for m in pattern.finditer(trace):
        started = m.group(1).replace("\\\\", "\\")
        if started.lower() == image.lower():
            lines.append(m.group(2).replace('\\"', '"').replace("\\\\", "\\"))
    return lines


def main():
    unittest.main(verbosity=2)

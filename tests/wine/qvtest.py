"""Shared pieces of the Wine tests: the world, the driver, running the program."""

import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from world import World  # noqa: E402

WINDIR = "C:\\windows"
DRIVER = "C:\\qvtest\\qvdriver.exe"


class WineTest(unittest.TestCase):
    world = None

    @classmethod
    def setUpClass(cls):
        cls.world = World.load()
        cls.world.install_binary("qvdriver.exe", DRIVER)

    def run_program(self, path, args=(), answers=(), debug=None, timeout=60):
        """Runs a program of the prefix to its end, answering message boxes.

        Returns (exit code, stderr text, [message texts]).
        """
        proc = self.world.start([path] + list(args), debug=debug)
        texts = []
        try:
            for caption, button in answers:
                r = self.world.wine([DRIVER, "answer", caption, button, "20000"], timeout=60)
                out = r.stdout.decode(errors="replace")
                self.assertEqual(r.returncode, 0, f"no message box '{caption}': {out}")
                texts.append(out.split("text: ", 1)[1].rstrip("\r\n"))
            _, err = proc.communicate(timeout=timeout)
        finally:
            if proc.poll() is None:
                proc.kill()
                self.world.kill_all()
        self.world.wait_idle()
        return proc.returncode, err.decode(errors="replace"), texts

    def no_box_left(self, caption):
        r = self.world.wine([DRIVER, "answer", caption, "ok", "0"])
        self.assertNotEqual(r.returncode, 0, f"an unexpected box '{caption}' was open")


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

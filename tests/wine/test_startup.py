"""The real quorvane.exe under Wine: the built files, start-up and self-installation."""

import os

from qvtest import (DRIVER, ID, SETUP_CAPTION, SETUP_SAVE, WINDIR, WineTest, main,
                    started_command_lines)

ASK_COPY = "General Options Not Set"
ASK_UPGRADE = "Confirm Overwrite older version"
INSTALLED = WINDIR + "\\quorvane.exe"
INSTALLED_INI = WINDIR + "\\quorvane.ini"
PROCESS_TRACE = "-all,trace+process"


class SelfInstallation(WineTest):
    """Real copies with real version blocks; which copy is replaced when, and
    what the files hold afterwards, is the unit tests' decision table."""

    def setUp(self):
        self.install_own_copy("C:\\qvtest\\install")
        for path in (INSTALLED, INSTALLED_INI):
            self.world.remove(path)
            self.addCleanup(self.world.remove, path)

    def test_first_installation_copies_program_and_settings_then_starts_the_copy(self):
        settings = b"; office laptop\r\n[MAIN]\r\nShareAddress=\\\\srv\\data\r\nUpdateMode=1\r\n"
        self.world.put(self.ini, settings)
        rc, trace, texts = self.run_program(self.exe, answers=[(ASK_COPY, "yes")], debug=PROCESS_TRACE)
        self.assertEqual(rc, 0)
        self.assertEqual(texts, ["Do You Wanna make a copy of this Program into Windows Directory?"])
        self.assertEqual(self.world.read(INSTALLED), self.world.binary("quorvane.exe"))
        self.assertEqual((self.world.read(INSTALLED_INI), self.world.read(self.ini)), (settings, settings))
        started = started_command_lines(trace, INSTALLED)
        self.assertEqual(len(started), 1, trace[-2000:])
        self.assertTrue(started[0].endswith(" /?"), started[0])
        self.no_box_left(ASK_COPY)

    def test_version_blocks_as_windows_reads_them(self):
        for name, upgraded in (("quorvane-older.exe", True), ("quorvane.exe", False),
                               ("quorvane-newer.exe", False), ("quorvane-foreign.exe", False),
                               ("quorvane-noversion.exe", False)):
            with self.subTest(installed=name):
                self.world.install_binary(name, INSTALLED)
                self.world.put(INSTALLED_INI, b"[MAIN]\r\nShareAddress=installed\r\n")
                self.world.put(self.ini, b"; mine\r\n[MAIN]\r\nUpdateMode=2\r\nOther=x\r\n")
                answers = [(ASK_UPGRADE, "no")] if upgraded else []
                rc, _, _ = self.run_program(self.exe, answers=answers, timeout=30)
                self.assertEqual(rc, 0)
                self.assertEqual(self.world.read(INSTALLED), self.world.binary(name))
                # "No" is remembered in place: the rest of the file stays.
                self.assertEqual(self.world.read(self.ini), b"; mine\r\n[MAIN]\r\nUpdateMode="
                                 + (b"0" if upgraded else b"2") + b"\r\nOther=x\r\n")


class StartedByBareName(WineTest):
    def test_reads_and_writes_the_settings_file_beside_the_program(self):
        folder = "C:\\qvtest\\bare"
        ini = folder + "\\quorvane.ini"
        self.world.install_binary("quorvane.exe", folder + "\\quorvane.exe")
        self.world.put("C:\\qvtest\\elsewhere\\x", b"")
        for typed in ("quorvane", "quorvane.exe"):
            with self.subTest(typed=typed):
                self.world.put(ini, b"[MAIN]\r\nShareAddress=\\\\srv\\fromfile\r\n")
                # As typed in a console elsewhere: argument 0 is the bare name.
                proc, _ = self.world.start(["cmd", "/c", "cd /d C:\\qvtest\\elsewhere & "
                                            f"set PATH={folder};%PATH% & {typed} /?"])
                seen = self.drive_window(SETUP_CAPTION,
                                         f"set:{ID.IDE_SETUP_ADDRESS}=\\\\srv\\typed",
                                         SETUP_SAVE)
                self.assertEqual(seen[ID.IDE_SETUP_ADDRESS], "\\\\srv\\fromfile")
                self.drive_window(SETUP_CAPTION, "close")
                self.assertEqual(proc.wait(timeout=30), 0)
                self.assertIn(b"ShareAddress=\\\\srv\\typed\r\n", self.world.read(ini))
                for stray in (WINDIR + "\\quorvane.ini", WINDIR + "\\quorvini",
                              "C:\\qvtest\\elsewhere\\quorvane.ini"):
                    self.assertFalse(self.world.exists(stray), stray)


class Executable(WineTest):
    def test_both_widths_are_gui_programs_importing_only_system_dlls(self):
        system = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "mpr.dll",
                  "shell32.dll", "comdlg32.dll", "comctl32.dll", "version.dll",
                  "ole32.dll", "oleaut32.dll", "msvcrt.dll"}
        # (machine, optional header magic): i386 PE32, x86-64 PE32+.
        for width, header in (("win32", (0x14C, 0x10B)), ("win64", (0x8664, 0x20B))):
            with self.subTest(width=width):
                with open(os.path.join(os.environ["QV_BUILD"], width, "quorvane.exe"), "rb") as f:
                    data = f.read()
                pe = int.from_bytes(data[0x3C:0x40], "little")
                self.assertEqual(data[pe:pe + 4], b"PE\0\0")
                optional = pe + 24
                self.assertEqual((int.from_bytes(data[pe + 4:pe + 6], "little"),
                                  int.from_bytes(data[optional:optional + 2], "little")), header)
                self.assertEqual(int.from_bytes(data[optional + 68:optional + 70], "little"),
                                 2)  # GUI
                dlls = imported_dlls(data)
                self.assertIn("mpr.dll", [d.lower() for d in dlls])
                for dll in dlls:
                    self.assertIn(dll.lower(), system)

    def test_version_block_and_icon_as_windows_reads_them(self):
        exe = "C:\\qvtest\\res\\quorvane.exe"
        self.world.install_binary("quorvane.exe", exe)
        r = self.world.wine([DRIVER, "resources", exe], check=True)
        seen = dict(line.split("=", 1) for line in r.stdout.decode().splitlines() if "=" in line)
        self.assertEqual(seen["InternalName"], "Quorvane")
        self.assertEqual(seen["FileVersion"], "1.2005,06,10")
        self.assertEqual(seen["Translation"], "0409,1252")
        for key in ("CompanyName", "ProductName", "FileDescription", "LegalCopyright",
                    "OriginalFilename"):
            self.assertTrue(seen.get(key), key)
        # Icon group 500 with several sizes.
        self.assertEqual(seen["IconGroup500"], "16x16,32x32,48x48")


def imported_dlls(data):
    pe = int.from_bytes(data[0x3C:0x40], "little")
    sections = int.from_bytes(data[pe + 6:pe + 8], "little")
    optional_size = int.from_bytes(data[pe + 20:pe + 22], "little")
    optional = pe + 24
    # The data directories follow a PE32+ header 16 bytes later than a PE32 one.
    directories = optional + (112 if data[optional:optional + 2] == b"\x0b\x02" else 96)
    import_rva = int.from_bytes(data[directories + 8:directories + 12], "little")
    table = optional + optional_size

    def offset(rva):
        for i in range(sections):
            s = table + 40 * i
            va = int.from_bytes(data[s + 12:s + 16], "little")
            size = int.from_bytes(data[s + 16:s + 20], "little")
            raw = int.from_bytes(data[s + 20:s + 24], "little")
            if va <= rva < va + max(size, 1):
                return rva - va + raw
        raise ValueError(rva)

    names = []
    at = offset(import_rva)
    while True:
        name_rva = int.from_bytes(data[at + 12:at + 16], "little")
        if name_rva == 0:
            break
        start = offset(name_rva)
        names.append(data[start:data.index(b"\0", start)].decode())
        at += 20
    return names


if __name__ == "__main__":
    main()

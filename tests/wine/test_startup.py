"""The real quorvane.exe under Wine: start-up, self-installation, bad input."""

import os

from qvtest import (DRIVER, ID, SETUP_CAPTION, SETUP_SAVE, WINDIR, WineTest, main,
                    started_command_lines)

ASK_COPY = "General Options Not Set"
ASK_UPGRADE = "Confirm Overwrite older version"
INSTALLED = WINDIR + "\\quorvane.exe"
INSTALLED_INI = WINDIR + "\\quorvane.ini"
PROCESS_TRACE = "-all,trace+process"


class SelfInstallation(WineTest):
    def setUp(self):
        self.dir = "C:\\qvtest\\" + self._testMethodName
        self.exe = self.dir + "\\quorvane.exe"
        self.ini = self.dir + "\\quorvane.ini"
        self.world.install_binary("quorvane.exe", self.exe)
        self.world.remove(INSTALLED)
        self.world.remove(INSTALLED_INI)

    def tearDown(self):
        self.world.remove(INSTALLED)
        self.world.remove(INSTALLED_INI)

    def relaunches(self, trace):
        return started_command_lines(trace, INSTALLED)

    def test_first_installation_copies_program_and_settings_then_starts_the_copy(self):
        settings = b"; office laptop\r\n[MAIN]\r\nShareAddress=\\\\srv\\data\r\nUpdateMode=1\r\n"
        self.world.put(self.ini, settings)
        rc, trace, texts = self.run_program(
            self.exe, answers=[(ASK_COPY, "yes")], debug=PROCESS_TRACE)
        self.assertEqual(rc, 0)
        self.assertEqual(texts, ["Do You Wanna make a copy of this Program into Windows Directory?"])
        self.assertEqual(self.world.read(INSTALLED), self.world.binary("quorvane.exe"))
        self.assertEqual(self.world.read(INSTALLED_INI), settings)
        self.assertEqual(self.world.read(self.ini), settings)
        started = self.relaunches(trace)
        self.assertEqual(len(started), 1, trace[-2000:])
        self.assertTrue(started[0].endswith(" /?"), started[0])
        self.no_box_left(ASK_COPY)

    def test_no_writes_update_mode_zero_and_keeps_the_rest_of_the_file(self):
        self.world.put(self.ini, b"; hand-written\r\n[MAIN]\r\nUpdateMode=1\r\nCustom=keep me\r\n"
                                 b"[OTHER]\r\nX=1\r\n")
        rc, trace, texts = self.run_program(
            self.exe, answers=[(ASK_COPY, "no")], debug=PROCESS_TRACE)
        self.assertEqual(rc, 0)
        self.assertEqual(len(texts), 1)
        self.assertEqual(self.world.read(self.ini),
                         b"; hand-written\r\n[MAIN]\r\nUpdateMode=0\r\nCustom=keep me\r\n"
                         b"[OTHER]\r\nX=1\r\n")
        self.assertFalse(self.world.exists(INSTALLED))
        self.assertEqual(self.relaunches(trace), [])
        # Neither question comes again.
        rc, _, _ = self.run_program(self.exe, timeout=30)
        self.assertEqual(rc, 0)
        self.assertFalse(self.world.exists(INSTALLED))

    def test_upgrade_of_an_older_copy_keeps_its_settings_in_mode_1(self):
        self.world.install_binary("quorvane-older.exe", INSTALLED)
        self.world.put(INSTALLED_INI, b"[MAIN]\r\nShareAddress=installed\r\n")
        self.world.put(self.ini, b"[MAIN]\r\nUpdateMode=1\r\n")
        rc, trace, texts = self.run_program(
            self.exe, answers=[(ASK_UPGRADE, "yes")], debug=PROCESS_TRACE)
        self.assertEqual(rc, 0)
        self.assertEqual(texts, ["Do You Wanna Upgrade the Program that exists in Windows Directory?"])
        self.assertEqual(self.world.read(INSTALLED), self.world.binary("quorvane.exe"))
        self.assertEqual(self.world.read(INSTALLED_INI), b"[MAIN]\r\nShareAddress=installed\r\n")
        self.assertEqual(len(self.relaunches(trace)), 1)

    def test_upgrade_in_mode_2_takes_the_settings_along(self):
        self.world.install_binary("quorvane-older.exe", INSTALLED)
        self.world.put(INSTALLED_INI, b"[MAIN]\r\nShareAddress=installed\r\n")
        self.world.put(self.ini, b"[MAIN]\r\nUpdateMode=2\r\n")
        rc, _, _ = self.run_program(self.exe, answers=[(ASK_UPGRADE, "yes")])
        self.assertEqual(rc, 0)
        self.assertEqual(self.world.read(INSTALLED_INI), b"[MAIN]\r\nUpdateMode=2\r\n")

    def test_same_newer_foreign_or_unversioned_copies_are_left_alone(self):
        for name in ("quorvane.exe", "quorvane-newer.exe", "quorvane-foreign.exe",
                     "quorvane-noversion.exe"):
            with self.subTest(installed=name):
                self.world.install_binary(name, INSTALLED)
                self.world.put(self.ini, b"[MAIN]\r\nUpdateMode=2\r\n")
                rc, trace, _ = self.run_program(self.exe, timeout=30, debug=PROCESS_TRACE)
                self.assertEqual(rc, 0)
                self.assertEqual(self.world.read(INSTALLED), self.world.binary(name))
                self.assertFalse(self.world.exists(INSTALLED_INI))
                self.assertEqual(self.world.read(self.ini), b"[MAIN]\r\nUpdateMode=2\r\n")
                self.assertEqual(self.relaunches(trace), [])

    def test_the_installed_copy_never_installs_itself(self):
        self.world.install_binary("quorvane.exe", INSTALLED)
        self.world.put(INSTALLED_INI, b"[MAIN]\r\nUpdateMode=1\r\n")
        rc, trace, _ = self.run_program(INSTALLED, args=["/?"], timeout=30, debug=PROCESS_TRACE)
        self.assertEqual(rc, 0)
        self.assertEqual(self.relaunches(trace), [])
        self.assertEqual(self.world.read(INSTALLED_INI), b"[MAIN]\r\nUpdateMode=1\r\n")


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

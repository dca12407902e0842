"""The real quorvane.exe under Wine: the built files, start-up and self-installation."""

import os
import re
import subprocess
import xml.etree.ElementTree as ElementTree

from qvtest import (DRIVER, ID, SETUP_CAPTION, SETUP_SAVE, WINDIR, PortableExecutable, WineTest,
                    main, started_command_lines)

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
                proc, err = self.world.start(["cmd", "/c", "cd /d C:\\qvtest\\elsewhere & "
                                              f"set PATH={folder};%PATH% & {typed} /?"])
                self.addCleanup(err.close)
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
    def test_both_widths_are_gui_programs_importing_only_what_every_run_needs(self):
        # The shell, COM, OLE automation, version and common dialogs are
        # loaded on first use.
        system = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "mpr.dll", "msvcrt.dll"}
        for width, tool, header in (("win32", "i686", "pei-i386"), ("win64", "x86_64", "pei-x86-64")):
            with self.subTest(width=width):
                exe = os.path.join(os.environ["QV_BUILD"], width, "quorvane.exe")
                dump = subprocess.run([f"{tool}-w64-mingw32-objdump", "-p", exe], capture_output=True,
                                      check=True, text=True).stdout
                self.assertIn(f"file format {header}", dump)
                self.assertRegex(dump, r"Subsystem\s+00000002")  # GUI
                dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", dump)}
                self.assertIn("mpr.dll", dlls)
                self.assertLessEqual(dlls, system)

    def test_both_widths_run_as_invoked_and_see_the_real_windows_directory(self):
        asm, compat = "{urn:schemas-microsoft-com:asm.v3}", "{urn:schemas-microsoft-com:compatibility.v1}"
        vista_to_11 = ["{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                       "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                       "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"]
        for width in ("win32", "win64"):
            with self.subTest(width=width):
                exe = PortableExecutable(os.path.join(os.environ["QV_BUILD"], width, "quorvane.exe"))
                self.assertTrue(exe.dll_characteristics & 0x8000, hex(exe.dll_characteristics))  # TS-aware
                manifests = exe.resources(24)
                self.assertEqual([(k, len(v)) for k, v in manifests.items()], [(1, 1)])
                text = manifests[1][0]
                root = ElementTree.fromstring(text)
                levels = [e.attrib for e in root.iter(asm + "requestedExecutionLevel")]
                self.assertEqual(levels, [{"level": "asInvoker", "uiAccess": "false"}])
                self.assertEqual([e.get("Id") for e in root.iter(compat + "supportedOS")], vista_to_11)
                # Fixed-unit layouts and the templates' own look.
                self.assertNotIn(b"dpiaware", text.lower())
                self.assertNotIn(b"common-controls", text.lower())

    def test_version_block_and_icon_as_windows_reads_them(self):
        exe = "C:\\qvtest\\res\\quorvane.exe"
        self.world.install_binary("quorvane.exe", exe)
        r = self.world.wine([DRIVER, "resources", exe], check=True)
        seen = dict(line.split("=", 1) for line in r.stdout.decode().splitlines() if "=" in line)
        self.assertEqual([seen.get(k) for k in ("InternalName", "FileVersion", "Translation", "IconGroup500")],
                         ["Quorvane", "1.2005,06,10", "0409,1252", "16x16,32x32,48x48"])
        for key in ("CompanyName", "ProductName", "FileDescription", "LegalCopyright", "OriginalFilename"):
            self.assertTrue(seen.get(key), key)


if __name__ == "__main__":
    main()

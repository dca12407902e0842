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
    def test_both_widths_are_gui_programs_importing_only_known_dlls(self):
        # Windows never looks for a KnownDLL beside the program; every other
        # DLL is loaded on first use, by its full path.
        known = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll"}
        for width, tool, header in (("win32", "i686", "pei-i386"), ("win64", "x86_64", "pei-x86-64")):
            with self.subTest(width=width):
                exe = os.path.join(os.environ["QV_BUILD"], width, "quorvane.exe")
                dump = subprocess.run([f"{tool}-w64-mingw32-objdump", "-p", exe], capture_output=True,
                                      check=True, text=True).stdout
                self.assertIn(f"file format {header}", dump)
                self.assertRegex(dump, r"Subsystem\s+00000002")  # GUI
                self.assertEqual({d.lower() for d in re.findall(r"DLL Name: (\S+)", dump)}, known)
                pe = PortableExecutable(exe)
                # ASLR with relocations to move by, NX, Terminal-Server-aware; high-entropy
                # addresses on x86-64, and on i686 the statement that no SEH handler exists.
                wanted = 0x40 | 0x100 | 0x8000 | (0x400 if width == "win32" else 0x20)
                self.assertEqual(pe.dll_characteristics & (wanted | 0x400 | 0x20), wanted, hex(pe.dll_characteristics))
                self.assertTrue(pe.relocations(), "no relocations")
        # The premise of NO_SEH: no code reads the handler chain at fs:0. The
        # C run-time's start reads the TEB through fs:[0x18] for its stack
        # base (offset 4) alone.
        code = subprocess.run(["i686-w64-mingw32-objdump", "-d", "--no-show-raw-insn",
                               os.path.join(os.environ["QV_BUILD"], "win32", "quorvane.exe")],
                              capture_output=True, check=True, text=True).stdout.splitlines()
        self.assertGreater(len(code), 5000)
        teb_reads = 0
        for i, line in enumerate(code):
            if "%fs:" not in line:
                continue
            teb = re.search(r"mov\s+%fs:0x18,(%e\w\w)$", line)
            self.assertIsNotNone(teb, line)
            teb_reads += 1
            uses = [u for u in code[i + 1:i + 5] if "(" + teb.group(1) + ")" in u]
            self.assertTrue(uses, line)
            self.assertEqual([u for u in uses if "0x4(" + teb.group(1) + ")" not in u], [], uses)
        self.assertLessEqual(teb_reads, 1)

    def test_both_widths_run_as_invoked_themed_and_dpi_aware(self):
        asm, compat = "{urn:schemas-microsoft-com:asm.v3}", "{urn:schemas-microsoft-com:compatibility.v1}"
        v1 = "{urn:schemas-microsoft-com:asm.v1}"
        vista_to_11 = ["{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                       "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                       "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"]
        for width in ("win32", "win64"):
            with self.subTest(width=width):
                exe = PortableExecutable(os.path.join(os.environ["QV_BUILD"], width, "quorvane.exe"))
                manifests = exe.resources(24)
                self.assertEqual([(k, len(v)) for k, v in manifests.items()], [(1, 1)])
                root = ElementTree.fromstring(manifests[1][0])
                levels = [e.attrib for e in root.iter(asm + "requestedExecutionLevel")]
                self.assertEqual(levels, [{"level": "asInvoker", "uiAccess": "false"}])
                self.assertEqual([e.get("Id") for e in root.iter(compat + "supportedOS")], vista_to_11)
                dependencies = [(e.get("name"), e.get("version"), e.get("publicKeyToken"))
                                for e in root.iter(v1 + "assemblyIdentity")]
                self.assertEqual(dependencies, [("Microsoft.Windows.Common-Controls", "6.0.0.0", "6595b64144ccf1df")])
                # A key in another namespace is silently ignored by Windows.
                settings = "{http://schemas.microsoft.com/SMI/%s/WindowsSettings}"
                self.assertEqual([e.text for e in root.iter(settings % "2005" + "dpiAware")], ["true"])
                self.assertEqual([e.text for e in root.iter(settings % "2016" + "dpiAwareness")],
                                 ["PerMonitorV2, System"])
                # The events' messages, by which Event Viewer words them (RT_MESSAGETABLE).
                with open(os.path.join(os.environ["QV_BUILD"], width, "generated", "MSG00409.bin"), "rb") as table:
                    self.assertEqual(exe.resources(11), {1: [table.read()]})

    def test_version_block_and_icon_as_windows_reads_them(self):
        exe = "C:\\qvtest\\res\\quorvane.exe"
        self.world.install_binary("quorvane.exe", exe)
        r = self.world.wine([DRIVER, "resources", exe], check=True)
        seen = dict(line.split("=", 1) for line in r.stdout.decode().splitlines() if "=" in line)
        self.assertEqual([seen.get(k) for k in ("InternalName", "FileVersion", "Translation", "IconGroup500")],
                         ["Quorvane", "1.2005,06,10", "0409,1252", "16x16,20x20,24x24,32x32,40x40,48x48,64x64,256x256"])
        for key in ("CompanyName", "ProductName", "FileDescription", "LegalCopyright", "OriginalFilename"):
            self.assertTrue(seen.get(key), key)


if __name__ == "__main__":
    main()

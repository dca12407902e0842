"""The setup dialog of the real quorvane.exe, used as a person would."""

import time

import os
import subprocess

from qvtest import DRIVER, ID, SETUP_CAPTION, SETUP_SAVE, WINDIR, WineTest, main

DIR = "C:\\qvtest\\setup"
CHECK_BOXES = range(ID.IDX_PERSISTANT, ID.IDX_UPDATE_MODE + 1)


def fields(seen):
    """The address, user name and password as the setup dialog shows them."""
    return seen[ID.IDE_SETUP_ADDRESS], seen[ID.IDE_SETUP_USER], seen[ID.IDE_SETUP_PASSWORD]


RUN_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"


class SetupDialog(WineTest):
    def setUp(self):
        self.install_own_copy(DIR)
        self.world.drop_drive("S")

    def tearDown(self):
        self.world.drop_drive("S")

    def open(self):
        proc, _ = self.world.start([self.exe, "/?"])
        self.addCleanup(lambda: proc.poll() is None and (proc.kill(), self.world.kill_all()))
        return proc

    def address(self):
        return self.drive_window(SETUP_CAPTION)[ID.IDE_SETUP_ADDRESS]

    def close(self, proc):
        self.drive_window(SETUP_CAPTION, "close")
        self.assertEqual(proc.wait(timeout=30), 0)

    def test_opens_empty_without_a_settings_file(self):
        proc = self.open()
        seen = self.drive_window(SETUP_CAPTION)
        states = self.last_states
        self.assertEqual(fields(seen), ("", "", ""))
        self.assertEqual(states[ID.IDL_SETUP_LETTER], -1)  # no letter
        self.assertEqual(states[ID.IDL_SETUP_TYPE], 0)  # "NetWork"
        self.assertEqual([states[i] for i in CHECK_BOXES], [0] * 6)
        self.close(proc)
        self.assertFalse(self.world.exists(self.ini))

    def test_save_writes_every_key_and_reopening_shows_them(self):
        proc = self.open()
        self.drive_window(SETUP_CAPTION, f"set:{ID.IDE_SETUP_ADDRESS}=\\\\srv\\%USERNAME%",
                          f"select:{ID.IDL_SETUP_LETTER}=16", f"select:{ID.IDL_SETUP_TYPE}=1",
                          f"set:{ID.IDE_SETUP_USER}=anna", f"set:{ID.IDE_SETUP_PASSWORD}=s3cret",
                          f"check:{ID.IDX_PERSISTANT}=1", f"check:{ID.IDX_PROMPT}=1",
                          f"check:{ID.IDX_SAVE_CREDENTIALS}=1", f"check:{ID.IDX_START_UP}=1",
                          SETUP_SAVE)
        self.close(proc)
        self.assertEqual(self.world.read(self.ini),
                         b"[MAIN]\r\nShareAddress=\\\\srv\\%USERNAME%\r\nMapToDrive=Q\r\n"
                         b"DriveType=1\r\nSaveCredentials=1\r\nUserName=anna\r\nPassWord=s3cret\r\n"
                         b"PersistantConnection=1\r\nForceDisConnection=0\r\n"
                         b"PromptCredentials=1\r\nStartUp=1\r\nUpdateMode=0\r\n")
        proc = self.open()
        seen = self.drive_window(SETUP_CAPTION)
        states = self.last_states
        self.assertEqual(fields(seen), ("\\\\srv\\%USERNAME%", "anna", "s3cret"))
        self.assertEqual((states[ID.IDL_SETUP_LETTER], states[ID.IDL_SETUP_TYPE]), (16, 1))
        self.assertEqual([states[i] for i in CHECK_BOXES], [1, 0, 1, 1, 1, 0])
        self.close(proc)

    def test_share_macro_in_the_address_is_refused(self):
        self.world.put(self.ini, b"[MAIN]\r\nShareAddress=\\\\srv\\data\r\n")
        proc = self.open()
        self.drive_window(SETUP_CAPTION, f"set:{ID.IDE_SETUP_ADDRESS}=\\\\srv\\%SHARE%", SETUP_SAVE)
        r = self.world.wine(["C:\\qvtest\\qvdriver.exe", "answer", "Atention!", "ok", "20000"])
        self.assertEqual(r.stdout.decode().strip(),
                         "text: %SHARE% is an Ilegal Macro name for this field")
        self.close(proc)
        self.assertEqual(self.world.read(self.ini), b"[MAIN]\r\nShareAddress=\\\\srv\\data\r\n")

    def test_map_now_and_unmap_now_with_subst(self):
        folder = DIR + "\\folder"
        self.world.put(folder + "\\file.txt", b"x")
        self.world.put(self.ini, ("[MAIN]\r\nShareAddress=" + folder + "\r\nMapToDrive=S\r\n"
                                  "DriveType=1\r\n").encode())
        proc = self.open()
        self.drive_window(SETUP_CAPTION, f"press:{ID.IDB_MAP_NOW}")
        self.assertTrue(self.wait_for(lambda: self.world.drive("S") is not None))
        # Unmap works on the letter held since the dialog opened, not the list.
        self.drive_window(SETUP_CAPTION, f"select:{ID.IDL_SETUP_LETTER}=19",
                          f"press:{ID.IDB_UNMAP_NOW}")
        self.assertTrue(self.wait_for(lambda: self.world.drive("S") is None))
        self.close(proc)

    def test_ctrl_space_inserts_a_macro_at_the_caret(self):
        self.world.put(self.ini, b"[MAIN]\r\nShareAddress=\\\\srv\\\r\n")
        proc = self.open()
        self.drive_window(SETUP_CAPTION)
        # Alt+A moves to the share address; the 19th entry is %USERNAME%.
        keys = ["alt+a", "end", "ctrl+space", "down*19", "enter"]
        r = self.world.wine(["C:\\qvtest\\qvdriver.exe", "keys", SETUP_CAPTION] + keys)
        self.assertEqual(r.returncode, 0)
        self.assertTrue(self.wait_for(
            lambda: self.address() == "\\\\srv\\%USERNAME%"),
            self.address())
        self.close(proc)

    def test_ctrl_space_replaces_a_selection_and_is_refused_elsewhere(self):
        self.world.put(self.ini, b"[MAIN]\r\nShareAddress=old\r\nUserName=u\r\nSaveCredentials=1\r\n")
        proc = self.open()
        self.drive_window(SETUP_CAPTION)
        driver = [DRIVER, "keys", SETUP_CAPTION]
        # Alt+A selects the whole share address; the 2nd entry is %DATE%.
        r = self.world.wine(driver + ["alt+a", "ctrl+space", "menu?", "down*2", "enter"])
        self.assertIn("menu: open", r.stdout.decode())
        self.assertTrue(self.wait_for(lambda: self.address() == "%DATE%"))
        # Password field (three tabs on), then the drive-letter list (Alt+D).
        for keys in (["alt+a", "tab*3"], ["alt+d"]):
            r = self.world.wine(driver + keys + ["ctrl+space", "menu?", "escape"])
            self.assertIn("menu: none", r.stdout.decode(), keys)
        seen = self.drive_window(SETUP_CAPTION)
        self.assertEqual(fields(seen), ("%DATE%", "u", ""))
        self.close(proc)

    def test_sub_dialogs_open_and_browse_shows_its_caption(self):
        proc = self.open()
        for button, caption in ((21, "Message Setting"), (22, "Message Setting"),
                                (23, "Message Setting"), (27, "Programs to Execute"),
                                (28, "About Quorvane Version: 1.2005,06,10")):
            self.drive_window(SETUP_CAPTION, f"press:{button}")
            self.drive_window(caption, "close")
            self.assertTrue(self.wait_for(lambda: self.world.wine(
                [DRIVER, "window", caption, "wait:0"]).returncode != 0), caption)
        self.drive_window(SETUP_CAPTION, f"press:{ID.IDB_SETUP_BROWSE}")
        self.drive_window("Searching for Folder", "press:2")  # cancelled: nothing changes
        self.assertEqual(self.address(), "")
        self.close(proc)

    def test_escape_does_nothing_and_enter_closes(self):
        proc = self.open()
        self.drive_window(SETUP_CAPTION)
        driver = ["C:\\qvtest\\qvdriver.exe", "keys", SETUP_CAPTION]
        self.world.wine(driver + ["escape"])
        time.sleep(0.5)
        self.assertIsNone(proc.poll())
        self.drive_window(SETUP_CAPTION, timeout_ms=2000)  # still open
        self.world.wine(driver + ["enter"])  # "Close" is the default button
        self.assertEqual(proc.wait(timeout=30), 0)

    def test_save_in_copy_mode_outside_and_inside_the_windows_directory(self):
        for exe, registered in ((self.exe, None), (WINDIR + "\\quorvane.exe", f'"{WINDIR}\\quorvane.exe"')):
            with self.subTest(exe=exe):
                self.world.reg_delete(RUN_KEY, "quorvane")
                self.world.install_binary("quorvane.exe", exe)
                self.exe, self.ini = exe, exe[:-3] + "ini"
                self.world.remove(self.ini)
                proc = self.open()
                self.drive_window(SETUP_CAPTION, f"check:{ID.IDX_START_UP}=1",
                                  f"check:{ID.IDX_UPDATE_MODE}=1", SETUP_SAVE)
                self.close(proc)
                ini = self.world.read(self.ini)
                self.assertIn(b"StartUp=1\r\nUpdateMode=1\r\n", ini)
                self.assertEqual(self.world.reg_query(RUN_KEY, "quorvane"), registered)
        self.world.reg_delete(RUN_KEY, "quorvane")
        self.world.remove(WINDIR + "\\quorvane.exe")
        self.world.remove(WINDIR + "\\quorvane.ini")

    def test_map_now_failure_shows_the_map_error_unless_silent(self):
        self.world.publish("\\\\srv\\broken", DIR + "\\broken")
        self.world.serve("fail \\\\srv\\broken 1203")
        for silent in (False, True):
            with self.subTest(silent=silent):
                self.world.put(self.ini, b"[MAIN]\r\nShareAddress=\\\\srv\\broken\r\nMapToDrive=Q\r\n"
                               b"[MAPERROR]\r\nTitle=Q: failed\r\nLine1=Code %ERRORCODE%\r\n"
                               + (b"Buttons=1\r\n" if silent else b""))
                proc = self.open()
                self.drive_window(SETUP_CAPTION, f"press:{ID.IDB_MAP_NOW}")
                r = self.world.wine([DRIVER, "answer", "Q: failed", "ok", "3000"])
                if silent:
                    self.assertNotEqual(r.returncode, 0)
                else:
                    self.assertEqual(r.returncode, 0)
                    self.assertTrue(r.stdout.decode().startswith("text: Code 1203\n"))
                self.close(proc)

    def test_the_map_error_box_holds_the_setup_dialog_until_answered(self):
        self.world.publish("\\\\srv\\broken", DIR + "\\broken")
        self.world.serve("fail \\\\srv\\broken 53")
        self.world.clear_logs()
        self.world.put(self.ini, b"[MAIN]\r\nShareAddress=\\\\srv\\broken\r\nMapToDrive=Q\r\n"
                       b"[MAPERROR]\r\nTitle=Q: failed\r\n")
        proc = self.open()
        self.drive_window(SETUP_CAPTION, f"click:{ID.IDB_MAP_NOW}")  # a real click maps
        self.assertTrue(self.wait_for(lambda: len(self.world.calls()) == 1))
        # With the box up, a second click on "Map Drive Now" does nothing.
        time.sleep(0.5)  # the box is up
        self.drive_window(SETUP_CAPTION, f"click:{ID.IDB_MAP_NOW}")
        time.sleep(1)
        self.assertEqual(len(self.world.calls()), 1)
        r = self.world.wine([DRIVER, "answer", "Q: failed", "ok", "3000"])
        self.assertEqual(r.returncode, 0)
        r = self.world.wine([DRIVER, "answer", "Q: failed", "ok", "1000"])
        self.assertNotEqual(r.returncode, 0)  # no second box
        self.assertEqual(len(self.world.calls()), 1)
        self.close(proc)

    def test_out_of_range_settings_open_and_save_back_sane_values(self):
        self.world.put(self.ini, b"[MAIN]\r\nShareAddress=" + b"s" * 10000 + b"\r\nMapToDrive=q\r\n"
                       b"DriveType=7\r\nPersistantConnection=300\r\nForceDisConnection=-1\r\n"
                       b"SaveCredentials=1\r\nUserName=" + b"u" * 10000 + b"\r\nStartUp=2\r\n")
        proc = self.open()
        seen = self.drive_window(SETUP_CAPTION, SETUP_SAVE)
        self.assertEqual(len(seen[ID.IDE_SETUP_ADDRESS]), 259)
        self.close(proc)
        # Keys keep their places; new ones follow at the end of the section.
        self.assertEqual(self.world.read(self.ini),
                         b"[MAIN]\r\nShareAddress=" + b"s" * 259 + b"\r\nMapToDrive=X\r\n"
                         b"DriveType=0\r\nPersistantConnection=1\r\nForceDisConnection=1\r\n"
                         b"SaveCredentials=1\r\nUserName=" + b"u" * 259 + b"\r\nStartUp=0\r\n"
                         b"PassWord=\r\nPromptCredentials=0\r\nUpdateMode=0\r\n")

    def test_screenshot_with_sample_settings(self):
        self.world.put(self.ini, b"[MAIN]\r\nShareAddress=\\\\fileserver\\%USERNAME%$\r\n"
                       b"MapToDrive=H\r\nDriveType=0\r\nSaveCredentials=1\r\n"
                       b"UserName=OFFICE\\%USERNAME%\r\nPassWord=secret\r\n"
                       b"PersistantConnection=1\r\nForceDisConnection=1\r\nStartUp=1\r\n")
        proc = self.open()
        self.drive_window(SETUP_CAPTION)
        shot = os.path.join(self.world.directory, "setup-dialog.png")
        subprocess.run(["import", "-window", "root", "-crop", "500x420+262+174", "+repage", shot],
                       env=self.world.env(), check=True, timeout=60)
        self.assertGreater(os.path.getsize(shot), 1000)
        self.close(proc)

    def wait_for(self, condition, seconds=10):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if condition():
                return True
            time.sleep(0.1)
        return False


if __name__ == "__main__":
    main()

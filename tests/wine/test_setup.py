"""The setup dialog of the real quorvane.exe, used as a person would: what the
profile calls put on disk, what the Run key holds, keys, focus and boxes."""

import time

from qvtest import DRIVER, ID, SETUP_CAPTION, SETUP_SAVE, WineTest, main, wait_for

DIR = "C:\\qvtest\\setup"
RUN_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
BOXES = range(ID.IDX_PERSISTANT, ID.IDX_UPDATE_MODE + 1)


class SetupDialog(WineTest):
    def setUp(self):
        self.install_own_copy(DIR)
        self.world.drop_drive("S")
        self.world.reg_delete(RUN_KEY, "quorvane")
        self.addCleanup(self.world.drop_drive, "S")
        self.addCleanup(self.world.reg_delete, RUN_KEY, "quorvane")

    def shown(self):
        seen = self.drive_window(SETUP_CAPTION)
        s = self.last_states
        return ([seen[i] for i in (ID.IDE_SETUP_ADDRESS, ID.IDE_SETUP_USER, ID.IDE_SETUP_PASSWORD)],
                s[ID.IDL_SETUP_LETTER], s[ID.IDL_SETUP_TYPE], [s[i] for i in BOXES])

    def test_the_controls_are_themed_ones(self):
        # Wine's Light theme, as a new prefix has it.
        key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"
        for name, value in (("ThemeActive", "1"), ("ColorName", "Blue"), ("SizeName", "NormalSize"),
                            ("DllName", "C:\\windows\\resources\\themes\\light\\light.msstyles")):
            self.world.wine(["reg", "add", key, "/v", name, "/d", value, "/f"], check=True)
        proc = self.open_setup()
        ids = (ID.IDB_MAP_NOW, ID.IDE_SETUP_ADDRESS, ID.IDX_PERSISTANT, ID.IDL_SETUP_TYPE)
        r = self.world.wine([DRIVER, "classes", SETUP_CAPTION] + [str(i) for i in ids], check=True)
        # A classic control's class is user32's; a themed one's, of Common
        # Controls 6, is registered for the module that uses it.
        modules = dict(line.split() for line in r.stdout.decode().splitlines())
        self.assertEqual({int(k): v.lower() for k, v in modules.items()}, {i: "quorvane.exe" for i in ids})
        self.close_setup(proc)

    def test_a_hand_edited_file_saved_reopened_and_registered(self):
        proc = self.open_setup()
        self.assertEqual(self.shown(), (["", "", ""], -1, 0, [0] * 6))
        self.close_setup(proc)
        self.assertFalse(self.world.exists(self.ini))  # opening creates nothing

        # Keys keep their places, comments and strangers stay, new keys end
        # the section; values out of range come back sane.
        self.world.put(self.ini, b"; desk 4\r\n[MAIN]\r\nShareAddress=" + b"s" * 10000 + b"\r\n"
                       b"Owner=IT\r\nDriveType=7\r\nPersistantConnection=300\r\n[OTHER]\r\nX=1\r\n")
        proc = self.open_setup()
        self.assertEqual(len(self.shown()[0][0]), 259)
        self.drive_window(SETUP_CAPTION, f"set:{ID.IDE_SETUP_ADDRESS}=\\\\srv\\%USERNAME%",
                          f"select:{ID.IDL_SETUP_LETTER}=16", f"select:{ID.IDL_SETUP_TYPE}=1",
                          f"set:{ID.IDE_SETUP_USER}=anna", f"set:{ID.IDE_SETUP_PASSWORD}=s3cret",
                          f"check:{ID.IDX_PROMPT}=1", f"check:{ID.IDX_SAVE_CREDENTIALS}=1",
                          f"check:{ID.IDX_START_UP}=1", SETUP_SAVE)
        self.close_setup(proc)
        self.assertEqual(self.world.read(self.ini),
                         b"; desk 4\r\n[MAIN]\r\nShareAddress=\\\\srv\\%USERNAME%\r\nOwner=IT\r\n"
                         b"DriveType=1\r\nPersistantConnection=1\r\nMapToDrive=Q\r\nSaveCredentials=1\r\n"
                         b"UserName=anna\r\nPassWord=s3cret\r\nForceDisConnection=0\r\n"
                         b"PromptCredentials=1\r\nStartUp=1\r\nUpdateMode=0\r\n[OTHER]\r\nX=1\r\n")
        self.assertEqual(self.world.reg_query(RUN_KEY, "quorvane"), f'"{self.exe}"')

        proc = self.open_setup()
        self.assertEqual(self.shown(), (["\\\\srv\\%USERNAME%", "anna", "s3cret"], 16, 1,
                                        [1, 0, 1, 1, 1, 0]))
        self.drive_window(SETUP_CAPTION, f"check:{ID.IDX_START_UP}=0", SETUP_SAVE)
        self.close_setup(proc)
        self.assertIsNone(self.world.reg_query(RUN_KEY, "quorvane"))

    def test_save_gives_the_password_to_windows_and_keeps_the_keys_it_does_not_show(self):
        self.world.put(self.ini, b"[MAIN]\r\nCredentialManager=1\r\nSaveCredentials=1\r\nPassWord=old\r\nWaitUntilLogOff=1\r\n")
        proc = self.open_setup()
        self.assertEqual(self.shown()[0], ["", "", ""])  # a password left in the file is not shown
        self.drive_window(SETUP_CAPTION, f"set:{ID.IDE_SETUP_ADDRESS}=\\\\srv\\saved\\",
                          f"set:{ID.IDE_SETUP_USER}=%USERNAME%", f"set:{ID.IDE_SETUP_PASSWORD}=s3cret", SETUP_SAVE)
        self.close_setup(proc)
        self.assertEqual(self.world.wine([DRIVER, "cred", "Quorvane:\\\\srv\\saved"]).stdout.decode(),
                         "1 2 %USERNAME% " + "s3cret".encode("utf-16-le").hex() + "\n")
        ini = self.world.read(self.ini)  # the keys kept, no password, the rest as the dialog writes it
        self.assertEqual((ini.count(b"CredentialManager=1\r\n"), ini.count(b"WaitUntilLogOff=1\r\n"),
                          ini.count(b"PassWord"), ini.count(b"=")), (1, 1, 0, 12))

    def test_keys_macro_menu_escape_and_enter(self):
        self.world.put(self.ini, b"[MAIN]\r\nShareAddress=\\\\srv\\\r\nUserName=u\r\nSaveCredentials=1\r\n")
        proc = self.open_setup()
        # Alt+A moves to the address; the 19th entry is %USERNAME%, the 2nd %DATE%.
        self.keys(SETUP_CAPTION, "alt+a", "end", "ctrl+space", "down*19", "enter")
        self.assertTrue(wait_for(lambda: self.shown()[0][0] == "\\\\srv\\%USERNAME%"), self.shown())
        self.assertIn("menu: open", self.keys(SETUP_CAPTION, "alt+a", "ctrl+space", "menu?",
                                              "down*2", "enter"))
        self.assertTrue(wait_for(lambda: self.shown()[0][0] == "%DATE%"))  # the selection replaced
        # Not in the password field (three tabs on), nor in the letter list (Alt+D).
        for keys in (["alt+a", "tab*3"], ["alt+d"]):
            self.assertIn("menu: none", self.keys(SETUP_CAPTION, *keys, "ctrl+space", "menu?", "escape"))
        self.assertEqual(self.shown()[0], ["%DATE%", "u", ""])
        self.keys(SETUP_CAPTION, "escape")  # does nothing
        time.sleep(0.5)
        self.assertIsNone(proc.poll())
        self.keys(SETUP_CAPTION, "enter")  # "Close" is the default button
        self.assertEqual(proc.wait(timeout=30), 0)

    def test_buttons_open_their_dialogs(self):
        proc = self.open_setup()
        for button, caption in ((ID.IDB_SHARE_ERROR, "Message Setting"), (ID.IDB_DRIVE_ERROR, "Message Setting"),
                                (ID.IDB_CREDENTIALS, "Message Setting"), (ID.IDB_PROGRAMS, "Programs to Execute"),
                                (ID.IDB_ABOUT, "About Quorvane Version: 1.2005,06,10"),
                                (ID.IDB_SETUP_BROWSE, "Searching for Folder")):
            self.drive_window(SETUP_CAPTION, f"press:{button}")
            self.drive_window(caption, "close" if button != ID.IDB_SETUP_BROWSE else "press:2")
            self.assertTrue(self.gone(caption), caption)
        self.assertEqual(self.shown()[0][0], "")  # the cancelled folder changed nothing
        self.close_setup(proc)

    def test_map_and_unmap_now_with_subst(self):
        folder = DIR + "\\folder"
        self.world.put(folder + "\\file.txt", b"x")
        self.world.put(self.ini, f"[MAIN]\r\nShareAddress={folder}\r\nMapToDrive=S\r\nDriveType=1\r\n".encode())
        proc = self.open_setup()
        self.drive_window(SETUP_CAPTION, f"press:{ID.IDB_MAP_NOW}")
        self.assertTrue(wait_for(lambda: self.world.drive("S") is not None))
        # Unmap works on the letter held since the dialog opened, not the list.
        self.drive_window(SETUP_CAPTION, f"select:{ID.IDL_SETUP_LETTER}=19", f"press:{ID.IDB_UNMAP_NOW}")
        self.assertTrue(wait_for(lambda: self.world.drive("S") is None))
        self.close_setup(proc)

    def test_the_map_error_box_holds_the_setup_dialog_until_answered(self):
        self.world.publish("\\\\srv\\broken", DIR + "\\broken")
        self.world.serve("fail \\\\srv\\broken 1203")
        self.world.clear_logs()
        self.world.put(self.ini, b"[MAIN]\r\nShareAddress=\\\\srv\\broken\r\nMapToDrive=Q\r\n"
                       b"[MAPERROR]\r\nTitle=Q: failed\r\nLine1=Code %ERRORCODE%\r\n")
        proc = self.open_setup()
        self.drive_window(SETUP_CAPTION, f"click:{ID.IDB_MAP_NOW}")  # a real click maps
        self.assertTrue(wait_for(lambda: len(self.world.calls()) == 1))
        time.sleep(0.5)  # the box is up: a second click does nothing
        self.drive_window(SETUP_CAPTION, f"click:{ID.IDB_MAP_NOW}")
        time.sleep(1)
        self.assertEqual(self.answer("Q: failed"), "Code 1203\nLine2\nLine3\nLine4\nLine5")
        self.assertIsNone(self.answer("Q: failed", timeout_ms=1000))  # no second box
        self.assertEqual(len(self.world.calls()), 1)
        self.close_setup(proc)


if __name__ == "__main__":
    main()

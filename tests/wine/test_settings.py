"""The settings file and the start-with-system value under Wine.

The driver runs the program's own transfer code with the real Win32 profile
and registry functions against real controls, so the bytes on disk and the
registry are exactly what the program produces.
"""

from qvtest import DRIVER, ID, WineTest, main

RUN_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"


class SettingsFile(WineTest):
    def setUp(self):
        self.ini = "C:\\qvtest\\settings\\quorvane.ini"
        self.world.remove(self.ini)
        self.world.put("C:\\qvtest\\settings\\keep", b"")

    def transfer(self, group, direction, *settings):
        r = self.world.wine([DRIVER, "transfer", self.ini, str(group), direction] + list(settings))
        self.assertEqual(r.returncode, 0, r.stderr.decode(errors="replace")[-2000:])
        out = r.stdout.decode(errors="replace").replace("\r\n", "\n")
        return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)

    MAIN_CONTROLS = (f"text:{ID.IDE_SETUP_ADDRESS}=\\\\srv\\data",
                     f"combo:{ID.IDL_SETUP_LETTER}=16", f"combo:{ID.IDL_SETUP_TYPE}=1",
                     f"text:{ID.IDE_SETUP_USER}=%USERNAME%", f"text:{ID.IDE_SETUP_PASSWORD}=s3cret",
                     f"check:{ID.IDX_PERSISTANT}=1", f"check:{ID.IDX_PROMPT}=1",
                     f"check:{ID.IDX_SAVE_CREDENTIALS}=1", f"check:{ID.IDX_START_UP}=1")

    def test_main_save_writes_every_key_in_order(self):
        self.transfer(1, "save", *self.MAIN_CONTROLS)
        self.assertEqual(self.world.read(self.ini),
                         b"[MAIN]\r\n"
                         b"ShareAddress=\\\\srv\\data\r\n"
                         b"MapToDrive=Q\r\n"
                         b"DriveType=1\r\n"
                         b"SaveCredentials=1\r\n"
                         b"UserName=%USERNAME%\r\n"
                         b"PassWord=s3cret\r\n"
                         b"PersistantConnection=1\r\n"
                         b"ForceDisConnection=0\r\n"
                         b"PromptCredentials=1\r\n"
                         b"StartUp=1\r\n"
                         b"UpdateMode=0\r\n")

    def test_sections_appear_in_first_written_order_and_keys_stay_in_place(self):
        self.transfer(5, "save", f"text:{ID.IDE_EXECUTE1}=C:\\Tools\\init.cmd",
                      f"text:{ID.IDE_PARAMETERS3}=/q")
        self.transfer(3, "save", f"text:{ID.IDE_MESSAGE_TITLE}=Drive error",
                      f"combo:{ID.IDL_MESSAGE_BUTTONS}=1")
        self.transfer(1, "save", f"text:{ID.IDE_SETUP_ADDRESS}=\\\\srv\\x",
                      f"combo:{ID.IDL_SETUP_LETTER}=23")
        self.transfer(3, "save", f"text:{ID.IDE_MESSAGE_TITLE}=Changed",
                      f"combo:{ID.IDL_MESSAGE_BUTTONS}=0")
        self.assertEqual(self.world.read(self.ini),
                         b"[SECTEXECUTE]\r\nExecute1=C:\\Tools\\init.cmd\r\nParameters1=\r\n"
                         b"Execute2=\r\nParameters2=\r\nExecute3=\r\nParameters3=/q\r\n"
                         b"[MAPERROR]\r\nTitle=Changed\r\nLine1=\r\nLine2=\r\nLine3=\r\n"
                         b"Line4=\r\nLine5=\r\nButtons=0\r\n"
                         b"[MAIN]\r\nShareAddress=\\\\srv\\x\r\nMapToDrive=X\r\nDriveType=0\r\n"
                         b"SaveCredentials=0\r\nPersistantConnection=0\r\nForceDisConnection=0\r\n"
                         b"PromptCredentials=0\r\nStartUp=0\r\nUpdateMode=0\r\n")

    def test_hand_edited_comments_and_unknown_keys_survive(self):
        before = (b"; accounts office, do not touch\r\n"
                  b"[MAIN]\r\n"
                  b"ShareAddress=\\\\old\\share\r\n"
                  b"Owner=IT desk\r\n"
                  b"; the letter finance expects\r\n"
                  b"MapToDrive=K\r\n"
                  b"[NOTES]\r\n"
                  b"Ticket=4711\r\n")
        self.world.put(self.ini, before)
        loaded = self.transfer(1, "load", "uimode=1")
        self.assertEqual(loaded[f"combo:{ID.IDL_SETUP_LETTER}"], "10")
        self.transfer(1, "save", f"text:{ID.IDE_SETUP_ADDRESS}=\\\\new\\share",
                      f"combo:{ID.IDL_SETUP_LETTER}=10")
        self.assertEqual(self.world.read(self.ini),
                         b"; accounts office, do not touch\r\n"
                         b"[MAIN]\r\n"
                         b"ShareAddress=\\\\new\\share\r\n"
                         b"Owner=IT desk\r\n"
                         b"; the letter finance expects\r\n"
                         b"MapToDrive=K\r\n"
                         b"DriveType=0\r\n"
                         b"SaveCredentials=0\r\n"
                         b"PersistantConnection=0\r\n"
                         b"ForceDisConnection=0\r\n"
                         b"PromptCredentials=0\r\n"
                         b"StartUp=0\r\n"
                         b"UpdateMode=0\r\n"
                         b"[NOTES]\r\n"
                         b"Ticket=4711\r\n")

    def test_load_of_hand_edited_values(self):
        self.world.put(self.ini,
                       b"[MAIN]\r\nShareAddress=" + b"s" * 300 + b"\r\n"
                       b"MapToDrive=abc\r\nDriveType=7\r\nPersistantConnection=300\r\n"
                       b"ForceDisConnection=-1\r\nPromptCredentials=abc\r\n"
                       b"SaveCredentials=1\r\nUserName=u\r\nPassWord=p\r\n"
                       b"StartUp=2\r\nUpdateMode=2\r\n")
        seen = self.transfer(1, "load", "uimode=1", "name=qvsettingsprobe")
        self.assertEqual(seen["ShareAddress"], "s" * 259)
        self.assertEqual(seen[f"text:{ID.IDE_SETUP_ADDRESS}"], "s" * 259)
        self.assertEqual(seen["MapToDrive"], "a:")
        self.assertEqual(seen[f"combo:{ID.IDL_SETUP_LETTER}"], "-1")
        self.assertEqual(seen["DriveType"], "7")
        self.assertEqual(seen[f"combo:{ID.IDL_SETUP_TYPE}"], "-1")
        self.assertEqual(seen["PersistantConnection"], "44")
        self.assertEqual(seen["ForceDisConnection"], "255")
        self.assertEqual(seen["PromptCredentials"], "0")
        self.assertEqual([seen[f"check:{i}"] for i in (ID.IDX_PERSISTANT, ID.IDX_FORCE,
                                                       ID.IDX_PROMPT)], ["1", "1", "0"])
        self.assertEqual([seen[f"text:{i}"] for i in (ID.IDE_SETUP_USER, ID.IDE_SETUP_PASSWORD)],
                         ["u", "p"])
        self.assertEqual(seen[f"check:{ID.IDX_START_UP}"], "0")  # StartUp 2 counts as off
        self.assertEqual(seen[f"check:{ID.IDX_UPDATE_MODE}"], "1")
        self.assertEqual(seen["StartUp"], "0")  # cleared: copy mode, not installed

    def test_missing_file_gives_defaults_and_is_not_created(self):
        seen = self.transfer(1, "load", "uimode=1", "name=qvsettingsprobe")
        self.assertEqual(seen["MapToDrive"], "")
        self.assertEqual(seen[f"combo:{ID.IDL_SETUP_LETTER}"], "-1")
        self.assertEqual(seen[f"combo:{ID.IDL_SETUP_TYPE}"], "0")
        seen = self.transfer(2, "load", "uimode=2")
        self.assertEqual((seen["Title"], seen["Line1"], seen["Line5"]), ("Title", "Line1", "Line5"))
        self.assertFalse(self.world.exists(self.ini))

    def test_credentials_combo_with_one_entry(self):
        self.world.put(self.ini, b"[CREDENTIALS]\r\nButtons=1\r\n")
        seen = self.transfer(4, "load", "uimode=4")
        self.assertEqual(seen[f"combo:{ID.IDL_MESSAGE_BUTTONS}"], "-1")
        self.transfer(4, "save")
        self.assertIn(b"Buttons=0\r\n", self.world.read(self.ini))


class StartWithSystem(WineTest):
    NAME = "qvprobe"

    def setUp(self):
        self.ini = "C:\\qvtest\\run\\quorvane.ini"
        self.world.reg_delete(RUN_KEY, self.NAME)

    def tearDown(self):
        self.world.reg_delete(RUN_KEY, self.NAME)

    def load(self, content, *extra):
        self.world.put(self.ini, content)
        r = self.world.wine([DRIVER, "transfer", self.ini, "1", "load", "name=" + self.NAME,
                             'quoted="C:\\qvtest\\run\\qvprobe.exe"'] + list(extra))
        self.assertEqual(r.returncode, 0)

    def test_value_appears_and_disappears_with_the_settings(self):
        self.load(b"[MAIN]\r\nStartUp=1\r\n")
        self.assertEqual(self.world.reg_query(RUN_KEY, self.NAME), '"C:\\qvtest\\run\\qvprobe.exe"')
        self.load(b"[MAIN]\r\nStartUp=2\r\n")
        self.assertIsNone(self.world.reg_query(RUN_KEY, self.NAME))
        # A copy in copy mode never registers; the installed copy does.
        self.load(b"[MAIN]\r\nStartUp=1\r\nUpdateMode=1\r\n")
        self.assertIsNone(self.world.reg_query(RUN_KEY, self.NAME))
        self.load(b"[MAIN]\r\nStartUp=1\r\nUpdateMode=1\r\n", "installed=1")
        self.assertEqual(self.world.reg_query(RUN_KEY, self.NAME), '"C:\\qvtest\\run\\qvprobe.exe"')
        # Removing a value that is not there is no error.
        self.load(b"")
        self.load(b"")
        self.assertIsNone(self.world.reg_query(RUN_KEY, self.NAME))


if __name__ == "__main__":
    main()

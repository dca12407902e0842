"""The setup dialog of the real quorvane.exe, used as a person would."""

import time

from qvtest import SETUP_CAPTION, WineTest, main

DIR = "C:\\qvtest\\setup"


class SetupDialog(WineTest):
    def setUp(self):
        self.exe = DIR + "\\" + self._testMethodName + "\\quorvane.exe"
        self.ini = self.exe[:-3] + "ini"
        self.world.install_binary("quorvane.exe", self.exe)
        self.world.drop_drive("S")

    def tearDown(self):
        self.world.drop_drive("S")

    def open(self):
        proc, _ = self.world.start([self.exe, "/?"])
        self.addCleanup(lambda: proc.poll() is None and (proc.kill(), self.world.kill_all()))
        return proc

    def close(self, proc):
        self.drive_window(SETUP_CAPTION, "close")
        self.assertEqual(proc.wait(timeout=30), 0)

    def test_opens_empty_without_a_settings_file(self):
        proc = self.open()
        seen = self.drive_window(SETUP_CAPTION)
        states = self.last_states
        self.assertEqual((seen[3], seen[6], seen[12]), ("", "", ""))
        self.assertEqual(states[8], -1)  # no letter
        self.assertEqual(states[10], 0)  # "NetWork"
        self.assertEqual([states[i] for i in range(14, 20)], [0] * 6)
        self.close(proc)
        self.assertFalse(self.world.exists(self.ini))

    def test_save_writes_every_key_and_reopening_shows_them(self):
        proc = self.open()
        self.drive_window(SETUP_CAPTION, "set:3=\\\\srv\\%USERNAME%", "select:8=16", "select:10=1",
                          "set:6=anna", "set:12=s3cret", "check:14=1", "check:16=1",
                          "check:17=1", "check:18=1", "press:29")
        self.close(proc)
        self.assertEqual(self.world.read(self.ini),
                         b"[MAIN]\r\nShareAddress=\\\\srv\\%USERNAME%\r\nMapToDrive=Q\r\n"
                         b"DriveType=1\r\nSaveCredentials=1\r\nUserName=anna\r\nPassWord=s3cret\r\n"
                         b"PersistantConnection=1\r\nForceDisConnection=0\r\n"
                         b"PromptCredentials=1\r\nStartUp=1\r\nUpdateMode=0\r\n")
        proc = self.open()
        seen = self.drive_window(SETUP_CAPTION)
        states = self.last_states
        self.assertEqual((seen[3], seen[6], seen[12]), ("\\\\srv\\%USERNAME%", "anna", "s3cret"))
        self.assertEqual((states[8], states[10]), (16, 1))
        self.assertEqual([states[i] for i in range(14, 20)], [1, 0, 1, 1, 1, 0])
        self.close(proc)

    def test_share_macro_in_the_address_is_refused(self):
        self.world.put(self.ini, b"[MAIN]\r\nShareAddress=\\\\srv\\data\r\n")
        proc = self.open()
        self.drive_window(SETUP_CAPTION, "set:3=\\\\srv\\%SHARE%", "press:29")
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
        self.drive_window(SETUP_CAPTION, "press:25")
        self.assertTrue(self.wait_for(lambda: self.world.drive("S") is not None))
        # Unmap works on the letter held since the dialog opened, not the list.
        self.drive_window(SETUP_CAPTION, "select:8=19", "press:26")
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
            lambda: self.drive_window(SETUP_CAPTION)[3] == "\\\\srv\\%USERNAME%"),
            self.drive_window(SETUP_CAPTION)[3])
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

    def wait_for(self, condition, seconds=10):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if condition():
                return True
            time.sleep(0.1)
        return False


if __name__ == "__main__":
    main()

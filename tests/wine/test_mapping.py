"""The real quorvane.exe started as at log-on, against the test file server
(a network provider of the prefix) and a working subst.exe."""

import os
import subprocess

from qvtest import DRIVER, ID, WineTest, main

DIR = "C:\\qvtest\\map"
RECORD = DIR + "\\programs.txt"


def program(n, parameters):
    """Settings lines for program N: the driver recording its arguments."""
    return (f"Execute{n}={DRIVER}\r\nParameters{n}=record {RECORD} {parameters}\r\n")


class UnattendedRun(WineTest):
    def setUp(self):
        self.install_own_copy(DIR)
        self.world.clear_logs()
        self.world.remove(RECORD)
        for letter in "QS":
            self.world.drop_drive(letter)
        self.world.publish("\\\\srv\\data", DIR + "\\server-data")
        self.world.serve("share \\\\srv\\data anna secret")

    def tearDown(self):
        for letter in "QS":
            self.world.drop_drive(letter)

    def settings(self, text):
        self.world.put(self.ini, text.encode())

    def recorded(self):
        if not self.world.exists(RECORD):
            return []
        lines = self.world.read(RECORD).decode().splitlines()
        return [line.split(" record ", 1)[1].split(" ", 1)[1] for line in lines]

    def run_unattended(self, answers=()):
        rc, _, texts = self.run_program(self.exe, answers=answers, setup=False, timeout=60)
        self.assertEqual(rc, 0)
        self.world.wait_for_programs("qvdriver.exe")
        return texts

    def test_subst_of_a_folder(self):
        self.world.put(DIR + "\\local\\file.txt", b"x")
        self.settings("[MAIN]\r\nShareAddress=" + DIR + "\\local\\\r\nMapToDrive=S\r\nDriveType=1\r\n"
                      "[SECTEXECUTE]\r\n" + program(2, "[%DRIVE%] [%ERRORCODE%]"))
        # That the run waits for the tool's end rather than a fixed 5 s is the
        # unit tests' (a waited start of at most 5000 ms); times are bench/'s.
        self.run_unattended()
        self.assertEqual(os.path.realpath(os.path.join(self.world.prefix, "dosdevices", "s:")),
                         os.path.realpath(self.world.unix(DIR + "\\local")))
        drive, code = self.recorded()[0].split(" ")
        self.assertEqual(drive, "[S:]")
        self.assertGreater(int(code.strip("[]")), 32)  # what the start returned

    def test_network_share_with_saved_credentials(self):
        self.settings("[MAIN]\r\nShareAddress=\\\\srv\\data\\\r\nMapToDrive=Q\r\n"
                      "SaveCredentials=1\r\nUserName=anna\r\nPassWord=secret\r\n"
                      "[SECTEXECUTE]\r\n" + program(1, "one [%DRIVE%] [%SHARE%]")
                      + program(2, "two [%DRIVE%] [%SHARE%] [%ERRORCODE%]"))
        self.run_unattended()
        self.assertEqual(self.world.calls(),
                         [["add", "\\\\srv\\data", "Q:", "anna", "secret", "0", "1", "=0"]])
        self.assertEqual(self.world.drive("Q"), "unc/srv/data")
        self.assertEqual(self.recorded(), ["one [] []", "two [Q:] [\\\\srv\\data] [0]"])

    def test_no_user_name_is_the_logged_on_user_not_an_empty_one(self):
        self.world.serve("share \\\\srv\\data")
        for credentials, given in (("", ["<null>", "<null>"]),
                                   ("SaveCredentials=1\r\nPassWord=pw\r\n", ["<null>", "pw"]),
                                   ("SaveCredentials=1\r\nUserName=bo\r\n", ["bo", ""])):
            with self.subTest(given=given):
                self.world.clear_logs()
                self.world.drop_drive("Q")
                self.settings("[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\n"
                              + credentials)
                self.run_unattended()
                # user, password, then the resource type: 1, a disk.
                self.assertEqual([c[3:5] + c[6:] for c in self.world.calls()],
                                 [given + ["1", "=0"]])

    def test_refused_logon_answered_through_the_prompt(self):
        self.settings("[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\n"
                      "SaveCredentials=1\r\nUserName=%USERNAME%\r\nPassWord=wrong\r\n"
                      "PersistantConnection=1\r\n"
                      "[CREDENTIALS]\r\nTitle=Log on to %SHARE%\r\nLine1=The server says no.\r\n"
                      "Line2=%SHARE%\r\nLine4=User:\r\nLine5=Password:\r\n")
        user = os.environ.get("USER") or "root"
        seen = self.run_unattended(answers=[
            ("Log on to \\\\srv\\data", [f"set:{ID.IDE_PROMPT_USER}=anna",
                                         f"set:{ID.IDE_PROMPT_PASSWORD}=secret",
                                         f"press:{ID.IDB_PROMPT_OK}"])])
        prompt = seen[0]
        self.assertEqual([prompt[i] for i in (ID.IDT_PROMPT_LINE1, ID.IDT_PROMPT_LINE2,
                                              ID.IDT_PROMPT_USER, ID.IDT_PROMPT_PASSWORD)],
                         ["The server says no.", "\\\\srv\\data", "User:", "Password:"])
        self.assertEqual(prompt[ID.IDE_PROMPT_USER].lower(), user.lower())  # expanded, shown
        self.assertEqual(prompt[ID.IDE_PROMPT_PASSWORD], "wrong")
        calls = self.world.calls()
        self.assertEqual([c[-1] for c in calls], ["=1326", "=0"])
        self.assertEqual(calls[1][3:6], ["anna", "secret", "1"])
        ini = self.world.read(self.ini)
        self.assertIn(b"UserName=anna\r\n", ini)
        self.assertIn(b"PassWord=secret\r\n", ini)

    def test_prompt_ignores_escape_and_cancels_with_the_close_box(self):
        self.settings("[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\n"
                      "PromptCredentials=1\r\n[CREDENTIALS]\r\nTitle=Who are you?\r\n"
                      "[SECTEXECUTE]\r\n" + program(3, "three %ERRORCODE%"))
        self.run_unattended(answers=[
            ("Who are you?", ["press:2"]),    # Escape's command (IDCANCEL): nothing happens
            ("Who are you?", ["close"]),      # the close box: cancel
        ])
        self.assertEqual(self.world.calls(), [])  # no attempt after a cancelled prompt
        self.assertEqual(self.recorded(), ["three 0"])
        self.assertIsNone(self.world.drive("Q"))

    def test_unreachable_share(self):
        self.settings("[MAIN]\r\nShareAddress=\\\\nosrv\\data\r\nMapToDrive=Q\r\n"
                      "[SHAREERROR]\r\nTitle=Cannot reach %SHARE%\r\nLine1=Error %ERRORCODE%\r\n"
                      "Line2=Drive %DRIVE%\r\nLine3=\r\nLine4=\r\nLine5=Call the desk\r\n"
                      "[SECTEXECUTE]\r\n" + program(2, "two") + program(3, "three %ERRORCODE%"))
        texts = self.run_unattended(answers=[("Cannot reach \\\\nosrv\\data", "ok")])
        code = texts[0].split("\n")[0].split(" ")[1]
        self.assertNotEqual(code, "0")
        self.assertEqual(texts[0], f"Error {code}\nDrive Q:\n\n\nCall the desk")
        self.assertEqual(self.world.calls(), [])
        self.assertEqual(self.recorded(), ["three " + code])

    def test_silent_share_error_still_connects(self):
        self.world.serve("share \\\\nosrv\\data")
        self.settings("[MAIN]\r\nShareAddress=\\\\nosrv\\data\r\nMapToDrive=Q\r\n"
                      "[SHAREERROR]\r\nButtons=1\r\n[SECTEXECUTE]\r\n" + program(2, "two"))
        self.run_unattended()
        self.assertEqual([c[:3] for c in self.world.calls()], [["add", "\\\\nosrv\\data", "Q:"]])
        self.assertEqual(self.recorded(), ["two"])

    def test_letter_in_use_without_force(self):
        self.world.put(DIR + "\\busy\\x", b"")
        os.symlink(self.world.unix(DIR + "\\busy"),
                   os.path.join(self.world.prefix, "dosdevices", "q:"))
        self.settings("[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\n"
                      "[SECTEXECUTE]\r\n" + program(2, "two %ERRORCODE%") + program(3, "three"))
        self.run_unattended()
        self.assertEqual(self.world.calls(), [])
        self.assertEqual(self.recorded(), ["two 0"])
        self.assertEqual(self.world.drive("Q"), self.world.unix(DIR + "\\busy"))

    def test_screenshot_of_the_credentials_prompt(self):
        caption = "Log on to the office server"
        self.settings("[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\n"
                      "PromptCredentials=1\r\n[CREDENTIALS]\r\nTitle=" + caption + "\r\n"
                      "Line1=Your drive Q: needs your network password.\r\n"
                      "Line2=%SHARE%\r\nLine4=User name:\r\nLine5=Password:\r\n")
        proc, _ = self.world.start([self.exe])
        try:
            self.drive_window(caption, f"set:{ID.IDE_PROMPT_USER}=anna")
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                    f"^{caption}$"], env=self.world.env(),
                                   stdout=subprocess.PIPE, check=True, timeout=30)
            shot = os.path.join(self.world.directory, "credentials-prompt.png")
            subprocess.run(["import", "-window", found.stdout.split()[0].decode(), shot],
                           env=self.world.env(), check=True, timeout=60)
            self.assertGreater(os.path.getsize(shot), 1000)
            self.drive_window(caption, "close")
            proc.wait(timeout=30)
        finally:
            if proc.poll() is None:
                proc.kill()
        self.assertEqual(self.world.calls(), [])

    def test_the_log_on_run_never_shows_or_raises_the_setup_dialog(self):
        # The dialog ends inside its initialisation; the dialog manager still
        # shows a visible template, which must not bring it forward.
        key = "HKCU\\Software\\Wine\\Debug"
        self.world.wine(["reg", "add", key, "/v", "RelayInclude", "/d",
                         "KERNEL32.Sleep;user32.BringWindowToTop;user32.SetForegroundWindow",
                         "/f"], check=True)
        try:
            self.settings("[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\n"
                          "SaveCredentials=1\r\nUserName=anna\r\nPassWord=secret\r\n")
            rc, err, _ = self.run_program(self.exe, setup=False, debug="+relay")
        finally:
            self.world.wine(["reg", "delete", key, "/v", "RelayInclude", "/f"])
        self.assertEqual(rc, 0)
        self.assertEqual(self.world.drive("Q"), "unc/srv/data")
        calls = [line for line in err.splitlines() if ":Call " in line]
        self.assertNotIn("Sleep(00000080)", "\n".join(calls))
        self.assertEqual([c for c in calls if "Window" in c], [])


if __name__ == "__main__":
    main()

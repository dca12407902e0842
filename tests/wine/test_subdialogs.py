"""The message settings and programs-to-run dialogs, opened from the setup
dialog of the real quorvane.exe and used as a person would."""

import os
import subprocess

from qvtest import DRIVER, ID, SETUP_CAPTION, WineTest, main

DIR = "C:\\qvtest\\sub"
MESSAGE = "Message Setting"
PROGRAMS = "Programs to Execute"
# The six text fields; the programs dialog's have the same numbers.
FIELDS = (ID.IDE_MESSAGE_TITLE, ID.IDE_MESSAGE_LINE1, ID.IDE_MESSAGE_LINE2, ID.IDE_MESSAGE_LINE3,
          ID.IDE_MESSAGE_LINE4, ID.IDE_MESSAGE_LINE5)


class SubDialogs(WineTest):
    def setUp(self):
        self.install_own_copy(DIR)
        self.proc, _ = self.world.start([self.exe, "/?"])
        self.addCleanup(lambda: self.proc.poll() is None and (self.proc.kill(), self.world.kill_all()))
        self.drive_window(SETUP_CAPTION)

    def finish(self):
        self.drive_window(SETUP_CAPTION, "close")
        self.assertEqual(self.proc.wait(timeout=30), 0)

    def open(self, button, caption, *actions):
        self.drive_window(SETUP_CAPTION, f"press:{button}")
        return self.drive_window(caption, *actions)

    def gone(self, caption):
        for _ in range(50):
            if self.world.wine([DRIVER, "window", caption, "wait:0"]).returncode != 0:
                return True
        return False

    def test_messages_default_edit_save_reopen_and_cancel(self):
        seen = self.open(ID.IDB_SHARE_ERROR, MESSAGE)
        self.assertEqual([seen[i] for i in FIELDS],
                         ["Title", "Line1", "Line2", "Line3", "Line4", "Line5"])
        self.assertEqual(self.last_states[ID.IDL_MESSAGE_BUTTONS], 0)
        self.drive_window(MESSAGE, f"set:{ID.IDE_MESSAGE_TITLE}=No %SHARE%",
                          f"set:{ID.IDE_MESSAGE_LINE1}=Call %COMPUTERNAME%",
                          f"select:{ID.IDL_MESSAGE_BUTTONS}=1", f"press:{ID.IDB_MESSAGE_SAVE}")
        self.assertTrue(self.gone(MESSAGE))
        self.assertEqual(self.world.read(self.ini),
                         b"[SHAREERROR]\r\nTitle=No %SHARE%\r\nLine1=Call %COMPUTERNAME%\r\n"
                         b"Line2=Line2\r\nLine3=Line3\r\nLine4=Line4\r\nLine5=Line5\r\nButtons=1\r\n")
        # "MAPERROR" right after shows its own texts; Cancel writes nothing.
        seen = self.open(ID.IDB_DRIVE_ERROR, MESSAGE, f"set:{ID.IDE_MESSAGE_TITLE}=changed",
                         f"press:{ID.IDB_MESSAGE_CANCEL}")
        self.assertEqual(seen[ID.IDE_MESSAGE_TITLE], "Title")
        self.assertTrue(self.gone(MESSAGE))
        seen = self.open(ID.IDB_SHARE_ERROR, MESSAGE, "close")
        self.assertEqual((seen[ID.IDE_MESSAGE_TITLE], self.last_states[ID.IDL_MESSAGE_BUTTONS]),
                         ("No %SHARE%", 1))
        self.assertTrue(self.gone(MESSAGE))
        self.finish()
        self.assertNotIn(b"MAPERROR", self.world.read(self.ini))

    def test_a_following_run_shows_the_saved_message(self):
        self.world.put(self.ini, b"[MAIN]\r\nShareAddress=\\\\nosrv\\x\r\nMapToDrive=Q\r\n"
                       b"[MAPERROR]\r\nButtons=1\r\n")
        self.proc.kill()
        self.world.kill_all()
        self.proc, _ = self.world.start([self.exe, "/?"])
        self.open(ID.IDB_SHARE_ERROR, MESSAGE, f"set:{ID.IDE_MESSAGE_TITLE}=Lost %SHARE%",
                  f"set:{ID.IDE_MESSAGE_LINE1}=on %DRIVE%", f"press:{ID.IDB_MESSAGE_SAVE}")
        self.assertTrue(self.gone(MESSAGE))
        self.drive_window(SETUP_CAPTION, f"press:{ID.IDB_MAP_NOW}")
        r = self.world.wine([DRIVER, "answer", "Lost \\\\nosrv\\x", "ok", "20000"])
        self.assertEqual(r.returncode, 0, r.stdout)
        self.assertTrue(r.stdout.decode().startswith("text: on Q:\nLine2\n"))
        self.finish()

    def test_ctrl_space_inserts_into_the_sub_dialog_field(self):
        for button, caption in ((ID.IDB_SHARE_ERROR, MESSAGE), (ID.IDB_PROGRAMS, PROGRAMS)):
            with self.subTest(caption):
                self.open(button, caption, f"set:{ID.IDE_MESSAGE_TITLE}=x")
                # The first field has the focus; the 22nd entry is %YEAR%.
                self.world.wine([DRIVER, "keys", caption, "end", "ctrl+space", "down*22", "enter"])
                for _ in range(50):
                    if self.drive_window(caption)[FIELDS[0]] == "x%YEAR%":
                        break
                self.assertEqual(self.drive_window(caption, "close")[FIELDS[0]], "x%YEAR%")
                self.assertTrue(self.gone(caption))
        self.finish()

    def test_program_chooser_fills_only_its_row_and_remembers_the_filter(self):
        self.open(ID.IDB_PROGRAMS, PROGRAMS, f"set:{ID.IDE_EXECUTE1}=one.exe",
                  f"set:{ID.IDE_PARAMETERS1}=p1", f"set:{ID.IDE_EXECUTE2}=two.exe",
                  f"set:{ID.IDE_PARAMETERS3}=p3", f"press:{ID.IDB_BROWSE3}")
        chooser = self.drive_window("")  # the chooser's title is the empty buffer
        self.assertEqual(self.last_states[1136], 0)  # "Program Files" first
        self.assertIn(1040, chooser)  # the read-only box is shown
        # A person picks "All files" and types a file that does not exist.
        self.world.wine([DRIVER, "keys", "", "alt+t", "down"])
        self.drive_window("", "set:1148=C:\\qvtest\\nothere.exe", "press:1")
        seen = self.drive_window(PROGRAMS)
        self.assertEqual([seen[i] for i in FIELDS],
                         ["one.exe", "p1", "two.exe", "", "C:\\qvtest\\nothere.exe", "p3"])
        # The next chooser opens with "All files"; cancelling changes nothing.
        self.drive_window(PROGRAMS, f"press:{ID.IDB_BROWSE1}")
        self.drive_window("", "press:2")
        self.assertEqual(self.last_states[1136], 1)
        self.assertEqual(self.drive_window(PROGRAMS)[FIELDS[0]], "one.exe")
        # Escape does not end the dialog; Cancel writes nothing.
        self.world.wine([DRIVER, "keys", PROGRAMS, "escape"])
        self.drive_window(PROGRAMS, f"press:{ID.IDB_PROGRAMS_CANCEL}", timeout_ms=3000)
        self.assertTrue(self.gone(PROGRAMS))
        self.finish()
        self.assertFalse(self.world.exists(self.ini))

    def test_credentials_labels_and_disabled_line_3(self):
        seen = self.open(ID.IDB_CREDENTIALS, MESSAGE)
        self.assertEqual((seen[ID.IDT_MESSAGE_LINE4], seen[ID.IDT_MESSAGE_LINE5]),
                         ("Username prompt:", "Password prompt:"))
        self.assertEqual([seen[i] for i in (ID.IDT_MESSAGE_TITLE, ID.IDT_MESSAGE_LINE1,
                                            ID.IDT_MESSAGE_LINE2)], ["Title:", "Line 1:", "Line 2:"])
        self.assertFalse(self.last_enabled[ID.IDT_MESSAGE_LINE3])
        self.assertFalse(self.last_enabled[ID.IDE_MESSAGE_LINE3])
        self.assertTrue(self.last_enabled[ID.IDE_MESSAGE_LINE4])
        self.drive_window(MESSAGE, f"set:{ID.IDE_MESSAGE_LINE4}=Account:",
                          f"press:{ID.IDB_MESSAGE_SAVE}")
        self.assertTrue(self.gone(MESSAGE))
        self.finish()
        self.assertIn(b"[CREDENTIALS]\r\n", self.world.read(self.ini))
        self.assertIn(b"Line4=Account:\r\nLine5=Line5\r\nButtons=0\r\n", self.world.read(self.ini))

    def test_programs_empty_then_saved_in_order(self):
        seen = self.open(ID.IDB_PROGRAMS, PROGRAMS)
        self.assertEqual([seen[i] for i in FIELDS], [""] * 6)
        self.drive_window(PROGRAMS, f"set:{ID.IDE_EXECUTE1}=C:\\bin\\one.exe",
                          f"set:{ID.IDE_PARAMETERS1}=/a %DRIVE%",
                          f"set:{ID.IDE_EXECUTE3}=three.exe", f"press:{ID.IDB_PROGRAMS_SAVE}")
        self.assertTrue(self.gone(PROGRAMS))
        self.finish()
        self.assertEqual(self.world.read(self.ini),
                         b"[SECTEXECUTE]\r\nExecute1=C:\\bin\\one.exe\r\nParameters1=/a %DRIVE%\r\n"
                         b"Execute2=\r\nParameters2=\r\nExecute3=three.exe\r\nParameters3=\r\n")

    def test_screenshots(self):
        self.world.put(self.ini, b"[MAPERROR]\r\nTitle=Drive %DRIVE% not mapped\r\n"
                       b"Line1=The server %SHARE% refused the connection.\r\n"
                       b"Line2=Error %ERRORCODE%: %ERRORTEXT%\r\nLine3=\r\n"
                       b"Line4=Please call the help desk.\r\nLine5=%DATE% %TIME%\r\n"
                       b"[SECTEXECUTE]\r\nExecute1=C:\\Tools\\sync.exe\r\nParameters1=/quiet\r\n"
                       b"Execute2=C:\\Windows\\explorer.exe\r\nParameters2=%DRIVE%\\\r\n"
                       b"Execute3=C:\\Tools\\notify.exe\r\nParameters3=\"%ERRORTEXT%\"\r\n")
        self.proc.kill()
        self.world.kill_all()
        self.proc, _ = self.world.start([self.exe, "/?"])
        for button, caption, name in ((22, MESSAGE, "message-settings.png"),
                                      (27, PROGRAMS, "programs-to-run.png")):
            self.open(button, caption)
            shot = os.path.join(self.world.directory, name)
            # The dialog sits on top of the setup dialog, centred: cut it out.
            subprocess.run(["import", "-window", "root", "-crop", "468x356+277+209", "+repage",
                            shot], env=self.world.env(), check=True, timeout=60)
            self.assertGreater(os.path.getsize(shot), 1000)
            self.drive_window(caption, "close")
            self.assertTrue(self.gone(caption))
        self.finish()


if __name__ == "__main__":
    main()

"""The message settings and programs-to-run dialogs, opened from the setup
dialog of the real quorvane.exe and used as a person would."""

from qvtest import DRIVER, ID, SETUP_CAPTION, WineTest, main, wait_for

DIR = "C:\\qvtest\\sub"
MESSAGE = "Message Setting"
PROGRAMS = "Programs to Execute"
# The six text fields; the programs dialog's have the same numbers.
FIELDS = (ID.IDE_MESSAGE_TITLE, ID.IDE_MESSAGE_LINE1, ID.IDE_MESSAGE_LINE2, ID.IDE_MESSAGE_LINE3,
          ID.IDE_MESSAGE_LINE4, ID.IDE_MESSAGE_LINE5)


class SubDialogs(WineTest):
    def setUp(self):
        self.install_own_copy(DIR)
        self.world.put(self.ini, b"[MAIN]\r\nShareAddress=\\\\nosrv\\x\r\nMapToDrive=Q\r\n"
                       b"[MAPERROR]\r\nButtons=1\r\n")
        self.proc = self.open_setup()

    def open(self, button, caption, *actions):
        self.drive_window(SETUP_CAPTION, f"press:{button}")
        seen = self.drive_window(caption, *actions)
        return [seen[i] for i in FIELDS]

    def test_a_message_edited_with_the_macro_menu_saved_and_shown(self):
        self.assertEqual(self.open(ID.IDB_SHARE_ERROR, MESSAGE, f"set:{ID.IDE_MESSAGE_TITLE}=Lost "),
                         ["Title", "Line1", "Line2", "Line3", "Line4", "Line5"])
        # The first field has the focus; the 14th entry is %SHARE%.
        self.keys(MESSAGE, "end", "ctrl+space", "down*14", "enter")
        self.assertTrue(wait_for(lambda: self.drive_window(MESSAGE)[FIELDS[0]] == "Lost %SHARE%"))
        self.drive_window(MESSAGE, f"set:{ID.IDE_MESSAGE_LINE1}=on %DRIVE%",
                          f"press:{ID.IDB_MESSAGE_SAVE}")
        self.assertTrue(self.gone(MESSAGE))
        # Another message shows its own texts; Cancel writes nothing.
        self.assertEqual(self.open(ID.IDB_DRIVE_ERROR, MESSAGE, f"set:{ID.IDE_MESSAGE_TITLE}=x",
                                   f"press:{ID.IDB_MESSAGE_CANCEL}")[0], "Title")
        self.assertTrue(self.gone(MESSAGE))
        self.assertTrue(self.world.read(self.ini).endswith(
                         b"[SHAREERROR]\r\nTitle=Lost %SHARE%\r\nLine1=on %DRIVE%\r\nLine2=Line2\r\n"
                         b"Line3=Line3\r\nLine4=Line4\r\nLine5=Line5\r\nButtons=0\r\n"), self.world.read(self.ini))
        self.drive_window(SETUP_CAPTION, f"press:{ID.IDB_MAP_NOW}")
        self.assertEqual(self.answer("Lost \\\\nosrv\\x"), "on Q:\nLine2\nLine3\nLine4\nLine5")
        self.close_setup(self.proc)

    def test_credentials_labels_and_the_disabled_third_line(self):
        self.open(ID.IDB_CREDENTIALS, MESSAGE)
        seen = self.drive_window(MESSAGE, "close")
        labels = (ID.IDT_MESSAGE_TITLE, ID.IDT_MESSAGE_LINE1, ID.IDT_MESSAGE_LINE2,
                  ID.IDT_MESSAGE_LINE4, ID.IDT_MESSAGE_LINE5)
        self.assertEqual([seen[i] for i in labels],
                         ["Title:", "Line 1:", "Line 2:", "Username prompt:", "Password prompt:"])
        self.assertEqual([self.last_enabled[i] for i in (ID.IDT_MESSAGE_LINE3, ID.IDE_MESSAGE_LINE3,
                                                         ID.IDE_MESSAGE_LINE4)], [False, False, True])
        self.assertTrue(self.gone(MESSAGE))
        self.close_setup(self.proc)

    def test_programs_chosen_typed_and_saved_in_order(self):
        self.assertEqual(self.open(ID.IDB_PROGRAMS, PROGRAMS, f"set:{ID.IDE_EXECUTE1}=one.exe",
                                   f"set:{ID.IDE_PARAMETERS1}=/a %DRIVE%", f"set:{ID.IDE_PARAMETERS3}=p3",
                                   f"press:{ID.IDB_BROWSE3}"), [""] * 6)
        chooser = self.drive_window("")  # the chooser's title is the empty buffer
        self.assertEqual(self.last_states[1136], 0)  # "Program Files" first
        self.assertIn(1040, chooser)  # the read-only box is shown
        # A person picks "All files" and types a file that does not exist.
        self.keys("", "alt+t", "down")
        self.drive_window("", "set:1148=C:\\qvtest\\nothere.exe", "press:1")
        # The next chooser opens with "All files"; cancelling changes nothing.
        self.drive_window(PROGRAMS, f"press:{ID.IDB_BROWSE1}")
        self.drive_window("", "press:2")
        self.assertEqual(self.last_states[1136], 1)
        self.keys(PROGRAMS, "escape")  # does not end the dialog
        self.drive_window(PROGRAMS, f"press:{ID.IDB_PROGRAMS_SAVE}", timeout_ms=3000)
        self.assertTrue(self.gone(PROGRAMS))
        self.close_setup(self.proc)
        self.assertTrue(self.world.read(self.ini).endswith(
                         b"[SECTEXECUTE]\r\nExecute1=one.exe\r\nParameters1=/a %DRIVE%\r\nExecute2=\r\n"
                         b"Parameters2=\r\nExecute3=C:\\qvtest\\nothere.exe\r\nParameters3=p3\r\n"), self.world.read(self.ini))


if __name__ == "__main__":
    main()

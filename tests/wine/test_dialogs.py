"""The five dialog templates as Windows builds them, under Wine.

The driver runs each template through the program's own writer and runner
and reports every control the dialog manager created. The expected places,
sizes, styles and captions here are typed from the dialogs' descriptions,
independently of the program's own tables; the control IDs are the names of
ui/control_ids.h.
"""

from qvtest import DRIVER, ID, WineTest, main

GROUP, LABEL, DROP, UDROP = 0x50000007, 0x50000000, 0x50210643, 0x50212643
EDIT, EDIT15, PASS15, PASS = 0x50810080, 0x50818080, 0x508180A0, 0x508100A0
FLAT, FLATDEF, FLATCHECK, DEF, PUSH = 0x50018000, 0x50018001, 0x50018003, 0x50010001, 0x50010000
CLASS = {GROUP: "Button", LABEL: "Static", DROP: "ComboBox", UDROP: "ComboBox",
         EDIT: "Edit", EDIT15: "Edit", PASS15: "Edit", PASS: "Edit", FLAT: "Button",
         FLATDEF: "Button", FLATCHECK: "Button", DEF: "Button", PUSH: "Button"}
WS_VISIBLE, WS_BORDER, WS_VSCROLL, WS_EX_CLIENTEDGE = 0x10000000, 0x00800000, 0x00200000, 0x200

# (id, style, x, y, cx, cy, caption)
SETUP = ("Setup Map Network Drive", 0x90C80848, [
    (ID.IDG_SETUP_MAPPING, GROUP, 8, 4, 260, 124, "Map Drive Setting"),
    (ID.IDT_SETUP_TYPE, LABEL, 16, 19, 54, 12, "Drive Type:"),
    (ID.IDL_SETUP_TYPE, DROP, 76, 18, 60, 90, ""),
    (ID.IDT_SETUP_LETTER, LABEL, 146, 19, 54, 12, "Map to &Drive:"),
    (ID.IDL_SETUP_LETTER, UDROP, 196, 18, 60, 200, ""),
    (ID.IDT_SETUP_ADDRESS, LABEL, 16, 35, 54, 12, "Sh&are Address:"),
    (ID.IDE_SETUP_ADDRESS, EDIT, 76, 34, 166, 12, ""),
    (ID.IDB_SETUP_BROWSE, FLAT, 244, 34, 12, 12, "..."),
    (ID.IDT_SETUP_USER, LABEL, 16, 51, 54, 12, "Username:"),
    (ID.IDE_SETUP_USER, EDIT15, 76, 50, 180, 12, ""),
    (ID.IDT_SETUP_PASSWORD, LABEL, 16, 67, 54, 12, "Password:"),
    (ID.IDE_SETUP_PASSWORD, PASS15, 76, 66, 180, 12, ""),
    (ID.IDT_SETUP_OPTIONS, LABEL, 16, 83, 54, 12, "Options:"),
    (ID.IDX_PERSISTANT, FLATCHECK, 76, 80, 90, 12, "Persistant Connection"),
    (ID.IDX_FORCE, FLATCHECK, 174, 80, 90, 12, "Force DisConnection"),
    (ID.IDX_PROMPT, FLATCHECK, 76, 94, 90, 12, "Prompt for Credentials"),
    (ID.IDX_SAVE_CREDENTIALS, FLATCHECK, 174, 94, 90, 12, "Save Credentials"),
    (ID.IDX_START_UP, FLATCHECK, 76, 108, 90, 12, "Start With System"),
    (ID.IDX_UPDATE_MODE, FLATCHECK, 174, 108, 90, 12, "Copy or Update Mode"),
    (ID.IDG_SETUP_MESSAGES, GROUP, 8, 132, 260, 40, "End User Messages"),
    (ID.IDB_SHARE_ERROR, FLAT, 18, 146, 74, 16, "Share Error"),
    (ID.IDB_DRIVE_ERROR, FLAT, 100, 146, 76, 16, "Drive Error"),
    (ID.IDB_CREDENTIALS, FLAT, 184, 146, 74, 16, "Credentials"),
    (ID.IDG_SETUP_ACTIONS, GROUP, 8, 176, 260, 40, "Actions"),
    (ID.IDB_MAP_NOW, FLAT, 18, 190, 74, 16, "Map Drive Now"),
    (ID.IDB_UNMAP_NOW, FLAT, 100, 190, 76, 16, "UnMap Drive Now"),
    (ID.IDB_PROGRAMS, FLAT, 184, 190, 74, 16, "Programs to Run"),
    (ID.IDB_ABOUT, FLAT, 12, 222, 60, 16, "About..."),
    (ID.IDB_SETUP_SAVE, FLAT, 140, 222, 60, 16, "Save"),
    (ID.IDB_SETUP_CLOSE, FLATDEF, 206, 222, 60, 16, "Close"),
])

MESSAGE = ("Message Setting", 0x00080840, [
    (ID.IDG_MESSAGE_TEXT, GROUP, 8, 4, 248, 116, "Message Text"),
    (ID.IDT_MESSAGE_TITLE, LABEL, 16, 20, 54, 12, "Title:"),
    (ID.IDE_MESSAGE_TITLE, EDIT, 76, 18, 168, 12, ""),
    (ID.IDT_MESSAGE_LINE1, LABEL, 16, 36, 54, 12, "Line 1:"),
    (ID.IDE_MESSAGE_LINE1, EDIT, 76, 34, 168, 12, ""),
    (ID.IDT_MESSAGE_LINE2, LABEL, 16, 52, 54, 12, "Line 2:"),
    (ID.IDE_MESSAGE_LINE2, EDIT, 76, 50, 168, 12, ""),
    (ID.IDT_MESSAGE_LINE3, LABEL, 16, 68, 54, 12, "Line 3:"),
    (ID.IDE_MESSAGE_LINE3, EDIT, 76, 66, 168, 12, ""),
    (ID.IDT_MESSAGE_LINE4, LABEL, 16, 84, 74, 12, "Line 4:"),
    (ID.IDE_MESSAGE_LINE4, EDIT, 76, 82, 168, 12, ""),
    (ID.IDT_MESSAGE_LINE5, LABEL, 16, 100, 74, 12, "Line 5:"),
    (ID.IDE_MESSAGE_LINE5, EDIT, 76, 98, 168, 12, ""),
    (ID.IDG_MESSAGE_OPTIONS, GROUP, 8, 126, 248, 46, "Message Options"),
    (ID.IDT_MESSAGE_LINE5, LABEL, 16, 146, 54, 12, "Show Buttons:"),
    (ID.IDL_MESSAGE_BUTTONS, UDROP, 76, 144, 168, 90, ""),
    (ID.IDB_MESSAGE_SAVE, FLATDEF, 124, 180, 60, 16, "Save"),
    (ID.IDB_MESSAGE_CANCEL, FLAT, 194, 180, 60, 16, "Cancel"),
])

PROGRAMS = ("Programs to Execute", 0x00080840, [
    (ID.IDG_PROGRAM1, GROUP, 8, 4, 248, 52, "Program to run at Quorvane INITIALIZATION"),
    (ID.IDT_EXECUTE1, LABEL, 16, 20, 54, 12, "Execute:"),
    (ID.IDE_EXECUTE1, EDIT, 76, 18, 154, 12, ""),
    (ID.IDB_BROWSE1, FLAT, 232, 18, 12, 12, "..."),
    (ID.IDT_PARAMETERS1, LABEL, 16, 36, 54, 12, "Parameters:"),
    (ID.IDE_PARAMETERS1, EDIT, 76, 34, 168, 12, ""),
    (ID.IDG_PROGRAM2, GROUP, 8, 62, 248, 52, "Program to run AFTER successful Mapping"),
    (ID.IDT_EXECUTE2_3, LABEL, 16, 78, 54, 12, "Execute:"),
    (ID.IDE_EXECUTE2, EDIT, 76, 76, 154, 12, ""),
    (ID.IDB_BROWSE2, FLAT, 232, 76, 12, 12, "..."),
    (ID.IDT_PARAMETERS2_3, LABEL, 16, 94, 54, 12, "Parameters:"),
    (ID.IDE_PARAMETERS2, EDIT, 76, 92, 168, 12, ""),
    (ID.IDG_PROGRAM3, GROUP, 8, 120, 248, 52, "Program to run AFTER Unsuccessful Mapping"),
    (ID.IDT_EXECUTE2_3, LABEL, 16, 136, 54, 12, "Execute:"),
    (ID.IDE_EXECUTE3, EDIT, 76, 134, 154, 12, ""),
    (ID.IDB_BROWSE3, FLAT, 232, 134, 12, 12, "..."),
    (ID.IDT_PARAMETERS2_3, LABEL, 16, 152, 54, 12, "Parameters:"),
    (ID.IDE_PARAMETERS3, EDIT, 76, 150, 168, 12, ""),
    (ID.IDB_PROGRAMS_SAVE, FLATDEF, 128, 180, 60, 16, "Save"),
    (ID.IDB_PROGRAMS_CANCEL, FLAT, 194, 180, 60, 16, "Cancel"),
])

ABOUT = ("About Quorvane", 0x00080840, [
    (ID.IDG_ABOUT, GROUP, 8, 4, 248, 168, "Programmer Stuff"),
    (ID.IDT_ABOUT_ADDRESS, LABEL, 98, 154, 74, 12, "[ quorvane.example ]"),
    (ID.IDB_ABOUT_OK, FLATDEF, 104, 180, 60, 16, "OK"),
])

CREDENTIALS = ("Enter Network Password", 0x00080840, [
    (ID.IDT_PROMPT_LINE1, LABEL, 8, 8, 252, 12, "Incorrect password or unknown username for:"),
    (ID.IDT_PROMPT_LINE2, LABEL, 8, 24, 252, 12, "\\\\ShareAddress"),
    (ID.IDT_PROMPT_USER, LABEL, 8, 42, 54, 12, "Connect As:"),
    (ID.IDE_PROMPT_USER, EDIT, 76, 40, 176, 12, ""),
    (ID.IDT_PROMPT_PASSWORD, LABEL, 8, 58, 54, 12, "Password:"),
    (ID.IDE_PROMPT_PASSWORD, PASS, 76, 56, 176, 12, ""),
    (ID.IDB_PROMPT_OK, DEF, 124, 76, 60, 16, "OK"),
    (ID.IDB_PROMPT_CANCEL, PUSH, 192, 76, 60, 16, "Cancel"),
])


def muldiv(a, b, c):
    return (2 * a * b + c) // (2 * c)


class Templates(WineTest):
    def inspect(self, name):
        r = self.world.wine([DRIVER, "dialog", name], check=True)
        rows = [line.split("|") for line in r.stdout.decode(errors="replace").splitlines()]
        dialog = next(row for row in rows if row[0] == "dialog")
        base = next(row for row in rows if row[0] == "base")
        items = [row for row in rows if row[0] == "item"]
        return dialog, (int(base[1]), int(base[2])), items

    def check(self, name, expected):
        title, style, table = expected
        dialog, (bx, by), items = self.inspect(name)
        self.assertEqual(dialog[1], title)
        # Every style bit of the template, but WS_VISIBLE: the dialog is
        # shown only after its initialisation.
        self.assertEqual(int(dialog[2], 16) & style & ~WS_VISIBLE, style & ~WS_VISIBLE)
        self.assertEqual(len(items), len(table))
        for n, (row, want) in enumerate(zip(items, table), 1):
            with self.subTest(item=n):
                ident, cls, got_style, ex_style, x, y, cx, cy, caption = row[1:10]
                wid, wstyle, wx, wy, wcx, wcy, wcaption = want
                self.assertEqual(int(ident), wid)
                self.assertEqual(cls, CLASS[wstyle])
                s, ex = int(got_style, 16), int(ex_style, 16)
                if cls == "Edit":
                    # The border of an edit becomes its sunken client edge.
                    self.assertEqual(s, wstyle & ~WS_BORDER)
                    self.assertTrue(ex & WS_EX_CLIENTEDGE)
                elif cls == "ComboBox":
                    self.assertEqual(s, wstyle & ~WS_VSCROLL)  # the list scrolls, not the box
                else:
                    self.assertEqual(s, wstyle)
                self.assertEqual((int(x), int(y), int(cx)),
                                 (muldiv(wx, bx, 4), muldiv(wy, by, 8), muldiv(wcx, bx, 4)))
                if cls != "ComboBox":  # a combo's height is its dropped list
                    self.assertEqual(int(cy), muldiv(wcy, by, 8))
                self.assertEqual(caption, wcaption)

    def test_setup(self):
        self.check("setup", SETUP)

    def test_message_settings(self):
        self.check("message", MESSAGE)

    def test_programs_to_run(self):
        self.check("programs", PROGRAMS)

    def test_about(self):
        self.check("about", ABOUT)

    def test_credentials_prompt(self):
        self.check("credentials", CREDENTIALS)


if __name__ == "__main__":
    main()

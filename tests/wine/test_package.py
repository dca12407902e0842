"""The release's Windows Installer packages, installed by Wine's msiexec in a
prefix of their own: what they write, keep across repairs and upgrades,
refuse, and leave behind; and the installed copy mapping at log-on."""

import os

from installer import EVENT_SOURCE, GIVEN, RUN_KEY, SHARE, WRITTEN, PackageTest, dist_package, package
from qvtest import DRIVER, ID, ini_values, main


class Packages(PackageTest):
    def test_install_writes_given_settings_and_run_value_and_the_copy_maps_at_log_on(self):
        self.assertEqual(self.msiexec("/i", self.msi, PASSWORD="Secret-42", **GIVEN), 0)
        with open(os.path.join(self.world.bin_dir, "quorvane.exe"), "rb") as tested:
            self.assertEqual(self.world.read(self.exe), tested.read())
        self.assertEqual(self.settings(), WRITTEN)
        self.assertNotIn(b"Secret-42", self.world.read(self.ini))
        self.assertEqual(self.world.reg_query(RUN_KEY, "quorvane"), f'"{self.exe}"')
        self.assertEqual(self.event_source(), (("REG_EXPAND_SZ", self.exe), ("REG_DWORD", "0x7")))
        self.assertEqual(self.product_registered(self.msi), "Quorvane")
        self.assertEqual(self.product_registered(self.msi, "Publisher"), "Quorvane Project")
        self.assertEqual(self.product_registered(self.msi, "DisplayVersion"), self.product(self.msi, "ProductVersion"))
        with open(os.path.join(package.ROOT, "resources", "quorvane.ico"), "rb") as icon:
            self.assertEqual(self.world.read(f"C:\\windows\\Installer\\{self.product(self.msi)}\\quorvane.ico"),
                             icon.read())
        # As the log-on starts it: no argument, nobody to answer a question.
        self.world.publish(SHARE, "C:\\qvtest\\packages\\share")
        self.world.serve("share " + SHARE)
        self.world.clear_logs()
        self.world.drop_drive("Q")
        self.assertEqual(self.world.wine([DRIVER, "startrun", "quorvane", "30000"], timeout=60).returncode, 0)
        self.assertEqual([c[:3] for c in self.world.calls()], [["add", SHARE, "Q:"]])
        # The program, loading its settings, took the Run value as its own.
        self.assertEqual(self.world.reg_query(RUN_KEY, "quorvane"), f'"{self.exe}"')

        # A line of someone else's stays; the package's own go.
        self.world.put(self.ini, self.world.read(self.ini) + b"Message=Good morning\r\n")
        self.assertEqual(self.msiexec("/x", self.msi), 0)
        self.assertFalse(self.installed())
        self.assertIsNone(self.world.reg_query(RUN_KEY, "quorvane"))
        self.assertIsNone(self.product_registered(self.msi))
        self.assertEqual(self.settings(), {"Message": "Good morning"})
        self.assertNotEqual(self.world.wine(["reg", "query", EVENT_SOURCE]).returncode, 0)  # the key is gone

    def test_defaults_write_only_their_lines_and_startup_0_no_run_value(self):
        self.assertEqual(self.msiexec("/i", self.msi, STARTUP="0", CREDENTIALMANAGER="0"), 0)
        self.assertEqual(self.settings(), {"StartUp": "0", "CredentialManager": "0", "UpdateMode": "0"})
        self.assertIsNone(self.world.reg_query(RUN_KEY, "quorvane"))

    def test_repair_and_upgrade_keep_the_settings_given_first(self):
        lower = self.lower_package()
        self.assertEqual(self.msiexec("/i", lower, **GIVEN), 0)
        self.assertEqual(self.settings(), WRITTEN)
        # Someone lost the file; a repair, given nothing, writes it again.
        # (Wine's "msiexec /f" answers 69 before it begins; this is the
        # same repair in properties.)
        self.world.remove(self.ini)
        self.assertEqual(self.msiexec("/i", lower, REINSTALL="ALL", REINSTALLMODE="amus"), 0)
        self.assertEqual(self.settings(), WRITTEN)

        self.assertEqual(self.msiexec("/i", self.msi, SHAREUSER="bob"), 0)
        self.assertIsNone(self.product_registered(lower))
        self.assertEqual(self.product_registered(self.msi), "Quorvane")
        self.assertEqual(self.settings(), dict(WRITTEN, UserName="bob"))
        self.assertEqual(self.world.reg_query(RUN_KEY, "quorvane"), f'"{self.exe}"')
        # The lower version refuses to go over the higher one, which stays.
        self.assertNotEqual(self.msiexec("/i", lower), 0)
        self.assertTrue(self.refused_at_launch(), "not refused by the launch conditions")
        self.assertIn("WIX_DOWNGRADE_DETECTED = {", self.log)
        self.assertEqual(self.product_registered(self.msi), "Quorvane")
        self.assertEqual(self.settings(), dict(WRITTEN, UserName="bob"))

    def test_the_other_width_replaces_the_first(self):
        if self.arch != "x64":
            self.skipTest("a 32-bit prefix takes only the 32-bit package")
        first = dist_package("x86")
        self.assertEqual(self.msiexec("/i", first, **GIVEN), 0)
        wow = RUN_KEY.replace("Software\\", "Software\\Wow6432Node\\")
        self.assertEqual(self.world.reg_query(wow, "quorvane"), '"C:\\Program Files (x86)\\Quorvane\\quorvane.exe"')
        self.assertEqual(self.msiexec("/i", self.msi, **GIVEN), 0)
        self.assertFalse(self.world.exists("C:\\Program Files (x86)\\Quorvane\\quorvane.exe"))
        self.assertIsNone(self.world.reg_query(wow, "quorvane"))
        self.assertEqual(self.world.reg_query(RUN_KEY, "quorvane"), f'"{self.exe}"')
        self.assertTrue(self.installed())
        # One key for both views: it names the program installed last.
        self.assertEqual(self.event_source()[0], ("REG_EXPAND_SZ", self.exe))

    def event_source(self):
        return tuple(self.world.reg_query(EVENT_SOURCE, v, typed=True) for v in ("EventMessageFile", "TypesSupported"))

    # The messages: the shipped texts where none are given, in words.
    def test_the_shipped_messages_are_words_and_a_help_desk_line_stays(self):
        self.assertEqual(self.msiexec("/i", self.msi, SHAREADDRESS="\\\\nosrv\\x", MAPTODRIVE="Q",
                                      SHAREERROR_LINE5="Help desk: 555-0100", MAPERROR_LINE4=" "), 0)
        for repaired in (False, True):
            if repaired:  # as "msiexec /f" would
                self.assertEqual(self.msiexec("/i", self.msi, REINSTALL="ALL", REINSTALLMODE="amus"), 0)
            self.assertEqual(self.messages("MAPERROR")["Line4"], "")  # one blank given: an empty line
            proc = self.start_program([self.exe])
            caption = package.example_texts()[("SHAREERROR", "Title")].replace("%DRIVE%", "Q:")
            text = self.answer(caption)
            self.assertEqual(proc.wait(timeout=30), 0)
            self.assertIsNotNone(text, "no message box")
            lines = text.split("\n")
            self.assertFalse({"Title", "Line1", "Line2", "Line3", "Line4", "Line5"} & set(lines), lines)
            self.assertNotRegex(text, r"%[A-Z]+%")
            self.assertRegex(text, r"Error \d+: \S")  # the code and its text
            self.assertEqual(lines[-1], "Help desk: 555-0100")

    def test_a_refused_logon_asks_in_words(self):
        self.world.publish(SHARE, "C:\\qvtest\\packages\\share")
        self.world.serve("fail " + SHARE + " 1326")
        self.assertEqual(self.msiexec("/i", self.msi, SHAREADDRESS=SHARE, MAPTODRIVE="Q"), 0)
        self.world.drop_drive("Q")
        proc = self.start_program([self.exe])
        texts = self.drive_window("Log on to " + SHARE, "close")
        self.assertEqual(proc.wait(timeout=30), 0)
        shown = [texts[i] for i in (ID.IDT_PROMPT_LINE1, ID.IDT_PROMPT_LINE2, ID.IDT_PROMPT_USER, ID.IDT_PROMPT_PASSWORD)]
        self.assertEqual(shown[1], SHARE)
        self.assertFalse({"Line1", "Line2", "Line4", "Line5", ""} & set(shown), shown)

    def test_own_texts_and_a_hash_line_through_install_repair_and_uninstall(self):
        own = b"[SHAREERROR]\r\nTitle=Our title\r\nLine5=Call 1234\r\n[MAIN]\r\nMessage=Good morning\r\n"
        self.world.put(self.ini, own)
        given = "#1 [desk] {x}"  # a number sign, brackets and braces, as given
        self.assertEqual(self.msiexec("/i", self.msi, SHAREERROR_LINE5=given, MAPERROR_TITLE="Ours too"), 0)
        for step in ("install", "repair"):
            with self.subTest(step=step):
                shown = self.messages("SHAREERROR")
                # A default never replaces a line already there; a given value does.
                self.assertEqual((shown["Title"], shown["Line5"]), ("Our title", given))
                self.assertEqual(self.messages("MAPERROR")["Title"], "Ours too")
                self.assertEqual(shown["Line1"], package.example_texts()[("SHAREERROR", "Line1")])
            self.assertEqual(self.msiexec("/i", self.msi, REINSTALL="ALL", REINSTALLMODE="amus"), 0)
        # Uninstalling takes every message line the package has a row for,
        # ours among them; other lines stay.
        self.assertEqual(self.msiexec("/x", self.msi), 0)
        values = ini_values(self.world.read(self.ini))
        self.assertEqual({k: v for k, v in values.items() if v is not None}, {"MAIN/Message": "Good morning"})

    def test_a_refused_value_leaves_nothing(self):
        for prop, value in (("MAPTODRIVE", "q"), ("MAPTODRIVE", "QR"), ("MAPTODRIVE", "Q:"),
                            ("DRIVETYPE", "3"), ("WAITFORNETWORK", "601"), ("WAITFORNETWORK", "-1"),
                            ("WAITFORNETWORK", "10s"), ("STARTUP", "yes"), ("SHAREERROR_BUTTONS", "2"),
                            ("MAPERROR_BUTTONS", "yes")):
            with self.subTest(prop=prop, value=value):
                self.assertNotEqual(self.msiexec("/i", self.msi, **{prop: value}), 0)
                self.assertTrue(self.refused_at_launch(), "not refused by the launch conditions")
                self.assertFalse(self.world.exists(self.folder))
                self.assertIsNone(self.world.reg_query(RUN_KEY, "quorvane"))
                self.assertIsNone(self.product_registered(self.msi))
            self.msiexec("/x", self.msi)  # the next value starts clean, whatever happened


if __name__ == "__main__":
    main()

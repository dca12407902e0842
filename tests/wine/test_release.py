"""The release archive as scripts/release.sh made it: its entries, the very
programs the tests ran and their sums, and its example settings file doing
what it says in the real program."""

import glob
import hashlib
import os
import zipfile

from qvtest import WineTest, main


class Release(WineTest):
    def setUp(self):
        archives = glob.glob(os.path.join(os.environ["QV_BUILD"], "..", "..", "dist", "quorvane-*.zip"))
        self.zip = zipfile.ZipFile(max(archives, key=os.path.getmtime))
        self.addCleanup(self.zip.close)

    def test_the_archive_holds_the_programs_the_tests_ran(self):
        self.assertEqual(self.zip.namelist(), ["README.txt", "SHA256SUMS", "i686/quorvane.exe",
                                               "quorvane.ini.example", "x86-64/quorvane.exe"])
        sums = ""
        for width, folder in (("win32", "i686"), ("win64", "x86-64")):
            with open(os.path.join(os.environ["QV_BUILD"], width, "quorvane.exe"), "rb") as tested:
                self.assertEqual(self.zip.read(folder + "/quorvane.exe"), tested.read(), folder)
            sums += f"{hashlib.sha256(self.zip.read(folder + '/quorvane.exe')).hexdigest()}  {folder}/quorvane.exe\n"
        self.assertEqual(self.zip.read("SHA256SUMS").decode(), sums)
        self.assertIn(sums.replace("\n", "\r\n").encode(), self.zip.read("README.txt"))

    def test_the_example_settings_map_what_they_name_and_ask_nothing(self):
        example = self.zip.read("quorvane.ini.example")
        values, section = {}, None  # read here, not by the program's reader
        for line in example.decode().split("\r\n"):
            section = line.strip("[]") if line.startswith("[") else section
            if line and line[0] not in ";[":
                values[section + "/" + line.split("=")[0]] = line.split("=", 1)[1]
        self.assertEqual(sorted(values), ["MAIN/DriveType", "MAIN/MapToDrive", "MAIN/ShareAddress"])
        share, letter = values["MAIN/ShareAddress"], values["MAIN/MapToDrive"]
        self.install_own_copy("C:\\qvtest\\release")
        self.world.put(self.ini, example)
        self.world.publish(share, "C:\\qvtest\\release\\share")
        self.world.serve("share " + share)
        self.world.clear_logs()
        self.world.drop_drive(letter)  # a letter in use would be taken as mapped
        self.assertEqual(self.run_program(self.exe, setup=False)[0], 0)  # a question would hang it
        # DriveType 0, a network share: a disk connection for the letter.
        self.assertEqual(self.world.calls(), [["add", share, letter + ":", "<null>", "<null>", "0",
                                               str(1 - int(values["MAIN/DriveType"])), "=0"]])


if __name__ == "__main__":
    main()

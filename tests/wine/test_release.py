"""The release archive as scripts/release.sh made it: its entries, the very
programs the tests ran and their sums, and its example settings file doing
what it says in the real program."""

import glob
import hashlib
import os
import shutil
import subprocess
import tempfile
import zipfile

from qvtest import WineTest, ini_values, main

import package  # noqa: E402  (qvtest puts scripts/ on the path)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Release(WineTest):
    def setUp(self):
        self.dist = os.path.join(os.environ["QV_BUILD"], "..", "..", "dist")
        archives = glob.glob(os.path.join(self.dist, "quorvane-*.zip"))
        self.zip_path = max(archives, key=os.path.getmtime)
        self.zip = zipfile.ZipFile(self.zip_path)
        self.addCleanup(self.zip.close)
        self.name = os.path.basename(self.zip_path)[:-4]  # quorvane-VERSION[-dirty]
        self.packages = {arch: os.path.join(self.dist, f"{self.name}-{arch}.msi") for arch in ("x86", "x64")}

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

    def test_the_download_sums_and_the_packages_hold_the_programs_the_tests_ran(self):
        files = [self.zip_path, self.packages["x86"], self.packages["x64"]]
        with open(os.path.join(self.dist, "SHA256SUMS")) as f:
            self.assertEqual(f.read(), "".join(f"{hashlib.sha256(read(p)).hexdigest()}  {os.path.basename(p)}\n"
                                               for p in files))
        commit = subprocess.run(["git", "rev-parse", "HEAD"], capture_output=True, text=True,
                                cwd=self.dist).stdout.strip() + ("-dirty" if self.name.endswith("-dirty") else "")
        for arch, width, template in (("x86", "win32", "Intel;1033"), ("x64", "win64", "x64;1033")):
            with self.subTest(arch=arch), tempfile.TemporaryDirectory() as out:
                msi = self.packages[arch]
                subprocess.run(["msiextract", "-C", out, msi], check=True, capture_output=True)
                with open(os.path.join(self.world.bin_dir, "..", width, "quorvane.exe"), "rb") as tested:
                    extracted, = glob.glob(os.path.join(out, "**", "quorvane.exe"), recursive=True)
                    self.assertEqual(read(extracted), tested.read())
                self.assertEqual(package.problems(msi), [])
                info = package.summary(msi)
                self.assertEqual(info["Template"], template)
                self.assertEqual(info["Revision number (UUID)"], package.package_code("1.5.610", arch, commit))
                properties = dict(package.export(msi, "Property"))
                self.assertEqual((properties["ProductVersion"], properties["ProductCode"], properties["UpgradeCode"]),
                                 ("1.5.610", package.product_code("1.5.610", arch), package.UPGRADE_CODE))
                # Wine logs no refusal's message: the table must carry them.
                messages = {row[1] for row in package.export(msi, "LaunchCondition")}
                self.assertLessEqual({package.DOWNGRADE_MESSAGE, *package.MESSAGES.values()}, messages)

    def test_the_tables_check_finds_what_is_wrong(self):
        with tempfile.TemporaryDirectory() as out:
            broken = os.path.join(out, "broken.msi")
            shutil.copyfile(self.packages["x64"], broken)
            run_guid = dict((c[0], c[1]) for c in package.export(broken, "Component"))["Run"]
            for query in (f"UPDATE `Component` SET `ComponentId` = '{run_guid}' WHERE `Component` = 'Program'",
                          "UPDATE `Component` SET `KeyPath` = '' WHERE `Component` = 'SetSTARTUP'",
                          "UPDATE `Property` SET `Value` = 'SHAREADDRESS' WHERE `Property` = 'SecureCustomProperties'",
                          "DELETE FROM `IniFile` WHERE `IniFile` = 'SHAREUSER'",
                          "INSERT INTO `IniFile` (`IniFile`, `FileName`, `Section`, `Key`, `Value`, `Action`, "
                          "`Component_`) VALUES ('P', 'quorvane.ini', 'MAIN', 'PassWord', '[PASSWORD]', 0, 'Program')",
                          "DELETE FROM `InstallExecuteSequence` WHERE `Action` = 'RemoveIniValues'"):
                subprocess.run(["msibuild", broken, "-q", query], check=True, capture_output=True)
            subprocess.run(["msibuild", broken, "-s", "Quorvane", "Quorvane Project", "Alpha;1033",
                            "{00000000-0000-0000-0000-000000000000}"], check=True, capture_output=True)
            found = package.problems(broken)
        self.assertEqual(len(found), 17, found)
        for expected in (f"component GUID {run_guid} is used twice", "component SetSTARTUP has no key path",
                         "summary information: template 'Alpha;1033'", "no line for SHAREUSER", "a password line",
                         "public property STARTUP is not in SecureCustomProperties", "no RemoveIniValues action"):
            self.assertIn(expected, found)

    def test_the_example_settings_map_what_they_name_and_ask_nothing(self):
        example = self.zip.read("quorvane.ini.example")
        values = ini_values(example)
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

"""The release archive as scripts/release.sh made it: its entries, the very
programs the tests ran and their sums, and its example settings file doing
what it says in the real program."""

import glob
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

from qvtest import WineTest, ini_values, main
from signing import PASSWORD, SigningTest

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
        readme = self.zip.read("README.txt").decode()
        self.assertIn(sums.replace("\n", "\r\n"), readme)
        # Plain text for the people who use the zip: short lines, no Markdown.
        self.assertEqual([line for line in readme.split("\r\n") if len(line) > 100], [])
        self.assertIsNone(re.search(r"\*\*|```|^#", readme, re.M))

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
        # Every public property but SHAREADDRESS is missing from the secure ones.
        self.assertEqual(len(found), 6 + len(package.kept_properties()) - 1, found)
        for expected in (f"component GUID {run_guid} is used twice", "component SetSTARTUP has no key path",
                         "summary information: template 'Alpha;1033'", "no line for SHAREUSER", "a password line",
                         "public property STARTUP is not in SecureCustomProperties", "no RemoveIniValues action"):
            self.assertIn(expected, found)

    def test_the_example_settings_map_what_they_name_and_ask_nothing(self):
        example = self.zip.read("quorvane.ini.example")
        values = ini_values(example)
        self.assertEqual(sorted(k for k in values if k.startswith("MAIN/")),
                         ["MAIN/DriveType", "MAIN/MapToDrive", "MAIN/ShareAddress"])
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


class Signing(SigningTest):
    """A signed release, offline: a throwaway root and code-signing
    certificate sign both programs and both packages; the signatures alone,
    without the key, rebuild the same bytes."""

    def test_signed_everywhere_and_the_same_bytes_again_from_the_signatures(self):
        first, second = self.path("first"), self.path("second")
        r = self.release("--sign", self.path("signer.p12"), "--password-file", self.path("password"),
                         "--ca", self.path("root.pem"), "--dist", first)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.path("calls.log")) as f:
            self.assertNotIn(PASSWORD, f.read())
        names = sorted(os.listdir(first))
        zip_name = [n for n in names if n.endswith(".zip")][0]
        packages = [n for n in names if n.endswith(".msi")]
        self.assertEqual(sorted(os.listdir(os.path.join(first, "signatures"))),
                         sorted(["i686-quorvane.exe.pem", "x86-64-quorvane.exe.pem"] + [p + ".pem" for p in packages]))
        signed = []
        with zipfile.ZipFile(os.path.join(first, zip_name)) as z:
            for folder in ("i686", "x86-64"):
                signed.append(self.path(folder + ".exe"))
                with open(signed[-1], "wb") as f:
                    f.write(z.read(folder + "/quorvane.exe"))
        for msi in packages:
            signed.append(os.path.join(first, msi))
            out = self.path("extracted-" + msi)
            subprocess.run(["msiextract", "-C", out, signed[-1]], check=True, capture_output=True)
            signed += glob.glob(os.path.join(out, "**", "quorvane.exe"), recursive=True)
        self.assertEqual(len(signed), 6)
        for path in signed:
            self.assertTrue(self.verifies(path), path)
            self.assertFalse(self.verifies(path, "other.pem"), path)
        broken = self.path("broken.exe")
        data = bytearray(read(signed[0]))
        data[1000] ^= 1
        with open(broken, "wb") as f:
            f.write(data)
        self.assertFalse(self.verifies(broken))
        # The tested programs with the signatures attached are the zip's.
        epoch = subprocess.run(["git", "log", "-1", "--format=%ct"], capture_output=True, text=True,
                               cwd=package.ROOT).stdout.strip()
        for width, folder, exe in (("win32", "i686", signed[0]), ("win64", "x86-64", signed[1])):
            out = self.path(folder + "-attached.exe")
            subprocess.run(["osslsigncode", "attach-signature", "-sigin",
                            os.path.join(first, "signatures", folder + "-quorvane.exe.pem"), "-CAfile",
                            self.path("root.pem"), "-time", epoch, "-in",
                            os.path.join(os.environ["QV_BUILD"], width, "quorvane.exe"), "-out", out],
                           check=True, capture_output=True)
            self.assertEqual(read(out), read(exe), folder)
        # Without the key: the same files, byte for byte.
        r = self.release("--signatures", os.path.join(first, "signatures"), "--ca", self.path("root.pem"),
                         "--dist", second)
        self.assertEqual(r.returncode, 0, r.stderr)
        for name in [zip_name, "SHA256SUMS"] + packages:
            self.assertEqual(read(os.path.join(first, name)), read(os.path.join(second, name)), name)

    def test_refusals_say_why_and_write_nothing(self):
        out = self.path("refused")
        signatures = self.path("foreign")
        os.makedirs(signatures)
        with open(self.path("plain.pem"), "rb") as f:  # no signature at all
            with open(os.path.join(signatures, "i686-quorvane.exe.pem"), "wb") as g:
                g.write(f.read())
        wrong = self.path("wrong")
        with open(wrong, "w") as f:
            f.write("not the password")
        sign = ["--ca", self.path("root.pem"), "--dist", out]
        for args, said in (
                (["--sign", self.path("signer.p12"), "--password-file", wrong], "cannot be opened"),
                (["--sign", self.path("missing.p12"), "--password-file", self.path("password")], "missing.p12 does not exist"),
                (["--sign", self.path("plain.p12"), "--password-file", self.path("password")], "not for code signing"),
                (["--sign", self.path("ec.p12"), "--password-file", self.path("password")], "not RSA"),
                (["--sign", self.path("signer.p12")], "--sign needs --password-file"),
                (["--signatures", self.path("none")], "does not exist"),
                (["--signatures", signatures], "i686-quorvane.exe.pem does not fit")):
            with self.subTest(said=said):
                r = self.release(*args, *sign)
                self.assertNotEqual(r.returncode, 0)
                self.assertIn(said, r.stderr)
                self.assertFalse(os.path.exists(out))
        os.remove(os.path.join(signatures, "i686-quorvane.exe.pem"))
        r = self.release("--signatures", signatures, *sign)
        self.assertIn("i686-quorvane.exe.pem is missing", r.stderr)
        # Signed, but not under the root given: each signed file is verified.
        r = self.release("--sign", self.path("signer.p12"), "--password-file", self.path("password"),
                         "--ca", self.path("other.pem"), "--dist", out)
        self.assertIn("does not verify against", r.stderr)
        self.assertFalse(os.path.exists(out))



if __name__ == "__main__":
    main()

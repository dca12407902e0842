"""The release's Windows Installer packages, installed by Wine's msiexec in a
prefix of their own: what they write, keep across repairs and upgrades,
refuse, and leave behind; and the installed copy mapping at log-on."""

import glob
import os
import shutil
import sys
import tempfile

from qvtest import DRIVER, WineTest, main
from world import World, install_network

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import package  # noqa: E402

LOWER = "1.2004,12,31"  # an earlier version, packaged by the test
RUN_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
UNINSTALL = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
SHARE = "\\\\files\\staff"
GIVEN = {"SHAREADDRESS": SHARE, "MAPTODRIVE": "Q", "DRIVETYPE": "0", "SHAREUSER": "%USERDOMAIN%\\%USERNAME%",
         "PERSISTANTCONNECTION": "1", "FORCEDISCONNECTION": "1", "PROMPTCREDENTIALS": "0",
         "WAITFORNETWORK": "600"}
# The lines GIVEN writes, with the package's fixed and default ones.
WRITTEN = {"ShareAddress": SHARE, "MapToDrive": "Q", "DriveType": "0", "UserName": "%USERDOMAIN%\\%USERNAME%",
           "PersistantConnection": "1", "ForceDisConnection": "1", "PromptCredentials": "0",
           "WaitForNetwork": "600", "CredentialManager": "1", "StartUp": "1", "UpdateMode": "0"}


def dist_package(arch):
    found = glob.glob(os.path.join(os.environ["QV_BUILD"], "..", "..", "dist", f"quorvane-*-{arch}.msi"))
    return max(found, key=os.path.getmtime)


def ini_lines(data):
    """{key: value} of the settings file's [MAIN], read here, not by the program."""
    values, section = {}, None
    for line in data.decode("latin-1").splitlines():
        line = line.strip()
        if line.startswith("["):
            section = line.strip("[]")
        elif "=" in line and section == "MAIN":
            key, value = line.split("=", 1)
            values[key] = value
    return values


class Packages(WineTest):
    @classmethod
    def setUpClass(cls):
        tested = World.load()
        directory = os.path.join(tested.directory, "packages")
        shutil.rmtree(directory, ignore_errors=True)
        os.makedirs(directory)
        cls.world = World(directory, os.path.join(directory, "prefix"), tested.display, width=tested.width)
        cls.world.boot()
        install_network(cls.world)
        cls.world.install_binary("qvdriver.exe", DRIVER)
        # The package of this prefix's width; a 64-bit prefix also takes the 32-bit one.
        cls.arch = "x86" if tested.width == "win32" else "x64"
        cls.folder = "C:\\Program Files\\Quorvane"
        cls.lower = tempfile.mkdtemp()

    @classmethod
    def tearDownClass(cls):
        cls.world.kill_all()
        shutil.rmtree(cls.lower, ignore_errors=True)

    def setUp(self):
        self.msi = dist_package(self.arch)
        self.exe = self.folder + "\\quorvane.exe"
        self.ini = self.folder + "\\quorvane.ini"

    def tearDown(self):
        for arch in {self.arch, "x86"} if self.arch == "x64" else {"x86"}:
            self.msiexec("/x", dist_package(arch))
        self.msiexec("/x", self.lower_package())
        self.world.remove(self.ini)

    def msiexec(self, action, msi, **properties):
        """Runs msiexec quietly on a copy of MSI in the prefix; its exit code
        (and its log in self.log)."""
        copy = "C:\\qvtest\\packages\\" + os.path.basename(msi)
        with open(msi, "rb") as f:
            self.world.put(copy, f.read())
        log = "C:\\qvtest\\packages\\msiexec.log"
        self.world.remove(log)
        args = ["msiexec", action, copy, "/qn", "/l*", log] + [f"{k}={v}" for k, v in properties.items()]
        code = self.world.wine(args, timeout=300).returncode
        data = self.world.read(log) if self.world.exists(log) else b""
        self.log = data.decode("utf-16" if data[:2] == b"\xff\xfe" else "latin-1")
        return code

    def refused_at_launch(self):
        # Wine logs no launch condition's message; Windows shows it.
        return "LaunchConditions. Return value 0." in self.log

    def lower_package(self):
        """The same program packaged as an earlier version, made once."""
        path = os.path.join(self.lower, f"quorvane-lower-{self.arch}.msi")
        if not os.path.exists(path):
            exe = os.path.join(self.world.bin_dir, "quorvane.exe")
            package.build(self.arch, exe, LOWER, "earlier", 1104451200, path)
        return path

    def installed(self):
        return self.world.exists(self.exe)

    def settings(self):
        return ini_lines(self.world.read(self.ini)) if self.world.exists(self.ini) else None

    def product_registered(self, msi, arch, value="DisplayName"):
        """What Programs and Features shows of MSI's product, or None."""
        version = LOWER if msi == self.lower_package() else package_file_version(msi)
        code = package.product_code(package.product_version(version), arch)
        return self.world.reg_query(UNINSTALL + code, value)

    def test_install_writes_given_settings_and_run_value_and_the_copy_maps_at_log_on(self):
        self.assertEqual(self.msiexec("/i", self.msi, PASSWORD="Secret-42", **GIVEN), 0)
        with open(os.path.join(self.world.bin_dir, "quorvane.exe"), "rb") as tested:
            self.assertEqual(self.world.read(self.exe), tested.read())
        self.assertEqual(self.settings(), WRITTEN)
        self.assertNotIn(b"Secret-42", self.world.read(self.ini))
        self.assertEqual(self.world.reg_query(RUN_KEY, "quorvane"), f'"{self.exe}"')
        self.assertEqual(self.product_registered(self.msi, self.arch), "Quorvane")
        self.assertEqual(self.product_registered(self.msi, self.arch, "Publisher"), "Quorvane Project")
        self.assertEqual(self.product_registered(self.msi, self.arch, "DisplayVersion"),
                         package.product_version(package_file_version(self.msi)))
        code = package.product_code(package.product_version(package_file_version(self.msi)), self.arch)
        with open(os.path.join(package.ROOT, "resources", "quorvane.ico"), "rb") as icon:
            self.assertEqual(self.world.read(f"C:\\windows\\Installer\\{code}\\quorvane.ico"), icon.read())
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
        self.assertIsNone(self.product_registered(self.msi, self.arch))
        self.assertEqual(self.settings(), {"Message": "Good morning"})

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
        self.assertIsNone(self.product_registered(lower, self.arch))
        self.assertEqual(self.product_registered(self.msi, self.arch), "Quorvane")
        self.assertEqual(self.settings(), dict(WRITTEN, UserName="bob"))
        self.assertEqual(self.world.reg_query(RUN_KEY, "quorvane"), f'"{self.exe}"')
        # The earlier version refuses to go over the later one, which stays.
        self.assertNotEqual(self.msiexec("/i", lower), 0)
        self.assertTrue(self.refused_at_launch(), "not refused by the launch conditions")
        self.assertIn("WIX_DOWNGRADE_DETECTED = {", self.log)
        self.assertEqual(self.product_registered(self.msi, self.arch), "Quorvane")
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

    def test_a_refused_value_leaves_nothing(self):
        for prop, value in (("MAPTODRIVE", "q"), ("MAPTODRIVE", "QR"), ("MAPTODRIVE", "Q:"),
                            ("DRIVETYPE", "3"), ("WAITFORNETWORK", "601"), ("WAITFORNETWORK", "-1"),
                            ("WAITFORNETWORK", "10s"), ("STARTUP", "yes")):
            with self.subTest(prop=prop, value=value):
                self.assertNotEqual(self.msiexec("/i", self.msi, **{prop: value}), 0)
                self.assertTrue(self.refused_at_launch(), "not refused by the launch conditions")
                self.assertFalse(self.world.exists(self.folder))
                self.assertIsNone(self.world.reg_query(RUN_KEY, "quorvane"))
                self.assertIsNone(self.product_registered(self.msi, self.arch))
            self.msiexec("/x", self.msi)  # the next value starts clean, whatever happened


def package_file_version(msi):
    """"1.2005,06,10" from quorvane-1.2005.06.10[-dirty]-ARCH.msi."""
    return os.path.basename(msi).split("-")[1].replace(".", ",").replace(",", ".", 1)


if __name__ == "__main__":
    main()

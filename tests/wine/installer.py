"""The Windows Installer package tests' world: a prefix of their own, msiexec
run quietly with a log, and what a package left as they look at it."""

import glob
import os
import shutil
import tempfile

from qvtest import DRIVER, WineTest, ini_values
from world import World, install_network

import package  # noqa: E402  (qvtest puts scripts/ on the path)

LOWER = "1.2004,12,31"  # a lower version, packaged by the test
RUN_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
EVENT_SOURCE = "HKLM\\" + package.EVENT_SOURCE_KEY
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


class PackageTest(WineTest):
    """A prefix of its own, and msiexec, the settings file and the registry
    as the package tests look at them."""

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
        for arch in {self.arch, "x86"}:
            self.msiexec("/x", dist_package(arch))
        self.msiexec("/x", self.lower_package())
        self.world.remove(self.ini)
        # The file outlived the uninstall (its sections stay): so did the folder.
        if os.path.isdir(self.world.unix(self.folder)) and not os.listdir(self.world.unix(self.folder)):
            os.rmdir(self.world.unix(self.folder))

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
        """The same program packaged with a lower version, made once."""
        path = os.path.join(self.lower, f"quorvane-lower-{self.arch}.msi")
        if not os.path.exists(path):
            exe = os.path.join(self.world.bin_dir, "quorvane.exe")
            package.build(self.arch, exe, LOWER, "lower", 1104451200, path)
        return path

    def installed(self):
        return self.world.exists(self.exe)

    def settings(self):
        """{key: value} of the settings file's [MAIN], or None without a file."""
        if not self.world.exists(self.ini):
            return None
        return {k[5:]: v for k, v in ini_values(self.world.read(self.ini)).items() if k.startswith("MAIN/")}

    def messages(self, section):
        """{key: value} of one section of the settings file."""
        return {k.split("/")[1]: v for k, v in ini_values(self.world.read(self.ini)).items()
                if k.startswith(section + "/")}

    @staticmethod
    def product(msi, name="ProductCode"):
        """A property of MSI's Property table: its product code by default."""
        return dict(package.export(msi, "Property"))[name]

    def product_registered(self, msi, value="DisplayName"):
        """What Programs and Features shows of MSI's product, or None."""
        return self.world.reg_query(UNINSTALL + self.product(msi), value)

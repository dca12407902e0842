"""The signing tests' world: a throwaway root, a second root and three
certificates under it (RSA for code signing, EC, and RSA without the
code-signing usage), each in a PKCS#12 file with one password, and the
signing tools wrapped so that every call's arguments are logged."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import package  # noqa: E402  (qvtest puts scripts/ on the path)

PASSWORD = "Pw-4-this-test-only"


def quiet(args):
    subprocess.run(args, check=True, capture_output=True)


class SigningTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp()
        d = cls.path
        # Valid from 2000, so that a commit's time is inside them.
        old = ["faketime", "2000-01-01 00:00:00"]
        with open(d("ext.cnf"), "w") as f:
            f.write("[cs]\nbasicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                    "extendedKeyUsage=codeSigning\n[plain]\nbasicConstraints=CA:FALSE\n")
        with open(d("password"), "w") as f:
            f.write(PASSWORD)
        for root in ("root", "other"):
            quiet(old + ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", d(root + ".key"),
                         "-out", d(root + ".pem"), "-days", "36500", "-subj", f"/CN=Test {root}",
                         "-addext", "basicConstraints=critical,CA:TRUE"])
        for name, key, extensions in (("signer", ["-newkey", "rsa:2048"], "cs"),
                                      ("ec", ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256"], "cs"),
                                      ("plain", ["-newkey", "rsa:2048"], "plain")):
            quiet(["openssl", "req", *key, "-nodes", "-keyout", d(name + ".key"), "-out", d(name + ".csr"),
                   "-subj", f"/CN=Test {name}"])
            quiet(old + ["openssl", "x509", "-req", "-in", d(name + ".csr"), "-CA", d("root.pem"), "-CAkey",
                         d("root.key"), "-CAcreateserial", "-out", d(name + ".pem"), "-days", "36500",
                         "-extfile", d("ext.cnf"), "-extensions", extensions])
            quiet(["openssl", "pkcs12", "-export", "-inkey", d(name + ".key"), "-in", d(name + ".pem"),
                   "-out", d(name + ".p12"), "-passout", "file:" + d("password")])
        os.makedirs(d("bin"))
        for tool in ("osslsigncode", "openssl"):
            with open(d("bin", tool), "w") as f:
                f.write(f'#!/bin/sh\nprintf "%s\\n" "$*" >> {d("calls.log")}\nexec /usr/bin/{tool} "$@"\n')
            os.chmod(d("bin", tool), 0o755)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    @classmethod
    def path(cls, *names):
        return os.path.join(cls.dir, *names)

    def release(self, *args):
        """scripts/release.py with ARGS, the wrapped tools first on the path;
        the password must be in no output."""
        env = dict(os.environ, PATH=self.path("bin") + os.pathsep + os.environ["PATH"])
        r = subprocess.run([sys.executable, os.path.join(package.ROOT, "scripts", "release.py"), "--dirty", *args],
                           capture_output=True, text=True, env=env)
        self.assertNotIn(PASSWORD, r.stdout + r.stderr)
        return r

    def verifies(self, signed, root="root.pem"):
        return subprocess.run(["osslsigncode", "verify", "-CAfile", self.path(root), "-in", signed],
                              capture_output=True).returncode == 0

"""Authenticode for the release, with osslsigncode: signing with an
organisation's key, or attaching the signatures of a signed release to the
same files rebuilt, so that anyone can check a signed release byte for byte
without the key.

Used by scripts/release.py; every failure ends the release with a message
(SignError). A step that fails leaves no output of its own; a signed file
that then fails verification stays in the release's staging folder, which
never reaches dist/."""

import os
import re
import subprocess

# App Control for Business accepts RSA keys of at most this size.
MAX_RSA_BITS = 4096
DESCRIPTION = "Quorvane"


class SignError(Exception):
    pass


def _run(args, what, stdin=None):
    r = subprocess.run(args, input=stdin, capture_output=True, text=True)
    if r.returncode != 0:
        detail = (r.stderr or r.stdout).strip().splitlines()
        raise SignError(f"{what}{': ' + detail[-1] if detail else ''}")
    return r.stdout


def _need_file(path, what):
    if not os.path.isfile(path):
        raise SignError(f"{what} {path} does not exist")


class Signer:
    """Signs with the key and certificate of a PKCS#12 file, whose password
    is read from a file by the tools themselves: it never appears in an
    argument list or in the output."""

    def __init__(self, p12, password_file, ca, epoch, timestamp=None):
        for path, what in ((p12, "the certificate file"), (password_file, "the password file"),
                           (ca, "the root certificate")):
            _need_file(path, what)
        self.p12, self.password_file, self.ca = p12, password_file, ca
        self.epoch, self.timestamp = epoch, timestamp
        self._check_certificate()

    def _certificate_text(self):
        last = None
        for legacy in ([], ["-legacy"]):  # old PFX files need OpenSSL's legacy algorithms
            r = subprocess.run(["openssl", "pkcs12", "-in", self.p12, "-nokeys", "-clcerts",
                                "-passin", f"file:{self.password_file}", *legacy],
                               capture_output=True, text=True)
            if r.returncode == 0 and "BEGIN CERTIFICATE" in r.stdout:
                return _run(["openssl", "x509", "-noout", "-text"],
                            f"sign: the certificate in {self.p12} cannot be read", r.stdout)
            last = r
        raise SignError(f"sign: {self.p12} cannot be opened with the password in {self.password_file} "
                        f"(a wrong password, or no PKCS#12 file){': ' + last.stderr.strip().splitlines()[0] if last.stderr.strip() else ''}")

    def _check_certificate(self):
        text = self._certificate_text()
        algorithm = re.search(r"Public Key Algorithm: (\S+)", text)
        if not algorithm or algorithm.group(1) != "rsaEncryption":
            raise SignError(f"sign: the key in {self.p12} is {algorithm.group(1) if algorithm else 'of no known kind'}, "
                            "not RSA; App Control for Business accepts only RSA keys")
        size = re.search(r"Public-Key: \((\d+) bit\)", text)
        if not size:
            raise SignError(f"sign: the size of the RSA key in {self.p12} cannot be read")
        bits = int(size.group(1))
        if bits > MAX_RSA_BITS:
            raise SignError(f"sign: the RSA key in {self.p12} has {bits} bits; App Control for Business "
                            f"accepts at most {MAX_RSA_BITS}")
        # Only the extension counts: an issuer may have "Code Signing" in its name.
        usage = re.search(r"X509v3 Extended Key Usage:.*\n\s*(.*)", text)
        if not usage or "Code Signing" not in usage.group(1):
            raise SignError(f"sign: the certificate in {self.p12} is not for code signing "
                            "(its extended key usage lacks codeSigning)")

    def sign(self, unsigned, signed, _name=None):
        """`unsigned` signed into `signed`, then verified against the root."""
        args = ["osslsigncode", "sign", "-pkcs12", self.p12, "-readpass", self.password_file,
                "-h", "sha256", "-n", DESCRIPTION, "-time", str(self.epoch)]
        if self.timestamp:
            args += ["-ts", self.timestamp]
        _produce(args + ["-in", unsigned, "-out", signed], signed, f"sign: {os.path.basename(unsigned)} could not be signed")
        verify(signed, self.ca)


class Attacher:
    """Puts the signatures of a signed release onto the same files rebuilt."""

    def __init__(self, signatures, ca, epoch):
        if not os.path.isdir(signatures):
            raise SignError(f"sign: the signature folder {signatures} does not exist")
        _need_file(ca, "the root certificate")
        self.signatures, self.ca, self.epoch = signatures, ca, epoch

    def sign(self, unsigned, signed, name):
        """`unsigned` with the signature `name` of the folder, into `signed`."""
        pem = os.path.join(self.signatures, name)
        if not os.path.isfile(pem):
            raise SignError(f"sign: {pem} is missing: no signature for {os.path.basename(unsigned)}")
        # osslsigncode 2.5 checks the chain as it attaches: it wants the root
        # and the signing time.
        _produce(["osslsigncode", "attach-signature", "-sigin", pem, "-CAfile", self.ca,
                  "-time", str(self.epoch), "-in", unsigned, "-out", signed], signed,
                 f"sign: {name} does not fit {os.path.basename(unsigned)} (a signature of another build?)")
        verify(signed, self.ca)


def verify(signed, ca):
    # From 2.8 osslsigncode also fetches the certificates' revocation lists,
    # which an offline build machine cannot; the chain is checked either way.
    offline = ["-ignore-crl"] if _knows("-ignore-crl") else []
    _run(["osslsigncode", "verify", *offline, "-CAfile", ca, "-in", signed],
         f"sign: {os.path.basename(signed)} does not verify against {ca}")


def _knows(option):
    """Whether this osslsigncode's usage names `option`."""
    r = subprocess.run(["osslsigncode", "-h"], capture_output=True, text=True)
    return option in r.stdout + r.stderr


def extract(signed, pem):
    """The signature of `signed`, as a PEM file."""
    _produce(["osslsigncode", "extract-signature", "-pem", "-in", signed, "-out", pem], pem,
             f"sign: the signature of {os.path.basename(signed)} could not be extracted")


def _produce(args, output, what):
    """Runs a step that writes `output`; on failure no output is left, since
    osslsigncode writes one even when it fails."""
    if os.path.exists(output):
        os.remove(output)
    try:
        _run(args, what)
    except SignError:
        if os.path.exists(output):
            os.remove(output)
        raise

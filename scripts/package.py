#!/usr/bin/env python3
"""The Windows Installer packages: one per width, the same bytes from the same
sources, with the settings as public properties.

wixl builds the package from WiX source; what wixl cannot express (the
IniFile table and its actions, component conditions, the same-version upgrade
of the other width, the secure properties) is put in with msibuild. Both run
under faketime in UTC, with a package code derived from the commit, so that
storage times and codes come from the sources alone.

  package.py build --arch x86|x64 --exe quorvane.exe --version 1.2005,06,10
                   --commit HASH --epoch SECONDS --out package.msi
  package.py check package.msi [...]    the tables' invariants, or exit 1
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import uuid
from xml.sax.saxutils import escape, quoteattr

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Fixed forever: both widths and every version share it, so that installing
# one package removes any other.
UPGRADE_CODE = "{5BD0E78D-42B9-4BBC-AED3-E26DFD09595E}"
# The namespace of every name-based code below.
NAMESPACE = uuid.UUID("B599AB06-A4D3-4413-A825-BDDEC6927AD9")
MANUFACTURER = "Quorvane Project"
# Given values live here, in the registry view of the package's width; the
# key's values are the key paths of the components that write the lines.
STORE_KEY = "Software\\Quorvane\\Package"
RUN_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
RUN_NAME = "quorvane"  # the program's file name without ".exe", as it names its own value
# The event source: one key for both registry views, so the package
# installed last names its program; uninstall removes the key.
EVENT_SOURCE_KEY = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Quorvane"

# The width of the condition columns (LaunchCondition, the sequences).
CONDITION_WIDTH = 255
LETTERS = [chr(c) for c in range(ord("A"), ord("Z") + 1)]
BOOLEAN = ("0", "1")
# Every public property: (property, key in [MAIN], default, allowed values or
# None for any text). A property neither given nor kept writes no line.
PROPERTIES = (
    ("SHAREADDRESS", "ShareAddress", None, None),
    ("MAPTODRIVE", "MapToDrive", None, LETTERS),
    ("DRIVETYPE", "DriveType", None, ("0", "1", "2")),
    # USERNAME is Windows Installer's own.
    ("SHAREUSER", "UserName", None, None),
    ("PERSISTANTCONNECTION", "PersistantConnection", None, BOOLEAN),
    ("FORCEDISCONNECTION", "ForceDisConnection", None, BOOLEAN),
    ("PROMPTCREDENTIALS", "PromptCredentials", None, BOOLEAN),
    ("SAVECREDENTIALS", "SaveCredentials", None, BOOLEAN),
    # Users cannot write to a file in Program Files: a saved answer must go
    # to their Credential Manager.
    ("CREDENTIALMANAGER", "CredentialManager", "1", BOOLEAN),
    ("WAITFORNETWORK", "WaitForNetwork", None, "0-600"),
    ("WAITUNTILLOGOFF", "WaitUntilLogOff", None, BOOLEAN),
    ("STARTUP", "StartUp", "1", BOOLEAN),
)
MESSAGES = {
    "MAPTODRIVE": "MAPTODRIVE must be one drive letter from A to Z, in upper case.",
    "DRIVETYPE": "DRIVETYPE must be 0 (network share), 1 (local folder) or 2 (printer).",
    "WAITFORNETWORK": "WAITFORNETWORK must be a number of seconds from 0 to 600.",
    "SHAREERROR_BUTTONS": "SHAREERROR_BUTTONS must be 0 (show the message) or 1 (stay silent).",
    "MAPERROR_BUTTONS": "MAPERROR_BUTTONS must be 0 (show the message) or 1 (stay silent).",
}
# The end-user messages: a property for each line, with the texts of the
# example settings file as defaults (one home for the shipped texts). The
# prompt shows no Line3 and no buttons.
MESSAGE_KEYS = (("SHAREERROR", ("Title", "Line1", "Line2", "Line3", "Line4", "Line5", "Buttons")),
                ("MAPERROR", ("Title", "Line1", "Line2", "Line3", "Line4", "Line5", "Buttons")),
                ("CREDENTIALS", ("Title", "Line1", "Line2", "Line4", "Line5")))
EXAMPLE = os.path.join(ROOT, "resources", "quorvane.ini.example")
# The IniFile table takes no empty value: a property never set formats as
# one, and the line is written with nothing after "=".
EMPTY = "[QVEMPTYLINE]"


def example_texts():
    """{(section, key): value} of the example settings file, as the program reads it."""
    values, section = {}, None
    with open(EXAMPLE) as f:
        for line in f.read().splitlines():
            if line.startswith("["):
                section = line.strip("[]")
            elif line and not line.startswith(";") and "=" in line:
                key, value = line.split("=", 1)
                values.setdefault((section, key), value.strip())
    return values


def message_properties():
    """(property, section, key, default) of every message line."""
    texts = example_texts()
    return tuple((f"{section}_{key.upper()}", section, key, texts[section, key])
                 for section, keys in MESSAGE_KEYS for key in keys)


DOWNGRADE_MESSAGE = "A newer version of Quorvane is already installed. Remove it first to install this one."
ARCHES = {  # arch: (Template platform, Program Files folder, 64-bit)
    "x86": ("Intel", "ProgramFilesFolder", False),
    "x64": ("x64", "ProgramFiles64Folder", True),
}


def product_version(file_version):
    """"1.2005,06,10" as a ProductVersion: 1.(year - 2000).(month x 100 + day).

    Windows Installer compares only the first three fields, the first two at
    most 255 and the third at most 65535; years 2000 to 2255 keep their order
    in the second field, and month and day in the third."""
    major, year, month, day = (int(n) for n in re.split(r"[.,]", file_version))
    if not (2000 <= year <= 2255 and 1 <= month <= 12 and 1 <= day <= 31 and 0 <= major <= 255):
        raise SystemExit(f"package: no ProductVersion for the file version {file_version!r}")
    return f"{major}.{year - 2000}.{month * 100 + day}"


def code(*names):
    return "{" + str(uuid.uuid5(NAMESPACE, " ".join(names))).upper() + "}"


def product_code(version, arch):
    return code("product", version, arch)


def package_code(version, arch, commit):
    return code("package", version, arch, commit)


def component_guid(name, arch):
    # The same for every version: components keep their identity across upgrades.
    return code("component", name, arch)


def checks(prop, allowed):
    """The launch condition of one property, and the (condition, action)
    pairs it rests on when one condition would not fit in its column."""
    if allowed == "0-600":
        # A text that is no integer compares false with either bound.
        return f"NOT {prop} OR ({prop} >= 0 AND {prop} <= 600)", []
    # Conditions have no patterns; "=" compares case-sensitively.
    tests = [f'{prop}="{value}"' for value in allowed]
    if len(f"NOT {prop} OR " + " OR ".join(tests)) <= CONDITION_WIDTH:
        return f"NOT {prop} OR " + " OR ".join(tests), []
    # Too long for one: actions, each for the values that fit, mark the
    # value allowed.
    parts, part = [], []
    for t in tests:
        if part and len(" OR ".join(part + [t])) > CONDITION_WIDTH:
            parts.append(part)
            part = []
        part.append(t)
    parts.append(part)
    return f"NOT {prop} OR Allowed{prop}", [(" OR ".join(p), f"Allow{prop}{i}") for i, p in enumerate(parts)]


def message(prop, allowed):
    return MESSAGES.get(prop) or f"{prop} must be {' or '.join(allowed)}."


def wxs(arch, version, file_version, exe, icon):
    """The WiX source of what wixl can build."""
    _, program_files, win64 = ARCHES[arch]
    w64 = ' Win64="yes"' if win64 else ""
    out = ['<?xml version="1.0" encoding="utf-8"?>',
           '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">',
           f'<Product Id="{product_code(version, arch)}" Name="Quorvane" Language="1033" '
           f'Version="{version}" Manufacturer="{MANUFACTURER}" UpgradeCode="{UPGRADE_CODE}">',
           f'<Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine" '
           f'Manufacturer="{MANUFACTURER}" Description="Quorvane {file_version}" '
           f'Comments="Keeps one drive mapping; the settings are public properties."/>',
           '<Media Id="1" Cabinet="quorvane.cab" EmbedCab="yes"/>',
           f'<MajorUpgrade DowngradeErrorMessage={quoteattr(DOWNGRADE_MESSAGE)}/>',
           f'<Icon Id="quorvane.ico" SourceFile={quoteattr(icon)}/>',
           '<Property Id="ARPPRODUCTICON" Value="quorvane.ico"/>',
           f'<Property Id="ARPCOMMENTS" Value="Quorvane: keeps one drive mapping. Version {file_version}."/>',
           '<Property Id="ARPNOMODIFY" Value="1"/>',
           # Never a password property; one given anyway stays out of the log.
           '<Property Id="MsiHiddenProperties" Value="PASSWORD"/>']
    marks = []
    for prop, _, _, allowed in kept_properties():
        out.append(f'<Property Id="KEPT{prop}"><RegistrySearch Id="Kept{prop}" Root="HKLM" '
                   f'Key="{STORE_KEY}" Name="{prop}" Type="raw"{w64}/></Property>')
        if allowed:
            condition, marking = checks(prop, allowed)
            out.append(f'<Condition Message={quoteattr(message(prop, allowed))}>{escape(condition)}</Condition>')
            for test, action in marking:
                out.append(f'<CustomAction Id="{action}" Property="Allowed{prop}" Value="1"/>')
                marks.append((action, test))
    # A value given on the command line wins; else the kept one; else the default.
    # Between AppSearch (50) and LaunchConditions (100), which checks the result.
    sequence = []
    for prop, _, default, _ in kept_properties():
        out.append(f'<CustomAction Id="Keep{prop}" Property="{prop}" Value="[KEPT{prop}]"/>')
        sequence.append(f'<Custom Action="Keep{prop}" Sequence="{51 + len(sequence)}">'
                        f'NOT {prop} AND KEPT{prop}</Custom>')
        if default:
            out.append(f'<CustomAction Id="Default{prop}" Property="{prop}" Value="{default}"/>')
            sequence.append(f'<Custom Action="Default{prop}" Sequence="{51 + len(sequence)}">NOT {prop}</Custom>')
    for action, test in marks:
        sequence.append(f'<Custom Action="{action}" Sequence="{51 + len(sequence)}">{escape(test)}</Custom>')
    assert 51 + len(sequence) < 100, "the actions would reach LaunchConditions"
    for table in ("InstallUISequence", "InstallExecuteSequence"):
        out += [f"<{table}>", *sequence, f"</{table}>"]
    out += ['<Directory Id="TARGETDIR" Name="SourceDir">',
            f'<Directory Id="{program_files}">',
            '<Directory Id="INSTALLFOLDER" Name="Quorvane">',
            f'<Component Id="Program" Guid="{component_guid("Program", arch)}"{w64}>',
            f'<File Id="quorvane.exe" Name="quorvane.exe" Source={quoteattr(exe)} KeyPath="yes"/>',
            '</Component>',
            f'<Component Id="Run" Guid="{component_guid("Run", arch)}"{w64}>',
            f'<RegistryValue Root="HKLM" Key="{RUN_KEY}" Name="{RUN_NAME}" '
            'Value="&quot;[#quorvane.exe]&quot;" Type="string" KeyPath="yes"/>',
            '</Component>',
            f'<Component Id="EventSource" Guid="{component_guid("EventSource", arch)}"{w64}>',
            f'<RegistryValue Root="HKLM" Key="{EVENT_SOURCE_KEY}" Name="EventMessageFile" '
            'Value="[#quorvane.exe]" Type="string" KeyPath="yes"/>',
            f'<RegistryValue Root="HKLM" Key="{EVENT_SOURCE_KEY}" Name="TypesSupported" Value="7" Type="integer"/>',
            '</Component>']
    for prop, _, _, _ in PROPERTIES:
        out += [f'<Component Id="Set{prop}" Guid="{component_guid("Set" + prop, arch)}"{w64}>',
                f'<RegistryValue Root="HKLM" Key="{STORE_KEY}" Name="{prop}" Value="[{prop}]" '
                'Type="string" KeyPath="yes"/>',
                '</Component>']
    # A message line given or kept, stored as given; one that starts with "#"
    # is stored after a blank, since the Registry table would take it for a
    # number, and AppSearch would hand it back doubled ("##"). The settings
    # file's reader drops the blank. A default is a component of its own.
    for prop, _, _, _ in message_properties():
        for component, value in ((f"Msg{prop}", f"[{prop}]"), (f"Hash{prop}", f" [{prop}]"),
                                 (f"Default{prop}", "1")):
            name = prop + (".default" if component.startswith("Default") else "")
            out += [f'<Component Id="{component}" Guid="{component_guid(component, arch)}"{w64}>',
                    f'<RegistryValue Id="Store{component}" Root="HKLM" Key="{STORE_KEY}" Name="{name}" '
                    f'Value={quoteattr(value)} Type="string" KeyPath="yes"/>',
                    '</Component>']
    out += ['</Directory>', '</Directory>', '</Directory>',
            '<Feature Id="Quorvane" Title="Quorvane" Level="1">',
            '<ComponentRef Id="Program"/>', '<ComponentRef Id="Run"/>', '<ComponentRef Id="EventSource"/>',
            *(f'<ComponentRef Id="Set{prop}"/>' for prop, _, _, _ in PROPERTIES),
            *(f'<ComponentRef Id="{kind}{prop}"/>' for prop, _, _, _ in message_properties()
              for kind in ("Msg", "Hash", "Default")),
            '</Feature>', '</Product>', '</Wix>']
    return "\n".join(out) + "\n"


def idt(name, columns, types, key, rows):
    """A table in Windows Installer's text archive form."""
    lines = ["\t".join(columns), "\t".join(types), f"{name}\t{key}"]
    lines += ["\t".join(row) for row in rows]
    return "\r\n".join(lines) + "\r\n"


def ini_rows():
    rows = [("UpdateMode", "quorvane.ini", "INSTALLFOLDER", "MAIN", "UpdateMode", "0", "0", "Program")]
    rows += [(prop, "quorvane.ini", "INSTALLFOLDER", "MAIN", key, f"[{prop}]", "0", "Set" + prop)
             for prop, key, _, _ in PROPERTIES]
    # Action 1 writes a default only where the file has no such line yet.
    for prop, section, key, default in message_properties():
        rows += [(kind + prop, "quorvane.ini", "INSTALLFOLDER", section, key, value, action, kind + prop)
                 for kind, value, action in (("Msg", f"[{prop}]", "0"), ("Hash", f"[{prop}]", "0"),
                                             ("Default", default or EMPTY, "1"))]
    return rows


def kept_properties():
    """Every public property, kept across repairs and upgrades: (property,
    key, default, allowed values or None)."""
    return PROPERTIES + tuple((prop, key, None, BOOLEAN if key == "Buttons" else None)
                              for prop, _, key, _ in message_properties())


def queries(version, file_version, arch):
    """What wixl leaves out, as SQL on its package."""
    numeric = ".".join(str(int(n)) for n in re.split(r"[.,]", file_version))
    q = [f"UPDATE `Component` SET `Condition` = '{prop}' WHERE `Component` = 'Set{prop}'"
         for prop, _, _, _ in PROPERTIES]
    # The given and the kept form of a line starting with "#" differ: their
    # components' conditions are weighed again at every repair (transitive).
    attributes = 4 | 64 | (256 if ARCHES[arch][2] else 0)
    for prop, _, _, _ in message_properties():
        for component, condition in ((f"Msg{prop}", f'{prop} AND NOT ({prop} << "#")'),
                                     (f"Hash{prop}", f'{prop} << "#"'), (f"Default{prop}", f"NOT {prop}")):
            q.append(f"UPDATE `Component` SET `Condition` = '{condition}' WHERE `Component` = '{component}'")
        q += [f"UPDATE `Component` SET `Attributes` = {attributes} WHERE `Component` = '{kind}{prop}'"
              for kind in ("Msg", "Hash")]
    q += ["UPDATE `Component` SET `Condition` = 'STARTUP=\"1\"' WHERE `Component` = 'Run'",
          # The other width's package of this very version is replaced, too:
          # two copies would give two Run values and two runs at each log-on.
          # (Attributes is part of the row's key: the row is written anew.)
          "DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'",
          "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, `ActionProperty`) "
          f"VALUES ('{UPGRADE_CODE}', '{version}', 513, 'WIX_UPGRADE_DETECTED')",
          "UPDATE `Property` SET `Value` = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;"
          + ";".join(prop for prop, _, _, _ in kept_properties()) + "' WHERE `Property` = 'SecureCustomProperties'",
          # A versioned file is compared by version, not by hash.
          f"UPDATE `File` SET `Version` = '{numeric}', `Language` = '1033' WHERE `File` = 'quorvane.exe'",
          "DELETE FROM `MsiFileHash`",
          # REG_EXPAND_SZ, as Event Viewer expects it ("#%"; wixl writes REG_SZ).
          "UPDATE `Registry` SET `Value` = '#%[#quorvane.exe]' WHERE `Name` = 'EventMessageFile'",
          # A name of "-" and no value: the key and all below it go at uninstall.
          "INSERT INTO `Registry` (`Registry`, `Root`, `Key`, `Name`, `Component_`) "
          f"VALUES ('EventSourceKey', 2, '{EVENT_SOURCE_KEY}', '-', 'EventSource')",
          "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveIniValues', 3100)",
          "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteIniValues', 5100)"]
    return q


def run(args, epoch, cwd):
    stamp = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(epoch))
    env = dict(os.environ, TZ="UTC", LC_ALL="C")
    subprocess.run(["faketime", "-f", stamp, *args], cwd=cwd, env=env, check=True,
                   stdout=subprocess.DEVNULL)


def build(arch, exe, file_version, commit, epoch, out):
    version = product_version(file_version)
    with tempfile.TemporaryDirectory() as work:
        # The cabinet keeps the file's time: the commit's, not the build's.
        shutil.copyfile(exe, os.path.join(work, "quorvane.exe"))
        shutil.copyfile(os.path.join(ROOT, "resources", "quorvane.ico"), os.path.join(work, "quorvane.ico"))
        for name in ("quorvane.exe", "quorvane.ico"):
            os.utime(os.path.join(work, name), (epoch, epoch))
        with open(os.path.join(work, "quorvane.wxs"), "w") as f:
            f.write(wxs(arch, version, file_version, "quorvane.exe", "quorvane.ico"))
        with open(os.path.join(work, "IniFile.idt"), "w", newline="") as f:
            f.write(idt("IniFile", ("IniFile", "FileName", "DirProperty", "Section", "Key", "Value",
                                    "Action", "Component_"),
                        ("s72", "l255", "S72", "l96", "l128", "l255", "i2", "s72"), "IniFile", ini_rows()))
        msi = os.path.join(work, "quorvane.msi")
        run(["wixl", "-a", arch, "-o", msi, "quorvane.wxs"], epoch, work)
        run(["msibuild", msi, "-i", "IniFile.idt"], epoch, work)
        for q in queries(version, file_version, arch):
            run(["msibuild", msi, "-q", q], epoch, work)
        template = f"{ARCHES[arch][0]};1033"
        run(["msibuild", msi, "-s", f"Quorvane {file_version}", MANUFACTURER, template,
             package_code(version, arch, commit)], epoch, work)
        shutil.copyfile(msi, out)


# --- the check of a built package ---------------------------------------------

def export(msi, table):
    """Rows of one table as lists of columns, or [] when the table is absent."""
    r = subprocess.run(["msiinfo", "export", msi, table], capture_output=True, text=True)
    if r.returncode != 0:
        return []
    return [line.split("\t") for line in r.stdout.replace("\r\n", "\n").split("\n")[3:] if line]


def summary(msi):
    r = subprocess.run(["msiinfo", "suminfo", msi], capture_output=True, text=True, check=True)
    return dict(line.split(": ", 1) for line in r.stdout.splitlines() if ": " in line)


def problems(msi):
    """What is wrong with a package's tables; empty when nothing is."""
    found = []
    components = export(msi, "Component")
    guids = [c[1] for c in components]
    found += [f"component GUID {g} is used twice" for g in sorted(set(guids)) if guids.count(g) > 1]
    found += [f"component {c[0]} has no key path" for c in components if not c[5]]
    keys = {r[0] for r in export(msi, "File")} | {r[0] for r in export(msi, "Registry")}
    found += [f"component {c[0]}'s key path {c[5]} is no file or registry row"
              for c in components if c[5] and c[5] not in keys]
    info = summary(msi)
    if not re.fullmatch(r"(Intel|x64);1033", info.get("Template", "")):
        found.append(f"summary information: template {info.get('Template')!r}")
    if info.get("Source") != "2 (2)":  # the word count: compressed, long names
        found.append(f"summary information: word count {info.get('Source')!r}")
    if not re.fullmatch(r"\{[0-9A-F-]{36}\}", info.get("Revision number (UUID)", "")):
        found.append(f"summary information: package code {info.get('Revision number (UUID)')!r}")
    properties = {r[0]: r[1] for r in export(msi, "Property")}
    secure = set(properties.get("SecureCustomProperties", "").split(";"))
    public = {prop for prop, _, _, _ in kept_properties()}
    found += [f"public property {p} is not in SecureCustomProperties" for p in sorted(public - secure)]
    rows = export(msi, "IniFile")
    ini = {r[4]: r for r in rows if r[3] == "MAIN"}
    found += [f"no line for {p}" for p, key, _, _ in PROPERTIES if key not in ini]
    lines = {(r[3], r[4], r[6]) for r in rows}
    found += [f"no line for {p}" for p, section, key, _ in message_properties()
              if not {(section, key, "0"), (section, key, "1")} <= lines]
    found += [f"a default text with a bracket or brace: {r[5]!r}" for r in rows
              if r[6] == "1" and r[5] != EMPTY and re.search(r"[\[\]{}]", r[5])]
    if "PASSWORD" in str(list(ini.values())).upper():
        found.append("a password line")
    for table, column in (("LaunchCondition", 0), ("InstallExecuteSequence", 1), ("InstallUISequence", 1)):
        found += [f"{table}: a condition of {len(r[column])} characters, over {CONDITION_WIDTH}"
                  for r in export(msi, table) if len(r[column]) > CONDITION_WIDTH]
    source = {r[3]: r[4] for r in export(msi, "Registry") if r[2] == EVENT_SOURCE_KEY}
    if source != {"EventMessageFile": "#%[#quorvane.exe]", "TypesSupported": "#7", "-": ""}:
        found.append(f"the event source's rows: {source}")
    actions = {r[0] for r in export(msi, "InstallExecuteSequence")}
    found += [f"no {a} action" for a in ("WriteIniValues", "RemoveIniValues") if a not in actions]
    return found


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="command", required=True)
    b = sub.add_parser("build")
    b.add_argument("--arch", choices=sorted(ARCHES), required=True)
    b.add_argument("--exe", required=True)
    b.add_argument("--version", required=True, help='the "FileVersion", as 1.2005,06,10')
    b.add_argument("--commit", required=True)
    b.add_argument("--epoch", type=int, required=True)
    b.add_argument("--out", required=True)
    c = sub.add_parser("check")
    c.add_argument("packages", nargs="+")
    args = ap.parse_args()
    if args.command == "build":
        build(args.arch, args.exe, args.version, args.commit, args.epoch, args.out)
        return
    bad = False
    for msi in args.packages:
        for problem in problems(msi):
            print(f"{msi}: {problem}")
            bad = True
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()

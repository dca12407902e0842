"""The real quorvane.exe started as at log-on, against the test file server
(a network provider of the prefix) and a working subst.exe: what reaches the
provider, the letters made, the boxes and prompts shown, the programs run."""

import os
import re
import time

from qvtest import DRIVER, EVENTS, ID, SETUP_CAPTION, WineTest, main, reported
from world import wait_for

DIR = "C:\\qvtest\\map"
RECORD = DIR + "\\programs.txt"


def program(n, parameters):
    """Settings lines for program N: the driver recording its arguments."""
    return f"Execute{n}={DRIVER}\r\nParameters{n}=record {RECORD} {parameters}\r\n"


class UnattendedRun(WineTest):
    def setUp(self):
        self.install_own_copy(DIR)
        self.world.clear_logs()
        self.world.remove(RECORD)
        for letter in "QS":
            self.world.drop_drive(letter)
            self.addCleanup(self.world.drop_drive, letter)
        self.world.publish("\\\\srv\\data", DIR + "\\server-data")
        self.world.serve("share \\\\srv\\data anna secret")

    def run_unattended(self, settings, answers=(), debug=None, missing=None):
        self.world.put(self.ini, settings.encode())
        rc, err, texts = self.run_program(self.exe, answers=answers, setup=False, debug=debug, missing=missing)
        self.assertEqual(rc, 0)
        self.read_recorded()
        return err, texts

    def read_recorded(self):
        """The arguments the started programs recorded, once they have ended."""
        self.world.wait_for_programs("qvdriver.exe")
        self.recorded = []
        if self.world.exists(RECORD):
            lines = self.world.read(RECORD).decode().splitlines()
            self.recorded = [line.split(" record ", 1)[1].split(" ", 1)[1] for line in lines]

    def test_share_for_the_logged_on_user_and_no_window_on_the_way(self):
        self.world.serve("share \\\\srv\\data")
        # The setup dialog ends inside its initialisation; the dialog manager
        # still shows a visible template, which must never come forward.
        key = "HKCU\\Software\\Wine\\Debug"
        self.world.wine(["reg", "add", key, "/v", "RelayInclude", "/d",
                         "KERNEL32.Sleep;user32.MsgWaitForMultipleObjects;user32.BringWindowToTop;user32.SetForegroundWindow",
                         "/f"], check=True)
        try:
            err, _ = self.run_unattended(
                "[MAIN]\r\nShareAddress=\\\\srv\\data\\\r\nMapToDrive=Q\r\n[SECTEXECUTE]\r\n"
                + program(1, "one [%DRIVE%] [%SHARE%]") + program(2, "two [%DRIVE%] [%SHARE%] [%ERRORCODE%]"),
                debug="+relay")
        finally:
            self.world.wine(["reg", "delete", key, "/v", "RelayInclude", "/f"])
        # No user name: null name and password, not empty ones; a disk (1).
        self.assertEqual(self.world.calls(), [["add", "\\\\srv\\data", "Q:", "<null>", "<null>", "0", "1", "=0"]])
        self.assertEqual(self.world.drive("Q"), "unc/srv/data")
        self.assertEqual(self.recorded, ["one [] []", "two [Q:] [\\\\srv\\data] [0]"])
        calls = [line for line in err.splitlines() if ":Call " in line]
        self.assertIn("MsgWaitForMultipleObjects(", "\n".join(calls))  # after program 1: the trace works
        self.assertNotIn("Sleep(00000080)", "\n".join(calls))
        self.assertEqual([c for c in calls if "Window" in c], [])

    def test_only_a_run_that_starts_a_program_loads_the_shell(self):
        heavy = {"shell32.dll", "shlwapi.dll", "shcore.dll", "oleaut32.dll", "comctl32.dll"}
        ping = DIR + "\\ping.txt"  # program 1 asks the hidden dialog to answer within 300 ms
        pinged = f"Execute1={DRIVER}\r\nParameters1=ping \"{SETUP_CAPTION}\" 300 {ping}\r\n" + program(2, "two")
        # Without a shell to load, program 2 is a start that failed.
        for programs, missing in (("", None), (pinged, None), (program(2, "two"), "shell32")):
            self.world.drop_drive("Q")
            self.world.remove(RECORD)
            err, _ = self.run_unattended("[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\nSaveCredentials=1\r\n"
                                         "UserName=anna\r\nPassWord=secret\r\n[SECTEXECUTE]\r\n" + programs,
                                         debug="+loaddll,+pid", missing=missing)
            own = re.search(r'^(\w+):.*loaded l"[^"]*\\\\quorvane\.exe"', err.lower(), re.M).group(1)
            loaded = set(re.findall(rf'^{own}:.*loaded l"[^"]*\\\\([^\\\\"]+)"', err.lower(), re.M))
            self.assertEqual("shell32.dll" in loaded, programs != "" and not missing, loaded)
            self.assertTrue(programs or not loaded & heavy, loaded)
            self.assertEqual(self.world.drive("Q"), "unc/srv/data")
            self.assertEqual(self.recorded, ["two"] if programs and not missing else [])
        self.assertEqual(self.world.read(ping)[:8], b"answered")  # in the second after program 1

    def test_refused_logon_answered_through_the_prompt(self):
        user = os.environ.get("USER") or "root"
        _, seen = self.run_unattended(
            "[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\nSaveCredentials=1\r\n"
            "UserName=%USERNAME%\r\nPassWord=wrong\r\nPersistantConnection=1\r\n"
            "[CREDENTIALS]\r\nTitle=Log on to %SHARE%\r\nLine1=The server says no.\r\n"
            "Line2=%SHARE%\r\nLine4=User:\r\nLine5=Password:\r\n",
            answers=[("Log on to \\\\srv\\data", ["press:2"]),  # Escape's command: nothing happens
                     ("Log on to \\\\srv\\data", [f"set:{ID.IDE_PROMPT_USER}=anna",
                                                  f"set:{ID.IDE_PROMPT_PASSWORD}=secret",
                                                  f"press:{ID.IDB_PROMPT_OK}"])])
        prompt = seen[0]
        # Its owner is hidden: the prompt has a taskbar button of its own.
        self.assertTrue(self.last_exstyle & 0x40000, hex(self.last_exstyle))  # WS_EX_APPWINDOW
        self.assertEqual([prompt[i] for i in (ID.IDT_PROMPT_LINE1, ID.IDT_PROMPT_LINE2, ID.IDT_PROMPT_USER,
                                              ID.IDT_PROMPT_PASSWORD, ID.IDE_PROMPT_PASSWORD)],
                         ["The server says no.", "\\\\srv\\data", "User:", "Password:", "wrong"])
        self.assertEqual(prompt[ID.IDE_PROMPT_USER].lower(), user.lower())  # expanded, shown
        calls = self.world.calls()
        self.assertEqual([c[3:6] + c[-1:] for c in calls],
                         [[user, "wrong", "1", "=1326"], ["anna", "secret", "1", "=0"]])
        self.assertIn(b"UserName=anna\r\nPassWord=secret\r\n", self.world.read(self.ini))

    def test_subst_of_a_folder(self):
        self.world.put(DIR + "\\local\\file.txt", b"x")
        self.run_unattended("[MAIN]\r\nShareAddress=" + DIR + "\\local\\\r\nMapToDrive=S\r\nDriveType=1\r\n"
                            "[SECTEXECUTE]\r\n" + program(2, "[%DRIVE%] [%ERRORCODE%]"))
        self.assertEqual(os.path.realpath(os.path.join(self.world.prefix, "dosdevices", "s:")),
                         os.path.realpath(self.world.unix(DIR + "\\local")))
        drive, code = self.recorded[0].split(" ")
        self.assertEqual(drive, "[S:]")
        self.assertGreater(int(code.strip("[]")), 32)  # what the start returned

    def test_unreachable_share(self):
        _, texts = self.run_unattended(
            "[MAIN]\r\nShareAddress=\\\\nosrv\\data\r\nMapToDrive=Q\r\n"
            "[SHAREERROR]\r\nTitle=Cannot reach %SHARE%\r\nLine1=Error %ERRORCODE%\r\n"
            "Line2=Drive %DRIVE%\r\nLine3=\r\nLine4=\r\nLine5=Call the desk\r\n"
            "[SECTEXECUTE]\r\n" + program(2, "two") + program(3, "three %ERRORCODE%"),
            answers=[("Cannot reach \\\\nosrv\\data", "ok")])
        code = texts[0].split("\n")[0].split(" ")[1]
        self.assertNotEqual(code, "0")
        self.assertEqual(texts[0], f"Error {code}\nDrive Q:\n\n\nCall the desk")
        self.assertEqual(self.world.calls(), [])
        self.assertEqual(self.recorded, ["three " + code])

    def test_an_error_text_that_holds_inserts_is_given_in_words(self):
        self.world.serve("fail \\\\srv\\data 317")  # its text holds "%1"
        _, texts = self.run_unattended("[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\n"
                                       "[MAPERROR]\r\nTitle=No map\r\nLine1=%ERRORTEXT%\r\n",
                                       answers=[("No map", "ok")])
        self.assertIn("%1", texts[0])  # the text, its inserts as they stand

    def test_every_outcome_reported_to_the_application_log(self):
        main = "[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\n"
        self.world.serve("share \\\\srv\\data")
        err, _ = self.run_unattended(main, debug=EVENTS)
        # The whole ID: severity, the customer bit, the number.
        self.assertEqual(reported(err), [(4, 0x60000064, [self.ini, "Q:", "\\\\srv\\data", "", "0"])], err)
        self.world.drop_drive("Q")
        err, _ = self.run_unattended(main.replace("srv", "nosrv") + "[SHAREERROR]\r\nButtons=1\r\n"
                                     "[MAPERROR]\r\nButtons=1\r\n", debug=EVENTS)
        (kind, event, strings), _ = reported(err)
        self.assertEqual((kind, event, strings[:3], strings[-1]),
                         (2, 0xA00000C8, [self.ini, "\\\\nosrv\\data", "3"], "silent"), err)
        # A refused logon, the prompt cancelled: the user and the code, no password anywhere.
        self.world.serve("fail \\\\srv\\data 1326")
        err, _ = self.run_unattended(main + "SaveCredentials=1\r\nUserName=bob\r\nPassWord=file-pw\r\n"
                                     "[CREDENTIALS]\r\nTitle=Log on\r\n",
                                     answers=[("Log on", [f"set:{ID.IDE_PROMPT_PASSWORD}=typed-pw", "close"])],
                                     debug=EVENTS)
        self.assertEqual(reported(err), [(2, 0xA00000D2, [self.ini, "\\\\srv\\data", "bob", "1326"])], err)
        self.assertNotIn("-pw", err)

    # "CredentialManager": each user's password kept by Windows, not the file.
    def test_the_prompts_answer_is_kept_by_windows_and_used_next_time(self):
        self.world.wine([DRIVER, "cred", "Quorvane:\\\\srv\\data", "-"])
        settings = ("[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\nSaveCredentials=1\r\n"
                    "CredentialManager=1\r\nUserName=anna\r\nPassWord=secret\r\n[CREDENTIALS]\r\nTitle=Log on\r\n")
        self.run_unattended(settings, answers=[("Log on", [f"set:{ID.IDE_PROMPT_PASSWORD}=secret",
                                                           f"press:{ID.IDB_PROMPT_OK}"])])
        self.assertEqual(self.world.wine([DRIVER, "cred", "Quorvane:\\\\srv\\data"]).stdout.decode(),
                         "1 2 anna " + "secret".encode("utf-16-le").hex() + "\n")
        self.assertEqual(self.world.read(self.ini), settings.replace("PassWord=secret\r\n", "").encode())
        self.world.drop_drive("Q")
        rc, _, _ = self.run_program(self.exe, setup=False)  # nobody answers a prompt now
        # The file's password was never sent.
        self.assertEqual([c[3:5] + c[-1:] for c in self.world.calls()],
                         [["anna", "", "=1326"], ["anna", "secret", "=0"], ["anna", "secret", "=0"]])

    def test_a_credential_stored_by_another_tool_reaches_the_server_as_stored(self):
        self.world.wine([DRIVER, "cred", "Quorvane:\\\\srv\\data", "bob"], check=True)
        self.world.serve("share \\\\srv\\data")
        self.run_unattended("[MAIN]\r\nShareAddress=\\\\srv\\data\\\r\nMapToDrive=Q\r\nSaveCredentials=1\r\n"
                            "CredentialManager=1\r\nUserName=anna\r\n")
        self.assertEqual(self.world.read("C:\\qvtest\\net\\calls.log").split(b"|")[3:5], [b"bob", "S\u00e9same!".encode("cp1252")])

    def test_an_mpr_dll_planted_beside_the_program_is_never_loaded(self):
        # With mpr=n,b Wine looks beside the program first, as Windows does
        # for a DLL that is no KnownDLL.
        self.world.serve("share \\\\srv\\data")
        self.world.install_binary("planted_mpr.dll", self.exe[:-12] + "mpr.dll")
        mark = "C:\\qvtest\\planted-mpr-loaded"
        self.world.remove(mark)
        self.world.put(self.ini, b"[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\n")
        proc, err = self.world.start([self.exe], native_first="mpr")
        self.addCleanup(err.close)
        self.assertEqual(proc.wait(timeout=60), 0)
        self.assertFalse(self.world.exists(mark))
        self.assertEqual(self.world.drive("Q"), "unc/srv/data")

    # "WaitForNetwork": a server that is not there when the run starts.
    def test_a_server_that_comes_up_late_is_mapped_silently(self):
        self.world.serve("share \\\\srv\\late")
        self.world.withdraw("\\\\srv\\late")
        self.addCleanup(self.world.withdraw, "\\\\srv\\late")
        self.world.put(self.ini, ("[MAIN]\r\nShareAddress=\\\\srv\\late\r\nMapToDrive=Q\r\nWaitForNetwork=20\r\n"
                                  "[SECTEXECUTE]\r\n" + program(2, "two [%DRIVE%]")).encode())
        proc = self.start_program([self.exe])
        # While it waits, what is sent to its (hidden) window is answered.
        ping = self.world.wine([DRIVER, "ping", SETUP_CAPTION, "3000"])
        self.assertEqual(ping.returncode, 0, ping.stdout)
        self.assertIsNone(proc.poll())
        self.world.publish("\\\\srv\\late", DIR + "\\late")
        up = time.monotonic()
        self.assertTrue(wait_for(lambda: self.world.drive("Q") == "unc/srv/late", 30))
        print(f"\n  {ping.stdout.decode().strip()}; the letter came {time.monotonic() - up:.1f} s "
              "after the server", end=" ", flush=True)
        self.assertEqual(proc.wait(timeout=30), 0)
        self.read_recorded()
        self.assertEqual([c[:3] + c[-1:] for c in self.world.calls()], [["add", "\\\\srv\\late", "Q:", "=0"]])
        self.assertEqual(self.recorded, ["two [Q:]"])

    def test_a_server_that_never_comes_is_reported_after_the_wait(self):
        # Program 1 starts a second before the mapping; both stamps are the
        # program's own, to the second.
        _, texts = self.run_unattended(
            "[MAIN]\r\nShareAddress=\\\\nosrv\\data\r\nMapToDrive=Q\r\nWaitForNetwork=2\r\n"
            "[SHAREERROR]\r\nTitle=Not there\r\nLine1=%TIME% %ERRORCODE%\r\n"
            "[SECTEXECUTE]\r\n" + program(1, "%TIME%") + program(3, "three %ERRORCODE%"),
            answers=[("Not there", "ok")])
        shown, code = texts[0].split("\n")[0].split(" ")
        seconds = [int(t[:2]) * 3600 + int(t[2:4]) * 60 + int(t[4:]) for t in (self.recorded[0], shown)]
        self.assertGreaterEqual((seconds[1] - seconds[0]) % 86400, 3, (self.recorded, shown))
        self.assertEqual(self.recorded[1:], ["three " + code])
        self.assertEqual(self.world.calls(), [])


    # A run that has given up lets its settings file go before its box: a
    # second start meanwhile maps on its own.
    def second_start_while_the_box_is_up(self, wait):
        share = "\\\\srv\\late"
        self.world.serve("share " + share)
        self.world.withdraw(share)
        self.addCleanup(self.world.withdraw, share)
        self.world.put(self.ini, ("[MAIN]\r\nShareAddress=" + share + "\r\nMapToDrive=Q\r\n" + wait +
                                  "[SHAREERROR]\r\nTitle=Not there\r\n[SECTEXECUTE]\r\n" +
                                  program(2, "two [%DRIVE%]") + program(3, "three")).encode())
        first = self.start_program([self.exe])
        self.assertEqual(self.world.wine([DRIVER, "window", "Not there", "wait:20000"]).returncode, 0)
        self.world.publish(share, DIR + "\\late")
        second = self.start_program([self.exe])
        self.assertEqual(second.wait(timeout=30), 0)
        self.assertEqual(self.world.drive("Q"), "unc/srv/late")
        self.assertIsNotNone(self.answer("Not there"))
        self.assertEqual(first.wait(timeout=30), 0)
        self.read_recorded()
        self.assertEqual(self.recorded, ["two [Q:]", "three"])

    def test_a_second_start_while_the_share_message_is_up_maps(self):
        self.second_start_while_the_box_is_up("")

    def test_a_second_start_after_the_bounded_wait_gave_up_maps(self):
        self.second_start_while_the_box_is_up("WaitForNetwork=2\r\n")

    # "WaitUntilLogOff": the run waits, hidden, until the share answers.
    def start_waiting(self, missing=None):
        share = "\\\\srv\\late"
        self.world.serve("share " + share)
        self.world.withdraw(share)
        self.addCleanup(self.world.withdraw, share)
        self.world.put(self.ini, ("[MAIN]\r\nShareAddress=" + share + "\r\nMapToDrive=Q\r\nWaitUntilLogOff=1\r\n"
                                  "[SECTEXECUTE]\r\n" + program(2, "two [%DRIVE%]") + program(3, "three")).encode())
        proc = self.start_program([self.exe], missing=missing)
        time.sleep(3)  # its first probe has found nothing
        self.no_box_left("Title")
        self.assertIsNone(proc.poll())
        self.world.publish(share, DIR + "\\late")
        self.published = time.monotonic()
        return proc

    def mapped_within(self, proc, seconds):
        self.assertTrue(wait_for(lambda: self.world.drive("Q") == "unc/srv/late", seconds))
        print(f"\n  the letter came {time.monotonic() - self.published:.1f} s after the server", end=" ", flush=True)
        self.assertEqual(proc.wait(timeout=30), 0)
        self.read_recorded()
        self.assertEqual(self.recorded, ["two [Q:]"])

    def test_a_resume_maps_the_share_that_came_meanwhile(self):
        proc = self.start_waiting()
        self.assertEqual(self.world.wine([DRIVER, "resume"]).returncode, 0)
        # The next periodic probe is 25 s away.
        self.mapped_within(proc, 6)

    def test_with_no_event_the_periodic_probe_finds_the_share(self):
        # Without the DLLs of the notifications, the periodic probe is left.
        self.mapped_within(self.start_waiting(missing="iphlpapi,wtsapi32"), 35)

    def test_a_second_start_hands_over_and_the_first_maps(self):
        first = self.start_waiting()
        second = self.start_program([self.exe])
        self.assertEqual(second.wait(timeout=20), 0)
        self.mapped_within(first, 6)

    def test_the_end_of_the_session_ends_the_wait_quietly(self):
        proc = self.start_waiting()
        self.world.withdraw("\\\\srv\\late")
        self.world.wine(["wineboot", "--end-session"], timeout=60)
        self.assertEqual(proc.wait(timeout=20), 0)
        self.no_box_left("Title")
        self.read_recorded()
        self.assertEqual(self.recorded, [])
        self.assertIsNone(self.world.drive("Q"))


if __name__ == "__main__":
    main()

"""Fifty openings of every dialog and fifty mapping runs in one process,
under Wine: what the process holds afterwards must be what it held after the
first round."""

from qvtest import DRIVER, WineTest, main

INI = "C:\\qvtest\\soak\\quorvane.ini"


class Soak(WineTest):
    def test_fifty_rounds_of_every_dialog_and_a_mapping_run(self):
        self.world.put(INI, b"[MAIN]\r\nShareAddress=\\\\srv\\data\r\nMapToDrive=Q\r\n")
        self.world.publish("\\\\srv\\data", "C:\\qvtest\\soak\\server-data")
        self.world.serve("share \\\\srv\\data")
        self.world.clear_logs()
        self.world.drop_drive("Q")
        r = self.world.wine([DRIVER, "soak", INI, "50"], timeout=600, check=True)
        phases = {}
        for line in r.stdout.decode().splitlines():
            phase, *fields = line.split()
            phases[phase] = {k: int(v) for k, v in (f.split("=") for f in fields)}
        warm, end = phases["warm"], phases["end"]
        # GDI and USER objects are reported for reading only: Wine's own
        # controls leak some (a drop-down list one per creation), and the
        # one GDI object of the program's own that outlives a call, the
        # About picture, is counted by the picture module.
        self.assertEqual(end["handles"], warm["handles"])
        self.assertEqual((end["windows"], end["pictures"], end["hotkey"]), (0, 0, 1))
        # The About picture alone is 150 KB a load; a leak of it, or of
        # anything near its size, shows long before 1 MiB over fifty rounds.
        self.assertLess(end["private"] - warm["private"], 1 << 20)
        calls = self.world.calls()
        self.assertEqual(len([c for c in calls if c[0] == "add"]), 51)
        self.assertTrue(all(c[-1] == "=0" for c in calls))
        self.assertIsNone(self.world.drive("Q"))


if __name__ == "__main__":
    main()

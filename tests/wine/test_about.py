"""The About dialog and the picture under Wine."""

import os
import subprocess

from qvtest import DRIVER, SETUP_CAPTION, WineTest, main

ABOUT = "About Quorvane Version: 1.2005,06,10"
# Solid blocks of the picture (resources/draw_picture.sh): offset in the
# picture, colour.
BLOCKS = [((25, 25), (255, 0, 0)), ((175, 25), (0, 0, 255)), ((25, 165), (0, 255, 0))]


def pixel(shot, x, y):
    out = subprocess.run(["convert", shot, "-crop", f"1x1+{x}+{y}", "-depth", "8", "txt:-"],
                         capture_output=True, text=True, check=True).stdout
    values = out.splitlines()[1].split("(")[1].split(")")[0].split(",")
    return tuple(int(float(v)) for v in values[:3])


class About(WineTest):
    def test_caption_picture_position_and_keys(self):
        exe = "C:\\qvtest\\about\\quorvane.exe"
        self.world.install_binary("quorvane.exe", exe)
        proc, _ = self.world.start([exe, "/?"])
        self.addCleanup(lambda: proc.poll() is None and (proc.kill(), self.world.kill_all()))
        self.drive_window(SETUP_CAPTION, "press:28")
        self.drive_window(ABOUT)  # the caption carries the program's version
        left, top = self.last_origin
        shot = os.path.join(self.world.directory, "about-full.png")
        subprocess.run(["import", "-window", "root", shot], env=self.world.env(), check=True,
                       timeout=60)
        for (x, y), colour in BLOCKS:
            got = pixel(shot, left + 92 + x, top + 52 + y)
            for g, c in zip(got, colour):
                self.assertLess(abs(g - c), 40, (x, y, got))
        subprocess.run(["convert", shot, "-crop", "468x356+277+209", "+repage",
                        os.path.join(self.world.directory, "about.png")], check=True)
        driver = [DRIVER, "keys", ABOUT]
        self.world.wine(driver + ["escape"])  # Escape does not close it
        self.drive_window(ABOUT, timeout_ms=2000)
        self.world.wine(driver + ["enter"])   # Enter is OK
        for _ in range(50):
            if self.world.wine([DRIVER, "window", ABOUT, "wait:0"]).returncode != 0:
                break
        else:
            self.fail("About did not close")
        self.drive_window(SETUP_CAPTION, "close")
        self.assertEqual(proc.wait(timeout=30), 0)

    def test_picture_loads_and_failures(self):
        def picture(*args):
            return self.world.wine([DRIVER, "picture"] + list(args)).stdout.decode().strip()

        self.assertEqual(picture("600"), "bitmap 200x190")
        self.assertEqual(picture("601"), "none 2")
        self.assertEqual(picture("garbage"), "none 87")
        self.world.install_binary("qvdriver.exe", "C:\\qvtest\\about\\copy.exe")
        jpeg = os.path.join(os.path.dirname(__file__), "..", "..", "resources", "about.jpg")
        with open(jpeg, "rb") as f:
            self.world.put("C:\\qvtest\\about\\about.jpg", f.read())
        self.assertEqual(picture("file", "C:\\qvtest\\about\\about.jpg"), "bitmap 200x190")
        # That every opening of About releases its bitmap is test_soak's.


if __name__ == "__main__":
    main()

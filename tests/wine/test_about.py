"""The About dialog and the picture under Wine."""

import os
import subprocess

from qvtest import DRIVER, ID, SETUP_CAPTION, WineTest, main

ABOUT = "About Quorvane Version: 1.2005,06,10"
JPEG = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources",
                    "about.jpg")
WIDTH, HEIGHT = 200, 190


def rgb(*args):
    """Pixels as bytes, three a pixel, through ImageMagick."""
    return subprocess.run(["convert", *args, "-depth", "8", "rgb:-"], capture_output=True,
                          check=True).stdout


def mean_difference(screen, stride, x, y, picture):
    """Mean difference per channel between the picture and the screen's
    pixels at (x, y); `screen` is `stride` pixels wide."""
    total = 0
    for row in range(HEIGHT):
        at = ((y + row) * stride + x) * 3
        line = screen[at:at + WIDTH * 3]
        own = picture[row * WIDTH * 3:(row + 1) * WIDTH * 3]
        total += sum(abs(a - b) for a, b in zip(line, own))
    return total / (WIDTH * HEIGHT * 3)


class About(WineTest):
    def test_caption_picture_position_and_keys(self):
        self.install_own_copy("C:\\qvtest\\about")
        proc = self.open_setup()
        self.drive_window(SETUP_CAPTION, f"press:{ID.IDB_ABOUT}")
        self.drive_window(ABOUT)  # the caption carries the program's version
        left, top = self.last_origin
        shot = os.path.join(self.world.directory, "about-full.png")
        subprocess.run(["import", "-window", "root", shot], env=self.world.env(), check=True,
                       timeout=60)
        # The client area around (92, 52), 3 pixels more on each side, against
        # the picture decoded on its own: it matches there, within what two
        # JPEG decoders may differ by, and better than anywhere next to it.
        margin = 3
        screen = rgb(shot, "-crop", f"{WIDTH + 2 * margin}x{HEIGHT + 2 * margin}"
                     f"+{left + 92 - margin}+{top + 52 - margin}", "+repage")
        picture = rgb(JPEG)
        stride = WIDTH + 2 * margin
        placed = mean_difference(screen, stride, margin, margin, picture)
        self.assertLess(placed, 1.0)  # one pixel off already gives about 2
        for dx, dy in ((-margin, 0), (margin, 0), (0, -margin), (0, margin), (-1, -1), (1, 1)):
            moved = mean_difference(screen, stride, margin + dx, margin + dy, picture)
            self.assertGreater(moved, placed + 1.0, (dx, dy, moved, placed))
        self.keys(ABOUT, "escape")  # does not close it
        self.drive_window(ABOUT, timeout_ms=2000)
        self.keys(ABOUT, "enter")   # Enter is OK
        self.assertTrue(self.gone(ABOUT))
        self.close_setup(proc)

    def test_picture_loads_and_failures(self):
        def picture(*args):
            return self.world.wine([DRIVER, "picture"] + list(args)).stdout.decode().strip()

        self.assertEqual(picture("600"), "bitmap 200x190")
        self.assertEqual(picture("601"), "none 2")
        self.assertEqual(picture("garbage"), "none 87")
        self.world.install_binary("qvdriver.exe", "C:\\qvtest\\about\\copy.exe")
        with open(JPEG, "rb") as f:
            self.world.put("C:\\qvtest\\about\\about.jpg", f.read())
        self.assertEqual(picture("file", "C:\\qvtest\\about\\about.jpg"), "bitmap 200x190")
        # That every opening of About releases its bitmap is test_soak's.


if __name__ == "__main__":
    main()

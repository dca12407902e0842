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


def mean_difference(screen, stride, x, y, picture, width=WIDTH, height=HEIGHT):
    """Mean difference per channel between the picture (width x height) and
    the screen's pixels at (x, y); `screen` is `stride` pixels wide."""
    total = 0
    for row in range(height):
        at = ((y + row) * stride + x) * 3
        line = screen[at:at + width * 3]
        own = picture[row * width * 3:(row + 1) * width * 3]
        total += sum(abs(a - b) for a, b in zip(line, own))
    return total / (width * height * 3)


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

    def test_at_144_dpi_the_picture_grows_with_the_dialog(self):
        key = "HKCU\\Control Panel\\Desktop"
        self.world.wine(["reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "144", "/f"], check=True)
        self.addCleanup(self.world.wine, ["reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "96", "/f"])
        self.install_own_copy("C:\\qvtest\\about144")
        proc = self.open_setup()
        self.drive_window(SETUP_CAPTION, f"press:{ID.IDB_ABOUT}")
        self.drive_window(ABOUT)
        (left, top), (client_w, client_h) = self.last_origin, self.last_client
        shot = os.path.join(self.world.directory, "about-144.png")
        subprocess.run(["import", "-window", "root", shot], env=self.world.env(), check=True, timeout=60)
        # Where the picture is: the bluish pixels of the client area above the
        # OK button (the dialog itself is grey, its texts black).
        client = rgb(shot, "-crop", f"{client_w}x{client_h * 3 // 4}+{left}+{top}", "+repage")
        blue = [(i // 3 % client_w, i // 3 // client_w) for i in range(0, len(client), 3)
                if client[i + 2] - client[i] >= 6]
        x, y = min(p[0] for p in blue), min(p[1] for p in blue)
        width, height = max(p[0] for p in blue) + 1 - x, max(p[1] for p in blue) + 1 - y
        print(f"\n  the picture at ({x}, {y}), far corner ({x + width}, {y + height})", end=" ", flush=True)
        # Grown as the dialog grew: Wine's MS Sans Serif has base units of 7 x 13
        # at 96 DPI and 10 x 19 at 144, so (92, 52) and (292, 242) become
        # (131, 76) and (417, 354).
        self.assertLessEqual(abs(x - 131) + abs(y - 76), 2, (x, y))
        self.assertLessEqual(abs(x + width - 417) + abs(y + height - 354), 2, (x, y, width, height))
        screen = rgb(shot, "-crop", f"{width}x{height}+{left + x}+{top + y}", "+repage")
        best = mean_difference(screen, width, 0, 0, rgb(JPEG, "-resize", f"{width}x{height}!"), width, height)
        self.assertLess(best, 4.0)
        # Its 96-DPI size at its 96-DPI place is no longer what is painted there.
        old = rgb(shot, "-crop", f"{WIDTH}x{HEIGHT}+{left + 92}+{top + 52}", "+repage")
        self.assertGreater(mean_difference(old, WIDTH, 0, 0, rgb(JPEG)), best + 8.0)
        self.keys(ABOUT, "enter")
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

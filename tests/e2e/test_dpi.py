"""High DPI: at 144 DPI the setup dialog and the progress window of an
install, and each of their controls, are about half again their size at 96
DPI (the dialog as its font's character cell grows), the dialog keeps its
template's font, and none of its texts is cut off."""

import json
import os
import re
import unittest

import harness
from harness import E2ETestCase

DS_SETFONT = 0x40
# The dialog's FONT line, which the driver's measuring font follows.
with open(os.path.join(harness.SOURCE_DIR, "setup", "SetupDlg.rc"), encoding="utf-8") as rc:
    FONT_POINTS, FONT_FACE = re.search(r'^FONT (\d+), "([^"]+)"', rc.read(), re.M).groups()


def size(rect):
    return rect[2] - rect[0], rect[3] - rect[1]


class HighDpi(E2ETestCase):
    MEDIA_FILES = True

    def install(self, dpi):
        """The setup dialog, what its texts need, and the progress window of
        a default install at a DPI."""
        self.renew(dpi)
        self.start_setup()
        dialog = self.driver.ok("wait-class #32770 30000")
        fit = self.driver.ok("fit %s %s" % (FONT_POINTS, FONT_FACE))["texts"]
        self.driver.ok("press %d" % harness.IDOK)
        self.answer_box(harness.IDYES)
        progress = self.driver.ok("wait-class DoingWnd 30000")
        self.answer_box(harness.IDOK)
        self.assertEqual(0, self.wait_exit())
        return dialog, fit, progress

    def test_the_windows_grow_half_again_at_144_dpi_and_the_dialog_texts_fit(self):
        looks = {dpi: self.install(dpi) for dpi in (96, 144)}
        for dpi, (dialog, fit, _) in looks.items():
            with self.subTest(dpi=dpi):
                self.assertTrue(dialog["style"] & DS_SETFONT)
                self.assertEqual([], [t for t in fit if t["need"][0] > t["has"][0] or t["need"][1] > t["has"][1]])
        # (window, its index in what install returns, least growth): dialog
        # units follow the font's rounded character cell (8x16 pixels at 96
        # DPI, 11x23 at 144 for the setup dialog's 11 points).
        rows = [("setup dialog", 0, 1.35), ("progress window", 2, 1.45)]
        for name, index, least in rows:
            small, big = looks[96][index], looks[144][index]
            rects = [(name, small["rect"], big["rect"])]
            rects += [("%s control %d" % (name, i), a["rect"], b["rect"])
                      for i, (a, b) in enumerate(zip(small["controls"], big["controls"]))]
            self.assertEqual(len(small["controls"]), len(big["controls"]), name)
            for what, a, b in rects:
                for axis, (at96, at144) in zip("xy", zip(size(a), size(b))):
                    with self.subTest(what=what, axis=axis):
                        self.assertGreater(at96, 0, json.dumps(small, ensure_ascii=False))
                        self.assertTrue(least <= at144 / at96 <= 1.55, json.dumps(big, ensure_ascii=False))


if __name__ == "__main__":
    unittest.main()

"""SETUP.EXE start-up: the running-application check and the three modes."""

import os
import shutil
import time
import unittest

from harness import SETUP_EXE, E2ETestCase

APP_MAIN_CLASS = "TARVO_ZUNTO4_MainWnd"
IDOK = 1


class RunningApplication(E2ETestCase):
    def zorder_index(self, classes):
        """Places of the windows in the Z order, or None when one is not listed."""
        for _ in range(50):  # a loaded machine may be slow to list them
            order = [w["class"] for w in self.driver.ok("zorder")["zorder"]]
            if all(c in order for c in classes):
                return [order.index(c) for c in classes]
            time.sleep(0.1)
        return None

    def test_refuses_and_brings_the_application_to_the_top(self):
        # On a loaded machine Wine now and then leaves a freshly made window
        # of the driver out of the desktop's list: such a round is made again.
        for _ in range(3):
            for cls in (APP_MAIN_CLASS, "ZDriveCover"):
                self.driver.cmd("window-destroy " + cls)
            self.driver.ok("window-create %s Zuntoria" % APP_MAIN_CLASS)
            self.driver.ok("window-create ZDriveCover Cover")  # lies above the application
            before = self.zorder_index([APP_MAIN_CLASS, "ZDriveCover"])
            if not before:
                continue
            self.assertGreater(before[0], before[1])

            self.start_setup("/UPDATE")
            box = self.answer_box(IDOK)
            self.assertBox(box, "Zuntoriaを終了してもう一度実行してください", "Zuntoriaのセットアップ")
            self.assertEqual([IDOK], [c["id"] for c in box["controls"] if c["class"].lower() == "button"])
            self.assertEqual(0, self.wait_exit())

            after = self.zorder_index([APP_MAIN_CLASS, "ZDriveCover"])
            if after:
                self.assertLess(after[0], after[1])
                return
        self.fail("the driver's windows were never both listed")


class ProgramPath(E2ETestCase):
    def test_a_program_path_too_long_to_read_is_fatal(self):
        # 284 bytes do not fit the 260-byte buffer: never run from a cut path.
        folder = "C:\\longpath" + ("\\" + "a" * 90) * 3
        os.makedirs(self.prefix.host_path(folder))
        shutil.copy2(SETUP_EXE, self.prefix.host_path(folder + "\\SETUP.EXE"))
        self.start_setup_from_host(folder + "\\SETUP.EXE")
        box = self.answer_box(IDOK)
        self.assertEqual("致命的なエラー！プログラムパス名を取得できません", box["text"])
        self.assertNotEqual(0, self.wait_exit())


if __name__ == "__main__":
    unittest.main()

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
        for _ in range(150):  # a loaded machine may be slow to list them
            order = [w["class"] for w in self.driver.ok("zorder")["zorder"]]
            if all(c in order for c in classes):
                return [order.index(c) for c in classes]
            time.sleep(0.1)
        self.fail("windows %s not listed: %s" % (classes, order))

    def test_refuses_and_brings_the_application_to_the_top(self):
        self.driver.ok("window-create %s Zuntoria" % APP_MAIN_CLASS)
        self.driver.ok("window-create ZDriveCover Cover")  # lies above the application
        main, cover = self.zorder_index([APP_MAIN_CLASS, "ZDriveCover"])
        self.assertGreater(main, cover)

        self.start_setup("/UPDATE")
        box = self.answer_box(IDOK)
        self.assertBox(box, "Zuntoriaを終了してもう一度実行してください", "Zuntoriaのセットアップ")
        self.assertEqual([IDOK], [c["id"] for c in box["controls"] if c["class"].lower() == "button"])
        self.assertEqual(0, self.wait_exit())

        main, cover = self.zorder_index([APP_MAIN_CLASS, "ZDriveCover"])
        self.assertLess(main, cover)


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

"""SETUP.EXE start-up guards: the running application's mutex, a second
setup, and the lock files of the application's versions 6 to 8."""

import time
import unittest

from harness import E2ETestCase

IDOK, IDCANCEL = 1, 2
TITLE = "Zuntoria Ver.８ セットアップ"
APP_MUTEX = "Tarvo Zunto5 Running Mutex"
SETUP_MUTEX = "Tarvo Zunto5 ShareMem SetupMutex"
SERIAL_MUTEX = "Tarvo Zunto5 ShareMem Mutex 500"
COMMON = "C:\\ProgramData\\"
LOCKS = ["TarvoNomiraZunto%dCommonRunning.LCK" % v for v in (6, 7, 8)]
RUNNING_PROMPT = "ズント帳が起動中はセットアップを行えません.\n\nズント帳のウィンドウをすべて閉じて OK を押してください"


# Reports are queued on the service window, which shows the message first
# and the kind's standard text after it.
class Guards(E2ETestCase):
    def assert_locks_gone(self):
        for name in LOCKS:
            self.assertFalse(self.driver.ok("file-exists " + COMMON + name)["exists"], name)

    def test_second_setup_is_refused_and_the_first_keeps_its_mark(self):
        self.driver.ok("mutex-create " + SETUP_MUTEX)  # a setup that is running
        self.start_setup()
        box = self.answer_box(IDOK)
        self.assertBox(box, "ズント帳セットアップがすでに起動中です\n\nエラーです", TITLE)
        self.assertEqual(0, self.wait_exit())
        self.assertTrue(self.driver.ok("mutex-exists " + SETUP_MUTEX)["exists"])
        self.assert_locks_gone()

    def test_setup_waits_while_another_process_holds_the_serialising_mutex(self):
        self.driver.ok("mutex-hold " + SERIAL_MUTEX)
        self.start_setup()
        self.assertEqual("timeout waiting for any", self.driver.cmd("wait any 2000").get("error"))
        self.assertFalse(self.driver.ok("mutex-exists " + SETUP_MUTEX)["exists"])  # no mark taken yet
        self.driver.ok("mutex-close " + SERIAL_MUTEX)
        # It goes on: a window of its flow, or its end.
        answer = self.driver.cmd("wait any 20000", timeout=80)
        self.assertTrue(answer.get("ok") or (answer.get("error"), answer.get("code")) == ("exited", 0), answer)

    def test_running_application_prompt_repeats_until_it_is_gone(self):
        self.driver.ok("mutex-create " + APP_MUTEX)
        self.start_setup("/UPDATE")
        for _ in range(2):
            box = self.answer_box(IDOK)
            self.assertBox(box, RUNNING_PROMPT, TITLE)
            self.assertEqual([IDOK, IDCANCEL], sorted(c["id"] for c in box["controls"] if c["class"].lower() == "button"))
        box = self.wait_box()
        self.assertBox(box, RUNNING_PROMPT, TITLE)
        self.driver.ok("mutex-close " + APP_MUTEX)
        self.driver.ok("press %d" % IDOK)
        self.assertEqual(0, self.wait_exit())
        self.assertFalse(self.driver.ok("mutex-exists " + SETUP_MUTEX)["exists"])
        self.assert_locks_gone()

    def test_cancel_on_the_running_prompt_ends_setup(self):
        self.driver.ok("mutex-create " + APP_MUTEX)
        self.start_setup("/UNINSTALL")
        self.answer_box(IDCANCEL)
        self.assertEqual(0, self.wait_exit())

    def test_lock_file_held_by_version_6_stops_setup(self):
        self.driver.ok("hold " + COMMON + LOCKS[0])
        started = time.monotonic()
        self.start_setup()
        box = self.wait_box()
        self.assertGreaterEqual(time.monotonic() - started, 1.0)
        self.assertBox(box, "Zuntoria６またはセットアップが実行中です\n\nエラーです", TITLE)
        self.driver.ok("press %d" % IDOK)
        self.assertEqual(0, self.wait_exit())
        self.driver.ok("release " + COMMON + LOCKS[0])

    def test_lock_file_held_by_version_8_lets_the_earlier_locks_go(self):
        self.driver.ok("hold " + COMMON + LOCKS[2])
        self.start_setup()
        box = self.answer_box(IDOK)
        self.assertBox(box, "Zuntoria８またはセットアップが実行中です\n\nエラーです", TITLE)
        self.assertEqual(0, self.wait_exit())
        for name in LOCKS[:2]:
            self.assertFalse(self.driver.ok("file-exists " + COMMON + name)["exists"], name)

    def test_stale_lock_files_block_nothing_and_are_deleted(self):
        for name in LOCKS:
            with open(self.prefix.host_path(COMMON + name), "wb"):
                pass
        self.start_setup()
        self.assertEqual(0, self.wait_exit())
        self.assert_locks_gone()


if __name__ == "__main__":
    unittest.main()

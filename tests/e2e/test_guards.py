"""SETUP.EXE start-up guards: the serialising mutex, the running
application's mutex, a second setup, and the lock files of the
application's versions 6 to 8."""

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
    def exists(self, what, name):
        return self.driver.ok("%s-exists %s" % (what, name))["exists"]

    def test_refusals_show_their_box_and_leave_no_lock_of_their_own(self):
        # (what another process holds, the box, the lock files left, at least this long)
        rows = [
            ("mutex-create " + SETUP_MUTEX, "ズント帳セットアップがすでに起動中です\n\nエラーです", [], 0),
            ("hold " + COMMON + LOCKS[0], "Zuntoria６またはセットアップが実行中です\n\nエラーです", [LOCKS[0]], 1.0),
            ("hold " + COMMON + LOCKS[2], "Zuntoria８またはセットアップが実行中です\n\nエラーです", [LOCKS[2]], 1.0),
        ]
        for held, text, left, wait in rows:
            with self.subTest(held=held):
                self.driver.ok(held)
                started = time.monotonic()
                self.start_setup()
                self.assertBox(self.answer_box(IDOK), text, TITLE)
                self.assertGreaterEqual(time.monotonic() - started, wait)
                self.assertEqual(0, self.wait_exit())
                self.assertEqual(left, [n for n in LOCKS if self.exists("file", COMMON + n)])
                self.driver.ok(held.replace("mutex-create", "mutex-close").replace("hold", "release"))
        self.assertFalse(self.exists("mutex", SETUP_MUTEX))

    def test_running_application_prompt_repeats_until_it_is_gone_or_cancelled(self):
        self.driver.ok("mutex-create " + APP_MUTEX)
        self.start_setup("/UPDATE")
        for _ in range(2):
            box = self.answer_box(IDOK)
            self.assertBox(box, RUNNING_PROMPT, TITLE)
            self.assertEqual([IDOK, IDCANCEL], sorted(c["id"] for c in box["controls"] if c["class"].lower() == "button"))
        self.assertBox(self.wait_box(), RUNNING_PROMPT, TITLE)
        self.driver.ok("mutex-close " + APP_MUTEX)
        self.driver.ok("press %d" % IDOK)
        self.answer_box(IDOK)  # past the guards: the flow misses its file list here
        self.assertEqual(0, self.wait_exit())
        self.assertFalse(self.exists("mutex", SETUP_MUTEX))
        self.driver.ok("mutex-create " + APP_MUTEX)
        self.driver.ok('start "%s\\SETUP.EXE" /UNINSTALL' % self.MEDIA)
        self.answer_box(IDCANCEL)
        self.assertEqual(0, self.wait_exit())

    def test_stale_lock_files_block_nothing_and_are_deleted(self):
        for name in LOCKS:
            with open(self.prefix.host_path(COMMON + name), "wb"):
                pass
        self.start_setup()
        self.assertIn("SETUP.LST", self.answer_box(IDOK)["text"])  # past the guards
        self.assertEqual(0, self.wait_exit())
        self.assertEqual([], [n for n in LOCKS if self.exists("file", COMMON + n)])

    def test_setup_waits_while_another_process_holds_the_serialising_mutex(self):
        self.driver.ok("mutex-hold " + SERIAL_MUTEX)
        self.start_setup()
        self.assertEqual("timeout waiting for any", self.driver.cmd("wait any 2000").get("error"))
        self.assertFalse(self.exists("mutex", SETUP_MUTEX))  # no mark taken yet
        self.driver.ok("mutex-close " + SERIAL_MUTEX)
        # It goes on: a window of its flow, or its end.
        answer = self.driver.cmd("wait any 20000", timeout=80)
        self.assertTrue(answer.get("ok") or (answer.get("error"), answer.get("code")) == ("exited", 0), answer)


if __name__ == "__main__":
    unittest.main()

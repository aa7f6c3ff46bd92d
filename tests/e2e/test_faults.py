"""The fault matrix, end to end: twenty setups at once, a cancel before
chosen files, crashes at seeded random points, and paths with 0x5C trail
bytes at the 260-byte limit in every place a path goes. Each row asserts
what the user sees and that nothing is lost."""

import os
import random
import shutil
import subprocess
import time
import unittest

from harness import COMPLETED, DEFAULT_INSTALL, FINAL_QUESTION, IDCANCEL, IDNO, IDOK, IDYES, WINE
from test_flows import (UNDO_KEY, ASK_ABORT, DATA, DESKTOP_LINK, EXISTS, FOUND, PROG, REMOVED, START_LINK, set_shell_folder,
                        WARNING, FlowCase)

IDRETRY = 4
ABORTED = "セットアップを中止しました。\nセットアップは完了してないのでZuntoria Ver.８ は使用できません。"
IN_USE = " へ書き込みできません。\n実行中のアプリケーションをすべて終了して [再試行] をすると書き込みできるかもしれません。"
REFUSALS = ["ズント帳セットアップがすでに起動中です\n\nエラーです"] + [
    "Zuntoria%sまたはセットアップが実行中です\n\nエラーです" % v for v in "６７８"]
LOCKS = ["C:\\ProgramData\\TarvoNomiraZunto%dCommonRunning.LCK" % v for v in (6, 7, 8)]
ENVS = [PROG + "Main\\SHARE.ENV", PROG + "Main\\ZUNTOSHL.ENV", DATA + "COMMON.ENV"]
LINK = "Zuntoria８.LNK"
RECOVERED = "前回のセットアップが途中で終了していたため、そのときの変更を元に戻しました。"


def at_limit(start, tail):
    """A folder below start whose path + tail is 259 bytes in code page 932
    (MAX_PATH with its NUL): components with trail bytes 0x5C, each of them
    ending in one right before its backslash."""
    need = 259 - len(start.encode("cp932")) - len(tail.encode("cp932"))
    folder = start
    while need > 0:
        n = need if need <= 60 else min(60, need - 5)
        folder += "表" + "z" * (n - 5) + "ソ\\"
        need -= n
    return folder


class Faults(FlowCase):
    def read(self, win_path):
        with open(self.host(win_path), "rb") as f:
            return f.read()

    def write(self, win_path, data):
        os.makedirs(os.path.dirname(self.host(win_path)), exist_ok=True)
        with open(self.host(win_path), "wb") as f:
            f.write(data)

    def test_twenty_setups_at_once_one_proceeds_the_others_refuse(self):
        procs = [subprocess.Popen([WINE, self.MEDIA + "\\SETUP.EXE"], env=self.prefix.env, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) for _ in range(20)]
        for proc in procs:
            self.addCleanup(proc.kill)
        refusals, dialogs, seen = [], [], set()
        deadline = time.monotonic() + 300
        while any(proc.poll() is None for proc in procs):
            self.assertLess(time.monotonic(), deadline, refusals)
            for w in self.driver.ok("all SETUP.EXE")["windows"]:
                # The one that goes on is cancelled once all the others have refused.
                if w["hwnd"] in seen or w["kind"] == "window" or (w["kind"] == "dialog" and len(refusals) < 19):
                    continue
                seen.add(w["hwnd"])
                if w["kind"] == "dialog":
                    dialogs.append(w)
                elif w["text"] != ASK_ABORT:
                    refusals.append(w["text"])
                self.driver.ok("select " + w["hwnd"])
                self.driver.ok("press %d" % (IDCANCEL if w["kind"] == "dialog" else
                                             IDYES if w["text"] == ASK_ABORT else IDOK))
            time.sleep(0.2)
        self.assertEqual(1, len(dialogs))
        self.assertEqual(19, len(refusals))
        for text in refusals:
            self.assertIn(text, REFUSALS)
        self.assertEqual([0] * 20, [proc.returncode for proc in procs])
        for path in LOCKS:
            self.assertFalse(self.exists(path), path)
        self.assertFalse(self.driver.ok("mutex-exists Tarvo Zunto5 ShareMem SetupMutex")["exists"])

    def test_crashes_at_seeded_points_are_undone_by_the_next_setup(self):
        # An installed machine; each round kills an installation over it,
        # then the next setup restores the machine before its first question
        # and installs again to the end.
        self.START_INSTALLED = True
        self.renew()
        installed = {path: self.read(path) for path in ENVS}
        answers = {FOUND: IDNO, WARNING: IDNO, EXISTS % PROG: IDYES, FINAL_QUESTION: IDYES, COMPLETED: IDOK,
                   RECOVERED: IDOK}

        midway = False

        def run_until(last, seen=None):
            while True:
                w = self.driver.ok("wait any 30000", timeout=90)
                if w["kind"] == "window":
                    continue
                self.assertIn(w.get("text", "dialog"), list(answers) + ["dialog"])
                if w.get("text") == FOUND and seen is not None:  # nothing changed yet by this setup
                    expected, now = seen[0], self.snapshot()
                    if not midway:  # killed before the first change or after the last: the same bytes
                        # (a link made again holds new times)
                        expected, now = [({k: k.endswith(".LNK") or v[0] for k, v in x[0].items()}, x[1])
                                         for x in (expected, now)]
                    self.assert_same(expected, now)
                    seen.append(FOUND)
                self.driver.ok("press %d" % answers.get(w.get("text"), IDOK))
                if w.get("text") == last:
                    return

        rng, midways = random.Random(8040), []
        for round in range(8):
            with self.subTest(round=round):
                before = self.snapshot()
                self.driver.ok("kill")
                self.start_setup()
                run_until(FINAL_QUESTION)
                if round % 2:
                    time.sleep(rng.uniform(0, 2.0))  # anywhere in the installation
                else:  # while a settings file is being saved
                    self.driver.cmd("kill-on %d %s.BAK" % (rng.randrange(3), rng.choice(ENVS)), timeout=90)
                self.driver.ok("kill")
                midway = self.reg(UNDO_KEY, "State") is not None  # the journal of a run that did not end
                midways.append(midway)
                self.start_setup()
                seen = [before]
                run_until(COMPLETED, seen)
                self.assertEqual([before, FOUND], seen)
                self.assertEqual(0, self.wait_exit())
                self.assertEqual(installed, {path: self.read(path) for path in ENVS})
                self.assert_installed()
        self.assertIn(True, midways)  # some kills came in the middle of a run

    def test_paths_with_trail_bytes_at_the_length_limit_everywhere(self):
        rows = [
            # (what: the folder at the limit, with the longest path in it; prog, data, start-menu and desktop
            # folders, media folder)
            ("program folder", at_limit("C:\\", "Samples\\帳票サンプル.TXT"), None, None, None, None),
            ("data folder", None, at_limit("C:\\", "TarvoNomiraZunto8CommonAppData\\COMMON.ENV.BAK"), None, None,
             None),
            ("link folders", None, None, at_limit("C:\\", LINK), at_limit("C:\\D", LINK), None),
            ("source folder", None, None, None, None, at_limit("C:\\", "見本\\勘定科目表.TX_")),
        ]
        for what, prog, common, start, desktop, media in rows:
            with self.subTest(what):
                self.renew()
                self.prog = prog or PROG
                self.data = common + "TarvoNomiraZunto8CommonAppData\\" if common else DATA
                self.links = (start + LINK if start else START_LINK, desktop + LINK if desktop else DESKTOP_LINK)
                for value, name in ((common, "Common AppData"), (start, "Common Programs"),
                                    (desktop, "Common Desktop")):
                    if value:
                        os.makedirs(self.host(value))
                        set_shell_folder(self.driver, name, value[:-1])
                if media:
                    shutil.copytree(self.host(self.MEDIA), self.host(media[:-1]))
                self.driver.ok('start "%sSETUP.EXE"' % (media or self.MEDIA + "\\"))
                if prog:
                    self.driver.ok("wait-class #32770 30000")
                    self.driver.ok("settext 121 " + prog[:-1])
                self.walk(DEFAULT_INSTALL)
                self.assertEqual(0, self.wait_exit())
                self.assert_installed()
                ask = ("Zuntoria Ver.８ をこのコンピュータから削除しますか？\n\n（以下のフォルダが削除されます）\r\n"
                       + self.prog + "\r\n" + self.data)
                self.assertEqual(0, self.uninstall([(ask, IDYES), (REMOVED, IDOK)])[0])
                self.assert_removed()


if __name__ == "__main__":
    unittest.main()

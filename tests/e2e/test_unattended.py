"""Unattended runs (/SILENT /LOG): SETUP.EXE answers its own boxes, ends by
itself with an exit code a script can test, and logs every step."""

import glob
import os
import re
import shutil
import subprocess
import unittest

from harness import BUILD_DIR, COMPLETED, DEFAULT_INSTALL, FINAL_QUESTION, WINE
from test_flows import ASK_REMOVE, DATA, DATA_KEY, DESKTOP_LINK, PROG, START_LINK, UNINSTALL_KEY, FlowCase

TITLE, REMOVAL = "Zuntoria Ver.８ セットアップ", "Zuntoria８ の削除"


def box(title, text, answer):
    return "BOX %s: %s -> %s" % (title, re.sub(r"[\r\n]+", " ", text), answer)


class Unattended(FlowCase):
    def silent(self, args, code, lines=(), exe=None, env=None):
        """Runs SETUP.EXE /SILENT /LOG (a box left waiting would time out),
        checks its exit code and lines of its log; returns the log."""
        ended = subprocess.run([WINE, exe or self.MEDIA + "\\SETUP.EXE", "/SILENT", "/LOG=C:\\setup.log"] + args,
                               env=env or self.prefix.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=120).returncode
        with open(self.host("C:\\setup.log"), "rb") as f:
            log = [line[18:] for line in f.read().decode("cp932").splitlines()]  # without the time
        self.assertEqual((code, "EXIT %d" % code), (ended, log[-2]))
        for line in lines:
            self.assertIn(line, log)
        return log

    def test_install_update_and_uninstall_without_a_question(self):
        log = self.silent([], 0, ["MODE install", "PROGRAM " + PROG, "DATA " + DATA, "SECTION Files2",
                                  "SAVE " + DATA + "COMMON.ENV", "REG %s|AppDir = %s" % (DATA_KEY, PROG),
                                  "LINK " + START_LINK, "LINK " + DESKTOP_LINK, "ACCESS " + DATA[:-1],
                                  box(TITLE, FINAL_QUESTION, "YES"), box(TITLE, COMPLETED, "OK")])
        self.assert_installed()
        copies = [line[5:].rsplit(" ", 1) for line in log if line.startswith("COPY ")]
        for path, size in copies:
            if not path.endswith(".ENV"):  # saved again afterwards
                self.assertEqual(os.path.getsize(self.host(path)), int(size), path)
        entry = [("UninstallString", '"%sSETUP.EXE" /uninstall' % PROG), ("DisplayName", "Zuntoria Ver.８"),
                 ("DisplayIcon", PROG + "Main\\ZUNTO8.EXE,0"), ("DisplayVersion", "8.040"), ("Publisher", "Tarvo"),
                 ("InstallLocation", PROG), ("EstimatedSize", (sum(int(s) for _, s in copies) + 1023) // 1024),
                 ("NoModify", 0), ("NoRepair", 1), ("QuietUninstallString", '"%sSETUP.EXE" /uninstall /SILENT' % PROG),
                 ("ModifyPath", '"%sSETUP.EXE" /REPAIR' % PROG)]
        for name, value in entry:
            answer = self.driver.ok("reg-get %s|%s" % (UNINSTALL_KEY, name))
            self.assertEqual(value, answer.get("text", answer.get("dword")), name)
        written = [line.split("|")[1].split(" = ")[0] for line in log if line.startswith("REG " + UNINSTALL_KEY)]
        self.assertEqual([name for name, _ in entry], written)

        self.set_version(8039)
        self.silent(["/UPDATE"], 0, ["SECTION Update"])
        self.assertIn("Version=8040\r\n", self.env_text(DATA + "COMMON.ENV"))
        size = os.path.getsize(self.host(PROG + "Main\\ZUNTO8.EXE"))
        self.silent(["/UNINSTALL"], 0, [box(REMOVAL, ASK_REMOVE, "YES"), "REMOVE %sMain\\ZUNTO8.EXE %d" % (PROG, size),
                                        "REG-DELETE " + UNINSTALL_KEY, box(REMOVAL, "削除しました", "OK")],
                    exe=PROG + "SETUP.EXE")
        self.assert_removed()
        self.silent(["/NOICON", "/DIR=C:\\表ソ"], 0)
        self.assertEqual(("C:\\表ソ\\", ""), (self.reg(DATA_KEY, "AppDir"), self.reg(DATA_KEY, "pathShortcut2")))
        self.assertFalse(self.exists(DESKTOP_LINK))

    def test_exit_codes_of_runs_that_end_early(self):
        disk = "Zuntoria Ver.８ ディスク 1 を C:\\media\\ にセットして [OK] ボタンを押して下さい"
        in_use = " へ書き込みできません。\n実行中のアプリケーションをすべて終了して [再試行] をすると書き込みできるかもしれません。"
        rows = [
            # (what, installed first, preparation, arguments, exit code, a line of the log)
            ("application running", False, lambda: self.driver.ok("mutex-create Tarvo Zunto5 Running Mutex"), [], 2,
             box(TITLE, "ズント帳が起動中はセットアップを行えません.\n\nズント帳のウィンドウをすべて閉じて OK を押してください",
                 "CANCEL")),
            ("a folder that is no full path", False, None, ["/DIR=Zunto"], 2,
             box(TITLE, "正しいフォルダ名を入力して下さい", "OK")),
            ("version already installed", True, None, [], 2,
             box(TITLE, "フォルダ:%s\n\n同じかより新しいバージョンがインストール済みです。更新は必要ありません。" % PROG, "OK")),
            ("a source file missing", False, lambda: self.remove(self.MEDIA + "\\ZUNTOSHL.EX_"), [], 3,
             box("ZUNTOSHL.EX_のコピー", disk, "CANCEL")),
            ("a program file in use past the retries", True,
             lambda: (self.set_version(8039), self.driver.ok("hold %sMain\\ZUNTO8.EXE" % PROG)), ["/UPDATE"], 3,
             box(TITLE, PROG + "Main\\ZUNTO8.EXE" + in_use, "CANCEL")),
        ]
        for what, installed, prepare, args, code, line in rows:
            with self.subTest(what):
                self.START_INSTALLED = installed
                self.renew()
                if prepare:
                    prepare()
                self.silent(args, code, [line])
                self.assertEqual(installed, self.exists(PROG))  # 2: nothing changed; 3: undone

    def test_dlls_planted_beside_setup_are_never_loaded(self):
        names = ["lz32", "uxtheme", "comctl32", "secur32"]
        for interactive in (False, True):  # only an interactive run shows the progress bar (comctl32)
            with self.subTest(interactive=interactive):
                self.renew()
                # Wine prefers its own DLLs; "n,b" makes it look in the program's folder first, as Windows does.
                env = dict(self.prefix.env, WINEDLLOVERRIDES="%s=n,b;mscoree,mshtml=" % ",".join(names))
                for name in names:
                    shutil.copy(os.path.join(BUILD_DIR, "planted", name + ".dll"), self.host(self.MEDIA))
                if interactive:
                    proc = subprocess.Popen([WINE, self.MEDIA + "\\SETUP.EXE"], env=env, stdin=subprocess.DEVNULL,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                    self.addCleanup(proc.kill)
                    self.driver.ok("attach SETUP.EXE 30000")
                    self.walk(DEFAULT_INSTALL)
                    self.assertEqual(0, proc.wait(timeout=60))
                else:
                    self.silent([], 0, env=env)
                self.assertEqual([], glob.glob(self.host(self.MEDIA) + "/*.LOADED"))
                self.assert_installed()

    def test_the_media_folder_as_the_program_folder_keeps_its_files(self):
        names = ["README.TXT", "SETUP.EXE"]
        before = [open(self.host(self.MEDIA + "\\" + n), "rb").read() for n in names]
        self.silent(["/DIR=" + self.MEDIA], 0)  # each file is its own source: left as it is
        self.assertEqual(before, [open(self.host(self.MEDIA + "\\" + n), "rb").read() for n in names])


if __name__ == "__main__":
    unittest.main()

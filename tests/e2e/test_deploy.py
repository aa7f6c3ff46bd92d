"""For the person who deploys: the media checked against SETUP.SUM
(/VERIFY, and a copy that fails on a damaged file), and the repair of an
installed copy (/REPAIR) from the media or from the program folder."""

import os
import shutil
import unittest

from harness import BUILT_MEDIA
from test_flows import DATA, DATA_KEY, PROG, START_LINK, UNINSTALL_KEY, FlowCase
import test_unattended  # not its class: this module would run its tests too
from test_unattended import TITLE, box

ALL_WELL = "インストールメディアを確認しました。\n\nファイル 10 個はすべて正常です。"
PROBLEMS = ("インストールメディアに問題があります。次のファイルを確認してください：\n%s"
            "\n\nメディアを作り直すか、正しいメディアからセットアップしてください。")
NO_SUM = "このメディアには確認用のファイル SETUP.SUM がないため、メディアのファイルを確認できません。"
DAMAGED = ("インストールメディアが壊れています。次のファイルの内容が SETUP.SUM と一致しません：\n\n  %s"
           "\n\nメディアを作り直すか、正しいメディアからセットアップしてください。")
REPAIRED = ("Zuntoria Ver.８ を修復しました。\n\nコピーし直したファイル：%s\n\nレジストリの記録、文書の関連付け、"
            "アンインストール情報、ショートカット、共有データフォルダのアクセス権を書き直しました。設定ファイルはそのままです。")
NO_MEDIA = "Zuntoria Ver.８ ディスク 1 を C:\\moved\\ にセットして [OK] ボタンを押して下さい"
OTHER_VERSION = "フォルダ:%s\n\nインストールされているバージョンがこのメディアと異なるため、修復できません。更新またはセットアップを行ってください。"
OTHER_MEDIA = ("記録されているメディア C:\\media\\ の内容がインストールしたときと異なるため、修復に使えません。\n"
               "正しいメディアの SETUP.EXE を /REPAIR を付けて実行してください。")


class Deploy(FlowCase):
    silent = test_unattended.Unattended.silent

    def spoil(self, win_path, how):
        """Damages a file: "cut" halves it, "byte" flips its first byte, "gone" removes it."""
        path = self.host(win_path)
        if how == "gone":
            return os.remove(path)
        with open(path, "rb") as f:
            data = f.read()
        data = data[:len(data) // 2] if how == "cut" else bytes([data[0] ^ 1]) + data[1:]
        with open(path, "wb") as f:
            f.write(data)

    def read(self, win_path):
        with open(self.host(win_path), "rb") as f:
            return f.read()

    def append(self, win_path, data):
        with open(self.host(win_path), "ab") as f:
            f.write(data)

    def test_verify_names_each_missing_or_damaged_file(self):
        rows = [  # (what, files spoiled on the media, exit code, lines of the log)
            ("sound media", [], 0, ["SOUND SETUP.LST", "SOUND 見本\\勘定科目表.TX_", box(TITLE, ALL_WELL, "OK")]),
            ("damaged and missing", [("README.TXT", "byte"), ("見本\\勘定科目表.TX_", "cut"), ("SHARE.ENV", "gone")], 2,
             ["DAMAGED README.TXT", "MISSING SHARE.ENV", "SOUND SETUP.EXE",
              box(TITLE, PROBLEMS % "\n  壊れています：README.TXT\n  見つかりません：SHARE.ENV\n"
                  "  壊れています：見本\\勘定科目表.TX_", "OK")]),
            ("media of an older release", [("SETUP.SUM", "gone")], 2, [box(TITLE, NO_SUM, "OK")]),
        ]
        for what, spoiled, code, lines in rows:
            with self.subTest(what):
                self.renew()
                for name, how in spoiled:
                    self.spoil(self.MEDIA + "\\" + name, how)
                self.silent(["/VERIFY"], code, ["MODE verify"] + lines)

    def test_an_install_from_damaged_media_names_the_file_and_is_undone(self):
        rows = [  # (what, SETUP.SUM kept, a line of the log)
            ("checked media", True, box(TITLE, DAMAGED % "ZUNTO8.EX_", "OK")),
            ("media without SETUP.SUM", False, box(TITLE, self.MEDIA + "\\ZUNTO8.EX_ 読み込みに失敗", "OK")),
        ]
        for what, summed, line in rows:
            with self.subTest(what):
                self.renew()
                self.spoil(self.MEDIA + "\\ZUNTO8.EX_", "cut")
                if not summed:
                    self.spoil(self.MEDIA + "\\SETUP.SUM", "gone")
                log = self.silent([], 3, [line])
                self.assertEqual(summed, "DAMAGED ZUNTO8.EX_" in log)
                self.assertFalse(self.exists(PROG))

    def test_repair_copies_what_is_missing_or_differs_and_keeps_the_settings(self):
        self.silent([], 0)
        media = self.reg(DATA_KEY, "MediaDir")
        self.assertEqual(self.MEDIA + "\\", media)
        self.assertEqual((0, '"%sSETUP.EXE" /REPAIR' % PROG),
                         (self.reg(UNINSTALL_KEY, "NoModify"), self.reg(UNINSTALL_KEY, "ModifyPath")))
        self.set_version(8039)  # another version is updated, not repaired
        self.silent(["/REPAIR"], 2, [box(TITLE, OTHER_VERSION % PROG, "OK")])
        self.set_version(8040)
        settings = [PROG + "Main\\SHARE.ENV", DATA + "COMMON.ENV"]
        self.append(settings[0], "[会社選択]\r\nFolder=C:\\帳簿\r\n".encode("cp932"))
        kept = [self.read(p) for p in settings]
        self.spoil(PROG + "Main\\ZUNTO8.EXE", "gone")
        self.spoil(PROG + "README.TXT", "cut")
        self.remove(START_LINK)
        self.driver.ok("reg-set %s|DisplayName|?" % UNINSTALL_KEY)
        repaired = "\n  %sREADME.TXT\n  %sMain\\ZUNTO8.EXE" % (PROG, PROG)
        log = self.silent(["/REPAIR"], 0, ["MODE repair", box(TITLE, REPAIRED % repaired, "OK")],
                          exe=PROG + "SETUP.EXE")
        self.assertEqual((2, 7), tuple(sum(line.startswith(tag) for line in log) for tag in ("COPY ", "KEEP ")))
        self.assertEqual(kept, [self.read(p) for p in settings])
        self.assert_installed()

        # From the program folder, the recorded media count only as far as
        # the SETUP.SUM recorded with them vouches for them.
        self.spoil(PROG + "Main\\ZUNTOSHL.EXE", "gone")
        with open(self.host(self.MEDIA + "\\SETUP.SUM"), "rb") as f:
            sums = f.read()
        rows = [  # (what, MediaDir, what is done to the media, exit code, a line of the log)
            ("media moved away", "C:\\moved\\", None, 2, box(TITLE, NO_MEDIA, "CANCEL")),
            ("a file damaged", None, lambda: self.spoil(self.MEDIA + "\\ZUNTOSHL.EX_", "byte"), 3,
             box(TITLE, DAMAGED % "ZUNTOSHL.EX_", "OK")),
            ("SETUP.SUM changed with it", None, lambda: self.append(self.MEDIA + "\\SETUP.SUM", b"\r\n"),
             2, box(TITLE, OTHER_MEDIA, "OK")),
        ]
        for what, folder, change, code, line in rows:
            with self.subTest(what):
                self.driver.ok("reg-set %s|MediaDir|%s" % (DATA_KEY, folder or self.MEDIA + "\\"))
                if change:
                    change()
                self.silent(["/REPAIR"], code, [line], exe=PROG + "SETUP.EXE")
                self.assertFalse(self.exists(PROG + "Main\\ZUNTOSHL.EXE"))
        stage = os.path.join(BUILT_MEDIA, "ZUNTOSHL.EX_")
        shutil.copy2(stage, self.host(self.MEDIA + "\\ZUNTOSHL.EX_"))
        with open(self.host(self.MEDIA + "\\SETUP.SUM"), "wb") as f:
            f.write(sums)
        self.silent(["/REPAIR"], 0, ["SOURCE %s\\" % self.MEDIA])  # from the media: recorded again
        self.assertEqual(self.MEDIA + "\\", self.reg(DATA_KEY, "MediaDir"))
        self.assert_installed()


if __name__ == "__main__":
    unittest.main()

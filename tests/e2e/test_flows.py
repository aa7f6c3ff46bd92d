"""The three flows of SETUP.EXE end to end on the sample media: each row
sets a machine up, answers the boxes in order, and checks the exit code and
what is left on disk and in the registry, read from outside the program."""

import os
import re
import subprocess
import time
import unittest

from harness import (BUILT_MEDIA, COMPLETED, DEFAULT_INSTALL, FINAL_QUESTION, IDCANCEL, IDNO, IDOK, IDYES, WINE,
                     E2ETestCase)

PROG = "C:\\Program Files (x86)\\TarvoNomiraZunto8\\"
DATA = "C:\\ProgramData\\TarvoNomiraZunto8CommonAppData\\"
DATA_KEY = "HKLM\\software\\tarvo\\zunto8\\data"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarvoNomiraZunto8"
START_LINK = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Zuntoria８.LNK"
DESKTOP_LINK = "C:\\users\\Public\\Desktop\\Zuntoria８.LNK"

ASK_ABORT = "セットアップを中止しますか？"
FOUND = ("以下のフォルダに「Zuntoria Ver.８」を見つけました。このズント帳を更新（上書きインストール）しますか？\n\n"
         + PROG + "\n\n（すでに存在する帳簿データや設定はそのまま残ります）")
WARNING = ("Zuntoria Ver.８ はすでにインストールされています。\n\n"
           "このままセットアップを続けると、既存のZuntoria Ver.８のアンインストールができなくなります。\n\n"
           "別な場所にズント帳をセットアップしたい場合は、既存のズント帳をアンインストールしてからにすることをお勧めします。\n\n"
           "セットアップを中止しますか？\n\n[いいえ]を選択してセットアップを続行することもできます。\n\n")
CONFIRM_UPDATE = "以下のフォルダにインストール済みのZuntoria Ver.８を更新します。よろしいですか？\n\n" + PROG
NOT_FOUND = "Zuntoria Ver.８が見つかりません"
UP_TO_DATE = "フォルダ:" + PROG + "\n\n同じかより新しいバージョンがインストール済みです。更新は必要ありません。"
ASK_REMOVE = ("Zuntoria Ver.８ をこのコンピュータから削除しますか？\n\n（以下のフォルダが削除されます）\r\n"
              + PROG + "\r\n" + DATA)
REMOVED, REMOVE_FAILED = "削除しました", "削除に失敗しました"
SHARED_KEPT = ("\r\n\r\n登録されているのは別のフォルダのコピーのため、共有データフォルダと登録情報は削除しませんでした。\r\n"
               "登録されているフォルダ：")
EXISTS = "指定のプログラムフォルダ\n\n  %s\n\nは既に存在します.\n\n同名のファイルは上書きされます。よろしいですか？"
CANNOT_DELETE = PROG + "Main\\ZUNTO8.EXE\n\n削除できません"
DENIED = "\n\nアクセスは拒否されました。"
SHELL_FOLDERS = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"


def set_shell_folder(driver, name, value, root="HKLM"):
    """In both registry views: the shell of either build reads its own."""
    for view in (root, root + "64"):
        driver.ok("reg-set %s\\%s|%s|%s" % (view, SHELL_FOLDERS, name, value))
OPEN_FAILED = "ファイル %s をオープンできません.\n\nパスまたはファイルが見つかりません。"

UNDO_KEY = "HKLM\\software\\tarvo\\zunto8\\undo"
SNAPSHOT_VALUES = ([(DATA_KEY, n) for n in ("AppDir", "KeyAppDir", "pathShortcut1", "pathShortcut2", "MediaDir")] +
                   [(UNINSTALL_KEY, n) for n in ("UninstallString", "DisplayName", "DisplayIcon", "EstimatedSize",
                                                 "ModifyPath")] +
                   [("HKCR\\.QDA", ""), ("HKCR\\TarvoSorvekDocument8", ""),
                    ("HKCR\\TarvoSorvekDocument8\\DefaultIcon", ""),
                    ("HKCR\\TarvoSorvekDocument8\\shell\\open\\command", ""), (UNDO_KEY, "State")])

PROGRAM_FILES = ["SETUP.EXE", "README.TXT", "Main\\ZUNTO8.EXE", "Main\\ZUNTOSHL.EXE", "Main\\SHARE.ENV",
                 "Main\\ZUNTOSHL.ENV", "Samples\\勘定科目表.TXT", "Samples\\帳票サンプル.TXT"]


class FlowCase(E2ETestCase):
    MEDIA_FILES = True
    # Where an installation goes; a row may move any of them.
    prog, data, links = PROG, DATA, (START_LINK, DESKTOP_LINK)

    def records(self):
        prog = self.prog
        return [(DATA_KEY, "AppDir", prog), (DATA_KEY, "KeyAppDir", prog.upper()),
                (DATA_KEY, "pathShortcut1", self.links[0]), (DATA_KEY, "pathShortcut2", self.links[1]),
                (UNINSTALL_KEY, "UninstallString", '"%sSETUP.EXE" /uninstall' % prog),
                (UNINSTALL_KEY, "ModifyPath", '"%sSETUP.EXE" /REPAIR' % prog),
                (UNINSTALL_KEY, "DisplayName", "Zuntoria Ver.８"),
                ("HKCR\\.QDA", "", "TarvoSorvekDocument8"),
                ("HKCR\\TarvoSorvekDocument8", "", "Zuntoria Ver.８ 会計データ(QDA)"),
                ("HKCR\\TarvoSorvekDocument8\\DefaultIcon", "", prog + "Main\\ZUNTO8.EXE,3"),
                ("HKCR\\TarvoSorvekDocument8\\shell\\open\\command", "", '"%sMain\\ZUNTOSHL.EXE" "%%1"' % prog)]

    # ---- the machine, read from outside -----------------------------------

    def host(self, win_path):
        return self.prefix.host_path(win_path)

    def exists(self, win_path):
        return os.path.exists(self.host(win_path))

    def reg(self, key, name):
        answer = self.driver.ok("reg-get %s|%s" % (key, name))
        return answer.get("text", answer.get("dword")) if answer["exists"] else None

    def snapshot(self, *more):
        """The machine as an installation sees it: files with their bytes
        and times under the program, data and link folders (and the host
        folders `more`),
        and the product's registry values in both views."""
        files = {}
        folders = [PROG, DATA, START_LINK.rsplit("\\", 1)[0], DESKTOP_LINK.rsplit("\\", 1)[0]]
        for folder in [self.host(f) for f in folders] + list(more):  # `more`: host paths
            for root, dirs, names in os.walk(folder):
                for name in dirs + names:
                    path = os.path.join(root, name)
                    is_file = os.path.isfile(path)
                    files[path] = (open(path, "rb").read() if is_file else None,
                                   os.lstat(path).st_mtime_ns if is_file else None)
        views = lambda key: [key, "HKLM64" + key[4:]] if key.startswith("HKLM") else [key]
        registry = {(view, name): self.reg(view, name) for key, name in SNAPSHOT_VALUES for view in views(key)}
        return files, registry

    def assert_same(self, before, after):
        """Names what differs, not megabytes of bytes."""
        for kind, old, new in zip(("file", "registry"), before, after):
            differ = sorted(str(k) for k in set(old) | set(new) if old.get(k) != new.get(k))
            self.assertEqual([], differ, kind)

    def env_text(self, win_path):
        with open(self.host(win_path), "rb") as f:
            return f.read().decode("cp932")

    def set_version(self, version):
        """Rewrites the installed version in COMMON.ENV (None removes it)."""
        text = re.sub(r"Version=-?\d+\r\n", "", self.env_text(DATA + "COMMON.ENV"))
        if version is not None:
            text = text.replace("[ズント帳]\r\n", "[ズント帳]\r\nVersion=%d\r\n" % version)
        with open(self.host(DATA + "COMMON.ENV"), "wb") as f:
            f.write(text.encode("cp932"))

    def remove(self, win_path):
        os.remove(self.host(win_path))

    # ---- runs -------------------------------------------------------------

    def run_setup(self, exe, args, steps):
        self.driver.ok("kill")  # a setup a failed row left waiting
        self.driver.ok('start "%s" %s' % (exe, args))
        seen = self.walk(steps)
        return self.wait_exit(60000), seen

    def install(self, args="", steps=DEFAULT_INSTALL):
        return self.run_setup(self.MEDIA + "\\SETUP.EXE", args, steps)

    def uninstall(self, steps):
        return self.run_setup(self.prog + "SETUP.EXE", "/UNINSTALL", steps)

    # ---- what an installation leaves ----------------------------------------

    def assert_installed(self):
        prog, common = self.prog, self.data + "COMMON.ENV"
        for name in PROGRAM_FILES:
            self.assertTrue(self.exists(prog + name), name)
        with open(os.path.join(BUILT_MEDIA, "..", "standin", "ZUNTO8.EXE"), "rb") as f:
            with open(self.host(prog + "Main\\ZUNTO8.EXE"), "rb") as g:
                self.assertEqual(f.read(), g.read())  # expanded byte for byte
        for key, name, value in self.records():
            self.assertEqual(value, self.reg(key, name), (key, name))
        self.assertIn("[ズント帳]\r\n", self.env_text(common))
        self.assertIn("Version=8040\r\n", self.env_text(common))
        self.assertIn("[Default]\r\n会社名=\r\n名前=\r\n", self.env_text(common))
        for link in self.links:
            info = subprocess.run(["lnkinfo", "-c", "windows-932", self.host(link)], capture_output=True,
                                  text=True).stdout
            shell = prog + "Main\\ZUNTOSHL.EXE"  # started without arguments, with its icon
            for line in ("Local path\t\t\t: " + shell, "Icon location\t\t\t: " + shell, "Icon index\t\t\t: 0",
                         "Description\t\t\t: Zuntoria８", "Command line arguments\t\t: "):
                self.assertIn("\t%s\n" % line, info)

    def assert_removed(self, records_stay=False):
        self.assertFalse(self.exists(self.data))
        self.assertFalse(self.exists(self.prog + "Main"))
        for name in ("SETUP.EXE", "README.TXT", "Samples\\帳票サンプル.TXT"):  # only Main goes
            self.assertTrue(self.exists(self.prog + name), name)
        for key, name, value in self.records():
            if name != "KeyAppDir":  # the other copy's
                self.assertEqual(value if records_stay else None, self.reg(key, name), (key, name))
        for link in self.links:
            self.assertEqual(records_stay, self.exists(link), link)


class FreshMachine(FlowCase):
    def test_a_fresh_installation_with_the_default_answers(self):
        code, seen = self.install()
        self.assertEqual(0, code)
        dialog = {c["id"]: c["text"] for c in seen[0]["controls"]}
        self.assertEqual(PROG[:-1], dialog[121])  # proposed without a trailing backslash
        self.assertEqual(("ｷｬﾝｾﾙ", "デスクトップへのアイコン登録"), (dialog[IDCANCEL], dialog[151]))
        self.assert_installed()
        self.assertEqual("Zuntoria Ver.８ のセットアップ", seen[0]["title"])

    def hide_start_menus(self, own_too=True):
        set_shell_folder(self.driver, "Common Programs", "Q:\\nowhere")
        if own_too:
            set_shell_folder(self.driver, "Programs", "Q:\\nowhere", "HKCU")

    def test_the_users_own_start_menu_when_there_is_no_common_one(self):
        self.hide_start_menus(own_too=False)
        self.assertEqual(0, self.install()[0])
        link = self.reg(DATA_KEY, "pathShortcut1")
        self.assertRegex(link, r"^C:\\users\\[^\\]+\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Zuntoria８\.LNK$")
        self.assertTrue(self.exists(link))

    def test_each_mode_reaches_its_own_flow_and_ends_before_installing(self):
        ask_remove_media = ASK_REMOVE.replace(PROG, self.MEDIA + "\\")
        rows = [
            # (what, preparation, arguments, steps, exit code)
            ("setup dialog cancelled", None, "", [(None, IDCANCEL), (ASK_ABORT, IDYES)], 0),
            ("cancel declined, then cancelled", None, "",
             [(None, IDCANCEL), (ASK_ABORT, IDNO), (None, IDCANCEL), (ASK_ABORT, IDYES)], 0),
            ("a quoted switch is a word", None, '"/UNINSTALL" junk', [(None, IDCANCEL), (ASK_ABORT, IDYES)], 0),
            ("/UPDATE without version 8", None, "/update", [(NOT_FOUND, IDOK)], 0),
            ("/UNINSTALL /UPDATE: the update wins", None, "/uninstall /update", [(NOT_FOUND, IDOK)], 0),
            ("/UNINSTALL declined", None, "/UNINSTALL", [(ask_remove_media, IDNO)], 1),
            ("registry record cannot be opened", lambda: self.driver.ok("reg-sddl %s D:(A;;KR;;;WD)" % DATA_KEY),
             "", [("レジストリの読み取りに失敗。管理者権限で実行してください。" + DENIED, IDOK)], 0),
            ("no Start-menu folder at all", self.hide_start_menus, "",
             [("スタートメニューのプログラムフォルダを検出できません", IDOK)], 0),
            ("SETUP.LST missing", lambda: self.remove(self.MEDIA + "\\SETUP.LST"), "",
             [(OPEN_FAILED % (self.MEDIA + "\\SETUP.LST"), IDOK)], 0),
        ]
        for what, prepare, args, steps, code in rows:
            with self.subTest(what):
                self.renew()
                if prepare:
                    prepare()
                self.assertEqual(code, self.install(args, steps)[0])
                self.assertFalse(self.exists(PROG))
                self.assertFalse(self.exists(DATA))
                self.assertIsNone(self.reg(DATA_KEY, "AppDir"))


    def test_a_close_request_to_the_background_window_is_ignored(self):
        self.driver.ok('start "%s\\SETUP.EXE"' % self.MEDIA)
        self.driver.ok("wait-class BackgroundWindow 30000")
        self.driver.ok("close")  # the setup dialog it owns must stay and end the run
        self.walk([(None, IDCANCEL), (ASK_ABORT, IDYES)])
        self.assertEqual(0, self.wait_exit())


class InstalledMachine(FlowCase):
    START_INSTALLED = True

    def test_install_and_update_rows_over_an_installed_copy(self):
        rows = [
            # (what, version in COMMON.ENV, files removed, arguments, steps, version afterwards)
            ("found copy updated on Yes", 8039, [], "", [(FOUND, IDYES), (COMPLETED, IDOK)], 8040),
            ("found copy kept: No, then Yes at the warning", 8039, [], "", [(FOUND, IDNO), (WARNING, IDYES)], 8039),
            ("found copy declined and installed afresh", 8039, [], "",
             [(FOUND, IDNO), (WARNING, IDNO), (None, IDOK), (EXISTS % PROG, IDYES),
              (FINAL_QUESTION, IDYES), (COMPLETED, IDOK)], 8040),
            ("incomplete copy: straight to the dialog", 8039, ["Main\\ZUNTO8.EXE"], "",
             [(None, IDCANCEL), (ASK_ABORT, IDYES)], 8039),
            ("/UPDATE over 8039", 8039, [], "/UPDATE", [(CONFIRM_UPDATE, IDYES), (COMPLETED, IDOK)], 8040),
            ("/UPDATE without a Version entry", None, [], "/UPDATE", [(CONFIRM_UPDATE, IDYES), (COMPLETED, IDOK)],
             8040),
            ("/UPDATE declined", 8039, [], "/UPDATE", [(CONFIRM_UPDATE, IDNO)], 8039),
            ("/UPDATE over 8040", 8040, [], "/UPDATE", [(UP_TO_DATE, IDOK)], 8040),
            ("/UPDATE over 8041", 8041, [], "/UPDATE", [(UP_TO_DATE, IDOK)], 8041),
            ("/UPDATE with a program file missing", 8039, ["Main\\ZUNTO8.EXE"], "/UPDATE",
             [(CONFIRM_UPDATE, IDYES), (COMPLETED, IDOK)], 8040),
        ]
        for what, version, missing, args, steps, after in rows:
            with self.subTest(what):
                self.set_version(version)
                for name in missing:
                    self.remove(PROG + name)
                code, seen = self.install(args, steps)
                self.assertEqual(0, code)
                if any(s[0] == CONFIRM_UPDATE for s in steps):
                    self.assertEqual("Zuntoria Ver.８ セットアップ(8.040)", seen[0]["title"])
                self.assertIn("Version=%d\r\n" % after, self.env_text(DATA + "COMMON.ENV"))
                if after == 8040:
                    self.assert_installed()

    def test_uninstall_rows(self):
        held = PROG + "Main\\ZUNTO8.EXE"
        rows = [
            # (what, preparation, steps, exit code, records stay, removed)
            ("declined", None, [(ASK_REMOVE, IDNO)], 1, True, False),
            ("everything removed", None, [(ASK_REMOVE, IDYES), (REMOVED, IDOK)], 0, False, True),
            (".QDA of another program stays",
             lambda: self.driver.ok("reg-set HKCR\\.QDA||OtherDocument"), [(ASK_REMOVE, IDYES), (REMOVED, IDOK)],
             0, False, True),
            ("another copy's records and shared data stay",
             lambda: self.driver.ok("reg-set %s|KeyAppDir|C:\\OTHER\\" % DATA_KEY),
             [(ASK_REMOVE, IDYES), (REMOVED + SHARED_KEPT + PROG, IDOK)], 0, True, False),
            ("a missing shortcut is fine", lambda: self.remove(DESKTOP_LINK),
             [(ASK_REMOVE, IDYES), (REMOVED, IDOK)], 0, False, True),
            ("a program file held open", lambda: self.driver.ok("hold-shared " + held),
             [(ASK_REMOVE, IDYES), (CANNOT_DELETE, IDOK), (REMOVE_FAILED, IDOK)], 1, False, False),
            ("a registry record that may not be changed",
             lambda: self.driver.ok("reg-sddl %s D:(A;;KR;;;WD)" % DATA_KEY),
             [(ASK_REMOVE, IDYES), ("レジストリ読み書きエラー" + DENIED, IDOK), (REMOVE_FAILED, IDOK)], 1, False, False),
            ("a KeyAppDir longer than 260 bytes",
             lambda: self.driver.ok("reg-set %s|KeyAppDir|C:\\%s\\" % (DATA_KEY, "A" * 300)),
             [(ASK_REMOVE, IDYES), ("レジストリ読み書きエラー\n\nさらなるデータがあります。", IDOK), (REMOVE_FAILED, IDOK)],
             1, False, False),
        ]
        for what, prepare, steps, code, records_stay, removed in rows:
            with self.subTest(what):
                self.renew()
                if prepare:
                    prepare()
                self.assertEqual(code, self.uninstall(steps)[0])
                if what.startswith(".QDA"):
                    self.assertEqual("OtherDocument", self.reg("HKCR\\.QDA", ""))
                elif removed:
                    self.assert_removed(records_stay)
                elif what == "declined":
                    self.assert_installed()
                elif what.startswith("another"):  # this copy's program files go
                    self.assertEqual((True, False), (self.exists(DATA + "COMMON.ENV"), self.exists(PROG + "Main")))
                    self.assertEqual(PROG, self.reg(DATA_KEY, "AppDir"))

    def test_full_cycle_refused_while_running_update_keeps_settings_two_uninstalls(self):
        app = subprocess.Popen([WINE, PROG + "Main\\ZUNTO8.EXE"], env=self.prefix.env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(app.wait)
        for _ in range(300):
            if self.driver.ok("mutex-exists Tarvo Zunto5 Running Mutex")["exists"]:
                break
            time.sleep(0.1)
        self.assertEqual(0, self.install("", [("Zuntoriaを終了してもう一度実行してください", IDOK)])[0])
        self.driver.ok("attach ZUNTO8.EXE 30000")
        self.driver.ok("wait window 30000")
        self.driver.ok("close")
        self.assertEqual(0, self.wait_exit())
        self.set_version(8039)
        with open(self.host(PROG + "Main\\SHARE.ENV"), "ab") as f:
            f.write("[会社選択]\r\nFolder=D:\\帳簿\r\n".encode("cp932"))
        self.assertEqual(0, self.install("/UPDATE", [(CONFIRM_UPDATE, IDYES), (COMPLETED, IDOK)])[0])
        self.assertIn("Folder=D:\\帳簿", self.env_text(PROG + "Main\\SHARE.ENV"))
        self.assert_installed()
        for _ in range(2):
            self.assertEqual(0, self.uninstall([(ASK_REMOVE, IDYES), (REMOVED, IDOK)])[0])
        self.assert_removed()


if __name__ == "__main__":
    unittest.main()

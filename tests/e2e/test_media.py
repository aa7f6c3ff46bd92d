"""The sample media as the build stages them: the files SETUP.LST names,
packed files that lz32 expands to the originals, and the sample programs,
beside which SETUP.EXE refuses to run."""

import csv
import os
import shutil
import subprocess
import unittest

from harness import BUILD_DIR, SETUP_EXE, SOURCE_DIR, WINE, E2ETestCase

MEDIA = os.path.join(BUILD_DIR, "media")
STANDIN = os.path.join(BUILD_DIR, "standin")
APP_MUTEX = "Tarvo Zunto5 Running Mutex"
LOCK8 = "C:\\ProgramData\\TarvoNomiraZunto8CommonRunning.LCK"
MAIN = "C:\\Zuntoria\\Main"


def read(*path):
    with open(os.path.join(*path), "rb") as f:
        return f.read()


class Media(E2ETestCase):
    def test_media_hold_every_listed_file_and_packed_files_expand_with_lz32(self):
        entries, section = [], None  # (section, fields) of each entry
        for line in read(MEDIA, "SETUP.LST").decode("cp932").split("\r\n"):
            if line.startswith("["):
                section = line[1:line.index("]")]
            elif "=" in line and not line.startswith(";"):
                entries.append((section, next(csv.reader([line.split("=", 1)[1]], skipinitialspace=True))))
        self.assertEqual(["Common", "Files", "Setting", "Update", "Files2"], list(dict.fromkeys(s for s, _ in entries)))
        self.assertIn(("Update", ""), [(s, f[2].strip()) for s, f in entries])  # a removal
        self.assertEqual(read(SETUP_EXE), read(MEDIA, "SETUP.EXE"))
        for _, fields in entries:
            self.assertTrue(not fields[2].strip() or os.path.isfile(os.path.join(MEDIA, *fields[2].split("\\"))), fields)

        # The originals of the packed files, expanded by Wine's expand.exe (lz32).
        with open(os.path.join(SOURCE_DIR, "media", "COMPRESS"), encoding="utf-8") as f:
            originals = {p: n for n, p in (l.split() for l in f if l.strip() and not l.startswith("#"))}
        packed = sorted({f[2].replace("\\", "/") for _, f in entries if f[1] == "1"})
        self.assertEqual(sorted(originals), packed)
        os.makedirs(self.prefix.host_path("C:\\lz"))
        for i, name in enumerate(packed):
            with self.subTest(name=name):
                self.assertEqual(b"SZDD", read(MEDIA, name)[:4])
                shutil.copy2(os.path.join(MEDIA, name), self.prefix.host_path("C:\\lz\\%d.IN" % i))
                subprocess.run([WINE, "expand", "C:\\lz\\%d.IN" % i, "C:\\lz\\%d.OUT" % i], env=self.prefix.env,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               timeout=120, check=True)
                source = os.path.join(SOURCE_DIR, "media", "files", originals[name])
                original = source if os.path.exists(source) else os.path.join(STANDIN, originals[name])
                self.assertEqual(read(original), read(self.prefix.host_path("C:\\lz\\%d.OUT" % i)))


class SamplePrograms(E2ETestCase):
    def test_a_running_program_shows_its_settings_and_keeps_setup_out_until_closed(self):
        data = self.prefix.host_path("C:\\ProgramData\\TarvoNomiraZunto8CommonAppData")
        os.makedirs(self.prefix.host_path(MAIN))
        os.makedirs(data)
        for folder, name in [(STANDIN, "ZUNTO8.EXE"), (STANDIN, "ZUNTOSHL.EXE"), (MEDIA, "SHARE.ENV"),
                             (MEDIA, "ZUNTOSHL.ENV")]:
            shutil.copy2(os.path.join(folder, name), self.prefix.host_path(MAIN))
        shutil.copy2(os.path.join(MEDIA, "COMMON.ENV"), data)
        rows = [
            ("ZUNTO8.EXE", "", "Zuntoria Ver.８", []),
            ("ZUNTOSHL.EXE", '"C:\\帳簿\\見本 表.QDA"', "Zuntoria Ver.８ シェル",
             ["文書: C:\\帳簿\\見本 表.QDA"]),  # the quotes go, the 0x5C trail byte stays
        ]
        for program, args, title, extra in rows:
            with self.subTest(program=program):
                self.driver.ok('start "%s\\%s" %s' % (MAIN, program, args))
                window = self.driver.ok("wait window 30000")
                self.assertEqual(("TARVO_ZUNTO4_MainWnd", title), (window["class"], window["title"]))
                for shown in ["プログラム: %s\\%s" % (MAIN, program), "期首月=4", "会社名=見本会社",
                              "[会社選択]\r\n  Folder=C:\\見本", "Program=ZUNTO8.EXE"] + extra:
                    self.assertIn(shown, window["controls"][0]["text"])
                self.assertTrue(self.driver.ok("mutex-exists " + APP_MUTEX)["exists"])
                self.assertFalse(self.driver.cmd("hold " + LOCK8)["ok"])  # held without sharing

                self.start_setup_from_host(self.MEDIA + "\\SETUP.EXE")
                box = self.answer_box(1)
                self.assertBox(box, "Zuntoriaを終了してもう一度実行してください", "Zuntoriaのセットアップ")
                self.assertEqual(0, self.wait_exit())

                self.driver.ok("attach %s 30000" % program)
                self.driver.ok("wait window 30000")
                self.driver.ok("close")
                self.assertEqual(0, self.wait_exit())
                self.assertFalse(self.driver.ok("mutex-exists " + APP_MUTEX)["exists"])
                self.assertFalse(self.driver.ok("file-exists " + LOCK8)["exists"])


if __name__ == "__main__":
    unittest.main()

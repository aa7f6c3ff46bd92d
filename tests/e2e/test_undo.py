"""A run that stops leaves the machine as it was. Each row takes a snapshot
(files with their bytes and times under the program, data and link folders;
the product's registry values in both views), runs a fresh installation or
an update that stops at one point, and compares the snapshot after it."""

import csv
import os
import subprocess
import tempfile
import unittest

from harness import COMPLETED, FINAL_QUESTION, IDCANCEL, IDOK, IDYES, WINE
from test_faults import ABORTED, IDRETRY, IN_USE
from test_flows import ASK_ABORT, CONFIRM_UPDATE, DATA, EXISTS, PROG, FlowCase

EXTRA = ["G%02d.TXT" % i for i in range(2, 13)]  # eleven more files, so that there is a file 10
LOW_SPACE = "指定のフォルダは空きが足りなさそうです。セットアップを行いますか？"
DISK_PROMPT = "Zuntoria Ver.８ ディスク 1 を C:\\media\\ にセットして [OK] ボタンを押して下さい"


class Undo(FlowCase):
    def stage(self):
        """The sample media with a removal first (a gate a held file can
        close) and eleven more files last; returns the destinations of an
        installation and of an update, in order."""
        for i, name in enumerate(EXTRA):
            self.write(self.MEDIA + "\\" + name, ("%s 表ソ\r\n" % name).encode("cp932") * (i * 300 + 1))
        path = self.host(self.MEDIA + "\\SETUP.LST")
        text = open(path, "rb").read().decode("cp932").replace(
            "[Common]\r\n", "[Common]\r\ngate=1,0,,GATE.TMP,$(AppPath)\r\n")
        text += "".join("g%d=1,0,%s,%s,$(AppPath)Samples\r\n" % (i, n, n) for i, n in enumerate(EXTRA))
        with open(path, "wb") as f:
            f.write(text.encode("cp932"))
        sections, section = {}, None
        for line in text.split("\r\n"):
            if line.startswith("["):
                section = sections.setdefault(line[1:-1], [])
            elif "=" in line and not line.startswith(";"):
                fields = next(csv.reader([line.split("=", 1)[1]]))
                folder = fields[4].replace("$(AppPath)", PROG).replace("$(MyCommonAppData)", DATA)
                section.append((folder + "\\" if not folder.endswith("\\") else folder) + fields[3])
        order = {False: ["Common", "Files", "Setting", "Files2"], True: ["Common", "Update", "Files2"]}
        return {update: [d for s in names for d in sections[s] if not d.endswith("GATE.TMP")]
                for update, names in order.items()}

    def write(self, win_path, data):
        os.makedirs(os.path.dirname(self.host(win_path)), exist_ok=True)
        with open(self.host(win_path), "wb") as f:
            f.write(data)

    def start(self, update, prog=None):
        self.driver.ok("kill")
        if update:
            self.start_setup("/UPDATE")
            self.walk([(CONFIRM_UPDATE.replace(PROG, prog or PROG), IDYES)])
            return
        self.start_setup()
        if prog:
            self.driver.ok("wait-class #32770 30000")
            self.driver.ok("settext 121 " + prog[:-1])
        low = [(LOW_SPACE, IDYES)] if prog else []  # the small drive
        self.walk([(None, IDOK)] + low + [(EXISTS % (prog or PROG), IDYES), (FINAL_QUESTION, IDYES)])

    # ---- how a row stops the run --------------------------------------------

    def cancel_at(self, held):
        """The progress window's cancel, pressed while a prompt about the
        held file waits; Retry then lets that file through."""
        box = self.wait_box()
        self.assertEqual(held + IN_USE, box["text"])
        self.driver.ok("wait-class DoingWnd 10000")
        self.driver.ok("press %d" % IDCANCEL)
        self.driver.ok("release " + held)
        self.driver.ok("select " + box["hwnd"])
        self.driver.ok("press %d" % IDRETRY)
        self.walk([(ASK_ABORT, IDYES), (ABORTED, IDOK)])

    def held_cancelled(self, held):
        self.walk([(held + IN_USE, IDCANCEL), (ASK_ABORT, IDYES), (ABORTED, IDOK)])
        self.driver.ok("release " + held)

    def disk_cancelled(self, _):
        self.walk([(DISK_PROMPT, IDCANCEL), (ASK_ABORT, IDYES), (ABORTED, IDOK)])

    def test_a_stopped_run_leaves_the_machine_as_it_was(self):
        rows = [
            # (what, update, file to hold (an index in the run's order; -1 the gate), media file removed, ending)
            ("cancel before file 1", -1, None, "cancel"),
            ("cancel before file 2", 0, None, "cancel"),
            ("cancel before file 10", 8, None, "cancel"),
            ("cancel before the last file", -2, None, "cancel"),
            ("a held destination, Cancel", 3, None, "held"),
            ("a missing media file, disk prompt cancelled", None, "G05.TXT", "disk"),
            ("a missing media file, unattended", None, "G05.TXT", "silent"),
        ]
        for update in (False, True):
            for what, hold, missing, ending in rows:
                with self.subTest(what, update=update):
                    self.run_row(update, hold, missing, ending)

    def test_a_full_disk_stops_a_run_that_is_then_undone(self):
        for update in (False, True):
            with self.subTest(update=update):
                self.START_INSTALLED = False
                self.renew()
                mount = tempfile.mkdtemp(dir=os.path.dirname(self.prefix.path))
                drive = os.path.join(self.prefix.path, "dosdevices", "r:")
                # Room for an installation, not for a big file more.
                if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=3m", "tmpfs", mount],
                                  stderr=subprocess.DEVNULL).returncode != 0:
                    os.rmdir(mount)
                    self.skipTest("cannot mount a small tmpfs here (needs root)")
                try:
                    os.symlink(mount, drive)
                    self.full_disk_row(update, mount)
                finally:
                    os.remove(drive)
                    subprocess.run(["umount", "-l", mount], stderr=subprocess.DEVNULL)
                    os.rmdir(mount)

    def full_disk_row(self, update, mount):
        prog = "R:\\Zunto\\"
        os.makedirs(os.path.join(mount, "Zunto"))
        self.stage()
        self.write(self.MEDIA + "\\" + EXTRA[-1], os.urandom(2 << 20))
        if update:  # an installation on the small drive, without the big file
            text = open(self.host(self.MEDIA + "\\SETUP.LST"), "rb").read()
            self.write(self.MEDIA + "\\SETUP.LST", text.replace(EXTRA[-1].encode(), EXTRA[0].encode()))
            self.start(False, prog)
            self.walk([(COMPLETED, IDOK)])
            self.assertEqual(0, self.wait_exit())
            self.set_version(8039)
            self.write(self.MEDIA + "\\SETUP.LST", text)
        before = self.snapshot(mount)
        self.start(update, prog)
        box = self.wait_box(60000)
        self.assertTrue(box["text"].startswith("ファイル[" + prog), box["text"])
        self.driver.ok("press %d" % IDOK)
        self.walk([(ABORTED, IDOK)])
        self.assertEqual(0, self.wait_exit())
        self.assert_same(before, self.snapshot(mount))
        if update:
            self.assert_starts(prog)

    def assert_starts(self, prog):
        """The installation's shell program opens its window."""
        self.driver.ok('start "%sMain\\ZUNTOSHL.EXE"' % prog)
        self.assertEqual("TARVO_ZUNTO4_MainWnd", self.driver.ok("wait window 30000")["class"])
        self.driver.ok("close")
        self.assertEqual(0, self.wait_exit())

    def run_row(self, update, hold, missing, ending):
        self.START_INSTALLED = update
        self.renew()
        entries = self.stage()[update]
        if update:
            self.set_version(8039)
        else:
            os.makedirs(self.host(PROG), exist_ok=True)
        held = None
        if hold is not None:
            held = PROG + "GATE.TMP" if hold == -1 else entries[hold]
            os.makedirs(os.path.dirname(self.host(held)), exist_ok=True)
            self.driver.ok("hold " + held)
        if missing:
            os.remove(self.host(self.MEDIA + "\\" + missing))
        before = self.snapshot()
        if ending == "silent":
            code = subprocess.run([WINE, self.MEDIA + "\\SETUP.EXE"] + (["/UPDATE"] if update else []) +
                                  ["/SILENT"], env=self.prefix.env, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180).returncode
            self.assertEqual(3, code)
        else:
            self.start(update)
            {"cancel": self.cancel_at, "held": self.held_cancelled, "disk": self.disk_cancelled}[ending](held)
            self.assertEqual(0, self.wait_exit())
        self.assert_same(before, self.snapshot())
        if update:  # the old installation still starts
            self.assert_starts(PROG)


if __name__ == "__main__":
    unittest.main()

"""The elevated setup beside a folder every user can write to: no link,
swapped folder or planted name turns it against the machine. Each row plants
something, runs one unattended setup and checks its exit code and that the
file outside kept its bytes."""

import os
import shutil
import subprocess
import time
import unittest

from harness import WINE
from test_flows import DATA, FlowCase

OUTSIDE = "C:\\outside\\"
SERIAL_MUTEX = "Tarvo Zunto5 ShareMem Mutex 500"


class SharedFolder(FlowCase):
    START_INSTALLED = True

    def run_silent(self, exe, args):
        start = time.time()
        code = subprocess.run([WINE, exe, "/SILENT"] + args, env=self.prefix.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180).returncode
        return code, time.time() - start

    def plant_link(self, name):
        """The data folder moved away and a link to the outside put there."""
        shutil.move(self.host(DATA[:-1]), self.host("C:\\moved"))
        os.symlink(self.host(OUTSIDE[:-1]), self.host(DATA[:-1]))

    def plant_hard_link(self, name):
        if os.path.exists(self.host(name)):
            os.remove(self.host(name))
        os.link(self.host(OUTSIDE + "victim.txt"), self.host(name))

    def test_planted_links_and_names_are_refused_or_made_anew(self):
        media = self.MEDIA + "\\SETUP.EXE"
        rows = [
            # (what, preparation, program, arguments, exit code, bound in seconds)
            ("data folder a link before an update", self.plant_link, media, ["/UPDATE"], 2, 60),
            ("data folder a link before an install", self.plant_link, media, [], 2, 60),
            ("COMMON.ENV.BAK a second name of a file outside", lambda _: self.plant_hard_link(DATA + "COMMON.ENV.BAK"),
             media, ["/UPDATE"], None, 60),
            ("COMMON.ENV.lc$ a second name", lambda _: self.plant_hard_link(DATA + "COMMON.ENV.lc$"), media,
             ["/UPDATE"], None, 60),
            ("lock file a second name",
             lambda _: self.plant_hard_link("C:\\ProgramData\\TarvoNomiraZunto8CommonRunning.LCK"), media,
             ["/UPDATE"], None, 60),
            ("COMMON.ENV a second name", lambda _: self.plant_hard_link(DATA + "COMMON.ENV"), media, ["/UPDATE"],
             2, 60),
            ("log name of 300 bytes", None, media, ["/LOG=C:\\" + "L" * 296], 2, 60),
            ("uninstall from the media", None, media, ["/UNINSTALL"], 1, 60),
            ("serialising mutex held by another process", lambda _: self.driver.ok("mutex-hold " + SERIAL_MUTEX),
             media, [], 2, 90),
        ]
        for what, prepare, exe, args, code, bound in rows:
            with self.subTest(what):
                self.renew()
                if "/UPDATE" in args:
                    self.set_version(8039)
                os.makedirs(self.host(OUTSIDE))
                with open(self.host(OUTSIDE + "victim.txt"), "wb") as f:
                    f.write(b"outside")
                os.chmod(self.host(OUTSIDE + "victim.txt"), 0o600)
                if prepare:
                    prepare(what)
                ended, took = self.run_silent(exe, args)
                if code is not None:
                    self.assertEqual(code, ended)
                else:  # the planted name is made anew: the update goes on
                    self.assertEqual(0, ended)
                    self.assertIn("Version=8040\r\n", self.env_text(DATA + "COMMON.ENV"))
                self.assertLess(took, bound)
                with open(self.host(OUTSIDE + "victim.txt"), "rb") as f:
                    self.assertEqual(b"outside", f.read())
                self.assertEqual(0o600, os.stat(self.host(OUTSIDE + "victim.txt")).st_mode & 0o777)
                self.assertEqual(["victim.txt"], os.listdir(self.host(OUTSIDE)))
                if what.startswith("uninstall"):  # the installation and the media stay whole
                    self.assert_installed()
                    self.assertTrue(self.exists(self.MEDIA + "\\SETUP.LST"))


if __name__ == "__main__":
    unittest.main()

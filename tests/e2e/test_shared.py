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

    def plant_link(self):
        """The data folder moved away and a link put there to a folder
        outside that holds a COMMON.ENV of its own."""
        shutil.move(self.host(DATA[:-1]), self.host("C:\\moved"))
        shutil.copy(self.host("C:\\moved\\COMMON.ENV"), self.host(OUTSIDE + "COMMON.ENV"))
        os.symlink(self.host(OUTSIDE[:-1]), self.host(DATA[:-1]))

    def plant_hard_link(self, name):
        if os.path.exists(self.host(name)):
            os.remove(self.host(name))
        os.link(self.host(OUTSIDE + "victim.txt"), self.host(name))

    def plant_dangling_link(self, name):
        """A link to a file outside that does not exist yet."""
        os.symlink(self.host(OUTSIDE + "made.txt"), self.host(name))

    def outside(self):
        folder = self.host(OUTSIDE)
        return {n: (open(os.path.join(folder, n), "rb").read(), os.stat(os.path.join(folder, n)).st_mode)
                for n in sorted(os.listdir(folder))}

    def test_planted_links_and_names_are_refused_or_made_anew(self):
        media, lock = self.MEDIA + "\\SETUP.EXE", "C:\\ProgramData\\TarvoNomiraZunto8CommonRunning.LCK"
        rows = [
            # (what, preparation, arguments, exit code (None: the update goes on), bound in seconds)
            ("data folder a link before an update", self.plant_link, ["/UPDATE"], 2, 60),
            ("data folder a link before an install", self.plant_link, [], 2, 60),
            ("COMMON.ENV.BAK a second name of a file outside", lambda: self.plant_hard_link(DATA + "COMMON.ENV.BAK"),
             ["/UPDATE"], None, 60),
            ("COMMON.ENV.lc$ a second name", lambda: self.plant_hard_link(DATA + "COMMON.ENV.lc$"), ["/UPDATE"], None,
             60),
            ("lock file a second name", lambda: self.plant_hard_link(lock), ["/UPDATE"], None, 60),
            ("lock file a link to a new file outside", lambda: self.plant_dangling_link(lock), ["/UPDATE"], 2, 60),
            ("COMMON.ENV a second name", lambda: self.plant_hard_link(DATA + "COMMON.ENV"), ["/UPDATE"], 2, 60),
            ("log name of 300 bytes", None, ["/LOG=C:\\" + "L" * 296], 2, 60),
            ("uninstall from the media", None, ["/UNINSTALL"], 1, 60),
            ("serialising mutex held by another process", lambda: self.driver.ok("mutex-hold " + SERIAL_MUTEX), [],
             2, 90),
        ]
        for what, prepare, args, code, bound in rows:
            with self.subTest(what):
                self.renew()
                if "/UNINSTALL" not in args:
                    self.set_version(8039)  # an update is due: a setup that goes on writes
                os.makedirs(self.host(OUTSIDE))
                with open(self.host(OUTSIDE + "victim.txt"), "wb") as f:
                    f.write(b"outside")
                os.chmod(self.host(OUTSIDE + "victim.txt"), 0o600)
                if prepare:
                    prepare()
                before = self.outside()
                start = time.time()
                ended = subprocess.run([WINE, media, "/SILENT"] + args, env=self.prefix.env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180).returncode
                self.assertLess(time.time() - start, bound)
                self.assertEqual(0 if code is None else code, ended)
                if code is None:  # the planted name was made anew
                    self.assertIn("Version=8040\r\n", self.env_text(DATA + "COMMON.ENV"))
                self.assertEqual(before, self.outside())
                self.assertEqual([], [n for n in os.listdir(self.host("C:\\")) if n.startswith("LLL")])
                if what.startswith("uninstall"):  # the installation and the media stay whole
                    self.assert_installed()
                    self.assertTrue(self.exists(self.MEDIA + "\\SETUP.LST"))


if __name__ == "__main__":
    unittest.main()

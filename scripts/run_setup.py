"""The run command's driver: starts SETUP.EXE in the run prefix, takes a
screenshot of each step, answers with the default answers when nobody is
at the screen, and prints what the run left installed.

    run_setup.py MODE PREFIX MEDIA SHOTS [--watch | --dpi DPI]
MODE is install, update or uninstall. With --watch a person answers on the
display and this script only photographs the steps. With --dpi (a prefix set
to that DPI) the screenshots are named MODE-N-STEP-DPIdpi.png and only the
exit code is printed.
"""

import json
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
import harness  # noqa: E402

IDOK, IDYES, IDNO = 1, 6, 7
DATA_KEY = r"HKLM\software\tarvo\zunto8\data"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TarvoNomiraZunto8"
DOC_KEY = r"HKCR\TarvoSorvekDocument8"
DATA_DIR = r"C:\ProgramData\TarvoNomiraZunto8CommonAppData"
DEFAULT_FOLDER = r"C:\Program Files (x86)\TarvoNomiraZunto8"


class RunPrefix:
    def __init__(self, path):
        self.path = path
        self.env = dict(os.environ, WINEPREFIX=path, WINEDEBUG="-all", LC_ALL="ja_JP.UTF-8")

    def host_path(self, win_path):
        """The host path of a C: path, matching names without regard to case."""
        here = os.path.join(self.path, "drive_c")
        for part in win_path[3:].split("\\"):
            if not part:
                continue
            names = os.listdir(here) if os.path.isdir(here) else []
            match = [n for n in names if n.lower() == part.lower()]
            here = os.path.join(here, match[0] if match else part)
        return here


class Run:
    def __init__(self, mode, prefix, shots, watch, suffix=""):
        self.mode, self.prefix, self.shots, self.watch = mode, prefix, shots, watch
        self.suffix = suffix  # "-144dpi" for the shots of a run at 144 DPI
        self.driver = harness.Driver(prefix)
        self.count = 0
        os.makedirs(shots, exist_ok=True)
        for name in os.listdir(shots):
            stem = name[:-len(".png")]
            if name.startswith(mode + "-") and self.shot_suffix(stem) == suffix:
                os.remove(os.path.join(shots, name))

    @staticmethod
    def shot_suffix(stem):
        """The DPI suffix of a shot's name, or "" for one at 96 DPI."""
        last = stem.rsplit("-", 1)[-1]
        return "-" + last if last.endswith("dpi") and last[:-3].isdigit() else ""

    def shot_path(self, number, what):
        return os.path.join(self.shots, "%s-%d-%s%s.png" % (self.mode, number, what, self.suffix))

    def shot(self, what):
        self.count += 1
        path = self.shot_path(self.count, what)
        subprocess.run(["import", "-window", "root", path], check=False)
        print("  screenshot: %s" % path)

    def progress_shot(self):
        """The progress window passes quickly: the program is held still while
        it is photographed, and let go a moment at a time until the window
        shows its painted message."""
        window = self.driver.cmd("wait-class DoingWnd 1500")
        if not window.get("ok"):
            return
        left, top, right, bottom = window["rect"]
        crop = "%dx%d+%d+%d" % (right - left, bottom - top, max(left, 0), max(top, 0))
        path = self.shot_path(self.count + 1, "progress")
        for _ in range(50):
            if not self.watch:
                self.driver.ok("suspend")
            subprocess.run(["import", "-window", "root", path], check=False)
            colours = subprocess.run(["convert", path, "-crop", crop, "-format", "%k", "info:"],
                                     capture_output=True, text=True).stdout.strip()
            if not self.watch:
                self.driver.ok("resume")
            if colours.isdigit() and int(colours) > 8:  # frame, button and message drawn
                self.count += 1
                print("  screenshot: %s" % path)
                return
            if not self.driver.cmd("wait-class DoingWnd 0").get("ok"):
                break
            time.sleep(0.02)
        if os.path.exists(path):
            os.remove(path)

    def answer(self, box):
        buttons = {c["id"] for c in box["controls"] if c["class"].lower() == "button"}
        if IDYES in buttons:
            # Go on: only the questions whose Yes would stop are answered No.
            return IDNO if "中止しますか" in box["text"] else IDYES
        return IDOK

    def run(self, exe, args):
        print("Starting %s %s" % (exe, args))
        self.driver.ok('start "%s" %s' % (exe, args))
        # The background window is taken as seen but not photographed: the
        # first dialog or box follows at once and shows it behind itself.
        # A media check has none.
        if "/VERIFY" not in args:
            self.driver.cmd("wait-class BackgroundWindow 30000")
        while True:
            seen = self.driver.cmd("wait any %d" % (3600000 if self.watch else 60000), timeout=3700)
            if not seen.get("ok"):
                if seen.get("error") == "exited":
                    return seen["code"]
                raise harness.DriverError(json.dumps(seen, ensure_ascii=False, indent=1))
            kind, title = seen["kind"], seen["title"]
            if kind == "window":
                self.shot("background" if seen["class"] == "BackgroundWindow" else "window")
                continue
            text = seen.get("text", "")
            print("  %s: %s%s" % (kind, title, (" | " + text.replace("\n", " ")) if text else ""))
            self.shot("dialog" if kind == "dialog" else "box")
            if self.watch:
                self.progress_shot()
                continue
            self.driver.ok("press %d" % (IDOK if kind == "dialog" else self.answer(seen)))
            self.progress_shot()


def reg(driver, value_name):
    answer = driver.ok("reg-get " + value_name)
    if not answer["exists"]:
        return None
    return answer.get("text", answer.get("dword"))


def report(run):
    d, p = run.driver, run.prefix
    print("\n== Registry")
    for name in [DATA_KEY + "|AppDir", DATA_KEY + "|KeyAppDir", DATA_KEY + "|pathShortcut1",
                 DATA_KEY + "|pathShortcut2", UNINSTALL_KEY + "|UninstallString", UNINSTALL_KEY + "|DisplayName",
                 UNINSTALL_KEY + "|DisplayIcon", UNINSTALL_KEY + "|DisplayVersion", UNINSTALL_KEY + "|Publisher",
                 UNINSTALL_KEY + "|InstallLocation", UNINSTALL_KEY + "|EstimatedSize",
                 UNINSTALL_KEY + "|QuietUninstallString", UNINSTALL_KEY + "|ModifyPath",
                 UNINSTALL_KEY + "|NoModify", DATA_KEY + "|MediaDir",
                 r"HKCR\.QDA|", DOC_KEY + "|", DOC_KEY + r"\DefaultIcon|", DOC_KEY + r"\shell\open\command|"]:
        value = reg(d, name)
        print("  %-75s %s" % (name, "(none)" if value is None else value))

    folder = reg(d, DATA_KEY + "|AppDir") or DEFAULT_FOLDER + "\\"
    print("\n== Files")
    for win in (folder.rstrip("\\"), DATA_DIR):
        host = p.host_path(win)
        total = count = 0
        print("  %s" % win)
        for root, _, files in os.walk(host):
            for name in sorted(files):
                full = os.path.join(root, name)
                size = os.path.getsize(full)
                total, count = total + size, count + 1
                print("    %10d  %s" % (size, os.path.relpath(full, host)))
        print("    %d files, %d bytes" % (count, total))

    print("\n== Shortcuts")
    for name in ("pathShortcut1", "pathShortcut2"):
        link = reg(d, DATA_KEY + "|" + name)
        if not link:
            continue
        host = p.host_path(link)
        print("  %s" % link)
        if not os.path.exists(host):
            print("    (missing)")
            continue
        out = subprocess.run(["lnkinfo", "-c", "windows-932", host], capture_output=True, text=True).stdout
        for line in out.splitlines():
            if any(k in line for k in ("Local path", "Description", "Icon location", "Command line arguments")):
                print("    " + line.strip())

    print("\n== Settings files")
    for win in (DATA_DIR + r"\COMMON.ENV", folder + r"Main\SHARE.ENV", folder + r"Main\ZUNTOSHL.ENV"):
        host = p.host_path(win)
        print("  %s" % win)
        if not os.path.exists(host):
            print("    (missing)")
            continue
        with open(host, "rb") as f:
            for line in f.read().decode("cp932", "replace").splitlines():
                print("    " + line)


def main():
    mode, prefix_path, media, shots = sys.argv[1:5]
    options = sys.argv[5:]
    watch = "--watch" in options
    dpi = options[options.index("--dpi") + 1] if "--dpi" in options else None
    run = Run(mode, RunPrefix(prefix_path), shots, watch, "-%sdpi" % dpi if dpi else "")
    try:
        folder = reg(run.driver, DATA_KEY + "|AppDir") or DEFAULT_FOLDER + "\\"
        if mode in ("uninstall", "repair"):  # as the installed-programs list starts them
            code = run.run(folder + "SETUP.EXE", "/UNINSTALL" if mode == "uninstall" else "/REPAIR")
        else:
            code = run.run(media + r"\SETUP.EXE", {"update": "/UPDATE", "verify": "/VERIFY"}.get(mode, ""))
        print("SETUP.EXE exit code: %d" % code)
        if not dpi:
            report(run)
    finally:
        run.driver.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())

"""End-to-end harness: the real SETUP.EXE in a throwaway copy of a template
Wine prefix (system folders hard-linked) with its own wineserver, driven
through zdrive.exe. Every wait is bounded; a time-out shows the screen."""

import fcntl
import json
import os
import select
import shutil
import subprocess
import tempfile
import time
import unittest

WINE64 = "/usr/lib/wine/wine64"  # boots prefixes
# The loader of the build under test: the 32-bit one for the shipped i686 build.
WINE = os.environ.get("E2E_WINE", "/usr/lib/wine/wine")
WINESERVER = "/usr/lib/wine/wineserver"
BUILD_DIR = os.environ.get("E2E_BUILD_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build-i686"))
SOURCE_DIR = os.environ.get("E2E_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
ZDRIVE_EXE = os.environ.get("ZDRIVE_EXE", os.path.join(BUILD_DIR, "tests", "zdrive.exe"))
SETUP_EXE = os.environ.get("SETUP_EXE", os.path.join(BUILD_DIR, "SETUP.EXE"))
TEMPLATE = os.path.join(BUILD_DIR, "e2e-template")
PREFIXES = os.path.join(BUILD_DIR, "e2e-prefixes")

# System folders that no test writes to: hard-linked, not copied.
LINKED_DIRS = ("drive_c/windows/system32", "drive_c/windows/syswow64", "drive_c/windows/winsxs")

# Exit codes as the driver reports them (unsigned 32-bit).
EXIT_MINUS_ONE = 0xFFFFFFFF


def wine_env(prefix):
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": prefix,
        "WINEDEBUG": "-all",
        "LC_ALL": "ja_JP.UTF-8",
        "WINEDLLOVERRIDES": "mscoree,mshtml=",
    })
    env.pop("DISPLAY", None)
    return env


def _quiet(cmd, env, timeout=180):
    subprocess.run(cmd, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=timeout, check=False)


def ensure_template():
    """Creates the template prefix once, as the scripts make theirs (null graphics driver)."""
    os.makedirs(BUILD_DIR, exist_ok=True)
    with open(os.path.join(BUILD_DIR, ".e2e-template.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        subprocess.run(["bash", "-c", 'source "$0/scripts/common.sh" && make_prefix "$1" null', SOURCE_DIR, TEMPLATE],
                       env=wine_env(TEMPLATE), stdin=subprocess.DEVNULL, timeout=600, check=True)


def _copy_prefix(src, dst):
    for root, dirs, files in os.walk(src):
        rel = os.path.relpath(root, src)
        target = os.path.join(dst, rel) if rel != "." else dst
        linked = any(rel == d or rel.startswith(d + "/") for d in LINKED_DIRS)
        for d in list(dirs):
            s = os.path.join(root, d)
            if os.path.islink(s):
                os.symlink(os.readlink(s), os.path.join(target, d))
                dirs.remove(d)
            else:
                os.makedirs(os.path.join(target, d), exist_ok=True)
        for f in files:
            s, t = os.path.join(root, f), os.path.join(target, f)
            if os.path.islink(s):
                os.symlink(os.readlink(s), t)
            elif linked:
                os.link(s, t)
            else:
                shutil.copy2(s, t)


class Prefix:
    """A throwaway copy of a template with its own wineserver, at a DPI."""

    def __init__(self, template=None, dpi=96):
        ensure_template()
        os.makedirs(PREFIXES, exist_ok=True)
        self.path = tempfile.mkdtemp(prefix="p-", dir=PREFIXES)
        _copy_prefix(template or TEMPLATE, self.path)
        os.remove(os.path.join(self.path, ".ready"))
        self.env = wine_env(self.path)
        # A persistent server and a boot with no pipes attached, so that no
        # background Wine process holds the driver's pipes open.
        _quiet([WINESERVER, "-p"], self.env)
        if dpi != 96:  # as the scripts set it, before any program reads it
            _quiet(["bash", "-c", 'source "$0/scripts/common.sh" && set_prefix_dpi "$1" "$2"', SOURCE_DIR,
                    self.path, str(dpi)], self.env)
        _quiet([WINE64, "wineboot"], self.env)

    def host_path(self, win_path):
        """Host path of a C: path of this prefix."""
        assert win_path[:3].upper() == "C:\\", win_path
        return os.path.join(self.path, "drive_c", *win_path[3:].split("\\"))

    def close(self):
        _quiet([WINESERVER, "-k"], self.env, timeout=60)
        shutil.rmtree(self.path, ignore_errors=True)


class DriverError(AssertionError):
    pass


class Driver:
    """One zdrive.exe session: commands in, one JSON answer per command."""

    def __init__(self, prefix):
        self.prefix = prefix
        self.proc = subprocess.Popen([WINE, ZDRIVE_EXE], env=prefix.env, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self._buf = b""
        hello = self._read(120)
        if not hello.get("ready"):
            raise DriverError("driver did not start: %r" % hello)

    def _read(self, timeout):
        fd = self.proc.stdout.fileno()
        while b"\n" not in self._buf:
            ready, _, _ = select.select([fd], [], [], timeout)
            if not ready:
                raise DriverError("driver gave no answer within %s s" % timeout)
            chunk = os.read(fd, 65536)
            if not chunk:
                raise DriverError("driver ended")
            self._buf += chunk
        line, self._buf = self._buf.split(b"\n", 1)
        return json.loads(line.decode("utf-8"))

    def cmd(self, line, timeout=120):
        self.proc.stdin.write((line + "\n").encode("utf-8"))
        self.proc.stdin.flush()
        return self._read(timeout)

    def ok(self, line, timeout=120):
        answer = self.cmd(line, timeout)
        if not answer.get("ok"):
            raise DriverError("%s failed: %s" % (line, json.dumps(answer, ensure_ascii=False, indent=1)))
        return answer

    def close(self):
        try:
            if self.proc.poll() is None:
                self.proc.stdin.write(b"quit\n")
                self.proc.stdin.flush()
                self.proc.wait(timeout=30)
        except (OSError, subprocess.TimeoutExpired):
            self.proc.kill()
        self.proc.wait()
        self.proc.stdin.close()
        self.proc.stdout.close()


MEDIA = "C:\\media"
BUILT_MEDIA = os.path.join(BUILD_DIR, "media")
INSTALLED = os.path.join(BUILD_DIR, "e2e-installed")
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
FINAL_QUESTION = "セットアップを行います。よろしいですか？"
COMPLETED = "セットアップを完了しました。\n「Zuntoria８」のアイコンをクリックするとズントリアを起動できます。"
# A fresh installation into the default folder, answered as a user would.
DEFAULT_INSTALL = [(None, IDOK), (FINAL_QUESTION, IDYES), (COMPLETED, IDOK)]


def _wait_for(driver, text):
    """The next box, or the dialog again after its boxes."""
    command = "wait-class #32770 30000" if text is None else "wait any 30000"
    for _ in range(100):
        answer = driver.cmd(command, timeout=90)
        if not answer.get("ok"):
            raise DriverError("waiting for %r: %s" % (text, json.dumps(answer, ensure_ascii=False, indent=1)))
        if answer["kind"] == ("dialog" if text is None else "box"):
            break
        time.sleep(0.05)
    return answer


def walk(test, driver, steps):
    """Answers the program's message boxes and dialogs in order. Each step is
    (expected box text, or None for a dialog, button); windows that are
    neither are passed over. Returns what was seen."""
    seen = []
    for text, button in steps:
        for attempt in range(3):
            answer = _wait_for(driver, text)
            if text is None:
                test.assertEqual("dialog", answer["kind"], json.dumps(answer, ensure_ascii=False))
            else:
                test.assertEqual(text, answer.get("text"), json.dumps(answer, ensure_ascii=False))
            pressed = driver.cmd("press %d" % button)
            if pressed.get("ok"):
                break
            # A window found in the moment it went (a dialog made anew): again.
            if pressed.get("error") != "no current window" or attempt == 2:
                raise DriverError("press %d failed: %s" % (button, json.dumps(pressed, ensure_ascii=False)))
            time.sleep(0.1)
        seen.append(answer)
    return seen


def stage_media(prefix):
    shutil.rmtree(prefix.host_path(MEDIA), ignore_errors=True)
    shutil.copytree(BUILT_MEDIA, prefix.host_path(MEDIA))


def ensure_installed_template():
    """A prefix in which the sample media were installed with the default
    answers, made once per build and copied by the tests that start there."""
    # Made again whenever the build has staged the media anew.
    built = "%d\n" % os.stat(os.path.join(BUILD_DIR, "media.stamp")).st_mtime_ns
    ready = os.path.join(INSTALLED, ".ready")
    with open(os.path.join(BUILD_DIR, ".e2e-installed.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(ready) and open(ready).read() == built:
            return INSTALLED
        prefix = Prefix()
        stage_media(prefix)
        driver = Driver(prefix)
        try:
            driver.ok('start "%s\\SETUP.EXE"' % MEDIA)
            walk(unittest.TestCase(), driver, DEFAULT_INSTALL)
            code = driver.ok("exit 60000", timeout=120)["code"]
        finally:
            driver.close()
        _quiet([WINESERVER, "-k"], prefix.env, timeout=60)
        _quiet([WINESERVER, "-w"], prefix.env, timeout=60)
        if code != 0:
            raise DriverError("the installed template's setup ended with %d" % code)
        shutil.rmtree(INSTALLED, ignore_errors=True)
        shutil.move(prefix.path, INSTALLED)
        with open(ready, "w") as f:
            f.write(built)
        return INSTALLED


class E2ETestCase(unittest.TestCase):
    """A fresh prefix and driver per test; SETUP.EXE staged on C:\\media
    (the whole sample media when MEDIA_FILES is set); with INSTALLED set,
    the prefix starts with the sample media installed."""

    MEDIA = MEDIA
    MEDIA_FILES = False
    START_INSTALLED = False

    def setUp(self):
        self.renew()
        self.addCleanup(lambda: self.prefix.close())
        self.addCleanup(lambda: self.driver.close())

    def renew(self, dpi=96):
        """A new prefix at a DPI and its driver (the old ones, if any, are closed)."""
        if hasattr(self, "driver"):
            self.driver.close()
            self.prefix.close()
        template = ensure_installed_template() if self.START_INSTALLED else None
        self.prefix = Prefix(template, dpi)
        if self.MEDIA_FILES:
            stage_media(self.prefix)
        else:
            media = self.prefix.host_path(self.MEDIA)
            os.makedirs(media, exist_ok=True)
            shutil.copy2(SETUP_EXE, os.path.join(media, "SETUP.EXE"))
        self.driver = Driver(self.prefix)

    def walk(self, steps):
        return walk(self, self.driver, steps)

    def start_setup(self, args=""):
        exe = self.MEDIA + "\\SETUP.EXE"
        return self.driver.ok('start "%s" %s' % (exe, args))

    def start_setup_from_host(self, win_path, args=()):
        """Starts a SETUP.EXE through the Wine loader (which reaches paths the
        driver's CreateProcess cannot) and lets the driver take it over."""
        proc = subprocess.Popen([WINE, win_path] + list(args), env=self.prefix.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(proc.wait)
        return self.driver.ok("attach %s 30000" % win_path.rsplit("\\", 1)[-1])

    def wait_box(self, timeout_ms=20000):
        """The next message box of SETUP.EXE; fails with the screen on time-out."""
        return self.driver.ok("wait box %d" % timeout_ms, timeout=timeout_ms / 1000 + 60)

    def answer_box(self, button, timeout_ms=20000):
        box = self.wait_box(timeout_ms)
        self.driver.ok("press %d" % button)
        return box

    def wait_exit(self, timeout_ms=30000):
        return self.driver.ok("exit %d" % timeout_ms, timeout=timeout_ms / 1000 + 60)["code"]

    def assertBox(self, box, text, title):
        self.assertEqual(text, box["text"], json.dumps(box, ensure_ascii=False))
        self.assertEqual(title, box["title"], json.dumps(box, ensure_ascii=False))

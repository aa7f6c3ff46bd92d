"""The installation benchmark (run by scripts/bench.sh): one payload of
1,000 files (about 105 MB, half of them packed on our media) installed by
SETUP.EXE and by two NSIS installers of the same files (zlib, solid LZMA,
silent /S), in turns, under the same Wine prefix; and the physical floor for
the same bytes: the host's cp of the plain files plus a native expander of
the packed ones. Prints the medians and their ratios, the time to SETUP.EXE's
first window and its peak working set.

    bench_install.py BUILD PREFIX [ROUNDS]
"""

import os
import random
import shutil
import statistics
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
import harness  # noqa: E402
from run_setup import RunPrefix  # noqa: E402

PROG = "C:\\Program Files (x86)\\TarvoNomiraZunto8"
DATA = "C:\\ProgramData\\TarvoNomiraZunto8CommonAppData"
NSIS_DIR = "C:\\Program Files (x86)\\BenchNSIS"
NSIS_SCRIPT = """Unicode true
SetCompressor %s
Name "Bench"
OutFile "%s"
InstallDir "$PROGRAMFILES\\BenchNSIS"
RequestExecutionLevel admin
Section
SetOutPath "$INSTDIR\\Data"
File "plain\\*.*"
SectionEnd
"""


def make_payload(bench):
    """The plain files, the packed half, and the list lines (once)."""
    if os.path.exists(os.path.join(bench, ".ready")):
        return
    print("== making the payload and the NSIS installers (once; packing takes a few minutes)", flush=True)
    shutil.rmtree(bench, ignore_errors=True)
    for sub in ("plain", "packed"):
        os.makedirs(os.path.join(bench, sub))
    r = random.Random(8040)
    words = [b"zunto ", b"ledger ", b"2024-", b"amount=", b"\r\n", "表ソ".encode("cp932"), b"total "]
    lines = []
    for i in range(1000):
        size = 20000 + (i * 7919) % 170000
        parts, n = [], 0
        while n < size:
            w = r.choice(words) if r.random() < 0.7 else str(r.randrange(10 ** 6)).encode()
            parts.append(w)
            n += len(w)
        name = "P%04d.BIN" % i if i % 2 else "F%04d.DAT" % i
        with open(os.path.join(bench, "plain", name), "wb") as f:
            f.write(b"".join(parts)[:size])
        if i % 2:
            subprocess.run(["mscompress", os.path.join(bench, "plain", name)], check=True, stdout=subprocess.DEVNULL)
            shutil.move(os.path.join(bench, "plain", name + "_"), os.path.join(bench, "packed", name[:-1] + "_"))
            lines.append("p%04d=1,1,%s_,%s,$(AppPath)Data" % (i, name[:-1], name))
        else:
            lines.append("f%04d=1,0,%s,%s,$(AppPath)Data" % (i, name, name))
    with open(os.path.join(bench, "payload.lst"), "w") as f:
        f.write("\r\n".join(lines) + "\r\n")
    for kind, compressor in (("zlib", "zlib"), ("lzma", "/SOLID lzma")):
        with open(os.path.join(bench, "nsis-%s.nsi" % kind), "w") as f:
            f.write(NSIS_SCRIPT % (compressor, "nsis-%s.exe" % kind))
        subprocess.run(["makensis", "-V1", "nsis-%s.nsi" % kind], cwd=bench, check=True)
    open(os.path.join(bench, ".ready"), "w").close()


def make_media(build, bench):
    """The built sample media with the payload added to its Files section."""
    media = os.path.join(bench, "media")
    shutil.rmtree(media, ignore_errors=True)
    shutil.copytree(os.path.join(build, "media"), media)
    for name in os.listdir(os.path.join(bench, "plain")):
        if name.endswith(".DAT"):
            os.link(os.path.join(bench, "plain", name), os.path.join(media, name))
    for name in os.listdir(os.path.join(bench, "packed")):
        os.link(os.path.join(bench, "packed", name), os.path.join(media, name))
    with open(os.path.join(media, "SETUP.LST"), "rb") as f:
        listing = f.read()
    with open(os.path.join(bench, "payload.lst"), "rb") as f:
        listing = listing.replace(b"[Files]\r\n", b"[Files]\r\n" + f.read())
    with open(os.path.join(media, "SETUP.LST"), "wb") as f:
        f.write(listing)


def floor(build, bench):
    """Seconds for the host to write the same bytes: cp of the plain files,
    then the native expander for the packed ones, then a sync that puts them
    on the disk (as SETUP.EXE's flush of each file does)."""
    out = os.path.join(bench, "floor")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    plain = [os.path.join(bench, "plain", n) for n in os.listdir(os.path.join(bench, "plain")) if n.endswith(".DAT")]
    packed = [os.path.join(bench, "packed", n) for n in os.listdir(os.path.join(bench, "packed"))]
    start = time.monotonic()
    subprocess.run(["cp"] + plain + [out], check=True)
    middle = time.monotonic()
    subprocess.run([os.path.join(build, "tools", "szdd_expand"), out] + packed, check=True)
    end = time.monotonic()
    subprocess.run(["sync"], check=True)
    synced = time.monotonic()
    shutil.rmtree(out)
    return middle - start, end - middle, synced - end


class Bench:
    def __init__(self, prefix):
        self.prefix = prefix
        self.driver = harness.Driver(prefix)

    def clean(self, *folders):
        for folder in folders:
            shutil.rmtree(self.prefix.host_path(folder), ignore_errors=True)
        subprocess.run(["sync"], check=True)

    def count(self, folder):
        return len(os.listdir(self.prefix.host_path(folder)))

    def ours(self):
        """Start to the completion message, the first window, Yes to the
        completion message, and the peak working set."""
        self.clean(PROG, DATA)
        d = self.driver
        start = time.monotonic()
        d.ok('start "C:\\bench\\media\\SETUP.EXE"')
        d.ok("wait-class BackgroundWindow 60000")
        first = time.monotonic()
        harness.walk(unittest.TestCase(), d, [(None, harness.IDOK), (harness.FINAL_QUESTION, harness.IDYES)])
        confirmed = time.monotonic()
        box = d.ok("wait box 600000", timeout=700)
        done = time.monotonic()
        if box["text"] != harness.COMPLETED:
            raise harness.DriverError(box["text"])
        peak = d.ok("memory")["peak"]
        d.ok("press %d" % harness.IDOK)
        d.ok("exit 60000")
        if self.count(PROG + "\\Data") != 1000:
            raise harness.DriverError("SETUP.EXE installed %d files" % self.count(PROG + "\\Data"))
        return done - start, first - start, done - confirmed, peak

    def nsis(self, kind):
        self.clean(NSIS_DIR)
        start = time.monotonic()
        self.driver.ok('start "C:\\bench\\nsis-%s.exe" /S' % kind)
        code = self.driver.ok("exit 600000", timeout=700)["code"]
        took = time.monotonic() - start
        if code != 0 or self.count(NSIS_DIR + "\\Data") != 1000:
            raise harness.DriverError("NSIS %s ended with %d" % (kind, code))
        return took


def main():
    build, prefix_path = sys.argv[1:3]
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    bench = os.path.join(build, "bench")
    make_payload(bench)
    make_media(build, bench)
    prefix = RunPrefix(prefix_path)
    link = os.path.join(prefix_path, "drive_c", "bench")
    if not os.path.islink(link):
        os.symlink(os.path.abspath(bench), link)
    subprocess.run("cat %s/plain/* %s/packed/* %s/*.exe >/dev/null" % (bench, bench, bench), shell=True, check=True)

    # The copy engine alone (copybench.exe: the Files section, no windows),
    # then with and without the undo journal, fresh and over a copy.
    engine = subprocess.run([harness.WINE, os.path.join(build, "tools", "copybench.exe"), "C:\\bench\\media",
                             "C:\\bench\\engine\\", str(max(rounds, 5))], env=prefix.env, capture_output=True,
                            text=True, check=True)
    shutil.rmtree(os.path.join(bench, "engine"))

    b = Bench(prefix)
    times = {key: [] for key in ("ours", "first", "phase", "peak", "zlib", "lzma", "cp", "expand", "sync")}
    try:
        b.ours()  # a first run to warm the prefix, not counted
        for n in range(rounds):
            total, first, phase, peak = b.ours()
            for key, value in (("ours", total), ("first", first), ("phase", phase), ("peak", peak)):
                times[key].append(value)
            for kind in ("zlib", "lzma"):
                times[kind].append(b.nsis(kind))
            for key, value in zip(("cp", "expand", "sync"), floor(build, bench)):
                times[key].append(value)
            cp, expand = times["cp"][-1], times["expand"][-1]
            print("round %d: SETUP.EXE %.2f s (install %.2f s), NSIS zlib %.2f s, NSIS lzma %.2f s, floor %.2f s"
                  % (n + 1, total, phase, times["zlib"][-1], times["lzma"][-1], cp + expand), flush=True)
    finally:
        b.driver.close()

    m = {key: statistics.median(values) for key, values in times.items()}
    plain_floor = m["cp"] + m["expand"]
    print("\n== Medians of %d rounds (1,000 files, %.0f MB written)" % (
        rounds, sum(os.path.getsize(os.path.join(bench, "plain", n)) for n in os.listdir(os.path.join(bench, "plain")))
        / 1e6))
    print("SETUP.EXE, start to the completion message: %.2f s (of it, Yes to completion: %.2f s)"
          % (m["ours"], m["phase"]))
    print("NSIS zlib /S: %.2f s; NSIS solid LZMA /S: %.2f s" % (m["zlib"], m["lzma"]))
    print("Floor: cp %.2f s + native expander %.2f s = %.2f s; a sync after them adds %.2f s"
          % (m["cp"], m["expand"], plain_floor, m["sync"]))
    faster = min(m["zlib"], m["lzma"])
    print("SETUP.EXE / faster NSIS: %.2f (target <= 1); SETUP.EXE / floor: %.1fx (target <= 3), %.1fx against the"
          " floor with its sync" % (m["ours"] / faster, m["ours"] / plain_floor, m["ours"] / (plain_floor + m["sync"])))
    lines = engine.stdout.splitlines()
    print("Copy engine alone (copybench, the Files section): %.2f s" % float(lines[0]))
    print("Undo journal, copy engine: " + lines[1])
    print("SETUP.EXE start to first window: %.2f s; peak working set: %.1f MB" % (m["first"], m["peak"] / 2 ** 20))


if __name__ == "__main__":
    main()

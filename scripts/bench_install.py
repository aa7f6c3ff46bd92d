"""The installation benchmark (run by scripts/bench.sh): two payloads of
1,000 files each (half of them packed on our media; "text": ledger-like text
throughout; "binary": the plain half incompressible bytes, the packed half
Japanese text) installed by SETUP.EXE (interactive and /SILENT) and by two
NSIS installers of the same files (zlib, solid LZMA, silent /S; 64-bit stubs
for the x86_64 build), in turns, under the same Wine prefix; and the physical
floor for the same bytes: the host's cp of the plain files plus a native
expander of the packed ones. Prints the medians and their ratios, the time to
SETUP.EXE's first window and its peak working set.

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
NSIS_DIR = "C:\\BenchNSIS"
NSIS_SCRIPT = """%sUnicode true
SetCompressor %s
Name "Bench"
OutFile "%s"
InstallDir "C:\\BenchNSIS"
RequestExecutionLevel admin
Section
SetOutPath "$INSTDIR\\Data"
File "plain\\*.*"
SectionEnd
"""


def payload_bytes(kind, r, i, size, words):
    if kind == "binary" and i % 2 == 0:  # a plain file: incompressible
        return r.randbytes(size)
    if kind == "binary":  # a packed file: Japanese text
        text = "".join(r.choice("帳簿勘定科目残高仕訳日付金額摘要会社名前年月日") for _ in range(size // 2))
        return text.encode("cp932")[:size]
    parts, n = [], 0
    while n < size:
        w = r.choice(words) if r.random() < 0.7 else str(r.randrange(10 ** 6)).encode()
        parts.append(w)
        n += len(w)
    return b"".join(parts)[:size]


def make_nsis(bench, target):
    """The two NSIS installers of the payload, made again when their script changes."""
    for kind, compressor in (("zlib", "zlib"), ("lzma", "/SOLID lzma")):
        stub = "Target amd64-unicode\n" if target == "x86_64" else ""
        script = NSIS_SCRIPT % (stub, compressor, "nsis-%s.exe" % kind)
        path = os.path.join(bench, "nsis-%s.nsi" % kind)
        if os.path.exists(path) and open(path).read() == script and os.path.exists(path[:-3] + "exe"):
            continue
        with open(path, "w") as f:
            f.write(script)
        subprocess.run(["makensis", "-V1", os.path.basename(path)], cwd=bench, check=True)


def make_payload(bench, kind):
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
        name = "P%04d.BIN" % i if i % 2 else "F%04d.DAT" % i
        with open(os.path.join(bench, "plain", name), "wb") as f:
            f.write(payload_bytes(kind, r, i, size, words))
        if i % 2:
            subprocess.run(["mscompress", os.path.join(bench, "plain", name)], check=True, stdout=subprocess.DEVNULL)
            shutil.move(os.path.join(bench, "plain", name + "_"), os.path.join(bench, "packed", name[:-1] + "_"))
            lines.append("p%04d=1,1,%s_,%s,$(AppPath)Data" % (i, name[:-1], name))
        else:
            lines.append("f%04d=1,0,%s,%s,$(AppPath)Data" % (i, name, name))
    with open(os.path.join(bench, "payload.lst"), "w") as f:
        f.write("\r\n".join(lines) + "\r\n")
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
    subprocess.run(["sync"], check=True)  # as before each installer: no writeback of the last one meanwhile
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
    def __init__(self, prefix, root):
        self.prefix = prefix
        self.root = root  # the payload's folder as the prefix sees it
        self.driver = harness.Driver(prefix)

    def clean(self, *folders):
        for folder in folders:
            shutil.rmtree(self.prefix.host_path(folder), ignore_errors=True)
        subprocess.run(["sync"], check=True)

    def count(self, folder):
        return len(os.listdir(self.prefix.host_path(folder)))

    def check(self, what, code, folder):
        if code != 0 or self.count(folder + "\\Data") != 1000:
            raise harness.DriverError("%s ended with %d" % (what, code))

    def ours(self):
        """Start to the completion message, the first window, Yes to the
        completion message, and the peak working set."""
        self.clean(PROG, DATA)
        d = self.driver
        start = time.monotonic()
        d.ok('start "%s\\media\\SETUP.EXE"' % self.root)
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
        self.check("SETUP.EXE", d.ok("exit 60000")["code"], PROG)
        return done - start, first - start, done - confirmed, peak

    def timed(self, command, folder):
        start = time.monotonic()
        self.driver.ok(command)
        code = self.driver.ok("exit 600000", timeout=700)["code"]
        took = time.monotonic() - start
        self.check(command, code, folder)
        return took

    def silent(self):
        self.clean(PROG, DATA)
        return self.timed('start "%s\\media\\SETUP.EXE" /SILENT' % self.root, PROG)

    def nsis(self, kind):
        self.clean(NSIS_DIR)
        return self.timed('start "%s\\nsis-%s.exe" /S' % (self.root, kind), NSIS_DIR)


def run_payload(build, prefix, kind, rounds, target):
    bench = os.path.join(build, "bench" if kind == "text" else "bench-" + kind)
    make_payload(bench, kind)
    make_nsis(bench, target)
    make_media(build, bench)
    name = os.path.basename(bench)
    link = os.path.join(prefix.path, "drive_c", name)
    if not os.path.islink(link):
        os.symlink(os.path.abspath(bench), link)
    root = "C:\\" + name
    subprocess.run("cat %s/plain/* %s/packed/* %s/*.exe >/dev/null" % (bench, bench, bench), shell=True, check=True)

    # The copy engine alone (copybench.exe: the Files section, no windows),
    # then with and without the undo journal, fresh and over a copy.
    engine = subprocess.run([harness.WINE, os.path.join(build, "tools", "copybench.exe"), root + "\\media",
                             root + "\\engine\\", str(max(rounds, 5))], env=prefix.env, capture_output=True,
                            text=True, check=True)
    shutil.rmtree(os.path.join(bench, "engine"))

    b = Bench(prefix, root)
    keys = ("ours", "first", "phase", "peak", "silent", "zlib", "lzma", "cp", "expand", "sync")
    times = {key: [] for key in keys}
    print("\n== Payload \"%s\"" % kind, flush=True)
    try:
        b.ours()  # a first run to warm the prefix, not counted
        for n in range(rounds):
            total, first, phase, peak = b.ours()
            for key, value in (("ours", total), ("first", first), ("phase", phase), ("peak", peak)):
                times[key].append(value)
            times["silent"].append(b.silent())
            for nsis in ("zlib", "lzma"):
                times[nsis].append(b.nsis(nsis))
            for key, value in zip(("cp", "expand", "sync"), floor(build, bench)):
                times[key].append(value)
            cp, expand = times["cp"][-1], times["expand"][-1]
            print("round %d: SETUP.EXE %.2f s (install %.2f s), /SILENT %.2f s, NSIS zlib %.2f s, NSIS lzma %.2f s, "
                  "floor %.2f s" % (n + 1, total, phase, times["silent"][-1], times["zlib"][-1], times["lzma"][-1],
                                    cp + expand), flush=True)
    finally:
        b.driver.close()

    m = {key: statistics.median(values) for key, values in times.items()}
    plain_floor = m["cp"] + m["expand"]
    print("Medians of %d rounds (1,000 files, %.0f MB written)" % (
        rounds, sum(os.path.getsize(os.path.join(bench, "plain", n)) for n in os.listdir(os.path.join(bench, "plain")))
        / 1e6))
    print("SETUP.EXE, start to the completion message: %.2f s (of it, Yes to completion: %.2f s); /SILENT: %.2f s"
          % (m["ours"], m["phase"], m["silent"]))
    print("NSIS zlib /S: %.2f s; NSIS solid LZMA /S: %.2f s" % (m["zlib"], m["lzma"]))
    print("Floor: cp %.2f s + native expander %.2f s = %.2f s; a sync after them adds %.2f s"
          % (m["cp"], m["expand"], plain_floor, m["sync"]))
    faster = min(m["zlib"], m["lzma"])
    print("SETUP.EXE / faster NSIS: %.2f (target <= 1); /SILENT / faster NSIS: %.2f (target <= 0.8)"
          % (m["ours"] / faster, m["silent"] / faster))
    print("SETUP.EXE / floor: %.1fx (target <= 3), %.1fx against the floor with its sync"
          % (m["ours"] / plain_floor, m["ours"] / (plain_floor + m["sync"])))
    lines = engine.stdout.splitlines()
    print("Copy engine alone (copybench, the Files section): %.2f s" % float(lines[0]))
    print("Undo journal, copy engine: " + lines[1])
    print("SETUP.EXE start to first window: %.2f s; peak working set: %.1f MB" % (m["first"], m["peak"] / 2 ** 20))


def main():
    build, prefix_path = sys.argv[1:3]
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    target = os.environ.get("RUN_TARGET", "i686")
    prefix = RunPrefix(prefix_path)
    for kind in ("text", "binary"):
        run_payload(build, prefix, kind, rounds, target)


if __name__ == "__main__":
    main()

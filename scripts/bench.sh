#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine; prints speed and memory ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh gcc  # gcc: the native expander of the copy benchmark
source scripts/common.sh
build "$RUN_BUILD" "$RUN_TARGET" ON
ninja -C "$RUN_BUILD" bench
export WINEPREFIX="$RUN_BUILD/wineprefix"
make_prefix "$WINEPREFIX" null
trap 'stop_wineserver "$WINEPREFIX"' EXIT
start_wineserver "$WINEPREFIX"
"$WINE" "$RUN_BUILD/tools/bench.exe" </dev/null

# ---- the copy engine against the native floor --------------------------------
# A payload of 1,000 files (about 105 MB expanded), half of them packed with
# mscompress, made once. The engine (the i686 build's CopySection under
# Wine) copies and expands it; the floor is the host's cp of the plain files
# plus a native SZDD expander of our own for the packed ones.
ninja -C "$RUN_BUILD" copybench
EXPAND="$RUN_BUILD/tools/szdd_expand"
gcc -O2 -Wall -o "$EXPAND" tools/bench/szdd_expand.c
PAYLOAD="$RUN_BUILD/bench-payload"
if [ ! -f "$PAYLOAD/.ready" ]; then
    echo "== making the payload (once; mscompress takes a minute)"
    rm -rf "$PAYLOAD"
    mkdir -p "$PAYLOAD"
    python3 - "$PAYLOAD" <<'PY'
import random, sys
folder = sys.argv[1]
r = random.Random(8040)
words = [b"zunto ", b"ledger ", b"2024-", b"amount=", b"\r\n", "表ソ".encode("cp932"), b"total "]
lines = [b"; copy benchmark payload", b"[Files]"]
for i in range(1000):
    size = 20000 + (i * 7919) % 170000
    parts, n = [], 0
    while n < size:
        w = r.choice(words) if r.random() < 0.7 else str(r.randrange(10**6)).encode()
        parts.append(w)
        n += len(w)
    data = b"".join(parts)[:size]
    if i % 2:
        name = "P%04d.BIN" % i
        lines.append(b"p%04d=1,1,P%04d.BI_,%s,$(AppPath)" % (i, i, name.encode()))
    else:
        name = "F%04d.DAT" % i
        lines.append(b"f%04d=1,0,%s,%s,$(AppPath)" % (i, name.encode(), name.encode()))
    open("%s/%s" % (folder, name), "wb").write(data)
open(folder + "/SETUP.LST", "wb").write(b"\r\n".join(lines) + b"\r\n")
PY
    (cd "$PAYLOAD" && mscompress P*.BIN && for f in P*.BIN; do mv "${f}_" "${f%.BIN}.BI_" && rm "$f"; done)
    touch "$PAYLOAD/.ready"
fi
ENGINE_OUT="$RUN_BUILD/bench-out-engine"
FLOOR_OUT="$RUN_BUILD/bench-out-floor"
rm -rf "$ENGINE_OUT" "$FLOOR_OUT"
mkdir -p "$ENGINE_OUT" "$FLOOR_OUT"
cat "$PAYLOAD"/* >/dev/null  # both read from the page cache
expanded_mb=$(python3 -c "import sys,os;print(round(sum(os.path.getsize(os.path.join(sys.argv[1],f)) for f in os.listdir(sys.argv[1]) if f[-1] in 'T_')/1e6,1))" "$PAYLOAD")
echo "== payload: $(ls "$PAYLOAD"/*.DAT | wc -l) plain + $(ls "$PAYLOAD"/*.BI_ | wc -l) packed files, $expanded_mb MB on the media"

now() { date +%s.%N; }
t0=$(now)
cp "$PAYLOAD"/*.DAT "$FLOOR_OUT"/
t1=$(now)
"$EXPAND" "$FLOOR_OUT" "$PAYLOAD"/*.BI_
t2=$(now)
sync
t3=$(now)
winpath() { echo "Z:${1//\//\\}"; }  # the library takes no / in paths
engine=$(timeout 600 "$WINE" "$RUN_BUILD/tools/copybench.exe" "$(winpath "$PAYLOAD")" "$(winpath "$ENGINE_OUT")\\" </dev/null)
# mscompress keeps no last character in the header: name the expanded files here.
for f in "$FLOOR_OUT"/*.BI_; do [ -e "$f" ] && mv "$f" "${f%_}N"; done
diff -r "$ENGINE_OUT" "$FLOOR_OUT" >/dev/null && same="identical" || same="DIFFERENT"
python3 - "$engine" "$t0" "$t1" "$t2" "$t3" "$same" "$(du -sm "$ENGINE_OUT" | cut -f1)" <<'PY'
import sys
engine, t0, t1, t2, t3 = map(float, sys.argv[1:6])
cp, expand, sync = t1 - t0, t2 - t1, t3 - t2
floor = cp + expand
print("Copy engine (i686, Wine): %.2f s for %s MB written; floor: cp %.2f s + native expand %.2f s = %.2f s"
      " (a final sync adds %.2f s)" % (engine, sys.argv[7], cp, expand, floor, sync))
print("Engine / floor: %.1fx (%.1fx against floor + sync); outputs %s" % (engine / floor, engine / (floor + sync), sys.argv[6]))
PY
rm -rf "$ENGINE_OUT" "$FLOOR_OUT"

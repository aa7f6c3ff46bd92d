#!/usr/bin/env bash
# Stages the sample installation media into a folder, as on the disk:
#   scripts/stage-media.sh TARGET_FOLDER SETUP.EXE [PROGRAM.EXE...]
# The build runs it (target "media", into BUILD/media). The folder gets
# SETUP.LST, media/files, the given programs (the built ZUNTO8.EXE and
# ZUNTOSHL.EXE) and SETUP.EXE. Files listed in media/COMPRESS are then packed
# with mscompress (SZDD, which lz32 expands) and kept under their packed name
# only. Last, SETUP.SUM lists the SHA-256 of every file on the media.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
target="$1"
setup="$2"
shift 2

rm -rf "$target"
mkdir -p "$target"
cp -r "$ROOT/media/files/." "$target/"
cp "$ROOT/media/SETUP.LST" "$target/SETUP.LST"
for program in "$@"; do
    cp "$program" "$target/"
done
while read -r name packed; do
    [ -z "$name" ] && continue
    case "$name" in \#*) continue ;; esac
    mscompress "$target/$name" >/dev/null
    mv "$target/${name}_" "$target/$packed"
    rm "$target/$name"
done < "$ROOT/media/COMPRESS"
cp "$setup" "$target/SETUP.EXE"

# SETUP.SUM: in the format of sha256sum (names relative to the media folder,
# forward slashes), in CP932 with CR LF like SETUP.LST, so that
#   iconv -f cp932 -t utf-8 SETUP.SUM | sha256sum -c
# checks the media on Linux too.
(cd "$target" && find . -type f ! -name SETUP.SUM -printf '%P\n' | LC_ALL=C sort |
    xargs -r -d '\n' sha256sum --) |
    iconv -f utf-8 -t cp932 | LC_ALL=C sed 's/$/\r/' > "$target/SETUP.SUM"

#!/usr/bin/env bash
# Stages the sample installation media into a folder, as on the disk:
#   scripts/stage-media.sh TARGET_FOLDER SETUP.EXE [PROGRAM.EXE...]
# The build runs it (target "media", into BUILD/media). The folder gets
# SETUP.LST, media/files, the given programs (the built ZUNTO8.EXE and
# ZUNTOSHL.EXE) and SETUP.EXE. Files listed in media/COMPRESS are then packed
# with mscompress (SZDD, which lz32 expands) and kept under their packed name
# only.
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

#!/usr/bin/env bash
# Stages the sample installation media into a folder:
#   scripts/stage-media.sh TARGET_FOLDER SETUP.EXE
# Files listed in media/COMPRESS are packed with mscompress (SZDD, which
# lz32 expands) and stored under the packed name (NAME_ -> as listed).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
target="$1"
rm -rf "$target"
mkdir -p "$target"
cp -r "$ROOT/media/files/." "$target/"
cp "$ROOT/media/SETUP.LST" "$target/SETUP.LST"
if [ -f "$ROOT/media/COMPRESS" ]; then
    while read -r name packed; do
        [ -z "$name" ] && continue
        case "$name" in \#*) continue ;; esac
        (cd "$target" && mscompress "$name" >/dev/null && mv "${name}_" "$packed" && rm -f "$name")
    done < "$ROOT/media/COMPRESS"
fi
cp "$2" "$target/SETUP.EXE"

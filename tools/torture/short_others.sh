#!/usr/bin/env bash
# The short torture run of zephnotes.exe, all but the kill trials (which
# torture_kill_short.sh runs): full disk, failing writes, bad names, folder
# links, odd files, load. The full run: "bash tools/torture/run.sh --full".
# Usage: torture_short.sh zephnotes.exe
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: the torture run mounts file systems and sets chattr flags: it needs root"
    exit 0
fi
exec bash "$HERE/run.sh" --short --only 2,3,4,5,6,7 "$1"

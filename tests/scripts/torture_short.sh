#!/usr/bin/env bash
# The short torture run of zephnotes.exe (kill during save, full disk,
# failing writes, bad names, folder links, odd files, load); the full run is
# "bash tools/torture/run.sh --full". Usage: torture_short.sh zephnotes.exe
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: the torture run mounts file systems and sets chattr flags: it needs root"
    exit 0
fi
exec bash "$HERE/../../tools/torture/run.sh" --short "$1"

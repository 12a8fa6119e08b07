#!/usr/bin/env bash
# The short torture run of zephnotes.exe, all but the kill trials (which
# torture_kills.sh runs): full disk, failing writes, bad names, folder links,
# odd files, load, notes changed elsewhere. The full run: "bash tools/torture/run.sh --full".
# Usage: torture_others.sh zephnotes.exe
TORTURE="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools/torture" && pwd)"
if [ "$(id -u)" -ne 0 ]; then
    # a full disk needs a tmpfs mount and failing writes need chattr
    echo "SKIP: full disk and failing writes need root (tmpfs mount, chattr)"
    exec bash "$TORTURE/run.sh" --short --only 4,5,6,7,8 "$1"
fi
exec bash "$TORTURE/run.sh" --short --only 2,3,4,5,6,7,8 "$1"

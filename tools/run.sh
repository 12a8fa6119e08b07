#!/usr/bin/env bash
# Installs what is missing, builds ZephNotes and starts it on this display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

zeph_install_packages
zeph_build zephnotes
zeph_prefix "${ZEPH_WINEPREFIX:-$HOME/.local/share/zephnotes/wineprefix}" x11
if [ -z "${DISPLAY:-}" ]; then
    echo "No display: set DISPLAY, or run under xvfb-run." >&2
    exit 1
fi
exec wine "$ZEPH_BUILD/zephnotes.exe"

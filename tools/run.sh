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
# The notes live in the XDG documents folder (~/Documents unless
# ~/.config/user-dirs.dirs names another), made when missing; without it Wine
# would take the home folder itself for Documents.
if [ -z "${ZEPHNOTES_DOCUMENTS:-}" ]; then
    documents="${XDG_DOCUMENTS_DIR:-}"
    if [ -z "$documents" ] && [ -f "${XDG_CONFIG_HOME:-$HOME/.config}/user-dirs.dirs" ]; then
        documents=$(sed -n 's/^XDG_DOCUMENTS_DIR="\(.*\)"$/\1/p' \
            "${XDG_CONFIG_HOME:-$HOME/.config}/user-dirs.dirs" | sed "s|\$HOME|$HOME|")
    fi
    [ -n "$documents" ] && [ "$documents" != "$HOME" ] || documents="$HOME/Documents"
    mkdir -p "$documents"
    export ZEPHNOTES_DOCUMENTS="Z:$(printf '%s' "$documents" | tr / '\\')"
fi
exec wine "$ZEPH_BUILD/zephnotes.exe"

#!/usr/bin/env bash
# Installs what is missing, builds ZephNotes and its tests, and runs every
# test headless under Wine through ctest; exits with ctest's status.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

zeph_install_packages
zeph_build
zeph_prefix "$ZEPH_BUILD/wineprefix-test" null test
# One wineserver kept alive for every test program saves seconds per start.
wineserver -p 2>/dev/null || true
# Start Wine's own services now, detached from ctest's output pipes: a service
# that inherited a test's pipe would keep ctest waiting for its end.
wine cmd /c ver </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k 2>/dev/null || true' EXIT
cd "$ZEPH_BUILD"
# Two at a time: the scripted runs each have a display and a prefix of their own.
ctest --output-on-failure --timeout 600 -j2 "$@"

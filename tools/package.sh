#!/usr/bin/env bash
# Installs what is missing, builds ZephNotes and makes its two packages with
# CPack in build/packages: zephnotes_<version>_amd64.deb for Debian and
# Ubuntu, zephnotes-<version>-win64.zip for Windows.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

zeph_install_packages
zeph_build zephnotes
cd "$ZEPH_BUILD"
cpack -G "DEB;ZIP" -B "$ZEPH_BUILD/packages" >/dev/null
ls "$ZEPH_BUILD"/packages/zephnotes*.deb "$ZEPH_BUILD"/packages/zephnotes*.zip

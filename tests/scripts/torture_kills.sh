#!/usr/bin/env bash
# The short torture run's kill trials: 50 saves of a random note, each
# killed outright 0 to 50 ms after the save began; no note may be lost or
# cut. The full run: "bash tools/torture/run.sh --full".
# Usage: torture_kills.sh zephnotes.exe
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
exec bash "$HERE/../../tools/torture/run.sh" --short --only 1 "$1"

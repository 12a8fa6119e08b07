#!/usr/bin/env bash
# Takes the README's screenshots of the real program on a private Xvfb
# display: the tree, its menu, the name entry window, the editor at the
# design size and at twice that, the editor's menu and the About window.
#   bash tools/screenshots.sh [OUT_DIR]      (default docs/screenshots)
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="$(mkdir -p "${1:-$ROOT/docs/screenshots}" && cd "${1:-$ROOT/docs/screenshots}" && pwd)"
source "$ROOT/tools/setup.sh"
zeph_install_packages
zeph_build zephnotes zephprobe >/dev/null
EXE="$ZEPH_BUILD/zephnotes.exe"
source "$ROOT/tools/torture/drive.sh"

DOCS=$(mktemp -d /tmp/zeph-shots.XXXXXX)
NOTES="$DOCS/ZephNotes"
cleanup() { zd_kill_app; zd_stop_prefix; zd_stop_x; rm -rf "$DOCS"; }
trap cleanup EXIT

note() { # path text
    mkdir -p "$(dirname "$NOTES/$1")"
    { printf '\xff\xfe'; printf '%s' "$2" | iconv -f UTF-8 -t UTF-16LE; } > "$NOTES/$1"
}
mkdir -p "$NOTES/Работа"
note "Дом/Покупки" $'Хлеб, молоко\r\nЯблоки'
note "Идеи" $'Идеи для заметок\r\nСписок дел на неделю\r\nПозвонить Ивану в пятницу\r\nКупить тетрадь в линейку'
note "Работа/План" "План"

ZD_SCREEN=1024x768x24 zd_start_x || { echo "no Xvfb display" >&2; exit 1; }
zd_prefix "$EXE" wineprefix-shots
export ZEPHNOTES_DOCUMENTS="$(zd_winpath "$DOCS")"

# The window with its menu bar: the client area and the bar below it.
shot() { # name
    sleep 0.6
    import -window root -crop "240x294+$ZD_X+$ZD_Y" +repage "$OUT/$1.png" 2>/dev/null
    echo "$OUT/$1.png"
}
shot_big() { # name
    sleep 0.6
    import -window root -crop "480x562+$ZD_X+$ZD_Y" +repage "$OUT/$1.png" 2>/dev/null
    echo "$OUT/$1.png"
}
ROW() { echo $(( 17 + 24 * $1 )); }

zd_launch "$EXE"
zd_wait_painted 30 >/dev/null
zd_tap 120 250                 # the keyboard reaches the program after a tap
zd_tap 40 "$(ROW 0)"           # the root
zd_keys Right Down Right       # open the root and the folder Дом
zd_keys Up Up
shot tree
zd_hold 120 200
shot menu_tree
zd_tree_menu create_folder
sleep 0.8
shot name_entry
zd_answer_entry "" cancel
sleep 0.5
zd_tap 40 "$(ROW 0)"
zd_keys Down Down Down          # the note Идеи
zd_tap 225 134                  # to the editor
sleep 1.2
shot editor
zd_hold 150 200
shot menu_editor
zd_keys Escape
sleep 0.3
xdotool key ctrl+a
zd_wait_window '^О программе$' 10
shot about
zd_tap 20 281
zd_wait_gone '^О программе$' 5
wine "$(dirname "$EXE")/zephprobe.exe" client-size 480 536 >/dev/null 2>&1
sleep 1
shot_big editor_480x536
zd_keys ctrl+q
zd_wait_exit 15 || zd_kill_app

#!/usr/bin/env bash
# Takes the README's screenshots of the real program on a private Xvfb
# display: the tree, its menu, the name entry window, the editor, the
# editor's menu and the About window at the design size; the editor and the
# tree at twice that (480 x 536) and the editor at four times (960 x 1072),
# each size given the window from outside as another program may; last the
# window at 480 x 536 in the frame of a window manager (openbox).
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
WM_PID=""
cleanup() {
    zd_kill_app
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    zd_stop_prefix; zd_stop_x; rm -rf "$DOCS"
}
trap cleanup EXIT

note() { # path text
    mkdir -p "$(dirname "$NOTES/$1")"
    { printf '\xff\xfe'; printf '%s' "$2" | iconv -f UTF-8 -t UTF-16LE; } > "$NOTES/$1"
}
mkdir -p "$NOTES/Работа"
note "Дом/Покупки" $'Хлеб, молоко\r\nЯблоки'
note "Идеи" $'Идеи для заметок\r\nСписок дел на неделю\r\nПозвонить Ивану в пятницу\r\nКупить тетрадь в линейку'
note "Работа/План" "План"

# Room for 960 x 1072 with the menu bar.
ZD_SCREEN=1600x1200x24 zd_start_x || { echo "no Xvfb display" >&2; exit 1; }
zd_prefix "$EXE" wineprefix-shots
export ZEPHNOTES_DOCUMENTS="$(zd_winpath "$DOCS")"
# No placement kept from an earlier run: the window opens where the system
# puts it.
timeout 30 wine reg delete 'HKCU\SOFTWARE\Brisel\ZephNotes' /f >/dev/null 2>&1
client_size() { # W H: the main window's client size, set from outside
    wine "$(dirname "$EXE")/zephprobe.exe" client-size "$1" "$2" >/dev/null 2>&1
    sleep 1
}

# The window with its menu bar: the client area and the bar below it.
shot() { # name
    sleep 0.6
    import -window root -crop "240x294+$ZD_X+$ZD_Y" +repage "$OUT/$1.png" 2>/dev/null
    echo "$OUT/$1.png"
}
# The bar's height now, as the program's windows say (it grows with them).
bar_height() {
    wine "$(dirname "$EXE")/zephprobe.exe" layout 2>/dev/null | tr -d '\r' | sed -n 's/^bar_height=//p'
}
shot_sized() { # name width height
    sleep 0.6
    local bar; bar=$(bar_height)
    import -window root -crop "$2x$(( $3 + ${bar:-26} ))+$ZD_X+$ZD_Y" +repage "$OUT/$1.png" 2>/dev/null
    echo "$OUT/$1.png"
}
ROW() { echo $(( 17 + 24 * $1 )); }

zd_launch "$EXE"
zd_wait_painted 30 >/dev/null
client_size 240 268             # a first start here is twice that: the design size first
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
client_size 480 536
shot_sized editor_480x536 480 536
zd_tap 30 300                   # the binding, at the left edge: the tree view
sleep 0.5
shot_sized tree_480x536 480 536
client_size 960 1072
zd_tap 930 600                  # the binding, at the right edge: the editor again
sleep 1.5
shot_sized editor_960x1072 960 1072
zd_keys ctrl+q
zd_wait_exit 15 || zd_kill_app

# In a window manager's frame: the manager draws it, the menu bar lies
# inside it.
openbox --sm-disable >/dev/null 2>&1 &
WM_PID=$!
manager_runs() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
zd_eventually 20 manager_runs || { echo "openbox did not start" >&2; exit 1; }
zd_launch "$EXE"
zd_wait_painted 30 >/dev/null
client_size 480 536
# Where the program's client area is, as its own windows say.
eval "$(wine "$(dirname "$EXE")/zephprobe.exe" layout 2>/dev/null | tr -d '\r' | grep '^client_[xy]=')"
ZD_X=$client_x ZD_Y=$client_y
read -r EL ER ET EB < <(xprop -id "$(xdotool search --name '^ZephNotes$' | head -1)" \
    _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
zd_keys Right Down Right         # the manager gave the new window the keys
sleep 0.6
bar=$(bar_height)
import -window root -crop "$(( 480 + EL + ER ))x$(( 536 + ${bar:-26} + ET + EB ))+$(( ZD_X - EL ))+$(( ZD_Y - ET ))" \
    +repage "$OUT/window_manager.png" 2>/dev/null
echo "$OUT/window_manager.png"
zd_keys ctrl+q
zd_wait_exit 15 || zd_kill_app

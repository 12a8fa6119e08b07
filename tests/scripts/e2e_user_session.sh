#!/usr/bin/env bash
# A user's session with zephnotes.exe, driven by real X input events on a
# private Xvfb display: taps, tap-and-holds, menu choices, typed names and
# text, view switches, exit and restart. Checks the notes folder's files and
# the stored sort order afterwards. Usage: e2e_user_session.sh zephnotes.exe
set -u
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/../../tools/torture/drive.sh"
zd_under_timeout 480 "$0" "$@"    # never hang: a hard limit for the session
EXE="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"

BUILD="$(dirname "$EXE")"
SHOTS="$BUILD/screenshots"
DOCS="$(mktemp -d /tmp/zeph-e2e.XXXXXX)"
NOTES="$DOCS/ZephNotes"
KEY='HKCU\SOFTWARE\Brisel\ZephNotes'
mkdir -p "$SHOTS"
started=$(date +%s)

cleanup() {
    zd_kill_app
    zd_stop_prefix
    zd_stop_x
    rm -rf "$DOCS"
}
trap cleanup EXIT
trap 'echo "FAIL: the session ran out of time"; exit 124' TERM

zd_start_x || { echo "FAIL: no Xvfb display"; exit 1; }
zd_prefix "$EXE" wineprefix-e2e
export ZEPHNOTES_DOCUMENTS="$(zd_winpath "$DOCS")"
timeout 30 wine reg delete "$KEY" /f >/dev/null 2>&1
# Another program's fallback face for every script, and none for Hebrew: the
# program uses its own while it runs and leaves both as they were.
FALLBACK='HKCU\Software\Wine\Uniscribe\Fallback'
HEBREW=72626568
timeout 30 wine reg add "$FALLBACK" /v 0 /d "Other Face" /f >/dev/null 2>&1
timeout 30 wine reg delete "$FALLBACK" /v "$HEBREW" /f >/dev/null 2>&1
fallback() { timeout 30 wine reg query "$FALLBACK" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_SZ *//p"; }
echo "display $DISPLAY, prefix $WINEPREFIX, documents $ZEPHNOTES_DOCUMENTS"

# utf16 TEXT: the bytes of a note holding TEXT, as hex.
note_hex() { { printf '\xff\xfe'; printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE; } | od -An -tx1 | tr -d ' \n'; }
file_hex() { od -An -tx1 "$1" | tr -d ' \n'; }
sort_order() {
    timeout 30 wine reg query "$KEY" /v SortOrder 2>/dev/null | tr -d '\r' |
        awk '/SortOrder/ {print $3}'
}
count_main_windows() {
    local n=0 w
    for w in $(xdotool search --name '^ZephNotes$' 2>/dev/null); do
        xwininfo -id "$w" 2>/dev/null | grep -q IsViewable && n=$((n + 1))
    done
    echo "$n"
}

SIDE_TREE_X=225   # the side strip in the tree view, client x 210..239
SIDE_EDIT_X=15    # and in the editor view, client x 0..29
ROW() { echo $(( 17 + 24 * $1 )); }   # client y of the n-th visible tree row

# ---- first start: create a folder and a note, write the note ----------------
zd_launch "$EXE"
zd_check "the program starts and shows its window" [ -n "${ZD_WINDOW:-}" ]
zd_check "the notes folder is made at start-up" zd_eventually 5 [ -d "$NOTES" ]
sleep 1
zd_screenshot "$SHOTS/e2e-01-start.png"

zd_tap 45 "$(ROW 0)"                       # select the root by its icon (a tap on its
                                           # selected label would start a rename)
zd_hold 120 200
zd_screenshot "$SHOTS/e2e-02-tree-menu.png"
zd_tree_menu create_folder
zd_wait_window '^Каталог:$' 5 >/dev/null
zd_check "\"Создать папку\" opens the name entry window" zd_window_named '^Каталог:$'
zd_screenshot "$SHOTS/e2e-03-name-entry.png"
zd_answer_entry "Travel"
zd_check "the folder typed in the name entry window is made" zd_eventually 5 [ -d "$NOTES/Travel" ]
zd_wait_gone '^Каталог:$' 5

# The same name again: one "Error" box, nothing else changes.
zd_tap 45 "$(ROW 0)"
zd_hold 120 200
zd_tree_menu create_folder
zd_answer_entry "Travel"
boxes=$(zd_close_boxes '^Error$' 4)
zd_check "creating an existing folder shows one Error box (saw $boxes)" [ "$boxes" = 1 ]
zd_check "the existing folder stays alone" [ "$(ls "$NOTES")" = Travel ]

# The root opened to show the new folder: Travel is the second row.
zd_tap 65 "$(ROW 1)"                       # select Travel by its icon
zd_hold 120 200
zd_tree_menu create_note
zd_wait_window '^Файл:$' 5 >/dev/null
zd_answer_entry "Plan"
zd_check "the note typed in the name entry window is made" zd_eventually 5 [ -f "$NOTES/Travel/Plan" ]
zd_wait_gone '^Файл:$' 5
zd_check "a new note holds only FF FE" [ "$(file_hex "$NOTES/Travel/Plan" 2>/dev/null)" = fffe ]

zd_tap 65 "$(ROW 1)"                       # Travel's icon (its label would rename it), then the keyboard
zd_keys Down                                # Travel opened to show Plan: select it
sleep 0.5
zd_screenshot "$SHOTS/e2e-04-tree-with-note.png"
zd_tap "$SIDE_TREE_X" 134                   # to the editor view
sleep 0.3
zd_screenshot "$SHOTS/e2e-05-editor-animation.png"
sleep 0.8
xdotool mousemove $((ZD_X + 100)) $((ZD_Y + 60)) click 1
sleep 0.2
zd_type "Hello, world"
zd_keys Return
zd_type "second line"
sleep 0.3
zd_screenshot "$SHOTS/e2e-06-editor-text.png"
zd_check "typing alone writes nothing yet" [ "$(file_hex "$NOTES/Travel/Plan")" = fffe ]
zd_tap "$SIDE_EDIT_X" 134                   # back to the tree: saves
expected=$(note_hex $'Hello, world\r\nsecond line')
plan_is() { [ "$(file_hex "$NOTES/Travel/Plan")" = "$1" ]; }
zd_check "leaving the editor view writes FF FE + the UTF-16LE text" \
    zd_eventually 5 plan_is "$expected"

zd_check "no temporary file is left beside the note" \
    [ -z "$(find "$NOTES" -name '*.zephtmp*')" ]

# The editor's own menu: Save.
zd_tap "$SIDE_TREE_X" 134
sleep 0.9
xdotool mousemove $((ZD_X + 200)) $((ZD_Y + 100)) click 1
zd_keys ctrl+End
# Letters off the keyboard map come as a user brings them from another
# program: through the clipboard (xdotool's remapped keys drop some of them
# on a new machine's display).
printf ' Привет' | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
clip_owner=$!
zd_eventually 5 sh -c '[ "$(xclip -o -selection clipboard 2>/dev/null)" = " Привет" ]'
zd_keys ctrl+v
zd_hold 120 150
zd_screenshot "$SHOTS/e2e-07-editor-menu.png"
zd_keys Up Return                           # the last item, "Сохранить"
plan_is_saved() { plan_is "$(note_hex $'Hello, world\r\nsecond line Привет')"; }
zd_check "\"Сохранить\" writes the note, pasted Cyrillic text included" \
    zd_eventually 5 plan_is_saved
kill "$clip_owner" 2>/dev/null
saved=$(file_hex "$NOTES/Travel/Plan")
zd_tap "$SIDE_EDIT_X" 134                   # leave without a change
sleep 0.5

zd_check "while it runs, the fallback face is the program's own" \
    [ "$(fallback 0) $(fallback "$HEBREW")" = "ZephNotes Fallback ZephNotes Fallback" ]

# ---- exit with Ctrl+Q -------------------------------------------------------
zd_keys ctrl+q
if zd_wait_exit 20; then
    zd_pass "Ctrl+Q ends the program"
    zd_check "it ends with code 0 (got $ZD_APP_RC)" [ "$ZD_APP_RC" = 0 ]
else
    zd_fail "Ctrl+Q ends the program"; zd_kill_app
fi
zd_check "exit leaves the note as saved" [ "$(file_hex "$NOTES/Travel/Plan")" = "$saved" ]
zd_check "exit writes SortOrder 0 (alphabetical)" [ "$(sort_order)" = 0x0 ]
zd_check "exit gives back the fallback face another program set" [ "$(fallback 0)" = "Other Face" ]
zd_check "and leaves none where there was none" [ -z "$(fallback "$HEBREW")" ]

# ---- second start: sort by date, exit by the menu bar -----------------------
zd_launch "$EXE"
zd_check "the program starts again" [ -n "${ZD_WINDOW:-}" ]
sleep 0.5
zd_hold 120 200
zd_keys Down Down Down Right
zd_screenshot "$SHOTS/e2e-08-sort-menu.png"
zd_keys Down Return                         # "По дате"
sleep 0.3
# A second instance raises the first and ends with 0.
timeout 30 wine "$EXE" >/dev/null 2>&1 </dev/null
second=$?
zd_check "a second start ends with 0 (got $second)" [ "$second" = 0 ]
zd_check "a second start leaves one window" [ "$(count_main_windows)" = 1 ]
zd_check "the first instance still runs" kill -0 "$ZD_APP_PID"
zd_screenshot "$SHOTS/e2e-09-after-second-start.png"
xdotool mousemove $((ZD_X + 28)) $((ZD_Y + 268 + 13)) click 1   # "Выход"
if zd_wait_exit 20; then
    zd_pass "\"Выход\" on the menu bar ends the program"
else
    zd_fail "\"Выход\" on the menu bar ends the program"; zd_kill_app
fi
zd_check "\"По дате\" is stored: SortOrder 1" [ "$(sort_order)" = 0x1 ]

# ---- third start: the stored order is kept; other programs change the folder
zd_launch "$EXE"
sleep 0.5
probe="$(dirname "$EXE")/zephprobe.exe"
labels() { timeout 60 wine "$probe" labels </dev/null 2>/dev/null | tr -d '\r'; }
shows() { labels | grep -qx -- "$1"; }
mkdir "$NOTES/From sync" && printf '\377\376' > "$NOTES/From sync/Copied"
printf '\377\376' > "$NOTES/Outside note"
zd_check "a folder another program made shows with its note" \
    zd_eventually 5 shows "    Copied"
zd_check "a note another program made shows at the top" zd_eventually 5 shows "  Outside note"
# A sync tool writes three thousand notes at once: the window keeps answering.
(cd "$NOTES/From sync" && seq -f 'synced%05g' 0 2999 | xargs touch)
answered=0
for _ in 1 2 3 4 5; do
    timeout 60 wine "$probe" answers 5 </dev/null >/dev/null 2>&1 && answered=$((answered + 1))
done
zd_check "the window answers all through the burst ($answered of 5)" [ "$answered" = 5 ]
zd_check "every synced note shows" \
    zd_eventually 20 sh -c "[ \"\$(timeout 60 wine '$probe' labels </dev/null 2>/dev/null | grep -c '^    synced')\" = 3000 ]"
rm "$NOTES/Outside note"
zd_check "a note another program removed goes" zd_eventually 5 sh -c "! (timeout 60 wine '$probe' labels </dev/null 2>/dev/null | tr -d '\r' | grep -qx '  Outside note')"
zd_tap 17 "$(ROW 0)"                       # open the root to look
zd_screenshot "$SHOTS/e2e-10-outside-changes.png"
zd_keys ctrl+q
zd_wait_exit 20 || zd_kill_app
zd_check "a start without a sort command keeps SortOrder 1" [ "$(sort_order)" = 0x1 ]
zd_check "the note is unchanged by the later sessions" \
    [ "$(file_hex "$NOTES/Travel/Plan")" = "$saved" ]

echo "e2e session: $ZD_PASSED passed, $ZD_FAILED failed, $(( $(date +%s) - started )) s;" \
     "screenshots in $SHOTS"
[ "$ZD_FAILED" = 0 ]

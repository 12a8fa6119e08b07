#!/usr/bin/env bash
# Torture runs of zephnotes.exe: kill during save, full disk, failing writes,
# bad names, folder links, odd files, a large tree and notes changed by
# other programs, driven with real X input on a private Xvfb display. Prints one line per check and a table of
# figures; exits non-zero when anything that must hold did not.
#
#   bash tools/torture/run.sh [--short | --full | --trials N] [--only 1,4,...] [zephnotes.exe]
#   bash tools/torture/run.sh --unison [--seed N] [--rounds N] [zephnotes.exe]
#
# Needs root (tmpfs mounts, chattr), Xvfb, xdotool, imagemagick, python3.
# --unison runs two programs on two notes folders kept in step by Unison
# instead (unison.sh).
set -u
ARGS=("$@")
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
if [ "${1:-}" = --unison ]; then
    shift
    exec bash "$HERE/unison.sh" "$@"
fi
source "$HERE/drive.sh"

MODE=short
TRIALS=""
ONLY="1,2,3,4,5,6,7,8"
EXE=""
while [ $# -gt 0 ]; do
    case "$1" in
    --short) MODE=short ;;
    --full) MODE=full ;;
    --trials) TRIALS="$2"; shift ;;
    --only) ONLY="$2"; shift ;;
    *) EXE="$1" ;;
    esac
    shift
done
[ -n "$EXE" ] || EXE="$ZD_ROOT/build/zephnotes.exe"
[ -f "$EXE" ] || { echo "FAIL: no program at $EXE"; exit 2; }
EXE="$(cd "$(dirname "$EXE")" && pwd)/$(basename "$EXE")"
if [ "$MODE" = full ]; then
    : "${TRIALS:=1000}"; LOAD_NOTES=40000; NAME_SET=all
else
    : "${TRIALS:=50}"; LOAD_NOTES=4000; NAME_SET=some
fi
# A hard limit for the whole run: nothing may hang.
if [ "$MODE" = full ]; then zd_under_timeout 43200 "$0" "${ARGS[@]}"; else zd_under_timeout 1000 "$0" "${ARGS[@]}"; fi

WORK="$(mktemp -d /tmp/zeph-torture.XXXXXX)"
BUILD="$(dirname "$EXE")"
EVIDENCE="$BUILD/torture-evidence"
PY="python3 $HERE/notes.py"
MOUNTS=()
IMMUTABLE=()
declare -A FIGURE
FIGURE_ORDER=()
figure() { [ -z "${FIGURE[$1]+x}" ] && FIGURE_ORDER+=("$1"); FIGURE[$1]="$2"; }

cleanup() {
    zd_kill_app
    local f m
    for f in "${IMMUTABLE[@]}"; do chattr -i "$f" 2>/dev/null; done
    for m in "${MOUNTS[@]}"; do umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null; done
    zd_stop_prefix
    zd_stop_x
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'echo "FAIL: the run ran out of time"; exit 124' TERM

on() { case ",$ONLY," in *",$1,"*) return 0 ;; esac; return 1; }

zd_start_x || { echo "FAIL: no Xvfb display"; exit 2; }
# a prefix of its own per selection: runs side by side must not share a
# wineserver, or the second program would only raise the first one
zd_prefix "$EXE" "wineprefix-torture-$MODE-${ONLY//,/}"
echo "torture ($MODE): display $DISPLAY, prefix $WINEPREFIX, work $WORK"

# fresh_docs NAME: a new documents folder; sets DOCS, NOTES and the variable.
fresh_docs() {
    DOCS="$WORK/$1"
    NOTES="$DOCS/ZephNotes"
    mkdir -p "$NOTES" "$WORK/outside"
    [ -f "$WORK/outside/SENTINEL-outside" ] || echo keep > "$WORK/outside/SENTINEL-outside"
    export ZEPHNOTES_DOCUMENTS="$(zd_winpath "$DOCS")"
}

# Everything under a folder: names, kinds, sizes, times and contents.
snapshot() {
    # a folder's own time changes with any file made and removed in it: only
    # its name counts
    (cd "$1" && { find . -type d -printf '%p d\n'; find . ! -type d -printf '%p %y %s %T@ %l\n'; } | sort
     find . -type f -print0 | sort -z | xargs -0r md5sum)
}


# unchanged DESCRIPTION BEFORE DIR: a check that DIR still matches its snapshot.
unchanged() {
    local now; now=$(snapshot "$3")
    if [ "$now" = "$2" ]; then zd_pass "$1"
    else zd_fail "$1: $(diff <(echo "$2") <(echo "$now") | grep '^[<>]' | head -4 | tr '\n' ' ')"
    fi
}

launch() {
    # a killed or closing program's window must be gone first, or this
    # start would only raise it and end
    zd_wait_gone '^ZephNotes$' 10
    zd_launch "$EXE" || { echo "FAIL: the program did not start"; return 1; }
    ZD_PID=$(zd_app_linux_pid)
    sleep 0.2
}
quit() {
    zd_keys ctrl+q
    zd_wait_exit 15 || zd_kill_app
}

# Tree-view places (client pixels).
SIDE_TREE_X=225; SIDE_EDIT_X=15; SIDE_Y=134
ROW() { echo $(( 17 + 24 * $1 )); }
to_editor() { zd_tap "$SIDE_TREE_X" "$SIDE_Y"; sleep 0.4; }
to_tree() { zd_tap "$SIDE_EDIT_X" "$SIDE_Y"; }
tree_hold() { zd_hold 120 250; }
editor_type() { # text: typed at the end of the note; keys of the keyboard only
    xdotool mousemove $((ZD_X + 120)) $((ZD_Y + 200)) click 1
    sleep 0.1
    xdotool key ctrl+End
    sleep 0.1
    xdotool type --delay 50 -- "$1"
    sleep 0.5
}
clipboard_holds() { xclip -o -selection clipboard 2>/dev/null | cmp -s "$1" -; }
# editor_paste NOTE [end]: the text of the note file NOTE pasted into the page
# (at its end with "end") through the X clipboard, as a user pastes text
# copied from another program.
editor_paste() {
    local clip="$WORK/clip.txt" owner
    $PY clip "$1" "$clip"
    xclip -quiet -selection clipboard -i "$clip" >/dev/null 2>&1 &
    owner=$!
    zd_eventually 5 clipboard_holds "$clip"
    xdotool mousemove $((ZD_X + 120)) $((ZD_Y + 200)) click 1
    sleep 0.1
    [ "${2:-}" = end ] && { xdotool key ctrl+End; sleep 0.1; }
    xdotool key ctrl+v
    sleep 0.5
    kill "$owner" 2>/dev/null; wait "$owner" 2>/dev/null
}
# select_named NAME: selects the item through "Начать поиск"; false when not found.
select_named() {
    tree_hold
    zd_tree_menu start_search
    zd_wait_window '^Поиск:$' 5
    zd_answer_entry "$1"
    local boxes
    boxes=$(zd_close_boxes '^Поиск$' 2)
    [ "$boxes" = 0 ]
}
continue_search_finds() {
    tree_hold
    zd_tree_menu continue_search
    local boxes
    boxes=$(zd_close_boxes '^Поиск$' 2)
    [ "$boxes" = 0 ]
}
select_root() { zd_tap 45 "$(ROW 0)"; }      # the root's icon: selects without renaming
# rename_item ROW NAME: in-place rename of the top-level item at ROW: a tap
# on its icon selects it, a slow second tap on its label opens the edit.
rename_item() {
    zd_tap 65 "$(ROW "$1")"
    sleep 0.6                                   # a slow second tap, not a double tap
    zd_tap 88 "$(ROW "$1")"
    sleep 0.8
    xdotool key ctrl+End; sleep 0.1
    xdotool key --delay 5 $(printf 'BackSpace %.0s' $(seq 1 30))
    xdotool type --delay 25 -- "$2"
    xdotool key Return
    sleep 0.3
}
errors_after() { zd_close_boxes '^Error$' "${1:-4}"; }

###############################################################################
# 1. Kill during save
###############################################################################
kill_during_save() {
    local nostart=0 kept_a=0 kept_b=0 lost=0 temp_whole=0 temp_empty=0 temp_cut=0 temp_hidden=0 others=0
    local i typed=("x1" "q\n" "ab\ncd" "7" "The end.\n")
    for i in $(seq 1 "$TRIALS"); do
        fresh_docs "kill.$i"
        local seed=$((RANDOM * 32768 + RANDOM + i))
        # Three edits: "Очистить" and a new random text pasted; a random text
        # pasted at the end; keys typed at the end. Text that is not on the
        # keyboard comes through the clipboard: typed through remapped keys
        # it would be lost now and then on a busy machine.
        local edit=$((RANDOM % 3)) what
        $PY random "$seed" 1023 "$NOTES/a-target"
        $PY random "$((seed + 1))" 1023 "$NOTES/b-other"
        $PY random "$((seed + 2))" 300 "$NOTES/c-other"
        cp "$NOTES/a-target" "$WORK/A"; cp "$NOTES/b-other" "$WORK/O1"; cp "$NOTES/c-other" "$WORK/O2"
        case "$edit" in
        0) $PY random "$((seed + 3))" 1023 "$WORK/B"
           what="cleared, pasted $($PY units "$WORK/B") units" ;;
        1) $PY random "$((seed + 3))" 60 "$WORK/S"
           $PY join "$WORK/A" "$WORK/S" "$WORK/B"
           what="pasted $($PY units "$WORK/S") units at the end" ;;
        2) local keys; keys=$(printf "${typed[$((RANDOM % ${#typed[@]}))]}."); keys=${keys%.}
           $PY append "$WORK/A" "$keys" "$WORK/B"
           what="typed $(printf %q "$keys") at the end" ;;
        esac
        # the page holds at most 1023 units: an edit that would pass them is
        # made on a shorter note
        if [ "$($PY units "$WORK/B")" -gt 1023 ]; then
            $PY head "$WORK/A" 900 "$NOTES/a-target"; cp "$NOTES/a-target" "$WORK/A"
            if [ "$edit" = 1 ]; then $PY join "$WORK/A" "$WORK/S" "$WORK/B"
            else $PY append "$WORK/A" "$keys" "$WORK/B"; fi
        fi
        launch || launch || { nostart=$((nostart + 1)); rm -rf "$DOCS"; continue; }
        zd_tap 17 "$(ROW 0)"; zd_keys Down          # expand the root, select a-target
        to_editor
        case "$edit" in
        0) zd_hold 120 120; zd_keys Up Up Return        # "Очистить"
           editor_paste "$WORK/B" ;;
        1) editor_paste "$WORK/S" end ;;
        2) editor_type "$keys" ;;
        esac
        sleep 0.3
        [ -n "${ZT_SHOTS:-}" ] && zd_screenshot "$BUILD/screenshots/torture-kill-$i.png"
        local way=$((RANDOM % 3)) delay_ms=$((RANDOM % 51))
        [ "$way" = 0 ] && { zd_hold 120 120; xdotool key Up; sleep 0.2; }
        [ "$way" = 1 ] && xdotool mousemove $((ZD_X + SIDE_EDIT_X)) $((ZD_Y + SIDE_Y))
        # The kill is on its way as the save is asked for: it lands before,
        # while or after the program saves.
        local killer=""
        if [ -z "${ZT_NO_KILL:-}" ]; then   # without: a check of the trial itself
            ( sleep "$(printf '0.%03d' "$delay_ms")"; kill -9 "$ZD_PID" 2>/dev/null ) &
            killer=$!
        fi
        case "$way" in
        0) xdotool key Return ;;            # "Сохранить"
        1) xdotool click 1 ;;               # leave the view
        2) xdotool key ctrl+q ;;            # exit
        esac
        if [ -n "$killer" ]; then wait "$killer"; else sleep 1.5; quit; fi
        zd_wait_exit 10 || zd_kill_app
        local verdict
        if cmp -s "$NOTES/a-target" "$WORK/A"; then kept_a=$((kept_a + 1)); verdict=A
        elif cmp -s "$NOTES/a-target" "$WORK/B"; then kept_b=$((kept_b + 1)); verdict=B
        else lost=$((lost + 1)); verdict=LOST
        fi
        if ! cmp -s "$NOTES/b-other" "$WORK/O1" || ! cmp -s "$NOTES/c-other" "$WORK/O2" ||
           [ "$(ls "$NOTES" | grep -vc zephtmp)" != 3 ]; then
            others=$((others + 1)); verdict="$verdict OTHERS-CHANGED"
        fi
        local temp temps
        temps=$(find "$NOTES" -name '*.zephtmp*')
        local left=""
        for temp in $temps; do
            if cmp -s "$temp" "$WORK/B"; then temp_whole=$((temp_whole + 1)); left="$left, a temporary file holding B whole"
            elif cmp -s "$temp" "$WORK/A"; then temp_whole=$((temp_whole + 1)); left="$left, a temporary file holding A whole"
            elif [ ! -s "$temp" ] || [ "$(od -An -tx1 "$temp" | tr -d ' \n')" = fffe ]; then
                temp_empty=$((temp_empty + 1)); left="$left, a temporary file holding no text"
            else temp_cut=$((temp_cut + 1)); verdict="$verdict TEMP-CUT"; left="$left, a cut temporary file"
            fi
        done
        if [ -n "$temps" ]; then
            launch && { select_named zephtmp || { temp_hidden=$((temp_hidden + 1)); verdict="$verdict TEMP-HIDDEN"; }; quit; }
        fi
        case "$verdict" in
        A|B) ;;
        *) mkdir -p "$EVIDENCE"; cp -r "$NOTES" "$EVIDENCE/kill.$i"; cp "$WORK/A" "$WORK/B" "$EVIDENCE/kill.$i/" ;;
        esac
        printf 'trial %d: %d units, %s, %s, kill after %d ms: %s%s\n' "$i" "$($PY units "$WORK/A")" "$what" \
            "$(echo "save-menu leave-view exit" | cut -d' ' -f$((way + 1)))" "$delay_ms" "$verdict" \
            "${left:+ (left behind: ${left#, })}"
        rm -rf "$DOCS"
    done
    figure "1 kill during save: trials" "$TRIALS"
    figure "1 A kept" "$kept_a"
    figure "1 B kept" "$kept_b"
    figure "1 lost or cut (must be 0)" "$lost"
    figure "1 other notes changed (must be 0)" "$others"
    figure "1 temporary files left whole" "$temp_whole"
    figure "1 temporary files left holding no text" "$temp_empty"
    figure "1 temporary files cut (must be 0)" "$temp_cut"
    figure "1 temporary files not shown at the next start (must be 0)" "$temp_hidden"
    figure "1 trials where the program did not start" "$nostart"
    zd_check "kill during save: no note lost or cut ($lost of $TRIALS)" [ "$lost" = 0 ]
    zd_check "kill during save: the program started for every trial" [ "$nostart" = 0 ]
    zd_check "kill during save: other notes untouched" [ "$others" = 0 ]
    zd_check "kill during save: no temporary file cut" [ "$temp_cut" = 0 ]
    zd_check "kill during save: left temporary files show in the tree" [ "$temp_hidden" = 0 ]
}

# A note with more lines than the page shows takes typed text like any other.
tall_note() {
    fresh_docs tall
    $PY text "$(for n in $(seq 1 20); do printf 'line %d\n' "$n"; done)" "$NOTES/a-tall"
    cp "$NOTES/a-tall" "$WORK/A"; $PY append "$WORK/A" "xyz" "$WORK/B"
    launch || return
    zd_tap 17 "$(ROW 0)"; zd_keys Down
    to_editor; editor_type "xyz"; to_tree
    zd_check "a note taller than the page takes text typed at its end" \
        zd_eventually 3 cmp -s "$NOTES/a-tall" "$WORK/B"
    quit
}

###############################################################################
# 2. Full disk
###############################################################################
fill_up() { # fills the mounted folder's blocks and inodes
    dd if=/dev/zero of="$DOCS/filler" bs=1k count=200 >/dev/null 2>&1
    local n=0
    while touch "$DOCS/inode.$n" 2>/dev/null && [ "$n" -lt 5000 ]; do n=$((n + 1)); done
}
free_up() { rm -f "$DOCS"/filler "$DOCS"/inode.*; }
one_error() { # description, then the box count
    zd_check "$1: one Error box (saw $2)" [ "$2" = 1 ]
}
full_disk() {
    fresh_docs full
    mount -t tmpfs -o size=64k,nr_inodes=48 tmpfs "$DOCS" || { zd_fail "full disk: mount tmpfs"; return; }
    MOUNTS+=("$DOCS")
    mkdir -p "$NOTES"
    printf '\xff\xfeo\0l\0d\0' > "$NOTES/a-note"; mkdir "$NOTES/b-folder"
    printf '\xff\xfer\0' > "$NOTES/c-rename"
    fill_up
    local before; before=$(snapshot "$NOTES")
    launch || return
    zd_tap 17 "$(ROW 0)"; zd_keys Down
    to_editor; editor_type "NEW"; to_tree
    one_error "full disk: saving an edited note" "$(errors_after)"
    unchanged "full disk: nothing on disk changes after the failed save" "$before" "$NOTES"
    free_up
    to_editor; to_tree
    local expect; expect=$(printf '\xff\xfeo\0l\0d\0N\0E\0W\0' | od -An -tx1 | tr -d ' \n')
    zd_check "full disk: the edit stayed in the editor and is written once space is free" \
        zd_eventually 5 [ "$(od -An -tx1 "$NOTES/a-note" | tr -d ' \n')" = "$expect" ]
    fill_up
    before=$(snapshot "$NOTES")
    select_root
    tree_hold; zd_tree_menu create_note; zd_answer_entry "newnote"
    one_error "full disk: creating a note" "$(errors_after)"
    tree_hold; zd_tree_menu create_folder; zd_answer_entry "newfolder"
    one_error "full disk: creating a folder" "$(errors_after)"
    unchanged "full disk: nothing on disk changes after the failed creations" "$before" "$NOTES"
    rename_item 3 "renamed"
    local boxes; boxes=$(errors_after)
    if [ "$boxes" = 1 ] && [ "$(snapshot "$NOTES")" = "$before" ]; then
        zd_pass "full disk: renaming fails with one Error box and changes nothing"
        figure "2 full disk: rename" "refused, one Error box"
    elif [ "$boxes" = 0 ] && [ -f "$NOTES/renamed" ] && [ ! -e "$NOTES/c-rename" ] &&
         [ "$(od -An -tx1 "$NOTES/renamed" | tr -d ' \n')" = fffe7200 ]; then
        # A rename needs no space: the file system allows it and nothing is at risk.
        zd_pass "full disk: renaming needs no space; the note is renamed whole"
        figure "2 full disk: rename" "allowed by the file system, note whole"
    else
        zd_fail "full disk: renaming (boxes $boxes; $(ls "$NOTES" | tr '\n' ' '))"
    fi
    quit
    free_up
    umount "$DOCS" && MOUNTS=()
}

###############################################################################
# 3. Failing writes
###############################################################################
failing_writes() {
    local before
    # a) the note is immutable
    fresh_docs immutable
    printf '\xff\xfeo\0l\0d\0' > "$NOTES/a-note"
    chattr +i "$NOTES/a-note" && IMMUTABLE+=("$NOTES/a-note")
    before=$(snapshot "$NOTES")
    launch || return
    zd_tap 17 "$(ROW 0)"; zd_keys Down
    to_editor; editor_type "NEW"; to_tree
    one_error "immutable note: saving" "$(errors_after)"
    unchanged "immutable note: no file changes, no stray temporary file left" "$before" "$NOTES"
    chattr -i "$NOTES/a-note"
    to_editor; to_tree
    zd_check "immutable note: the editor kept the edit (written once writable)" \
        zd_eventually 5 [ "$(od -An -tx1 "$NOTES/a-note" | tr -d ' \n')" = fffe6f006c0064004e0045005700 ]
    quit

    # b) another program puts a folder where the open note was: the folder
    # stays as it is and the text goes to a new note beside it
    fresh_docs folder-in-place
    printf '\xff\xfeo\0l\0d\0' > "$NOTES/a-note"
    launch || return
    zd_tap 17 "$(ROW 0)"; zd_keys Down
    to_editor; editor_type "NEW"
    rm "$NOTES/a-note"; mkdir "$NOTES/a-note"; echo keep > "$NOTES/a-note/inner"
    to_tree
    local saved; saved=$(zd_close_boxes '^Сохранить$' 4)
    zd_check "folder in place of the note: one box says where the text went (saw $saved)" \
        [ "$saved" = 1 ]
    zd_check "folder in place of the note: no Error box" [ "$(errors_after 1)" = 0 ]
    zd_check "folder in place of the note: the folder stays as it was" \
        [ "$(cat "$NOTES/a-note/inner")" = keep ]
    zd_check "folder in place of the note: the text is in a new note beside it" \
        zd_eventually 5 [ "$(od -An -tx1 "$NOTES"/'a-note (conflict'* 2>/dev/null | tr -d ' \n')" = fffe6f006c0064004e0045005700 ]
    quit

    # c) the notes folder is immutable
    fresh_docs immutable-folder
    printf '\xff\xfeo\0l\0d\0' > "$NOTES/a-note"
    printf '\xff\xfer\0' > "$NOTES/b-rename"
    launch || return
    chattr +i "$NOTES" && IMMUTABLE+=("$NOTES")
    before=$(snapshot "$NOTES")
    zd_tap 17 "$(ROW 0)"; zd_keys Down
    to_editor; editor_type "NEW"; to_tree
    one_error "immutable notes folder: saving" "$(errors_after)"
    # The edit is still pending: choosing another item tries the save again
    # and, when that fails too, keeps the note chosen; a second choice goes.
    select_root
    one_error "immutable notes folder: choosing another item tries the save again" "$(errors_after)"
    select_root
    zd_check "immutable notes folder: a second choice goes ahead without a box" \
        [ "$(errors_after 1)" = 0 ]
    tree_hold; zd_tree_menu create_note; zd_answer_entry "newnote"
    one_error "immutable notes folder: creating a note" "$(errors_after)"
    tree_hold; zd_tree_menu create_folder; zd_answer_entry "newfolder"
    one_error "immutable notes folder: creating a folder" "$(errors_after)"
    rename_item 2 "renamed"
    one_error "immutable notes folder: renaming" "$(errors_after)"
    unchanged "immutable notes folder: no file changes" "$before" "$NOTES"
    chattr -i "$NOTES"
    quit
}

###############################################################################
# 4. Bad names
###############################################################################
bad_names() {
    local long256 long240
    long256=$(printf 'n%.0s' $(seq 1 256)); long240=$(printf 'p%.0s' $(seq 1 240))
    # No name holds a tab or a line break here: neither the name window nor
    # the in-place rename takes one (Enter is OK, Tab is not typed).
    local names=(
        ".." "..\\x" "..\\..\\x" "../x" "../../x" "a/b" "a\\b" "\\x" "/x" "C:x" "a:b" "a*b" "a?b"
        'a"b' "a<b" "a>b" "a|b" "CON" "con" "NUL" "nul.txt" "PRN" "AUX" "COM1"
        "com9.log" "LPT1" "lpt3.txt" "CONIN\$" "CONOUT\$" "CLOCK\$" "name." "name " "name..."
        "." "..." " " "$long256" "$long240" "" "Z:\\tmp\\x" "\\\\server\\share" "a:stream"
        "NUL " "COM1.txt")
    if [ "$NAME_SET" = some ]; then
        names=("..\\x" "a/b" "a|b" "nul.txt" "name " "")
    fi
    fresh_docs names
    mkdir "$NOTES/folder"; printf '\xff\xfex\0' > "$NOTES/note"
    local before tried=0 refused=0 name label op boxes
    launch || return
    zd_tap 17 "$(ROW 0)"                         # expand the root
    for name in "${names[@]}"; do
        label=$(printf '%q' "$name" | cut -c1-40)
        for op in folder note rename; do
            before=$(snapshot "$WORK")
            case "$op" in
            folder) select_root; tree_hold; zd_tree_menu create_folder; zd_answer_entry "$name" ;;
            note) select_root; tree_hold; zd_tree_menu create_note; zd_answer_entry "$name" ;;
            rename) rename_item 2 "$name" ;;
            esac
            boxes=$(errors_after)
            tried=$((tried + 1))
            local result=ok
            [ "$boxes" = 1 ] && [ "$(snapshot "$WORK")" = "$before" ] || result=bad
            if [ "$result" = ok ]; then
                refused=$((refused + 1)); zd_pass "bad name $label as $op: refused, one Error box"
            else
                zd_fail "bad name $label as $op: boxes $boxes; $(diff <(echo "$before") <(snapshot "$WORK") | grep '^[<>]' | head -3 | tr '\n' ' ')"
            fi
            if [ "$result" = bad ]; then
                # put the tree back as it was for the next name
                zd_close_boxes '^Error$' 1 >/dev/null
                quit; rm -rf "$NOTES"; mkdir -p "$NOTES/folder"; printf '\xff\xfex\0' > "$NOTES/note"
                launch || return; zd_tap 17 "$(ROW 0)"
            fi
        done
    done
    quit
    figure "4 bad names: names" "${#names[@]}"
    figure "4 bad names: tries (folder, note, rename)" "$tried"
    figure "4 bad names: refused (must be all)" "$refused"
}

###############################################################################
# 5. Folder links
###############################################################################
# launch_timed SECONDS: starts the program and sets STARTUP, the time from the
# start of the process to the tree painted with its root selected; false
# when that did not come within SECONDS.
launch_timed() {
    local seen watcher t0 t1
    seen=$(mktemp /tmp/zeph-painted.XXXXXX)
    zd_wait_painted "$1" > "$seen" &
    watcher=$!
    sleep 0.5   # the watcher is looking before the program starts
    t0=$(date +%s.%N)
    launch || { wait "$watcher"; rm -f "$seen"; return 1; }
    wait "$watcher"
    t1=$(cat "$seen"); rm -f "$seen"
    [ -n "$t1" ] || return 1
    STARTUP=$(echo "$t0 $t1" | awk '{printf "%.2f", $2 - $1}')
}
startup_seconds() { # sets STARTUP
    launch_timed 60
}
folder_links() {
    fresh_docs links
    local n
    for n in $(seq 1 200); do printf '\xff\xfen\0' > "$NOTES/bulk$n"; done
    mkdir -p "$NOTES/sub" "$NOTES/holder"
    printf '\xff\xfer\0' > "$NOTES/uniquereal"
    printf '\xff\xfed\0' > "$NOTES/sub/uniquedeep"
    echo keep > "$WORK/outside/SENTINELFILE"
    local plain links_time plain_time before
    startup_seconds; plain=$STARTUP; quit
    ln -s . "$NOTES/loop"; ln -s .. "$NOTES/up"; ln -s "$WORK/outside" "$NOTES/outlink"
    ln -s "$WORK/missing" "$NOTES/dangling"; ln -s "$WORK/outside" "$NOTES/holder/outlink"
    ln -s ../.. "$NOTES/sub/upup"
    before=$(snapshot "$WORK/outside")
    startup_seconds || return; links_time=$STARTUP
    figure "5 links: start-up without links (s)" "$plain"
    figure "5 links: start-up with loop, up, outside and dangling links (s)" "$links_time"
    zd_check "links: start-up takes about as long as without links ($links_time s vs $plain s)" \
        awk -v a="$links_time" -v b="$plain" 'BEGIN { exit !(a <= b * 2 + 1.5) }'
    zd_check "links: a real note shows" select_named uniquereal
    local once=1
    continue_search_finds && once=0
    zd_check "links: a real note shows once" [ "$once" = 1 ]
    zd_check "links: a note in a subfolder shows" select_named uniquedeep
    once=1; continue_search_finds && once=0
    zd_check "links: a note in a subfolder shows once" [ "$once" = 1 ]
    local outside_shown=0
    select_named SENTINEL && outside_shown=1
    zd_check "links: nothing outside the notes folder shows" [ "$outside_shown" = 0 ]
    figure "5 links: links followed (must be 0)" "$outside_shown"
    zd_check "links: the folder holding a link can be selected" select_named holder
    local holder_before; holder_before=$(snapshot "$NOTES/holder")
    tree_hold; zd_tree_menu delete
    local boxes; boxes=$(errors_after)
    # Under Wine no call removes a link to a folder without acting on the
    # folder it points to: the delete is refused whole, with one Error box.
    if [ ! -e "$NOTES/holder" ] && [ ! -L "$NOTES/holder" ]; then
        zd_pass "links: the folder holding a link outside is deleted"
        figure "5 links: delete of a folder holding a link outside" "deleted, the link removed as a link"
    else
        zd_check "links: the delete of a folder holding a link outside is refused with one Error box ($boxes)" [ "$boxes" = 1 ]
        unchanged "links: the folder holding the link stays whole" "$holder_before" "$NOTES/holder"
        figure "5 links: delete of a folder holding a link outside" "refused whole with one Error box, nothing deleted"
    fi
    zd_check "links: the outside folder and its sentinel are intact" \
        [ "$(snapshot "$WORK/outside")" = "$before" ]
    zd_check "links: the other links are left as they were" [ -L "$NOTES/outlink" ] 
    quit
}

###############################################################################
# 6. Odd files
###############################################################################
odd_files() {
    fresh_docs odd
    : > "$NOTES/oddzero"
    printf 'x' > "$NOTES/oddone"
    printf '\xff\xfeA\0B' > "$NOTES/oddlength"
    printf 'plain text without a mark\r\n' > "$NOTES/oddnomark"
    printf '\xef\xbb\xbfutf-8 text \xd0\x96\r\n' > "$NOTES/oddutf8"
    { printf '\xff\xfe'; head -c 1048576 /dev/zero | tr '\0' 'a' | sed 's/a/a\x00/g' | head -c 1048576; } > "$NOTES/oddbig"
    touch -d '2001-02-03 04:05:06.123456789' "$NOTES"/odd*
    local before name boxes total=0
    before=$(cd "$NOTES" && find . -printf '%p %s %T@ %A@\n' | sort; md5sum odd*)
    launch || return
    for name in oddzero oddone oddlength oddnomark oddutf8 oddbig; do
        if select_named "$name"; then
            to_editor
            zd_screenshot "$BUILD/screenshots/torture-odd-$name.png"
            to_tree
            boxes=$(errors_after 1)
            total=$((total + boxes))
            zd_pass "odd file $name: selected, viewed and left ($boxes Error boxes)"
        else
            zd_fail "odd file $name: could not be selected"
        fi
    done
    quit
    figure "6 odd files: Error boxes while viewing" "$total"
    zd_check "odd files: every file byte for byte and time stamp unchanged" \
        [ "$(cd "$NOTES" && find . -printf '%p %s %T@\n' | sort; md5sum odd*)" = \
          "$(echo "$before" | awk 'NF==4 {print $1, $2, $3; next} {print}')" ]
}

###############################################################################
# 7. Load
###############################################################################
make_shape() { # shape total
    local shape=$1 total=$2
    rm -rf "$NOTES"; mkdir -p "$NOTES"
    case "$shape" in
    flat) (cd "$NOTES" && seq -f 'note%05g.txt' 0 $((total - 1)) | xargs touch) ;;
    folders) (cd "$NOTES" && for i in $(seq 0 $((total / 20 - 1))); do
                 d=$(printf 'folder%04d' "$i"); mkdir "$d"; (cd "$d" && seq -f 'note%05g.txt' 0 19 | xargs touch)
             done) ;;
    deep) python3 - "$NOTES" "$total" <<'PYEOF'
import os, sys
root, total = sys.argv[1], int(sys.argv[2])
for leaf in range(256):
    parts = [("right" if (leaf >> level) & 1 else "left") + str(8 - level) for level in range(7, -1, -1)]
    folder = os.path.join(root, *parts)
    os.makedirs(folder, exist_ok=True)
    for n in range(total // 256 + (1 if leaf < total % 256 else 0)):
        open(os.path.join(folder, "note%05d.txt" % n), "wb").close()
PYEOF
    ;;
    esac
}
load() {
    fresh_docs load
    local shape hwm t2 t3
    for shape in flat folders deep; do
        STARTUP=""
        make_shape "$shape" "$LOAD_NOTES"
        if ! launch_timed 120; then
            zd_fail "load $shape: the tree is painted with the root selected"
            zd_main_window >/dev/null || continue
        fi
        hwm=$(awk '/VmHWM/ {print $2}' "/proc/$ZD_PID/status" 2>/dev/null)
        # Without a window manager the keyboard reaches the program after
        # its first tap: a tap on the tree first, then Ctrl+A (About).
        zd_tap 120 250
        t2=$(date +%s.%N)
        xdotool key ctrl+a
        zd_wait_window '^О программе$' 20
        t3=$(date +%s.%N)
        local about; about=$(zd_window_named '^О программе$' | head -1)
        [ -n "$about" ] && { zd_tap 20 281; zd_wait_gone '^О программе$' 3; }
        local hwm2; hwm2=$(awk '/VmHWM/ {print $2}' "/proc/$ZD_PID/status" 2>/dev/null)
        quit
        local start="${STARTUP:-}" answer
        answer=$(echo "$t2 $t3" | awk '{printf "%.2f", $2 - $1}')
        figure "7 load $shape $LOAD_NOTES notes: start to the painted tree (s)" "$start"
        figure "7 load $shape $LOAD_NOTES notes: peak working set (MiB)" "$(( ${hwm2:-${hwm:-0}} / 1024 ))"
        figure "7 load $shape $LOAD_NOTES notes: first command answered after (s)" "$answer"
        zd_check "load $shape: the first command (About, Ctrl+A) is answered at once ($answer s)" \
            awk -v a="$answer" 'BEGIN { exit !(a < 1.0) }'
    done
}

###############################################################################
# 8. Changes made elsewhere
###############################################################################
# holding FILE: the name of a note in the notes folder holding FILE's bytes.
holding() {
    local f
    for f in "$NOTES"/*; do cmp -s "$f" "$1" && { basename "$f"; return 0; }; done
    return 1
}
# Another program rewrites the open note (in place or by renaming a new file
# over it) while the user types into it; then it rewrites the note while
# nothing is typed, and the user opens the editor and types on.
changed_elsewhere() {
    fresh_docs elsewhere
    local trials=4 i lost=0 boxes=0 kept extra
    [ "$MODE" = full ] && trials=20
    $PY text "start" "$NOTES/shared"
    launch || return
    if ! select_named shared; then zd_fail "elsewhere: the note can be selected"; quit; return; fi
    for i in $(seq 1 "$trials"); do
        cp "$NOTES/shared" "$WORK/A"
        to_editor
        editor_type "u$i"
        $PY append "$WORK/A" "o$i" "$WORK/O"
        if [ $((i % 2)) = 0 ]; then cp "$WORK/O" "$NOTES/shared"
        else cp "$WORK/O" "$NOTES/.part" && mv -f "$NOTES/.part" "$NOTES/shared"; fi
        to_tree
        if [ "$i" = 1 ] && zd_wait_window '^Сохранить$' 5; then
            zd_screenshot "$BUILD/screenshots/torture-elsewhere-box.png"
        fi
        extra=$(zd_close_boxes '^Сохранить$' 3)
        boxes=$((boxes + extra))
        $PY append "$WORK/A" "u$i" "$WORK/B"
        kept=$(holding "$WORK/B")
        if cmp -s "$NOTES/shared" "$WORK/O" && [ -n "$kept" ] && [ "$extra" = 1 ]; then
            zd_pass "elsewhere $i: the other program's note kept, the typed text in \"$kept\", one box"
        else
            lost=$((lost + 1))
            zd_fail "elsewhere $i: note $(cmp -s "$NOTES/shared" "$WORK/O" && echo kept || echo CHANGED), typed text in \"${kept:-NOWHERE}\", $extra boxes"
        fi
        # Changed while nothing is typed here: shown again, typed on, saved.
        $PY append "$NOTES/shared" "x$i" "$WORK/O"
        cp "$WORK/O" "$NOTES/shared"
        to_editor
        editor_type "v$i"
        to_tree
        $PY append "$WORK/O" "v$i" "$WORK/B"
        extra=$(zd_close_boxes '^(Сохранить|Error)$' 1)
        if cmp -s "$NOTES/shared" "$WORK/B" && [ "$extra" = 0 ]; then
            zd_pass "elsewhere $i: the change made elsewhere was shown and typed on"
        else
            lost=$((lost + 1))
            zd_fail "elsewhere $i: the change made elsewhere was not typed on ($extra boxes)"
        fi
    done
    quit
    figure "8 changes elsewhere: trials (typed with the note rewritten; rewritten, then typed)" "$trials / $trials"
    figure "8 changes elsewhere: edits lost (must be 0)" "$lost"
    figure "8 changes elsewhere: boxes saying where the text went" "$boxes"
}

###############################################################################
started=$(date +%s)
section() { # number title function
    on "$1" || return 0
    local t0; t0=$(date +%s)
    echo "== $1. $2"
    "$3"
    figure "$1 $2: run time (s)" "$(( $(date +%s) - t0 ))"
}
kill_section() { ZD_SETTLE=0.15 kill_during_save; tall_note; }
section 1 "kill during save ($TRIALS trials)" kill_section
section 2 "full disk" full_disk
section 3 "failing writes" failing_writes
section 4 "bad names" bad_names
section 5 "folder links" folder_links
section 6 "odd files" odd_files
section 7 "load" load
section 8 "changes made elsewhere" changed_elsewhere

echo
echo "| figure | value |"
echo "|---|---|"
for key in "${FIGURE_ORDER[@]}"; do printf '| %s | %s |\n' "$key" "${FIGURE[$key]}"; done
echo
echo "torture ($MODE): $ZD_PASSED checks passed, $ZD_FAILED failed, $(( $(date +%s) - started )) s"
[ "$ZD_FAILED" = 0 ]

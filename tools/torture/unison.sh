#!/usr/bin/env bash
# Two machines sharing one notes folder through a sync tool: two notes
# folders, each with its own zephnotes.exe in its own Wine prefix and on its
# own Xvfb display, kept in step by Unison every 2 s, while both programs are
# used at random through their windows: text typed into notes, notes and
# folders made, renamed and deleted, the same note typed into on both sides,
# a folder renamed or deleted on one side while the other has a note in it
# open. At the end the typing stops, Unison brings the folders together, the
# editors are left (which saves), Unison runs again, and then:
#   - every text typed on either side is in some file of the common folder
#     (its note, a conflict note beside it, or a copy Unison kept), unless the
#     user deleted the note or folder holding it after it had reached that
#     side;
#   - each program's tree lists exactly what its disk holds;
#   - neither program crashed.
# Prints one line per step and check and a table of figures; exits non-zero
# when anything above did not hold.
#
#   bash tools/torture/unison.sh [--seed N] [--rounds N] [zephnotes.exe]
#
# The seed fixes every choice the user makes; when Unison runs between two
# steps still varies, so two runs with one seed are alike, not the same.
# Needs Xvfb, xdotool, imagemagick, python3 and unison (installed when absent).
set -u
ARGS=("$@")
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/drive.sh"

SEED=""
ROUNDS=40
EXE=""
while [ $# -gt 0 ]; do
    case "$1" in
    --seed) SEED="$2"; shift ;;
    --rounds) ROUNDS="$2"; shift ;;
    *) EXE="$1" ;;
    esac
    shift
done
[ -n "$SEED" ] || SEED=$(( $(date +%s) % 100000 ))
[ -n "$EXE" ] || EXE="$ZD_ROOT/build/zephnotes.exe"
[ -f "$EXE" ] || { echo "FAIL: no program at $EXE"; exit 2; }
EXE="$(cd "$(dirname "$EXE")" && pwd)/$(basename "$EXE")"
PROBE="$(dirname "$EXE")/zephprobe.exe"
[ -f "$PROBE" ] || { echo "FAIL: no zephprobe.exe beside the program"; exit 2; }
# A hard limit for the whole run: nothing may hang.
zd_under_timeout $(( 900 + ROUNDS * 90 )) "$0" "${ARGS[@]}"

source "$ZD_ROOT/tools/setup.sh"
zeph_install_packages unison || { echo "FAIL: unison could not be installed"; exit 2; }

WORK="$(mktemp -d /tmp/zeph-unison.XXXXXX)"
PY="python3 $HERE/notes.py"
SIDES="A B"
TOKEN_PATTERN='Q[0-9]{4}[AB]'
declare -A FIGURE
FIGURE_ORDER=()
figure() { [ -z "${FIGURE[$1]+x}" ] && FIGURE_ORDER+=("$1"); FIGURE[$1]="$2"; }
# Counts kept per side: "A:boxes Error", "B:not in the tree"...
declare -A COUNT
count() { COUNT[$1]=$(( ${COUNT[$1]:-0} + ${2:-1} )); }

###############################################################################
# The two sides
###############################################################################
# Each side has its own display, prefix, notes folder and program; the
# variables drive.sh works with are swapped in by use_side.
SIDE_VARS=(DISPLAY ZD_XVFB_PID WINEPREFIX ZEPHNOTES_DOCUMENTS ZD_APP_PID ZD_RC_FILE ZD_APP_LOG
           ZD_WINDOW ZD_X ZD_Y ZD_APP_RC NOTES TREE_X TREE_Y)
declare -A SIDE_STATE
SIDE=""
use_side() {
    local v
    if [ -n "$SIDE" ]; then
        for v in "${SIDE_VARS[@]}"; do SIDE_STATE[$SIDE:$v]="${!v-}"; done
    fi
    SIDE="$1"
    for v in "${SIDE_VARS[@]}"; do printf -v "$v" '%s' "${SIDE_STATE[$SIDE:$v]-}"; done
    export DISPLAY WINEPREFIX ZEPHNOTES_DOCUMENTS
}
notes_of() { echo "$WORK/$1/ZephNotes"; }

probe() { timeout 20 wine "$PROBE" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

start_side() {
    use_side "$1"
    zd_start_x || { echo "FAIL: no Xvfb display for side $1"; exit 2; }
    zd_prefix "$EXE" "wineprefix-unison-${1,,}"
    ZEPHNOTES_DOCUMENTS="$(zd_winpath "$WORK/$1")"
    NOTES="$(notes_of "$1")"
    ZD_APP_LOG="$WORK/$1.log"
    ZD_RC_FILE=""
    export ZEPHNOTES_DOCUMENTS
    echo "side $1: display $DISPLAY, prefix $WINEPREFIX, notes $NOTES"
}

launch() {
    zd_wait_gone '^ZephNotes$' 10
    zd_launch "$EXE" || { echo "FAIL: the program did not start on side $SIDE"; return 1; }
    # where the tree lies in the main window's client area
    local layout; layout=$(probe layout)
    TREE_X=$(echo "$layout" | sed -n 's/^tree_x=//p')
    TREE_Y=$(echo "$layout" | sed -n 's/^tree_y=//p')
}

# A program that ended, or no longer answers, counts as a crash; it is started
# again so that the run goes on.
check_alive() {
    if zd_main_window >/dev/null && probe answers 10 >/dev/null; then return 0; fi
    count "$SIDE:crashes"
    echo "CRASH: side $SIDE: the program is gone or does not answer (round $ROUND)"
    zd_kill_app
    launch
}

stop_side() {
    use_side "$1"
    zd_kill_app
    zd_stop_prefix
    zd_stop_x
}

cleanup() {
    stop_sync
    local side
    for side in $SIDES; do stop_side "$side"; done
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'echo "FAIL: the run ran out of time"; exit 124' TERM

###############################################################################
# Unison
###############################################################################
# A profile of its own in a home of its own: the user's Unison archives are
# never touched.
write_profile() {
    mkdir -p "$WORK/home/.unison"
    cat > "$WORK/home/.unison/zeph.prf" <<EOF
root = $(notes_of A)
root = $(notes_of B)
batch = true
prefer = newer
copyonconflict = true
times = true
confirmbigdel = false
EOF
}

# One Unison run; false when it failed or left some change undone.
sync_once() {
    count "unison runs"
    HOME="$WORK/home" unison zeph -ui text >> "$WORK/unison.log" 2>&1 && return 0
    count "unison runs not complete"
    return 1
}

# Unison every 2 s in the background until stop_sync.
start_sync() {
    rm -f "$WORK/stop-sync"
    (
        local runs=0 incomplete=0
        while [ ! -e "$WORK/stop-sync" ]; do
            runs=$((runs + 1))
            HOME="$WORK/home" unison zeph -ui text >> "$WORK/unison.log" 2>&1 || incomplete=$((incomplete + 1))
            sleep 2
        done
        echo "$runs $incomplete" > "$WORK/sync-counts"
    ) &
    SYNC_PID=$!
}
stop_sync() {
    [ -n "${SYNC_PID:-}" ] || return 0
    touch "$WORK/stop-sync"
    wait "$SYNC_PID" 2>/dev/null
    SYNC_PID=""
    # a loop stopped by a signal has no counts to give
    local runs=0 incomplete=0
    [ -s "$WORK/sync-counts" ] && read -r runs incomplete < "$WORK/sync-counts"
    count "unison runs" "$runs"
    count "unison runs not complete" "$incomplete"
}

# Names, kinds and contents below a notes folder (times left out: Unison
# carries them over, but a folder's own changes with what it holds).
contents() {
    (cd "$1" && { find . -mindepth 1 -type d -printf '%p/\n'; find . -type f -print0 | xargs -0r md5sum; } | sort)
}
# Unison until both folders hold the same; false when ten runs did not do it.
converge() {
    local i
    for i in $(seq 1 10); do
        sync_once
        [ "$(contents "$(notes_of A)")" = "$(contents "$(notes_of B)")" ] && return 0
        sleep 1
    done
    return 1
}

###############################################################################
# What a user does, through the windows of the current side's program
###############################################################################
SIDE_TREE_X=225; SIDE_EDIT_X=15; SIDE_Y=134
# held above the tree's horizontal scroll bar, which a long name brings
tree_hold() { zd_hold 120 200; }
editor_shown() { probe layout | grep -qx 'editor_visible=1'; }
to_editor() { editor_shown || zd_tap "$SIDE_TREE_X" "$SIDE_Y"; sleep 0.3; }
to_tree() { editor_shown && zd_tap "$SIDE_EDIT_X" "$SIDE_Y"; sleep 0.2; }

# dismiss_boxes [SECONDS]: answers the boxes the program shows (OK), counting
# them by caption, until none has come for SECONDS; a name window left open
# is cancelled.
dismiss_boxes() {
    local quiet=0 limit; limit=$(awk -v s="${1:-1}" 'BEGIN { print int(s * 10) }')
    local w name
    BOXES_SEEN=0
    BOX_CAPTIONS=""
    while [ "$quiet" -lt "$limit" ]; do
        w=""
        for w in $(zd_window_named '^(Error|Сохранить|Поиск|Поиск:|Файл:|Каталог:)$'); do break; done
        if [ -z "$w" ]; then quiet=$((quiet + 1)); sleep 0.1; continue; fi
        name=$(xdotool getwindowname "$w" 2>/dev/null)
        case "$name" in
        *:) # a name window: its Cancel button
            xdotool mousemove $(( $(zd_entry_x) + 118 )) $(( $(zd_entry_y) + 68 )) click 1 ;;
        *)  count "$SIDE:boxes $name"; BOXES_SEEN=$((BOXES_SEEN + 1)); BOX_CAPTIONS="$BOX_CAPTIONS|$name"
            echo "  side $SIDE: box \"$name\""
            xdotool windowactivate --sync "$w" >/dev/null 2>&1 || xdotool windowfocus "$w" 2>/dev/null
            xdotool key --window "$w" Return 2>/dev/null; xdotool key Return ;;
        esac
        zd_eventually 3 window_gone "$w"
        quiet=0
    done
}
window_gone() { ! xdotool getwindowname "$1" >/dev/null 2>&1; }

selected_path() { probe selected | sed -n 2p; }

# select_path PATH: the item at PATH below the notes folder ("" is the root),
# chosen as a user does, through "Начать поиск" with its name, and "Искать
# далее" while the match is another item holding that name; false when the
# tree does not show it. A box of another kind on the way (the open note's
# save failing as the selection moves) is answered and the search begun
# again, once.
select_path() {
    local want="ZephNotes${1:+/$1}" _
    for _ in 1 2; do
        if [ -z "$1" ]; then
            zd_tap 45 17; sleep 0.3      # the root's icon, the tree scrolled to its top
            xdotool key Home; sleep 0.2
            dismiss_boxes 0.3
        else
            tree_hold; zd_tree_menu start_search
            if zd_wait_window '^Поиск:$' 5; then
                zd_answer_entry "${1##*/}"
                for _ in 1 2 3 4 5; do
                    dismiss_boxes 0.3
                    [ "$BOXES_SEEN" = 0 ] || break
                    [ "$(selected_path)" = "$want" ] && return 0
                    tree_hold; zd_tree_menu continue_search
                done
            else
                dismiss_boxes 0.5
            fi
            # "not found", unless a failing save came first and moved the search
            case "$BOX_CAPTIONS" in *"|Error"*) ;; *"|Поиск"*) return 1 ;; esac
        fi
        [ "$(selected_path)" = "$want" ] && return 0
    done
    return 1
}

# The entries a user may pick, from the side's own disk: notes named n####,
# folders named f#### (conflict notes and Unison's copies are left alone).
entries() { # kind (f or d) [depth]
    (cd "$NOTES" && find . -mindepth 1 ${2:+-maxdepth "$2"} -type "$1" -regextype posix-extended \
        -regex '.*/[nf][0-9]{4}' -printf '%P\n' | sort)
}
# pick NUMBER: one line of standard input, chosen by NUMBER.
pick() {
    local lines; mapfile -t lines
    [ "${#lines[@]}" -gt 0 ] || return 1
    echo "${lines[$(( $1 % ${#lines[@]} ))]}"
}

# new_name PREFIX: sets NEW_NAME to a name never used before in the run.
NEXT_NAME=100
new_name() { NEXT_NAME=$((NEXT_NAME + 1)); NEW_NAME=$(printf '%s%04d' "$1" "$NEXT_NAME"); }
NEXT_TOKEN=0

# type_token NOTE: types a new token at the end of the open note; it counts
# as typed when the editor shows it.
type_token() {
    NEXT_TOKEN=$((NEXT_TOKEN + 1))
    local token; token=$(printf 'Q%04d%s' "$NEXT_TOKEN" "$SIDE")
    xdotool mousemove $((ZD_X + 120)) $((ZD_Y + 200)) click 1
    sleep 0.1
    xdotool key ctrl+End; sleep 0.1
    xdotool type --delay 40 -- " $token"
    sleep 0.3
    if probe editor-text | grep -q "$token"; then
        printf '%s\t%s\t%s\t%s\n' "$token" "$SIDE" "$ROUND" "$1" >> "$WORK/typed"
        echo "  side $SIDE: typed $token into $1"
    else
        count "$SIDE:typing not taken"
        echo "  side $SIDE: $token typed into $1 did not show in the editor"
    fi
}

# open_note NOTE: the note chosen and the editor view opened.
open_note() {
    to_tree
    select_path "$1" || { count "$SIDE:not in the tree"; echo "  side $SIDE: $1 not found in the tree"; return 1; }
    to_editor
}

leave_editor() {
    to_tree
    dismiss_boxes 1
}

act_type() {
    local note; note=$(entries f | pick "$1") || return 0
    open_note "$note" || return 0
    type_token "$note"
    leave_editor
}

act_create_note() {
    local parent="" name
    new_name n; name=$NEW_NAME
    [ $(( $1 % 2 )) = 0 ] && parent=$(entries d 1 | pick "$1")
    select_path "$parent" || { count "$SIDE:not in the tree"; return 0; }
    tree_hold; zd_tree_menu create_note
    zd_wait_window '^Файл:$' 5 && zd_answer_entry "$name"
    dismiss_boxes 0.5
    [ -f "$NOTES/${parent:+$parent/}$name" ] || { echo "  side $SIDE: note ${parent:+$parent/}$name not made"; return 0; }
    echo "  side $SIDE: made note ${parent:+$parent/}$name"
    [ $(( $1 % 3 )) = 0 ] || { open_note "${parent:+$parent/}$name" && type_token "${parent:+$parent/}$name"; leave_editor; }
}

act_create_folder() {
    local name
    new_name f; name=$NEW_NAME
    select_path "" || { count "$SIDE:not in the tree"; return 0; }
    tree_hold; zd_tree_menu create_folder
    zd_wait_window '^Каталог:$' 5 && zd_answer_entry "$name"
    dismiss_boxes 0.5
    [ -d "$NOTES/$name" ] && echo "  side $SIDE: made folder $name" || echo "  side $SIDE: folder $name not made"
}

# rename_selected NAME: an in-place rename of the selected item: a tap on its
# label opens the label's edit.
rename_selected() {
    local place x y w h height editing
    place=$(probe selected | head -1)
    read -r x y w h height editing <<< "$place"
    if [ -z "$h" ] || [ "$y" -lt 0 ] || [ $((y + h)) -gt "$height" ]; then
        count "$SIDE:renames not started"; return 1
    fi
    zd_tap $((TREE_X + x + w / 2)) $((TREE_Y + y + h / 2))
    sleep 0.8
    read -r x y w h height editing <<< "$(probe selected | head -1)"
    [ "${editing:-0}" = 1 ] || { count "$SIDE:renames not started"; return 1; }
    xdotool key ctrl+End; sleep 0.1
    xdotool key --delay 5 $(printf 'BackSpace %.0s' $(seq 1 12))
    xdotool type --delay 25 -- "$1"
    xdotool key Return
    sleep 0.3
}

act_rename() { # number, kind (f for a note, d for a folder)
    local entry new
    entry=$(entries "$2" | pick "$1") || return 0
    if [ "$2" = f ]; then new_name n; else new_name f; fi
    new=$NEW_NAME
    select_path "$entry" || { count "$SIDE:not in the tree"; return 0; }
    rename_selected "$new" || return 0
    dismiss_boxes 0.5
    local parent; parent=$(dirname "$entry")
    if [ -e "$NOTES/$parent/$new" ]; then echo "  side $SIDE: renamed $entry to $new"
    else echo "  side $SIDE: $entry not renamed to $new"; fi
}

act_delete() { # number, kind
    local entry
    entry=$(entries "$2" | pick "$1") || return 0
    select_path "$entry" || { count "$SIDE:not in the tree"; return 0; }
    # Whatever this side's disk holds below the entry the user throws away.
    $PY tokens "$NOTES/$entry" "$TOKEN_PATTERN" 2>/dev/null | cut -f1 >> "$WORK/excused"
    tree_hold; zd_tree_menu delete
    dismiss_boxes 0.5
    echo "  side $SIDE: deleted $entry"
}

# One action of one side, chosen by number. Of a hundred: 45 typing, 15 new
# notes, 7 new folders, 10 notes and 6 folders renamed, 10 notes and 7
# folders deleted (while enough notes are left).
act() {
    local share=$(( $1 % 100 )) n=$(( $1 / 100 )) notes
    notes=$(entries f | wc -l)
    if [ "$share" -lt 45 ]; then act_type "$n"
    elif [ "$share" -lt 60 ]; then act_create_note "$n"
    elif [ "$share" -lt 67 ]; then act_create_folder "$n"
    elif [ "$share" -lt 77 ]; then act_rename "$n" f
    elif [ "$share" -lt 83 ]; then act_rename "$n" d
    elif [ "$share" -lt 93 ]; then
        if [ "$notes" -gt 4 ]; then act_delete "$n" f; else act_create_note "$n"; fi
    else
        if [ "$notes" -gt 6 ]; then act_delete "$n" d; else act_type "$n"; fi
    fi
}

###############################################################################
# Rounds
###############################################################################
other_side() { [ "$1" = A ] && echo B || echo A; }

# Both sides do something of their own, one after the other.
round_apart() {
    local side
    for side in $SIDES; do
        use_side "$side"
        act "$((RANDOM * 32768 + RANDOM))"
    done
}

# The same note typed into on both sides before either is saved.
round_same_note() {
    use_side A
    local note r=$RANDOM
    note=$(entries f | pick "$r") || return 0
    [ -f "$(notes_of B)/$note" ] || { round_apart; return; }
    echo "  the same note $note typed into on both sides"
    local side
    for side in $SIDES; do
        use_side "$side"
        open_note "$note" && type_token "$note"
    done
    for side in $SIDES; do
        use_side "$side"
        leave_editor
    done
}

# A note open and typed into on one side while the other side renames or
# deletes its folder; the typing goes on after Unison brought the change over.
round_folder_gone() {
    local here=A there=B note folder r=$RANDOM how=$((RANDOM % 2))
    [ $((RANDOM % 2)) = 0 ] || { here=B; there=A; }
    use_side "$here"
    note=$(entries f | grep / | pick "$r") || { round_apart; return; }
    folder=${note%%/*}
    [ -f "$(notes_of "$there")/$note" ] || { round_apart; return; }
    open_note "$note" || return 0
    type_token "$note"
    use_side "$there"
    to_tree
    if ! select_path "$folder"; then
        count "$SIDE:not in the tree"
    elif [ "$how" = 0 ]; then
        new_name f
        rename_selected "$NEW_NAME" && echo "  side $SIDE: renamed $folder to $NEW_NAME while side $here has $note open"
        dismiss_boxes 0.5
    else
        $PY tokens "$NOTES/$folder" "$TOKEN_PATTERN" 2>/dev/null | cut -f1 >> "$WORK/excused"
        tree_hold; zd_tree_menu delete
        dismiss_boxes 0.5
        echo "  side $SIDE: deleted $folder while side $here has $note open"
    fi
    use_side "$here"
    zd_eventually 15 [ ! -d "$NOTES/$folder" ] || echo "  side $here: $folder still there after 15 s"
    type_token "$note"
    leave_editor
}

run_rounds() {
    local kind
    for ROUND in $(seq 1 "$ROUNDS"); do
        kind=$((RANDOM % 100))
        if [ "$kind" -lt 15 ]; then
            echo "round $ROUND: the same note on both sides"; round_same_note
        elif [ "$kind" -lt 30 ]; then
            echo "round $ROUND: a folder gone under an open note"; round_folder_gone
        else
            echo "round $ROUND: both sides apart"; round_apart
        fi
        local side
        for side in $SIDES; do use_side "$side"; check_alive; done
    done
}

###############################################################################
# The end: checks
###############################################################################
# The tree's entries as paths below the notes folder, from its labels.
tree_paths() {
    probe labels | awk '{
        match($0, /^ */); depth = RLENGTH / 2; label = substr($0, RLENGTH + 1)
        name[depth] = label
        if (depth == 0) next
        path = name[1]; for (i = 2; i <= depth; i++) path = path "/" name[i]
        print path }' | LC_ALL=C sort
}
disk_paths() { (cd "$NOTES" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort); }
tree_is_disk() { [ "$(tree_paths)" = "$(disk_paths)" ]; }

# (b) each program's tree lists what its disk holds, given a few seconds to
# follow the last changes.
check_trees() {
    local side differences
    for side in $SIDES; do
        use_side "$side"
        zd_eventually 10 tree_is_disk
        differences=$(diff <(tree_paths) <(disk_paths) | grep -c '^[<>]')
        figure "tree vs disk differences, side $side (must be 0)" "$differences"
        if [ "$differences" = 0 ]; then
            zd_pass "side $side: the tree lists what the disk holds"
        else
            zd_fail "side $side: the tree and the disk differ in $differences entries"
            diff <(tree_paths) <(disk_paths) | grep '^[<>]' | sed 's/^</  only in the tree:/; s/^>/  only on the disk:/' | head -20
        fi
    done
}

# (a) every token typed is somewhere in the common folder, unless the user
# deleted it.
check_edits() {
    local found="$WORK/found" token side round note where typed=0 lost=0 excused=0
    local in_note=0 in_conflict=0 in_copy=0 elsewhere=0
    # both folders, in case they did not come together
    { $PY tokens "$(notes_of A)" "$TOKEN_PATTERN"; $PY tokens "$(notes_of B)" "$TOKEN_PATTERN"; } > "$found"
    touch "$WORK/typed" "$WORK/excused"
    while IFS=$'\t' read -r token side round note; do
        typed=$((typed + 1))
        where=$(awk -F'\t' -v t="$token" '$1 == t { print $2; exit }' "$found")
        if [ -z "$where" ]; then
            if grep -qx "$token" "$WORK/excused"; then excused=$((excused + 1)); continue; fi
            lost=$((lost + 1))
            echo "LOST: $token typed on side $side in round $round into $note"
            continue
        fi
        case "$where" in
        *" (conflict_on_"*) in_copy=$((in_copy + 1)) ;;
        *" (conflict "*) in_conflict=$((in_conflict + 1)) ;;
        */n[0-9][0-9][0-9][0-9]|n[0-9][0-9][0-9][0-9]) in_note=$((in_note + 1)) ;;
        *) elsewhere=$((elsewhere + 1)) ;;
        esac
    done < "$WORK/typed"
    figure "edits typed" "$typed"
    figure "edits lost (must be 0)" "$lost"
    figure "edits deleted by the user with their note or folder" "$excused"
    figure "edits found in a note / a conflict note / a copy Unison kept / elsewhere" \
        "$in_note / $in_conflict / $in_copy / $elsewhere"
    zd_check "no typed edit lost ($lost of $typed)" [ "$lost" = 0 ]
}

# quit: Ctrl+Q, the boxes the exit's save shows answered; a save that
# failed keeps the program open once, so the user asks again (at most three
# times); false when the program did not end.
quit() {
    local _
    for _ in 1 2 3; do
        xdotool windowfocus "$ZD_WINDOW" 2>/dev/null
        zd_keys ctrl+q
        zd_wait_exit 3 && return 0
        dismiss_boxes 0.5
        zd_wait_exit 2 && return 0
    done
    return 1
}

# (c) each program ends at Ctrl+Q with exit code 0 and nothing in its output
# that tells of a crash.
check_crashes() {
    local side crashes
    for side in $SIDES; do
        use_side "$side"
        if ! quit; then
            count "$SIDE:hangs"; echo "side $SIDE: the program did not end"; zd_kill_app
        elif [ "${ZD_APP_RC:-}" != 0 ]; then
            count "$SIDE:crashes"; echo "side $SIDE: exit code ${ZD_APP_RC:-none}"
        fi
        # a crash seen earlier in the run is counted already
        if grep -qaE 'Unhandled|Assertion|page fault|Backtrace' "$ZD_APP_LOG" 2>/dev/null; then
            [ "${COUNT[$SIDE:crashes]:-0}" != 0 ] || count "$SIDE:crashes"
            grep -aE 'Unhandled|Assertion|page fault' "$ZD_APP_LOG" | head -5
        fi
        crashes=${COUNT[$SIDE:crashes]:-0}
        figure "crashes, side $side (must be 0)" "$crashes"
        figure "programs that did not end at Ctrl+Q, side $side (must be 0)" "${COUNT[$SIDE:hangs]:-0}"
        zd_check "side $side: no crash" [ "$crashes" = 0 ]
        zd_check "side $side: the program ends at Ctrl+Q" [ "${COUNT[$SIDE:hangs]:-0}" = 0 ]
    done
}

###############################################################################
started=$(date +%s)
echo "unison run: seed $SEED, $ROUNDS rounds, work $WORK"
write_profile
# Both machines start with the same few folders and notes.
mkdir -p "$(notes_of A)" "$(notes_of B)"
for folder in f0001 f0002 f0003; do
    mkdir -p "$(notes_of A)/$folder"
    for _ in 1 2; do
        new_name n; $PY text "start" "$(notes_of A)/$folder/$NEW_NAME"
    done
done
for _ in 1 2; do new_name n; $PY text "start" "$(notes_of A)/$NEW_NAME"; done
sync_once
for side in $SIDES; do start_side "$side"; launch || exit 2; done

RANDOM=$SEED
start_sync
run_rounds
stop_sync
echo "== the end: the typing stops"
zd_check "the folders come together" converge
for side in $SIDES; do use_side "$side"; leave_editor; done
zd_check "the folders come together after the editors were left" converge
check_edits
check_trees
check_crashes

for side in $SIDES; do
    for key in "boxes Error" "boxes Сохранить" "boxes Поиск" "not in the tree" "renames not started" "typing not taken"; do
        figure "side $side: $key" "${COUNT[$side:$key]:-0}"
    done
done
figure "rounds" "$ROUNDS"
figure "seed" "$SEED"
figure "unison runs (not complete)" "${COUNT[unison runs]:-0} (${COUNT[unison runs not complete]:-0})"
figure "seconds" "$(( $(date +%s) - started ))"
echo
echo "| figure | value |"
echo "|---|---|"
for key in "${FIGURE_ORDER[@]}"; do printf '| %s | %s |\n' "$key" "${FIGURE[$key]}"; done
echo
echo "unison run (seed $SEED): $ZD_PASSED checks passed, $ZD_FAILED failed, $(( $(date +%s) - started )) s"
if [ "$ZD_FAILED" != 0 ]; then
    # both folders, the tokens typed and the logs, for a look afterwards
    EVIDENCE="$(dirname "$EXE")/unison-evidence/seed-$SEED"
    rm -rf "$EVIDENCE"; mkdir -p "$EVIDENCE"
    cp -r "$WORK/A" "$WORK/B" "$WORK"/*.log "$WORK/typed" "$EVIDENCE/" 2>/dev/null
    cp "$WORK/excused" "$EVIDENCE/" 2>/dev/null
    echo "evidence: $EVIDENCE"
fi
[ "$ZD_FAILED" = 0 ]

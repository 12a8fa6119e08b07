#!/usr/bin/env bash
# The desktop window resized as a user does it: the frame dragged by its
# corners, its sides and its caption with real X input on a private Xvfb
# display, with a note open and edited. After every drag the program's own
# windows are asked (zephprobe layout) where the tree, the editor and the
# menu bar are, and the note's text and caret; a screenshot at a large size
# is checked pixel by pixel. Then the place and size are kept across a
# restart, nonsense in the registry is ignored, and at 144 DPI the window
# starts in proportion. Last, the same with a window manager (openbox):
# drags of every grip of the manager's frame, slow and fast, another
# program's requests (xdotool windowsize), maximising and restoring, each
# ending on the screen in proportion with the bar inside; then the pop-ups
# and boxes, after each of which the keys reach the program.
# Usage: e2e_resize.sh zephnotes.exe
#
# With no window manager on the display, Wine draws the frame itself and
# runs its own size loop (the program's WM_SIZING) once its windows are not
# left to a manager: the prefix has HKCU\Software\Wine\X11 Driver
# "Managed"="N" until the manager's part.
set -u
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/../../tools/torture/drive.sh"
zd_under_timeout 600 "$0" "$@"    # never hang: a hard limit for the session
EXE="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"

BUILD="$(dirname "$EXE")"
PROBE="$BUILD/zephprobe.exe"
SHOTS="$BUILD/screenshots"
DOCS="$(mktemp -d /tmp/zeph-resize.XXXXXX)"
NOTES="$DOCS/ZephNotes"
KEY='HKCU\SOFTWARE\Brisel\ZephNotes'
DPI_KEY='HKCU\Control Panel\Desktop'
mkdir -p "$SHOTS"
started=$(date +%s)

OPENBOX_PID=""
cleanup() {
    zd_kill_app
    [ -n "$OPENBOX_PID" ] && kill "$OPENBOX_PID" 2>/dev/null
    [ -n "${WINEPREFIX:-}" ] && timeout 30 wine reg delete "$DPI_KEY" /v LogPixels /f >/dev/null 2>&1
    zd_stop_prefix
    zd_stop_x
    rm -rf "$DOCS"
}
trap cleanup EXIT
trap 'echo "FAIL: the session ran out of time"; exit 124' TERM

# Room for a 960 x 1072 client area with its frame and bar.
ZD_SCREEN=1600x1200x24 zd_start_x || { echo "FAIL: no Xvfb display"; exit 1; }
zd_prefix "$EXE" wineprefix-resize
export ZEPHNOTES_DOCUMENTS="$(zd_winpath "$DOCS")"
timeout 30 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
timeout 30 wine reg delete "$DPI_KEY" /v LogPixels /f >/dev/null 2>&1
timeout 30 wine reg delete "$KEY" /f >/dev/null 2>&1
echo "display $DISPLAY, prefix $WINEPREFIX, documents $ZEPHNOTES_DOCUMENTS"

note_hex() { { printf '\xff\xfe'; printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE; } | od -An -tx1 | tr -d ' \n'; }
file_hex() { od -An -tx1 "$1" | tr -d ' \n'; }
mkdir -p "$NOTES/Дом"
TEXT=$'Идеи\r\nСписок дел'
{ printf '\xff\xfe'; printf '%s' "$TEXT" | iconv -f UTF-8 -t UTF-16LE; } > "$NOTES/Идеи"

# What the probe prints; its line ends come back as CR LF and are made LF,
# so a note's text is compared without its CRs.
probe() { timeout 30 wine "$PROBE" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
lf() { printf '%s' "${1//$'\r'/}"; }

# launch: starts the program and waits until its tree shows the root. The
# managed-off windows carry Wine's own X class, so the program is found
# through its windows, not by X.
launch() {
    ZD_EXE="$EXE"
    ZD_RC_FILE="${ZD_RC_FILE:-$(mktemp /tmp/zeph-rc.XXXXXX)}"
    : > "$ZD_RC_FILE"
    ( setsid -w wine "$EXE" </dev/null; echo $? > "$ZD_RC_FILE" ) >/dev/null 2>&1 &
    ZD_APP_PID=$!
    zd_wait_painted 90 >/dev/null
}

# layout: the program's windows, as shell variables (client_x, tree_width...).
layout() {
    local lines
    lines=$(probe layout) || return 1
    eval "$lines"
    echo "  client ${client_x},${client_y} ${client_width}x${client_height}" \
         "tree ${tree_x},${tree_y} ${tree_width}x${tree_height}" \
         "editor ${editor_x},${editor_y} ${editor_width}x${editor_height}" \
         "bar ${bar_x},${bar_y} ${bar_width}x${bar_height}"
}

# check_layout WHAT: the tree, the editor and the bar where the design puts
# them for the client size now (each product first, each quotient truncated).
check_layout() {
    local what="$1" w="$client_width" h="$client_height"
    zd_check "$what: tree at the design's place ($tree_x,$tree_y ${tree_width}x$tree_height)" \
        [ "$tree_x $tree_y $tree_width $tree_height" = \
          "$((5 * w / 240)) $((5 * h / 268)) $((200 * w / 240)) $((258 * h / 268))" ]
    zd_check "$what: editor at the design's place ($editor_x,$editor_y ${editor_width}x$editor_height)" \
        [ "$editor_x $editor_y $editor_width $editor_height" = \
          "$((30 * w / 240)) 0 $((207 * w / 240)) $((221 * h / 268))" ]
    zd_check "$what: the menu bar right below the client area, across its width" \
        [ "$bar_x $bar_y $bar_width $bar_visible" = "$client_x $((client_y + h)) $w 1" ]
}

# proportional: the client area keeps 240 : 268 to the nearest pixel.
proportional() {
    local d=$(( client_width * 268 - client_height * 240 ))
    [ "${d#-}" -le 134 ] && [ "$client_width" -ge 240 ] && [ "$client_height" -ge 268 ]
}

# drag X Y DX DY: presses the left button at screen X, Y, moves by DX, DY in
# steps as a hand does, and lets go.
drag() {
    local x="$1" y="$2" dx="$3" dy="$4" step
    xdotool mousemove -- "$x" "$y"; sleep 0.2
    xdotool mousedown 1; sleep 0.3
    for step in 1 2 3 4; do
        xdotool mousemove -- $((x + dx * step / 4)) $((y + dy * step / 4)); sleep 0.15
    done
    sleep 0.2; xdotool mouseup 1; sleep 0.8
}
right() { echo $((window_x + window_width)); }
bottom() { echo $((window_y + window_height)); }

# the state a resize must keep
work_before() {
    sel_before="$editor_selection_start $editor_selection_end"
    item_before="$tree_selected"
    text_before=$(probe editor-text)
}
check_work() {
    local what="$1"
    zd_check "$what: the editor view stays, the tree hidden" \
        [ "$editor_visible $tree_visible" = "1 0" ]
    zd_check "$what: the caret stays ($editor_selection_start $editor_selection_end)" \
        [ "$editor_selection_start $editor_selection_end" = "$sel_before" ]
    zd_check "$what: the selected item stays" [ "$tree_selected" = "$item_before" ]
    zd_check "$what: the note's text stays" [ "$(probe editor-text)" = "$text_before" ]
}

# pixel X Y FILE: the colour of a screen pixel in a screenshot, as r,g,b.
pixel() {
    convert "$3" -format "%[fx:int(255*p{$1,$2}.r+0.5)],%[fx:int(255*p{$1,$2}.g+0.5)],%[fx:int(255*p{$1,$2}.b+0.5)]" info: 2>/dev/null
}

# ---- first start: twice the design size -------------------------------------
launch
layout
zd_check "the first start on a 1600 x 1200 screen is twice the design size (${client_width}x$client_height)" \
    [ "$client_width $client_height" = "480 536" ]
check_layout "first start"

# Open the note "Идеи" with the keyboard and switch to the editor view by
# tapping the ring binding; type at the end of the text.
xdotool mousemove $((client_x + tree_x + 40)) $((client_y + tree_y + 200)) click 1; sleep 0.5
zd_keys Home Right Down Down
zd_check "the note is loaded" [ "$(probe editor-text)" = "$(lf "$TEXT")" ]
xdotool mousemove $((client_x + client_width - 15 * client_width / 240)) \
    $((client_y + client_height / 2)) click 1; sleep 1.2
layout
zd_check "the ring binding opens the editor view at 480 x 536" [ "$editor_visible" = 1 ]
zd_keys ctrl+End
xdotool type --delay 40 " abc"; sleep 0.3
zd_keys Left Left
layout
zd_check "the typed text is in the editor" [ "$(probe editor-text)" = "$(lf "$TEXT abc")" ]
work_before
echo "  caret $sel_before"

# ---- drags -------------------------------------------------------------------
drag $(( $(right) - 2 )) $(( $(bottom) - 2 )) 240 100
layout
zd_check "the bottom-right corner dragged by 240, 100 gives 720 x 804 (${client_width}x$client_height)" \
    [ "$client_width $client_height" = "720 804" ]
check_layout "720 x 804"; check_work "720 x 804"

# The caption moves the window off the screen's edges; the bar follows.
drag $(( window_x + window_width / 2 )) $(( client_y - 8 )) 300 100
layout
zd_check "the caption moves the window by 300, 100 ($window_x,$window_y)" \
    [ "$window_x $window_y" = "300 100" ]
check_layout "moved"; check_work "moved"

drag $(( $(right) - 2 )) $(( window_y + window_height / 2 )) -120 0
layout
zd_check "the right edge dragged by -120 gives 600 x 670 (${client_width}x$client_height)" \
    [ "$client_width $client_height" = "600 670" ]
check_layout "600 x 670"; check_work "600 x 670"

before_bottom=$(bottom)
drag $(( window_x + window_width / 2 )) $(( window_y + 2 )) 0 101
layout
zd_check "the top edge dragged down by 101 leads, the bar shrinking with the window: 518 x 578 (${client_width}x$client_height)" \
    [ "$client_width $client_height" = "518 578" ]
zd_check "the bottom edge stays where it was" [ "$(bottom)" = "$before_bottom" ]
check_layout "518 x 578"; check_work "518 x 578"

before_right=$(right)
drag $(( window_x + 1 )) $(( window_y + window_height / 2 )) -150 0
layout
zd_check "the left edge dragged by -150 gives 668 x 746 (${client_width}x$client_height)" \
    [ "$client_width $client_height" = "668 746" ]
zd_check "the right edge stays where it was" [ "$(right)" = "$before_right" ]
check_layout "668 x 746"; check_work "668 x 746"

before_corner="$(right) $(bottom)"
drag $(( window_x + 1 )) $(( window_y + 1 )) 1000 1000
layout
zd_check "no drag makes the client area smaller than 240 x 268 (${client_width}x$client_height)" \
    [ "$client_width $client_height" = "240 268" ]
zd_check "the bottom-right corner stays where it was" [ "$(right) $(bottom)" = "$before_corner" ]
check_layout "240 x 268"; check_work "240 x 268"

drag $(( window_x + 1 )) $(( $(bottom) - 2 )) -100 50
layout
zd_check "the bottom-left corner, the width leading, gives 340 x 380 (${client_width}x$client_height)" \
    [ "$client_width $client_height" = "340 380" ]
check_layout "340 x 380"; check_work "340 x 380"

drag $(( window_x + window_width / 2 )) $(( client_y - 8 )) $(( -window_x )) $(( -window_y ))
layout
zd_check "the caption moves the window to the corner ($window_x,$window_y)" \
    [ "$window_x $window_y" = "0 0" ]
check_layout "in the corner"

# Then large: 960 x 1072 by the right edge (the width leads, and the height
# follows it step by step).
drag $(( $(right) - 2 )) $(( window_y + window_height / 2 )) $(( 960 - client_width )) 0
layout
zd_check "the right edge gives 960 x 1072 (${client_width}x$client_height)" \
    [ "$client_width $client_height" = "960 1072" ]
check_layout "960 x 1072"; check_work "960 x 1072"

# What a person sees at that size: the binding at the left edge, the paper
# background right of the page, the toolbar along the bottom, the menu bar.
sleep 1.5     # the toolbar's animation ends and everything is painted
shot="$SHOTS/e2e-resize-960x1072.png"
import -window root "$shot" 2>/dev/null
cx=$client_x; cy=$client_y
zd_check "screenshot: the editor's yellow background right of the page" \
    [ "$(pixel $((cx + 955)) $((cy + 300)) "$shot")" = "255,255,183" ]
binding=$(pixel $((cx + 10)) $((cy + 536)) "$shot")
zd_check "screenshot: the ring binding at the left edge ($binding)" \
    [ "$binding" != "255,255,183" ] && [ "$binding" != "0,0,0" ]
toolbar=$(pixel $((cx + 600)) $((cy + 1072 - 5)) "$shot")
zd_check "screenshot: the toolbar along the bottom ($toolbar)" \
    [ "$toolbar" != "255,255,183" ] && [ "$toolbar" != "0,0,0" ]
zd_check "screenshot: the menu bar below, across the width" \
    [ "$(pixel $((cx + 955)) $((cy + 1072 + 13)) "$shot")" = "28,58,118" ]
zd_check "screenshot: nothing of the window right of the client area's frame" \
    [ "$(pixel $((window_x + window_width + 3)) $((cy + 300)) "$shot")" = "0,0,0" ]

# ---- a size set from outside -------------------------------------------------
probe client-size 333 401 >/dev/null
sleep 0.8
layout
zd_check "another program's 333 x 401 ends in proportion inside it (${client_width}x$client_height)" \
    [ "$client_width $client_height" = "333 372" ]
check_layout "333 x 372"; check_work "333 x 372"
zd_screenshot "$SHOTS/e2e-resize-333x372.png"

# Back to the tree view by the binding, now at the left edge: the edit is saved.
xdotool mousemove $((client_x + 15 * 333 / 240)) $((client_y + 200)) click 1; sleep 0.8
layout
zd_check "the binding at the left edge switches back to the tree view" \
    [ "$tree_visible $editor_visible" = "1 0" ]
zd_check "leaving the editor saved the text typed before the resizes" \
    [ "$(file_hex "$NOTES/Идеи")" = "$(note_hex "$TEXT abc")" ]

# ---- the place and size are kept -----------------------------------------------
probe client-size 480 536 >/dev/null
drag $(( window_x + window_width / 2 )) $(( client_y - 8 )) 150 90
layout
kept="$client_x $client_y $client_width $client_height"
zd_keys ctrl+q
if zd_wait_exit 20; then zd_pass "Ctrl+Q ends the program"; else zd_fail "Ctrl+Q ends the program"; zd_kill_app; fi
stored() { timeout 30 wine reg query "$KEY" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n {print $3}'; }
zd_check "the client area is kept in the registry" \
    [ "$(( $(stored ClientLeft) )) $(( $(stored ClientTop) )) $(( $(stored ClientWidth) )) $(( $(stored ClientHeight) ))" = "$kept" ]
zd_check "not maximised" [ "$(stored Maximized)" = 0x0 ]

launch
layout
zd_check "the next start has the place and size left ($client_x $client_y $client_width $client_height)" \
    [ "$client_x $client_y $client_width $client_height" = "$kept" ]
check_layout "kept"
zd_keys ctrl+q
zd_wait_exit 20 || zd_kill_app

# A stored width that is not a number is not trusted: a first start's size.
timeout 30 wine reg add "$KEY" /v ClientWidth /t REG_SZ /d 4800 /f >/dev/null 2>&1
launch
layout
zd_check "a width stored as a string is ignored: 480 x 536 (${client_width}x$client_height)" \
    [ "$client_width $client_height" = "480 536" ]
zd_keys ctrl+q
zd_wait_exit 20 || zd_kill_app

# ---- 144 DPI: the start in proportion ---------------------------------------------
timeout 30 wine reg add "$DPI_KEY" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
timeout 30 wine reg delete "$KEY" /f >/dev/null 2>&1
launch
layout
zd_check "at 144 DPI a first start is twice 360 x 402 (${client_width}x$client_height)" \
    [ "$client_width $client_height" = "720 804" ]
zd_check "at 144 DPI the menu bar below 720 x 804 is 78 pixels high, as the skin grows ($bar_height)" [ "$bar_height" = 78 ]
check_layout "144 DPI"
zd_screenshot "$SHOTS/e2e-resize-144dpi.png"
zd_keys ctrl+q
zd_wait_exit 20 || zd_kill_app
timeout 30 wine reg delete "$DPI_KEY" /v LogPixels /f >/dev/null 2>&1

# ---- with a window manager: openbox drives the frame --------------------------
# The manager draws the frame and drags it; Wine hands each step of its drag
# on as a plain size change (no WM_ENTERSIZEMOVE, WM_SIZING or
# WM_EXITSIZEMOVE), and the window takes the design's proportions once the
# manager is quiet. The prefix leaves its windows to the manager again.
timeout 30 wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1
timeout 30 wine reg delete "$KEY" /f >/dev/null 2>&1
openbox --sm-disable >/dev/null 2>&1 &
OPENBOX_PID=$!
manager_runs() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
zd_check "openbox manages the display" zd_eventually 20 manager_runs
launch
MAIN_X=$(xdotool search --name '^ZephNotes$' 2>/dev/null | head -1)
# What the manager's frame adds: left, right, top (its title bar), bottom.
read -r EL ER ET EB < <(xprop -id "$MAIN_X" _NET_FRAME_EXTENTS 2>/dev/null | sed 's/.*= //; s/,//g')
echo "  manager's frame: left $EL, right $ER, top $ET, bottom $EB"
zd_check "the manager draws a frame with a bottom handle" [ "${EB:-0}" -gt 0 ]

# The window the manager frames, the client area with the bar (screen).
win_edges() {
    wl=$client_x; wt=$client_y
    wr=$((client_x + client_width)); wb=$((client_y + client_height + bar_height))
}
ph() { echo $(( ($1 * 268 * 2 + 240) / 480 )); }   # the height for a width, rounded
pw() { echo $(( ($1 * 240 * 2 + 268) / 536 )); }
x_size() { xwininfo -id "$MAIN_X" 2>/dev/null | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}'; }

# wm_check WHAT W H: the size, the layout, the bar inside the window with the
# manager's frame whole around it, and the screen agreeing with the program.
wm_check() {
    local what="$1" shot="$SHOTS/e2e-wm-check.png" handle
    zd_check "$what: ${client_width}x$client_height, as the proportions give ($2x$3)" \
        [ "$client_width $client_height" = "$2 $3" ]
    check_layout "$what"
    win_edges
    zd_check "$what: the window on the screen is the program's ($(x_size))" \
        [ "$(x_size)" = "$client_width $((client_height + bar_height))" ]
    zd_check "$what: the bar ends where the window ends" [ "$((bar_y + bar_height))" = "$wb" ]
    import -window root "$shot" 2>/dev/null
    handle=$(pixel $((wr - 4)) $((wb + EB / 2)) "$shot")
    zd_check "$what: the frame's bottom handle shows below the bar ($handle)" \
        [ "$handle" != "28,58,118" ] && [ "$handle" != "0,0,0" ]
}

# on_screen: the window with the manager's frame lies on the 1600 x 1200 screen.
on_screen() {
    win_edges
    [ $((wl - EL)) -ge 0 ] && [ $((wt - ET)) -ge 0 ] &&
        [ $((wr + ER)) -le 1600 ] && [ $((wb + EB)) -le 1200 ]
}
# settled WHAT: however it was sized, on the screen, not smaller than the
# design, in proportion, the bar inside.
settled() {
    layout
    zd_check "$1: on the screen" on_screen
    zd_check "$1: in proportion, not smaller than 240 x 268 (${client_width}x$client_height)" proportional
    check_layout "$1"
}

# Away from the screen's edges first, by the caption.
layout; win_edges
drag $(( (wl + wr) / 2 )) $(( wt - ET / 2 )) 200 120
layout
zd_check "the caption moves the window by 200, 120 without sizing it" \
    [ "$client_width $client_height" = "480 536" ]
# Each grip: the design's proportions inside the size the drag asked for.
win_edges
drag $(( wr - 4 )) $(( wb + EB / 2 )) 240 120
layout; wm_check "the bottom-right grip out by 240, 120" 579 646
drag "$wr" $(( (wt + wb) / 2 )) -120 0
layout; wm_check "the right side, in by 120" 459 513
win_edges
drag $(( (wl + wr) / 2 )) $(( wb + EB / 2 )) 0 -100
layout; wm_check "the bottom handle, up by 100" 378 422
win_edges; before_right=$wr
drag $(( wl - EL )) $(( (wt + wb) / 2 )) -60 0
layout; wm_check "the left side out by 60: never larger than asked" 378 422
win_edges
zd_check "the right side stays where it was ($before_right, now $wr)" [ "$wr" = "$before_right" ]
drag $(( wl - EL )) $(( (wt + wb) / 2 )) 40 0
layout; wm_check "the left side in by 40" 338 377
win_edges
zd_check "the right side stays where it was ($before_right, now $wr)" [ "$wr" = "$before_right" ]
before_bottom=$wb
drag $(( (wl + wr) / 2 )) $(( wt - ET + 1 )) 0 50
layout; wm_check "the top side, down by 50" 296 331
win_edges
zd_check "the bottom stays where it was ($before_bottom, now $wb)" [ "$wb" = "$before_bottom" ]
before_corner="$wr $wb"
drag $(( wl - EL )) $(( wt - ET + 1 )) -100 -100
layout; wm_check "the top-left grip out by 100, 100" 378 422
win_edges
zd_check "the bottom-right corner stays where it was" [ "$wr $wb" = "$before_corner" ]
# A slow drag that pauses on the way: still in proportion where it ends.
xdotool mousemove -- "$wr" $(( (wt + wb) / 2 )); sleep 0.2; xdotool mousedown 1; sleep 0.3
for step in 1 2 3 4 5 6; do xdotool mousemove -- $((wr - 15 * step)) $(( (wt + wb) / 2 )); sleep 0.5; done
xdotool mouseup 1; sleep 1
layout; wm_check "a slow drag of the right side, in by 90" 288 322
zd_screenshot "$SHOTS/e2e-wm-288.png"
# A fast one far past the smallest size, in one move.
win_edges
xdotool mousemove -- $(( wr - 4 )) $(( wb + EB / 2 )); sleep 0.2; xdotool mousedown 1; sleep 0.2
xdotool mousemove -- $(( wr - 8 )) $(( wb + EB / 2 - 4 )); sleep 0.05
xdotool mousemove -- $(( wl - 300 )) $(( wt - 300 )); sleep 0.05; xdotool mouseup 1; sleep 1
layout; wm_check "a fast drag of the bottom-right grip far up and left" 240 268
settled "the fast drag"

# Another program's requests (xdotool windowsize asks the manager for the
# X window's size: the client area with the bar).
request() { xdotool windowsize "$MAIN_X" "$1" "$2"; sleep 1; layout; }
request 100 100; wm_check "windowsize 100 100" 240 268
request 800 300; wm_check "windowsize 800 300" 245 274
request 300 700; wm_check "windowsize 300 700" 300 335
request 1500 1500; settled "windowsize 1500 1500, larger than the screen"
zd_check "windowsize 1500 1500: as large as the screen lets it" [ "$client_height" -gt 1000 ]

# Maximised by the title bar, it is laid out for the whole work area; restored,
# it has the size it had.
request 480 588
win_edges
xdotool mousemove $(( (wl + wr) / 2 )) $(( wt - ET / 2 )) click --repeat 2 --delay 80 1; sleep 1.5
layout
zd_check "a double click on the title maximises it (${client_width}x$client_height)" \
    [ "$client_width" -ge 1500 ]
check_layout "maximised"
win_edges
zd_check "maximised, the bar is on the screen" [ "$wb" -le 1200 ]
zd_screenshot "$SHOTS/e2e-wm-maximised.png"
xdotool mousemove 800 $(( ET / 2 )) click --repeat 2 --delay 80 1; sleep 1.5
layout; wm_check "restored" 480 536

kept="$client_width $client_height"
zd_keys ctrl+q
zd_wait_exit 20 || zd_kill_app
zd_check "the size kept is the proportional one ($kept)" \
    [ "$(( $(stored ClientWidth) )) $(( $(stored ClientHeight) ))" = "$kept" ]

launch
probe client-size 480 536 >/dev/null
sleep 0.5; layout

# The pop-ups and boxes: after each the main window is active and the keys
# reach it at once.
active() { xprop -root _NET_ACTIVE_WINDOW 2>/dev/null | awk '{print $NF}'; }
main_active() { [ "$(( $(active) ))" = "$(( MAIN_X ))" ]; }
selected_now() { probe layout | sed -n 's/^tree_selected=//p'; }
tree_menu() { # item of the tree's menu, by keys
    xdotool mousemove $((client_x + client_width / 3)) $((client_y + client_height / 2)) click 3
    sleep 0.8
    zd_tree_menu "$1"
    sleep 1
}
xdotool mousemove $((client_x + 40)) $((client_y + 30)) click 1; sleep 0.5
tree_menu create_folder
zd_screenshot "$SHOTS/e2e-wm-name-entry.png"
xdotool type --delay 40 "Home"; xdotool key Return; sleep 1
zd_check "Enter in the name window is OK: the typed name replaced the offered one" \
    test -d "$NOTES/Home"
zd_check "after the name window the main window is active" zd_eventually 5 main_active
root_item=$(selected_now)
zd_keys Down
zd_check "and the keys reach the tree at once" [ "$(selected_now)" != "$root_item" ]
zd_screenshot "$SHOTS/e2e-wm-new-folder.png"
zd_keys Up
tree_menu create_note
xdotool type --delay 40 "never"; xdotool key Escape; sleep 1
zd_check "Escape in the name window is cancel: nothing made" test ! -e "$NOTES/never"
zd_check "after Escape the main window is active" zd_eventually 5 main_active
tree_menu create_folder
xdotool type --delay 40 "a?b"; xdotool key Return
zd_check "a name the program will not make is refused in an Error box" \
    zd_wait_window '^Error$' 10
sleep 0.5
box_height=$(xwininfo -id "$(zd_window_named '^Error$' | head -1)" 2>/dev/null | awk '/Height:/ {print $2}')
zd_check "the box is sized for its two lines of text, not left at the size it was made with (${box_height:-?} high)" \
    [ "${box_height:-999}" -lt 160 ]
zd_screenshot "$SHOTS/e2e-wm-refusal.png"
zd_check "one box" [ "$(zd_close_boxes '^Error$' 3)" = 1 ]
zd_check "after the box the main window is active" zd_eventually 5 main_active
zd_keys ctrl+a
zd_check "Ctrl+A shows the About window" zd_wait_window '^О программе$' 10
zd_keys Escape
zd_check "a key closes it" zd_wait_gone '^О программе$' 10
zd_check "after the About window the main window is active" zd_eventually 5 main_active
zd_keys Down
zd_check "and the keys reach the tree at once" [ "$(selected_now)" != "$root_item" ]

# ---- the keyboard alone ---------------------------------------------------------
# Tab from a note to its page and Shift+Tab back, F6 either way, the view's
# menu by Shift+F10 or the menu key, F2 to rename.
views() { layout >/dev/null; echo "$tree_visible $editor_visible"; }
selected_path() { probe selected | sed -n 2p; }
zd_keys Home Right End
zd_check "the last item is the note" [ "$(selected_path)" = "ZephNotes/Идеи" ]
zd_keys Tab
zd_check "Tab on a note goes on to its page" [ "$(views)" = "0 1" ]
zd_keys ctrl+End; xdotool type --delay 40 " kbd"; sleep 0.3
zd_keys Menu; zd_keys Up Return
zd_check "the menu key opens the editor's menu, whose last item saves" \
    [ "$(file_hex "$NOTES/Идеи")" = "$(note_hex "$TEXT abc kbd")" ]
zd_check "and the page stays" [ "$(views)" = "0 1" ]
zd_keys shift+Tab
zd_check "Shift+Tab comes back to the tree" [ "$(views)" = "1 0" ]
zd_keys F6
zd_check "F6 switches to the page" [ "$(views)" = "0 1" ]
zd_keys F6
zd_check "and back to the tree" [ "$(views)" = "1 0" ]
zd_keys Home
zd_keys shift+F10; sleep 0.5; zd_tree_menu create_note; sleep 0.5
xdotool type --delay 40 "kbd"; xdotool key Return; sleep 1
zd_check "Shift+F10 opens the tree's menu: a note made by keys alone" test -f "$NOTES/kbd"
zd_keys Home Down Down
zd_check "the new note is reached by the arrows" [ "$(selected_path)" = "ZephNotes/kbd" ]
zd_keys F2; sleep 0.5
xdotool type --delay 40 "renamed"; xdotool key Return; sleep 1
zd_check "F2 renames the selected note" \
    [ "$(test -f "$NOTES/renamed" && echo y)$(test -e "$NOTES/kbd" && echo n)" = y ]
zd_keys ctrl+q
if zd_wait_exit 20; then zd_pass "Ctrl+Q ends the program"; else zd_fail "Ctrl+Q ends the program"; zd_kill_app; fi

echo "e2e resize: $ZD_PASSED passed, $ZD_FAILED failed, $(( $(date +%s) - started )) s;" \
     "screenshots in $SHOTS"
[ "$ZD_FAILED" = 0 ]

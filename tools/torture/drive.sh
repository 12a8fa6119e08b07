# Shared helpers for the scripts that drive zephnotes.exe with real X input
# events (xdotool) on a private Xvfb display and Wine prefix.
# Sourced by tests/scripts/*.sh and tools/torture/*.sh.

ZD_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

zd_log() { printf '%s\n' "$*"; }

# Checks: every check prints one line; a failed one is counted.
ZD_FAILED=0
ZD_PASSED=0
zd_pass() { ZD_PASSED=$((ZD_PASSED + 1)); printf 'PASS: %s\n' "$*"; }
zd_fail() { ZD_FAILED=$((ZD_FAILED + 1)); printf 'FAIL: %s\n' "$*"; }
# zd_eventually SECONDS command...: true once the command succeeds.
zd_eventually() {
    local limit=$(( $1 * 10 )) i; shift
    for i in $(seq 1 "$limit"); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}
# zd_under_timeout SECONDS "$0" "$@": re-runs the calling script under a hard limit.
zd_under_timeout() {
    local limit="$1"; shift
    if [ -z "${ZD_UNDER_TIMEOUT:-}" ]; then
        ZD_UNDER_TIMEOUT=1 exec timeout -k 15 "$limit" bash "$@"
    fi
}
zd_check() { # zd_check "description" command...
    local what="$1"; shift
    if "$@" >/dev/null 2>&1; then zd_pass "$what"; else zd_fail "$what"; fi
}

# ---- display and prefix -----------------------------------------------------

# zd_start_x: a private Xvfb; sets DISPLAY and ZD_XVFB_PID. Xvfb picks a
# free display number itself, so runs started side by side never share one.
zd_start_x() {
    local numfile i
    numfile=$(mktemp /tmp/zeph-display.XXXXXX)
    Xvfb -displayfd 3 -screen 0 "${ZD_SCREEN:-640x480x24}" -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
    ZD_XVFB_PID=$!
    for i in $(seq 1 100); do
        [ -s "$numfile" ] && break
        kill -0 "$ZD_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    local number; number=$(tr -dc 0-9 < "$numfile")
    rm -f "$numfile"
    if [ -z "$number" ] || ! kill -0 "$ZD_XVFB_PID" 2>/dev/null; then
        return 1
    fi
    export DISPLAY=":$number"
}

zd_stop_x() {
    if [ -n "${ZD_XVFB_PID:-}" ]; then
        kill "$ZD_XVFB_PID" 2>/dev/null
        wait "$ZD_XVFB_PID" 2>/dev/null
        ZD_XVFB_PID=""
    fi
}

# zd_prefix EXE NAME: a Wine prefix with the X11 driver beside the program.
zd_prefix() {
    local exe="$1" name="$2"
    # shellcheck source=/dev/null
    source "$ZD_ROOT/tools/setup.sh"
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    zeph_prefix "$(cd "$(dirname "$exe")" && pwd)/$name" x11 test >/dev/null
    # One wineserver for every start of the program saves seconds per start.
    wineserver -p 2>/dev/null || true
    timeout 60 wine cmd /c ver </dev/null >/dev/null 2>&1 || true
}

zd_stop_prefix() {
    [ -n "${ZD_RC_FILE:-}" ] && rm -f "$ZD_RC_FILE"
    ZD_RC_FILE=""
    [ -n "${WINEPREFIX:-}" ] && timeout 30 wineserver -k 2>/dev/null
    true
}

# Windows path of a Unix folder, as Wine's Z: drive shows it.
zd_winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

# ---- the program ------------------------------------------------------------

# zd_launch EXE: starts the program in the background; sets ZD_APP_PID (the
# "wine" launcher) and waits for the main window (ZD_WINDOW, ZD_X, ZD_Y).
zd_launch() {
    local exe="$1"
    ZD_EXE="$exe"
    ZD_RC_FILE="${ZD_RC_FILE:-$(mktemp /tmp/zeph-rc.XXXXXX)}"
    : > "$ZD_RC_FILE"
    # The launcher's shell outlives a killed program and keeps its exit code;
    # the program runs in a session of its own, so that no signal meant for
    # its process group reaches this script. What it prints (a crash's
    # backtrace, a failed assertion) goes to ZD_APP_LOG when that is set.
    ( setsid -w wine "$exe" </dev/null; echo $? > "$ZD_RC_FILE" ) >>"${ZD_APP_LOG:-/dev/null}" 2>&1 &
    ZD_APP_PID=$!
    zd_wait_main 90   # a first start in a new prefix builds its caches
}

# The main window: its X id and the screen position of its client area.
zd_main_window() {
    local w
    for w in $(xdotool search --class ZEPHNOTES 2>/dev/null); do
        if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = ZephNotes ]; then
            echo "$w"; return 0
        fi
    done
    return 1
}

zd_wait_main() { # seconds
    local limit=$(( $1 * 10 )) i w
    for i in $(seq 1 "$limit"); do
        if w=$(zd_main_window); then
            ZD_WINDOW=$w
            eval "$(xdotool getwindowgeometry --shell "$w" | sed -n 's/^X=/ZD_X=/p;s/^Y=/ZD_Y=/p')"
            # the window is mapped; wait until it is viewable
            if xwininfo -id "$w" 2>/dev/null | grep -q IsViewable; then
                return 0
            fi
        fi
        sleep 0.1
    done
    return 1
}

# Linux pids of the program's Wine processes in this run's prefix: runs side
# by side must never touch each other's program.
zd_app_linux_pids() {
    local p
    for p in $(pgrep -x zephnotes.exe); do
        tr '\0' '\n' < "/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$p"
    done
}
zd_app_linux_pid() { zd_app_linux_pids | head -1; }

# zd_wait_exit SECONDS: waits for the launcher started by zd_launch; sets ZD_APP_RC.
zd_wait_exit() {
    local limit=$(( $1 * 10 )) i
    for i in $(seq 1 "$limit"); do
        if ! kill -0 "$ZD_APP_PID" 2>/dev/null; then
            wait "$ZD_APP_PID" 2>/dev/null
            ZD_APP_RC=$(cat "$ZD_RC_FILE" 2>/dev/null)
            return 0
        fi
        sleep 0.1
    done
    return 1
}

zd_kill_app() {
    local p
    for p in $(zd_app_linux_pids); do kill -9 "$p" 2>/dev/null; done
    [ -n "${ZD_APP_PID:-}" ] && wait "$ZD_APP_PID" 2>/dev/null
    true
}

# zd_wait_painted SECONDS: waits until the tree shows its root selected with
# nothing left to paint, that is the scan is done and painted; asked of the
# program's own windows by zephprobe.exe (built beside the program).
# It prints when that was first seen (seconds since 1970); started before
# the program, it times the start-up without its own start counted.
zd_wait_painted() {
    local probe="${ZD_PROBE:-$(dirname "${ZD_EXE:-$EXE}")/zephprobe.exe}"
    timeout $(( $1 + 30 )) wine "$probe" wait-root "$1" </dev/null 2>/dev/null | tr -d '\r'
    return "${PIPESTATUS[0]}"
}

# ---- input ------------------------------------------------------------------

# Client coordinates of the main window to the screen.
zd_tap() { # x y : a short tap
    xdotool mousemove $((ZD_X + $1)) $((ZD_Y + $2)) click 1
    sleep "${ZD_SETTLE:-0.3}"
}

zd_hold() { # x y : tap-and-hold, the stylus held still
    xdotool mousemove $((ZD_X + $1)) $((ZD_Y + $2)) mousedown 1
    sleep 0.9
    xdotool mouseup 1
    sleep 0.4
}

zd_keys() { xdotool key --delay 60 "$@"; sleep 0.2; }

# Letters outside the keyboard map are typed through a key xdotool remaps for
# each: the program must see every new mapping before its key, so each such
# letter goes alone, with a pause after it.
zd_type() {
    local piece
    while IFS= read -r -d '' piece; do
        xdotool type --delay 30 -- "$piece"
        case "$piece" in *[![:ascii:]]*) sleep 0.25 ;; esac
    done < <(python3 -c 'import re, sys
for piece in re.findall(r"[\x00-\x7f]+|[^\x00-\x7f]", sys.argv[1]):
    sys.stdout.write(piece + "\0")' "$1")
    sleep 0.2
}

# zd_window_named REGEX: ids of windows whose title matches.
zd_window_named() { xdotool search --name "$1" 2>/dev/null; }

zd_wait_window() { # regex seconds
    zd_eventually "$2" zd_window_named "$1"
}
zd_wait_gone() { # regex seconds
    local limit=$(( $2 * 10 )) i
    for i in $(seq 1 "$limit"); do
        [ -z "$(zd_window_named "$1")" ] && return 0
        sleep 0.1
    done
    return 1
}

# Menus of the tree view (items in order) and of the editor view.
# zd_menu_tree "Создать" "Создать папку"
zd_tree_menu() { # path like: create_folder create_note start_search continue_search alpha date delete
    case "$1" in
    create_folder) zd_keys Down Right Return ;;
    create_note) zd_keys Down Right Down Return ;;
    start_search) zd_keys Down Down Right Return ;;
    continue_search) zd_keys Down Down Right Down Return ;;
    alpha) zd_keys Down Down Down Right Return ;;
    date) zd_keys Down Down Down Right Down Return ;;
    delete) zd_keys Up Return ;;
    esac
}

zd_screenshot() { # file
    import -window root "$1" 2>/dev/null || true
}

# ---- the name entry window and message boxes --------------------------------

# The name entry window opens centred on the main window's client area
# (ZD_X, ZD_Y), here of the design's 240 x 268.
zd_entry_x() { echo $(( ZD_X + (240 - 162) / 2 )); }
zd_entry_y() { echo $(( ZD_Y + (268 - 84) / 2 )); }

# zd_answer_entry TEXT [ok|cancel]: taps the field, replaces its text, taps a button.
zd_answer_entry() {
    local text="$1" button="${2:-ok}"
    local ZD_ENTRY_X ZD_ENTRY_Y
    ZD_ENTRY_X=$(zd_entry_x)
    ZD_ENTRY_Y=$(zd_entry_y)
    xdotool mousemove $((ZD_ENTRY_X + 75)) $((ZD_ENTRY_Y + 43)) click 1
    sleep 0.2
    # the field holds at most one line of the initial text: clear it
    xdotool key ctrl+End; sleep 0.1
    xdotool key --delay 5 $(printf 'BackSpace %.0s' $(seq 1 40))
    [ -n "$text" ] && xdotool type --delay 25 -- "$text"
    sleep 0.2
    if [ "$button" = ok ]; then
        xdotool mousemove $((ZD_ENTRY_X + 44)) $((ZD_ENTRY_Y + 68)) click 1
    else
        xdotool mousemove $((ZD_ENTRY_X + 118)) $((ZD_ENTRY_Y + 68)) click 1
    fi
    sleep 0.5
}

# zd_close_boxes CAPTION_REGEX SECONDS: waits up to SECONDS for message boxes
# with that caption, closes each with Return; prints how many there were.
zd_close_boxes() {
    local caption="$1" limit=$(( $2 * 10 )) count=0 quiet=0 w
    while [ "$quiet" -lt "$limit" ]; do
        w=$(xdotool search --name "$caption" 2>/dev/null | head -1)
        if [ -n "$w" ]; then
            count=$((count + 1))
            xdotool windowactivate --sync "$w" >/dev/null 2>&1 || xdotool windowfocus "$w" 2>/dev/null
            xdotool key --window "$w" Return 2>/dev/null; xdotool key Return
            # wait for it to go before looking for the next one
            local i
            for i in $(seq 1 30); do
                xdotool search --name "$caption" 2>/dev/null | grep -qx "$w" || break
                sleep 0.1
            done
            quiet=$(( limit - 5 > 0 ? limit - 5 : 0 ))
        else
            quiet=$((quiet + 1))
            sleep 0.1
        fi
    done
    echo "$count"
}

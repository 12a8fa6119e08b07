#!/usr/bin/env bash
# The Debian package as a user meets it: built with cpack, installed with
# apt on this machine, started from its menu entry by a new user without a
# Wine prefix on a private Xvfb display, upgraded from an older version,
# installed again and purged. The Windows zip is built and read too.
# It installs a package, so it needs root and apt; it is skipped otherwise.
# Usage: package_debian.sh zephnotes.exe
set -u
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/../../tools/torture/drive.sh"
SKIPPED=77

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "[  SKIPPED ] the package is installed with apt on this machine: needs root and apt"
    exit "$SKIPPED"
fi
if dpkg-query -W -f='${Status}' zephnotes 2>/dev/null | grep -q "ok installed"; then
    echo "[  SKIPPED ] zephnotes is already installed here and is left alone (dpkg -P zephnotes)"
    exit "$SKIPPED"
fi
zd_under_timeout 900 "$0" "$@"
# The display is the test's own, started below: until then there is none.
unset DISPLAY
EXE="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
BUILD="$(dirname "$EXE")"
SHOTS="$BUILD/screenshots"
mkdir -p "$SHOTS"
started=$(date +%s)

# A user who has never run ZephNotes: a new home each run.
TESTER=zephnotes-tester
WORK="$(mktemp -d /tmp/zeph-package.XXXXXX)"
chmod 755 "$WORK"
USER_HOME="$WORK/home"
USER_PREFIX="$USER_HOME/.local/share/zephnotes/wineprefix"
NOTES="$USER_HOME/Documents/ZephNotes"
made_user=""
installed=""

cleanup() {
    zd_kill_app
    [ -d "$USER_PREFIX" ] &&
        as_user env WINEPREFIX="$USER_PREFIX" timeout 30 wineserver -k >/dev/null 2>&1
    [ -n "$installed" ] && dpkg -P zephnotes >/dev/null 2>&1
    zd_stop_x
    if [ -n "$made_user" ]; then
        # the user's last Wine processes end before the user goes
        zd_eventually 15 sh -c "! pgrep -u '$TESTER' >/dev/null"
        userdel "$TESTER" 2>/dev/null || echo "note: the user $TESTER is left"
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'echo "FAIL: the run ran out of time"; exit 124' TERM

if ! id "$TESTER" >/dev/null 2>&1; then
    useradd --no-create-home --home-dir "$USER_HOME" --shell /bin/sh "$TESTER" || {
        echo "FAIL: cannot add the user $TESTER"; exit 1; }
    made_user=1
fi
mkdir -p "$USER_HOME"
chown "$TESTER:" "$USER_HOME"

# as_user COMMAND...: runs it as the test user, with a login's environment
# only (setpriv execs the command itself: no session or signal handling of
# its own in between).
as_user() {
    setpriv --reuid="$TESTER" --regid="$TESTER" --init-groups -- \
        env -i HOME="$USER_HOME" USER="$TESTER" LOGNAME="$TESTER" \
        PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 DISPLAY="${DISPLAY:-}" "$@"
}
# The program's tree, as its own tree control lists it (zephprobe, run in
# the user's prefix).
labels() {
    as_user env WINEPREFIX="$USER_PREFIX" WINEDEBUG=-all \
        timeout 60 wine "$WORK/zephprobe.exe" labels </dev/null 2>/dev/null | tr -d '\r'
}
note_bytes() { printf '\xff\xfe'; printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE; }
installed_version() { dpkg-query -W -f='${Version}' zephnotes 2>/dev/null; }
apt_install() { # apt-get install arguments...
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        -o DPkg::Lock::Timeout=300 "$@" >"$WORK/apt.log" 2>&1 || { cat "$WORK/apt.log"; return 1; }
}

# launch_program NAME COMMAND...: the user starts the program with COMMAND,
# as from the menu (the launcher's stderr kept in $WORK/NAME.log).
launch_program() {
    local name="$1"; shift
    ZD_RC_FILE="$WORK/$name.rc"
    : > "$ZD_RC_FILE"
    ( setsid -w setpriv --reuid="$TESTER" --regid="$TESTER" --init-groups -- \
        env -i HOME="$USER_HOME" USER="$TESTER" LOGNAME="$TESTER" \
        PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 DISPLAY="$DISPLAY" "$@" \
        </dev/null >/dev/null 2>"$WORK/$name.log"; echo $? > "$ZD_RC_FILE" ) &
    ZD_APP_PID=$!   # for zd_wait_exit and zd_kill_app
}
# start_program NAME COMMAND...: launch_program, then waits for the main window.
start_program() {
    launch_program "$@"
    zd_wait_main 120   # the first start prepares the user's Wine prefix
}
# The launcher's own windows shown (the first start's notice, its errors).
launcher_windows() { xdotool search --onlyvisible --class '^yad$' 2>/dev/null; }
# answer_launcher_window: Enter on the shown window (its OK button), as
# often as it takes to land, until the launcher ends.
answer_launcher_window() {
    local w
    for _ in $(seq 1 30); do
        kill -0 "$ZD_APP_PID" 2>/dev/null || return 0
        for w in $(launcher_windows); do xdotool windowfocus "$w" key Return 2>/dev/null; done
        sleep 1
    done
}
prefix_megabytes() { du -sm "$USER_HOME/.local/share/zephnotes" | cut -f1; }
# Links of the prefix into Wine's files, and those that lead nowhere.
wine_links() { find "$USER_PREFIX/drive_c" -type l -lname '/usr/*' | wc -l; }
broken_links() { find "$USER_PREFIX/drive_c" -xtype l | wc -l; }
# The program's processes are found by the prefix they run in.
export WINEPREFIX="$USER_PREFIX"

# exit_program WHAT: "Выход" on the menu bar, as the user would.
exit_program() {
    xdotool mousemove $((ZD_X + 28)) $((ZD_Y + 268 + 13)) click 1
    if zd_wait_exit 30; then
        zd_check "$1: \"Выход\" ends the program and the launcher with 0 (got $ZD_APP_RC)" \
            [ "$ZD_APP_RC" = 0 ]
    else
        zd_fail "$1: \"Выход\" ends the program"; zd_kill_app
    fi
}

# ---- the packages -----------------------------------------------------------
VERSION=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$BUILD/CPackConfig.cmake")
PREVIOUS="$VERSION~previous"
DEB="$WORK/zephnotes_${VERSION}_amd64.deb"
OLD_DEB="$WORK/zephnotes_${PREVIOUS}_amd64.deb"
ZIP="$WORK/zephnotes-$VERSION-win64.zip"
zd_check "the project has a version ($VERSION)" [ -n "$VERSION" ]
(cd "$BUILD" && cpack -G "DEB;ZIP" -B "$WORK" >"$WORK/cpack.log" 2>&1 &&
    cpack -G DEB -R "$PREVIOUS" -B "$WORK" >>"$WORK/cpack.log" 2>&1) || cat "$WORK/cpack.log"
zd_check "cpack -G DEB makes zephnotes_${VERSION}_amd64.deb" [ -f "$DEB" ]
zd_check "an older package to upgrade from: $PREVIOUS" dpkg --compare-versions "$PREVIOUS" lt "$VERSION"
zd_check "cpack -G ZIP makes zephnotes-$VERSION-win64.zip" [ -f "$ZIP" ]
zip_list=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' \
    "$ZIP" 2>/dev/null | sort | tr '\n' ' ')
zd_check "the zip holds the program, its README and the licences ($zip_list)" [ "$zip_list" = \
    "zephnotes-$VERSION-win64/LICENSE-ZephNotes-Fallback.txt zephnotes-$VERSION-win64/LICENSE-ZephNotes-Text.txt zephnotes-$VERSION-win64/LICENSE.txt zephnotes-$VERSION-win64/README.txt zephnotes-$VERSION-win64/zephnotes.exe " ]
readme=$(python3 -c 'import sys, zipfile
print(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]).decode("utf-8-sig"), end="")' \
    "$ZIP" "zephnotes-$VERSION-win64/README.txt" 2>/dev/null)
zd_check "the zip's README names the version" grep -qF "ZephNotes $VERSION for Windows" <<< "$readme"
zd_check "the zip's README has Windows line ends" [ "$(grep -c $'\r$' <<< "$readme")" = "$(wc -l <<< "$readme")" ]
zd_check "the zip's README says how to remove the settings" \
    grep -qF 'reg delete HKCU\SOFTWARE\Brisel\ZephNotes /f' <<< "$readme"
zd_check "the zip's README names the faces' licences" \
    grep -qF 'LICENSE-ZephNotes-Fallback.txt' <<< "$readme"
[ -f "$DEB" ] && [ -f "$OLD_DEB" ] && [ -f "$ZIP" ] || { echo "FAIL: no packages to go on with"; exit 1; }
depends=$(dpkg-deb -f "$DEB" Depends)
for package in wine wine64 fonts-wine fonts-liberation yad; do
    zd_check "the package depends on $package" grep -qE "(^|, )$package(,|$)" <<< "$depends"
done
zd_check "the package is for amd64" [ "$(dpkg-deb -f "$DEB" Architecture)" = amd64 ]
zd_check "the package has a homepage" [ -n "$(dpkg-deb -f "$DEB" Homepage)" ]
lintian --pedantic -E --display-info --fail-on error,warning "$DEB" >"$WORK/lintian.log" 2>&1
rc=$?
sed -e '/root privileges/d' -e 's/^/lintian: /' "$WORK/lintian.log"
zd_check "lintian --pedantic finds no error and no warning" \
    [ "$rc" = 0 -a -z "$(grep -E '^[EW]: ' "$WORK/lintian.log")" ]
mkdir "$WORK/tree" && dpkg-deb -x "$DEB" "$WORK/tree"
appstreamcli validate-tree --strict --pedantic --no-net "$WORK/tree" >"$WORK/appstream.log" 2>&1
rc=$?
sed 's/^/appstreamcli: /' "$WORK/appstream.log"
zd_check "appstreamcli validates the metainfo and the menu entry, with no remark" \
    [ "$rc" = 0 -a "$(grep -c . "$WORK/appstream.log")" = 1 ]
metainfo=$(find "$WORK/tree/usr/share/metainfo" -name '*.metainfo.xml')
zd_check "the metainfo's newest release is $VERSION" \
    grep -q "<release version=\"$VERSION\"" <(grep -m1 '<release ' "$metainfo")
zcat "$WORK/tree/usr/share/doc/zephnotes/changelog.gz" > "$WORK/changelog"
zd_check "the changelog's newest entry is $VERSION" \
    [ "$(dpkg-parsechangelog -l "$WORK/changelog" -S Version)" = "$VERSION" ]
cp "$BUILD/zephprobe.exe" "$WORK/"
chmod 644 "$WORK"/*.deb "$WORK/zephprobe.exe"

# ---- the older version, installed with apt ----------------------------------
apt_install "$OLD_DEB" && installed=1
zd_check "apt installs the older package" [ "$(installed_version)" = "$PREVIOUS" ]
zd_check "the launcher is a command" [ -x /usr/bin/zephnotes ]
SHARED=/var/lib/zephnotes/wineprefix
zd_check "installing prepares the shared Wine prefix" [ -f "$SHARED/system.reg" ]
zd_check "the shared prefix is root's, readable by all" \
    [ "$(stat -c %U "$SHARED")" = root -a -z "$(find "$SHARED" ! -perm -o+r -print -quit)" ]
zd_check "the shared prefix links Wine's files, under 50 MB ($(du -sm "$SHARED" | cut -f1) MB)" \
    [ "$(du -sm "$SHARED" | cut -f1)" -lt 50 -a "$(find "$SHARED/drive_c" -type l -lname '/usr/*' | wc -l)" -gt 100 ]
zd_check "the shared prefix is for the Wine installed" \
    [ "$(cat "$SHARED/.zephnotes-linked")" = "$(stat -c %Y /usr/share/wine/wine.inf)" ]
zd_check "the program lies under /usr/lib/zephnotes" [ -f /usr/lib/zephnotes/zephnotes.exe ]
DESKTOP=/usr/share/applications/zephnotes.desktop
entry() { sed -n "s/^$1=//p" "$DESKTOP"; }
zd_check "the menu entry names the program" [ "$(entry Name)" = ZephNotes ]
zd_check "the menu entry has an English comment" [ -n "$(entry Comment)" ]
zd_check "the menu entry has a Russian comment" [ -n "$(entry 'Comment\[ru\]')" ]
zd_check "the manual page is found" [ "$(man -w zephnotes 2>/dev/null)" = /usr/share/man/man1/zephnotes.1.gz ]
zd_check "the menu entry is in Office" grep -qx 'Categories=\(.*;\)\?Office;.*' "$DESKTOP"
for size in 16 22 24 32 48 64 128 256; do
    icon="/usr/share/icons/hicolor/${size}x$size/apps/$(entry Icon).png"
    zd_check "the menu entry's icon is there at $size pixels" \
        [ "$(identify -format '%m %wx%h' "$icon" 2>/dev/null)" = "PNG ${size}x$size" ]
done

help=$(as_user zephnotes --help 2>&1)
zd_check "zephnotes --help tells where the notes are" grep -qF "$NOTES" <<< "$help"
zd_check "zephnotes --help tells where the Wine prefix is" grep -qF "$USER_PREFIX" <<< "$help"
zd_check "zephnotes --help prepares no prefix" [ ! -e "$USER_HOME/.local" ]
zd_check "zephnotes --help makes no folder" [ ! -e "$USER_HOME/Documents" ]
zd_check "zephnotes --help says the command that removes the prefix" \
    grep -qF "rm -rf '$USER_HOME/.local/share/zephnotes'" <<< "$help"
# HOME unset: the home folder of the user database; a relative XDG value
# is ignored.
zd_check "with HOME unset the launcher takes the user's home folder" \
    grep -qF "$USER_PREFIX" <<< "$(as_user env -u HOME zephnotes --help 2>&1)"
zd_check "a relative XDG_DATA_HOME is ignored" \
    grep -qF "$USER_PREFIX" <<< "$(as_user env XDG_DATA_HOME=data zephnotes --help 2>&1)"
as_user env DISPLAY= zephnotes >/dev/null 2>&1; rc=$?
zd_check "without a display the launcher ends with 1 (got $rc)" [ "$rc" = 1 ]
as_user zephnotes --no-such-option >/dev/null 2>&1; rc=$?
zd_check "an unknown argument ends the launcher with 2 (got $rc)" [ "$rc" = 2 ]
zd_check "neither prepares a prefix" [ ! -e "$USER_HOME/.local" ]
# A documents folder named in user-dirs.dirs, as a Russian desktop names it.
mkdir -p "$USER_HOME/.config"
echo 'XDG_DOCUMENTS_DIR="$HOME/Документы"' > "$USER_HOME/.config/user-dirs.dirs"
zd_check "the documents folder comes from user-dirs.dirs" \
    grep -qF "$USER_HOME/Документы/ZephNotes" <<< "$(as_user zephnotes --help 2>&1)"
rm -r "$USER_HOME/.config"

# ---- a first start from the menu entry, without a prefix --------------------
zd_start_x || { echo "FAIL: no Xvfb display"; exit 1; }
echo "display $DISPLAY, user $TESTER, home $USER_HOME"
launch_program first sh -c "$(entry Exec)"
zd_wait_main 120
first_start=$(( $(date +%s) - $(stat -c %Y "$ZD_RC_FILE") ))
zd_check "the menu entry starts the program and its window shows" [ -n "${ZD_WINDOW:-}" ]
zd_check "no window saying it prepares is left" [ -z "$(launcher_windows)" ]
zd_check "the launcher prepares the user's Wine prefix" [ -f "$USER_PREFIX/system.reg" ]
zd_check "the first start copies the prefix the package prepared" \
    grep -q "from the one the package prepared" "$WORK/first.log"
# The copy made the user's own: Wine names the profile and its paths after
# the user, and links its folders to the user's (to the home folder, where
# there is no XDG folder yet).
PROFILE="$USER_PREFIX/drive_c/users/$TESTER"
profiles() { ls "$USER_PREFIX/drive_c/users" | LC_ALL=C sort | tr '\n' ' '; }
zd_check "the copied prefix's profile is the user's ($(profiles))" [ "$(profiles)" = "Public $TESTER " ]
# registry_names_user PREFIX: its registry's paths lead to the user's profile,
# none to the one the shared prefix was made for.
registry_names_user() {
    ! grep -q zephnotes-prefix "$1/user.reg" "$1/system.reg" "$1/userdef.reg" &&
        grep -qF "\"TEMP\"=\"C:\\\\users\\\\$TESTER\\\\Temp\"" "$1/user.reg"
}
zd_check "the copied prefix's registry names only the user's profile" registry_names_user "$USER_PREFIX"
zd_check "the profile's documents lead to the user's home ($(readlink "$PROFILE/Documents")), no link is broken" \
    [ "$(readlink "$PROFILE/Documents")" = "$USER_HOME" -a "$(broken_links)" = 0 ]
zd_check "the copied prefix is for the Wine installed, Wine's own updates off" \
    [ "$(cat "$USER_PREFIX/.zephnotes-linked")" = "$(stat -c %Y /usr/share/wine/wine.inf)" -a \
      "$(cat "$USER_PREFIX/.update-timestamp")" = disable ]
zd_check "the prefix is the user's own" [ "$(stat -c %U "$USER_PREFIX")" = "$TESTER" ]
zd_check "the prefix has Tahoma" [ -f "$USER_PREFIX/drive_c/windows/Fonts/tahoma.ttf" ]
first_size=$(prefix_megabytes)
zd_check "the prefix takes under 50 MB ($first_size MB, $(wine_links) links to Wine's files)" \
    [ "$first_size" -lt 50 ]
# What the home holds; fontconfig's cache, which any program that draws text
# makes where the system's font caches are out of date, aside.
home_holds() {
    (cd "$USER_HOME" && find . -mindepth 1 -maxdepth "$1" -not -path './.cache*' | LC_ALL=C sort | tr '\n' ' ')
}
zd_check "the first start leaves nothing in the home but the prefix and the notes ($(home_holds 3))" \
    [ "$(home_holds 3)" = "./.local ./.local/share ./.local/share/zephnotes ./Documents ./Documents/ZephNotes " ]
zd_check "the notes folder is made in the user's documents folder" zd_eventually 10 [ -d "$NOTES" ]
zd_check "the tree shows its root, painted" \
    as_user env WINEPREFIX="$USER_PREFIX" WINEDEBUG=-all timeout 90 wine "$WORK/zephprobe.exe" wait-root 60
zd_check "the tree holds only its root" [ "$(labels)" = ZephNotes ]
shown=$(for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    xdotool getwindowname "$w"; done | sort -u | tr '\n' '|')
zd_check "no window but the program's shows, no installer, no error ($shown)" [ "$shown" = "ZephNotes|" ]
wm_class=$(xprop -id "$ZD_WINDOW" WM_CLASS 2>/dev/null)
zd_check "the menu entry knows the window by its class ($wm_class)" \
    grep -qF ", \"$(entry StartupWMClass)\"" <<< "$wm_class"
zd_screenshot "$SHOTS/package-01-first-start.png"
exit_program "first start"
# The folder Debian's Wine talks to its server through, named by the
# prefix's device and inode, goes once the server has ended.
server_folder_left() {
    local name
    name=$(printf 'server-%x-%x' "$(stat -c %d "$USER_PREFIX")" "$(stat -c %i "$USER_PREFIX")")
    compgen -G "/tmp/wine-*/$name" >/dev/null
}
zd_check "no /tmp/wine-* folder of the user's prefix is left after the exit" \
    zd_eventually 30 eval '! server_folder_left'
zd_check "the first start says it prepares the prefix" grep -q "preparing a Wine prefix" "$WORK/first.log"

# The same first start without the shared prefix: Wine makes the user's,
# with a window saying so; it and the copy agree wherever Wine and the
# program look (the same files and links, fonts, registry keys).
# prefix_shape PREFIX: its files and links, and its registry's keys.
prefix_shape() {
    (cd "$1" && find . -path ./drive_c/users -prune -o -printf '%y %p %l\n' | LC_ALL=C sort
     sed -n 's/^\(\[[^]]*\]\).*/\1/p' system.reg user.reg userdef.reg | LC_ALL=C sort)
}
as_user env WINEPREFIX="$USER_PREFIX" timeout 30 wineserver -k >/dev/null 2>&1
mv "$USER_PREFIX" "$WORK/copied-prefix"
mv "$SHARED" "$SHARED.aside"
launch_program made sh -c "$(entry Exec)"
zd_check "without the shared prefix the first start shows a window saying it prepares one" \
    zd_eventually 30 launcher_windows
sleep 1
zd_screenshot "$SHOTS/package-00-preparing.png"
zd_wait_main 120
zd_check "Wine's prefix's window shows, the one saying it prepares is gone" \
    [ -n "${ZD_WINDOW:-}" -a -z "$(launcher_windows)" ]
exit_program "first start without the shared prefix"
zd_check "that start says Wine prepares the prefix" grep -q "It takes about" "$WORK/made.log"
as_user env WINEPREFIX="$USER_PREFIX" timeout 30 wineserver -k >/dev/null 2>&1
prefix_shape "$USER_PREFIX" > "$WORK/made.shape"
prefix_shape "$WORK/copied-prefix" > "$WORK/copied.shape"
zd_check "the copied prefix has Wine's files, links, fonts and registry keys ($(diff "$WORK/made.shape" \
    "$WORK/copied.shape" | grep -c '^[<>]') differences)" cmp -s "$WORK/made.shape" "$WORK/copied.shape"
diff "$WORK/made.shape" "$WORK/copied.shape" | head -n 20
profile_shape() { # prefix
    (cd "$1/drive_c/users" && find . -printf '%y %p\n' | LC_ALL=C sort)
    grep -F "users\\\\$TESTER" "$1/user.reg" "$1/system.reg" | sed 's/^[^:]*://' | LC_ALL=C sort
}
zd_check "both have the same profile, named the same in the registry" \
    cmp -s <(profile_shape "$USER_PREFIX") <(profile_shape "$WORK/copied-prefix")
diff <(profile_shape "$USER_PREFIX") <(profile_shape "$WORK/copied-prefix") | head -n 20
zd_check "Wine's own prefix names the user as the copy does" registry_names_user "$USER_PREFIX"
rm -rf "$USER_PREFIX"
mv "$WORK/copied-prefix" "$USER_PREFIX"
mv "$SHARED.aside" "$SHARED"

# The user's own things, which no install or removal may touch.
note_bytes $'Хлеб\r\nмолоко' > "$NOTES/Покупки"
chown "$TESTER:" "$NOTES/Покупки"
note_sum=$(sha256sum < "$NOTES/Покупки")
touch "$USER_PREFIX/drive_c/kept"
kept() { [ "$(sha256sum < "$NOTES/Покупки")" = "$note_sum" ] && [ -f "$USER_PREFIX/drive_c/kept" ]; }

# ---- upgrade, then the same version installed again -------------------------
apt_install "$DEB"
zd_check "apt upgrades to $VERSION" [ "$(installed_version)" = "$VERSION" ]
zd_check "the upgrade keeps the user's notes and prefix" kept
apt_install --reinstall "$DEB"
zd_check "apt installs $VERSION again" [ "$(installed_version)" = "$VERSION" ]
zd_check "installing again keeps the user's notes and prefix" kept
# Wine's files are replaced as an upgrade of Wine replaces them: the links
# lead to the new ones.
touch "$SHARED/made-before"
apt_install --reinstall libwine
zd_check "installing Wine again leaves no link of the prefix broken ($(broken_links))" \
    [ "$(broken_links)" = 0 ]
zd_check "installing Wine again prepares the shared prefix again" \
    [ -f "$SHARED/system.reg" -a ! -e "$SHARED/made-before" ]
# An upgrade of Wine, as the launcher sees it: wine.inf of another time.
echo 0 > "$USER_PREFIX/.zephnotes-linked"

start_program second zephnotes
zd_check "the program starts again after the upgrades" [ -n "${ZD_WINDOW:-}" ]
zd_check "the start after Wine's upgrade brings the prefix up to date" \
    grep -q "up to date" "$WORK/second.log"
zd_check "the prefix still takes under 50 MB ($(prefix_megabytes) MB) with no broken link" \
    [ "$(prefix_megabytes)" -lt 50 -a "$(broken_links)" = 0 ]
as_user env WINEPREFIX="$USER_PREFIX" WINEDEBUG=-all timeout 90 \
    wine "$WORK/zephprobe.exe" wait-root 60 >/dev/null 2>&1
tree=$(labels)
zd_check "the note in the documents folder is listed (tree: $(tr '\n' '|' <<< "$tree"))" \
    [ "$tree" = $'ZephNotes\n  Покупки' ]
zd_tap 17 17   # the root's button: the note shows under it
sleep 0.5
zd_screenshot "$SHOTS/package-02-note-listed.png"
exit_program "after the upgrade"
zd_check "the prefix is prepared only once" [ -z "$(grep preparing "$WORK/second.log")" ]
zd_check "the program leaves the note as it was" kept

# A start with LANG and HOME unset, a relative XDG_DATA_HOME and a documents
# folder with a Cyrillic name.
mkdir -p "$USER_HOME/.config" "$USER_HOME/Документы/ZephNotes" "$WORK/cwd"
echo 'XDG_DOCUMENTS_DIR="$HOME/Документы"' > "$USER_HOME/.config/user-dirs.dirs"
note_bytes 'Молоко' > "$USER_HOME/Документы/ZephNotes/Список"
chown -R "$TESTER:" "$USER_HOME/.config" "$USER_HOME/Документы" "$WORK/cwd"
start_program unset env -C "$WORK/cwd" -u LANG -u HOME XDG_DATA_HOME=data zephnotes
as_user env WINEPREFIX="$USER_PREFIX" WINEDEBUG=-all timeout 90 \
    wine "$WORK/zephprobe.exe" wait-root 60 >/dev/null 2>&1
tree=$(labels)
zd_check "LANG unset: the note in the Cyrillic documents folder is listed (tree: $(tr '\n' '|' <<< "$tree"))" \
    [ "$tree" = $'ZephNotes\n  Список' ]
zd_check "nothing is made under the relative XDG_DATA_HOME" [ -z "$(ls -A "$WORK/cwd")" ]
zd_check "the prefix in use is the usual one" [ -z "$(grep -E 'preparing|up to date' "$WORK/unset.log")" ]
exit_program "with LANG and HOME unset"
rm -r "$USER_HOME/.config"

# An error met on a start from the menu is shown in a window, which the
# launcher waits on: here a data folder the user may not write.
launch_program unwritable env XDG_DATA_HOME=/usr/share zephnotes
zd_check "an error of the launcher shows in a window" zd_eventually 30 launcher_windows
sleep 1
zd_screenshot "$SHOTS/package-03-error.png"
zd_check "the error is said on standard error too, with its reason" \
    grep -qF "cannot make the folder /usr/share/zephnotes (Permission denied)" "$WORK/unwritable.log"
zd_check "the launcher waits while the window is open" kill -0 "$ZD_APP_PID"
answer_launcher_window
if zd_wait_exit 10; then
    zd_check "closing the window ends the launcher with 1 (got $ZD_APP_RC)" [ "$ZD_APP_RC" = 1 ]
else
    zd_fail "closing the window ends the launcher"; kill -- -"$ZD_APP_PID" 2>/dev/null
fi

# ZEPHNOTES_DOCUMENTS still chooses the folder.
ELSEWHERE="$USER_HOME/elsewhere"
start_program elsewhere env ZEPHNOTES_DOCUMENTS="$ELSEWHERE" zephnotes
as_user env WINEPREFIX="$USER_PREFIX" WINEDEBUG=-all timeout 90 \
    wine "$WORK/zephprobe.exe" wait-root 60 >/dev/null 2>&1
zd_check "ZEPHNOTES_DOCUMENTS moves the notes folder" [ -d "$ELSEWHERE/ZephNotes" ]
zd_check "the tree is that folder's, empty" [ "$(labels)" = ZephNotes ]
exit_program "with ZEPHNOTES_DOCUMENTS"

# ---- purge ------------------------------------------------------------------
ours=$(dpkg -L zephnotes)
dpkg -P zephnotes >"$WORK/dpkg.log" 2>&1 && installed=""
zd_check "dpkg -P removes the package" [ -z "$(installed_version)" ]
left=""
while IFS= read -r path; do
    # folders shared with other packages (/usr/bin...) stay; our own go
    if [ -e "$path" ] && { [ ! -d "$path" ] || [ "$path" = /usr/lib/zephnotes ]; }; then
        left="$left $path"
    fi
done <<< "$ours"
zd_check "no file of the package is left:${left:- none}" [ -z "$left" ]
zd_check "the package's own folder is gone" [ ! -e /usr/lib/zephnotes ]
zd_check "the shared prefix is gone" [ ! -e /var/lib/zephnotes ]
for package in wine wine64 fonts-wine fonts-liberation; do
    zd_check "$package stays installed" \
        sh -c "dpkg-query -W -f='\${Status}' $package | grep -q 'ok installed'"
done
zd_check "the user's notes and prefix stay after the package is gone" kept
# What the README gives to remove what stays, the notes apart.
as_user env WINEPREFIX="$USER_PREFIX" timeout 30 wineserver -k >/dev/null 2>&1
as_user sh -c 'rm -rf ~/.local/share/zephnotes'
zd_check "rm -rf ~/.local/share/zephnotes leaves nothing of ZephNotes but the notes ($(home_holds 2))" \
    [ -z "$(home_holds 2 | tr ' ' '\n' | grep -vE '^(./(Documents|Документы|elsewhere)(/ZephNotes)?|./.local(/share)?)?$')" ]

echo "package: $ZD_PASSED passed, $ZD_FAILED failed, $(( $(date +%s) - started )) s;" \
     "$(stat -c %s "$DEB") bytes .deb, $(stat -c %s "$ZIP") bytes .zip;" \
     "first start ${first_start:-?} s, prefix ${first_size:-?} MB; screenshots in $SHOTS"
[ "$ZD_FAILED" = 0 ]

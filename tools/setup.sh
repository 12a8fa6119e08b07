# Shared set-up of the run and test commands: packages, build, Wine prefixes.
# Sourced by tools/run.sh and tools/test.sh; every step is idempotent.

ZEPH_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ZEPH_BUILD="${ZEPH_BUILD:-$ZEPH_ROOT/build}"
# wine brings the wine, wineserver and wineboot commands (wine64 alone puts
# nothing on the PATH); fonts-wine holds Tahoma, the face the program names;
# fonts-liberation gives Wine's script fallback a face without the marks that
# send Debian 12's Wine 8.0 Uniscribe into a crash (see README); openbox is
# the window manager of the scripted resize session; lintian and appstream
# check the Debian package in its test.
ZEPH_PACKAGES="cmake make g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 fonts-wine fonts-liberation googletest xvfb xdotool xclip x11-utils imagemagick python3 e2fsprogs openbox lintian appstream"

export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

# zeph_install_packages [PACKAGE...]: the given packages, or all of the above.
zeph_install_packages() {
    local missing=""
    for package in ${*:-$ZEPH_PACKAGES}; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
            missing="$missing $package"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

zeph_build() {
    # $@: targets (all when none)
    if [ ! -f "$ZEPH_BUILD/CMakeCache.txt" ]; then
        cmake -S "$ZEPH_ROOT" -B "$ZEPH_BUILD" \
            -DCMAKE_TOOLCHAIN_FILE="$ZEPH_ROOT/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    local targets=()
    for target in "$@"; do targets+=(--target "$target"); done
    cmake --build "$ZEPH_BUILD" -j "$(nproc)" "${targets[@]}"
}

# zeph_prefix DIR null|x11 [test]: a Wine prefix made without installer
# dialogs; "null" selects Wine's null graphics driver for headless runs;
# "test" makes a crashing program print its backtrace and end instead of
# waiting for a crash dialog nobody can answer.
zeph_prefix() {
    local prefix="$1" driver="$2" purpose="${3:-}"
    export WINEPREFIX="$prefix"
    if [ ! -f "$prefix/system.reg" ]; then
        echo "Preparing Wine prefix $prefix"
        mkdir -p "$prefix"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
    zeph_prefix_fonts "$prefix"
    if [ "$driver" = null ]; then
        grep -q '"Graphics"="null"' "$prefix/user.reg" 2>/dev/null ||
            { wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1; wineserver -w; }
    else
        grep -q '"Graphics"="null"' "$prefix/user.reg" 2>/dev/null &&
            { wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1; wineserver -w; }
    fi
    if [ "$purpose" = test ]; then
        grep -q '"ShowCrashDialog"=dword:00000000' "$prefix/user.reg" 2>/dev/null ||
            { wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1; wineserver -w; }
    fi
    return 0
}

# Debian's Wine 8.0 does not load the fonts of fonts-wine by itself: Tahoma,
# the face the program draws its tree and notes in, is put into the prefix's
# own font folder, where Wine looks; so is Marlett, whose symbols are the
# buttons of a caption that Wine draws itself (a window left unmanaged).
zeph_prefix_fonts() {
    local fonts="$1/drive_c/windows/Fonts" face
    mkdir -p "$fonts"
    for face in tahoma.ttf tahomabd.ttf marlett.ttf; do
        [ -f "$fonts/$face" ] || cp "/usr/share/wine/fonts/$face" "$fonts/$face"
    done
}

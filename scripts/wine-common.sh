# Shared by the scripts that run the Windows build under Wine: what they install, the
# cross build, a throwaway Wine prefix and the helpers that check what a run did.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64 xz-utils unzip
           nsis wixl)
win="$root/build-win"
failures=0

# Cross-builds the tool and its tests for 64-bit Windows (MinGW-w64) into build-win/, with a
# Qt 5.15.8 for MinGW unpacked from ../shared/toolchains/ when that is there, else built.
build_windows() {
    local cache="${XDG_CACHE_HOME:-$HOME/.cache}/vivadointegration"
    local qt="$cache/qt5-mingw"
    local prebuilt="$root/../shared/toolchains/qt5.15.8-mingw-w64-x86_64.tar.xz"
    if [ ! -f "$qt/lib/cmake/Qt5/Qt5Config.cmake" ]; then
        mkdir -p "$cache"
        if [ -f "$prebuilt" ]; then
            echo "== unpacking the prebuilt Qt for MinGW"
            tar -C "$cache" -xJf "$prebuilt"
        else
            bash "$root/scripts/build-qt-mingw.sh" "$qt"
        fi
    fi
    echo "== building for Windows"
    cmake -S "$root" -B "$win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_PREFIX_PATH="$qt" -DCMAKE_BUILD_TYPE=Release -DWARNINGS_AS_ERRORS=ON >/dev/null
    cmake --build "$win" -j"$(nproc)"
}

# A fresh Wine prefix, gone when the script ends; sets user, roaming and vivado.
new_wine_prefix() {
    [ -n "${WINEPREFIX:-}" ] && { wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"; }
    export WINEPREFIX="$(mktemp -d)" WINEDEBUG=-all
    trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
    echo "== new Wine prefix"
    wineboot --init >/dev/null 2>&1
    wineserver -w
    user="$(wine cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')"
    roaming="$WINEPREFIX/drive_c/users/$user/AppData/Roaming"
    vivado="$roaming/Xilinx/Vivado"
}

check() { # description, then a command that must succeed
    local what="$1"; shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

# Runs a Windows program through cmd in the folder given and prints its %ERRORLEVEL%,
# all 32 bits.
errorlevel() {
    local dir="$1" program="$2"; shift 2
    (cd "$dir" && wine cmd /c "$program $* & echo %ERRORLEVEL%" 2>/dev/null | tr -d '\r' | tail -n 1) || true
}

# Moves the user's roaming folder out of AppData\Roaming, where the tools don't find it.
move_roaming_folder() {
    local key='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer'
    wine reg add "$key\\User Shell Folders" /v AppData /t REG_EXPAND_SZ /d 'C:\users\Elsewhere' /f >/dev/null 2>&1
    wine reg add "$key\\Shell Folders" /v AppData /t REG_SZ /d 'C:\users\Elsewhere' /f >/dev/null 2>&1
}

finish() {
    [ "$failures" -eq 0 ] && echo "$1 passed" || { echo "$failures of $1 failed"; exit 1; }
}

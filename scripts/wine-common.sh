# Shared by the scripts that run the Windows build under Wine: what they install, the
# cross build, a throwaway Wine prefix and the helpers that check what a run did.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64 xz-utils unzip
           nsis wixl)
win="${WIN_BUILD_DIR:-$root/build-win}"

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

# Runs a Windows program through cmd in the folder given and prints its %ERRORLEVEL%,
# all 32 bits.
errorlevel() {
    local dir="$1" program="$2"; shift 2
    (cd "$dir" && wine cmd /c "$program $* & echo %ERRORLEVEL%" 2>/dev/null | tr -d '\r' | tail -n 1) || true
}

# Points the user's roaming folder (the AppData shell folder) at the Windows folder given;
# by default out of AppData\Roaming, where the tools don't find it.
move_roaming_folder() {
    local key='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer' elsewhere='C:\users\Elsewhere'
    wine reg add "$key\\User Shell Folders" /v AppData /t REG_EXPAND_SZ /d "${1:-$elsewhere}" /f >/dev/null 2>&1
    wine reg add "$key\\Shell Folders" /v AppData /t REG_SZ /d "${1:-$elsewhere}" /f >/dev/null 2>&1
}

# Lists another profile on the machine as Windows does (64-bit view), C:\users\<name>,
# and makes its roaming folder.
add_profile() { # SID, name
    wine reg add "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\$1" /v ProfileImagePath \
        /t REG_EXPAND_SZ /d "C:\\users\\$2" /f /reg:64 >/dev/null 2>&1
    mkdir -p "$WINEPREFIX/drive_c/users/$2/AppData/Roaming"
}

# Prints a registry value's data, nothing when it isn't there.
reg_value() { # key, value name, view (32 or 64)
    wine reg query "$1" /v "$2" /reg:"$3" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}

# Runs a command line as Windows runs a Run value's at logon, quotes and all (wine would
# quote it once more as an argument), and prints its %ERRORLEVEL%.
run_command_line() {
    printf '@echo off\r\n%s\r\necho %%ERRORLEVEL%%\r\n' "$1" >"$WINEPREFIX/drive_c/command-line.bat"
    wine cmd /c 'C:\command-line.bat' 2>/dev/null | tr -d '\r' | tail -n 1 || true
    rm -f "$WINEPREFIX/drive_c/command-line.bat"
}

# A drive letter on a disk that is full at once: a tmpfs of 64 KiB with room for a few
# files only (Wine's msi misses a write that runs short, not a file it can't create).
# Needs the right to mount; prints why not and fails otherwise.
tiny_drive() { # letter
    tiny_mount="$(mktemp -d)"
    local why
    if ! why="$(mount -t tmpfs -o size=64k,nr_inodes=8 tmpfs "$tiny_mount" 2>&1)"; then
        rmdir "$tiny_mount"; tiny_mount=""
        echo "${why:-mount failed}"; return 1
    fi
    ln -sfn "$tiny_mount" "$WINEPREFIX/dosdevices/$1:"
}
remove_tiny_drive() { # letter
    rm -f "$WINEPREFIX/dosdevices/$1:"
    [ -n "${tiny_mount:-}" ] && { umount "$tiny_mount"; rmdir "$tiny_mount"; tiny_mount=""; }
    return 0
}

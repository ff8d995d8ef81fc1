#!/usr/bin/env bash
# Cross-builds the tool and its tests for 64-bit Windows (MinGW-w64), runs the tests
# under Wine in a throwaway prefix, then checks a real run there: discovery through
# the prefix's own %APPDATA%, CRLF files, WinMain arguments, 32-bit exit codes,
# the installed and zipped deployable folder, and the example NSIS installer.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64 unzip nsis)
install_missing

cache="${XDG_CACHE_HOME:-$HOME/.cache}/vivadointegration"
qt="$cache/qt5-mingw"
prebuilt="$root/../shared/toolchains/qt5.15.8-mingw-w64-x86_64.tar.xz"
if [ ! -f "$qt/lib/cmake/Qt5/Qt5Config.cmake" ]; then
    mkdir -p "$cache"
    if [ -f "$prebuilt" ]; then
        tar -C "$cache" -xJf "$prebuilt"
    else
        bash "$root/scripts/build-qt-mingw.sh" "$qt"
    fi
fi

win="$root/build-win"
cmake -S "$root" -B "$win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt" -DCMAKE_BUILD_TYPE=Release -DWARNINGS_AS_ERRORS=ON
cmake --build "$win" -j"$(nproc)"

export WINEPREFIX="$(mktemp -d)" WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
wineboot --init >/dev/null 2>&1
(cd "$win" && ctest --output-on-failure)
wineserver -w

export WINEQT_QPA_PLATFORM=offscreen
failures=0
check() { # description, then a command that must succeed
    local what="$1"; shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
# Runs a Windows program through cmd and prints its %ERRORLEVEL%, all 32 bits.
errorlevel() {
    local dir="$1" program="$2"; shift 2
    (cd "$dir" && wine cmd /c "$program $* & echo %ERRORLEVEL%" 2>/dev/null | tr -d '\r' | tail -n 1) || true
}

user="$(wine cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')"
vivado="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Xilinx/Vivado"
mkdir -p "$vivado/2017.4/commands" "$vivado/2019.1/commands"

code="$(errorlevel "$win/src" VivadoIntegration.exe nofeedback)"
check "typical run exits with 0 (got $code)" test "$code" = 0
check "commands.paini written with CRLF" grep -q $'^VERSION=1\r$' "$vivado/2017.4/commands/commands.paini"
check "commands.xml written with CRLF" grep -q $'^<custom_commands major="1" minor="0">\r$' "$vivado/2019.1/commands/commands.xml"
check "the command points at the tool's folder" grep -q 'vivado_server.tcl" -notrace</command>' "$vivado/2019.1/commands/commands.xml"

# A file held open by another process, as virus scanners and sync clients do, is waited
# for about 2 seconds: let go in time, the command is added; held longer, the file stays.
xml="$vivado/2019.1/commands/commands.xml"
hold() { # milliseconds; returns once the file is held
    rm -f "$WINEPREFIX/held"
    (cd "$win/tests" && wine fileholder.exe "$(winepath -w "$xml" 2>/dev/null)" "$1" >"$WINEPREFIX/held" 2>/dev/null) &
    for _ in $(seq 1 100); do grep -q held "$WINEPREFIX/held" 2>/dev/null && return 0; sleep 0.1; done
    return 1
}
entries="$(grep -c '<custom_command>' "$xml")"
hold 1000
code="$(errorlevel "$win/src" VivadoIntegration.exe nofeedback)"
wait
check "held for 1 s: exits with 0 (got $code)" test "$code" = 0
check "held for 1 s: the command added" test "$(grep -c '<custom_command>' "$xml")" = $((entries + 1))
cp "$xml" "$WINEPREFIX/before.xml"
hold 6000
code="$(errorlevel "$win/src" VivadoIntegration.exe nofeedback)"
wait
check "held for 6 s: %ERRORLEVEL% is -2147482623 (got $code)" test "$code" = -2147482623
check "held for 6 s: the file unchanged" cmp -s "$xml" "$WINEPREFIX/before.xml"

# Arguments as WinMain hands them over; the answerer prints a line for each box it closes,
# then "exec <code>".
box() { (cd "$win/tests" && wine boxanswerer.exe "$@" 2>/dev/null | tr -d '\r'); }
success="box Success: Integration with Vivado succeeded."
check "nofeedback: no box" test "$(box nofeedback)" = "exec 0"
check "nofeedback and a word with spaces: no box" test "$(box nofeedback 'C:\Program Files\x')" = "exec 0"
check "one argument \"nofeedback x\": box" test "$(box 'nofeedback x' | head -n 1)" = "$success"
check "nofeedback second: box" test "$(box 'a b' nofeedback | head -n 1)" = "$success"

# The installed folder, and the example installer built from it, run silently into a
# folder with spaces: it registers the command with the install folder's path.
install="$(mktemp -d)"
cmake --install "$win" --prefix "$install" >/dev/null
makensis -V2 -DDEPLOY="$install/bin" -DOUTFILE="$install/TalvornToolSetup.exe" "$root/packaging/nsis/installer.nsi"
installed="$WINEPREFIX/drive_c/Program Files/Talvorn Tool"
# The installed tool has only the deployed platform plugin, qwindows.
setup() {
    (unset WINEQT_QPA_PLATFORM; cd "$install" && wine TalvornToolSetup.exe /S '/D=C:\Program Files\Talvorn Tool' 2>/dev/null
     wineserver -w)
}
setup
check "installer recorded 0" grep -q 'result: 0x00000000' "$installed/vivado-registration.log"
check "commands.paini names the install folder, spaces as %20" \
    grep -aq 'source%20"C:/Program%20Files/Talvorn%20Tool/vivado_server.tcl"%20-notrace' "$vivado/2017.4/commands/commands.paini"
check "commands.xml names the install folder" \
    grep -q '<command>source "C:/Program Files/Talvorn Tool/vivado_server.tcl" -notrace</command>' \
    "$vivado/2019.1/commands/commands.xml"

# A roaming folder that is not below AppData/Roaming is not found.
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
    /v AppData /t REG_EXPAND_SZ /d 'C:\users\Elsewhere' /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' \
    /v AppData /t REG_SZ /d 'C:\users\Elsewhere' /f >/dev/null 2>&1
code="$(errorlevel "$win/src" VivadoIntegration.exe nofeedback)"
check "no roaming folder: %ERRORLEVEL% is -2147483135 (got $code)" test "$code" = -2147483135
code="$(unset WINEQT_QPA_PLATFORM; errorlevel "$install/bin" VivadoIntegration.exe nofeedback)"
check "installed tool runs and finds no roaming folder (got $code)" test "$code" = -2147483135
setup
check "installer recorded 0x80000201" grep -q 'result: 0x80000201' "$installed/vivado-registration.log"
(cd "$win" && cpack -G ZIP >/dev/null)
check "zip holds the tool and its platform plugin" \
    sh -c "unzip -l '$win'/VivadoIntegration-*-Windows.zip | grep -q 'bin/platforms/qwindows.dll'"
rm -rf "$install"

[ "$failures" -eq 0 ] && echo "Windows check passed" || { echo "$failures Windows checks failed"; exit 1; }

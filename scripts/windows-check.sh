#!/usr/bin/env bash
# Cross-builds the tool and its tests for 64-bit Windows (MinGW-w64), runs the tests
# under Wine in a throwaway prefix, then checks real runs there: discovery through the
# prefix's own %APPDATA%, CRLF files, a file held open by another process, WinMain
# arguments, 32-bit exit codes, and the installed and zipped deployable folder.
source "$(dirname "${BASH_SOURCE[0]}")/wine-common.sh"

install_missing
build_windows
new_wine_prefix
echo "== tests under Wine"
(cd "$win" && ctest --output-on-failure)
wineserver -w

export WINEQT_QPA_PLATFORM=offscreen
mkdir -p "$vivado/2017.4/commands" "$vivado/2019.1/commands"
xml="$vivado/2019.1/commands/commands.xml"

echo "== a typical run"
code="$(errorlevel "$win/src" VivadoIntegration.exe nofeedback)"
check "typical run exits with 0 (got $code)" test "$code" = 0
check "commands.paini written with CRLF" grep -q $'^VERSION=1\r$' "$vivado/2017.4/commands/commands.paini"
check "commands.xml written with CRLF" grep -q $'^<custom_commands major="1" minor="0">\r$' "$xml"
check "the command points at the tool's folder" grep -q 'vivado_server.tcl" -notrace</command>' "$xml"

echo "== a file held open by another process"
# Virus scanners and sync clients hold files so; the tool waits about 2 seconds: let go
# in time, the command is added; held longer, the file stays as it was.
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

echo "== arguments as WinMain hands them over"
# The answerer prints a line for each box it closes, then "exec <code>".
box() { (cd "$win/tests" && wine boxanswerer.exe "$@" 2>/dev/null | tr -d '\r'); }
success="box Success: Integration with Vivado succeeded."
check "nofeedback: no box" test "$(box nofeedback)" = "exec 0"
check "nofeedback and a word with spaces: no box" test "$(box nofeedback 'C:\Program Files\x')" = "exec 0"
check "one argument \"nofeedback x\": box" test "$(box 'nofeedback x' | head -n 1)" = "$success"
check "nofeedback second: box" test "$(box 'a b' nofeedback | head -n 1)" = "$success"

echo "== the installed folder and the zip, without a roaming folder"
install="$(mktemp -d)"
cmake --install "$win" --prefix "$install" >/dev/null
move_roaming_folder
code="$(errorlevel "$win/src" VivadoIntegration.exe nofeedback)"
check "no roaming folder: %ERRORLEVEL% is -2147483135 (got $code)" test "$code" = -2147483135
# The installed tools have only the deployed platform plugin, qwindows.
for tool in VivadoIntegration VivadoIntegrationRemove VivadoIntegrationRefresh; do
    code="$(unset WINEQT_QPA_PLATFORM; errorlevel "$install/bin" $tool.exe nofeedback)"
    check "installed $tool runs and finds no roaming folder (got $code)" test "$code" = -2147483135
done
(cd "$win" && cpack -G ZIP >/dev/null)
zip="$(ls "$win"/VivadoIntegration-*-Windows.zip)"
for file in bin/VivadoIntegration.exe bin/VivadoIntegrationRemove.exe bin/VivadoIntegrationRefresh.exe bin/platforms/qwindows.dll; do
    check "zip holds $file" sh -c "unzip -l '$zip' | grep -q '$file'"
done
rm -rf "$install"

finish "Windows check"

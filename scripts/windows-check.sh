#!/usr/bin/env bash
# Cross-builds the tool and its tests for 64-bit Windows (MinGW-w64), runs the tests
# under Wine in a throwaway prefix, then checks real runs there: discovery through the
# prefix's own %APPDATA%, CRLF files, a file held open by another process, WinMain
# arguments, no box where nobody could answer it, 32-bit exit codes, and the installed
# and zipped deployable folder with its version and manifest.
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
hold() { # milliseconds, then "alone" to let nobody else open it; returns once the file is held
    rm -f "$WINEPREFIX/held"
    (cd "$win/tests" && wine fileholder.exe "$(winepath -w "$xml" 2>/dev/null)" "$@" >"$WINEPREFIX/held" 2>/dev/null) &
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

echo "== entries on drives that are not fixed local disks"
# Another medium, none or a server that is away may be behind such a letter: a dead-looking
# entry there is kept, and the drive not looked at. On a fixed disk it goes. Wine's mount
# manager reads the drive types of HKLM\Software\Wine\Drives when it starts.
drive="$(mktemp -d)"
ln -sfn "$drive" "$WINEPREFIX/dosdevices/e:"
for type in cdrom floppy network ramdisk hd; do
    wine reg add 'HKLM\Software\Wine\Drives' /v e: /d "$type" /f >/dev/null 2>&1
    wineserver -k 2>/dev/null || true; wineserver -w
    command='<command>source "E:/gone/vivado_server.tcl" -notrace</command>'
    echo "<custom_commands major=\"1\" minor=\"0\"><custom_command><name>TALVORN_Probe_Core_Inserter</name>$command</custom_command></custom_commands>" >"$xml"
    code="$(errorlevel "$win/src" VivadoIntegrationRemove.exe nofeedback)"
    [ "$type" = hd ] && left=0 || left=1
    check "drive of type $type: exits with 0 (got $code), entries left: $left" test "$code/$(grep -c E:/gone "$xml")" = "0/$left"
done
rm -f "$WINEPREFIX/dosdevices/e:"; rm -rf "$drive"
cp "$WINEPREFIX/before.xml" "$xml"

echo "== arguments as WinMain hands them over"
# The answerer prints a line for each box it closes, then "exec <code>".
answer() { (cd "$win/tests" && wine "$@" 2>/dev/null | tr -d '\r'); }
box() { answer boxanswerer.exe "$@"; }
success="box Success: Integration with Vivado succeeded."
check "nofeedback: no box" test "$(box nofeedback)" = "exec 0"
check "nofeedback and a word with spaces: no box" test "$(box nofeedback 'C:\Program Files\x')" = "exec 0"
check "one argument \"nofeedback x\": box" test "$(box 'nofeedback x' | head -n 1)" = "$success"
check "nofeedback second: box" test "$(box 'a b' nofeedback | head -n 1)" = "$success"
check "remover, NOFEEDBACK: box" test "$(answer boxanswerer_remove.exe NOFEEDBACK | head -n 1)" = \
    "box Success: Removal from Vivado succeeded."
# Where nobody could answer a box, none shows, whatever the arguments, and the run is the
# one nofeedback gives: in a window station that nobody sees, as a service's, and as the
# system account, which Wine shows only as a roaming folder in the Windows folder.
for arguments in "" "allusers nofeedback" /nofeedback NOFEEDBACK; do
    check "unseen window station, remover, arguments \"$arguments\": no box" \
        test "$(BOXANSWERER_UNSEEN=1 answer boxanswerer_remove.exe $arguments)" = "exec 0"
done
system_roaming='C:\windows\system32\config\systemprofile\AppData\Roaming'
mkdir -p "$WINEPREFIX/drive_c/windows/system32/config/systemprofile/AppData/Roaming"
move_roaming_folder "$system_roaming"
for arguments in "" "allusers nofeedback" /nofeedback NOFEEDBACK; do
    check "system account, remover, arguments \"$arguments\": no box, exits with -2147483134" \
        test "$(answer boxanswerer_remove.exe $arguments)" = "exec -2147483134"
done
check "system account, tool, no argument: no box" test "$(box)" = "exec -2147483134"
check "system account, refresh, no argument: no box" test "$(answer boxanswerer_refresh.exe)" = "exec -2147483134"
# The remover itself ends without anyone's answer and logs the code.
for arguments in "" "allusers nofeedback"; do
    check "system account, remover, arguments \"$arguments\": ends by itself, res = -2147483134" sh -c \
        "cd '$win/src' && WINEQT_FORCE_STDERR_LOGGING=1 timeout 60 wine VivadoIntegrationRemove.exe $arguments 2>&1 | grep -q '^res = -2147483134'"
done
move_roaming_folder "C:\\users\\$user\\AppData\\Roaming"

echo "== the removal for every user follows no link"
# Another profile's user laid links (Wine shows a Unix link as a reparse point, or gives it
# away by the handle's final path) to files of the Windows folder, to a folder elsewhere,
# and a second name of a file, and put a folder and a FIFO where a file belongs; a third
# made her Xilinx folder a link; a fourth profile's folder is itself a link. The system
# account's run must leave all of them alone and still clean the users' own files. A
# service's profile is no person's: not visited.
add_profile S-1-5-21-0-0-0-1001 mallory
add_profile S-1-5-21-0-0-0-1002 trudy
add_profile S-1-5-80-0-0-0-1003 service
add_profile S-1-5-21-0-0-0-1004 ghost
mallory="$WINEPREFIX/drive_c/users/mallory/AppData/Roaming/Xilinx/Vivado"
victims="$WINEPREFIX/drive_c/windows/victims"
dead_xml='<custom_commands major="1" minor="0"><custom_command><name>TALVORN_Probe_Core_Inserter</name><command>source "C:/gone/vivado_server.tcl" -notrace</command></custom_command></custom_commands>'
dead_ini() { printf 'VERSION=1\r\n0=TALVORN%%20Probe%%20Core%%20Inserter source%%20"C:/gone/vivado_server.tcl"%%20-notrace "" C:/gone/Talvorn_CI_A.png Start%%20TALVORN%%20Core%%20Inserter "" true \0 "" true 0\r\n'; }
service="$WINEPREFIX/drive_c/users/service/AppData/Roaming/Xilinx/Vivado/2019.1/commands/commands.xml"
for file in "$victims/system.xml" "$victims/folder/commands.xml" "$victims/version/commands/commands.xml" \
            "$victims/second-name.xml" "$victims/xilinx/Vivado/2019.1/commands/commands.xml" "$service" \
            "$victims/ghost/AppData/Roaming/Xilinx/Vivado/2019.1/commands/commands.xml" \
            "$mallory/2019.5/commands/commands.xml" "$vivado/2019.9/commands/commands.xml"; do
    mkdir -p "$(dirname "$file")"
    printf '%s' "$dead_xml" >"$file"
done
dead_ini >"$victims/system.paini"
mkdir -p "$mallory/2019.1/commands" "$mallory/2019.2" "$mallory/2019.4/commands" "$mallory/2016.2/commands"
ln -s "$victims/system.xml" "$mallory/2019.1/commands/commands.xml"
ln -s "$victims/folder" "$mallory/2019.2/commands"
ln -s "$victims/version" "$mallory/2019.3"
ln "$victims/second-name.xml" "$mallory/2019.4/commands/commands.xml"
ln -s "$victims/system.paini" "$mallory/2016.2/commands/commands.paini"
ln -s "$victims/xilinx" "$WINEPREFIX/drive_c/users/trudy/AppData/Roaming/Xilinx"
rm -rf "$WINEPREFIX/drive_c/users/ghost" && ln -s "$victims/ghost" "$WINEPREFIX/drive_c/users/ghost"
mkdir -p "$mallory/2019.6/commands/commands.xml" "$mallory/2019.7/commands"
mkfifo "$mallory/2019.7/commands/commands.xml"
cp -a "$victims" "$WINEPREFIX/victims-before"
code="$(errorlevel "$win/src" VivadoIntegrationRemove.exe nofeedback allusers)"
check "allusers with links, a folder and a FIFO laid: exits with 0 (got $code)" test "$code" = 0
check "allusers: no file behind a link changed" diff -r "$victims" "$WINEPREFIX/victims-before"
check "allusers: the links are still links" test -L "$mallory/2019.1/commands/commands.xml" -a -L "$mallory/2019.2/commands" \
    -a -L "$mallory/2016.2/commands/commands.paini"
check "allusers: the other user's own file cleaned" sh -c "! grep -q C:/gone '$mallory/2019.5/commands/commands.xml'"
check "allusers: our own user's file cleaned" sh -c "! grep -q C:/gone '$vivado/2019.9/commands/commands.xml'"
check "allusers: the service's profile not visited" grep -q C:/gone "$service"
# A file that its user holds open is not waited for: held so, each of many would stall
# the uninstall for everyone. Measured against the same run with nothing held, since a
# wait would add 2 s.
milliseconds() { echo $(($(date +%s%N) / 1000000)); }
xml="$mallory/2019.5/commands/commands.xml"
start=$(milliseconds)
errorlevel "$win/src" VivadoIntegrationRemove.exe nofeedback allusers >/dev/null
free=$(($(milliseconds) - start))
printf '%s' "$dead_xml" >"$xml"
hold 8000 alone
start=$(milliseconds)
code="$(errorlevel "$win/src" VivadoIntegrationRemove.exe nofeedback allusers)"
held=$(($(milliseconds) - start))
wait
check "allusers, a file held open: not waited for ($held ms, $free ms with none held), %ERRORLEVEL% -2147482623 (got $code)" \
    test $((held - free)) -lt 1200 -a "$code" = -2147482623
xml="$vivado/2019.1/commands/commands.xml"
rm -rf "$vivado/2019.9"

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

echo "== what a deployment tool sees of the executables"
# The version as Windows reads it for a file-version detection rule: the project's, with
# the numbers it leaves out as 0.
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win/CMakeCache.txt" | sed 's/$/.0.0.0/' | cut -d. -f1-4)"
printf 'WScript.Echo CreateObject("Scripting.FileSystemObject").GetFileVersion(WScript.Arguments(0))\r\n' \
    >"$WINEPREFIX/drive_c/version.vbs"
for tool in VivadoIntegration VivadoIntegrationRemove VivadoIntegrationRefresh; do
    exe="$install/bin/$tool.exe"
    got="$(wine cscript //nologo 'C:\version.vbs' "$(winepath -w "$exe" 2>/dev/null)" 2>/dev/null | tr -d '\r')"
    check "$tool: Windows reads the file version $version (got $got)" test "$got" = "$version"
    # MinGW's default manifest, kept beside or instead of ours, asks for asInvoker too.
    check "$tool: only our manifest, which runs it as the invoker" \
        test "$(strings "$exe" | grep -c -e 'level="asInvoker"' -e PerMonitorV2)" = 2
done
rm -rf "$install"

finish "Windows check"

#!/usr/bin/env bash
# Drives the example installers (scripts/build-installers.sh) under Wine through install,
# repair, upgrade and uninstall, per user and per machine, on a machine with two profiles:
# the installing user's holds a user's own command, an entry of the tool for a deleted
# installation and one for another installation that still exists; the second user's a
# user's own command and an entry for the deleted installation. While installed, each of
# the installing user's Vivado versions must hold one entry for the install folder, and
# every user's logon (the Run value) puts that user's versions in order; after uninstall
# none of ours is left anywhere; everything else stays (commands.paini's other lines byte
# for byte), files of others in the install folder too. A per-machine upgrade keeps every
# user's entry. Then what deployment tools do: install, upgrade and uninstall as
# LocalSystem, and an install that fails on a full disk. Last, one installation per scope:
# while one installer's installation is there, each of the three others refuses.
source "$(dirname "${BASH_SOURCE[0]}")/wine-common.sh"

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
echo "== versions an MSI can't tell apart"
# Refused before anything is built: Windows Installer reads three fields, each in its range.
refused_version() { ! VERSION="$1" bash "$root/scripts/build-installers.sh" "$out/$1" 2>/dev/null && test ! -e "$out/$1"; }
for version in 1.0.0.7 1.0 256.0.0; do
    check "build-installers.sh refuses VERSION=$version and writes nothing" refused_version "$version"
done

echo "== installers"
VERSION=1.0.0 bash "$root/scripts/build-installers.sh" "$out/1.0.0"
VERSION=1.0.1 bash "$root/scripts/build-installers.sh" "$out/1.0.1"
deploy="$(mktemp -d -p "$out")"
cmake --install "$win" --prefix "$deploy" >/dev/null
bin="$deploy/bin"

new_wine_prefix
trap 'wineserver -k 2>/dev/null || true; remove_tiny_drive t; rm -rf "$WINEPREFIX" "$out"' EXIT
c="$WINEPREFIX/drive_c"
xml="$vivado/2019.1/commands/commands.xml"
paini="$vivado/2017.4/commands/commands.paini"
add_profile S-1-5-21-0-0-0-1001 second
second="$c/users/second/AppData/Roaming/Xilinx/Vivado"
second_xml="$second/2019.1/commands/commands.xml"
user_command='<custom_command>\n  <name>user</name>\n  <command>source u.tcl</command>\n </custom_command>'
run_key='Software\Microsoft\Windows\CurrentVersion\Run'
run_name="TALVORN Probe Core Inserter"
shortcut="Register with Vivado.lnk"
user_menu="$roaming/Microsoft/Windows/Start Menu/Programs"
all_users_menu="$c/ProgramData/Microsoft/Windows/Start Menu/Programs"
# Wine's msi takes ProgramMenuFolder from the user's Start menu even with ALLUSERS=1 (a
# FIXME of its own); Windows gives the all-users one there.
msi_machine_menu="$user_menu"

# The profiles as every lifecycle starts from, made once: the tool's entries for two
# other folders, written by the tool itself from there (the second user's through that
# user's roaming folder); the first folder is then deleted. commands.paini keeps one line
# of the tool's (a run takes over the first line that names it), so the deleted folder's
# line is put before the live one's by hand.
echo "== profiles"
mkdir -p "$vivado/2017.4/commands" "$vivado/2019.1/commands" "$second/2019.1/commands"
printf 'VERSION=1\r\n0=user%%20command source%%20u.tcl\r\n' >"$paini"
cp "$paini" "$WINEPREFIX/others.paini" # what must stay of it, byte for byte
printf "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<custom_commands major=\"1\" minor=\"0\">\n $user_command\n</custom_commands>\n" \
    | tee "$xml" >"$second_xml"
for folder in "Old Tool" "Other Tool"; do
    cp -r "$bin" "$c/$folder"
    cp "$root/packaging/vivado_server.tcl" "$c/$folder/"
    errorlevel "$c/$folder" VivadoIntegration.exe nofeedback >/dev/null
done
move_roaming_folder 'C:\users\second\AppData\Roaming'
errorlevel "$c/Old Tool" VivadoIntegration.exe nofeedback >/dev/null
move_roaming_folder "C:\\users\\$user\\AppData\\Roaming"
rm -rf "$c/Old Tool"
grep -a 'Other%20Tool' "$paini" >"$WINEPREFIX/other.line" # its NUL byte too
{ cat "$WINEPREFIX/others.paini"; sed 's/^1=/2=/; s/Other%20Tool/Old%20Tool/g' "$WINEPREFIX/other.line"
  cat "$WINEPREFIX/other.line"; } >"$WINEPREFIX/seeded.paini"
cp "$WINEPREFIX/seeded.paini" "$paini"
cp -a "$vivado" "$WINEPREFIX/seed-first"
cp -a "$second" "$WINEPREFIX/seed-second"
seeded() { # both profiles as made above
    rm -rf "$vivado" "$second"
    cp -a "$WINEPREFIX/seed-first" "$vivado"
    cp -a "$WINEPREFIX/seed-second" "$second"
}

ours() { # file, folder: how many entries the file holds for that folder
    local file="$1" folder="$2"
    case "$file" in
        *.xml) grep -c "<command>source \"$folder/vivado_server.tcl\" -notrace</command>" "$file" ;;
        *) grep -ac "source%20\"${folder// /%20}/vivado_server.tcl\"" "$file" ;;
    esac
}

# The installing user's files after each step: folder is the install folder ("" once
# uninstalled). The other installation keeps its entry in both files, byte for byte in
# commands.paini, where ours is a line of its own; the deleted one's are gone.
expect() {
    local step="$1" folder="$2" n=0
    [ -n "$folder" ] && n=1
    check "$step: commands.xml holds $([ $n = 1 ] && echo "one entry, for $folder" || echo "none of ours")" \
        test "$(grep -c 'vivado_server.tcl' "$xml")/$(ours "$xml" "$folder")" = "$((n + 1))/$n"
    check "$step: commands.xml keeps the other installation's entry and the user's command" \
        test "$(ours "$xml" "C:/Other Tool")/$(grep -c '<command>source u.tcl</command>' "$xml")" = 1/1
    check "$step: commands.paini holds $([ $n = 1 ] && echo "one entry, for $folder" || echo "none of ours")" \
        test "$(grep -ac 'vivado_server.tcl' "$paini")/$(ours "$paini" "$folder")" = "$((n + 1))/$n"
    check "$step: commands.paini keeps the other installation's line and the other lines byte for byte" \
        cmp -s <(grep -av 'vivado_server.tcl' "$paini"; grep -a 'Other%20Tool' "$paini") \
               <(cat "$WINEPREFIX/others.paini" "$WINEPREFIX/other.line")
}

# The second user's commands.xml: the user's command stays, the deleted installation's
# entry goes as soon as the user's own logon ran; folder as for expect.
expect_second() {
    local step="$1" folder="$2" n=0
    [ -n "$folder" ] && n=1
    check "$step: the second user's commands.xml holds $([ $n = 1 ] && echo "one entry, for $folder" || echo "none of ours")" \
        test "$(grep -c 'vivado_server.tcl' "$second_xml")/$(ours "$second_xml" "$folder")" = "$n/$n"
    check "$step: the second user's command kept" test "$(grep -c '<command>source u.tcl</command>' "$second_xml")" = 1
}

# Path, modification time and checksum of every Vivado commands file of every profile.
state() {
    find "$c/users" "$c/windows" -path '*/Xilinx/Vivado/*' -type f | sort \
        | while IFS= read -r file; do echo "$file $(stat -c %.9Y "$file") $(md5sum <"$file")"; done
}

run_value() { reg_value "$1\\$run_key" "$run_name" 64; } # HKCU or HKLM
run_values() { echo "$(run_value HKCU)|$(run_value HKLM)"; }
# A logon of the user whose roaming folder is the current one: the Run value's command line.
logon() { run_command_line "$(run_value "$1")" >/dev/null; }
# As the second user's logon would: the roaming folder is theirs meanwhile.
second_logon() {
    move_roaming_folder 'C:\users\second\AppData\Roaming'
    logon "$1"
    move_roaming_folder "C:\\users\\$user\\AppData\\Roaming"
}

# Copies the entry for a folder in a commands.xml as a user would, lines and all.
duplicated() { # file, folder, step
    ENTRY_FOLDER="$2" perl -0pi -e 's{(^[ \t]*<custom_command>(?:(?!</custom_command>).)*?\Q"$ENV{ENTRY_FOLDER}/vivado_server.tcl"\E(?:(?!</custom_command>).)*</custom_command>\r?\n)}{$1$1}ms' "$1"
    check "$3: the hand-made duplicate is there" test "$(ours "$1" "$2")" = 2
}

# Through cmd: NSIS takes /D= only unquoted, and wine would quote it for its spaces.
nsis() { (cd "$out/1.0.0" && wine cmd /c "TalvornToolSetup.exe /S $*" >/dev/null 2>&1; wineserver -w); }
# A command line as the README gives it, run as a deployment tool runs it: through a batch
# file, the exit code (all 32 bits) printed as soon as the command returns, before anything
# it left running has ended (waited for by "settle"). Its output goes to a file: a pipe
# would wait for every process that inherited it.
command_line() { # installer (below the installers' folder), [msiexec's /i or /x,] arguments
    local program="\"$(winepath -w "$out/$1" 2>/dev/null)\""
    case $1 in *.msi) program="msiexec $2 $program"; shift ;; esac
    printf '@echo off\r\n%s %s\r\necho %%ERRORLEVEL%%\r\n' "$program" "${*:2}" >"$c/command-line.bat"
    local code attempt
    for attempt in 1 2; do
        wine cmd /c 'C:\command-line.bat' >"$WINEPREFIX/command-line.out" 2>/dev/null || true
        code="$(tr -d '\r' <"$WINEPREFIX/command-line.out" | tail -n 1)"
        # Wine's cmd gives 9009 when it could not start the program at all, which Wine now
        # and then fails to do under load. The program never ran, so a second try is safe,
        # and a wrong command line fails it too.
        [ "$code" = 9009 ] && [ "$attempt" = 1 ] || break
        echo "note: $1 did not start (9009), trying once more" >&2
        settle
    done
    echo "$code"
}
settle() { wineserver -w; }
msi() { # package, /i or /x, properties
    local package="$out/$1" option="$2"; shift 2
    (cd "$(dirname "$package")" && wine msiexec "$option" "$(basename "$package")" "$@" /qn 2>/dev/null
     local status=$?; wineserver -w; return $status)
}
repair() { msi "$1" /i REINSTALL=ALL REINSTALLMODE=vomus; }
fails() { ! "$@"; }

# A lifecycle's traces outside the folder: the Run value (data expected, "" for none) and
# the Start-menu shortcut, in the scope's registry root and Start menu folder.
expect_entries() { # step, HKCU or HKLM, Start menu, the install folder as Windows writes it ("" when gone)
    local step="$1" root="$2" menu="$3" folder="$4"
    if [ -n "$folder" ]; then
        check "$step: the Run value runs the refresh from $folder" \
            test "$(run_value "$root")" = "\"$folder\\VivadoIntegrationRefresh.exe\" nofeedback"
        check "$step: the Start-menu shortcut is there" test -f "$menu/$shortcut"
    else
        check "$step: no Run value" test -z "$(run_value "$root")"
        check "$step: no Start-menu shortcut" test ! -e "$menu/$shortcut"
    fi
}

# An install onto a full disk fails, and leaves no entry and no Run value behind.
full_disk() { # step, HKCU or HKLM, then how to install into a folder given last
    local step="$1" root="$2"; shift 2
    if ! tiny_drive t >"$WINEPREFIX/why"; then
        echo "skipped: $step on a full disk: $(cat "$WINEPREFIX/why")"
        return 0
    fi
    state >"$WINEPREFIX/before"
    check "$step on a full disk fails" fails "$@" 'T:\Talvorn Tool'
    check "$step on a full disk: no file of ours changed" cmp -s <(state) "$WINEPREFIX/before"
    check "$step on a full disk: no Run value" test -z "$(run_value "$root")"
    remove_tiny_drive t
}
install_into() { msi "$1" /i "INSTALLDIR=$2"; }

local_programs="C:\\users\\$user\\AppData\\Local\\Programs"
program_files='C:\Program Files'
unix() { winepath -u "$1" 2>/dev/null; }
slash() { tr '\\' / <<<"$1"; }

echo "== NSIS, per user"
seeded
folder="$local_programs\\Talvorn Tool"
nsis
expect "NSIS install" "$(slash "$folder")"
expect_entries "NSIS install" HKCU "$user_menu" "$folder"
check "NSIS install: the registration's code in its log" \
    grep -q '^VivadoIntegrationRefresh result: 0x00000000' "$(unix "$folder")/vivado-registration.log"
nsis
expect "NSIS repair" "$(slash "$folder")"
# The folder already holds files of others, one in a subfolder the tool uses too.
mkdir -p "$c/Talvorn Tool 2/platforms"
echo vendor >"$c/Talvorn Tool 2/vendor.dll"
echo plugin >"$c/Talvorn Tool 2/platforms/vendor_plugin.dll"
nsis '/D=C:\Talvorn Tool 2'
expect "NSIS upgrade into another folder" "C:/Talvorn Tool 2"
check "NSIS upgrade: the old folder is gone" test ! -e "$(unix "$folder")"
expect_entries "NSIS upgrade" HKCU "$user_menu" 'C:\Talvorn Tool 2'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\TalvornProbeCoreInserter'
code="$(command_line 1.0.0/TalvornToolSetup.exe /S /Uninstall)"
check "NSIS uninstall: exit code 0 (got $code)" test "$code" = 0
# Before anything it may have left running has ended.
check "NSIS uninstall: when the command returns, nothing is left but the other files" \
    test "$(cd "$c/Talvorn Tool 2" && find . | sort | tr '\n' ' ')" = ". ./platforms ./platforms/vendor_plugin.dll ./vendor.dll "
settle
check "NSIS uninstall: the Uninstall key is gone" fails wine reg query "$uninstall_key" >/dev/null 2>&1
expect "NSIS uninstall" ""
check "NSIS uninstall: the other files unchanged" \
    test "$(cat "$c/Talvorn Tool 2/vendor.dll" "$c/Talvorn Tool 2/platforms/vendor_plugin.dll")" = "$(printf 'vendor\nplugin')"
expect_entries "NSIS uninstall" HKCU "$user_menu" ""

echo "== NSIS, for all users"
seeded
folder="$program_files\\Talvorn Tool"
nsis /AllUsers
expect "NSIS /AllUsers install" "$(slash "$folder")"
expect_entries "NSIS /AllUsers install" HKLM "$all_users_menu" "$folder"
check "NSIS /AllUsers install: no Run value in the 32-bit view" \
    test -z "$(reg_value "HKLM\\$run_key" "$run_name" 32)"
second_logon HKLM
expect_second "NSIS /AllUsers, the second user's logon" "$(slash "$folder")"
duplicated "$xml" "$(slash "$folder")" "NSIS /AllUsers repair"
nsis /AllUsers
expect "NSIS /AllUsers repair" "$(slash "$folder")"
expect_second "NSIS /AllUsers repair: the second user keeps the entry" "$(slash "$folder")"
nsis /AllUsers "/D=$program_files\\Talvorn Tool 2"
expect "NSIS /AllUsers upgrade into another folder" "C:/Program Files/Talvorn Tool 2"
# An upgrade removes no user's entry: the second user's points at the old folder until
# their logon moves it.
expect_second "NSIS /AllUsers upgrade: the second user keeps an entry" "$(slash "$folder")"
folder="$program_files\\Talvorn Tool 2"
expect_entries "NSIS /AllUsers upgrade" HKLM "$all_users_menu" "$folder"
second_logon HKLM
expect_second "NSIS /AllUsers upgrade, the second user's logon" "$(slash "$folder")"
code="$(command_line 1.0.0/TalvornToolSetup.exe /S /AllUsers /Uninstall)"
check "NSIS /AllUsers uninstall: exit code 0 (got $code)" test "$code" = 0
check "NSIS /AllUsers uninstall: when the command returns, the folder is gone" test ! -e "$(unix "$folder")"
settle
expect "NSIS /AllUsers uninstall" ""
expect_second "NSIS /AllUsers uninstall" ""
expect_entries "NSIS /AllUsers uninstall" HKLM "$all_users_menu" ""

echo "== MSI, per user"
seeded
folder="$local_programs\\Talvorn Tool"
msi 1.0.0/TalvornTool-per-user.msi /i
expect "MSI install" "$(slash "$folder")"
expect_entries "MSI install" HKCU "$user_menu" "$folder"
duplicated "$xml" "$(slash "$folder")" "MSI repair"
repair 1.0.0/TalvornTool-per-user.msi
expect "MSI repair" "$(slash "$folder")"
install_into 1.0.1/TalvornTool-per-user.msi 'C:\Other Place'
expect "MSI upgrade into another folder" "C:/Other Place"
check "MSI upgrade: the old folder is gone" test ! -e "$(unix "$folder")"
expect_entries "MSI upgrade" HKCU "$user_menu" 'C:\Other Place'
msi 1.0.1/TalvornTool-per-user.msi /x
expect "MSI uninstall" ""
check "MSI uninstall: the folder is gone" test ! -e "$c/Other Place"
expect_entries "MSI uninstall" HKCU "$user_menu" ""
full_disk "MSI install" HKCU install_into 1.0.0/TalvornTool-per-user.msi

echo "== MSI, per machine"
seeded
folder="$program_files\\Talvorn Tool"
garbage="$vivado/2020.1/commands/commands.xml"
mkdir -p "$(dirname "$garbage")"
echo garbage >"$garbage"
state >"$WINEPREFIX/before"
check "MSI per machine: install succeeds though a commands.xml is garbage" msi 1.0.0/TalvornTool-per-machine.msi /i
expect "MSI per machine install" "$(slash "$folder")"
check "MSI per machine install: the garbage file unchanged" cmp -s "$garbage" <(echo garbage)
check "MSI per machine install: the second user's files untouched" \
    cmp -s <(state | grep /users/second/) <(grep /users/second/ "$WINEPREFIX/before")
expect_entries "MSI per machine install" HKLM "$msi_machine_menu" "$folder"
check "MSI per machine install: no Run value in the 32-bit view" \
    test -z "$(reg_value "HKLM\\$run_key" "$run_name" 32)"
state >"$WINEPREFIX/before"
logon HKLM
check "logon with everything in order: no file rewritten" cmp -s <(state) "$WINEPREFIX/before"
mkdir -p "$vivado/2025.1/commands"
logon HKLM
check "logon after a new Vivado version: its commands.xml holds our entry" \
    test "$(ours "$vivado/2025.1/commands/commands.xml" "$(slash "$folder")")" = 1
second_logon HKLM
expect_second "the second user's logon" "$(slash "$folder")"
duplicated "$xml" "$(slash "$folder")" "MSI per machine repair"
repair 1.0.0/TalvornTool-per-machine.msi
expect "MSI per machine repair" "$(slash "$folder")"
# A major upgrade, into the installed folder: the old version's removal for every user
# must not run inside it.
msi 1.0.1/TalvornTool-per-machine.msi /i
expect "MSI per machine upgrade" "$(slash "$folder")"
expect_second "MSI per machine upgrade: the second user keeps the entry" "$(slash "$folder")"
expect_entries "MSI per machine upgrade" HKLM "$msi_machine_menu" "$folder"
# The 1.0.1 package's uninstall leaves nothing: 1.0.0 is no longer installed beside it.
msi 1.0.1/TalvornTool-per-machine.msi /x
expect "MSI per machine uninstall" ""
check "MSI per machine uninstall: none of ours in the new version's commands.xml" \
    test "$(grep -c vivado_server.tcl "$vivado/2025.1/commands/commands.xml")" = 0
expect_second "MSI per machine uninstall" ""
check "MSI per machine uninstall: the garbage file unchanged" cmp -s "$garbage" <(echo garbage)
check "MSI per machine uninstall: the folder is gone" test ! -e "$(unix "$folder")"
expect_entries "MSI per machine uninstall" HKLM "$msi_machine_menu" ""

echo "== MSI, per machine, as LocalSystem"
# A deployment tool's install and uninstall run as LocalSystem, whose roaming folder lies
# in the Windows folder: nothing may be registered there, and the users get the command
# at their logon. Wine runs everything as one user; what the tools see of LocalSystem is
# that roaming folder.
system_roaming='C:\windows\system32\config\systemprofile\AppData\Roaming'
mkdir -p "$(unix "$system_roaming")/Xilinx/Vivado/2019.1/commands"
move_roaming_folder "$system_roaming"
state >"$WINEPREFIX/before"
check "as LocalSystem: install succeeds" msi 1.0.0/TalvornTool-per-machine.msi /i
check "as LocalSystem: install writes no Vivado file" cmp -s <(state) "$WINEPREFIX/before"
expect_entries "as LocalSystem: install" HKLM "$msi_machine_menu" "$folder"
for tool in VivadoIntegration VivadoIntegrationRemove VivadoIntegrationRefresh; do
    code="$(errorlevel "$(unix "$folder")" $tool.exe nofeedback)"
    check "as LocalSystem: $tool %ERRORLEVEL% is -2147483134 (got $code)" test "$code" = -2147483134
done
check "as LocalSystem: nothing written in the system profile" \
    test -z "$(find "$(unix "$system_roaming")/Xilinx/Vivado/2019.1/commands" -mindepth 1)"
check "as LocalSystem: no other Vivado file written" cmp -s <(state) "$WINEPREFIX/before"
move_roaming_folder "C:\\users\\$user\\AppData\\Roaming"
logon HKLM
expect "as LocalSystem: the user's logon after" "$(slash "$folder")"
second_logon HKLM
move_roaming_folder "$system_roaming"
msi 1.0.1/TalvornTool-per-machine.msi /i
move_roaming_folder "C:\\users\\$user\\AppData\\Roaming"
expect "as LocalSystem: upgrade, the user keeps the entry" "$(slash "$folder")"
expect_second "as LocalSystem: upgrade, the second user keeps the entry" "$(slash "$folder")"
move_roaming_folder "$system_roaming"
msi 1.0.1/TalvornTool-per-machine.msi /x
move_roaming_folder "C:\\users\\$user\\AppData\\Roaming"
expect "as LocalSystem: uninstall" ""
expect_second "as LocalSystem: uninstall" ""
expect_entries "as LocalSystem: uninstall" HKLM "$msi_machine_menu" ""
full_disk "MSI per machine install" HKLM install_into 1.0.0/TalvornTool-per-machine.msi

echo "== one installation per scope"
# Each installer's installation, and each of the three others run while it is there, in
# its own default folder (the same folder for the two of a scope): every one refuses, with
# NSIS's exit code 2 or Windows Installer's 1603, and changes nothing.
seeded
kinds=(nsis-user nsis-all msi-user msi-machine)
run_kind() { # kind, /i or /x
    local options=""
    case $1 in
        nsis-*) [ "$1" = nsis-all ] && options=/AllUsers
                [ "$2" = /x ] && options+=" /Uninstall"
                command_line 1.0.0/TalvornToolSetup.exe /S $options ;;
        msi-user) command_line 1.0.0/TalvornTool-per-user.msi "$2" /qn ;;
        msi-machine) command_line 1.0.0/TalvornTool-per-machine.msi "$2" /qn ;;
    esac
    settle
}
for first in "${kinds[@]}"; do
    code="$(run_kind "$first" /i)"
    check "$first installs (exit code $code)" test "$code" = 0
    state >"$WINEPREFIX/before"
    runs="$(run_values)"
    for other in "${kinds[@]}"; do
        [ "$other" = "$first" ] && continue
        refused=1603; [[ $other == nsis-* ]] && refused=2
        code="$(run_kind "$other" /i)"
        check "$other refuses while $first is installed (exit code $code)" test "$code" = "$refused"
    done
    check "$first: the refusals changed no Vivado file" cmp -s <(state) "$WINEPREFIX/before"
    refresh="$(run_values)"; refresh="${refresh#|}"; refresh="${refresh%|}"; refresh="${refresh%\" nofeedback}"
    check "$first: one Run value, as before, and its refresh is there" \
        test "$(run_values)" = "$runs" -a -f "$(unix "${refresh#\"}")"
    code="$(run_kind "$first" /x)"
    check "$first uninstalls (exit code $code)" test "$code" = 0
    check "$first uninstalled: no Run value" test "$(run_values)" = "|"
    expect "$first uninstalled" ""
done

finish "Installer lifecycle check"

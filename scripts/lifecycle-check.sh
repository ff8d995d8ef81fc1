#!/usr/bin/env bash
# Builds the example NSIS and MSI installers and drives each under Wine through install,
# install again (repair), install into another folder (upgrade) and uninstall, on a
# profile that already holds a user's own command, an entry of the tool for a deleted
# installation and one for another installation that still exists. While installed,
# each Vivado version must hold one entry for the install folder; after uninstall none;
# everything else stays (the commands.paini's other lines byte for byte).
source "$(dirname "${BASH_SOURCE[0]}")/wine-common.sh"

install_missing
build_windows

echo "== installers"
deploy="$(mktemp -d)"
trap 'rm -rf "$deploy"' EXIT
cmake --install "$win" --prefix "$deploy" >/dev/null
bin="$deploy/bin"
makensis -V2 -DDEPLOY="$bin" -DOUTFILE="$deploy/TalvornToolSetup.exe" "$root/packaging/nsis/installer.nsi"
(cd "$bin" && find . -type f ! -name 'VivadoIntegration*.exe' \
     | wixl-heat -p ./ --directory-ref INSTALLDIR --component-group Deployed --var var.Deploy >"$deploy/deployed.wxs")
# wixl takes sources relative to the folder it runs in.
payload="$(realpath --relative-to="$bin" "$root/packaging")"
for version in 1.0.0 1.0.1; do
    (cd "$bin" && wixl -D Deploy=. -D Payload="$payload" -D Version=$version -o "$deploy/setup-$version.msi" \
         "$root/packaging/wix/installer.wxs" "$deploy/deployed.wxs")
done

# A fresh prefix whose profile holds a user's own command and the tool's entries for two
# other folders, written by the tool itself from there; the first folder is then deleted.
# commands.paini keeps one line of the tool's (a run refreshes the first line that names
# it), so the deleted folder's line is put before the live one's by hand.
seed() {
    new_wine_prefix
    trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX" "$deploy"' EXIT
    c="$WINEPREFIX/drive_c"
    xml="$vivado/2019.1/commands/commands.xml"
    paini="$vivado/2017.4/commands/commands.paini"
    mkdir -p "$vivado/2017.4/commands" "$vivado/2019.1/commands"
    printf 'VERSION=1\r\n0=user%%20command source%%20u.tcl\r\n' >"$paini"
    cp "$paini" "$WINEPREFIX/others.paini" # what must stay of it, byte for byte
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<custom_commands major="1" minor="0">\n <custom_command>\n  <name>user</name>\n  <command>source u.tcl</command>\n </custom_command>\n</custom_commands>\n' >"$xml"
    for folder in "Old Tool" "Other Tool"; do
        cp -r "$bin" "$c/$folder"
        cp "$root/packaging/vivado_server.tcl" "$c/$folder/"
        errorlevel "$c/$folder" VivadoIntegration.exe nofeedback >/dev/null
    done
    rm -rf "$c/Old Tool"
    { cat "$WINEPREFIX/others.paini"; grep -a 'Other%20Tool' "$paini" | sed 's/^1=/2=/; s/Other%20Tool/Old%20Tool/g'
      grep -a 'Other%20Tool' "$paini"; } >"$WINEPREFIX/seeded.paini"
    cp "$WINEPREFIX/seeded.paini" "$paini"
}

ours() { # file, folder: how many entries the file holds for that folder
    local file="$1" folder="$2"
    case "$file" in
        *.xml) grep -c "<command>source \"$folder/vivado_server.tcl\" -notrace</command>" "$file" ;;
        *) grep -ac "source%20\"${folder// /%20}/vivado_server.tcl\"" "$file" ;;
    esac
}

# After each step: folder is the install folder ("" once uninstalled). The other
# installation keeps its commands.xml entry; in commands.paini the tool's one line is
# the install folder's.
expect() {
    local step="$1" folder="$2"
    check "$step: commands.xml holds $([ -n "$folder" ] && echo "one entry, for $folder" || echo "none of ours")" \
        test "$(grep -c 'vivado_server.tcl' "$xml")/$(ours "$xml" "$folder")" = "$([ -n "$folder" ] && echo 2/1 || echo 1/0)"
    check "$step: commands.xml keeps the other installation's entry and the user's command" \
        test "$(ours "$xml" "C:/Other Tool")/$(grep -c '<command>source u.tcl</command>' "$xml")" = 1/1
    check "$step: commands.paini holds $([ -n "$folder" ] && echo "one entry, for $folder" || echo "none of ours")" \
        test "$(grep -ac 'vivado_server.tcl' "$paini")/$(ours "$paini" "$folder")" = "$([ -n "$folder" ] && echo 1/1 || echo 0/0)"
    check "$step: commands.paini's other lines byte for byte" \
        cmp -s <(grep -av 'vivado_server.tcl' "$paini") "$WINEPREFIX/others.paini"
}

echo "== NSIS"
seed
# Through cmd: NSIS takes /D= only unquoted, and wine would quote it for its spaces.
nsis() { (cd "$deploy" && wine cmd /c "TalvornToolSetup.exe /S /D=$1" >/dev/null 2>&1; wineserver -w); }
nsis 'C:\Program Files\Talvorn Tool'
expect "NSIS install" "C:/Program Files/Talvorn Tool"
nsis 'C:\Program Files\Talvorn Tool'
expect "NSIS repair" "C:/Program Files/Talvorn Tool"
nsis 'C:\Program Files\Talvorn Tool 2'
expect "NSIS upgrade into another folder" "C:/Program Files/Talvorn Tool 2"
check "NSIS upgrade: the old folder is gone" test ! -e "$c/Program Files/Talvorn Tool"
(wine "C:\\Program Files\\Talvorn Tool 2\\uninstall.exe" /S 2>/dev/null; wineserver -w)
expect "NSIS uninstall" ""
check "NSIS uninstall: the folder is gone" test ! -e "$c/Program Files/Talvorn Tool 2"

echo "== MSI"
seed
msi() { (cd "$deploy" && wine msiexec "$@" /qn 2>/dev/null; local status=$?; wineserver -w; return $status); }
local_programs="C:/users/$user/AppData/Local/Programs"
msi /i setup-1.0.0.msi
expect "MSI install" "$local_programs/Talvorn Tool"
msi /i setup-1.0.0.msi
expect "MSI repair" "$local_programs/Talvorn Tool"
msi /i setup-1.0.1.msi 'INSTALLDIR=C:\Other Place'
expect "MSI upgrade into another folder" "C:/Other Place"
check "MSI upgrade: the old folder is gone" test ! -e "$c/users/$user/AppData/Local/Programs/Talvorn Tool"
msi /x setup-1.0.1.msi
expect "MSI uninstall" ""
check "MSI uninstall: the folder is gone" test ! -e "$c/Other Place"
move_roaming_folder
check "MSI install without a roaming folder fails" bash -c "! (cd '$deploy' && wine msiexec /i setup-1.0.0.msi /qn 2>/dev/null)"
wineserver -w
check "... and leaves no files" test ! -e "$c/users/$user/AppData/Local/Programs/Talvorn Tool/VivadoIntegration.exe"

finish "Installer lifecycle check"

#!/usr/bin/env bash
# Builds the example installers from the Windows build:
#   OUTDIR/TalvornToolSetup.exe          NSIS, per user, or per machine with /AllUsers
#   OUTDIR/TalvornTool-per-user.msi      into the user's own programs folder
#   OUTDIR/TalvornTool-per-machine.msi   into Program Files, 64-bit
# VERSION (default 1.0.0) is the installers' version; the same or a higher one replaces an
# installation of its own kind.
source "$(dirname "${BASH_SOURCE[0]}")/wine-common.sh"
packages+=(msitools)

[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
version="${VERSION:-1.0.0}"
# Windows Installer compares the first three fields only, each within its range: a fourth
# field, or a number out of range, would make an MSI install beside the one it should
# replace. The NSIS installer carries the same version.
if ! [[ $version =~ ^(0|[1-9][0-9]{0,2})\.(0|[1-9][0-9]{0,2})\.(0|[1-9][0-9]{0,4})$ ]] \
   || [ "${BASH_REMATCH[1]}" -gt 255 ] || [ "${BASH_REMATCH[2]}" -gt 255 ] || [ "${BASH_REMATCH[3]}" -ge 65535 ]; then
    echo "VERSION must be major.minor.build, at most 255.255.65534; got '$version'" >&2
    exit 2
fi
# An MSI replaces any build of its scope below this one, its own version's included.
next_version="${BASH_REMATCH[1]}.${BASH_REMATCH[2]}.$((BASH_REMATCH[3] + 1))"
mkdir -p "$1"
out="$(cd "$1" && pwd)"

install_missing
build_windows

echo "== deploying the Windows build"
deploy="$(mktemp -d)"
trap 'rm -rf "$deploy"' EXIT
cmake --install "$win" --prefix "$deploy" >/dev/null
bin="$deploy/bin"

# NSIS installs the deployed folder and the two files the command names, one by one from a
# single list; its uninstaller deletes that same list, then each folder if it is empty.
echo "== the NSIS installer's file list"
staged="$deploy/nsis"
cp -r "$bin" "$staged"
cp "$root/packaging/vivado_server.tcl" "$root/packaging/Talvorn_CI_A.png" "$staged/"
(cd "$staged" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) >"$deploy/files"
{
    echo '!macro InstallFiles'
    last=""
    while IFS= read -r file; do
        target='$INSTDIR'
        [[ $file == */* ]] && target+="\\$(dirname "$file" | tr / '\\')"
        [ "$target" = "$last" ] || echo "    SetOutPath \"$target\""
        last="$target"
        echo "    File \"$staged/$file\""
    done <"$deploy/files"
    echo '!macroend'
    echo '!macro UninstallFiles'
    tr / '\\' <"$deploy/files" | sed 's|.*|    Delete "$INSTDIR\\&"|'
    # The deepest folders first, so that one emptied by its subfolders goes too.
    (cd "$staged" && find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort -r) \
        | tr / '\\' | sed 's|.*|    RMDir "$INSTDIR\\&"|'
    echo '!macroend'
} >"$deploy/files.nsh"

echo "== $out/TalvornToolSetup.exe"
makensis -V2 -DFILES="$deploy/files.nsh" -DVERSION="$version" -DOUTFILE="$out/TalvornToolSetup.exe" \
    "$root/packaging/nsis/installer.nsi"

# wixl takes sources relative to the folder it runs in. The three tools are listed in the
# .wxs itself, the rest of the folder by wixl-heat.
payload="$(realpath --relative-to="$bin" "$root/packaging")"
for scope in perUser perMachine; do
    case $scope in
        perUser) msi="$out/TalvornTool-per-user.msi" arch=() win64=() ;;
        # wixl-heat's components take their Win64 attribute from a variable of that name.
        perMachine) msi="$out/TalvornTool-per-machine.msi" arch=(-a x64 -D Win64=yes) win64=(--win64) ;;
    esac
    echo "== $msi"
    (cd "$bin" && find . -type f ! -name 'VivadoIntegration*.exe' \
         | wixl-heat -p ./ --directory-ref INSTALLDIR --component-group Deployed --var var.Deploy "${win64[@]}" \
               >"$deploy/deployed-$scope.wxs")
    (cd "$bin" && wixl "${arch[@]}" -D Scope=$scope -D Deploy=. -D Payload="$payload" \
         -D Version="$version" -D NextVersion="$next_version" \
         -o "$msi" "$root/packaging/wix/installer.wxs" "$deploy/deployed-$scope.wxs")
    # Each build has a product code of its own: a deployment tool's detection rule needs it.
    msiinfo export "$msi" Property | sed -n 's/^ProductCode\t/   product code: /p'
done

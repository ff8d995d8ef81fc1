#!/usr/bin/env bash
# Builds the example installers from the Windows build:
#   OUTDIR/TalvornToolSetup.exe          NSIS, per user, or per machine with /AllUsers
#   OUTDIR/TalvornTool-per-user.msi      into the user's own programs folder
#   OUTDIR/TalvornTool-per-machine.msi   into Program Files, 64-bit
# VERSION (default 1.0.0) is the installers' version; a higher one upgrades a lower.
source "$(dirname "${BASH_SOURCE[0]}")/wine-common.sh"

[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
version="${VERSION:-1.0.0}"
mkdir -p "$1"
out="$(cd "$1" && pwd)"

install_missing
build_windows

echo "== deploying the Windows build"
deploy="$(mktemp -d)"
trap 'rm -rf "$deploy"' EXIT
cmake --install "$win" --prefix "$deploy" >/dev/null
bin="$deploy/bin"

echo "== $out/TalvornToolSetup.exe"
makensis -V2 -DDEPLOY="$bin" -DVERSION="$version" -DOUTFILE="$out/TalvornToolSetup.exe" \
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
    (cd "$bin" && wixl "${arch[@]}" -D Scope=$scope -D Deploy=. -D Payload="$payload" -D Version="$version" \
         -o "$msi" "$root/packaging/wix/installer.wxs" "$deploy/deployed-$scope.wxs")
done

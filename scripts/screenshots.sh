#!/usr/bin/env bash
# Makes docs/result-success.png and docs/result-failed.png: the result boxes of the
# Windows build (from windows-check.sh), run under Wine on a virtual X display.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

packages+=(xvfb xauth imagemagick x11-utils wine wine64)
install_missing
[ -x "$root/build-win/src/VivadoIntegration.exe" ] || { echo "run scripts/windows-check.sh first"; exit 1; }

export WINEPREFIX="$(mktemp -d)" WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
mkdir -p "$root/docs"

xvfb-run -a -s "-screen 0 800x600x24" bash -euo pipefail -c '
    # Wine draws the title bar only inside a desktop of its own; shot, then trimmed to the box.
    shoot() { # arguments: box title, output file
        wine explorer /desktop=shot,640x480 VivadoIntegration.exe &
        for _ in $(seq 1 100); do
            xwininfo -root -tree | grep -q "\"$1\"" && break
            sleep 0.2
        done
        sleep 1
        import -window "shot - Wine desktop" -trim "$2"
        wineserver -k || true
    }
    wineboot --init >/dev/null 2>&1
    user="$(wine cmd /c echo %USERNAME% 2>/dev/null | tr -d "\r")"
    mkdir -p "$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Xilinx/Vivado/2019.1/commands"
    cd "$1/build-win/src"
    shoot Success "$1/docs/result-success.png"
    wine reg add "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders" \
        /v AppData /t REG_EXPAND_SZ /d "C:\\users\\Elsewhere" /f >/dev/null 2>&1
    wine reg add "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders" \
        /v AppData /t REG_SZ /d "C:\\users\\Elsewhere" /f >/dev/null 2>&1
    shoot Failed "$1/docs/result-failed.png"
' screenshots "$root"
ls -l "$root"/docs/result-*.png

#!/usr/bin/env bash
# Drives the Debian package through its life in a throwaway Debian 12 root, as root and
# without a display: install through sudo, two users' logins, a Vivado version installed
# later, an upgrade through pkexec, removal. The root that debootstrap makes and the
# packages apt fetches into it are cached in ~/.cache/vivadointegration/, so that later runs
# download nothing but apt's lists.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
packages+=(debootstrap dpkg-dev desktop-file-utils)

[ "$(id -u)" -eq 0 ] || { echo "$0 needs root: it works in a chroot" >&2; exit 2; }
cache="${XDG_CACHE_HOME:-$HOME/.cache}/vivadointegration"
cached_root="$cache/debian12-root"
archives="$cache/debian12-archives"
work="$(mktemp -d)"
# Every mount of the root lives in a mount namespace that ends with its command, so
# nothing below the work folder is mounted when it goes; --one-file-system all the same.
trap 'rm -rf --one-file-system "$work"' EXIT
target="$work/root"

# Runs a command in the root, in a clean environment (VAR=value arguments first add to it),
# with a /proc of its own.
in_root() {
    unshare --mount --pid --fork --mount-proc="$target/proc" chroot "$target" /usr/bin/env -i \
        PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"
}

# Runs a command in the root as a user, with the environment a login gives (no display).
as_user() { # user, command...
    local user="$1"; shift
    in_root setpriv --reuid="$user" --regid="$user" --init-groups --reset-env -- "$@"
}

# Runs a command, showing its output only when it fails.
quietly() {
    "$@" >"$work/log" 2>&1 || { cat "$work/log"; return 1; }
}

# What a desktop login runs: the installed autostart entry's command line, as the user.
login() { # user
    local exec
    exec="$(sed -n 's/^Exec=//p' "$target/etc/xdg/autostart/talvorn-vivado-refresh.desktop")"
    read -ra exec <<<"$exec"
    as_user "$1" "${exec[@]}" 2>/dev/null || true
}

install_missing

echo "== building the packages 1.0.0 and 1.0.1"
VERSION=1.0.0 bash "$root/scripts/build-deb.sh" "$work/debs" >/dev/null
VERSION=1.0.1 bash "$root/scripts/build-deb.sh" "$work/debs" >/dev/null
deb="$(ls "$work"/debs/talvorn-tool_1.0.0_*.deb)"
next_deb="$(ls "$work"/debs/talvorn-tool_1.0.1_*.deb)"

echo "== what the package installs"
outside="$(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' | grep -v '/$' \
    | grep -Ev '^/(opt/talvorn-tool|etc/xdg/autostart|usr/share/applications)/' || true)"
check "no file outside /opt/talvorn-tool, /etc/xdg/autostart and the menu${outside:+: $outside}" test -z "$outside"
check "both desktop entries are valid" desktop-file-validate "$root"/packaging/deb/*.desktop

if [ ! -d "$cached_root" ]; then
    echo "== making a Debian 12 root with debootstrap (cached in $cache)"
    rm -rf --one-file-system "$cached_root.new"
    mkdir -p "$cache"
    debootstrap --variant=minbase bookworm "$cached_root.new" http://deb.debian.org/debian >/dev/null
    cat >"$cached_root.new/etc/apt/sources.list" <<END
deb http://deb.debian.org/debian bookworm main
deb http://deb.debian.org/debian bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
END
    mv "$cached_root.new" "$cached_root"
fi
echo "== copying the Debian 12 root"
cp -a "$cached_root" "$target"
cp /etc/resolv.conf "$target/etc/resolv.conf"
mkdir -p "$archives"
cp "$archives"/*.deb "$target/var/cache/apt/archives/" 2>/dev/null || true
cp "$deb" "$next_deb" "$target/tmp/"
quietly in_root apt-get update

echo "== two users with Vivado versions"
own='<custom_command><name>My_Report</name><command>report_utilization -file util.rpt</command></custom_command>'
dead='<custom_command><name>TALVORN_Probe_Core_Inserter</name><command>source "/gone/vivado_server.tcl" -notrace</command></custom_command>'
for user in ann bob; do
    in_root useradd --create-home --shell /bin/bash "$user"
    vivado="$target/home/$user/.Xilinx/Vivado"
    mkdir -p "$vivado"/{2017.4,2019.1,2018.3}/commands
    printf '<custom_commands major="1" minor="0">%s%s</custom_commands>\n' "$own" "$dead" >"$vivado/2019.1/commands/commands.xml"
    in_root chown -R "$user:$user" "/home/$user/.Xilinx"
done

# How many entries of ours a Vivado file holds for the installed folder.
# commands.paini holds NUL bytes: grep must read it as text.
entries() { grep -ao '/opt/talvorn-tool/vivado_server.tcl' "$1" 2>/dev/null | wc -l; }
# Whether every version of a user holds exactly one live entry of ours and no dead one,
# and the user's own command is still there.
registered() { # user
    local vivado="$target/home/$1/.Xilinx/Vivado" file
    for file in "$vivado"/*/commands/commands.{xml,paini}; do
        [ -f "$file" ] || continue
        [ "$(entries "$file")" -eq 1 ] && ! grep -q /gone/ "$file" || return 1
    done
    [ -f "$vivado/2017.4/commands/commands.paini" ] && grep -q My_Report "$vivado/2019.1/commands/commands.xml"
}
# Whether no file of a user holds an entry of ours, and the user's command is still there.
unregistered() { # user
    local vivado="$target/home/$1/.Xilinx/Vivado"
    ! grep -arqs -e /opt/talvorn-tool/ -e TALVORN_Probe_Core_Inserter "$vivado" \
        && grep -q My_Report "$vivado/2019.1/commands/commands.xml"
}
# Every Vivado file of both users with its inode and modification time: a replaced or
# rewritten file changes the line.
snapshot() { find "$target"/home/*/.Xilinx -type f -printf '%p %i %T@\n' | sort; }

echo "== apt-get install through sudo, by ann"
quietly in_root SUDO_USER=ann apt-get install -y -o Dpkg::Use-Pty=0 "/tmp/$(basename "$deb")"
check "the install registered ann" registered ann
check "as ann: the file it made is hers" \
    test "$(in_root stat -c %U /home/ann/.Xilinx/Vivado/2017.4/commands/commands.paini)" = ann
check "the install left bob alone" grep -q /gone/ "$target/home/bob/.Xilinx/Vivado/2019.1/commands/commands.xml"

echo "== logins"
login bob
check "bob's login registered him: one entry per version, the dead one gone" registered bob
login ann
check "ann's login kept one entry per version" registered ann
before="$(snapshot)"
login ann
login bob
check "a second login writes nothing" test "$before" = "$(snapshot)"
mkdir -p "$target/home/bob/.Xilinx/Vivado/2020.2/commands"
in_root chown -R bob:bob /home/bob/.Xilinx/Vivado/2020.2
login bob
check "a version installed later gets its entry at the next login" \
    test "$(entries "$target/home/bob/.Xilinx/Vivado/2020.2/commands/commands.xml")" -eq 1

echo "== upgrade to 1.0.1 through pkexec, by bob"
quietly in_root PKEXEC_UID="$(stat -c %u "$target/home/bob")" apt-get install -y -o Dpkg::Use-Pty=0 "/tmp/$(basename "$next_deb")"
check "1.0.1 is installed" test "$(in_root dpkg-query -W -f='${Version}' talvorn-tool)" = 1.0.1
check "ann keeps her entries" registered ann
check "bob keeps his entries" registered bob

echo "== apt-get remove"
# A file elsewhere that ann's commands folder links to, holding an entry of ours: the
# removal runs as ann, who may not write it, so it must stay as it is.
mkdir -p "$target/srv/shared"
printf '<custom_commands major="1" minor="0">%s%s</custom_commands>\n' "$own" \
    "${dead//\/gone\//\/opt\/talvorn-tool\/}" >"$target/srv/shared/commands.xml"
cp "$target/srv/shared/commands.xml" "$work/shared.xml"
ln -sfn /srv/shared/commands.xml "$target/home/ann/.Xilinx/Vivado/2018.3/commands/commands.xml"
in_root chown -h ann:ann /home/ann/.Xilinx/Vivado/2018.3/commands/commands.xml
quietly in_root apt-get remove -y -o Dpkg::Use-Pty=0 talvorn-tool
check "no entry of ours is left with ann, her command is" unregistered ann
check "no entry of ours is left with bob, his command is" unregistered bob
check "the file ann's link leads to is as it was" cmp -s "$work/shared.xml" "$target/srv/shared/commands.xml"
check "the link is still a link" test -L "$target/home/ann/.Xilinx/Vivado/2018.3/commands/commands.xml"
check "the package's files are gone" test ! -e "$target/opt/talvorn-tool" \
    -a ! -e "$target/etc/xdg/autostart/talvorn-vivado-refresh.desktop" \
    -a ! -e "$target/usr/share/applications/talvorn-register-with-vivado.desktop"

# The cache keeps what apt may still fetch, so it doesn't grow with every point release.
in_root apt-get autoclean -qq >/dev/null
rm -f "$archives"/*.deb
cp "$target"/var/cache/apt/archives/*.deb "$archives/" 2>/dev/null || true
finish "Package check"

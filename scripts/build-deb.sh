#!/usr/bin/env bash
# Builds the Debian 12 package OUTDIR/talvorn-tool_VERSION_ARCH.deb from a Release build in
# build-deb/ (DEB_BUILD_DIR): the three executables beside vivado_server.tcl and the icon in
# /opt/talvorn-tool, the login refresh in /etc/xdg/autostart, "Register with Vivado" in the
# menu, and the maintainer scripts of packaging/deb. VERSION (default 1.0.0) is the
# package's version; its dependencies are the distribution's libraries the executables link.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
packages+=(dpkg-dev)

[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
version="${VERSION:-1.0.0}"
if ! [[ $version =~ ^[0-9][A-Za-z0-9.+~]*$ ]]; then
    echo "VERSION must be a Debian upstream version (digits first, no hyphen); got '$version'" >&2
    exit 2
fi
mkdir -p "$1"
out="$(cd "$1" && pwd)"
deb_build="${DEB_BUILD_DIR:-$root/build-deb}"

install_missing

echo "== building the executables (Release)"
cmake -S "$root" -B "$deb_build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$deb_build" -j2

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
package="$stage/package"
folder="$package/opt/talvorn-tool"

echo "== staging the package's files"
cmake --install "$deb_build" --prefix "$stage/install" --strip >/dev/null
install -d -m 755 "$folder" "$package/etc/xdg/autostart" "$package/usr/share/applications" "$package/DEBIAN"
install -m 755 "$stage/install/bin/"* "$folder/"
# The tool registers the vivado_server.tcl of its own folder: the executables and the two
# files the command names must stay together.
install -m 644 "$root/packaging/vivado_server.tcl" "$root/packaging/Talvorn_CI_A.png" "$folder/"
# Not conffiles: a package that is removed must not leave a login entry behind.
install -m 644 "$root/packaging/deb/talvorn-vivado-refresh.desktop" "$package/etc/xdg/autostart/"
install -m 644 "$root/packaging/deb/talvorn-register-with-vivado.desktop" "$package/usr/share/applications/"
install -m 755 "$root/packaging/deb/postinst" "$root/packaging/deb/prerm" "$package/DEBIAN/"

echo "== computing the dependencies (dpkg-shlibdeps)"
# dpkg-shlibdeps reads the binary package's name from a debian/control beside it.
mkdir "$stage/debian"
printf 'Source: talvorn-tool\n\nPackage: talvorn-tool\nArchitecture: any\n' >"$stage/debian/control"
depends="$(cd "$stage" && dpkg-shlibdeps -O package/opt/talvorn-tool/VivadoIntegration*)"
depends="${depends#shlibs:Depends=}"
[ -n "$depends" ] || { echo "dpkg-shlibdeps found no dependencies" >&2; exit 1; }

architecture="$(dpkg --print-architecture)"
cat >"$package/DEBIAN/control" <<END
Package: talvorn-tool
Version: $version
Architecture: $architecture
Maintainer: Talvorn
Installed-Size: $(du -sk --exclude=DEBIAN "$package" | cut -f1)
Depends: $depends
Section: electronics
Priority: optional
Description: TALVORN Probe Core Inserter command for Xilinx Vivado
 Gives every Vivado version of each user the TALVORN Probe Core Inserter command: for
 whoever installs the package through sudo or pkexec at once, for everyone else at their
 next desktop login, and from the menu entry "Register with Vivado". Removing the package
 takes the command out of every user's Vivado versions again.
END

echo "== packing"
deb="$out/talvorn-tool_${version}_${architecture}.deb"
dpkg-deb --root-owner-group --build "$package" "$deb" >/dev/null
echo "$deb"

#!/usr/bin/env bash
# Builds Qt 5.15.8 (qtbase) for 64-bit Windows with MinGW-w64 from Debian 12's source
# package into the folder given (about 25 minutes on 2 cores). windows-check.sh uses
# it when no prebuilt copy is at hand.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
prefix="${1:?usage: build-qt-mingw.sh <install folder>}"

packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev dpkg-dev perl python3)
install_missing
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
# Source packages come from the same archive as the binary ones.
if ! grep -rqs 'deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: .*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            | $sudo tee /etc/apt/sources.list.d/qtbase-src.sources >/dev/null
    else
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | $sudo tee /etc/apt/sources.list.d/qtbase-src.list >/dev/null
    fi
    $sudo apt-get update
fi

work="$(mktemp -d)"
(cd "$work" && apt-get source qtbase-opensource-src)
source_dir="$(find "$work" -maxdepth 1 -type d -name 'qtbase-opensource-src-*' | head -n 1)"
mkdir -p "$work/build"
cd "$work/build"
"$source_dir/configure" -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- \
    -prefix "$prefix" -opensource -confirm-license -release -shared -nomake examples -nomake tests \
    -no-opengl -no-dbus -no-icu -no-direct2d -no-feature-vulkan -qt-zlib -qt-pcre -qt-libpng -no-libjpeg \
    -qt-freetype -qt-harfbuzz -no-feature-network -no-feature-sql -no-feature-printer -no-feature-tabletevent
make -j"$(nproc)"
make install
rm -rf "$work"

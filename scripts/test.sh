#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test headless.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing
build_all
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure

#!/usr/bin/env bash
# Set-up: installs what the build needs, builds, registers the modules into the
# per-user registry (PLATFORM_REGISTRY, or ~/.config/platform/registry.reg) and
# installs the default packet library into the system directory
# (PLATFORM_SYSTEM_DIR, else $XDG_DATA_HOME/platform/system when that is an
# absolute path, else ~/.local/share/platform/system).
# It runs in any environment (no XDG variables, a new HOME, as root or as a user
# with sudo) and may be run again: every step replaces what the last run left.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${HOME:-}" ]; then
  HOME=$(getent passwd "$(id -u)" | cut -d: -f6)
  export HOME
fi
tools/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
# CMAKE_ARGS holds extra configure arguments, split on blanks.
# shellcheck disable=SC2086
cmake -S . -B "$BUILD_DIR" -G Ninja ${CMAKE_ARGS:-}
cmake --build "$BUILD_DIR"
"$BUILD_DIR/bin/comreg" "$BUILD_DIR/lib/libzelvani.so"
"$BUILD_DIR/bin/comreg" "$BUILD_DIR/lib/libcorvatin.so"
data_home=${XDG_DATA_HOME:-}
if [ -n "${PLATFORM_SYSTEM_DIR:-}" ]; then
  SYSTEM_DIR=$PLATFORM_SYSTEM_DIR
elif [ "${data_home#/}" != "$data_home" ]; then
  SYSTEM_DIR=$data_home/platform/system
else
  SYSTEM_DIR=$HOME/.local/share/platform/system
fi
mkdir -p "$SYSTEM_DIR"
cp corvatin/Quelm.pkd "$SYSTEM_DIR/Quelm.pkd"
echo "registered both modules; default packet library: $SYSTEM_DIR/Quelm.pkd"

#!/usr/bin/env bash
# Set-up: installs what the build needs, builds, registers the modules into the
# per-user registry (PLATFORM_REGISTRY, or ~/.config/platform/registry.reg) and
# installs the default packet library into the system directory
# (PLATFORM_SYSTEM_DIR, or ~/.local/share/platform/system).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja ${CMAKE_ARGS:-}
cmake --build "$BUILD_DIR"
"$BUILD_DIR/bin/comreg" "$BUILD_DIR/lib/libzelvani.so"
if [ -f "$BUILD_DIR/lib/libcorvatin.so" ]; then
  "$BUILD_DIR/bin/comreg" "$BUILD_DIR/lib/libcorvatin.so"
fi
if [ -n "${PLATFORM_SYSTEM_DIR:-}" ]; then
  SYSTEM_DIR=$PLATFORM_SYSTEM_DIR
elif [ "${XDG_DATA_HOME:-}" != "${XDG_DATA_HOME#/}" ]; then
  SYSTEM_DIR=$XDG_DATA_HOME/platform/system
else
  SYSTEM_DIR=$HOME/.local/share/platform/system
fi
mkdir -p "$SYSTEM_DIR"
if [ -f corvatin/Quelm.pkd ]; then
  cp corvatin/Quelm.pkd "$SYSTEM_DIR/Quelm.pkd"
fi

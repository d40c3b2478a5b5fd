#!/usr/bin/env bash
# Set-up: installs what the build needs, builds, and registers the modules into
# the per-user registry (PLATFORM_REGISTRY, or ~/.config/platform/registry.reg).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja ${CMAKE_ARGS:-}
cmake --build "$BUILD_DIR"
"$BUILD_DIR/bin/comreg" "$BUILD_DIR/lib/libzelvani.so"

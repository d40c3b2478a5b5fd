#!/usr/bin/env bash
# Test: builds everything and runs every test through CTest.
#   BUILD_DIR   build folder (default: build)
#   CMAKE_ARGS  extra configure arguments (the sanitizer builds use these)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja ${CMAKE_ARGS:-}
cmake --build "$BUILD_DIR"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"

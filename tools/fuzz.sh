#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer and runs each for
# a bounded time on the seed corpus in tests/fuzz/corpus (new inputs go to a
# temporary folder, not into the repository).
#   FUZZ_SECONDS  seconds per target (default 20)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-fuzz}
SECONDS_PER_TARGET=${FUZZ_SECONDS:-20}
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DZELVANI_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD_DIR"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for pair in FuzzLibraryLoad:library FuzzUnpack:unpack FuzzDelimited:delimited; do
  target=${pair%%:*}
  corpus=${pair##*:}
  mkdir -p "$work/$corpus"
  echo "fuzzing $target for ${SECONDS_PER_TARGET}s"
  (cd "$work" && "$OLDPWD/$BUILD_DIR/bin/$target" -max_total_time="$SECONDS_PER_TARGET" -rss_limit_mb=2048 \
      -print_final_stats=1 "$work/$corpus" "$OLDPWD/tests/fuzz/corpus/$corpus" 2>&1 | tail -n 5)
done

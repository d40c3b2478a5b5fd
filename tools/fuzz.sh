#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for a bounded time on the seed corpus
# in tests/fuzz/corpus. Any sanitizer finding, crash, leak, time-out or memory
# overrun stops its target, keeps the input that caused it in
# $BUILD_DIR/fuzz-artifacts and makes the script exit non-zero.
#   FUZZ_SECONDS  seconds per target (default 20)
#   FUZZ_MERGE=1  merge what the run found into tests/fuzz/corpus/* (-merge=1
#                 keeps only inputs that add coverage); run it with a longer
#                 FUZZ_SECONDS and commit the merged corpus
#   FUZZ_TARGETS  the targets to run (default: all three)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
BUILD_DIR=${BUILD_DIR:-build-fuzz}
SECONDS_PER_TARGET=${FUZZ_SECONDS:-20}
MERGE=${FUZZ_MERGE:-0}
TARGETS=${FUZZ_TARGETS:-"FuzzLibraryLoad FuzzUnpack FuzzDelimited"}
# Every finding is fatal: halt on the first report, whatever the sanitizer.
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:abort_on_error=1:print_stacktrace=1}
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DZELVANI_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
# shellcheck disable=SC2086
cmake --build "$BUILD_DIR" --target $TARGETS
artifacts="$root/$BUILD_DIR/fuzz-artifacts"
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

corpus_of() {
  case $1 in
    FuzzLibraryLoad) echo library ;;
    FuzzUnpack) echo unpack ;;
    FuzzDelimited) echo delimited ;;
    *) echo "unknown fuzz target $1" >&2; exit 2 ;;
  esac
}

failed=()
for target in $TARGETS; do
  corpus=$(corpus_of "$target")
  seeds="$root/tests/fuzz/corpus/$corpus"
  found="$work/$corpus"
  mkdir -p "$found" "$seeds"
  binary="$root/$BUILD_DIR/bin/$target"
  options=(-max_total_time="$SECONDS_PER_TARGET" -rss_limit_mb=1024 -malloc_limit_mb=512 -timeout=10
           -print_final_stats=1 -artifact_prefix="$artifacts/$target-")
  [ "$target" = FuzzLibraryLoad ] && options+=(-dict="$root/tests/fuzz/library.dict")
  echo "fuzzing $target for ${SECONDS_PER_TARGET}s"
  status=0
  (cd "$work" && "$binary" "${options[@]}" "$found" "$seeds") >"$work/$target.log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$work/$target.log"
    echo "$target FAILED (exit $status); the input is in $artifacts" >&2
    failed+=("$target")
    continue
  fi
  tail -n 5 "$work/$target.log"
  if [ "$MERGE" = 1 ]; then
    # Only inputs that reach code the repository's corpus does not are kept
    # (edges, not hit counts, so that the corpus stays small).
    (cd "$work" && "$binary" -merge=1 -use_counters=0 -rss_limit_mb=1024 -malloc_limit_mb=512 "$seeds" "$found") \
      >"$work/$target.merge.log" 2>&1 || { tail -n 20 "$work/$target.merge.log"; failed+=("$target merge"); }
    echo "$target corpus: $(find "$seeds" -type f | wc -l) files"
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi

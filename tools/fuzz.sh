#!/usr/bin/env bash
# Long random fuzzing of one target, for developers: tools/fuzz.sh TARGET MINUTES [JOBS]
#   tools/fuzz.sh fuzz_orientation_reader 30
# Builds the sanitizer tree when needed, starts from the stored seeds and keeps what the
# fuzzer learns in build/fuzz-corpus/TARGET, so a later run goes on from there. Inputs that
# crash land in build/fuzz-findings/TARGET; copy each into tests/fuzz/seeds/TARGET (and,
# when the engine tests should replay it, tests/corpus) together with its fix.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 2 ] || { echo "usage: $0 TARGET MINUTES [JOBS]" >&2; exit 2; }
target=$1
minutes=$2
jobs=${3:-1}
. tools/deps.sh
ensure_packages $BUILD_PACKAGES $TEST_PACKAGES

if [ ! -x "build/sanitize/tests/fuzz/$target" ]; then
    cmake --preset sanitize >/dev/null
    cmake --build build/sanitize --target "$target"
fi
corpus="build/fuzz-corpus/$target"
findings="build/fuzz-findings/$target"
mkdir -p "$corpus" "$findings"
dict=()
[ -f "tests/fuzz/$target.dict" ] && dict=(-dict="tests/fuzz/$target.dict")
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
exec "build/sanitize/tests/fuzz/$target" -max_total_time=$((minutes * 60)) -jobs="$jobs" -workers="$jobs" \
    -print_final_stats=1 -artifact_prefix="$findings/" "${dict[@]}" "$corpus" "tests/fuzz/seeds/$target"

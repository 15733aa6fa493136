#!/usr/bin/env bash
# Installs what is missing, builds Tarvix with its tests and runs them: first the release
# build, then the engine again under AddressSanitizer and UndefinedBehaviorSanitizer, with a
# short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")"
. tools/deps.sh
ensure_packages $BUILD_PACKAGES $TEST_PACKAGES

# No test may touch a real settings file, trash or display.
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$(mktemp -d)"
export HOME="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY
trap 'rm -rf "$XDG_RUNTIME_DIR" "$HOME"' EXIT

echo "== release build and tests"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVIX_BUILD_TESTS=ON >/dev/null
cmake --build build/release
ctest --test-dir build/release --output-on-failure -j2

echo "== engine under AddressSanitizer and UndefinedBehaviorSanitizer"
CC=clang CXX=clang++ cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARVIX_ENGINE_ONLY=ON -DTARVIX_BUILD_TESTS=ON -DTARVIX_FUZZ=ON \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" >/dev/null
cmake --build build/sanitize
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/sanitize --output-on-failure -j2

echo "== fuzz targets, briefly"
for fuzzer in build/sanitize/tests/fuzz/fuzz_*; do
    [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus=$(mktemp -d)
    dict=()
    [ -f "tests/fuzz/$name.dict" ] && dict=(-dict="tests/fuzz/$name.dict")
    echo "$name: ${FUZZ_SECONDS:-20} s"
    "$fuzzer" -max_total_time="${FUZZ_SECONDS:-20}" "${dict[@]}" "$corpus" "tests/fuzz/seeds/$name" >"$corpus.log" 2>&1 \
        || { tail -n 40 "$corpus.log"; exit 1; }
    grep -E '^(Done|#[0-9]+ +DONE)' "$corpus.log" | tail -n 1 || true
    rm -f "$corpus.log"
    rm -rf "$corpus"
done
echo "== all tests passed"

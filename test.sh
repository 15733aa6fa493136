#!/usr/bin/env bash
# Installs what is missing, builds Tarvix with its tests and runs them: first the release
# build, then the engine and the window again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then a fixed run of every fuzz target (the same seed and number
# of runs every time, so a commit passes or fails alike on every machine; long random runs:
# tools/fuzz.sh).
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
# CI builds with warnings as errors (TARVIX_WERROR=ON in .ci/run).
cmake --preset release -DTARVIX_WERROR="${TARVIX_WERROR:-OFF}" >/dev/null
cmake --build build/release
ctest --test-dir build/release --output-on-failure -j2

echo "== engine under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize -DTARVIX_WERROR="${TARVIX_WERROR:-OFF}" >/dev/null
cmake --build build/sanitize
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/sanitize --output-on-failure -j2

echo "== the window's tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize-ui -DTARVIX_WERROR="${TARVIX_WERROR:-OFF}" >/dev/null
cmake --build build/sanitize-ui --target ui_tests
build/sanitize-ui/tests/ui_tests --gtest_brief=1

echo "== fuzz targets: every stored input, then ${FUZZ_RUNS:=300000} runs from seed 1"
fixed_addresses=()
setarch "$(uname -m)" -R true 2>/dev/null && fixed_addresses=(setarch "$(uname -m)" -R)
for fuzzer in build/sanitize/tests/fuzz/fuzz_*; do
    [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    seeds="tests/fuzz/seeds/$name"
    work=$(mktemp -d)
    dict=()
    [ -f "tests/fuzz/$name.dict" ] && dict=(-dict="tests/fuzz/$name.dict")
    # Each stored input on its own first, so that a reproducer fails by name.
    "$fuzzer" "$seeds"/* >"$work.log" 2>&1 || { tail -n 40 "$work.log"; exit 1; }
    # No reloading of the corpus by the clock, a fixed hash seed and fixed addresses (some of
    # what the fuzzer tracks depends on them): only then is the work, and what it prints,
    # the same on every run.
    QT_HASH_SEED=0 "${fixed_addresses[@]}" "$fuzzer" -seed=1 -runs="$FUZZ_RUNS" -reload=0 "${dict[@]}" "$work" "$seeds" >"$work.log" 2>&1 \
        || { tail -n 40 "$work.log"; exit 1; }
    echo "$name: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$work.log" | tail -n 1 \
        | sed -E 's/^#([0-9]+)[[:space:]]+DONE +(cov: [0-9]+ ft: [0-9]+ corp: [0-9]+\/[0-9]+[KM]?b).*/\1 runs, \2/')"
    rm -rf "$work" "$work.log"
done
echo "== all tests passed"

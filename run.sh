#!/usr/bin/env bash
# Installs what is missing, builds Tarvix (release) and runs it with the given arguments.
set -euo pipefail
cd "$(dirname "$0")"
. tools/deps.sh
ensure_packages $BUILD_PACKAGES

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target tarvix tarvix_lang >/dev/null
exec build/release/tarvix "$@"

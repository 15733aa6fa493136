#!/usr/bin/env bash
# Fails when a C++ file under src/, tests/ or packaging/ is not formatted as .clang-format says;
# `tools/check_format.sh --fix` formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(find src tests packaging -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
if [[ ${1:-} == --fix ]]; then
    clang-format -i "${files[@]}"
else
    clang-format --dry-run --Werror "${files[@]}"
fi

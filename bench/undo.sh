#!/usr/bin/env bash
# bench/undo.sh FOLDER [ROUNDS]
#
# What keeping the copies for an undo costs a turn of the JPEG files of FOLDER through the
# engine's pipeline: the best time of a turn with and without them, and their ratio (goal:
# at most 1.10). The reference folder: bench/make_corpus.sh DIR 100.
set -euo pipefail
if [[ $# -lt 1 || ! -d $1 ]]; then
    echo "usage: $0 FOLDER [ROUNDS]" >&2
    exit 2
fi
ROOT=$(cd "$(dirname "$0")/.." && pwd)
PROGRAM=$ROOT/build/release/bench/undo_cost
[[ -x $PROGRAM ]] || { echo "no $PROGRAM (cmake --build build/release --target undo_cost)" >&2; exit 1; }
QT_QPA_PLATFORM=offscreen TMPDIR=${TMPDIR:-/tmp} "$PROGRAM" "$1" "${2:-3}"

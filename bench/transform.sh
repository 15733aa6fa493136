#!/usr/bin/env bash
# bench/transform.sh FOLDER [TARVIX]
#
# Times `tarvix -r -s` on copies of the JPEG files of FOLDER against the classic pipeline
# `jpegtran -copy all -trim -rotate 90 FILE > TMP && mv TMP FILE` on other copies of the
# same files, alternating between the two file by file, and prints both totals and their
# ratio. Both sides get warm page caches: every file is read once before timing.
# The reference folder: bench/make_corpus.sh DIR 100.
set -euo pipefail

if [[ $# -lt 1 || ! -d $1 ]]; then
    echo "usage: $0 FOLDER [TARVIX]" >&2
    exit 2
fi
SOURCE=$(cd "$1" && pwd)
TARVIX=${2:-$(cd "$(dirname "$0")/.." && pwd)/build/release/tarvix}
[[ -x $TARVIX ]] || { echo "no tarvix at $TARVIX (run ./run.sh once, or pass its path)" >&2; exit 1; }
command -v jpegtran >/dev/null || { echo "jpegtran is missing (apt-get install libjpeg-turbo-progs)" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir "$WORK/tarvix" "$WORK/jpegtran"
mapfile -t FILES < <(find "$SOURCE" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | sort)
[[ ${#FILES[@]} -gt 0 ]] || { echo "no JPEG files in $SOURCE" >&2; exit 1; }
for f in "${FILES[@]}"; do
    cp -p "$f" "$WORK/tarvix/"
    cp -p "$f" "$WORK/jpegtran/"
done
cat "$WORK"/tarvix/* "$WORK"/jpegtran/* >/dev/null

now() { date +%s%N; }
t_tarvix=0
t_jpegtran=0
i=0
for f in "${FILES[@]}"; do
    name=$(basename "$f")
    a="$WORK/tarvix/$name"
    b="$WORK/jpegtran/$name"
    # Alternate which side goes first, so neither always finds the other's leftovers.
    for side in $(if (( i % 2 )); then echo jpegtran tarvix; else echo tarvix jpegtran; fi); do
        start=$(now)
        if [[ $side == tarvix ]]; then
            env -u DISPLAY -u WAYLAND_DISPLAY "$TARVIX" -r -s "$a" 2>/dev/null
            t_tarvix=$(( t_tarvix + $(now) - start ))
        else
            jpegtran -copy all -trim -rotate 90 "$b" > "$b.tmp" 2>/dev/null && mv "$b.tmp" "$b"
            t_jpegtran=$(( t_jpegtran + $(now) - start ))
        fi
    done
    i=$(( i + 1 ))
done

# Same pictures on both sides (tarvix also rewrites the orientation tag).
same=0
for f in "${FILES[@]}"; do
    name=$(basename "$f")
    cmp -s <(djpeg "$WORK/tarvix/$name" 2>/dev/null) <(djpeg "$WORK/jpegtran/$name" 2>/dev/null) && same=$((same + 1))
done

awk -v n="${#FILES[@]}" -v a="$t_tarvix" -v b="$t_jpegtran" -v same="$same" 'BEGIN {
    printf "files                          %d (identical pixels afterwards: %d)\n", n, same
    printf "tarvix -r -s                   %8.1f ms total, %6.1f ms per file\n", a / 1e6, a / 1e6 / n
    printf "jpegtran -copy all -trim + mv  %8.1f ms total, %6.1f ms per file\n", b / 1e6, b / 1e6 / n
    printf "ratio tarvix / jpegtran        %8.2f   (goal: at most 1.20)\n", a / b
}'

#!/usr/bin/env bash
# make_many.sh DIR N
#
# Makes N distinct 2-megapixel JPEG photos PIC_00001.jpg ... in DIR (empty or absent), quickly,
# for the memory and time of a big folder in the window (MEMORY=1 bench/window.sh DIR): eight
# pictures of 1632x1224 (landscape and portrait, camera-like EXIF with an embedded thumbnail,
# orientations 1, 6, 8 and 3) rendered once, then every file one of them with a comment
# segment of its own (bench/jpeg_copies.py): valid files of distinct bytes, each its own inode.
# Needs ImageMagick 6, exiftool and vipsthumbnail (tools/bench_deps.sh).
set -euo pipefail

if [[ $# -lt 2 || ! $2 =~ ^[0-9]+$ || $2 -lt 1 ]]; then
    echo "usage: $0 DIR N" >&2
    exit 2
fi
DIR=$1
N=$2
HERE=$(cd "$(dirname "$0")" && pwd)
IM=$(command -v convert-im6.q16 || command -v convert) || { echo "missing tool: ImageMagick convert" >&2; exit 1; }
for t in exiftool vipsthumbnail python3; do
    command -v "$t" >/dev/null || { echo "missing tool: $t" >&2; exit 1; }
done
mkdir -p "$DIR"
[[ -z $(ls -A "$DIR") ]] || { echo "$DIR is not empty; refusing to mix corpora" >&2; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
T0=$SECONDS

ORIENTATIONS=(1 6 1 8 1 3 1 6)
for k in 0 1 2 3 4 5 6 7; do
    size=1632x1224
    ((k % 4 == 3)) && size=1224x1632
    "$IM" -seed $((k + 1)) -size "$size" plasma:fractal -blur 0x1 -attenuate 0.4 +noise Gaussian \
        -quality 90 -sampling-factor 2x2 "$WORK/base$k.jpg"
    vipsthumbnail --size 160x160 -o "$WORK/thumb$k.jpg[Q=80,strip]" "$WORK/base$k.jpg"
    exiftool -q -overwrite_original -n -EXIF:Make=Vireo "-EXIF:Model=Vireo M5" \
        "-EXIF:Orientation=${ORIENTATIONS[k]}" "-EXIF:DateTimeOriginal=2024:05:0$((k + 1)) 10:00:00" \
        -EXIF:ExposureTime=0.008 -EXIF:FNumber=5.6 -EXIF:ISO=200 "-EXIF:ThumbnailImage<=$WORK/thumb$k.jpg" \
        "$WORK/base$k.jpg"
done
python3 "$HERE/jpeg_copies.py" "$DIR" "$N" "$WORK"/base?.jpg
echo "done in $((SECONDS - T0)) s: $N files, $(du -sm "$DIR" | cut -f1) MB in $DIR"

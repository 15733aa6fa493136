#!/usr/bin/env bash
# tools/screenshot.sh OUT.png [LANGUAGE] [WIDTHxHEIGHT]
#
# Starts the real window under a private X server (Xvfb), as a user would, on a folder of
# generated photos, opens the folder with the recent-folder button and saves a picture of
# the window. LANGUAGE is the name of a language file (English, Deutsch, ...). With EXIF=1
# the photos carry camera EXIF values, the first one is chosen and the picture is of its
# EXIF properties dialog. With TAGGED=1 two photos are tagged as turned by the camera (their
# thumbnails carry the mark); with EMPTY=1 no folder is opened (the grid's hint shows); with
# MENU=1 the grid's context menu is open. QT_SCALE_FACTOR=2 with a screen twice the size
# and WINDOW_SIZE=800x600 shows the window at 200 %. For reviewers and the README; not part
# of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
OUT=$(realpath -m "${1:?usage: $0 OUT.png [LANGUAGE] [WIDTHxHEIGHT]}")
LANGUAGE=${2:-English}
SIZE=${3:-800x600}
WIDTH=${SIZE%x*}
HEIGHT=${SIZE#*x}
WINDOW_SIZE=${WINDOW_SIZE:-$SIZE}
SCALE=${QT_SCALE_FACTOR:-1}

. tools/deps.sh
ensure_packages $BUILD_PACKAGES xvfb xdotool x11-apps imagemagick
{ [ "${EXIF:-0}" = 1 ] || [ "${TAGGED:-0}" = 1 ]; } && ensure_packages libimage-exiftool-perl
cmake --preset release >/dev/null
cmake --build build/release --target tarvix tarvix_lang >/dev/null

WORK=$(mktemp -d)
trap 'kill "${APP:-}" "${XVFB:-}" 2>/dev/null || true; rm -rf "$WORK"' EXIT
mkdir -p "$WORK/home/.config/Dovrane" "$WORK/Pictures/Holiday" "$WORK/runtime"
chmod 700 "$WORK/runtime"

# Photos of our own making: landscapes and portraits of colour fields and shapes, some
# tagged as turned by the camera, so that the grid looks like a real folder.
i=0
for photo in "1600x1200 sunset" "1200x1600 lightblue" "1600x1200 seagreen" "1600x1067 orange" \
    "1200x1600 plum" "1600x1200 steelblue" "1600x1200 goldenrod" "1067x1600 indianred" \
    "1600x1200 teal" "1600x900 slateblue" "1200x1600 darkkhaki" "1600x1200 tomato"; do
    i=$((i + 1))
    read -r geometry colour <<<"$photo"
    [ "$colour" = sunset ] && colour=darkorange
    convert -size "$geometry" "gradient:$colour-white" \
        -fill "rgba(255,255,255,0.55)" -draw "circle $((${geometry%x*} / 3)),$((${geometry#*x} / 3)) $((${geometry%x*} / 3 + ${geometry%x*} / 8)),$((${geometry#*x} / 3))" \
        -fill "rgba(0,0,0,0.25)" -draw "rectangle 0,$((${geometry#*x} * 3 / 4)) ${geometry%x*},${geometry#*x}" \
        -quality 88 "$WORK/Pictures/Holiday/IMG_$(printf %04d $((1000 + i))).jpg"
done

if [ "${EXIF:-0}" = 1 ]; then
    exiftool -q -overwrite_original -Make=Dovrane -Model="DX 300" -Orientation#=1 -XResolution=300 \
        -YResolution=300 -ResolutionUnit=inches -ModifyDate="2026:07:14 18:02:11" -ExposureTime=1/250 \
        -FNumber=5.6 -ExposureProgram#=3 -ISO=200 -DateTimeOriginal="2026:07:14 18:02:11" \
        -CreateDate="2026:07:14 18:02:11" -ShutterSpeedValue=1/250 -ApertureValue=5.6 \
        -ExposureCompensation=-0.7 -MaxApertureValue=3.5 -SubjectDistance=0 -MeteringMode#=5 -LightSource#=1 \
        -EXIF:Flash#=16 -FocalLength=35 -ExposureMode#=0 -WhiteBalance#=0 -FocalLengthIn35mmFormat=52 \
        -SceneCaptureType#=1 -Contrast#=0 -Saturation#=0 -Sharpness#=2 -SubjectDistanceRange#=3 \
        "$WORK/Pictures/Holiday"
fi

if [ "${TAGGED:-0}" = 1 ]; then
    exiftool -q -overwrite_original -Orientation#=6 "$WORK/Pictures/Holiday/IMG_1002.jpg" \
        "$WORK/Pictures/Holiday/IMG_1005.jpg"
fi

LANGFILE="$ROOT/build/release/lang/$LANGUAGE.lng"
[ -f "$LANGFILE" ] || { echo "no language file $LANGFILE" >&2; exit 1; }
cat >"$WORK/home/.config/Dovrane/Tarvix.ini" <<INI
[Main]
Language=$LANGFILE
LastFolder=$WORK/Pictures/Holiday
WinWidth=${WINDOW_SIZE%x*}
WinHeight=${WINDOW_SIZE#*x}
WinTop=0
WinLeft=0
ShowTree=${SHOW_TREE:-0}
INI

# The server picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 "${WIDTH}x${HEIGHT}x24" -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
XVFB=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$WORK/display")"

HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_RUNTIME_DIR="$WORK/runtime" \
    QT_QPA_PLATFORM=xcb build/release/tarvix >/dev/null 2>&1 &
APP=$!
window=$(xdotool search --sync --onlyvisible --name '^Tarvix$' | head -n 1)
sleep 0.5
# The recent-folder button: the first control of the path bar, below the toolbar.
if [ "${EMPTY:-0}" != 1 ]; then
    xdotool mousemove --window "$window" $((16 * SCALE)) $((${RECENT_Y:-73} * SCALE)) click 1
fi
sleep "${SETTLE:-2}"
if [ "${MENU:-0}" = 1 ]; then
    xdotool mousemove --window "$window" $((60 * SCALE)) $((${CELL_Y:-160} * SCALE)) click 1
    sleep 0.3
    xdotool click 3
    sleep 0.5
fi
if [ "${EXIF:-0}" = 1 ]; then
    # The first cell of the grid, then the key of "Display EXIF".
    xdotool mousemove --window "$window" 60 "${CELL_Y:-160}" click 1
    sleep 0.3
    xdotool key --window "$window" e
    dialog=$(xdotool search --sync --onlyvisible --name "${EXIF_TITLE:-EXIF}" | head -n 1)
    sleep 0.5
    xwd -id "$dialog" -silent | convert xwd:- "$OUT"
else
    xwd -root -silent | convert xwd:- -crop "${WIDTH}x${HEIGHT}+0+0" +repage "$OUT"
fi
echo "$OUT"

#!/usr/bin/env bash
# bench/window.sh CORPUS_DIR [BUILD_DIR]
#
# Times the real browser window (BUILD_DIR/tarvix, default build/release) as a user meets it,
# under a private X server (Xvfb) with a private home, settings file, thumbnail cache and
# trash, and measures how long it keeps its user waiting: bench/window_ping.py pings the
# window every 20 ms as a window manager does (_NET_WM_PING) and times every answer. Each job
# on fresh copies (or hard links, where the job only reads or moves the files) of the corpus:
#   load     N_LOAD (1000) photos, from Return in the path box to the load's end, with an
#            empty thumbnail cache, then a second visit; beside it vipsthumbnail, two
#            processes in parallel, to the window's thumbnail box (BOX; by default the one
#            bench/thumbs_window reports);
#   turn     N_TURN (100) photos selected and turned right with R, beside `exiftran -9 -i` on
#            the same files and a shell loop of `tarvix -r -s`;
#   auto     "Automatic" on N_AUTO (100) photos, beside `exiftran -ai`;
#   delete   N_DELETE (500) files to the trash (the delete confirmation off);
#   close    the window closed during a load of N_LOAD photos: the time until the process ends.
# For each: the job's own time (its log line), the time from the key press, the slowest ping
# answer, the 99th percentile and the answers over 100 ms; and the window's peak memory.
# With MEMORY=1, CORPUS_DIR is a big folder (bench/make_many.sh) opened as it is, through hard
# links: the peak memory, the time to the first screen of thumbnails and to the load's end.
# Figures only: nothing here fails on a slow result. The window at WINDOW_SIZE (800x600).
# JOBS picks some of the jobs (default "load turn auto delete close"), e.g. JOBS=turn;
# SETTINGS adds lines to the window's settings file, e.g. SETTINGS=UndoCacheMB=0.
# The reference corpus: bench/make_corpus.sh DIR 100. Needs Xvfb, python3-xlib, exiftran and
# vipsthumbnail: tools/bench_deps.sh installs them.
set -euo pipefail

if [[ $# -lt 1 || ! -d $1 ]]; then
    echo "usage: $0 CORPUS_DIR [BUILD_DIR]" >&2
    exit 2
fi
SOURCE=$(cd "$1" && pwd)
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${2:-$ROOT/build/release}" && pwd)
PROGRAM=$BUILD/tarvix
N_LOAD=${N_LOAD:-1000}
N_TURN=${N_TURN:-100}
N_AUTO=${N_AUTO:-100}
N_DELETE=${N_DELETE:-500}
SIZE=${WINDOW_SIZE:-800x600}
MEMORY=${MEMORY:-0}
JOBS=" ${JOBS:-load turn auto delete close} "
want() { [[ $JOBS == *" $1 "* ]]; }
[[ -x $PROGRAM ]] || { echo "no program at $PROGRAM: cmake --build $BUILD --target tarvix tarvix_lang" >&2; exit 1; }

# The pinger needs python-xlib, which the distribution installs for its own Python.
PYTHON=""
for p in python3 /usr/bin/python3; do
    if command -v "$p" >/dev/null && "$p" -c 'import Xlib' 2>/dev/null; then PYTHON=$p; break; fi
done
missing=""
[[ -n $PYTHON ]] || missing+=" python3-xlib"
for tp in Xvfb:xvfb vipsthumbnail:libvips-tools exiftran:exiftran; do
    command -v "${tp%%:*}" >/dev/null || missing+=" ${tp#*:}"
done
[[ -z $missing ]] || { echo "missing:$missing; tools/bench_deps.sh installs them" >&2; exit 1; }

mapfile -t FILES < <(find "$SOURCE" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | sort)
N=${#FILES[@]}
[[ $N -gt 0 ]] || { echo "no JPEG files in $SOURCE" >&2; exit 1; }

WORK=$(mktemp -d)
XVFB=""
# shellcheck disable=SC2317 # run by the trap below
cleanup() {
    if [[ -n $XVFB ]]; then kill "$XVFB" 2>/dev/null && wait "$XVFB" 2>/dev/null; fi
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A private X server, without a window manager: the pinger plays that part.
Xvfb -displayfd 3 -screen 0 "${SIZE}x24" -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
XVFB=$!
for _ in $(seq 100); do [[ -s $WORK/display ]] && break; sleep 0.1; done
[[ -s $WORK/display ]] || { echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(head -n 1 "$WORK/display")"
export DISPLAY
unset WAYLAND_DISPLAY

# A fresh home for every session: settings, thumbnail cache and trash of its own.
new_home() {
    local home=$WORK/home
    rm -rf "$home"
    mkdir -p "$home/home" "$home/config/Dovrane" "$home/cache" "$home/data" "$home/runtime"
    chmod 700 "$home/runtime"
    local language=""
    [[ -f $BUILD/lang/English.lng ]] && language="Language=$BUILD/lang/English.lng"
    cat >"$home/config/Dovrane/Tarvix.ini" <<INI
[Main]
$language
WinWidth=${SIZE%x*}
WinHeight=${SIZE#*x}
WinTop=0
WinLeft=0
ShowTree=0
ThumbsInRow=5
HighQuality=1
ConfirmDelete=0
DisplayCropWarning=0
${SETTINGS:-}
INI
}
# session NAME STEP...: one run of the window through bench/window_ping.py in a fresh home.
session() {
    local name=$1
    shift
    new_home
    local home=$WORK/home args=()
    for s in "$@"; do args+=(--step "$s"); done
    [[ $MEMORY == 1 || -n ${SCREENS:-} ]] && args+=(--screens)
    HOME=$home/home XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache XDG_DATA_HOME=$home/data \
        XDG_RUNTIME_DIR=$home/runtime TARVIX_PORTABLE=0 LC_ALL=C.UTF-8 \
        timeout -k 10 "${SESSION_TIMEOUT:-1800}" "$PYTHON" "$ROOT/bench/window_ping.py" --log "$WORK/$name.log" \
        "${args[@]}" -- "$PROGRAM" >>"$WORK/results" 2>"$WORK/$name.err" || {
        echo "session $name failed:" >&2
        tail -n 5 "$WORK/$name.err" >&2
    }
}
# folder DIR COUNT link|copy: COUNT files of the corpus under distinct names, again and again.
folder() {
    mkdir -p "$1"
    for ((k = 0; k < $2; k++)); do
        local f=${FILES[k % N]}
        local name
        name=$(printf 'P%04d_%s' "$k" "$(basename "$f")")
        if [[ $3 == link ]]; then ln "$f" "$1/$name" 2>/dev/null || cp "$f" "$1/$name"; else cp "$f" "$1/$name"; fi
    done
}
r() { awk -v l="$1" -v k="$2" '$1 == "RESULT" && $2 == l && $3 == k { $1 = $2 = $3 = ""; sub(/^ +/, ""); print; exit }' \
    "$WORK/results"; }
ms_now() { echo $(($(date +%s%N) / 1000000)); }
# The figures of one job of the window.
report_job() {
    local label=$1 title=$2 failed
    failed=$(r "$label" failed)
    if [[ -n $failed ]]; then
        printf "  %-26s FAILED: %s\n" "$title" "$failed"
        return
    fi
    local before
    before=$(r "$label" press_to_begin_ms)
    printf "  %-26s %7s ms from the key (the job's own %s ms%s)%s\n" "$title" "$(r "$label" press_to_end_ms)" \
        "$(r "$label" job_ms)" "$([[ ${before:-0} -gt 20 ]] && echo ", begun $before ms after the key")" \
        "$([[ -n $(r "$label" answer_to_end_ms) ]] && echo ", $(r "$label" answer_to_end_ms) ms from the answer")"
    [[ -n $(r "$label" cpu_ms) ]] && printf "  %-26s %7s ms of processor time, %s cores busy on average\n" "" \
        "$(r "$label" cpu_ms)" "$(awk -v c="$(r "$label" cpu_ms)" -v w="$(r "$label" press_to_end_ms)" \
            'BEGIN { if (w > 0) printf "%.2f", c / w }')"
    pings "$label"
}
# The answers to the pings of one job.
pings() {
    if [[ $(r "$1" pings) -gt 0 ]] 2>/dev/null; then
        printf "  %-26s slowest answer %s ms (%s ms in), 99th percentile %s ms, %s of %s over 100 ms%s\n" "" \
            "$(r "$1" ping_max_ms)" "$(r "$1" ping_max_after_ms)" "$(r "$1" ping_p99_ms)" "$(r "$1" ping_over_100)" "$(r "$1" pings)" \
            "$([[ $(r "$1" unanswered) -gt 0 ]] 2>/dev/null && echo " ($(r "$1" unanswered) unanswered: counted by their age)")"
    else
        printf "  %-26s no ping was sent meanwhile\n" ""
    fi
}
# How many files of a folder differ from the corpus files they were copied from.
changed() { local n=0 f; for f in "$1"/*; do cmp -s "$f" "${FILES[10#$(basename "$f" | cut -c2-5) % N]}" || n=$((n + 1)); done; echo "$n"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a > 0 && b > 0) printf "%.2f", a / b; else print "-" }'; }

echo "cpu    $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
echo "load   $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine disturbs the figures)"
echo "window $PROGRAM at $SIZE on Xvfb $DISPLAY; pings every ${PING_MS:-20} ms"

if [[ $MEMORY == 1 ]]; then
    mkdir "$WORK/big"
    cp -al "$SOURCE/." "$WORK/big/" 2>/dev/null || { rm -rf "$WORK/big"; cp -as "$SOURCE/." "$WORK/big/"; }
    cat "${FILES[@]}" >/dev/null
    echo "files  $N in $SOURCE"
    session memory "load:memory:$WORK/big" "close:memory-close"
    echo
    echo "a big folder ($N files), first visit"
    report_job memory "load"
    printf "  %-26s %7s ms to the first change of the grid\n" "" "$(r memory first_change_ms)"
    printf "  %-26s %7s ms until 90 %% of the grid's area changed (a screen filled)\n" "" "$(r memory screen_filled_ms)"
    printf "  %-26s %7s ms to the first screen of thumbnails (90 %% of the grid's area final)\n" "" \
        "$(r memory first_screen_ms)"
    printf "  %-26s %7s tiles of the grid left out, as the progress window lay over them\n" "" \
        "$(r memory tiles_covered)"
    printf "  %-26s %7s ms until all of the grid's area was final\n" "" "$(r memory whole_screen_ms)"
    printf "  %-26s %7s MB peak RSS at the load's end; %s MB at the close (VmHWM), %s MB by wait4\n" "" \
        "$(awk -v k="$(r memory peak_rss_kb)" 'BEGIN { printf "%.1f", k / 1024 }')" \
        "$(awk -v k="$(r memory-close peak_rss_kb)" 'BEGIN { printf "%.1f", k / 1024 }')" \
        "$(awk -v k="$(r memory-close rusage_maxrss_kb)" 'BEGIN { printf "%.1f", k / 1024 }')"
    printf "  %-26s %7s ms from the close to the end of the process\n" "close" "$(r memory-close exit_ms)"
    [[ -n ${KEEP_LOGS:-} ]] && cp "$WORK"/*.log "$WORK"/*.err "$WORK/results" "$KEEP_LOGS/"
    exit 0
fi

echo "files  $N in $SOURCE"
# The box the window scales thumbnails into, as bench/thumbs.sh finds it.
if [[ -z ${BOX:-} && -x $BUILD/bench/thumbs_window ]]; then
    mkdir "$WORK/one"
    ln "${FILES[0]}" "$WORK/one/" 2>/dev/null || cp "${FILES[0]}" "$WORK/one/"
    BOX=$(HOME=$WORK/one QT_QPA_PLATFORM=offscreen XDG_CACHE_HOME=$WORK/one/.cache XDG_CONFIG_HOME=$WORK/one/.config \
        timeout 60 "$BUILD/bench/thumbs_window" "$WORK/one" high 1 --no-cache 2>/dev/null |
        awk '$1 == "run" { for (i = 1; i < NF; i += 2) if ($i == "box") print $(i + 1) }' | head -n 1 || true)
fi
BOX=${BOX:-146x146}

# --- load, a second visit, and the close of an idle window ---
if want load; then
folder "$WORK/load/photos" "$N_LOAD" link
cat "${FILES[@]}" >/dev/null
session load "load:load:$WORK/load/photos" "load:second:$WORK/load/photos" "close:idle-close"
mapfile -t LOADED < <(find "$WORK/load/photos" -type f | sort)
HALF=$(((${#LOADED[@]} + 1) / 2))
mkdir "$WORK/vips"
vips_half() { VIPS_CONCURRENCY=1 vipsthumbnail --no-rotate --size "$BOX" -o "$WORK/vips/%s.jpg" "$@"; }
t0=$(ms_now)
vips_half "${LOADED[@]:0:HALF}" &
vpid=$!
vips_half "${LOADED[@]:HALF}" || true
wait "$vpid" || true
VIPS_MS=$(($(ms_now) - t0))
VIPS_MADE=$(find "$WORK/vips" -type f | wc -l)
rm -rf "$WORK/vips"
fi

# --- turn: the window, exiftran and the command line on identical copies ---
if want turn; then
folder "$WORK/turn/photos" "$N_TURN" copy
folder "$WORK/exiftran" "$N_TURN" copy
folder "$WORK/cli" "$N_TURN" copy
cat "$WORK"/turn/photos/* "$WORK"/exiftran/* "$WORK"/cli/* >/dev/null
session turn "load:turn-load:$WORK/turn/photos" "turn:turn"
t0=$(ms_now)
exiftran -9 -i "$WORK"/exiftran/* >/dev/null 2>&1 || echo "exiftran -9 failed" >&2
EXIFTRAN_MS=$(($(ms_now) - t0))
t0=$(ms_now)
for f in "$WORK"/cli/*; do env -u DISPLAY "$PROGRAM" -r -s "$f" >/dev/null 2>&1 || echo "tarvix -r -s $f failed" >&2; done
CLI_MS=$(($(ms_now) - t0))
TURNED=$(changed "$WORK/turn/photos")
rm -rf "$WORK/turn" "$WORK/exiftran" "$WORK/cli"
fi

# --- automatic ---
if want auto; then
folder "$WORK/auto/photos" "$N_AUTO" copy
folder "$WORK/exiftran-ai" "$N_AUTO" copy
cat "$WORK"/auto/photos/* "$WORK"/exiftran-ai/* >/dev/null
session auto "load:auto-load:$WORK/auto/photos" "auto:auto"
t0=$(ms_now)
exiftran -ai "$WORK"/exiftran-ai/* >/dev/null 2>&1 || echo "exiftran -ai failed" >&2
AUTO_PEER_MS=$(($(ms_now) - t0))
CORRECTED=$(changed "$WORK/auto/photos")
CORRECTED_PEER=$(changed "$WORK/exiftran-ai")
rm -rf "$WORK/auto" "$WORK/exiftran-ai"
fi

# --- delete ---
if want delete; then
folder "$WORK/delete/photos" "$N_DELETE" link
session delete "load:delete-load:$WORK/delete/photos" "delete:delete"
LEFT=$(find "$WORK/delete/photos" -type f | wc -l)
TRASHED=$(find "$WORK/home/data/Trash/files" -type f 2>/dev/null | wc -l)
rm -rf "$WORK/delete"
fi

# --- close during a load ---
if want close; then
folder "$WORK/close/photos" "$N_LOAD" link
session close "close-load:close:$WORK/close/photos"
fi

if want load; then
echo
echo "load of $N_LOAD photos ($N distinct pictures, hard links), from Return in the path box"
report_job load "first visit (empty cache)"
report_job second "second visit"
printf "  %-26s %7s ms (2 processes, box %s, %s thumbnails)\n" "vipsthumbnail" "$VIPS_MS" "$BOX" "$VIPS_MADE"
printf "  %-26s %7s (first visit)\n" "ratio window/vipsthumbnail" "$(ratio "$(r load press_to_end_ms)" "$VIPS_MS")"
printf "  %-26s %7s MB after the first visit, %s MB after the second (VmHWM)\n" "peak RSS" \
    "$(awk -v k="$(r load peak_rss_kb)" 'BEGIN { printf "%.1f", k / 1024 }')" \
    "$(awk -v k="$(r second peak_rss_kb)" 'BEGIN { printf "%.1f", k / 1024 }')"
printf "  %-26s %7s ms from the close to the end of the process\n" "close when idle" "$(r idle-close exit_ms)"
fi
if want turn; then
echo
echo "turn right of $N_TURN photos (all selected, R); $TURNED of them changed on disk"
report_job turn "window"
printf "  %-26s %7s ms\n" "exiftran -9 -i" "$EXIFTRAN_MS"
printf "  %-26s %7s ms\n" "loop of tarvix -r -s" "$CLI_MS"
printf "  %-26s %7s (from the key); window/loop %s\n" "ratio window/exiftran" \
    "$(ratio "$(r turn press_to_end_ms)" "$EXIFTRAN_MS")" "$(ratio "$(r turn press_to_end_ms)" "$CLI_MS")"
fi
if want auto; then
echo
echo "Automatic on $N_AUTO photos (answered Yes); $CORRECTED changed on disk, $CORRECTED_PEER by exiftran -ai"
report_job auto "window"
printf "  %-26s %7s ms\n" "exiftran -ai" "$AUTO_PEER_MS"
printf "  %-26s %7s (from the answer)\n" "ratio window/exiftran" \
    "$(ratio "$(r auto answer_to_end_ms)" "$AUTO_PEER_MS")"
fi
if want delete; then
echo
echo "delete of $N_DELETE files to the trash (all selected, Ctrl+Delete); $LEFT left, $TRASHED in the trash"
report_job delete "window"
fi
if want close; then
echo
echo "close during a load of $N_LOAD photos, $((${CLOSE_AFTER_MS:-1000})) ms after it began"
if [[ -n $(r close failed) ]]; then
    printf "  %-26s FAILED: %s\n" "window" "$(r close failed)"
else
    printf "  %-26s %7s ms from the close to the end of the process (the load's end line %s ms after the close)\n" \
        "window" "$(r close exit_ms)" "$(r close load_end_after_close_ms)"
    pings close
    printf "  %-26s %7s MB peak RSS before the close\n" "" \
        "$(awk -v k="$(r close peak_rss_kb)" 'BEGIN { printf "%.1f", k / 1024 }')"
fi
fi
[[ -n ${KEEP_LOGS:-} ]] && cp "$WORK"/*.log "$WORK"/*.err "$WORK/results" "$KEEP_LOGS/"
exit 0

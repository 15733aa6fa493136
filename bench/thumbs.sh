#!/usr/bin/env bash
# bench/thumbs.sh FOLDER [BUILD_DIR]
#
# Times the browser window's thumbnails of a folder (the thumbs_window program of BUILD_DIR,
# default build/release): the load in high quality against `vipsthumbnail --no-rotate` to the
# same box and against `djpeg -scale 1/8` of every file (the decoding floor), both peers as two
# processes in parallel, each over half the files; the load in low quality in files per second;
# the time until the grid first paints with twenty thumbnails; and the peak memory of a load
# of 1000 files (FOLDER's files linked under 1000 names), with the thumbnail cache empty and
# warm. The thumbnail cache: the first visit with and without writing it, the second visit
# served by it, and a rebuild for another number of thumbnails per row (REBUILD_COLUMNS,
# default 4: larger cells) served by scaling its masters. REPS rounds (default 5) in rotating
# order, each in a fresh home (an empty cache), medians printed; the low quality load
# LOW_REPS times (default 9) in one process, the first of them writing the cache.
# Beside the wall time, which the goals are about, the processor time of every tool: on a
# machine that is busy with other work it compares the tools where the wall time cannot.
# Every file is read once before timing, so all tools start from a warm page cache. The
# window runs offscreen with a private home, so no real settings file is read or written.
# The reference folder: bench/make_corpus.sh DIR 100.
set -euo pipefail

if [[ $# -lt 1 || ! -d $1 ]]; then
    echo "usage: $0 FOLDER [BUILD_DIR]" >&2
    exit 2
fi
SOURCE=$(cd "$1" && pwd)
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${2:-$ROOT/build/release}
PROGRAM=$BUILD/bench/thumbs_window
REPS=${REPS:-5}
LOW_REPS=${LOW_REPS:-9}
REBUILD_COLUMNS=${REBUILD_COLUMNS:-4}
if [[ ! -x $PROGRAM && -f $BUILD/CMakeCache.txt ]]; then
    echo "building thumbs_window in $BUILD..." >&2
    cmake --build "$BUILD" --target thumbs_window >/dev/null || true
fi
[[ -x $PROGRAM ]] || {
    echo "no thumbs_window at $PROGRAM: configure $BUILD with -DTARVIX_BUILD_TESTS=ON and run" >&2
    echo "  cmake --build $BUILD --target thumbs_window" >&2
    exit 1
}
missing=""
for tp in vipsthumbnail:libvips-tools djpeg:libjpeg-turbo-progs; do
    command -v "${tp%%:*}" >/dev/null || missing+=" ${tp%%:*} (apt-get install ${tp#*:})"
done
[[ -z $missing ]] || { echo "missing tools:$missing; tools/bench_deps.sh installs them" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# The window lists the folder itself, without subfolders; the peers get the same files.
mapfile -t FILES < <(find "$SOURCE" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | sort)
N=${#FILES[@]}
[[ $N -gt 0 ]] || { echo "no JPEG files in $SOURCE" >&2; exit 1; }
HALF=$(((N + 1) / 2))
FIRST=("${FILES[@]:0:HALF}")
SECOND=("${FILES[@]:HALF}")
cat "${FILES[@]}" >/dev/null
echo "cpu    $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
echo "files  $N in $SOURCE"
echo "load   $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine disturbs the figures)"

# The window in a home of its own, made afresh for every run so that no run inherits the
# settings the last one saved, nor its thumbnail cache; with KEEP_HOME=1 the last run's home.
unset DISPLAY WAYLAND_DISPLAY
window() {
    local home=$WORK/home
    if [[ -z ${KEEP_HOME:-} ]]; then
        rm -rf "$home"
        mkdir -p "$home/home" "$home/config" "$home/cache" "$home/data" "$home/runtime"
        chmod 700 "$home/runtime"
    fi
    HOME=$home/home XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache XDG_DATA_HOME=$home/data \
        XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=offscreen TARVIX_PORTABLE=0 LC_ALL=C.UTF-8 \
        "$PROGRAM" "$@" 2>>"$WORK/window.log"
}
# One value of the program's "run K files F total_ms T ..." lines (KEY VALUE pairs), one a line.
field() { awk -v k="$1" '$1 == "run" { for (i = 1; i < NF; i += 2) if ($i == k) print $(i + 1) }'; }
# The same of the run named RUN only (a number, or "rebuild").
run_field() { awk -v r="$1" -v k="$2" '$1 == "run" && $2 == r { for (i = 1; i < NF; i += 2) if ($i == k) print $(i + 1) }'; }
fail() { echo "thumbs_window failed: $1" >&2; cat "$WORK/window.log" >&2; exit 1; }

# A first load, untimed, for the cell the window has at its size; the peers make thumbnails
# into the box the window scales to: C - 10 wide for landscape pictures, R - 30 high otherwise.
window "$SOURCE" high 1 --no-cache >"$WORK/first" || fail "first load"
BOX=$(field box <"$WORK/first")
CELL=$(field cell <"$WORK/first")
TARGET=$(field target <"$WORK/first")
[[ $BOX =~ ^[0-9]+x[0-9]+$ ]] || fail "no cell size in its output"
echo "cell   $CELL: box $BOX; the window scales a $(field picture <"$WORK/first") picture to $TARGET"

# Runs one command once and sets WALL and CPU (ms; CPU of all its processes and threads) and
# RC; a failing command is reported, not fatal.
timed() {
    local TIMEFORMAT='%3R %3U %3S' real user sys
    RC=0
    { time "$@" >/dev/null 2>&1 || RC=$?; } 2>"$WORK/time"
    read -r real user sys <"$WORK/time"
    WALL=$(awk -v r="$real" 'BEGIN {print r * 1000}')
    CPU=$(awk -v u="$user" -v s="$sys" 'BEGIN {print (u + s) * 1000}')
}
# One worker thread in each of the two processes, as the window has one per core: more threads
# than cores would only win the peer a larger share of a machine that is busy otherwise.
vips_half() { VIPS_CONCURRENCY=1 vipsthumbnail --no-rotate --size "$BOX" -o "$WORK/vips/%s.jpg" "$@"; }
vips_pair() {
    vips_half "${FIRST[@]}" &
    local a=$!
    if [[ ${#SECOND[@]} -gt 0 ]]; then vips_half "${SECOND[@]}"; fi
    wait "$a"
}
djpeg_all() { for f in "$@"; do djpeg -scale 1/8 -outfile /dev/null "$f" || return 1; done; }
djpeg_pair() {
    djpeg_all "${FIRST[@]}" &
    local a=$!
    djpeg_all "${SECOND[@]}"
    wait "$a"
}

# --- 1. high quality, REPS rounds in rotating order ---
declare -A RUNS
TOOLS=(tarvix nocache vips djpeg)
FAILED=""
for ((r = 0; r < REPS; r++)); do
    for ((k = 0; k < ${#TOOLS[@]}; k++)); do
        t=${TOOLS[(k + r) % ${#TOOLS[@]}]}
        case $t in
            tarvix)
                # The first visit writes the cache, the next two are served by it, and the
                # rebuild for larger cells scales its masters.
                window "$SOURCE" high 3 --rebuild-columns "$REBUILD_COLUMNS" >"$WORK/high.$r" \
                    || fail "high quality load"
                RUNS[tarvix]+="$(run_field 1 total_ms <"$WORK/high.$r") "
                RUNS[tarvix_cpu]+="$(run_field 1 cpu_ms <"$WORK/high.$r") "
                RUNS[high20]+="$(run_field 1 first20_ms <"$WORK/high.$r") "
                RUNS[second]+="$(run_field 2 total_ms <"$WORK/high.$r") $(run_field 3 total_ms <"$WORK/high.$r") "
                RUNS[rebuild]+="$(run_field rebuild total_ms <"$WORK/high.$r") "
                ;;
            nocache)
                window "$SOURCE" high 1 --no-cache >"$WORK/nocache.$r" || fail "high quality load without cache"
                RUNS[nocache]+="$(field total_ms <"$WORK/nocache.$r") "
                RUNS[nocache_cpu]+="$(field cpu_ms <"$WORK/nocache.$r") "
                ;;
            vips)
                rm -rf "$WORK/vips" && mkdir "$WORK/vips"
                timed vips_pair
                RUNS[vips]+="$WALL " RUNS[vips_cpu]+="$CPU "
                [[ $RC -eq 0 ]] || FAILED+=" vipsthumbnail"
                ;;
            djpeg)
                timed djpeg_pair
                RUNS[djpeg]+="$WALL " RUNS[djpeg_cpu]+="$CPU "
                [[ $RC -eq 0 ]] || FAILED+=" djpeg"
                ;;
        esac
    done
done
VIPS_MADE=$(find "$WORK/vips" -type f | wc -l)

# --- 2. low quality, one process ---
window "$SOURCE" low "$LOW_REPS" >"$WORK/low" || fail "low quality load"
RUNS[low]=$(field total_ms <"$WORK/low" | tr '\n' ' ')
RUNS[low20]=$(field first20_ms <"$WORK/low" | tr '\n' ' ')
LOW_FILES=$(field files <"$WORK/low" | head -1)
HIGH_FILES=$(run_field 1 files <"$WORK/high.0")
SECOND_FILES=$(run_field 2 files <"$WORK/high.0")
REBUILD_FILES=$(run_field rebuild files <"$WORK/high.0")
REBUILD_CELL=$(run_field rebuild cell <"$WORK/high.0")
EMBEDDED=$(for f in "${FILES[@]}"; do
    # An embedded thumbnail is a second SOI in the file's head.
    head -c 65536 "$f" | LC_ALL=C grep -obUaP '\xff\xd8\xff' | sed -n 2p || true
done | wc -l)

# --- 3. peak memory of 1000 files: FOLDER's files again and again under new names ---
mkdir "$WORK/thousand"
# Hard links where the folder shares the file system, symbolic ones otherwise.
LINK=hard
ln "${FILES[0]}" "$WORK/thousand/probe.jpg" 2>/dev/null || LINK=symbolic
rm -f "$WORK/thousand/probe.jpg"
for ((k = 0; k < 1000; k++)); do
    f=${FILES[k % N]}
    if [[ $LINK == hard ]]; then
        ln "$f" "$WORK/thousand/$(printf 'N%04d_' "$k")$(basename "$f")"
    else
        ln -s "$f" "$WORK/thousand/$(printf 'N%04d_' "$k")$(basename "$f")"
    fi
done
window "$WORK/thousand" high 1 >"$WORK/big" || fail "1000 file load"
BIG_FILES=$(field files <"$WORK/big")
BIG_MS=$(field total_ms <"$WORK/big")
BIG_RSS=$(awk '$1 == "rss_before_mb" {print $4}' "$WORK/big")
BIG_AFTER=$(field rss_mb <"$WORK/big")
IDLE_RSS=$(awk '$1 == "rss_before_mb" {print $2}' "$WORK/big")
# A new process in the same home: every thumbnail comes from the cache the last one wrote.
KEEP_HOME=1 window "$WORK/thousand" high 1 >"$WORK/warm" || fail "1000 file load, cache warm"
WARM_FILES=$(field files <"$WORK/warm")
WARM_MS=$(field total_ms <"$WORK/warm")
WARM_RSS=$(awk '$1 == "rss_before_mb" {print $4}' "$WORK/warm")
CACHE_MB=$(du -sm "$WORK/home/cache/tarvix" 2>/dev/null | cut -f1)

median() { tr ' ' '\n' <<<"${RUNS[$1]:-}" | awk 'NF && $1 >= 0' | sort -g | awk '{a[NR] = $1} END {print NR ? a[int((NR + 1) / 2)] : -1}'; }
awk -v n="$N" -v reps="$REPS" -v lreps="$LOW_REPS" -v hf="$HIGH_FILES" -v lf="$LOW_FILES" -v emb="$EMBEDDED" \
    -v t="$(median tarvix)" -v v="$(median vips)" -v d="$(median djpeg)" -v tc="$(median tarvix_cpu)" \
    -v vc="$(median vips_cpu)" -v dc="$(median djpeg_cpu)" -v vm="$VIPS_MADE" -v failed="$FAILED" \
    -v h20="$(median high20)" -v low="$(median low)" -v l20="$(median low20)" -v box="$BOX" \
    -v bf="$BIG_FILES" -v bms="$BIG_MS" -v rss="$BIG_RSS" -v after="$BIG_AFTER" -v idle="$IDLE_RSS" \
    -v link="$LINK" -v nc="$(median nocache)" -v ncc="$(median nocache_cpu)" -v second="$(median second)" \
    -v rebuild="$(median rebuild)" -v sf="$SECOND_FILES" -v rbf="$REBUILD_FILES" -v rbcell="$REBUILD_CELL" \
    -v rbcols="$REBUILD_COLUMNS" -v wf="$WARM_FILES" -v wms="$WARM_MS" -v wrss="$WARM_RSS" \
    -v cachemb="${CACHE_MB:--1}" 'BEGIN {
    ok = "met"; no = "NOT met"
    printf "\nhigh quality (median of %d; wall time of the whole folder, and processor time of all threads)\n", reps
    printf "  tarvix load                   %8.1f ms wall, %6.2f ms per file; %8.1f ms cpu, %6.2f per file\n", \
        t, t / n, tc, tc / n
    printf "  vipsthumbnail --size %-9s%8.1f ms wall, %6.2f ms per file; %8.1f ms cpu, %6.2f per file\n", \
        box, v, v / n, vc, vc / n
    printf "  djpeg -scale 1/8 (floor)      %8.1f ms wall, %6.2f ms per file; %8.1f ms cpu, %6.2f per file\n", \
        d, d / n, dc, dc / n
    print "  (each peer as 2 processes over half the files each; tarvix made " hf " thumbnails, vipsthumbnail " vm ")"
    if (failed != "") printf "  FAILED:%s\n", failed
    r = t / v
    printf "  ratio tarvix / vipsthumbnail  %8.2f wall (goal: at most 0.85: %s); %.2f cpu\n", r, (r <= 0.85) ? ok : no, \
        tc / vc
    printf "  ratio tarvix / djpeg          %8.2f wall; %.2f cpu\n", t / d, tc / dc
    printf "\nthumbnail cache (high quality, median of %d; each round starts with an empty cache)\n", reps
    printf "  first visit, writing it       %8.1f ms wall; %8.1f ms cpu\n", t, tc
    w = nc > 0 ? (t / nc - 1) * 100 : 0
    wc = ncc > 0 ? (tc / ncc - 1) * 100 : 0
    printf "  first visit, no cache         %8.1f ms wall; %8.1f ms cpu; writing costs %+.1f %% wall, %+.1f %% cpu\n", \
        nc, ncc, w, wc
    printf "                                  (goal: at most +10 %%: %s)\n", (w <= 10) ? ok : no
    r2 = t > 0 ? second / t : 0
    printf "  second visit, served by it    %8.1f ms, %6.3f ms per file; %.3f x the first (goal: at most 0.1: %s)\n", \
        second, (sf > 0 ? second / sf : 0), r2, (r2 <= 0.1) ? ok : no
    rr = t > 0 ? rebuild / t : 0
    printf "  rebuild, %d per row (cell %s) %6.1f ms; %.3f x the first (goal: at most 0.2: %s)\n", rbcols, rbcell, \
        rebuild, rr, (rr <= 0.2) ? ok : no
    if (sf != hf || rbf != hf) printf "  (thumbnails: %d first, %d second, %d rebuild)\n", hf, sf, rbf
    printf "\nlow quality (median of %d loads in one process; %d of %d files with an embedded thumbnail)\n", \
        lreps, emb, n
    fps = low > 0 ? lf * 1000 / low : 0
    printf "  tarvix load                   %8.1f ms, %6.0f files/s   (goal: at least 2000: %s)\n", low, fps, \
        (fps >= 2000) ? ok : no
    print "\nfirst 20 thumbnails painted (from the start of the load)"
    if (n < 20) print "  fewer than 20 files: not measured"
    else {
        printf "  high quality                  %8.1f ms\n", h20
        printf "  low quality                   %8.1f ms\n", l20
    }
    printf "\npeak memory of a load of 1000 files (high quality, %s links)\n", link
    printf "  peak RSS                      %8.1f MB   (goal: at most 150: %s)\n", rss, (rss <= 150) ? ok : no
    printf "  before the load %.1f MB, after it %.1f MB; the load took %.0f ms for %d thumbnails\n", \
        idle, after, bms, bf
    printf "  peak RSS, cache warm          %8.1f MB   (goal: at most 150: %s)\n", wrss, (wrss <= 150) ? ok : no
    printf "  a new process served %d thumbnails from the cache in %.0f ms; the cache holds %d MB\n", wf, wms, cachemb
}'

#!/usr/bin/env bash
# bench/auto.sh FOLDER [TARVIX]
#
# Times the correction of a whole folder by EXIF orientation: `tarvix -autosub -s` against
# `exiftran -ai` and `jhead -autorot`, each on its own copy of FOLDER. Then times the
# orientation scan alone (tarvix again over its corrected copy, where nothing is left to do)
# against jhead, exiftool and the exiffloor program, REPS times (default 9) in rotating
# order, and prints medians. Last it checks the result: no turned orientation left, and
# pixels equal to `jpegtran -copy all -trim` with the turn the original tag asked for.
# Every copy is read once before timing, so all tools start from a warm page cache.
# The reference folder: bench/make_corpus.sh DIR 100.
set -euo pipefail

if [[ $# -lt 1 || ! -d $1 ]]; then
    echo "usage: $0 FOLDER [TARVIX]" >&2
    exit 2
fi
SOURCE=$(cd "$1" && pwd)
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TARVIX=${2:-$ROOT/build/release/tarvix}
FLOOR_SRC=${FLOOR_SRC:-$ROOT/bench/exiffloor.c}
REPS=${REPS:-9}
[[ -x $TARVIX ]] || { echo "no tarvix at $TARVIX (run ./run.sh once, or pass its path)" >&2; exit 1; }
missing=""
for tp in exiftran:exiftran jhead:jhead exiftool:libimage-exiftool-perl \
          jpegtran:libjpeg-turbo-progs djpeg:libjpeg-turbo-progs; do
    command -v "${tp%%:*}" >/dev/null || missing+=" ${tp%%:*} (apt-get install ${tp#*:})"
done
[[ -z $missing ]] || { echo "missing tools:$missing" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mapfile -t REL < <(cd "$SOURCE" && find . -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | cut -c3- | sort)
N=${#REL[@]}
[[ $N -gt 0 ]] || { echo "no JPEG files in $SOURCE" >&2; exit 1; }
for t in tarvix exiftran jhead; do cp -a "$SOURCE" "$WORK/$t"; done
cat "${REL[@]/#/$WORK/tarvix/}" "${REL[@]/#/$WORK/exiftran/}" "${REL[@]/#/$WORK/jhead/}" >/dev/null
FLOOR=""
if command -v cc >/dev/null && [[ -f $FLOOR_SRC ]] && cc -O2 -o "$WORK/exiffloor" "$FLOOR_SRC" 2>/dev/null; then
    FLOOR=$WORK/exiffloor
fi
echo "cpu    $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
echo "files  $N in $SOURCE"

# Tarvix in its terminal mode, as a script on a server runs it. Every tool is started
# directly, with its file names as arguments, and timed without forking a clock.
unset DISPLAY WAYLAND_DISPLAY
files() { printf '%s\n' "${REL[@]/#/$WORK/$1/}"; }
mapfile -t AT_TARVIX < <(files tarvix)
mapfile -t AT_EXIFTRAN < <(files exiftran)
mapfile -t AT_JHEAD < <(files jhead)
# Runs one tool once and sets EL (ns) and RC; a failing tool is reported, not fatal.
timed() {
    local start=${EPOCHREALTIME/./}
    if "$@" >/dev/null 2>&1; then RC=0; else RC=$?; fi
    EL=$(( (${EPOCHREALTIME/./} - start) * 1000 ))
}
run_tool() {
    case $1 in
        tarvix | scan_tarvix) "$TARVIX" -autosub -s "$WORK/tarvix" ;;
        exiftran)      exiftran -ai "${AT_EXIFTRAN[@]}" ;;
        jhead)         jhead -autorot "${AT_JHEAD[@]}" ;;
        scan_jhead)    jhead "${AT_TARVIX[@]}" ;;
        scan_exiftool) exiftool -fast2 -n -Orientation -r "$WORK/tarvix" ;;
        scan_floor)    "$FLOOR" orient "${AT_TARVIX[@]}" ;;
    esac
}
# "orientation<TAB>relative path" for every file of a copy, sorted by path (0: no tag).
orients() {
    if [[ -n $FLOOR ]]; then
        files "$1" | xargs -d '\n' "$FLOOR" orient || true
    else
        files "$1" | xargs -d '\n' exiftool -q -T -n -Orientation -FilePath | sed 's/^-\t/0\t/' || true
    fi | sed "s|\t$WORK/$1/|\t|" | sort -t$'\t' -k2
}
# "md5 of the decoded pixels<TAB>WIDTH HEIGHT<TAB>relative path" for files of a copy.
pixels() {
    local dir=$1; shift
    # shellcheck disable=SC2016  # expanded by the worker shell
    (cd "$WORK/$dir" && printf '%s\0' "$@" | xargs -0 -n 4 -P "$(nproc)" sh -c 'for f; do
        djpeg "$f" 2>/dev/null | { IFS= read -r m; IFS= read -r d; IFS= read -r x
            printf "%s\t%s\t%s\n" "$(md5sum | cut -c1-32)" "$d" "$f"; }; done' _) | sort -t$'\t' -k3
}

# --- 1. whole correction, one run per tool (the copies change) ---
orients tarvix >"$WORK/before"
declare -A FIX
for t in tarvix exiftran jhead; do
    sync; timed run_tool "$t"; FIX[$t]=$EL
    if [[ $t == tarvix ]]; then FIX_RC=$RC; fi
done

# --- 2. orientation scan alone, over the corrected tarvix copy ---
SCAN=(scan_tarvix scan_jhead scan_exiftool)
if [[ -n $FLOOR ]]; then SCAN+=(scan_floor); fi
sync
cat "${REL[@]/#/$WORK/tarvix/}" >/dev/null
declare -A RUNS
SCAN_RC=0
for ((r = 0; r < REPS; r++)); do
    for ((k = 0; k < ${#SCAN[@]}; k++)); do
        t=${SCAN[(k + r) % ${#SCAN[@]}]}
        timed run_tool "$t"; RUNS[$t]+="$EL "
        if [[ $t == scan_tarvix && $RC -ne 0 ]]; then SCAN_RC=$RC; fi
    done
done
median() { tr ' ' '\n' <<<"${RUNS[$1]:-}" | awk NF | sort -n | awk '{a[NR] = $1} END {print NR ? a[int((NR + 1) / 2)] : 0}'; }

# --- 3. correctness: tags left, files left alone, pixels against jpegtran -trim ---
orients tarvix >"$WORK/after"
left=$(awk -F'\t' '$1 == 3 || $1 == 6 || $1 == 8' "$WORK/after" | wc -l)
awk -F'\t' '$1 == 3 {r = 180} $1 == 6 {r = 90} $1 == 8 {r = 270} r {print r "\t" $2; r = 0}' "$WORK/before" >"$WORK/turns"
mapfile -t TURNED < <(cut -f2 "$WORK/turns")
kept=0 others=0
while IFS=$'\t' read -r o f; do
    case $o in 3 | 6 | 8) continue ;; esac
    others=$((others + 1)); if cmp -s "$SOURCE/$f" "$WORK/tarvix/$f"; then kept=$((kept + 1)); fi
done <"$WORK/before"
# shellcheck disable=SC2016  # expanded by the worker shell
(cd "$SOURCE" && tr '\t\n' '\0\0' <"$WORK/turns" | REF=$WORK/ref xargs -0 -r -n 2 -P "$(nproc)" sh -c \
    'mkdir -p "$REF/$(dirname "$2")" && jpegtran -copy all -trim -rotate "$1" "$2" >"$REF/$2"' _) || true
for d in tarvix exiftran ref; do
    if [[ ${#TURNED[@]} -gt 0 ]]; then pixels "$d" "${TURNED[@]}"; fi >"$WORK/px_$d"
done
# file, md5 and size on one side, md5 and size on the other
pair() { join -t$'\t' -1 3 -2 3 "$WORK/px_tarvix" "$WORK/px_$1"; }
same_ref=$(pair ref | awk -F'\t' '$2 == $4' | wc -l)
same_ex=$(pair exiftran | awk -F'\t' '$2 == $4' | wc -l)
resized_ex=$(pair exiftran | awk -F'\t' '$2 != $4 && $3 != $5' | wc -l)

awk -v n="$N" -v a="${FIX[tarvix]}" -v b="${FIX[exiftran]}" -v c="${FIX[jhead]}" -v arc="$FIX_RC" \
    -v st="$(median scan_tarvix)" -v sj="$(median scan_jhead)" -v se="$(median scan_exiftool)" \
    -v sf="$(median scan_floor)" -v src="$SCAN_RC" -v reps="$REPS" -v left="$left" -v kept="$kept" \
    -v others="$others" -v turned="${#TURNED[@]}" -v sr="$same_ref" -v sx="$same_ex" -v rx="$resized_ex" 'BEGIN {
    ms = 1e6
    print "\nwhole correction (one run each)"
    printf "  tarvix -autosub -s          %8.1f ms total, %6.2f ms per file%s\n", a / ms, a / ms / n, arc ? sprintf("   (FAILED: exit %d)", arc) : ""
    printf "  exiftran -ai                %8.1f ms total, %6.2f ms per file\n", b / ms, b / ms / n
    printf "  jhead -autorot              %8.1f ms total, %6.2f ms per file\n", c / ms, c / ms / n
    if (arc) print "  ratios                      n/a (tarvix failed)"
    else printf "  ratio tarvix / exiftran     %8.2f   (goal: at most 0.55 on 2 cores)\n  ratio tarvix / jhead        %8.2f\n", a / b, a / c
    printf "\norientation scan (median of %d, over the corrected folder)\n", reps
    printf "  tarvix -autosub -s          %8.3f ms per file%s\n", st / ms / n, src ? sprintf("   (FAILED: exit %d)", src) : ""
    printf "  jhead                       %8.3f ms per file\n", sj / ms / n
    printf "  exiftool -fast2             %8.3f ms per file\n", se / ms / n
    if (sf) printf "  exiffloor orient (floor)    %8.3f ms per file\n", sf / ms / n
    else print "  exiffloor orient (floor)         n/a (no cc or no exiffloor.c)"
    if (src) print "  ratios                      n/a (tarvix failed)"
    else {
        printf "  ratio tarvix / jhead        %8.2f   (goal: at most 1.00)\n", st / sj
        printf "  ratio tarvix / exiftool     %8.2f\n", st / se
        if (sf) printf "  ratio tarvix / floor        %8.2f\n", st / sf
    }
    print "\ncorrectness of the tarvix copy"
    printf "  still orientation 3, 6 or 8           %d   (goal: 0)\n", left
    printf "  other files left byte for byte        %d of %d\n", kept, others
    printf "  turned files equal to jpegtran -trim  %d of %d\n", sr, turned
    printf "  turned files equal to exiftran -ai    %d identical, %d differing (%d of them in size:\n", sx, turned - sx, rx
    print  "                                        tarvix trims partial edge blocks, exiftran keeps them)"
}'

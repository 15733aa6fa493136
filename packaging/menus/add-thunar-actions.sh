#!/bin/sh
# Adds Tarvix's commands to the user's Thunar custom actions (~/.config/Thunar/uca.xml),
# or with --remove takes them out again. The user's other actions stay exactly as they
# are: only the entries whose unique id begins with "tarvix-" are replaced. Thunar reads
# the file when it starts (thunar -q ends a running one).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
actions="$here/tarvix-actions.xml"
config="${XDG_CONFIG_HOME:-$HOME/.config}/Thunar"
uca="$config/uca.xml"

case "${1:-}" in
--remove) remove=1 ;;
"") remove=0 ;;
*)
    echo "usage: $0 [--remove]" >&2
    exit 2
    ;;
esac

[ -f "$actions" ] || {
    echo "$0: $actions is missing" >&2
    exit 1
}

# An installed program outside the PATH: the actions name it by its full path.
program=$(cd "$here/../../../bin" 2>/dev/null && pwd)/tarvix
ours() {
    if [ -x "$program" ] && [ "$(command -v tarvix 2>/dev/null || true)" != "$program" ] \
        && printf '%s' "$program" | grep -qx '[A-Za-z0-9/._+-]*'; then
        sed "s|; do tarvix |; do $program |"
    else
        cat
    fi
}

if [ ! -f "$uca" ]; then
    [ "$remove" = 1 ] && exit 0
    mkdir -p "$config"
    ours <"$actions" >"$uca.tarvix-new"
    mv "$uca.tarvix-new" "$uca"
    echo "Wrote $uca"
    exit 0
fi

if ! grep -q '^[[:space:]]*</actions>[[:space:]]*$' "$uca"; then
    echo "$0: $uca does not end its actions on a line of its own; it stays as it is." >&2
    echo "Copy the entries of $actions into it by hand." >&2
    exit 1
fi

# Each <action> ... </action> block that holds a unique id "tarvix-..." is left out; ours
# go before the closing </actions>.
new="$uca.tarvix-new"
trap 'rm -f "$new"' EXIT
ours <"$actions" | awk -v remove="$remove" '
    FNR == NR {
        if ($0 ~ /<action[ >]/) inside = 1
        if (inside) block = block $0 "\n"
        if ($0 ~ /<\/action>/) inside = 0
        next
    }
    /^[[:space:]]*<\/actions>[[:space:]]*$/ {
        if (held && !mine) printf "%s", kept
        held = 0
        if (remove != 1) printf "%s", block
        print
        next
    }
    !held && /<action[ >]/ { held = 1; mine = 0; kept = "" }
    held {
        kept = kept $0 "\n"
        if ($0 ~ /<unique-id>tarvix-/) mine = 1
        if ($0 ~ /<\/action>/) {
            if (!mine) printf "%s", kept
            held = 0
        }
        next
    }
    { print }
' - "$uca" >"$new"
# The mode stays; the new file is made beside the old one and replaces it in one rename.
chmod "$(stat -c %a "$uca")" "$new"
mv "$new" "$uca"
trap - EXIT
if [ "$remove" = 1 ]; then
    echo "Removed Tarvix's actions from $uca"
else
    echo "Added Tarvix's actions to $uca"
fi

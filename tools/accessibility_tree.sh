#!/usr/bin/env bash
# tools/accessibility_tree.sh FOLDER
#
# What a screen reader sees: starts the window under a private X server with its own D-Bus
# session and AT-SPI bus, opens FOLDER with the recent-folder button and prints the window's
# accessibility tree (roles and names; for the thumbnail grid its rows, columns and the names
# of a few cells). For reviewers; not part of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
FOLDER=$(realpath "${1:?usage: $0 FOLDER}")
. tools/deps.sh
ensure_packages $BUILD_PACKAGES xvfb xdotool dbus-x11 at-spi2-core python3-pyatspi
cmake --preset release >/dev/null
cmake --build build/release --target tarvix tarvix_lang >/dev/null

WORK=$(mktemp -d)
mkdir -p "$WORK/home/.config/Dovrane" "$WORK/runtime"
chmod 700 "$WORK/runtime"
printf '[Main]\nWinTop=0\nWinLeft=0\nLastFolder=%s\n' "$FOLDER" >"$WORK/home/.config/Dovrane/Tarvix.ini"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
XVFB=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$WORK/display")"
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_RUNTIME_DIR="$WORK/runtime"
eval "$(dbus-launch --sh-syntax)"
trap 'kill "${APP:-}" "$XVFB" "$DBUS_SESSION_BUS_PID" 2>/dev/null || true; rm -rf "$WORK"' EXIT
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
sleep 1
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb build/release/tarvix >/dev/null 2>&1 &
APP=$!
window=$(xdotool search --sync --onlyvisible --name '^Tarvix$' | head -n 1)
sleep 0.5
xdotool mousemove --window "$window" 16 "${RECENT_Y:-73}" click 1
sleep "${SETTLE:-2}"
/usr/bin/python3 "$ROOT/tools/accessibility_tree.py"

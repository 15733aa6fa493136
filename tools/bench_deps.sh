#!/usr/bin/env bash
# Installs what the benchmarks need beside the build: the corpus generator's tools, the peers
# the scripts measure against, and for bench/window.sh a private X server, xdotool to press
# the window's keys and python3-xlib for the pinger that times the window's answers.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
ensure_packages $BUILD_PACKAGES libvips-tools libimage-exiftool-perl imagemagick libjpeg-turbo-progs exiftran jhead \
    xvfb xdotool python3-xlib

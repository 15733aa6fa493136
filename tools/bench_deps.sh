#!/usr/bin/env bash
# Installs what the benchmarks need beside the build: the corpus generator's tools and the
# peers the scripts measure against.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
ensure_packages $BUILD_PACKAGES libvips-tools libimage-exiftool-perl imagemagick libjpeg-turbo-progs exiftran jhead

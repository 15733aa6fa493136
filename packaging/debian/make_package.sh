#!/bin/sh
# packaging/debian/make_package.sh BUILD_FOLDER OUT_FOLDER
#
# CPack's Debian package of a built tree, written to OUT_FOLDER (tools/package.sh's last step,
# also run by the tests of the installed program).
#
# CPack's archive writer reads every file name in the character set of the locale: in the C
# locale of a fresh machine without LANG it cannot even find "Español.lng" ("Can't lstat").
# The names are UTF-8 whatever the caller's locale, and C.UTF-8 is on every Debian system.
set -eu
[ $# -eq 2 ] || { echo "usage: $0 BUILD_FOLDER OUT_FOLDER" >&2; exit 2; }
build=$1
out=$(realpath -m "$2")
mkdir -p "$out"
cd "$build"
LC_ALL=C.UTF-8 exec cpack -G DEB -B "$out"

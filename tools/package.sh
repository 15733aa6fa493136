#!/usr/bin/env bash
# tools/package.sh [OUT_FOLDER]
#
# Builds the Debian package tarvix_VERSION_amd64.deb: installs what is missing (as run.sh
# does), builds a release for /usr with Debian's hardening flags in build/package, makes
# the package with CPack (its Depends from dpkg-shlibdeps) and checks it with lintian.
# The package lands in OUT_FOLDER (default: build/).
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=$(realpath -m "${1:-build}")
. tools/deps.sh
# dpkg-dev: dpkg-shlibdeps and dpkg-buildflags; file: how CPack finds the binaries.
ensure_packages $BUILD_PACKAGES dpkg-dev file lintian

BUILD=build/package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $CPPFLAGS" \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $CPPFLAGS" \
    -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" -DCMAKE_MODULE_LINKER_FLAGS="$LDFLAGS" \
    -DTARVIX_BUILD_TESTS=OFF -DTARVIX_WERROR="${TARVIX_WERROR:-OFF}" >/dev/null
cmake --build "$BUILD"
rm -f "$BUILD"/tarvix_*.deb
packaging/debian/make_package.sh "$BUILD" "$BUILD" >/dev/null

mkdir -p "$OUT"
deb=$(ls "$BUILD"/tarvix_*_amd64.deb)
cp "$deb" "$OUT/"
deb="$OUT/$(basename "$deb")"
echo "== $deb"
dpkg-deb --field "$deb"

echo "== lintian"
# Lintian ends with a failure for errors; its warnings and notes are printed for the reader.
lintian --display-info --pedantic --tag-display-limit 0 "$deb" || {
    echo "lintian found errors in $deb" >&2
    exit 1
}
echo "== $deb: lintian found no errors"

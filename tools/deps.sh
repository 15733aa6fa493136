# Sourced by run.sh and test.sh: the Debian packages Tarvix needs, installed when missing.

# libqt6svg6: the toolbar's SVG pictures; qt6-translations-l10n: the Yes/No/Cancel of message boxes
# and the folder dialog in the language chosen; cmark-gfm: the user manual from the README, whose
# tables are GitHub's kind (a small C program, GitHub's own reading of Markdown).
BUILD_PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev libturbojpeg0-dev libjpeg-dev libqt6svg6 qt6-translations-l10n cmark-gfm"
# GoogleTest; jpegtran as the oracle of the transform; clang with its sanitizer and fuzzer
# runtimes; clang-format for the format check; the validators of the desktop entry and the
# AppStream metadata and Python for the tests of the installed program; dpkg-dev (dpkg-shlibdeps)
# and file for the Debian package they make; Xvfb, a private X server for the tests that a
# display that answers is taken as one.
TEST_PACKAGES="libgtest-dev libjpeg-turbo-progs clang libclang-rt-14-dev clang-format desktop-file-utils appstream python3 dpkg-dev file xvfb"

ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

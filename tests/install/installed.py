"""What the tests of an installed Tarvix share: the temporary prefix that
run_install_tests.py installed into, a clean environment for the installed program, and
photos to turn."""

import os
import shlex
import struct
import subprocess
import tempfile

PREFIX = os.environ.get("TARVIX_TEST_PREFIX", "")
LIBDIR = os.environ.get("TARVIX_TEST_LIBDIR", "lib")
SOURCE = os.environ.get("TARVIX_TEST_SOURCE", "")
BUILD = os.environ.get("TARVIX_TEST_BUILD", "")
LANGUAGES = sorted(name[:-4] for name in os.listdir(os.path.join(SOURCE, "lang")) if name.endswith(".lng"))
JPEGTRAN = {"-r": ["-rotate", "90"], "-l": ["-rotate", "270"], "-u": ["-rotate", "180"],
            "-h": ["-flip", "horizontal"], "-v": ["-flip", "vertical"]}


def installed(*parts):
    return os.path.join(PREFIX, *parts)


def environment(home, language_file=None):
    """No display, a private home and settings, the installed program first on the PATH."""
    hidden = ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME")
    env = {k: v for k, v in os.environ.items() if k not in hidden}
    runtime = os.path.join(home, ".runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env.update(HOME=home, XDG_RUNTIME_DIR=runtime, LC_ALL="C.UTF-8",
               PATH=installed("bin") + os.pathsep + env.get("PATH", "/usr/bin:/bin"))
    if language_file:
        os.makedirs(os.path.join(home, ".config", "Dovrane"), exist_ok=True)
        with open(os.path.join(home, ".config", "Dovrane", "Tarvix.ini"), "w", encoding="utf-8") as settings:
            settings.write("[Main]\nLanguage=%s\n" % language_file)
    return env


def unused_x_display():
    """An X display that no server here serves, as an ended session leaves DISPLAY behind."""
    try:
        with open("/proc/net/unix", encoding="utf-8", errors="replace") as table:
            listening = table.read()
    except OSError:
        listening = ""
    for number in range(97, 10, -1):
        socket = "/tmp/.X11-unix/X%d" % number
        if not os.path.exists(socket) and not os.path.exists("/tmp/.X%d-lock" % number) \
                and socket + "\n" not in listening:
            return ":%d" % number
    return ":97"


def c_locale(env):
    """`env` as on a fresh machine: no LANG, no LANGUAGE, no LC_* but LC_ALL=C."""
    env = {k: v for k, v in env.items() if not k.startswith("LC_") and k not in ("LANG", "LANGUAGE")}
    env["LC_ALL"] = "C"
    return env


def cache_value(name, build=None):
    """A variable of the build's CMake cache, "" when it is not there."""
    with open(os.path.join(build or BUILD, "CMakeCache.txt"), encoding="utf-8") as cache:
        for line in cache:
            key, _, value = line.rstrip("\n").partition("=")
            if key.split(":")[0] == name:
                return value
    return ""


def run(argv, env, **kwargs):
    return subprocess.run(argv, env=env, stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=60,
                          **kwargs)


def temp_home():
    return tempfile.TemporaryDirectory(prefix="tarvix-install-test-")


def make_photo(path, width=64, height=48, orientation=None):
    """A photo made by cjpeg, with an EXIF block holding only the orientation if one is given."""
    ppm = b"P6\n%d %d\n255\n" % (width, height) + bytes((x * 4 + y) & 255 for y in range(height)
                                                           for x in range(width) for _ in range(3))
    jpeg = subprocess.run(["cjpeg", "-quality", "90"], input=ppm, capture_output=True, check=True).stdout
    if orientation is not None:
        tiff = b"II*\x00" + struct.pack("<IHHHIHHI", 8, 1, 0x0112, 3, 1, orientation, 0, 0)
        jpeg = jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(tiff) + 8) + b"Exif\x00\x00" + tiff + jpeg[2:]
    with open(path, "wb") as out:
        out.write(jpeg)
    return path


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def pixels(path):
    return subprocess.run(["djpeg", "-ppm", path], capture_output=True, check=True).stdout


def expected_pixels(original, switch):
    """The pixels of `original` after the transform of `switch`, by jpegtran."""
    turned = subprocess.run(["jpegtran", "-trim"] + JPEGTRAN[switch] + [original], capture_output=True,
                            check=True).stdout
    return subprocess.run(["djpeg", "-ppm"], input=turned, capture_output=True, check=True).stdout


def with_paths(command_line, paths):
    """A command line whose %F the file manager replaced by the quoted paths."""
    return command_line.replace("%F", " ".join(shlex.quote(p) for p in paths))


def split_command_line(line):
    """The arguments of an Exec line as GLib and KDE split it. Python's shlex and a POSIX
    shell stand in for their splitters and must agree: a line that only one of them splits
    as intended would work in some file managers and not in others."""
    by_shlex = shlex.split(line)
    by_shell = subprocess.run(["sh", "-c", 'eval "set -- $1"; printf "%s\\0" "$@"', "sh", line], capture_output=True,
                              check=True).stdout.decode().split("\0")[:-1]
    assert by_shlex == by_shell, (by_shlex, by_shell)
    return by_shlex

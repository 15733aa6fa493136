#!/usr/bin/env python3
"""Installs the build into a temporary prefix (cmake --install --prefix) and runs the
tests of the installed program in this folder (test_*.py) against it.

    run_install_tests.py BUILD_FOLDER SOURCE_FOLDER LIBDIR [unittest arguments]
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest


def main():
    if len(sys.argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    build, source, libdir = sys.argv[1:4]
    prefix = tempfile.mkdtemp(prefix="tarvix-prefix-")
    try:
        os.environ["TARVIX_TEST_PREFIX"] = prefix
        os.environ["TARVIX_TEST_BUILD"] = os.path.abspath(build)
        os.environ["TARVIX_TEST_SOURCE"] = os.path.abspath(source)
        os.environ["TARVIX_TEST_LIBDIR"] = libdir
        here = os.path.dirname(os.path.abspath(__file__))
        sys.path.insert(0, here)
        from installed import c_locale  # reads the variables above
        # As on a fresh machine without LANG: the language files' names are not ASCII.
        subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL,
                       env=c_locale(os.environ))
        suite = unittest.defaultTestLoader.discover(here, pattern="test_*.py", top_level_dir=here)
        result = unittest.TextTestRunner(verbosity=2).run(suite)
        return 0 if result.wasSuccessful() else 1
    finally:
        shutil.rmtree(prefix, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

"""The installed launcher: --help and --version, the one-parameter rule, a turn from the
installed layout, and the installed language files."""

import os
import shutil
import unittest

from installed import (environment, expected_pixels, installed, make_photo, pixels, read_bytes, run, temp_home,
                       unused_x_display)
from test_installed_tree import project_version

USAGE = "Invalid command line parameters (should be tarvix.exe -[r|l|u|v|h] [-s] filename)\n"


class Launcher(unittest.TestCase):
    def setUp(self):
        self.home = temp_home()
        self.folder = self.home.name
        self.env = environment(self.folder)
        self.tarvix = installed("bin/tarvix")

    def tearDown(self):
        self.home.cleanup()

    def test_help_and_version_go_to_standard_output(self):
        for env in (self.env, dict(self.env, DISPLAY=":99")):  # no window, no module either way
            version = run([self.tarvix, "--version"], env)
            self.assertEqual((version.returncode, version.stdout, version.stderr),
                             (0, "Tarvix %s\n" % project_version(), ""))
            usage = run([self.tarvix, "--help"], env)
            self.assertEqual((usage.returncode, usage.stderr), (0, ""))
            self.assertTrue(usage.stdout.startswith("Usage: tarvix\n"), usage.stdout)
            for switch in ("-r", "-l", "-u", "-v", "-h", "-s", "-auto", "-autosub", "--help", "--version"):
                self.assertIn("\n  %s " % switch, usage.stdout)

    def test_every_other_single_parameter_is_still_the_usage_error(self):
        photo = make_photo(os.path.join(self.folder, "a.jpg"))
        before = read_bytes(photo)
        for arguments in (["--HELP"], ["-help"], ["--help="], ["--version", photo], ["--help", "-s", photo],
                          ["-r"], ["-s"], [photo], ["-version"], ["--"]):
            result = run([self.tarvix] + arguments, self.env)
            self.assertEqual((result.returncode, result.stdout, result.stderr), (1, "", USAGE), arguments)
        self.assertEqual(read_bytes(photo), before)

    def test_turns_a_photo_and_speaks_the_language_of_an_installed_file(self):
        photo = make_photo(os.path.join(self.folder, "photo.jpg"), 64, 48)
        original = shutil.copy(photo, os.path.join(self.folder, "original.jpg"))
        result = run([self.tarvix, "-r", "-s", "photo.jpg"], self.env, cwd=self.folder)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertEqual(pixels(photo), expected_pixels(original, "-r"))
        # With a display the window module does the work (here on Qt's offscreen platform).
        result = run([self.tarvix, "-l", "-s", photo], dict(self.env, DISPLAY=":99", QT_QPA_PLATFORM="offscreen"))
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertEqual(pixels(photo), pixels(original))

        env = environment(self.folder, language_file=installed("share/tarvix/lang/Deutsch.lng"))
        gone = os.path.join(self.folder, "gone.jpg")
        result = run([self.tarvix, "-r", gone], env)
        self.assertEqual((result.returncode, result.stderr), (
            1, "„%s“ kann nicht geöffnet werden. Die Datei wurde verschoben oder gelöscht.\n" % gone))

    def test_a_stale_display_turns_on_the_terminal_and_the_window_says_why_it_cannot_open(self):
        display = unused_x_display()
        stale = dict(self.env, DISPLAY=display, WAYLAND_DISPLAY="wayland-gone")
        photo = make_photo(os.path.join(self.folder, "photo.jpg"), 64, 48)
        original = shutil.copy(photo, os.path.join(self.folder, "original.jpg"))
        for arguments in (["-r", "-s", "photo.jpg"], ["-l", "photo.jpg"], ["-r", "photo.jpg"]):
            result = run([self.tarvix] + arguments, stale, cwd=self.folder)
            self.assertEqual((result.returncode, result.stderr), (0, ""), arguments)
        self.assertEqual(pixels(photo), expected_pixels(original, "-r"))
        result = run([self.tarvix], stale)
        self.assertEqual((result.returncode, result.stderr), (
            1, "Cannot open the display %s, wayland-gone: the window needs a desktop session.\n" % display))

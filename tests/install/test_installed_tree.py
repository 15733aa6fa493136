"""Every file of an installation in its freedesktop place, and valid where a validator exists."""

import configparser
import gzip
import os
import shutil
import struct
import subprocess
import unittest

from installed import LANGUAGES, LIBDIR, PREFIX, SOURCE, cache_value, installed, run, temp_home

ICON_SIZES = (16, 32, 48, 64, 128, 256)
COMMANDS = ("rotate-left", "rotate-right", "rotate-180", "flip-horizontal", "flip-vertical", "correct",
            "correct-subfolders")


def project_version():
    with open(os.path.join(SOURCE, "CMakeLists.txt"), encoding="utf-8") as cmake:
        return next(line for line in cmake if line.startswith("project(")).split("VERSION")[1].split()[0]


class InstalledTree(unittest.TestCase):
    def test_every_file_is_in_its_place_and_nothing_else(self):
        share = ["applications/tarvix.desktop", "icons/hicolor/scalable/apps/tarvix.svg",
                 "metainfo/org.example.tarvix.metainfo.xml", "man/man1/tarvix.1.gz", "bash-completion/completions/tarvix",
                 "kio/servicemenus/tarvix-jpeg.desktop", "kio/servicemenus/tarvix-folder.desktop",
                 "nautilus-python/extensions/tarvix.py", "tarvix/thunar/tarvix-actions.xml",
                 "tarvix/thunar/add-thunar-actions", "doc/tarvix/copyright", "doc/tarvix/changelog.gz",
                 "doc/tarvix/manual.html", "doc/tarvix/window.png"]
        share += ["icons/hicolor/%dx%d/apps/tarvix.png" % (s, s) for s in ICON_SIZES]
        share += ["nemo/actions/tarvix-%s.nemo_action" % c for c in COMMANDS]
        share += ["tarvix/lang/%s.lng" % language for language in LANGUAGES]
        expected = {"bin/tarvix", LIBDIR + "/tarvix/tarvix_core.so", LIBDIR + "/tarvix/tarvix_window.so"}
        expected.update("share/" + path for path in share)
        found = {os.path.relpath(os.path.join(folder, f), PREFIX) for folder, _, files in os.walk(PREFIX) for f in files}
        self.assertEqual(sorted(expected - found), [], "missing")
        self.assertEqual(sorted(found - expected), [], "installed but not checked")
        for path, executable in (("bin/tarvix", True), ("share/tarvix/thunar/add-thunar-actions", True),
                                 (LIBDIR + "/tarvix/tarvix_core.so", False), ("share/tarvix/lang/English.lng", False)):
            self.assertEqual(os.access(installed(path), os.X_OK), executable, path)
        for size in ICON_SIZES:
            with open(installed("share/icons/hicolor/%dx%d/apps/tarvix.png" % (size, size)), "rb") as png:
                head = png.read(24)
            self.assertEqual((head[:8], struct.unpack(">II", head[16:24])), (b"\x89PNG\r\n\x1a\n", (size, size)))

    def test_desktop_entry_and_metadata_pass_their_validators(self):
        for tool in ("desktop-file-validate", "appstreamcli"):
            self.assertIsNotNone(shutil.which(tool), tool + " is missing (./test.sh installs it)")
        desktop = installed("share/applications/tarvix.desktop")
        result = run(["desktop-file-validate", desktop], os.environ)
        self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""))
        metainfo = installed("share/metainfo/org.example.tarvix.metainfo.xml")
        for check in (["validate", "--no-net", "--pedantic", metainfo], ["validate-tree", "--no-net", PREFIX]):
            result = run(["appstreamcli"] + check, os.environ)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        entry = configparser.ConfigParser(interpolation=None)
        entry.read(desktop, encoding="utf-8")
        self.assertEqual(entry["Desktop Entry"]["Categories"].split(";")[:2], ["Graphics", "Photography"])
        self.assertEqual((entry["Desktop Entry"]["Exec"], entry["Desktop Entry"]["Icon"]), ("tarvix", "tarvix"))
        with open(metainfo, encoding="utf-8") as xml:
            text = xml.read()
        self.assertIn('<release version="%s"' % project_version(), text)
        # No address without a home page (test_manual.py configures one).
        home_page = cache_value("TARVIX_HOME_PAGE")
        if home_page:
            self.assertIn('<url type="homepage">%s</url>' % home_page, text)
        else:
            self.assertNotIn("<url", text)
            self.assertNotIn("<screenshot", text)
            self.assertNotIn("example.org", text)

    def test_man_page_and_debian_documents(self):
        with gzip.open(installed("share/man/man1/tarvix.1.gz"), "rt", encoding="utf-8") as page:
            roff = page.read()
        self.assertIn("Tarvix %s" % project_version(), roff.splitlines()[0])
        for switch in ("r", "l", "u", "v", "h", "s", "auto", "autosub", "\\-help", "\\-version"):
            self.assertIn(".B \\-%s\n" % switch, roff)
        for section in ("SYNOPSIS", "OPTIONS", "EXIT STATUS", "FILES", "EXAMPLES"):
            self.assertIn(".SH %s\n" % section, roff)
        if shutil.which("man"):
            result = run(["man", "--warnings", "-l", installed("share/man/man1/tarvix.1.gz")],
                         dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8"))
            self.assertEqual((result.returncode, result.stderr), (0, ""))
        with open(installed("share/doc/tarvix/copyright"), encoding="utf-8") as copyright:
            self.assertIn("License: GPL-3.0-or-later", copyright.read())
        with gzip.open(installed("share/doc/tarvix/changelog.gz"), "rt", encoding="utf-8") as changelog:
            self.assertTrue(changelog.readline().startswith("tarvix (%s) " % project_version()))

    def test_bash_completion_offers_switches_then_paths_of_the_right_kind(self):
        with temp_home() as folder:
            os.mkdir(os.path.join(folder, "album"))
            for name in ("a.jpg", "b.JPEG", "c.png"):
                open(os.path.join(folder, name), "w").close()

            def complete(*words):
                script = ". '%s'; COMP_WORDS=(tarvix %s); COMP_CWORD=%d; _tarvix; printf '%%s\\n' \"${COMPREPLY[@]}\"" % (
                    installed("share/bash-completion/completions/tarvix"), " ".join("'%s'" % w for w in words),
                    len(words))
                out = subprocess.run(["bash", "-c", script], cwd=folder, capture_output=True, text=True, check=True)
                return sorted(filter(None, out.stdout.splitlines()))

            self.assertEqual(complete("-a"), ["-auto", "-autosub"])
            self.assertEqual(len(complete("")), 10)
            self.assertEqual(complete("-r", ""), ["a.jpg", "album", "b.JPEG"])
            self.assertEqual(complete("-r", "-"), ["-s"])
            self.assertEqual(complete("-auto", ""), ["album"])
            self.assertEqual(complete("-s", "-r"), ["-r"])
            self.assertEqual(complete("-S", "-autosub", ""), ["album"])
            self.assertEqual(complete("/r", "-s", ""), ["a.jpg", "album", "b.JPEG"])
            self.assertEqual(complete("-r", "a.jpg", ""), [])  # the path came second: nothing follows
            self.assertEqual(complete("--help", ""), [])

"""The user manual: one standalone HTML page of the README's sections for users, installed with
its picture beside the package's documents; and the home page, which only a build that names one
(TARVIX_HOME_PAGE) puts into the metadata, the package and the program."""

import html.parser
import json
import os
import re
import subprocess
import tempfile
import unittest

from installed import BUILD, SOURCE, installed, read_bytes, run
from test_installed_tree import project_version

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source", "track", "wbr"}
USER_SECTIONS = ["Install", "The window", "Command line", "Settings", "Language files"]


class Page(html.parser.HTMLParser):
    """The elements, headings and text of a page, and every element closed out of turn."""

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.doctype, self.open, self.misnested = None, [], []
        self.elements, self.headings, self.text = [], [], []
        self._heading = None
        self.feed(text)
        self.close()

    def handle_decl(self, decl):
        self.doctype = decl

    def handle_starttag(self, tag, attrs):
        self.elements.append((tag, dict(attrs)))
        if tag in VOID:
            return
        self.open.append(tag)
        if tag in ("h1", "h2", "h3"):
            self._heading = (tag, dict(attrs).get("id"), [])

    def handle_startendtag(self, tag, attrs):
        self.elements.append((tag, dict(attrs)))

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.open or self.open[-1] != tag:
            self.misnested.append("</%s> in <%s>" % (tag, self.open[-1] if self.open else ""))
            return
        self.open.pop()
        if self._heading and self._heading[0] == tag:
            self.headings.append((tag, self._heading[1], "".join(self._heading[2]).strip()))
            self._heading = None

    def handle_data(self, data):
        self.text.append(data)
        if self._heading:
            self._heading[2].append(data)

    def all(self, tag):
        return [attrs for name, attrs in self.elements if name == tag]


class Manual(unittest.TestCase):
    def setUp(self):
        self.path = installed("share/doc/tarvix/manual.html")
        self.raw = read_bytes(self.path).decode("utf-8")
        self.page = Page(self.raw)

    def test_is_a_standalone_html5_page(self):
        page = self.page
        self.assertEqual((page.doctype, page.open, page.misnested), ("DOCTYPE html", [], []))
        self.assertEqual(page.all("html"), [{"lang": "en"}])
        self.assertIn({"charset": "utf-8"}, page.all("meta"))
        self.assertEqual(re.findall("<title>(.*)</title>", self.raw), ["Tarvix %s – User manual" % project_version()])
        self.assertEqual(len(page.all("style")), 1)
        # Nothing from elsewhere: no scripts, no style sheets, no pictures of other sites.
        self.assertEqual((page.all("script"), page.all("link"), page.all("iframe")), ([], [], []))
        for tag, attrs in page.elements:
            for name in ("src", "href"):
                value = attrs.get(name, "")
                self.assertFalse("://" in value or value.startswith("//"), "%s %s=%s" % (tag, name, value))
        for image in page.all("img"):
            self.assertTrue(image.get("alt"))
            picture = os.path.join(os.path.dirname(self.path), image["src"])
            self.assertEqual(read_bytes(picture), read_bytes(os.path.join(SOURCE, "docs", image["src"])))
        self.assertEqual([image["src"] for image in page.all("img")], ["window.png"])

    def test_holds_the_sections_for_users_and_their_tables(self):
        page = self.page
        sections = [(heading_id, text) for tag, heading_id, text in page.headings if tag == "h2"]
        self.assertEqual([text for _, text in sections], USER_SECTIONS)
        self.assertEqual([a["href"] for a in page.all("a") if a.get("href", "").startswith("#")],
                         ["#" + heading_id for heading_id, _ in sections])
        self.assertIn(("h3", None, "Thunar"), page.headings)
        text = "".join(page.text)
        self.assertNotIn("Quick start", text)
        self.assertNotIn("For developers", text)
        self.assertNotIn("./test.sh", text)
        self.assertNotIn("bench/", text)
        # The keys, the switches and the settings are tables, not lines of bars.
        self.assertEqual(len(page.all("table")), 3)
        self.assertNotIn("|---|", text)
        for words in ("-autosub", "Ctrl+Delete", "Tarvix.ini", "TARVIX_PORTABLE", "English.lng",
                      "add-thunar-actions", "ThumbnailCacheMB"):
            self.assertIn(words, text)

    def test_build_tree_has_the_same_manual_beside_the_program(self):
        for name in ("manual.html", "window.png"):
            self.assertEqual(read_bytes(os.path.join(BUILD, "doc", name)),
                             read_bytes(installed("share/doc/tarvix", name)))


class HomePage(unittest.TestCase):
    """A configure of its own: the address reaches the metadata, the package and the program."""

    def configure(self, folder, home_page):
        return subprocess.run(["cmake", "-S", SOURCE, "-B", folder, "-G", "Ninja", "-DTARVIX_BUILD_TESTS=OFF",
                               "-DTARVIX_HOME_PAGE=" + home_page], capture_output=True, text=True, timeout=240,
                              stdin=subprocess.DEVNULL)

    def test_set_home_page_reaches_metadata_package_and_program(self):
        home_page = "https://photos.example.net/tarvix/"
        with tempfile.TemporaryDirectory(prefix="tarvix-home-page-") as folder:
            result = self.configure(folder, home_page)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
            metainfo = os.path.join(folder, "packaging", "org.example.tarvix.metainfo.xml")
            with open(metainfo, encoding="utf-8") as xml:
                text = xml.read()
            self.assertIn('<url type="homepage">%s</url>' % home_page, text)
            self.assertIn("<image>%sscreenshots/window.png</image>" % home_page, text)
            checked = run(["appstreamcli", "validate", "--no-net", "--pedantic", metainfo], os.environ)
            self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
            with open(os.path.join(folder, "CPackConfig.cmake"), encoding="utf-8") as cpack:
                self.assertIn('set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "%s")' % home_page, cpack.read())
            with open(os.path.join(folder, "compile_commands.json"), encoding="utf-8") as commands:
                compiled = {os.path.basename(c["file"]): c["command"] for c in json.load(commands)}
            self.assertIn(home_page, compiled["user_manual.cpp"])
            self.assertNotIn(home_page, compiled["language_files.cpp"])

            for wrong in ("tarvix.example.org", "https://a b/", 'https://a"b/', "javascript:alert(1)"):
                result = self.configure(folder, wrong)
                self.assertNotEqual(result.returncode, 0, wrong)
                self.assertIn("TARVIX_HOME_PAGE is no http(s) address", result.stderr)


if __name__ == "__main__":
    unittest.main()

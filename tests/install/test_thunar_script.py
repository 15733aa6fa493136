"""add-thunar-actions: Tarvix's entries in the user's uca.xml, the user's own actions untouched."""

import os
import unittest
import xml.etree.ElementTree as ElementTree

from installed import environment, installed, run, temp_home

USERS_FILE = """<?xml version="1.0" encoding="UTF-8"?>
<actions>
<action>
\t<name>Open Terminal Here</name>
\t<unique-id>1700000000000000-1</unique-id>
\t<command>exo-open --working-directory %f --launch TerminalEmulator</command>
\t<directories/>
</action>
<action><name>One line</name><unique-id>1700000000000000-2</unique-id><command>true</command></action>
</actions>
"""
OURS = ["tarvix-" + c for c in ("rotate-left", "rotate-right", "rotate-180", "flip-horizontal", "flip-vertical",
                                "correct", "correct-subfolders")]


class ThunarActions(unittest.TestCase):
    def setUp(self):
        self.home = temp_home()
        self.env = environment(self.home.name)
        self.uca = os.path.join(self.home.name, ".config", "Thunar", "uca.xml")

    def tearDown(self):
        self.home.cleanup()

    def add(self, *arguments, env=None, status=0):
        result = run([installed("share/tarvix/thunar/add-thunar-actions")] + list(arguments), env or self.env)
        self.assertEqual(result.returncode, status, result.stderr)
        return result

    def ids(self):
        return [a.find("unique-id").text for a in ElementTree.parse(self.uca).getroot()]

    def text(self):
        with open(self.uca, encoding="utf-8") as uca:
            return uca.read()

    def test_adds_replaces_and_removes_only_its_own_entries(self):
        os.makedirs(os.path.dirname(self.uca))
        with open(self.uca, "w", encoding="utf-8") as uca:
            uca.write(USERS_FILE)
        os.chmod(self.uca, 0o600)
        for _ in range(2):  # a second run (a newer version) replaces them instead of adding more
            self.add()
            self.assertEqual(self.ids(), ["1700000000000000-1", "1700000000000000-2"] + OURS)
        self.assertTrue(self.text().startswith(USERS_FILE[:-len("</actions>\n")]))
        self.assertEqual(os.stat(self.uca).st_mode & 0o777, 0o600)
        self.add("--remove")
        self.assertEqual(self.text(), USERS_FILE)
        self.assertEqual(os.listdir(os.path.dirname(self.uca)), ["uca.xml"])

    def test_makes_a_missing_file_and_leaves_an_odd_one_alone(self):
        # Outside the PATH the program is named by its full path.
        self.add(env=dict(self.env, PATH="/usr/bin:/bin"))
        self.assertEqual(self.ids(), OURS)
        for action in ElementTree.parse(self.uca).getroot():
            self.assertIn("; do %s -" % installed("bin/tarvix"), action.find("command").text)
        odd = "<actions><action><name>x</name></action></actions>\n"
        with open(self.uca, "w", encoding="utf-8") as uca:
            uca.write(odd)
        self.assertIn("stays as it is", self.add(status=1).stderr)
        self.assertEqual(self.text(), odd)
        self.add("--bogus", status=2)

"""The file managers' menus: their command lines run as each file manager runs them, one
tarvix call per selected file or folder; the same commands and captions in every format,
taken from the language files for every language of lang/."""

import configparser
import os
import shutil
import sys
import types
import unittest
import xml.etree.ElementTree as ElementTree

from installed import (LANGUAGES, SOURCE, environment, expected_pixels, installed, make_photo, pixels, read_bytes,
                       run, split_command_line, temp_home, with_paths)

FILES = {"rotate-left": "-l", "rotate-right": "-r", "rotate-180": "-u", "flip-horizontal": "-h", "flip-vertical": "-v"}
FOLDERS = ["correct", "correct-subfolders"]
LANG = "{http://www.w3.org/XML/1998/namespace}lang"


def key_file(path):
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str
    parser.read(path, encoding="utf-8")
    return parser


def captions(section):
    return section["Name"], {k[5:-1]: v for k, v in section.items() if k.startswith("Name[")}


def menus():
    """{manager: {command: (caption, {locale: caption}, command line)}} from the installed files."""
    dolphin, nemo, thunar = {}, {}, {}
    for name in ("tarvix-jpeg.desktop", "tarvix-folder.desktop"):
        entry = key_file(installed("share/kio/servicemenus", name))
        for action in entry["Desktop Entry"]["Actions"].rstrip(";").split(";"):
            dolphin[action] = captions(entry["Desktop Action " + action]) + (entry["Desktop Action " + action]["Exec"],)
    for command in list(FILES) + FOLDERS:
        section = key_file(installed("share/nemo/actions/tarvix-%s.nemo_action" % command))["Nemo Action"]
        nemo[command] = captions(section) + (section["Exec"],)
    for action in ElementTree.parse(installed("share/tarvix/thunar/tarvix-actions.xml")).getroot():
        names = action.findall("name")
        thunar[action.find("unique-id").text[len("tarvix-"):]] = (
            next(n.text for n in names if LANG not in n.attrib), {n.attrib[LANG]: n.text for n in names if LANG in n.attrib},
            action.find("command").text)
    return {"Dolphin": dolphin, "Nemo": nemo, "Thunar": thunar}


def ini_value(path, section, key):
    """A value as the program reads its INI files: trimmed lines, any letter case, first wins."""
    current = None
    with open(path, encoding="utf-8-sig") as ini:
        for line in map(str.strip, ini):
            if line.startswith("[") and line.endswith("]"):
                current = line[1:-1].strip().lower()
            elif "=" in line and not line.startswith(";") and current == section.lower():
                name, _, value = line.partition("=")
                if name.strip().lower() == key.lower():
                    return value.strip()
    return None


class File:
    """What Nautilus hands an extension for each selected item."""

    def __init__(self, path, mime="image/jpeg", scheme="file"):
        self.path, self.mime, self.scheme = path, mime, scheme

    def get_uri_scheme(self):
        return self.scheme

    def is_directory(self):
        return self.mime == "inode/directory"

    def is_mime_type(self, mime):
        return self.mime == mime

    def get_location(self):
        return types.SimpleNamespace(get_path=lambda: self.path)


class Item(types.SimpleNamespace):
    def connect(self, signal, handler, *data):
        self.activate = lambda: handler(self, *data)

    def set_submenu(self, menu):
        self.submenu = menu


class Menu(list):
    append_item = list.append


def nautilus_menu(languages, files, spawned=None):
    """The installed extension's submenu items, on stand-ins of the gi modules that record
    what it spawns."""
    repository = types.ModuleType("gi.repository")
    repository.GLib = types.SimpleNamespace(get_language_names=lambda: languages, SpawnFlags=types.SimpleNamespace(
        SEARCH_PATH=2), spawn_async=lambda argv, flags=0: spawned.append(list(argv)))
    repository.GObject = types.SimpleNamespace(GObject=type("GObject", (), {}))
    repository.Nautilus = types.SimpleNamespace(MenuProvider=type("MenuProvider", (), {}), MenuItem=Item, Menu=Menu)
    gi = types.ModuleType("gi")
    gi.repository = repository
    saved = dict(sys.modules)
    sys.modules.update({"gi": gi, "gi.repository": repository})
    try:
        path = installed("share/nautilus-python/extensions/tarvix.py")
        module = types.ModuleType("tarvix_nautilus")
        module.__file__ = path
        with open(path, encoding="utf-8") as source:
            exec(compile(source.read(), path, "exec"), module.__dict__)
    finally:
        sys.modules.clear()
        sys.modules.update(saved)
    top = module.TarvixMenuProvider().get_file_items(files)
    assert [t.label for t in top] in ([], ["Tarvix"])
    return top[0].submenu if top else []


class MenuCaptions(unittest.TestCase):
    def test_every_format_shows_the_same_commands_from_the_language_files(self):
        found = menus()
        dolphin = found["Dolphin"]
        self.assertEqual(list(dolphin), list(FILES) + FOLDERS)
        for manager in ("Nemo", "Thunar"):
            self.assertEqual(found[manager], dolphin, manager)
        self.assertEqual({i.name: i.label for i in nautilus_menu(["de_DE.UTF-8", "de", "C"], [File("/a.jpg")])},
                         {"Tarvix::" + c: dolphin[c][1]["de"] for c in FILES})

        table = os.path.join(SOURCE, "packaging/menus/menu_commands.ini")
        for language in LANGUAGES:
            codes = (ini_value(table, "Languages", language) or "").split()
            self.assertTrue(codes or language == "English", language + " has no locale code in " + table)
            for command, (caption, translations, _) in dolphin.items():
                own, key = ini_value(table, command, language), ini_value(table, command, "key")
                if not own:
                    self.assertIsNotNone(key, "%s has no caption in %s" % (command, language))
                    own = ini_value(os.path.join(SOURCE, "lang", language + ".lng"), "Translations", key)
                    own = own.replace("&&", "\0").replace("&", "").replace("\0", "&")
                shown = [translations.get(code) for code in codes] if codes else [caption]
                self.assertEqual(shown, [own] * len(shown), "%s in %s" % (command, language))

    def test_nautilus_picks_the_users_language_and_only_fitting_selections(self):
        jpeg, folder = File("/p/a.jpg"), File("/p/f", "inode/directory")
        for languages, caption in ((["pt_BR.UTF-8", "pt_BR", "pt", "C"], "Girar à esquerda"),
                                   (["pt_PT", "pt", "C"], "Girar à esquerda"), (["fr_FR", "fr", "C"], "Faire pivoter à gauche"),
                                   (["xx_YY", "C"], "Rotate Left")):
            self.assertEqual(nautilus_menu(languages, [jpeg])[0].label, caption, languages)
        self.assertEqual([i.name for i in nautilus_menu(["C"], [folder, folder])], ["Tarvix::" + c for c in FOLDERS])
        for selection in ([jpeg, File("/p/b.png", "image/png")], [jpeg, folder], [File("/p/c.jpg", scheme="sftp")], []):
            self.assertEqual(nautilus_menu(["C"], selection), [], [f.path for f in selection])


class MenuCommandLines(unittest.TestCase):
    """Each selected file or folder gets its own tarvix run, started as each file manager
    starts it: Dolphin and Nemo split the Exec line (its %F replaced by the quoted paths),
    Thunar hands its command line to /bin/sh -c, Nautilus spawns the extension's list."""

    def setUp(self):
        self.home = temp_home()
        self.env = environment(self.home.name)

    def tearDown(self):
        self.home.cleanup()

    def argv_makers(self, command):
        found = menus()
        folders = command in FOLDERS

        def nautilus(paths):
            spawned = []
            items = nautilus_menu(["C"], [File(p, "inode/directory" if folders else "image/jpeg") for p in paths],
                                  spawned)
            next(i for i in items if i.name == "Tarvix::" + command).activate()
            return spawned[0]

        return {"Dolphin": lambda paths: split_command_line(with_paths(found["Dolphin"][command][2], paths)),
                "Nemo": lambda paths: split_command_line(with_paths(found["Nemo"][command][2], paths)),
                "Thunar": lambda paths: ["/bin/sh", "-c", with_paths(found["Thunar"][command][2], paths)],
                "Nautilus": nautilus}

    def test_file_commands_turn_every_selected_photo_once(self):
        originals = os.path.join(self.home.name, "originals")
        os.mkdir(originals)
        names = ["a.jpg", "it's a \"photo\" $HOME.jpg"]
        for name in names:
            make_photo(os.path.join(originals, name))
        for command, switch in FILES.items():
            for manager, argv in self.argv_makers(command).items():
                with self.subTest(command=command, manager=manager):
                    work = shutil.copytree(originals, os.path.join(self.home.name, manager + command))
                    result = run(argv([os.path.join(work, name) for name in names]), self.env)
                    self.assertEqual((result.returncode, result.stderr), (0, ""))
                    for name in names:
                        self.assertEqual(pixels(os.path.join(work, name)),
                                         expected_pixels(os.path.join(originals, name), switch), name)

    def test_folder_commands_correct_every_selected_folder_on_its_own(self):
        # Without a display nobody can answer the question, which counts as No: each folder's
        # question shows that it had its own run, and with the right switch.
        folders = [os.path.join(self.home.name, name) for name in ("first", "second")]
        for folder in folders:
            os.makedirs(os.path.join(folder, "sub"))
            make_photo(os.path.join(folder, "sub", "turned.jpg"), orientation=6)
        before = read_bytes(os.path.join(folders[0], "sub", "turned.jpg"))
        for command, answer in zip(FOLDERS, ("has not detected any images", "has detected 1 images")):
            for manager, argv in self.argv_makers(command).items():
                with self.subTest(command=command, manager=manager):
                    result = run(argv(folders), self.env)
                    self.assertEqual((result.returncode, result.stderr.count(answer)), (0, 2), result.stderr)
                    for folder in folders:
                        self.assertEqual(read_bytes(os.path.join(folder, "sub", "turned.jpg")), before)

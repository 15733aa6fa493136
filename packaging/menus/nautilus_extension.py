# Tarvix in the context menu of Nautilus (nautilus-python): turn or mirror the selected
# JPEG files, or correct the orientation of the selected folders. Each file or folder is
# handed to its own tarvix run, one after another, as the other file managers' menus do;
# questions and progress appear in tarvix's message boxes.
#
# The build writes the commands below from packaging/menus/menu_commands.ini.
from gi.repository import GLib, GObject, Nautilus

COMMANDS = []


def _caption(command):
    """The caption in the user's language, as gettext would choose it."""
    for language in GLib.get_language_names():
        if language in command["captions"]:
            return command["captions"][language]
    return command["caption"]


def _local_paths(files, folders):
    """The paths of the selection when every item is a local folder (or a local JPEG file)."""
    paths = []
    for item in files:
        if item.get_uri_scheme() != "file":
            return []
        if folders != item.is_directory():
            return []
        if not folders and not item.is_mime_type("image/jpeg"):
            return []
        path = item.get_location().get_path()
        if not path:
            return []
        paths.append(path)
    return paths


def _run(_menu_item, command, paths):
    # One tarvix run per path, one after another. Without waiting: the runs may ask
    # questions while Nautilus goes on.
    GLib.spawn_async(["sh", "-c", command["loop"], "tarvix"] + paths, flags=GLib.SpawnFlags.SEARCH_PATH)


class TarvixMenuProvider(GObject.GObject, Nautilus.MenuProvider):
    def get_file_items(self, *arguments):
        # Nautilus 43 passes (files), earlier versions (window, files).
        files = arguments[-1]
        if not files:
            return []
        folders = files[0].is_directory()
        paths = _local_paths(files, folders)
        if not paths:
            return []
        submenu = Nautilus.Menu()
        for command in COMMANDS:
            if command["folders"] != folders:
                continue
            item = Nautilus.MenuItem(
                name="Tarvix::" + command["name"],
                label=_caption(command),
                tip=command["comment"],
                icon=command["icon"],
            )
            item.connect("activate", _run, command, paths)
            submenu.append_item(item)
        top = Nautilus.MenuItem(name="Tarvix::Menu", label="Tarvix", tip="", icon="tarvix")
        top.set_submenu(submenu)
        return [top]

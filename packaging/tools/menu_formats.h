#pragma once

#include "menu_table.h"

#include <QByteArray>
#include <QString>

namespace tarvix {

// Each file manager's menu in its own format, UTF-8. `forFolders` picks the commands for
// folders or those for JPEG files.

// A Dolphin service menu (share/kio/servicemenus): a submenu "Tarvix" of the commands.
QByteArray DolphinServiceMenu(const QList<MenuCommand>& commands, bool forFolders);

// One Nemo action (share/nemo/actions/*.nemo_action).
QByteArray NemoAction(const MenuCommand& command);

// The nautilus-python extension: `extensionTemplate` with the line "COMMANDS = []" replaced
// by the commands as Python data.
QByteArray NautilusExtension(const QByteArray& extensionTemplate, const QList<MenuCommand>& commands);

// Thunar's custom actions as a uca.xml document; add-thunar-actions merges them into a
// user's own file. Their unique ids begin with "tarvix-".
QByteArray ThunarActions(const QList<MenuCommand>& commands);

} // namespace tarvix
